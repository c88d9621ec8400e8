// Pixels, a test-only container and a real window for the ui_render tests
// and the paint benchmark.
#pragma once

#include "base/ScopedGdi.h"
#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"

#include <windows.h>

#include <string>
#include <vector>

// A top-down 32-bit DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height, DWORD fill = 0xFFFFFFFF);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return m_dc.Get(); }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // 0xAARRGGBB as stored (blue in the low byte).
    DWORD At(int x, int y) const;
    // All pixels, row by row, after pending drawing has landed.
    const DWORD* Pixels() const;
    void Fill(DWORD color);

private:
    int m_width;
    int m_height;
    DWORD* m_bits = nullptr;
    ScopedCreatedDC m_dc;
    ScopedBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
};

// Largest difference of the red, green and blue bytes.
int ColorDistance(DWORD a, DWORD b);
std::string ColorText(DWORD color);

// Points the paint manager's resource settings at the fixture folder.
enum class SkinSource { Folder, Zip, CachedZip, MemoryZip };
void UseSkin(SkinSource source);
std::wstring FixturePath(const char* name);

// A container of fixed children: enough of one for painting, finding and
// focusing a tree.
class TestPanel : public SkinUI::CControlUI {
public:
    ~TestPanel() override;

    // Takes ownership; the child's rect is set at once.
    SkinUI::CControlUI* Add(SkinUI::CControlUI* child, RECT pos);
    void SetManager(SkinUI::CPaintManagerUI* manager, SkinUI::CControlUI* parent, bool init = true) override;
    SkinUI::CControlUI* FindControl(SkinUI::FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void DoEvent(SkinUI::TEventUI& event) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

    // Events that reached the panel's own DoEvent.
    std::vector<int> events;

private:
    std::vector<SkinUI::CControlUI*> m_children;
};

// Receives notifications as "type:wParam".
class NotifyRecorder : public SkinUI::INotifyUI {
public:
    void Notify(SkinUI::TNotifyUI& msg) override;
    std::vector<std::wstring> seen;
};

// A popup window whose messages go to its paint manager.
class TestWindow {
public:
    TestWindow(int width, int height);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    // Runs the queue until pred holds or timeoutMs passes.
    template <typename Pred>
    bool PumpUntil(Pred pred, DWORD timeoutMs = 3000)
    {
        const DWORD start = GetTickCount();
        while (!pred()) {
            if (GetTickCount() - start > timeoutMs) return false;
            PumpOnce();
        }
        return true;
    }
    void PumpOnce();

    SkinUI::CPaintManagerUI pm;
    HWND hwnd = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};
