#pragma once

#include "engine/UpdateWorker.h"
#include "ui/controls/WindowImplBase.h"

#include <shellapi.h>
#include <windows.h>

#include <boost/thread/thread.hpp>

namespace SkinUI {
class CProgressUI;
}

// The Updater's own window messages (WM_UPDATE_STATUS is the engine's).
constexpr UINT WM_TRAY_NOTIFY = WM_USER + 101;  // the tray icon; lParam: the mouse message
constexpr UINT WM_MENU_SHOW = WM_USER + 103;    // the menu's "menu_show", deferred
constexpr UINT WM_MENU_EXIT = WM_USER + 104;    // the menu's "menu_exit", deferred

constexpr UINT kTrayIconId = 128;
constexpr UINT kAppIconId = 128;

// The tray record up to and including its GUID: what the shell of every
// supported system reads (504 bytes in a 32-bit program).
constexpr DWORD kTrayRecordSize = NOTIFYICONDATAA_V3_SIZE;

// The update window and owner of a run: hidden from its start-up on, it shows
// the flow's progress when the user asks for it through the tray icon, and
// ends the run on the flow's close request or the user's, except while files
// are being installed. It is the worker too: the flows run on its members.
class CUpdateDlg final : public SkinUI::WindowImplBase, public UpdateWorker {
public:
    CUpdateDlg();
    // Waits for the worker, which runs on this object.
    ~CUpdateDlg() override;

    // The command line of the process into g_updateOptions; false when it is
    // not usable.
    bool parseArgs();

    void InitWindow() override;
    void Notify(SkinUI::TNotifyUI& msg) override;
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

    // Copies the texts into the tray record, cut to its fields, adds the icon
    // and hides the window by an empty placement.
    void AddTrayIcon(const char* title, const char* text);
    void OnTrayNotify(UINT mouseMessage);
    // Takes over the text of a WM_UPDATE_STATUS.
    void OnStatusMessage(WPARAM text, int percent);
    void ShowUpdateWindow(bool fromTray);

protected:
    const wchar_t* GetWndClassName() const override;
    void OnFinalMessage(HWND hWnd) override;
    SkinUI::CUIString GetSkinPath() override;
    SkinUI::CUIString GetSkinXml() override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
    SkinUI::UILIB_RESOURCETYPE GetResourceType() const override;
    SkinUI::CUIString GetZIPFileName() const override;
    LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

    UI_DECLARE_MESSAGE_MAP()

private:
    // Ends the run unless files are being installed; false when refused.
    bool EndRun();

    boost::thread worker_;
    NOTIFYICONDATAA trayIcon_;
    WINDOWPLACEMENT savedPlacement_;
    bool shown_;
    SkinUI::CProgressUI* progressBar_;
    SkinUI::CControlUI* statusText_;
    HICON appIcon_;
};
