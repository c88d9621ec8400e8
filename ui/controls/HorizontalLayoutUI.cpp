#include "ui/controls/HorizontalLayoutUI.h"

#include <cwchar>

namespace SkinUI {

namespace {

const TLinearAxisUI kHorizontalAxis = { false, false, L"sepwidth", IDC_SIZEWE };

} // namespace

CHorizontalLayoutUI::CHorizontalLayoutUI() : CLinearLayoutUI(kHorizontalAxis)
{
}

const wchar_t* CHorizontalLayoutUI::GetClass() const
{
    return L"HorizontalLayoutUI";
}

LPVOID CHorizontalLayoutUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"HorizontalLayout") == 0) return static_cast<CHorizontalLayoutUI*>(this);
    return CLinearLayoutUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetSepWidth(int width)
{
    m_sepSize = width;
}

int CHorizontalLayoutUI::GetSepWidth() const
{
    return m_sepSize;
}

} // namespace SkinUI
