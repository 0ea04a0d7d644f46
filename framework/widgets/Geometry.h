#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace fw {

// A rectangle as the dialog framework counts it: right and bottom lie one past
// the last pixel, so Width() is right - left. (QRect::right() is the last pixel.)
struct CRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    CRect() = default;
    CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    explicit CRect(const QRect& r)
        : left(r.x()), top(r.y()), right(r.x() + r.width()), bottom(r.y() + r.height())
    {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    QPoint TopLeft() const { return {left, top}; }
    QSize Size() const { return {Width(), Height()}; }
    // Grows the rectangle by `d` on every side (shrinks it for negative d).
    void InflateRect(int d)
    {
        left -= d;
        top -= d;
        right += d;
        bottom += d;
    }
    void OffsetRect(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    QRect toQRect() const { return QRect(left, top, Width(), Height()); }

    friend bool operator==(const CRect&, const CRect&) = default;
};

// Window placement flags of SetWindowPos.
enum : unsigned
{
    SWP_NOSIZE = 0x0001,
    SWP_NOMOVE = 0x0002,
    SWP_NOZORDER = 0x0004,
    SWP_NOREDRAW = 0x0008
};

// The widget's rectangle on the screen. Windows here have no frame of their own:
// the window rectangle is the client area placed on the screen. All zeros for null.
CRect windowRect(const QWidget* widget);

// The widget's rectangle in the client coordinates of `ancestor` (which must
// contain it); the widget's own client rectangle when `ancestor` is null.
CRect rectIn(const QWidget* widget, const QWidget* ancestor);

// Moves and sizes `widget`: in its parent's client coordinates for a child,
// on the screen for a window. Keeps a fixed-size window fixed at the new size.
void moveWindow(QWidget* widget, int x, int y, int width, int height, bool repaint = true);

// SetWindowPos: SWP_NOMOVE keeps the position, SWP_NOSIZE the size;
// SWP_NOZORDER is the only stacking behaviour there is (nothing is raised).
void setWindowPos(QWidget* widget, int x, int y, int width, int height, unsigned flags);

} // namespace fw
