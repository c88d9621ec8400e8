// Pixels, fixtures, a test-only container and a real window for the
// ui_render tests and the paint benchmark.
#pragma once

#include "tests/support/UiHarness.h"

#include <windows.h>

#include <string>
#include <vector>

// Largest difference of the red, green and blue bytes.
int ColorDistance(DWORD a, DWORD b);
std::string ColorText(DWORD color);

// Points the resource settings at the fixture folder's skin.
enum class SkinSource { Folder, Zip, CachedZip, MemoryZip };
void UseSkin(SkinSource source);
std::wstring FixturePath(const char* name);

// A container of children at fixed rects, placed as they are added; records
// the events that reach it.
class TestPanel : public FixedPanel {
public:
    // Takes ownership.
    SkinUI::CControlUI* Add(SkinUI::CControlUI* child, RECT pos);
    void DoEvent(SkinUI::TEventUI& event) override;

    std::vector<int> events;
};

// The host window as the ui_render tests want it: at 0,0, shown with
// activation; notifications are kept as "type:wParam".
class TestWindow : public PaintHost {
public:
    TestWindow(int width, int height);
    // Runs the queue until pred holds; false after three seconds.
    template <typename Pred>
    bool PumpUntil(Pred pred)
    {
        for (DWORD start = GetTickCount(); !pred(); PumpOnce()) {
            if (GetTickCount() - start > 3000) return false;
        }
        return true;
    }
    void PumpOnce();
};
