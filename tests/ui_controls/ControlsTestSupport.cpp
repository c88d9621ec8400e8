#include "tests/ui_controls/ControlsTestSupport.h"

#include "base/ScopedGdi.h"
#include "base/TextConversion.h"
#include "tests/support/TestSupport.h"
#include "ui/controls/DialogBuilder.h"
#include "ui/core/ControlUI.h"

using namespace SkinUI;

namespace {

POINT Centre(const RECT& rc)
{
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace

void UseTestSkins()
{
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath((ToWide(TestDataDir()) + L"\\").c_str());
    CPaintManagerUI::SetResourceZip(L"skin.zip", true);
}

namespace {

HostStyle ControlsTestStyle()
{
    HostStyle style;
    style.at = {20, 20};
    style.activate = true;
    style.keepNotes = false;
    return style;
}

}  // namespace

// The skins are in use before the window and its paint manager exist.
HostWindow::HostWindow(int width, int height) : PaintHost((UseTestSkins(), width), height, ControlsTestStyle())
{
}

CControlUI* HostWindow::Build(const wchar_t* xml, IDialogBuilderCallback* callback)
{
    CDialogBuilder builder;
    CControlUI* root = builder.Create(STRINGorID(xml), nullptr, callback, &pm);
    if (root != nullptr) Attach(root);
    return root;
}

SkinWindow::SkinWindow(std::wstring xml, UILIB_RESOURCETYPE type) : m_xml(std::move(xml)), m_type(type)
{
    CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
}

SkinWindow::~SkinWindow()
{
    if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

HWND SkinWindow::Open(HWND owner)
{
    HWND hwnd = Create(owner, L"skin window", WS_POPUP | WS_VISIBLE, WS_EX_TOOLWINDOW, 50, 50, 120, 90);
    if (hwnd != nullptr) {
        ::UpdateWindow(hwnd);
        PumpUiMessages();
    }
    return hwnd;
}

CControlUI* SkinWindow::Find(const wchar_t* name)
{
    return m_PaintManager.FindControl(name);
}

void SkinWindow::Click(const wchar_t* name)
{
    CControlUI* control = Find(name);
    if (control == nullptr) return;
    const POINT pt = Centre(control->GetPos());
    const HWND hwnd = m_hWnd;
    ::PostMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
    ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    ::PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    PumpUiMessages();
}

LRESULT SkinWindow::HitTest(int x, int y)
{
    POINT pt = { x, y };
    ::ClientToScreen(m_hWnd, &pt);
    return ::SendMessageW(m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
}

const wchar_t* SkinWindow::GetWndClassName() const
{
    return L"CorvaneSkinWindow";
}

CUIString SkinWindow::GetSkinPath()
{
    return m_type == UILIB_FILE ? L"test-data\\files\\" : L"test-data\\";
}

CUIString SkinWindow::GetSkinXml()
{
    return m_xml.c_str();
}

UILIB_RESOURCETYPE SkinWindow::GetResourceType() const
{
    return m_type;
}

CUIString SkinWindow::GetZIPFileName() const
{
    return L"skin.zip";
}

CUIString SkinWindow::GetResourceID() const
{
    return resourceId.c_str();
}

LRESULT SkinWindow::OnClose(UINT, WPARAM wParam, LPARAM, bool& bHandled)
{
    closeCode = static_cast<UINT>(wParam);
    bHandled = false;
    return 0;
}

void SkinWindow::OnFinalMessage(HWND hWnd)
{
    WindowImplBase::OnFinalMessage(hWnd);
    finalMessage = true;
}

void SkinWindow::Notify(TNotifyUI& msg)
{
    const std::wstring sender = msg.sender != nullptr ? msg.sender->GetName().GetData() : L"-";
    if (msg.type != L"timer") notes.push_back(std::wstring(msg.type.GetData()) + L":" + sender);
    WindowImplBase::Notify(msg);
}

CControlUI* SkinWindow::CreateControl(const wchar_t* pstrClass)
{
    asked.push_back(pstrClass);
    return factory ? factory(pstrClass) : nullptr;
}
