#pragma once

namespace fw {
class CDialog;
}

// The button beside a choice that opens the editor of the object the choice
// refers to (event and action boxes, the logic rule dialog's operands).

// The caption string of the button for an object kind (timer, comparator,
// logic rule); 0 for a kind that has no editor.
unsigned objectButtonCaption(int kind);

// Shows and enables the button with `caption`, or hides and disables it when
// `caption` is 0.
void showObjectButton(fw::CDialog& dialog, int buttonId, unsigned caption);
