#include "tests/ui_text/TextTestSupport.h"

#include "base/TextConversion.h"
#include "tests/support/TestSupport.h"
#include "ui/core/PaintManagerUI.h"

namespace {

HostStyle TextTestStyle()
{
    HostStyle style;
    style.onlyPostedHover = true;
    return style;
}

} // namespace

TestWindow::TestWindow(int width, int height) : PaintHost(width, height, TextTestStyle())
{
    SkinUI::CPaintManagerUI::SetResourcePath(FixtureDir().c_str());
}

std::wstring FixtureDir()
{
    return ToWide(TestDataDir()) + L"\\";
}
