#include "ui/controls/TextUI.h"

#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <algorithm>

namespace SkinUI {

CTextUI::CTextUI() : m_linkCount(0), m_linkRects(), m_hoverLink(-1)
{
    m_textStyle = DT_WORDBREAK;
    m_textPadding = RECT{ 2, 0, 2, 0 };
}

CTextUI::~CTextUI() = default;

const wchar_t* CTextUI::GetClass() const
{
    return L"TextUI";
}

LPVOID CTextUI::GetInterface(const wchar_t* name)
{
    if (name != nullptr && wcscmp(name, L"Text") == 0) return this;
    return CLabelUI::GetInterface(name);
}

UINT CTextUI::GetControlFlags() const
{
    return (IsEnabled() && m_linkCount > 0) ? static_cast<UINT>(UIFLAG_SETCURSOR) : 0U;
}

const CUIString* CTextUI::GetLinkContent(int index) const
{
    if (index < 0 || index >= m_linkCount) return nullptr;
    return &m_linkTexts[index];
}

int CTextUI::GetLinkCount() const
{
    return m_linkCount;
}

RECT CTextUI::GetLinkRect(int index) const
{
    if (index < 0 || index >= m_linkCount) return RECT{ 0, 0, 0, 0 };
    return m_linkRects[index];
}

int CTextUI::LinkAt(POINT pt) const
{
    for (int i = 0; i < m_linkCount; i++) {
        if (::PtInRect(&m_linkRects[i], pt)) return i;
    }
    return -1;
}

void CTextUI::DoEvent(TEventUI& event)
{
    if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
        if (m_parent != nullptr) {
            m_parent->DoEvent(event);
        } else {
            CLabelUI::DoEvent(event);
        }
        return;
    }
    const int link = LinkAt(event.mousePoint);
    switch (event.type) {
    case UIEVENT_SETCURSOR:
        if (link >= 0) {
            ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled() && link >= 0) {
            Invalidate();
            return;
        }
        break;
    case UIEVENT_BUTTONUP:
        if (IsEnabled() && link >= 0) {
            if (m_manager != nullptr) m_manager->SendNotify(this, L"link", static_cast<WPARAM>(link));
            return;
        }
        break;
    case UIEVENT_CONTEXTMENU:
        return;
    case UIEVENT_MOUSEMOVE:
        if (IsEnabled() && m_linkCount > 0) {
            if (link != m_hoverLink) {
                m_hoverLink = link;
                Invalidate();
            }
            return;
        }
        break;
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled() && m_linkCount > 0 && m_hoverLink >= 0) {
            m_hoverLink = -1;
            Invalidate();
            return;
        }
        break;
    default:
        break;
    }
    CLabelUI::DoEvent(event);
}

SIZE CTextUI::EstimateSize(SIZE available)
{
    if (m_manager == nullptr) return CLabelUI::EstimateSize(available);
    RECT rc = { m_textPadding.left, 0, std::max<LONG>(m_fixedSize.cx, available.cx) - m_textPadding.right, 9999 };
    const UINT style = m_textStyle | DT_CALCRECT;
    if (m_showHtml) {
        int links = 0;
        CRenderEngine::DrawHtmlText(m_manager->GetPaintDC(), m_manager, rc, m_text.GetData(), m_textColor, nullptr,
                                    nullptr, links, style);
    } else {
        CRenderEngine::DrawTextW(m_manager->GetPaintDC(), m_manager, rc, m_text.GetData(), m_textColor, m_font,
                                 style);
    }
    SIZE size = { rc.right - rc.left + m_textPadding.left + m_textPadding.right,
                  rc.bottom - rc.top + m_textPadding.top + m_textPadding.bottom };
    if (m_fixedSize.cy != 0) size.cy = m_fixedSize.cy;
    return size;
}

void CTextUI::PaintText(HDC hDC)
{
    if (m_text.IsEmpty()) {
        m_linkCount = 0;
        return;
    }
    if (m_manager == nullptr) return;
    ApplyDefaultColors();
    RECT rc = TextRect();
    const DWORD color = IsEnabled() ? m_textColor : m_disabledTextColor;
    m_linkCount = MAX_LINK;
    if (m_showHtml) {
        CRenderEngine::DrawHtmlText(hDC, m_manager, rc, m_text.GetData(), color, m_linkRects, m_linkTexts,
                                    m_linkCount, m_textStyle);
    } else {
        m_linkCount = 0;
        CRenderEngine::DrawTextW(hDC, m_manager, rc, m_text.GetData(), color, m_font, m_textStyle);
    }
    // Slots past the links found keep nothing a later hit test could match.
    for (int i = m_linkCount; i < MAX_LINK; i++) {
        m_linkRects[i] = RECT{ 0, 0, 0, 0 };
        m_linkTexts[i].Empty();
    }
}

} // namespace SkinUI
