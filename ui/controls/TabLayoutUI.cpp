#include "ui/controls/TabLayoutUI.h"

#include "ui/core/AttributeValues.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/UIGeometry.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

CTabLayoutUI::CTabLayoutUI() : m_curSel(-1)
{
}

const wchar_t* CTabLayoutUI::GetClass() const
{
    return L"TabLayoutUI";
}

LPVOID CTabLayoutUI::GetInterface(const wchar_t* name)
{
    if (wcscmp(name, L"TabLayout") == 0) return static_cast<CTabLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control)
{
    if (!CContainerUI::Add(control)) return false;
    if (m_curSel == -1 && control->IsVisible()) {
        m_curSel = GetItemIndex(control);
    } else {
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index)
{
    if (!CContainerUI::AddAt(control, index)) return false;
    if (m_curSel == -1 && control->IsVisible()) {
        m_curSel = GetItemIndex(control);
    } else {
        if (m_curSel != -1 && index <= m_curSel) m_curSel++;
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control)
{
    const int index = GetItemIndex(control);
    if (!CContainerUI::Remove(control)) return false;
    if (index == m_curSel) {
        if (GetCount() > 0) {
            m_curSel = 0;
            GetItemAt(0)->SetVisible(true);
        } else {
            m_curSel = -1;
        }
        NeedParentUpdate();
    } else if (index < m_curSel) {
        m_curSel--;
    }
    return true;
}

void CTabLayoutUI::RemoveAll()
{
    m_curSel = -1;
    CContainerUI::RemoveAll();
    NeedParentUpdate();
}

int CTabLayoutUI::GetCurSel() const
{
    return m_curSel;
}

bool CTabLayoutUI::SelectItem(int index)
{
    if (index < 0 || index >= GetCount()) return false;
    if (index == m_curSel) return true;
    const int previous = m_curSel;
    m_curSel = index;
    for (int i = 0; i < GetCount(); i++) {
        CControlUI* page = GetItemAt(i);
        if (i == index) {
            page->SetVisible(true);
            page->SetFocus();
            SetPos(m_itemRect);
        } else {
            page->SetVisible(false);
        }
    }
    NeedParentUpdate();
    if (m_manager != nullptr) {
        m_manager->SetNextTabControl(true);
        m_manager->SendNotify(this, L"tabselect", m_curSel, previous);
    }
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control)
{
    const int index = GetItemIndex(control);
    return index >= 0 && SelectItem(index);
}

void CTabLayoutUI::SetPos(RECT rc)
{
    CControlUI::SetPos(rc);
    rc = m_itemRect;
    rc.left += m_inset.left;
    rc.top += m_inset.top;
    rc.right -= m_inset.right;
    rc.bottom -= m_inset.bottom;

    for (int i = 0; i < GetCount(); i++) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        if (i != m_curSel) continue;

        const RECT padding = child->GetPadding();
        RECT area = rc;
        area.left += padding.left;
        area.top += padding.top;
        area.right -= padding.right;
        area.bottom -= padding.bottom;
        const SIZE available = { area.right - area.left, area.bottom - area.top };
        SIZE size = child->EstimateSize(available);
        if (size.cx == 0) size.cx = std::max<int>(0, (available.cx));
        size.cx = ClampSize(size.cx, child->GetMinWidth(), child->GetMaxWidth());
        if (size.cy == 0) size.cy = std::max<int>(0, (available.cy));
        size.cy = ClampSize(size.cy, child->GetMinHeight(), child->GetMaxHeight());
        child->SetPos(RECT{ area.left, area.top, area.left + size.cx, area.top + size.cy });
    }
}

void CTabLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr) return;
    if (wcscmp(name, L"selectedid") == 0) SelectItem(ReadIntValue(value));
    CContainerUI::SetAttribute(name, value);
}

} // namespace SkinUI
