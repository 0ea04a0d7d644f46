#include "ProgramRuntime.h"
#include "RegisterMap.h"
#include "SimulatedDrive.h"
#include "support/ScratchFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

// NEBPT's model of the controller on the sample FCD-300 program with the pairs,
// objects and controller settings each case needs, run scan by scan.

using NEBPT::ProgramData;
using NEBPT::ProgramRuntime;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>; // event, action texts
// Element values by parameter number and element; a text in quotes is a choice text.
using Values = std::map<unsigned long, std::map<size_t, std::string>>;

ProgramData sample(const std::string& name = "fcd300_sample.json")
{
    SimulatedDrive drive(std::string(NEBPT_DATA_DIR) + "/" + name, SimulatedDrive::Access::Read);
    return NEBPT::ProgramWorkflow().exportProgram(drive);
}

NEBPT::ProgramParameter& parameter(ProgramData& program, unsigned long number)
{
    for (NEBPT::ProgramParameter& p : program.parameters) {
        if (p.number == std::to_string(number))
            return p;
    }
    throw std::runtime_error("no parameter " + std::to_string(number));
}

// The value of a choice text ("\"Timeout 0\""), or the text itself.
std::string valueOf(ProgramData& program, unsigned long number, const std::string& text)
{
    if (text.size() < 2 || text.front() != '"')
        return text;
    for (const std::string& choice : parameter(program, number).choices) {
        const size_t colon = choice.find(':');
        if (choice.compare(colon + 1, std::string::npos, text.substr(1, text.size() - 2)) == 0)
            return choice.substr(0, colon);
    }
    throw std::runtime_error("no choice " + text + " for " + std::to_string(number));
}

// The sample program with these pairs (then the end of the program), the
// controller on with the start and stop events, and the values given.
ProgramData programOf(const Pairs& pairs, const std::string& start = "True",
                      const std::string& stop = "False", const Values& values = {})
{
    ProgramData program = sample();
    for (size_t i = 0; i <= pairs.size(); ++i) {
        const bool end = i == pairs.size();
        parameter(program, 1301).values[i] =
            end ? "0" : valueOf(program, 1301, "\"" + pairs[i].first + "\"");
        parameter(program, 1302).values[i] =
            end ? "0" : valueOf(program, 1302, "\"" + pairs[i].second + "\"");
    }
    parameter(program, 1300).values[0] = "1";
    parameter(program, 1305).values[0] = valueOf(program, 1305, "\"" + start + "\"");
    parameter(program, 1306).values[0] = valueOf(program, 1306, "\"" + stop + "\"");
    for (const auto& [number, elements] : values) {
        for (const auto& [element, text] : elements)
            parameter(program, number).values.at(element) = valueOf(program, number, text);
    }
    return program;
}

// Settings of inputs at times (ms), in order.
struct Set
{
    long long atMs;
    std::string input;
    double value;
};

// Runs to `untilMs` and tells each change: "500 start", "1000 step 0 -> 1", "3 stop 1".
std::vector<std::string> trace(ProgramRuntime& runtime, const std::vector<Set>& sets,
                               long long untilMs)
{
    std::vector<std::string> lines;
    size_t next = 0;
    for (long long t = 0; t <= untilMs; ++t) {
        for (; next < sets.size() && sets[next].atMs == t; ++next)
            EXPECT_TRUE(runtime.setInput(sets[next].input, sets[next].value)) << sets[next].input;
        const ProgramRuntime::Scan scan = runtime.scan();
        const std::string at = std::to_string(scan.timeMs) + " ";
        if (scan.change == ProgramRuntime::Change::Started)
            lines.push_back(at + "start");
        if (scan.change == ProgramRuntime::Change::Stopped)
            lines.push_back(at + "stop " + std::to_string(scan.from));
        if (scan.change == ProgramRuntime::Change::Stepped)
            lines.push_back(at + "step " + std::to_string(scan.from) + " -> " +
                            std::to_string(scan.to));
    }
    return lines;
}

struct TraceCase
{
    const char* name;
    Pairs pairs;
    std::string start, stop;
    Values values;
    std::vector<Set> sets;
    long long untilMs;
    std::vector<std::string> expected;
};

TEST(RuntimeTest, ControllerAndTimersStepAsTheProgramSays)
{
    const Pairs twoSteps{{"True", "Set relay 1 high"}, {"Digital input 27", "Set relay 1 low"}};
    const Pairs timed{{"True", "Start timer 0"},
                      {"Timeout 0", "Set relay 1 high"},
                      {"Timeout 0", "Start timer 0"},
                      {"Timeout 0", "Set relay 1 low"}};
    const Values tenMs{{1303, {{0, "0.01"}}}};
    const std::vector<TraceCase> cases{
        {"mode off: nothing runs", twoSteps, "True", "False", {{1300, {{0, "0"}}}}, {}, 20, {}},
        {"starts in the first scan its event is true; an event already true fires in the next",
         {{"True", "Set relay 1 high"}, {"True", "Set relay 1 low"}},
         "Digital input 18",
         "False",
         {},
         {{5, "Digital input 18", 1}},
         8,
         {"5 start", "6 step 0 -> 1", "7 step 1 -> 0", "8 step 0 -> 1"}},
        {"a stop ends the step; it starts again from step 0 once the stop event is gone",
         twoSteps,
         "Digital input 18",
         "Digital input 19",
         {},
         {{0, "Digital input 18", 1}, {3, "Digital input 19", 1}, {5, "Digital input 19", 0}},
         8,
         {"0 start", "1 step 0 -> 1", "3 stop 1", "5 start", "6 step 0 -> 1"}},
        {"one pair: step 0 again and again",
         {{"True", "Set relay 1 high"}},
         "True",
         "False",
         {},
         {},
         2,
         {"0 start", "1 step 0 -> 0", "2 step 0 -> 0"}},
        {"a timeout holds until its timer starts again, which restarts it",
         timed,
         "True",
         "False",
         tenMs,
         {},
         23,
         {"0 start", "1 step 0 -> 1", "11 step 1 -> 2", "12 step 2 -> 3", "22 step 3 -> 0",
          "23 step 0 -> 1"}},
        {"a timer never started never times out",
         {{"Timeout 1", "Set relay 1 high"}},
         "True",
         "False",
         {},
         {},
         50,
         {"0 start"}},
        {"Stop all timers: a stopped timer does not run out",
         {{"True", "Start timer 0"}, {"True", "Stop all timers"}, {"Timeout 0", "Start"}},
         "True",
         "False",
         tenMs,
         {},
         30,
         {"0 start", "1 step 0 -> 1", "2 step 1 -> 2"}},
        {"events read comparators and logic rules of the same scan",
         {{"Logic rule 0", "Set relay 1 high"}},
         "True",
         "False",
         {{1310, {{0, "\"Motor speed\""}}},
          {1311, {{0, "\"Greater than\""}}},
          {1312, {{0, "100"}}},
          {1320, {{0, "\"Comparator 0\""}}},
          {1321, {{0, "\"DISABLED\""}}}},
         {{4, "Motor speed", 150}},
         6,
         {"0 start", "4 step 0 -> 0", "5 step 0 -> 0", "6 step 0 -> 0"}},
    };
    for (const TraceCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramRuntime runtime(programOf(c.pairs, c.start, c.stop, c.values));
        EXPECT_THAT(trace(runtime, c.sets, c.untilMs), ElementsAreArray(c.expected));
    }
}

// The drive configuration with what `edit` makes of it, for the lifetime of the guard.
class Configuration
{
public:
    explicit Configuration(const std::function<void(std::string&)>& edit)
    {
        std::ifstream in(NEBPT_DATA_DIR "/drives_conf.xml");
        std::string xml(std::istreambuf_iterator<char>(in), {});
        edit(xml);
        m_folder.writeGzip("drives_conf.neb", xml);
        m_guard.emplace(m_folder.path());
    }

private:
    testsupport::ScratchFolder m_folder;
    std::optional<testsupport::ExecutableFolderGuard> m_guard;
};

// The program as the editor reads and shows it, run.
TEST(RuntimeTest, TheModelReadsTheProgramAsTheEditorDoes)
{
    const auto edited = [](ProgramData program, const std::function<void(ProgramData&)>& edit) {
        edit(program);
        return program;
    };
    const auto addChoice = [](ProgramData& program, unsigned long number, const char* choice) {
        parameter(program, number).choices.push_back(choice);
    };
    const Pairs twoPairs{{"True", "Set relay 1 high"}, {"True", "Set relay 1 low"}};
    struct Case
    {
        const char* name;
        std::function<ProgramData()> program; // built while the configuration is in place
        std::function<void(std::string&)> configuration;
        std::vector<Set> sets;
        long long untilMs;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {"a choice text with a second colon: its name is the text up to the second colon",
         [&] {
             ProgramData program = programOf({{"Digital input 18", "Set relay 1 high"}});
             for (NEBPT::ProgramParameter& p : program.parameters)
                 std::replace(p.choices.begin(), p.choices.end(),
                              std::string("19:Digital input 18"),
                              std::string("19:Digital input 18:NPN"));
             return program;
         },
         nullptr,
         {{3, "Digital input 18", 1}},
         4,
         {"0 start", "3 step 0 -> 0", "4 step 0 -> 0"}},
        {"a negative action is the choice of that ID, not the end of the program",
         [&] {
             return edited(programOf(twoPairs), [&](ProgramData& program) {
                 addChoice(program, 1302, "-5:Pulse relay 1");
                 parameter(program, 1302).values[0] = "-5";
             });
         },
         nullptr,
         {},
         2,
         {"0 start", "1 step 0 -> 1", "2 step 1 -> 0"}},
        {"a negative event is the choice of that ID: an input",
         [&] {
             return edited(programOf(twoPairs), [&](ProgramData& program) {
                 addChoice(program, 1301, "-2:Safe stop");
                 parameter(program, 1301).values[1] = "-2";
             });
         },
         nullptr,
         {{4, "Safe stop", 1}},
         5,
         {"0 start", "1 step 0 -> 1", "4 step 1 -> 0", "5 step 0 -> 1"}},
        {"a comparator's operand with ID 0 is off when the configuration links none as DISABLED",
         [&] {
             return programOf({{"Comparator 0", "Start"}}, "True", "False",
                              {{1310, {{0, "0"}}}, {1311, {{0, "\"Less than\""}}}});
         },
         [](std::string& xml) {
             const std::string list = "<Choicelist parameternumber=\"1310\">";
             for (size_t at = xml.find(list); at != std::string::npos; at = xml.find(list, at)) {
                 at += list.size();
                 xml.erase(at, xml.find("</Choicelist>", at) - at);
             }
         },
         {},
         3,
         {"0 start"}},
        {"as many pairs as the event parameter has elements",
         [&] {
             return edited(programOf({{"True", "Set relay 1 high"},
                                      {"True", "Set relay 1 low"},
                                      {"True", "Start"}}),
                           [](ProgramData& program) {
                               NEBPT::ProgramParameter& events = parameter(program, 1301);
                               events.elementCount = 2;
                               events.values.resize(2);
                           });
         },
         nullptr,
         {},
         2,
         {"0 start", "1 step 0 -> 1", "2 step 1 -> 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<Configuration> configuration;
        if (c.configuration)
            configuration.emplace(c.configuration);
        ProgramRuntime runtime(c.program());
        configuration.reset();
        EXPECT_THAT(trace(runtime, c.sets, c.untilMs), ElementsAreArray(c.expected));
    }

    // A timer without unit is in ms when its range reaches beyond 4000; the
    // maximum counts as the whole number the editor keeps of it.
    const struct
    {
        const char* maximum;
        long long ms; // of 0.75
    } units[] = {{"4000", 750}, {"4000.5", 750}, {"4001", 1}};
    for (const auto& unit : units) {
        ProgramData program = sample();
        parameter(program, 1303).unit.clear();
        parameter(program, 1303).maximum = unit.maximum;
        EXPECT_EQ(ProgramRuntime(program).timerValueMs(2), unit.ms) << unit.maximum;
    }
}

TEST(RuntimeTest, AStopStopsEveryTimerAndOutputsAreRecorded)
{
    ProgramRuntime runtime(
        programOf({{"True", "Start timer 1"}, {"True", "Set relay 1 high"}, {"Timeout 1", "Start"}},
                  "True", "Digital input 19"));
    trace(runtime, {}, 5);
    EXPECT_EQ(runtime.activeStep(), 2);
    EXPECT_TRUE(runtime.timerRunning(1));
    EXPECT_EQ(runtime.timerRemainingMs(1), 12500 - 4) << "12.50 s, started at 1 ms";
    const auto output = [&runtime](const std::string& name) {
        for (const ProgramRuntime::Output& output : runtime.outputs()) {
            if (output.name == name)
                return output;
        }
        return ProgramRuntime::Output{};
    };
    EXPECT_EQ(output("Set relay 1 high").count, 1);
    EXPECT_EQ(output("Set relay 1 high").lastMs, 2);
    EXPECT_EQ(output("Start").count, 0);

    runtime.setInput("Digital input 19", 1);
    EXPECT_EQ(runtime.scan().change, ProgramRuntime::Change::Stopped);
    EXPECT_FALSE(runtime.running());
    EXPECT_EQ(runtime.activeStep(), -1);
    EXPECT_FALSE(runtime.timerRunning(1));
    EXPECT_EQ(runtime.timerRemainingMs(1), 0);
    EXPECT_FALSE(runtime.timedOut(1));

    // Restarted: back to the first scan, the inputs kept.
    runtime.restart();
    EXPECT_EQ(runtime.nextScanMs(), 0);
    EXPECT_EQ(output("Set relay 1 high").count, 0);
    EXPECT_EQ(runtime.scan().change, ProgramRuntime::Change::None) << "the stop event lasts";
}

// A timer is idle until started, runs, then ran out until started again; a
// stop makes a running timer idle and keeps one that ran out. As the status
// block carries it: the ms left, 0 ran out, -1 idle.
TEST(RuntimeTest, ATimerThatRanOutIsToldApartFromAnIdleOne)
{
    ProgramRuntime runtime(programOf({{"True", "Start timer 2"},
                                      {"True", "Start timer 1"},
                                      {"Timeout 2", "Stop all timers"},
                                      {"True", "Start timer 3"}}));
    const long long idle = modbusmap::kTimerIdle, ranOut = modbusmap::kTimerRanOut;
    const struct
    {
        long long afterMs; // the scan
        std::vector<long long> timers;
    } rows[] = {
        {0, {idle, idle, idle, idle}},
        {2, {idle, 12500, 750 - 1, idle}}, // started at 1 and 2 ms
        {751, {idle, idle, ranOut, idle}}, // timer 2 ran out, "Stop all timers"
        {752, {idle, idle, ranOut, 1}},    // a timer of 0 runs for the rest of its scan
        {753, {idle, idle, 750, ranOut}},  // and runs out in the next; timer 2 anew
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.afterMs);
        while (runtime.nextScanMs() <= row.afterMs)
            runtime.scan();
        const std::vector<long long> timers = modbusmap::statusOf(runtime).timers;
        EXPECT_EQ(std::vector<long long>(timers.begin(), timers.begin() + 4), row.timers);
    }
}

// Only the objects that the used pairs, the controller's events and the logic
// rules they reach refer to are used.
TEST(RuntimeTest, TheObjectsUsedAreThoseThePairsAndTheControllerReach)
{
    using Used = std::vector<std::size_t>;
    const struct
    {
        const char* name;
        ProgramData program;
        Used timers, comparators, rules;
    } cases[] = {
        {"the sample: timeouts, timer actions, comparators and rules, also through rules",
         sample(),
         {0, 1, 2},
         {0, 1, 2},
         {0, 1}},
        {"an operand after a disabled operator, the pairs after the end, the controller's events",
         programOf({{"Logic rule 3", "Start timer 5"}}, "Comparator 5", "False",
                   {{1301, {{2, "\"Timeout 1\""}}},
                    {1320, {{3, "\"Comparator 4\""}}},
                    {1321, {{3, "\"AND\""}}},
                    {1322, {{3, "\"Timeout 6\""}}},
                    {1323, {{3, "\"DISABLED\""}}},
                    {1324, {{3, "\"Timeout 7\""}}}}),
         {5, 6},
         {4, 5},
         {3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramRuntime::ObjectsUsed used = ProgramRuntime(c.program).objectsUsed();
        EXPECT_EQ(used.timers, c.timers);
        EXPECT_EQ(used.comparators, c.comparators);
        EXPECT_EQ(used.logicRules, c.rules);
    }
}

// The same program read in another language takes its texts, the model running
// on; anything that would run otherwise is refused and changes nothing. Inputs
// have keys that are the same in every language.
TEST(RuntimeTest, TheSameProgramInAnotherLanguageTakesItsTextsAndRunsOn)
{
    const auto translated = [](ProgramData program) {
        program.language = "german";
        for (NEBPT::ProgramParameter& p : program.parameters) {
            for (std::string& choice : p.choices)
                choice.insert(choice.find(':') + 1, "DE ");
        }
        return program;
    };
    ProgramRuntime runtime(sample());
    const int running = runtime.inputIndex("Running");
    EXPECT_EQ(runtime.inputKey(running), "1301:2");
    EXPECT_EQ(runtime.inputKey(runtime.inputIndex("Motor speed")), "1310:3");
    runtime.setInput(running, 1);
    runtime.setInput("Digital input 18", 1);
    for (int scan = 0; scan < 3; ++scan)
        runtime.scan();
    ASSERT_EQ(runtime.activeStep(), 1);

    ProgramData otherTimer = translated(sample());
    parameter(otherTimer, 1303).values[7] = "1.00";
    ProgramData merged = sample(); // two inputs by one text: another world
    std::replace(parameter(merged, 1301).choices.begin(), parameter(merged, 1301).choices.end(),
                 std::string("20:Digital input 19"), std::string("20:Digital input 18"));
    ProgramData refused = sample();
    parameter(refused, 1303).unit = "furlong";
    for (const ProgramData& program : {otherTimer, merged, refused}) {
        EXPECT_FALSE(runtime.relabel(program));
        EXPECT_EQ(runtime.eventText(0), "Digital input 18");
    }

    EXPECT_TRUE(runtime.relabel(translated(sample())));
    EXPECT_EQ(runtime.eventText(0), "DE Digital input 18");
    EXPECT_EQ(runtime.actionText(1), "DE Select preset reference 1");
    EXPECT_EQ(runtime.startEventText(), "DE Running");
    EXPECT_EQ(runtime.inputIndex("DE Running"), running);
    EXPECT_EQ(runtime.inputKey(running), "1301:2");
    EXPECT_EQ(runtime.input(running), 1) << "the inputs kept";
    EXPECT_EQ(runtime.outputs().front().name, "DE No action");
    EXPECT_EQ(runtime.nextScanMs(), 3) << "the model runs on";
    EXPECT_EQ(runtime.activeStep(), 1);
    EXPECT_TRUE(runtime.timerRunning(0));
}

TEST(RuntimeTest, ComparatorsCompareTheirOperandWithTheirValue)
{
    struct Case
    {
        std::string operand, comparison, value;
        double input;
        bool expected;
    };
    const std::vector<Case> cases{
        {"Motor speed", "Less than", "100", 99.9, true},
        {"Motor speed", "Less than", "100", 100, false},
        {"Motor speed", "Greater than", "100", 100.001, true},
        {"Motor speed", "Greater than", "100", 100, false},
        // Within 1 % of the value...
        {"Motor speed", "About equal", "1200", 1211.9, true},
        {"Motor speed", "About equal", "1200", 1187.9, false},
        // ...and at least one unit of its last decimal (0.001).
        {"Motor speed", "About equal", "0", 0.001, true},
        {"Motor speed", "About equal", "0", 0.002, false},
        {"Disabled", "Less than", "100", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operand + " " + c.comparison + " " + c.value + " at " +
                     std::to_string(c.input));
        ProgramRuntime runtime(programOf({{"Comparator 0", "Start"}}, "True", "False",
                                         {{1310, {{0, "\"" + c.operand + "\""}}},
                                          {1311, {{0, "\"" + c.comparison + "\""}}},
                                          {1312, {{0, c.value}}}}));
        runtime.setInput("Motor speed", c.input);
        runtime.scan();
        EXPECT_EQ(runtime.comparatorState(0), c.expected);
    }
}

TEST(RuntimeTest, LogicRulesCombineTheirOperandsLeftToRight)
{
    struct Case
    {
        std::string op1, op2;
        bool a, b, c;
        bool expected;
    };
    const std::vector<Case> cases{
        {"AND", "DISABLED", 1, 1, 0, 1},
        {"AND", "DISABLED", 1, 0, 0, 0},
        {"OR", "DISABLED", 0, 0, 1, 0},
        {"OR", "DISABLED", 0, 1, 0, 1},
        {"AND NOT", "DISABLED", 1, 0, 0, 1},
        {"AND NOT", "DISABLED", 1, 1, 0, 0},
        {"OR NOT", "DISABLED", 0, 0, 0, 1},
        {"OR NOT", "DISABLED", 0, 1, 0, 0},
        {"NOT AND", "DISABLED", 0, 1, 0, 1},
        {"NOT AND", "DISABLED", 1, 1, 0, 0},
        {"NOT OR", "DISABLED", 1, 0, 0, 0},
        {"NOT OR", "DISABLED", 1, 1, 0, 1},
        {"NOT AND NOT", "DISABLED", 0, 0, 0, 1},
        {"NOT AND NOT", "DISABLED", 1, 0, 0, 0},
        {"NOT OR NOT", "DISABLED", 1, 1, 0, 0},
        {"NOT OR NOT", "DISABLED", 0, 1, 0, 1},
        {"DISABLED", "OR", 1, 0, 0, 1}, // the first operand alone
        {"AND", "OR", 0, 0, 1, 1},      // (a AND b) OR c
        {"OR", "AND", 1, 0, 0, 0},      // (a OR b) AND c
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op1 + " " + c.op2 + " " + std::to_string(c.a) + std::to_string(c.b) +
                     std::to_string(c.c));
        ProgramRuntime runtime(programOf({{"Logic rule 0", "Start"}}, "True", "False",
                                         {{1320, {{0, "\"Digital input 18\""}}},
                                          {1321, {{0, "\"" + c.op1 + "\""}}},
                                          {1322, {{0, "\"Digital input 19\""}}},
                                          {1323, {{0, "\"" + c.op2 + "\""}}},
                                          {1324, {{0, "\"Digital input 27\""}}}}));
        runtime.setInput("Digital input 18", c.a);
        runtime.setInput("Digital input 19", c.b);
        runtime.setInput("Digital input 27", c.c);
        runtime.scan();
        EXPECT_EQ(runtime.logicRuleState(0), c.expected);
    }

    // Constants, and a rule that reads itself: it reads its value of the scan before.
    ProgramRuntime runtime(programOf({{"Logic rule 1", "Start"}}, "True", "False",
                                     {{1320, {{1, "\"Logic rule 1\""}}},
                                      {1321, {{1, "\"OR\""}}},
                                      {1322, {{1, "\"Digital input 18\""}}},
                                      {1323, {{1, "\"AND NOT\""}}},
                                      {1324, {{1, "\"False\""}}}}));
    const std::vector<std::pair<double, bool>> latch{{0, false}, {1, true}, {0, true}};
    for (const auto& [input, expected] : latch) {
        runtime.setInput("Digital input 18", input);
        runtime.scan();
        EXPECT_EQ(runtime.logicRuleState(1), expected) << "Digital input 18 at " << input;
    }
}

TEST(RuntimeTest, TheWorldIsTheDrivesChoiceTexts)
{
    const ProgramRuntime runtime(sample());
    EXPECT_EQ(runtime.steps(), 6);
    EXPECT_TRUE(runtime.modeOn());
    EXPECT_EQ(runtime.eventText(1), "Timeout 0");
    EXPECT_EQ(runtime.actionText(1), "Select preset reference 1");
    EXPECT_EQ(runtime.startEventText(), "Running");
    // Inputs whether the program reads them or not ("Digital input 27", "Counter B").
    for (const char* input : {"Digital input 18", "Running", "Alarm (trip)", "Motor speed",
                              "Counter B", "Digital input 27"})
        EXPECT_GE(runtime.inputIndex(input), 0) << input;
    for (const char* object : {"Comparator 0", "Logic rule 5", "Timeout 7", "True", "False",
                               "Disabled", "Start timer 0", ""})
        EXPECT_EQ(runtime.inputIndex(object), -1) << object;
    EXPECT_THAT(runtime.actionNames(), ::testing::Contains("Start timer 3"));
    EXPECT_EQ(runtime.actionNames().size(), 49u) << "every action but the end of the program";
    EXPECT_EQ(runtime.outputs().size(), 49u - 8 - 1) << "no timer action is an output";
    EXPECT_EQ(runtime.timerValueMs(2), 750);

    // The compact drive keeps its timers in milliseconds.
    const ProgramRuntime compact(sample("fcd50m_sample.json"));
    EXPECT_EQ(compact.timerValueMs(0), 1500);
    EXPECT_EQ(compact.timers(), 4u);
    EXPECT_EQ(compact.comparators(), 4u);
}

TEST(RuntimeTest, InputsReadAreThoseThePairsAndTheControllerReach)
{
    struct Case
    {
        const char* name;
        Pairs pairs;
        std::string start, stop;
        Values values;
        std::vector<std::string> expected; // in the order of inputNames()
    };
    const Values ruleAndComparator{{1310, {{0, "\"Motor speed\""}, {1, "\"Counter B\""}}},
                                   {1320, {{0, "\"Comparator 0\""}, {1, "\"Warning\""}}},
                                   {1321, {{0, "\"AND\""}}},
                                   {1322, {{0, "\"Digital input 27\""}}},
                                   {1323, {{0, "\"DISABLED\""}}},
                                   {1324, {{0, "\"Reversing\""}}}};
    const std::vector<Case> cases{
        {"constants and objects read no input",
         {{"True", "Start timer 0"}, {"Timeout 0", "Start"}},
         "True",
         "False",
         {},
         {}},
        {"the pairs' events and the controller's events",
         {{"Digital input 27", "Start"}},
         "Running",
         "Digital input 19",
         {},
         {"Digital input 19", "Digital input 27", "Running"}},
        {"through a rule to a comparator's operand; operands after a disabled operator, other "
         "comparators and rules are not read",
         {{"Logic rule 0", "Start"}},
         "True",
         "False",
         ruleAndComparator,
         {"Digital input 27", "Motor speed"}},
        {"the pairs after the end of the program are not read",
         {{"True", "Start"}},
         "True",
         "False",
         {{1301, {{2, "\"Digital input 27\""}}}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramRuntime runtime(programOf(c.pairs, c.start, c.stop, c.values));
        std::vector<int> expected;
        for (const std::string& name : c.expected)
            expected.push_back(runtime.inputIndex(name));
        std::sort(expected.begin(), expected.end());
        EXPECT_THAT(runtime.inputsRead(), ElementsAreArray(expected));
    }
}

TEST(RuntimeTest, AProgramTheModelCannotRunIsRefusedNamingWhere)
{
    const auto changed = [](const Values& values) {
        ProgramData program = sample();
        for (const auto& [number, elements] : values) {
            for (const auto& [element, text] : elements)
                parameter(program, number).values.at(element) = text;
        }
        return program;
    };
    ProgramData unknownDrive = sample();
    unknownDrive.driveType = "FCD-999";
    ProgramData strangeUnit = sample();
    parameter(strangeUnit, 1303).unit = "furlong";
    ProgramData missing = sample();
    missing.parameters.pop_back();
    const std::vector<std::pair<ProgramData, std::string>> cases{
        {changed({{1301, {{1, "99"}}}}),
         "Pair 1: event value 99 is not in the drive's choice list"},
        {changed({{1302, {{2, "99"}}}}), "Pair 2: action value 99"},
        {changed({{1311, {{0, "7"}}}}), "Comparator 0: its comparison is none of"},
        {changed({{1321, {{0, "9"}}}}), "Logic rule 0: operator 1 is no logic operator"},
        {unknownDrive, "\"FCD-999\" with database 02.40 is not in the drive configuration"},
        {strangeUnit, "the unit \"furlong\" of parameter 1303"},
        {changed({{1303, {{2, "-1.00"}}}}),
         "Timer 2: \"-1.00\" is no time (used by Logic rule 1: operand 3)"},
        {changed({{1303, {{0, "-1.00"}}}, {1301, {{0, "34"}}}}),
         "Timer 0: \"-1.00\" is no time (used by Pair 0: event)"},
        {changed({{1302, {{1, "-5"}}}}), "Pair 1: action value -5 is not in the drive's choice"},
        {missing, "no parameter 1306"},
    };
    for (const auto& [program, message] : cases) {
        SCOPED_TRACE(message);
        try {
            ProgramRuntime runtime(program);
            ADD_FAILURE() << "not refused";
        } catch (const NEBPT::ProgramError& error) {
            EXPECT_THAT(error.what(), HasSubstr(message));
        }
    }
    // What nothing uses is no reason to refuse the program.
    EXPECT_NO_THROW(ProgramRuntime(changed(
        {{1310, {{3, "3"}}}, {1311, {{3, "7"}}}, {1302, {{8, "99"}}}, {1303, {{7, "-1.00"}}}})));
}

// What a proof reads of the program: the sample's pairs, objects and rule order.
TEST(RuntimeTest, LogicTellsWhatEachPartReadsAndDoes)
{
    using L = ProgramRuntime::Logic;
    const L logic = ProgramRuntime(sample()).logic();
    ASSERT_EQ(logic.events.size(), 6u);
    EXPECT_EQ(logic.events[1].source, L::Source::Timeout);
    EXPECT_EQ(logic.events[5].source, L::Source::Rule);
    EXPECT_EQ(logic.actions[2].deed, L::Deed::StartTimer);
    EXPECT_EQ(logic.actions[2].index, 1);
    EXPECT_EQ(logic.timerMs[1], 12500);
    EXPECT_EQ(logic.comparators[0].comparison, L::Comparison::Greater);
    EXPECT_EQ(logic.comparators[0].value, 1200);
    EXPECT_EQ(logic.rules[1].used, 3);
    EXPECT_TRUE(logic.rules[1].operators[1].notB);
    const auto first = [&logic](int r) {
        return std::find(logic.ruleOrder.begin(), logic.ruleOrder.end(), r) -
               logic.ruleOrder.begin();
    };
    EXPECT_LT(first(0), first(1)) << "rule 1 reads rule 0";
}

} // namespace
