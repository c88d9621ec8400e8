#include "ui/core/StdValArray.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace SkinUI {

CStdValArray::CStdValArray(int elementSize, int preallocSize)
    : m_pVoid(nullptr), m_iElementSize(elementSize > 0 ? elementSize : 1), m_nCount(0), m_nAllocated(0)
{
    if (preallocSize > 0 && preallocSize <= INT_MAX / m_iElementSize) {
        m_pVoid = static_cast<unsigned char*>(malloc(preallocSize * m_iElementSize));
        if (m_pVoid != nullptr) m_nAllocated = preallocSize;
    }
}

CStdValArray::~CStdValArray()
{
    free(m_pVoid);
}

void CStdValArray::Empty()
{
    m_nCount = 0;
}

bool CStdValArray::IsEmpty() const
{
    return m_nCount == 0;
}

bool CStdValArray::Add(const void* data)
{
    ++m_nCount;
    if (m_nCount >= m_nAllocated) {
        if (m_nAllocated > INT_MAX / 2 / m_iElementSize) {
            --m_nCount;
            return false;
        }
        int allocated = m_nAllocated == 0 ? 11 : m_nAllocated * 2;
        void* block = realloc(m_pVoid, allocated * m_iElementSize);
        if (block == nullptr) {
            --m_nCount;
            return false;
        }
        m_pVoid = static_cast<unsigned char*>(block);
        m_nAllocated = allocated;
    }
    memcpy(m_pVoid + (m_nCount - 1) * m_iElementSize, data, m_iElementSize);
    return true;
}

bool CStdValArray::Remove(int index)
{
    if (index < 0 || index >= m_nCount) return false;
    if (index < --m_nCount) {
        memmove(m_pVoid + index * m_iElementSize, m_pVoid + (index + 1) * m_iElementSize,
                (m_nCount - index) * m_iElementSize);
    }
    return true;
}

int CStdValArray::GetSize() const
{
    return m_nCount;
}

void* CStdValArray::GetData()
{
    return m_pVoid;
}

void* CStdValArray::GetAt(int index) const
{
    if (index < 0 || index >= m_nCount) return nullptr;
    return m_pVoid + index * m_iElementSize;
}

void* CStdValArray::operator[](int index) const
{
    return m_pVoid + index * m_iElementSize;
}

} // namespace SkinUI
