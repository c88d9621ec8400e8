#include "app/MenuLayout.h"

#include <cwchar>

const wchar_t* CMenuLayout::GetClass() const
{
    return L"MenuLayout";
}

void CMenuLayout::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (wcscmp(name, L"imagetop") == 0) {
        imageTop_ = value;
    } else if (wcscmp(name, L"imagemid") == 0) {
        imageMid_ = value;
    } else if (wcscmp(name, L"imagebottom") == 0) {
        imageBottom_ = value;
    } else {
        CVerticalLayoutUI::SetAttribute(name, value);
    }
}

void CMenuLayout::PaintBkImage(HDC hDC)
{
    for (SkinUI::CUIString* image : {&imageTop_, &imageMid_, &imageBottom_}) {
        if (!image->IsEmpty() && !DrawImage(hDC, image->GetData()))
            image->Empty();
    }
}
