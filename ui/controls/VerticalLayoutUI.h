#pragma once

#include "ui/controls/LinearLayoutUI.h"

namespace SkinUI {

// A column: children get the inner width and their own heights; children
// without a height share what is left. With a separator height the bottom
// (or, negative, the top) band resizes the layout itself by dragging.
class CVerticalLayoutUI : public CLinearLayoutUI {
public:
    CVerticalLayoutUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;

    void SetSepHeight(int height);
    int GetSepHeight() const;
};

} // namespace SkinUI
