// The main of every test program: GoogleTest with a fresh folder per test and
// APPDATA pointed into it, so no test sees the real profile or another
// test's files.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TestMain.h"

namespace {

std::string g_testDir;

class FreshFolderPerTest : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo& info) override
    {
        std::string name = std::string(info.test_suite_name()) + "." + info.name();
        for (char& c : name)
            if (c == '/' || c == '\\' || c == ':')
                c = '_';
        // Process ids come round again, and a folder an earlier run could not
        // remove (a file still open, a link Wine cannot delete) is passed by
        // for the next free name rather than reused with its old contents.
        const std::string base = std::string(CORVANE_BUILD_ROOT) + "\\test-tmp\\" + name + "-" +
                                 std::to_string(GetCurrentProcessId());
        g_testDir = base;
        std::error_code ec;
        for (int attempt = 2;; ++attempt) {
            std::filesystem::remove_all(g_testDir, ec);
            if (!std::filesystem::exists(g_testDir, ec))
                break;
            g_testDir = base + "-" + std::to_string(attempt);
        }
        std::filesystem::create_directories(g_testDir + "\\AppData", ec);
        std::string appData = g_testDir + "\\AppData";
        SetEnvironmentVariableA("APPDATA", appData.c_str());
        _putenv_s("APPDATA", appData.c_str());
    }

    void OnTestEnd(const testing::TestInfo& info) override
    {
        if (info.result()->Passed()) {
            std::error_code ec;
            std::filesystem::remove_all(g_testDir, ec);
        }
    }
};

}  // namespace

const std::string& CurrentTestDir()
{
    return g_testDir;
}

int main(int argc, char** argv)
{
    // Binary stdout keeps the test list free of CR characters for CTest.
    _setmode(_fileno(stdout), _O_BINARY);
    // A crashing test must fail, not wait on an error box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshFolderPerTest);
    return RUN_ALL_TESTS();
}
