// The paint manager's notifications, message filters and post-painted
// controls.
#include "ui/core/PaintManagerUI.h"

#include "ui/core/ControlUI.h"

namespace SkinUI {

// ---------------------------------------------------------------------------
// Notifications and filters

bool CPaintManagerUI::AddNotifier(INotifyUI* pControl)
{
    if (pControl == nullptr || m_aNotifiers.Find(pControl) >= 0) return false;
    return m_aNotifiers.Add(pControl);
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pControl)
{
    int index = m_aNotifiers.Find(pControl);
    return index >= 0 && m_aNotifiers.Remove(index);
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* pFilter)
{
    if (pFilter == nullptr || m_aPreMessageFilters.Find(pFilter) >= 0) return false;
    return m_aPreMessageFilters.Add(pFilter);
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* pFilter)
{
    int index = m_aPreMessageFilters.Find(pFilter);
    return index >= 0 && m_aPreMessageFilters.Remove(index);
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* pFilter)
{
    if (pFilter == nullptr || m_aMessageFilters.Find(pFilter) >= 0) return false;
    return m_aMessageFilters.Add(pFilter);
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* pFilter)
{
    int index = m_aMessageFilters.Find(pFilter);
    return index >= 0 && m_aMessageFilters.Remove(index);
}

bool CPaintManagerUI::AddTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator)
{
    if (pTranslateAccelerator == nullptr || m_aTranslateAccelerator.Find(pTranslateAccelerator) >= 0) return false;
    return m_aTranslateAccelerator.Add(pTranslateAccelerator);
}

bool CPaintManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* pTranslateAccelerator)
{
    int index = m_aTranslateAccelerator.Find(pTranslateAccelerator);
    return index >= 0 && m_aTranslateAccelerator.Remove(index);
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, const wchar_t* pstrMessage, WPARAM wParam, LPARAM lParam,
    bool bAsync)
{
    TNotifyUI msg;
    msg.type = pstrMessage;
    msg.sender = pControl;
    msg.timestamp = 0;
    msg.mousePoint = m_ptLastMousePos;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, bAsync);
}

void CPaintManagerUI::SendNotify(TNotifyUI& Msg, bool bAsync)
{
    Msg.mousePoint = m_ptLastMousePos;
    Msg.timestamp = ::GetTickCount();
    if (m_bUsedVirtualWnd && Msg.sender != nullptr) Msg.virtualWnd = Msg.sender->GetVirtualWnd();
    if (!bAsync) {
        NotifyNow(Msg);
        return;
    }
    std::unique_ptr<TNotifyUI> copy(new TNotifyUI());
    copy->type = Msg.type;
    copy->sender = Msg.sender;
    copy->timestamp = Msg.timestamp;
    copy->mousePoint = Msg.mousePoint;
    copy->wParam = Msg.wParam;
    copy->lParam = Msg.lParam;
    if (m_aAsyncNotify.Add(copy.get())) copy.release();
}

void CPaintManagerUI::NotifyNow(TNotifyUI& Msg)
{
    if (Msg.sender != nullptr && Msg.sender->onNotify) Msg.sender->onNotify(&Msg);
    for (int i = 0; i < m_aNotifiers.GetSize(); i++) static_cast<INotifyUI*>(m_aNotifiers[i])->Notify(Msg);
}

void CPaintManagerUI::DeliverAsyncNotifications()
{
    // Oldest first; each one leaves the queue before it is delivered, so a
    // message handled during the delivery does not deliver it again.
    while (!m_aAsyncNotify.IsEmpty()) {
        std::unique_ptr<TNotifyUI> msg(static_cast<TNotifyUI*>(m_aAsyncNotify[0]));
        m_aAsyncNotify.Remove(0);
        NotifyNow(*msg);
    }
}

void CPaintManagerUI::UsedVirtualWnd(bool bUsed)
{
    m_bUsedVirtualWnd = bUsed;
}

int CPaintManagerUI::GetPostPaintCount() const
{
    return m_aPostPaintControls.GetSize();
}

bool CPaintManagerUI::AddPostPaint(CControlUI* pControl)
{
    if (pControl == nullptr || m_aPostPaintControls.Find(pControl) >= 0) return false;
    return m_aPostPaintControls.Add(pControl);
}

bool CPaintManagerUI::RemovePostPaint(CControlUI* pControl)
{
    int index = m_aPostPaintControls.Find(pControl);
    return index >= 0 && m_aPostPaintControls.Remove(index);
}

bool CPaintManagerUI::SetPostPaintIndex(CControlUI* pControl, int iIndex)
{
    int current = m_aPostPaintControls.Find(pControl);
    if (current < 0 || iIndex < 0 || iIndex >= m_aPostPaintControls.GetSize()) return false;
    m_aPostPaintControls.Remove(current);
    return m_aPostPaintControls.InsertAt(iIndex, pControl);
}

} // namespace SkinUI
