#include "engine/Md5.h"
#include "base/PathUtil.h"
#include "base/ScopedHandles.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

TEST(Md5, MatchesTheTestSuiteOfRfc1321)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(Md5Hex(text, std::string(text).size()), digest) << text;
}

TEST(Md5, LengthsAroundThePaddingEdges)
{
    const std::pair<size_t, const char*> cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},  {56, "3b0c8ac703f828b04c6c197006d17218"},
        {63, "b06521f39153d618550606be297466d5"},  {64, "014842d480b571495a4a0363793f7367"},
        {65, "c743a45e0d2e6a95cb859adae0248435"},  {119, "8a7bd0732ed6a28ce75f6dabc90e1613"},
        {120, "5f61c0ccad4cac44c75ff505e1f1e537"}, {128, "e510683b3f5ffe4093d021808bc6ff70"},
    };
    for (const auto& [length, digest] : cases)
        EXPECT_EQ(Md5Hex(std::string(length, 'a').data(), length), digest) << length;
}

TEST(Md5, PiecesOfAnySizeGiveTheSameDigest)
{
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>(i * 7 + i / 13);
    const std::string whole = Md5Hex(data.data(), data.size());
    for (size_t piece : {1u, 3u, 63u, 64u, 65u, 999u}) {
        Md5 md5;
        for (size_t at = 0; at < data.size(); at += piece)
            md5.Update(data.data() + at, std::min(piece, data.size() - at));
        uint8_t digest[16];
        md5.Final(digest);
        char hex[33];
        for (int i = 0; i < 16; ++i)
            snprintf(hex + 2 * i, 3, "%02x", digest[i]);
        EXPECT_EQ(hex, whole) << "piece " << piece;
    }
}

TEST(FileMd5Hex, DigestsFilesAcrossChunkEdges)
{
    // 3 chunks of 4096 and a tail, and exactly one chunk.
    for (size_t size : {4096u * 3 + 17, 4096u}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 31) ^ (i >> 8));
        const std::string path = TestTempDir() + "\\file" + std::to_string(size) + ".bin";
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        EXPECT_EQ(FileMd5Hex(path), Md5Hex(bytes.data(), bytes.size()));
    }
}

TEST(FileMd5Hex, EmptyFileHasTheDigestOfNothingMissingAndFolderHaveNone)
{
    const std::string empty = TestTempDir() + "\\empty.bin";
    ASSERT_TRUE(WriteFileBytes(empty, ""));
    EXPECT_EQ(FileMd5Hex(empty), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(FileMd5Hex(TestTempDir() + "\\missing.bin"), "");
    EXPECT_EQ(FileMd5Hex(""), "");
    EXPECT_EQ(FileMd5Hex(TestTempDir()), "");
}

TEST(IsContainedRelativePath, AcceptsPlainRelativePaths)
{
    for (const char* path : {"a.txt", "Skin\\update.zip", "Skin/update.zip", "a/./b", "dir/", "x..y", ".hidden"})
        EXPECT_TRUE(IsContainedRelativePath(path)) << path;
}

TEST(IsContainedRelativePath, RefusesWhatCouldLeaveTheFolder)
{
    for (const char* path : {"", "..", "../a", "a/../../b", "a\\..\\b", "/etc/passwd", "\\Windows\\x.dll",
                             "\\\\server\\share\\x", "C:\\x", "C:x", "a/b:stream", "a/.../b", "a/.. /b", "a/b."})
        EXPECT_FALSE(IsContainedRelativePath(path)) << path;
}

// The installation's copy: checked and copied in one read, and a copy that
// fails for any reason leaves nothing in the target's place.
TEST(CopyFileCheckingMd5, CopiesOnlyBytesWithTheListedDigest)
{
    std::string big(1048576 + 17, '\0');  // across the copy's chunk
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 13) ^ (i >> 9));
    const std::string bigMd5 = Md5Hex(big.data(), big.size());
    struct Case {
        const char* name;
        std::string bytes;  // of the source; none for "missing"
        std::string md5;
        DWORD error;
    };
    const Case cases[] = {
        {"checked", big, bigMd5, ERROR_SUCCESS},         {"plain", big, "", ERROR_SUCCESS},
        {"damaged", big, Md5Hex("other", 5), ERROR_CRC}, {"empty", "", Md5Hex("", 0), ERROR_SUCCESS},
        {"missing", "", bigMd5, ERROR_FILE_NOT_FOUND},   {"locked", big, bigMd5, ERROR_SHARING_VIOLATION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = TestTempDir() + "\\" + c.name + ".src";
        const std::string target = TestTempDir() + "\\" + c.name + ".dst";
        if (std::string(c.name) != "missing") {
            ASSERT_TRUE(WriteFileBytes(source, c.bytes));
        }
        ScopedHandle lock;
        if (std::string(c.name) == "locked") {
            ASSERT_TRUE(WriteFileBytes(target, "in use"));
            lock.Reset(CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        }
        EXPECT_EQ(CopyFileCheckingDigests(source, target, {c.md5, ""}), c.error);
        lock.Reset();
        if (c.error == ERROR_SUCCESS) {
            EXPECT_TRUE(ReadFileBytes(target) == c.bytes);
            EXPECT_TRUE(FileExists(target));
        } else if (c.error == ERROR_SHARING_VIOLATION) {
            EXPECT_EQ(ReadFileBytes(target), "in use");
        } else {
            EXPECT_FALSE(FileExists(target));
        }
    }
}

}  // namespace
