#include "tests/ui_render/RenderTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

using namespace SkinUI;

Canvas::Canvas(int width, int height, DWORD fill) : m_width(width), m_height(height)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader = { sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    m_bitmap.Reset(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_bits = static_cast<DWORD*>(bits);
    m_dc.Reset(CreateCompatibleDC(nullptr));
    SelectObject(m_dc.Get(), m_bitmap.Get());
    Fill(fill);
}

const DWORD* Canvas::Pixels() const
{
    GdiFlush();
    return m_bits;
}

void Canvas::Fill(DWORD color)
{
    GdiFlush();
    std::fill(m_bits, m_bits + m_width * m_height, color);
}

int ColorDistance(DWORD a, DWORD b)
{
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    }
    return worst;
}

std::string ColorText(DWORD color)
{
    char text[16];
    snprintf(text, sizeof(text), "%08lX", static_cast<unsigned long>(color));
    return text;
}

std::wstring FixturePath(const char* name)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring result(path);
    result.erase(result.find_last_of(L'\\') + 1);
    result += L"test-data\\";
    for (const char* p = name; *p != '\0'; p++) result += static_cast<wchar_t>(*p);
    return result;
}

void UseSkin(SkinSource source)
{
    CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
    CPaintManagerUI::SetResourcePath(FixturePath("skin").c_str());
    if (source == SkinSource::MemoryZip) {
        // The reader keeps pointing into the block: it lives for the process.
        static std::vector<char> archive;
        std::ifstream in(FixturePath("skin\\skin.zip").c_str(), std::ios::binary);
        archive.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        CPaintManagerUI::SetResourceZip(archive.data(), static_cast<unsigned int>(archive.size()));
        return;
    }
    CPaintManagerUI::SetResourceZip(source == SkinSource::Folder ? L"" : L"skin.zip", source == SkinSource::CachedZip);
}

TestPanel::~TestPanel()
{
    for (CControlUI* child : m_children) delete child;
}

CControlUI* TestPanel::Add(CControlUI* child, RECT pos)
{
    m_children.push_back(child);
    child->SetManager(m_manager, this, false);
    child->SetPos(pos);
    return child;
}

void TestPanel::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    for (CControlUI* child : m_children) child->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

CControlUI* TestPanel::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags)
{
    if (((flags & UIFIND_VISIBLE) != 0 && !IsVisible()) || ((flags & UIFIND_ENABLED) != 0 && !IsEnabled())) {
        return nullptr;
    }
    if ((flags & UIFIND_HITTEST) != 0 && !PtInRect(&m_itemRect, *static_cast<POINT*>(data))) return nullptr;
    if ((flags & UIFIND_ME_FIRST) != 0) {
        if (CControlUI* found = CControlUI::FindControl(proc, data, flags)) return found;
    }
    const bool reverse = (flags & UIFIND_TOP_FIRST) != 0;
    for (size_t i = 0; i < m_children.size(); i++) {
        CControlUI* child = m_children[reverse ? m_children.size() - 1 - i : i];
        if (CControlUI* found = child->FindControl(proc, data, flags)) return found;
    }
    return (flags & UIFIND_ME_FIRST) != 0 ? nullptr : CControlUI::FindControl(proc, data, flags);
}

void TestPanel::DoEvent(TEventUI& event)
{
    events.push_back(event.type);
    CControlUI::DoEvent(event);
}

void TestPanel::DoPaint(HDC hDC, const RECT& rcPaint)
{
    RECT area;
    if (!IntersectRect(&area, &rcPaint, &m_itemRect)) return;
    CControlUI::DoPaint(hDC, rcPaint);
    for (CControlUI* child : m_children) {
        if (child->IsVisible() && IntersectRect(&area, &rcPaint, &child->GetPos())) child->DoPaint(hDC, rcPaint);
    }
}

namespace {

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    LRESULT result = 0;
    if (self != nullptr && self->hwnd == hwnd && self->pm.MessageHandler(message, wParam, lParam, result)) return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

TestWindow::TestWindow(int width, int height)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"UiRenderTestWindow";
    RegisterClassW(&wc);
    hwnd = CreateWindowExW(0, wc.lpszClassName, L"ui_render", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                           nullptr, wc.hInstance, this);
    pm.Init(hwnd);
    pm.AddNotifier(this);
}

TestWindow::~TestWindow()
{
    pm.RemoveNotifier(this);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
}

void TestWindow::Notify(TNotifyUI& msg)
{
    notes.push_back(std::wstring(msg.type.GetData()) + L":" + std::to_wstring(msg.wParam));
}

void TestWindow::PumpOnce()
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } else if (!CPaintManagerUI::TranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
