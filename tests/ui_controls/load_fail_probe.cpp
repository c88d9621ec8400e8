// A skinned window whose skin does not exist: the window base shows its
// message box and ends this process with exit code 1.
#include "ui/controls/WindowImplBase.h"

using namespace SkinUI;

namespace {

class MissingSkinWindow : public WindowImplBase {
protected:
    const wchar_t* GetWndClassName() const override { return L"CorvaneMissingSkin"; }
    CUIString GetSkinPath() override { return L"no-such-folder\\"; }
    CUIString GetSkinXml() override { return L"missing.xml"; }
    UILIB_RESOURCETYPE GetResourceType() const override { return UILIB_FILE; }
};

} // namespace

int main()
{
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    MissingSkinWindow window;
    window.Create(nullptr, L"missing skin", WS_POPUP, 0, 0, 0, 100, 100);
    // Only reached when the window base did not end the process.
    return 0;
}
