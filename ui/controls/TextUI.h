#pragma once

#include "ui/controls/LabelUI.h"

namespace SkinUI {

// Multi-line text whose tagged links can be clicked ("link" notification).
class CTextUI : public CLabelUI {
public:
    enum { MAX_LINK = 8 };

    CTextUI();
    ~CTextUI() override;

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void DoEvent(TEventUI& event) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintText(HDC hDC) override;

    // The text of a link drawn by the last paint; null outside the range.
    const CUIString* GetLinkContent(int index) const;
    int GetLinkCount() const;
    // The rect of a link drawn by the last paint.
    RECT GetLinkRect(int index) const;

private:
    int LinkAt(POINT pt) const;

    int m_linkCount;
    RECT m_linkRects[MAX_LINK];
    CUIString m_linkTexts[MAX_LINK];
    int m_hoverLink;
};

} // namespace SkinUI
