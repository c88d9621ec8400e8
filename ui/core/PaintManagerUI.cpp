#include "ui/core/PaintManagerUI.h"

#include "base/SystemLibrary.h"
#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerShared.h"
#include "ui/core/ShadowWnd.h"

#include <cwchar>
#include <cwctype>
#include <memory>

namespace SkinUI {

using namespace paint_manager;

namespace {

const wchar_t kMemoryZipName[] = L"membuffer";

// Common controls (the tooltip class) and msimg32 come from the system
// folder only; they stay loaded for the process.
void LoadSharedLibraries()
{
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    HMODULE comctl = LoadSystemLibraryForever(L"comctl32.dll");
    if (comctl != nullptr) {
        typedef BOOL(WINAPI * InitFn)(const INITCOMMONCONTROLSEX*);
        auto init = reinterpret_cast<InitFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(comctl, "InitCommonControlsEx")));
        if (init != nullptr) {
            INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_WIN95_CLASSES };
            init(&icc);
        }
    }
    LoadSystemLibraryForever(L"msimg32.dll");
}

} // namespace

CStdPtrArray CPaintManagerUI::m_aPreMessages;
CStdPtrArray CPaintManagerUI::m_aPlugins;
HINSTANCE CPaintManagerUI::m_hInstance = nullptr;
HINSTANCE CPaintManagerUI::m_hResourceInstance = nullptr;
CUIString CPaintManagerUI::m_pStrResourcePath;
CUIString CPaintManagerUI::m_pStrResourceZip;
bool CPaintManagerUI::m_bCachedResourceZip = false;
std::unique_ptr<ZipReader> CPaintManagerUI::m_hResourceZip;
CUIString CPaintManagerUI::m_pStrDefaultFontName;
short CPaintManagerUI::m_H = 180;
short CPaintManagerUI::m_S = 100;
short CPaintManagerUI::m_L = 100;
ScopedPen CPaintManagerUI::m_hUpdateRectPen;
int CPaintManagerUI::m_nInstances = 0;

CPaintManagerUI::CPaintManagerUI()
    : m_hWndPaint(nullptr),
      m_nOpacity(255),
      m_hwndTooltip(nullptr),
      m_ToolTip(),
      m_bShowUpdateRect(false),
      m_pRoot(nullptr),
      m_pFocus(nullptr),
      m_pEventHover(nullptr),
      m_pEventClick(nullptr),
      m_pEventKey(nullptr),
      m_ptLastMousePos{ -1, -1 },
      m_szMinWindow(),
      m_szMaxWindow(),
      m_szInitWindowSize(),
      m_rcSizeBox(),
      m_szRoundCorner(),
      m_rcCaption(),
      m_uTimerID(0x1000),
      m_bFirstLayout(true),
      m_bUpdateNeeded(false),
      m_bCollectInvalid(false),
      m_rcCollectedInvalid{},
      m_bFocusNeeded(false),
      m_bOffscreenPaint(true),
      m_bAlphaBackground(false),
      m_bMouseTracking(false),
      m_bMouseCapture(false),
      m_bUsedVirtualWnd(false),
      m_pParentResourcePM(nullptr),
      m_dwDefaultDisabledColor(0xFFA7A6AA),
      m_dwDefaultFontColor(0xFF000000),
      m_dwDefaultLinkFontColor(0xFF0000FF),
      m_dwDefaultLinkHoverFontColor(0xFFD3215F),
      m_dwDefaultSelectedBkColor(0xFFBAE4FF),
      m_DefaultFontInfo()
{
    if (!m_hUpdateRectPen) m_hUpdateRectPen.Reset(::CreatePen(PS_SOLID, 1, RGB(220, 0, 0)));
    LoadSharedLibraries();
    m_nInstances++;

    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(LOGFONTW), &lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    if (!m_pStrDefaultFontName.IsEmpty()) lstrcpynW(lf.lfFaceName, m_pStrDefaultFontName.GetData(), LF_FACESIZE);
    m_DefaultFontInfo.font.Reset(::CreateFontIndirectW(&lf));
    m_DefaultFontInfo.faceName = lf.lfFaceName;
    m_DefaultFontInfo.size = -lf.lfHeight;
    m_DefaultFontInfo.bold = lf.lfWeight >= FW_BOLD;
    m_DefaultFontInfo.underline = lf.lfUnderline != FALSE;
    m_DefaultFontInfo.italic = lf.lfItalic != FALSE;
}

CPaintManagerUI::~CPaintManagerUI()
{
    DeleteDelayedCleanup();
    for (int i = 0; i < m_aAsyncNotify.GetSize(); i++) delete static_cast<TNotifyUI*>(m_aAsyncNotify[i]);
    m_aAsyncNotify.Empty();
    m_mNameHash.RemoveAll();
    delete m_pRoot;
    m_pRoot = nullptr;

    m_DefaultFontInfo.font.Reset();
    RemoveAllFonts();
    RemoveAllImages();
    RemoveAllDefaultAttributeList();
    RemoveAllOptionGroups();
    RemoveAllTimers();

    if (m_hwndTooltip != nullptr && ::IsWindow(m_hwndTooltip)) ::DestroyWindow(m_hwndTooltip);
    m_hwndTooltip = nullptr;
    ReleaseOffscreen();
    m_hDcPaint.Reset();

    int self = m_aPreMessages.Find(this);
    if (self >= 0) {
        m_aPreMessages.Remove(self);
        // The archive is closed with the last window. The name goes too, so
        // that the next window that sets it opens it again instead of finding
        // it already set but closed.
        if (m_aPreMessages.IsEmpty()) Term();
    }
    if (--m_nInstances == 0) m_hUpdateRectPen.Reset();
}

void CPaintManagerUI::Init(HWND hWnd)
{
    if (hWnd == nullptr || m_hWndPaint == hWnd) return;
    m_hWndPaint = hWnd;
    m_hDcPaint = ScopedWindowDC(hWnd);
    if (m_aPreMessages.Find(this) < 0) m_aPreMessages.Add(this);
}

void CPaintManagerUI::NeedUpdate()
{
    m_bUpdateNeeded = true;
}

bool CPaintManagerUI::IsUpdateNeeded() const
{
    return m_bUpdateNeeded;
}

void CPaintManagerUI::Invalidate(const RECT& rcItem)
{
    // A null window would invalidate every window of the desktop.
    if (m_hWndPaint == nullptr) return;
    if (m_bCollectInvalid) {
        ::UnionRect(&m_rcCollectedInvalid, &m_rcCollectedInvalid, &rcItem);
        return;
    }
    ::InvalidateRect(m_hWndPaint, &rcItem, FALSE);
}

HDC CPaintManagerUI::GetPaintDC() const
{
    return m_hDcPaint.Get();
}

HWND CPaintManagerUI::GetPaintWindow() const
{
    return m_hWndPaint;
}

HWND CPaintManagerUI::GetTooltipWindow() const
{
    return m_hwndTooltip;
}

POINT CPaintManagerUI::GetMousePos() const
{
    return m_ptLastMousePos;
}

SIZE CPaintManagerUI::GetClientSize() const
{
    RECT rcClient = {};
    ::GetClientRect(m_hWndPaint, &rcClient);
    SIZE size = { rcClient.right - rcClient.left, rcClient.bottom - rcClient.top };
    return size;
}

SIZE CPaintManagerUI::GetInitSize() const
{
    return m_szInitWindowSize;
}

void CPaintManagerUI::SetInitSize(int cx, int cy)
{
    m_szInitWindowSize.cx = cx;
    m_szInitWindowSize.cy = cy;
    if (m_pRoot == nullptr && m_hWndPaint != nullptr) {
        ::SetWindowPos(m_hWndPaint, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
}

const RECT& CPaintManagerUI::GetSizeBox() const
{
    return m_rcSizeBox;
}

void CPaintManagerUI::SetSizeBox(const RECT& rcSizeBox)
{
    m_rcSizeBox = rcSizeBox;
}

const RECT& CPaintManagerUI::GetCaptionRect() const
{
    return m_rcCaption;
}

void CPaintManagerUI::SetCaptionRect(const RECT& rcCaption)
{
    m_rcCaption = rcCaption;
}

SIZE CPaintManagerUI::GetRoundCorner() const
{
    return m_szRoundCorner;
}

void CPaintManagerUI::SetRoundCorner(int cx, int cy)
{
    m_szRoundCorner.cx = cx;
    m_szRoundCorner.cy = cy;
}

SIZE CPaintManagerUI::GetMinInfo() const
{
    return m_szMinWindow;
}

void CPaintManagerUI::SetMinInfo(int cx, int cy)
{
    m_szMinWindow.cx = cx;
    m_szMinWindow.cy = cy;
}

SIZE CPaintManagerUI::GetMaxInfo() const
{
    return m_szMaxWindow;
}

void CPaintManagerUI::SetMaxInfo(int cx, int cy)
{
    m_szMaxWindow.cx = cx;
    m_szMaxWindow.cy = cy;
}

int CPaintManagerUI::GetTransparent() const
{
    return m_nOpacity;
}

void CPaintManagerUI::SetTransparent(int nOpacity)
{
    m_nOpacity = nOpacity < 0 ? 0 : (nOpacity > 255 ? 255 : nOpacity);
    if (m_hWndPaint == nullptr) return;
    typedef BOOL(WINAPI * SetLayeredFn)(HWND, COLORREF, BYTE, DWORD);
    static SetLayeredFn setLayered = nullptr;
    if (setLayered == nullptr) {
        HMODULE user32 = LoadSystemLibraryForever(L"User32.dll");
        if (user32 == nullptr) return;
        setLayered = reinterpret_cast<SetLayeredFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(user32, "SetLayeredWindowAttributes")));
        if (setLayered == nullptr) return;
    }
    LONG style = ::GetWindowLongW(m_hWndPaint, GWL_EXSTYLE);
    bool layered = nOpacity >= 0 && nOpacity < 256;
    LONG newStyle = layered ? (style | WS_EX_LAYERED) : (style & ~WS_EX_LAYERED);
    if (newStyle != style) ::SetWindowLongW(m_hWndPaint, GWL_EXSTYLE, newStyle);
    if (layered) setLayered(m_hWndPaint, 0, static_cast<BYTE>(m_nOpacity), LWA_ALPHA);
}

void CPaintManagerUI::SetBackgroundTransparent(bool bTrans)
{
    m_bAlphaBackground = bTrans;
}

bool CPaintManagerUI::IsBackgroundTransparent() const
{
    return m_bAlphaBackground;
}

bool CPaintManagerUI::IsShowUpdateRect() const
{
    return m_bShowUpdateRect;
}

void CPaintManagerUI::SetShowUpdateRect(bool show)
{
    m_bShowUpdateRect = show;
}

// ---------------------------------------------------------------------------
// Process-wide resource settings

HINSTANCE CPaintManagerUI::GetInstance()
{
    return m_hInstance;
}

void CPaintManagerUI::SetInstance(HINSTANCE hInst)
{
    m_hInstance = hInst;
}

CUIString CPaintManagerUI::GetInstancePath()
{
    if (m_hInstance == nullptr) return CUIString();
    wchar_t moduleName[MAX_PATH + 1] = { 0 };
    ::GetModuleFileNameW(m_hInstance, moduleName, MAX_PATH);
    wchar_t* lastSlash = wcsrchr(moduleName, L'\\');
    if (lastSlash != nullptr) lastSlash[1] = L'\0';
    return CUIString(moduleName);
}

CUIString CPaintManagerUI::GetCurrentPath()
{
    wchar_t path[MAX_PATH + 1] = { 0 };
    ::GetCurrentDirectoryW(MAX_PATH, path);
    return CUIString(path);
}

void CPaintManagerUI::SetCurrentPath(const wchar_t* path)
{
    ::SetCurrentDirectoryW(path);
}

HINSTANCE CPaintManagerUI::GetResourceDll()
{
    return m_hResourceInstance != nullptr ? m_hResourceInstance : m_hInstance;
}

void CPaintManagerUI::SetResourceDll(HINSTANCE hInst)
{
    m_hResourceInstance = hInst;
}

const CUIString& CPaintManagerUI::GetResourcePath()
{
    return m_pStrResourcePath;
}

void CPaintManagerUI::SetResourcePath(const wchar_t* path)
{
    m_pStrResourcePath = path;
    if (m_pStrResourcePath.IsEmpty()) return;
    wchar_t last = m_pStrResourcePath[m_pStrResourcePath.GetLength() - 1];
    if (last != L'\\' && last != L'/') m_pStrResourcePath += L'\\';
}

const CUIString& CPaintManagerUI::GetResourceZip()
{
    return m_pStrResourceZip;
}

bool CPaintManagerUI::IsCachedResourceZip()
{
    return m_bCachedResourceZip;
}

ZipReader* CPaintManagerUI::GetResourceZipHandle()
{
    return m_hResourceZip.get();
}

void CPaintManagerUI::SetResourceZip(const wchar_t* zipName, bool cachedResourceZip)
{
    if (m_pStrResourceZip == zipName && m_bCachedResourceZip == cachedResourceZip) return;
    m_hResourceZip.reset();
    m_pStrResourceZip = zipName;
    m_bCachedResourceZip = cachedResourceZip;
    if (!cachedResourceZip || m_pStrResourceZip.IsEmpty()) return;
    CUIString path = m_pStrResourcePath;
    path += m_pStrResourceZip;
    std::unique_ptr<ZipReader> zip(new ZipReader);
    if (zip->OpenFile(path) == ZR_OK) m_hResourceZip = std::move(zip);
}

void CPaintManagerUI::SetResourceZip(const void* data, unsigned int length)
{
    if (m_pStrResourceZip == kMemoryZipName) return;
    m_hResourceZip.reset();
    m_pStrResourceZip = kMemoryZipName;
    m_bCachedResourceZip = true;
    std::unique_ptr<ZipReader> zip(new ZipReader);
    if (zip->OpenMemory(data, length) == ZR_OK) m_hResourceZip = std::move(zip);
}

void CPaintManagerUI::Term()
{
    m_hResourceZip.reset();
    m_pStrResourceZip.Empty();
    m_bCachedResourceZip = false;
}

bool CPaintManagerUI::LoadPlugin(const wchar_t* pstrModuleName)
{
    if (pstrModuleName == nullptr) return false;
    ScopedLibrary module(::LoadLibraryW(pstrModuleName));
    if (!module) return false;
    auto create = reinterpret_cast<LPCREATECONTROL>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module.Get(), "CreateControl")));
    if (create == nullptr) return false;
    // The library stays loaded: the list keeps its function for the process.
    HMODULE kept = module.Release();
    (void)kept;
    void* entry = reinterpret_cast<void*>(reinterpret_cast<UINT_PTR>(create));
    if (m_aPlugins.Find(entry) < 0) m_aPlugins.Add(entry);
    return true;
}

CStdPtrArray* CPaintManagerUI::GetPlugins()
{
    return &m_aPlugins;
}

// ---------------------------------------------------------------------------
// Control tree

bool CPaintManagerUI::AttachDialog(CControlUI* pControl)
{
    SetFocus(nullptr);
    m_pEventKey = nullptr;
    m_pEventHover = nullptr;
    m_pEventClick = nullptr;
    if (m_pRoot != nullptr) {
        m_aPostPaintControls.Empty();
        AddDelayedCleanup(m_pRoot);
    }
    m_pRoot = pControl;
    m_bUpdateNeeded = true;
    m_bFirstLayout = true;
    m_bFocusNeeded = true;
    return InitControls(pControl);
}

bool CPaintManagerUI::InitControls(CControlUI* pControl, CControlUI* pParent)
{
    if (pControl == nullptr) return false;
    // Names first: controls may look each other up while they initialise.
    pControl->FindControl(FindControlFromNameHash, this, UIFIND_ALL);
    pControl->SetManager(this, pParent != nullptr ? pParent : pControl->GetParent(), true);
    return true;
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl)
{
    if (pControl == nullptr) return;
    if (pControl == m_pEventKey) m_pEventKey = nullptr;
    if (pControl == m_pEventHover) m_pEventHover = nullptr;
    if (pControl == m_pEventClick) m_pEventClick = nullptr;
    if (pControl == m_pFocus) m_pFocus = nullptr;
    KillTimer(pControl);
    CUIString name = pControl->GetName();
    if (!name.IsEmpty() && m_mNameHash.Find(name.GetData()) == pControl) m_mNameHash.Remove(name.GetData());
    for (int i = 0; i < m_aAsyncNotify.GetSize(); i++) {
        TNotifyUI* msg = static_cast<TNotifyUI*>(m_aAsyncNotify[i]);
        if (msg->sender == pControl) msg->sender = nullptr;
    }
    // A control that is gone must not be painted afterwards.
    int postPaint = m_aPostPaintControls.Find(pControl);
    if (postPaint >= 0) m_aPostPaintControls.Remove(postPaint);
}

bool CPaintManagerUI::AddDelayedCleanup(CControlUI* pControl)
{
    if (pControl == nullptr) return false;
    pControl->SetManager(this, nullptr, false);
    if (m_aDelayedCleanup.Find(pControl) < 0) m_aDelayedCleanup.Add(pControl);
    if (m_hWndPaint != nullptr) ::PostMessageW(m_hWndPaint, kMsgDelayedCleanup, 0, 0);
    return true;
}

void CPaintManagerUI::DeleteDelayedCleanup()
{
    // A destructor may schedule more controls; take the list first.
    CStdPtrArray pending(m_aDelayedCleanup);
    m_aDelayedCleanup.Empty();
    for (int i = 0; i < pending.GetSize(); i++) delete static_cast<CControlUI*>(pending[i]);
}

CControlUI* CPaintManagerUI::GetRoot() const
{
    return m_pRoot;
}

// ---------------------------------------------------------------------------
// Window shadow

bool CPaintManagerUI::InitializeShadow(HINSTANCE instance)
{
    return RegisterShadowWindowClass(instance);
}

} // namespace SkinUI
