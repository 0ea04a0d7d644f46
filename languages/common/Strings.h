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
