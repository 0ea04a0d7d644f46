#include "HostTestSupport.h"
#include "LinkTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>

// nebpt-host --verify and --diff --behaviour run as a user runs them: exit
// statuses, what they print, and each counterexample they write replayed by
// --simulate, which fails on it.

using hosttest::run;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

const std::string kHost = NEBPT_HOST_EXECUTABLE;

// The files in a folder, by name.
std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Each counterexample in the folder fails when simulated on `image`.
void expectEachFailsWhenSimulated(const std::string& folder, const std::string& image, size_t count)
{
    const std::vector<std::string> files = filesIn(folder);
    EXPECT_EQ(files.size(), count);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const hosttest::Run simulated =
            run({kHost, "--simulate", image, "--scenario", folder + "/" + file});
        EXPECT_EQ(simulated.status, 1) << simulated.errors;
        EXPECT_THAT(simulated.errors, HasSubstr("expect[0]"));
    }
}

TEST(VerifyCommandTest, BuiltInChecksOnTheSamplesAndOnProgramsMadeWrong)
{
    const testsupport::ScratchFolder scratch;
    struct Case
    {
        std::string image;
        int status;
        std::vector<std::string> lines;
        size_t counterexamples;
    };
    const std::vector<Case> cases{
        {hosttest::copyOfSample(scratch, "fcd300_sample.json"),
         0,
         {"every used step is reached: holds up to 60.000 s\n",
          "every reached step goes on: holds up to 60.000 s\n",
          "the stop event stops the controller at once: holds up to 60.000 s\n",
          "3 of 3 checks hold\n"},
         0},
        {hosttest::copyOfSample(scratch, "fcd50m_sample.json"),
         1,
         {"step 3 is never reached: pair 2's event \"Logic rule 0\" is never true while step 2 "
          "is active (up to 60.000 s)\n  counterexample: ",
          "1 of 3 checks hold\n"},
         2},
        {hosttest::copyOfSample(scratch, "fcd300_sample.json", "false.json",
                                "\"34\",\n                \"22\",",
                                "\"34\",\n                \"0\","),
         1,
         {"steps 3 to 5 are never reached: pair 2's event \"False\" is never true\n",
          "step 2 never goes on: pair 2's event \"False\" is never true\n"},
         2},
        {hosttest::copyOfSample(scratch, "fcd300_sample.json", "stuck.json", "\"28\",", "\"39\","),
         1,
         {"every used step is reached: holds up to 60.000 s\n",
          "step 5 never goes on: pair 5's event \"Timeout 5\" is never true\n"},
         1},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.image);
        const std::string folder = scratch.file("cx" + std::to_string(i));
        const hosttest::Run verified =
            run({kHost, "--verify", c.image, "--counterexamples", folder});
        EXPECT_EQ(verified.status, c.status) << verified.errors;
        EXPECT_EQ(verified.errors, "");
        for (const std::string& line : c.lines)
            EXPECT_THAT(verified.out, HasSubstr(line));
        expectEachFailsWhenSimulated(folder, c.image, c.counterexamples);
    }

    // The program read from a drive over a link is checked the same; without a
    // folder the counterexample's inputs are printed.
    const std::string image = hosttest::copyOfSample(scratch, "fcd50m_sample.json", "drive.json");
    linktest::DriveSimulator sim(image);
    const hosttest::Run linked = run({kHost, "--verify", "--connect", sim.address(), "--profile",
                                      hosttest::sampleImage("fcd50m_sample.json")});
    EXPECT_EQ(linked.status, 1) << linked.errors;
    EXPECT_EQ(linked.out, run({kHost, "--verify", image}).out);
    EXPECT_THAT(linked.out, HasSubstr("  inputs:\n         0.000 s  Digital input 19 = true\n"));
}

TEST(VerifyCommandTest, EachPropertyKindHoldsOrFailsWithACounterexample)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    scratch.writeText("p.json", R"json({ "horizon": 15.0,
      "properties": [
        { "name": "relay only with the guard", "never": {"action": "Set relay 1 high"},
          "while": {"input": "Digital input 19", "value": false} },
        { "name": "timer 1 never at 1200", "never": {"action": "Start timer 1"},
          "while": {"input": "Motor speed", "value": 1200} },
        { "name": "step 4 reachable", "reachable": {"step": 4} },
        { "name": "last step reachable", "reachable": {"step": 5} },
        { "name": "trip stops at once", "after": {"input": "Alarm (trip)", "value": true},
          "within": 0.01, "expect": {"running": false} },
        { "name": "input 18 selects reference 1", "after": {"input": "Digital input 18",
          "value": true}, "within": 5.5, "expect": {"action": "Select preset reference 1"} }
      ] })json");
    const std::string folder = scratch.file("cx");
    const hosttest::Run verified = run({kHost, "--verify", image, "--properties",
                                        scratch.file("p.json"), "--counterexamples", folder});
    EXPECT_EQ(verified.status, 1) << verified.errors;
    EXPECT_EQ(verified.errors, "");
    for (const std::string& line :
         {"relay only with the guard: fails at 5.003 s: \"Set relay 1 high\" performed while "
          "Digital input 19 is false\n  counterexample: " +
              folder + "/relay only with the guard.json\n",
          std::string("timer 1 never at 1200: holds up to 15.000 s\n"),
          std::string("step 4 reachable: holds up to 15.000 s: step 4 active at 5.003 s\n"),
          std::string("last step reachable: fails: step 5 is never active up to 15.000 s: pair "
                      "4's event \"Timeout 1\" is never true while step 4 is active"),
          std::string("trip stops at once: holds up to 15.000 s\n"),
          std::string("input 18 selects reference 1: fails at 5.500 s: Digital input 18 is true "
                      "from 0.000 s on, \"Select preset reference 1\" performed expected within "
                      "5.500 s, not so\n"),
          std::string("3 of 6 properties hold\n")})
        EXPECT_THAT(verified.out, HasSubstr(line));
    expectEachFailsWhenSimulated(folder, image, 3);
    EXPECT_EQ(hosttest::fileBytes(folder + "/relay only with the guard.json"),
              R"({
    "until": 5.003,
    "set": [
        {"at": 0.000, "input": "Running", "value": true},
        {"at": 0.001, "input": "Digital input 18", "value": true},
        {"at": 5.002, "input": "Motor speed", "value": 1201},
        {"at": 5.003, "input": "DC link voltage", "value": 641}
    ],
    "expect": [
        {"from": 5.003, "to": 5.003, "noAction": "Set relay 1 high"}
    ]
}
)");

    // Not decided in the time allowed is no pass.
    const hosttest::Run hurried = run({kHost, "--verify", image, "--properties",
                                       scratch.file("p.json"), "--time-limit", "0.001"});
    EXPECT_EQ(hurried.status, 5) << hurried.errors;
    EXPECT_THAT(hurried.out, HasSubstr("trip stops at once: undecided within the time limit"));
}

TEST(VerifyCommandTest, BehaviourDiffFindsTheFirstDivergenceAsAScenario)
{
    const testsupport::ScratchFolder scratch;
    const std::string a = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    const std::string b = hosttest::copyOfSample(scratch, "fcd300_sample.json", "slower.json",
                                                 "\"5.00\",", "\"6.00\",");
    const hosttest::Run same = run({kHost, "--diff", a, a, "--behaviour"});
    EXPECT_EQ(same.status, 0) << same.errors;
    EXPECT_THAT(same.out, HasSubstr("The programs behave the same up to 60.000 s\n"));

    const std::string folder = scratch.file("cx");
    const hosttest::Run differ =
        run({kHost, "--diff", a, b, "--behaviour", "--horizon", "30", "--counterexamples", folder});
    EXPECT_EQ(differ.status, 4) << differ.errors;
    EXPECT_THAT(differ.out, HasSubstr("A: " + a + "\nB: " + b +
                                      "\nat 5.001 s: A performs "
                                      "\"Select preset reference 1\", B is still in step 1\n"));
    // The scenario expects what A does: it passes on A and fails on B.
    const std::string scenario = folder + "/divergence.json";
    EXPECT_EQ(run({kHost, "--simulate", a, "--scenario", scenario}).status, 0);
    EXPECT_EQ(run({kHost, "--simulate", b, "--scenario", scenario}).status, 1);
    // In the order typed.
    EXPECT_THAT(run({kHost, "--diff", b, a, "--behaviour"}).out,
                HasSubstr("at 5.001 s: A is still in step 1, B performs \"Select preset "
                          "reference 1\"\n"));
}

TEST(VerifyCommandTest, WrongCommandLinesAndPropertiesFilesAreRefused)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::sampleImage("fcd300_sample.json");
    scratch.writeText("p.json", R"({"properties": [{"name": "a", "reachable": {"step": 9}}]})");
    scratch.writeText("out.json", "{}");
    const std::string properties = scratch.file("p.json");
    struct Case
    {
        std::vector<std::string> arguments;
        int status;
        std::string error;
    };
    const std::vector<Case> cases{
        {{"--verify", image, "--properties", properties},
         2,
         properties + ": properties[0]: reachable: step 9: the program has 6 steps\n"},
        {{image, "--properties", properties}, 2, "--properties goes with --verify"},
        {{"--diff", image, image, "--horizon", "5"},
         2,
         "--horizon goes with --verify or --diff --behaviour"},
        {{"--verify", image, "--behaviour"}, 2, "--behaviour goes with --diff"},
        {{"--verify", image, "--horizon", "0"}, 2, "--horizon needs a number of seconds"},
        {{"--verify", image, "--time-limit", "soon"}, 2, "--time-limit needs a number of seconds"},
        {{"--verify", "--check", image}, 2, "--verify and --check do not go together"},
        {{"--verify"}, 2, "no drive image"},
        {{"--verify", scratch.file("missing.json")}, 1, "missing.json"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> command{kHost};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(testing::PrintToString(command));
        const hosttest::Run refused = run(command);
        EXPECT_EQ(refused.status, c.status);
        EXPECT_THAT(refused.errors, HasSubstr(c.error));
        EXPECT_EQ(refused.out, "") << "refused before it runs";
    }
}

} // namespace
