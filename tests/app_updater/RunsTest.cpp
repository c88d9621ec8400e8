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

using UpdaterRunTest = UpdaterTest;

// The runs over plain HTTP and over HTTPS with a trusted certificate.
class UpdaterRunsOverTest : public UpdaterRunTest, public testing::WithParamInterface<const char*> {};

TEST_P(UpdaterRunsOverTest, SilentCheckThenExecThenForceUpdateTheProduct)
{
    // Silent: the package is downloaded and recorded; the product runs on.
    ASSERT_TRUE(RunToEnd(CheckArguments(Serve("small", 0, GetParam()))));
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
    ASSERT_TRUE(RunToEnd(CheckArguments(Serve("slow", 0, GetParam())) + " --force 1"));
    EXPECT_TRUE(WaitForStarts(productPath_, 3, 10000));
    EXPECT_EQ(ReadFixture("noise.bin"), ReadFileBytes(Installed("data\\noise.bin")));

    const std::vector<std::string> log = LogMessages();
    for (const char* line :
         {"begin to entering silent mode.", "entering execUpdate mode.", "begin updating files from the xml config.",
          "updated successfully.", "begin to entering force mode."})
        EXPECT_TRUE(Contains(log, line)) << line;
    // Built without keys: unsigned manifests are used, as the log says.
    EXPECT_TRUE(Contains(log, "manifest: " + UserData() +
                                  "\\update\\configure.xml used without a signature check, since no key is built in."));
}

INSTANTIATE_TEST_SUITE_P(Servers, UpdaterRunsOverTest, testing::Values("http", "trusted"));

// The silent run stages the package; the exec run installs from the staged
// tree only while it is as it was checked, and otherwise from the package,
// with the same bytes either way. The staged tree lies in the install folder
// with its permissions: whoever can change a file there unseen (its size and
// time kept) can change the installed files as well, and the swap, which
// reads no file, takes it as staged.
TEST_F(UpdaterRunTest, ExecRunTakesTheStagedTreeOnlyWhileItIsAsStaged)
{
    struct Case {
        const char* name;
        const char* fixture;
        const char* after;  // what happens between the two runs
        bool staged;
        bool applied;
    };
    const Case cases[] = {
        // Unpacking is made to fail: only the staged tree can succeed.
        {"staged", "small", "block unpacking", true, true},
        {"marker gone", "small", "remove marker", true, true},
        {"file changed", "small", "change a file", true, true},
        {"file changed unseen", "small", "change a file unseen", true, true},
        // The decoder refuses the package: staging fails, the download stays recorded.
        {"not staged", "bigdict", "", false, false},
    };
    const std::string update = UserData() + "\\update";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA((UserData() + "\\update.log").c_str());
        std::error_code ec;
        std::filesystem::remove_all(Installed("data"), ec);
        ASSERT_TRUE(RunToEnd(CheckArguments(Serve(c.fixture))));
        EXPECT_EQ("2.0", Setting("version"));
        EXPECT_EQ(update + "\\small-2.0.tar.xz", Setting("xz"));
        const std::string staged = Installed(".corvane-staged\\small\\data\\version.txt");
        EXPECT_EQ(FileExists(update + "\\staged.ok"), c.staged);
        EXPECT_EQ(Contains(LogMessages(), "staging: " + update + "\\small-2.0.tar.xz not staged, failed at " + update +
                                              "\\small-2.0.tar.xz, errcode[-3]."),
                  !c.staged);
        const std::string after = c.after;
        if (after == "block unpacking") {
            ASSERT_TRUE(CreateDirectoryA((update + "\\small-2.0.tar").c_str(), nullptr));
        } else if (after == "remove marker") {
            ASSERT_TRUE(DeleteFileA((update + "\\staged.ok").c_str()));
        } else if (after == "change a file") {
            ASSERT_TRUE(WriteFileBytes(staged, "Corvane 6.6\r\n"));
        } else if (after == "change a file unseen") {
            ScopedHandle file(CreateFileA(staged.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                          nullptr));
            FILETIME written = {};
            DWORD count = 0;
            ASSERT_TRUE(GetFileTime(file.Get(), nullptr, nullptr, &written));
            ASSERT_TRUE(WriteFile(file.Get(), "Corvane 6.6", 11, &count, nullptr));
            ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &written));
        }

        ASSERT_TRUE(RunToEnd("--execUpdate --ParentProcessName " + productName_));
        EXPECT_EQ(Contains(LogMessages(), "updated successfully."), c.applied);
        EXPECT_FALSE(Contains(LogMessages(), "file: data\\version.txt md5 check failed."));
        EXPECT_EQ(ReadFileBytes(Installed("data\\version.txt")), !c.applied                        ? ""
                                                                 : after == "change a file unseen" ? "Corvane 6.6\r\n"
                                                                                                   : "Corvane 2.0\r\n");
        EXPECT_EQ(ReadFileBytes(Installed("data\\presets\\web.xml")), c.applied ? "<preset name=\"web\"/>\r\n" : "");
        // Nothing of the installation stays once the product runs again.
        for (const std::string& left : {Installed(".corvane-staged"), Installed(".corvane-backup"),
                                        UserData() + "\\discarded", UserData() + "\\install.journal"})
            EXPECT_FALSE(FileExists(left)) << left;
    }
}

// A force run stops the product only once the package is in hand.
TEST_F(UpdaterRunTest, FailedForceDownloadLeavesTheProductRunning)
{
    Serve("small");
    const std::string uri = HttpUrl("/missing");
    ASSERT_TRUE(RunToEnd(CheckArguments(uri) + " --force 1"));
    EXPECT_TRUE(product_->Running());
    EXPECT_EQ(StartRecords(productPath_).size(), 1u);
    EXPECT_TRUE(Contains(LogMessages(), "downloading xz file: " + uri + "/small-2.0.tar.xz failed."));
}

// A server that fails the check gets no request: the download fails as any
// failed transfer does, nothing of the package reaches the update folder and
// no update is recorded.
TEST_F(UpdaterRunTest, RefusedHttpsServerFailsTheDownloadAndRecordsNothing)
{
    for (const char* server : {"unknownca", "otherhost", "expired", "tls10"}) {
        SCOPED_TRACE(server);
        DeleteFileA((UserData() + "\\update.log").c_str());
        const std::string uri = Serve("small", 0, server);
        ASSERT_TRUE(RunToEnd(CheckArguments(uri)));
        const std::vector<std::string> log = LogMessages();
        EXPECT_TRUE(Contains(log, "downloading xz file: " + uri + "/small-2.0.tar.xz failed.")) << log.size();
        EXPECT_FALSE(Contains(log, "updated successfully."));
        for (const char* key : {"version", "xz", "xml"})
            EXPECT_EQ("", Setting(key)) << key;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(UserData() + "\\update", ec)) {
            if (entry.path().filename() != "configure.xml") {
                EXPECT_EQ(0u, entry.file_size()) << entry.path().string();
            }
        }
        EXPECT_TRUE(product_->Running());
    }
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
    // A product name that is a path would start a program outside the
    // install folder.
    const std::string outsideProduct = CurrentTestDir() + "\\outside\\" + productName_;
    ASSERT_TRUE(PlaceProduct(outsideProduct));
    const struct {
        std::string arguments;
        std::string logLine;
    } cases[] = {
        {"--checkUpdate --version 2.0 --uri http://127.0.0.1:1", "parseArgs error."},
        {"--checkUpdate --ParentProcessName " + productName_, "parseArgs error."},
        {"--checkUpdate --execUpdate --version 2.0 --ParentProcessName " + productName_, "parseArgs error."},
        {"--execUpdate --ParentProcessName", "parseArgs error."},
        {"--execUpdate --ParentProcessName ..\\outside\\" + productName_, "parseArgs error."},
        {"--execUpdate --ParentProcessName " + std::string(1020, 'c') + ".exe", "parseArgs error."},
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
    EXPECT_TRUE(StartRecords(outsideProduct).empty());
}

TEST_F(UpdaterRunTest, SecondInstanceExitsWithZeroAndWritesNothing)
{
    auto first = Start(CheckArguments(Serve("slow", 1)));
    HWND window = first->Window();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(WaitUntilRunning(window));
    // The last line before the slow download is the one naming its proxy.
    ASSERT_TRUE(WaitFor(
        [&] {
            const std::vector<std::string> lines = LogMessages();
            return Contains(lines, "begin to entering silent mode.") &&
                   lines.back().find(": no proxy.") != std::string::npos;
        },
        10000));
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

BOOL CALLBACK CountResource(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// The application manifest in the exe's resources, as Windows reads it.
TEST(UpdaterProgram, ManifestRunsAsInvokerOnWindows7To11WithCommonControls6)
{
    ScopedLibrary exe(LoadLibraryExA(CORVANE_UPDATER_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(exe.Valid());
    HRSRC found = FindResourceW(exe.Get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, found) << "no manifest 1";
    const char* data = static_cast<const char*>(LockResource(LoadResource(exe.Get(), found)));
    ASSERT_NE(nullptr, data);
    const std::string manifest(data, SizeofResource(exe.Get(), found));
    const struct {
        const char* text;
        bool present;
    } entries[] = {
        {R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)", true},
        {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", true},  // Windows 7
        {"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", true},  // Windows 8
        {"{1f676c76-80e1-4239-95bb-83d0f6d0da78}", true},  // Windows 8.1
        {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", true},  // Windows 10 and 11
        {R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")", true},
        {"dpiAware", false},
        {"requireAdministrator", false},
    };
    for (const auto& e : entries)
        EXPECT_EQ(e.present, manifest.find(e.text) != std::string::npos) << e.text;
    // The one manifest: none other that the loader could take instead.
    int manifests = 0;
    EnumResourceNamesW(exe.Get(), MAKEINTRESOURCEW(24), CountResource, reinterpret_cast<LONG_PTR>(&manifests));
    EXPECT_EQ(1, manifests);
}

// The DLLs the exe's import table names: the loader looks for them before
// any of the program's code runs, so each must be one that Windows loads
// from its own folder whatever lies beside the program (the others are
// imported with delay and loaded from the system folder).
TEST(UpdaterProgram, ImportsOnlyLibrariesWindowsTakesFromItsOwnFolder)
{
    const std::string image = ReadFileBytes(CORVANE_UPDATER_EXE);
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    const auto at = [&](DWORD offset) { return image.data() + offset; };
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(at(dos->e_lfanew));
    ASSERT_EQ(IMAGE_NT_SIGNATURE, nt->Signature);
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    const auto fileOffset = [&](DWORD rva) -> DWORD {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return 0;
    };
    const DWORD directory = fileOffset(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    ASSERT_NE(0u, directory);
    std::vector<std::string> imports;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(directory)); entry->Name != 0; ++entry) {
        std::string name = at(fileOffset(entry->Name));
        for (char& c : name)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        imports.push_back(name);
    }
    // Windows' known DLLs (and the loader's own), as far as a program like
    // this one may import them.
    const std::vector<std::string> systemOnly = {"kernel32.dll", "user32.dll", "gdi32.dll",    "advapi32.dll",
                                                 "shell32.dll",  "ws2_32.dll", "msvcrt.dll",   "ole32.dll",
                                                 "oleaut32.dll", "psapi.dll",  "shlwapi.dll",  "comdlg32.dll",
                                                 "imm32.dll",    "rpcrt4.dll", "normaliz.dll", "ntdll.dll"};
    EXPECT_FALSE(imports.empty());
    for (const std::string& name : imports)
        EXPECT_NE(systemOnly.end(), std::find(systemOnly.begin(), systemOnly.end(), name)) << name;
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

// Windows' search order for the libraries: a library of the same name
// beside a program is what a plain program gets. (Wine takes its own
// libraries first, unless told otherwise for a program.) crypt32 and secur32
// are what HTTPS adds.
class PlantedLibraryTest : public UpdaterRunTest {
protected:
    static constexpr const char* kPrograms[] = {"dll_probe.exe", "CorvaneUpdater.exe"};
    static constexpr const char* kLibraries[] = {"msimg32", "gdiplus", "crypt32", "secur32"};

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
    const char* planted[] = {"msimg32.dll", "gdiplus.dll", "crypt32.dll", "secur32.dll"};
    for (const char* dll : planted)
        ASSERT_TRUE(CopyFileA((std::string(CORVANE_PLANTED_DIR) + "\\" + dll).c_str(), Installed(dll).c_str(), FALSE));

    // The control: a plain program beside them loads them.
    ASSERT_TRUE(CopyFileA(CORVANE_PLANTED_DIR "\\dll_probe.exe", Installed("dll_probe.exe").c_str(), FALSE));
    {
        UpdaterProcess probe(Installed("dll_probe.exe"), "msimg32.dll gdiplus.dll crypt32.dll secur32.dll",
                             installDir_);
        DWORD code = 1;
        ASSERT_TRUE(probe.WaitForEnd(10000, code));
    }
    for (const char* dll : planted) {
        const std::string marker = Installed(dll) + ".loaded";
        ASSERT_TRUE(FileExists(marker)) << "the planted " << dll << " did not load into a plain program";
        DeleteFileA(marker.c_str());
    }

    // The Updater, shown, painting and downloading over HTTPS, has them all
    // from the system folder.
    auto process = Start(CheckArguments(Serve("slow", 1, "trusted")));
    HWND window = process->Window();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(WaitUntilRunning(window));
    PostMessageW(window, kTrayNotify, kTrayIconId, WM_LBUTTONUP);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 10000));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Sleep(500);

    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    // The TLS libraries come with the download's connection.
    std::vector<std::pair<std::wstring, std::wstring>> modules;
    const auto loaded = [&](const wchar_t* dll) {
        return std::any_of(modules.begin(), modules.end(), [&](const auto& m) { return m.first == dll; });
    };
    EXPECT_TRUE(WaitFor(
        [&] {
            modules = LoadedModules(process->Id());
            return loaded(L"crypt32.dll") && loaded(L"secur32.dll");
        },
        20000));
    for (const wchar_t* dll : {L"msimg32.dll", L"gdiplus.dll", L"crypt32.dll", L"secur32.dll"}) {
        auto found = std::find_if(modules.begin(), modules.end(), [&](const auto& m) { return m.first == dll; });
        ASSERT_NE(modules.end(), found) << "not loaded at all";
        EXPECT_EQ(0, _wcsnicmp(found->second.c_str(), system, wcslen(system))) << found->second.c_str();
    }
    for (const char* dll : planted)
        EXPECT_FALSE(FileExists(Installed(dll) + ".loaded")) << dll;
    PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace
