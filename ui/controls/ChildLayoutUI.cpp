#include "ui/controls/ChildLayoutUI.h"

#include "ui/controls/DialogBuilder.h"

#include <cwchar>

namespace SkinUI {

CChildLayoutUI::CChildLayoutUI() = default;

const wchar_t* CChildLayoutUI::GetClass() const
{
    return L"ChildLayoutUI";
}

LPVOID CChildLayoutUI::GetInterface(const wchar_t* name)
{
    // Its children come from its own file, never from the markup around it.
    if (wcscmp(name, L"ChildLayout") == 0) return static_cast<CChildLayoutUI*>(this);
    return CControlUI::GetInterface(name);
}

namespace {

// Child layouts inside child layouts, on this thread, being built now: a
// file that names itself stops here instead of recursing without end.
thread_local int g_nesting = 0;
const int kMaxNesting = 8;

} // namespace

void CChildLayoutUI::Init()
{
    if (!m_xmlFile.IsEmpty() && g_nesting < kMaxNesting) {
        g_nesting++;
        CDialogBuilder builder;
        CControlUI* root = builder.Create(STRINGorID(m_xmlFile.GetData()), nullptr, nullptr, m_manager, nullptr);
        // Attached again: the new tree replaces the old one.
        RemoveAll();
        if (root != nullptr) Add(root);
        g_nesting--;
    }
    CContainerUI::Init();
}

void CChildLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    if (wcscmp(name, L"xmlfile") == 0) {
        SetChildLayoutXML(value);
    } else {
        CContainerUI::SetAttribute(name, value);
    }
}

void CChildLayoutUI::SetChildLayoutXML(const wchar_t* xmlFile)
{
    m_xmlFile = xmlFile;
}

CUIString CChildLayoutUI::GetChildLayoutXML() const
{
    return m_xmlFile;
}

} // namespace SkinUI
