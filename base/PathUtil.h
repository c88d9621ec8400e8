#pragma once

#include <string>
#include <string_view>

// Path helpers shared by every layer. Narrow paths are in the ANSI code page.

// Narrow paths are split only where a character starts: a double-byte
// character of the ANSI code page whose second byte is 0x5C holds no '\'.

// Splits at the last separator ('/' in URL form, '\' otherwise). Without a
// separator the folder is empty and the name is the whole text.
void SplitPath(const std::string& text, std::string& folder, std::string& name, bool urlForm);

// The position of the first '\' at or after from (a character's start), or
// npos.
size_t FindSeparator(std::string_view path, size_t from = 0);

// The part before the last '\' (the whole text when there is none).
std::string ParentFolder(const std::string& path);
std::wstring ParentFolder(const std::wstring& path);

// The part after the last '\' (the whole text when there is none).
std::string FileNameOf(const std::string& path);
std::wstring FileNameOf(const std::wstring& path);

// Copy of the path with every '/' replaced by '\'.
std::string ToBackslashes(std::string path);
std::wstring ToBackslashes(std::wstring path);

// Creates every missing folder on the way to the file; the file name itself,
// a leading separator and a drive prefix ("X:") are left alone.
void MakeParentDirs(const std::string& filePath);
void MakeParentDirs(const std::wstring& filePath);

// Case-sensitive: true when suffix ends the text.
bool EndsWith(std::string_view text, std::string_view suffix);

// Takes the read-only attribute off a file, so that it can be replaced or
// deleted (a package member may have carried it); a missing file is left alone.
void ClearReadOnly(const std::string& path);

// True for existing files and folders alike.
bool FileExists(const std::string& path);

// A file's size in bytes; -1 for a missing file or a folder.
long long FileSize(const std::string& path);

// The full path as Windows resolves it, in its long form: relative parts,
// "." and ".." resolved, short (8.3) names of the existing part expanded,
// separators as '\' and none at the end. Empty when the path cannot be
// resolved. Two paths name the same place when these agree, ignoring case.
std::wstring CanonicalLongPath(const std::string& path);

// True when the path is the folder or lies below it, judged by their
// canonical long paths, so that no short name, letter case, trailing dot or
// blank, or "." part leads past the check. False when either cannot be
// resolved.
bool LiesWithin(const std::string& path, const std::string& folder);
// The same for two canonical long paths, so that a folder checked against
// many paths is resolved once.
bool LiesWithin(std::wstring_view canonicalPath, std::wstring_view canonicalFolder);

// True when both name the same existing file or folder (the same file id on
// the same volume), whatever the spelling of the paths.
bool IsSameFile(const std::string& a, const std::string& b);

// Reads a whole file; false when it cannot be opened (contents are then empty).
bool ReadWholeFile(const std::string& path, std::string& contents);

// Writes the bytes to a file made new, never to one that is there already
// (nor through a link in its place). False when it cannot be made or
// written whole; a partial file is removed again.
[[nodiscard]] bool WriteNewFile(const std::string& path, const std::string& contents);

// Writes a whole file in place of any file of the name; false when it cannot
// be written whole (a partial file is removed again).
[[nodiscard]] bool WriteWholeFile(const std::string& path, const std::string& contents);

// True when the relative path of an archive member or manifest entry, joined
// to a folder, can only name something inside that folder: it is not empty,
// not absolute, carries no drive letter or other colon, and no component is
// ".." or ends in a dot or blank (Windows drops those, so "..." or ".. "
// could mean the parent), holds a control character or one of <>"|?*, nor a
// device name such as "CON", "nul.txt" or
// "COM1" (in any case, with any extension). '/' and '\' both separate
// components. A narrow path is judged as Windows reads it, through the ANSI
// code page, so that a double-byte character's 0x5C byte is not taken for a
// separator.
bool IsContainedRelativePath(std::wstring_view path);
bool IsContainedRelativePath(std::string_view path);

// Longest file name a folder entry may have.
constexpr size_t kMaxFileNameLength = 255;

// True for one file name that names a file of whatever folder it is joined
// to: a contained relative path (above) of a single component, not "." and
// at most kMaxFileNameLength characters.
bool IsPlainFileName(std::string_view name);
