#include "ui/core/ImageLoader.h"

#include "base/ScopedGdi.h"
#include "base/ScopedHandles.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"
#include "ui/core/ZipArchive.h"

#include <climits>
#include <memory>

// Skin images come from the skin's own files; memory only, no stdio.
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace SkinUI {

namespace {

// Far above any skin image, low enough that a damaged size cannot make
// the reader ask for the whole address space.
const DWORD kMaxImageFileSize = 64 * 1024 * 1024;

struct StbiDeleter {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

SkinFileResult ReadFromZip(const wchar_t* name, DWORD maxSize, std::vector<BYTE>& bytes)
{
    ZipReader local;
    ZipReader* zip = nullptr;
    if (CPaintManagerUI::IsCachedResourceZip()) {
        // Null when the cached open failed.
        zip = CPaintManagerUI::GetResourceZipHandle();
    } else {
        CUIString path = CPaintManagerUI::GetResourcePath();
        path += CPaintManagerUI::GetResourceZip();
        if (local.OpenFile(path) == ZR_OK) zip = &local;
    }
    if (zip == nullptr) return SkinFileResult::ZipOpenFailed;
    ZIPENTRY entry;
    int index = -1;
    if (zip->FindItem(name, true, &index, &entry) != ZR_OK) return SkinFileResult::ZipItemMissing;
    if (entry.unc_size == 0) return SkinFileResult::Empty;
    if (entry.unc_size < 0 || static_cast<DWORD>(entry.unc_size) > maxSize) return SkinFileResult::TooLarge;
    bytes.resize(static_cast<size_t>(entry.unc_size));
    ZRESULT result = zip->ExtractItem(index, bytes.data(), static_cast<unsigned int>(bytes.size()));
    if (result != ZR_OK && result != ZR_MORE) {
        bytes.clear();
        return SkinFileResult::UnzipFailed;
    }
    return SkinFileResult::Ok;
}

} // namespace

SkinFileResult ReadWholeFile(const wchar_t* path, DWORD maxSize, std::vector<BYTE>& bytes)
{
    bytes.clear();
    if (path == nullptr || path[0] == L'\0') return SkinFileResult::OpenFailed;
    ScopedHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return SkinFileResult::OpenFailed;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.Get(), &size)) return SkinFileResult::ReadFailed;
    if (size.QuadPart == 0) return SkinFileResult::Empty;
    if (size.QuadPart > maxSize) return SkinFileResult::TooLarge;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        bytes.clear();
        return SkinFileResult::ReadFailed;
    }
    return SkinFileResult::Ok;
}

SkinFileResult ReadSkinFile(const wchar_t* name, DWORD maxSize, std::vector<BYTE>& bytes)
{
    bytes.clear();
    if (name == nullptr || IS_INTRESOURCE(name)) return SkinFileResult::OpenFailed;
    if (!CPaintManagerUI::GetResourceZip().IsEmpty()) return ReadFromZip(name, maxSize, bytes);
    CUIString path = CPaintManagerUI::GetResourcePath();
    path += name;
    return ReadWholeFile(path, maxSize, bytes);
}

SkinFileResult FindSkinResource(STRINGorID name, const wchar_t* type, const BYTE*& data, DWORD& size)
{
    data = nullptr;
    size = 0;
    if (name.m_lpstr == nullptr || type == nullptr) return SkinFileResult::ResourceMissing;
    HMODULE module = CPaintManagerUI::GetResourceDll();
    HRSRC resource = ::FindResourceW(module, name.m_lpstr, type);
    if (resource == nullptr) return SkinFileResult::ResourceMissing;
    const DWORD length = ::SizeofResource(module, resource);
    if (length == 0) return SkinFileResult::Empty;
    // Resource memory belongs to the mapped module; nothing to free.
    HGLOBAL loaded = ::LoadResource(module, resource);
    data = loaded != nullptr ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    if (data == nullptr) return SkinFileResult::ReadFailed;
    size = length;
    return SkinFileResult::Ok;
}

SkinFileResult ReadSkinResource(STRINGorID name, const wchar_t* type, DWORD maxSize, std::vector<BYTE>& bytes)
{
    bytes.clear();
    const BYTE* data = nullptr;
    DWORD size = 0;
    const SkinFileResult result = FindSkinResource(name, type, data, size);
    if (result != SkinFileResult::Ok) return result;
    if (size > maxSize) return SkinFileResult::TooLarge;
    bytes.assign(data, data + size);
    return SkinFileResult::Ok;
}

TImageInfo* DecodeImage(const BYTE* data, size_t size, DWORD mask)
{
    if (data == nullptr || size == 0 || size > INT_MAX) return nullptr;
    int width = 0;
    int height = 0;
    int components = 0;
    std::unique_ptr<stbi_uc, StbiDeleter> pixels(
        stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &components, 4));
    if (pixels == nullptr || width <= 0 || height <= 0) return nullptr;

    DWORD* bits = nullptr;
    ScopedBitmap bitmap = Create32BitSection(nullptr, width, height, &bits);
    if (!bitmap.Valid() || bits == nullptr) return nullptr;

    bool hasAlpha = false;
    const stbi_uc* src = pixels.get();
    DWORD* dst = bits;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; i++, src += 4) {
        DWORD r = src[0];
        DWORD g = src[1];
        DWORD b = src[2];
        const DWORD a = src[3];
        if (a < 255) {
            r = r * a / 255;
            g = g * a / 255;
            b = b * a / 255;
            hasAlpha = true;
        }
        DWORD pixel = (a << 24) | (r << 16) | (g << 8) | b;
        if (pixel == mask) {
            pixel = 0;
            hasAlpha = true;
        }
        dst[i] = pixel;
    }

    TImageInfo* image = new TImageInfo();
    image->bitmap = std::move(bitmap);
    image->width = width;
    image->height = height;
    image->hasAlpha = hasAlpha;
    image->maskColor = 0;
    return image;
}

TImageInfo* CRenderEngine::LoadImageW(STRINGorID bitmap, const wchar_t* type, DWORD mask)
{
    const wchar_t* name = bitmap.m_lpstr;
    if (name == nullptr) return nullptr;
    std::vector<BYTE> bytes;
    SkinFileResult result = type != nullptr ? ReadSkinResource(bitmap, type, kMaxImageFileSize, bytes)
                                            : ReadSkinFile(name, kMaxImageFileSize, bytes);
    // A name that is not in the skin may still be a path of its own.
    if (result != SkinFileResult::Ok && !IS_INTRESOURCE(name)) {
        result = ReadWholeFile(name, kMaxImageFileSize, bytes);
    }
    if (result != SkinFileResult::Ok) return nullptr;
    return DecodeImage(bytes.data(), bytes.size(), mask);
}

void CRenderEngine::FreeImage(TImageInfo* image)
{
    if (image == nullptr) return;
    delete image;
}

} // namespace SkinUI
