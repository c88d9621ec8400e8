// Pixels, fixtures, a test-only container and a real window for the
// ui_render tests and the paint benchmark.
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
    HDC dc() const { return m_dc.Get(); }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // 0xAARRGGBB as stored; all pixels row by row once drawing has landed.
    DWORD At(int x, int y) const { return Pixels()[y * m_width + x]; }
    const DWORD* Pixels() const;
    void Fill(DWORD color);

private:
    int m_width;
    int m_height;
    DWORD* m_bits = nullptr;
    ScopedBitmap m_bitmap;
    ScopedCreatedDC m_dc;
};

// Largest difference of the red, green and blue bytes.
int ColorDistance(DWORD a, DWORD b);
std::string ColorText(DWORD color);

// Points the resource settings at the fixture folder's skin.
enum class SkinSource { Folder, Zip, CachedZip, MemoryZip };
void UseSkin(SkinSource source);
std::wstring FixturePath(const char* name);

// A container of children at fixed rects; records the events that reach it.
class TestPanel : public SkinUI::CControlUI {
public:
    ~TestPanel() override;
    // Takes ownership.
    SkinUI::CControlUI* Add(SkinUI::CControlUI* child, RECT pos);
    void SetManager(SkinUI::CPaintManagerUI* manager, SkinUI::CControlUI* parent, bool init = true) override;
    SkinUI::CControlUI* FindControl(SkinUI::FINDCONTROLPROC proc, LPVOID data, UINT flags) override;
    void DoEvent(SkinUI::TEventUI& event) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

    std::vector<int> events;

private:
    std::vector<SkinUI::CControlUI*> m_children;
};

// A popup window whose messages go to its paint manager; notifications are
// kept as "type:wParam".
class TestWindow : public SkinUI::INotifyUI {
public:
    TestWindow(int width, int height);
    ~TestWindow();
    void Notify(SkinUI::TNotifyUI& msg) override;
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

    SkinUI::CPaintManagerUI pm;
    HWND hwnd = nullptr;
    std::vector<std::wstring> notes;
};
