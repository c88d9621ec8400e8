// Narrow literals hold GBK bytes at run time, and the harness runs every
// program with the Chinese ANSI code page the Updater is written for.
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

TEST(TextEncoding, NarrowLiteralsHoldGbkBytes)
{
    const unsigned char preparing[] = {0xd7, 0xbc, 0xb1, 0xb8, 0xcf, 0xc2, 0xd4, 0xd8, '.', '.', '.', 0};
    EXPECT_EQ(sizeof preparing, sizeof "准备下载...");
    EXPECT_EQ(0, std::memcmp("准备下载...", preparing, sizeof preparing));

    const unsigned char downloading[] = {0xd5, 0xfd, 0xd4, 0xda, 0xcf, 0xc2, 0xd4, 0xd8,
                                         ':', ' ', '%', 'd', '%', '%', 0};
    EXPECT_EQ(0, std::memcmp("正在下载: %d%%", downloading, sizeof downloading));
}

TEST(TextEncoding, WideLiteralsStayUtf16)
{
    const wchar_t* text = L"准备";
    EXPECT_EQ(0x51c6, text[0]);
    EXPECT_EQ(0x5907, text[1]);
    EXPECT_EQ(0, text[2]);
}

TEST(TextEncoding, AnsiCodePageIs936AndRoundTripsTheStatusTexts)
{
    EXPECT_EQ(936u, GetACP());
    const char* narrow = "正在下载: %d%%";
    wchar_t wide[64] = {};
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, narrow, -1, wide, 64), 0);
    EXPECT_STREQ(L"正在下载: %d%%", wide);
}
