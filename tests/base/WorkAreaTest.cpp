#include "base/WorkArea.h"

#include <gtest/gtest.h>

#include <string>

namespace {

RECT g_fakeArea;

bool FakeArea(HMONITOR, RECT& work)
{
    work = g_fakeArea;
    return true;
}

bool Unreadable(HMONITOR, RECT&)
{
    return false;
}

}  // namespace

TEST(WorkArea, ClampKeepsARectangleInsideMonitorsOnEverySideOfThePrimary)
{
    const RECT primary = {0, 0, 1920, 1040};
    const RECT left = {-1280, 0, 0, 984};      // left of the primary
    const RECT above = {0, -1080, 1920, -40};  // above it, taskbar below
    const struct {
        const char* what;
        RECT area;
        POINT wanted;
        SIZE size;
        POINT expected;
    } cases[] = {
        {"fits", primary, {100, 120}, {140, 78}, {100, 120}},
        {"past the bottom right", primary, {1917, 1037}, {140, 78}, {1780, 962}},
        {"taller than the area", primary, {200, 300}, {140, 2000}, {200, 0}},
        {"left monitor, fits", left, {-1000, 500}, {140, 78}, {-1000, 500}},
        {"left monitor, past its right", left, {-3, 500}, {140, 78}, {-140, 500}},
        {"left monitor, wider than it", left, {-600, 500}, {1500, 78}, {-1280, 500}},
        {"above, past its bottom", above, {300, -45}, {140, 78}, {300, -118}},
        {"above, taller than it", above, {300, -900}, {140, 2000}, {300, -1080}},
        {"before the left and top edges", above, {-50, -2000}, {140, 78}, {0, -1080}},
        {"exactly as large", left, {-1280, 0}, {1280, 984}, {-1280, 0}},
    };
    for (const auto& c : cases) {
        const POINT at = ClampIntoArea(c.wanted, c.size, c.area);
        EXPECT_EQ(c.expected.x, at.x) << c.what;
        EXPECT_EQ(c.expected.y, at.y) << c.what;
    }
}

TEST(WorkArea, ReaderSeamAndTheFallbackToThePrimaryArea)
{
    g_fakeArea = {-1280, -200, 0, 824};
    const WorkAreaReader platform = SetWorkAreaReader(FakeArea);
    const RECT faked = WorkAreaAtPoint({-640, 300});
    EXPECT_TRUE(EqualRect(&faked, &g_fakeArea));
    const RECT ofWindow = WorkAreaOfWindow(GetDesktopWindow());
    EXPECT_TRUE(EqualRect(&ofWindow, &g_fakeArea));

    // A monitor that cannot be read gives the primary's area, never zeros.
    SetWorkAreaReader(Unreadable);
    RECT primary = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &primary, 0));
    const RECT fallback = WorkAreaAtPoint({10, 10});
    EXPECT_TRUE(EqualRect(&fallback, &primary));
    EXPECT_FALSE(IsRectEmpty(&fallback));

    EXPECT_EQ(SetWorkAreaReader(nullptr), Unreadable);
    EXPECT_NE(SetWorkAreaReader(nullptr), Unreadable) << "null did not put back the platform's reader";
    (void)platform;
}
