#include "ProgramFile.h"
#include "ProgramPrint.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using workflowtest::sampleWith;

namespace {

std::string printed(SimulatedDrive& drive)
{
    std::ostringstream out;
    std::string failure;
    EXPECT_TRUE(NEBPT::printProgram(drive, "", out, failure)) << failure;
    return out.str();
}

// The refusal of importing the program file into the image; the image stays
// byte for byte as it was.
std::string refusal(const std::string& program, const std::string& image)
{
    const std::string before = hosttest::fileBytes(image);
    SimulatedDrive file(program, SimulatedDrive::Access::Read);
    SimulatedDrive drive(image);
    std::string what = "imported";
    try {
        programfile::importProgram(drive, programfile::planImport(file, drive));
    } catch (const programfile::Error& error) {
        what = error.what();
    }
    EXPECT_EQ(hosttest::fileBytes(image), before);
    return what;
}

} // namespace

// A program goes from one drive to a program file and into another drive of the
// same type, element by element as planned, and the drives then agree.
TEST(ProgramFileTest, ExportedProgramGoesIntoAnotherDrive)
{
    const testsupport::ScratchFolder scratch;
    SimulatedDrive source(hosttest::sampleImage("fcd300_sample.json"),
                          SimulatedDrive::Access::Read);
    scratch.writeText("program.json", programfile::exportProgram(source).toStdString());
    SimulatedDrive file(scratch.file("program.json"), SimulatedDrive::Access::Read);
    EXPECT_EQ(printed(file), printed(source)) << "the program file holds the whole program";

    const std::string target =
        sampleWith(scratch, {{1301, {{3, "22"}}}, {1303, {{2, "7.50"}}}, {1312, {{1, "12.5"}}}});
    SimulatedDrive drive(target);
    EXPECT_THAT(programfile::compare(drive, source),
                ElementsAre("Pair 3: event \"Comparator 0\" -> \"Logic rule 1\"",
                            "Timer 2: 7.50 s -> 0.75 s"))
        << "12.5 and 12.500 are the same value";
    const std::vector<programfile::Change> plan = programfile::planImport(file, drive);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].now.identifier, "1301.3");
    EXPECT_EQ(plan[0].future.text, "\"Logic rule 1\"");
    EXPECT_EQ(plan[1].future.value, "0.75");
    programfile::importProgram(drive, plan);
    SimulatedDrive written(target, SimulatedDrive::Access::Read);
    EXPECT_THAT(programfile::compare(written, source), IsEmpty());
    EXPECT_EQ(written.value(1312, 1), "12.500") << "what was equal is not written";
}

TEST(ProgramFileTest, RefusesAProgramThatDoesNotFitAndWritesNothing)
{
    const testsupport::ScratchFolder scratch;
    const std::string program = sampleWith(scratch, {{1301, {{6, "41"}}}, {1303, {{1, "3600.00"}}}},
                                           "fcd300_sample.json", "program.json");
    const std::string other = hosttest::copyOfSample(scratch, "fcd50m_sample.json");
    EXPECT_EQ(refusal(program, other),
              "the program is for drive type \"FCD-300\", the drive is a \"FCD-50M\"");
    const std::string lower =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", "lower.json", "\"maximum\": \"3600\"",
                               "\"maximum\": \"100\"");
    EXPECT_EQ(refusal(program, lower), "parameter 1303 (Step timer) element 1: the program's value "
                                       "3600.00 is above the drive's maximum 100");
    const std::string events = hosttest::copyOfSample(scratch, "fcd300_sample.json", "events.json",
                                                      ",\n            \"41:Timeout 7\"", "");
    EXPECT_THAT(refusal(program, events),
                HasSubstr("parameter 1301 (Step event) element 6: the program's value 41 is not in "
                          "the drive's choice list"));
    // A drive that refuses the write keeps what it had.
    const std::string protectedImage =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", "ro.json");
    SimulatedDrive file(program, SimulatedDrive::Access::Read);
    SimulatedDrive readOnly(protectedImage, SimulatedDrive::Access::Read);
    EXPECT_THROW(programfile::importProgram(readOnly, programfile::planImport(file, readOnly)),
                 DriveRefusal);
    EXPECT_EQ(hosttest::fileBytes(protectedImage),
              hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json")));
}
