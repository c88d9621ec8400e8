// What the SkinUI tests and benchmarks draw with: a real window driven by its
// paint manager, a control that holds children at fixed rectangles, and
// pixels read back from 32-bit sections.
#pragma once

#include "base/ScopedGdi.h"
#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Marks mouse messages that a test posted itself, so that a host window that
// takes only those drops the leave and hover messages the system makes for
// the shared display's real pointer.
constexpr WPARAM kPostedMark = 0x1000;

// Runs the thread's queue through the paint manager's pre-translation. A
// quit message is not ours to take: it is left for the one that posted it.
void PumpUiMessages();

// A top-down 32-bit DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height, DWORD fill = 0xFFFFFFFF);
    HDC dc() const { return m_dc.Get(); }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // 0xAARRGGBB as stored; all pixels row by row once drawing has landed.
    DWORD At(int x, int y) const { return Bits()[y * m_width + x]; }
    const DWORD* Bits() const;
    void Fill(DWORD color);

private:
    int m_width;
    int m_height;
    ScopedBitmap m_bitmap;  // before m_bits, which is made with it
    DWORD* m_bits = nullptr;
    ScopedCreatedDC m_dc;
    ScopedSelectObject m_select;
};

// 0x00RRGGBB pixels row by row: what was drawn into a canvas, or a window's
// client area as the window paints it (WM_PRINTCLIENT onto the background).
struct Pixels {
    Pixels() = default;
    explicit Pixels(const Canvas& canvas);
    explicit Pixels(HWND window, DWORD background = 0x000000);

    // 0xDEADBEEF outside the pixels.
    DWORD At(int x, int y) const;
    // Pixels inside rc (or outside it) that differ from the colour.
    int CountOther(const RECT& rc, DWORD color, bool inside = true) const;
    // Pixels (inside rc when given) whose every channel is within tolerance
    // of the colour's.
    int CountNear(DWORD color, int tolerance, const RECT* rc = nullptr) const;
    // The smallest rect holding every pixel that differs from the colour.
    RECT InkBox(DWORD color) const;

    int width = 0;
    int height = 0;
    std::vector<DWORD> data;
};

// Paints into a fresh section filled with the background colour.
Pixels Render(int width, int height, DWORD background, const std::function<void(HDC)>& paint);

// How a host window is made and what reaches its paint manager.
struct HostStyle {
    POINT at = {10, 10};
    DWORD exStyle = WS_EX_TOOLWINDOW;
    // Shown with activation; otherwise without, which Wine destroys at once
    // instead of waiting two seconds for the window manager.
    bool activate = false;
    // Only leave and hover messages marked with kPostedMark get through.
    bool onlyPostedHover = false;
    // WM_CLOSE leaves it open, as a busy window keeps itself.
    bool keepOpen = false;
    // The host is a notifier of its paint manager and keeps notes.
    bool keepNotes = true;
};

// A visible popup whose messages go to its paint manager. Its notifications
// are kept in notes as describe writes them ("type:sender" unless set).
class PaintHost : public SkinUI::INotifyUI {
public:
    PaintHost(int width, int height, HostStyle style = HostStyle());
    ~PaintHost();
    PaintHost(const PaintHost&) = delete;
    PaintHost& operator=(const PaintHost&) = delete;

    void Notify(SkinUI::TNotifyUI& msg) override;
    // Attaches the root and paints once, so the tree is laid out.
    void Attach(SkinUI::CControlUI* root);
    // Paints the whole client area now.
    void Repaint();
    // Posts a message and runs the queue.
    void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void Resize(int width, int height);
    // Paints, then reads the client area back.
    Pixels Capture(DWORD background = 0x000000);

    SkinUI::CPaintManagerUI pm;
    HWND hwnd = nullptr;
    int width;
    int height;
    std::vector<std::wstring> notes;
    std::function<std::wstring(const SkinUI::TNotifyUI&)> describe;

private:
    HostStyle m_style;
    friend LRESULT CALLBACK PaintHostProc(HWND, UINT, WPARAM, LPARAM);
};

// A control whose children lie at fixed rectangles; it owns them.
class FixedPanel : public SkinUI::CControlUI {
public:
    ~FixedPanel() override;
    // Takes ownership; the child is placed at rc whenever the panel is.
    template <class T>
    T* Add(T* child, RECT rc)
    {
        AddChild(child, rc);
        return child;
    }
    // Takes the child out; the caller owns it again.
    void Remove(SkinUI::CControlUI* child);

    void SetManager(SkinUI::CPaintManagerUI* manager, SkinUI::CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc) override;
    SkinUI::CControlUI* FindControl(SkinUI::FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

private:
    void AddChild(SkinUI::CControlUI* child, RECT rc);

    struct Child {
        SkinUI::CControlUI* control;
        RECT rc;
    };
    std::vector<Child> m_children;
};
