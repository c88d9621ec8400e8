#include "ui/core/ShadowWnd.h"

#include "base/ScopedGdi.h"
#include "base/SystemLibrary.h"
#include "ui/core/RenderEngine.h"

#include <cstring>

namespace SkinUI {

namespace {

const wchar_t kShadowImage[] = L"file='menu_bk.png' corner='32,11,11,11'";

typedef BOOL(WINAPI* UpdateLayeredWindowFn)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

// Looked up once: systems without layered windows lack it.
UpdateLayeredWindowFn LayeredWindowUpdate()
{
    static const UpdateLayeredWindowFn update = []() -> UpdateLayeredWindowFn {
        HMODULE user32 = LoadSystemLibraryForever(L"User32.dll");
        if (user32 == nullptr) return nullptr;
        return reinterpret_cast<UpdateLayeredWindowFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(user32, "UpdateLayeredWindow")));
    }();
    return update;
}

} // namespace

CShadowWnd::CShadowWnd() : m_dirty(0), m_renderCount(0)
{
}

CShadowWnd::~CShadowWnd() = default;

int CShadowWnd::GetRenderCount() const
{
    return m_renderCount;
}

const wchar_t* CShadowWnd::GetWndClassName() const
{
    return L"UIShadow";
}

UINT CShadowWnd::GetClassStyle() const
{
    return CS_HREDRAW | CS_VREDRAW;
}

void CShadowWnd::OnFinalMessage(HWND)
{
    delete this;
}

LRESULT CShadowWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        // Sizes arrive in bursts while the owner is dragged: render at most
        // once per tick.
        ::SetTimer(m_hWnd, RENDER_TIMER_ID, RENDER_PERIOD_MS, nullptr);
        break;
    case WM_SIZE:
        m_dirty = 1;
        break;
    case WM_CLOSE:
        ::KillTimer(m_hWnd, RENDER_TIMER_ID);
        break;
    case WM_TIMER:
        if (wParam == RENDER_TIMER_ID && m_dirty == 1 && !::IsIconic(m_hWnd)) Render();
        break;
    default:
        break;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

void CShadowWnd::Render()
{
    m_dirty = 0;
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const UpdateLayeredWindowFn update = LayeredWindowUpdate();
    if (width <= 0 || height <= 0 || update == nullptr) return;

    ScopedWindowDC screen(nullptr);
    if (!screen) return;
    ScopedCreatedDC memory(::CreateCompatibleDC(screen.Get()));
    if (!memory) return;
    DWORD* bits = nullptr;
    ScopedBitmap section = Create32BitSection(screen.Get(), width, height, &bits, false);
    if (!section || bits == nullptr) return;
    // Fully transparent where the image does not draw (or cannot be loaded).
    std::memset(bits, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    ScopedSelectObject select(memory.Get(), section.Get());
    CRenderEngine::DrawImageString(memory.Get(), &m_paintManager, client, client, kShadowImage, nullptr, false);
    ::GdiFlush();

    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    POINT destination = { window.left, window.top };
    SIZE size = { width, height };
    POINT source = { 0, 0 };
    BLENDFUNCTION blend = { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
    update(m_hWnd, screen.Get(), &destination, &size, memory.Get(), &source, 0, &blend, ULW_ALPHA);
    m_renderCount++;
}

bool RegisterShadowWindowClass(HINSTANCE instance)
{
    static bool registered = false;
    if (registered) return true;
    if (LayeredWindowUpdate() == nullptr) return false;
    WNDCLASSW wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"UIShadowWnd";
    registered = ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

} // namespace SkinUI
