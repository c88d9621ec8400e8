#pragma once

#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/UIString.h"

// The menu's frame: a column whose background is up to three image
// descriptors ("imagetop", "imagemid", "imagebottom") drawn over the whole
// control in that order. Its own "bkimage" is not painted. A descriptor that
// fails to draw is dropped, so it is never tried again.
class CMenuLayout : public SkinUI::CVerticalLayoutUI {
public:
    const wchar_t* GetClass() const override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintBkImage(HDC hDC) override;

private:
    SkinUI::CUIString imageTop_;
    SkinUI::CUIString imageMid_;
    SkinUI::CUIString imageBottom_;
};
