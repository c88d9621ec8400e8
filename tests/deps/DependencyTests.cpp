// Each third-party library the Updater builds on, exercised for real under
// Wine on inputs made by the standard native tools.
#include <curl/curl.h>  // brings winsock2.h, which must precede windows.h
#include <windows.h>

#include <fcntl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <boost/bind/bind.hpp>
#include <boost/thread.hpp>
#include <gtest/gtest.h>
#include <libtar.h>
#include <lzma.h>
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#include <tinyxml.h>
#include <zlib.h>

#include "tests/support/TestSupport.h"

namespace {

std::string Payload()
{
    std::string data = ReadFixture("payload.bin");
    EXPECT_GT(data.size(), 200000u);
    return data;
}

size_t AppendToString(char* ptr, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(ptr, size * count);
    return size * count;
}

}  // namespace

TEST(Curl, FetchesAFileFromTheLoopbackServer)
{
    const std::string body = Payload();
    ASSERT_TRUE(WriteFileBytes(HttpRoot() + "\\deps\\curl-payload.bin", body));

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    ASSERT_TRUE(curl);
    std::string received;
    long status = 0;
    curl_easy_setopt(curl.get(), CURLOPT_URL, HttpUrl("/deps/curl-payload.bin").c_str());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, AppendToString);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &received);
    ASSERT_EQ(CURLE_OK, curl_easy_perform(curl.get()));
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    EXPECT_EQ(200, status);
    EXPECT_TRUE(received == body);
}

TEST(Lzma, DecodesAnXzFileMadeByXz)
{
    const std::string packed = ReadFixture("payload.bin.xz");
    ASSERT_FALSE(packed.empty());

    lzma_stream strm = LZMA_STREAM_INIT;
    ASSERT_EQ(LZMA_OK, lzma_stream_decoder(&strm, UINT64_MAX,
                                           LZMA_TELL_UNSUPPORTED_CHECK | LZMA_CONCATENATED));
    std::string out;
    char buffer[4096];
    strm.next_in = reinterpret_cast<const uint8_t*>(packed.data());
    strm.avail_in = packed.size();
    lzma_ret ret = LZMA_OK;
    while (ret == LZMA_OK) {
        strm.next_out = reinterpret_cast<uint8_t*>(buffer);
        strm.avail_out = sizeof buffer;
        ret = lzma_code(&strm, strm.avail_in ? LZMA_RUN : LZMA_FINISH);
        out.append(buffer, sizeof buffer - strm.avail_out);
    }
    lzma_end(&strm);
    EXPECT_EQ(LZMA_STREAM_END, ret);
    EXPECT_TRUE(out == Payload());
}

TEST(Libtar, ExtractsAGnuTarByteForByte)
{
    const std::string archive = FixturePath("tree.tar");
    const std::string dest = TestTempDir() + "\\out";
    ASSERT_EQ(0, _mkdir(dest.c_str()));

    TAR* tar = nullptr;
    ASSERT_EQ(0, tar_open(&tar, const_cast<char*>(archive.c_str()), nullptr, O_RDONLY, 0, TAR_GNU));
    int extracted = tar_extract_all(tar, const_cast<char*>(dest.c_str()));
    tar_close(tar);
    ASSERT_EQ(0, extracted);

    EXPECT_TRUE(ReadFileBytes(dest + "\\tree\\docs\\deep\\payload.bin") == Payload());
    EXPECT_EQ("line one\r\nline two\n", ReadFileBytes(dest + "\\tree\\readme.txt"));
    DWORD attrs = GetFileAttributesA((dest + "\\tree\\docs").c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attrs);
    EXPECT_TRUE(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(TinyXml, ParsesADocumentWithAttributesAndText)
{
    TiXmlDocument doc;
    doc.Parse("<?xml version=\"1.0\"?><configure><package>p-1.tar.xz</package>"
              "<filelist><file md5=\"abc\">a\\b.exe</file></filelist></configure>");
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    TiXmlElement* root = doc.RootElement();
    ASSERT_TRUE(root);
    EXPECT_STREQ("configure", root->Value());
    EXPECT_STREQ("p-1.tar.xz", root->FirstChildElement("package")->GetText());
    TiXmlElement* file = root->FirstChildElement("filelist")->FirstChildElement("file");
    EXPECT_STREQ("abc", file->Attribute("md5"));
    EXPECT_STREQ("a\\b.exe", file->GetText());

    TiXmlDocument broken;
    broken.Parse("<configure><package></configure>");
    EXPECT_TRUE(broken.Error());
}

namespace {

class Worker {
public:
    void Run(int times, DWORD* threadId)
    {
        for (int i = 0; i < times; ++i)
            ++count_;
        *threadId = GetCurrentThreadId();
    }
    int count_ = 0;
};

}  // namespace

TEST(BoostThread, RunsAMemberFunctionBoundWithBoostBind)
{
    Worker worker;
    DWORD workerThread = 0;
    boost::thread thread(boost::bind(&Worker::Run, &worker, 1000, &workerThread));
    thread.join();
    EXPECT_EQ(1000, worker.count_);
    EXPECT_NE(0u, workerThread);
    EXPECT_NE(GetCurrentThreadId(), workerThread);
}

TEST(Zlib, RawInflatesADeflatedMemberAndChecksItsCrc)
{
    const std::string packed = ReadFixture("payload.deflate");
    const std::string expected = Payload();
    ASSERT_FALSE(packed.empty());

    z_stream z;
    std::memset(&z, 0, sizeof z);
    ASSERT_EQ(Z_OK, inflateInit2(&z, -MAX_WBITS));
    std::vector<unsigned char> out(expected.size());
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    int ret = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    ASSERT_EQ(Z_STREAM_END, ret);
    EXPECT_EQ(expected.size(), z.total_out);
    EXPECT_EQ(0, std::memcmp(out.data(), expected.data(), expected.size()));

    char crc[16];
    std::snprintf(crc, sizeof crc, "%08lx", crc32(0, out.data(), static_cast<uInt>(out.size())));
    EXPECT_EQ(ReadFixture("payload.crc"), crc);
}

TEST(StbImage, DecodesAPngFromMemoryToFourComponents)
{
    const std::string png = ReadFixture("pixels.png");
    ASSERT_FALSE(png.empty());
    int w = 0, h = 0, comps = 0;
    unsigned char* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()),
                                                  static_cast<int>(png.size()), &w, &h, &comps, 4);
    ASSERT_TRUE(pixels) << stbi_failure_reason();
    EXPECT_EQ(3, w);
    EXPECT_EQ(2, h);
    const unsigned char expected[] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0,
                                      10, 20, 30, 40, 200, 100, 50, 255, 1, 2, 3, 4};
    EXPECT_EQ(0, std::memcmp(pixels, expected, sizeof expected));
    stbi_image_free(pixels);

    EXPECT_EQ(nullptr, stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()), 20,
                                             &w, &h, &comps, 4));
}
