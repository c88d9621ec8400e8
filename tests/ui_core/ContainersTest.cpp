#include <gtest/gtest.h>

#include <malloc.h>

#include <set>
#include <string>
#include <vector>

#include "ui/core/StdPtrArray.h"
#include "ui/core/StdStringPtrMap.h"
#include "ui/core/StdValArray.h"

using SkinUI::CStdPtrArray;
using SkinUI::CStdStringPtrMap;
using SkinUI::CStdValArray;

namespace {

size_t Slots(CStdPtrArray& a)
{
    return a.GetData() == nullptr ? 0 : _msize(a.GetData()) / sizeof(void*);
}

void* P(int i)
{
    return reinterpret_cast<void*>(static_cast<intptr_t>(i));
}

} // namespace

TEST(StdPtrArray, GrowthAndEmpty)
{
    CStdPtrArray a;
    EXPECT_EQ(0u, Slots(a));
    ASSERT_TRUE(a.Add(P(1)));
    EXPECT_EQ(11u, Slots(a));
    for (int i = 2; i <= 10; i++) a.Add(P(i));
    EXPECT_EQ(11u, Slots(a));
    a.Add(P(11));
    EXPECT_EQ(22u, Slots(a));
    EXPECT_EQ(11, a.GetSize());
    for (int i = 0; i < 11; i++) EXPECT_EQ(P(i + 1), a[i]);

    a.Empty();
    EXPECT_EQ(nullptr, a.GetData());
    EXPECT_TRUE(a.IsEmpty());

    a.Resize(5);
    EXPECT_EQ(5, a.GetSize());
    EXPECT_EQ(5u, Slots(a));
    for (int i = 0; i < 5; i++) EXPECT_EQ(nullptr, a.GetAt(i));
    a.Resize(0);
    EXPECT_TRUE(a.IsEmpty());

    CStdPtrArray pre(4);
    EXPECT_EQ(4u, Slots(pre));
    EXPECT_TRUE(pre.IsEmpty());
}

TEST(StdPtrArray, InsertRemoveSetAndRanges)
{
    CStdPtrArray a;
    EXPECT_FALSE(a.InsertAt(1, P(1)));
    EXPECT_FALSE(a.InsertAt(-1, P(1)));
    EXPECT_TRUE(a.InsertAt(0, P(3)));
    EXPECT_TRUE(a.InsertAt(0, P(1)));
    EXPECT_TRUE(a.InsertAt(1, P(2)));
    EXPECT_TRUE(a.InsertAt(3, P(4)));
    ASSERT_EQ(4, a.GetSize());
    for (int i = 0; i < 4; i++) EXPECT_EQ(P(i + 1), a.GetAt(i));

    EXPECT_EQ(2, a.Find(P(3)));
    EXPECT_EQ(-1, a.Find(P(9)));
    EXPECT_EQ(nullptr, a.GetAt(4));
    EXPECT_EQ(nullptr, a.GetAt(-1));
    EXPECT_FALSE(a.SetAt(4, P(9)));
    EXPECT_TRUE(a.SetAt(3, P(9)));
    EXPECT_EQ(P(9), a.GetAt(3));

    size_t slots = Slots(a);
    EXPECT_FALSE(a.Remove(4));
    EXPECT_FALSE(a.Remove(-1));
    EXPECT_TRUE(a.Remove(0));
    EXPECT_TRUE(a.Remove(2));
    ASSERT_EQ(2, a.GetSize());
    EXPECT_EQ(P(2), a[0]);
    EXPECT_EQ(P(3), a[1]);
    EXPECT_EQ(slots, Slots(a));

    CStdPtrArray copy(a);
    ASSERT_EQ(2, copy.GetSize());
    EXPECT_EQ(P(3), copy.GetAt(1));
    EXPECT_NE(a.GetData(), copy.GetData());
}

TEST(StdValArray, CopiesValuesAndEmptyKeepsBlock)
{
    struct Item {
        int a;
        double b;
    };
    CStdValArray v(sizeof(Item));
    for (int i = 0; i < 30; i++) {
        Item item = { i, i * 0.5 };
        ASSERT_TRUE(v.Add(&item));
    }
    ASSERT_EQ(30, v.GetSize());
    EXPECT_EQ(44 * sizeof(Item), _msize(v.GetData()));
    EXPECT_EQ(29, static_cast<Item*>(v.GetAt(29))->a);
    EXPECT_EQ(nullptr, v.GetAt(30));
    EXPECT_EQ(nullptr, v.GetAt(-1));

    EXPECT_TRUE(v.Remove(0));
    EXPECT_FALSE(v.Remove(29));
    EXPECT_EQ(1, static_cast<Item*>(v[0])->a);
    EXPECT_EQ(14.5, static_cast<Item*>(v.GetAt(28))->b);

    void* block = v.GetData();
    v.Empty();
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_EQ(block, v.GetData());
    EXPECT_EQ(44 * sizeof(Item), _msize(v.GetData()));
    Item again = { 7, 7.0 };
    v.Add(&again);
    EXPECT_EQ(block, v.GetData());
    EXPECT_EQ(7, static_cast<Item*>(v.GetAt(0))->a);
}

TEST(StdStringPtrMap, BucketsInsertSetRemove)
{
    CStdStringPtrMap small(5);
    EXPECT_EQ(16, small.GetBucketCount());
    CStdStringPtrMap byDefault;
    EXPECT_EQ(83, byDefault.GetBucketCount());

    CStdStringPtrMap m;
    EXPECT_EQ(nullptr, m.Find(L"missing"));
    EXPECT_TRUE(m.Insert(L"close", P(1)));
    EXPECT_FALSE(m.Insert(L"close", P(2)));
    EXPECT_EQ(P(1), m.Find(L"close"));
    EXPECT_EQ(P(1), m.Set(L"close", P(3)));
    EXPECT_EQ(P(3), m.Find(L"close"));
    EXPECT_EQ(nullptr, m.Set(L"min", P(4)));
    EXPECT_EQ(2, m.GetSize());
    EXPECT_EQ(nullptr, m.Find(L"Close"));

    // A stored null value still counts as present.
    EXPECT_TRUE(m.Insert(L"nothing", nullptr));
    EXPECT_FALSE(m.Insert(L"nothing", P(5)));
    EXPECT_EQ(nullptr, m.Set(L"nothing", P(6)));
    EXPECT_EQ(3, m.GetSize());
    EXPECT_EQ(P(6), m.Find(L"nothing"));

    EXPECT_TRUE(m.Remove(L"min"));
    EXPECT_FALSE(m.Remove(L"min"));
    EXPECT_EQ(2, m.GetSize());

    m.RemoveAll();
    EXPECT_EQ(83, m.GetBucketCount());
    EXPECT_EQ(0, m.GetSize());
    EXPECT_EQ(nullptr, m.Find(L"close"));

    m.Resize(0);
    EXPECT_FALSE(m.Insert(L"a", P(1)));
    EXPECT_EQ(P(7), m.Set(L"a", P(7)));
    EXPECT_EQ(0, m.GetSize());
    m.Resize(3);
    EXPECT_EQ(3, m.GetBucketCount());
    EXPECT_TRUE(m.Insert(L"a", P(1)));
}

TEST(StdStringPtrMap, EnumerationOrderAndMoveToFront)
{
    // With 16 buckets, keys ending in the same character modulo 16 share a
    // bucket: hash("a") = 97 and hash("q") = 113 both land in bucket 1.
    CStdStringPtrMap m(16);
    m.Insert(L"a", P(1));
    m.Insert(L"q", P(2));
    m.Insert(L"o", P(3));   // 111 % 16 = 15, the last bucket: enumerated first
    ASSERT_EQ(3, m.GetSize());
    EXPECT_EQ(std::wstring(L"o"), m.GetAt(0));
    EXPECT_EQ(std::wstring(L"q"), m.GetAt(1));   // newest at the head of bucket 1
    EXPECT_EQ(std::wstring(L"a"), m[2]);
    EXPECT_EQ(nullptr, m.GetAt(3));
    EXPECT_EQ(nullptr, m.GetAt(-1));

    EXPECT_EQ(P(1), m.Find(L"a", false));
    EXPECT_EQ(std::wstring(L"q"), m.GetAt(1));
    EXPECT_EQ(P(1), m.Find(L"a"));
    EXPECT_EQ(std::wstring(L"a"), m.GetAt(1));
    EXPECT_EQ(std::wstring(L"q"), m.GetAt(2));
    EXPECT_EQ(P(2), m.Find(L"q"));
    EXPECT_TRUE(m.Remove(L"a"));
    EXPECT_EQ(std::wstring(L"q"), m.GetAt(1));
    EXPECT_EQ(P(2), m.Find(L"q"));

    // The hash runs from the last character: "ab" and "ba" differ.
    CStdStringPtrMap big(1000);
    std::set<std::wstring> inserted;
    for (int i = 0; i < 2000; i++) {
        std::wstring key = L"control_" + std::to_wstring(i * 7919 % 2003);
        if (inserted.insert(key).second) {
            ASSERT_TRUE(big.Insert(key.c_str(), P(i + 1)));
        }
    }
    for (int i = 0; i < 500; i++) big.Find((L"control_" + std::to_wstring(i)).c_str());
    ASSERT_EQ(static_cast<int>(inserted.size()), big.GetSize());
    std::set<std::wstring> seen;
    for (int i = 0; i < big.GetSize(); i++) {
        const wchar_t* key = big.GetAt(i);
        ASSERT_NE(nullptr, key);
        EXPECT_TRUE(seen.insert(key).second) << "visited twice";
    }
    EXPECT_EQ(inserted, seen);
}
