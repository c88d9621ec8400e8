#pragma once

#include "ui/controls/ContainerUI.h"

namespace SkinUI {

// A container whose content comes from a skin file of its own, built when
// the control is attached to its window.
class CChildLayoutUI : public CContainerUI {
public:
    CChildLayoutUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;

    void Init() override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    void SetChildLayoutXML(const wchar_t* xmlFile);
    CUIString GetChildLayoutXML() const;

private:
    CUIString m_xmlFile;
};

} // namespace SkinUI
