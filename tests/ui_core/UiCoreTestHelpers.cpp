#include "tests/ui_core/UiCoreTestHelpers.h"

#include "base/TextConversion.h"
#include "tests/support/TestSupport.h"

std::wstring Widen(const std::string& ansi)
{
    return ToWide(ansi);
}

std::wstring DataPath(const std::string& name)
{
    return Widen(FixturePath(name));
}

std::wstring TempPath(const std::string& name)
{
    return Widen(TestTempDir() + "\\" + name);
}
