#pragma once

#include <windows.h>

// Where windows may lie on the screen: a monitor's work area (the monitor
// less the taskbar), in virtual-screen coordinates, which are negative for a
// monitor left of or above the primary one.

// The work area of the monitor nearest the window, or of the one nearest the
// point; the primary monitor's when the monitor's cannot be read, never a
// rectangle of zeros.
RECT WorkAreaOfWindow(HWND window);
RECT WorkAreaAtPoint(POINT point);

// The top-left corner for a rectangle of the size wanted at the corner,
// moved no further than needed to lie inside the area: one that goes past
// the right or bottom edge is moved back to touch it; one that starts before
// the left or top edge, or is larger than the area, starts at that edge.
POINT ClampIntoArea(POINT wanted, SIZE size, const RECT& area);

// Test seam: how a monitor's work area is read; false when it cannot be.
// Null puts back the platform's; the previous reader is returned.
using WorkAreaReader = bool (*)(HMONITOR monitor, RECT& work);
WorkAreaReader SetWorkAreaReader(WorkAreaReader reader);
