// A control plug-in library: creates "PluginBox" controls for the builder.
#include "ui/core/ControlUI.h"

#include <cwchar>

namespace {

class PluginBox : public SkinUI::CControlUI {
public:
    const wchar_t* GetClass() const override { return L"PluginBoxUI"; }
};

} // namespace

extern "C" __declspec(dllexport) SkinUI::CControlUI* CreateControl(const wchar_t* type)
{
    if (type != nullptr && wcscmp(type, L"PluginBox") == 0) return new PluginBox;
    return nullptr;
}
