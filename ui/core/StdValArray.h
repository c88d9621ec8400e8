#pragma once

namespace SkinUI {

// Growable array of fixed-size values, copied in byte-wise.
class CStdValArray {
public:
    explicit CStdValArray(int elementSize, int preallocSize = 0);
    CStdValArray(const CStdValArray&) = delete;
    CStdValArray& operator=(const CStdValArray&) = delete;
    ~CStdValArray();

    // Keeps the block: the array is refilled at once by its callers.
    void Empty();
    bool IsEmpty() const;
    bool Add(const void* data);
    bool Remove(int index);
    int GetSize() const;
    void* GetData();

    void* GetAt(int index) const;
    void* operator[](int index) const;

private:
    unsigned char* m_pVoid;
    int m_iElementSize;
    int m_nCount;
    int m_nAllocated;
};

} // namespace SkinUI
