#include "tests/engine_flows/EngineTestSupport.h"

#include "tests/support/TestSupport.h"
#include "app/RunStart.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"

#include <filesystem>
#include <sstream>

std::vector<std::string> LogMessages()
{
    std::vector<std::string> messages;
    std::istringstream lines(ReadFileBytes(GetLogPath()));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t start = line.find("]  ");
        if (start != std::string::npos)
            messages.push_back(line.substr(start + 3));
    }
    return messages;
}

std::string ReadSetting(const char* key)
{
    char value[1024] = {};
    GetPrivateProfileStringA("update", key, "", value, sizeof(value), GetSettingsPath().c_str());
    return value;
}

bool HasSetting(const char* key)
{
    char value[64] = {};
    GetPrivateProfileStringA("update", key, "<absent>", value, sizeof(value), GetSettingsPath().c_str());
    return std::string(value) != "<absent>";
}

std::string Fixture(const std::string& relative)
{
    return TestDataDir() + "\\" + relative;
}

bool CopyTo(const std::string& from, const std::string& to)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(to).parent_path(), ec);
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

void EngineTest::SetUp()
{
    UpdateLog::Instance().Open();
    options_ = UpdateOptions();
    options_.exeName = "CorvaneUpdater.exe";
    options_.exeDir = TestTempDir() + "\\install";
    installDir_ = TestTempDir() + "\\install";
    CreateDirectoryA(installDir_.c_str(), nullptr);
    worker_.SetInstallDir(installDir_);
    g_hUpdateWnd = window_.Handle();
}

void EngineTest::TearDown()
{
    TakePosts();
    g_hUpdateWnd = nullptr;
}

UpdateWorker& EngineTest::Worker()
{
    worker_.SetContext(MakeFlowContext(options_));
    return worker_;
}

const Posted& EngineTest::TakePosts()
{
    MSG message;
    while (PeekMessageA(&message, window_.Handle(), WM_CLOSE, WM_CLOSE, PM_REMOVE))
        ++posted_.closes;
    window_.Pump();
    posted_.statuses = window_.Received();
    return posted_;
}
