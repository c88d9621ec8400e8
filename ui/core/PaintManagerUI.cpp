#include "ui/core/PaintManagerUI.h"

#include "base/SystemLibrary.h"
#include "ui/core/ControlUI.h"
#include "ui/core/ShadowWnd.h"

#include <windowsx.h>

#include <cwchar>
#include <cwctype>
#include <memory>

namespace SkinUI {

namespace {

const wchar_t kMemoryZipName[] = L"membuffer";

// Posted to the window to delete the controls of the delayed-cleanup list.
const UINT kMsgDelayedCleanup = WM_APP + 1;
// Messages of child windows come back to them reflected by this offset.
const UINT kReflectBase = 0x2000;
// Hover time when no tooltip window tells its initial delay.
const DWORD kDefaultHoverTime = 400;
// Native timer ids cycle through 0 ... kTimerIdCycle - 1.
const UINT kTimerIdCycle = 255;

struct FindTabInfo {
    CControlUI* focus;
    CControlUI* last;
    bool forward;
    bool nextIsIt;
};

struct FindShortcutInfo {
    wchar_t ch;
    bool pickNext;
};

struct FindClassInfo {
    const wchar_t* className;
    int index;
    CStdPtrArray* found;
};

TEventUI MakeEvent(int type, CControlUI* sender)
{
    TEventUI event = {};
    event.type = type;
    event.sender = sender;
    event.timestamp = ::GetTickCount();
    return event;
}

POINT PointOf(LPARAM lParam)
{
    POINT pt = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    return pt;
}

bool ClassContains(CControlUI* control, const wchar_t* part)
{
    const wchar_t* name = control->GetClass();
    return name != nullptr && wcsstr(name, part) != nullptr;
}

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

struct TraceName {
    UINT message;
    const wchar_t* name;
};

#define TRACE_NAME(m) { m, L## #m }
const TraceName kTraceNames[] = {
    TRACE_NAME(WM_SETCURSOR), TRACE_NAME(WM_NCHITTEST), TRACE_NAME(WM_NCPAINT), TRACE_NAME(WM_PAINT),
    TRACE_NAME(WM_ERASEBKGND), TRACE_NAME(WM_NCMOUSEMOVE), TRACE_NAME(WM_MOUSEMOVE), TRACE_NAME(WM_MOUSELEAVE),
    TRACE_NAME(WM_MOUSEHOVER), TRACE_NAME(WM_NOTIFY), TRACE_NAME(WM_COMMAND), TRACE_NAME(WM_MEASUREITEM),
    TRACE_NAME(WM_DRAWITEM), TRACE_NAME(WM_LBUTTONDOWN), TRACE_NAME(WM_LBUTTONUP), TRACE_NAME(WM_LBUTTONDBLCLK),
    TRACE_NAME(WM_RBUTTONDOWN), TRACE_NAME(WM_RBUTTONUP), TRACE_NAME(WM_RBUTTONDBLCLK), TRACE_NAME(WM_SETFOCUS),
    TRACE_NAME(WM_KILLFOCUS), TRACE_NAME(WM_MOVE), TRACE_NAME(WM_SIZE), TRACE_NAME(WM_SIZING),
    TRACE_NAME(WM_MOVING), TRACE_NAME(WM_GETMINMAXINFO), TRACE_NAME(WM_CAPTURECHANGED),
    TRACE_NAME(WM_WINDOWPOSCHANGED), TRACE_NAME(WM_WINDOWPOSCHANGING), TRACE_NAME(WM_NCCALCSIZE),
    TRACE_NAME(WM_NCCREATE), TRACE_NAME(WM_NCDESTROY), TRACE_NAME(WM_TIMER), TRACE_NAME(WM_KEYDOWN),
    TRACE_NAME(WM_KEYUP), TRACE_NAME(WM_CHAR), TRACE_NAME(WM_SYSKEYDOWN), TRACE_NAME(WM_SYSKEYUP),
    TRACE_NAME(WM_SYSCOMMAND), TRACE_NAME(WM_SYSCHAR), TRACE_NAME(WM_VSCROLL), TRACE_NAME(WM_HSCROLL),
    TRACE_NAME(WM_SHOWWINDOW), TRACE_NAME(WM_PARENTNOTIFY), TRACE_NAME(WM_CREATE), TRACE_NAME(WM_NCACTIVATE),
    TRACE_NAME(WM_ACTIVATE), TRACE_NAME(WM_ACTIVATEAPP), TRACE_NAME(WM_CLOSE), TRACE_NAME(WM_DESTROY),
    TRACE_NAME(WM_GETICON), TRACE_NAME(WM_GETTEXT), TRACE_NAME(WM_GETTEXTLENGTH),
};
#undef TRACE_NAME

} // namespace

const wchar_t* UI_TraceMsg(UINT uMsg)
{
    for (const TraceName& entry : kTraceNames) {
        if (entry.message == uMsg) return entry.name;
    }
    static wchar_t buffer[16];
    swprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), L"0x%04X", uMsg);
    return buffer;
}

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
    m_DefaultFontInfo.font = ::CreateFontIndirectW(&lf);
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

    ScopedFont(m_DefaultFontInfo.font).Reset();
    m_DefaultFontInfo.font = nullptr;
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
// Finding controls

CControlUI* CPaintManagerUI::FindControl(POINT pt) const
{
    if (m_pRoot == nullptr) return nullptr;
    return m_pRoot->FindControl(FindControlFromPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* pstrName) const
{
    if (pstrName == nullptr) return nullptr;
    return static_cast<CControlUI*>(m_mNameHash.Find(pstrName));
}

CControlUI* CPaintManagerUI::FindSubControlByPoint(CControlUI* pParent, POINT pt) const
{
    if (pParent == nullptr) pParent = m_pRoot;
    if (pParent == nullptr) return nullptr;
    return pParent->FindControl(FindControlFromPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* pParent, const wchar_t* pstrName) const
{
    if (pParent == nullptr) pParent = m_pRoot;
    if (pParent == nullptr || pstrName == nullptr) return nullptr;
    return pParent->FindControl(FindControlFromName, const_cast<wchar_t*>(pstrName), UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindSubControlByClass(CControlUI* pParent, const wchar_t* pstrClass, int iIndex)
{
    if (pParent == nullptr) pParent = m_pRoot;
    m_aFoundControls.Empty();
    if (pParent == nullptr || pstrClass == nullptr || iIndex < 0) return nullptr;
    FindClassInfo info = { pstrClass, iIndex, &m_aFoundControls };
    return pParent->FindControl(FindControlFromClass, &info, UIFIND_ALL);
}

CStdPtrArray* CPaintManagerUI::FindSubControlsByClass(CControlUI* pParent, const wchar_t* pstrClass)
{
    if (pParent == nullptr) pParent = m_pRoot;
    m_aFoundControls.Empty();
    if (pParent == nullptr || pstrClass == nullptr) return &m_aFoundControls;
    FindClassInfo info = { pstrClass, -1, &m_aFoundControls };
    pParent->FindControl(FindControlFromClass, &info, UIFIND_ALL);
    return &m_aFoundControls;
}

CStdPtrArray* CPaintManagerUI::GetSubControlsByClass()
{
    return &m_aFoundControls;
}

CControlUI* CPaintManagerUI::FindParentControlByClass(CControlUI* pControl, const wchar_t* pstrClass) const
{
    if (pControl == nullptr || pstrClass == nullptr) return nullptr;
    for (CControlUI* parent = pControl->GetParent(); parent != nullptr; parent = parent->GetParent()) {
        const wchar_t* name = parent->GetClass();
        if (name != nullptr && wcscmp(name, pstrClass) == 0) return parent;
    }
    return nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromNameHash(CControlUI* pThis, LPVOID pData)
{
    CPaintManagerUI* manager = static_cast<CPaintManagerUI*>(pData);
    CUIString name = pThis->GetName();
    if (!name.IsEmpty()) manager->m_mNameHash.Set(name.GetData(), pThis);
    return nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromPoint(CControlUI* pThis, LPVOID pData)
{
    const POINT* pt = static_cast<const POINT*>(pData);
    const RECT& pos = pThis->GetPos();
    return ::PtInRect(&pos, *pt) ? pThis : nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromTab(CControlUI* pThis, LPVOID pData)
{
    FindTabInfo* info = static_cast<FindTabInfo*>(pData);
    if (info->focus != nullptr && pThis == info->focus) {
        if (info->forward) {
            info->nextIsIt = true;
            return nullptr;
        }
        // Backward: the candidate seen last before the focus, if any; when
        // there is none the walk goes on so that the last candidate of all
        // is what remains.
        if (info->last != nullptr) return info->last;
        info->focus = nullptr;
        info->nextIsIt = true;
        return nullptr;
    }
    if ((pThis->GetControlFlags() & UIFLAG_TABSTOP) == 0 || !pThis->GetTabstop()) return nullptr;
    if (info->forward) {
        if (info->focus == nullptr || info->nextIsIt) return pThis;
        return nullptr;
    }
    if (info->focus == nullptr && !info->nextIsIt) return pThis;
    info->last = pThis;
    return nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromShortcut(CControlUI* pThis, LPVOID pData)
{
    if (!pThis->IsVisible()) return nullptr;
    FindShortcutInfo* info = static_cast<FindShortcutInfo*>(pData);
    if (static_cast<wchar_t>(towupper(pThis->GetShortcut())) == info->ch) info->pickNext = true;
    if (info->pickNext && !ClassContains(pThis, L"LabelUI")) return pThis;
    return nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromUpdate(CControlUI* pThis, LPVOID)
{
    return pThis->IsUpdateNeeded() ? pThis : nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromName(CControlUI* pThis, LPVOID pData)
{
    const wchar_t* name = static_cast<const wchar_t*>(pData);
    CUIString own = pThis->GetName();
    return own.CompareNoCase(name) == 0 ? pThis : nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromClass(CControlUI* pThis, LPVOID pData)
{
    FindClassInfo* info = static_cast<FindClassInfo*>(pData);
    const wchar_t* name = pThis->GetClass();
    bool match = wcscmp(info->className, L"*") == 0 || (name != nullptr && wcscmp(name, info->className) == 0);
    if (!match) return nullptr;
    info->found->Add(pThis);
    return info->found->GetSize() == info->index + 1 ? pThis : nullptr;
}

// ---------------------------------------------------------------------------
// Focus

CControlUI* CPaintManagerUI::GetFocus() const
{
    return m_pFocus;
}

void CPaintManagerUI::SetFocus(CControlUI* pControl)
{
    HWND focusWnd = ::GetFocus();
    if (focusWnd != m_hWndPaint && pControl != m_pFocus && m_hWndPaint != nullptr) ::SetFocus(m_hWndPaint);
    if (pControl == m_pFocus) return;
    if (m_pFocus != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_KILLFOCUS, pControl);
        m_pFocus->Event(event);
        if (m_pFocus != nullptr) SendNotify(m_pFocus, L"killfocus");
        m_pFocus = nullptr;
    }
    if (pControl == nullptr) return;
    if (pControl->GetManager() == this && pControl->IsVisible() && pControl->IsEnabled()) {
        m_pFocus = pControl;
        TEventUI event = MakeEvent(UIEVENT_SETFOCUS, pControl);
        pControl->Event(event);
        if (m_pFocus == pControl) SendNotify(pControl, L"setfocus");
    }
}

void CPaintManagerUI::SetFocusNeeded(CControlUI* pControl)
{
    if (m_hWndPaint != nullptr) ::SetFocus(m_hWndPaint);
    if (pControl == nullptr) return;
    if (m_pFocus != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_KILLFOCUS, pControl);
        m_pFocus->Event(event);
        if (m_pFocus != nullptr) SendNotify(m_pFocus, L"killfocus");
        m_pFocus = nullptr;
    }
    m_pFocus = FindTabCandidate(pControl, false, nullptr);
    m_bFocusNeeded = true;
    if (m_pRoot != nullptr) m_pRoot->NeedUpdate();
}

CControlUI* CPaintManagerUI::FindTabCandidate(CControlUI* pFrom, bool bForward, CControlUI** ppLastSeen) const
{
    if (m_pRoot == nullptr) return nullptr;
    FindTabInfo info = { pFrom, nullptr, bForward, false };
    CControlUI* found =
        m_pRoot->FindControl(FindControlFromTab, &info, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    if (ppLastSeen != nullptr) *ppLastSeen = info.last;
    return found;
}

bool CPaintManagerUI::SetNextTabControl(bool bForward)
{
    if (m_bUpdateNeeded && bForward) {
        // The move happens after layout, at the next paint.
        m_bFocusNeeded = true;
        if (m_hWndPaint != nullptr) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
        return true;
    }
    CControlUI* lastSeen = nullptr;
    CControlUI* next = FindTabCandidate(m_pFocus, bForward, &lastSeen);
    if (next == nullptr) next = bForward ? FindTabCandidate(nullptr, true, nullptr) : lastSeen;
    if (next != nullptr) SetFocus(next);
    m_bFocusNeeded = false;
    return true;
}

// ---------------------------------------------------------------------------
// Timers

UINT CPaintManagerUI::NextNativeTimerId()
{
    // A native id still held by a record of this window (live, or killed and
    // kept for re-arming) is skipped: the system would silently replace that
    // timer with the new one.
    for (UINT tries = 0; tries < kTimerIdCycle; tries++) {
        m_uTimerID = (m_uTimerID + 1) % kTimerIdCycle;
        bool used = false;
        for (int i = 0; i < m_aTimers.GetSize() && !used; i++) {
            const TTimerInfo* info = static_cast<const TTimerInfo*>(m_aTimers[i]);
            used = info->window == m_hWndPaint && info->nativeId == m_uTimerID;
        }
        if (!used) return m_uTimerID;
    }
    return UINT_MAX;
}

bool CPaintManagerUI::SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse)
{
    if (pControl == nullptr || m_hWndPaint == nullptr) return false;
    for (int i = 0; i < m_aTimers.GetSize(); i++) {
        TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
        if (info->sender != pControl || info->window != m_hWndPaint || info->localId != nTimerID) continue;
        if (!info->killed) return false;
        if (!::SetTimer(m_hWndPaint, info->nativeId, uElapse, nullptr)) return false;
        info->killed = false;
        return true;
    }
    UINT nativeId = NextNativeTimerId();
    if (nativeId == UINT_MAX) return false;
    if (!::SetTimer(m_hWndPaint, nativeId, uElapse, nullptr)) return false;
    std::unique_ptr<TTimerInfo> info(new TTimerInfo());
    info->sender = pControl;
    info->localId = nTimerID;
    info->window = m_hWndPaint;
    info->nativeId = nativeId;
    info->killed = false;
    if (!m_aTimers.Add(info.get())) {
        ::KillTimer(m_hWndPaint, nativeId);
        return false;
    }
    info.release();
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* pControl, UINT nTimerID)
{
    for (int i = 0; i < m_aTimers.GetSize(); i++) {
        TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
        if (info->sender != pControl || info->window != m_hWndPaint || info->localId != nTimerID) continue;
        if (info->killed) return false;
        if (::IsWindow(m_hWndPaint)) ::KillTimer(info->window, info->nativeId);
        info->killed = true;
        return true;
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* pControl)
{
    for (int i = m_aTimers.GetSize() - 1; i >= 0; i--) {
        TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
        if (info->sender != pControl || info->window != m_hWndPaint) continue;
        if (!info->killed && ::IsWindow(m_hWndPaint)) ::KillTimer(info->window, info->nativeId);
        delete info;
        m_aTimers.Remove(i);
    }
}

void CPaintManagerUI::RemoveAllTimers()
{
    for (int i = 0; i < m_aTimers.GetSize(); i++) {
        TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
        if (info->window == m_hWndPaint && !info->killed && ::IsWindow(m_hWndPaint)) {
            ::KillTimer(info->window, info->nativeId);
        }
        delete info;
    }
    m_aTimers.Empty();
}

// ---------------------------------------------------------------------------
// Mouse

void CPaintManagerUI::SetCapture()
{
    ::SetCapture(m_hWndPaint);
    m_bMouseCapture = true;
}

void CPaintManagerUI::ReleaseCapture()
{
    ::ReleaseCapture();
    m_bMouseCapture = false;
}

bool CPaintManagerUI::IsCaptured() const
{
    return m_bMouseCapture;
}

void CPaintManagerUI::ClearMouseEvent()
{
    m_pEventHover = nullptr;
    m_pEventClick = nullptr;
    m_pFocus = nullptr;
}

WORD CPaintManagerUI::CurrentKeyState()
{
    WORD state = 0;
    if (::GetKeyState(VK_LBUTTON) < 0) state |= UIKEY_LBUTTON;
    if (::GetKeyState(VK_RBUTTON) < 0) state |= UIKEY_RBUTTON;
    if (::GetKeyState(VK_SHIFT) < 0) state |= UIKEY_SHIFT;
    if (::GetKeyState(VK_CONTROL) < 0) state |= UIKEY_CONTROL;
    if (::GetKeyState(VK_MENU) < 0) state |= UIKEY_ALT;
    return state;
}

CControlUI* CPaintManagerUI::OwnControlAt(POINT pt) const
{
    CControlUI* control = FindControl(pt);
    return control != nullptr && control->GetManager() == this ? control : nullptr;
}

// ---------------------------------------------------------------------------
// Notifications and filters

bool CPaintManagerUI::AddNotifier(INotifyUI* pControl)
{
    if (pControl == nullptr || m_aNotifiers.Find(pControl) >= 0) return false;
    return m_aNotifiers.Add(pControl);
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pControl)
{
    int index = m_aNotifiers.Find(pControl);
    return index >= 0 && m_aNotifiers.Remove(index);
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* pFilter)
{
    if (pFilter == nullptr || m_aPreMessageFilters.Find(pFilter) >= 0) return false;
    return m_aPreMessageFilters.Add(pFilter);
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* pFilter)
{
    int index = m_aPreMessageFilters.Find(pFilter);
    return index >= 0 && m_aPreMessageFilters.Remove(index);
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* pFilter)
{
    if (pFilter == nullptr || m_aMessageFilters.Find(pFilter) >= 0) return false;
    return m_aMessageFilters.Add(pFilter);
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* pFilter)
{
    int index = m_aMessageFilters.Find(pFilter);
    return index >= 0 && m_aMessageFilters.Remove(index);
}

bool CPaintManagerUI::AddTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator)
{
    if (pTranslateAccelerator == nullptr || m_aTranslateAccelerator.Find(pTranslateAccelerator) >= 0) return false;
    return m_aTranslateAccelerator.Add(pTranslateAccelerator);
}

bool CPaintManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator)
{
    int index = m_aTranslateAccelerator.Find(pTranslateAccelerator);
    return index >= 0 && m_aTranslateAccelerator.Remove(index);
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, const wchar_t* pstrMessage, WPARAM wParam, LPARAM lParam,
    bool bAsync)
{
    TNotifyUI msg;
    msg.type = pstrMessage;
    msg.sender = pControl;
    msg.timestamp = 0;
    msg.mousePoint = m_ptLastMousePos;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, bAsync);
}

void CPaintManagerUI::SendNotify(TNotifyUI& Msg, bool bAsync)
{
    Msg.mousePoint = m_ptLastMousePos;
    Msg.timestamp = ::GetTickCount();
    if (m_bUsedVirtualWnd && Msg.sender != nullptr) Msg.virtualWnd = Msg.sender->GetVirtualWnd();
    if (!bAsync) {
        NotifyNow(Msg);
        return;
    }
    std::unique_ptr<TNotifyUI> copy(new TNotifyUI());
    copy->type = Msg.type;
    copy->sender = Msg.sender;
    copy->timestamp = Msg.timestamp;
    copy->mousePoint = Msg.mousePoint;
    copy->wParam = Msg.wParam;
    copy->lParam = Msg.lParam;
    if (m_aAsyncNotify.Add(copy.get())) copy.release();
}

void CPaintManagerUI::NotifyNow(TNotifyUI& Msg)
{
    if (Msg.sender != nullptr && Msg.sender->onNotify) Msg.sender->onNotify(&Msg);
    for (int i = 0; i < m_aNotifiers.GetSize(); i++) static_cast<INotifyUI*>(m_aNotifiers[i])->Notify(Msg);
}

void CPaintManagerUI::DeliverAsyncNotifications()
{
    // Oldest first; each one leaves the queue before it is delivered, so a
    // message handled during the delivery does not deliver it again.
    while (!m_aAsyncNotify.IsEmpty()) {
        std::unique_ptr<TNotifyUI> msg(static_cast<TNotifyUI*>(m_aAsyncNotify[0]));
        m_aAsyncNotify.Remove(0);
        NotifyNow(*msg);
    }
}

void CPaintManagerUI::UsedVirtualWnd(bool bUsed)
{
    m_bUsedVirtualWnd = bUsed;
}

int CPaintManagerUI::GetPostPaintCount() const
{
    return m_aPostPaintControls.GetSize();
}

bool CPaintManagerUI::AddPostPaint(CControlUI* pControl)
{
    if (pControl == nullptr || m_aPostPaintControls.Find(pControl) >= 0) return false;
    return m_aPostPaintControls.Add(pControl);
}

bool CPaintManagerUI::RemovePostPaint(CControlUI* pControl)
{
    int index = m_aPostPaintControls.Find(pControl);
    return index >= 0 && m_aPostPaintControls.Remove(index);
}

bool CPaintManagerUI::SetPostPaintIndex(CControlUI* pControl, int iIndex)
{
    int current = m_aPostPaintControls.Find(pControl);
    if (current < 0 || iIndex < 0 || iIndex >= m_aPostPaintControls.GetSize()) return false;
    m_aPostPaintControls.Remove(current);
    return m_aPostPaintControls.InsertAt(iIndex, pControl);
}

// ---------------------------------------------------------------------------
// Painting

void CPaintManagerUI::ReleaseOffscreen()
{
    m_hbmpOffscreen.Reset();
    m_hDcOffscreen.Reset();
    m_hbmpBackground.Reset();
    m_hDcBackground.Reset();
}

void CPaintManagerUI::LayoutPending()
{
    m_bUpdateNeeded = false;
    RECT rcClient = {};
    ::GetClientRect(m_hWndPaint, &rcClient);
    if (::IsRectEmpty(&rcClient)) return;
    m_bCollectInvalid = true;
    ::SetRectEmpty(&m_rcCollectedInvalid);
    if (m_pRoot->IsUpdateNeeded()) {
        m_pRoot->SetPos(rcClient);
        ReleaseOffscreen();
        SendNotify(m_pRoot, L"rootupdated");
    } else {
        CControlUI* previous = nullptr;
        CControlUI* control;
        while ((control = m_pRoot->FindControl(FindControlFromUpdate, nullptr, UIFIND_VISIBLE | UIFIND_ME_FIRST))
            != nullptr) {
            // A control whose SetPos leaves it marked would hold the paint
            // forever; it gets one pass per paint.
            if (control == previous) break;
            control->SetPos(control->GetPos());
            previous = control;
        }
    }
    m_bCollectInvalid = false;
    if (!::IsRectEmpty(&m_rcCollectedInvalid)) ::InvalidateRect(m_hWndPaint, &m_rcCollectedInvalid, FALSE);
    if (m_bFirstLayout) {
        m_bFirstLayout = false;
        SendNotify(m_pRoot, L"windowinit");
    }
}

void CPaintManagerUI::OnPaint()
{
    RECT rcUpdate = {};
    if (!::GetUpdateRect(m_hWndPaint, &rcUpdate, FALSE)) return;
    PAINTSTRUCT ps = {};
    if (m_pRoot == nullptr) {
        ::BeginPaint(m_hWndPaint, &ps);
        ::EndPaint(m_hWndPaint, &ps);
        return;
    }
    if (m_bUpdateNeeded) LayoutPending();
    if (m_bFocusNeeded) SetNextTabControl();
    if (m_pRoot == nullptr) {
        ::ValidateRect(m_hWndPaint, nullptr);
        return;
    }

    if (m_bOffscreenPaint) {
        if (!m_hDcOffscreen || !m_hbmpOffscreen) {
            RECT rcClient = {};
            ::GetClientRect(m_hWndPaint, &rcClient);
            m_hDcOffscreen.Reset(::CreateCompatibleDC(m_hDcPaint.Get()));
            m_hbmpOffscreen.Reset(::CreateCompatibleBitmap(
                m_hDcPaint.Get(), rcClient.right - rcClient.left, rcClient.bottom - rcClient.top));
        }
        ::BeginPaint(m_hWndPaint, &ps);
        const RECT& rc = ps.rcPaint;
        int width = rc.right - rc.left;
        int height = rc.bottom - rc.top;
        if (m_hDcOffscreen && m_hbmpOffscreen) {
            ScopedSelectObject selectOffscreen(m_hDcOffscreen.Get(), m_hbmpOffscreen.Get());
            {
                ScopedSaveDC saved(m_hDcOffscreen.Get());
                if (m_bAlphaBackground) {
                    if (!m_hDcBackground || !m_hbmpBackground) {
                        RECT rcClient = {};
                        ::GetClientRect(m_hWndPaint, &rcClient);
                        m_hDcBackground.Reset(::CreateCompatibleDC(m_hDcPaint.Get()));
                        m_hbmpBackground.Reset(::CreateCompatibleBitmap(
                            m_hDcPaint.Get(), rcClient.right - rcClient.left, rcClient.bottom - rcClient.top));
                        if (m_hDcBackground && m_hbmpBackground) {
                            ScopedSelectObject selectBackground(m_hDcBackground.Get(), m_hbmpBackground.Get());
                            ::BitBlt(m_hDcBackground.Get(), rc.left, rc.top, width, height, ps.hdc, rc.left, rc.top,
                                SRCCOPY);
                        }
                    }
                    if (m_hDcBackground && m_hbmpBackground) {
                        ScopedSelectObject selectBackground(m_hDcBackground.Get(), m_hbmpBackground.Get());
                        ::BitBlt(m_hDcOffscreen.Get(), rc.left, rc.top, width, height, m_hDcBackground.Get(), rc.left,
                            rc.top, SRCCOPY);
                    }
                }
                m_pRoot->DoPaint(m_hDcOffscreen.Get(), rc);
                for (int i = 0; i < m_aPostPaintControls.GetSize(); i++) {
                    static_cast<CControlUI*>(m_aPostPaintControls[i])->DoPostPaint(m_hDcOffscreen.Get(), rc);
                }
            }
            ::BitBlt(ps.hdc, rc.left, rc.top, width, height, m_hDcOffscreen.Get(), rc.left, rc.top, SRCCOPY);
        }
        if (m_bShowUpdateRect && m_hUpdateRectPen) {
            ScopedSelectObject pen(ps.hdc, m_hUpdateRectPen.Get());
            ScopedSelectObject brush(ps.hdc, ::GetStockObject(HOLLOW_BRUSH));
            ::Rectangle(ps.hdc, rcUpdate.left, rcUpdate.top, rcUpdate.right, rcUpdate.bottom);
        }
    } else {
        ::BeginPaint(m_hWndPaint, &ps);
        ScopedSaveDC saved(ps.hdc);
        m_pRoot->DoPaint(ps.hdc, ps.rcPaint);
    }
    ::EndPaint(m_hWndPaint, &ps);
    if (m_bUpdateNeeded) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

// ---------------------------------------------------------------------------
// Messages

void CPaintManagerUI::DeactivateTooltip()
{
    if (m_hwndTooltip != nullptr) ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_ToolTip));
}

void CPaintManagerUI::ShowTooltip(CControlUI* pControl)
{
    CUIString text = pControl->GetToolTip();
    if (text.IsEmpty()) return;
    m_ToolTip = TOOLINFOW();
    m_ToolTip.cbSize = sizeof(TOOLINFOW);
    m_ToolTip.uFlags = TTF_IDISHWND;
    m_ToolTip.hwnd = m_hWndPaint;
    m_ToolTip.uId = reinterpret_cast<UINT_PTR>(m_hWndPaint);
    m_ToolTip.hinst = m_hInstance;
    m_ToolTip.lpszText = const_cast<wchar_t*>(text.GetData());
    m_ToolTip.rect = pControl->GetPos();
    if (m_hwndTooltip == nullptr) {
        m_hwndTooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWndPaint, nullptr, m_hInstance, nullptr);
        if (m_hwndTooltip == nullptr) return;
        if (!::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_ToolTip))) {
            // Common controls before version 6 refuse the record's newest size.
            m_ToolTip.cbSize = TTTOOLINFOW_V2_SIZE;
            ::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
        }
    }
    ::SendMessageW(m_hwndTooltip, TTM_SETMAXTIPWIDTH, 0, pControl->GetToolTipWidth());
    ::SendMessageW(m_hwndTooltip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_ToolTip));
    ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_ToolTip));
    // The text belongs to this call; the tooltip keeps its own copy.
    m_ToolTip.lpszText = nullptr;
}

bool CPaintManagerUI::OnMouseHover(LPARAM lParam)
{
    m_bMouseTracking = false;
    POINT pt = PointOf(lParam);
    CControlUI* hover = FindControl(pt);
    if (hover == nullptr) return false;
    if (m_pEventHover != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_MOUSEHOVER, m_pEventHover);
        event.mousePoint = pt;
        m_pEventHover->Event(event);
    }
    ShowTooltip(hover);
    return true;
}

void CPaintManagerUI::OnMouseMove(LPARAM lParam)
{
    if (!m_bMouseTracking) {
        TRACKMOUSEEVENT tme = { sizeof(tme), TME_HOVER | TME_LEAVE, m_hWndPaint, kDefaultHoverTime };
        if (m_hwndTooltip != nullptr) {
            tme.dwHoverTime = static_cast<DWORD>(::SendMessageW(m_hwndTooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        }
        ::TrackMouseEvent(&tme);
        m_bMouseTracking = true;
    }
    POINT pt = PointOf(lParam);
    m_ptLastMousePos = pt;
    CControlUI* newHover = FindControl(pt);
    if (newHover != nullptr && newHover->GetManager() != this) return;
    if (newHover != m_pEventHover) {
        if (m_pEventHover != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_MOUSELEAVE, m_pEventHover);
            event.mousePoint = pt;
            m_pEventHover->Event(event);
            DeactivateTooltip();
        }
        m_pEventHover = nullptr;
        if (newHover != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_MOUSEENTER, newHover);
            event.mousePoint = pt;
            newHover->Event(event);
            m_pEventHover = newHover;
        }
    }
    CControlUI* target = m_pEventClick != nullptr ? m_pEventClick : newHover;
    if (target != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_MOUSEMOVE, target);
        event.mousePoint = pt;
        event.keyState = CurrentKeyState();
        target->Event(event);
    }
}

void CPaintManagerUI::OnButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    ::SetFocus(m_hWndPaint);
    POINT pt = PointOf(lParam);
    m_ptLastMousePos = pt;
    CControlUI* control = OwnControlAt(pt);
    if (control == nullptr) return;
    m_pEventClick = control;
    int type = UIEVENT_BUTTONDOWN;
    if (uMsg == WM_LBUTTONDBLCLK) {
        type = UIEVENT_DBLCLICK;
    } else {
        if (uMsg == WM_RBUTTONDOWN) type = UIEVENT_RBUTTONDOWN;
        control->SetFocus();
    }
    SetCapture();
    if (m_pEventClick != control) return;
    TEventUI event = MakeEvent(type, control);
    event.mousePoint = pt;
    event.keyState = LOWORD(wParam);
    if (type != UIEVENT_DBLCLICK) {
        event.wParam = wParam;
        event.lParam = lParam;
    }
    control->Event(event);
}

bool CPaintManagerUI::OnSetCursor(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(lParam) != HTCLIENT) return false;
    if (m_bMouseCapture) return true;
    POINT pt = {};
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWndPaint, &pt);
    CControlUI* control = FindControl(pt);
    if (control == nullptr || (control->GetControlFlags() & UIFLAG_SETCURSOR) == 0) return false;
    TEventUI event = MakeEvent(UIEVENT_SETCURSOR, control);
    event.mousePoint = pt;
    event.keyState = CurrentKeyState();
    event.wParam = wParam;
    event.lParam = lParam;
    control->Event(event);
    return true;
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes)
{
    if (m_hWndPaint == nullptr) return false;
    DeliverAsyncNotifications();
    for (int i = 0; i < m_aMessageFilters.GetSize(); i++) {
        bool handled = false;
        LRESULT result =
            static_cast<IMessageFilterUI*>(m_aMessageFilters[i])->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = result;
            return true;
        }
    }

    switch (uMsg) {
    case kMsgDelayedCleanup:
        DeleteDelayedCleanup();
        break;
    case WM_CLOSE: {
        // The controls still hold hover and press state; end both so nothing
        // stays pressed if the window is kept after all.
        if (m_pEventHover != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_MOUSELEAVE, m_pEventHover);
            event.mousePoint = m_ptLastMousePos;
            CControlUI* hover = m_pEventHover;
            m_pEventHover = nullptr;
            hover->Event(event);
        }
        if (m_pEventClick != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_BUTTONUP, m_pEventClick);
            event.mousePoint = m_ptLastMousePos;
            CControlUI* click = m_pEventClick;
            m_pEventClick = nullptr;
            if (m_bMouseCapture) ReleaseCapture();
            click->Event(event);
        }
        SetFocus(nullptr);
        HWND owner = ::GetWindow(m_hWndPaint, GW_OWNER);
        if (owner != nullptr) ::SetFocus(owner);
        break;
    }
    case WM_ERASEBKGND:
        lRes = 1;
        return true;
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_PRINTCLIENT: {
        if (m_pRoot == nullptr) break;
        HDC hDC = reinterpret_cast<HDC>(wParam);
        RECT rcClient = {};
        ::GetClientRect(m_hWndPaint, &rcClient);
        {
            ScopedSaveDC saved(hDC);
            m_pRoot->DoPaint(hDC, rcClient);
        }
        if ((lParam & PRF_CHILDREN) != 0) {
            for (HWND child = ::GetWindow(m_hWndPaint, GW_CHILD); child != nullptr;
                 child = ::GetWindow(child, GW_HWNDNEXT)) {
                RECT rcPos = {};
                ::GetWindowRect(child, &rcPos);
                ::MapWindowPoints(HWND_DESKTOP, m_hWndPaint, reinterpret_cast<LPPOINT>(&rcPos), 2);
                POINT oldOrigin = {};
                ::SetWindowOrgEx(hDC, -rcPos.left, -rcPos.top, &oldOrigin);
                ::SendMessageW(child, WM_PRINT, wParam, lParam | PRF_NONCLIENT);
                ::SetWindowOrgEx(hDC, oldOrigin.x, oldOrigin.y, nullptr);
            }
        }
        break;
    }
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (m_szMinWindow.cx > 0) info->ptMinTrackSize.x = m_szMinWindow.cx;
        if (m_szMinWindow.cy > 0) info->ptMinTrackSize.y = m_szMinWindow.cy;
        if (m_szMaxWindow.cx > 0) info->ptMaxTrackSize.x = m_szMaxWindow.cx;
        if (m_szMaxWindow.cy > 0) info->ptMaxTrackSize.y = m_szMaxWindow.cy;
        break;
    }
    case WM_SIZE:
        if (m_pFocus != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_WINDOWSIZE, m_pFocus);
            m_pFocus->Event(event);
        }
        if (m_pRoot != nullptr) m_pRoot->NeedUpdate();
        return true;
    case WM_TIMER:
        for (int i = 0; i < m_aTimers.GetSize(); i++) {
            TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
            if (info->window != m_hWndPaint || info->nativeId != wParam || info->killed) continue;
            TEventUI event = MakeEvent(UIEVENT_TIMER, info->sender);
            event.wParam = info->localId;
            event.lParam = lParam;
            info->sender->Event(event);
            break;
        }
        break;
    case WM_MOUSEHOVER:
        if (OnMouseHover(lParam)) return true;
        break;
    case WM_MOUSELEAVE:
        DeactivateTooltip();
        if (m_bMouseTracking) ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
        m_bMouseTracking = false;
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnButtonDown(uMsg, wParam, lParam);
        break;
    case WM_RBUTTONDOWN:
        if (!m_bMouseCapture) OnButtonDown(uMsg, wParam, lParam);
        break;
    case WM_LBUTTONUP: {
        POINT pt = PointOf(lParam);
        m_ptLastMousePos = pt;
        if (m_pEventClick == nullptr) break;
        CControlUI* click = m_pEventClick;
        m_pEventClick = nullptr;
        ReleaseCapture();
        TEventUI event = MakeEvent(UIEVENT_BUTTONUP, click);
        event.mousePoint = pt;
        event.keyState = LOWORD(wParam);
        event.wParam = wParam;
        event.lParam = lParam;
        click->Event(event);
        break;
    }
    case WM_CONTEXTMENU: {
        POINT pt = PointOf(lParam);
        ::ScreenToClient(m_hWndPaint, &pt);
        m_ptLastMousePos = pt;
        if (m_pEventClick == nullptr) break;
        CControlUI* click = m_pEventClick;
        m_pEventClick = nullptr;
        ReleaseCapture();
        TEventUI event = MakeEvent(UIEVENT_CONTEXTMENU, click);
        event.mousePoint = pt;
        event.keyState = LOWORD(wParam);
        event.lParam = reinterpret_cast<LPARAM>(click);
        click->Event(event);
        break;
    }
    case WM_MOUSEWHEEL: {
        POINT pt = PointOf(lParam);
        ::ScreenToClient(m_hWndPaint, &pt);
        m_ptLastMousePos = pt;
        CControlUI* control = OwnControlAt(pt);
        if (control == nullptr) break;
        TEventUI event = MakeEvent(UIEVENT_SCROLLWHEEL, control);
        event.mousePoint = pt;
        event.wParam = GET_WHEEL_DELTA_WPARAM(wParam) < 0 ? SB_LINEDOWN : SB_LINEUP;
        event.lParam = lParam;
        event.keyState = CurrentKeyState();
        control->Event(event);
        ::SendMessageW(m_hWndPaint, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
        break;
    }
    case WM_KEYDOWN:
    case WM_CHAR: {
        if (m_pFocus == nullptr) break;
        TEventUI event = MakeEvent(uMsg == WM_KEYDOWN ? UIEVENT_KEYDOWN : UIEVENT_CHAR, m_pFocus);
        event.key = static_cast<WCHAR>(wParam);
        event.keyState = CurrentKeyState();
        if (uMsg == WM_KEYDOWN) m_pEventKey = m_pFocus;
        m_pFocus->Event(event);
        break;
    }
    case WM_KEYUP: {
        if (m_pEventKey == nullptr) break;
        CControlUI* key = m_pEventKey;
        m_pEventKey = nullptr;
        TEventUI event = MakeEvent(UIEVENT_KEYUP, key);
        event.key = static_cast<WCHAR>(wParam);
        event.keyState = CurrentKeyState();
        key->Event(event);
        break;
    }
    case WM_KILLFOCUS:
        if (m_pFocus != nullptr) m_pFocus->ToLoseFocus();
        break;
    case WM_SETCURSOR:
        if (OnSetCursor(wParam, lParam)) return true;
        break;
    case WM_NOTIFY: {
        if (lParam == 0) return true;
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        lRes = ::SendMessageW(header->hwndFrom, kReflectBase + uMsg, wParam, lParam);
        return true;
    }
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (lParam == 0) break;
        lRes = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectBase + uMsg, wParam, lParam);
        return true;
    default:
        break;
    }

    DeliverAsyncNotifications();
    return false;
}

bool CPaintManagerUI::ActivateShortcut(WPARAM wParam)
{
    if (m_pRoot == nullptr) return false;
    FindShortcutInfo info = { static_cast<wchar_t>(towupper(static_cast<wint_t>(wParam))), false };
    if (info.ch == 0) return false;
    CControlUI* control =
        m_pRoot->FindControl(FindControlFromShortcut, &info, UIFIND_ENABLED | UIFIND_ME_FIRST | UIFIND_TOP_FIRST);
    if (control == nullptr) return false;
    control->SetFocus();
    control->Activate();
    return true;
}

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes)
{
    for (int i = 0; i < m_aPreMessageFilters.GetSize(); i++) {
        bool handled = false;
        LRESULT result =
            static_cast<IMessageFilterUI*>(m_aPreMessageFilters[i])->MessageHandler(uMsg, wParam, lParam, handled);
        if (handled) {
            lRes = result;
            return true;
        }
    }
    switch (uMsg) {
    case WM_KEYDOWN:
        if (wParam == VK_TAB) {
            if (m_pFocus != nullptr && m_pFocus->IsVisible() && m_pFocus->IsEnabled()
                && ClassContains(m_pFocus, L"RichEditUI") && (m_pFocus->GetControlFlags() & UIFLAG_WANTTAB) != 0) {
                return false;
            }
            SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
            return true;
        }
        if (wParam == VK_RETURN) {
            CControlUI* ok = FindControl(L"ok");
            if (ok == nullptr || ok == m_pFocus) return false;
            if (m_pFocus != nullptr && (m_pFocus->GetControlFlags() & UIFLAG_WANTRETURN) != 0) return false;
            ok->Activate();
            return true;
        }
        if (wParam == VK_ESCAPE) {
            CControlUI* cancel = FindControl(L"cancel");
            if (cancel == nullptr) return false;
            cancel->Activate();
            return true;
        }
        break;
    case WM_SYSCHAR:
        return ActivateShortcut(wParam);
    case WM_SYSKEYDOWN:
        if (m_pFocus != nullptr) {
            TEventUI event = MakeEvent(UIEVENT_SYSKEY, m_pFocus);
            event.key = static_cast<WCHAR>(wParam);
            event.mousePoint = m_ptLastMousePos;
            event.keyState = CurrentKeyState();
            m_pFocus->Event(event);
        }
        break;
    default:
        break;
    }
    return false;
}

bool CPaintManagerUI::TranslateAccelerator(LPMSG pMsg)
{
    for (int i = 0; i < m_aTranslateAccelerator.GetSize(); i++) {
        if (static_cast<ITranslateAccelerator*>(m_aTranslateAccelerator[i])->TranslateAccelerator(pMsg) == 0) {
            return true;
        }
    }
    return false;
}

bool CPaintManagerUI::TranslateMessage(const LPMSG pMsg)
{
    if (pMsg->hwnd == nullptr) return false;
    bool child = (::GetWindowLongW(pMsg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
    for (int i = 0; i < m_aPreMessages.GetSize(); i++) {
        CPaintManagerUI* manager = static_cast<CPaintManagerUI*>(m_aPreMessages[i]);
        HWND paintWnd = manager->GetPaintWindow();
        bool answers = pMsg->hwnd == paintWnd;
        for (HWND ancestor = child ? ::GetParent(pMsg->hwnd) : nullptr; ancestor != nullptr && !answers;
             ancestor = ::GetParent(ancestor)) {
            answers = ancestor == paintWnd;
        }
        if (!answers) continue;
        if (manager->TranslateAccelerator(pMsg)) return true;
        LRESULT lRes = 0;
        return manager->PreMessageHandler(pMsg->message, pMsg->wParam, pMsg->lParam, lRes);
    }
    return false;
}

void CPaintManagerUI::MessageLoop()
{
    MSG msg = {};
    // GetMessage answers -1 on failure; that ends the loop as well.
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// ---------------------------------------------------------------------------
// Window shadow

bool CPaintManagerUI::InitializeShadow(HINSTANCE instance)
{
    return RegisterShadowWindowClass(instance);
}

} // namespace SkinUI
