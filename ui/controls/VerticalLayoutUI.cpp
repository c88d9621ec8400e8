#include "ui/controls/VerticalLayoutUI.h"

#include "ui/controls/ScrollBarUI.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

namespace {

// A size held to [low, high]; a maximum below the minimum counts as the minimum.
int Clamp(long value, int low, int high)
{
    if (high < low) high = low;
    if (value < low) return low;
    return value > high ? high : static_cast<int>(value);
}

} // namespace

CVerticalLayoutUI::CVerticalLayoutUI()
    : m_sepHeight(0), m_captured(false), m_lastMouse{ 0, 0 }, m_newPos{ 0, 0, 0, 0 }, m_immMode(false)
{
}

const wchar_t* CVerticalLayoutUI::GetClass() const
{
    return L"VerticalLayoutUI";
}

LPVOID CVerticalLayoutUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"VerticalLayout") == 0) return static_cast<CVerticalLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

UINT CVerticalLayoutUI::GetControlFlags() const
{
    if (m_sepHeight != 0 && IsEnabled()) return UIFLAG_SETCURSOR;
    return 0;
}

void CVerticalLayoutUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    rc = InnerRect();
    if (m_items.IsEmpty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }

    const bool vBar = m_verticalScrollBar != nullptr && m_verticalScrollBar->IsVisible();
    const bool hBar = m_horizontalScrollBar != nullptr && m_horizontalScrollBar->IsVisible();
    SIZE available = { rc.right - rc.left, rc.bottom - rc.top };
    if (hBar) available.cx += m_horizontalScrollBar->GetScrollRange();

    int adjustables = 0;
    int fixed = 0;
    int count = 0;
    for (int i = 0; i < m_items.GetSize(); i++) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        SIZE size = child->EstimateSize(available);
        if (size.cy == 0) {
            adjustables++;
        } else {
            size.cy = Clamp(size.cy, child->GetMinHeight(), child->GetMaxHeight());
        }
        const RECT padding = child->GetPadding();
        fixed += size.cy + padding.top + padding.bottom;
        count++;
    }
    if (count > 0) fixed += (count - 1) * m_childPadding;
    const int expand = adjustables > 0 ? std::max<int>(0, (available.cy - fixed) / adjustables) : 0;

    const int x = rc.left - (hBar ? m_horizontalScrollBar->GetScrollPos() : 0);
    int y = rc.top - (vBar ? m_verticalScrollBar->GetScrollPos() : 0);
    int remaining = available.cy;
    int fixedRemaining = fixed;
    int adjusted = 0;
    int needed = 0;
    for (int i = 0; i < m_items.GetSize(); i++) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const RECT padding = child->GetPadding();
        remaining -= padding.top;
        SIZE size = child->EstimateSize(SIZE{ available.cx, remaining });
        const int minHeight = child->GetMinHeight();
        const int maxHeight = child->GetMaxHeight();
        if (size.cy == 0) {
            adjusted++;
            size.cy = expand;
            // The last one takes what the integer division left over.
            if (adjusted == adjustables) size.cy = std::max<int>(0, remaining - padding.bottom - fixedRemaining);
            size.cy = Clamp(size.cy, minHeight, maxHeight);
        } else {
            size.cy = Clamp(size.cy, minHeight, maxHeight);
            fixedRemaining -= size.cy;
        }

        size.cx = child->GetFixedWidth();
        if (size.cx == 0) size.cx = available.cx - padding.left - padding.right;
        if (size.cx < 0) size.cx = 0;
        size.cx = Clamp(size.cx, child->GetMinWidth(), child->GetMaxWidth());

        // The bottom padding stays outside the child's rect.
        const RECT pos = { x + padding.left, y + padding.top, x + padding.left + size.cx, y + padding.top + size.cy };
        child->SetPos(pos);

        y += size.cy + padding.top + padding.bottom + m_childPadding;
        needed += size.cy + padding.top + padding.bottom;
        remaining -= size.cy + m_childPadding + padding.bottom;
    }
    if (count > 0) needed += (count - 1) * m_childPadding;
    ProcessScrollBar(rc, 0, needed);
}

void CVerticalLayoutUI::DoPostPaint(HDC hDC, const RECT& rcPaint)
{
    (void)rcPaint;
    if (m_captured && !m_immMode) CRenderEngine::DrawColor(hDC, GetThumbRect(true), 0xAA000000);
}

void CVerticalLayoutUI::SetSepHeight(int height)
{
    m_sepHeight = height;
}

int CVerticalLayoutUI::GetSepHeight() const
{
    return m_sepHeight;
}

void CVerticalLayoutUI::SetSepImmMode(bool immediately)
{
    if (m_immMode == immediately) return;
    if (m_captured && !m_immMode && m_manager != nullptr) m_manager->RemovePostPaint(this);
    m_immMode = immediately;
}

bool CVerticalLayoutUI::IsSepImmMode() const
{
    return m_immMode;
}

RECT CVerticalLayoutUI::GetThumbRect(bool useNew) const
{
    RECT rc = useNew && m_captured ? m_newPos : m_itemRect;
    if (m_sepHeight >= 0) {
        rc.top = std::max(rc.bottom - m_sepHeight, rc.top);
    } else {
        rc.bottom = std::min(rc.top - m_sepHeight, rc.bottom);
    }
    return rc;
}

void CVerticalLayoutUI::DoEvent(TEventUI& event)
{
    if (m_sepHeight != 0) {
        if (event.type == UIEVENT_BUTTONDOWN && IsEnabled()) {
            const RECT thumb = GetThumbRect(false);
            if (::PtInRect(&thumb, event.mousePoint)) {
                m_captured = true;
                m_lastMouse = event.mousePoint;
                m_newPos = m_itemRect;
                if (!m_immMode && m_manager != nullptr) m_manager->AddPostPaint(this);
                return;
            }
        }
        if (event.type == UIEVENT_BUTTONUP && m_captured) {
            m_captured = false;
            m_itemRect = m_newPos;
            if (!m_immMode && m_manager != nullptr) m_manager->RemovePostPaint(this);
            NeedParentUpdate();
            return;
        }
        if (event.type == UIEVENT_MOUSEMOVE && m_captured) {
            const int dy = event.mousePoint.y - m_lastMouse.y;
            m_lastMouse = event.mousePoint;
            const int y = event.mousePoint.y;
            RECT rc = m_newPos;
            const int minHeight = GetMinHeight();
            const int maxHeight = GetMaxHeight();
            const int oldHeight = m_newPos.bottom - m_newPos.top;
            // A move counts only while the mouse is over the edge's band,
            // so that the edge keeps the offset at which it was grabbed.
            if (m_sepHeight > 0) {
                if (dy > 0 && y < m_newPos.bottom - m_sepHeight) return;
                if (dy < 0 && y > m_newPos.bottom) return;
                rc.bottom += dy;
                if (rc.bottom - rc.top <= minHeight) {
                    if (oldHeight <= minHeight) return;
                    rc.bottom = rc.top + minHeight;
                }
                if (rc.bottom - rc.top >= maxHeight) {
                    if (oldHeight >= maxHeight) return;
                    rc.bottom = rc.top + maxHeight;
                }
            } else {
                if (dy > 0 && y < m_newPos.top) return;
                if (dy < 0 && y > m_newPos.top - m_sepHeight) return;
                rc.top += dy;
                if (rc.bottom - rc.top <= minHeight) {
                    if (oldHeight <= minHeight) return;
                    rc.top = rc.bottom - minHeight;
                }
                if (rc.bottom - rc.top >= maxHeight) {
                    if (oldHeight >= maxHeight) return;
                    rc.top = rc.bottom - maxHeight;
                }
            }
            CUIRect invalidate = GetThumbRect(true);
            m_newPos = rc;
            m_fixedSize.cy = m_newPos.bottom - m_newPos.top;
            if (m_immMode) {
                m_itemRect = m_newPos;
                NeedParentUpdate();
            } else if (m_manager != nullptr) {
                invalidate.Join(GetThumbRect(true));
                invalidate.Join(GetThumbRect(false));
                m_manager->Invalidate(invalidate);
            }
            return;
        }
        if (event.type == UIEVENT_SETCURSOR) {
            const RECT thumb = GetThumbRect(false);
            if (IsEnabled() && ::PtInRect(&thumb, event.mousePoint)) {
                ::SetCursor(::LoadCursor(nullptr, IDC_SIZENS));
                return;
            }
        }
    }
    CContainerUI::DoEvent(event);
}

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    if (wcscmp(name, L"sepheight") == 0) {
        SetSepHeight(static_cast<int>(wcstol(value, nullptr, 10)));
    } else if (wcscmp(name, L"sepimm") == 0) {
        SetSepImmMode(wcscmp(value, L"true") == 0);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

} // namespace SkinUI
