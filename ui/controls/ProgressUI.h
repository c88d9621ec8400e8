#pragma once

#include "ui/controls/LabelUI.h"

namespace SkinUI {

// A label showing a value between a minimum and a maximum as a partly drawn
// foreground image over its background.
class CProgressUI : public CLabelUI {
public:
    CProgressUI();
    ~CProgressUI() override;

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintBkImage(HDC hDC) override;
    void PaintStatusImage(HDC hDC) override;

    bool IsHorizontal() const;
    void SetHorizontal(bool horizontal = true);
    bool IsStretchForeImage() const;
    void SetStretchForeImage(bool stretch = true);
    int GetMinValue() const;
    void SetMinValue(int min);
    int GetMaxValue() const;
    void SetMaxValue(int max);
    int GetValue() const;
    void SetValue(int value);
    const wchar_t* GetForeImage() const;
    void SetForeImage(const wchar_t* image);
    void SetDisabledImage(const wchar_t* image);
    void SetDisabledForeImage(const wchar_t* image);
    // The modifier of the last drawn foreground ("dest='l,t,r,b'" ...).
    const CUIString& GetForeImageModify() const;

protected:
    bool m_horizontal;
    bool m_stretchForeImage;
    int m_maxValue;
    int m_minValue;
    int m_value;
    CUIString m_progressForeImage;
    CUIString m_foreImageModify;
    CUIString m_progressDisabledImage;
    CUIString m_disabledForeImage;
};

} // namespace SkinUI
