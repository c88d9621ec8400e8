#include "engine/DeltaPatch.h"

#include "base/FolderTree.h"
#include "base/PathUtil.h"
#include "base/ScopedHandles.h"
#include "engine/Md5.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

struct DecoderDeleter {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};
using ScopedDecoder = std::unique_ptr<ZSTD_DCtx, DecoderDeleter>;

// A whole file, read-only and mapped; empty files map to nothing.
struct MappedFile {
    ScopedHandle file;
    ScopedHandle mapping;
    ScopedMappedView view;
    uint64_t size = 0;
};

DWORD MapFile(const std::string& path, MappedFile& mapped)
{
    mapped.file.Reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!mapped.file.Valid() || !GetFileSizeEx(mapped.file.Get(), &size))
        return GetLastError();
    mapped.size = static_cast<uint64_t>(size.QuadPart);
    if (mapped.size > kPatchBaseLimit)
        return ERROR_NOT_ENOUGH_MEMORY;
    if (mapped.size == 0)
        return ERROR_SUCCESS;
    mapped.mapping.Reset(CreateFileMappingA(mapped.file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapped.mapping.Valid())
        return GetLastError();
    mapped.view.Reset(MapViewOfFile(mapped.mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    return mapped.view.Valid() ? ERROR_SUCCESS : GetLastError();
}

DWORD DecoderError(size_t result)
{
    const ZSTD_ErrorCode code = ZSTD_getErrorCode(result);
    return code == ZSTD_error_frameParameter_windowTooLarge || code == ZSTD_error_memory_allocation
               ? ERROR_NOT_ENOUGH_MEMORY
               : ERROR_INVALID_DATA;
}

// Streams the patch through the decoder into out; the patch is exactly one
// frame, so anything after it (or a frame cut short) is damage.
DWORD Decode(ZSTD_DCtx* decoder, FILE* patch, FILE* out, Md5& md5)
{
    std::vector<char> input(ZSTD_DStreamInSize());
    std::vector<char> output(ZSTD_DStreamOutSize());
    bool frameDone = false;
    size_t got;
    while ((got = fread(input.data(), 1, input.size(), patch)) > 0) {
        ZSTD_inBuffer in = {input.data(), got, 0};
        while (in.pos < in.size) {
            if (frameDone)
                return ERROR_INVALID_DATA;
            ZSTD_outBuffer piece = {output.data(), output.size(), 0};
            const size_t result = ZSTD_decompressStream(decoder, &piece, &in);
            if (ZSTD_isError(result))
                return DecoderError(result);
            if (piece.pos > 0 && fwrite(output.data(), 1, piece.pos, out) != piece.pos)
                return ERROR_WRITE_FAULT;
            md5.Update(output.data(), piece.pos);
            frameDone = result == 0;
        }
    }
    if (ferror(patch))
        return ERROR_READ_FAULT;
    // The decoder may still hold output once the input is all in.
    while (!frameDone) {
        ZSTD_inBuffer in = {nullptr, 0, 0};
        ZSTD_outBuffer piece = {output.data(), output.size(), 0};
        const size_t result = ZSTD_decompressStream(decoder, &piece, &in);
        if (ZSTD_isError(result))
            return DecoderError(result);
        if (piece.pos == 0)
            return ERROR_INVALID_DATA;
        if (fwrite(output.data(), 1, piece.pos, out) != piece.pos)
            return ERROR_WRITE_FAULT;
        md5.Update(output.data(), piece.pos);
        frameDone = result == 0;
    }
    return ERROR_SUCCESS;
}

DWORD Rebuild(const std::string& basePath, const std::string& patchPath, const std::string& targetPath,
              const std::string& md5)
{
    MappedFile base;
    DWORD error = MapFile(basePath, base);
    if (error != ERROR_SUCCESS)
        return error;
    ScopedDecoder decoder(ZSTD_createDCtx());
    if (!decoder)
        return ERROR_NOT_ENOUGH_MEMORY;
    // The window bound keeps a patch from claiming more memory than a base
    // file of the largest size would need.
    if (ZSTD_isError(ZSTD_DCtx_setParameter(decoder.get(), ZSTD_d_windowLogMax, kPatchWindowLogMax)) ||
        ZSTD_isError(ZSTD_DCtx_refPrefix(decoder.get(), base.view.Get(), static_cast<size_t>(base.size))))
        return ERROR_NOT_ENOUGH_MEMORY;
    BufferedStreamPair files;
    switch (files.Open(patchPath, targetPath)) {
    case BufferedStreamPair::Opened::kNoInput:
        return ERROR_OPEN_FAILED;
    case BufferedStreamPair::Opened::kNoOutput:
        return ERROR_CANNOT_MAKE;
    case BufferedStreamPair::Opened::kBoth:
        break;
    }
    Md5 digest;
    error = Decode(decoder.get(), files.Input(), files.Output(), digest);
    if (!files.CloseOutput() && error == ERROR_SUCCESS)
        error = ERROR_WRITE_FAULT;
    if (error == ERROR_SUCCESS && _stricmp(digest.FinalHex().c_str(), md5.c_str()) != 0)
        error = ERROR_CRC;
    return error;
}

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return _stricmp(a.c_str(), b.c_str()) < 0; }
};

// The filelist by path, as Windows matches names: without regard to case
// or to the separator.
using FileIndex = std::map<std::string, const FileEntry*, NoCaseLess>;

const FileEntry* Find(const FileIndex& index, const std::string& path)
{
    const auto found = index.find(ToBackslashes(path));
    return found == index.end() ? nullptr : found->second;
}

// Installed files' digests, each file read once.
class InstalledDigests {
public:
    explicit InstalledDigests(const std::string& installDir) : installDir_(installDir) {}

    bool Matches(const std::string& path, const std::string& md5)
    {
        auto found = digests_.find(path);
        if (found == digests_.end())
            found = digests_.emplace(path, FileMd5Hex(ToBackslashes(installDir_ + "\\" + path))).first;
        return !md5.empty() && _stricmp(found->second.c_str(), md5.c_str()) == 0;
    }

private:
    std::string installDir_;
    std::map<std::string, std::string, NoCaseLess> digests_;
};

// Every entry of the delta names a file of the list with a digest, and
// every path stays inside the folder it is joined to.
bool IsWellFormed(const DeltaEntry& delta, const FileIndex& index)
{
    for (const DeltaPatchEntry& patch : delta.patches) {
        const FileEntry* entry = Find(index, patch.path);
        if (!entry || entry->md5.empty() || patch.baseMd5.empty() || !IsContainedRelativePath(patch.member))
            return false;
    }
    for (const std::string& path : delta.whole)
        if (!Find(index, path))
            return false;
    return true;
}

bool Fits(const DeltaEntry& delta, const std::vector<FileEntry>& files, const FileIndex& index,
          InstalledDigests& installed)
{
    if (!IsWellFormed(delta, index))
        return false;
    for (const DeltaPatchEntry& patch : delta.patches)
        if (!installed.Matches(Find(index, patch.path)->path, patch.baseMd5))
            return false;
    for (const FileEntry& entry : files)
        if (IsContainedRelativePath(entry.path) && LeavesOut(delta, entry.path) &&
            !installed.Matches(entry.path, entry.md5))
            return false;
    return true;
}

bool SamePath(const std::string& a, const std::string& b)
{
    return _stricmp(ToBackslashes(a).c_str(), ToBackslashes(b).c_str()) == 0;
}

}  // namespace

DWORD ApplyZstdPatch(const std::string& basePath, const std::string& patchPath, const std::string& targetPath,
                     const std::string& md5)
{
    const DWORD error = Rebuild(basePath, patchPath, targetPath, md5);
    if (error != ERROR_SUCCESS)
        remove(targetPath.c_str());
    return error;
}

const DeltaEntry* ChooseDelta(const std::vector<DeltaEntry>& deltas, const std::vector<FileEntry>& files,
                              const std::string& installDir)
{
    FileIndex index;
    for (const FileEntry& entry : files)
        if (IsContainedRelativePath(entry.path))
            index.emplace(ToBackslashes(entry.path), &entry);
    InstalledDigests installed(installDir);
    for (const DeltaEntry& delta : deltas)
        if (Fits(delta, files, index, installed))
            return &delta;
    return nullptr;
}

bool LeavesOut(const DeltaEntry& delta, const std::string& path)
{
    for (const DeltaPatchEntry& patch : delta.patches)
        if (SamePath(patch.path, path))
            return false;
    for (const std::string& whole : delta.whole)
        if (SamePath(whole, path))
            return false;
    return true;
}

DWORD BuildPatchedFiles(const DeltaEntry& delta, const std::vector<FileEntry>& files, const std::string& folder,
                        const std::string& root, const std::string& installDir, std::string& failedPath)
{
    for (const DeltaPatchEntry& patch : delta.patches) {
        failedPath = patch.path;
        const FileEntry* entry = nullptr;
        for (const FileEntry& file : files)
            if (SamePath(file.path, patch.path))
                entry = &file;
        if (!entry || !IsContainedRelativePath(patch.path) || !IsContainedRelativePath(patch.member))
            return ERROR_INVALID_DATA;
        const std::string target = ToBackslashes(root + "\\" + patch.path);
        // The staged tree is the Updater's own: nothing is written through a
        // link that a package could have left in it.
        if (LeadsThroughLink(root, target))
            return kErrorStoppedOnLink;
        MakeParentDirs(target);
        const DWORD error = ApplyZstdPatch(ToBackslashes(installDir + "\\" + patch.path),
                                           ToBackslashes(folder + "\\" + patch.member), target, entry->md5);
        if (error != ERROR_SUCCESS)
            return error;
    }
    failedPath.clear();
    return ERROR_SUCCESS;
}
