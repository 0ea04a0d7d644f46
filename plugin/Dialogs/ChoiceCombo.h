#pragma once

#include "Settings_Stock/CNEB_Choicelist.h"

#include <deque>
#include <map>
#include <memory>

namespace fw {
class CComboBox;
class ListEntries;
} // namespace fw

// Drop-down lists of choices. Every entry carries a copy of its item, kept by
// the dialog that shows the list (or by the SharedLists it shows), so no list
// points into the stock.
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

// The entries of choice lists that many lists show (the event and action boxes of
// a flow): each choice list's texts and copies of its items are kept once, and
// every list that offers its choices shows them with a selection of its own.
class SharedLists
{
public:
    // Whether the lists shown are told when their entries go (`Lists::Told`), or
    // are sure to go first (`Lists::GoFirst`): then each list drops its links to
    // the entries it shows (some 700 bytes a list), the entries never changing
    // while shown.
    enum class Lists
    {
        Told,
        GoFirst
    };
    explicit SharedLists(Lists lists = Lists::Told);
    ~SharedLists();
    SharedLists(const SharedLists&) = delete;
    SharedLists& operator=(const SharedLists&) = delete;

    // Shows the entries of `choices` in `list`, made when first asked for, and
    // selects the entry whose item has `currentId` (the last of several), as
    // fill does.
    void show(fw::CComboBox& list, const CNEB_Choicelist& choices, unsigned long currentId);
    // Lets go of every choice list's entries: a list shown now is left empty
    // (Lists::Told); with Lists::GoFirst no list may show them any more.
    void clear();
    // Called right before every list shown goes, all of them at once (see
    // fw::ListEntries::releaseLists); clear follows once they are gone.
    void releaseLists();

private:
    struct Entries;
    const Lists m_lists;
    std::map<const CNEB_Choicelist*, std::unique_ptr<Entries>> m_entries;
};

} // namespace choicecombo
