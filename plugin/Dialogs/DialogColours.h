#pragma once

#include <QColor>

class QWidget;

namespace dialogcolours {

// Gives the dialog and every control in it `colour` as background (the window,
// the text fields and the lists), as the editor dialogs answer WM_CTLCOLOR.
void applyBackground(QWidget& dialog, const QColor& colour);

} // namespace dialogcolours
