#pragma once

#include "NEBPTResources.h"

#include <QtGlobal>

#include <array>

// The numbered strings in English, the source text of every translation
// (translation context "Strings"), sorted by number.
struct ResourceString
{
    unsigned id;
    const char* text;
};

inline constexpr std::array kResourceStrings = {
    ResourceString{res::IDS_ADD_PAIR_TO_END, QT_TRANSLATE_NOOP("Strings", "Add pair at end")},
    ResourceString{res::IDS_INSERT_PAIR_BEFORE, QT_TRANSLATE_NOOP("Strings", "Insert pair before")},
    ResourceString{res::IDS_DELETE_PAIR, QT_TRANSLATE_NOOP("Strings", "Delete pair")},
    ResourceString{res::IDS_COMPARATOR_TITLE, QT_TRANSLATE_NOOP("Strings", "Comparator %d")},
    ResourceString{res::IDS_TIMER_TITLE, QT_TRANSLATE_NOOP("Strings", "Timer %d")},
    ResourceString{res::IDS_EMPTY_PROGRAM,
                   QT_TRANSLATE_NOOP("Strings",
                                     "The logic controller program has no event/action pair "
                                     "yet.\nAdd one now?")},
    ResourceString{res::IDS_EDIT_TIMER, QT_TRANSLATE_NOOP("Strings", "Timer...")},
    ResourceString{res::IDS_EDIT_COMPARATOR, QT_TRANSLATE_NOOP("Strings", "Comparator...")},
    ResourceString{res::IDS_EDIT_LOGIC_RULE, QT_TRANSLATE_NOOP("Strings", "Logic rule...")},
    ResourceString{res::IDS_RULES_REFER_TO_EACH_OTHER,
                   QT_TRANSLATE_NOOP("Strings",
                                     "This logic rule cannot be used here: the logic rules would "
                                     "refer to each other in a loop.\nPlease choose another "
                                     "operand.")},
    ResourceString{res::IDS_SHOW_SETTINGS, QT_TRANSLATE_NOOP("Strings", "Controller settings...")},
    ResourceString{res::IDS_LOGIC_RULE_NAME, QT_TRANSLATE_NOOP("Strings", "Logic rule")},
    ResourceString{res::IDS_SETTINGS_TITLE,
                   QT_TRANSLATE_NOOP("Strings", "Logic controller settings")},
    ResourceString{res::IDS_RANGE_MESSAGE,
                   QT_TRANSLATE_NOOP("Strings", "Enter a number between %1 and %2.")},
    ResourceString{res::IDS_BUTTON_OK, QT_TRANSLATE_NOOP("Strings", "OK")},
    ResourceString{res::IDS_BUTTON_CANCEL, QT_TRANSLATE_NOOP("Strings", "Cancel")},
    ResourceString{res::IDS_BUTTON_YES, QT_TRANSLATE_NOOP("Strings", "&Yes")},
    ResourceString{res::IDS_BUTTON_NO, QT_TRANSLATE_NOOP("Strings", "&No")},
    ResourceString{res::IDS_PAIR_NUMBER, QT_TRANSLATE_NOOP("Strings", "Pair %d")},
    ResourceString{res::IDS_ACTIVE_STEP, QT_TRANSLATE_NOOP("Strings", "active")},
    ResourceString{res::IDS_TIMER_LEFT, QT_TRANSLATE_NOOP("Strings", "%s left")},
    ResourceString{res::IDS_TIMER_RAN_OUT, QT_TRANSLATE_NOOP("Strings", "ran out")},
    ResourceString{res::IDS_RULE_AND, QT_TRANSLATE_NOOP("Strings", "AND")},
    ResourceString{res::IDS_RULE_OR, QT_TRANSLATE_NOOP("Strings", "OR")},
    ResourceString{res::IDS_RULE_NOT, QT_TRANSLATE_NOOP("Strings", "NOT")},
    ResourceString{res::IDS_PROGRAM_MODE, QT_TRANSLATE_NOOP("Strings", "Controller: mode")},
    ResourceString{res::IDS_PROGRAM_PAIR_EVENT, QT_TRANSLATE_NOOP("Strings", "Pair %1: event")},
    ResourceString{res::IDS_PROGRAM_PAIR_ACTION, QT_TRANSLATE_NOOP("Strings", "Pair %1: action")},
    ResourceString{res::IDS_PROGRAM_TIMER, QT_TRANSLATE_NOOP("Strings", "Timer %1")},
    ResourceString{res::IDS_PROGRAM_COMPARATOR_OPERAND,
                   QT_TRANSLATE_NOOP("Strings", "Comparator %1: operand")},
    ResourceString{res::IDS_PROGRAM_COMPARATOR_OPERATOR,
                   QT_TRANSLATE_NOOP("Strings", "Comparator %1: operator")},
    ResourceString{res::IDS_PROGRAM_COMPARATOR_VALUE,
                   QT_TRANSLATE_NOOP("Strings", "Comparator %1: value")},
    ResourceString{res::IDS_PROGRAM_RULE_OPERAND_1,
                   QT_TRANSLATE_NOOP("Strings", "Logic rule %1: operand 1")},
    ResourceString{res::IDS_PROGRAM_RULE_OPERATOR_1,
                   QT_TRANSLATE_NOOP("Strings", "Logic rule %1: operator 1")},
    ResourceString{res::IDS_PROGRAM_RULE_OPERAND_2,
                   QT_TRANSLATE_NOOP("Strings", "Logic rule %1: operand 2")},
    ResourceString{res::IDS_PROGRAM_RULE_OPERATOR_2,
                   QT_TRANSLATE_NOOP("Strings", "Logic rule %1: operator 2")},
    ResourceString{res::IDS_PROGRAM_RULE_OPERAND_3,
                   QT_TRANSLATE_NOOP("Strings", "Logic rule %1: operand 3")},
    ResourceString{res::IDS_PROGRAM_START_EVENT,
                   QT_TRANSLATE_NOOP("Strings", "Controller: start event")},
    ResourceString{res::IDS_PROGRAM_STOP_EVENT,
                   QT_TRANSLATE_NOOP("Strings", "Controller: stop event")},
    ResourceString{res::IDS_PROGRAM_COMPARATOR, QT_TRANSLATE_NOOP("Strings", "Comparator %1")},
    ResourceString{res::IDS_PROGRAM_LOGIC_RULE, QT_TRANSLATE_NOOP("Strings", "Logic rule %1")},
    ResourceString{res::IDS_PROGRAM_CHOICE_VALUE, QT_TRANSLATE_NOOP("Strings", "value %1")},
    ResourceString{res::IDS_PROGRAM_PARAMETER, QT_TRANSLATE_NOOP("Strings", "parameter %1")},
    ResourceString{res::IDS_PROGRAM_PARAMETER_ELEMENT,
                   QT_TRANSLATE_NOOP("Strings", "parameter %1 element %2")},
    ResourceString{res::IDS_CHECK_DISABLED_COMPARATOR,
                   QT_TRANSLATE_NOOP("Strings", "%1 \"%2\" refers to %3, which is disabled")},
    ResourceString{res::IDS_CHECK_EMPTY_LOGIC_RULE,
                   QT_TRANSLATE_NOOP("Strings", "%1 \"%2\" refers to %3, which is empty")},
    ResourceString{res::IDS_CHECK_TIMER_AT_ZERO,
                   QT_TRANSLATE_NOOP("Strings", "%1 \"%2\" refers to %3, which is %4")},
    ResourceString{
        res::IDS_CHECK_NO_START_EVENT,
        QT_TRANSLATE_NOOP("Strings", "Controller: mode %1 with no start event (start event %2)")},
    ResourceString{res::IDS_CHECK_RULE_LOOP,
                   QT_TRANSLATE_NOOP("Strings", "%1 refers to itself: %2")},
    ResourceString{res::IDS_CHECK_UNUSED,
                   QT_TRANSLATE_NOOP("Strings", "%1 is set up but used by no pair")},
    ResourceString{res::IDS_DOC_TITLE, QT_TRANSLATE_NOOP("Strings", "Controller program")},
    ResourceString{res::IDS_DOC_PROJECT, QT_TRANSLATE_NOOP("Strings", "Project")},
    ResourceString{res::IDS_DOC_AUTHOR, QT_TRANSLATE_NOOP("Strings", "Author")},
    ResourceString{res::IDS_DOC_REVISION, QT_TRANSLATE_NOOP("Strings", "Revision")},
    ResourceString{res::IDS_DOC_DATE, QT_TRANSLATE_NOOP("Strings", "Date")},
    ResourceString{res::IDS_DOC_PAGE, QT_TRANSLATE_NOOP("Strings", "Page %1 of %2")},
    ResourceString{res::IDS_DOC_IDENTITY,
                   QT_TRANSLATE_NOOP("Strings", "Drive %1, AOC %2, database %3")},
    ResourceString{res::IDS_DOC_CONTINUED, QT_TRANSLATE_NOOP("Strings", "%1 (continued)")},
    ResourceString{res::IDS_DOC_CONTINUED_ON, QT_TRANSLATE_NOOP("Strings", "Continued on page %1")},
    ResourceString{res::IDS_DOC_CONTINUED_FROM,
                   QT_TRANSLATE_NOOP("Strings", "Continued from page %1")},
    ResourceString{res::IDS_DOC_FLOW, QT_TRANSLATE_NOOP("Strings", "Program flow")},
    ResourceString{res::IDS_DOC_IF, QT_TRANSLATE_NOOP("Strings", "If")},
    ResourceString{res::IDS_DOC_THEN, QT_TRANSLATE_NOOP("Strings", "Then")},
    ResourceString{res::IDS_DOC_CONTROLLER_LINE,
                   QT_TRANSLATE_NOOP("Strings", "Mode %1, start event %2, stop event %3")},
    ResourceString{res::IDS_DOC_END, QT_TRANSLATE_NOOP("Strings", "End of the program")},
    ResourceString{res::IDS_DOC_PAIRS, QT_TRANSLATE_NOOP("Strings", "Pairs: %1 of %2")},
    ResourceString{res::IDS_DOC_COMPARATORS, QT_TRANSLATE_NOOP("Strings", "Comparators")},
    ResourceString{res::IDS_DOC_LOGIC_RULES, QT_TRANSLATE_NOOP("Strings", "Logic rules")},
    ResourceString{res::IDS_DOC_TIMERS, QT_TRANSLATE_NOOP("Strings", "Timers")},
    ResourceString{res::IDS_DOC_CONTROLLER, QT_TRANSLATE_NOOP("Strings", "Controller settings")},
    ResourceString{res::IDS_DOC_NONE, QT_TRANSLATE_NOOP("Strings", "None used by the program")},
    ResourceString{res::IDS_DOC_PAIR, QT_TRANSLATE_NOOP("Strings", "Pair %1")},
    ResourceString{res::IDS_DOC_COLUMN_PAIR, QT_TRANSLATE_NOOP("Strings", "Pair")},
    ResourceString{res::IDS_DOC_COLUMN_EVENT, QT_TRANSLATE_NOOP("Strings", "Event")},
    ResourceString{res::IDS_DOC_COLUMN_ACTION, QT_TRANSLATE_NOOP("Strings", "Action")},
    ResourceString{res::IDS_DOC_COLUMN_COMPARATOR, QT_TRANSLATE_NOOP("Strings", "Comparator")},
    ResourceString{res::IDS_DOC_COLUMN_CONDITION, QT_TRANSLATE_NOOP("Strings", "Condition")},
    ResourceString{res::IDS_DOC_COLUMN_LIMITS, QT_TRANSLATE_NOOP("Strings", "Limits")},
    ResourceString{res::IDS_DOC_COLUMN_FORMULA, QT_TRANSLATE_NOOP("Strings", "Formula")},
    ResourceString{res::IDS_DOC_COLUMN_TIMER, QT_TRANSLATE_NOOP("Strings", "Timer")},
    ResourceString{res::IDS_DOC_COLUMN_TIME, QT_TRANSLATE_NOOP("Strings", "Time")},
    ResourceString{res::IDS_DOC_COLUMN_SETTING, QT_TRANSLATE_NOOP("Strings", "Setting")},
    ResourceString{res::IDS_DOC_COLUMN_VALUE, QT_TRANSLATE_NOOP("Strings", "Value")},
    ResourceString{res::IDS_DOC_MODE, QT_TRANSLATE_NOOP("Strings", "Mode")},
    ResourceString{res::IDS_DOC_START_EVENT, QT_TRANSLATE_NOOP("Strings", "Start event")},
    ResourceString{res::IDS_DOC_STOP_EVENT, QT_TRANSLATE_NOOP("Strings", "Stop event")},
    ResourceString{res::IDS_DOC_LIMITS, QT_TRANSLATE_NOOP("Strings", "%1 to %2")},
};

namespace check {

constexpr bool sortedAndComplete()
{
    if (kResourceStrings.size() != res::kStrings.size())
        return false;
    for (size_t i = 0; i < kResourceStrings.size(); ++i) {
        if (i > 0 && kResourceStrings[i - 1].id >= kResourceStrings[i].id)
            return false;
        bool named = false;
        for (unsigned id : res::kStrings)
            named = named || id == kResourceStrings[i].id;
        if (!named)
            return false;
    }
    return true;
}

} // namespace check

// Looked up by binary search: sorted; and every string the header names is here.
static_assert(check::sortedAndComplete());
