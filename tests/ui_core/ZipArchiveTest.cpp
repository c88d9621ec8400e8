#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/ui_core/UiCoreTestHelpers.h"
#include "ui/core/ZipArchive.h"

using namespace SkinUI;

namespace {

std::string SkinBytes()
{
    return ReadFixture("skin\\update.xml");
}

std::string Extract(ZipReader& zip, const wchar_t* name, ZRESULT* result)
{
    int index = -1;
    ZIPENTRY entry;
    *result = zip.FindItem(name, true, &index, &entry);
    if (*result != ZR_OK) return std::string();
    std::string out(entry.unc_size, '\0');
    *result = zip.ExtractItem(index, &out[0], static_cast<unsigned int>(out.size()));
    return out;
}

void Put16(std::string& s, size_t at, uint16_t v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& s, size_t at, uint32_t v)
{
    Put16(s, at, static_cast<uint16_t>(v & 0xFFFF));
    Put16(s, at + 2, static_cast<uint16_t>(v >> 16));
}

size_t FindSig(const std::string& s, const char* sig, size_t from = 0)
{
    return s.find(std::string(sig, 4), from);
}

} // namespace

TEST(ZipArchive, StoredDeflatedSubFolderAndLookup)
{
    ZipReader zip;
    ASSERT_EQ(ZR_OK, zip.OpenFile(DataPath("skin.zip").c_str()));
    EXPECT_EQ(9, zip.GetCount());
    std::string skin = SkinBytes();
    ASSERT_FALSE(skin.empty());

    ZRESULT result = 0;
    EXPECT_EQ(skin, Extract(zip, L"update.xml", &result));
    EXPECT_EQ(ZR_OK, result);
    EXPECT_EQ(skin, Extract(zip, L"stored.xml", &result));
    EXPECT_EQ(ZR_OK, result);
    // Backslashes and other letter case find "Sub/Menu.XML".
    EXPECT_EQ(skin, Extract(zip, L"sub\\menu.xml", &result));
    EXPECT_EQ(ZR_OK, result);
    EXPECT_EQ(skin, Extract(zip, L"\u5173\u95ed.xml", &result));
    EXPECT_EQ(ZR_OK, result);

    int index = 7;
    ZIPENTRY entry;
    EXPECT_EQ(ZR_NOTFOUND, zip.FindItem(L"sub\\menu.xml", false, &index, &entry));
    EXPECT_EQ(-1, index);
    EXPECT_EQ(ZR_OK, zip.FindItem(L"Sub\\Menu.XML", false, &index, &entry));
    EXPECT_STREQ(L"Sub/Menu.XML", entry.name);
    EXPECT_EQ(static_cast<long>(skin.size()), entry.unc_size);
    EXPECT_EQ(ZR_NOTFOUND, zip.FindItem(L"missing.xml", true, &index, &entry));
    EXPECT_EQ(ZR_NOTFOUND, zip.FindItem(std::wstring(300, L'a').c_str(), true, &index, &entry));
    EXPECT_EQ(ZR_ARGS, zip.FindItem(nullptr, true, &index, &entry));

    EXPECT_EQ(ZR_OK, zip.FindItem(L"images/", true, &index, &entry));
    EXPECT_TRUE(entry.attr & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(ZR_OK, zip.FindItem(L"empty.xml", true, &index, &entry));
    EXPECT_EQ(0, entry.unc_size);
    char none = 0;
    EXPECT_EQ(ZR_OK, zip.UnzipItem(index, &none, 1));
    EXPECT_EQ(ZR_ARGS, zip.GetItem(99, &entry));
    EXPECT_EQ(ZR_ARGS, zip.UnzipItem(-1, &none, 1));
}

TEST(ZipArchive, PiecewiseExtractionKeepsMemberOpen)
{
    ZipReader zip;
    ASSERT_EQ(ZR_OK, zip.OpenFile(DataPath("skin.zip").c_str()));
    int index = -1;
    ZIPENTRY entry;
    ASSERT_EQ(ZR_OK, zip.FindItem(L"binary.bin", true, &index, &entry));
    ASSERT_EQ(256 * 300, entry.unc_size);
    std::vector<unsigned char> out;
    unsigned char chunk[1000];
    ZRESULT result;
    int calls = 0;
    do {
        unsigned int got = 0;
        result = zip.UnzipItem(index, chunk, sizeof(chunk), &got);
        out.insert(out.end(), chunk, chunk + got);
        ++calls;
    } while (result == ZR_MORE && calls < 1000);
    EXPECT_EQ(ZR_OK, result);
    EXPECT_EQ(77, calls);
    ASSERT_EQ(76800u, out.size());
    for (size_t i = 0; i < out.size(); i++) ASSERT_EQ(i % 256, out[i]) << i;

    // A short buffer: the whole-member form starts over each time.
    EXPECT_EQ(ZR_MORE, zip.ExtractItem(index, chunk, sizeof(chunk)));
    EXPECT_EQ(ZR_MORE, zip.ExtractItem(index, chunk, sizeof(chunk)));
    EXPECT_EQ(0, chunk[0]);
    EXPECT_EQ(255, chunk[255]);
}

TEST(ZipArchive, PrefixedArchiveFromFileHandleAndMemory)
{
    std::string skin = SkinBytes();
    ZRESULT result;
    ZipReader fromFile;
    ASSERT_EQ(ZR_OK, fromFile.OpenFile(DataPath("prefixed.zip").c_str()));
    EXPECT_EQ(skin, Extract(fromFile, L"UPDATE.xml", &result));
    EXPECT_EQ(ZR_OK, result);
    EXPECT_EQ("stored text", Extract(fromFile, L"skin\\stored.txt", &result));

    HANDLE h = CreateFileW(DataPath("prefixed.zip").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    ZipReader fromHandle;
    EXPECT_EQ(ZR_OK, fromHandle.OpenHandle(h));
    CloseHandle(h);
    EXPECT_EQ("stored text", Extract(fromHandle, L"skin/stored.txt", &result));
    EXPECT_EQ(ZR_OK, result);

    std::string bytes = ReadFixture("prefixed.zip");
    ZipReader fromMemory;
    ASSERT_EQ(ZR_OK, fromMemory.OpenMemory(bytes.data(), static_cast<unsigned int>(bytes.size())));
    EXPECT_EQ(skin, Extract(fromMemory, L"update.xml", &result));
    EXPECT_EQ(ZR_OK, result);
}

TEST(ZipArchive, SizesAfterTheDataFromStreamedArchive)
{
    // The local header of a streamed member holds zeros for CRC and sizes.
    std::string bytes = ReadFixture("streamed.zip");
    ASSERT_GT(bytes.size(), 30u);
    ASSERT_TRUE(bytes[6] & 0x08);
    ZipReader zip;
    ASSERT_EQ(ZR_OK, zip.OpenMemory(bytes.data(), static_cast<unsigned int>(bytes.size())));
    ZRESULT result;
    std::string skin = SkinBytes();
    std::string all;
    for (int i = 0; i < 20; i++) all += skin;
    EXPECT_EQ(all, Extract(zip, L"-", &result));
    EXPECT_EQ(ZR_OK, result);
}

TEST(ZipArchive, OpenFailures)
{
    ZipReader zip;
    EXPECT_EQ(ZR_NOFILE, zip.OpenFile(TempPath("missing.zip").c_str()));
    EXPECT_FALSE(zip.IsOpen());
    EXPECT_EQ(ZR_ARGS, zip.OpenMemory(nullptr, 10));
    std::string junk(5000, 'x');
    EXPECT_EQ(ZR_CORRUPT, zip.OpenMemory(junk.data(), static_cast<unsigned int>(junk.size())));
    EXPECT_EQ(ZR_CORRUPT, zip.OpenMemory("PK\x05\x06", 4));
    EXPECT_EQ(ZR_ARGS, zip.OpenHandle(INVALID_HANDLE_VALUE));
    HANDLE readPipe = nullptr, writePipe = nullptr;
    ASSERT_TRUE(CreatePipe(&readPipe, &writePipe, nullptr, 0));
    EXPECT_EQ(ZR_ZMODE, zip.OpenHandle(readPipe));
    CloseHandle(readPipe);
    CloseHandle(writePipe);
    ZIPENTRY entry;
    int index;
    EXPECT_EQ(ZR_ARGS, zip.FindItem(L"update.xml", true, &index, &entry));
}

TEST(ZipArchive, HostileArchivesEndAsCorrupt)
{
    const std::string good = ReadFixture("plain.zip");
    ASSERT_FALSE(good.empty());
    size_t end = FindSig(good, "PK\x05\x06");
    size_t dir = FindSig(good, "PK\x01\x02");
    ASSERT_NE(std::string::npos, end);
    ASSERT_NE(std::string::npos, dir);

    auto openAndExtract = [](const std::string& bytes, ZRESULT* openResult) {
        ZipReader zip;
        *openResult = zip.OpenMemory(bytes.data(), static_cast<unsigned int>(bytes.size()));
        if (*openResult != ZR_OK) return *openResult;
        ZRESULT result;
        Extract(zip, L"update.xml", &result);
        return result;
    };
    ZRESULT opened;

    std::string pastEnd = good;
    Put32(pastEnd, end + 16, 0x7FFFFFF0);   // directory offset far beyond the data
    EXPECT_EQ(ZR_CORRUPT, openAndExtract(pastEnd, &opened));
    EXPECT_EQ(ZR_CORRUPT, opened);

    std::string bigDir = good;
    Put32(bigDir, end + 12, 0xFFFFFF00);
    EXPECT_EQ(ZR_CORRUPT, openAndExtract(bigDir, &opened));

    std::string multiDisk = good;
    Put16(multiDisk, end + 4, 1);
    EXPECT_EQ(ZR_CORRUPT, openAndExtract(multiDisk, &opened));

    std::string tooManyEntries = good;
    Put16(tooManyEntries, end + 8, 5);
    Put16(tooManyEntries, end + 10, 5);
    EXPECT_EQ(ZR_CORRUPT, openAndExtract(tooManyEntries, &opened));

    std::string truncated = good.substr(0, dir + 20);
    EXPECT_EQ(ZR_CORRUPT, openAndExtract(truncated, &opened));

    // Sizes that lie: larger, smaller, and a CRC that does not match.
    for (int variant = 0; variant < 3; variant++) {
        std::string lying = good;
        size_t local = 0;
        if (variant == 0) {
            Put32(lying, dir + 24, 50);  Put32(lying, local + 22, 50);
        } else if (variant == 1) {
            Put32(lying, dir + 24, 5000); Put32(lying, local + 22, 5000);
        } else {
            Put32(lying, dir + 16, 0x12345678); Put32(lying, local + 14, 0x12345678);
        }
        EXPECT_EQ(ZR_CORRUPT, openAndExtract(lying, &opened)) << variant;
        EXPECT_EQ(ZR_OK, opened);
    }

    std::string disagree = good;
    Put32(disagree, 18, 1);   // local compressed size differs from the directory
    EXPECT_EQ(ZR_CORRUPT, openAndExtract(disagree, &opened));
    std::string badMethod = good;
    Put16(badMethod, dir + 10, 12);
    Put16(badMethod, 8, 12);
    EXPECT_EQ(ZR_CORRUPT, openAndExtract(badMethod, &opened));
    std::string encrypted = good;
    Put16(encrypted, dir + 8, 1);
    EXPECT_EQ(ZR_CORRUPT, openAndExtract(encrypted, &opened));
    std::string badLocalOffset = good;
    Put32(badLocalOffset, dir + 42, static_cast<uint32_t>(good.size() - 10));
    EXPECT_EQ(ZR_CORRUPT, openAndExtract(badLocalOffset, &opened));

    // Flipped bits in the deflate data: an inflate error or a CRC mismatch.
    std::string flipped = good;
    for (size_t i = 40; i < 60; i++) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
    ZRESULT r = openAndExtract(flipped, &opened);
    EXPECT_TRUE(r == ZR_FLATE || r == ZR_CORRUPT) << std::hex << r;
}

TEST(ZipArchive, ExtractionToFilesStaysInsideTarget)
{
    ZipReader zip;
    ASSERT_EQ(ZR_OK, zip.OpenFile(DataPath("escape.zip").c_str()));
    std::wstring target = TempPath("out\\deeper");
    int refused = 0;
    for (int i = 0; i < zip.GetCount(); i++) {
        ZIPENTRY entry;
        ASSERT_EQ(ZR_OK, zip.GetItem(i, &entry));
        ZRESULT result = zip.UnzipItemToFile(i, target.c_str());
        if (std::wstring(entry.name) == L"ok/inside.txt") {
            EXPECT_EQ(ZR_OK, result);
        } else {
            EXPECT_EQ(ZR_ARGS, result) << std::string(entry.name, entry.name + wcslen(entry.name));
            ++refused;
        }
    }
    EXPECT_EQ(7, refused);
    EXPECT_EQ("inside", ReadFileBytes(TestTempDir() + "\\out\\deeper\\ok\\inside.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(TempPath("out\\outside.txt").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(TempPath("outside2.txt").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(TempPath("out\\deeper\\b.txt").c_str()));

    ZipReader skin;
    ASSERT_EQ(ZR_OK, skin.OpenFile(DataPath("skin.zip").c_str()));
    for (int i = 0; i < skin.GetCount(); i++) EXPECT_EQ(ZR_OK, skin.UnzipItemToFile(i, TempPath("all").c_str()));
    EXPECT_EQ(SkinBytes(), ReadFileBytes(TestTempDir() + "\\all\\Sub\\Menu.XML"));
    EXPECT_EQ(4u * 1024 * 1024, ReadFileBytes(TestTempDir() + "\\all\\big\\exact.xml").size());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(TempPath("all\\images").c_str()));
}

TEST(ZipArchive, ExtendedTimestampsFromZipTool)
{
    ZipReader zip;
    ASSERT_EQ(ZR_OK, zip.OpenFile(DataPath("stamped.zip").c_str()));
    int index = -1;
    ZIPENTRY entry;
    ASSERT_EQ(ZR_OK, zip.FindItem(L"stamped.txt", true, &index, &entry));
    ULARGE_INTEGER t;
    t.LowPart = entry.mtime.dwLowDateTime;
    t.HighPart = entry.mtime.dwHighDateTime;
    EXPECT_EQ((1600000000ULL + 11644473600ULL) * 10000000ULL, t.QuadPart);
    ZRESULT result;
    EXPECT_EQ(std::string(8000, ' ').size(), Extract(zip, L"stamped.txt", &result).size());
    EXPECT_EQ(ZR_OK, result);

    ASSERT_EQ(ZR_OK, zip.UnzipItemToFile(index, TempPath("stamp").c_str()));
    HANDLE h = CreateFileW(TempPath("stamp\\stamped.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FILETIME written;
    GetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
    EXPECT_EQ(0, CompareFileTime(&written, &entry.mtime));
}

TEST(ZipArchive, ArchivesFromOtherToolsReadByteIdentical)
{
    const std::string skin = SkinBytes();
    std::string twenty;
    for (int i = 0; i < 20; i++) twenty += skin;
    struct Case {
        const char* archive;
        const wchar_t* member;
        std::string expected;
    };
    const Case cases[] = {
        {"zip64.zip", L"update.xml", skin},
        {"stdin64.zip", L"-", twenty},
        {"names.zip", L"\u6309\u94AE.xml", "button"},
        {"names.zip", L"\u6DFA.xml", "shallow"},
        {"names.zip", L"\u5173\u95ED.xml", "close"},
    };
    for (const Case& c : cases) {
        ZipReader zip;
        ASSERT_EQ(ZR_OK, zip.OpenFile(DataPath(c.archive).c_str())) << c.archive;
        ZRESULT result;
        EXPECT_EQ(c.expected, Extract(zip, c.member, &result)) << c.archive;
        EXPECT_EQ(ZR_OK, result) << c.archive;
        int index = -1;
        ZIPENTRY entry;
        ASSERT_EQ(ZR_OK, zip.FindItem(c.member, false, &index, &entry)) << c.archive;
        EXPECT_STREQ(c.member, entry.name);
        EXPECT_EQ(static_cast<long>(c.expected.size()), entry.unc_size) << c.archive;
    }
}

TEST(ZipArchive, Utf8NamesWithoutTheFlagFoundAfterTheCodePage)
{
    ZipReader zip;
    ASSERT_EQ(ZR_OK, zip.OpenFile(DataPath("names.zip").c_str()));
    // The UTF-8 bytes are valid GBK too: the code page reads other characters.
    for (const bool ignoreCase : { false, true }) {
        int index = -1;
        ZIPENTRY entry;
        ASSERT_EQ(ZR_OK, zip.FindItem(L"\u56FE\u7247.xml", ignoreCase, &index, &entry));
        EXPECT_STRNE(L"\u56FE\u7247.xml", entry.name);
    }
    ZRESULT result;
    EXPECT_EQ("picture", Extract(zip, L"\u56FE\u7247.xml", &result));
    EXPECT_EQ(ZR_OK, result);
    // Names that only the code page gives are still found by it, and a name
    // of no member stays missing.
    EXPECT_EQ("close", Extract(zip, L"\u5173\u95ED.xml", &result));
    EXPECT_EQ(ZR_NOTFOUND, zip.FindItem(L"\u56FE.xml", false, nullptr, nullptr));
}
