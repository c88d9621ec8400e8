#include "ui/core/StdStringPtrMap.h"

#include <cwchar>
#include <new>

namespace SkinUI {

CStdStringPtrMap::CStdStringPtrMap(int buckets) : m_aT(nullptr), m_nBuckets(0), m_nCount(0)
{
    Resize(buckets < MIN_BUCKETS ? MIN_BUCKETS : buckets);
}

CStdStringPtrMap::~CStdStringPtrMap()
{
    DeleteAll();
}

unsigned int CStdStringPtrMap::HashKey(const wchar_t* key)
{
    unsigned int hash = 0;
    size_t length = wcslen(key);
    while (length-- > 0) hash = hash * 33 + key[length];
    return hash;
}

void CStdStringPtrMap::DeleteAll()
{
    for (int i = 0; i < m_nBuckets; i++) {
        TITEM* item = m_aT[i];
        while (item != nullptr) {
            TITEM* next = item->pNext;
            delete item;
            item = next;
        }
    }
    delete[] m_aT;
    m_aT = nullptr;
    m_nBuckets = 0;
    m_nCount = 0;
}

void CStdStringPtrMap::Resize(int buckets)
{
    DeleteAll();
    if (buckets <= 0) return;
    m_aT = new (std::nothrow) TITEM*[buckets]();
    if (m_aT != nullptr) m_nBuckets = buckets;
}

CStdStringPtrMap::TITEM* CStdStringPtrMap::FindItem(const wchar_t* key, bool optimize) const
{
    if (key == nullptr || m_nBuckets == 0 || m_nCount == 0) return nullptr;
    unsigned int slot = HashKey(key) % m_nBuckets;
    for (TITEM* item = m_aT[slot]; item != nullptr; item = item->pNext) {
        if (item->Key != key) continue;
        if (optimize && item != m_aT[slot]) {
            if (item->pNext != nullptr) item->pNext->pPrev = item->pPrev;
            item->pPrev->pNext = item->pNext;
            item->pPrev = nullptr;
            item->pNext = m_aT[slot];
            item->pNext->pPrev = item;
            m_aT[slot] = item;
        }
        return item;
    }
    return nullptr;
}

void* CStdStringPtrMap::Find(const wchar_t* key, bool optimize) const
{
    TITEM* item = FindItem(key, optimize);
    return item != nullptr ? item->Data : nullptr;
}

bool CStdStringPtrMap::Insert(const wchar_t* key, void* data)
{
    // Presence is judged by the item, so a stored null value still counts.
    if (key == nullptr || m_nBuckets == 0 || FindItem(key, true) != nullptr) return false;
    TITEM* item = new (std::nothrow) TITEM;
    if (item == nullptr) return false;
    unsigned int slot = HashKey(key) % m_nBuckets;
    item->Key = key;
    item->Data = data;
    item->pPrev = nullptr;
    item->pNext = m_aT[slot];
    if (item->pNext != nullptr) item->pNext->pPrev = item;
    m_aT[slot] = item;
    m_nCount++;
    return true;
}

void* CStdStringPtrMap::Set(const wchar_t* key, void* data)
{
    if (key == nullptr || m_nBuckets == 0) return data;
    TITEM* item = FindItem(key, true);
    if (item != nullptr) {
        void* old = item->Data;
        item->Data = data;
        return old;
    }
    Insert(key, data);
    return nullptr;
}

bool CStdStringPtrMap::Remove(const wchar_t* key)
{
    TITEM* item = FindItem(key, false);
    if (item == nullptr) return false;
    unsigned int slot = HashKey(key) % m_nBuckets;
    if (item == m_aT[slot]) m_aT[slot] = item->pNext;
    if (item->pPrev != nullptr) item->pPrev->pNext = item->pNext;
    if (item->pNext != nullptr) item->pNext->pPrev = item->pPrev;
    delete item;
    m_nCount--;
    return true;
}

void CStdStringPtrMap::RemoveAll()
{
    Resize(m_nBuckets);
}

int CStdStringPtrMap::GetSize() const
{
    return m_nCount;
}

int CStdStringPtrMap::GetBucketCount() const
{
    return m_nBuckets;
}

const wchar_t* CStdStringPtrMap::GetAt(int index) const
{
    if (index < 0 || index >= m_nCount) return nullptr;
    int pos = 0;
    for (int bucket = m_nBuckets - 1; bucket >= 0; bucket--) {
        for (TITEM* item = m_aT[bucket]; item != nullptr; item = item->pNext) {
            if (pos++ == index) return item->Key;
        }
    }
    return nullptr;
}

const wchar_t* CStdStringPtrMap::operator[](int index) const
{
    return GetAt(index);
}

} // namespace SkinUI
