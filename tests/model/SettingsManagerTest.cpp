#include "ModelFixture.h"

#include "EventDispacher.h"
#include "Settings_Manager/CSettingsManager.h"

using namespace modeltest;

namespace {

using SettingsManagerTest = ModelFixture;

std::vector<unsigned> sizesOf(const CSettingsManager& manager)
{
    const ProgramSizes& s = manager.getSizes();
    return {s.logicRules, s.comparators, s.pairs, s.timers};
}

TEST_F(SettingsManagerTest, InitIdentifiesRegistersAndSizes)
{
    host.parameter(1320).elementCount = 65536 + 3;
    CSettingsManager manager(&host);
    host.clearCalls();
    manager.init();

    ASSERT_EQ(host.calls().size(), 6u);
    EXPECT_EQ(host.calls()[0].operation, "GetDriveIdentity");
    EXPECT_EQ(host.calls()[1].operation, "RegisterParameters");
    EXPECT_EQ(host.calls()[1].arguments.size(), 14u) << "every parameter the editor uses";
    EXPECT_EQ(argumentsOf(host, "GetElementCount"),
              (std::vector<Strings>{{"1320"}, {"1310"}, {"1301"}, {"1303"}}));
    EXPECT_EQ(sizesOf(manager), (std::vector<unsigned>{3, 6, 20, 8})) << "the low sixteen bits";
}

TEST_F(SettingsManagerTest, FailedConnectionsKeepTheOldSizes)
{
    CSettingsManager manager(&host);
    manager.init();
    host.driveName = "FCD-999";
    host.clearCalls();
    expectFailure([&] { manager.init(); }, 5, 0, "unknown drive");
    EXPECT_NE(logLines().at(0).find("Parameter node not found"), std::string::npos);
    EXPECT_EQ(host.calls().size(), 1u) << "nothing after the identification";
    EXPECT_EQ(sizesOf(manager), (std::vector<unsigned>{6, 6, 20, 8}));

    // Each size is kept as it is read; the identification's failure is the host's own.
    host.driveName = "FCD-300";
    host.parameter(1320).elementCount = 5;
    host.parameter(1310).elementCount = 4;
    host.clearCalls();
    host.failAtCall(5); // the pairs' count
    expectFailure([&] { manager.init(); }, 1, 1, "count of pairs");
    EXPECT_EQ(sizesOf(manager), (std::vector<unsigned>{5, 4, 20, 8}));
    host.failOperation("GetDriveIdentity");
    EXPECT_THROW(manager.init(), std::runtime_error);
}

TEST_F(SettingsManagerTest, ASecondInitSwitchesDriveButKeepsCachedChoiceLists)
{
    CSettingsManager manager(&host);
    manager.init();
    EXPECT_FALSE(manager.getFunc().getChoicelist(param(kEvent, 0)).isEmpty());

    // Database 02.15 keeps the program in parameters 17xx.
    for (unsigned long number : {1301UL, 1303UL, 1310UL, 1320UL}) {
        host.parameters[number + 400] = host.parameter(number);
        host.parameters[number + 400].elementCount = 4;
    }
    host.dbVersion = "02.15";
    host.clearCalls();
    manager.init();
    EXPECT_EQ(host.calls()[1].arguments.at(0), "1700");
    EXPECT_EQ(sizesOf(manager), (std::vector<unsigned>{4, 4, 4, 4}));
    manager.getFunc().getChoicelist(param(kEvent, 0));
    EXPECT_EQ(host.callCount("GetChoiceList"), 0u) << "the list for 1301 is still cached";
}

TEST_F(SettingsManagerTest, ACopyWorksOnItsOwnParts)
{
    CSettingsManager original(&host);
    original.init();
    CSettingsManager copy = original;
    copy.getFunc().getChoicelist(param(kAction, 0));
    EXPECT_FALSE(copy.getStock().getChoicelist(param(kAction, 0)).isEmpty());
    EXPECT_TRUE(original.getStock().getChoicelist(param(kAction, 0)).isEmpty());

    const CEventDispacher dispatcher(&host);
    CEventDispacher dispatcherCopy = dispatcher;
    CSettingsManager& inCopy = dispatcherCopy.getSettingsManager();
    EXPECT_EQ(inCopy.getFunc().getStock(), &inCopy.getStock());
}

} // namespace
