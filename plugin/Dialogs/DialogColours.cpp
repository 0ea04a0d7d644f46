#include "Dialogs/DialogColours.h"

#include <QPalette>
#include <QWidget>

namespace dialogcolours {

void applyBackground(QWidget& dialog, const QColor& colour)
{
    auto paint = [&colour](QWidget& widget) {
        QPalette palette = widget.palette();
        palette.setColor(QPalette::Window, colour);
        palette.setColor(QPalette::Base, colour);
        widget.setPalette(palette);
    };
    paint(dialog);
    for (QWidget* control : dialog.findChildren<QWidget*>())
        paint(*control);
}

} // namespace dialogcolours
