#pragma once

#include "ui/controls/ListUI.h"

// An item of the tray menu: an icon in the list's first column and the text
// in the others. Its background leaves a 25-pixel strip at the left for the
// icon, except when hot, when the hot colour fills it edge to edge; items
// with an even index are a shade darker than the others.
class CMenuElement : public SkinUI::CListExpandElementUI {
public:
    int GetTextHeight() override;
    void DrawItemBk(HDC hDC, const RECT& rcItem) override;
    void DrawItemText(HDC hDC, const RECT& rcItem) override;
};
