// A test-only container control and a real window driven by its paint
// manager, for the ui_paint tests.
#pragma once

#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"

#include <windows.h>

#include <string>
#include <vector>

// Marks mouse messages that a test posted itself, so that leave and hover
// messages made by the system for a pointer elsewhere on the shared display
// are dropped by the test window.
const WPARAM kPostedMark = 0x1000;

using EventLog = std::vector<std::wstring>;

// A control with children at fixed rectangles; it records every event it
// receives as "name:event" and its activations as "name:activate".
class TestBox : public SkinUI::CControlUI {
public:
    TestBox(const wchar_t* name, RECT layout, EventLog* log, const wchar_t* className = L"TestBoxUI");
    ~TestBox() override;

    TestBox* Add(TestBox* child);
    // Takes the child out of the tree; the caller owns it.
    void Remove(TestBox* child);

    const wchar_t* GetClass() const override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetManager(SkinUI::CPaintManagerUI* manager, SkinUI::CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc) override;
    SkinUI::CControlUI* FindControl(SkinUI::FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void DoEvent(SkinUI::TEventUI& event) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

    UINT flags = 0;
    int setPosCount = 0;
    bool* destroyed = nullptr;

private:
    RECT m_layout;
    EventLog* m_log;
    std::wstring m_className;
    std::vector<TestBox*> m_children;
};

// Receives notifications as "type:sender" ("-" without a sender), with
// "@name" for a virtual window name.
class NotifyLog : public SkinUI::INotifyUI {
public:
    explicit NotifyLog(EventLog* log) : m_log(log) {}
    void Notify(SkinUI::TNotifyUI& msg) override;

private:
    EventLog* m_log;
};

// A visible popup window whose messages go to its paint manager.
class TestWindow {
public:
    explicit TestWindow(int width = 200, int height = 100);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    // Attaches the root and paints once, so the tree is laid out.
    void Attach(SkinUI::CControlUI* root);
    // Posts a mouse message at client coordinates and runs the queue.
    void Mouse(UINT message, int x, int y, WPARAM wParam = 0);
    void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Runs the queue through the paint manager's pre-translation.
    void Pump();
    // Repaints the whole client area now.
    void Repaint();

    SkinUI::CPaintManagerUI pm;
    HWND hwnd = nullptr;
};

// Sets or clears Shift in the thread's keyboard state.
void SetShiftDown(bool down);
// The log without hover and cursor events, and one move for a run of moves
// (the system may add its own moves for the pointer).
EventLog Compact(const EventLog& log);
std::wstring Join(const EventLog& log);
