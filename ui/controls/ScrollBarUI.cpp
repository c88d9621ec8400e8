#include "ui/controls/ScrollBarUI.h"

#include "ui/core/AttributeValues.h"

#include "ui/controls/ContainerUI.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

CScrollBarUI::CScrollBarUI()
    : m_owner(nullptr), m_horizontal(false), m_range(100), m_scrollPos(0), m_lineSize(8),
      m_thumbColor(0xFF9A9A9A), m_thumbRect{0, 0, 0, 0}, m_dragging(false), m_dragStartPoint{0, 0},
      m_dragStartPos(0)
{
    m_bkColor = 0xFFE8E8E8;
    m_fixedSize.cx = DEFAULT_SCROLLBAR_SIZE;
    m_fixedSize.cy = 0;
}

const wchar_t* CScrollBarUI::GetClass() const
{
    return L"ScrollBarUI";
}

LPVOID CScrollBarUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"ScrollBar") == 0) return this;
    return CControlUI::GetInterface(name);
}

CContainerUI* CScrollBarUI::GetOwner() const
{
    return m_owner;
}

void CScrollBarUI::SetOwner(CContainerUI* owner)
{
    m_owner = owner;
}

bool CScrollBarUI::IsHorizontal() const
{
    return m_horizontal;
}

void CScrollBarUI::SetHorizontal(bool horizontal)
{
    if (m_horizontal == horizontal) return;
    m_horizontal = horizontal;
    if (m_horizontal) {
        if (m_fixedSize.cy == 0)
            m_fixedSize.cy = m_fixedSize.cx != 0 ? m_fixedSize.cx : static_cast<LONG>(DEFAULT_SCROLLBAR_SIZE);
        m_fixedSize.cx = 0;
    } else {
        if (m_fixedSize.cx == 0)
            m_fixedSize.cx = m_fixedSize.cy != 0 ? m_fixedSize.cy : static_cast<LONG>(DEFAULT_SCROLLBAR_SIZE);
        m_fixedSize.cy = 0;
    }
    NeedParentUpdate();
}

int CScrollBarUI::GetScrollRange() const
{
    return m_range;
}

void CScrollBarUI::SetScrollRange(int range)
{
    range = std::max(range, 0);
    if (m_range == range) return;
    m_range = range;
    m_scrollPos = std::clamp(m_scrollPos, 0, m_range);
    SetPos(m_itemRect);
}

int CScrollBarUI::GetScrollPos() const
{
    return m_scrollPos;
}

void CScrollBarUI::SetScrollPos(int pos)
{
    pos = std::clamp(pos, 0, m_range);
    if (m_scrollPos == pos) return;
    m_scrollPos = pos;
    SetPos(m_itemRect);
}

void CScrollBarUI::SetLineSize(int size)
{
    if (size > 0) m_lineSize = size;
}

void CScrollBarUI::SetThumbColor(DWORD color)
{
    m_thumbColor = color;
    Invalidate();
}

const CUIString& CScrollBarUI::GetThumbImage() const
{
    return m_thumbImage;
}

void CScrollBarUI::SetThumbImage(const wchar_t* image)
{
    m_thumbImage = image;
    Invalidate();
}

RECT CScrollBarUI::GetThumbRect() const
{
    return m_thumbRect;
}

int CScrollBarUI::TrackLength() const
{
    return m_horizontal ? m_itemRect.right - m_itemRect.left : m_itemRect.bottom - m_itemRect.top;
}

int CScrollBarUI::ThumbLength() const
{
    const int track = TrackLength();
    if (track <= 0) return 0;
    // The thumb's share of the track is the visible share of the content.
    const long long thumb = static_cast<long long>(track) * track / (static_cast<long long>(track) + m_range);
    return std::min(track, std::max(static_cast<int>(thumb), static_cast<int>(MIN_THUMB_SIZE)));
}

void CScrollBarUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    const int track = TrackLength();
    const int thumb = ThumbLength();
    m_thumbRect = RECT{0, 0, 0, 0};
    if (m_range <= 0 || thumb <= 0) return;
    const int offset = static_cast<int>(static_cast<long long>(track - thumb) * m_scrollPos / m_range);
    if (m_horizontal) {
        m_thumbRect = RECT{m_itemRect.left + offset, m_itemRect.top, m_itemRect.left + offset + thumb,
                           m_itemRect.bottom};
    } else {
        m_thumbRect =
            RECT{m_itemRect.left, m_itemRect.top + offset, m_itemRect.right, m_itemRect.top + offset + thumb};
    }
}

void CScrollBarUI::ScrollTo(int pos)
{
    if (m_owner == nullptr) {
        SetScrollPos(pos);
        return;
    }
    SIZE scroll = m_owner->GetScrollPos();
    if (m_horizontal) {
        scroll.cx = pos;
    } else {
        scroll.cy = pos;
    }
    m_owner->SetScrollPos(scroll);
}

void CScrollBarUI::DoEvent(TEventUI& event)
{
    switch (event.type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK: {
        if (!IsEnabled()) return;
        if (::PtInRect(&m_thumbRect, event.mousePoint)) {
            m_dragging = true;
            m_dragStartPoint = event.mousePoint;
            m_dragStartPos = m_scrollPos;
            return;
        }
        // A click on the track pages towards the click.
        const int page = std::max(m_lineSize, TrackLength());
        const bool before =
            m_horizontal ? event.mousePoint.x < m_thumbRect.left : event.mousePoint.y < m_thumbRect.top;
        if (m_owner != nullptr) {
            if (m_horizontal) {
                before ? m_owner->PageLeft() : m_owner->PageRight();
            } else {
                before ? m_owner->PageUp() : m_owner->PageDown();
            }
        } else {
            SetScrollPos(m_scrollPos + (before ? -page : page));
        }
        return;
    }
    case UIEVENT_BUTTONUP:
        m_dragging = false;
        return;
    case UIEVENT_MOUSEMOVE: {
        if (!m_dragging) return;
        const int free = TrackLength() - ThumbLength();
        if (free <= 0) return;
        const int moved =
            m_horizontal ? event.mousePoint.x - m_dragStartPoint.x : event.mousePoint.y - m_dragStartPoint.y;
        ScrollTo(m_dragStartPos + static_cast<int>(static_cast<long long>(moved) * m_range / free));
        return;
    }
    case UIEVENT_SCROLLWHEEL:
        if (m_owner != nullptr) m_owner->DoEvent(event);
        return;
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
    case UIEVENT_MOUSEHOVER:
        return;
    default:
        CControlUI::DoEvent(event);
        return;
    }
}

void CScrollBarUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    if (wcscmp(name, L"hor") == 0) {
        SetHorizontal(ReadBoolValue(value));
    } else if (wcscmp(name, L"range") == 0) {
        SetScrollRange(ReadIntValue(value));
    } else if (wcscmp(name, L"value") == 0) {
        SetScrollPos(ReadIntValue(value));
    } else if (wcscmp(name, L"linesize") == 0) {
        SetLineSize(ReadIntValue(value));
    } else if (wcscmp(name, L"thumbcolor") == 0) {
        SetThumbColor(ReadColorValue(value));
    } else if (wcscmp(name, L"thumbimage") == 0) {
        SetThumbImage(value);
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CScrollBarUI::PaintStatusImage(HDC hDC)
{
    if (::IsRectEmpty(&m_thumbRect)) return;
    if (!m_thumbImage.IsEmpty()) {
        CUIString dest;
        dest.SmallFormat(L"dest='%d,%d,%d,%d'", m_thumbRect.left - m_itemRect.left,
                         m_thumbRect.top - m_itemRect.top, m_thumbRect.right - m_itemRect.left,
                         m_thumbRect.bottom - m_itemRect.top);
        if (DrawImage(hDC, m_thumbImage.GetData(), dest.GetData())) return;
    }
    if (m_thumbColor != 0) CRenderEngine::DrawColor(hDC, m_thumbRect, GetAdjustColor(m_thumbColor));
}

} // namespace SkinUI
