#include "tests/engine_flows/EngineTestSupport.h"

#include "app/RunStart.h"
#include "base/PathUtil.h"
#include "engine/Md5.h"
#include "engine/Paths.h"
#include "engine/UpdateLog.h"
#include "engine/UpdateStatus.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
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
    sourceDir_ = TestTempDir() + "\\source";
    worker_.SetInstallDir(installDir_);
    g_hUpdateWnd = window_.Handle();
}

void EngineTest::TearDown()
{
    if (!productPath_.empty())
        EndRecordedProcesses(productPath_);
    TakePosts();
    g_hUpdateWnd = nullptr;
}

void EngineTest::InstallProduct(const std::string& stem, const std::string& version)
{
    options_.parentProcessName = OwnProgramName(stem);
    options_.version = version;
    productPath_ = Installed(options_.parentProcessName);
    ASSERT_TRUE(PlaceProduct(productPath_));
}

FileEntry EngineTest::Source(const std::string& path, const std::string& bytes)
{
    EXPECT_TRUE(WriteFileBytes(ToBackslashes(sourceDir_ + "\\" + path), bytes));
    return FileEntry{path, Md5Hex(bytes.data(), bytes.size())};
}

void EngineTest::Serve(const std::string& fixture, const std::string& name)
{
    // A parameterised test's name holds a "/".
    std::string folder = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(folder.begin(), folder.end(), '/', '-');
    folder += "-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CopyTo(Fixture(fixture), HttpRoot() + "\\" + folder + "\\" + name));
    options_.uri = HttpUrl("/" + folder);
}

void EngineTest::LoadCheckManifest(const std::string& text)
{
    const std::string path = GetUpdateDir() + "\\configure.xml";
    ASSERT_TRUE(WriteFileBytes(path, text));
    ASSERT_TRUE(worker_.CheckManifest().Load(path));
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
