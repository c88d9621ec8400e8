#pragma once

#include "ui/controls/ContainerUI.h"

namespace SkinUI {

// Pages of which only the selected one is visible and placed.
class CTabLayoutUI : public CContainerUI {
public:
    CTabLayoutUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;

    int GetCurSel() const;
    bool SelectItem(int index);
    bool SelectItem(CControlUI* control);

    void SetPos(RECT rc) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

protected:
    int m_curSel;
};

} // namespace SkinUI
