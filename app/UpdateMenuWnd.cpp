#include "app/UpdateMenuWnd.h"

#include "app/MenuElement.h"
#include "app/MenuLayout.h"
#include "app/UpdateDlg.h"
#include "base/ScopedGdi.h"
#include "base/WorkArea.h"
#include "ui/core/ShadowWnd.h"

#include <cwchar>

using SkinUI::CControlUI;
using SkinUI::TNotifyUI;

CUpdateMenuWnd::CUpdateMenuWnd() : owner_(nullptr), anchor_{}, shadow_(nullptr)
{
}

void CUpdateMenuWnd::SetShowItemText(const wchar_t* text)
{
    showItemText_ = text;
}

void CUpdateMenuWnd::Popup(CUpdateDlg* owner, int x, int y)
{
    if (owner == nullptr)
        return;
    owner_ = owner;
    anchor_ = {x, y};
    // Created hidden and shown below, once the shadow shows its image: a
    // layered window appears with its first image, and some systems put it
    // in front of everything then, the menu's items included.
    if (Create(owner->GetHWND(), nullptr, WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, CW_USEDEFAULT,
               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT) == nullptr) {
        // No window, so no final message either: the object goes here.
        delete this;
        return;
    }
    if (CControlUI* item = paintManager_.FindControl(L"menu_show"))
        item->SetText(showItemText_.GetData());
    HWND top = m_hWnd;
    while (HWND parent = GetParent(top))
        top = parent;
    if (HWND shadow = ShadowWindow())
        ::SendMessageW(shadow, WM_TIMER, SkinUI::CShadowWnd::RENDER_TIMER_ID, 0);
    ShowWindow(true, true);
    // In front with the keyboard focus, also when the Updater was not the
    // foreground program: the menu goes away when it loses the focus, which
    // it must have had for that.
    SetForegroundWindow(m_hWnd);
    ::SendMessageW(top, WM_NCACTIVATE, TRUE, 0);
}

HWND CUpdateMenuWnd::Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y,
                            int cx, int cy, HMENU hMenu)
{
    if (shadow_ == nullptr) {
        shadow_ = new SkinUI::CShadowWnd();
        if (shadow_->Create(hwndParent, L"", WS_POPUP | WS_VISIBLE | WS_DISABLED, WS_EX_LAYERED | WS_EX_TOOLWINDOW, x,
                            y, cx, cy, nullptr) == nullptr) {
            // The menu works without its shadow.
            delete shadow_;
            shadow_ = nullptr;
        }
    }
    return CWindowWnd::Create(hwndParent, pstrName, dwStyle, dwExStyle | WS_EX_TOOLWINDOW, x, y, cx, cy, hMenu);
}

void CUpdateMenuWnd::AdjustPosition()
{
    RECT window = {};
    GetWindowRect(m_hWnd, &window);
    const SIZE size = {window.right - window.left, window.bottom - window.top};
    // The cursor's monitor: the window itself still lies where it was
    // created, which may be another one.
    const POINT at = ClampIntoArea(anchor_, size, WorkAreaAtPoint(anchor_));
    SetWindowPos(m_hWnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CUpdateMenuWnd::Notify(TNotifyUI& msg)
{
    if (msg.type == L"itemselect") {
        Close(1);
    } else if (msg.type == L"itemclick" && owner_ != nullptr && msg.sender != nullptr) {
        const SkinUI::CUIString name = msg.sender->GetName();
        if (name != L"menu_show" && name != L"menu_exit")
            return;
        TNotifyUI choice = {};
        choice.type = name;
        choice.sender = nullptr;
        owner_->Notify(choice);
    }
}

CControlUI* CUpdateMenuWnd::CreateControl(const wchar_t* pstrClass)
{
    if (wcscmp(pstrClass, L"MenuLayout") == 0)
        return new CMenuLayout();
    if (wcscmp(pstrClass, L"MenuElement") == 0)
        return new CMenuElement();
    return nullptr;
}

const wchar_t* CUpdateMenuWnd::GetWndClassName() const
{
    return L"UpdateMenuWnd";
}

void CUpdateMenuWnd::OnFinalMessage(HWND)
{
    delete this;
}

HWND CUpdateMenuWnd::ShadowWindow() const
{
    return shadow_ != nullptr ? shadow_->GetHWND() : nullptr;
}

LRESULT CUpdateMenuWnd::OnCreate()
{
    paintManager_.Init(m_hWnd);
    SkinUI::CDialogBuilder builder;
    CControlUI* root = builder.Create(SkinUI::STRINGorID(L"update_menu.xml"), nullptr, this, &paintManager_);
    if (root == nullptr) {
        // Without its markup the menu has nothing to offer.
        Close(1);
        return 0;
    }
    paintManager_.AttachDialog(root);
    paintManager_.AddNotifier(this);
    paintManager_.SetRoundCorner(5, 5);
    AdjustPosition();
    return 0;
}

void CUpdateMenuWnd::OnSize()
{
    RECT window = {};
    GetWindowRect(m_hWnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    // Inside the shadow's soft border.
    ScopedRegion region(CreateRoundRectRgn(5, 5, width - 4, height - 4, 9, 9));
    // The window owns a region it accepted.
    if (region && SetWindowRgn(m_hWnd, region.Get(), TRUE) != 0) {
        HRGN owned = region.Release();
        (void)owned;
    }
    if (HWND shadow = ShadowWindow())
        SetWindowPos(shadow, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CUpdateMenuWnd::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // The messages that end here; the others, and those only looked at here,
    // go on to the paint manager and the default processing.
    switch (uMsg) {
    case WM_CREATE:
        return OnCreate();
    case WM_MOVE:
        if (HWND shadow = ShadowWindow()) {
            RECT window = {};
            GetWindowRect(m_hWnd, &window);
            SetWindowPos(shadow, nullptr, window.left, window.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        break;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            OnSize();
        break;
    case WM_KILLFOCUS: {
        HWND next = reinterpret_cast<HWND>(wParam);
        if (next == m_hWnd)
            return 0;
        if (next != nullptr && next == ShadowWindow()) {
            CWindowWnd::HandleMessage(uMsg, wParam, lParam);
            SetFocus(m_hWnd);
            return 0;
        }
        Close(1);
        break;
    }
    case WM_CLOSE:
        if (shadow_ != nullptr) {
            shadow_->Close(1);
            // The shadow disposes of itself once its window is gone.
            shadow_ = nullptr;
        }
        break;
    case WM_KEYDOWN:
        // No key reaches the items; Escape dismisses the menu.
        if (wParam == VK_ESCAPE)
            Close(1);
        return 0;
    case WM_MOUSEWHEEL:
        return 0;
    default:
        break;
    }
    LRESULT result = 0;
    if (paintManager_.MessageHandler(uMsg, wParam, lParam, result))
        return result;
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}
