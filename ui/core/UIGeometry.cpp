#include "ui/core/UIGeometry.h"

#include <utility>

namespace SkinUI {

CUIRect::CUIRect()
{
    left = top = right = bottom = 0;
}

CUIRect::CUIRect(const RECT& src)
{
    left = src.left;
    top = src.top;
    right = src.right;
    bottom = src.bottom;
}

CUIRect::CUIRect(int iLeft, int iTop, int iRight, int iBottom)
{
    left = iLeft;
    top = iTop;
    right = iRight;
    bottom = iBottom;
}

int CUIRect::GetWidth() const
{
    return right - left;
}

int CUIRect::GetHeight() const
{
    return bottom - top;
}

void CUIRect::Empty()
{
    left = top = right = bottom = 0;
}

bool CUIRect::IsNull() const
{
    return left == 0 && top == 0 && right == 0 && bottom == 0;
}

void CUIRect::Join(const RECT& rc)
{
    if (rc.left < left) left = rc.left;
    if (rc.top < top) top = rc.top;
    if (rc.right > right) right = rc.right;
    if (rc.bottom > bottom) bottom = rc.bottom;
}

void CUIRect::ResetOffset()
{
    ::OffsetRect(this, -left, -top);
}

void CUIRect::Normalize()
{
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
}

void CUIRect::Offset(int cx, int cy)
{
    ::OffsetRect(this, cx, cy);
}

void CUIRect::Inflate(int cx, int cy)
{
    ::InflateRect(this, cx, cy);
}

void CUIRect::Deflate(int cx, int cy)
{
    ::InflateRect(this, -cx, -cy);
}

void CUIRect::Union(CUIRect& rc)
{
    ::UnionRect(this, this, &rc);
}

CSize::CSize()
{
    cx = cy = 0;
}

CSize::CSize(int x, int y)
{
    cx = x;
    cy = y;
}

CSize::CSize(const RECT& rc)
{
    cx = rc.right - rc.left;
    cy = rc.bottom - rc.top;
}

CPoint::CPoint()
{
    x = y = 0;
}

CPoint::CPoint(const POINT& src)
{
    x = src.x;
    y = src.y;
}

CPoint::CPoint(int _x, int _y)
{
    x = _x;
    y = _y;
}

CPoint::CPoint(LPARAM lParam)
{
    x = static_cast<short>(LOWORD(lParam));
    y = static_cast<short>(HIWORD(lParam));
}

int ClampSize(long value, int low, int high)
{
    if (high < low) high = low;
    if (value < low) return low;
    return value > high ? high : static_cast<int>(value);
}

} // namespace SkinUI
