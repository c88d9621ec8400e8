#include "ui/controls/ListUI.h"

#include "ui/core/AttributeValues.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

#include <cstring>
#include <cwchar>

namespace SkinUI {

// ---------------------------------------------------------------------------
// CListElementUI

CListElementUI::CListElementUI() : m_owner(nullptr), m_index(-1), m_selected(false), m_buttonState(0)
{
}

const wchar_t* CListElementUI::GetClass() const
{
    return L"ListElementUI";
}

LPVOID CListElementUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"ListItem") == 0) return static_cast<CListElementUI*>(this);
    return CControlUI::GetInterface(name);
}

UINT CListElementUI::GetControlFlags() const
{
    return UIFLAG_WANTRETURN;
}

void CListElementUI::SetVisible(bool visible)
{
    if (m_visible == visible) return;
    CControlUI::SetVisible(visible);
    if (!visible && m_selected && m_owner != nullptr) m_owner->SelectItem(-1);
}

void CListElementUI::SetEnabled(bool enable)
{
    CControlUI::SetEnabled(enable);
    if (!IsEnabled()) m_buttonState = 0;
}

IListOwnerUI* CListElementUI::GetOwner() const
{
    return m_owner;
}

void CListElementUI::SetOwner(IListOwnerUI* owner)
{
    m_owner = owner;
}

void CListElementUI::SetIndex(int index)
{
    m_index = index;
}

bool CListElementUI::IsSelected() const
{
    return m_selected;
}

bool CListElementUI::Select(bool select)
{
    if (!IsEnabled()) return false;
    if (select == m_selected) return true;
    if (m_owner == nullptr) {
        SetSelectedState(select);
        return true;
    }
    return m_owner->SelectItem(select ? m_index : -1);
}

void CListElementUI::SetSelectedState(bool selected)
{
    if (m_selected == selected) return;
    m_selected = selected;
    Invalidate();
}

DWORD CListElementUI::StateColor(DWORD normal, DWORD disabled, DWORD selected, DWORD hot) const
{
    if (!IsEnabled()) return disabled;
    if (m_selected) return selected;
    return IsHot() ? hot : normal;
}

bool CListElementUI::IsHot() const
{
    return (m_buttonState & UISTATE_HOT) != 0;
}

void CListElementUI::DoEvent(TEventUI& event)
{
    if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
        if (m_parent != nullptr) m_parent->DoEvent(event);
        return;
    }
    switch (event.type) {
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) {
            m_buttonState |= UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSELEAVE:
        if ((m_buttonState & UISTATE_HOT) != 0) {
            m_buttonState &= ~UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled()) m_buttonState |= UISTATE_CAPTURED;
        return;
    case UIEVENT_BUTTONUP:
        if ((m_buttonState & UISTATE_CAPTURED) != 0) {
            m_buttonState &= ~UISTATE_CAPTURED;
            if (::PtInRect(&m_itemRect, event.mousePoint)) Select();
        }
        return;
    case UIEVENT_MOUSEMOVE:
        return;
    default:
        break;
    }
    CControlUI::DoEvent(event);
}

void CListElementUI::DoPaint(HDC hDC, const RECT& rcPaint)
{
    if (!::IntersectRect(&m_paintRect, &rcPaint, &m_itemRect)) return;
    DrawItemBk(hDC, m_itemRect);
    DrawItemText(hDC, m_itemRect);
    PaintBorder(hDC);
}

void CListElementUI::DrawItemBk(HDC hDC, const RECT& rcItem)
{
    if (m_owner == nullptr) return;
    const TListInfoUI* info = m_owner->GetListInfo();
    const DWORD color = StateColor(info->bkColor, info->disabledBkColor, info->selectedBkColor, info->hotBkColor);
    if (color != 0) CRenderEngine::DrawColor(hDC, rcItem, GetAdjustColor(color));
    if (info->lineColor != 0) {
        const RECT line = {rcItem.left, rcItem.bottom - 1, rcItem.right, rcItem.bottom - 1};
        CRenderEngine::DrawLine(hDC, line, 1, GetAdjustColor(info->lineColor));
    }
}

void CListElementUI::DrawItemText(HDC hDC, const RECT& rcItem)
{
    if (m_owner == nullptr || m_text.IsEmpty()) return;
    const TListInfoUI* info = m_owner->GetListInfo();
    const DWORD color =
        StateColor(info->textColor, info->disabledTextColor, info->selectedTextColor, info->hotTextColor);
    RECT cell = rcItem;
    cell.left += info->textPadding.left;
    cell.top += info->textPadding.top;
    cell.right -= info->textPadding.right;
    cell.bottom -= info->textPadding.bottom;
    CRenderEngine::DrawTextW(hDC, m_manager, cell, m_text.GetData(), color, info->font,
                             info->textStyle | DT_SINGLELINE);
}

// ---------------------------------------------------------------------------
// CListExpandElementUI

CListExpandElementUI::CListExpandElementUI() = default;

const wchar_t* CListExpandElementUI::GetClass() const
{
    return L"ListExpandElementUI";
}

LPVOID CListExpandElementUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"ListExpandElement") == 0) return static_cast<CListExpandElementUI*>(this);
    return CListElementUI::GetInterface(name);
}

void CListExpandElementUI::DoEvent(TEventUI& event)
{
    // A click reports the element before selecting it, so that the listener
    // of "itemclick" sees the element while the list is unchanged.
    if (event.type == UIEVENT_BUTTONUP && (m_buttonState & UISTATE_CAPTURED) != 0 && IsMouseEnabled()) {
        m_buttonState &= ~UISTATE_CAPTURED;
        if (!::PtInRect(&m_itemRect, event.mousePoint)) return;
        if (m_manager != nullptr) m_manager->SendNotify(this, L"itemclick");
        Select();
        return;
    }
    CListElementUI::DoEvent(event);
}

int CListExpandElementUI::GetTextHeight()
{
    if (m_manager == nullptr || m_owner == nullptr) return 0;
    const TListInfoUI* info = m_owner->GetListInfo();
    TFontInfo* font = info->font >= 0 ? m_manager->GetFontInfo(info->font) : nullptr;
    if (font == nullptr) font = m_manager->GetDefaultFontInfo();
    return font != nullptr ? font->metrics.tmHeight : 0;
}

void CListExpandElementUI::DrawItemText(HDC hDC, const RECT& rcItem)
{
    if (m_owner == nullptr || m_text.IsEmpty()) return;
    const TListInfoUI* info = m_owner->GetListInfo();
    if (info->columns <= 1) {
        CListElementUI::DrawItemText(hDC, rcItem);
        return;
    }
    const DWORD color =
        StateColor(info->textColor, info->disabledTextColor, info->selectedTextColor, info->hotTextColor);
    for (int i = 1; i < info->columns; i++) {
        RECT cell = {info->columnRects[i].left + info->textPadding.left,
                     m_itemRect.top + info->textPadding.top,
                     info->columnRects[i].right - info->textPadding.right,
                     m_itemRect.bottom - info->textPadding.bottom};
        CRenderEngine::DrawTextW(hDC, m_manager, cell, m_text.GetData(), color, info->font,
                                 info->textStyle | DT_SINGLELINE);
    }
}

// ---------------------------------------------------------------------------
// CListUI

namespace {

CListElementUI* AsElement(CControlUI* control)
{
    return control != nullptr ? static_cast<CListElementUI*>(control->GetInterface(L"ListItem")) : nullptr;
}

// The item colour an attribute sets, or null for another attribute.
DWORD TListInfoUI::*ItemColorNamed(const wchar_t* name)
{
    static const struct {
        const wchar_t* name;
        DWORD TListInfoUI::*color;
    } kColors[] = {
        {L"itemtextcolor", &TListInfoUI::textColor},
        {L"itembkcolor", &TListInfoUI::bkColor},
        {L"itemselectedtextcolor", &TListInfoUI::selectedTextColor},
        {L"itemselectedbkcolor", &TListInfoUI::selectedBkColor},
        {L"itemhottextcolor", &TListInfoUI::hotTextColor},
        {L"itemhotbkcolor", &TListInfoUI::hotBkColor},
        {L"itemdisabledtextcolor", &TListInfoUI::disabledTextColor},
        {L"itemdisabledbkcolor", &TListInfoUI::disabledBkColor},
        {L"itemlinecolor", &TListInfoUI::lineColor},
        {L"itemselectedlinecolor", &TListInfoUI::selectedLineColor},
    };
    for (const auto& entry : kColors)
        if (wcscmp(name, entry.name) == 0) return entry.color;
    return nullptr;
}

} // namespace

CListUI::CListUI() : m_curSel(-1), m_columnWidths{}, m_columnCount(0)
{
    memset(&m_listInfo, 0, sizeof(m_listInfo));
    m_listInfo.font = -1;
    m_listInfo.textStyle = DT_VCENTER;
    m_listInfo.textColor = 0xFF000000;
    m_listInfo.selectedTextColor = 0xFF000000;
    m_listInfo.hotTextColor = 0xFF000000;
    m_listInfo.disabledTextColor = 0xFFCCCCCC;
    m_listInfo.selectedBkColor = 0xFFC1E3FF;
    m_listInfo.hotBkColor = 0xFFE9F5FF;
    m_listInfo.columns = 1;
}

const wchar_t* CListUI::GetClass() const
{
    return L"ListUI";
}

LPVOID CListUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"List") == 0) return static_cast<CListUI*>(this);
    if (wcscmp(name, L"IListOwner") == 0) return static_cast<IListOwnerUI*>(this);
    return CVerticalLayoutUI::GetInterface(name);
}

UINT CListUI::GetControlFlags() const
{
    return UIFLAG_TABSTOP;
}

bool CListUI::Add(CControlUI* control)
{
    return AddAt(control, GetCount());
}

bool CListUI::AddAt(CControlUI* control, int index)
{
    if (!CVerticalLayoutUI::AddAt(control, index)) return false;
    if (CListElementUI* element = AsElement(control)) element->SetOwner(this);
    if (m_curSel >= 0 && m_curSel >= index) m_curSel++;
    Reindex(index);
    return true;
}

bool CListUI::SetItemIndex(CControlUI* control, int index)
{
    const int old = GetItemIndex(control);
    if (old < 0) return false;
    CControlUI* selected = m_curSel >= 0 ? GetItemAt(m_curSel) : nullptr;
    if (!CVerticalLayoutUI::SetItemIndex(control, index)) return false;
    Reindex(0);
    m_curSel = selected != nullptr ? GetItemIndex(selected) : -1;
    return true;
}

bool CListUI::Remove(CControlUI* control)
{
    const int index = GetItemIndex(control);
    return index >= 0 && RemoveAt(index);
}

bool CListUI::RemoveAt(int index)
{
    if (index < 0 || index >= GetCount()) return false;
    if (index == m_curSel) {
        m_curSel = -1;
    } else if (index < m_curSel) {
        m_curSel--;
    }
    if (!CVerticalLayoutUI::RemoveAt(index)) return false;
    Reindex(index);
    return true;
}

void CListUI::RemoveAll()
{
    m_curSel = -1;
    CVerticalLayoutUI::RemoveAll();
}

void CListUI::Reindex(int from)
{
    for (int i = from < 0 ? 0 : from; i < GetCount(); i++) {
        if (CListElementUI* element = AsElement(GetItemAt(i))) element->SetIndex(i);
    }
}

void CListUI::SetPos(RECT rc)
{
    CVerticalLayoutUI::SetPos(rc);
    LayoutColumns();
}

void CListUI::LayoutColumns()
{
    const RECT inner = InnerRect();
    if (m_columnCount == 0) {
        m_listInfo.columns = 1;
        m_listInfo.columnRects[0] = inner;
        return;
    }
    int fixed = 0;
    int stretched = 0;
    for (int i = 0; i < m_columnCount; i++) {
        if (m_columnWidths[i] > 0) {
            fixed += m_columnWidths[i];
        } else {
            stretched++;
        }
    }
    const int rest = inner.right - inner.left - fixed;
    const int share = stretched > 0 && rest > 0 ? rest / stretched : 0;
    int left = inner.left;
    for (int i = 0; i < m_columnCount; i++) {
        const int width = m_columnWidths[i] > 0 ? m_columnWidths[i] : share;
        m_listInfo.columnRects[i] = {left, inner.top, left + width, inner.bottom};
        left += width;
    }
    m_listInfo.columns = m_columnCount;
}

void CListUI::SetColumnWidths(const wchar_t* widths)
{
    long values[UILIST_MAX_COLUMNS];
    m_columnCount = ReadNumbers(widths, values, UILIST_MAX_COLUMNS);
    // A width that cannot be one shares the rest with the unsized columns.
    for (int i = 0; i < m_columnCount; i++) {
        m_columnWidths[i] = values[i] > 0 && values[i] < 0x100000 ? static_cast<int>(values[i]) : 0;
    }
    NeedUpdate();
}

void CListUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (wcscmp(name, L"columns") == 0) {
        SetColumnWidths(value);
    } else if (wcscmp(name, L"header") == 0) {
        // The list draws no header; the columns come from "columns".
    } else if (wcscmp(name, L"itemfont") == 0) {
        m_listInfo.font = ReadIntValue(value);
    } else if (wcscmp(name, L"itemalign") == 0) {
        if (wcsstr(value, L"left") != nullptr) m_listInfo.textStyle &= ~(DT_CENTER | DT_RIGHT);
        if (wcsstr(value, L"center") != nullptr) {
            m_listInfo.textStyle &= ~DT_RIGHT;
            m_listInfo.textStyle |= DT_CENTER;
        }
        if (wcsstr(value, L"right") != nullptr) {
            m_listInfo.textStyle &= ~DT_CENTER;
            m_listInfo.textStyle |= DT_RIGHT;
        }
    } else if (wcscmp(name, L"itemendellipsis") == 0) {
        if (ReadBoolValue(value)) {
            m_listInfo.textStyle |= DT_END_ELLIPSIS;
        } else {
            m_listInfo.textStyle &= ~DT_END_ELLIPSIS;
        }
    } else if (wcscmp(name, L"itemtextpadding") == 0) {
        m_listInfo.textPadding = ReadNumberList(value);
    } else if (DWORD TListInfoUI::*color = ItemColorNamed(name)) {
        m_listInfo.*color = ReadColorValue(value);
    } else {
        CVerticalLayoutUI::SetAttribute(name, value);
    }
    Invalidate();
}

TListInfoUI* CListUI::GetListInfo()
{
    return &m_listInfo;
}

int CListUI::GetCurSel() const
{
    return m_curSel;
}

bool CListUI::SelectItem(int index)
{
    if (index == m_curSel) return true;
    if (index >= GetCount()) return false;
    CListElementUI* next = index >= 0 ? AsElement(GetItemAt(index)) : nullptr;
    if (index >= 0 && (next == nullptr || !next->IsVisible() || !next->IsEnabled())) return false;
    if (CListElementUI* old = m_curSel >= 0 ? AsElement(GetItemAt(m_curSel)) : nullptr)
        old->SetSelectedState(false);
    m_curSel = index;
    if (next == nullptr) return true;
    next->SetSelectedState(true);
    if (m_manager != nullptr) m_manager->SendNotify(this, L"itemselect", static_cast<WPARAM>(index));
    return true;
}

} // namespace SkinUI
