#pragma once

#include "ui/core/StringOrId.h"
#include "ui/core/UIDefs.h"

#include <windows.h>

#include <vector>

namespace SkinUI {

// Reading the bytes of skin files (markup and images) from where the paint
// manager's resource settings say they are.
enum class SkinFileResult {
    Ok,
    OpenFailed,      // the file cannot be opened
    Empty,           // the file or archive member has no bytes
    TooLarge,        // larger than the caller's limit
    ReadFailed,      // fewer bytes read than the file holds
    ZipOpenFailed,   // the archive cannot be opened
    ZipItemMissing,  // no member of that name
    UnzipFailed,     // extraction failed
    ResourceMissing, // no module resource of that name and type
};

// The file from the resource zip archive when one is set (a member found
// ignoring case), else from the resource folder.
SkinFileResult ReadSkinFile(const wchar_t* name, DWORD maxSize, std::vector<BYTE>& bytes);
// A module resource of the resource module (CPaintManagerUI::GetResourceDll)
// in the module's own memory, valid for as long as the module is loaded.
[[nodiscard]] SkinFileResult FindSkinResource(STRINGorID name, const wchar_t* type, const BYTE*& data, DWORD& size);
// The same resource copied into bytes.
SkinFileResult ReadSkinResource(STRINGorID name, const wchar_t* type, DWORD maxSize, std::vector<BYTE>& bytes);
// A file by its own path.
SkinFileResult ReadWholeFile(const wchar_t* path, DWORD maxSize, std::vector<BYTE>& bytes);

// Decodes an encoded image into a premultiplied top-down 32-bit section.
// Opaque pixels equal to mask become transparent. Null on failure.
TImageInfo* DecodeImage(const BYTE* data, size_t size, DWORD mask);

} // namespace SkinUI
