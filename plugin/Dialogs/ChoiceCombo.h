#pragma once

#include "Settings_Stock/CNEB_Choicelist.h"

#include <deque>

namespace fw {
class CComboBox;
}

// Drop-down lists of choices. Every entry carries a copy of its item, kept by
// the dialog that shows the list, so no list points into the stock.
namespace choicecombo {

// The copies the entries point at; they keep their addresses while more are added.
using Items = std::deque<CNEB_ChoicelistItem>;

// Empties `list`, then appends every choice's text in stored order and attaches
// to its entry a copy of its item, kept in `items`.
void fill(fw::CComboBox& list, const CNEB_Choicelist& choices, Items& items);
// Like fill, then selects the entry whose item has `currentId`.
void fill(fw::CComboBox& list, const CNEB_Choicelist& choices, unsigned long currentId,
          Items& items);
// The item attached to the selected entry; null without a selection or without an item.
CNEB_ChoicelistItem* selected(const fw::CComboBox& list);

} // namespace choicecombo
