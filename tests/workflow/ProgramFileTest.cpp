#include "ProgramFile.h"
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
        NEBPT::ProgramWorkflow::importProgram(
            drive, programfile::workflow()
                       .planImport(file, drive, NEBPT::Rounding::Refuse, programfile::fitOf(drive))
                       .changes);
    } catch (const NEBPT::ProgramError& error) {
        what = error.what();
    }
    EXPECT_EQ(hosttest::fileBytes(image), before);
    return what;
}

// The plan for importing the program file into the image, a line per change
// ("<label> <now> -> <future> (<identifier> = <value written>)") and per note;
// or the refusal.
std::string plan(const std::string& program, const std::string& image, NEBPT::Rounding rounding)
{
    SimulatedDrive file(program, SimulatedDrive::Access::Read);
    SimulatedDrive drive(image, SimulatedDrive::Access::Read);
    try {
        const NEBPT::ImportPlan plan =
            programfile::workflow().planImport(file, drive, rounding, programfile::fitOf(drive));
        std::string text;
        for (const NEBPT::ProgramChange& change : plan.changes) {
            text += change.now.label + " " + change.now.text + " -> " + change.future.text + " (" +
                    change.future.identifier + " = " + change.future.value + ")\n";
        }
        for (const std::string& note : plan.notes)
            text += "note: " + note + "\n";
        return text;
    } catch (const NEBPT::ProgramError& error) {
        return error.what();
    }
}

} // namespace

// A program goes from one drive to a program file and into another drive of the
// same type, element by element as planned, and the drives then agree.
TEST(ProgramFileTest, ExportedProgramGoesIntoAnotherDrive)
{
    const testsupport::ScratchFolder scratch;
    SimulatedDrive source(hosttest::sampleImage("fcd300_sample.json"),
                          SimulatedDrive::Access::Read);
    scratch.writeText(
        "program.json",
        programfile::fileOf(programfile::workflow().exportProgram(source)).toStdString());
    SimulatedDrive file(scratch.file("program.json"), SimulatedDrive::Access::Read);
    EXPECT_EQ(printed(file), printed(source)) << "the program file holds the whole program";

    const std::string target =
        sampleWith(scratch, {{1301, {{3, "22"}}}, {1303, {{2, "7.50"}}}, {1312, {{1, "12.5"}}}});
    SimulatedDrive drive(target);
    // One command's workflow: one load of the drive configuration serves its drives.
    NEBPT::ProgramWorkflow workflow = programfile::workflow();
    EXPECT_THAT(workflow.compare(drive, source),
                ElementsAre("Pair 3: event \"Comparator 0\" -> \"Logic rule 1\"",
                            "Timer 2: 7.50 s -> 0.75 s"))
        << "12.5 and 12.500 are the same value";
    const std::vector<NEBPT::ProgramChange> plan =
        workflow.planImport(file, drive, NEBPT::Rounding::Refuse, programfile::fitOf(drive))
            .changes;
    EXPECT_EQ(workflow.configurationLoads(), 1u);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].now.identifier, "1301.3");
    EXPECT_EQ(plan[0].future.text, "\"Logic rule 1\"");
    EXPECT_EQ(plan[1].future.value, "0.75");
    NEBPT::ProgramWorkflow::importProgram(drive, plan);
    SimulatedDrive written(target, SimulatedDrive::Access::Read);
    EXPECT_THAT(programfile::workflow().compare(written, source), IsEmpty());
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
    EXPECT_EQ(refusal(program, lower),
              "parameter 1303 (Step timer) element 1: the program's value 3600.00 does not fit the "
              "drive: 3600.00 is outside the limits 0 to 100 of parameter 1303");
    const std::string events = hosttest::copyOfSample(scratch, "fcd300_sample.json", "events.json",
                                                      ",\n            \"41:Timeout 7\"", "");
    EXPECT_THAT(refusal(program, events),
                HasSubstr("parameter 1301 (Step event) element 6: the program's value 41 does not "
                          "fit the drive: choice value 41 is not in the choice list of parameter "
                          "1301"));
    // A drive that refuses the write keeps what it had.
    const std::string protectedImage =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", "ro.json");
    SimulatedDrive file(program, SimulatedDrive::Access::Read);
    SimulatedDrive readOnly(protectedImage, SimulatedDrive::Access::Read);
    EXPECT_THROW(NEBPT::ProgramWorkflow::importProgram(
                     readOnly, programfile::workflow().planImport(file, readOnly).changes),
                 DriveRefusal);
    EXPECT_EQ(hosttest::fileBytes(protectedImage),
              hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json")));
}

// The drive judges each value of the program: the plan writes the form the drive
// keeps, and rounds or refuses only what the drive would keep otherwise.
TEST(ProgramFileTest, PlansEachValueAsTheDriveTakesIt)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    const struct
    {
        int parameter, element;
        const char* value;
        NEBPT::Rounding rounding;
        const char* planned;
    } rows[] = {
        {1301, 6, "07", NEBPT::Rounding::Refuse,
         "Pair 6: event \"False\" -> \"Out of current range\" (1301.6 = 7)\n"},
        {1303, 2, "0.750", NEBPT::Rounding::Refuse, ""},
        {1303, 3, "0.001", NEBPT::Rounding::Refuse,
         "parameter 1303 (Step timer) element 3: the program's value 0.001 has more decimals "
         "than the drive's 2 (--round rounds it)"},
        {1303, 3, "1.234", NEBPT::Rounding::Round,
         "Timer 3: 0.00 s -> 1.23 s (1303.3 = 1.23)\nnote: parameter 1303 (Step timer) element 3: "
         "the program's value 1.234 rounded to 1.23\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        // From a drive that keeps the timers to the millisecond.
        std::string text =
            hosttest::fileBytes(sampleWith(scratch, {{row.parameter, {{row.element, row.value}}}},
                                           "fcd300_sample.json", "program.json"));
        text.replace(text.find("\"decimals\": 2"), 13, "\"decimals\": 3");
        scratch.writeText("program.json", text);
        EXPECT_EQ(plan(scratch.file("program.json"), image, row.rounding), row.planned);
    }
}
