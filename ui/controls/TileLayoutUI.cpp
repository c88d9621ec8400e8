#include "ui/controls/TileLayoutUI.h"

#include "ui/controls/ScrollBarUI.h"
#include "ui/core/AttributeValues.h"
#include "ui/core/RenderEngine.h"
#include "ui/core/UIGeometry.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

CTileLayoutUI::CTileLayoutUI() : m_itemSize{ 0, 0 }, m_columns(1)
{
}

const wchar_t* CTileLayoutUI::GetClass() const
{
    return L"TileLayoutUI";
}

LPVOID CTileLayoutUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"TileLayout") == 0) return static_cast<CTileLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

SIZE CTileLayoutUI::GetItemSize() const
{
    return m_itemSize;
}

void CTileLayoutUI::SetItemSize(SIZE size)
{
    if (m_itemSize.cx == size.cx && m_itemSize.cy == size.cy) return;
    m_itemSize = size;
    NeedUpdate();
}

int CTileLayoutUI::GetColumns() const
{
    return m_columns;
}

void CTileLayoutUI::SetColumns(int columns)
{
    if (columns <= 0) return;
    m_columns = columns;
    NeedUpdate();
}

int CTileLayoutUI::RowHeight(int first, int tileWidth)
{
    // The row is as high as its tallest member.
    int height = 0;
    int column = 0;
    for (int j = first; j < m_items.GetSize() && column < m_columns; j++) {
        CControlUI* member = GetItemAt(j);
        if (!member->IsVisible() || member->IsFloat()) continue;
        const RECT padding = member->GetPadding();
        int available = tileWidth - padding.left - padding.right;
        if (column == 0 || column == m_columns - 1) {
            available -= m_childPadding / 2;
        } else {
            available -= m_childPadding;
        }
        column++;
        available = ClampSize(available, member->GetMinWidth(), member->GetMaxWidth());
        SIZE size = member->EstimateSize(SIZE{ available, 9999 });
        size.cx = ClampSize(size.cx, member->GetMinWidth(), member->GetMaxWidth());
        size.cy = ClampSize(size.cy, member->GetMinHeight(), member->GetMaxHeight());
        height = std::max(height, static_cast<int>(size.cy + padding.top + padding.bottom));
    }
    return height;
}

void CTileLayoutUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    rc = InnerRect();
    if (m_items.IsEmpty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }

    const bool vBar = m_verticalScrollBar != nullptr && m_verticalScrollBar->IsVisible();
    const bool hBar = m_horizontalScrollBar != nullptr && m_horizontalScrollBar->IsVisible();
    const int width = rc.right - rc.left;
    if (m_itemSize.cx > 0) m_columns = width / m_itemSize.cx;
    if (m_columns <= 0) m_columns = 1;
    const int tileWidth = (width + (hBar ? m_horizontalScrollBar->GetScrollRange() : 0)) / m_columns;

    const int startX = rc.left - (hBar ? m_horizontalScrollBar->GetScrollPos() : 0);
    const int scrollY = vBar ? m_verticalScrollBar->GetScrollPos() : 0;
    POINT origin = { startX, rc.top - scrollY };
    int counter = 0;
    int rowHeight = 0;
    int needed = 0;
    const int count = m_items.GetSize();
    for (int i = 0; i < count; i++) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }

        const int column = counter % m_columns;
        if (column == 0) rowHeight = RowHeight(i, tileWidth);

        const RECT padding = child->GetPadding();
        RECT tile = { origin.x, origin.y, origin.x + tileWidth, origin.y };
        tile.left += padding.left + (column == 0 ? 0 : m_childPadding / 2);
        tile.right -= padding.right + (column == m_columns - 1 ? 0 : m_childPadding / 2);
        tile.top = origin.y + padding.top;
        tile.bottom = origin.y + rowHeight;

        SIZE size = child->EstimateSize(SIZE{ tile.right - tile.left, tile.bottom - tile.top });
        if (size.cx == 0) size.cx = tile.right - tile.left;
        if (size.cy == 0) size.cy = tile.bottom - tile.top;
        size.cx = ClampSize(size.cx, child->GetMinWidth(), child->GetMaxWidth());
        size.cy = ClampSize(size.cy, child->GetMinHeight(), child->GetMaxHeight());
        const int left = (tile.left + tile.right - size.cx) / 2;
        const int top = (tile.top + tile.bottom - size.cy) / 2;
        child->SetPos(RECT{ left, top, left + size.cx, top + size.cy });

        counter++;
        if (counter % m_columns == 0) {
            origin.x = startX;
            origin.y += rowHeight + m_childPadding;
            rowHeight = 0;
        } else {
            origin.x += tileWidth;
        }
        needed = tile.bottom - rc.top + scrollY;
    }
    ProcessScrollBar(rc, 0, needed);
}

void CTileLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    if (wcscmp(name, L"itemsize") == 0) {
        const RECT list = ReadNumberList(value);
        SetItemSize(SIZE{ list.left, list.top });
    } else if (wcscmp(name, L"columns") == 0) {
        SetColumns(ReadIntValue(value));
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

} // namespace SkinUI
