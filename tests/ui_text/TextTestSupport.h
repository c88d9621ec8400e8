// The host window and fixed-rect container of the ui_text tests, and the
// folder of their generated images.
#pragma once

#include "tests/support/UiHarness.h"

#include <windows.h>

#include <string>

using TestHost = FixedPanel;

// A host window that takes only the mouse messages the test posts, with the
// resource folder at the generated images.
class TestWindow : public PaintHost {
public:
    explicit TestWindow(int width = 200, int height = 100);

    // Posts a mouse message at client coordinates and runs the queue.
    void Mouse(UINT message, int x, int y) { Post(message, kPostedMark, MAKELPARAM(x, y)); }
    void Pump() { PumpUiMessages(); }
};

// The folder of the generated images, with a trailing backslash.
std::wstring FixtureDir();
