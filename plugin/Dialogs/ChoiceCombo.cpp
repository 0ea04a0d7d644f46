#include "Dialogs/ChoiceCombo.h"

#include "framework/widgets/ComboBox.h"

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

} // namespace choicecombo
