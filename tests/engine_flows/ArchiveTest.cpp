#include "engine/TarExtractor.h"
#include "engine/XzDecoder.h"

#include "tests/engine_flows/EngineTestSupport.h"
#include "tests/support/TestSupport.h"
#include "base/ScopedHandles.h"

#include <gtest/gtest.h>

#include <cstdio>

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

}  // namespace
