#pragma once

#include "ui/core/UIString.h"

namespace SkinUI {

// String-keyed hash map of untyped pointers with a fixed bucket count; the
// values are not owned. Find moves a hit to the head of its chain.
class CStdStringPtrMap {
public:
    enum { DEFAULT_BUCKETS = 83, MIN_BUCKETS = 16 };

    explicit CStdStringPtrMap(int buckets = DEFAULT_BUCKETS);
    CStdStringPtrMap(const CStdStringPtrMap&) = delete;
    CStdStringPtrMap& operator=(const CStdStringPtrMap&) = delete;
    ~CStdStringPtrMap();

    void Resize(int buckets = DEFAULT_BUCKETS);
    void* Find(const wchar_t* key, bool optimize = true) const;
    bool Insert(const wchar_t* key, void* data);
    void* Set(const wchar_t* key, void* data);
    bool Remove(const wchar_t* key);
    void RemoveAll();
    int GetSize() const;
    int GetBucketCount() const;

    // Keys in enumeration order: last bucket first, each chain from its head.
    const wchar_t* GetAt(int index) const;
    const wchar_t* operator[](int index) const;

private:
    struct TITEM {
        CUIString Key;
        void* Data;
        TITEM* pPrev;
        TITEM* pNext;
    };

    static unsigned int HashKey(const wchar_t* key);
    TITEM* FindItem(const wchar_t* key, bool optimize) const;
    void DeleteAll();

    TITEM** m_aT;
    int m_nBuckets;
    int m_nCount;
};

} // namespace SkinUI
