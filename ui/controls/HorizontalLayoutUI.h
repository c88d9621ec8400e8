#pragma once

#include "ui/controls/LinearLayoutUI.h"

namespace SkinUI {

// A row: children get the inner height and their own widths; children
// without a width share what is left. With a separator width the right
// (or, negative, the left) band resizes the layout itself by dragging.
class CHorizontalLayoutUI : public CLinearLayoutUI {
public:
    CHorizontalLayoutUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;

    void SetSepWidth(int width);
    int GetSepWidth() const;
};

} // namespace SkinUI
