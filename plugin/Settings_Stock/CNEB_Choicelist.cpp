#include "Settings_Stock/CNEB_Choicelist.h"

#include "External_Data_Manager/ExternalDataManager.h"

CNEB_ChoicelistItem::~CNEB_ChoicelistItem() = default;

CNEB_Choicelist::~CNEB_Choicelist() = default;

CNEB_ChoicelistItem& CNEB_Choicelist::findItem(unsigned long id)
{
    for (auto& item : m_items) {
        if (item.getID() == static_cast<uint32_t>(id))
            return item;
    }
    throw NEB_EXCEPTION(0, 1);
}
