#include "engine/GrowingFile.h"
#include "engine/TarExtractor.h"
#include "engine/UpdateLog.h"
#include "engine/XzDecoder.h"

#include "base/ScopedHandles.h"
#include "base/TextConversion.h"
#include "tests/engine_flows/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

int Decode(const std::string& from, const std::string& to)
{
    ScopedFile in(fopen(from.c_str(), "rb"));
    ScopedFile out(fopen(to.c_str(), "wb"));
    if (!in || !out)
        return -100;
    return DecompressXz(in.Get(), out.Get());
}

TEST(DecompressXz, StreamsInARowDecodeAsOne)
{
    const std::string out = TestTempDir() + "\\out.bin";
    EXPECT_EQ(Decode(Fixture("xz\\concatenated.xz"), out), 0);
    EXPECT_EQ(ReadFileBytes(out), "first stream, second stream");
}

TEST(DecompressXz, DamagedInputFails)
{
    const std::string out = TestTempDir() + "\\out.bin";
    EXPECT_EQ(Decode(Fixture("xz\\trailing.xz"), out), 1);
    EXPECT_EQ(Decode(Fixture("truncated\\flowpkg-1.2.tar.xz"), out), 1);
    const std::string empty = TestTempDir() + "\\empty.xz";
    ASSERT_TRUE(WriteFileBytes(empty, ""));
    EXPECT_EQ(Decode(empty, out), 1);
    const std::string plain = TestTempDir() + "\\plain.xz";
    ASSERT_TRUE(WriteFileBytes(plain, std::string(10000, 'x')));
    EXPECT_EQ(Decode(plain, out), 1);
}

TEST(DecompressXz, MemoryLimitTakesEveryPresetButNoGiantDictionary)
{
    const std::string out = TestTempDir() + "\\out.tar";
    EXPECT_EQ(Decode(Fixture("preset9e\\flowpkg-1.2.tar.xz"), out), 0);
    const std::string tar = ReadFileBytes(out);
    EXPECT_EQ(Decode(Fixture("bigdict\\flowpkg-1.2.tar.xz"), out), 1);
    ASSERT_EQ(Decode(Fixture("flow\\flowpkg-1.2.tar.xz"), out), 0);
    EXPECT_TRUE(ReadFileBytes(out) == tar);
}

TEST(LooksLikeXzFile, TellsAStreamFromOtherBodies)
{
    const struct {
        const char* fixture;
        bool xz;
    } cases[] = {
        {"flow\\flowpkg-1.2.tar.xz", true},
        {"xz\\concatenated.xz", true},
        {"xz\\padded.xz", true},
        {"truncated\\flowpkg-1.2.tar.xz", false},
        {"xz\\trailing.xz", false},
        {"xz\\errorpage.html", false},
        {"xz\\missing.xz", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LooksLikeXzFile(Fixture(c.fixture)), c.xz) << c.fixture;
    // Stream padding is part of the format: the decoder takes it too.
    const std::string out = TestTempDir() + "\\out.bin";
    EXPECT_EQ(Decode(Fixture("xz\\padded.xz"), out), 0);
    EXPECT_EQ(ReadFileBytes(out), "padded");
}

TEST(ExtractTar, EmptyArgumentsAndMissingFile)
{
    EXPECT_EQ(ExtractTar("", TestTempDir()), -1);
    EXPECT_EQ(ExtractTar(TestTempDir() + "\\x.tar", ""), -2);
    EXPECT_EQ(ExtractTar(TestTempDir() + "\\missing.tar", TestTempDir()), -1);
}

TEST(ExtractTar, ExtractsEveryMemberBelowTheTarget)
{
    const std::string tar = TestTempDir() + "\\flow.tar";
    ASSERT_EQ(Decode(Fixture("flow\\flowpkg-1.2.tar.xz"), tar), 0);
    const std::string target = TestTempDir() + "\\out";
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ASSERT_EQ(ExtractTar(tar, target), 0);
    EXPECT_EQ(ReadFileBytes(target + "\\flowpkg\\bin\\core.dll"), "core version 2\n");
    EXPECT_EQ(ReadFileBytes(target + "\\flowpkg\\data\\table.dat"), "table version 2\n");
    // Bytes exactly as packed: no line-end translation on the way.
    EXPECT_EQ(ReadFileBytes(target + "\\flowpkg\\readme.txt"), "readme version 2\r\n");
}

TEST(ExtractTar, RefusalNamesTheMemberAndItsPaxLinkInTheLogWithoutAStaleError)
{
    UpdateLog::Instance().Open();
    errno = EDOM;
    EXPECT_EQ(ExtractTar(Fixture("tar\\paxlink.tar"), TestTempDir()), -1);
    const std::string target = "/" + std::string(120, 'x') + "/target";
    const std::vector<std::string> expected = {"tar member refused: bad/paxlink -> " + target,
                                               std::string("tar_extract_all(): ") + strerror(EINVAL)};
    EXPECT_EQ(LogMessages(), expected);
}

TEST(ExtractTar, PaxNamesInUtf8LandInTheCodePage)
{
    ASSERT_EQ(ExtractTar(Fixture("tar\\utf8.tar"), TestTempDir()), 0);
    const std::wstring folder = ToWide(TestTempDir()) + L"\\\u8D44\u6599";
    EXPECT_EQ(ReadFileBytes(ToNarrow(folder + L"\\\u5173\u95ED.txt")), "closed\n");
    // A name the code page cannot hold is refused rather than mangled.
    EXPECT_EQ(ExtractTar(Fixture("tar\\unmappable.tar"), TestTempDir()), -1);
}

TEST(ExtractTar, FollowsATarFileWhileItIsWritten)
{
    const std::string whole = TestTempDir() + "\\whole.tar";
    ASSERT_EQ(Decode(Fixture("flow\\flowpkg-1.2.tar.xz"), whole), 0);
    const std::string bytes = ReadFileBytes(whole);
    // In full, then cut short in the second member's data.
    for (size_t length : {bytes.size(), size_t(1500)}) {
        const std::string path = TestTempDir() + "\\growing" + std::to_string(length) + ".tar";
        const std::string target = TestTempDir() + "\\out" + std::to_string(length);
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
        ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file.Valid());
        GrowingFile growing;
        std::thread writer([&] {
            for (size_t at = 0; at < length; at += 700) {
                const DWORD piece = static_cast<DWORD>(std::min<size_t>(700, length - at));
                DWORD written = 0;
                WriteFile(file.Get(), bytes.data() + at, piece, &written, nullptr);
                growing.Grow(at + piece);
                Sleep(10);
            }
            file.Reset();
            growing.Finish();
        });
        const int result = ExtractTar(path, target, &growing);
        writer.join();
        if (length == bytes.size()) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(ReadFileBytes(target + "\\flowpkg\\readme.txt"), "readme version 2\r\n");
        } else {
            EXPECT_EQ(result, -1);
        }
    }
}

}  // namespace
