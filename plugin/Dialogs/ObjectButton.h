#pragma once

#include "FlowState.h"

#include <locale>
#include <string>

namespace fw {
class CDialog;
}
class CDLGManager;
class CChoiceListItemObjectLookup;

// The button beside a choice that opens the editor of the object the choice
// refers to (event and action boxes, the logic rule dialog's operands), and
// what the object holds, shown beside it in the flow.

// The caption string of the button for an object kind (timer, comparator,
// logic rule); 0 for a kind that has no editor.
unsigned objectButtonCaption(int kind);

// Shows and enables the button with `caption`, or hides and disables it when
// `caption` is 0.
void showObjectButton(fw::CDialog& dialog, int buttonId, unsigned caption);

// What a timer, comparator or logic rule holds, in the words the flow shows
// beside its button: the timer's time with its unit ("5.00 s"), the comparator's
// condition ("Motor speed > 1,200.000"), the logic rule's formula
// ("(Logic rule 0 OR Comparator 2) AND NOT Timeout 2", worked out from the left
// as the controller does; brackets where AND and OR meet or NOT takes the first
// two). Numbers in the number format of the editor's language. Made from the
// program when the flow is built; it keeps nothing of the program.
class ObjectValue
{
public:
    // Nothing to show.
    ObjectValue() = default;
    // The object `object` refers to (kinds timer, comparator, logic rule; any
    // other kind, or a lookup without its object, shows nothing).
    ObjectValue(CDLGManager& manager, const CChoiceListItemObjectLookup& object,
                const std::locale& numbers);

    // Empty when there is nothing to show.
    const std::string& text() const { return m_text; }
    // Whether the object is a timer, whose text follows the controller's state.
    bool isTimer() const { return m_timer >= 0; }
    // The text with the state of the timer while the controller is shown
    // running: "5.00 s (3.2 s left)", "5.00 s (ran out)"; the time left in the
    // timer's unit to a tenth at most, rounded up. The text alone for an idle
    // timer, for a timer the state does not tell of and for any other object.
    std::string text(const NEBPT::FlowLiveState& live) const;

private:
    std::string m_text;
    long m_timer = -1; // the timer's index; -1: no timer
    std::string m_unit;
    double m_millisecondsPerUnit = 1000.0;
    unsigned m_liveDecimals = 1;
    std::locale m_numbers;
};
