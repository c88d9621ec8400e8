#include "ui/controls/OptionUI.h"

#include "ui/core/AttributeValues.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderEngine.h"

namespace SkinUI {

COptionUI::COptionUI() : m_selected(false), m_selectedBkColor(0), m_selectedTextColor(0)
{
}

COptionUI::~COptionUI()
{
    // The manager's group must not keep a pointer to a deleted option.
    if (!m_group.IsEmpty() && m_manager != nullptr) m_manager->RemoveOptionGroup(m_group.GetData(), this);
}

const wchar_t* COptionUI::GetClass() const
{
    return L"OptionUI";
}

LPVOID COptionUI::GetInterface(const wchar_t* name)
{
    if (name != nullptr && wcscmp(name, L"Option") == 0) return this;
    return CButtonUI::GetInterface(name);
}

bool COptionUI::Activate()
{
    if (!CButtonUI::Activate()) return false;
    // A radio option stays selected when clicked again; a lone one toggles.
    Selected(m_group.IsEmpty() ? !m_selected : true, true);
    return true;
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init)
{
    if (m_manager != nullptr && m_manager != manager && !m_group.IsEmpty()) {
        m_manager->RemoveOptionGroup(m_group.GetData(), this);
    }
    CButtonUI::SetManager(manager, parent, init);
    if (init && m_manager != nullptr && !m_group.IsEmpty()) m_manager->AddOptionGroup(m_group.GetData(), this);
}

CUIString COptionUI::GetToolTip() const
{
    return m_selected ? m_toolTip2 : CButtonUI::GetToolTip();
}

void COptionUI::SetEnabled(bool enable)
{
    CControlUI::SetEnabled(enable);
    if (!IsEnabled()) m_buttonState &= UISTATE_SELECTED;
}

void COptionUI::Selected(bool select, bool notify)
{
    if (m_selected == select) return;
    m_selected = select;
    if (m_selected) {
        m_buttonState |= UISTATE_SELECTED;
    } else {
        m_buttonState &= ~UISTATE_SELECTED;
    }
    if (m_manager != nullptr) {
        if (!m_group.IsEmpty()) {
            if (m_selected) {
                CStdPtrArray* group = m_manager->GetOptionGroup(m_group.GetData());
                for (int i = 0; group != nullptr && i < group->GetSize(); i++) {
                    auto* control = static_cast<CControlUI*>(group->GetAt(i));
                    auto* option = static_cast<COptionUI*>(control->GetInterface(L"Option"));
                    if (option != nullptr && option != this) option->Selected(false, true);
                }
                if (notify) m_manager->SendNotify(this, L"selectchanged");
            }
        } else if (notify) {
            m_manager->SendNotify(this, L"selectchanged");
        }
    }
    Invalidate();
}

const wchar_t* COptionUI::GetGroup() const
{
    return m_group.GetData();
}

void COptionUI::SetGroup(const wchar_t* group)
{
    const wchar_t* name = group != nullptr ? group : L"";
    if (m_group == name) return;
    if (!m_group.IsEmpty() && m_manager != nullptr) m_manager->RemoveOptionGroup(m_group.GetData(), this);
    m_group = name;
    if (!m_group.IsEmpty() && m_manager != nullptr) m_manager->AddOptionGroup(m_group.GetData(), this);
}

bool COptionUI::IsSelected() const
{
    return m_selected;
}

void COptionUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    const CUIString key(name);
    if (key == L"group") {
        SetGroup(value);
    } else if (key == L"selected") {
        // The skin's initial state: the builder applies attributes with the
        // manager lent to the control, and nobody is to hear about it.
        Selected(ReadBoolValue(value), false);
    } else if (key == L"selectedimage") {
        SetSelectedImage(value);
    } else if (key == L"selectedhotimage") {
        SetSelectedHotImage(value);
    } else if (key == L"foreimage") {
        SetForeImage(value);
    } else if (key == L"selectedbkcolor") {
        SetSelectedBkColor(ReadColorValue(value));
    } else if (key == L"selectedtextcolor") {
        SetSelectedTextColor(ReadColorValue(value));
    } else if (key == L"tooltip2") {
        SetToolTip2(value);
    } else {
        CButtonUI::SetAttribute(name, value);
    }
}

void COptionUI::PaintStatusImage(HDC hDC)
{
    // Options never show the pushed image.
    m_buttonState &= ~UISTATE_PUSHED;
    if ((m_buttonState & UISTATE_HOT) != 0 && m_selected && !m_selectedHotImage.IsEmpty()) {
        if (!DrawStateImage(hDC, m_selectedHotImage)) CButtonUI::PaintStatusImage(hDC);
    } else if (m_selected) {
        if (!m_selectedImage.IsEmpty()) {
            if (!DrawStateImage(hDC, m_selectedImage)) CButtonUI::PaintStatusImage(hDC);
        } else if (m_selectedBkColor != 0) {
            CRenderEngine::DrawColor(hDC, m_paintRect, GetAdjustColor(m_selectedBkColor));
            return;
        } else {
            CButtonUI::PaintStatusImage(hDC);
        }
    } else {
        CButtonUI::PaintStatusImage(hDC);
    }
    if (!m_optionForeImage.IsEmpty()) DrawStateImage(hDC, m_optionForeImage);
}

void COptionUI::PaintText(HDC hDC)
{
    if (!m_selected) {
        CButtonUI::PaintText(hDC);
        return;
    }
    if (m_manager == nullptr) return;
    const DWORD savedColor = m_textColor;
    if (m_selectedTextColor != 0) m_textColor = m_selectedTextColor;
    ApplyDefaultColors();
    if (!m_text.IsEmpty()) PaintButtonText(hDC, IsEnabled() ? m_textColor : m_disabledTextColor);
    m_textColor = savedColor;
}

const wchar_t* COptionUI::GetSelectedImage() const
{
    return m_selectedImage.GetData();
}

void COptionUI::SetSelectedImage(const wchar_t* image)
{
    m_selectedImage = image != nullptr ? image : L"";
    Invalidate();
}

const wchar_t* COptionUI::GetSelectedHotImage() const
{
    return m_selectedHotImage.GetData();
}

void COptionUI::SetSelectedHotImage(const wchar_t* image)
{
    m_selectedHotImage = image != nullptr ? image : L"";
    Invalidate();
}

const wchar_t* COptionUI::GetForeImage() const
{
    return m_optionForeImage.GetData();
}

void COptionUI::SetForeImage(const wchar_t* image)
{
    m_optionForeImage = image != nullptr ? image : L"";
    Invalidate();
}

void COptionUI::SetSelectedTextColor(DWORD color)
{
    m_selectedTextColor = color;
}

DWORD COptionUI::GetSelectedTextColor()
{
    if (m_selectedTextColor == 0 && m_manager != nullptr) m_selectedTextColor = m_manager->GetDefaultFontColor();
    return m_selectedTextColor;
}

void COptionUI::SetSelectedBkColor(DWORD color)
{
    m_selectedBkColor = color;
}

DWORD COptionUI::GetSelectBkColor() const
{
    return m_selectedBkColor;
}

void COptionUI::SetToolTip2(const wchar_t* text)
{
    m_toolTip2 = text != nullptr ? text : L"";
    m_toolTip2.Replace(L"<n>", L"\r\n");
}

CCheckBoxUI::CCheckBoxUI() = default;

CCheckBoxUI::~CCheckBoxUI() = default;

const wchar_t* CCheckBoxUI::GetClass() const
{
    return L"CheckBoxUI";
}

void CCheckBoxUI::SetCheck(bool check)
{
    Selected(check, true);
}

bool CCheckBoxUI::GetCheck() const
{
    return IsSelected();
}

} // namespace SkinUI
