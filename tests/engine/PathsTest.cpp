#include "engine/Paths.h"

#include "base/ScopedHandles.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes the folder "to" holding copies of the given files and folders, with
// the host's cp, which keeps a link a link. The copy is made beside "to" and
// renamed into place; "to" appearing means the copy is whole.
bool CopyKeepingLinks(const std::vector<std::string>& from, const std::string& to)
{
    const std::string part = "'" + HostPath(to) + ".part'";
    std::string command = "mkdir " + part + " && cp -a";
    for (const std::string& path : from)
        command += " '" + HostPath(path) + "'";
    command += " " + part + " && mv " + part + " '" + HostPath(to) + "'";
    return RunOnHost(command, [&] { return FileExists(to); });
}

}  // namespace

TEST(SplitPath, SplitsAtLastSeparatorOfItsForm)
{
    std::string folder = "stale", name = "stale";
    SplitPath("http://127.0.0.1:8080/dir/pkg-1.0.tar.xz", folder, name, true);
    EXPECT_EQ(folder, "http://127.0.0.1:8080/dir");
    EXPECT_EQ(name, "pkg-1.0.tar.xz");

    SplitPath("X:\\a\\b.tar.xz", folder, name, false);
    EXPECT_EQ(folder, "X:\\a");
    EXPECT_EQ(name, "b.tar.xz");

    // Each form looks only for its own separator.
    SplitPath("X:\\a\\b.tar.xz", folder, name, true);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "X:\\a\\b.tar.xz");
    SplitPath("a/b\\c/d", folder, name, false);
    EXPECT_EQ(folder, "a/b");
    EXPECT_EQ(name, "c/d");
}

TEST(SplitPath, EdgesOfTheText)
{
    std::string folder = "stale", name = "stale";
    SplitPath("plainname", folder, name, false);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "plainname");

    SplitPath("http://host/dir/", folder, name, true);
    EXPECT_EQ(folder, "http://host/dir");
    EXPECT_EQ(name, "");

    SplitPath("/root", folder, name, true);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "root");

    SplitPath("", folder, name, true);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(name, "");

    // Long texts are split whole instead of being cut at a buffer size.
    const std::string longName(700, 'n');
    SplitPath("C:\\x\\" + longName, folder, name, false);
    EXPECT_EQ(name, longName);
}

TEST(EndsWith, SuffixRules)
{
    EXPECT_TRUE(EndsWith("pkg-1.0.tar.xz", ".tar.xz"));
    EXPECT_TRUE(EndsWith(".tar.xz", ".tar.xz"));
    EXPECT_TRUE(EndsWith("a.xz.xz", ".xz"));
    EXPECT_TRUE(EndsWith("abc", ""));
    EXPECT_FALSE(EndsWith("pkg.TAR.XZ", ".tar.xz"));
    EXPECT_FALSE(EndsWith("pkg.tar.xz.zip", ".tar.xz"));
    EXPECT_FALSE(EndsWith("xz", ".tar.xz"));
    EXPECT_FALSE(EndsWith("", "x"));
}

TEST(ToBackslashes, ReplacesEveryForwardSlash)
{
    EXPECT_EQ(ToBackslashes("Skin/update.zip"), "Skin\\update.zip");
    EXPECT_EQ(ToBackslashes("//a\\b//"), "\\\\a\\b\\\\");
    EXPECT_EQ(ToBackslashes("none"), "none");
    EXPECT_EQ(ToBackslashes(""), "");
}

TEST(MakeParentDirs, CreatesEveryFolderButNotTheFile)
{
    const std::string root = TestTempDir();
    MakeParentDirs(root + "\\a\\b\\c\\file.txt");
    EXPECT_TRUE(IsFolder(root + "\\a"));
    EXPECT_TRUE(IsFolder(root + "\\a\\b"));
    EXPECT_TRUE(IsFolder(root + "\\a\\b\\c"));
    EXPECT_FALSE(FileExists(root + "\\a\\b\\c\\file.txt"));

    // Run again over existing folders: nothing changes, nothing fails.
    WriteFileBytes(root + "\\a\\b\\keep.txt", "keep");
    MakeParentDirs(root + "\\a\\b\\c\\file.txt");
    EXPECT_EQ(ReadFileBytes(root + "\\a\\b\\keep.txt"), "keep");
}

TEST(MakeParentDirs, OnlyBackslashesSeparate)
{
    const std::string root = TestTempDir();
    // "x/y" is one step of the walk, and x is never made by itself, so
    // callers turn slashes into backslashes first.
    MakeParentDirs(root + "\\x/y\\z.txt");
    EXPECT_FALSE(FileExists(root + "\\x"));
    MakeParentDirs(ToBackslashes(root + "\\x/y\\z.txt"));
    EXPECT_TRUE(IsFolder(root + "\\x\\y"));
    EXPECT_FALSE(FileExists(root + "\\x\\y\\z.txt"));

    MakeParentDirs(root + "\\trailing\\");
    EXPECT_TRUE(IsFolder(root + "\\trailing"));

    MakeParentDirs(root + "\\lone.txt");
    EXPECT_FALSE(FileExists(root + "\\lone.txt"));
}

TEST(MakeParentDirs, FileInTheWayStopsNothingAndStaysAFile)
{
    const std::string root = TestTempDir();
    WriteFileBytes(root + "\\blocker", "data");
    MakeParentDirs(root + "\\blocker\\sub\\f.txt");
    EXPECT_EQ(ReadFileBytes(root + "\\blocker"), "data");
    EXPECT_FALSE(IsFolder(root + "\\blocker\\sub"));
}

TEST(FileExists, FilesAndFoldersAlike)
{
    const std::string root = TestTempDir();
    WriteFileBytes(root + "\\f.bin", "1");
    EXPECT_TRUE(FileExists(root + "\\f.bin"));
    EXPECT_TRUE(FileExists(root));
    EXPECT_FALSE(FileExists(root + "\\missing.bin"));
    EXPECT_FALSE(FileExists(""));
}

TEST(RemoveDirTree, RemovesReadOnlyFilesNestedFoldersAndItself)
{
    const std::string tree = TestTempDir() + "\\tree";
    MakeParentDirs(tree + "\\nested\\deeper\\x");
    WriteFileBytes(tree + "\\top.txt", "top");
    WriteFileBytes(tree + "\\locked.txt", "ro");
    WriteFileBytes(tree + "\\nested\\deeper\\inner.dat", "inner");
    WriteFileBytes(tree + "\\nested\\ro-inner.dat", "ro");
    ASSERT_TRUE(SetFileAttributesA((tree + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA((tree + "\\nested\\ro-inner.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string sibling = TestTempDir() + "\\sibling.txt";
    WriteFileBytes(sibling, "stay");

    RemoveDirTree(tree);
    EXPECT_FALSE(FileExists(tree));
    EXPECT_EQ(ReadFileBytes(sibling), "stay");
}

TEST(RemoveDirTree, MissingFolderIsLeftAlone)
{
    const std::string root = TestTempDir();
    WriteFileBytes(root + "\\other.txt", "x");
    RemoveDirTree(root + "\\does-not-exist");
    EXPECT_FALSE(FileExists(root + "\\does-not-exist"));
    EXPECT_EQ(ReadFileBytes(root + "\\other.txt"), "x");
    EXPECT_TRUE(IsFolder(root));
}

TEST(RemoveDirTree, LinkedFolderIsNotEmptied)
{
    // The tree holds links to a folder and a file outside it; the walk must
    // not go through them and delete what lies behind. The test works on its
    // own copy: the fixture is shared by every run of this program.
    const DWORD fixtureLink = GetFileAttributesA(FixturePath("linktree\\link").c_str());
    ASSERT_NE(fixtureLink, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(fixtureLink & FILE_ATTRIBUTE_REPARSE_POINT) << "the fixture's link is a plain folder";
    FixturePath("linktree\\plain\\file.txt");
    FixturePath("outside\\precious.txt");
    ASSERT_FALSE(HasFailure());
    const std::string copy = TestTempDir() + "\\copy";
    const std::string tree = copy + "\\linktree";
    ASSERT_TRUE(CopyKeepingLinks({FixturePath("linktree"), FixturePath("outside")}, copy))
        << "the host's cp did not copy the fixtures";
    const DWORD link = GetFileAttributesA((tree + "\\link").c_str());
    ASSERT_NE(link, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(link & FILE_ATTRIBUTE_REPARSE_POINT);
    ASSERT_EQ(ReadFileBytes(tree + "\\link\\precious.txt"), "keep");
    ASSERT_EQ(ReadFileBytes(tree + "\\plain\\file.txt"), "gone");

    // Neither a link as the folder itself, nor the links in it.
    EXPECT_FALSE(RemoveDirTree(tree + "\\link"));
    RemoveDirTree(tree);
    EXPECT_EQ(ReadFileBytes(copy + "\\outside\\precious.txt"), "keep");
    EXPECT_FALSE(FileExists(tree + "\\plain"));
}

TEST(Folders, UserDataAndUpdateFoldersAreCreatedUnderAppData)
{
    char appData[1024] = {};
    ASSERT_GT(GetEnvironmentVariableA("APPDATA", appData, sizeof(appData)), 0u);
    const std::string base = appData;
    RemoveDirTree(base + "\\Marlex");
    ASSERT_FALSE(FileExists(base + "\\Marlex"));

    EXPECT_EQ(GetUpdateDir(), base + "\\Marlex\\MarlexUpdate\\update");
    EXPECT_TRUE(IsFolder(base + "\\Marlex\\MarlexUpdate\\update"));

    RemoveDirTree(base + "\\Marlex");
    EXPECT_EQ(GetLogPath(), base + "\\Marlex\\MarlexUpdate\\update.log");
    EXPECT_TRUE(IsFolder(base + "\\Marlex\\MarlexUpdate"));
    EXPECT_FALSE(FileExists(GetLogPath()));
    EXPECT_EQ(GetSettingsPath(), base + "\\Marlex\\MarlexUpdate\\tavrin.ini");
}

TEST(Folders, LongAppDataIsUsedWhole)
{
    // Longer than the usual 256-byte buffer; the folders themselves cannot
    // be made at that length through the ANSI calls, which is ignored.
    std::string base = TestTempDir();
    while (base.size() < 300)
        base += "\\level-with-a-long-name";
    ASSERT_TRUE(SetEnvironmentVariableA("APPDATA", base.c_str()));
    EXPECT_EQ(GetUserDataDir(), base + "\\Marlex\\MarlexUpdate");
    base.resize(255);
    ASSERT_TRUE(SetEnvironmentVariableA("APPDATA", base.c_str()));
    EXPECT_EQ(GetUserDataDir(), base + "\\Marlex\\MarlexUpdate");
}

TEST(Folders, ModuleDirIsTheProgramFolder)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string expected = path;
    expected.resize(expected.rfind('\\'));
    EXPECT_EQ(GetModuleDir(), expected);
    EXPECT_TRUE(FileExists(GetModuleDir() + "\\" + std::string(path).substr(expected.size() + 1)));
}
