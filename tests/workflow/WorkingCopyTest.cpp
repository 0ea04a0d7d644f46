#include "WorkingCopy.h"
#include "ProgramFile.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// The working copy a window edits offline: program elements are kept and
// checked by the drive's rule, all or nothing; the drive is never written.

using ::testing::HasSubstr;

namespace {

std::string read(IExtParamInterface& drive, const char* number, int index)
{
    std::string value;
    drive.ReadParameterValue(number, index, value, SimulatedDrive::kSetupName);
    return value;
}

} // namespace

TEST(WorkingCopyTest, KeepsProgramWritesAsTheDriveWouldAndNeverWritesTheDrive)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    const std::string onDisk = hosttest::fileBytes(image);
    SimulatedDrive drive(image);
    NEBPT::ProgramWorkflow workflow = programfile::workflow();
    WorkingCopy copy(drive, workflow);

    const struct
    {
        std::vector<std::string> identifiers, values;
        const char* refused; // empty: taken
    } writes[] = {
        {{"1303.2", "1301.0"}, {"7.5", "07"}, ""},
        {{"1300"}, {"0"}, ""},
        {{"1301.1", "1301.0"}, {"20", "999"}, "999"}, // a choice the drive lacks: none taken
        {{"1303.1", "1303.99"}, {"1.00", "1.00"}, "1303.99"}, // no such element
        {{"1309"}, {"1"}, "1309"},                            // no program parameter
    };
    for (const auto& [identifiers, values, refused] : writes) {
        if (*refused) {
            EXPECT_THROW(
                try {
                    copy.WriteParameterValues(identifiers, values, SimulatedDrive::kSetupName, 0);
                } catch (const DriveRefusal& refusal) {
                    EXPECT_THAT(refusal.what(), HasSubstr(refused));
                    throw;
                },
                DriveRefusal);
        } else {
            copy.WriteParameterValues(identifiers, values, SimulatedDrive::kSetupName, 0);
        }
    }
    // Kept as the drive keeps them; the refused writes left nothing behind.
    EXPECT_EQ(read(copy, "1303", 2), "7.50");
    EXPECT_EQ(read(copy, "1301", 0), "7");
    EXPECT_EQ(read(copy, "1300", -1), "0");
    EXPECT_EQ(read(copy, "1301", 1), "34");
    EXPECT_EQ(read(copy, "1303", 1), "12.50");
    // What is not the program is the drive's: its name, and the drive untouched.
    EXPECT_EQ(copy.GetParameterName("1303"), drive.GetParameterName("1303"));
    EXPECT_EQ(read(drive, "1303", 2), "0.75");
    EXPECT_EQ(hosttest::fileBytes(image), onDisk);

    // Another copy's program comes over when it is one of the same kind.
    WorkingCopy again(drive, workflow);
    EXPECT_TRUE(again.adopt(copy.program()));
    EXPECT_EQ(read(again, "1303", 2), "7.50");
    NEBPT::ProgramData shorter = copy.program();
    shorter.parameters.back().values.pop_back();
    EXPECT_FALSE(again.adopt(shorter));
    again.takeFromDrive(workflow);
    EXPECT_EQ(read(again, "1303", 2), "0.75");
}
