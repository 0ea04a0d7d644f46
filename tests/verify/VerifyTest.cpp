#include "SimulatedDrive.h"
#include "Trace.h"
#include "Verifier.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

// The verifier through its library: the built-in checks on the samples and on
// programs made wrong on purpose, the behaviour diff the window calls, and
// properties files that cannot be used.

using NEBPT::ProgramData;
using ::testing::HasSubstr;
using Status = verify::Outcome::Status;

namespace {

ProgramData sample(const std::string& name = "fcd300_sample.json")
{
    SimulatedDrive drive(std::string(NEBPT_DATA_DIR) + "/" + name, SimulatedDrive::Access::Read);
    return NEBPT::ProgramWorkflow().exportProgram(drive);
}

// The FCD-300 sample with element values changed: parameter -> element -> value.
ProgramData changed(const std::map<unsigned long, std::map<size_t, std::string>>& values)
{
    ProgramData program = sample();
    for (NEBPT::ProgramParameter& p : program.parameters) {
        const auto found = values.find(std::stoul(p.number));
        if (found == values.end())
            continue;
        for (const auto& [element, value] : found->second)
            p.values.at(element) = value;
    }
    return program;
}

// Time enough under Valgrind too: a test waits for the proof, never for the limit.
constexpr std::chrono::milliseconds kPatience{600000};

verify::Options options(double horizon = 60)
{
    verify::Options o;
    o.horizonMs = static_cast<long long>(horizon * 1000);
    o.timeLimit = kPatience;
    return o;
}

TEST(VerifyTest, BuiltInChecksFindStepsNeverReachedOrStuckAndAControllerNothingStops)
{
    struct Case
    {
        const char* name;
        ProgramData program;
        std::vector<std::string> findings; // per check: "" when it holds
    };
    const std::vector<Case> cases{
        {"FCD-300 sample", sample(), {"", "", ""}},
        // Its pair 2 waits for Timeout 1, which only pair 3 starts.
        {"FCD-50M sample",
         sample("fcd50m_sample.json"),
         {"step 3 is never reached: pair 2's event \"Logic rule 0\" is never true while step 2 "
          "is active (up to 60.000 s)",
          "step 2 never goes on: pair 2's event \"Logic rule 0\" is never true while step 2", ""}},
        {"pair 2 waits for False",
         changed({{1301, {{2, "0"}}}}),
         {"steps 3 to 5 are never reached: pair 2's event \"False\" is never true",
          "step 2 never goes on: pair 2's event \"False\" is never true", ""}},
        {"the last pair waits for a timer nothing starts",
         changed({{1301, {{5, "39"}}}}),
         {"", "step 5 never goes on: pair 5's event \"Timeout 5\" is never true", ""}},
        {"mode Off", changed({{1300, {{0, "0"}}}}), {"the controller's mode is Off", "", ""}},
        {"stop event False",
         changed({{1306, {{0, "0"}}}}),
         {"", "",
          "the stop event \"False\" is never true while the controller runs: nothing stops it"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        verify::Program program(c.program);
        const std::vector<verify::Outcome> outcomes = verify::checkProgram(program, options());
        ASSERT_EQ(outcomes.size(), c.findings.size());
        for (size_t i = 0; i < outcomes.size(); ++i) {
            const verify::Outcome& o = outcomes[i];
            SCOPED_TRACE(o.name);
            if (c.findings[i].empty()) {
                EXPECT_EQ(o.status, Status::Holds) << o.text;
                EXPECT_THAT(o.text, HasSubstr("holds up to 60.000 s"));
                continue;
            }
            EXPECT_EQ(o.status, Status::Fails) << o.text;
            EXPECT_THAT(o.text, HasSubstr(c.findings[i]));
            EXPECT_THAT(o.scenario, HasSubstr("\"until\": 60.000")) << "a counterexample";
        }
    }
    // A horizon too short for a timer makes the step after it unreachable, so far.
    verify::Program program(sample());
    EXPECT_THAT(verify::checkProgram(program, options(17.501))[0].text,
                HasSubstr("step 5 is never reached: pair 4's event \"Timeout 1\" is never true "
                          "while step 4 is active (up to 17.501 s)"));
    EXPECT_EQ(verify::checkProgram(program, options(17.502))[0].status, Status::Holds);
}

// The value of a choice text of a parameter of the sample.
std::string valueOf(const ProgramData& program, unsigned long number, const std::string& text)
{
    for (const NEBPT::ProgramParameter& p : program.parameters) {
        if (p.number != std::to_string(number))
            continue;
        for (const std::string& choice : p.choices) {
            const size_t colon = choice.find(':');
            if (choice.substr(colon + 1) == text)
                return choice.substr(0, colon);
        }
    }
    throw std::runtime_error("no choice \"" + text + "\" of " + std::to_string(number));
}

// The sample with these pairs (event, action by choice text), started by True
// and stopped by `stop`, and element values by choice text.
ProgramData programOf(const std::vector<std::pair<std::string, std::string>>& pairs,
                      const std::string& stop = "False",
                      const std::map<unsigned long, std::map<size_t, std::string>>& texts = {})
{
    const ProgramData plain = sample();
    std::map<unsigned long, std::map<size_t, std::string>> values;
    for (size_t i = 0; i <= pairs.size(); ++i) {
        values[1301][i] = i < pairs.size() ? valueOf(plain, 1301, pairs[i].first) : "0";
        values[1302][i] = i < pairs.size() ? valueOf(plain, 1302, pairs[i].second) : "0";
    }
    values[1305][0] = valueOf(plain, 1305, "True");
    values[1306][0] = valueOf(plain, 1306, stop);
    for (const auto& [number, elements] : texts) {
        for (const auto& [element, text] : elements)
            values[number][element] = valueOf(plain, number, text);
    }
    return changed(values);
}

TEST(VerifyTest, TheSolverSeesEachRuleOfTheRuntimeAsItRuns)
{
    // Each case: a property of "never" kind, its verdict and when it fails; the
    // solver's counterexample must fail on the runtime at that very scan.
    struct Case
    {
        const char* name;
        ProgramData program;
        std::string properties;
        std::string outcome;
    };
    const std::string never = R"({"properties": [{"name": "p", "never": {"action": "Start"})";
    const std::vector<Case> cases{
        {"a timer of 0 runs out in the next scan",
         programOf({{"True", "Start timer 3"}, {"Timeout 3", "Start"}}), never + "}]}",
         "fails at 0.002 s"},
        {"a stop of every timer keeps a timeout",
         programOf(
             {{"True", "Start timer 2"}, {"Timeout 2", "Stop all timers"}, {"Timeout 2", "Start"}}),
         never + "}]}", "fails at 0.752 s"},
        {"about equal reaches 1 % of the value",
         programOf({{"Comparator 1", "Start"}}, "False", {{1311, {{1, "About equal"}}}}),
         never + R"(, "while": {"input": "Motor current", "above": 12.625}}]})",
         "holds up to 60.000 s"},
        {"about equal, just inside",
         programOf({{"Comparator 1", "Start"}}, "False", {{1311, {{1, "About equal"}}}}),
         never + R"(, "while": {"input": "Motor current", "above": 12.62}}]})", "fails at 0.001 s"},
        {"a rule that reads itself holds its value",
         programOf({{"Digital input 18", "Set relay 1 high"}, {"Logic rule 0", "Start"}}, "False",
                   {{1320, {{0, "Logic rule 0"}}},
                    {1321, {{0, "OR"}}},
                    {1322, {{0, "Digital input 19"}}}}),
         never + R"(, "while": {"input": "Digital input 19", "value": false}}]})",
         "fails at 0.002 s"},
        {"the stop event outweighs the step's event",
         programOf({{"Digital input 19", "Start"}}, "Digital input 19"), never + "}]}",
         "holds up to 60.000 s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        verify::Program program(c.program);
        const verify::PropertyFile file = verify::parseProperties(c.properties, "p.json", program);
        const std::vector<verify::Outcome> outcomes =
            verify::checkProperties(program, file.properties, options());
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_THAT(outcomes[0].text, HasSubstr(c.outcome));
    }
}

TEST(VerifyTest, BehaviourDiffTellsTheFirstDivergence)
{
    struct Case
    {
        const char* name;
        ProgramData other;
        verify::Divergence::Status status;
        long long atMs;
        std::string text;
    };
    const std::vector<Case> cases{
        {"the same program", sample(), verify::Divergence::Status::Same, -1, ""},
        {"a timer nothing starts changed", changed({{1303, {{5, "9.00"}}}}),
         verify::Divergence::Status::Same, -1, ""},
        {"timer 0 from 5 s to 6 s", changed({{1303, {{0, "6.00"}}}}),
         verify::Divergence::Status::Differs, 5001,
         "at 5.001 s: A performs \"Select preset reference 1\", B is still in step 1"},
        {"pair 3 sets the other relay", changed({{1302, {{3, "24"}}}}),
         verify::Divergence::Status::Differs, 5003,
         "at 5.003 s: A performs \"Set relay 1 high\", B performs \"Set relay 1 low\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const verify::Divergence d = verify::behaviourDiff(sample(), c.other, 60.0, kPatience);
        EXPECT_EQ(d.status, c.status) << d.text;
        EXPECT_EQ(d.atMs, c.atMs);
        EXPECT_EQ(d.text, c.text);
        if (c.status == verify::Divergence::Status::Differs) {
            EXPECT_THAT(d.scenario, HasSubstr("\"until\": " + verify::jsonSeconds(c.atMs)));
        }
    }
}

TEST(VerifyTest, PropertiesFilesThatCannotBeUsedAreRefusedNamingTheEntry)
{
    const verify::Program program(sample());
    const std::string never = R"("never": {"action": "Set relay 1 high"})";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"{", "p.json: no JSON"},
        {"[]", "p.json: is no object"},
        {R"({"properties": [], "horizon": 5})", "\"properties\" lists no property"},
        {R"({"properties": [{"name": "a", )" + never + "}], \"horizon\": -1}",
         "\"horizon\" needs a time in seconds from 0 to 86400"},
        {R"({"properties": [{"name": "a"}]})",
         "properties[0]: needs one of \"never\", \"reachable\", \"after\""},
        {R"({"properties": [{)" + never + "}]}", "properties[0]: \"name\" needs a text"},
        {R"({"properties": [{"name": "a", "never": {"action": "Launch"}}]})",
         "properties[0]: never: no action \"Launch\" in the program's choice list"},
        {R"({"properties": [{"name": "a", )" + never +
             R"(, "while": {"input": "Motor sped", "below": 3}}]})",
         "properties[0]: while: no input \"Motor sped\" in the program's choice lists"},
        {R"({"properties": [{"name": "a", )" + never +
             R"(, "while": {"input": "Motor speed", "value": "fast"}}]})",
         "while: \"value\" needs true, false or a number"},
        {R"({"properties": [{"name": "a", )" + never +
             R"(, "while": {"input": "Motor speed", "below": 3, "above": 1}}]})",
         "while: needs one of \"value\", \"below\", \"above\""},
        {R"({"properties": [{"name": "a", )" + never + R"(, "whilst": {}}]})",
         "properties[0]: unknown key \"whilst\""},
        {R"({"properties": [{"name": "a", "reachable": {"step": 9}}]})",
         "properties[0]: reachable: step 9: the program has 6 steps"},
        {R"({"properties": [{"name": "a", "after": {"input": "Running", "value": true},
             "expect": {"running": true}}]})",
         "properties[0]: \"within\" is missing"},
        {R"({"properties": [{"name": "a", "after": {"input": "Running", "value": true},
             "within": 1, "expect": {"running": true, "step": 1}}]})",
         "properties[0]: expect: needs one of \"running\", \"step\", \"action\""},
        {R"({"properties": [{"name": "a", )" + never + R"(}, {"name": "a", )" + never + "}]}",
         "properties[1]: the name \"a\" is given twice"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        try {
            verify::parseProperties(text, "p.json", program);
            ADD_FAILURE() << "not refused";
        } catch (const verify::PropertyError& error) {
            EXPECT_THAT(error.what(), HasSubstr(message));
        }
    }
}

} // namespace
