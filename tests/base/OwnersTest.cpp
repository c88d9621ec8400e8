#include "base/PathUtil.h"
#include "base/ScopedGdi.h"
#include "base/ScopedHandles.h"
#include "base/SystemLibrary.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

bool IsOpenHandle(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

struct CountingTraits {
    using Type = int;
    static int closes;
    static Type Empty() { return 0; }
    static bool IsValid(Type value) { return value != 0; }
    static void Close(Type) { ++closes; }
};
int CountingTraits::closes = 0;

}  // namespace

TEST(Owners, MovedTwiceClosesOnce)
{
    CountingTraits::closes = 0;
    {
        UniqueResource<CountingTraits> first(7);
        UniqueResource<CountingTraits> second(std::move(first));
        UniqueResource<CountingTraits> third;
        third = std::move(second);
        third = std::move(third);
        EXPECT_FALSE(first.Valid());
        EXPECT_FALSE(second.Valid());
        EXPECT_EQ(third.Get(), 7);
    }
    EXPECT_EQ(CountingTraits::closes, 1);

    // Released values are the caller's; resetting closes the old value.
    CountingTraits::closes = 0;
    UniqueResource<CountingTraits> owner(3);
    EXPECT_EQ(owner.Release(), 3);
    owner.Reset(4);
    owner.Reset(5);
    EXPECT_EQ(CountingTraits::closes, 1);

    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        ScopedHandle event(raw);
        ScopedHandle moved(std::move(event));
        EXPECT_TRUE(IsOpenHandle(raw));
    }
    EXPECT_FALSE(IsOpenHandle(raw));

    // Both failure values of the kernel count as empty.
    EXPECT_FALSE(ScopedHandle(INVALID_HANDLE_VALUE).Valid());
    EXPECT_FALSE(ScopedFind().Valid());
}

TEST(Owners, SelectionAndSavedStateComeBack)
{
    ScopedWindowDC screen(nullptr);
    ASSERT_TRUE(screen.Valid());
    ScopedCreatedDC dc(CreateCompatibleDC(screen.Get()));
    ASSERT_TRUE(dc.Valid());
    const HGDIOBJ originalPen = GetCurrentObject(dc.Get(), OBJ_PEN);
    ScopedPen pen(CreatePen(PS_SOLID, 3, RGB(255, 0, 0)));
    {
        ScopedSelectObject select(dc.Get(), pen.Get());
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_PEN), pen.Get());
        EXPECT_EQ(select.Previous(), originalPen);
    }
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_PEN), originalPen);

    {
        ScopedSaveDC saved(dc.Get());
        SetTextColor(dc.Get(), RGB(1, 2, 3));
        SetBkMode(dc.Get(), TRANSPARENT);
    }
    EXPECT_NE(GetTextColor(dc.Get()), RGB(1, 2, 3));
    EXPECT_EQ(GetBkMode(dc.Get()), OPAQUE);
}

TEST(Owners, SystemLibrariesComeFromTheSystemFolder)
{
    ScopedLibrary library = LoadSystemLibrary(L"msimg32.dll");
    ASSERT_TRUE(library.Valid());
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(library.Get(), path, MAX_PATH);
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(_wcsnicmp(path, system, length), 0) << "loaded from elsewhere";
    EXPECT_FALSE(LoadSystemLibrary(L"no-such-library-here.dll").Valid());
}

TEST(Owners, BufferedStreamPairCopiesInLargeStepsAndCountsTheClose)
{
    using Opened = BufferedStreamPair::Opened;
    const std::string dir = TestTempDir();
    // Larger than the C runtime's own buffer, smaller than the pair's.
    std::string bytes(64 * 1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 256);
    ASSERT_TRUE(WriteFileBytes(dir + "\\in", bytes));
    const struct {
        const char* input;
        const char* output;
        Opened opened;
    } cases[] = {
        {"in", "out", Opened::kBoth},
        // The output is not even created without an input.
        {"missing", "untouched", Opened::kNoInput},
        {"in", "no-folder\\out", Opened::kNoOutput},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.output);
        const std::string output = dir + "\\" + test.output;
        BufferedStreamPair files;
        ASSERT_EQ(files.Open(dir + "\\" + test.input, output), test.opened);
        const bool opened = test.opened == Opened::kBoth;
        if (opened) {
            std::string read(bytes.size(), '\0');
            ASSERT_EQ(fread(&read[0], 1, read.size(), files.Input()), bytes.size());
            ASSERT_EQ(fwrite(read.data(), 1, read.size(), files.Output()), bytes.size());
            EXPECT_EQ(ReadFileBytes(output), "") << "written past the buffer";
        }
        EXPECT_EQ(files.CloseOutput(), opened);
        EXPECT_FALSE(files.CloseOutput()) << "closed twice";
        EXPECT_EQ(FileExists(output), opened);
        EXPECT_EQ(ReadFileBytes(output), opened ? bytes : "");
    }
}
