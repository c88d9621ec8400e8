#pragma once

#include <windows.h>

namespace SkinUI {

class CUIRect : public RECT {
public:
    CUIRect();
    CUIRect(const RECT& src);
    CUIRect(int iLeft, int iTop, int iRight, int iBottom);

    int GetWidth() const;
    int GetHeight() const;
    void Empty();
    bool IsNull() const;
    // Bounding box of both, with no test for empty rectangles.
    void Join(const RECT& rc);
    void ResetOffset();
    void Normalize();
    void Offset(int cx, int cy);
    void Inflate(int cx, int cy);
    void Deflate(int cx, int cy);
    // Win32 union: an empty rectangle contributes nothing.
    void Union(CUIRect& rc);
};

class CSize : public SIZE {
public:
    CSize();
    CSize(int x, int y);
    CSize(const RECT& rc);
};

class CPoint : public POINT {
public:
    CPoint();
    CPoint(const POINT& src);
    CPoint(int x, int y);
    // The packed coordinates of a mouse message.
    explicit CPoint(LPARAM lParam);
};

// A size held to a control's [minimum, maximum]; a maximum below the
// minimum counts as the minimum.
int ClampSize(long value, int low, int high);

} // namespace SkinUI
