#include "base/WorkArea.h"

#include <atomic>

namespace {

bool ReadMonitorWorkArea(HMONITOR monitor, RECT& work)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (monitor == nullptr || !GetMonitorInfoW(monitor, &info))
        return false;
    work = info.rcWork;
    return true;
}

std::atomic<WorkAreaReader> g_reader{ReadMonitorWorkArea};

RECT WorkAreaOf(HMONITOR monitor)
{
    RECT work = {};
    if (g_reader.load()(monitor, work))
        return work;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return work;
}

int ClampSpan(int start, int length, int low, int high)
{
    if (start + length > high)
        start = high - length;
    return start < low ? low : start;
}

}  // namespace

RECT WorkAreaOfWindow(HWND window)
{
    return WorkAreaOf(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

RECT WorkAreaAtPoint(POINT point)
{
    return WorkAreaOf(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
}

POINT ClampIntoArea(POINT wanted, SIZE size, const RECT& area)
{
    return POINT{ClampSpan(wanted.x, size.cx, area.left, area.right),
                 ClampSpan(wanted.y, size.cy, area.top, area.bottom)};
}

WorkAreaReader SetWorkAreaReader(WorkAreaReader reader)
{
    return g_reader.exchange(reader != nullptr ? reader : ReadMonitorWorkArea);
}
