// A test-only container, a real window driven by its paint manager, and
// pixels read back from 32-bit sections, for the ui_text tests.
#pragma once

#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Marks mouse messages the test posted, so that leave and hover messages the
// system makes for the shared display's real pointer are dropped.
const WPARAM kPostedMark = 0x1000;

// Children at fixed rectangles; owns them.
class TestHost : public SkinUI::CControlUI {
public:
    ~TestHost() override;
    template <class T>
    T* Add(T* child, RECT rc)
    {
        m_children.push_back({ child, rc });
        return child;
    }
    void SetManager(SkinUI::CPaintManagerUI* manager, SkinUI::CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc) override;
    SkinUI::CControlUI* FindControl(SkinUI::FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

private:
    struct Child {
        SkinUI::CControlUI* control;
        RECT rc;
    };
    std::vector<Child> m_children;
};

// 0x00RRGGBB pixels of a top-down section.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> data;
    DWORD At(int x, int y) const { return data[static_cast<size_t>(y * width + x)] & 0xFFFFFF; }
    // Pixels inside rc (or outside it) that differ from colour.
    int CountOther(const RECT& rc, DWORD color, bool inside = true) const;
    // Pixels (inside rc when given) whose every channel is within tolerance
    // of colour's.
    int CountNear(DWORD color, int tolerance, const RECT* rc = nullptr) const;
    // Smallest rect holding every pixel that differs from colour.
    RECT InkBox(DWORD color) const;
};

// Paints into a fresh section filled with the background colour.
Pixels Render(int width, int height, DWORD background, const std::function<void(HDC)>& paint);

// A visible popup whose messages go to its paint manager; notifications are
// logged as "type:sender".
class TestWindow : public SkinUI::INotifyUI {
public:
    explicit TestWindow(int width = 200, int height = 100);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    void Notify(SkinUI::TNotifyUI& msg) override;
    // Attaches the root and paints once, so the tree is laid out.
    void Attach(SkinUI::CControlUI* root);
    // Posts a mouse message at client coordinates and runs the queue.
    void Mouse(UINT message, int x, int y);
    void Pump();
    // Lays out and paints through WM_PAINT, then reads the client area back
    // through WM_PRINTCLIENT.
    Pixels Capture(DWORD background = 0x000000);

    SkinUI::CPaintManagerUI pm;
    HWND hwnd = nullptr;
    int width;
    int height;
    std::vector<std::wstring> notes;
};

// The folder of the generated images, with a trailing backslash.
std::wstring FixtureDir();
