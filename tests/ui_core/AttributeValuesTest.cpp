// The markup value readers: number lists and the items of image descriptors.
#include "ui/core/AttributeValues.h"

#include <gtest/gtest.h>

#include <string>

using namespace SkinUI;

namespace {

TEST(AttributeValues, NumberLists)
{
    const struct {
        const wchar_t* text;
        int count;
        long values[4];
    } cases[] = {
        { L"10,20,30,40", 4, { 10, 20, 30, 40 } },
        { L"1 2;3", 3, { 1, 2, 3, 0 } },
        { L"5,,7", 3, { 5, 0, 7, 0 } },     // an empty number is 0 and counts
        { L"100,200,", 2, { 100, 200, 0, 0 } }, // a trailing separator adds none
        { L"", 0, { 0, 0, 0, 0 } },
        { L"-3,99999999", 2, { -3, 1 << 20, 0, 0 } },
        { L"1,2,3,4,5", 4, { 1, 2, 3, 4 } },
    };
    for (const auto& c : cases) {
        long values[4] = { -1, -1, -1, -1 };
        EXPECT_EQ(ReadNumbers(c.text, values, 4), c.count) << static_cast<const void*>(c.text);
        for (int i = 0; i < c.count; i++) EXPECT_EQ(values[i], c.values[i]) << i;
        const RECT rc = ReadNumberList(c.text);
        EXPECT_EQ(rc.left, c.values[0]);
        EXPECT_EQ(rc.bottom, c.values[3]);
    }
    EXPECT_EQ(ReadNumbers(nullptr, nullptr, 0), 0);
}

TEST(AttributeValues, DescriptorItemsAndWhereTheReadingStops)
{
    const struct {
        const wchar_t* text;
        int length; // -1: up to the NUL
        const wchar_t* items;
        const wchar_t* rest;
    } cases[] = {
        { L"file='a.png' corner='1,2,3,4'", -1, L"file=a.png;corner=1,2,3,4;", L"" },
        { L"  file = 'a b.png'   fade='80' ", -1, L"file=a b.png;fade=80;", L"" },
        { L"file='' res='7'", -1, L"file=;res=7;", L"" },
        { L"file='a.png' 3 1", -1, L"file=a.png;", L"3 1" },      // frame count after the items
        { L"file='a.png'x dest='1'", -1, L"file=a.png;", L"x dest='1'" }, // no blank after an item
        { L"file='a.png", -1, L"", L"file='a.png" },               // no closing quote
        { L"a.png", -1, L"", L"a.png" },                           // a bare name has no items
        { L"file='a.png' res='b'>more", 12, L"file=a.png;", L"" }, // the end given, not the NUL
    };
    for (const auto& c : cases) {
        const wchar_t* end = c.length >= 0 ? c.text + c.length : nullptr;
        CDescriptorReader reader(c.text, end);
        std::wstring items;
        CUIString key;
        CUIString value;
        while (reader.Next(key, value)) items += std::wstring(key.GetData()) + L"=" + value.GetData() + L";";
        EXPECT_EQ(items, c.items);
        const wchar_t* stop = end != nullptr ? end : c.text + wcslen(c.text);
        EXPECT_EQ(std::wstring(reader.Rest(), stop), c.rest);
        EXPECT_FALSE(reader.Next(key, value)) << "stays stopped";
    }
}

} // namespace
