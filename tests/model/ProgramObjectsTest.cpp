#include "ModelFixture.h"

#include "Settings_Manager/CNEB_Comparator.h"
#include "Settings_Manager/CNEB_EAPair.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"

#include <tuple>

using namespace modeltest;

namespace {

constexpr unsigned long kLrOperand1 = 1320;

class ProgramObjectsTest : public ModelFixture
{
protected:
    bool ruleMayUse(unsigned long x, unsigned long y)
    {
        return program.checkLogicRuleReference(program.getLogicRule(x), program.getLogicRule(y));
    }

    NEBPT::CNEB_Program program = build();
};

TEST_F(ProgramObjectsTest, ItemsResolveToTheLinkedObjectReadOnce)
{
    host.setValue(kTimer, 1, "12.500000");
    host.clearCalls();
    // Parameter, item, kind, index of the object carried.
    std::vector<std::tuple<unsigned long, unsigned long, int, unsigned long>> cases = {
        {kEvent, 35, 1, 1},      // timer 1 expired
        {kAction, 31, 1, 1},     // start timer 1: the same timer
        {kEvent, 23, 2, 1},      // comparator 1
        {kLrOperand1, 30, 3, 2}, // logic rule 2
        {1310, 0, 4, 0},         // a comparator operand switched off
        {kEvent, 2, 0, 0},       // "Running" has no link: logic rule 0
    };
    // Operator items 0..8: DISABLED, AND, OR, AND NOT, OR NOT, NOT AND, NOT OR,
    // NOT AND NOT, NOT OR NOT.
    for (unsigned long id = 0; id <= 8; ++id)
        cases.emplace_back(1321, id, static_cast<int>(4 + id), 0);

    for (const auto& [parameter, id, kind, index] : cases) {
        SCOPED_TRACE(std::to_string(parameter) + ":" + std::to_string(id));
        const auto lookup = program.lookupChoicelistItemObject(
            func.getChoicelist(param(parameter, 0)).findItem(id));
        EXPECT_EQ(lookup.getKind(), kind);
        EXPECT_EQ(lookup.getTimer(), kind == 1 ? &program.getTimer(index) : nullptr);
        EXPECT_EQ(lookup.getComparator(), kind == 2 ? &program.getComparator(index) : nullptr);
        EXPECT_EQ(lookup.getLogicRule(),
                  kind != 1 && kind != 2 ? &program.getLogicRule(index) : nullptr);
    }
    EXPECT_DOUBLE_EQ(program.getTimer(1).getValue(), 12.5);
    EXPECT_EQ(reads("1303 1"), 1u) << "each object is read from the drive once";
    EXPECT_EQ(reads("1320 0"), 1u);
}

TEST_F(ProgramObjectsTest, ReloadRefreshesCachedObjectsButNotTheSettings)
{
    CNEB_Timer& timer = program.getTimer(2);
    CNEB_LogicRule& rule = program.getLogicRule(4);
    CNEB_Settings& settings = program.getSettings();
    host.clearCalls();

    host.setValue(kTimer, 2, "7.000000");
    host.setValue(kLrOperand1, 4, "29");
    host.setValue(kMode, -1, "1");
    program.reload();

    EXPECT_DOUBLE_EQ(timer.getValue(), 7.0);
    EXPECT_EQ(rule.getOperandItem(0).getID(), 29u);
    EXPECT_EQ(&program.getSettings(), &settings) << "the same object";
    EXPECT_EQ(reads("1300 -1"), 0u) << "the settings are not read again";
    EXPECT_EQ(settings.getItem(0).getID(), 0u);
}

// Operand choice 28 + r of a logic rule stands for logic rule r.
TEST_F(ProgramObjectsTest, LoopCheckFollowsStoredReferencesForFiftyVisits)
{
    host.setValue(1322, 1, "30"); // rule 1: operand 2 is rule 2
    EXPECT_FALSE(ruleMayUse(1, 2)) << "rule 2 would use rule 1 using 2";
    EXPECT_TRUE(ruleMayUse(2, 1));
    EXPECT_TRUE(ruleMayUse(2, 2)) << "equal positions pass";
    EXPECT_TRUE(ruleMayUse(3, 1));

    // Through a chain: rule 0 uses rule 1, which uses rule 2.
    host.setValue(1324, 0, "29");
    program.reload();
    EXPECT_FALSE(ruleMayUse(0, 2));
    EXPECT_TRUE(ruleMayUse(2, 0));

    // The check gives up after fifty visits: fifty rules without references
    // (all "False"/"DISABLED") pass, the 51st visit fails.
    for (unsigned count : {50u, 51u}) {
        for (unsigned long number = 1320; number <= 1324; ++number) {
            host.parameter(number).elementCount = count;
            host.parameter(number).values.assign(count, "0");
        }
        sizes.logicRules = static_cast<uint16_t>(count);
        program.reload();
        EXPECT_EQ(ruleMayUse(0, 1), count == 50) << count;
    }
}

TEST_F(ProgramObjectsTest, ValuesOutsideTheirChoiceListFailClearly)
{
    host.setValue(kEvent, 0, "99");
    host.setValue(kLrOperand1, 5, "99");
    CNEB_EAPair pair(0, &func, &stock);
    expectFailure([&] { pair.getEvent().getItem(); }, 0, 1, "event");
    expectFailure([&] { ruleMayUse(0, 1); }, 0, 1, "loop check over a rule operand");
}

} // namespace
