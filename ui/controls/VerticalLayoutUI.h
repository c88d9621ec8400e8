#pragma once

#include "ui/controls/ContainerUI.h"

namespace SkinUI {

// A column: children get the inner width and their own heights; children
// without a height share what is left. With a separator height the bottom
// (or, negative, the top) band resizes the layout itself by dragging.
class CVerticalLayoutUI : public CContainerUI {
public:
    CVerticalLayoutUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    void SetSepHeight(int height);
    int GetSepHeight() const;
    void SetSepImmMode(bool immediately);
    bool IsSepImmMode() const;
    RECT GetThumbRect(bool useNew = false) const;

    void SetPos(RECT rc) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void DoPostPaint(HDC hDC, const RECT& rcPaint) override;

protected:
    int m_sepHeight;
    bool m_captured;
    POINT m_lastMouse;
    RECT m_newPos;
    bool m_immMode;
};

} // namespace SkinUI
