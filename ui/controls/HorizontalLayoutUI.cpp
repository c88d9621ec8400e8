#include "ui/controls/HorizontalLayoutUI.h"

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

CHorizontalLayoutUI::CHorizontalLayoutUI()
    : m_sepWidth(0), m_captured(false), m_lastMouse{ 0, 0 }, m_newPos{ 0, 0, 0, 0 }, m_immMode(false)
{
}

const wchar_t* CHorizontalLayoutUI::GetClass() const
{
    return L"HorizontalLayoutUI";
}

LPVOID CHorizontalLayoutUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"HorizontalLayout") == 0) return static_cast<CHorizontalLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

UINT CHorizontalLayoutUI::GetControlFlags() const
{
    if (m_sepWidth != 0 && IsEnabled()) return UIFLAG_SETCURSOR;
    return 0;
}

void CHorizontalLayoutUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    rc = InnerRect();
    if (m_items.IsEmpty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }

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
        if (size.cx == 0) {
            adjustables++;
        } else {
            size.cx = Clamp(size.cx, child->GetMinWidth(), child->GetMaxWidth());
        }
        const RECT padding = child->GetPadding();
        fixed += size.cx + padding.left + padding.right;
        count++;
    }
    if (count > 0) fixed += (count - 1) * m_childPadding;
    const int expand = adjustables > 0 ? std::max<int>(0, (available.cx - fixed) / adjustables) : 0;

    int x = rc.left - (hBar ? m_horizontalScrollBar->GetScrollPos() : 0);
    int remaining = available.cx;
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
        remaining -= padding.left;
        SIZE size = child->EstimateSize(SIZE{ remaining, available.cy });
        const int minWidth = child->GetMinWidth();
        const int maxWidth = child->GetMaxWidth();
        if (size.cx == 0) {
            adjusted++;
            size.cx = expand;
            // The last one takes what the integer division left over.
            if (adjusted == adjustables) size.cx = std::max<int>(0, remaining - padding.right - fixedRemaining);
            size.cx = Clamp(size.cx, minWidth, maxWidth);
        } else {
            size.cx = Clamp(size.cx, minWidth, maxWidth);
            fixedRemaining -= size.cx;
        }

        size.cy = child->GetFixedHeight();
        if (size.cy == 0) size.cy = available.cy - padding.top - padding.bottom;
        if (size.cy < 0) size.cy = 0;
        size.cy = Clamp(size.cy, child->GetMinHeight(), child->GetMaxHeight());

        // The right padding stays outside the child's rect.
        const RECT pos = { x + padding.left, rc.top + padding.top, x + padding.left + size.cx,
                           rc.top + padding.top + size.cy };
        child->SetPos(pos);

        x += size.cx + padding.left + padding.right + m_childPadding;
        needed += size.cx + padding.left + padding.right;
        remaining -= size.cx + m_childPadding + padding.right;
    }
    if (count > 0) needed += (count - 1) * m_childPadding;
    ProcessScrollBar(rc, needed, 0);
}

void CHorizontalLayoutUI::DoPostPaint(HDC hDC, const RECT& rcPaint)
{
    (void)rcPaint;
    if (m_captured && !m_immMode) CRenderEngine::DrawColor(hDC, GetThumbRect(true), 0xAA000000);
}

void CHorizontalLayoutUI::SetSepWidth(int width)
{
    m_sepWidth = width;
}

int CHorizontalLayoutUI::GetSepWidth() const
{
    return m_sepWidth;
}

void CHorizontalLayoutUI::SetSepImmMode(bool immediately)
{
    if (m_immMode == immediately) return;
    if (m_captured && !m_immMode && m_manager != nullptr) m_manager->RemovePostPaint(this);
    m_immMode = immediately;
}

bool CHorizontalLayoutUI::IsSepImmMode() const
{
    return m_immMode;
}

RECT CHorizontalLayoutUI::GetThumbRect(bool useNew) const
{
    RECT rc = useNew && m_captured ? m_newPos : m_itemRect;
    // Kept inside the layout, like the vertical band: a separator wider
    // than the layout must not catch clicks beside it.
    if (m_sepWidth >= 0) {
        rc.left = std::max(rc.right - m_sepWidth, rc.left);
    } else {
        rc.right = std::min(rc.left - m_sepWidth, rc.right);
    }
    return rc;
}

void CHorizontalLayoutUI::DoEvent(TEventUI& event)
{
    if (m_sepWidth != 0) {
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
            const int dx = event.mousePoint.x - m_lastMouse.x;
            m_lastMouse = event.mousePoint;
            const int x = event.mousePoint.x;
            RECT rc = m_newPos;
            const int minWidth = GetMinWidth();
            const int maxWidth = GetMaxWidth();
            const int oldWidth = m_newPos.right - m_newPos.left;
            // A move counts only while the mouse is over the edge's band,
            // so that the edge keeps the offset at which it was grabbed.
            if (m_sepWidth > 0) {
                if (dx > 0 && x < m_newPos.right - m_sepWidth) return;
                if (dx < 0 && x > m_newPos.right) return;
                rc.right += dx;
                if (rc.right - rc.left <= minWidth) {
                    if (oldWidth <= minWidth) return;
                    rc.right = rc.left + minWidth;
                }
                if (rc.right - rc.left >= maxWidth) {
                    if (oldWidth >= maxWidth) return;
                    rc.right = rc.left + maxWidth;
                }
            } else {
                if (dx > 0 && x < m_newPos.left) return;
                if (dx < 0 && x > m_newPos.left - m_sepWidth) return;
                rc.left += dx;
                if (rc.right - rc.left <= minWidth) {
                    if (oldWidth <= minWidth) return;
                    rc.left = rc.right - minWidth;
                }
                if (rc.right - rc.left >= maxWidth) {
                    if (oldWidth >= maxWidth) return;
                    rc.left = rc.right - maxWidth;
                }
            }
            CUIRect invalidate = GetThumbRect(true);
            m_newPos = rc;
            m_fixedSize.cx = m_newPos.right - m_newPos.left;
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
                ::SetCursor(::LoadCursor(nullptr, IDC_SIZEWE));
                return;
            }
        }
    }
    CContainerUI::DoEvent(event);
}

void CHorizontalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    if (wcscmp(name, L"sepwidth") == 0) {
        SetSepWidth(static_cast<int>(wcstol(value, nullptr, 10)));
    } else if (wcscmp(name, L"sepimm") == 0) {
        SetSepImmMode(wcscmp(value, L"true") == 0);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

} // namespace SkinUI
