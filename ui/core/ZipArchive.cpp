#include "ui/core/ZipArchive.h"

#include "base/PathUtil.h"
#include "base/TextConversion.h"

#include <zlib.h>

#include <climits>
#include <cstring>
#include <cwchar>

namespace SkinUI {

namespace {

const uint32_t kEndSignature = 0x06054b50;
const uint32_t kDirSignature = 0x02014b50;
const uint32_t kLocalSignature = 0x04034b50;
const uint32_t kZip64EndSignature = 0x06064b50;
const uint32_t kZip64LocatorSignature = 0x07064b50;
const size_t kZip64EndSize = 56;
const size_t kZip64LocatorSize = 20;
const size_t kEndRecordSize = 22;
const size_t kDirEntrySize = 46;
const size_t kLocalHeaderSize = 30;
const size_t kMaxCommentSize = 65535;
const size_t kInputBufferSize = 16 * 1024;
const size_t kMaxWantedName = 255;

const uint16_t kFlagEncrypted = 0x0001;
const uint16_t kFlagDescriptor = 0x0008;
const uint16_t kFlagUtf8 = 0x0800;

uint16_t Get16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

FILETIME DosToFileTime(uint16_t dosDate, uint16_t dosTime)
{
    FILETIME local = {}, utc = {};
    if (::DosDateTimeToFileTime(dosDate, dosTime, &local)) ::LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

FILETIME UnixToFileTime(uint32_t seconds)
{
    ULARGE_INTEGER value;
    value.QuadPart = (static_cast<uint64_t>(seconds) + 11644473600ULL) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = value.LowPart;
    ft.dwHighDateTime = value.HighPart;
    return ft;
}

uint64_t Get64(const unsigned char* p)
{
    return static_cast<uint64_t>(Get32(p)) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

bool SameName(const std::wstring& a, const std::wstring& b, bool ignoreCase)
{
    if (a.size() != b.size()) return false;
    if (!ignoreCase) return a == b;
    for (size_t i = 0; i < a.size(); i++) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
        if (x != y) return false;
    }
    return true;
}

// Calls visit(tag, data, length) for each well-formed field of an extra block.
template <typename Visit>
void ForEachExtraField(const std::string& extra, Visit visit)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(extra.data());
    for (size_t at = 0; extra.size() - at >= 4;) {
        uint16_t tag = Get16(p + at), len = Get16(p + at + 2);
        if (extra.size() - at - 4 < len) break;
        visit(tag, p + at + 4, len);
        at += 4 + len;
    }
}

// Zip64 field: the 64-bit values of those sizes (and, in the directory, the
// local header offset) that the 32-bit fields mark with 0xFFFFFFFF, in this
// order. False when a marked value is missing.
bool ReadZip64Sizes(const std::string& extra, bool directory, uint64_t& uncSize, uint64_t& compSize,
                    uint64_t* localOffset)
{
    uint64_t* wanted[3] = { &uncSize, &compSize, directory ? localOffset : nullptr };
    bool ok = true;
    bool seen = false;
    ForEachExtraField(extra, [&](uint16_t tag, const unsigned char* field, uint16_t len) {
        if (tag != 0x0001 || seen) return;
        seen = true;
        size_t next = 0;
        for (uint64_t* value : wanted) {
            if (value == nullptr || *value != 0xFFFFFFFF) continue;
            if (len - next < 8) {
                ok = false;
                return;
            }
            *value = Get64(field + next);
            next += 8;
        }
    });
    for (uint64_t* value : wanted) {
        if (value != nullptr && *value == 0xFFFFFFFF && !seen) ok = false;
    }
    return ok;
}

// The name as UTF-16. Info-ZIP's Unicode path field (0x7075) carries a UTF-8
// name for a raw name whose CRC it records; without it, the UTF-8 flag or
// the ANSI code page decide. Comparing in UTF-16 keeps a double-byte
// character whose second byte is 0x5C apart from a backslash.
std::wstring WideName(const std::string& name, uint16_t flags, const std::string& extra)
{
    std::wstring fromField;
    ForEachExtraField(extra, [&](uint16_t tag, const unsigned char* field, uint16_t len) {
        if (tag != 0x7075 || len < 5 || field[0] != 1 || !fromField.empty()) return;
        const uLong nameCrc = crc32(0L, reinterpret_cast<const Bytef*>(name.data()), static_cast<uInt>(name.size()));
        if (Get32(field + 1) != nameCrc) return;
        fromField = ToWide(std::string_view(reinterpret_cast<const char*>(field + 5), len - 5u), CP_UTF8);
    });
    if (!fromField.empty()) return fromField;
    return ToWide(name, (flags & kFlagUtf8) != 0 ? CP_UTF8 : kAnsiCodePage);
}

// The raw name read as UTF-8, for archives made where names are UTF-8 but
// the flag is not set (Info-ZIP on Linux); empty when the bytes are not
// valid UTF-8 or read the same in the ANSI code page.
std::wstring Utf8Reading(const std::string& name, uint16_t flags, const std::wstring& wideName)
{
    if ((flags & kFlagUtf8) != 0 || name.empty()) return std::wstring();
    if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()), nullptr,
                              0) == 0) {
        return std::wstring();
    }
    std::wstring reading = ToWide(name, CP_UTF8);
    return reading != wideName ? reading : std::wstring();
}

} // namespace

void ZipReader::InflateEnder::operator()(z_stream_s* stream) const
{
    inflateEnd(stream);
    delete stream;
}

ZipReader::ZipReader()
    : m_memory(nullptr), m_size(0), m_prefix(0), m_current(-1), m_dataPos(0), m_inputLeft(0),
      m_output(0), m_crc(0), m_streamEnd(false)
{
}

ZipReader::~ZipReader()
{
    Close();
}

bool ZipReader::IsOpen() const
{
    return m_file.Valid() || m_memory != nullptr;
}

void ZipReader::Close()
{
    CloseMember();
    m_file.Reset();
    m_memory = nullptr;
    m_size = 0;
    m_prefix = 0;
    m_entries.clear();
}

ZRESULT ZipReader::OpenFile(const wchar_t* path)
{
    Close();
    if (path == nullptr) return ZR_ARGS;
    m_file.Reset(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.Valid()) return ZR_NOFILE;
    return Load();
}

ZRESULT ZipReader::OpenHandle(HANDLE file)
{
    Close();
    if (file == nullptr || file == INVALID_HANDLE_VALUE) return ZR_ARGS;
    HANDLE duplicate = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), file, ::GetCurrentProcess(), &duplicate, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        return ZR_NODUPH;
    }
    m_file.Reset(duplicate);
    // Reading needs random access: pipes and consoles cannot serve.
    if (::GetFileType(duplicate) != FILE_TYPE_DISK) {
        Close();
        return ZR_ZMODE;
    }
    return Load();
}

ZRESULT ZipReader::OpenMemory(const void* data, unsigned int length)
{
    Close();
    if (data == nullptr || length == 0) return ZR_ARGS;
    m_memory = static_cast<const unsigned char*>(data);
    m_size = length;
    return Load();
}

ZRESULT ZipReader::ReadAt(uint64_t offset, void* buffer, size_t length) const
{
    if (offset > m_size || length > m_size - offset) return ZR_CORRUPT;
    if (length == 0) return ZR_OK;
    if (m_memory != nullptr) {
        memcpy(buffer, m_memory + offset, length);
        return ZR_OK;
    }
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN)) return ZR_READ;
    DWORD read = 0;
    if (!::ReadFile(m_file.Get(), buffer, static_cast<DWORD>(length), &read, nullptr) || read != length) {
        return ZR_READ;
    }
    return ZR_OK;
}

// Finds the end record, checks the directory it describes and keeps a table
// of its entries; any inconsistency leaves the reader closed.
ZRESULT ZipReader::Load()
{
    if (m_file.Valid()) {
        LARGE_INTEGER size;
        if (!::GetFileSizeEx(m_file.Get(), &size)) {
            Close();
            return ZR_READ;
        }
        m_size = static_cast<uint64_t>(size.QuadPart);
    }
    uint64_t dirOffset = 0, dirSize = 0, entryCount = 0;
    ZRESULT result = FindDirectory(dirOffset, dirSize, entryCount);
    if (result == ZR_OK) result = ReadDirectory(dirOffset, dirSize, entryCount);
    if (result != ZR_OK) Close();
    return result;
}

// The directory's offset, size and entry count from the end record, or from
// the zip64 end record that Info-ZIP writes for large or streamed members.
// Sets m_prefix: the bytes in front of the archive proper.
ZRESULT ZipReader::FindDirectory(uint64_t& dirOffset, uint64_t& dirSize, uint64_t& entryCount)
{
    if (m_size < kEndRecordSize) return ZR_CORRUPT;
    size_t tailSize = static_cast<size_t>(m_size < kMaxCommentSize + kEndRecordSize
                                              ? m_size : kMaxCommentSize + kEndRecordSize);
    std::vector<unsigned char> tail(tailSize);
    uint64_t tailStart = m_size - tailSize;
    ZRESULT result = ReadAt(tailStart, tail.data(), tailSize);
    if (result != ZR_OK) return result;

    size_t pos = tailSize - kEndRecordSize + 1;
    bool found = false;
    while (pos-- > 0) {
        if (Get32(&tail[pos]) == kEndSignature) {
            found = true;
            break;
        }
    }
    if (!found) return ZR_CORRUPT;
    const unsigned char* record = &tail[pos];
    uint16_t disk = Get16(record + 4), dirDisk = Get16(record + 6);
    uint16_t diskEntries = Get16(record + 8), totalEntries = Get16(record + 10);
    if (disk != 0 || dirDisk != 0 || diskEntries != totalEntries) return ZR_CORRUPT;
    dirSize = Get32(record + 12);
    dirOffset = Get32(record + 16);
    entryCount = totalEntries;
    // The directory ends where the record that describes it starts.
    uint64_t dirEndPos = tailStart + pos;

    unsigned char locator[kZip64LocatorSize];
    if (dirEndPos >= kZip64LocatorSize && ReadAt(dirEndPos - kZip64LocatorSize, locator, sizeof(locator)) == ZR_OK &&
        Get32(locator) == kZip64LocatorSignature) {
        if (Get32(locator + 4) != 0 || Get32(locator + 16) > 1) return ZR_CORRUPT;
        // Info-ZIP puts the zip64 record right before its locator; its stored
        // offset does not count bytes in front of the archive.
        const uint64_t locatorPos = dirEndPos - kZip64LocatorSize;
        uint64_t recordPos = locatorPos >= kZip64EndSize ? locatorPos - kZip64EndSize : Get64(locator + 8);
        unsigned char end64[kZip64EndSize];
        if (ReadAt(recordPos, end64, sizeof(end64)) != ZR_OK || Get32(end64) != kZip64EndSignature) {
            recordPos = Get64(locator + 8);
            if (ReadAt(recordPos, end64, sizeof(end64)) != ZR_OK || Get32(end64) != kZip64EndSignature) {
                return ZR_CORRUPT;
            }
        }
        if (Get32(end64 + 16) != 0 || Get32(end64 + 20) != 0 || Get64(end64 + 24) != Get64(end64 + 32)) {
            return ZR_CORRUPT;
        }
        entryCount = Get64(end64 + 32);
        dirSize = Get64(end64 + 40);
        dirOffset = Get64(end64 + 48);
        dirEndPos = recordPos;
    } else if (totalEntries == 0xFFFF || dirSize == 0xFFFFFFFF || dirOffset == 0xFFFFFFFF) {
        return ZR_CORRUPT;
    }
    if (dirOffset > dirEndPos || dirSize > dirEndPos - dirOffset) return ZR_CORRUPT;
    m_prefix = dirEndPos - dirOffset - dirSize;
    return ZR_OK;
}

ZRESULT ZipReader::ReadDirectory(uint64_t dirOffset, uint64_t dirSize, uint64_t entryCount)
{
    // Every entry takes at least its fixed part.
    if (entryCount > dirSize / kDirEntrySize) return ZR_CORRUPT;
    std::vector<unsigned char> dir(static_cast<size_t>(dirSize));
    ZRESULT result = ReadAt(m_prefix + dirOffset, dir.data(), dir.size());
    if (result != ZR_OK) return result;

    size_t at = 0;
    m_entries.reserve(static_cast<size_t>(entryCount));
    for (uint64_t i = 0; i < entryCount; i++) {
        if (dir.size() - at < kDirEntrySize) return ZR_CORRUPT;
        const unsigned char* p = &dir[at];
        if (Get32(p) != kDirSignature) return ZR_CORRUPT;
        size_t nameLen = Get16(p + 28), extraLen = Get16(p + 30), commentLen = Get16(p + 32);
        if (dir.size() - at - kDirEntrySize < nameLen + extraLen + commentLen) return ZR_CORRUPT;
        Entry entry;
        entry.versionMadeBy = Get16(p + 4);
        entry.flags = Get16(p + 8);
        entry.method = Get16(p + 10);
        entry.dosTime = Get16(p + 12);
        entry.dosDate = Get16(p + 14);
        entry.crc = Get32(p + 16);
        entry.compSize = Get32(p + 20);
        entry.uncSize = Get32(p + 24);
        entry.externalAttr = Get32(p + 38);
        entry.localOffset = Get32(p + 42);
        entry.name.assign(reinterpret_cast<const char*>(p + kDirEntrySize), nameLen);
        entry.extra.assign(reinterpret_cast<const char*>(p + kDirEntrySize + nameLen), extraLen);
        if (!ReadZip64Sizes(entry.extra, true, entry.uncSize, entry.compSize, &entry.localOffset)) return ZR_CORRUPT;
        entry.wideName = WideName(entry.name, entry.flags, entry.extra);
        entry.utf8Name = Utf8Reading(entry.name, entry.flags, entry.wideName);
        m_entries.push_back(entry);
        at += kDirEntrySize + nameLen + extraLen + commentLen;
    }
    return ZR_OK;
}

int ZipReader::GetCount() const
{
    return static_cast<int>(m_entries.size());
}

ZRESULT ZipReader::GetItem(int index, ZIPENTRY* ze) const
{
    if (!IsOpen() || ze == nullptr || index < 0 || index >= GetCount()) return ZR_ARGS;
    const Entry& entry = m_entries[index];
    memset(ze, 0, sizeof(*ze));
    ze->index = index;
    // A name too long for the record is left empty rather than cut, so that
    // it cannot stand for another member.
    if (entry.wideName.size() < MAX_PATH) wcscpy(ze->name, entry.wideName.c_str());

    uint8_t dosAttr = static_cast<uint8_t>(entry.externalAttr & 0xFF);
    if (dosAttr & 0x10) ze->attr |= FILE_ATTRIBUTE_DIRECTORY;
    if (dosAttr & 0x01) ze->attr |= FILE_ATTRIBUTE_READONLY;
    if (dosAttr & 0x02) ze->attr |= FILE_ATTRIBUTE_HIDDEN;
    if (dosAttr & 0x04) ze->attr |= FILE_ATTRIBUTE_SYSTEM;
    if (dosAttr & 0x20) ze->attr |= FILE_ATTRIBUTE_ARCHIVE;
    if (!entry.name.empty() && entry.name.back() == '/') ze->attr |= FILE_ATTRIBUTE_DIRECTORY;

    ze->mtime = ze->atime = ze->ctime = DosToFileTime(entry.dosDate, entry.dosTime);
    // Extended timestamp field: a flags byte, then the times it announces.
    const unsigned char* extra = reinterpret_cast<const unsigned char*>(entry.extra.data());
    size_t extraLen = entry.extra.size();
    for (size_t at = 0; extraLen - at >= 4;) {
        uint16_t tag = Get16(extra + at), len = Get16(extra + at + 2);
        if (extraLen - at - 4 < len) break;
        if (tag == 0x5455 && len >= 1) {
            const unsigned char* field = extra + at + 4;
            uint8_t present = field[0];
            size_t next = 1;
            FILETIME* times[] = { &ze->mtime, &ze->atime, &ze->ctime };
            for (int bit = 0; bit < 3; bit++) {
                if (!(present & (1 << bit))) continue;
                if (next + 4 > len) break;
                *times[bit] = UnixToFileTime(Get32(field + next));
                next += 4;
            }
        }
        at += 4 + len;
    }
    ze->comp_size = static_cast<long>(entry.compSize < LONG_MAX ? entry.compSize : LONG_MAX);
    ze->unc_size = static_cast<long>(entry.uncSize < LONG_MAX ? entry.uncSize : LONG_MAX);
    return ZR_OK;
}

ZRESULT ZipReader::FindItem(const wchar_t* name, bool ignoreCase, int* index, ZIPENTRY* ze) const
{
    if (index != nullptr) *index = -1;
    if (!IsOpen() || name == nullptr) return ZR_ARGS;
    if (wcslen(name) > kMaxWantedName) return ZR_NOTFOUND;
    std::wstring wanted(name);
    for (wchar_t& c : wanted) if (c == L'\\') c = L'/';
    // The ANSI reading of every name first: a UTF-8 reading never hides a
    // member that the code page names.
    for (const std::wstring Entry::*reading : { &Entry::wideName, &Entry::utf8Name }) {
        for (int i = 0; i < GetCount(); i++) {
            const std::wstring& candidate = m_entries[i].*reading;
            const bool noReading = reading == &Entry::utf8Name && candidate.empty();
            if (noReading || !SameName(candidate, wanted, ignoreCase)) continue;
            if (index != nullptr) *index = i;
            return ze != nullptr ? GetItem(i, ze) : ZR_OK;
        }
    }
    return ZR_NOTFOUND;
}

void ZipReader::CloseMember()
{
    m_inflate.reset();
    m_current = -1;
    m_input.clear();
}

ZRESULT ZipReader::OpenMember(int index)
{
    CloseMember();
    const Entry& entry = m_entries[index];
    if ((entry.flags & kFlagEncrypted) || (entry.method != 0 && entry.method != 8)) return ZR_CORRUPT;
    if (entry.method == 0 && entry.compSize != entry.uncSize) return ZR_CORRUPT;

    unsigned char header[kLocalHeaderSize];
    if (entry.localOffset > m_size - m_prefix) return ZR_CORRUPT;
    const uint64_t headerPos = m_prefix + entry.localOffset;
    ZRESULT result = ReadAt(headerPos, header, sizeof(header));
    if (result != ZR_OK) return result;
    if (Get32(header) != kLocalSignature || Get16(header + 8) != entry.method) return ZR_CORRUPT;
    const size_t nameLen = Get16(header + 26), extraLen = Get16(header + 28);
    if (!(entry.flags & kFlagDescriptor)) {
        // Sizes marked 0xFFFFFFFF are in the local zip64 field.
        uint64_t compSize = Get32(header + 18), uncSize = Get32(header + 22);
        std::string extra(extraLen, '\0');
        result = ReadAt(headerPos + kLocalHeaderSize + nameLen, &extra[0], extraLen);
        if (result != ZR_OK) return result;
        if (!ReadZip64Sizes(extra, false, uncSize, compSize, nullptr) || Get32(header + 14) != entry.crc ||
            compSize != entry.compSize || uncSize != entry.uncSize) {
            return ZR_CORRUPT;
        }
    }
    uint64_t dataPos = headerPos + kLocalHeaderSize + nameLen + extraLen;
    if (dataPos > m_size || entry.compSize > m_size - dataPos) return ZR_CORRUPT;

    if (entry.method == 8) {
        std::unique_ptr<z_stream_s, InflateEnder> stream(new z_stream());
        if (inflateInit2(stream.get(), -MAX_WBITS) != Z_OK) return ZR_FLATE;
        m_inflate = std::move(stream);
        m_input.resize(kInputBufferSize);
    }
    m_current = index;
    m_dataPos = dataPos;
    m_inputLeft = entry.compSize;
    m_output = 0;
    m_crc = crc32(0L, Z_NULL, 0);
    m_streamEnd = false;
    return ZR_OK;
}

ZRESULT ZipReader::FillInput()
{
    if (m_inflate->avail_in > 0 || m_inputLeft == 0) return ZR_OK;
    uint32_t chunk = static_cast<uint32_t>(m_inputLeft < kInputBufferSize ? m_inputLeft : kInputBufferSize);
    uint64_t consumed = m_entries[m_current].compSize - m_inputLeft;
    ZRESULT result = ReadAt(m_dataPos + consumed, m_input.data(), chunk);
    if (result != ZR_OK) return result;
    m_inflate->next_in = m_input.data();
    m_inflate->avail_in = chunk;
    m_inputLeft -= chunk;
    return ZR_OK;
}

// Inflates up to length bytes; stops early only at the end of the stream.
ZRESULT ZipReader::Inflate(unsigned char* out, unsigned int length, unsigned int* produced)
{
    m_inflate->next_out = out;
    m_inflate->avail_out = length;
    while (m_inflate->avail_out > 0 && !m_streamEnd) {
        ZRESULT result = FillInput();
        if (result != ZR_OK) {
            *produced = length - m_inflate->avail_out;
            return result;
        }
        bool noInput = m_inflate->avail_in == 0;
        int ret = inflate(m_inflate.get(), Z_SYNC_FLUSH);
        if (ret == Z_STREAM_END) {
            m_streamEnd = true;
        } else if (ret == Z_BUF_ERROR && noInput) {
            // The member's data ends before its deflate stream.
            *produced = length - m_inflate->avail_out;
            return ZR_CORRUPT;
        } else if (ret != Z_OK && ret != Z_BUF_ERROR) {
            *produced = length - m_inflate->avail_out;
            return ZR_FLATE;
        }
    }
    *produced = length - m_inflate->avail_out;
    return ZR_OK;
}

// The declared size has been delivered: the data must end here and match
// the recorded CRC.
ZRESULT ZipReader::FinishMember()
{
    const Entry& entry = m_entries[m_current];
    ZRESULT result = ZR_OK;
    if (m_inflate && !m_streamEnd) {
        unsigned char extra[64];
        unsigned int produced = 0;
        result = Inflate(extra, sizeof(extra), &produced);
        if (result == ZR_OK && (produced != 0 || !m_streamEnd)) result = ZR_CORRUPT;
    }
    if (result == ZR_OK && (m_output != entry.uncSize || m_crc != entry.crc)) result = ZR_CORRUPT;
    CloseMember();
    return result;
}

ZRESULT ZipReader::UnzipItem(int index, void* buffer, unsigned int length, unsigned int* delivered)
{
    if (delivered != nullptr) *delivered = 0;
    if (!IsOpen() || index < 0 || index >= GetCount() || (buffer == nullptr && length > 0)) return ZR_ARGS;
    if (index != m_current) {
        ZRESULT result = OpenMember(index);
        if (result != ZR_OK) return result;
    }
    const Entry& entry = m_entries[index];
    unsigned char* out = static_cast<unsigned char*>(buffer);
    const uint64_t left = entry.uncSize - m_output;
    unsigned int wanted = static_cast<unsigned int>(left < length ? left : length);

    unsigned int produced = 0;
    ZRESULT result = ZR_OK;
    if (m_inflate) {
        result = Inflate(out, wanted, &produced);
    } else {
        result = ReadAt(m_dataPos + m_output, out, wanted);
        if (result == ZR_OK) produced = wanted;
    }
    m_crc = crc32(m_crc, out, produced);
    m_output += produced;
    if (delivered != nullptr) *delivered = produced;
    if (result != ZR_OK) {
        CloseMember();
        return result;
    }
    if (m_output == entry.uncSize || m_streamEnd) return FinishMember();
    return ZR_MORE;
}

ZRESULT ZipReader::ExtractItem(int index, void* buffer, unsigned int length)
{
    if (index == m_current) CloseMember();
    ZRESULT result = UnzipItem(index, buffer, length);
    if (result == ZR_MORE) CloseMember();
    return result;
}

ZRESULT ZipReader::UnzipItemToFile(int index, const wchar_t* folder)
{
    ZIPENTRY ze;
    ZRESULT result = GetItem(index, &ze);
    if (result != ZR_OK) return result;
    std::wstring name(ze.name);
    if (!IsContainedRelativePath(std::wstring_view(name))) return ZR_ARGS;
    for (wchar_t& c : name) if (c == L'/') c = L'\\';

    std::wstring path(folder != nullptr ? folder : L"");
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += name;
    MakeParentDirs(path);
    if (ze.attr & FILE_ATTRIBUTE_DIRECTORY) {
        if (path.back() == L'\\') path.pop_back();
        ::CreateDirectoryW(path.c_str(), nullptr);
        DWORD attrs = ::GetFileAttributesW(path.c_str());
        return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) ? ZR_OK : ZR_NOFILE;
    }

    ScopedHandle target(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.Valid()) return ZR_NOFILE;
    std::vector<unsigned char> chunk(kInputBufferSize);
    do {
        unsigned int produced = 0;
        result = UnzipItem(index, chunk.data(), static_cast<unsigned int>(chunk.size()), &produced);
        DWORD written = 0;
        if ((result == ZR_OK || result == ZR_MORE) && produced > 0 &&
            (!::WriteFile(target.Get(), chunk.data(), produced, &written, nullptr) || written != produced)) {
            CloseMember();
            result = ZR_WRITE;
        }
    } while (result == ZR_MORE);
    if (result == ZR_OK) {
        ::SetFileTime(target.Get(), &ze.ctime, &ze.atime, &ze.mtime);
        return ZR_OK;
    }
    // A damaged member leaves no half-written file behind.
    target.Reset();
    ::DeleteFileW(path.c_str());
    return result;
}

} // namespace SkinUI
