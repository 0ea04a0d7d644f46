#include "HostTestSupport.h"
#include "LinkTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

// nebpt-host --simulate run as a user runs it: the sample programs through their
// scenarios (data/*.scenario.json), on an image and over a link, and the exit
// statuses of a scenario that holds, one that fails and one that cannot be used;
// a trace cut by --trace-limit.

using hosttest::run;
using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

const std::string kHost = NEBPT_HOST_EXECUTABLE;

std::string scenarioOf(const std::string& sample)
{
    return hosttest::sampleImage(sample.substr(0, sample.find('.')) + ".scenario.json");
}

TEST(SimulateCommandTest, TheSampleProgramsPassTheirScenarios)
{
    const testsupport::ScratchFolder scratch;
    const std::vector<std::pair<std::string, std::vector<std::string>>> samples{
        {"fcd300_sample.json",
         {"   0.500 s  start at step 0  Running\n",
          "   6.000 s  step 1 -> 2  Timeout 0 -> Select preset reference 1\n",
          "   8.000 s  step 3 -> 4  Logic rule 1 -> Set relay 1 high\n",
          "  24.000 s  stop at step 0  Alarm (trip)\n", "12 of 12 expectations hold\n"}},
        {"fcd50m_sample.json",
         {"   2.500 s  step 1 -> 2  Timeout 0 -> Start\n", "  10.001 s  Warning = false\n",
          "9 of 9 expectations hold\n"}},
    };
    for (const auto& [sample, lines] : samples) {
        SCOPED_TRACE(sample);
        const std::string image = hosttest::copyOfSample(scratch, sample);
        const std::string before = hosttest::fileBytes(image);
        const hosttest::Run simulated =
            run({kHost, "--simulate", image, "--scenario", scenarioOf(sample)});
        EXPECT_EQ(simulated.status, 0) << simulated.errors;
        EXPECT_EQ(simulated.errors, "");
        for (const std::string& line : lines)
            EXPECT_THAT(simulated.out, HasSubstr(line));
        EXPECT_THAT(simulated.out, EndsWith(lines.back()));
        EXPECT_EQ(hosttest::fileBytes(image), before) << "only read";
    }

    // The program read from a drive over a link runs the same.
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
    linktest::DriveSimulator sim(image);
    const hosttest::Run linked = run({kHost, "--simulate", "--connect", sim.address(), "--profile",
                                      hosttest::sampleImage("fcd300_sample.json"), "--scenario",
                                      scenarioOf("fcd300_sample.json")});
    EXPECT_EQ(linked.status, 0) << linked.errors;
    EXPECT_EQ(
        linked.out,
        run({kHost, "--simulate", image, "--scenario", scenarioOf("fcd300_sample.json")}).out);
}

TEST(SimulateCommandTest, ExitStatusTellsWhetherEveryExpectationHolds)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::sampleImage("fcd50m_sample.json");
    struct Case
    {
        std::string scenario;
        int status;
        std::string error; // the first line on stderr holds it
    };
    const std::vector<Case> cases{
        {R"({"until": 3, "set": [{"at": 1, "input": "Digital input 19", "value": true}],
             "expect": [{"at": 2.5, "action": "Start"}, {"at": 1, "running": true}]})",
         0, ""},
        {R"({"until": 5, "expect": [{"at": 1, "step": 3}, {"at": 2, "action": "Start"},
             {"from": 0, "to": 5, "noAction": "Start timer 0"}]})",
         1,
         "expect[0] at 1.000 s: step 3 expected, step 0 active\n"
         "expect[1]: \"Start\" expected at 2.000 s, not performed then\n"},
        {R"({"until": 5, "set": [{"at": 1, "input": "Digital input 19", "value": true}],
             "expect": [{"from": 0, "to": 5, "noAction": "Start timer 0"}]})",
         1,
         "expect[0]: \"Start timer 0\" performed at 1.000 s, expected not from 0.000 s to "
         "5.000 s\n"},
        // A state expected within a tolerance (a recording's poll period) holds in some
        // scan of the window around its time.
        {R"({"until": 3, "set": [{"at": 1, "input": "Digital input 19", "value": true}],
             "expect": [{"at": 0.9, "step": 1, "within": 0.1},
                        {"at": 2.6, "step": 1, "within": 0.101}]})",
         0, ""},
        {R"({"until": 3, "set": [{"at": 1, "input": "Digital input 19", "value": true}],
             "expect": [{"at": 0.8, "step": 1, "within": 0.1},
                        {"at": 2.6, "step": 1, "within": 0.1},
                        {"at": 2, "running": false, "within": 0.5}]})",
         1,
         "expect[0] at 0.800 s (within 0.100 s): step 1 expected, not so then\n"
         "expect[1] at 2.600 s (within 0.100 s): step 1 expected, not so then\n"
         "expect[2] at 2.000 s (within 0.500 s): not running expected, not so then\n"},
        {R"({"until": 5, "set": [{"at": 1, "input": "Motor sped", "value": 3}]})", 2,
         "set[0]: no input \"Motor sped\" in the program's choice lists"},
        {R"({"until": 5, "expect": [{"at": 1, "action": "Launch"}]})", 2,
         "expect[0]: no action \"Launch\" in the program's choice list"},
        {R"({"until": 5, "expect": [{"at": 1, "step": 4}]})", 2,
         "expect[0]: step 4: the program has 4 steps"},
        {R"({"until": 5, "expect": [{"at": 1, "stpe": 3}]})", 2, "expect[0]: unknown key \"stpe\""},
        {R"({"until": 5, "expect": [{"at": 1}]})", 2,
         "expect[0]: needs one of \"step\", \"running\", \"action\", \"noAction\""},
        {R"({"until": 5, "expect": [{"at": 1, "step": 1, "running": true}]})", 2,
         "expect[0]: needs one of \"step\", \"running\", \"action\", \"noAction\""},
        {R"({"until": 5, "expect": [{"at": 1, "from": 0, "to": 5, "noAction": "Start timer 0"}]})",
         2, "expect[0]: unknown key \"at\""},
        {R"({"until": 5, "expect": [{"at": 6, "running": true}]})", 2,
         "expect[0]: \"at\" needs a time in seconds from 0 to 5.000 s"},
        // Times too large for whole milliseconds are refused, not wrapped to another time.
        {R"({"until": 1e19})", 2, "\"until\" needs a time in seconds from 0 to 86400.000 s"},
        {R"({"until": 5, "set": [{"at": 1e300, "input": "Warning", "value": true}]})", 2,
         "set[0]: \"at\" needs a time in seconds from 0 to 5.000 s"},
        {R"({"until": 5, "expect": [{"at": 1, "action": "Start", "within": 9.3e15}]})", 2,
         "expect[0]: \"within\" needs a time in seconds from 0 to 5.000 s"},
        {R"({"until": 5, "set": [{"at": 1, "input": "Warning"}]})", 2,
         "set[0]: \"value\" needs true, false or a number"},
        {R"({"set": []})", 2, "\"until\" is missing"},
        {"{", 2, "no JSON"},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.scenario);
        const std::string file = "s" + std::to_string(i) + ".json";
        scratch.writeText(file, c.scenario);
        const hosttest::Run simulated =
            run({kHost, "--simulate", image, "--scenario", scratch.file(file)});
        EXPECT_EQ(simulated.status, c.status) << simulated.errors;
        if (c.status != 2) {
            EXPECT_EQ(simulated.errors, c.error);
            continue;
        }
        EXPECT_THAT(simulated.errors, MatchesRegex("[^\n]+\n")) << "one line";
        EXPECT_THAT(simulated.errors,
                    AllOf(HasSubstr(scratch.file(file) + ": "), HasSubstr(c.error)));
        EXPECT_EQ(simulated.out, "") << "refused before it runs";
    }

    // --trace-limit N: the first N lines of the trace, then how many were left
    // out; the result and the exit status stay (a passing and a failing run).
    for (const auto& [file, limit] :
         {std::pair<std::string, size_t>{"s0.json", 1}, {"s1.json", 0}}) {
        SCOPED_TRACE(file);
        const hosttest::Run whole =
            run({kHost, "--simulate", image, "--scenario", scratch.file(file)});
        const hosttest::Run cut = run({kHost, "--simulate", image, "--scenario", scratch.file(file),
                                       "--trace-limit", std::to_string(limit)});
        std::vector<std::string> lines;
        std::istringstream in(whole.out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line + "\n");
        ASSERT_GT(lines.size(), limit + 1);
        std::string expected;
        for (size_t i = 0; i < limit; ++i)
            expected += lines[i];
        const size_t left = lines.size() - 1 - limit;
        expected += "... " + std::to_string(left) + (left == 1 ? " more line" : " more lines") +
                    " of the trace left out (the trace is cut after " + std::to_string(limit) +
                    " lines)\n" + lines.back();
        EXPECT_EQ(cut.out, expected);
        EXPECT_EQ(cut.status, whole.status);
        EXPECT_EQ(cut.errors, whole.errors);
    }

    // A wrong command line gets the usage; a program that cannot be read fails.
    const std::string scenario = scratch.file("s0.json");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{kHost, "--simulate", image},
          std::vector<std::string>{kHost, "--scenario", scenario, image},
          std::vector<std::string>{kHost, "--simulate", "--scenario", scenario},
          std::vector<std::string>{kHost, "--simulate", image, "--scenario", scenario,
                                   "--trace-limit", "-1"},
          std::vector<std::string>{kHost, "--print", image, "--trace-limit", "5"}}) {
        const hosttest::Run refused = run(command);
        EXPECT_EQ(refused.status, 2);
        EXPECT_THAT(refused.errors, HasSubstr("Usage: "));
    }
    const std::string other =
        hosttest::copyOfSample(scratch, "fcd50m_sample.json", {}, "\"FCD-50M\"", "\"FCD-999\"");
    const hosttest::Run failed = run({kHost, "--simulate", other, "--scenario", scenario});
    EXPECT_EQ(failed.status, 1);
    EXPECT_THAT(failed.errors, MatchesRegex("[^\n]+\n"));
}

} // namespace
