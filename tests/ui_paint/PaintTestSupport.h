// A test-only container control and a real window driven by its paint
// manager, for the ui_paint tests.
#pragma once

#include "tests/support/UiHarness.h"

#include <windows.h>

#include <string>
#include <vector>

using EventLog = std::vector<std::wstring>;

// A container of other boxes, each at its own fixed rectangle; it records
// every event it receives as "name:event" and its activations as
// "name:activate".
class TestBox : public FixedPanel {
public:
    TestBox(const wchar_t* name, RECT layout, EventLog* log, const wchar_t* className = L"TestBoxUI");
    ~TestBox() override;

    TestBox* Add(TestBox* child) { return FixedPanel::Add(child, child->m_layout); }

    const wchar_t* GetClass() const override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetPos(RECT rc) override;
    void DoEvent(SkinUI::TEventUI& event) override;

    UINT flags = 0;
    int setPosCount = 0;
    bool* destroyed = nullptr;

private:
    RECT m_layout;
    EventLog* m_log;
    std::wstring m_className;
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

// The host window as the paint manager tests want it: only the mouse
// messages they post, kept open on WM_CLOSE, and no notifier of its own.
class TestWindow : public PaintHost {
public:
    explicit TestWindow(int width = 200, int height = 100);

    // Posts a mouse message at client coordinates and runs the queue.
    void Mouse(UINT message, int x, int y, WPARAM wParam = 0);
    void Pump() { PumpUiMessages(); }
};

// Sets or clears Shift in the thread's keyboard state.
void SetShiftDown(bool down);
// The log without hover and cursor events, and one move for a run of moves
// (the system may add its own moves for the pointer).
EventLog Compact(const EventLog& log);
std::wstring Join(const EventLog& log);
