#include "ProgramFixture.h"

#include "Settings_Manager/CNEB_EAPair.h"
#include "Settings_Stock/CNEB_Choicelist.h"

using modeltest::kAction;
using modeltest::kEvent;

namespace {

class PairTest : public modeltest::ProgramFixture
{};

TEST_F(PairTest, ReadsEventBeforeActionAndWritesActionFirst)
{
    storeSteps({{0, 0}, {0, 0}, {0, 0}, {2, 22}});
    host.clearCalls();

    CNEB_EAPair pair(3, &func, &stock);

    ASSERT_EQ(host.callCount("ReadParameterValue"), 2u);
    EXPECT_EQ(host.calls()[0].arguments[0], "1301");
    EXPECT_EQ(host.calls()[0].arguments[1], "3");
    EXPECT_EQ(host.calls()[1].arguments[0], "1302");
    EXPECT_EQ(host.calls()[1].arguments[1], "3");

    EXPECT_EQ(pair.getIndex(), 3);
    EXPECT_EQ(pair.getEvent().getItem().getText(), "Running");
    EXPECT_EQ(pair.getAction().getItem().getText(), "Start");
    EXPECT_TRUE(pair.isActive());
    EXPECT_EQ(entries(pair.getChangeBunch()), (std::vector<std::string>{"1302.3=22", "1301.3=2"}));
    EXPECT_EQ(entries(pair.getChangeBunch()), entries(pair.getChangeBunch()))
        << "an unchanged pair yields the same bunch";
}

TEST_F(PairTest, TheDisabledActionEndsWhateverTheEvent)
{
    storeSteps({{1, 0}, {5, 1}});
    CNEB_EAPair disabled(0, &func, &stock);
    CNEB_EAPair active(1, &func, &stock);
    EXPECT_FALSE(disabled.isActive());
    EXPECT_FALSE(disabled.getAction().isEnabled());
    EXPECT_TRUE(active.isActive());

    active.setEndMarker();
    EXPECT_EQ(entries(active.getChangeBunch()), (std::vector<std::string>{"1302.1=0", "1301.1=0"}));
    EXPECT_FALSE(active.isActive());

    disabled.setDefaults();
    EXPECT_EQ(entries(disabled.getChangeBunch()),
              (std::vector<std::string>{"1302.0=1", "1301.0=0"}));
    EXPECT_TRUE(disabled.isActive());
    EXPECT_EQ(host.value(kAction, 1), "1") << "editing never writes to the drive";
}

TEST_F(PairTest, SetItemStoresTheItemsId)
{
    CNEB_EAPair pair(0, &func, &stock);
    CNEB_ChoicelistItem seven;
    seven.setID(7);
    pair.getEvent().setItem(seven);
    EXPECT_EQ(pair.getEvent().getParameter().getText(), "7");

    const CNEB_ChoicelistItem& stop = pair.getAction().getChoicelist().findItem(24);
    pair.getAction().setItem(stop);
    EXPECT_EQ(pair.getAction().getItem().getText(), "Stop");
    EXPECT_EQ(&pair.getAction().getItem(), &stop) << "the item is the one held in the stock";
}

TEST_F(PairTest, CopyingValuesKeepsTheArrayIndexes)
{
    storeSteps({{0, 0}, {3, 24}, {0, 0}, {0, 0}, {19, 30}});
    CNEB_EAPair one(1, &func, &stock);
    CNEB_EAPair four(4, &func, &stock);

    four.copyValues(one);
    EXPECT_EQ(entries(four.getChangeBunch()), (std::vector<std::string>{"1302.4=24", "1301.4=3"}));
    EXPECT_NE(four.compare(one), 0);

    host.clearCalls();
    CNEB_EAPair copy(one);
    EXPECT_EQ(host.calls().size(), 0u) << "copies do not touch the drive";
    EXPECT_EQ(copy.compare(one), 0) << "the same pair, though another object";
    EXPECT_EQ(entries(copy.getChangeBunch()), entries(one.getChangeBunch()));

    CNEB_EAPair assigned(4, &func, &stock);
    assigned = one;
    EXPECT_EQ(assigned.compare(one), 0) << "assignment takes the index as well";
    EXPECT_EQ(entries(assigned.getChangeBunch()), entries(one.getChangeBunch()));
}

TEST_F(PairTest, RereadFollowsTheDriveAndAFailedReadKeepsTheValue)
{
    storeSteps({{2, 22}});
    CNEB_EAPair pair(0, &func, &stock);
    storeSteps({{16, 24}});
    pair.reread();
    EXPECT_EQ(entries(pair.getChangeBunch()), (std::vector<std::string>{"1302.0=24", "1301.0=16"}));

    storeSteps({{1, 1}});
    host.failOperation("ReadParameterValue");
    EXPECT_THROW(pair.reread(), CCustomException);
    EXPECT_THROW(CNEB_EAPair(1, &func, &stock), CCustomException);
    host.stopFailing();
    EXPECT_EQ(entries(pair.getChangeBunch()), (std::vector<std::string>{"1302.0=24", "1301.0=16"}));
}

TEST_F(PairTest, AValueOutsideTheChoiceListFailsClearly)
{
    host.setValue(kEvent, 0, "99");
    CNEB_EAPair pair(0, &func, &stock);
    try {
        pair.getEvent().getItem();
        ADD_FAILURE() << "99 is not offered by the event list";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getCategory(), 0);
        EXPECT_EQ(e.getFile(), "Settings_Stock/CNEB_Choicelist.cpp");
    }
    EXPECT_EQ(logLines().size(), 1u);
}

TEST_F(PairTest, SpecialItemsAreLookedUpAnewEachTime)
{
    storeSteps({{2, 24}});
    CNEB_EAPair pair(0, &func, &stock);
    EXPECT_TRUE(pair.isActive());

    // The configuration changes under the pair: "Stop" now disables, and the
    // default items are gone.
    testsupport::ScratchFolder folder;
    folder.writeText("drives_conf.neb",
                     "<DriveConfiguration><drive name=\"FCD-300\"><Compatibility>"
                     "<property ID=\"MIN_DB\">100</property></Compatibility><ParameterNumbers>"
                     "<parameter ID=\"EVENT\">1301</parameter>"
                     "<parameter ID=\"ACTION\">1302</parameter></ParameterNumbers>"
                     "<SpecialChoicelistItems><item ID=\"ACTION_COMMAND_DISABLED\">24</item>"
                     "</SpecialChoicelistItems></drive></DriveConfiguration>");
    {
        testsupport::ExecutableFolderGuard exe(folder.path());
        stock.initConfiguration(host.driveName, host.aocVersion, host.dbVersion);
    }
    EXPECT_FALSE(pair.isActive());
    pair.getAction().setDisabled();
    EXPECT_EQ(pair.getAction().getParameter().getText(), "24");
    try {
        pair.setDefaults();
        ADD_FAILURE() << "the configuration names no default event";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getText(), "Choicelist node not found");
    }
}

} // namespace
