#pragma once

#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/UIString.h"

#include <windows.h>

namespace SkinUI {

enum { UILIST_MAX_COLUMNS = 32 };

// What a list hands its elements for drawing: the column edges (screen
// coordinates of the window, like the elements' own rects), the text
// padding, font and style, and the item colours by state.
struct TListInfoUI {
    int columns;
    RECT columnRects[UILIST_MAX_COLUMNS];
    int font;
    UINT textStyle;
    RECT textPadding;
    DWORD textColor;
    DWORD bkColor;
    DWORD selectedTextColor;
    DWORD selectedBkColor;
    DWORD hotTextColor;
    DWORD hotBkColor;
    DWORD disabledTextColor;
    DWORD disabledBkColor;
    DWORD lineColor;
    DWORD selectedLineColor;
};

// The list side of an element: its item information and its selection.
class IListOwnerUI {
public:
    virtual TListInfoUI* GetListInfo() = 0;
    virtual int GetCurSel() const = 0;
    virtual bool SelectItem(int index) = 0;

protected:
    ~IListOwnerUI() = default;
};

// An item of a list: knows its owner and index, keeps the hot and selected
// states and draws in two layers that subclasses replace, the background
// (DrawItemBk) and the text (DrawItemText).
class CListElementUI : public CControlUI {
public:
    CListElementUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void SetVisible(bool visible = true) override;
    void SetEnabled(bool enable = true) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

    IListOwnerUI* GetOwner() const;
    void SetOwner(IListOwnerUI* owner);
    void SetIndex(int index);
    bool IsSelected() const;
    // Selects through the owner, which raises "itemselect".
    bool Select(bool select = true);
    // The state alone, as the owner sets it.
    void SetSelectedState(bool selected);
    bool IsHot() const;
    // The colour of the element's state: disabled, selected, hot or normal.
    DWORD StateColor(DWORD normal, DWORD disabled, DWORD selected, DWORD hot) const;

    virtual void DrawItemBk(HDC hDC, const RECT& rcItem);
    virtual void DrawItemText(HDC hDC, const RECT& rcItem);

protected:
    IListOwnerUI* m_owner;
    int m_index;
    bool m_selected;
    UINT m_buttonState;
};

// The expandable element: raises "itemclick" with itself as sender when it
// is clicked, then selects itself. Its text goes into every column but the
// first, which is left to an icon.
class CListExpandElementUI : public CListElementUI {
public:
    CListExpandElementUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    void DoEvent(TEventUI& event) override;
    void DrawItemText(HDC hDC, const RECT& rcItem) override;

    // The height of one text line in the item font.
    virtual int GetTextHeight();
};

// A vertical list that owns its elements, gives them its item information
// and keeps one selected element, raising "itemselect" when it changes. The
// columns come from "columns": widths separated by commas, where a width of
// 0 takes what the others leave; without it the list has one column.
class CListUI : public CVerticalLayoutUI, public IListOwnerUI {
public:
    CListUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool SetItemIndex(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    void SetPos(RECT rc) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    TListInfoUI* GetListInfo() override;
    int GetCurSel() const override;
    bool SelectItem(int index) override;

    void SetColumnWidths(const wchar_t* widths);

private:
    void Reindex(int from);
    void LayoutColumns();

    TListInfoUI m_listInfo;
    int m_curSel;
    int m_columnWidths[UILIST_MAX_COLUMNS];
    int m_columnCount;
};

} // namespace SkinUI
