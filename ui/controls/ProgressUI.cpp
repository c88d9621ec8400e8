#include "ui/controls/ProgressUI.h"

#include "ui/core/AttributeValues.h"
#include "ui/core/RenderEngine.h"

#include <algorithm>
#include <climits>

namespace SkinUI {

namespace {

// The numbers of the first non-empty dest='l,t,r,b' item of an image
// descriptor, read with the descriptor grammar.
bool FindDest(const wchar_t* descriptor, RECT& dest)
{
    CDescriptorReader reader(descriptor);
    CUIString key;
    CUIString value;
    while (reader.Next(key, value)) {
        if (key == L"dest" && !value.IsEmpty()) {
            dest = ReadNumberList(value);
            return true;
        }
    }
    return false;
}

// part * size / whole without overflow, truncated.
int Scale(long long part, int size, long long whole)
{
    return static_cast<int>(part * size / whole);
}

} // namespace

CProgressUI::CProgressUI()
    : m_horizontal(true), m_stretchForeImage(true), m_maxValue(100), m_minValue(0), m_value(0)
{
    m_textStyle = DT_CENTER | DT_SINGLELINE;
    m_fixedSize.cy = 12;
}

CProgressUI::~CProgressUI() = default;

const wchar_t* CProgressUI::GetClass() const
{
    return L"ProgressUI";
}

LPVOID CProgressUI::GetInterface(const wchar_t* name)
{
    if (name != nullptr && wcscmp(name, L"Progress") == 0) return this;
    return CLabelUI::GetInterface(name);
}

void CProgressUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    const CUIString key(name);
    if (key == L"foreimage") {
        SetForeImage(value);
    } else if (key == L"disabledimage") {
        SetDisabledImage(value);
    } else if (key == L"disabledforeimage") {
        SetDisabledForeImage(value);
    } else if (key == L"hor") {
        SetHorizontal(ReadBoolValue(value));
    } else if (key == L"min") {
        SetMinValue(ReadIntValue(value));
    } else if (key == L"max") {
        SetMaxValue(ReadIntValue(value));
    } else if (key == L"value") {
        SetValue(ReadIntValue(value));
    } else if (key == L"isstretchfore") {
        SetStretchForeImage(ReadBoolValue(value));
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CProgressUI::PaintBkImage(HDC hDC)
{
    if (!IsEnabled() && !m_progressDisabledImage.IsEmpty()) {
        if (!DrawImage(hDC, m_progressDisabledImage.GetData())) m_progressDisabledImage.Empty();
        return;
    }
    CLabelUI::PaintBkImage(hDC);
}

void CProgressUI::PaintStatusImage(HDC hDC)
{
    if (m_minValue == INT_MAX) m_minValue = INT_MAX - 1;
    if (m_minValue >= m_maxValue) m_maxValue = m_minValue + 1;
    m_value = std::clamp(m_value, m_minValue, m_maxValue);

    CUIString& image = (!IsEnabled() && !m_disabledForeImage.IsEmpty()) ? m_disabledForeImage : m_progressForeImage;
    RECT dest = { 0, 0, 0, 0 };
    const bool hasDest = FindDest(image.GetData(), dest);

    const int width = m_itemRect.right - m_itemRect.left;
    const int height = m_itemRect.bottom - m_itemRect.top;
    // 64-bit products: the range may span the whole int range.
    const long long range = static_cast<long long>(m_maxValue) - m_minValue;
    RECT fill;
    if (m_horizontal) {
        fill.left = 0;
        fill.right = Scale(static_cast<long long>(m_value) - m_minValue, width, range);
        fill.top = hasDest ? dest.top : 0;
        fill.bottom = hasDest ? dest.bottom : height;
    } else {
        fill.top = Scale(static_cast<long long>(m_maxValue) - m_value, height, range);
        fill.bottom = height;
        fill.left = hasDest ? dest.left : 0;
        fill.right = hasDest ? dest.right : width;
    }
    if (m_stretchForeImage) {
        m_foreImageModify.SmallFormat(L"dest='%d,%d,%d,%d'", static_cast<int>(fill.left), static_cast<int>(fill.top),
                                      static_cast<int>(fill.right), static_cast<int>(fill.bottom));
    } else {
        m_foreImageModify.SmallFormat(L"dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", static_cast<int>(fill.left),
                                      static_cast<int>(fill.top), static_cast<int>(fill.right),
                                      static_cast<int>(fill.bottom), static_cast<int>(fill.left),
                                      static_cast<int>(fill.top), static_cast<int>(fill.right),
                                      static_cast<int>(fill.bottom));
    }
    if (image.IsEmpty()) return;
    if (!DrawImage(hDC, image.GetData(), m_foreImageModify.GetData())) image.Empty();
}

bool CProgressUI::IsHorizontal() const
{
    return m_horizontal;
}

void CProgressUI::SetHorizontal(bool horizontal)
{
    if (m_horizontal == horizontal) return;
    m_horizontal = horizontal;
    Invalidate();
}

bool CProgressUI::IsStretchForeImage() const
{
    return m_stretchForeImage;
}

void CProgressUI::SetStretchForeImage(bool stretch)
{
    if (m_stretchForeImage == stretch) return;
    m_stretchForeImage = stretch;
    Invalidate();
}

int CProgressUI::GetMinValue() const
{
    return m_minValue;
}

void CProgressUI::SetMinValue(int min)
{
    m_minValue = min;
    Invalidate();
}

int CProgressUI::GetMaxValue() const
{
    return m_maxValue;
}

void CProgressUI::SetMaxValue(int max)
{
    m_maxValue = max;
    Invalidate();
}

int CProgressUI::GetValue() const
{
    return m_value;
}

void CProgressUI::SetValue(int value)
{
    m_value = value;
    Invalidate();
}

const wchar_t* CProgressUI::GetForeImage() const
{
    return m_progressForeImage.GetData();
}

void CProgressUI::SetForeImage(const wchar_t* image)
{
    const wchar_t* text = image != nullptr ? image : L"";
    if (m_progressForeImage == text) return;
    m_progressForeImage = text;
    Invalidate();
}

void CProgressUI::SetDisabledImage(const wchar_t* image)
{
    m_progressDisabledImage = image != nullptr ? image : L"";
    Invalidate();
}

void CProgressUI::SetDisabledForeImage(const wchar_t* image)
{
    m_disabledForeImage = image != nullptr ? image : L"";
    Invalidate();
}

const CUIString& CProgressUI::GetForeImageModify() const
{
    return m_foreImageModify;
}

} // namespace SkinUI
