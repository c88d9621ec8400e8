#include "tests/engine_flows/EngineTestSupport.h"

#include "tests/support/TestSupport.h"
#include "engine/Paths.h"
#include "engine/Settings.h"

#include <gtest/gtest.h>

namespace {

class UnpackTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        updateDir_ = GetUpdateDir();
        userDataDir_ = GetUserDataDir();
        WriteXmlSetting("pending.xml");
        WriteXzSetting("pending.tar.xz");
        WriteVersionSetting("9.9");
    }

    // Copies a fixture package into the update folder, where the flows keep it.
    std::string Stage(const std::string& fixture, const std::string& name)
    {
        const std::string path = updateDir_ + "\\" + name;
        EXPECT_TRUE(CopyTo(Fixture(fixture), path));
        return path;
    }

    std::vector<FileEntry> FilesOf(const std::string& manifestFixture)
    {
        UpdateManifest manifest;
        EXPECT_TRUE(manifest.Load(Fixture(manifestFixture)));
        std::vector<FileEntry> files;
        manifest.GetFileList(files);
        return files;
    }

    void ExpectDiscarded()
    {
        EXPECT_FALSE(FileExists(updateDir_)) << "the update folder is removed";
        for (const char* key : {"xml", "xz", "version"}) {
            EXPECT_TRUE(HasSetting(key)) << key;
            EXPECT_EQ(ReadSetting(key), "") << key;
        }
    }

    // Installs into a fresh folder of the test's own.
    void SetInstallFolder(const std::string& name)
    {
        installDir_ = TestTempDir() + "\\" + name;
        CreateDirectoryA(installDir_.c_str(), nullptr);
        worker_.SetInstallDir(installDir_);
    }

    std::string updateDir_;
    std::string userDataDir_;
};

TEST_F(UnpackTest, SuffixIsComparedWithCase)
{
    const std::string path = updateDir_ + "\\pkg.TAR.XZ";
    ASSERT_TRUE(WriteFileBytes(path, "whatever"));
    EXPECT_EQ(Worker().UnpackAndInstall(path, {}), UpdateWorker::kBadSuffix);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"xz file: " + path + " bad format extend name."});
    ExpectDiscarded();
}

TEST_F(UnpackTest, MissingPackageBlanksTheSettings)
{
    const std::string path = updateDir_ + "\\gone-1.0.tar.xz";
    EXPECT_EQ(Worker().UnpackAndInstall(path, {}), UpdateWorker::kPackageMissing);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"xz file: " + path + " not exist."});
    ExpectDiscarded();
}

TEST_F(UnpackTest, TruncatedPackageFailsToDecode)
{
    const std::string path = Stage("truncated\\flowpkg-1.2.tar.xz", "flowpkg-1.2.tar.xz");
    EXPECT_EQ(Worker().UnpackAndInstall(path, FilesOf("flow\\configure.xml")), UpdateWorker::kXzFailed);
    // The extraction that followed the decoder fails at the cut, and says so.
    const std::vector<std::string> expected = {"tar_extract_all(): Invalid argument",
                                               "decompress xz file: " + path + " failed."};
    EXPECT_EQ(LogMessages(), expected);
    ExpectDiscarded();
    EXPECT_FALSE(FileExists(Installed("readme.txt")));
}

TEST_F(UnpackTest, SourceRootFollowsTheStemRule)
{
    const std::pair<const char*, const char*> packages[] = {
        {"stem-versioned", "tool-2.1.0.tar.xz"},
        {"stem-plain", "tool.tar.xz"},
        {"stem-dashed", "my-tool-2.1.tar.xz"},
    };
    for (const auto& [folder, name] : packages) {
        DeleteFileA(Installed("stem.txt").c_str());
        const std::string path = Stage(std::string(folder) + "\\" + name, name);
        EXPECT_EQ(Worker().UnpackAndInstall(path, FilesOf(std::string(folder) + "\\configure.xml")),
                  UpdateWorker::kInstalled)
            << name;
        EXPECT_EQ(ReadFileBytes(Installed("stem.txt")), "stem file\n") << name;
        EXPECT_FALSE(FileExists(updateDir_)) << name;
    }
}

TEST_F(UnpackTest, TopFolderThatMissesTheStemFailsTheInstallation)
{
    const std::string path = Stage("mismatch\\other-2.1.0.tar.xz", "other-2.1.0.tar.xz");
    EXPECT_EQ(Worker().UnpackAndInstall(path, FilesOf("mismatch\\configure.xml")), UpdateWorker::kInstallFailed);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"file: stem.txt md5 check failed."});
    EXPECT_FALSE(FileExists(Installed("stem.txt")));
    ExpectDiscarded();
}

TEST_F(UnpackTest, MembersThatWouldLeaveTheUpdateFolderAreRefused)
{
    const char* kinds[] = {"dotdot", "absolute", "drive", "backslash", "trailingdots", "symlink",
                           "hardlink", "fifo", "chardev", "device", "devicefolder"};
    const std::string probes[] = {
        userDataDir_ + "\\corvane_dotdot_probe.txt",
        userDataDir_ + "\\..\\corvane_dotdot_probe.txt",
        userDataDir_ + "\\..\\..\\corvane_dotdot_probe.txt",
        userDataDir_ + "\\..\\corvane_backslash_probe.txt",
        userDataDir_ + "\\..\\..\\corvane_backslash_probe.txt",
        "Z:\\corvane_abs_probe.txt",
        "C:\\corvane_abs_probe.txt",
        "C:\\corvane_drive_probe.txt",
        userDataDir_ + "\\corvane_dots_probe.txt",
    };
    for (const char* kind : kinds) {
        const std::string name = std::string(kind) + "-1.0.tar.xz";
        const std::string path = Stage("refused\\" + name, name);
        const std::vector<FileEntry> files = {{"ok.txt", ""}};
        EXPECT_EQ(Worker().UnpackAndInstall(path, files), UpdateWorker::kTarFailed) << kind;
        EXPECT_EQ(LogMessages().back(), "decompress tar file: " + updateDir_ + "\\" + std::string(kind) +
                                            "-1.0.tar failed.")
            << kind;
        EXPECT_FALSE(FileExists(updateDir_)) << kind;
        EXPECT_FALSE(FileExists(Installed("ok.txt"))) << kind;
        for (const std::string& probe : probes)
            EXPECT_FALSE(FileExists(probe)) << kind << ": " << probe;
    }
}

TEST_F(UnpackTest, PackagesFromEveryTarWriterInstall)
{
    const std::string deep = "a_folder_whose_name_is_long_enough_to_need_an_extension_header\\"
                             "second_level_folder_name_also_long\\deep.txt";
    for (const char* kind : {"gnu", "posix", "bsdtar", "bsdtar-pax", "py-pax", "py-gnu", "py-ustar"}) {
        SetInstallFolder(std::string("install-") + kind);
        EXPECT_EQ(Worker().UnpackAndInstall(Stage(std::string("formats\\") + kind + "\\fmtpkg-1.0.tar.xz",
                                                  "fmtpkg-1.0.tar.xz"),
                                            FilesOf("formats\\configure.xml")),
                  UpdateWorker::kInstalled)
            << kind;
        EXPECT_EQ(ReadFileBytes(Installed(deep)), "long path\n") << kind;
        EXPECT_EQ(ReadFileBytes(Installed("short.txt")), "short\n") << kind;
        EXPECT_EQ(ReadFileBytes(Installed("readonly.txt")), "read-only v1\n") << kind;
        // Installed files take no read-only attribute from the member's mode.
        EXPECT_EQ(GetFileAttributesA(Installed("readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << kind;
        EXPECT_FALSE(FileExists(updateDir_)) << kind;
    }
}

TEST_F(UnpackTest, ReadOnlyMemberDoesNotBreakTheNextUpdate)
{
    for (const char* folder : {"formats\\posix", "formats\\second"}) {
        const std::string manifest = std::string(folder) == "formats\\posix" ? "formats" : folder;
        EXPECT_EQ(Worker().UnpackAndInstall(Stage(std::string(folder) + "\\fmtpkg-1.0.tar.xz", "fmtpkg-1.0.tar.xz"),
                                            FilesOf(manifest + "\\configure.xml")),
                  UpdateWorker::kInstalled)
            << folder;
    }
    EXPECT_EQ(ReadFileBytes(Installed("readonly.txt")), "read-only v2\n");
}

TEST_F(UnpackTest, TarFileIsWrittenInTheUpdateFolderWhereverThePackageLies)
{
    const std::string elsewhere = TestTempDir() + "\\elsewhere";
    const std::string package = elsewhere + "\\flowpkg-1.2.tar.xz";
    ASSERT_TRUE(CopyTo(Fixture("flow\\flowpkg-1.2.tar.xz"), package));
    ASSERT_TRUE(WriteFileBytes(elsewhere + "\\flowpkg-1.2.tar", "a file of another program"));
    EXPECT_EQ(Worker().UnpackAndInstall(package, FilesOf("flow\\configure.xml")), UpdateWorker::kInstalled);
    EXPECT_EQ(ReadFileBytes(elsewhere + "\\flowpkg-1.2.tar"), "a file of another program");
    EXPECT_EQ(ReadFileBytes(Installed("readme.txt")), "readme version 2\r\n");
    ExpectDiscarded();
}

}  // namespace
