#pragma once

#include "ui/core/ControlUI.h"
#include "ui/core/UIString.h"

#include <windows.h>

namespace SkinUI {

// Offset of the effect-mode shadow; only x and y are used.
struct TShadowOffset {
    float x;
    float y;
    float width;
    float height;
};

// One piece of text in the control's rect: plain, tagged, or drawn through
// GDI+ with a gradient, an outline and a shadow (effect mode).
class CLabelUI : public CControlUI {
public:
    CLabelUI();
    ~CLabelUI() override;

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    CUIString GetText() const override;
    void SetText(const wchar_t* text) override;
    CUIString GetToolTip() const override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintText(HDC hDC) override;

    void SetTextStyle(UINT style);
    UINT GetTextStyle() const;
    void SetTextColor(DWORD color);
    DWORD GetTextColor() const;
    void SetDisabledTextColor(DWORD color);
    DWORD GetDisabledTextColor() const;
    void SetFont(int index);
    int GetFont() const;
    void SetTextPadding(RECT rc);
    RECT GetTextPadding() const;
    void SetShowHtml(bool showHtml = true);
    bool IsShowHtml() const;
    void SetEnableAutoTip(bool enable);
    bool GetEnableAutoTip() const;

    // Effect mode; these only store.
    void SetEnabledEffect(bool enable);
    bool GetEnabledEffect() const;
    void SetTextColor1(DWORD color);
    DWORD GetTextColor1() const;
    void SetTextShadowColorA(DWORD color);
    DWORD GetTextShadowColorA() const;
    void SetTextShadowColorB(DWORD color);
    DWORD GetTextShadowColorB() const;
    void SetTransShadow(int alpha);
    int GetTransShadow() const;
    void SetTransShadow1(int alpha);
    int GetTransShadow1() const;
    void SetTransText(int alpha);
    int GetTransText() const;
    void SetTransText1(int alpha);
    int GetTransText1() const;
    void SetTransStroke(int alpha);
    int GetTransStroke() const;
    void SetGradientAngle(int angle);
    int GetGradientAngle() const;
    void SetGradientLength(int length);
    int GetGradientLength() const;
    void SetEnabledStroke(bool enable);
    bool GetEnabledStroke() const;
    void SetStrokeColor(DWORD color);
    DWORD GetStrokeColor() const;
    void SetEnabledShadow(bool enable);
    bool GetEnabledShadow() const;
    // The shadow's displacement as a distance along an angle in degrees.
    void SetShadowOffset(int distance, int angle);
    TShadowOffset GetShadowOffset() const;
    // A GDI+ text rendering hint 0 ... 5; anything else is stored as 0.
    void SetTextRenderingHintAntiAlias(int hint);
    int GetTextRenderingHintAntiAlias() const;

protected:
    // The text rect: the item rect less the text padding.
    RECT TextRect() const;
    // Fills zero colours with the manager's defaults.
    void ApplyDefaultColors();
    void PaintEffectText(HDC hDC);

    DWORD m_textColor;
    DWORD m_disabledTextColor;
    int m_font;
    UINT m_textStyle;
    RECT m_textPadding;
    bool m_showHtml;
    int m_effectAlign;
    int m_effectLineAlign;
    int m_transShadow;
    int m_transShadow1;
    int m_transText;
    int m_transText1;
    int m_transStroke;
    int m_gradientLength;
    int m_gradientAngle;
    bool m_enabledEffect;
    bool m_enabledStroke;
    bool m_enabledShadow;
    bool m_enableAutoTip;
    DWORD m_textColor1;
    DWORD m_shadowColorA;
    DWORD m_shadowColorB;
    DWORD m_strokeColor;
    TShadowOffset m_shadowOffset;
    CUIString m_effectText;
    int m_renderingHint;
};

} // namespace SkinUI
