#include "base/PathUtil.h"

#include "base/ScopedHandles.h"
#include "base/TextConversion.h"

#include <windows.h>

#include <cwchar>

namespace {

template <typename Char>
bool IsSeparator(Char c)
{
    return c == Char('\\') || c == Char('/');
}

// The separator's positions in UTF-16 text: every '\\' is one.
size_t FindSeparatorIn(std::wstring_view path, wchar_t separator, size_t from)
{
    return path.find(separator, from);
}

size_t FindLastSeparatorIn(std::wstring_view path, wchar_t separator)
{
    return path.rfind(separator);
}

// In narrow text a byte is a separator only where a character starts: the
// second byte of a double-byte character of the ANSI code page may be 0x5C
// (GBK's U+6DFA is 0x9C 0x5C) and is no separator.
size_t FindSeparatorIn(std::string_view path, char separator, size_t from)
{
    for (size_t at = from; at < path.size(); ++at) {
        if (path[at] == separator)
            return at;
        if (IsDBCSLeadByteEx(kAnsiCodePage, static_cast<BYTE>(path[at])) && at + 1 < path.size())
            ++at;
    }
    return std::string_view::npos;
}

size_t FindLastSeparatorIn(std::string_view path, char separator)
{
    size_t last = std::string_view::npos;
    for (size_t at = FindSeparatorIn(path, separator, 0); at != std::string_view::npos;
         at = FindSeparatorIn(path, separator, at + 1))
        last = at;
    return last;
}

template <typename String>
void MakeParentDirsOf(const String& filePath, BOOL (*createFolder)(const typename String::value_type*))
{
    using Char = typename String::value_type;
    for (size_t pos = FindSeparatorIn(filePath, Char('\\'), 0); pos != String::npos;
         pos = FindSeparatorIn(filePath, Char('\\'), pos + 1)) {
        if (pos == 0 || filePath[pos - 1] == Char(':'))
            continue;
        createFolder(filePath.substr(0, pos).c_str());
    }
}

template <typename String>
String ParentFolderOf(const String& path)
{
    const size_t pos = FindLastSeparatorIn(path, typename String::value_type('\\'));
    return pos == String::npos ? path : path.substr(0, pos);
}

template <typename String>
String FileNameIn(const String& path)
{
    const size_t pos = FindLastSeparatorIn(path, typename String::value_type('\\'));
    return pos == String::npos ? path : path.substr(pos + 1);
}

wchar_t FoldAscii(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c;
}

// Windows opens a device instead of a file for these names, whatever the
// extension and letter case: "nul.txt" or "Com1 .log" never reach the disk.
bool IsDeviceName(std::wstring_view component)
{
    std::wstring_view base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.remove_suffix(1);
    std::wstring upper;
    for (wchar_t c : base)
        upper += FoldAscii(c);
    static const wchar_t* const kPlain[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* name : kPlain)
        if (upper == name)
            return true;
    // COM0-9 and LPT0-9, and the superscript digits that Windows reads as 1-3.
    if (upper.size() != 4 || (upper.compare(0, 3, L"COM") != 0 && upper.compare(0, 3, L"LPT") != 0))
        return false;
    const wchar_t digit = upper[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

// Characters that Windows refuses in a name; a control character would also
// break a line-based record of the path.
bool HasForbiddenCharacter(std::wstring_view component)
{
    for (wchar_t c : component)
        if (c < 0x20 || wcschr(L"<>\"|?*", c) != nullptr)
            return true;
    return false;
}

bool IsSafeComponent(std::wstring_view component)
{
    if (component.empty() || component == L".")
        return true;
    if (HasForbiddenCharacter(component))
        return false;
    const wchar_t last = component.back();
    return last != L'.' && last != L' ' && !IsDeviceName(component);
}

}  // namespace

void SplitPath(const std::string& text, std::string& folder, std::string& name, bool urlForm)
{
    const size_t pos = FindLastSeparatorIn(text, urlForm ? '/' : '\\');
    if (pos == std::string::npos) {
        folder.clear();
        name = text;
        return;
    }
    folder = text.substr(0, pos);
    name = text.substr(pos + 1);
}

size_t FindSeparator(std::string_view path, size_t from)
{
    return FindSeparatorIn(path, '\\', from);
}

std::string ParentFolder(const std::string& path)
{
    return ParentFolderOf(path);
}

std::wstring ParentFolder(const std::wstring& path)
{
    return ParentFolderOf(path);
}

std::string FileNameOf(const std::string& path)
{
    return FileNameIn(path);
}

std::wstring FileNameOf(const std::wstring& path)
{
    return FileNameIn(path);
}

std::string ToBackslashes(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::wstring ToBackslashes(std::wstring path)
{
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

void MakeParentDirs(const std::string& filePath)
{
    MakeParentDirsOf(
        filePath, +[](const char* folder) { return CreateDirectoryA(folder, nullptr); });
}

void MakeParentDirs(const std::wstring& filePath)
{
    MakeParentDirsOf(
        filePath, +[](const wchar_t* folder) { return CreateDirectoryW(folder, nullptr); });
}

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return suffix.size() <= text.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void ClearReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring CanonicalLongPath(const std::string& path)
{
    const std::wstring wide = ToWide(path, CP_ACP);
    if (wide.empty())
        return L"";
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length >= full.size()) {
        full.assign(length, L'\0');
        length = GetFullPathNameW(wide.c_str(), length, &full[0], nullptr);
    }
    if (length == 0 || length >= full.size())
        return L"";
    full.resize(length);
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();

    // Only what exists has a long form: expand the longest existing part and
    // keep the rest as written.
    std::wstring head = full;
    std::wstring tail;
    for (;;) {
        std::wstring longer(MAX_PATH, L'\0');
        DWORD got = GetLongPathNameW(head.c_str(), &longer[0], static_cast<DWORD>(longer.size()));
        if (got >= longer.size()) {
            longer.assign(got, L'\0');
            got = GetLongPathNameW(head.c_str(), &longer[0], got);
        }
        if (got > 0 && got < longer.size()) {
            longer.resize(got);
            while (longer.size() > 3 && longer.back() == L'\\')
                longer.pop_back();
            return longer + tail;
        }
        const size_t slash = head.rfind(L'\\');
        if (slash == std::wstring::npos || slash < 3)
            return full;
        tail = head.substr(slash) + tail;
        head.erase(slash);
    }
}

bool LiesWithin(const std::string& path, const std::string& folder)
{
    return LiesWithin(CanonicalLongPath(path), CanonicalLongPath(folder));
}

bool LiesWithin(std::wstring_view inner, std::wstring_view outer)
{
    if (inner.empty() || outer.empty() || inner.size() < outer.size())
        return false;
    if (inner.size() > outer.size() && inner[outer.size()] != L'\\' && outer.back() != L'\\')
        return false;
    return CompareStringOrdinal(inner.data(), static_cast<int>(outer.size()), outer.data(),
                                static_cast<int>(outer.size()), TRUE) == CSTR_EQUAL;
}

bool IsSameFile(const std::string& a, const std::string& b)
{
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    const std::string* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        // Backup semantics open folders too; no access is asked for but the attributes.
        ScopedHandle file(CreateFileA(paths[i]->c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info[i]))
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

bool ReadWholeFile(const std::string& path, std::string& contents)
{
    contents.clear();
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid())
        return false;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        contents.append(buffer, read);
    return true;
}

namespace {

// Writes the bytes to a file opened with the disposition given; a file that
// could not be written whole is removed again.
bool WriteFileAs(const std::string& path, const std::string& contents, DWORD disposition)
{
    ScopedHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    DWORD written = 0;
    const bool whole = WriteFile(file.Get(), contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
                       written == contents.size();
    if (CloseHandle(file.Release()) && whole)
        return true;
    DeleteFileA(path.c_str());
    return false;
}

}  // namespace

bool WriteNewFile(const std::string& path, const std::string& contents)
{
    return WriteFileAs(path, contents, CREATE_NEW);
}

bool WriteWholeFile(const std::string& path, const std::string& contents)
{
    return WriteFileAs(path, contents, CREATE_ALWAYS);
}

bool IsContainedRelativePath(std::wstring_view path)
{
    if (path.empty() || IsSeparator(path[0]) || path.find(L':') != std::wstring_view::npos)
        return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        if (!IsSafeComponent(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

bool IsContainedRelativePath(std::string_view path)
{
    if (path.empty())
        return false;
    const std::wstring wide = ToWide(path);
    // A name the code page cannot convert cannot be judged.
    return !wide.empty() && IsContainedRelativePath(std::wstring_view(wide));
}

bool IsPlainFileName(std::string_view name)
{
    if (name.empty())
        return false;
    const std::wstring wide = ToWide(name);
    return !wide.empty() && wide != L"." && wide.size() <= kMaxFileNameLength &&
           wide.find_first_of(L"\\/") == std::wstring::npos && IsContainedRelativePath(std::wstring_view(wide));
}
