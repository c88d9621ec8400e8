#include "app/MenuElement.h"

#include "ui/core/RenderEngine.h"

using SkinUI::CRenderEngine;
using SkinUI::CUIString;
using SkinUI::TListInfoUI;

namespace {

// The icon of each item, by the item's index, from "default.png": the
// glyphs side by side, 13 pixels each, the hot ones in the row below. An
// item beyond the tables draws no icon.
const CUIString g_menuIcons[2] = {L"source='0,0,13,13' dest='0,6,13,19'", L"source='13,0,26,13' dest='0,6,13,19'"};
const CUIString g_menuHotIcons[2] = {L"source='0,13,13,26' dest='0,6,13,19'", L"source='13,13,26,26' dest='0,6,13,19'"};
constexpr int kIconCount = 2;

constexpr int kIconStrip = 25;

}  // namespace

int CMenuElement::GetTextHeight()
{
    return GetFixedHeight();
}

void CMenuElement::DrawItemBk(HDC hDC, const RECT&)
{
    if (m_owner == nullptr)
        return;
    const TListInfoUI* info = m_owner->GetListInfo();
    const DWORD background = m_index % 2 == 0 ? 0xFFFAFAFA : 0xFFFFFFFF;
    if (IsHot()) {
        CRenderEngine::DrawColor(hDC, m_itemRect, GetAdjustColor(info->hotBkColor));
    } else {
        RECT rest = m_itemRect;
        rest.left += kIconStrip;
        CRenderEngine::DrawColor(hDC, rest, GetAdjustColor(background));
    }
    const RECT bottom = {m_itemRect.left, m_itemRect.bottom - 1, m_itemRect.right, m_itemRect.bottom - 1};
    if (info->lineColor != 0)
        CRenderEngine::DrawLine(hDC, bottom, 1, GetAdjustColor(info->lineColor));
    if (IsHot() && info->selectedLineColor != 0) {
        const RECT top = {m_itemRect.left, m_itemRect.top, m_itemRect.right, m_itemRect.top};
        CRenderEngine::DrawLine(hDC, top, 1, GetAdjustColor(info->selectedLineColor));
        CRenderEngine::DrawLine(hDC, bottom, 1, GetAdjustColor(info->selectedLineColor));
    }
}

void CMenuElement::DrawItemText(HDC hDC, const RECT&)
{
    if (m_owner == nullptr)
        return;
    const TListInfoUI* info = m_owner->GetListInfo();
    DWORD color = info->textColor;
    if (IsHot())
        color = info->hotTextColor;
    if (IsSelected())
        color = info->selectedTextColor;
    if (!IsEnabled())
        color = info->disabledTextColor;
    for (int i = 0; i < info->columns; i++) {
        RECT cell = {info->columnRects[i].left + info->textPadding.left, m_itemRect.top + info->textPadding.top,
                     info->columnRects[i].right - info->textPadding.right,
                     m_itemRect.bottom - info->textPadding.bottom};
        cell.bottom = cell.top + GetTextHeight();
        if (i == 0) {
            if (m_index >= 0 && m_index < kIconCount) {
                const CUIString& icon = IsHot() ? g_menuHotIcons[m_index] : g_menuIcons[m_index];
                CRenderEngine::DrawImageString(hDC, m_manager, cell, m_itemRect, L"default.png", icon.GetData());
            }
            continue;
        }
        CRenderEngine::DrawTextW(hDC, m_manager, cell, m_text.GetData(), color, info->font,
                                 info->textStyle | DT_SINGLELINE);
    }
}
