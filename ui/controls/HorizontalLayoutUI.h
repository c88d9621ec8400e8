#pragma once

#include "ui/controls/ContainerUI.h"

namespace SkinUI {

// A row: children get the inner height and their own widths; children
// without a width share what is left. With a separator width the right
// (or, negative, the left) band resizes the layout itself by dragging.
class CHorizontalLayoutUI : public CContainerUI {
public:
    CHorizontalLayoutUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    void SetSepWidth(int width);
    int GetSepWidth() const;
    void SetSepImmMode(bool immediately);
    bool IsSepImmMode() const;
    RECT GetThumbRect(bool useNew = false) const;

    void SetPos(RECT rc) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void DoPostPaint(HDC hDC, const RECT& rcPaint) override;

protected:
    int m_sepWidth;
    bool m_captured;
    POINT m_lastMouse;
    RECT m_newPos;
    bool m_immMode;
};

} // namespace SkinUI
