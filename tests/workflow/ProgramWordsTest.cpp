// ProgramWorkflow::describe: written values in the terms of the printed program,
// in the drive's language, without asking the drive for a value.

#include "ProgramWorkflow.h"
#include "SimulatedDrive.h"
#include "WorkflowTestSupport.h"
#include "support/InterceptedDrive.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramWordsTest, DescribesWrittenElementsInTheDrivesLanguage)
{
    const struct
    {
        const char* sample;
        const char* identifier;
        const char* value;
        const char* english[2]; // label, text
        const char* german[2];
    } rows[] = {
        {"fcd300_sample.json",
         "1301.4",
         "24",
         {"Pair 4: event", "\"Comparator 2\""},
         {"Paar 4: Ereignis", "\"Comparator 2\""}},
        {"fcd300_sample.json",
         "1302.0",
         "7",
         {"Pair 0: action", "\"Select preset reference 1\""},
         {"Paar 0: Aktion", "\"Select preset reference 1\""}},
        {"fcd300_sample.json",
         "1301.3",
         "99",
         {"Pair 3: event", "value 99"},
         {"Paar 3: Ereignis", "Wert 99"}},
        {"fcd300_sample.json", "1303.0", "7.5", {"Timer 0", "7.50 s"}, {"Timer 0", "7,50 s"}},
        // More decimals than the drive keeps are shown, not hidden.
        {"fcd300_sample.json", "1303.7", "9.001", {"Timer 7", "9.001 s"}, {"Timer 7", "9,001 s"}},
        {"fcd300_sample.json",
         "1312.2",
         "-640",
         {"Comparator 2: value", "-640.000"},
         {"Vergleicher 2: Wert", "-640,000"}},
        {"fcd300_sample.json",
         "1321.1",
         "3",
         {"Logic rule 1: operator 1", "\"AND NOT\""},
         {"Logikregel 1: Operator 1", "\"AND NOT\""}},
        {"fcd300_sample.json",
         "1300",
         "1",
         {"Controller: mode", "\"On\""},
         {"Steuerung: Modus", "\"On\""}},
        {"fcd300_sample.json",
         "1306",
         "17",
         {"Controller: stop event", "\"Alarm (trip)\""},
         {"Steuerung: Stoppereignis", "\"Alarm (trip)\""}},
        {"fcd300_sample.json",
         "0101.2",
         "5",
         {"parameter 0101 element 2", "5"},
         {"Parameter 0101 Element 2", "5"}},
        {"fcd300_sample.json",
         "1301.20",
         "1",
         {"parameter 1301 element 20", "1"},
         {"Parameter 1301 Element 20", "1"}},
        {"fcd300_sample.json", "1303", "1.5", {"parameter 1303", "1.5"}, {"Parameter 1303", "1.5"}},
        // Index base 1: element 0 is "403.1"; a timer without a unit counts ms.
        {"fcd50m_sample.json", "403.1", "1500", {"Timer 0", "1500 ms"}, {"Timer 0", "1500 ms"}},
        {"fcd50m_sample.json",
         "403.0",
         "1",
         {"parameter 403 element 0", "1"},
         {"Parameter 403 Element 0", "1"}},
    };
    for (const char* sample : {"fcd300_sample.json", "fcd50m_sample.json"}) {
        SimulatedDrive image(hosttest::sampleImage(sample), SimulatedDrive::Access::Read);
        testsupport::InterceptedDrive drive(image);
        drive.failOperation("ReadParameterValue");
        NEBPT::ProgramWorkflow workflow;
        for (const char* language : {"english", "german"}) {
            drive.setLanguage(language);
            std::vector<std::string> identifiers, values;
            for (const auto& row : rows) {
                if (row.sample == std::string(sample)) {
                    identifiers.push_back(row.identifier);
                    values.push_back(row.value);
                }
            }
            const std::vector<NEBPT::ProgramEntry> entries =
                workflow.describe(drive, identifiers, values);
            ASSERT_EQ(entries.size(), identifiers.size());
            size_t e = 0;
            for (const auto& row : rows) {
                if (row.sample != std::string(sample))
                    continue;
                const char* const* expected =
                    language == std::string("german") ? row.german : row.english;
                SCOPED_TRACE(std::string(language) + " " + row.identifier);
                EXPECT_EQ(entries[e].label, expected[0]);
                EXPECT_EQ(entries[e].text, expected[1]);
                EXPECT_EQ(entries[e].identifier, row.identifier);
                EXPECT_EQ(entries[e].value, row.value);
                ++e;
            }
        }
        EXPECT_EQ(drive.callCount("ReadParameterValue"), 0u) << sample;
        EXPECT_EQ(workflow.configurationLoads(), 1u) << sample;
    }
}

} // namespace
