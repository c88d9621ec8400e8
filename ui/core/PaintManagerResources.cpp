// The paint manager's resource registry: fonts by number, images by name,
// default attribute lists, option groups, default colours and the global
// colour adjustment. Lookups that miss continue along the parent chain.

#include "ui/core/PaintManagerUI.h"
#include "ui/core/AttributeValues.h"

#include "ui/core/ControlUI.h"
#include "ui/core/RenderEngine.h"

#include <cwctype>
#include <memory>

namespace SkinUI {

namespace {

const int kOptionGroupRoom = 6;

bool SameFont(const TFontInfo* info, const wchar_t* faceName, int size, bool bold, bool underline, bool italic)
{
    return info->faceName == (faceName != nullptr ? faceName : L"") && info->size == size && info->bold == bold
        && info->underline == underline && info->italic == italic;
}

short Clamp(short value, short low, short high)
{
    return value < low ? low : (value > high ? high : value);
}

TFontInfo* FontAt(const CStdPtrArray& fonts, int index)
{
    return static_cast<TFontInfo*>(fonts.GetAt(index));
}

} // namespace

void CPaintManagerUI::SetDefaultFontName(const wchar_t* faceName)
{
    m_pStrDefaultFontName.Assign(faceName != nullptr ? faceName : L"", LF_FACESIZE - 1);
}

void CPaintManagerUI::GetHSL(short* H, short* S, short* L)
{
    if (H != nullptr) *H = m_H;
    if (S != nullptr) *S = m_S;
    if (L != nullptr) *L = m_L;
}

void CPaintManagerUI::SetHSL(bool, short H, short S, short L)
{
    if (m_H == H && m_S == S && m_L == L) return;
    m_H = Clamp(H, 0, 360);
    m_S = Clamp(S, 0, 200);
    m_L = Clamp(L, 0, 200);
    for (int i = 0; i < m_aPreMessages.GetSize(); i++) {
        CPaintManagerUI* manager = static_cast<CPaintManagerUI*>(m_aPreMessages[i]);
        if (manager->GetRoot() != nullptr) manager->GetRoot()->Invalidate();
    }
}

void CPaintManagerUI::ReloadSkin()
{
    for (int i = 0; i < m_aPreMessages.GetSize(); i++) {
        static_cast<CPaintManagerUI*>(m_aPreMessages[i])->ReloadAllImages();
    }
}

// ---------------------------------------------------------------------------
// Parent chain and colours

bool CPaintManagerUI::UseParentResource(CPaintManagerUI* pm)
{
    for (CPaintManagerUI* p = pm; p != nullptr; p = p->m_pParentResourcePM) {
        if (p == this) return false;
    }
    m_pParentResourcePM = pm;
    return true;
}

CPaintManagerUI* CPaintManagerUI::GetParentResource() const
{
    return m_pParentResourcePM;
}

CPaintManagerUI* CPaintManagerUI::ChainTop()
{
    CPaintManagerUI* top = this;
    while (top->m_pParentResourcePM != nullptr) top = top->m_pParentResourcePM;
    return top;
}

const CPaintManagerUI* CPaintManagerUI::ChainTop() const
{
    const CPaintManagerUI* top = this;
    while (top->m_pParentResourcePM != nullptr) top = top->m_pParentResourcePM;
    return top;
}

DWORD CPaintManagerUI::GetDefaultDisabledColor() const
{
    return ChainTop()->m_dwDefaultDisabledColor;
}

void CPaintManagerUI::SetDefaultDisabledColor(DWORD dwColor)
{
    m_dwDefaultDisabledColor = dwColor;
}

DWORD CPaintManagerUI::GetDefaultFontColor() const
{
    return ChainTop()->m_dwDefaultFontColor;
}

void CPaintManagerUI::SetDefaultFontColor(DWORD dwColor)
{
    m_dwDefaultFontColor = dwColor;
}

DWORD CPaintManagerUI::GetDefaultLinkFontColor() const
{
    return ChainTop()->m_dwDefaultLinkFontColor;
}

void CPaintManagerUI::SetDefaultLinkFontColor(DWORD dwColor)
{
    m_dwDefaultLinkFontColor = dwColor;
}

DWORD CPaintManagerUI::GetDefaultLinkHoverFontColor() const
{
    return ChainTop()->m_dwDefaultLinkHoverFontColor;
}

void CPaintManagerUI::SetDefaultLinkHoverFontColor(DWORD dwColor)
{
    m_dwDefaultLinkHoverFontColor = dwColor;
}

DWORD CPaintManagerUI::GetDefaultSelectedBkColor() const
{
    return ChainTop()->m_dwDefaultSelectedBkColor;
}

void CPaintManagerUI::SetDefaultSelectedBkColor(DWORD dwColor)
{
    m_dwDefaultSelectedBkColor = dwColor;
}

// ---------------------------------------------------------------------------
// Fonts

HFONT CPaintManagerUI::CreateRegistryFont(const wchar_t* faceName, int size, bool bold, bool underline, bool italic)
{
    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(LOGFONTW), &lf);
    if (faceName != nullptr) lstrcpynW(lf.lfFaceName, faceName, LF_FACESIZE);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -size;
    // Bold adds to the system font's own weight.
    if (bold) lf.lfWeight += FW_BOLD;
    if (underline) lf.lfUnderline = TRUE;
    if (italic) lf.lfItalic = TRUE;
    return ::CreateFontIndirectW(&lf);
}

void CPaintManagerUI::MeasureFont(TFontInfo* info) const
{
    // Without a window yet, a screen-compatible context measures as well.
    ScopedCreatedDC memoryDc;
    HDC hDC = m_hDcPaint.Get();
    if (hDC == nullptr) {
        memoryDc.Reset(::CreateCompatibleDC(nullptr));
        hDC = memoryDc.Get();
    }
    if (hDC == nullptr) return;
    ScopedSelectObject select(hDC, info->font.Get());
    ::GetTextMetricsW(hDC, &info->metrics);
}

TFontInfo* CPaintManagerUI::GetDefaultFontInfo()
{
    CPaintManagerUI* top = ChainTop();
    if (top->m_DefaultFontInfo.metrics.tmHeight == 0) MeasureFont(&top->m_DefaultFontInfo);
    return &top->m_DefaultFontInfo;
}

void CPaintManagerUI::SetDefaultFont(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline,
    bool bItalic)
{
    ScopedFont font(CreateRegistryFont(pStrFontName, nSize, bBold, bUnderline, bItalic));
    if (!font) return;
    m_DefaultFontInfo.font = std::move(font);
    m_DefaultFontInfo.faceName = pStrFontName != nullptr ? pStrFontName : L"";
    m_DefaultFontInfo.size = nSize;
    m_DefaultFontInfo.bold = bBold;
    m_DefaultFontInfo.underline = bUnderline;
    m_DefaultFontInfo.italic = bItalic;
    m_DefaultFontInfo.metrics = TEXTMETRICW();
    if (m_hDcPaint) MeasureFont(&m_DefaultFontInfo);
}

int CPaintManagerUI::GetCustomFontCount() const
{
    return m_aCustomFonts.GetSize();
}

HFONT CPaintManagerUI::AddFont(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic)
{
    return AddFontAt(m_aCustomFonts.GetSize(), pStrFontName, nSize, bBold, bUnderline, bItalic);
}

HFONT CPaintManagerUI::AddFontAt(int index, const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline,
    bool bItalic)
{
    if (index < 0 || index > m_aCustomFonts.GetSize()) return nullptr;
    ScopedFont font(CreateRegistryFont(pStrFontName, nSize, bBold, bUnderline, bItalic));
    if (!font) return nullptr;
    std::unique_ptr<TFontInfo> info(new TFontInfo());
    HFONT handle = font.Get();
    info->font = std::move(font);
    info->faceName = pStrFontName != nullptr ? pStrFontName : L"";
    info->size = nSize;
    info->bold = bBold;
    info->underline = bUnderline;
    info->italic = bItalic;
    if (m_hDcPaint) MeasureFont(info.get());
    if (!m_aCustomFonts.InsertAt(index, info.get())) return nullptr;
    info.release();
    return handle;
}

HFONT CPaintManagerUI::GetFont(int index)
{
    for (CPaintManagerUI* pm = this; pm != nullptr; pm = pm->m_pParentResourcePM) {
        if (index >= 0 && index < pm->m_aCustomFonts.GetSize()) return FontAt(pm->m_aCustomFonts, index)->font.Get();
    }
    return ChainTop()->m_DefaultFontInfo.font.Get();
}

HFONT CPaintManagerUI::GetFont(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic)
{
    for (CPaintManagerUI* pm = this; pm != nullptr; pm = pm->m_pParentResourcePM) {
        for (int i = 0; i < pm->m_aCustomFonts.GetSize(); i++) {
            TFontInfo* info = FontAt(pm->m_aCustomFonts, i);
            if (SameFont(info, pStrFontName, nSize, bBold, bUnderline, bItalic)) return info->font.Get();
        }
    }
    return nullptr;
}

bool CPaintManagerUI::FindFont(HFONT hFont)
{
    for (CPaintManagerUI* pm = this; pm != nullptr; pm = pm->m_pParentResourcePM) {
        for (int i = 0; i < pm->m_aCustomFonts.GetSize(); i++) {
            if (FontAt(pm->m_aCustomFonts, i)->font.Get() == hFont) return true;
        }
    }
    return false;
}

bool CPaintManagerUI::FindFont(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic)
{
    return GetFont(pStrFontName, nSize, bBold, bUnderline, bItalic) != nullptr;
}

int CPaintManagerUI::GetFontIndex(HFONT hFont)
{
    for (int i = 0; i < m_aCustomFonts.GetSize(); i++) {
        if (FontAt(m_aCustomFonts, i)->font.Get() == hFont) return i;
    }
    return -1;
}

int CPaintManagerUI::GetFontIndex(const wchar_t* pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic)
{
    for (int i = 0; i < m_aCustomFonts.GetSize(); i++) {
        if (SameFont(FontAt(m_aCustomFonts, i), pStrFontName, nSize, bBold, bUnderline, bItalic)) return i;
    }
    return -1;
}

bool CPaintManagerUI::RemoveFont(HFONT hFont)
{
    int index = GetFontIndex(hFont);
    return index >= 0 && RemoveFontAt(index);
}

bool CPaintManagerUI::RemoveFontAt(int index)
{
    if (index < 0 || index >= m_aCustomFonts.GetSize()) return false;
    delete FontAt(m_aCustomFonts, index);
    return m_aCustomFonts.Remove(index);
}

void CPaintManagerUI::RemoveAllFonts()
{
    for (int i = 0; i < m_aCustomFonts.GetSize(); i++) delete FontAt(m_aCustomFonts, i);
    m_aCustomFonts.Empty();
}

TFontInfo* CPaintManagerUI::GetFontInfo(int index)
{
    if (index < 0 || index >= m_aCustomFonts.GetSize()) return GetDefaultFontInfo();
    TFontInfo* info = FontAt(m_aCustomFonts, index);
    if (info->metrics.tmHeight == 0) MeasureFont(info);
    return info;
}

TFontInfo* CPaintManagerUI::GetFontInfo(HFONT hFont)
{
    for (CPaintManagerUI* pm = this; pm != nullptr; pm = pm->m_pParentResourcePM) {
        for (int i = 0; i < pm->m_aCustomFonts.GetSize(); i++) {
            TFontInfo* info = FontAt(pm->m_aCustomFonts, i);
            if (info->font.Get() != hFont) continue;
            if (info->metrics.tmHeight == 0) pm->MeasureFont(info);
            return info;
        }
    }
    return GetDefaultFontInfo();
}

// ---------------------------------------------------------------------------
// Images

TImageInfo* CPaintManagerUI::GetImage(const wchar_t* bitmap)
{
    if (bitmap == nullptr) return nullptr;
    for (CPaintManagerUI* pm = this; pm != nullptr; pm = pm->m_pParentResourcePM) {
        TImageInfo* data = static_cast<TImageInfo*>(pm->m_mImageHash.Find(bitmap));
        if (data != nullptr) return data;
    }
    return nullptr;
}

TImageInfo* CPaintManagerUI::GetImageEx(const wchar_t* bitmap, const wchar_t* type, DWORD mask)
{
    if (bitmap == nullptr) return nullptr;
    TImageInfo* data = static_cast<TImageInfo*>(m_mImageHash.Find(bitmap));
    if (data != nullptr) return data;
    return AddImage(bitmap, type, mask);
}

TImageInfo* CPaintManagerUI::AddImage(const wchar_t* bitmap, const wchar_t* type, DWORD mask)
{
    if (bitmap == nullptr || bitmap[0] == L'\0') return nullptr;
    TImageInfo* data = nullptr;
    bool typed = type != nullptr && type[0] != L'\0';
    if (typed) {
        // A typed image is a module resource named by its decimal identifier.
        if (!iswdigit(bitmap[0])) return nullptr;
        data = CRenderEngine::LoadImageW(STRINGorID(ReadResourceId(bitmap)), type, mask);
    } else {
        data = CRenderEngine::LoadImageW(STRINGorID(bitmap), nullptr, mask);
    }
    if (data == nullptr) return nullptr;
    data->resourceType = typed ? type : L"";
    data->maskColor = mask;
    if (!m_mImageHash.Insert(bitmap, data)) {
        // Already registered: controls may hold the registered record, so it
        // stays and the new load goes.
        CRenderEngine::FreeImage(data);
        return static_cast<TImageInfo*>(m_mImageHash.Find(bitmap));
    }
    return data;
}

TImageInfo* CPaintManagerUI::AddImage(const wchar_t* bitmap, HBITMAP hBitmap, int iWidth, int iHeight, bool bAlpha)
{
    if (bitmap == nullptr || bitmap[0] == L'\0' || hBitmap == nullptr || iWidth <= 0 || iHeight <= 0) {
        return nullptr;
    }
    TImageInfo* registered = static_cast<TImageInfo*>(m_mImageHash.Find(bitmap));
    if (registered != nullptr) {
        // The registered image stays; the bitmap given now is released,
        // unless it is the very one the registered image draws with.
        if (registered->bitmap.Get() != hBitmap) ScopedBitmap(hBitmap).Reset();
        return registered;
    }
    std::unique_ptr<TImageInfo> data(new TImageInfo());
    data->bitmap.Reset(hBitmap);
    data->width = iWidth;
    data->height = iHeight;
    data->hasAlpha = bAlpha;
    data->maskColor = 0;
    if (!m_mImageHash.Insert(bitmap, data.get())) return nullptr;
    return data.release();
}

bool CPaintManagerUI::RemoveImage(const wchar_t* bitmap)
{
    if (bitmap == nullptr) return false;
    TImageInfo* data = static_cast<TImageInfo*>(m_mImageHash.Find(bitmap));
    if (data == nullptr) return false;
    CRenderEngine::FreeImage(data);
    return m_mImageHash.Remove(bitmap);
}

void CPaintManagerUI::RemoveAllImages()
{
    for (int i = 0; i < m_mImageHash.GetSize(); i++) {
        const wchar_t* key = m_mImageHash.GetAt(i);
        if (key == nullptr) continue;
        TImageInfo* data = static_cast<TImageInfo*>(m_mImageHash.Find(key, false));
        if (data != nullptr) CRenderEngine::FreeImage(data);
    }
    m_mImageHash.RemoveAll();
}

void CPaintManagerUI::ReloadAllImages()
{
    bool reloaded = false;
    for (int i = 0; i < m_mImageHash.GetSize(); i++) {
        const wchar_t* key = m_mImageHash.GetAt(i);
        if (key == nullptr) continue;
        TImageInfo* data = static_cast<TImageInfo*>(m_mImageHash.Find(key, false));
        if (data == nullptr) continue;
        TImageInfo* fresh = nullptr;
        if (data->resourceType.IsEmpty()) {
            fresh = CRenderEngine::LoadImageW(STRINGorID(key), nullptr, data->maskColor);
        } else if (iswdigit(key[0])) {
            fresh = CRenderEngine::LoadImageW(
                STRINGorID(ReadResourceId(key)), data->resourceType.GetData(), data->maskColor);
        }
        if (fresh == nullptr) continue;
        // In place, so that controls holding the record see the new image.
        data->bitmap = std::move(fresh->bitmap);
        data->width = fresh->width;
        data->height = fresh->height;
        data->hasAlpha = fresh->hasAlpha;
        CRenderEngine::FreeImage(fresh);
        reloaded = true;
    }
    if (reloaded && m_pRoot != nullptr) m_pRoot->Invalidate();
}

// ---------------------------------------------------------------------------
// Default attribute lists

void CPaintManagerUI::AddDefaultAttributeList(const wchar_t* pStrControlName, const wchar_t* pStrControlAttrList)
{
    if (pStrControlName == nullptr || pStrControlAttrList == nullptr) return;
    if (m_DefaultAttrHash.Find(pStrControlName) != nullptr) return;
    std::unique_ptr<CUIString> list(new CUIString(pStrControlAttrList));
    if (m_DefaultAttrHash.Insert(pStrControlName, list.get())) list.release();
}

const wchar_t* CPaintManagerUI::GetDefaultAttributeList(const wchar_t* pStrControlName) const
{
    if (pStrControlName == nullptr) return nullptr;
    for (const CPaintManagerUI* pm = this; pm != nullptr; pm = pm->m_pParentResourcePM) {
        const CUIString* list = static_cast<const CUIString*>(pm->m_DefaultAttrHash.Find(pStrControlName));
        if (list != nullptr) return list->GetData();
    }
    return nullptr;
}

bool CPaintManagerUI::RemoveDefaultAttributeList(const wchar_t* pStrControlName)
{
    if (pStrControlName == nullptr) return false;
    CUIString* list = static_cast<CUIString*>(m_DefaultAttrHash.Find(pStrControlName));
    if (list == nullptr) return false;
    delete list;
    return m_DefaultAttrHash.Remove(pStrControlName);
}

const CStdStringPtrMap& CPaintManagerUI::GetDefaultAttribultes() const
{
    return m_DefaultAttrHash;
}

void CPaintManagerUI::RemoveAllDefaultAttributeList()
{
    for (int i = 0; i < m_DefaultAttrHash.GetSize(); i++) {
        const wchar_t* key = m_DefaultAttrHash.GetAt(i);
        if (key != nullptr) delete static_cast<CUIString*>(m_DefaultAttrHash.Find(key, false));
    }
    m_DefaultAttrHash.RemoveAll();
}

// ---------------------------------------------------------------------------
// Option groups

bool CPaintManagerUI::AddOptionGroup(const wchar_t* pStrGroupName, CControlUI* pControl)
{
    if (pStrGroupName == nullptr || pControl == nullptr) return false;
    CStdPtrArray* group = static_cast<CStdPtrArray*>(m_mOptionGroup.Find(pStrGroupName));
    if (group != nullptr) {
        if (group->Find(pControl) >= 0) return false;
        return group->Add(pControl);
    }
    std::unique_ptr<CStdPtrArray> created(new CStdPtrArray(kOptionGroupRoom));
    if (!created->Add(pControl) || !m_mOptionGroup.Insert(pStrGroupName, created.get())) return false;
    created.release();
    return true;
}

CStdPtrArray* CPaintManagerUI::GetOptionGroup(const wchar_t* pStrGroupName)
{
    if (pStrGroupName == nullptr) return nullptr;
    return static_cast<CStdPtrArray*>(m_mOptionGroup.Find(pStrGroupName));
}

void CPaintManagerUI::RemoveOptionGroup(const wchar_t* pStrGroupName, CControlUI* pControl)
{
    CStdPtrArray* group = GetOptionGroup(pStrGroupName);
    if (group == nullptr) return;
    int index = group->Find(pControl);
    if (index >= 0) group->Remove(index);
    if (group->IsEmpty()) {
        delete group;
        m_mOptionGroup.Remove(pStrGroupName);
    }
}

void CPaintManagerUI::RemoveAllOptionGroups()
{
    for (int i = 0; i < m_mOptionGroup.GetSize(); i++) {
        const wchar_t* key = m_mOptionGroup.GetAt(i);
        if (key != nullptr) delete static_cast<CStdPtrArray*>(m_mOptionGroup.Find(key, false));
    }
    m_mOptionGroup.RemoveAll();
}

} // namespace SkinUI
