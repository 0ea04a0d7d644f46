#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/CSettingStock.h"

#include <gtest/gtest.h>

TEST(SettingStockTest, ListReferencesSurviveTheStocksGrowth)
{
    CSettingStock stock;
    std::vector<CNEB_Choicelist*> lists;
    for (unsigned long number = 1; number < 200; ++number) {
        CChoicelistParameter parameter;
        parameter.setNumber(number);
        CNEB_ChoicelistItem item;
        item.setID(number);
        CNEB_Choicelist& list = stock.getChoicelist(parameter);
        list.addItem(item);
        lists.push_back(&list);
    }
    for (unsigned long number = 1; number < 200; ++number) {
        CChoicelistParameter parameter;
        parameter.setNumber(number);
        EXPECT_EQ(&stock.getChoicelist(parameter), lists[number - 1]) << number;
        EXPECT_EQ(lists[number - 1]->findItem(number).getID(), number);
    }
}
