#include "tests/app_updater/UpdaterTestSupport.h"

#include "base/PathUtil.h"
#include "base/ScopedGdi.h"
#include "tests/support/TestMain.h"
#include "tests/support/TestSupport.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace {

bool CopyFileTo(const std::string& from, const std::string& to)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(to).parent_path(), ec);
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

struct WindowSearch {
    DWORD process;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    if (owner != search->process || GetClassNameW(window, name, 64) == 0 || wcscmp(name, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// Where a module of the other process is mapped.
BYTE* RemoteModuleBase(DWORD process, const wchar_t* name)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process));
    if (!snapshot.Valid())
        return nullptr;
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot.Get(), &entry); more; more = Module32NextW(snapshot.Get(), &entry)) {
        if (_wcsicmp(entry.szModule, name) == 0)
            return entry.modBaseAddr;
    }
    return nullptr;
}

void SendMouse(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

// ---------------------------------------------------------------------------
// UpdaterProcess

UpdaterProcess::UpdaterProcess(const std::string& exe, const std::string& arguments, const std::string& folder,
                               const std::string& firstWord)
{
    std::string commandLine = (firstWord.empty() ? "\"" + exe + "\"" : firstWord) + " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    // Wine now and then refuses a process right after another was killed
    // (ERROR_INTERNAL_ERROR); a second try a moment later starts it.
    BOOL created = FALSE;
    for (int attempt = 0; attempt < 3 && !created; ++attempt) {
        if (attempt > 0)
            Sleep(250);
        created = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                 &startup, &info);
        if (!created && GetLastError() != ERROR_INTERNAL_ERROR)
            break;
    }
    if (!created)
        return;
    info_ = std::make_unique<ScopedProcessInfo>(info);
    id_ = info.dwProcessId;
}

UpdaterProcess::~UpdaterProcess()
{
    if (!Running())
        return;
    TerminateProcess(Handle(), 99);
    WaitForSingleObject(Handle(), 5000);
}

HANDLE UpdaterProcess::Handle() const
{
    return info_ ? info_->process.Get() : nullptr;
}

bool UpdaterProcess::Running() const
{
    return Started() && WaitForSingleObject(Handle(), 0) == WAIT_TIMEOUT;
}

bool UpdaterProcess::WaitForEnd(DWORD milliseconds, DWORD& exitCode) const
{
    if (!Started() || WaitForSingleObject(Handle(), milliseconds) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(Handle(), &exitCode);
    return true;
}

HWND UpdaterProcess::FindWindowOf(const wchar_t* className, DWORD milliseconds) const
{
    WindowSearch search = {id_, className, nullptr};
    WaitFor(
        [&] {
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        milliseconds);
    return search.found;
}

// ---------------------------------------------------------------------------
// UpdaterTest

void UpdaterTest::SetUp()
{
    installDir_ = CurrentTestDir() + "\\install";
    ASSERT_TRUE(CopyFileTo(CORVANE_UPDATER_EXE, Installed("CorvaneUpdater.exe")));
    ASSERT_TRUE(CopyFileTo(CORVANE_UPDATER_SKIN, Installed("skin\\update.zip")));
    productName_ = OwnProgramName("Corvane");
    productPath_ = Installed(productName_);
    ASSERT_TRUE(PlaceProduct(productPath_));
    product_ = std::make_unique<ChildProcess>(productPath_);
    ASSERT_TRUE(product_->Started());
    ASSERT_TRUE(WaitForStarts(productPath_, 1, 10000));
}

void UpdaterTest::TearDown()
{
    // Also the product's later starts, by the runs.
    EndRecordedProcesses(productPath_);
    product_.reset();
}

std::string UpdaterTest::UserData() const
{
    return CurrentTestDir() + "\\AppData\\Marlex\\MarlexUpdate";
}

std::string UpdaterTest::Serve(const std::string& fixture, int rate, const std::string& server)
{
    const std::string folder = std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                               std::to_string(GetCurrentProcessId());
    std::string package;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(FixturePath(fixture), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, 13, "configure.xml") != 0)
            package = name;
    }
    EXPECT_FALSE(package.empty()) << fixture;
    EXPECT_TRUE(CopyFileTo(FixturePath(fixture + "\\" + package), HttpRoot() + "\\" + folder + "\\" + package));
    EXPECT_TRUE(CopyFileTo(FixturePath(fixture + "\\configure.xml"), UserData() + "\\update\\configure.xml"));
    // The manifest's signature goes with it, when it has one.
    const std::string signature = UserData() + "\\update\\configure.xml.sig";
    DeleteFileA(signature.c_str());
    if (FileExists(TestDataDir() + "\\" + fixture + "\\configure.xml.sig")) {
        EXPECT_TRUE(CopyFileTo(FixturePath(fixture + "\\configure.xml.sig"), signature));
    }
    const std::string path = (rate > 0 ? "/slow/" + std::to_string(rate) : "") + "/" + folder;
    return server == "http" ? HttpUrl(path) : HttpsUrl(server, path);
}

std::unique_ptr<UpdaterProcess> UpdaterTest::Start(const std::string& arguments)
{
    auto process = std::make_unique<UpdaterProcess>(Installed("CorvaneUpdater.exe"), arguments, installDir_);
    EXPECT_TRUE(process->Started()) << GetLastError();
    return process;
}

std::string UpdaterTest::CheckArguments(const std::string& uri, const std::string& version) const
{
    return "--checkUpdate --version " + version + " --ParentProcessName " + productName_ + " --uri " + uri;
}

bool UpdaterTest::RunToEnd(const std::string& arguments)
{
    auto process = Start(arguments);
    DWORD code = 1;
    return process->WaitForEnd(60000, code) && code == 0;
}

std::string UpdaterTest::Setting(const char* key) const
{
    char value[MAX_PATH] = {};
    GetPrivateProfileStringA("update", key, "", value, MAX_PATH, (UserData() + "\\tavrin.ini").c_str());
    return value;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> UpdaterTest::LogMessages() const
{
    std::vector<std::string> messages;
    std::istringstream lines(ReadFileBytes(UserData() + "\\update.log"));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t start = line.find("]  ");
        messages.push_back(start == std::string::npos ? line : line.substr(start + 3));
    }
    return messages;
}

bool UpdaterTest::WaitUntilRunning(HWND window, DWORD milliseconds) const
{
    // The entry shows the window after its start-up has reduced it to an
    // empty rectangle: out of sight, though "visible".
    return WaitFor(
        [&] {
            RECT rect = WindowRect(window);
            return IsRectEmpty(&rect) && TrayIconPresent(window);
        },
        milliseconds);
}

// ---------------------------------------------------------------------------
// Talking to the program

bool TrayIconPresent(HWND window)
{
    NOTIFYICONDATAA query = {};
    query.cbSize = NOTIFYICONDATAA_V3_SIZE;
    query.hWnd = window;
    query.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &query) != FALSE;
}

namespace {

// A thread routine of the right convention that calls a one-argument cdecl
// function and keeps its whole result: DWORD WINAPI Call(RemoteCall* call).
struct RemoteCall {
    void* function;
    void* argument;
    void* result;
};
#if defined(__x86_64__)
const unsigned char kCallThunk[] = {
    0x53,                    // push rbx
    0x48, 0x83, 0xEC, 0x20,  // sub rsp, 32 (the callee's home space)
    0x48, 0x89, 0xCB,        // mov rbx, rcx
    0x48, 0x8B, 0x4B, 0x08,  // mov rcx, [rbx+8]
    0xFF, 0x13,              // call [rbx]
    0x48, 0x89, 0x43, 0x10,  // mov [rbx+16], rax
    0x31, 0xC0,              // xor eax, eax
    0x48, 0x83, 0xC4, 0x20,  // add rsp, 32
    0x5B,                    // pop rbx
    0xC3,                    // ret
};
#else
const unsigned char kCallThunk[] = {
    0x8B, 0x44, 0x24, 0x04,  // mov eax, [esp+4]
    0xFF, 0x70, 0x04,        // push [eax+4]
    0xFF, 0x10,              // call [eax]
    0x83, 0xC4, 0x04,        // add esp, 4 (cdecl: the caller pops)
    0x8B, 0x4C, 0x24, 0x04,  // mov ecx, [esp+4]
    0x89, 0x41, 0x08,        // mov [ecx+8], eax
    0x31, 0xC0,              // xor eax, eax
    0xC2, 0x04, 0x00,        // ret 4 (stdcall: the routine pops)
};
#endif

// Memory in another process, released with the object.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, size_t size, DWORD protection)
        : process_(process),
          address_(static_cast<BYTE*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, protection)))
    {
    }
    ~RemoteBlock()
    {
        if (address_ != nullptr)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    BYTE* Address() const { return address_; }
    bool Write(size_t offset, const void* data, size_t size) const
    {
        return address_ != nullptr && WriteProcessMemory(process_, address_ + offset, data, size, nullptr);
    }

private:
    HANDLE process_;
    BYTE* address_;
};

}  // namespace

bool PostStatusText(const UpdaterProcess& process, HWND window, const std::string& text, int percent)
{
    // The program's own _strdup makes the copy, so that it comes from the
    // heap that the window's delete[] (free) releases into; it is called
    // through a routine of the thread's convention whose result is read back
    // whole, not cut to a thread's 32-bit exit code.
    HMODULE local = GetModuleHandleW(L"msvcrt.dll");
    BYTE* remote = RemoteModuleBase(process.Id(), L"msvcrt.dll");
    FARPROC duplicate = local != nullptr ? GetProcAddress(local, "_strdup") : nullptr;
    if (remote == nullptr || duplicate == nullptr)
        return false;
    const RemoteBlock code(process.Handle(), sizeof(kCallThunk), PAGE_EXECUTE_READWRITE);
    const RemoteBlock data(process.Handle(), sizeof(RemoteCall) + text.size() + 1, PAGE_READWRITE);
    RemoteCall call = {remote + (reinterpret_cast<UINT_PTR>(duplicate) - reinterpret_cast<UINT_PTR>(local)),
                       data.Address() + sizeof(RemoteCall), nullptr};
    if (!code.Write(0, kCallThunk, sizeof(kCallThunk)) || !data.Write(0, &call, sizeof(call)) ||
        !data.Write(sizeof(RemoteCall), text.c_str(), text.size() + 1) ||
        !FlushInstructionCache(process.Handle(), code.Address(), sizeof(kCallThunk)))
        return false;
    ScopedHandle thread(
        CreateRemoteThread(process.Handle(), nullptr, 0,
                           reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<UINT_PTR>(code.Address())),
                           data.Address(), 0, nullptr));
    if (!thread.Valid() || WaitForSingleObject(thread.Get(), 10000) != WAIT_OBJECT_0 ||
        !ReadProcessMemory(process.Handle(), data.Address(), &call, sizeof(call), nullptr) || call.result == nullptr)
        return false;
    return PostMessageW(window, kUpdateStatus, reinterpret_cast<WPARAM>(call.result), percent);
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void ClickScreen(POINT point)
{
    SetCursorPos(point.x, point.y);
    Sleep(50);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
}

void HoverScreen(HWND window, POINT point)
{
    SetCursorPos(point.x, point.y);
    POINT client = point;
    ScreenToClient(window, &client);
    PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
}

void PostClick(HWND window, int x, int y)
{
    PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

HWND OpenMenu(const UpdaterProcess& process, HWND window, POINT cursor)
{
    SetCursorPos(cursor.x, cursor.y);
    PostMessageW(window, kTrayNotify, kTrayIconId, WM_RBUTTONUP);
    HWND menu = process.FindWindowOf(L"UpdateMenuWnd", 5000);
    // Shown once its shadow is up, and laid out with its first paint (as
    // any menu a user sees).
    if (!WaitFor([&] { return menu != nullptr && IsWindowVisible(menu); }, 5000))
        return nullptr;
    UpdateWindow(menu);
    return menu;
}

POINT MenuItemCenter(int index)
{
    const RECT& item = kMenuItems[index];
    return {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
}

RECT WorkArea()
{
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// ---------------------------------------------------------------------------
// ScreenPixels

ScreenPixels::ScreenPixels(const RECT& screen) : width(screen.right - screen.left), height(screen.bottom - screen.top)
{
    ScopedWindowDC desktop(nullptr);
    ScopedCreatedDC memory(CreateCompatibleDC(desktop.Get()));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    ScopedBitmap section(CreateDIBSection(desktop.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || bits == nullptr)
        return;
    {
        ScopedSelectObject select(memory.Get(), section.Get());
        BitBlt(memory.Get(), 0, 0, width, height, desktop.Get(), screen.left, screen.top, SRCCOPY);
        GdiFlush();
    }
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    rgb_.assign(pixels, pixels + static_cast<size_t>(width) * height);
    for (DWORD& pixel : rgb_)
        pixel &= 0xFFFFFF;
}

DWORD ScreenPixels::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height || rgb_.empty())
        return 0xFFFFFFFF;
    return rgb_[static_cast<size_t>(y) * width + x];
}

RECT ScreenPixels::InkBounds(DWORD background) const
{
    RECT bounds = {width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (At(x, y) != background) {
                bounds.left = std::min<LONG>(bounds.left, x);
                bounds.top = std::min<LONG>(bounds.top, y);
                bounds.right = std::max<LONG>(bounds.right, x + 1);
                bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
            }
    if (bounds.right <= bounds.left)
        return RECT{};
    return bounds;
}
