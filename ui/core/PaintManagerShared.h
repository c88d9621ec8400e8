#pragma once

// What the paint manager's source files share; not part of SkinUI's
// interface.

#include "ui/core/UIDefs.h"

#include <windows.h>
#include <windowsx.h>

#include <cwchar>

namespace SkinUI {
namespace paint_manager {

// Posted to the window to delete the controls of the delayed-cleanup list.
const UINT kMsgDelayedCleanup = WM_APP + 1;

inline TEventUI MakeEvent(int type, CControlUI* sender)
{
    TEventUI event = {};
    event.type = type;
    event.sender = sender;
    event.timestamp = ::GetTickCount();
    return event;
}

inline POINT PointOf(LPARAM lParam)
{
    POINT pt = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    return pt;
}

inline bool ClassContains(CControlUI* control, const wchar_t* part)
{
    const wchar_t* name = control->GetClass();
    return name != nullptr && wcsstr(name, part) != nullptr;
}

} // namespace paint_manager
} // namespace SkinUI
