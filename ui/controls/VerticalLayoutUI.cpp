#include "ui/controls/VerticalLayoutUI.h"

#include <cwchar>

namespace SkinUI {

namespace {

const TLinearAxisUI kVerticalAxis = { true, true, L"sepheight", IDC_SIZENS };

} // namespace

CVerticalLayoutUI::CVerticalLayoutUI() : CLinearLayoutUI(kVerticalAxis)
{
}

const wchar_t* CVerticalLayoutUI::GetClass() const
{
    return L"VerticalLayoutUI";
}

LPVOID CVerticalLayoutUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"VerticalLayout") == 0) return static_cast<CVerticalLayoutUI*>(this);
    return CLinearLayoutUI::GetInterface(name);
}

void CVerticalLayoutUI::SetSepHeight(int height)
{
    m_sepSize = height;
}

int CVerticalLayoutUI::GetSepHeight() const
{
    return m_sepSize;
}

} // namespace SkinUI
