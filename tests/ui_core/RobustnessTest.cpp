// Randomly damaged skin files and archives must load or fail cleanly. The
// generator is seeded, so a failing variant can be replayed by its number.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ui/core/Markup.h"
#include "tests/support/TestSupport.h"
#include "ui/core/ZipArchive.h"

using namespace SkinUI;

namespace {

const int kVariants = 10000;

std::string Mutate(const std::string& original, std::mt19937& rng)
{
    std::string s = original;
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits && !s.empty(); e++) {
        size_t at = rng() % s.size();
        switch (rng() % 6) {
        case 0: s[at] = static_cast<char>(rng()); break;
        case 1: s[at] = static_cast<char>(s[at] ^ (1 << (rng() % 8))); break;
        case 2: s.erase(at, 1 + rng() % 16); break;
        case 3: s.insert(at, 1, "<>/=\"'&! ?-"[rng() % 11]); break;
        case 4: s.resize(at); break;
        default: s.insert(at, s.substr(rng() % s.size(), rng() % 32)); break;
        }
    }
    return s;
}

// Touches every node and attribute, as the dialog builder would.
int Walk(CMarkupNode node, int depth)
{
    int visited = 0;
    for (; node.IsValid(); node = node.GetSibling()) {
        ++visited;
        int count = node.GetAttributeCount();
        for (int i = 0; i < count; i++) {
            EXPECT_NE(nullptr, node.GetAttributeName(i));
            EXPECT_NE(nullptr, node.GetAttributeValue(i));
        }
        EXPECT_NE(nullptr, node.GetValue());
        if (depth < 64) visited += Walk(node.GetChild(), depth + 1);
    }
    return visited;
}

} // namespace

TEST(Robustness, MutatedSkinFiles)
{
    const std::string skin = ReadFixture("skin\\update.xml");
    ASSERT_FALSE(skin.empty());
    const std::set<std::wstring> known = {
        L"Expected start tag", L"Error parsing element name", L"Expected start-tag closing",
        L"Expected end-tag start", L"Unmatched closing tag", L"Error while parsing attributes",
        L"Expected attribute value", L"Error while parsing attribute string",
    };
    std::mt19937 rng(20261208);
    int parsed = 0;
    for (int variant = 0; variant < kVariants; variant++) {
        std::string bytes = Mutate(skin, rng);
        CMarkup markup;
        markup.SetPreserveWhitespace(variant % 2 == 0);
        bool ok = markup.LoadFromMem(reinterpret_cast<const BYTE*>(bytes.data()),
                                     static_cast<DWORD>(bytes.size()), XMLFILE_ENCODING_UTF8);
        if (ok) {
            ++parsed;
            Walk(markup.GetRoot(), 0);
        } else {
            wchar_t message[100] = { 0 };
            markup.GetLastErrorMessage(message, 99);
            ASSERT_TRUE(known.count(message)) << "variant " << variant;
            ASSERT_FALSE(markup.IsValid());
        }
    }
    std::printf("%d of %d damaged skin files parsed\n", parsed, kVariants);
    // Both outcomes occur, so the mutations neither always break nor never do.
    EXPECT_GT(parsed, 100);
    EXPECT_LT(parsed, kVariants - 100);
}

TEST(Robustness, MutatedZipArchives)
{
    const std::string archive = ReadFixture("plain.zip");
    ASSERT_FALSE(archive.empty());
    const std::set<ZRESULT> known = { ZR_OK, ZR_MORE, ZR_NOTFOUND, ZR_CORRUPT, ZR_FLATE };
    std::mt19937 rng(5);
    int extracted = 0, refused = 0;
    for (int variant = 0; variant < kVariants; variant++) {
        std::string bytes = Mutate(archive, rng);
        if (bytes.empty()) continue;
        ZipReader zip;
        ZRESULT result = zip.OpenMemory(bytes.data(), static_cast<unsigned int>(bytes.size()));
        ASSERT_TRUE(known.count(result)) << "variant " << variant << " open " << std::hex << result;
        if (result != ZR_OK) {
            ++refused;
            continue;
        }
        for (int i = 0; i < zip.GetCount(); i++) {
            ZIPENTRY entry;
            ASSERT_EQ(ZR_OK, zip.GetItem(i, &entry));
            // Declared sizes may lie; a bounded buffer must still be safe.
            unsigned long size = static_cast<unsigned long>(entry.unc_size);
            std::vector<unsigned char> out(size < 65536 ? size + 1 : 65536);
            result = zip.ExtractItem(i, out.data(), static_cast<unsigned int>(size < 65536 ? size : 65536));
            ASSERT_TRUE(known.count(result)) << "variant " << variant << " member " << i << " " << std::hex
                                             << result;
            if (result == ZR_OK) ++extracted;
        }
        int index;
        ZIPENTRY entry;
        result = zip.FindItem(L"update.xml", true, &index, &entry);
        ASSERT_TRUE(result == ZR_OK || result == ZR_NOTFOUND);
    }
    std::printf("%d of %d damaged archives refused, %d members extracted\n", refused, kVariants, extracted);
    EXPECT_GT(extracted, 100);
    EXPECT_GT(refused, 100);
}
