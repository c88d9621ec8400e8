#include "ui/controls/LinearLayoutUI.h"

#include "ui/controls/ScrollBarUI.h"
#include "ui/core/AttributeValues.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"
#include "ui/core/UIGeometry.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

namespace {

// Rect edges, sizes and limits along the layout's axis and across it.
struct Axis {
    bool vertical;

    LONG& Lead(RECT& rc) const { return vertical ? rc.top : rc.left; }
    LONG& Trail(RECT& rc) const { return vertical ? rc.bottom : rc.right; }
    LONG& CrossLead(RECT& rc) const { return vertical ? rc.left : rc.top; }
    LONG& CrossTrail(RECT& rc) const { return vertical ? rc.right : rc.bottom; }
    LONG Extent(RECT rc) const { return Trail(rc) - Lead(rc); }
    LONG& Along(SIZE& size) const { return vertical ? size.cy : size.cx; }
    LONG& Across(SIZE& size) const { return vertical ? size.cx : size.cy; }
    LONG Along(POINT pt) const { return vertical ? pt.y : pt.x; }
    int MinAlong(const CControlUI* c) const { return vertical ? c->GetMinHeight() : c->GetMinWidth(); }
    int MaxAlong(const CControlUI* c) const { return vertical ? c->GetMaxHeight() : c->GetMaxWidth(); }
    int MinAcross(const CControlUI* c) const { return vertical ? c->GetMinWidth() : c->GetMinHeight(); }
    int MaxAcross(const CControlUI* c) const { return vertical ? c->GetMaxWidth() : c->GetMaxHeight(); }
    int FixedAcross(const CControlUI* c) const { return vertical ? c->GetFixedWidth() : c->GetFixedHeight(); }
};

int ScrollPos(const CScrollBarUI* bar)
{
    return bar != nullptr && bar->IsVisible() ? bar->GetScrollPos() : 0;
}

} // namespace

CLinearLayoutUI::CLinearLayoutUI(const TLinearAxisUI& axis)
    : m_axis(axis), m_sepSize(0), m_captured(false), m_lastMouse{ 0, 0 }, m_newPos{ 0, 0, 0, 0 }, m_immMode(false)
{
}

UINT CLinearLayoutUI::GetControlFlags() const
{
    if (m_sepSize != 0 && IsEnabled()) return UIFLAG_SETCURSOR;
    return 0;
}

int CLinearLayoutUI::MeasureFixed(SIZE available, int& adjustables, int& count)
{
    const Axis axis{ m_axis.vertical };
    int fixed = 0;
    for (int i = 0; i < m_items.GetSize(); i++) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        SIZE size = child->EstimateSize(available);
        LONG& along = axis.Along(size);
        if (along == 0) {
            adjustables++;
        } else {
            along = ClampSize(along, axis.MinAlong(child), axis.MaxAlong(child));
        }
        RECT padding = child->GetPadding();
        fixed += along + axis.Lead(padding) + axis.Trail(padding);
        count++;
    }
    if (count > 0) fixed += (count - 1) * m_childPadding;
    return fixed;
}

void CLinearLayoutUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    rc = InnerRect();
    if (m_items.IsEmpty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }

    const Axis axis{ m_axis.vertical };
    SIZE available = { rc.right - rc.left, rc.bottom - rc.top };
    const bool hBar = m_horizontalScrollBar != nullptr && m_horizontalScrollBar->IsVisible();
    if (hBar) available.cx += m_horizontalScrollBar->GetScrollRange();

    int adjustables = 0;
    int count = 0;
    const int fixed = MeasureFixed(available, adjustables, count);
    const int expand = adjustables > 0 ? std::max<int>(0, (axis.Along(available) - fixed) / adjustables) : 0;

    const CScrollBarUI* alongBar = m_axis.vertical ? m_verticalScrollBar : m_horizontalScrollBar;
    int at = axis.Lead(rc) - ScrollPos(alongBar);
    const int crossAt = axis.CrossLead(rc) - (m_axis.crossScrolls ? ScrollPos(m_horizontalScrollBar) : 0);
    int remaining = axis.Along(available);
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
        RECT padding = child->GetPadding();
        remaining -= axis.Lead(padding);
        SIZE room = available;
        axis.Along(room) = remaining;
        SIZE size = child->EstimateSize(room);
        LONG& along = axis.Along(size);
        if (along == 0) {
            adjusted++;
            along = expand;
            // The last one takes what the integer division left over.
            if (adjusted == adjustables) along = std::max<int>(0, remaining - axis.Trail(padding) - fixedRemaining);
            along = ClampSize(along, axis.MinAlong(child), axis.MaxAlong(child));
        } else {
            along = ClampSize(along, axis.MinAlong(child), axis.MaxAlong(child));
            fixedRemaining -= along;
        }
        LONG& across = axis.Across(size);
        across = axis.FixedAcross(child);
        if (across == 0) across = axis.Across(available) - axis.CrossLead(padding) - axis.CrossTrail(padding);
        if (across < 0) across = 0;
        across = ClampSize(across, axis.MinAcross(child), axis.MaxAcross(child));

        // The trailing padding stays outside the child's rect.
        RECT pos;
        axis.Lead(pos) = at + axis.Lead(padding);
        axis.Trail(pos) = axis.Lead(pos) + along;
        axis.CrossLead(pos) = crossAt + axis.CrossLead(padding);
        axis.CrossTrail(pos) = axis.CrossLead(pos) + across;
        child->SetPos(pos);

        at += along + axis.Lead(padding) + axis.Trail(padding) + m_childPadding;
        needed += along + axis.Lead(padding) + axis.Trail(padding);
        remaining -= along + m_childPadding + axis.Trail(padding);
    }
    if (count > 0) needed += (count - 1) * m_childPadding;
    if (m_axis.vertical) {
        ProcessScrollBar(rc, 0, needed);
    } else {
        ProcessScrollBar(rc, needed, 0);
    }
}

void CLinearLayoutUI::DoPostPaint(HDC hDC, const RECT& rcPaint)
{
    (void)rcPaint;
    if (m_captured && !m_immMode) CRenderEngine::DrawColor(hDC, GetThumbRect(true), 0xAA000000);
}

void CLinearLayoutUI::SetSepImmMode(bool immediately)
{
    if (m_immMode == immediately) return;
    if (m_captured && !m_immMode && m_manager != nullptr) m_manager->RemovePostPaint(this);
    m_immMode = immediately;
}

bool CLinearLayoutUI::IsSepImmMode() const
{
    return m_immMode;
}

RECT CLinearLayoutUI::GetThumbRect(bool useNew) const
{
    const Axis axis{ m_axis.vertical };
    RECT rc = useNew && m_captured ? m_newPos : m_itemRect;
    // Kept inside the layout: a separator larger than the layout must not
    // catch clicks beside it.
    if (m_sepSize >= 0) {
        axis.Lead(rc) = std::max(axis.Trail(rc) - m_sepSize, axis.Lead(rc));
    } else {
        axis.Trail(rc) = std::min(axis.Lead(rc) - m_sepSize, axis.Trail(rc));
    }
    return rc;
}

void CLinearLayoutUI::DragSeparator(POINT point)
{
    const Axis axis{ m_axis.vertical };
    const int delta = axis.Along(point) - axis.Along(m_lastMouse);
    m_lastMouse = point;
    const int at = axis.Along(point);
    RECT rc = m_newPos;
    const int minSize = axis.MinAlong(this);
    const int maxSize = axis.MaxAlong(this);
    const int oldSize = axis.Extent(m_newPos);
    // A move counts only while the mouse is over the edge's band, so that
    // the edge keeps the offset at which it was grabbed. The dragged edge
    // moves; the other one stays and the limits are met by the dragged one.
    const bool trailing = m_sepSize > 0;
    const int edge = trailing ? axis.Trail(m_newPos) : axis.Lead(m_newPos);
    const int bandStart = trailing ? edge - m_sepSize : edge;
    const int bandEnd = trailing ? edge : edge - m_sepSize;
    if (delta > 0 && at < bandStart) return;
    if (delta < 0 && at > bandEnd) return;
    LONG& moved = trailing ? axis.Trail(rc) : axis.Lead(rc);
    const LONG fixedEdge = trailing ? axis.Lead(rc) : axis.Trail(rc);
    const int direction = trailing ? 1 : -1;
    moved += delta;
    if (axis.Extent(rc) <= minSize) {
        if (oldSize <= minSize) return;
        moved = fixedEdge + direction * minSize;
    }
    if (axis.Extent(rc) >= maxSize) {
        if (oldSize >= maxSize) return;
        moved = fixedEdge + direction * maxSize;
    }
    CUIRect invalidate = GetThumbRect(true);
    m_newPos = rc;
    axis.Along(m_fixedSize) = axis.Extent(m_newPos);
    if (m_immMode) {
        m_itemRect = m_newPos;
        NeedParentUpdate();
    } else if (m_manager != nullptr) {
        invalidate.Join(GetThumbRect(true));
        invalidate.Join(GetThumbRect(false));
        m_manager->Invalidate(invalidate);
    }
}

void CLinearLayoutUI::DoEvent(TEventUI& event)
{
    if (m_sepSize != 0) {
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
            DragSeparator(event.mousePoint);
            return;
        }
        if (event.type == UIEVENT_SETCURSOR) {
            const RECT thumb = GetThumbRect(false);
            if (IsEnabled() && ::PtInRect(&thumb, event.mousePoint)) {
                ::SetCursor(::LoadCursor(nullptr, m_axis.sizeCursor));
                return;
            }
        }
    }
    CContainerUI::DoEvent(event);
}

void CLinearLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    if (wcscmp(name, m_axis.sepAttribute) == 0) {
        m_sepSize = ReadIntValue(value);
    } else if (wcscmp(name, L"sepimm") == 0) {
        SetSepImmMode(ReadBoolValue(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

} // namespace SkinUI
