#include "engine/Settings.h"

#include "engine/Paths.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// Reads a key the way the product would, telling an empty value from a
// missing key.
std::string RawSetting(const char* key)
{
    char buffer[2048] = {};
    GetPrivateProfileStringA("update", key, "<missing>", buffer, sizeof(buffer), GetSettingsPath().c_str());
    return buffer;
}

}  // namespace

TEST(Settings, MissingFileReadsEmpty)
{
    ASSERT_FALSE(FileExists(GetSettingsPath()));
    EXPECT_EQ(ReadXmlSetting(), "");
    EXPECT_EQ(ReadXzSetting(), "");
}

TEST(Settings, ValuesRoundTripInSectionUpdate)
{
    const std::string update = GetUpdateDir();
    WriteXmlSetting(update + "\\configure.xml");
    WriteXzSetting(update + "\\upd-2.1.tar.xz");
    WriteVersionSetting("2.1.0");
    EXPECT_EQ(ReadXmlSetting(), update + "\\configure.xml");
    EXPECT_EQ(ReadXzSetting(), update + "\\upd-2.1.tar.xz");
    EXPECT_EQ(RawSetting("version"), "2.1.0");
    EXPECT_EQ(GetSettingsPath(), GetUserDataDir() + "\\tavrin.ini");
    const std::string ini = ReadFileBytes(GetSettingsPath());
    EXPECT_NE(ini.find("[update]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("version=2.1.0"), std::string::npos) << ini;
}

TEST(Settings, ProductKeysBesideOursAreKept)
{
    WriteFileBytes(GetSettingsPath(), "[player]\r\nvolume=7\r\n[update]\r\nchannel=beta\r\n");
    WriteXzSetting("C:\\p.tar.xz");
    DiscardPendingUpdate();
    char buffer[64] = {};
    GetPrivateProfileStringA("player", "volume", "", buffer, sizeof(buffer), GetSettingsPath().c_str());
    EXPECT_STREQ(buffer, "7");
    EXPECT_EQ(RawSetting("channel"), "beta");
    EXPECT_EQ(RawSetting("xz"), "");
}

TEST(Settings, LongValueIsReadWhole)
{
    const std::string path = "C:\\" + std::string(600, 'v') + "\\configure.xml";
    WriteXmlSetting(path);
    EXPECT_EQ(ReadXmlSetting(), path);
    const std::string exact(511, 'e');
    WriteXzSetting(exact);
    EXPECT_EQ(ReadXzSetting(), exact);
    const std::string over(512, 'o');
    WriteXzSetting(over);
    EXPECT_EQ(ReadXzSetting(), over);
}

TEST(Settings, DiscardBlanksTheKeysAndRemovesTheUpdateFolder)
{
    const std::string update = GetUpdateDir();
    WriteFileBytes(update + "\\configure.xml", "<configure/>");
    WriteFileBytes(update + "\\upd.tar.xz", "xz");
    WriteFileBytes(update + "\\upd\\Skin\\update.zip", "zip");
    SetFileAttributesA((update + "\\upd\\Skin\\update.zip").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteXmlSetting(update + "\\configure.xml");
    WriteXzSetting(update + "\\upd.tar.xz");
    WriteVersionSetting("2.1.0");

    DiscardPendingUpdate();

    EXPECT_FALSE(FileExists(update));
    EXPECT_EQ(RawSetting("version"), "");
    EXPECT_EQ(RawSetting("xz"), "");
    EXPECT_EQ(RawSetting("xml"), "");
    EXPECT_EQ(ReadXmlSetting(), "");
    EXPECT_EQ(ReadXzSetting(), "");
    // The user-data folder with the settings file stays.
    EXPECT_TRUE(FileExists(GetSettingsPath()));
}

TEST(Settings, DiscardWithNothingPendingWritesTheEmptyKeys)
{
    DiscardPendingUpdate();
    EXPECT_FALSE(FileExists(GetUserDataDir() + "\\update"));
    const std::string ini = ReadFileBytes(GetSettingsPath());
    EXPECT_NE(ini.find("[update]"), std::string::npos) << ini;
    for (const char* line : {"version=", "xz=", "xml="}) {
        const size_t at = ini.find(std::string("\n") + line);
        ASSERT_NE(at, std::string::npos) << line << " in " << ini;
        const size_t end = at + 1 + strlen(line);
        EXPECT_TRUE(end == ini.size() || ini[end] == '\r' || ini[end] == '\n') << line << " has a value";
    }
    EXPECT_EQ(RawSetting("version"), "");
    EXPECT_EQ(RawSetting("xz"), "");
    EXPECT_EQ(RawSetting("xml"), "");
}

TEST(Settings, MissingAppDataGivesPathFromTheDriveRoot)
{
    // The folders land at the root of the current drive; make it the drive
    // of this test's folder and remove what the getter makes there.
    const std::string temp = TestTempDir();
    ASSERT_TRUE(SetCurrentDirectoryA(temp.c_str()));
    const std::string drive = temp.substr(0, 2);
    const std::string marlex = drive + "\\Marlex";
    const bool existed = FileExists(marlex);
    const bool updateExisted = FileExists(marlex + "\\MarlexUpdate");

    ASSERT_TRUE(SetEnvironmentVariableA("APPDATA", nullptr));
    EXPECT_EQ(GetUserDataDir(), "\\Marlex\\MarlexUpdate");
    EXPECT_EQ(GetSettingsPath(), "\\Marlex\\MarlexUpdate\\tavrin.ini");
    EXPECT_TRUE(FileExists(marlex + "\\MarlexUpdate"));

    if (!updateExisted)
        RemoveDirectoryA((marlex + "\\MarlexUpdate").c_str());
    if (!existed)
        RemoveDirectoryA(marlex.c_str());
}
