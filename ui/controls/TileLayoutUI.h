#pragma once

#include "ui/controls/ContainerUI.h"

namespace SkinUI {

// A grid: rows of equally wide tiles, each row as high as its tallest
// child; children are centred in their tiles. An item width fixes the
// number of columns from the inner width.
class CTileLayoutUI : public CContainerUI {
public:
    CTileLayoutUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;

    SIZE GetItemSize() const;
    void SetItemSize(SIZE size);
    int GetColumns() const;
    void SetColumns(int columns);

    void SetPos(RECT rc) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

protected:
    // The height of the row that starts with the child at first: its
    // tallest visible, flowing member with its paddings.
    int RowHeight(int first, int tileWidth);

    SIZE m_itemSize;
    int m_columns;
};

} // namespace SkinUI
