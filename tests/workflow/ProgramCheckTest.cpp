#include "ProgramWorkflow.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using workflowtest::sampleWith;

namespace {

std::vector<std::string> check(const std::string& image)
{
    SimulatedDrive drive(image, SimulatedDrive::Access::Read);
    std::vector<std::string> findings;
    std::string failure;
    EXPECT_TRUE(NEBPT::checkProgram(drive, findings, failure)) << failure;
    return findings;
}

} // namespace

TEST(ProgramCheckTest, LooksThroughTheSamplePrograms)
{
    EXPECT_THAT(check(hosttest::sampleImage("fcd300_sample.json")), IsEmpty());
    // The FCD-50M sample keeps a comparator and a rule that no pair takes up.
    EXPECT_THAT(check(hosttest::sampleImage("fcd50m_sample.json")),
                ElementsAre("Comparator 1 is set up but used by no pair",
                            "Logic rule 1 is set up but used by no pair"));
}

TEST(ProgramCheckTest, NamesWhatIsProbablyWrong)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = sampleWith(scratch, {
                                                      {1303, {{1, "0.00"}}},        // timer 1
                                                      {1310, {{0, "0"}, {3, "5"}}}, // comparators
                                                      {1322, {{0, "29"}}},          // rule 0 -> 1
                                                      {1305, {{0, "0"}}},           // start: False
                                                  });
    EXPECT_THAT(
        check(image),
        ElementsAre("Pair 2: event \"Comparator 0\" refers to Comparator 0, which is disabled",
                    "Pair 2: action \"Start timer 1\" refers to Timer 1, which is 0.00 s",
                    "Pair 4: event \"Timeout 1\" refers to Timer 1, which is 0.00 s",
                    "Controller: mode On with no start event (start event False)",
                    "Logic rule 0 refers to itself: Logic rule 0 -> Logic rule 1 -> "
                    "Logic rule 0",
                    "Comparator 3 is set up but used by no pair"));
}
