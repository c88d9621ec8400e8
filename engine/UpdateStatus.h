#pragma once

#include <windows.h>

#include <memory>

// Status message from the worker to the update window. wParam is a heap copy
// (new char[]) of a NUL-terminated narrow text that the receiver takes over;
// lParam is a percentage, or -1 when only the text changes.
constexpr UINT WM_UPDATE_STATUS = WM_USER + 120;

// The update window's native handle, set by the window before any worker runs.
extern HWND g_hUpdateWnd;

// Posts a copy of the text with the percent to g_hUpdateWnd. A null text, or
// no window yet, posts nothing; a copy whose post fails is freed here.
void PostStatus(const char* text, int percent);

// Takes over the text carried by a WM_UPDATE_STATUS wParam.
std::unique_ptr<char[]> TakeStatusText(WPARAM wParam);
