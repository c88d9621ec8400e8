#pragma once

#include "ui/controls/ButtonUI.h"

namespace SkinUI {

// A button with a selected state: exclusive within a named group (radio) or
// toggling when it has none (check). Sends "selectchanged".
class COptionUI : public CButtonUI {
public:
    COptionUI();
    ~COptionUI() override;

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    bool Activate() override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    CUIString GetToolTip() const override;
    void SetEnabled(bool enable = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC hDC) override;
    void PaintText(HDC hDC) override;
    virtual void Selected(bool select, bool notify = true);

    const wchar_t* GetGroup() const;
    void SetGroup(const wchar_t* group);
    bool IsSelected() const;
    const wchar_t* GetSelectedImage() const;
    void SetSelectedImage(const wchar_t* image);
    const wchar_t* GetSelectedHotImage() const;
    void SetSelectedHotImage(const wchar_t* image);
    // The option's own foreground image, drawn over every state.
    const wchar_t* GetForeImage() const;
    void SetForeImage(const wchar_t* image);
    void SetSelectedTextColor(DWORD color);
    // 0 stands for the manager's default font colour.
    DWORD GetSelectedTextColor();
    void SetSelectedBkColor(DWORD color);
    DWORD GetSelectBkColor() const;
    // The tooltip while selected; "<n>" becomes a line break.
    void SetToolTip2(const wchar_t* text);

protected:
    bool m_selected;
    CUIString m_group;
    DWORD m_selectedBkColor;
    DWORD m_selectedTextColor;
    CUIString m_selectedImage;
    CUIString m_selectedHotImage;
    CUIString m_optionForeImage;
    CUIString m_toolTip2;
};

// An option under its own class name, with check accessors.
class CCheckBoxUI : public COptionUI {
public:
    CCheckBoxUI();
    ~CCheckBoxUI() override;

    const wchar_t* GetClass() const override;
    void SetCheck(bool check);
    bool GetCheck() const;
};

} // namespace SkinUI
