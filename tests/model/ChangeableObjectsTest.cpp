#include "ModelFixture.h"

#include "Settings_Manager/CNEB_Comparator.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"
#include "framework/Resources.h"
#include "languages/common/NEBPTResources.h"

#include <dlfcn.h>

#include <tuple>

// The string table of a language library, for the test program itself to act as one.
extern "C" __attribute__((visibility("default"))) const char* nebpt_resource_string(unsigned id)
{
    return id == res::IDS_LOGIC_RULE_NAME ? "Logic rule" : nullptr;
}

using namespace modeltest;

namespace {

using ChangeableObjectsTest = ModelFixture;

// Comparator 0 of the sample: "Motor speed" "Greater than" 1200.000; logic rule 1:
// "Logic rule 0" OR "Comparator 2" AND NOT "Timeout 2".
TEST_F(ChangeableObjectsTest, ComparatorReadsItsLimitsOnceAsWholeNumbersAndEditsOnlyInMemory)
{
    host.parameter(1312).minimum = "-7.9";
    host.parameter(1312).maximum = "12.5";
    CNEB_Comparator comparator(0, &func);
    EXPECT_EQ(comparator.getOperandItem().getText(), "Motor speed");
    EXPECT_EQ(comparator.getOperatorItem().getText(), "Greater than");
    double minimum = 1, maximum = 1;
    unsigned decimals = 1;
    comparator.getValueLimits(minimum, maximum, decimals);
    EXPECT_EQ(std::make_tuple(minimum, maximum, decimals), std::make_tuple(-7.0, 12.0, 3u));

    host.clearCalls();
    comparator.setValue(2.5);
    comparator.setOperandItem(choice(4));
    comparator.setOperatorItem(choice(1));
    EXPECT_EQ(entries(comparator.getChangeBunch()),
              (Strings{"1310.0=4", "1311.0=1", "1312.0=2.500000"}));
    EXPECT_TRUE(host.calls().empty());

    comparator.reread();
    EXPECT_EQ(host.callCount("GetParameterAttributes"), 0u) << "limits are not read again";
    EXPECT_EQ(entries(comparator.getChangeBunch()),
              (Strings{"1310.0=3", "1311.0=2", "1312.0=1200.000"}));
}

TEST_F(ChangeableObjectsTest, LogicRuleEditsItsFiveElementsAndRefusesNumbersOutOfRange)
{
    CNEB_LogicRule rule(1, &func);
    EXPECT_EQ(rule.getOperandItem(2).getText(), "Timeout 2") << "operand 3's item";
    EXPECT_EQ(rule.getOperatorItem(1).getText(), "AND NOT");
    rule.setOperandItem(choice(5), 1);
    rule.setOperatorItem(choice(7), 1);
    EXPECT_EQ(entries(rule.getChangeBunch()),
              (Strings{"1320.1=28", "1321.1=2", "1322.1=5", "1323.1=7", "1324.1=36"}));

    host.setValue(1322, 1, "4");
    rule.reread();
    EXPECT_EQ(rule.getOperandItem(1).getText(), "On reference");

    // Operand and operator numbers out of range are refused and change nothing.
    const Strings before = entries(rule.getChangeBunch());
    expectFailure([&] { rule.getOperandItem(3); }, 1, 2130);
    expectFailure([&] { rule.getOperatorItem(2); }, 1, 2131);
    expectFailure([&] { rule.setOperandItem(choice(1), 3); }, 0, 2132);
    expectFailure([&] { rule.setOperatorItem(choice(1), 2); }, 0, 2133);
    EXPECT_EQ(entries(rule.getChangeBunch()), before);
}

TEST_F(ChangeableObjectsTest, LogicRuleNameStartsWithTheLanguageString)
{
    const CNEB_LogicRule rule(4, &func);
    EXPECT_EQ(rule.getName(), " 4") << "no language library: an empty string";

    void* self = dlopen(nullptr, RTLD_NOW);
    ASSERT_NE(self, nullptr);
    const fw::LibraryHandle previous = fw::setCurrentResourceLibrary(self);
    const std::string name = rule.getName();
    fw::setCurrentResourceLibrary(previous);
    dlclose(self);
    EXPECT_EQ(name, "Logic rule 4");
}

TEST_F(ChangeableObjectsTest, TimerReadsTheDescriptionEachTime)
{
    CNEB_Timer timer(1, &func);
    EXPECT_DOUBLE_EQ(timer.getValue(), 12.5);
    timer.setValue(42.25);
    EXPECT_EQ(entries(timer.getChangeBunch()), (Strings{"1303.1=42.250000"}));

    // Unlike a comparator's limits, the description follows the drive.
    host.parameter(kTimer).minimum = "1";
    host.parameter(kTimer).maximum = "99.99";
    host.parameter(kTimer).unit = "min";
    host.parameter(kTimer).decimals = "1";
    timer.reread();
    double minimum = 0, maximum = 0;
    std::string unit;
    unsigned decimals = 0;
    timer.getValueDescription(minimum, maximum, unit, decimals);
    EXPECT_EQ(std::make_tuple(minimum, maximum, unit, decimals),
              std::make_tuple(1.0, 99.0, std::string("min"), 1u));
}

TEST_F(ChangeableObjectsTest, SettingsAreThreePlainParametersAndAFailedReadIsOnlyLogged)
{
    // Choice values are 32-bit and signed on the wire: -1 is an item like any other.
    host.parameter(1306).choices.push_back("-1:Never");
    host.setValue(1306, -1, "-1");
    CNEB_Settings settings(&func);
    EXPECT_EQ(settings.getItem(0).getText(), "On");
    EXPECT_EQ(settings.getItem(2).getText(), "Never");
    EXPECT_TRUE(settings.isComplete());
    settings.setItem(settings.getChoicelist(0).findItem(0), 0);
    settings.setItem(settings.getItem(2), 2);
    settings.setItem(settings.getChoicelist(1).findItem(19), 1);
    EXPECT_EQ(entries(settings.getChangeBunch()),
              (Strings{"1300.-1=0", "1305.-1=19", "1306.-1=-1"}));
    EXPECT_TRUE(logLines().empty());

    host.clearCalls();
    host.failAtCall(3);                // the stop event's value
    const CNEB_Settings failed(&func); // does not throw
    EXPECT_FALSE(failed.isComplete()); // and may not be written
    EXPECT_EQ(failed.getItem(1).getText(), "Running");

    const Strings lines = logLines();
    ASSERT_EQ(lines.size(), 2u) << "the data manager's failure and the constructor's line";
    EXPECT_NE(lines[1].find("Settings_Manager/CNEB_Settings.cpp CNEB_Settings constructor"),
              std::string::npos);
}

} // namespace
