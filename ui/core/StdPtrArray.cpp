#include "ui/core/StdPtrArray.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace SkinUI {

CStdPtrArray::CStdPtrArray(int preallocSize) : m_ppVoid(nullptr), m_nCount(0), m_nAllocated(0)
{
    if (preallocSize > 0) {
        m_ppVoid = static_cast<void**>(malloc(preallocSize * sizeof(void*)));
        if (m_ppVoid != nullptr) m_nAllocated = preallocSize;
    }
}

CStdPtrArray::CStdPtrArray(const CStdPtrArray& src) : m_ppVoid(nullptr), m_nCount(0), m_nAllocated(0)
{
    for (int i = 0; i < src.GetSize(); i++) Add(src.GetAt(i));
}

CStdPtrArray::~CStdPtrArray()
{
    free(m_ppVoid);
}

void CStdPtrArray::Empty()
{
    free(m_ppVoid);
    m_ppVoid = nullptr;
    m_nCount = m_nAllocated = 0;
}

void CStdPtrArray::Resize(int size)
{
    Empty();
    if (size <= 0) return;
    m_ppVoid = static_cast<void**>(calloc(size, sizeof(void*)));
    if (m_ppVoid == nullptr) return;
    m_nCount = m_nAllocated = size;
}

bool CStdPtrArray::IsEmpty() const
{
    return m_nCount == 0;
}

// Counts one more element, doubling the block when the count reaches the
// capacity, so one slot beyond the count stays allocated.
bool CStdPtrArray::Grow()
{
    ++m_nCount;
    if (m_nCount >= m_nAllocated) {
        if (m_nAllocated > INT_MAX / 2 / static_cast<int>(sizeof(void*))) {
            --m_nCount;
            return false;
        }
        int allocated = m_nAllocated == 0 ? 11 : m_nAllocated * 2;
        void* block = realloc(m_ppVoid, allocated * sizeof(void*));
        if (block == nullptr) {
            --m_nCount;
            return false;
        }
        m_ppVoid = static_cast<void**>(block);
        m_nAllocated = allocated;
    }
    return true;
}

bool CStdPtrArray::Add(void* data)
{
    if (!Grow()) return false;
    m_ppVoid[m_nCount - 1] = data;
    return true;
}

bool CStdPtrArray::InsertAt(int index, void* data)
{
    if (index == m_nCount) return Add(data);
    if (index < 0 || index > m_nCount) return false;
    if (!Grow()) return false;
    memmove(&m_ppVoid[index + 1], &m_ppVoid[index], (m_nCount - index - 1) * sizeof(void*));
    m_ppVoid[index] = data;
    return true;
}

bool CStdPtrArray::SetAt(int index, void* data)
{
    if (index < 0 || index >= m_nCount) return false;
    m_ppVoid[index] = data;
    return true;
}

bool CStdPtrArray::Remove(int index)
{
    if (index < 0 || index >= m_nCount) return false;
    if (index < --m_nCount) {
        memmove(&m_ppVoid[index], &m_ppVoid[index + 1], (m_nCount - index) * sizeof(void*));
    }
    return true;
}

int CStdPtrArray::Find(void* data) const
{
    for (int i = 0; i < m_nCount; i++) {
        if (m_ppVoid[i] == data) return i;
    }
    return -1;
}

int CStdPtrArray::GetSize() const
{
    return m_nCount;
}

void** CStdPtrArray::GetData()
{
    return m_ppVoid;
}

void* CStdPtrArray::GetAt(int index) const
{
    if (index < 0 || index >= m_nCount) return nullptr;
    return m_ppVoid[index];
}

void* CStdPtrArray::operator[](int index) const
{
    return m_ppVoid[index];
}

} // namespace SkinUI
