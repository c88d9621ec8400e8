#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ui/core/Markup.h"
#include "ui/core/PaintManagerUI.h"
#include "tests/support/TestSupport.h"
#include "tests/ui_core/UiCoreTestHelpers.h"

using namespace SkinUI;

namespace {

std::wstring LoadError(const wchar_t* file, int encoding = XMLFILE_ENCODING_UTF8)
{
    CMarkup markup;
    if (markup.LoadFromFile(file, encoding)) return std::wstring();
    wchar_t message[100] = { 0 };
    markup.GetLastErrorMessage(message, 99);
    return message;
}

void ExpectSkin(const wchar_t* file)
{
    CMarkup markup;
    ASSERT_TRUE(markup.LoadFromFile(file)) << "loading " << std::string(file, file + wcslen(file));
    CMarkupNode root = markup.GetRoot();
    EXPECT_STREQ(L"Window", root.GetName());
    CMarkupNode label = root.GetChild(L"VerticalLayout").GetChild(L"Label");
    EXPECT_STREQ(L"Tom & Jerry", label.GetAttributeValue(L"text"));
    EXPECT_STREQ(L"\u5173\u95ed", label.GetSibling().GetAttributeValue(L"text"));
}

} // namespace

TEST(ResourceSettings, PathsInstanceAndResourceDll)
{
    CPaintManagerUI::SetResourcePath(L"C:\\skins");
    EXPECT_STREQ(L"C:\\skins\\", CPaintManagerUI::GetResourcePath());
    CPaintManagerUI::SetResourcePath(L"C:/skins/");
    EXPECT_STREQ(L"C:/skins/", CPaintManagerUI::GetResourcePath());
    CPaintManagerUI::SetResourcePath(L"D:\\skin\\");
    EXPECT_STREQ(L"D:\\skin\\", CPaintManagerUI::GetResourcePath());
    CPaintManagerUI::SetResourcePath(L"");
    EXPECT_STREQ(L"", CPaintManagerUI::GetResourcePath());
    CPaintManagerUI::SetResourcePath(nullptr);
    EXPECT_STREQ(L"", CPaintManagerUI::GetResourcePath());

    CPaintManagerUI::SetInstance(nullptr);
    EXPECT_TRUE(CPaintManagerUI::GetInstancePath().IsEmpty());
    HINSTANCE self = GetModuleHandleW(nullptr);
    CPaintManagerUI::SetInstance(self);
    EXPECT_EQ(self, CPaintManagerUI::GetInstance());
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(self, module, MAX_PATH);
    std::wstring folder(module);
    folder.resize(folder.rfind(L'\\') + 1);
    EXPECT_EQ(folder, CPaintManagerUI::GetInstancePath().GetData());

    EXPECT_EQ(self, CPaintManagerUI::GetResourceDll());
    HINSTANCE other = GetModuleHandleW(L"kernel32.dll");
    CPaintManagerUI::SetResourceDll(other);
    EXPECT_EQ(other, CPaintManagerUI::GetResourceDll());
    CPaintManagerUI::SetResourceDll(nullptr);

    std::wstring temp = Widen(TestTempDir());
    CPaintManagerUI::SetCurrentPath(temp.c_str());
    EXPECT_EQ(0, CPaintManagerUI::GetCurrentPath().CompareNoCase(temp.c_str()));
}

TEST(ResourceLoad, FromFolder)
{
    CPaintManagerUI::SetResourceZip(L"", false);
    CPaintManagerUI::SetResourcePath(DataPath("skin").c_str());
    ExpectSkin(L"update.xml");
    EXPECT_EQ(L"Error opening file", LoadError(L"missing.xml"));
    EXPECT_EQ(L"File is empty", LoadError(L"empty.xml"));
    EXPECT_EQ(L"", LoadError(L"exact.xml"));
    EXPECT_EQ(L"File too large", LoadError(L"over.xml"));
    EXPECT_EQ(L"", LoadError(L"utf16le.xml", XMLFILE_ENCODING_UNICODE));
    EXPECT_EQ(L"Missing UTF-16 byte-order mark", LoadError(L"update.xml", XMLFILE_ENCODING_UNICODE));

    CMarkup reused;
    ASSERT_TRUE(reused.LoadFromFile(L"update.xml"));
    EXPECT_FALSE(reused.LoadFromFile(L"missing.xml"));
    EXPECT_FALSE(reused.IsValid());
}

TEST(ResourceLoad, FromUncachedAndCachedArchive)
{
    CPaintManagerUI::SetResourcePath(Widen(TestDataDir()).c_str());
    for (bool cached : { false, true }) {
        CPaintManagerUI::SetResourceZip(L"skin.zip", cached);
        EXPECT_STREQ(L"skin.zip", CPaintManagerUI::GetResourceZip());
        EXPECT_EQ(cached, CPaintManagerUI::IsCachedResourceZip());
        EXPECT_EQ(cached, CPaintManagerUI::GetResourceZipHandle() != nullptr);
        ExpectSkin(L"update.xml");
        ExpectSkin(L"stored.xml");
        ExpectSkin(L"SUB\\menu.xml");
        ExpectSkin(L"update.xml");
        EXPECT_EQ(L"Could not find ziped file", LoadError(L"missing.xml"));
        EXPECT_EQ(L"File is empty", LoadError(L"empty.xml"));
        EXPECT_EQ(L"", LoadError(L"big\\exact.xml"));
        EXPECT_EQ(L"File too large", LoadError(L"big/over.xml"));
    }
    ZipReader* handle = CPaintManagerUI::GetResourceZipHandle();
    CPaintManagerUI::SetResourceZip(L"skin.zip", true);
    EXPECT_EQ(handle, CPaintManagerUI::GetResourceZipHandle());

    CPaintManagerUI::SetResourceZip(L"missing.zip", false);
    EXPECT_EQ(L"Error opening zip file", LoadError(L"update.xml"));
    CPaintManagerUI::SetResourceZip(L"missing.zip", true);
    EXPECT_EQ(nullptr, CPaintManagerUI::GetResourceZipHandle());
    EXPECT_EQ(L"Error opening zip file", LoadError(L"update.xml"));
    CPaintManagerUI::SetResourceZip(L"prefixed.zip", false);
    ExpectSkin(L"update.xml");
    CPaintManagerUI::SetResourceZip(L"", false);
}

TEST(ResourceLoad, DamagedMemberCannotBeUnzipped)
{
    std::string bytes = ReadFixture("plain.zip");
    // Corrupt the deflate data of update.xml (it starts after the 40-byte local header).
    for (size_t i = 45; i < 70; i++) bytes[i] = static_cast<char>(bytes[i] ^ 0x33);
    ASSERT_TRUE(WriteFileBytes(TestTempDir() + "\\damaged.zip", bytes));
    CPaintManagerUI::SetResourcePath(Widen(TestTempDir()).c_str());
    CPaintManagerUI::SetResourceZip(L"damaged.zip", false);
    EXPECT_EQ(L"Could not unzip file", LoadError(L"update.xml"));
    CPaintManagerUI::SetResourceZip(L"", false);
}

TEST(ResourceLoad, FirstMemoryArchiveStaysForTheProcess)
{
    static std::string first = ReadFixture("skin.zip");
    static std::string second = ReadFixture("plain.zip");
    CPaintManagerUI::SetResourcePath(L"");
    CPaintManagerUI::SetResourceZip(first.data(), static_cast<unsigned int>(first.size()));
    EXPECT_STREQ(L"membuffer", CPaintManagerUI::GetResourceZip());
    EXPECT_TRUE(CPaintManagerUI::IsCachedResourceZip());
    ZipReader* handle = CPaintManagerUI::GetResourceZipHandle();
    ASSERT_NE(nullptr, handle);
    ExpectSkin(L"Sub/Menu.xml");

    CPaintManagerUI::SetResourceZip(second.data(), static_cast<unsigned int>(second.size()));
    EXPECT_EQ(handle, CPaintManagerUI::GetResourceZipHandle());
    // Only the first archive has this member.
    ExpectSkin(L"stored.xml");
    EXPECT_EQ(L"Could not find ziped file", LoadError(L"skin/stored.txt"));
}

TEST(ResourceLoad, ArchiveFromModuleResource)
{
    // The test program carries skin.zip as a "ZIPRES" resource, the way a
    // skinned window installs its archive from the program's resources.
    HINSTANCE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, L"SKINZIP", L"ZIPRES");
    ASSERT_NE(nullptr, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    DWORD size = SizeofResource(module, resource);
    ASSERT_GT(size, 0u);
    static std::string buffer(static_cast<const char*>(LockResource(loaded)), size);
    CPaintManagerUI::SetResourceZip(buffer.data(), size);
    ExpectSkin(L"update.xml");
}
