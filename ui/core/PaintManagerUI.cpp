#include "ui/core/PaintManagerUI.h"

namespace SkinUI {

namespace {

const wchar_t kMemoryZipName[] = L"membuffer";

} // namespace

HINSTANCE CPaintManagerUI::m_hInstance = nullptr;
HINSTANCE CPaintManagerUI::m_hResourceInstance = nullptr;
CUIString CPaintManagerUI::m_pStrResourcePath;
CUIString CPaintManagerUI::m_pStrResourceZip;
bool CPaintManagerUI::m_bCachedResourceZip = false;
std::unique_ptr<ZipReader> CPaintManagerUI::m_hResourceZip;

HINSTANCE CPaintManagerUI::GetInstance()
{
    return m_hInstance;
}

void CPaintManagerUI::SetInstance(HINSTANCE hInst)
{
    m_hInstance = hInst;
}

CUIString CPaintManagerUI::GetInstancePath()
{
    if (m_hInstance == nullptr) return CUIString();
    wchar_t moduleName[MAX_PATH + 1] = { 0 };
    ::GetModuleFileNameW(m_hInstance, moduleName, MAX_PATH);
    wchar_t* lastSlash = wcsrchr(moduleName, L'\\');
    if (lastSlash != nullptr) lastSlash[1] = L'\0';
    return CUIString(moduleName);
}

CUIString CPaintManagerUI::GetCurrentPath()
{
    wchar_t path[MAX_PATH + 1] = { 0 };
    ::GetCurrentDirectoryW(MAX_PATH, path);
    return CUIString(path);
}

void CPaintManagerUI::SetCurrentPath(const wchar_t* path)
{
    ::SetCurrentDirectoryW(path);
}

HINSTANCE CPaintManagerUI::GetResourceDll()
{
    return m_hResourceInstance != nullptr ? m_hResourceInstance : m_hInstance;
}

void CPaintManagerUI::SetResourceDll(HINSTANCE hInst)
{
    m_hResourceInstance = hInst;
}

const CUIString& CPaintManagerUI::GetResourcePath()
{
    return m_pStrResourcePath;
}

void CPaintManagerUI::SetResourcePath(const wchar_t* path)
{
    m_pStrResourcePath = path;
    if (m_pStrResourcePath.IsEmpty()) return;
    wchar_t last = m_pStrResourcePath[m_pStrResourcePath.GetLength() - 1];
    if (last != L'\\' && last != L'/') m_pStrResourcePath += L'\\';
}

const CUIString& CPaintManagerUI::GetResourceZip()
{
    return m_pStrResourceZip;
}

bool CPaintManagerUI::IsCachedResourceZip()
{
    return m_bCachedResourceZip;
}

ZipReader* CPaintManagerUI::GetResourceZipHandle()
{
    return m_hResourceZip.get();
}

void CPaintManagerUI::SetResourceZip(const wchar_t* zipName, bool cachedResourceZip)
{
    if (m_pStrResourceZip == zipName && m_bCachedResourceZip == cachedResourceZip) return;
    m_hResourceZip.reset();
    m_pStrResourceZip = zipName;
    m_bCachedResourceZip = cachedResourceZip;
    if (!cachedResourceZip || m_pStrResourceZip.IsEmpty()) return;
    CUIString path = m_pStrResourcePath;
    path += m_pStrResourceZip;
    std::unique_ptr<ZipReader> zip(new ZipReader);
    if (zip->OpenFile(path) == ZR_OK) m_hResourceZip = std::move(zip);
}

void CPaintManagerUI::SetResourceZip(const void* data, unsigned int length)
{
    if (m_pStrResourceZip == kMemoryZipName) return;
    m_hResourceZip.reset();
    m_pStrResourceZip = kMemoryZipName;
    m_bCachedResourceZip = true;
    std::unique_ptr<ZipReader> zip(new ZipReader);
    if (zip->OpenMemory(data, length) == ZR_OK) m_hResourceZip = std::move(zip);
}

} // namespace SkinUI
