#include "ModelFixture.h"

#include "Settings_Manager/CNEB_Comparator.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"

#include <tuple>

// What the objects write and read back is checked end to end by the host's drive
// editing test; here what only they decide.

using namespace modeltest;

namespace {

using ChangeableObjectsTest = ModelFixture;

TEST_F(ChangeableObjectsTest,
       ComparatorLimitsAreWholeNumbersReadOnceTimerDescriptionFollowsTheDrive)
{
    host.parameter(1312).minimum = "-7.9";
    host.parameter(1312).maximum = "12.5";
    CNEB_Comparator comparator(0, &func);
    comparator.reread();
    double minimum = 1, maximum = 1;
    unsigned decimals = 1;
    comparator.getValueLimits(minimum, maximum, decimals);
    EXPECT_EQ(std::make_tuple(minimum, maximum, decimals), std::make_tuple(-7.0, 12.0, 3u));
    EXPECT_EQ(host.callCount("GetParameterAttributes"), 1u);

    CNEB_Timer timer(1, &func);
    host.parameter(kTimer).minimum = "1";
    host.parameter(kTimer).maximum = "99.99";
    host.parameter(kTimer).unit = "min";
    host.parameter(kTimer).decimals = "1";
    timer.reread();
    std::string unit;
    timer.getValueDescription(minimum, maximum, unit, decimals);
    EXPECT_EQ(std::make_tuple(minimum, maximum, unit, decimals),
              std::make_tuple(1.0, 99.0, std::string("min"), 1u));

    // Limits, decimals and values that are no number read as 0; operand and
    // operator values that no item has are refused by the choice list.
    for (unsigned long number : {1312ul, kTimer}) {
        host.parameter(number).minimum = "low";
        host.parameter(number).maximum = "-";
        host.parameter(number).decimals = "two";
        host.setValue(number, 1, "n/a");
    }
    host.setValue(1310, 1, "999");
    host.setValue(1311, 1, "999");
    const CNEB_Comparator odd(1, &func);
    odd.getValueLimits(minimum, maximum, decimals);
    EXPECT_EQ(std::make_tuple(minimum, maximum, decimals, odd.getValue()),
              std::make_tuple(0.0, 0.0, 0u, 0.0));
    expectFailure([&] { odd.getOperandItem(); }, 0, 1, "operand");
    expectFailure([&] { odd.getOperatorItem(); }, 0, 1, "operator");
    timer.reread();
    timer.getValueDescription(minimum, maximum, unit, decimals);
    EXPECT_EQ(std::make_tuple(minimum, maximum, decimals, timer.getValue()),
              std::make_tuple(0.0, 0.0, 0u, 0.0));
}

TEST_F(ChangeableObjectsTest, LogicRuleRefusesOperandAndOperatorNumbersOutOfRange)
{
    CNEB_LogicRule rule(1, &func);
    const Strings before = entries(rule.getChangeBunch());
    expectFailure([&] { rule.getOperandItem(3); }, 1, 2130);
    expectFailure([&] { rule.getOperatorItem(2); }, 1, 2131);
    expectFailure([&] { rule.setOperandItem(choice(1), 3); }, 0, 2132);
    expectFailure([&] { rule.setOperatorItem(choice(1), 2); }, 0, 2133);
    EXPECT_EQ(entries(rule.getChangeBunch()), before);

    host.setValue(1320, 2, "999");
    host.setValue(1321, 2, "999");
    const CNEB_LogicRule unknown(2, &func);
    expectFailure([&] { unknown.getOperandItem(0); }, 0, 1, "operand no item has");
    expectFailure([&] { unknown.getOperatorItem(0); }, 0, 1, "operator no item has");
}

TEST_F(ChangeableObjectsTest, SettingsAreThreePlainParametersAndAFailedReadIsOnlyLogged)
{
    // Choice values are 32-bit and signed on the wire: -1 is an item like any other.
    host.parameter(1306).choices.push_back("-1:Never");
    host.setValue(1306, -1, "-1");
    CNEB_Settings settings(&func);
    EXPECT_EQ(settings.getItem(2).getText(), "Never");
    EXPECT_TRUE(settings.isComplete());
    settings.setItem(settings.getChoicelist(0).findItem(0), 0);
    settings.setItem(settings.getItem(2), 2);
    EXPECT_EQ(entries(settings.getChangeBunch()),
              (Strings{"1300.-1=0", "1305.-1=2", "1306.-1=-1"}));

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
