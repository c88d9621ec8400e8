#include "ui/controls/ContainerUI.h"

#include "ui/controls/ScrollBarUI.h"
#include "ui/core/AttributeValues.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <cwchar>

namespace SkinUI {

namespace {

bool IsMouseEvent(int type)
{
    return type > UIEVENT__MOUSEBEGIN && type < UIEVENT__MOUSEEND;
}

bool Intersects(const RECT& a, const RECT& b)
{
    RECT tmp;
    return ::IntersectRect(&tmp, &a, &b) != FALSE;
}

bool IsShown(const CScrollBarUI* bar)
{
    return bar != nullptr && bar->IsVisible();
}

} // namespace

CContainerUI::CContainerUI()
    : m_inset{ 0, 0, 0, 0 }, m_childPadding(0), m_autoDestroy(true), m_delayedDestroy(true),
      m_mouseChildEnabled(true), m_scrollProcess(false), m_mouseFollowEnabled(false), m_following(false),
      m_followStartPoint{ 0, 0 }, m_followStartRect{ 0, 0, 0, 0 }, m_verticalScrollBar(nullptr),
      m_horizontalScrollBar(nullptr)
{
}

CContainerUI::~CContainerUI()
{
    // Children go at once: the manager may not outlive this container.
    m_delayedDestroy = false;
    RemoveAll();
    delete m_verticalScrollBar;
    delete m_horizontalScrollBar;
}

const wchar_t* CContainerUI::GetClass() const
{
    return L"ContainerUI";
}

LPVOID CContainerUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"Container") == 0) return static_cast<CContainerUI*>(this);
    if (wcscmp(name, L"IContainer") == 0) return static_cast<IContainerUI*>(this);
    return CControlUI::GetInterface(name);
}

// ---------------------------------------------------------------------------
// Children

CControlUI* CContainerUI::GetItemAt(int index) const
{
    if (index < 0 || index >= m_items.GetSize()) return nullptr;
    return static_cast<CControlUI*>(m_items[index]);
}

int CContainerUI::GetItemIndex(CControlUI* control) const
{
    return control == nullptr ? -1 : m_items.Find(control);
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index)
{
    const int current = GetItemIndex(control);
    if (current < 0 || index < 0 || index >= m_items.GetSize()) return false;
    if (current == index) return true;
    NeedUpdate();
    m_items.Remove(current);
    return m_items.InsertAt(index, control);
}

int CContainerUI::GetCount() const
{
    return m_items.GetSize();
}

bool CContainerUI::Add(CControlUI* control)
{
    return AddAt(control, m_items.GetSize());
}

bool CContainerUI::AddAt(CControlUI* control, int index)
{
    if (control == nullptr || index < 0 || index > m_items.GetSize()) return false;
    if (m_manager != nullptr) m_manager->InitControls(control, this);
    if (IsVisible()) {
        NeedUpdate();
    } else {
        control->SetInternVisible(false);
    }
    return m_items.InsertAt(index, control);
}

void CContainerUI::DestroyChild(CControlUI* control)
{
    if (!m_autoDestroy) return;
    if (m_delayedDestroy && m_manager != nullptr) {
        m_manager->AddDelayedCleanup(control);
    } else {
        delete control;
    }
}

bool CContainerUI::Remove(CControlUI* control)
{
    const int index = GetItemIndex(control);
    if (index < 0) return false;
    NeedUpdate();
    // Out of the list first: a destructor that looks at its old parent must
    // not find itself there.
    m_items.Remove(index);
    DestroyChild(control);
    return true;
}

bool CContainerUI::RemoveAt(int index)
{
    CControlUI* control = GetItemAt(index);
    return control != nullptr && Remove(control);
}

void CContainerUI::RemoveAll()
{
    CStdPtrArray items(m_items);
    m_items.Empty();
    for (int i = 0; i < items.GetSize(); i++) DestroyChild(static_cast<CControlUI*>(items[i]));
    NeedUpdate();
}

// ---------------------------------------------------------------------------
// Attachment and visibility

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    for (int i = 0; i < m_items.GetSize(); i++) GetItemAt(i)->SetManager(manager, this, init);
    if (m_verticalScrollBar != nullptr) m_verticalScrollBar->SetManager(manager, this, init);
    if (m_horizontalScrollBar != nullptr) m_horizontalScrollBar->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible)
{
    if (m_visible == visible) return;
    CControlUI::SetVisible(visible);
    for (int i = 0; i < m_items.GetSize(); i++) GetItemAt(i)->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible)
{
    CControlUI::SetInternVisible(visible);
    for (int i = 0; i < m_items.GetSize(); i++) GetItemAt(i)->SetInternVisible(IsVisible());
}

void CContainerUI::SetMouseEnabled(bool enable)
{
    if (m_verticalScrollBar != nullptr) m_verticalScrollBar->SetMouseEnabled(enable);
    if (m_horizontalScrollBar != nullptr) m_horizontalScrollBar->SetMouseEnabled(enable);
    CControlUI::SetMouseEnabled(enable);
}

// ---------------------------------------------------------------------------
// Settings

RECT CContainerUI::GetInset() const
{
    return m_inset;
}

void CContainerUI::SetInset(RECT inset)
{
    m_inset = inset;
    NeedUpdate();
}

int CContainerUI::GetChildPadding() const
{
    return m_childPadding;
}

void CContainerUI::SetChildPadding(int padding)
{
    m_childPadding = padding;
    NeedUpdate();
}

bool CContainerUI::IsAutoDestroy() const
{
    return m_autoDestroy;
}

void CContainerUI::SetAutoDestroy(bool autoDestroy)
{
    m_autoDestroy = autoDestroy;
}

bool CContainerUI::IsDelayedDestroy() const
{
    return m_delayedDestroy;
}

void CContainerUI::SetDelayedDestroy(bool delayed)
{
    m_delayedDestroy = delayed;
}

bool CContainerUI::IsMouseChildEnabled() const
{
    return m_mouseChildEnabled;
}

void CContainerUI::SetMouseChildEnabled(bool enable)
{
    m_mouseChildEnabled = enable;
}

void CContainerUI::SetMouseFollowEnabled(bool enable)
{
    m_mouseFollowEnabled = enable;
}

bool CContainerUI::IsMouseFollowEnabled() const
{
    return m_mouseFollowEnabled;
}

int CContainerUI::FindSelectable(int index, bool forward) const
{
    const int count = m_items.GetSize();
    if (count == 0) return -1;
    if (index < 0) index = 0;
    if (index >= count) index = count - 1;
    auto selectable = [this](int i) {
        CControlUI* item = GetItemAt(i);
        return item->GetInterface(L"ListItem") != nullptr && item->IsVisible() && item->IsEnabled();
    };
    if (forward) {
        for (int i = index; i < count; i++) {
            if (selectable(i)) return i;
        }
        return -1;
    }
    for (int i = index; i >= 0; i--) {
        if (selectable(i)) return i;
    }
    return FindSelectable(0, true);
}

// ---------------------------------------------------------------------------
// Scrolling

SIZE CContainerUI::GetScrollPos() const
{
    SIZE pos = { 0, 0 };
    if (IsShown(m_verticalScrollBar)) pos.cy = m_verticalScrollBar->GetScrollPos();
    if (IsShown(m_horizontalScrollBar)) pos.cx = m_horizontalScrollBar->GetScrollPos();
    return pos;
}

SIZE CContainerUI::GetScrollRange() const
{
    SIZE range = { 0, 0 };
    if (IsShown(m_verticalScrollBar)) range.cy = m_verticalScrollBar->GetScrollRange();
    if (IsShown(m_horizontalScrollBar)) range.cx = m_horizontalScrollBar->GetScrollRange();
    return range;
}

void CContainerUI::ScrollChildren(int dx, int dy)
{
    for (int i = 0; i < m_items.GetSize(); i++) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible() || child->IsFloat()) continue;
        RECT rc = child->GetPos();
        ::OffsetRect(&rc, -dx, -dy);
        child->SetPos(rc);
    }
}

void CContainerUI::SetScrollPos(SIZE pos)
{
    int dx = 0;
    int dy = 0;
    if (IsShown(m_verticalScrollBar)) {
        const int before = m_verticalScrollBar->GetScrollPos();
        m_verticalScrollBar->SetScrollPos(pos.cy);
        dy = m_verticalScrollBar->GetScrollPos() - before;
    }
    if (IsShown(m_horizontalScrollBar)) {
        const int before = m_horizontalScrollBar->GetScrollPos();
        m_horizontalScrollBar->SetScrollPos(pos.cx);
        dx = m_horizontalScrollBar->GetScrollPos() - before;
    }
    if (dx == 0 && dy == 0) return;
    ScrollChildren(dx, dy);
    Invalidate();
}

void CContainerUI::LineUp()
{
    int step = 8;
    if (m_manager != nullptr) step += m_manager->GetDefaultFontInfo()->metrics.tmHeight;
    SIZE pos = GetScrollPos();
    pos.cy -= step;
    SetScrollPos(pos);
}

void CContainerUI::LineDown()
{
    int step = 8;
    if (m_manager != nullptr) step += m_manager->GetDefaultFontInfo()->metrics.tmHeight;
    SIZE pos = GetScrollPos();
    pos.cy += step;
    SetScrollPos(pos);
}

void CContainerUI::PageUp()
{
    SIZE pos = GetScrollPos();
    int step = m_itemRect.bottom - m_itemRect.top - m_inset.top - m_inset.bottom;
    if (IsShown(m_horizontalScrollBar)) step -= m_horizontalScrollBar->GetFixedHeight();
    pos.cy -= step;
    SetScrollPos(pos);
}

void CContainerUI::PageDown()
{
    SIZE pos = GetScrollPos();
    int step = m_itemRect.bottom - m_itemRect.top - m_inset.top - m_inset.bottom;
    if (IsShown(m_horizontalScrollBar)) step -= m_horizontalScrollBar->GetFixedHeight();
    pos.cy += step;
    SetScrollPos(pos);
}

void CContainerUI::HomeUp()
{
    SIZE pos = GetScrollPos();
    pos.cy = 0;
    SetScrollPos(pos);
}

void CContainerUI::EndDown()
{
    SIZE pos = GetScrollPos();
    pos.cy = GetScrollRange().cy;
    SetScrollPos(pos);
}

void CContainerUI::LineLeft()
{
    SIZE pos = GetScrollPos();
    pos.cx -= 8;
    SetScrollPos(pos);
}

void CContainerUI::LineRight()
{
    SIZE pos = GetScrollPos();
    pos.cx += 8;
    SetScrollPos(pos);
}

void CContainerUI::PageLeft()
{
    SIZE pos = GetScrollPos();
    int step = m_itemRect.right - m_itemRect.left - m_inset.left - m_inset.right;
    if (IsShown(m_verticalScrollBar)) step -= m_verticalScrollBar->GetFixedWidth();
    pos.cx -= step;
    SetScrollPos(pos);
}

void CContainerUI::PageRight()
{
    SIZE pos = GetScrollPos();
    int step = m_itemRect.right - m_itemRect.left - m_inset.left - m_inset.right;
    if (IsShown(m_verticalScrollBar)) step -= m_verticalScrollBar->GetFixedWidth();
    pos.cx += step;
    SetScrollPos(pos);
}

void CContainerUI::HomeLeft()
{
    SIZE pos = GetScrollPos();
    pos.cx = 0;
    SetScrollPos(pos);
}

void CContainerUI::EndRight()
{
    SIZE pos = GetScrollPos();
    pos.cx = GetScrollRange().cx;
    SetScrollPos(pos);
}

void CContainerUI::EnableScrollBar(bool enableVertical, bool enableHorizontal)
{
    auto update = [this](CScrollBarUI*& bar, bool enable, bool horizontal) {
        if (!enable) {
            delete bar;
            bar = nullptr;
            return;
        }
        if (bar != nullptr) return;
        bar = new CScrollBarUI;
        bar->SetOwner(this);
        bar->SetHorizontal(horizontal);
        // Shown by the layout once the content overflows.
        bar->SetVisible(false);
        bar->SetManager(m_manager, nullptr, false);
        if (m_manager != nullptr) {
            const wchar_t* defaults = m_manager->GetDefaultAttributeList(horizontal ? L"HScrollBar" : L"VScrollBar");
            if (defaults != nullptr) bar->ApplyAttributeList(defaults);
        }
    };
    update(m_verticalScrollBar, enableVertical, false);
    update(m_horizontalScrollBar, enableHorizontal, true);
    NeedUpdate();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const
{
    return m_verticalScrollBar;
}

CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const
{
    return m_horizontalScrollBar;
}

// ---------------------------------------------------------------------------
// Positioning

RECT CContainerUI::InnerRect() const
{
    RECT rc = m_itemRect;
    rc.left += m_inset.left;
    rc.top += m_inset.top;
    rc.right -= m_inset.right;
    rc.bottom -= m_inset.bottom;
    if (IsShown(m_verticalScrollBar)) rc.right -= m_verticalScrollBar->GetFixedWidth();
    if (IsShown(m_horizontalScrollBar)) rc.bottom -= m_horizontalScrollBar->GetFixedHeight();
    return rc;
}

void CContainerUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    if (m_items.IsEmpty()) return;
    RECT inner = m_itemRect;
    inner.left += m_inset.left;
    inner.top += m_inset.top;
    inner.right -= m_inset.right;
    inner.bottom -= m_inset.bottom;
    for (int i = 0; i < m_items.GetSize(); i++) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
        } else {
            child->SetPos(inner);
        }
    }
}

void CContainerUI::SetFloatPos(int index)
{
    CControlUI* child = GetItemAt(index);
    if (child == nullptr || !child->IsVisible() || !child->IsFloat()) return;

    const RECT& r = m_itemRect;
    const SIZE xy = child->GetFixedXY();
    const int w = child->GetFixedWidth();
    const int h = child->GetFixedHeight();
    RECT pos;
    if (xy.cx >= 0) {
        pos.left = r.left + xy.cx;
        pos.right = w != 0 ? pos.left + w : r.right;
    } else {
        pos.right = r.right + xy.cx;
        pos.left = w != 0 ? pos.right - w : r.left;
    }
    if (xy.cy >= 0) {
        pos.top = r.top + xy.cy;
        pos.bottom = h != 0 ? pos.top + h : r.bottom;
    } else {
        pos.bottom = r.bottom + xy.cy;
        pos.top = h != 0 ? pos.bottom - h : r.top;
    }

    const TRelativePosUI relative = child->GetRelativePos();
    if (relative.relative) {
        const int width = r.right - r.left;
        const int height = r.bottom - r.top;
        if (relative.parentSize.cx != 0) {
            const int growX = width - relative.parentSize.cx;
            const int growY = height - relative.parentSize.cy;
            pos.left += growX * relative.moveXPercent / 100;
            pos.top += growY * relative.moveYPercent / 100;
            pos.right = pos.left + w + growX * relative.zoomXPercent / 100;
            pos.bottom = pos.top + h + growY * relative.zoomYPercent / 100;
        }
        child->SetRelativeParentSize(SIZE{ width, height });
        // The growth since the last placement applies to that placement: the
        // child records it as its float data, so another layout at the same
        // size keeps it and successive resizes add up.
        child->SetPos(pos);
        return;
    }
    child->SetFloatPlacement(pos);
}

void CContainerUI::ProcessScrollBar(RECT rc, int neededWidth, int neededHeight)
{
    (void)neededWidth;
    if (IsShown(m_horizontalScrollBar)) {
        m_horizontalScrollBar->SetPos(
            RECT{ rc.left, rc.bottom, rc.right, rc.bottom + m_horizontalScrollBar->GetFixedHeight() });
    }
    if (m_verticalScrollBar == nullptr) return;

    const int overflow = neededHeight - (rc.bottom - rc.top);
    if (overflow > 0 && !m_verticalScrollBar->IsVisible()) {
        m_verticalScrollBar->SetVisible(true);
        m_verticalScrollBar->SetScrollRange(overflow);
        m_verticalScrollBar->SetScrollPos(0);
        m_scrollProcess = true;
        SetPos(m_itemRect);
        m_scrollProcess = false;
        return;
    }
    if (!m_verticalScrollBar->IsVisible()) return;
    if (overflow <= 0 && !m_scrollProcess) {
        m_verticalScrollBar->SetVisible(false);
        m_verticalScrollBar->SetScrollPos(0);
        m_verticalScrollBar->SetScrollRange(0);
        SetPos(m_itemRect);
        return;
    }
    m_verticalScrollBar->SetPos(RECT{ rc.right, rc.top, rc.right + m_verticalScrollBar->GetFixedWidth(), rc.bottom });
    if (m_verticalScrollBar->GetScrollRange() != overflow) {
        const int before = m_verticalScrollBar->GetScrollPos();
        m_verticalScrollBar->SetScrollRange(overflow < 0 ? -overflow : overflow);
        if (m_verticalScrollBar->GetScrollRange() == 0) {
            m_verticalScrollBar->SetVisible(false);
            m_verticalScrollBar->SetScrollPos(0);
        }
        if (m_verticalScrollBar->GetScrollPos() < before) SetPos(m_itemRect);
    }
}

// ---------------------------------------------------------------------------
// Searching and hit testing

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if ((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) != 0 && !IsEnabled()) return nullptr;
    const bool hitTest = (flags & UIFIND_HITTEST) != 0;
    if (hitTest) {
        if (data == nullptr || !::PtInRect(&m_itemRect, *static_cast<const POINT*>(data))) return nullptr;
        if (!m_mouseChildEnabled) {
            CControlUI* result = nullptr;
            if (m_verticalScrollBar != nullptr) result = m_verticalScrollBar->FindControl(proc, data, flags);
            if (result == nullptr && m_horizontalScrollBar != nullptr) {
                result = m_horizontalScrollBar->FindControl(proc, data, flags);
            }
            if (result == nullptr) result = CControlUI::FindControl(proc, data, flags);
            return result;
        }
    }

    CControlUI* result = nullptr;
    if (m_verticalScrollBar != nullptr) result = m_verticalScrollBar->FindControl(proc, data, flags);
    if (result == nullptr && m_horizontalScrollBar != nullptr) {
        result = m_horizontalScrollBar->FindControl(proc, data, flags);
    }
    if (result != nullptr) return result;

    if ((flags & UIFIND_ME_FIRST) != 0) {
        result = CControlUI::FindControl(proc, data, flags);
        if (result != nullptr) return result;
    }

    const RECT inner = InnerRect();
    auto accept = [&](CControlUI* found) {
        if (found == nullptr) return false;
        if (!hitTest || found->IsFloat()) return true;
        return ::PtInRect(&inner, *static_cast<const POINT*>(data)) != FALSE;
    };
    const int count = m_items.GetSize();
    if ((flags & UIFIND_TOP_FIRST) != 0) {
        for (int i = count - 1; i >= 0; i--) {
            CControlUI* found = GetItemAt(i)->FindControl(proc, data, flags);
            if (accept(found)) return found;
        }
    } else {
        for (int i = 0; i < count; i++) {
            CControlUI* found = GetItemAt(i)->FindControl(proc, data, flags);
            if (accept(found)) return found;
        }
    }

    if ((flags & UIFIND_ME_FIRST) == 0) result = CControlUI::FindControl(proc, data, flags);
    return result;
}

CControlUI* CContainerUI::FindSubControl(const wchar_t* name)
{
    if (m_manager == nullptr) return nullptr;
    return m_manager->FindSubControlByName(this, name);
}

bool CContainerUI::SetSubControlText(const wchar_t* name, const wchar_t* text)
{
    CControlUI* control = FindSubControl(name);
    if (control == nullptr) return false;
    control->SetText(text);
    return true;
}

bool CContainerUI::SetSubControlFixedHeight(const wchar_t* name, int height)
{
    CControlUI* control = FindSubControl(name);
    if (control == nullptr) return false;
    control->SetFixedHeight(height);
    return true;
}

bool CContainerUI::SetSubControlFixedWdith(const wchar_t* name, int width)
{
    CControlUI* control = FindSubControl(name);
    if (control == nullptr) return false;
    control->SetFixedWidth(width);
    return true;
}

bool CContainerUI::SetSubControlUserData(const wchar_t* name, const wchar_t* text)
{
    CControlUI* control = FindSubControl(name);
    if (control == nullptr) return false;
    control->SetUserData(text);
    return true;
}

CUIString CContainerUI::GetSubControlText(const wchar_t* name)
{
    CControlUI* control = FindSubControl(name);
    return control == nullptr ? CUIString() : control->GetText();
}

int CContainerUI::GetSubControlFixedHeight(const wchar_t* name)
{
    CControlUI* control = FindSubControl(name);
    return control == nullptr ? -1 : control->GetFixedHeight();
}

int CContainerUI::GetSubControlFixedWdith(const wchar_t* name)
{
    CControlUI* control = FindSubControl(name);
    return control == nullptr ? -1 : control->GetFixedWidth();
}

CUIString CContainerUI::GetSubControlUserData(const wchar_t* name)
{
    CControlUI* control = FindSubControl(name);
    return control == nullptr ? CUIString() : control->GetUserData();
}

// ---------------------------------------------------------------------------
// Events

void CContainerUI::DoEvent(TEventUI& event)
{
    if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
        if (m_parent != nullptr) {
            m_parent->DoEvent(event);
        } else {
            CControlUI::DoEvent(event);
        }
        return;
    }
    if (event.type == UIEVENT_SETFOCUS) {
        m_focused = true;
        return;
    }
    if (event.type == UIEVENT_KILLFOCUS) {
        m_focused = false;
        return;
    }

    const bool vertical = IsShown(m_verticalScrollBar) && m_verticalScrollBar->IsEnabled();
    const bool horizontal = IsShown(m_horizontalScrollBar) && m_horizontalScrollBar->IsEnabled();
    if (vertical || horizontal) {
        if (event.type == UIEVENT_KEYDOWN) {
            switch (event.key) {
            case VK_UP: vertical ? LineUp() : LineLeft(); return;
            case VK_DOWN: vertical ? LineDown() : LineRight(); return;
            case VK_PRIOR: vertical ? PageUp() : PageLeft(); return;
            case VK_NEXT: vertical ? PageDown() : PageRight(); return;
            case VK_HOME: vertical ? HomeUp() : HomeLeft(); return;
            case VK_END: vertical ? EndDown() : EndRight(); return;
            default: break;
            }
        } else if (event.type == UIEVENT_SCROLLWHEEL) {
            switch (LOWORD(event.wParam)) {
            case SB_LINEUP: vertical ? LineUp() : LineLeft(); return;
            case SB_LINEDOWN: vertical ? LineDown() : LineRight(); return;
            default: break;
            }
        }
    } else if (m_mouseFollowEnabled) {
        if (event.type == UIEVENT_BUTTONDOWN && IsEnabled() && IsMouseEnabled() && IsFloat()) {
            m_followStartPoint = event.mousePoint;
            m_followStartRect = m_itemRect;
            m_following = true;
            return;
        }
        if (event.type == UIEVENT_BUTTONUP && m_following) {
            m_following = false;
            return;
        }
        if (event.type == UIEVENT_MOUSEMOVE && m_following && (event.keyState & UIKEY_LBUTTON) != 0) {
            RECT rc = m_followStartRect;
            ::OffsetRect(&rc, event.mousePoint.x - m_followStartPoint.x, event.mousePoint.y - m_followStartPoint.y);
            if (m_parent != nullptr) {
                const RECT& bounds = m_parent->GetPos();
                const int width = rc.right - rc.left;
                const int height = rc.bottom - rc.top;
                if (rc.left < bounds.left) {
                    rc.left = bounds.left;
                    rc.right = rc.left + width;
                } else if (rc.right > bounds.right) {
                    rc.right = bounds.right;
                    rc.left = rc.right - width;
                }
                if (rc.top < bounds.top) {
                    rc.top = bounds.top;
                    rc.bottom = rc.top + height;
                } else if (rc.bottom > bounds.bottom) {
                    rc.bottom = bounds.bottom;
                    rc.top = rc.bottom - height;
                }
            }
            SetPos(rc);
            return;
        }
    }
    CControlUI::DoEvent(event);
}

// ---------------------------------------------------------------------------
// Attributes

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    if (wcscmp(name, L"inset") == 0) {
        SetInset(ReadNumberList(value));
    } else if (wcscmp(name, L"mousechild") == 0) {
        SetMouseChildEnabled(ReadBoolValue(value));
    } else if (wcscmp(name, L"vscrollbar") == 0) {
        EnableScrollBar(ReadBoolValue(value), m_horizontalScrollBar != nullptr);
    } else if (wcscmp(name, L"vscrollbarstyle") == 0) {
        EnableScrollBar(true, m_horizontalScrollBar != nullptr);
        m_verticalScrollBar->ApplyAttributeList(value);
    } else if (wcscmp(name, L"hscrollbar") == 0) {
        EnableScrollBar(m_verticalScrollBar != nullptr, ReadBoolValue(value));
    } else if (wcscmp(name, L"hscrollbarstyle") == 0) {
        EnableScrollBar(m_verticalScrollBar != nullptr, true);
        m_horizontalScrollBar->ApplyAttributeList(value);
    } else if (wcscmp(name, L"childpadding") == 0) {
        SetChildPadding(ReadIntValue(value));
    } else if (wcscmp(name, L"mousefollow") == 0) {
        SetMouseFollowEnabled(ReadBoolValue(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

// ---------------------------------------------------------------------------
// Painting

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint)
{
    RECT outer;
    if (!::IntersectRect(&outer, &rcPaint, &m_itemRect)) return;
    CRenderClip clip;
    CRenderClip::GenerateClip(hDC, outer, clip);
    CControlUI::DoPaint(hDC, rcPaint);

    if (!m_items.IsEmpty()) {
        const RECT inner = InnerRect();
        RECT innerPaint;
        if (!::IntersectRect(&innerPaint, &rcPaint, &inner)) {
            for (int i = 0; i < m_items.GetSize(); i++) {
                CControlUI* child = GetItemAt(i);
                if (!child->IsVisible() || !child->IsFloat()) continue;
                if (!Intersects(rcPaint, child->GetPos()) || !Intersects(m_itemRect, child->GetPos())) continue;
                child->DoPaint(hDC, rcPaint);
            }
        } else {
            CRenderClip childClip;
            CRenderClip::GenerateClip(hDC, innerPaint, childClip);
            for (int i = 0; i < m_items.GetSize(); i++) {
                CControlUI* child = GetItemAt(i);
                if (!child->IsVisible() || !Intersects(rcPaint, child->GetPos())) continue;
                if (child->IsFloat()) {
                    if (!Intersects(m_itemRect, child->GetPos())) continue;
                    CRenderClip::UseOldClipBegin(hDC, childClip);
                    child->DoPaint(hDC, rcPaint);
                    CRenderClip::UseOldClipEnd(hDC, childClip);
                } else if (Intersects(inner, child->GetPos())) {
                    child->DoPaint(hDC, rcPaint);
                }
            }
        }
    }

    if (IsShown(m_verticalScrollBar) && Intersects(rcPaint, m_verticalScrollBar->GetPos())) {
        m_verticalScrollBar->DoPaint(hDC, rcPaint);
    }
    if (IsShown(m_horizontalScrollBar) && Intersects(rcPaint, m_horizontalScrollBar->GetPos())) {
        m_horizontalScrollBar->DoPaint(hDC, rcPaint);
    }
}

HDC CContainerUI::SavePaint(HDC hDC, SIZE size)
{
    m_saveSelection.reset();
    m_saveBitmap.Reset();
    m_saveDC.Reset(::CreateCompatibleDC(hDC));
    if (!m_saveDC) return nullptr;
    DWORD* bits = nullptr;
    m_saveBitmap = Create32BitSection(hDC, size.cx, size.cy, &bits);
    if (!m_saveBitmap) {
        m_saveDC.Reset();
        return nullptr;
    }
    m_saveSelection.emplace(m_saveDC.Get(), m_saveBitmap.Get());
    return m_saveDC.Get();
}

void CContainerUI::RestorePaint(HDC hDC, const RECT& rc, BYTE alpha)
{
    if (!m_saveDC || !m_saveBitmap) return;
    // Without per-pixel alpha: the whole picture at one opacity.
    const BLENDFUNCTION blend = { AC_SRC_OVER, 0, alpha, 0 };
    ::GdiAlphaBlend(hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, m_saveDC.Get(), 0, 0,
                    rc.right - rc.left, rc.bottom - rc.top, blend);
    m_saveSelection.reset();
    m_saveBitmap.Reset();
    m_saveDC.Reset();
}

} // namespace SkinUI
