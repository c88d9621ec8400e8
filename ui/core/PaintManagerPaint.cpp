// The paint manager's layout passes and painting.
#include "ui/core/PaintManagerUI.h"

#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerShared.h"

namespace SkinUI {

using namespace paint_manager;

// ---------------------------------------------------------------------------
// Painting

void CPaintManagerUI::ReleaseOffscreen()
{
    m_hbmpOffscreen.Reset();
    m_hDcOffscreen.Reset();
    m_hbmpBackground.Reset();
    m_hDcBackground.Reset();
}

void CPaintManagerUI::LayoutPending()
{
    m_bUpdateNeeded = false;
    RECT rcClient = {};
    ::GetClientRect(m_hWndPaint, &rcClient);
    if (::IsRectEmpty(&rcClient)) return;
    m_bCollectInvalid = true;
    ::SetRectEmpty(&m_rcCollectedInvalid);
    if (m_pRoot->IsUpdateNeeded()) {
        m_pRoot->SetPos(rcClient);
        ReleaseOffscreen();
        SendNotify(m_pRoot, L"rootupdated");
    } else {
        CControlUI* previous = nullptr;
        CControlUI* control;
        while ((control = m_pRoot->FindControl(FindControlFromUpdate, nullptr, UIFIND_VISIBLE | UIFIND_ME_FIRST))
            != nullptr) {
            // A control whose SetPos leaves it marked would hold the paint
            // forever; it gets one pass per paint.
            if (control == previous) break;
            control->SetPos(control->GetPos());
            previous = control;
        }
    }
    m_bCollectInvalid = false;
    if (!::IsRectEmpty(&m_rcCollectedInvalid)) ::InvalidateRect(m_hWndPaint, &m_rcCollectedInvalid, FALSE);
    if (m_bFirstLayout) {
        m_bFirstLayout = false;
        SendNotify(m_pRoot, L"windowinit");
    }
}

void CPaintManagerUI::OnPaint()
{
    RECT rcUpdate = {};
    if (!::GetUpdateRect(m_hWndPaint, &rcUpdate, FALSE)) return;
    PAINTSTRUCT ps = {};
    if (m_pRoot == nullptr) {
        ::BeginPaint(m_hWndPaint, &ps);
        ::EndPaint(m_hWndPaint, &ps);
        return;
    }
    if (m_bUpdateNeeded) LayoutPending();
    if (m_bFocusNeeded) SetNextTabControl();
    if (m_pRoot == nullptr) {
        ::ValidateRect(m_hWndPaint, nullptr);
        return;
    }

    if (m_bOffscreenPaint) {
        if (!m_hDcOffscreen || !m_hbmpOffscreen) {
            RECT rcClient = {};
            ::GetClientRect(m_hWndPaint, &rcClient);
            m_hDcOffscreen.Reset(::CreateCompatibleDC(m_hDcPaint.Get()));
            m_hbmpOffscreen.Reset(::CreateCompatibleBitmap(
                m_hDcPaint.Get(), rcClient.right - rcClient.left, rcClient.bottom - rcClient.top));
        }
        ::BeginPaint(m_hWndPaint, &ps);
        const RECT& rc = ps.rcPaint;
        int width = rc.right - rc.left;
        int height = rc.bottom - rc.top;
        if (m_hDcOffscreen && m_hbmpOffscreen) {
            ScopedSelectObject selectOffscreen(m_hDcOffscreen.Get(), m_hbmpOffscreen.Get());
            {
                ScopedSaveDC saved(m_hDcOffscreen.Get());
                if (m_bAlphaBackground) {
                    if (!m_hDcBackground || !m_hbmpBackground) {
                        RECT rcClient = {};
                        ::GetClientRect(m_hWndPaint, &rcClient);
                        m_hDcBackground.Reset(::CreateCompatibleDC(m_hDcPaint.Get()));
                        m_hbmpBackground.Reset(::CreateCompatibleBitmap(
                            m_hDcPaint.Get(), rcClient.right - rcClient.left, rcClient.bottom - rcClient.top));
                        if (m_hDcBackground && m_hbmpBackground) {
                            ScopedSelectObject selectBackground(m_hDcBackground.Get(), m_hbmpBackground.Get());
                            ::BitBlt(m_hDcBackground.Get(), rc.left, rc.top, width, height, ps.hdc, rc.left, rc.top,
                                SRCCOPY);
                        }
                    }
                    if (m_hDcBackground && m_hbmpBackground) {
                        ScopedSelectObject selectBackground(m_hDcBackground.Get(), m_hbmpBackground.Get());
                        ::BitBlt(m_hDcOffscreen.Get(), rc.left, rc.top, width, height, m_hDcBackground.Get(), rc.left,
                            rc.top, SRCCOPY);
                    }
                }
                m_pRoot->DoPaint(m_hDcOffscreen.Get(), rc);
                for (int i = 0; i < m_aPostPaintControls.GetSize(); i++) {
                    static_cast<CControlUI*>(m_aPostPaintControls[i])->DoPostPaint(m_hDcOffscreen.Get(), rc);
                }
            }
            ::BitBlt(ps.hdc, rc.left, rc.top, width, height, m_hDcOffscreen.Get(), rc.left, rc.top, SRCCOPY);
        }
        if (m_bShowUpdateRect && m_hUpdateRectPen) {
            ScopedSelectObject pen(ps.hdc, m_hUpdateRectPen.Get());
            ScopedSelectObject brush(ps.hdc, ::GetStockObject(HOLLOW_BRUSH));
            ::Rectangle(ps.hdc, rcUpdate.left, rcUpdate.top, rcUpdate.right, rcUpdate.bottom);
        }
    } else {
        ::BeginPaint(m_hWndPaint, &ps);
        ScopedSaveDC saved(ps.hdc);
        m_pRoot->DoPaint(ps.hdc, ps.rcPaint);
    }
    ::EndPaint(m_hWndPaint, &ps);
    if (m_bUpdateNeeded) ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

void CPaintManagerUI::PrintClient(HDC hDC, LPARAM flags)
{
    if (m_pRoot == nullptr) return;
    RECT rcClient = {};
    ::GetClientRect(m_hWndPaint, &rcClient);
    {
        ScopedSaveDC saved(hDC);
        m_pRoot->DoPaint(hDC, rcClient);
    }
    if ((flags & PRF_CHILDREN) == 0) return;
    for (HWND child = ::GetWindow(m_hWndPaint, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rcPos = {};
        ::GetWindowRect(child, &rcPos);
        ::MapWindowPoints(HWND_DESKTOP, m_hWndPaint, reinterpret_cast<LPPOINT>(&rcPos), 2);
        POINT oldOrigin = {};
        ::SetWindowOrgEx(hDC, -rcPos.left, -rcPos.top, &oldOrigin);
        ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(hDC), flags | PRF_NONCLIENT);
        ::SetWindowOrgEx(hDC, oldOrigin.x, oldOrigin.y, nullptr);
    }
}

} // namespace SkinUI
