#include "app/UpdateDlg.h"

#include "app/RunStart.h"
#include "app/UpdateMenuWnd.h"
#include "app/UpdateOptions.h"
#include "base/TextConversion.h"
#include "engine/UpdateStatus.h"
#include "ui/controls/ProgressUI.h"

#include <cstring>
#include <string>

using SkinUI::CUIString;
using SkinUI::TNotifyUI;

static_assert(sizeof(void*) != 4 || kTrayRecordSize == 504, "the tray record ends with its GUID");

namespace {

// Copies text into a fixed field of size bytes, cut at a character boundary
// of the ANSI code page: the field always ends in a NUL within itself and
// never holds half of a double-byte character.
void CopyCutText(char* field, size_t size, const char* text)
{
    size_t used = 0;
    const char* p = text;
    while (*p != '\0') {
        const char* next = CharNextExA(kAnsiCodePage, p, 0);
        const size_t length = next > p ? static_cast<size_t>(next - p) : 1;
        if (used + length > size - 1)
            break;
        memcpy(field + used, p, length);
        used += length;
        p += length;
    }
    field[used] = '\0';
}

}  // namespace

UI_BEGIN_MESSAGE_MAP(CUpdateDlg, SkinUI::WindowImplBase)
UI_END_MESSAGE_MAP()

CUpdateDlg::CUpdateDlg()
    : trayIcon_{}, savedPlacement_{}, shown_(false), progressBar_(nullptr), statusText_(nullptr), appIcon_(nullptr)
{
}

CUpdateDlg::~CUpdateDlg()
{
    // A run that ends without a close request of its own (a quit posted by
    // anyone) ends here: the download stops, and an installation that has
    // begun is finished first.
    static_cast<void>(BeginEnding());
    if (worker_.joinable())
        worker_.join();
}

bool CUpdateDlg::parseArgs()
{
    return ParseUpdateArgs(__argc, __argv, g_updateOptions);
}

void CUpdateDlg::InitWindow()
{
    // A skin whose "update_progress" is no progress bar shows no progress.
    SkinUI::CControlUI* bar = m_PaintManager.FindControl(L"update_progress");
    progressBar_ = bar != nullptr ? static_cast<SkinUI::CProgressUI*>(bar->GetInterface(L"Progress")) : nullptr;
    statusText_ = m_PaintManager.FindControl(L"update_text");
    appIcon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconId));
    g_hUpdateWnd = m_hWnd;
    shown_ = false;
    if (progressBar_ != nullptr)
        progressBar_->SetMaxValue(100);

    if (!PrepareUpdateRun(*this, parseArgs()))
        return;
    if (g_updateOptions.mode == kExecMode) {
        AddTrayIcon("", "正在执行Corvane升级程序...");
    } else {
        AddTrayIcon("有可用新版本更新", ("版本号: " + g_updateOptions.version).c_str());
    }
    worker_ = StartUpdateFlow(*this);
}

void CUpdateDlg::AddTrayIcon(const char* title, const char* text)
{
    trayIcon_ = NOTIFYICONDATAA{};
    trayIcon_.cbSize = kTrayRecordSize;
    trayIcon_.hWnd = m_hWnd;
    trayIcon_.uID = kTrayIconId;
    trayIcon_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    trayIcon_.uCallbackMessage = WM_TRAY_NOTIFY;
    trayIcon_.hIcon = appIcon_;
    trayIcon_.szTip[0] = '\0';
    CopyCutText(trayIcon_.szInfo, sizeof(trayIcon_.szInfo), text);
    CopyCutText(trayIcon_.szInfoTitle, sizeof(trayIcon_.szInfoTitle), title);
    trayIcon_.dwInfoFlags = NIIF_INFO;
    trayIcon_.uTimeout = 3;
    Shell_NotifyIconA(NIM_ADD, &trayIcon_);

    savedPlacement_ = WINDOWPLACEMENT{};
    savedPlacement_.length = sizeof(savedPlacement_);
    GetWindowPlacement(m_hWnd, &savedPlacement_);
    // Out of sight, and an empty rectangle, so that the centring and showing
    // of the process entry leave nothing visible.
    WINDOWPLACEMENT hidden = {};
    hidden.length = sizeof(hidden);
    hidden.flags = WPF_RESTORETOMAXIMIZED;
    hidden.showCmd = SW_HIDE;
    SetWindowPlacement(m_hWnd, &hidden);
}

void CUpdateDlg::OnTrayNotify(UINT mouseMessage)
{
    if (mouseMessage == WM_LBUTTONUP) {
        ShowUpdateWindow(true);
    } else if (mouseMessage == WM_RBUTTONUP) {
        POINT cursor = {};
        GetCursorPos(&cursor);
        CUpdateMenuWnd* menu = new CUpdateMenuWnd();
        menu->SetShowItemText(L"显示");
        menu->Popup(this, cursor.x, cursor.y);
    }
}

void CUpdateDlg::OnStatusMessage(WPARAM text, int percent)
{
    const std::unique_ptr<char[]> owned = TakeStatusText(text);
    if (!owned)
        return;
    if (statusText_ != nullptr)
        statusText_->SetText(ToWide(owned.get()).c_str());
    if (progressBar_ != nullptr && percent >= 0 && percent <= 100)
        progressBar_->SetValue(percent);
}

void CUpdateDlg::ShowUpdateWindow(bool fromTray)
{
    const bool wasShown = shown_;
    if (!shown_) {
        // The process entry has shown the window with an empty rectangle.
        // Hidden first: restoring the placement moves it before it hides it,
        // and it would flash at its old place on the way to the centre.
        ShowWindow(false);
        savedPlacement_.showCmd = SW_HIDE;
        SetWindowPlacement(m_hWnd, &savedPlacement_);
        CenterWindow();
        ShowWindow(true, true);
        SetForegroundWindow(m_hWnd);
        shown_ = true;
    }
    if (fromTray) {
        ShowWindow(true, true);
        SetForegroundWindow(m_hWnd);
    } else if (wasShown) {
        ShowWindow(true, true);
    }
}

void CUpdateDlg::Notify(TNotifyUI& msg)
{
    if (msg.type == L"menu_show") {
        PostMessage(WM_MENU_SHOW);
    } else if (msg.type == L"menu_exit") {
        PostMessage(WM_MENU_EXIT);
    } else if (msg.type == L"click" && msg.sender != nullptr && msg.sender->GetName() == L"closebtn") {
        // Only a click: the button's other notifications ("setfocus" comes as
        // soon as the window is shown) are no request to end the run.
        PostMessage(WM_CLOSE);
    }
}

LRESULT CUpdateDlg::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled)
{
    // Return and Escape are taken here, before they reach a control: the
    // close button has the focus once the window is shown, and Return would
    // press it.
    if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        bHandled = true;
        return ResponseDefaultKeyEvent(wParam);
    }
    return WindowImplBase::MessageHandler(uMsg, wParam, lParam, bHandled);
}

bool CUpdateDlg::EndRun()
{
    // A copy cut short by the process exit would leave a damaged file; once
    // this goes through, the worker begins no installation.
    if (!BeginEnding())
        return false;
    // Once: the requests that are still queued find it gone.
    if (trayIcon_.cbSize != 0) {
        Shell_NotifyIconA(NIM_DELETE, &trayIcon_);
        trayIcon_.cbSize = 0;
    }
    PostQuitMessage(0);
    return true;
}

const wchar_t* CUpdateDlg::GetWndClassName() const
{
    return L"UpdateWnd";
}

void CUpdateDlg::OnFinalMessage(HWND hWnd)
{
    WindowImplBase::OnFinalMessage(hWnd);
    delete this;
}

CUIString CUpdateDlg::GetSkinPath()
{
    return L"skin\\";
}

CUIString CUpdateDlg::GetSkinXml()
{
    return L"update.xml";
}

LRESULT CUpdateDlg::ResponseDefaultKeyEvent(WPARAM wParam)
{
    // Escape is taken and does nothing: it must not close this window.
    return wParam == VK_ESCAPE ? 1 : 0;
}

SkinUI::UILIB_RESOURCETYPE CUpdateDlg::GetResourceType() const
{
    return SkinUI::UILIB_ZIP;
}

CUIString CUpdateDlg::GetZIPFileName() const
{
    return L"update.zip";
}

LRESULT CUpdateDlg::OnClose(UINT, WPARAM, LPARAM, bool& bHandled)
{
    bHandled = true;
    EndRun();
    return 0;
}

LRESULT CUpdateDlg::OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled)
{
    bHandled = true;
    // The system close follows the rule of every other close request.
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        EndRun();
        return 0;
    }
    return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT CUpdateDlg::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled)
{
    bHandled = true;
    switch (uMsg) {
    case WM_TRAY_NOTIFY:
        OnTrayNotify(static_cast<UINT>(lParam));
        return 0;
    case WM_UPDATE_STATUS:
        OnStatusMessage(wParam, static_cast<int>(lParam));
        return 0;
    case WM_MENU_SHOW:
        ShowUpdateWindow(false);
        return 0;
    case WM_MENU_EXIT:
        PostMessage(WM_CLOSE);
        return 0;
    default:
        bHandled = false;
        return WindowImplBase::HandleCustomMessage(uMsg, wParam, lParam, bHandled);
    }
}
