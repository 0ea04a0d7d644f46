#include "Dialogs/ChoiceCombo.h"

#include "framework/widgets/ComboBox.h"

#include <QComboBox>

#include <algorithm>
#include <iterator>

namespace choicecombo {

namespace {

// Selects the entry of an item with `*currentId` when that is given; with
// several such items, the last.
void fillList(fw::CComboBox& list, const CNEB_Choicelist& choices, const unsigned long* currentId,
              Items& items)
{
    list.ResetContent();
    for (const CNEB_ChoicelistItem& item : choices) {
        const int entry = list.AddString(item.getText());
        if (entry == fw::CB_ERR)
            continue;
        if (currentId && item.getID() == *currentId)
            list.SetCurSel(entry);
        items.push_back(item);
        list.SetItemDataPtr(entry, &items.back());
    }
}

} // namespace

void fill(fw::CComboBox& list, const CNEB_Choicelist& choices, Items& items)
{
    fillList(list, choices, nullptr, items);
}

void fill(fw::CComboBox& list, const CNEB_Choicelist& choices, unsigned long currentId,
          Items& items)
{
    fillList(list, choices, &currentId, items);
}

CNEB_ChoicelistItem* selected(const fw::CComboBox& list)
{
    const int entry = list.GetCurSel();
    if (entry == fw::CB_ERR)
        return nullptr;
    return static_cast<CNEB_ChoicelistItem*>(list.GetItemDataPtr(entry));
}

struct SharedLists::Entries
{
    fw::ListEntries entries;
    Items items;
};

SharedLists::SharedLists(Lists lists) : m_lists(lists) {}

SharedLists::~SharedLists() = default;

void SharedLists::show(fw::CComboBox& list, const CNEB_Choicelist& choices, unsigned long currentId)
{
    std::unique_ptr<Entries>& shown = m_entries[&choices];
    if (!shown) {
        shown = std::make_unique<Entries>();
        for (const CNEB_ChoicelistItem& item : choices) {
            shown->items.push_back(item);
            shown->entries.add(item.getText(), reinterpret_cast<uintptr_t>(&shown->items.back()));
        }
    }
    list.ShowEntries(shown->entries);
    if (m_lists == Lists::GoFirst && list.combo())
        QObject::disconnect(&shown->entries, nullptr, list.combo(), nullptr);
    const auto current = std::find_if(
        shown->items.rbegin(), shown->items.rend(),
        [currentId](const CNEB_ChoicelistItem& item) { return item.getID() == currentId; });
    if (current != shown->items.rend())
        list.SetCurSel(static_cast<int>(std::distance(current, shown->items.rend())) - 1);
}

void SharedLists::clear()
{
    m_entries.clear();
}

void SharedLists::releaseLists()
{
    for (auto& entries : m_entries)
        entries.second->entries.releaseLists();
}

} // namespace choicecombo
