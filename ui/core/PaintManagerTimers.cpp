// The paint manager's control timers on native window timers.
#include "ui/core/PaintManagerUI.h"

#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerShared.h"

namespace SkinUI {

using namespace paint_manager;

namespace {

// Native timer ids cycle through 0 ... kTimerIdCycle - 1.
const UINT kTimerIdCycle = 255;

} // namespace

// ---------------------------------------------------------------------------
// Timers

UINT CPaintManagerUI::NextNativeTimerId()
{
    // A native id still held by a record of this window (live, or killed and
    // kept for re-arming) is skipped: the system would silently replace that
    // timer with the new one.
    for (UINT tries = 0; tries < kTimerIdCycle; tries++) {
        m_uTimerID = (m_uTimerID + 1) % kTimerIdCycle;
        bool used = false;
        for (int i = 0; i < m_aTimers.GetSize() && !used; i++) {
            const TTimerInfo* info = static_cast<const TTimerInfo*>(m_aTimers[i]);
            used = info->window == m_hWndPaint && info->nativeId == m_uTimerID;
        }
        if (!used) return m_uTimerID;
    }
    return UINT_MAX;
}

bool CPaintManagerUI::SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse)
{
    if (pControl == nullptr || m_hWndPaint == nullptr) return false;
    for (int i = 0; i < m_aTimers.GetSize(); i++) {
        TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
        if (info->sender != pControl || info->window != m_hWndPaint || info->localId != nTimerID) continue;
        if (!info->killed) return false;
        if (!::SetTimer(m_hWndPaint, info->nativeId, uElapse, nullptr)) return false;
        info->killed = false;
        return true;
    }
    UINT nativeId = NextNativeTimerId();
    if (nativeId == UINT_MAX) return false;
    if (!::SetTimer(m_hWndPaint, nativeId, uElapse, nullptr)) return false;
    std::unique_ptr<TTimerInfo> info(new TTimerInfo());
    info->sender = pControl;
    info->localId = nTimerID;
    info->window = m_hWndPaint;
    info->nativeId = nativeId;
    info->killed = false;
    if (!m_aTimers.Add(info.get())) {
        ::KillTimer(m_hWndPaint, nativeId);
        return false;
    }
    info.release();
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* pControl, UINT nTimerID)
{
    for (int i = 0; i < m_aTimers.GetSize(); i++) {
        TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
        if (info->sender != pControl || info->window != m_hWndPaint || info->localId != nTimerID) continue;
        if (info->killed) return false;
        if (::IsWindow(m_hWndPaint)) ::KillTimer(info->window, info->nativeId);
        info->killed = true;
        return true;
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* pControl)
{
    for (int i = m_aTimers.GetSize() - 1; i >= 0; i--) {
        TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
        if (info->sender != pControl || info->window != m_hWndPaint) continue;
        if (!info->killed && ::IsWindow(m_hWndPaint)) ::KillTimer(info->window, info->nativeId);
        delete info;
        m_aTimers.Remove(i);
    }
}

void CPaintManagerUI::RemoveAllTimers()
{
    for (int i = 0; i < m_aTimers.GetSize(); i++) {
        TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
        if (info->window == m_hWndPaint && !info->killed && ::IsWindow(m_hWndPaint)) {
            ::KillTimer(info->window, info->nativeId);
        }
        delete info;
    }
    m_aTimers.Empty();
}

void CPaintManagerUI::OnTimer(WPARAM nativeId, LPARAM lParam)
{
    for (int i = 0; i < m_aTimers.GetSize(); i++) {
        TTimerInfo* info = static_cast<TTimerInfo*>(m_aTimers[i]);
        if (info->window != m_hWndPaint || info->nativeId != nativeId || info->killed) continue;
        TEventUI event = MakeEvent(UIEVENT_TIMER, info->sender);
        event.wParam = info->localId;
        event.lParam = lParam;
        info->sender->Event(event);
        return;
    }
}

} // namespace SkinUI
