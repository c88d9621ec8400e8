#pragma once

#include "base/ScopedHandles.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct z_stream_s;

namespace SkinUI {

typedef unsigned long ZRESULT;

const ZRESULT ZR_OK = 0x00000000;
const ZRESULT ZR_NODUPH = 0x00000100;   // the file handle cannot be duplicated
const ZRESULT ZR_NOFILE = 0x00000200;   // the file cannot be opened (or created)
const ZRESULT ZR_WRITE = 0x00000400;    // an extracted file cannot be written
const ZRESULT ZR_NOTFOUND = 0x00000500;
const ZRESULT ZR_MORE = 0x00000600;     // bytes delivered, the member stays open
const ZRESULT ZR_CORRUPT = 0x00000700;
const ZRESULT ZR_READ = 0x00000800;
const ZRESULT ZR_ARGS = 0x00010000;
const ZRESULT ZR_ZMODE = 0x00080000;    // wrong kind of handle
const ZRESULT ZR_FLATE = 0x05000000;

struct ZIPENTRY {
    int index;
    wchar_t name[MAX_PATH];
    DWORD attr;
    FILETIME atime;
    FILETIME ctime;
    FILETIME mtime;
    long comp_size;
    long unc_size;
};

// Reads zip archives (stored and deflated members) from a file or from a
// memory block that is read in place and must outlive the reader.
class ZipReader {
public:
    ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;
    ~ZipReader();

    ZRESULT OpenFile(const wchar_t* path);
    ZRESULT OpenHandle(HANDLE file);
    ZRESULT OpenMemory(const void* data, unsigned int length);
    void Close();
    bool IsOpen() const;

    int GetCount() const;
    ZRESULT GetItem(int index, ZIPENTRY* entry) const;
    // Backslashes in name stand for slashes; ignoreCase folds ASCII letters.
    ZRESULT FindItem(const wchar_t* name, bool ignoreCase, int* index, ZIPENTRY* entry) const;

    // Extracts the next part of a member. ZR_MORE: the buffer is full and the
    // member has more; ZR_OK: the member is complete and its CRC checked.
    ZRESULT UnzipItem(int index, void* buffer, unsigned int length, unsigned int* delivered = nullptr);
    // Extracts a member from its start into buffer and closes it again:
    // ZR_MORE when the buffer held only its first part.
    ZRESULT ExtractItem(int index, void* buffer, unsigned int length);
    // Extracts a member below folder (the current directory when empty).
    ZRESULT UnzipItemToFile(int index, const wchar_t* folder);

private:
    struct Entry {
        std::string name;
        // The name as Windows reads it: from UTF-8 (flagged, or Info-ZIP's
        // Unicode path field) or from the ANSI code page.
        std::wstring wideName;
        // The raw name read as UTF-8 when that is valid and differs from
        // wideName (UTF-8 names stored without the flag), else empty.
        std::wstring utf8Name;
        uint16_t versionMadeBy;
        uint16_t flags;
        uint16_t method;
        uint16_t dosTime;
        uint16_t dosDate;
        uint32_t crc;
        uint64_t compSize;
        uint64_t uncSize;
        uint32_t externalAttr;
        uint64_t localOffset;
        std::string extra;
    };

    ZRESULT Load();
    ZRESULT FindDirectory(uint64_t& dirOffset, uint64_t& dirSize, uint64_t& entryCount);
    ZRESULT ReadDirectory(uint64_t dirOffset, uint64_t dirSize, uint64_t entryCount);
    ZRESULT ReadAt(uint64_t offset, void* buffer, size_t length) const;
    ZRESULT OpenMember(int index);
    void CloseMember();
    ZRESULT FinishMember();
    ZRESULT Inflate(unsigned char* out, unsigned int length, unsigned int* produced);
    ZRESULT FillInput();

    ScopedHandle m_file;
    const unsigned char* m_memory;
    uint64_t m_size;
    uint64_t m_prefix;
    std::vector<Entry> m_entries;

    // The member that is open for extraction.
    int m_current;
    uint64_t m_dataPos;
    uint64_t m_inputLeft;
    uint64_t m_output;
    uint32_t m_crc;
    bool m_streamEnd;
    // Inflate state of a deflated member; null for a stored one.
    struct InflateEnder {
        void operator()(z_stream_s* stream) const;
    };
    std::unique_ptr<z_stream_s, InflateEnder> m_inflate;
    std::vector<unsigned char> m_input;
};

} // namespace SkinUI
