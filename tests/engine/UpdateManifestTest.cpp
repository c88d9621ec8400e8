#include "engine/UpdateManifest.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kDigestA[] = "0123456789abcdef0123456789abcdef";
constexpr char kDigestB[] = "FEDCBA9876543210FEDCBA9876543210";

std::string WriteManifest(const std::string& name, const std::string& xml)
{
    const std::string path = TestTempDir() + "\\" + name;
    EXPECT_TRUE(WriteFileBytes(path, xml));
    return path;
}

std::vector<FileEntry> FilesOf(const UpdateManifest& manifest)
{
    std::vector<FileEntry> files;
    manifest.GetFileList(files);
    return files;
}

}  // namespace

TEST(UpdateManifest, MinimalManifest)
{
    const std::string path = WriteManifest("configure.xml",
                                           "<?xml version=\"1.0\"?>\n"
                                           "<configure>\n"
                                           "  <version>2.1</version>\n"
                                           "  <package>upd-2.1.tar.xz</package>\n"
                                           "  <filelist>\n"
                                           "    <file md5=\"" + std::string(kDigestA) + "\">Player.exe</file>\n"
                                           "    <file md5=\"" + std::string(kDigestB) + "\">Skin\\update.zip</file>\n"
                                           "  </filelist>\n"
                                           "</configure>\n");
    UpdateManifest manifest;
    ASSERT_TRUE(manifest.Load(path));
    EXPECT_EQ(manifest.GetPath(), path);
    EXPECT_EQ(manifest.GetPackage(), "upd-2.1.tar.xz");
    const std::vector<FileEntry> files = FilesOf(manifest);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].path, "Player.exe");
    EXPECT_EQ(files[0].md5, kDigestA);
    EXPECT_EQ(files[1].path, "Skin\\update.zip");
    EXPECT_EQ(files[1].md5, kDigestB);
}

TEST(UpdateManifest, FirstPackageCountsAndEveryFileListContributes)
{
    const std::string path = WriteManifest("two.xml",
                                           "<configure>"
                                           "<filelist><file md5=\"a\">one.dll</file><file>two/two.dat</file></filelist>"
                                           "<package>first.tar.xz</package>"
                                           "<package>second.tar.xz</package>"
                                           "<other><file>ignored.txt</file></other>"
                                           "<filelist><file md5=\"b\">three.exe</file></filelist>"
                                           "</configure>");
    UpdateManifest manifest;
    ASSERT_TRUE(manifest.Load(path));
    EXPECT_EQ(manifest.GetPackage(), "first.tar.xz");
    const std::vector<FileEntry> files = FilesOf(manifest);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, "one.dll");
    EXPECT_EQ(files[0].md5, "a");
    EXPECT_EQ(files[1].path, "two/two.dat");
    EXPECT_EQ(files[1].md5, "");
    EXPECT_EQ(files[2].path, "three.exe");
    EXPECT_EQ(files[2].md5, "b");
}

TEST(UpdateManifest, GetFileListAppendsWithoutClearing)
{
    const std::string path =
        WriteManifest("append.xml", "<configure><filelist><file>new.txt</file></filelist></configure>");
    UpdateManifest manifest;
    ASSERT_TRUE(manifest.Load(path));
    std::vector<FileEntry> files{{"kept.txt", "k"}};
    manifest.GetFileList(files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].path, "kept.txt");
    EXPECT_EQ(files[1].path, "new.txt");
}

TEST(UpdateManifest, OnlyTheMd5AttributeIsRead)
{
    const std::string path = WriteManifest(
        "attrs.xml", "<configure><filelist>"
                     "<file size=\"10\" MD5=\"upper\" md5=\"lower\" sha1=\"x\">a.bin</file>"
                     "<file MD5=\"only-upper\">b.bin</file>"
                     "<file md5=\"\"></file>"
                     "<File md5=\"z\">capital.bin</File>"
                     "</filelist></configure>");
    UpdateManifest manifest;
    ASSERT_TRUE(manifest.Load(path));
    const std::vector<FileEntry> files = FilesOf(manifest);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].md5, "lower");
    EXPECT_EQ(files[1].md5, "");
    EXPECT_EQ(files[2].path, "");
    EXPECT_EQ(files[2].md5, "");
}

TEST(UpdateManifest, RootDifferingInCaseYieldsNothing)
{
    const std::string path = WriteManifest(
        "case.xml", "<Configure><package>p.tar.xz</package><filelist><file>a</file></filelist></Configure>");
    UpdateManifest manifest;
    ASSERT_TRUE(manifest.Load(path));
    EXPECT_EQ(manifest.GetPackage(), "");
    EXPECT_TRUE(FilesOf(manifest).empty());
}

TEST(UpdateManifest, CommentsAndTextBetweenElementsAreSkipped)
{
    const std::string path = WriteManifest("noise.xml",
                                           "<?xml version=\"1.0\" encoding=\"gbk\"?>\n"
                                           "<!-- leading comment -->\n"
                                           "<configure>stray text\n"
                                           "  <!-- <package>commented.tar.xz</package> -->\n"
                                           "  more text\n"
                                           "  <package><!-- note -->real.tar.xz</package>\n"
                                           "  <filelist>\n"
                                           "    text in the list <!-- c --> <file md5=\"m\">x.dll</file> tail\n"
                                           "    <![CDATA[<file>not-a-file</file>]]>\n"
                                           "    <file>y.dll</file>\n"
                                           "  </filelist>\n"
                                           "</configure>\n");
    UpdateManifest manifest;
    ASSERT_TRUE(manifest.Load(path));
    // The element's first child is the comment, so there is no first text.
    EXPECT_EQ(manifest.GetPackage(), "");
    const std::vector<FileEntry> files = FilesOf(manifest);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].path, "x.dll");
    EXPECT_EQ(files[0].md5, "m");
    EXPECT_EQ(files[1].path, "y.dll");
}

TEST(UpdateManifest, CommentBeforePackageElementsDoesNotHideThem)
{
    const std::string path = WriteManifest(
        "comment.xml", "<configure><!-- first --><package>p.tar.xz</package><!-- x --><package>q</package>"
                       "</configure>");
    UpdateManifest manifest;
    ASSERT_TRUE(manifest.Load(path));
    EXPECT_EQ(manifest.GetPackage(), "p.tar.xz");
}

TEST(UpdateManifest, EmptyOrMissingPartsGiveEmptyResults)
{
    const std::string path = WriteManifest("empty.xml", "<configure><package/><filelist/></configure>");
    UpdateManifest manifest;
    ASSERT_TRUE(manifest.Load(path));
    EXPECT_EQ(manifest.GetPackage(), "");
    EXPECT_TRUE(FilesOf(manifest).empty());
}

TEST(UpdateManifest, MalformedFileFailsToLoadAndYieldsNothing)
{
    const std::string path = WriteManifest(
        "bad.xml", "<configure><package>p.tar.xz</package><filelist><file>a</filelist></configure>");
    UpdateManifest manifest;
    EXPECT_FALSE(manifest.Load(path));
    EXPECT_EQ(manifest.GetPath(), path);
    EXPECT_EQ(manifest.GetPackage(), "");
    EXPECT_TRUE(FilesOf(manifest).empty());
}

TEST(UpdateManifest, MissingOrEmptyFileFailsToLoad)
{
    UpdateManifest manifest;
    const std::string missing = TestTempDir() + "\\none.xml";
    EXPECT_FALSE(manifest.Load(missing));
    EXPECT_EQ(manifest.GetPath(), missing);
    EXPECT_EQ(manifest.GetPackage(), "");

    EXPECT_FALSE(manifest.Load(WriteManifest("zero.xml", "")));
    EXPECT_TRUE(FilesOf(manifest).empty());
}
