#pragma once

#include "ui/controls/DialogBuilder.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/UIString.h"
#include "ui/core/WindowWnd.h"

#include <windows.h>

namespace SkinUI {
class CShadowWnd;
}

class CUpdateDlg;

// The tray icon's pop-up menu: a skinned window from "update_menu.xml" with a
// drop shadow behind it, opened at the cursor and kept inside the work area.
// It tells its owner "menu_show" or "menu_exit" through the owner's Notify
// and goes away when an item is chosen, when it loses the focus to anything
// but itself or its shadow, or on Escape. It deletes itself when its window
// is gone; every right click makes a new one.
class CUpdateMenuWnd final : public SkinUI::CWindowWnd,
                             public SkinUI::INotifyUI,
                             public SkinUI::IDialogBuilderCallback {
public:
    CUpdateMenuWnd();

    // The text given to the item "menu_show" when the menu opens.
    void SetShowItemText(const wchar_t* text);

    void Popup(CUpdateDlg* owner, int x, int y);
    HWND Create(HWND hwndParent, const wchar_t* pstrName, DWORD dwStyle, DWORD dwExStyle, int x, int y, int cx, int cy,
                HMENU hMenu = nullptr);
    // Moves the menu so that it lies inside the work area of its monitor.
    void AdjustPosition();

    void Notify(SkinUI::TNotifyUI& msg) override;
    SkinUI::CControlUI* CreateControl(const wchar_t* pstrClass) override;

protected:
    const wchar_t* GetWndClassName() const override;
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;

private:
    ~CUpdateMenuWnd() = default;

    LRESULT OnCreate();
    void OnSize();
    HWND ShadowWindow() const;

    SkinUI::CPaintManagerUI paintManager_;
    CUpdateDlg* owner_;
    POINT anchor_;
    SkinUI::CShadowWnd* shadow_;
    SkinUI::CUIString showItemText_;
};
