#include "Geometry.h"

#include <QWidget>

#include <algorithm>

namespace fw {

CRect windowRect(const QWidget* widget)
{
    if (!widget)
        return {};
    return CRect(QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()));
}

CRect rectIn(const QWidget* widget, const QWidget* ancestor)
{
    if (!widget)
        return {};
    if (!ancestor)
        return CRect(0, 0, widget->width(), widget->height());
    const QPoint topLeft = ancestor->mapFromGlobal(widget->mapToGlobal(QPoint(0, 0)));
    return CRect(QRect(topLeft, widget->size()));
}

void moveWindow(QWidget* widget, int x, int y, int width, int height, bool repaint)
{
    if (!widget)
        return;
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (widget->isWindow() && widget->minimumSize() == widget->maximumSize())
        widget->setFixedSize(width, height);
    widget->setGeometry(x, y, width, height);
    if (repaint && widget->isVisible())
        widget->repaint();
}

void setWindowPos(QWidget* widget, int x, int y, int width, int height, unsigned flags)
{
    if (!widget)
        return;
    const QRect current = widget->geometry();
    if (flags & SWP_NOMOVE) {
        x = current.x();
        y = current.y();
    }
    if (flags & SWP_NOSIZE) {
        width = current.width();
        height = current.height();
    }
    moveWindow(widget, x, y, width, height, !(flags & SWP_NOREDRAW));
}

} // namespace fw
