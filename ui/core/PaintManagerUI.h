#pragma once

#include "base/ScopedGdi.h"
#include "ui/core/StdPtrArray.h"
#include "ui/core/StdStringPtrMap.h"
#include "ui/core/UIDefs.h"
#include "ui/core/UIString.h"
#include "ui/core/ZipArchive.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

namespace SkinUI {

// Creation function exported by a control plug-in library ("CreateControl").
typedef CControlUI* (*LPCREATECONTROL)(const wchar_t* pstrType);

// The name of a window message, for traces. Unknown messages share one
// static buffer that the next such call overwrites.
const wchar_t* UI_TraceMsg(UINT uMsg);

// The per-window engine of the framework: owns the control tree of one
// native window, turns its messages into events, paints the tree
// double-buffered, runs control timers and delivers notifications. It also
// keeps the fonts, images and default attributes its controls draw with.
class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    void Init(HWND hWnd);
    void NeedUpdate();
    bool IsUpdateNeeded() const;
    void Invalidate(const RECT& rcItem);

    HDC GetPaintDC() const;
    HWND GetPaintWindow() const;
    HWND GetTooltipWindow() const;
    POINT GetMousePos() const;
    SIZE GetClientSize() const;
    SIZE GetInitSize() const;
    void SetInitSize(int cx, int cy);
    const RECT& GetSizeBox() const;
    void SetSizeBox(const RECT& rcSizeBox);
    const RECT& GetCaptionRect() const;
    void SetCaptionRect(const RECT& rcCaption);
    SIZE GetRoundCorner() const;
    void SetRoundCorner(int cx, int cy);
    SIZE GetMinInfo() const;
    void SetMinInfo(int cx, int cy);
    SIZE GetMaxInfo() const;
    void SetMaxInfo(int cx, int cy);
    int GetTransparent() const;
    void SetTransparent(int nOpacity);
    void SetBackgroundTransparent(bool bTrans);
    bool IsBackgroundTransparent() const;
    bool IsShowUpdateRect() const;
    void SetShowUpdateRect(bool show);

    // Process-wide resource settings: where skin files and images are read from.
    static HINSTANCE GetInstance();
    static void SetInstance(HINSTANCE hInst);
    static CUIString GetInstancePath();
    static CUIString GetCurrentPath();
    static void SetCurrentPath(const wchar_t* path);
    static HINSTANCE GetResourceDll();
    static void SetResourceDll(HINSTANCE hInst);
    static const CUIString& GetResourcePath();
    static void SetResourcePath(const wchar_t* path);
    static const CUIString& GetResourceZip();
    static bool IsCachedResourceZip();
    static ZipReader* GetResourceZipHandle();
    // An archive in the resource folder, opened once for the process when cached.
    static void SetResourceZip(const wchar_t* zipName, bool cachedResourceZip = false);
    // An archive in memory; the first one stays for the life of the process.
    static void SetResourceZip(const void* data, unsigned int length);
    // Closes a cached process-wide archive.
    static void Term();

    // Face name of the default font of paint managers created afterwards.
    static void SetDefaultFontName(const wchar_t* faceName);
    static void GetHSL(short* H, short* S, short* L);
    // The first argument has no effect; it is kept for callers that pass it.
    static void SetHSL(bool bUseHSL, short H, short S, short L);
    static void ReloadSkin();

    // Control plug-ins: libraries exporting "CreateControl".
    static bool LoadPlugin(const wchar_t* pstrModuleName);
    static CStdPtrArray* GetPlugins();

    // Resource chain: lookups that miss here continue in the parent.
    bool UseParentResource(CPaintManagerUI* pm);
    CPaintManagerUI* GetParentResource() const;

    DWORD GetDefaultDisabledColor() const;
    void SetDefaultDisabledColor(DWORD dwColor);
    DWORD GetDefaultFontColor() const;
    void SetDefaultFontColor(DWORD dwColor);
    DWORD GetDefaultLinkFontColor() const;
    void SetDefaultLinkFontColor(DWORD dwColor);
    DWORD GetDefaultLinkHoverFontColor() const;
    void SetDefaultLinkHoverFontColor(DWORD dwColor);
    DWORD GetDefaultSelectedBkColor() const;
    void SetDefaultSelectedBkColor(DWORD dwColor);

    TFontInfo* GetDefaultFontInfo();
    void SetDefaultFont(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    int GetCustomFontCount() const;
    HFONT AddFont(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    HFONT AddFontAt(int index, const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    HFONT GetFont(int index);
    HFONT GetFont(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    bool FindFont(HFONT hFont);
    bool FindFont(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    int GetFontIndex(HFONT hFont);
    int GetFontIndex(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic);
    bool RemoveFont(HFONT hFont);
    bool RemoveFontAt(int index);
    void RemoveAllFonts();
    TFontInfo* GetFontInfo(int index);
    TFontInfo* GetFontInfo(HFONT hFont);

    TImageInfo* GetImage(const wchar_t* bitmap);
    TImageInfo* GetImageEx(const wchar_t* bitmap, const wchar_t* type = nullptr, DWORD mask = 0);
    // A name that is already registered keeps its image: the registered one is
    // returned and the new load (or the given bitmap) is released.
    TImageInfo* AddImage(const wchar_t* bitmap, const wchar_t* type = nullptr, DWORD mask = 0);
    TImageInfo* AddImage(const wchar_t* bitmap, HBITMAP hBitmap, int iWidth, int iHeight, bool bAlpha);
    bool RemoveImage(const wchar_t* bitmap);
    void RemoveAllImages();
    void ReloadAllImages();

    void AddDefaultAttributeList(const wchar_t* pStrControlName, const wchar_t* pStrControlAttrList);
    const wchar_t* GetDefaultAttributeList(const wchar_t* pStrControlName) const;
    bool RemoveDefaultAttributeList(const wchar_t* pStrControlName);
    const CStdStringPtrMap& GetDefaultAttribultes() const;
    void RemoveAllDefaultAttributeList();

    bool AddOptionGroup(const wchar_t* pStrGroupName, CControlUI* pControl);
    CStdPtrArray* GetOptionGroup(const wchar_t* pStrGroupName);
    void RemoveOptionGroup(const wchar_t* pStrGroupName, CControlUI* pControl);
    void RemoveAllOptionGroups();

    // Control tree.
    bool AttachDialog(CControlUI* pControl);
    bool InitControls(CControlUI* pControl, CControlUI* pParent = nullptr);
    void ReapObjects(CControlUI* pControl);
    bool AddDelayedCleanup(CControlUI* pControl);
    CControlUI* GetRoot() const;

    CControlUI* FindControl(POINT pt) const;
    CControlUI* FindControl(const wchar_t* pstrName) const;
    CControlUI* FindSubControlByPoint(CControlUI* pParent, POINT pt) const;
    CControlUI* FindSubControlByName(CControlUI* pParent, const wchar_t* pstrName) const;
    CControlUI* FindSubControlByClass(CControlUI* pParent, const wchar_t* pstrClass, int iIndex = 0);
    CStdPtrArray* FindSubControlsByClass(CControlUI* pParent, const wchar_t* pstrClass);
    CStdPtrArray* GetSubControlsByClass();
    CControlUI* FindParentControlByClass(CControlUI* pControl, const wchar_t* pstrClass) const;

    // Focus.
    CControlUI* GetFocus() const;
    void SetFocus(CControlUI* pControl);
    void SetFocusNeeded(CControlUI* pControl);
    bool SetNextTabControl(bool bForward = true);

    // Timers: each control timer gets a native id of its own on the window.
    bool SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse);
    bool KillTimer(CControlUI* pControl, UINT nTimerID);
    void KillTimer(CControlUI* pControl);
    void RemoveAllTimers();

    // Mouse.
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured() const;
    void ClearMouseEvent();

    // Notifications and message filters; none of them is owned.
    bool AddNotifier(INotifyUI* pControl);
    bool RemoveNotifier(INotifyUI* pControl);
    void SendNotify(TNotifyUI& Msg, bool bAsync = false);
    void SendNotify(CControlUI* pControl, const wchar_t* pstrMessage, WPARAM wParam = 0, LPARAM lParam = 0,
        bool bAsync = false);
    void UsedVirtualWnd(bool bUsed);

    bool AddPreMessageFilter(IMessageFilterUI* pFilter);
    bool RemovePreMessageFilter(IMessageFilterUI* pFilter);
    bool AddMessageFilter(IMessageFilterUI* pFilter);
    bool RemoveMessageFilter(IMessageFilterUI* pFilter);
    bool AddTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator);
    bool RemoveTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator);

    // Controls painted after the tree, in list order.
    int GetPostPaintCount() const;
    bool AddPostPaint(CControlUI* pControl);
    bool RemovePostPaint(CControlUI* pControl);
    bool SetPostPaintIndex(CControlUI* pControl, int iIndex);

    // Dispatch. MessageHandler returns true when it handled the message.
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);
    bool TranslateAccelerator(LPMSG pMsg);
    // Offers a message of the loop to the paint manager of its window;
    // true means it was taken and must be neither translated nor dispatched.
    static bool TranslateMessage(const LPMSG pMsg);
    static void MessageLoop();

    // Window shadow: registers the window class "UIShadowWnd" on the first
    // successful call, when the platform has layered windows.
    static bool InitializeShadow(HINSTANCE instance);

private:
    // Families of window messages: each answers whether the message was its
    // own and sets handled when the window procedure must not see it.
    bool OnWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes, bool& handled);
    bool OnMouseMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled);
    bool OnKeyMessage(UINT uMsg, WPARAM wParam);
    void OnChildMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes, bool& handled);
    void OnClose();
    void OnTimer(WPARAM nativeId, LPARAM lParam);
    // The pressed control at the end of its press (null without one): the
    // press and the capture are released.
    CControlUI* EndClick(POINT pt);
    void OnButtonUp(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(WPARAM wParam, LPARAM lParam);
    void OnMouseWheel(WPARAM wParam, LPARAM lParam);
    void PrintClient(HDC hDC, LPARAM flags);
    void OnPaint();
    void LayoutPending();
    void DeliverAsyncNotifications();
    void NotifyNow(TNotifyUI& Msg);
    void DeleteDelayedCleanup();
    bool OnMouseHover(LPARAM lParam);
    void OnMouseMove(LPARAM lParam);
    bool OnSetCursor(WPARAM wParam, LPARAM lParam);
    void OnButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void ShowTooltip(CControlUI* pControl);
    void DeactivateTooltip();
    CControlUI* OwnControlAt(POINT pt) const;
    CControlUI* FindTabCandidate(CControlUI* pFrom, bool bForward, CControlUI** ppLastSeen) const;
    bool ActivateShortcut(WPARAM wParam);
    void ReleaseOffscreen();
    UINT NextNativeTimerId();
    static WORD CurrentKeyState();

    CPaintManagerUI* ChainTop();
    const CPaintManagerUI* ChainTop() const;
    void MeasureFont(TFontInfo* info) const;
    static HFONT CreateRegistryFont(const wchar_t* faceName, int size, bool bold, bool underline, bool italic);

    static CControlUI* FindControlFromNameHash(CControlUI* pThis, LPVOID pData);
    static CControlUI* FindControlFromPoint(CControlUI* pThis, LPVOID pData);
    static CControlUI* FindControlFromTab(CControlUI* pThis, LPVOID pData);
    static CControlUI* FindControlFromShortcut(CControlUI* pThis, LPVOID pData);
    static CControlUI* FindControlFromUpdate(CControlUI* pThis, LPVOID pData);
    static CControlUI* FindControlFromName(CControlUI* pThis, LPVOID pData);
    static CControlUI* FindControlFromClass(CControlUI* pThis, LPVOID pData);

    HWND m_hWndPaint;
    int m_nOpacity;
    ScopedWindowDC m_hDcPaint;
    ScopedCreatedDC m_hDcOffscreen;
    ScopedCreatedDC m_hDcBackground;
    ScopedBitmap m_hbmpOffscreen;
    ScopedBitmap m_hbmpBackground;
    HWND m_hwndTooltip;
    TOOLINFOW m_ToolTip;
    bool m_bShowUpdateRect;

    CControlUI* m_pRoot;
    CControlUI* m_pFocus;
    CControlUI* m_pEventHover;
    CControlUI* m_pEventClick;
    CControlUI* m_pEventKey;

    POINT m_ptLastMousePos;
    SIZE m_szMinWindow;
    SIZE m_szMaxWindow;
    SIZE m_szInitWindowSize;
    RECT m_rcSizeBox;
    SIZE m_szRoundCorner;
    RECT m_rcCaption;

    UINT m_uTimerID;

    bool m_bFirstLayout;
    bool m_bUpdateNeeded;
    // While a layout pass runs, the rects its controls invalidate are joined
    // and handed to the window once: one request per control is slow.
    bool m_bCollectInvalid;
    RECT m_rcCollectedInvalid;
    bool m_bFocusNeeded;
    bool m_bOffscreenPaint;
    bool m_bAlphaBackground;
    bool m_bMouseTracking;
    bool m_bMouseCapture;
    bool m_bUsedVirtualWnd;

    CStdPtrArray m_aNotifiers;
    CStdPtrArray m_aTimers;
    CStdPtrArray m_aPreMessageFilters;
    CStdPtrArray m_aMessageFilters;
    CStdPtrArray m_aPostPaintControls;
    CStdPtrArray m_aDelayedCleanup;
    CStdPtrArray m_aAsyncNotify;
    CStdPtrArray m_aFoundControls;
    CStdStringPtrMap m_mNameHash;
    CStdStringPtrMap m_mOptionGroup;

    CPaintManagerUI* m_pParentResourcePM;
    DWORD m_dwDefaultDisabledColor;
    DWORD m_dwDefaultFontColor;
    DWORD m_dwDefaultLinkFontColor;
    DWORD m_dwDefaultLinkHoverFontColor;
    DWORD m_dwDefaultSelectedBkColor;
    TFontInfo m_DefaultFontInfo;
    CStdPtrArray m_aCustomFonts;
    CStdStringPtrMap m_mImageHash;
    CStdStringPtrMap m_DefaultAttrHash;
    CStdPtrArray m_aTranslateAccelerator;

    static CStdPtrArray m_aPreMessages;
    static CStdPtrArray m_aPlugins;
    static HINSTANCE m_hInstance;
    static HINSTANCE m_hResourceInstance;
    static CUIString m_pStrResourcePath;
    static CUIString m_pStrResourceZip;
    static bool m_bCachedResourceZip;
    static std::unique_ptr<ZipReader> m_hResourceZip;
    static CUIString m_pStrDefaultFontName;
    static short m_H;
    static short m_S;
    static short m_L;
    static ScopedPen m_hUpdateRectPen;
    // Live paint managers; the last one to go deletes the update pen.
    static int m_nInstances;
};

} // namespace SkinUI
