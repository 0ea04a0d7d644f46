#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/CSettingStock.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace {

CNEB_ChoicelistItem item(unsigned long id, const std::string& text, unsigned long parameter = 1301)
{
    CNEB_ChoicelistItem result;
    result.setID(id);
    result.setText(text);
    result.setParameterNumber(parameter);
    return result;
}

CChoicelistParameter element(unsigned long number, long index)
{
    CChoicelistParameter parameter;
    parameter.setNumber(number);
    parameter.setIndex(index);
    return parameter;
}

// Expects `call` to fail as a fault of category 0 raised in `file`.
template <typename Call> void expectFault(Call call, const std::string& file)
{
    testsupport::ScratchFolder logs;
    testsupport::TempFolderGuard tmp(logs.path());
    try {
        call();
        ADD_FAILURE() << "no exception from " << file;
    } catch (const CCustomException& e) {
        EXPECT_EQ(std::make_pair(e.getCategory(), e.getFile()), std::make_pair(0, file));
    }
}

} // namespace

TEST(ParameterTest, ValueTextsCopiesAndIndexComparison)
{
    CChoicelistParameter choice = element(1301, 3);
    EXPECT_EQ(choice.getValue(), 0) << "an empty text";
    choice.setValue(7);
    EXPECT_EQ(choice.getText(), "7");
    CFloatParameter number;
    number.setValue(1.5);
    EXPECT_EQ(number.getText(), "1.500000");
    number.setText("fast");
    EXPECT_DOUBLE_EQ(number.getValue(), 0.0);

    CChoicelistParameter other = element(1301, 1);
    EXPECT_EQ(choice.compareIndex(other), 2);
    other.copyText(choice);
    EXPECT_EQ(other.getText(), "7");
    EXPECT_EQ(other.getIndex(), 1) << "copyText keeps number and index";

    // Elements of different parameters must not compare.
    expectFault([&] { choice.compareIndex(element(1302, 3)); }, "Settings_Stock/CNEBParameter.cpp");
}

TEST(ChoicelistTest, KeepsOrderAndFindsTheFirstMatch)
{
    CNEB_Choicelist list;
    EXPECT_TRUE(list.isEmpty());
    list.addItem(item(3, "Running"));
    list.addItem(item(7, "First seven"));
    list.addItem(item(7, "Second seven"));
    EXPECT_FALSE(list.isEmpty());

    std::vector<std::string> texts;
    for (const auto& i : list)
        texts.push_back(i.getText());
    EXPECT_EQ(texts, (std::vector<std::string>{"Running", "First seven", "Second seven"}));
    EXPECT_EQ(list.findItem(7).getText(), "First seven");

    CNEB_Choicelist copy = list;
    copy.findItem(3).setText("changed");
    EXPECT_EQ(list.findItem(3).getText(), "Running") << "copies hold their own items";

    expectFault([&] { list.findItem(99); }, "Settings_Stock/CNEB_Choicelist.cpp"); // not offered
}

TEST(SettingStockTest, OneListPerParameterNumberWithStableReferences)
{
    CSettingStock stock;
    CNEB_Choicelist& first = stock.getChoicelist(element(1301, 0));
    first.addItem(item(1, "True"));
    CNEB_Choicelist& sameParameter = stock.getChoicelist(element(1301, 5));
    EXPECT_EQ(&first, &sameParameter) << "all elements of an array share one list";

    for (unsigned long number = 1; number < 200; ++number)
        stock.getChoicelist(element(number, -1)).addItem(item(number, "x", number));
    EXPECT_EQ(&stock.getChoicelist(element(1301, 0)), &first) << "references survive growth";
    EXPECT_EQ(first.findItem(1).getText(), "True");

    CSettingStock copy = stock;
    EXPECT_NE(&copy.getChoicelist(element(1301, 0)), &first);
    EXPECT_EQ(copy.getChoicelist(element(1301, 0)).findItem(1).getText(), "True");
}
