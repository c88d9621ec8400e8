#pragma once

namespace SkinUI {

// Growable array of untyped pointers; it does not own what they point to.
class CStdPtrArray {
public:
    explicit CStdPtrArray(int preallocSize = 0);
    CStdPtrArray(const CStdPtrArray& src);
    CStdPtrArray& operator=(const CStdPtrArray&) = delete;
    ~CStdPtrArray();

    void Empty();
    void Resize(int size);
    bool IsEmpty() const;
    int Find(void* data) const;
    bool Add(void* data);
    bool SetAt(int index, void* data);
    bool InsertAt(int index, void* data);
    bool Remove(int index);
    int GetSize() const;
    void** GetData();

    void* GetAt(int index) const;
    void* operator[](int index) const;

private:
    bool Grow();

    void** m_ppVoid;
    int m_nCount;
    int m_nAllocated;
};

} // namespace SkinUI
