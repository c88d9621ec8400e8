#pragma once

#include "ui/core/PaintManagerUI.h"
#include "ui/core/WindowWnd.h"

#include <windows.h>

namespace SkinUI {

// A layered, borderless window kept behind a pop-up that shows a per-pixel
// alpha image with soft edges: the pop-up's frame and drop shadow. Its owner
// creates it on the heap, moves and sizes it with itself and closes it; it
// deletes itself when its window is gone.
class CShadowWnd final : public CWindowWnd {
public:
    enum { RENDER_TIMER_ID = 9000, RENDER_PERIOD_MS = 10 };

    CShadowWnd();
    ~CShadowWnd();

    // How many times the image was rendered into the layered window.
    int GetRenderCount() const;

protected:
    const wchar_t* GetWndClassName() const override;
    UINT GetClassStyle() const override;
    void OnFinalMessage(HWND hWnd) override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void Render();

    int m_dirty;
    int m_renderCount;
    // Resolves and caches the image through the shared resource settings;
    // never attached to a window.
    CPaintManagerUI m_paintManager;
};

// Registers the window class "UIShadowWnd" once, when the platform has
// layered windows; true when it is registered.
bool RegisterShadowWindowClass(HINSTANCE instance);

} // namespace SkinUI
