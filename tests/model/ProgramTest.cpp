#include "ModelFixture.h"

#include "Settings_Manager/CNEB_EAPair.h"

using namespace modeltest;

namespace {

using ProgramTest = ModelFixture;

TEST_F(ProgramTest, PairReadsEventFirstAndListsActionFirst)
{
    storeSteps({{2, 22}});
    CNEB_EAPair pair(0, &func, &stock);
    EXPECT_EQ(readOrder(host), (Strings{"1301 0", "1302 0"}));
    EXPECT_EQ(pair.getEvent().getItem().getText(), "Running");
    EXPECT_EQ(pair.getAction().getItem().getText(), "Start");
    pair.getEvent().setItem(choice(7));
    EXPECT_EQ(entries(pair.getChangeBunch()), (Strings{"1302.0=22", "1301.0=7"}));
}

TEST_F(ProgramTest, SpecialItemsComeFromTheConfigurationEachTime)
{
    storeSteps({{2, 24}});
    CNEB_EAPair pair(0, &func, &stock);
    EXPECT_TRUE(pair.isActive());

    // The configuration changes under the pair: "Stop" now disables, "Start" and
    // "Running" are the defaults.
    testsupport::ScratchFolder folder;
    folder.writeText("drives_conf.neb",
                     "<DriveConfiguration><drive name=\"FCD-300\"><Compatibility><property "
                     "ID=\"MIN_DB\">100</property></Compatibility><SpecialChoicelistItems><item "
                     "ID=\"ACTION_COMMAND_DISABLED\">24</item><item ID=\"ACTION_COMMAND_DEFAULT\">"
                     "22</item><item ID=\"EVENT_BOOLEAN_DEFAULT\">2</item></SpecialChoicelistItems>"
                     "</drive></DriveConfiguration>");
    {
        testsupport::ExecutableFolderGuard exe(folder.path());
        stock.initConfiguration(host.driveName, host.aocVersion, host.dbVersion);
    }
    EXPECT_FALSE(pair.isActive());
    pair.setDefaults();
    EXPECT_EQ(entries(pair.getChangeBunch()), (Strings{"1302.0=22", "1301.0=2"}));
    EXPECT_TRUE(pair.isActive());
    pair.setEndMarker();
    EXPECT_EQ(entries(pair.getChangeBunch()), (Strings{"1302.0=24", "1301.0=2"}));
}

TEST_F(ProgramTest, BuildAndReloadEndAtTheFirstDisabledAction)
{
    storeSteps({{2, 22}, {3, 24}, {5, 30}, {1, 0}, {19, 22}});
    NEBPT::CNEB_Program program = build();
    EXPECT_TRUE(program.isBuilt());
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

TEST_F(ProgramTest, AddingBeforeMovesTheStepsNotThePairs)
{
    storeSteps({{2, 22}, {3, 24}, {5, 30}});
    NEBPT::CNEB_Program program = build();
    const CNEB_EAPair* first = &pairAt(program, 0);

    program.addPairBefore(pairAt(program, 0));
    EXPECT_EQ(steps(program).size(), 5u);
    EXPECT_EQ(&pairAt(program, 0), first) << "pair objects stay where they were";
    EXPECT_EQ(entries(program.getChangeBunch()),
              (Strings{"1302.0=1", "1301.0=0", "1302.1=22", "1301.1=2", "1302.2=24", "1301.2=3",
                       "1302.3=30", "1301.3=5", "1302.4=0", "1301.4=0"}));
    save(program);
    EXPECT_EQ(steps(program), (Strings{"0/1", "2/22", "3/24", "5/30"}));

    // The selected pair is found by its index: another object for pair 2 will do.
    CNEB_EAPair selected(pairAt(program, 2));
    program.addPairBefore(selected);
    EXPECT_EQ(steps(program), (Strings{"0/1", "2/22", "0/1", "3/24", "5/30", "0/0"}));
}

TEST_F(ProgramTest, DeletingMovesLaterStepsBackAndAnEmptyProgramGrowsAgain)
{
    storeSteps({{2, 22}, {3, 24}, {5, 30}});
    NEBPT::CNEB_Program program = build();

    program.deletePair(pairAt(program, 1));
    EXPECT_EQ(steps(program), (Strings{"2/22", "5/30", "0/0"})) << "the length stays until reload";
    save(program);
    EXPECT_EQ(steps(program), (Strings{"2/22", "5/30"}));

    program.deletePair(pairAt(program, 1));
    program.deletePair(pairAt(program, 0));
    EXPECT_EQ(steps(program), (Strings{"0/0", "0/0"}));
    save(program);
    ASSERT_TRUE(program.getPairs().empty());
    EXPECT_TRUE(program.getChangeBunch().getParameters().empty());

    program.addPairToEnd();
    EXPECT_EQ(entries(program.getChangeBunch()),
              (Strings{"1302.0=1", "1301.0=0", "1302.1=0", "1301.1=0"}));
    save(program);
    EXPECT_EQ(steps(program), (Strings{"0/1"}));
}

TEST_F(ProgramTest, LimitsAreRefusedWithoutChangeAndLogged)
{
    for (long i = 0; i < 20; ++i) {
        host.setValue(kEvent, i, std::to_string(i % 6));
        host.setValue(kAction, i, "22");
    }
    NEBPT::CNEB_Program full = build();
    EXPECT_EQ(readOrder(host).size(), 40u) << "a full array has no end marker to read";
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
    program.addPairBefore(pairAt(program, 1));
    EXPECT_EQ(steps(program), (Strings{"2/22", "0/1", "3/24", "0/0"}));
}

TEST_F(ProgramTest, AssignCopiesWithoutReadingTheDrive)
{
    storeSteps({{2, 22}, {3, 24}});
    NEBPT::CNEB_Program source = build();
    source.getTimer(4);
    source.getComparator(2);

    NEBPT::CNEB_Program target;
    host.clearCalls();
    target.assign(source);
    target.getTimer(4);
    target.getComparator(2);
    EXPECT_TRUE(host.calls().empty()) << "pairs and cached objects come along";
    EXPECT_TRUE(target.isBuilt());
    EXPECT_EQ(steps(target), steps(source));

    pairAt(target, 0).setDefaults();
    EXPECT_EQ(steps(source), (Strings{"2/22", "3/24"})) << "the copy owns its pairs";

    // The copy works with the same drive.
    target.addPairToEnd();
    save(target);
    EXPECT_EQ(steps(target), (Strings{"0/1", "3/24", "0/1"}));
}

} // namespace
