#include "engine/TarExtractor.h"

#include "base/FolderTree.h"
#include "base/PathUtil.h"
#include "base/ScopedHandles.h"
#include "base/TextConversion.h"
#include "base/UniqueResource.h"
#include "engine/GrowingFile.h"
#include "engine/UpdateLog.h"

#include <fcntl.h>
#include <libtar.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

// Large enough that a typical member takes one write, small enough for the
// apply's memory budget.
constexpr size_t kStreamBuffer = 1 << 20;
// PAX records and GNU long names are a few hundred bytes; more is damage.
constexpr uint64_t kMaxExtensionSize = 1 << 20;
constexpr size_t kBlock = T_BLOCKSIZE;

struct TarTraits {
    using Type = TAR*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type tar) { return tar != nullptr; }
    static void Close(Type tar) { tar_close(tar); }
};
using ScopedTar = UniqueResource<TarTraits>;

void SetErrnoFromLastError()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        errno = ENOSPC;
        break;
    default:
        errno = EIO;
    }
}

// Buffered reading of the tar file. libtar asks for 512 bytes at a time,
// which would cost a system call each; member data is taken straight from
// the buffer in large pieces. A file that is still being written is followed
// until its writer is done.
class TarStream {
public:
    TarStream(HANDLE file, GrowingFile* growing) : file_(file), growing_(growing), buffer_(kStreamBuffer) {}

    const char* Data() const { return buffer_.data() + begin_; }
    size_t Available() const { return end_ - begin_; }
    void Consume(size_t count) { begin_ += count; }

    // Makes at least count (at most the buffer's size) bytes available
    // unless the file ends or a read fails first (errno set); returns what
    // is available.
    size_t Fill(size_t count)
    {
        if (Available() >= count)
            return Available();
        memmove(buffer_.data(), Data(), Available());
        end_ -= begin_;
        begin_ = 0;
        while (end_ < count) {
            DWORD got = 0;
            if (!ReadFile(file_, buffer_.data() + end_, static_cast<DWORD>(buffer_.size() - end_), &got, nullptr)) {
                SetErrnoFromLastError();
                break;
            }
            if (got == 0) {
                // At the end for now: a writer still at work may add more;
                // once it is done, one more read takes what it wrote last.
                if (growing_ == nullptr || drained_)
                    break;
                drained_ = !growing_->WaitBeyond(position_);
                continue;
            }
            end_ += got;
            position_ += got;
        }
        return Available();
    }

    // libtar's read: the bytes copied, fewer only at the end of the file.
    int Read(void* dest, size_t count)
    {
        size_t done = 0;
        while (done < count) {
            if (Fill(1) == 0)
                break;
            const size_t take = Available() < count - done ? Available() : count - done;
            memcpy(static_cast<char*>(dest) + done, Data(), take);
            Consume(take);
            done += take;
        }
        return static_cast<int>(done);
    }

private:
    HANDLE file_;
    GrowingFile* growing_;
    std::vector<char> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
    uint64_t position_ = 0;
    bool drained_ = false;
};

// libtar calls back with a descriptor only; the stream of the extraction
// running on this thread serves it.
thread_local TarStream* t_stream = nullptr;

int StreamOpen(const char*, int, ...)
{
    errno = EINVAL;
    return -1;
}

// The stream owns the file.
int StreamClose(int)
{
    return 0;
}

ssize_t StreamRead(int, void* buffer, size_t count)
{
    if (t_stream == nullptr) {
        errno = EBADF;
        return -1;
    }
    // libtar's callback: no exception may cross it (a wait for the writer
    // could throw); the read fails instead.
    try {
        errno = 0;
        const int got = t_stream->Read(buffer, count);
        return got == 0 && errno != 0 ? -1 : got;
    } catch (const std::exception&) {
        errno = EIO;
        return -1;
    }
}

ssize_t StreamWrite(int, const void*, size_t)
{
    errno = EBADF;
    return -1;
}

tartype_t g_streamType = {StreamOpen, StreamClose, StreamRead, StreamWrite};

// Names and size that extension headers set for the member that follows.
struct Overrides {
    bool hasPath = false;
    bool hasLink = false;
    bool hasSize = false;
    std::string path;
    std::string link;
    uint64_t size = 0;
};

// A numeric header field: octal digits between blanks or NULs; false for
// anything else (the base-256 form is for sizes no package reaches).
bool ParseOctal(const char* field, size_t length, uint64_t& value)
{
    size_t i = 0;
    while (i < length && (field[i] == ' ' || field[i] == '\0'))
        ++i;
    value = 0;
    size_t digits = 0;
    for (; i < length && field[i] >= '0' && field[i] <= '7'; ++i, ++digits)
        value = value * 8 + static_cast<uint64_t>(field[i] - '0');
    for (; i < length; ++i)
        if (field[i] != ' ' && field[i] != '\0')
            return false;
    return digits > 0;
}

bool ChecksumMatches(const char* header)
{
    uint64_t stored = 0;
    if (!ParseOctal(header + 148, 8, stored))
        return false;
    uint32_t unsignedSum = 0;
    int32_t signedSum = 0;
    for (size_t i = 0; i < kBlock; ++i) {
        const bool inField = i >= 148 && i < 156;
        unsignedSum += inField ? ' ' : static_cast<unsigned char>(header[i]);
        signedSum += inField ? ' ' : static_cast<signed char>(header[i]);
    }
    return stored == unsignedSum || static_cast<int64_t>(stored) == signedSum;
}

bool IsExtensionType(char type)
{
    return type == 'x' || type == 'g' || type == GNU_LONGNAME_TYPE || type == GNU_LONGLINK_TYPE;
}

// Reads count bytes and the padding to the next block.
bool ReadPadded(TarStream& stream, std::string& data, uint64_t count)
{
    data.resize(static_cast<size_t>(count));
    const size_t padded = static_cast<size_t>((count + kBlock - 1) / kBlock * kBlock);
    if (stream.Read(&data[0], data.size()) != static_cast<int>(data.size()) ||
        stream.Fill(padded - data.size()) < padded - data.size()) {
        errno = EINVAL;
        return false;
    }
    stream.Consume(padded - data.size());
    return true;
}

// PAX texts are UTF-8 unless the header says otherwise; the engine's paths
// are in the ANSI code page. A name the code page cannot hold becomes empty,
// which no member may carry.
std::string PaxToAnsi(const std::string& utf8, bool binary)
{
    if (binary)
        return utf8;
    const std::wstring wide = ToWide(utf8, CP_UTF8);
    const std::string ansi = ToNarrow(wide);
    return ToWide(ansi) == wide ? ansi : std::string();
}

// "<length> <key>=<value>\n" records; a damaged record list fails. An empty
// value takes the record back, as for any PAX reader.
bool ParsePaxRecords(const std::string& data, Overrides& overrides)
{
    bool binary = false, seenPath = false, seenLink = false;
    std::string path, link;
    for (size_t at = 0; at < data.size();) {
        size_t length = 0, digitsEnd = at;
        while (digitsEnd < data.size() && data[digitsEnd] >= '0' && data[digitsEnd] <= '9' && length < data.size())
            length = length * 10 + static_cast<size_t>(data[digitsEnd++] - '0');
        // At least the digits, the blank and the closing newline.
        if (digitsEnd == at || length < digitsEnd - at + 2 || length > data.size() - at || data[digitsEnd] != ' ' ||
            data[at + length - 1] != '\n')
            return false;
        const std::string record = data.substr(digitsEnd + 1, at + length - 1 - (digitsEnd + 1));
        const size_t equals = record.find('=');
        if (equals == std::string::npos)
            return false;
        const std::string key = record.substr(0, equals), value = record.substr(equals + 1);
        if (key == "path") {
            seenPath = true;
            path = value;
        } else if (key == "linkpath") {
            seenLink = true;
            link = value;
        } else if (key == "size") {
            char* end = nullptr;
            overrides.size = strtoull(value.c_str(), &end, 10);
            if (value.empty() || value[0] < '0' || value[0] > '9' || *end != '\0')
                return false;
            overrides.hasSize = true;
        } else if (key == "hdrcharset") {
            binary = value == "BINARY";
        }
        at += length;
    }
    if (seenPath) {
        overrides.hasPath = !path.empty();
        overrides.path = PaxToAnsi(path, binary);
    }
    if (seenLink) {
        overrides.hasLink = !link.empty();
        overrides.link = PaxToAnsi(link, binary);
    }
    return true;
}

// Consumes the PAX and GNU extension headers before the next member, so that
// libtar only ever sees members. False on a damaged extension header.
bool ReadExtensions(TarStream& stream, Overrides& overrides)
{
    while (stream.Fill(kBlock) >= kBlock && IsExtensionType(stream.Data()[156]) && ChecksumMatches(stream.Data())) {
        const char type = stream.Data()[156];
        uint64_t size = 0;
        if (!ParseOctal(stream.Data() + 124, 12, size) || size > kMaxExtensionSize) {
            errno = EINVAL;
            return false;
        }
        stream.Consume(kBlock);
        std::string data;
        if (!ReadPadded(stream, data, size))
            return false;
        // GNU long names are NUL-terminated raw bytes.
        const std::string longName = data.substr(0, strnlen(data.c_str(), data.size()));
        if (type == 'x' && !ParsePaxRecords(data, overrides)) {
            errno = EINVAL;
            return false;
        }
        if (type == GNU_LONGNAME_TYPE) {
            overrides.hasPath = true;
            overrides.path = longName;
        } else if (type == GNU_LONGLINK_TYPE) {
            overrides.hasLink = true;
            overrides.link = longName;
        }
    }
    return true;
}

// The member's path as stored. libtar's own name getter drops leading "/" and
// "../" parts, which would hide exactly what has to be refused.
std::string StoredName(const TAR* tar, const Overrides& overrides)
{
    if (overrides.hasPath)
        return overrides.path;
    const tar_header& header = tar->th_buf;
    const std::string name(header.name, strnlen(header.name, sizeof(header.name)));
    // The prefix field counts only in POSIX archives, as for libtar itself.
    if (strncmp(header.magic, TMAGIC, TMAGLEN - 1) != 0 || header.prefix[0] == '\0')
        return name;
    return std::string(header.prefix, strnlen(header.prefix, sizeof(header.prefix))) + "/" + name;
}

std::string LinkName(const TAR* tar, const Overrides& overrides)
{
    if (overrides.hasLink)
        return overrides.link;
    return std::string(tar->th_buf.linkname, strnlen(tar->th_buf.linkname, sizeof(tar->th_buf.linkname)));
}

bool IsFolderMember(const TAR* tar, const std::string& name)
{
    const char type = tar->th_buf.typeflag;
    return type == DIRTYPE || (type == AREGTYPE && !name.empty() && name.back() == '/');
}

// Plain files and folders only: links could point anywhere, and devices and
// fifos have no place in a Windows package.
bool IsPlainMember(const TAR* tar)
{
    const char type = tar->th_buf.typeflag;
    return type == REGTYPE || type == AREGTYPE || type == CONTTYPE || type == DIRTYPE;
}

FILETIME UnixToFileTime(uint64_t seconds)
{
    ULARGE_INTEGER value;
    value.QuadPart = (seconds + 11644473600ULL) * 10000000ULL;
    FILETIME time;
    time.dwLowDateTime = value.LowPart;
    time.dwHighDateTime = value.HighPart;
    return time;
}

bool MakeFolder(const std::string& path)
{
    MakeParentDirs(path);
    CreateDirectoryA(path.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return true;
    SetErrnoFromLastError();
    return false;
}

class Extraction {
public:
    Extraction(TAR* tar, TarStream& stream, const std::string& targetFolder, Durability durability)
        : tar_(tar), stream_(stream), target_(targetFolder), durability_(durability)
    {
    }

    int Run()
    {
        for (;;) {
            Overrides overrides;
            if (!ReadExtensions(stream_, overrides))
                return -1;
            const int read = th_read(tar_);
            if (read == 1)
                return 0;
            if (read != 0)
                return -1;
            if (!ExtractMember(overrides))
                return -1;
        }
    }

private:
    bool ExtractMember(const Overrides& overrides)
    {
        const std::string name = StoredName(tar_, overrides);
        if (!IsPlainMember(tar_) || !IsContainedRelativePath(name)) {
            const std::string link = LinkName(tar_, overrides);
            if (link.empty())
                UpdateLog::Instance().Write("tar member refused: %s", name.c_str());
            else
                UpdateLog::Instance().Write("tar member refused: %s -> %s", name.c_str(), link.c_str());
            errno = EINVAL;
            return false;
        }
        std::string path = target_ + "\\" + ToBackslashes(name);
        while (path.back() == '\\')
            path.pop_back();
        if (IsFolderMember(tar_, name))
            return ThroughNoLink(path) && MakeFolder(path);

        uint64_t size = overrides.size;
        uint64_t mtime = 0;
        if ((!overrides.hasSize && !ParseOctal(tar_->th_buf.size, sizeof(tar_->th_buf.size), size)) ||
            !ParseOctal(tar_->th_buf.mtime, sizeof(tar_->th_buf.mtime), mtime)) {
            errno = EINVAL;
            return false;
        }
        return WriteMember(path, size, mtime);
    }

    // The member's data goes from the stream's buffer to the file in large
    // writes. The file gets no attribute from the member's mode: a read-only
    // file would block the next update that replaces it.
    bool WriteMember(const std::string& path, uint64_t size, uint64_t mtime)
    {
        const std::string parent = ParentFolder(path);
        if (parent != lastParent_) {
            if (!ThroughNoLink(parent))
                return false;
            MakeParentDirs(path);
            lastParent_ = parent;
        }
        // A file there already is replaced only when it is not a link.
        if (FileExists(path) && IsLink(path)) {
            errno = EACCES;
            return false;
        }
        ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file.Valid()) {
            SetErrnoFromLastError();
            return false;
        }
        for (uint64_t left = size; left > 0;) {
            if (stream_.Fill(1) == 0) {
                errno = EINVAL;
                return false;
            }
            const DWORD take = static_cast<DWORD>(stream_.Available() < left ? stream_.Available() : left);
            DWORD written = 0;
            if (!::WriteFile(file.Get(), stream_.Data(), take, &written, nullptr) || written != take) {
                SetErrnoFromLastError();
                return false;
            }
            stream_.Consume(take);
            left -= take;
        }
        const size_t padding = static_cast<size_t>((kBlock - size % kBlock) % kBlock);
        if (stream_.Fill(padding) < padding) {
            errno = EINVAL;
            return false;
        }
        stream_.Consume(padding);
        const FILETIME written = UnixToFileTime(mtime);
        SetFileTime(file.Get(), nullptr, nullptr, &written);
        if (durability_ == Durability::kFlushed && FlushToDisk(file.Get(), path) != ERROR_SUCCESS) {
            SetErrnoFromLastError();
            return false;
        }
        return true;
    }

    // A link planted in the target folder would take what is made below it
    // elsewhere: the member fails instead.
    bool ThroughNoLink(const std::string& path) const
    {
        if (!LeadsThroughLink(target_, path))
            return true;
        errno = EACCES;
        return false;
    }

    TAR* tar_;
    TarStream& stream_;
    const std::string& target_;
    const Durability durability_;
    std::string lastParent_;
};

// Makes the stream the one libtar's callbacks on this thread use.
class StreamScope {
public:
    explicit StreamScope(TarStream& stream) { t_stream = &stream; }
    ~StreamScope() { t_stream = nullptr; }
    StreamScope(const StreamScope&) = delete;
    StreamScope& operator=(const StreamScope&) = delete;
};

}  // namespace

int ExtractTar(const std::string& tarPath, const std::string& targetFolder, GrowingFile* growing, Durability durability)
{
    if (tarPath.empty())
        return -1;
    if (targetFolder.empty())
        return -2;

    // Shared for writing: the decoder may still be writing the file.
    ScopedHandle file(CreateFileA(tarPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    TAR* opened = nullptr;
    if (!file.Valid()) {
        SetErrnoFromLastError();
        UpdateLog::Instance().Write("tar_open(): %s", strerror(errno));
        return -1;
    }
    if (tar_fdopen(&opened, 0, tarPath.c_str(), &g_streamType, O_RDONLY, 0, 0) != 0) {
        UpdateLog::Instance().Write("tar_open(): %s", strerror(errno));
        return -1;
    }
    ScopedTar tar(opened);
    TarStream stream(file.Get(), growing);
    const StreamScope scope(stream);
    const int extracted = Extraction(tar.Get(), stream, targetFolder, durability).Run();
    if (extracted != 0)
        UpdateLog::Instance().Write("tar_extract_all(): %s", strerror(errno));
    return extracted;
}
