#include "tests/support/StatusWindow.h"

#include "engine/UpdateStatus.h"

#include <memory>

namespace {

constexpr char kClassName[] = "CorvaneStatusTestWindow";

}  // namespace

StatusWindow::StatusWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, kClassName, "status", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

StatusWindow::~StatusWindow()
{
    Pump();
    DestroyWindow(window_);
}

void StatusWindow::Pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

LRESULT CALLBACK StatusWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_UPDATE_STATUS) {
        auto* self = reinterpret_cast<StatusWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        std::unique_ptr<char[]> text = TakeStatusText(wParam);
        if (self)
            self->received_.push_back({text.get(), static_cast<int>(lParam)});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
