#include "engine/ManifestSignature.h"

#include "engine/Sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CompareVersions, ComparesPartByPartNumbersAsNumbers)
{
    const struct {
        const char* a;
        const char* b;
        int order;
    } cases[] = {
        {"2.0", "2.0", 0},  {"1.9", "2.0", -1},  {"2.10", "2.9", 1}, {"2", "2.0", 0}, {"2.0.1", "2.0", 1},
        {"02.1", "2.1", 0}, {"2.1b", "2.1a", 1}, {"10", "9", 1},     {"", "0", 0},    {"1.0", "1.0.0.1", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareVersions(c.a, c.b), c.order) << c.a << " " << c.b;
        EXPECT_EQ(CompareVersions(c.b, c.a), -c.order) << c.b << " " << c.a;
    }
}

// A key file with anything but one or two keys leaves no usable key, so
// that every manifest is refused; a signature file that is not in its form
// is refused before any key is looked for.
TEST(ManifestKeys, TakesOneOrTwoKeysAndRefusesMalformedSignatures)
{
    const std::string point(128, 'a');
    const std::string key = "p256 " + point + "\n";
    const struct {
        std::string text;
        bool usable;
    } files[] = {
        {"# corvane manifest key x\r\n" + key, true}, {key + "\n" + key, true}, {key + key + key, false}, {"", false},
        {"p256 " + point.substr(1), false},           {"p384 " + point, false},
    };
    for (const auto& f : files) {
        ManifestKeys keys;
        EXPECT_EQ(keys.Parse(f.text), f.usable) << f.text;
        EXPECT_TRUE(keys.Present());
    }
    uint8_t bytes[ManifestKeys::kPointSize];
    std::fill(bytes, bytes + sizeof(bytes), 0xaa);
    const std::string id = KeyIdOf(bytes);
    EXPECT_EQ(id, Sha256Hex(bytes, sizeof(bytes)).substr(0, 16));
    ManifestKeys keys;
    ASSERT_TRUE(keys.Parse(key));
    ASSERT_NE(keys.Find(id), nullptr);
    const std::string signature = "ecdsa-p256-sha256 " + std::string(128, '0');
    for (const std::string& text : {"corvane manifest signature 1\r\nkey " + id + "\r\n" + signature.substr(1),
                                    "corvane manifest signature 2\nkey " + id + "\n" + signature,
                                    "corvane manifest signature 1\nkey " + id + "\n" + signature + "\nmore"})
        EXPECT_EQ(CheckManifestSignature("<configure/>", text, keys), "its signature file is malformed") << text;
    EXPECT_EQ(
        CheckManifestSignature("<configure/>", "corvane manifest signature 1\nkey " + id + "\n" + signature, keys),
        "its signature by the key " + id + " does not match it");
    EXPECT_FALSE(ManifestKeys::FromModule(GetModuleHandleW(nullptr)).Present());
}

}  // namespace
