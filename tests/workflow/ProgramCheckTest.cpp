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

// Each kind of finding once, in the drive's language, with the pair it is about.
// The sample's pair 3 uses logic rule 1, which uses rule 0, before pair 5 uses
// rule 0 itself.
TEST(ProgramCheckTest, NamesWhatIsProbablyWrongInTheDrivesLanguage)
{
    const testsupport::ScratchFolder scratch;
    const std::string image =
        sampleWith(scratch, {
                                {1301, {{4, "30"}}},          // pair 4: Logic rule 2 (empty)
                                {1303, {{2, "0.00"}}},        // timer 2
                                {1310, {{1, "0"}, {3, "5"}}}, // comparators 1 off, 3 on
                                {1322, {{0, "29"}}},          // rule 0 -> rule 1 -> rule 0
                                {1305, {{0, "0"}}},           // start: False
                            });
    const struct
    {
        const char* english;
        const char* german;
        int pair;
    } expected[] = {
        {"Pair 4: event \"Logic rule 2\" refers to Logic rule 2, which is empty",
         "Paar 4: Ereignis \"Logic rule 2\" verweist auf Logikregel 2, die leer ist", 4},
        {"Pair 5: action \"Start timer 2\" refers to Timer 2, which is 0.00 s",
         "Paar 5: Aktion \"Start timer 2\" verweist auf Timer 2, der auf 0,00 s steht", 5},
        {"Logic rule 1: operand 3 \"Timeout 2\" refers to Timer 2, which is 0.00 s",
         "Logikregel 1: Operand 3 \"Timeout 2\" verweist auf Timer 2, der auf 0,00 s steht", 3},
        {"Logic rule 0: operand 1 \"Comparator 1\" refers to Comparator 1, which is disabled",
         "Logikregel 0: Operand 1 \"Comparator 1\" verweist auf Vergleicher 1, der deaktiviert ist",
         3},
        {"Controller: mode On with no start event (start event False)",
         "Steuerung: Modus On ohne Startereignis (Startereignis False)", -1},
        {"Logic rule 0 refers to itself: Logic rule 0 -> Logic rule 1 -> Logic rule 0",
         "Logikregel 0 verweist auf sich selbst: Logikregel 0 -> Logikregel 1 -> Logikregel 0", 3},
        {"Comparator 3 is set up but used by no pair",
         "Vergleicher 3 ist eingerichtet, wird aber von keinem Paar verwendet", -1},
    };
    for (const bool german : {false, true}) {
        SimulatedDrive drive(image, SimulatedDrive::Access::Read);
        drive.setLanguage(german ? "german" : "english");
        std::vector<NEBPT::ProgramFinding> findings;
        std::string failure;
        ASSERT_TRUE(NEBPT::checkProgram(drive, findings, failure)) << failure;
        std::vector<std::pair<std::string, int>> found, told;
        for (const NEBPT::ProgramFinding& finding : findings)
            found.emplace_back(finding.text, finding.pair);
        for (const auto& [english, inGerman, pair] : expected)
            told.emplace_back(german ? inGerman : english, pair);
        EXPECT_EQ(found, told);
    }
}
