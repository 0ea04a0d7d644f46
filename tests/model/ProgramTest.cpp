#include "ProgramFixture.h"

#include <iterator>

using modeltest::kAction;
using modeltest::kEvent;

namespace {

class ProgramTest : public modeltest::ProgramFixture
{
protected:
    using Steps = std::vector<std::string>;

    CNEB_EAPair& pairAt(const NEBPT::CNEB_Program& program, size_t position)
    {
        return **std::next(program.getPairs().begin(), static_cast<long>(position));
    }

    // Writes the program's bunch and re-reads it, as the command layer does.
    void save(NEBPT::CNEB_Program& program)
    {
        write(program);
        program.reload();
    }
};

TEST_F(ProgramTest, BuildStopsAtTheFirstDisabledAction)
{
    storeSteps({{2, 22}, {3, 24}, {5, 30}, {1, 0}, {19, 22}});
    host.clearCalls();
    NEBPT::CNEB_Program program = build();

    EXPECT_TRUE(program.isBuilt());
    EXPECT_EQ(steps(program), (Steps{"2/22", "3/24", "5/30"}));
    EXPECT_EQ(indexes(program), (std::vector<long>{0, 1, 2}));
    EXPECT_EQ(reads(kEvent, 3), 1u) << "the end marker is read";
    EXPECT_EQ(reads(kEvent, 4), 0u) << "nothing after the end marker is read";
    EXPECT_EQ(host.callCount("WriteParameterValues"), 0u);
}

TEST_F(ProgramTest, AFullArrayHasNoEndMarker)
{
    for (long i = 0; i < 20; ++i)
        host.setValue(kAction, i, "22");
    NEBPT::CNEB_Program program = build();
    EXPECT_EQ(program.getPairs().size(), 20u);
    EXPECT_EQ(reads(kAction), 20u);
}

TEST_F(ProgramTest, DefaultConstructedProgramIsEmptyAndUnbuilt)
{
    NEBPT::CNEB_Program program;
    EXPECT_FALSE(program.isBuilt());
    EXPECT_TRUE(program.getPairs().empty());
    EXPECT_TRUE(program.getChangeBunch().getParameters().empty());
    EXPECT_THROW(program.getTimer(0), CCustomException) << "no drive to read from";
    EXPECT_THROW(program.addPairToEnd(), CCustomException) << "no room for any pair";
    program.reload();
    EXPECT_TRUE(program.getPairs().empty());
}

TEST_F(ProgramTest, EmptyProgramGrowsByOneStepAndAnEndMarker)
{
    host.setValue(kEvent, 0, "16"); // pair 0 disabled whatever its event
    NEBPT::CNEB_Program program = build();
    ASSERT_TRUE(program.getPairs().empty());
    EXPECT_TRUE(program.getChangeBunch().getParameters().empty());

    program.addPairToEnd();
    EXPECT_EQ(steps(program), (Steps{"0/1", "0/0"}));
    EXPECT_EQ(entries(program.getChangeBunch()),
              (Steps{"1302.0=1", "1301.0=0", "1302.1=0", "1301.1=0"}));

    save(program);
    EXPECT_EQ(steps(program), (Steps{"0/1"}));
    EXPECT_EQ(host.value(kAction, 0), "1");
    EXPECT_EQ(host.value(kAction, 1), "0");
}

TEST_F(ProgramTest, AddingBeforeMovesTheStepsNotThePairs)
{
    storeSteps({{2, 22}, {3, 24}, {5, 30}});
    NEBPT::CNEB_Program program = build();
    const CNEB_EAPair* first = &pairAt(program, 0);

    program.addPairBefore(pairAt(program, 0));
    EXPECT_EQ(steps(program), (Steps{"0/1", "2/22", "3/24", "5/30", "0/0"}));
    EXPECT_EQ(indexes(program), (std::vector<long>{0, 1, 2, 3, 4}));
    EXPECT_EQ(&pairAt(program, 0), first) << "pair objects stay where they were";
    EXPECT_EQ(entries(program.getChangeBunch()),
              (Steps{"1302.0=1", "1301.0=0", "1302.1=22", "1301.1=2", "1302.2=24", "1301.2=3",
                     "1302.3=30", "1301.3=5", "1302.4=0", "1301.4=0"}));

    save(program);
    EXPECT_EQ(steps(program), (Steps{"0/1", "2/22", "3/24", "5/30"}));

    // The selected pair is found by its index: another object for pair 2 will do.
    CNEB_EAPair selected(pairAt(program, 2));
    program.addPairBefore(selected);
    EXPECT_EQ(steps(program), (Steps{"0/1", "2/22", "0/1", "3/24", "5/30", "0/0"}));
}

TEST_F(ProgramTest, DeletingMovesLaterStepsBackAndEndsTheProgram)
{
    storeSteps({{2, 22}, {3, 24}, {5, 30}});
    NEBPT::CNEB_Program program = build();

    program.deletePair(pairAt(program, 1));
    EXPECT_EQ(steps(program), (Steps{"2/22", "5/30", "0/0"})) << "the length stays until reload";
    EXPECT_EQ(indexes(program), (std::vector<long>{0, 1, 2}));

    save(program);
    EXPECT_EQ(steps(program), (Steps{"2/22", "5/30"}));
    EXPECT_EQ(host.value(kAction, 2), "0");

    program.deletePair(pairAt(program, 1));
    program.deletePair(pairAt(program, 0));
    EXPECT_EQ(steps(program), (Steps{"0/0", "0/0"}));
    save(program);
    EXPECT_TRUE(program.getPairs().empty());
}

TEST_F(ProgramTest, DeletingFromAnEmptyProgramIsALimit)
{
    storeSteps({{2, 22}});
    NEBPT::CNEB_Program other = build();
    host.setValue(kAction, 0, "0");
    NEBPT::CNEB_Program program = build();
    ASSERT_TRUE(program.getPairs().empty());
    try {
        program.deletePair(pairAt(other, 0));
        ADD_FAILURE() << "an empty program has nothing to delete";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getCategory(), 2);
        EXPECT_EQ(e.getCode(), 1);
    }
}

TEST_F(ProgramTest, PairLimitThrowsAndChangesNothing)
{
    for (long i = 0; i < 20; ++i) {
        host.setValue(kEvent, i, std::to_string(i % 6));
        host.setValue(kAction, i, "22");
    }
    NEBPT::CNEB_Program program = build();
    const Steps before = steps(program);
    host.clearCalls();

    try {
        program.addPairToEnd();
        ADD_FAILURE() << "twenty pairs fill the array";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getCategory(), 2);
        EXPECT_EQ(e.getCode(), 1);
        EXPECT_EQ(e.getFile(), "Settings_Manager/CNEB_Program.cpp");
    }
    try {
        program.addPairBefore(pairAt(program, 3));
        ADD_FAILURE() << "twenty pairs fill the array";
    } catch (const CCustomException& e) {
        EXPECT_EQ(e.getCategory(), 2);
    }
    EXPECT_EQ(steps(program), before);
    EXPECT_EQ(host.calls().size(), 0u) << "the limit is known without asking the drive";
    EXPECT_EQ(logLines().size(), 2u) << "each refusal is logged";

    // With 19 steps the last one fits, and no end marker follows it.
    host.setValue(kAction, 19, "0");
    NEBPT::CNEB_Program shorter = build();
    ASSERT_EQ(shorter.getPairs().size(), 19u);
    shorter.addPairToEnd();
    EXPECT_EQ(shorter.getPairs().size(), 20u);
    EXPECT_EQ(steps(shorter).back(), "0/1");
    EXPECT_EQ(shorter.getChangeBunch().getParameters().size(), 40u);
}

TEST_F(ProgramTest, BunchHoldsActionThenEventOfEveryPairInOrder)
{
    storeSteps({{2, 22}, {3, 24}, {5, 30}, {16, 2}});
    NEBPT::CNEB_Program program = build();
    EXPECT_EQ(entries(program.getChangeBunch()),
              (Steps{"1302.0=22", "1301.0=2", "1302.1=24", "1301.1=3", "1302.2=30", "1301.2=5",
                     "1302.3=2", "1301.3=16"}));

    // Written back unchanged, the bunch leaves the drive as it was.
    const auto before = host.parameters;
    write(program);
    EXPECT_EQ(host.value(kEvent, 3), before.at(kEvent).values[3]);
    EXPECT_EQ(host.parameters.at(kAction).values, before.at(kAction).values);
}

TEST_F(ProgramTest, ReloadFollowsTheDriveAndTrimsTheEnd)
{
    storeSteps({{2, 22}, {3, 24}, {5, 30}});
    NEBPT::CNEB_Program program = build();

    host.setValue(kEvent, 0, "19");
    host.setValue(kAction, 1, "0");
    program.reload();
    EXPECT_EQ(steps(program), (Steps{"19/22", "3/0", "5/30"}))
        << "only the end is trimmed; a disabled step inside stays";

    host.setValue(kAction, 2, "0");
    program.reload();
    EXPECT_EQ(steps(program), (Steps{"19/22"})) << "trimmed back to the last active pair";
}

TEST_F(ProgramTest, FailedEditsLeaveTheProgramAsItWas)
{
    storeSteps({{2, 22}, {3, 24}});
    NEBPT::CNEB_Program program = build();

    // The new pair is read, then reading the end marker fails.
    host.clearCalls();
    host.failAtCall(3);
    EXPECT_THROW(program.addPairToEnd(), CCustomException);
    EXPECT_EQ(steps(program), (Steps{"2/22", "3/24"}));

    host.clearCalls();
    host.failAtCall(3);
    EXPECT_THROW(program.addPairBefore(pairAt(program, 0)), CCustomException);
    EXPECT_EQ(steps(program), (Steps{"2/22", "3/24"}));
    EXPECT_EQ(indexes(program), (std::vector<long>{0, 1}));

    host.stopFailing();
    program.addPairBefore(pairAt(program, 1));
    EXPECT_EQ(steps(program), (Steps{"2/22", "0/1", "3/24", "0/0"}));
}

TEST_F(ProgramTest, AssignCopiesWithoutReadingTheDrive)
{
    storeSteps({{2, 22}, {3, 24}});
    NEBPT::CNEB_Program source = build();
    source.getTimer(4);

    NEBPT::CNEB_Program target;
    host.clearCalls();
    target.assign(source);
    EXPECT_EQ(host.calls().size(), 0u);
    EXPECT_TRUE(target.isBuilt());
    EXPECT_EQ(steps(target), steps(source));
    EXPECT_EQ(indexes(target), indexes(source));
    EXPECT_NE(&pairAt(target, 0), &pairAt(source, 0)) << "the copy owns its pairs";

    target.getTimer(4);
    EXPECT_EQ(host.calls().size(), 0u) << "cached objects come along";

    pairAt(target, 0).setDefaults();
    EXPECT_EQ(steps(source), (Steps{"2/22", "3/24"}));

    // The copy works with the same drive.
    target.addPairToEnd();
    save(target);
    EXPECT_EQ(steps(target), (Steps{"0/1", "3/24", "0/1"}));

    host.clearCalls();
    const NEBPT::CNEB_Program copy(target);
    EXPECT_EQ(host.calls().size(), 0u);
    EXPECT_EQ(steps(copy), steps(target));
    EXPECT_TRUE(copy.isBuilt());
}

} // namespace
