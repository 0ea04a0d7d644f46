#include "DriveJournal.h"
#include "ProgramFile.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

void write(IExtParamInterface& drive, const std::vector<std::string>& identifiers,
           const std::vector<std::string>& values)
{
    drive.WriteParameterValues(identifiers, values, SimulatedDrive::kSetupName, 0);
}

} // namespace

TEST(DriveJournalTest, UndoesAndRedoesWritesInTurn)
{
    const testsupport::ScratchFolder scratch;
    SimulatedDrive drive(hosttest::copyOfSample(scratch, "fcd300_sample.json"));
    DriveJournal journal(drive);
    EXPECT_FALSE(journal.undo({}));

    write(journal, {"1303.2"}, {"7.500000"});
    write(journal, {"1301.3", "1302.3"}, {"22", "16"});
    EXPECT_THROW(write(journal, {"1301.0"}, {"999"}), DriveRefusal); // no step
    ASSERT_TRUE(journal.undo({}));
    EXPECT_EQ(drive.value(1301, 3), "29");
    EXPECT_EQ(drive.value(1302, 3), "25");
    ASSERT_TRUE(journal.undo({}));
    EXPECT_EQ(drive.value(1303, 2), "0.75");
    EXPECT_FALSE(journal.canUndo());
    ASSERT_TRUE(journal.redo({}));
    EXPECT_EQ(drive.value(1303, 2), "7.50");
    // A new change drops what was undone.
    write(journal, {"1303.0"}, {"1"});
    EXPECT_FALSE(journal.canRedo());
    ASSERT_TRUE(journal.undo({}));
    ASSERT_TRUE(journal.undo({}));
    EXPECT_EQ(drive.value(1303, 0), "5.00");
    EXPECT_EQ(drive.value(1303, 2), "0.75");
}

// An import, and whatever else a group holds, is undone in one step, every
// element back to what it held before the first write.
TEST(DriveJournalTest, UndoesAnImportInOneStep)
{
    const testsupport::ScratchFolder scratch;
    const std::string program =
        workflowtest::sampleWith(scratch, {{1301, {{0, "35"}}}, {1303, {{1, "2.00"}}}},
                                 "fcd300_sample.json", "program.json");
    SimulatedDrive file(program, SimulatedDrive::Access::Read);
    SimulatedDrive drive(hosttest::copyOfSample(scratch, "fcd300_sample.json"));
    SimulatedDrive original(hosttest::sampleImage("fcd300_sample.json"),
                            SimulatedDrive::Access::Read);
    DriveJournal journal(drive);
    journal.beginGroup();
    NEBPT::ProgramWorkflow::importProgram(
        journal, programfile::workflow().planImport(file, journal).changes);
    write(journal, {"1303.1"}, {"3"});
    journal.endGroup();
    EXPECT_EQ(drive.value(1303, 1), "3.00");
    ASSERT_TRUE(journal.undo({}));
    EXPECT_FALSE(journal.canUndo());
    EXPECT_THAT(programfile::workflow().compare(drive, original), IsEmpty());
    ASSERT_TRUE(journal.redo({}));
    EXPECT_EQ(drive.value(1303, 1), "3.00");
    EXPECT_EQ(drive.value(1301, 0), "35");
}

// What someone else changed since is overwritten only when the user agrees.
TEST(DriveJournalTest, AsksBeforeItOverwritesAChangeMadeSince)
{
    const testsupport::ScratchFolder scratch;
    SimulatedDrive drive(hosttest::copyOfSample(scratch, "fcd300_sample.json"));
    DriveJournal journal(drive);
    write(journal, {"1303.2"}, {"7.5"});
    write(drive, {"1303.2"}, {"9"}); // not through the journal
    std::string asked;
    EXPECT_FALSE(journal.undo([&](const std::string& question) {
        asked = question;
        return false;
    }));
    EXPECT_THAT(asked, HasSubstr("1303.2 holds 9.00, not 7.50"));
    EXPECT_EQ(drive.value(1303, 2), "9.00");
    EXPECT_TRUE(journal.canUndo());
    EXPECT_TRUE(journal.undo([](const std::string&) { return true; }));
    EXPECT_EQ(drive.value(1303, 2), "0.75");
}
