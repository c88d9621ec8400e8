// The paint manager's searches of its control tree, focus and tab order,
// and shortcut keys.
#include "ui/core/PaintManagerUI.h"

#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerShared.h"

#include <cwchar>
#include <cwctype>

namespace SkinUI {

using namespace paint_manager;

namespace {

struct FindTabInfo {
    CControlUI* focus;
    CControlUI* last;
    bool forward;
    bool nextIsIt;
};

struct FindShortcutInfo {
    wchar_t ch;
    bool pickNext;
};

struct FindClassInfo {
    const wchar_t* className;
    int index;
    CStdPtrArray* found;
};

} // namespace

// ---------------------------------------------------------------------------
// Finding controls

CControlUI* CPaintManagerUI::FindControl(POINT pt) const
{
    if (m_pRoot == nullptr) return nullptr;
    return m_pRoot->FindControl(FindControlFromPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* pstrName) const
{
    if (pstrName == nullptr) return nullptr;
    return static_cast<CControlUI*>(m_mNameHash.Find(pstrName));
}

CControlUI* CPaintManagerUI::FindSubControlByPoint(CControlUI* pParent, POINT pt) const
{
    if (pParent == nullptr) pParent = m_pRoot;
    if (pParent == nullptr) return nullptr;
    return pParent->FindControl(FindControlFromPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* pParent, const wchar_t* pstrName) const
{
    if (pParent == nullptr) pParent = m_pRoot;
    if (pParent == nullptr || pstrName == nullptr) return nullptr;
    return pParent->FindControl(FindControlFromName, const_cast<wchar_t*>(pstrName), UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindSubControlByClass(CControlUI* pParent, const wchar_t* pstrClass, int iIndex)
{
    if (pParent == nullptr) pParent = m_pRoot;
    m_aFoundControls.Empty();
    if (pParent == nullptr || pstrClass == nullptr || iIndex < 0) return nullptr;
    FindClassInfo info = { pstrClass, iIndex, &m_aFoundControls };
    return pParent->FindControl(FindControlFromClass, &info, UIFIND_ALL);
}

CStdPtrArray* CPaintManagerUI::FindSubControlsByClass(CControlUI* pParent, const wchar_t* pstrClass)
{
    if (pParent == nullptr) pParent = m_pRoot;
    m_aFoundControls.Empty();
    if (pParent == nullptr || pstrClass == nullptr) return &m_aFoundControls;
    FindClassInfo info = { pstrClass, -1, &m_aFoundControls };
    pParent->FindControl(FindControlFromClass, &info, UIFIND_ALL);
    return &m_aFoundControls;
}

CStdPtrArray* CPaintManagerUI::GetSubControlsByClass()
{
    return &m_aFoundControls;
}

CControlUI* CPaintManagerUI::FindParentControlByClass(CControlUI* pControl, const wchar_t* pstrClass) const
{
    if (pControl == nullptr || pstrClass == nullptr) return nullptr;
    for (CControlUI* parent = pControl->GetParent(); parent != nullptr; parent = parent->GetParent()) {
        const wchar_t* name = parent->GetClass();
        if (name != nullptr && wcscmp(name, pstrClass) == 0) return parent;
    }
    return nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromNameHash(CControlUI* pThis, LPVOID pData)
{
    CPaintManagerUI* manager = static_cast<CPaintManagerUI*>(pData);
    CUIString name = pThis->GetName();
    if (!name.IsEmpty()) manager->m_mNameHash.Set(name.GetData(), pThis);
    return nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromPoint(CControlUI* pThis, LPVOID pData)
{
    const POINT* pt = static_cast<const POINT*>(pData);
    const RECT& pos = pThis->GetPos();
    return ::PtInRect(&pos, *pt) ? pThis : nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromTab(CControlUI* pThis, LPVOID pData)
{
    FindTabInfo* info = static_cast<FindTabInfo*>(pData);
    if (info->focus != nullptr && pThis == info->focus) {
        if (info->forward) {
            info->nextIsIt = true;
            return nullptr;
        }
        // Backward: the candidate seen last before the focus, if any; when
        // there is none the walk goes on so that the last candidate of all
        // is what remains.
        if (info->last != nullptr) return info->last;
        info->focus = nullptr;
        info->nextIsIt = true;
        return nullptr;
    }
    if ((pThis->GetControlFlags() & UIFLAG_TABSTOP) == 0 || !pThis->GetTabstop()) return nullptr;
    if (info->forward) {
        if (info->focus == nullptr || info->nextIsIt) return pThis;
        return nullptr;
    }
    if (info->focus == nullptr && !info->nextIsIt) return pThis;
    info->last = pThis;
    return nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromShortcut(CControlUI* pThis, LPVOID pData)
{
    if (!pThis->IsVisible()) return nullptr;
    FindShortcutInfo* info = static_cast<FindShortcutInfo*>(pData);
    if (static_cast<wchar_t>(towupper(pThis->GetShortcut())) == info->ch) info->pickNext = true;
    if (info->pickNext && !ClassContains(pThis, L"LabelUI")) return pThis;
    return nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromUpdate(CControlUI* pThis, LPVOID)
{
    return pThis->IsUpdateNeeded() ? pThis : nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromName(CControlUI* pThis, LPVOID pData)
{
    const wchar_t* name = static_cast<const wchar_t*>(pData);
    CUIString own = pThis->GetName();
    return own.CompareNoCase(name) == 0 ? pThis : nullptr;
}

CControlUI* CPaintManagerUI::FindControlFromClass(CControlUI* pThis, LPVOID pData)
{
    FindClassInfo* info = static_cast<FindClassInfo*>(pData);
    const wchar_t* name = pThis->GetClass();
    bool match = wcscmp(info->className, L"*") == 0 || (name != nullptr && wcscmp(name, info->className) == 0);
    if (!match) return nullptr;
    info->found->Add(pThis);
    return info->found->GetSize() == info->index + 1 ? pThis : nullptr;
}

// ---------------------------------------------------------------------------
// Focus

CControlUI* CPaintManagerUI::GetFocus() const
{
    return m_pFocus;
}

void CPaintManagerUI::SetFocus(CControlUI* pControl)
{
    HWND focusWnd = ::GetFocus();
    if (focusWnd != m_hWndPaint && pControl != m_pFocus && m_hWndPaint != nullptr) ::SetFocus(m_hWndPaint);
    if (pControl == m_pFocus) return;
    if (m_pFocus != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_KILLFOCUS, pControl);
        m_pFocus->Event(event);
        if (m_pFocus != nullptr) SendNotify(m_pFocus, L"killfocus");
        m_pFocus = nullptr;
    }
    if (pControl == nullptr) return;
    if (pControl->GetManager() == this && pControl->IsVisible() && pControl->IsEnabled()) {
        m_pFocus = pControl;
        TEventUI event = MakeEvent(UIEVENT_SETFOCUS, pControl);
        pControl->Event(event);
        if (m_pFocus == pControl) SendNotify(pControl, L"setfocus");
    }
}

void CPaintManagerUI::SetFocusNeeded(CControlUI* pControl)
{
    if (m_hWndPaint != nullptr) ::SetFocus(m_hWndPaint);
    if (pControl == nullptr) return;
    if (m_pFocus != nullptr) {
        TEventUI event = MakeEvent(UIEVENT_KILLFOCUS, pControl);
        m_pFocus->Event(event);
        if (m_pFocus != nullptr) SendNotify(m_pFocus, L"killfocus");
        m_pFocus = nullptr;
    }
    m_pFocus = FindTabCandidate(pControl, false, nullptr);
    m_bFocusNeeded = true;
    if (m_pRoot != nullptr) m_pRoot->NeedUpdate();
}

CControlUI* CPaintManagerUI::FindTabCandidate(CControlUI* pFrom, bool bForward, CControlUI** ppLastSeen) const
{
    if (m_pRoot == nullptr) return nullptr;
    FindTabInfo info = { pFrom, nullptr, bForward, false };
    CControlUI* found =
        m_pRoot->FindControl(FindControlFromTab, &info, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    if (ppLastSeen != nullptr) *ppLastSeen = info.last;
    return found;
}

bool CPaintManagerUI::SetNextTabControl(bool bForward)
{
    if (m_bUpdateNeeded && bForward) {
        // The move happens after layout, at the next paint.
        m_bFocusNeeded = true;
        if (m_hWndPaint != nullptr) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
        return true;
    }
    CControlUI* lastSeen = nullptr;
    CControlUI* next = FindTabCandidate(m_pFocus, bForward, &lastSeen);
    if (next == nullptr) next = bForward ? FindTabCandidate(nullptr, true, nullptr) : lastSeen;
    if (next != nullptr) SetFocus(next);
    m_bFocusNeeded = false;
    return true;
}


bool CPaintManagerUI::ActivateShortcut(WPARAM wParam)
{
    if (m_pRoot == nullptr) return false;
    FindShortcutInfo info = { static_cast<wchar_t>(towupper(static_cast<wint_t>(wParam))), false };
    if (info.ch == 0) return false;
    CControlUI* control =
        m_pRoot->FindControl(FindControlFromShortcut, &info, UIFIND_ENABLED | UIFIND_ME_FIRST | UIFIND_TOP_FIRST);
    if (control == nullptr) return false;
    control->SetFocus();
    control->Activate();
    return true;
}

} // namespace SkinUI
