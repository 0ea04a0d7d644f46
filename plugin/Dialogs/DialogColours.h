#pragma once

#include <QColor>

class QWidget;

namespace dialogcolours {

// The flow's pair whose step the running controller is at: a tint under the
// pair and a frame around it, blue (told apart from the black selection frame
// and from white in every kind of colour vision), and the mark beside it.
inline const QColor kActiveStepTint(225, 237, 252);
inline const QColor kActiveStepFrame(0, 88, 184);
// A pair's number, quieter than the program's own texts.
inline const QColor kPairNumber(96, 96, 96);

// Gives the dialog and every control in it `colour` as background (the window,
// the text fields and the lists), as the editor dialogs answer WM_CTLCOLOR.
void applyBackground(QWidget& dialog, const QColor& colour);

} // namespace dialogcolours
