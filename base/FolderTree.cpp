#include "base/FolderTree.h"

#include "base/PathUtil.h"
#include "base/ScopedHandles.h"
#include "base/TextConversion.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace {

// Removal needs a handle that deletes; inspection one that reads attributes.
constexpr DWORD kInspect = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kRemove = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;

ScopedHandle OpenItself(const std::wstring& path, DWORD access)
{
    return ScopedHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
}

// The path the system acts on through the handle; "" when it cannot tell.
std::wstring FinalPath(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.assign(length, L'\0');
        length = GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()), 0);
    }
    path.resize(length < path.size() ? length : 0);
    return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// An entry as opened without following it.
struct Entry {
    enum Kind { kMissing, kUnknown, kFile, kFolder, kLink } kind = kMissing;
    ScopedHandle handle;
    DWORD attributes = 0;
    // The handle is the entry itself, not what a link points at, so that a
    // change made through it stays in the folder.
    bool itself = false;
};

// The entry at path, whose folder's final path is folderFinal; named holds
// the attributes that its name shows (those of a link itself, where the
// handle's may be its target's).
Entry Inspect(const std::wstring& path, DWORD named, const std::wstring& folderFinal, DWORD access)
{
    Entry entry;
    entry.handle = OpenItself(path, access);
    if (!entry.handle.Valid()) {
        const DWORD error = GetLastError();
        entry.kind =
            named == INVALID_FILE_ATTRIBUTES && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                ? Entry::kMissing
                : Entry::kUnknown;
        return entry;
    }
    FILE_BASIC_INFO basic = {};
    if (named == INVALID_FILE_ATTRIBUTES &&
        !GetFileInformationByHandleEx(entry.handle.Get(), FileBasicInfo, &basic, sizeof(basic))) {
        entry.kind = Entry::kUnknown;
        return entry;
    }
    entry.attributes = named != INVALID_FILE_ATTRIBUTES ? named : basic.FileAttributes;
    entry.itself = SamePath(FinalPath(entry.handle.Get()), folderFinal + L"\\" + FileNameOf(path));
    if ((entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !entry.itself)
        entry.kind = Entry::kLink;
    else
        entry.kind = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Entry::kFolder : Entry::kFile;
    return entry;
}

Entry InspectAlone(const std::wstring& path, DWORD access)
{
    // "X:" alone would name the drive's current folder, not its root.
    std::wstring folder = ParentFolder(path);
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\';
    const ScopedHandle parent = OpenItself(folder, kInspect);
    return Inspect(path, GetFileAttributesW(path.c_str()), parent.Valid() ? FinalPath(parent.Get()) : L"", access);
}

// Deletes the entry through its own handle when the handle is closed; a
// read-only entry loses the attribute first.
bool MarkForDeletion(HANDLE handle, DWORD attributes)
{
    FILE_BASIC_INFO basic = {};
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof(basic))) {
        basic.FileAttributes &= ~FILE_ATTRIBUTE_READONLY;
        basic.FileAttributes |= basic.FileAttributes == 0 ? FILE_ATTRIBUTE_NORMAL : 0;
        SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic));
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

void Note(TreeRemoval& result, TreeRemoval::Status status)
{
    if (result.status == TreeRemoval::kRemoved || status == TreeRemoval::kLinkLeft)
        result.status = status;
}

// The names and attributes of a folder's entries, read through the folder's
// own handle: a listing by name would meet whatever stands there by then.
std::vector<std::pair<std::wstring, DWORD>> ListEntries(HANDLE folder)
{
    std::vector<std::pair<std::wstring, DWORD>> entries;
    std::vector<char> buffer(64 * 1024);
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;
         GetFileInformationByHandleEx(folder, kind, buffer.data(), static_cast<DWORD>(buffer.size()));
         kind = FileFullDirectoryInfo) {
        for (size_t at = 0;;) {
            const auto* info = reinterpret_cast<const FILE_FULL_DIR_INFO*>(buffer.data() + at);
            const std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                entries.emplace_back(name, info->FileAttributes);
            if (info->NextEntryOffset == 0)
                break;
            at += info->NextEntryOffset;
        }
    }
    return entries;
}

// Empties the folder opened as root and removes it.
void RemoveBelow(const std::wstring& folder, Entry& root, TreeRemoval& result)
{
    const std::wstring rootFinal = FinalPath(root.handle.Get());
    for (const auto& [name, attributes] : ListEntries(root.handle.Get())) {
        const std::wstring path = folder + L"\\" + name;
        // A folder is listed through its handle; a file is not read, so that
        // a program that holds it open for reading only does not block.
        Entry entry = Inspect(path, attributes, rootFinal,
                              (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kRemove | FILE_LIST_DIRECTORY : kRemove);
        if (entry.kind == Entry::kLink && result.link.empty())
            result.link = ToNarrow(path);
        if (entry.kind == Entry::kFolder) {
            RemoveBelow(path, entry, result);
        } else if (entry.kind == Entry::kLink && !entry.itself) {
            Note(result, TreeRemoval::kLinkLeft);
        } else if (entry.kind != Entry::kMissing &&
                   (entry.kind == Entry::kUnknown || !MarkForDeletion(entry.handle.Get(), attributes))) {
            Note(result, TreeRemoval::kIncomplete);
        }
    }
    if (!MarkForDeletion(root.handle.Get(), root.attributes))
        Note(result, TreeRemoval::kIncomplete);
    root.handle.Reset();
}

}  // namespace

TreeRemoval RemoveFolderTree(const std::string& folder)
{
    TreeRemoval result;
    const std::wstring path = ToWide(folder);
    Entry root = InspectAlone(path, kRemove | FILE_LIST_DIRECTORY);
    switch (root.kind) {
    case Entry::kMissing:
        return result;
    case Entry::kLink:
        result.status = TreeRemoval::kRootIsLink;
        return result;
    case Entry::kFolder:
        RemoveBelow(path, root, result);
        // A folder whose removal the system took but could not carry out at
        // the close (something is still open in it) is still there.
        if (result.status == TreeRemoval::kRemoved && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            result.status = TreeRemoval::kIncomplete;
        return result;
    default:
        result.status = TreeRemoval::kIncomplete;
        return result;
    }
}

bool RemoveEntryItself(const std::string& path)
{
    const Entry entry = InspectAlone(ToWide(path), kRemove);
    return entry.kind == Entry::kMissing || (entry.itself && MarkForDeletion(entry.handle.Get(), entry.attributes));
}

bool IsLink(const std::string& path)
{
    // Every link to a folder shows as a reparse point by its name (Wine
    // reports a host symbolic link to a folder so); a link to a file may
    // not, and only its handle's final path tells.
    const std::wstring wide = ToWide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    const Entry entry = InspectAlone(wide, kInspect);
    return entry.kind == Entry::kLink || entry.kind == Entry::kUnknown;
}

bool LeadsThroughLink(const std::string& root, const std::string& path)
{
    if (path.size() <= root.size() + 1 || path.compare(0, root.size(), root) != 0 || path[root.size()] != '\\')
        return false;
    for (size_t end = FindSeparator(path, root.size() + 1);; end = FindSeparator(path, end + 1)) {
        const std::string part = path.substr(0, end);
        if (!FileExists(part))
            return false;
        if (IsLink(part))
            return true;
        if (end == std::string::npos)
            return false;
    }
}
