#pragma once

#include "base/ScopedGdi.h"
#include "ui/core/StringOrId.h"
#include "ui/core/UIDefs.h"
#include "ui/core/UIString.h"

#include <windows.h>

namespace SkinUI {

class CControlUI;
class CPaintManagerUI;

// A 32-bit BI_RGB section, top-down unless asked otherwise; bits receives its
// pixels. Empty (and bits null) on failure.
ScopedBitmap Create32BitSection(HDC hDC, int width, int height, DWORD** bits, bool topDown = true);

// Clips a device context for as long as it lives, then puts the context's
// previous clip back.
class CRenderClip {
public:
    CRenderClip();
    CRenderClip(const CRenderClip&) = delete;
    CRenderClip& operator=(const CRenderClip&) = delete;
    ~CRenderClip();

    // Clip to rc within the current clip.
    static void GenerateClip(HDC hDC, RECT rc, CRenderClip& clip);
    // Clip to rc within the current clip and a rounded item rect.
    static void GenerateRoundClip(HDC hDC, RECT rc, RECT rcItem, int width, int height, CRenderClip& clip);
    // Paint for a moment with the clip as it was before.
    static void UseOldClipBegin(HDC hDC, CRenderClip& clip);
    static void UseOldClipEnd(HDC hDC, CRenderClip& clip);

private:
    void Restore();

    RECT m_clipRect;
    HDC m_dc;
    ScopedRegion m_clipRegion;
    // The context's own clip region when the clip was made; empty when the
    // context had none.
    ScopedRegion m_savedRegion;
};

// Stateless drawing services of the controls. Colours are 0xAARRGGBB.
class CRenderEngine {
public:
    static TImageInfo* LoadImageW(STRINGorID bitmap, const wchar_t* type = nullptr, DWORD mask = 0);
    static void FreeImage(TImageInfo* image);

    static DWORD AdjustColor(DWORD color, short H, short S, short L);

    static void DrawImage(HDC hDC, HBITMAP hBitmap, const RECT& rc, const RECT& rcPaint, const RECT& rcBmpPart,
                          const RECT& rcCorners, bool alphaChannel, BYTE fade = 255, bool hole = false,
                          bool xtiled = false, bool ytiled = false);
    // Draws the images of a descriptor and its modifier over rcItem, limited
    // to rcPaint. False only without a manager or context.
    static bool DrawImageString(HDC hDC, CPaintManagerUI* manager, const RECT& rcItem, const RECT& rcPaint,
                                const wchar_t* image, const wchar_t* modify = nullptr, bool tileWhole = false);
    static void DrawColor(HDC hDC, const RECT& rc, DWORD color);
    static void DrawGradient(HDC hDC, const RECT& rc, DWORD first, DWORD second, bool vertical, int steps);

    // From (left, top) to (right, bottom).
    static void DrawLine(HDC hDC, const RECT& rc, int size, DWORD color, int style = PS_SOLID);
    static void DrawRect(HDC hDC, const RECT& rc, int size, DWORD color);
    static void DrawRoundRect(HDC hDC, const RECT& rc, int size, int width, int height, DWORD color);

    static void DrawTextW(HDC hDC, CPaintManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color, int font,
                          UINT style);
    // linkCount: room in links and linkTexts on entry, links drawn on return.
    static void DrawHtmlText(HDC hDC, CPaintManagerUI* manager, RECT& rc, const wchar_t* text, DWORD color,
                             RECT* links, CUIString* linkTexts, int& linkCount, UINT style);
    static SIZE GetTextSize(HDC hDC, CPaintManagerUI* manager, const wchar_t* text, int font, UINT style);

    static void DoPaintAlphaBitmap(HDC hDC, CPaintManagerUI* manager, HBITMAP hBitmap, RECT rc, BYTE alpha);
    // A 32-bit bitmap of the control painted over rc; the caller deletes it.
    static HBITMAP GenerateBitmap(CPaintManagerUI* manager, CControlUI* control, RECT rc, DWORD filterColor = 0);
    // Bit 0 of flags: blend; bit 1: hide.
    static void DoAnimateWindow(HWND hWnd, UINT flags, DWORD duration = 200);

    // False: blend and fill gradients with the engine's own code even where
    // msimg32 has AlphaBlend and GradientFill (systems without them run that
    // code; tests compare the two).
    static void UsePlatformFunctions(bool use);
};

} // namespace SkinUI
