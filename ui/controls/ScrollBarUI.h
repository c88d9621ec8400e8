#pragma once

#include "ui/core/ControlUI.h"

#include <windows.h>

namespace SkinUI {

class CContainerUI;

// The scroll bar of a container: a track with a thumb whose length shows
// the visible share of the content. Dragging the thumb or clicking the
// track scrolls the owner.
class CScrollBarUI : public CControlUI {
public:
    enum { DEFAULT_SCROLLBAR_SIZE = 16, MIN_THUMB_SIZE = 8 };

    CScrollBarUI();

    const wchar_t* GetClass() const override;
    LPVOID GetInterface(const wchar_t* name) override;

    CContainerUI* GetOwner() const;
    void SetOwner(CContainerUI* owner);

    bool IsHorizontal() const;
    void SetHorizontal(bool horizontal = true);
    int GetScrollRange() const;
    void SetScrollRange(int range);
    int GetScrollPos() const;
    void SetScrollPos(int pos);
    void SetLineSize(int size);
    void SetThumbColor(DWORD color);
    const CUIString& GetThumbImage() const;
    void SetThumbImage(const wchar_t* image);
    // The thumb in window coordinates (empty while the bar has no range).
    RECT GetThumbRect() const;

    void SetPos(RECT rc) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC hDC) override;

private:
    int TrackLength() const;
    int ThumbLength() const;
    // Scrolls the owner (or the bar alone) to pos.
    void ScrollTo(int pos);

    CContainerUI* m_owner;
    bool m_horizontal;
    int m_range;
    int m_scrollPos;
    int m_lineSize;
    DWORD m_thumbColor;
    CUIString m_thumbImage;
    RECT m_thumbRect;
    bool m_dragging;
    POINT m_dragStartPoint;
    int m_dragStartPos;
};

} // namespace SkinUI
