#pragma once

#include "ui/controls/ContainerUI.h"

namespace SkinUI {

// What tells a column from a row.
struct TLinearAxisUI {
    // Children follow one another downwards (a column) or rightwards (a row).
    bool vertical;
    // The children's cross position follows the other axis's scroll bar (a
    // column scrolls sideways; a row keeps its children at the top).
    bool crossScrolls;
    // The markup attribute of the separator's size.
    const wchar_t* sepAttribute;
    // The cursor over the separator.
    LPCTSTR sizeCursor;
};

// A column or a row: children get the inner cross size and their own sizes
// along the axis; children without one share what is left. With a separator
// size the trailing (or, negative, the leading) band resizes the layout
// itself by dragging.
class CLinearLayoutUI : public CContainerUI {
public:
    explicit CLinearLayoutUI(const TLinearAxisUI& axis);

    UINT GetControlFlags() const override;

    void SetSepImmMode(bool immediately);
    bool IsSepImmMode() const;
    RECT GetThumbRect(bool useNew = false) const;

    void SetPos(RECT rc) override;
    void DoEvent(TEventUI& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void DoPostPaint(HDC hDC, const RECT& rcPaint) override;

protected:
    // The space the children of known size take along the axis, with the
    // paddings; counts the visible flowing children and those of no size.
    int MeasureFixed(SIZE available, int& adjustables, int& count);
    // The separator dragged to point: moves outside the edge's band do not
    // count.
    void DragSeparator(POINT point);

    const TLinearAxisUI& m_axis;
    int m_sepSize;
    bool m_captured;
    POINT m_lastMouse;
    RECT m_newPos;
    bool m_immMode;
};

} // namespace SkinUI
