// Whole runs of the real Updater: the three runs end to end, start-ups that
// fail, a second instance, and the libraries it loads.
#include "tests/app_updater/UpdaterTestSupport.h"

#include "base/PathUtil.h"
#include "base/ScopedGdi.h"

#include "tests/support/TestMain.h"
#include "tests/support/TestSupport.h"
#include <shellapi.h>

#include <tlhelp32.h>

#include <filesystem>

namespace {

class UpdaterRunTest : public UpdaterTest {
protected:
    std::string Setting(const char* key) const
    {
        char value[MAX_PATH] = {};
        GetPrivateProfileStringA("update", key, "", value, MAX_PATH, (UserData() + "\\tavrin.ini").c_str());
        return value;
    }

    // Runs the Updater to its end; false when it did not end within a minute
    // or ended with another code than 0.
    bool RunToEnd(const std::string& arguments)
    {
        auto process = Start(arguments);
        DWORD code = 1;
        return process->WaitForEnd(60000, code) && code == 0;
    }
};

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(UpdaterRunTest, SilentCheckThenExecThenForceUpdateTheProduct)
{
    // Silent: the package is downloaded and recorded; the product runs on.
    ASSERT_TRUE(RunToEnd(CheckArguments(Serve("small"))));
    EXPECT_EQ("2.0", Setting("version"));
    EXPECT_EQ(UserData() + "\\update\\small-2.0.tar.xz", Setting("xz"));
    EXPECT_EQ(UserData() + "\\update\\configure.xml", Setting("xml"));
    EXPECT_TRUE(product_->Running());
    EXPECT_FALSE(FileExists(Installed("data\\version.txt")));

    // Exec: the product is stopped, the update installed, the product started
    // again and the pending update forgotten.
    ASSERT_TRUE(RunToEnd("--execUpdate --ParentProcessName " + productName_));
    EXPECT_FALSE(product_->Running());
    EXPECT_TRUE(WaitForStarts(productPath_, 2, 10000));
    EXPECT_EQ("Corvane 2.0\r\n", ReadFileBytes(Installed("data\\version.txt")));
    EXPECT_EQ("<preset name=\"web\"/>\r\n", ReadFileBytes(Installed("data\\presets\\web.xml")));
    EXPECT_EQ("", Setting("version"));
    EXPECT_EQ("", Setting("xz"));

    // Force: downloaded, installed at once around a stop and a start.
    ASSERT_TRUE(RunToEnd(CheckArguments(Serve("slow")) + " --force 1"));
    EXPECT_TRUE(WaitForStarts(productPath_, 3, 10000));
    EXPECT_EQ(ReadFixture("noise.bin"), ReadFileBytes(Installed("data\\noise.bin")));

    const std::vector<std::string> log = LogMessages();
    for (const char* line :
         {"begin to entering silent mode.", "entering execUpdate mode.", "begin updating files from the xml config.",
          "updated successfully.", "begin to entering force mode."})
        EXPECT_TRUE(Contains(log, line)) << line;
}

// Started by its bare name, as from a command prompt in its folder: the
// product beside it is still the one stopped before the installation.
TEST_F(UpdaterRunTest, ExecRunStartedByItsBareNameStopsTheProduct)
{
    UpdaterProcess exec(Installed("CorvaneUpdater.exe"), "--execUpdate --ParentProcessName " + productName_,
                        installDir_, "CorvaneUpdater.exe");
    DWORD code = 1;
    ASSERT_TRUE(exec.WaitForEnd(60000, code));
    EXPECT_FALSE(product_->Running());
    EXPECT_TRUE(WaitForStarts(productPath_, 2, 10000));
}

TEST_F(UpdaterRunTest, FailedStartUpsLogOneLineAddNoTrayIconAndExitWithZero)
{
    const std::string missingManifest = "load " + UserData() + "\\update\\configure.xml failed.";
    const struct {
        std::string arguments;
        std::string logLine;
    } cases[] = {
        {"--checkUpdate --version 2.0 --uri http://127.0.0.1:1", "parseArgs error."},
        {"--checkUpdate --ParentProcessName " + productName_, "parseArgs error."},
        {"--checkUpdate --execUpdate --version 2.0 --ParentProcessName " + productName_, "parseArgs error."},
        {"--execUpdate --ParentProcessName", "parseArgs error."},
        {CheckArguments("http://127.0.0.1:1"), missingManifest},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        DeleteFileA((UserData() + "\\update.log").c_str());
        auto process = Start(c.arguments);
        // Watched for as long as the program runs: its window never gets an icon.
        bool trayIcon = false;
        while (process->Running()) {
            HWND window = process->FindWindowOf(L"UpdateWnd");
            trayIcon = trayIcon || (window != nullptr && TrayIconPresent(window));
            Sleep(5);
        }
        DWORD code = 1;
        ASSERT_TRUE(process->WaitForEnd(10000, code));
        EXPECT_EQ(0u, code);
        EXPECT_FALSE(trayIcon);
        EXPECT_EQ(std::vector<std::string>{c.logLine}, LogMessages());
        EXPECT_TRUE(product_->Running());
        EXPECT_EQ(1u, StartRecords(productPath_).size());
    }
}

TEST_F(UpdaterRunTest, SecondInstanceExitsWithZeroAndWritesNothing)
{
    auto first = Start(CheckArguments(Serve("slow", 1)));
    HWND window = first->Window();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(WaitUntilRunning(window));
    ASSERT_TRUE(WaitFor([&] { return Contains(LogMessages(), "begin to entering silent mode."); }, 10000));
    const std::string log = ReadFileBytes(UserData() + "\\update.log");

    // A command line that would be logged as rejected, were it looked at.
    auto second = Start("--bogus");
    DWORD code = 1;
    ASSERT_TRUE(second->WaitForEnd(10000, code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(log, ReadFileBytes(UserData() + "\\update.log"));
    EXPECT_TRUE(first->Running());

    // The first ends on a close request, taking its tray icon along.
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(first->WaitForEnd(10000, code));
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(TrayIconPresent(window));
}

TEST(UpdaterProgram, CarriesItsIconAndVersion)
{
    ScopedLibrary exe(LoadLibraryExA(CORVANE_UPDATER_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(exe.Valid());
    EXPECT_NE(nullptr, FindResourceW(exe.Get(), MAKEINTRESOURCEW(128), MAKEINTRESOURCEW(14))) << "no icon group 128";
    // The shell's view of it: the icon at the size of the tray.
    HICON icon = nullptr;
    ASSERT_EQ(1u, ExtractIconExA(CORVANE_UPDATER_EXE, 0, nullptr, &icon, 1));
    ScopedIcon owned(icon);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(owned.Get(), &info));
    ScopedBitmap color(info.hbmColor);
    ScopedBitmap mask(info.hbmMask);
    BITMAP bitmap = {};
    GetObjectW(color.Get(), sizeof(bitmap), &bitmap);
    EXPECT_EQ(16, bitmap.bmWidth);

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(CORVANE_UPDATER_EXE, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(CORVANE_UPDATER_EXE, 0, size, data.data()));
    char* name = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\OriginalFilename",
                               reinterpret_cast<void**>(&name), &length));
    EXPECT_STREQ("CorvaneUpdater.exe", name);
}

// The libraries a process has loaded, by lower-case file name, with their paths.
std::vector<std::pair<std::wstring, std::wstring>> LoadedModules(DWORD process)
{
    std::vector<std::pair<std::wstring, std::wstring>> modules;
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process));
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot.Valid() && Module32FirstW(snapshot.Get(), &entry); more;
         more = Module32NextW(snapshot.Get(), &entry)) {
        std::wstring name = entry.szModule;
        for (wchar_t& c : name)
            c = towlower(c);
        modules.emplace_back(name, entry.szExePath);
    }
    return modules;
}

// Windows' search order for the two libraries: a library of the same name
// beside a program is what a plain program gets. (Wine takes its own
// libraries first, unless told otherwise for a program.)
class PlantedLibraryTest : public UpdaterRunTest {
protected:
    static constexpr const char* kPrograms[] = {"dll_probe.exe", "CorvaneUpdater.exe"};
    static constexpr const char* kLibraries[] = {"msimg32", "gdiplus"};

    static std::string OverridesKey(const char* program)
    {
        return std::string("Software\\Wine\\AppDefaults\\") + program + "\\DllOverrides";
    }

    void SetUp() override
    {
        UpdaterRunTest::SetUp();
        for (const char* program : kPrograms)
            for (const char* library : kLibraries)
                ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, OverridesKey(program).c_str(), library,
                                                         REG_SZ, "native,builtin", 15));
    }
    void TearDown() override
    {
        for (const char* program : kPrograms)
            for (const char* library : kLibraries)
                RegDeleteKeyValueA(HKEY_CURRENT_USER, OverridesKey(program).c_str(), library);
        UpdaterRunTest::TearDown();
    }
};

TEST_F(PlantedLibraryTest, UpdaterLoadsNoLibraryFromItsOwnFolder)
{
    const char* planted[] = {"msimg32.dll", "gdiplus.dll"};
    for (const char* dll : planted)
        ASSERT_TRUE(CopyFileA((std::string(CORVANE_PLANTED_DIR) + "\\" + dll).c_str(), Installed(dll).c_str(), FALSE));

    // The control: a plain program beside them loads them.
    ASSERT_TRUE(CopyFileA(CORVANE_PLANTED_DIR "\\dll_probe.exe", Installed("dll_probe.exe").c_str(), FALSE));
    {
        UpdaterProcess probe(Installed("dll_probe.exe"), "msimg32.dll gdiplus.dll", installDir_);
        DWORD code = 1;
        ASSERT_TRUE(probe.WaitForEnd(10000, code));
    }
    for (const char* dll : planted) {
        const std::string marker = Installed(dll) + ".loaded";
        ASSERT_TRUE(FileExists(marker)) << "the planted " << dll << " did not load into a plain program";
        DeleteFileA(marker.c_str());
    }

    // The Updater, shown and painting, has both from the system folder.
    auto process = Start(CheckArguments(Serve("slow", 1)));
    HWND window = process->Window();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(WaitUntilRunning(window));
    PostMessageW(window, kTrayNotify, kTrayIconId, WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 10000));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Sleep(500);

    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const auto modules = LoadedModules(process->Id());
    for (const wchar_t* dll : {L"msimg32.dll", L"gdiplus.dll"}) {
        auto found = std::find_if(modules.begin(), modules.end(), [&](const auto& m) { return m.first == dll; });
        ASSERT_NE(modules.end(), found) << "not loaded at all";
        EXPECT_EQ(0, _wcsnicmp(found->second.c_str(), system, wcslen(system))) << found->second.c_str();
    }
    for (const char* dll : planted)
        EXPECT_FALSE(FileExists(Installed(dll) + ".loaded")) << dll;
    PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace
