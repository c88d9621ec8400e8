#pragma once

#include "ui/core/UIString.h"
#include "ui/core/ZipArchive.h"

#include <windows.h>

#include <memory>

namespace SkinUI {

// The paint manager. So far only its process-wide side: where skin files
// and images are read from.
class CPaintManagerUI {
public:
    static HINSTANCE GetInstance();
    static void SetInstance(HINSTANCE hInst);
    static CUIString GetInstancePath();
    static CUIString GetCurrentPath();
    static void SetCurrentPath(const wchar_t* path);
    static HINSTANCE GetResourceDll();
    static void SetResourceDll(HINSTANCE hInst);

    static const CUIString& GetResourcePath();
    static void SetResourcePath(const wchar_t* path);
    static const CUIString& GetResourceZip();
    static bool IsCachedResourceZip();
    static ZipReader* GetResourceZipHandle();
    // An archive in the resource folder, opened once for the process when cached.
    static void SetResourceZip(const wchar_t* zipName, bool cachedResourceZip = false);
    // An archive in memory; the first one stays for the life of the process.
    static void SetResourceZip(const void* data, unsigned int length);

private:
    static HINSTANCE m_hInstance;
    static HINSTANCE m_hResourceInstance;
    static CUIString m_pStrResourcePath;
    static CUIString m_pStrResourceZip;
    static bool m_bCachedResourceZip;
    static std::unique_ptr<ZipReader> m_hResourceZip;
};

} // namespace SkinUI
