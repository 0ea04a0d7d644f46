#include "ProgramFixture.h"

using modeltest::kAction;
using modeltest::kCompOperand;
using modeltest::kEvent;
using modeltest::kLrOperand1;
using modeltest::kLrOperator1;
using modeltest::kMode;
using modeltest::kTimer;

namespace {

// Event and logic-rule operand choice 28 + r stands for logic rule r.
std::string ruleChoice(unsigned r)
{
    return std::to_string(28 + r);
}

class ProgramObjectsTest : public modeltest::ProgramFixture
{
protected:
    // Gives every logic-rule parameter `count` elements, all "False"/"DISABLED".
    void setLogicRuleCount(unsigned count)
    {
        for (unsigned long number = 1320; number <= 1324; ++number) {
            host.parameter(number).elementCount = count;
            host.parameter(number).values.assign(count, "0");
        }
        sizes.logicRules = static_cast<uint16_t>(count);
    }

    NEBPT::CNEB_Program program = build();
};

TEST_F(ProgramObjectsTest, TimerItemsShareOneTimerReadOnce)
{
    host.setValue(kTimer, 1, "12.500000");
    host.clearCalls();

    const CChoiceListItemObjectLookup first = program.lookupChoicelistItemObject(item(kEvent, 35));
    ASSERT_EQ(first.getKind(), 1);
    ASSERT_NE(first.getTimer(), nullptr);
    EXPECT_EQ(first.getComparator(), nullptr);
    EXPECT_EQ(first.getLogicRule(), nullptr);
    EXPECT_EQ(first.getTimer()->getIndex(), 1u);
    EXPECT_DOUBLE_EQ(first.getTimer()->getValue(), 12.5);

    // "Start timer 1" of the action list names the same timer.
    const CChoiceListItemObjectLookup second =
        program.lookupChoicelistItemObject(item(kAction, 31));
    EXPECT_EQ(second.getKind(), 1);
    EXPECT_EQ(second.getTimer(), first.getTimer());
    EXPECT_EQ(&program.getTimer(1), first.getTimer());
    EXPECT_EQ(reads(kTimer), 1u) << "the drive is read once";
}

TEST_F(ProgramObjectsTest, KindsFollowTheLinkedType)
{
    const auto comparator = program.lookupChoicelistItemObject(item(kEvent, 23));
    EXPECT_EQ(comparator.getKind(), 2);
    ASSERT_NE(comparator.getComparator(), nullptr);
    EXPECT_EQ(comparator.getComparator()->getIndex(), 1u);
    EXPECT_EQ(comparator.getTimer(), nullptr);
    EXPECT_EQ(comparator.getLogicRule(), nullptr);

    const auto rule = program.lookupChoicelistItemObject(item(kLrOperand1, 30));
    EXPECT_EQ(rule.getKind(), 3);
    ASSERT_NE(rule.getLogicRule(), nullptr);
    EXPECT_EQ(rule.getLogicRule()->getIndex(), 2u);
    EXPECT_EQ(rule.getLogicRule(), &program.getLogicRule(2));

    // Operator items 0..8: DISABLED, AND, OR, AND NOT, OR NOT, NOT AND, NOT OR,
    // NOT AND NOT, NOT OR NOT.
    for (unsigned long id = 0; id <= 8; ++id) {
        const auto op = program.lookupChoicelistItemObject(item(kLrOperator1, id));
        EXPECT_EQ(op.getKind(), static_cast<int>(4 + id)) << "operator item " << id;
        EXPECT_NE(op.getLogicRule(), nullptr);
        EXPECT_EQ(op.getTimer(), nullptr);
    }
    EXPECT_EQ(program.lookupChoicelistItemObject(item(kCompOperand, 0)).getKind(), 4);
}

TEST_F(ProgramObjectsTest, AnItemWithoutLinkFetchesLogicRuleZero)
{
    host.clearCalls();
    const auto running = program.lookupChoicelistItemObject(item(kEvent, 2));
    EXPECT_EQ(running.getKind(), 0);
    ASSERT_NE(running.getLogicRule(), nullptr);
    EXPECT_EQ(running.getLogicRule()->getIndex(), 0u);
    EXPECT_EQ(reads(kLrOperand1, 0), 1u) << "rule 0 is read from the drive";

    program.lookupChoicelistItemObject(item(kAction, 24));
    EXPECT_EQ(reads(kLrOperand1, 0), 1u) << "and then comes from the cache";
}

TEST_F(ProgramObjectsTest, AFailedReadStoresNothing)
{
    host.failOperation("ReadParameterValue");
    EXPECT_THROW(program.getComparator(3), CCustomException);
    EXPECT_THROW(program.lookupChoicelistItemObject(item(kEvent, 37)), CCustomException);
    host.stopFailing();
    host.clearCalls();

    EXPECT_EQ(program.getComparator(3).getIndex(), 3u);
    EXPECT_EQ(program.getTimer(3).getIndex(), 3u);
    EXPECT_EQ(reads(1310, 3), 1u) << "the comparator is built anew";
    EXPECT_EQ(reads(kTimer, 3), 1u) << "the timer is built anew";
}

TEST_F(ProgramObjectsTest, ReloadRefreshesCachedObjectsButNotTheSettings)
{
    CNEB_Timer& timer = program.getTimer(2);
    CNEB_LogicRule& rule = program.getLogicRule(4);
    CNEB_Settings& settings = program.getSettings();
    host.clearCalls();

    host.setValue(kTimer, 2, "7.000000");
    host.setValue(kLrOperand1, 4, ruleChoice(1));
    host.setValue(kMode, -1, "1");
    program.reload();

    EXPECT_DOUBLE_EQ(timer.getValue(), 7.0);
    EXPECT_EQ(rule.getOperandItem(0).getID(), 29u);
    EXPECT_EQ(&program.getSettings(), &settings) << "the same object";
    EXPECT_EQ(reads(kMode), 0u) << "the settings are not read again";
    EXPECT_EQ(settings.getItem(0).getID(), 0u);
    EXPECT_EQ(&program.getTimer(2), &timer);
}

TEST_F(ProgramObjectsTest, LoopCheckFollowsStoredReferences)
{
    host.setValue(1322, 1, ruleChoice(2)); // rule 1: operand 2 is rule 2
    const CNEB_LogicRule& one = program.getLogicRule(1);
    const CNEB_LogicRule& two = program.getLogicRule(2);
    const CNEB_LogicRule& three = program.getLogicRule(3);

    EXPECT_FALSE(program.checkLogicRuleReference(one, two)) << "rule 2 would use rule 1 using 2";
    EXPECT_TRUE(program.checkLogicRuleReference(two, one));
    EXPECT_TRUE(program.checkLogicRuleReference(two, two)) << "equal positions pass";
    EXPECT_TRUE(program.checkLogicRuleReference(three, one));

    // Through a chain: rule 0 uses rule 1, which uses rule 2.
    host.setValue(1324, 0, ruleChoice(1));
    program.reload();
    EXPECT_FALSE(program.checkLogicRuleReference(program.getLogicRule(0), two));
    EXPECT_TRUE(program.checkLogicRuleReference(two, program.getLogicRule(0)));
}

TEST_F(ProgramObjectsTest, LoopCheckGivesUpAfterFiftyVisits)
{
    setLogicRuleCount(50);
    EXPECT_TRUE(program.checkLogicRuleReference(program.getLogicRule(0), program.getLogicRule(1)))
        << "fifty rules without references take fifty visits";

    setLogicRuleCount(51);
    program.reload();
    EXPECT_FALSE(program.checkLogicRuleReference(program.getLogicRule(0), program.getLogicRule(1)))
        << "the 51st visit fails";

    setLogicRuleCount(60);
    program.reload();
    EXPECT_FALSE(program.checkLogicRuleReference(program.getLogicRule(0), program.getLogicRule(1)));
}

TEST_F(ProgramObjectsTest, LoopCheckFailsOnAnOperandOutsideItsList)
{
    host.setValue(kLrOperand1, 5, "99");
    EXPECT_THROW(program.checkLogicRuleReference(program.getLogicRule(0), program.getLogicRule(1)),
                 CCustomException);
}

} // namespace
