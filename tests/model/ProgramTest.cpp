#include "ModelFixture.h"

#include "Settings_Manager/CNEB_EAPair.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"

#include <atomic>
#include <cstdlib>
#include <new>

using namespace modeltest;

namespace {

// The next allocation of this many bytes fails (0: none does).
std::atomic<size_t> failingAllocation{0};

void* allocate(size_t size)
{
    size_t failing = size;
    if (failingAllocation.compare_exchange_strong(failing, 0))
        throw std::bad_alloc();
    if (void* memory = std::malloc(size > 0 ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void* allocateOrNull(size_t size) noexcept
{
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

// Every form of new and delete that the sanitizers and the libraries pair with
// another: all of them through malloc and free.
void* operator new(size_t size)
{
    return allocate(size);
}
void* operator new[](size_t size)
{
    return allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return allocateOrNull(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return allocateOrNull(size);
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory, size_t) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept
{
    std::free(memory);
}

namespace {

constexpr unsigned long kLrOperand1 = 1320;

using ProgramTest = ModelFixture;

// The program's cache of the objects its items stand for.
class ProgramCacheTest : public ModelFixture
{
protected:
    bool ruleMayUse(unsigned long x, unsigned long y)
    {
        return program.checkLogicRuleReference(program.getLogicRule(x), program.getLogicRule(y));
    }

    NEBPT::CNEB_Program program = build();
};

TEST_F(ProgramTest, BuildAndReloadEndAtTheFirstDisabledAction)
{
    storeSteps({{2, 22}, {3, 24}, {5, 30}, {1, 0}, {19, 22}});
    NEBPT::CNEB_Program program = build();
    EXPECT_EQ(steps(program), (Strings{"2/22", "3/24", "5/30"}));
    EXPECT_EQ(reads("1301 3"), 1u) << "the end marker is read";
    EXPECT_EQ(reads("1301 4"), 0u) << "nothing after the end marker is read";

    host.setValue(kEvent, 0, "19");
    host.setValue(kAction, 1, "0");
    program.reload();
    EXPECT_EQ(steps(program), (Strings{"19/22", "3/0", "5/30"})) << "a disabled step inside stays";
    host.setValue(kAction, 2, "0");
    program.reload();
    EXPECT_EQ(steps(program), (Strings{"19/22"})) << "trimmed back to the last active pair";
}

TEST_F(ProgramTest, LimitsAreRefusedWithoutChangeAndLogged)
{
    for (long i = 0; i < 20; ++i) {
        host.setValue(kEvent, i, std::to_string(i % 6));
        host.setValue(kAction, i, "22");
    }
    NEBPT::CNEB_Program full = build();
    const Strings before = steps(full);
    host.clearCalls();
    expectFailure([&] { full.addPairToEnd(); }, 2, 1, "add to end");
    expectFailure([&] { full.addPairBefore(pairAt(full, 3)); }, 2, 1, "add before");
    EXPECT_EQ(steps(full), before);
    EXPECT_TRUE(host.calls().empty()) << "the limit is known without asking the drive";

    // With 19 steps the last one fits, and no end marker follows it.
    host.setValue(kAction, 19, "0");
    NEBPT::CNEB_Program shorter = build();
    shorter.addPairToEnd();
    EXPECT_EQ(shorter.getPairs().size(), 20u);
    EXPECT_EQ(steps(shorter).back(), "0/1");

    host.setValue(kAction, 0, "0");
    NEBPT::CNEB_Program empty = build();
    expectFailure([&] { empty.deletePair(pairAt(full, 0)); }, 2, 1, "delete from empty");

    // A pair the program does not hold is not found; elements of two parameters
    // are never the same.
    host.setValue(kAction, 0, "22");
    host.setValue(kAction, 2, "0");
    NEBPT::CNEB_Program two = build();
    CNEB_EAPair stranger(5, &func, &stock);
    expectFailure([&] { two.deletePair(stranger); }, 1, 1, "no match");
    EXPECT_EQ(two.getPairs().size(), 2u);
    EXPECT_EQ(pairAt(full, 3).getEvent().getParameter().compareIndex(
                  pairAt(full, 1).getEvent().getParameter()),
              2);
    expectFailure(
        [&] {
            pairAt(full, 1).getEvent().getParameter().compareIndex(
                pairAt(full, 1).getAction().getParameter());
        },
        0, 1, "two parameter numbers");
}

TEST_F(ProgramTest, FailedEditsLeaveTheProgramAsItWas)
{
    storeSteps({{2, 22}, {3, 24}});
    NEBPT::CNEB_Program program = build();

    // The new pair is read, then reading the end marker fails.
    for (int edit = 0; edit < 2; ++edit) {
        host.clearCalls();
        host.failAtCall(3);
        EXPECT_THROW(edit ? program.addPairBefore(pairAt(program, 0)) : program.addPairToEnd(),
                     CCustomException);
        EXPECT_EQ(steps(program), (Strings{"2/22", "3/24"})) << edit;
    }
    host.stopFailing();
    // No memory for the new pair: the numbered failure of category 1. Under
    // Valgrind its own allocator stands in for the one this program replaces.
    failingAllocation = sizeof(int);
    try {
        delete new int(0);
    } catch (const std::bad_alloc&) {
    }
    if (failingAllocation != 0) {
        failingAllocation = 0;
        GTEST_SKIP() << "allocations cannot be made to fail here (under Valgrind)";
    }
    failingAllocation = sizeof(CNEB_EAPair);
    expectFailure([&] { program.addPairToEnd(); }, 1, 1, "no memory");
    EXPECT_EQ(steps(program), (Strings{"2/22", "3/24"}));
    program.addPairBefore(pairAt(program, 1));
    EXPECT_EQ(steps(program), (Strings{"2/22", "0/1", "3/24", "0/0"}));
}

TEST_F(ProgramCacheTest, ReloadRefreshesCachedObjectsButNotTheSettings)
{
    CNEB_Timer& timer = program.getTimer(2);
    CNEB_LogicRule& rule = program.getLogicRule(4);
    CNEB_Settings& settings = program.getSettings();
    host.clearCalls();

    host.setValue(kTimer, 2, "7.000000");
    host.setValue(kLrOperand1, 4, "29");
    host.setValue(kMode, -1, "0");
    program.reload();

    EXPECT_DOUBLE_EQ(timer.getValue(), 7.0);
    EXPECT_EQ(rule.getOperandItem(0).getID(), 29u);
    EXPECT_EQ(reads("1300 -1"), 0u) << "the settings are not read again";
    EXPECT_EQ(settings.getItem(0).getID(), 1u);
}

// Operand choice 28 + r of a logic rule stands for logic rule r; in the sample,
// rule 1 uses rule 0.
TEST_F(ProgramCacheTest, LoopCheckFollowsStoredReferencesForFiftyVisits)
{
    EXPECT_FALSE(ruleMayUse(1, 0)) << "rule 0 would use rule 1 using 0";
    EXPECT_TRUE(ruleMayUse(0, 1));
    EXPECT_TRUE(ruleMayUse(0, 0)) << "equal positions pass";
    EXPECT_TRUE(ruleMayUse(3, 1));

    // Through a chain: rule 2 uses rule 1, which uses rule 0.
    host.setValue(1324, 2, "29");
    program.reload();
    EXPECT_FALSE(ruleMayUse(2, 0));
    EXPECT_TRUE(ruleMayUse(0, 2));

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
    // An operand value that no item has fails the check.
    host.setValue(kLrOperand1, 7, "999");
    program.reload();
    expectFailure([&] { ruleMayUse(0, 1); }, 0, 1, "operand no item has");
}

} // namespace
