#pragma once

#include "ui/controls/LabelUI.h"

namespace SkinUI {

// A label that reacts to mouse and keys, draws an image and a text colour per
// state (normal, hot, pushed, focused, disabled) and sends "click".
class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    ~CButtonUI() override;

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetEnabled(bool enable = true) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;

    const wchar_t* GetNormalImage() const;
    void SetNormalImage(const wchar_t* image);
    const wchar_t* GetHotImage() const;
    void SetHotImage(const wchar_t* image);
    const wchar_t* GetPushedImage() const;
    void SetPushedImage(const wchar_t* image);
    const wchar_t* GetFocusedImage() const;
    void SetFocusedImage(const wchar_t* image);
    const wchar_t* GetDisabledImage() const;
    void SetDisabledImage(const wchar_t* image);
    const wchar_t* GetForeImage() const;
    void SetForeImage(const wchar_t* image);
    const wchar_t* GetHotForeImage() const;
    void SetHotForeImage(const wchar_t* image);

    void SetHotBkColor(DWORD color);
    DWORD GetHotBkColor() const;
    void SetHotTextColor(DWORD color);
    DWORD GetHotTextColor() const;
    void SetPushedTextColor(DWORD color);
    DWORD GetPushedTextColor() const;
    void SetFocusedTextColor(DWORD color);
    DWORD GetFocusedTextColor() const;

    UINT GetButtonState() const;

protected:
    // Focused and disabled bits from the control's own state.
    void RefreshStateBits();
    // Draws a state image; a descriptor that fails to draw is cleared.
    bool DrawStateImage(HDC hDC, CUIString& image);
    void PaintButtonText(HDC hDC, DWORD color);

    UINT m_buttonState;
    DWORD m_hotBkColor;
    DWORD m_hotTextColor;
    DWORD m_pushedTextColor;
    DWORD m_focusedTextColor;
    CUIString m_normalImage;
    CUIString m_hotImage;
    CUIString m_hotForeImage;
    CUIString m_pushedImage;
    CUIString m_focusedImage;
    CUIString m_disabledImage;
};

} // namespace SkinUI
