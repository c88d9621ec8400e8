#include "tests/ui_render/RenderTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

using namespace SkinUI;

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

CControlUI* TestPanel::Add(CControlUI* child, RECT pos)
{
    FixedPanel::Add(child, pos);
    child->SetPos(pos);
    return child;
}

void TestPanel::DoEvent(TEventUI& event)
{
    events.push_back(event.type);
    CControlUI::DoEvent(event);
}

namespace {

HostStyle RenderTestStyle()
{
    HostStyle style;
    style.at = {0, 0};
    style.exStyle = 0;
    style.activate = true;
    return style;
}

}  // namespace

TestWindow::TestWindow(int width, int height) : PaintHost(width, height, RenderTestStyle())
{
    describe = [](const TNotifyUI& msg) {
        return std::wstring(msg.type.GetData()) + L":" + std::to_wstring(msg.wParam);
    };
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
