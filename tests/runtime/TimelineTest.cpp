#include "Timeline.h"
#include "ProgramRuntime.h"
#include "Scenario.h"
#include "SimulatedDrive.h"

#include "HostTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

// What a scenario run records for a picture of it (the lanes and their
// changes), what the monitor's strip keeps of the last minute, and where a
// recording too long for a picture ends.

using timeline::Lane;
using timeline::Point;

namespace {

NEBPT::ProgramRuntime runtimeOf(const std::string& image)
{
    SimulatedDrive drive(image, SimulatedDrive::Access::Read);
    return NEBPT::ProgramRuntime(NEBPT::ProgramWorkflow().exportProgram(drive));
}

NEBPT::ProgramRuntime sampleRuntime()
{
    return runtimeOf(std::string(NEBPT_DATA_DIR) + "/fcd300_sample.json");
}

std::vector<std::pair<long long, double>> pointsOf(const std::vector<Point>& points)
{
    std::vector<std::pair<long long, double>> out;
    for (const Point& p : points)
        out.emplace_back(p.atMs, p.value);
    return out;
}

const Lane& lane(const std::vector<Lane>& lanes, const std::string& name)
{
    for (const Lane& l : lanes) {
        if (l.name == name)
            return l;
    }
    throw std::runtime_error("no lane " + name);
}

// The sample's scenario: inputs set, steps taken, timers started, run out and
// stopped, actions performed, each at the scan it happened in.
TEST(TimelineTest, AScenarioRunRecordsEachLanesChanges)
{
    NEBPT::ProgramRuntime runtime = sampleRuntime();
    const scenario::Scenario planned = scenario::parse(R"({"until": 8,
        "set": [{"at": 0.5, "input": "Running", "value": true},
                {"at": 1, "input": "Digital input 18", "value": true},
                {"at": 2, "input": "Digital input 18", "value": false},
                {"at": 7, "input": "Motor speed", "value": 1500}],
        "expect": [{"at": 3, "step": 2}]})",
                                                       "s.json");
    timeline::Recorder recorder(runtime, "run");
    std::ostringstream trace;
    const auto failed = scenario::run(planned, runtime, trace, 100, {&recorder, nullptr});
    const timeline::Timeline& run = recorder.timeline();
    EXPECT_EQ(run.untilMs, 8000);
    EXPECT_EQ(run.cutAtMs, -1);
    EXPECT_EQ(lane(run.inputs, "Motor speed").kind, Lane::Kind::Value);
    EXPECT_EQ(lane(run.inputs, "Running").kind, Lane::Kind::Level);
    const std::vector<std::pair<long long, double>> di18{{0, 0}, {1000, 1}, {2000, 0}};
    EXPECT_EQ(pointsOf(lane(run.inputs, "Digital input 18").points), di18);
    const std::vector<std::pair<long long, double>> steps{
        {0, -1}, {500, 0}, {1000, 1}, {6000, 2}, {7000, 3}};
    EXPECT_EQ(pointsOf(run.steps), steps);
    // Timer 0 runs 5 s from 1 s; timer 1 starts at 7 s and runs on.
    const std::vector<std::pair<long long, double>> timer0{
        {0, 0}, {1000, 0}, {1000, 5000}, {6000, 0}};
    EXPECT_EQ(pointsOf(lane(run.timers, "Timer 0").points), timer0);
    const std::vector<std::pair<long long, double>> timer1{{0, 0}, {7000, 0}, {7000, 12500}};
    EXPECT_EQ(pointsOf(lane(run.timers, "Timer 1").points), timer1);
    ASSERT_EQ(run.actions.size(), 3u);
    EXPECT_EQ(run.actions[1].atMs, 6000);
    EXPECT_EQ(run.actions[1].text, "Select preset reference 1");
    ASSERT_EQ(failed.size(), 1u);
    ASSERT_EQ(run.failures.size(), 1u);
    EXPECT_EQ(run.failures[0].atMs, 3000);
    EXPECT_EQ(run.failures[0].text, failed[0]);
}

// The strip forgets what lies before its minute and keeps each lane's value
// then; a countdown is cut where its line crosses.
TEST(TimelineTest, ForgettingKeepsTheValuesAtTheCut)
{
    timeline::Timeline strip;
    strip.untilMs = 100000;
    strip.inputs.push_back(
        {Lane::Kind::Level, "Digital input 18", {{0, 0}, {10000, 1}, {50000, 0}}});
    strip.timers.push_back(
        {Lane::Kind::Countdown, "Timer 0", {{0, 0}, {30000, 0}, {30000, 5000}, {35000, 0}}});
    strip.steps = {{0, -1}, {20000, 0}};
    strip.actions = {{20000, "Start timer 0"}, {45000, "Set relay 1 high"}};
    strip.forget(32000);
    EXPECT_EQ(strip.fromMs, 32000);
    const std::vector<std::pair<long long, double>> input{{32000, 1}, {50000, 0}};
    EXPECT_EQ(pointsOf(strip.inputs[0].points), input);
    const std::vector<std::pair<long long, double>> timer{{32000, 3000}, {35000, 0}};
    EXPECT_EQ(pointsOf(strip.timers[0].points), timer);
    const std::vector<std::pair<long long, double>> steps{{32000, 0}};
    EXPECT_EQ(pointsOf(strip.steps), steps);
    ASSERT_EQ(strip.actions.size(), 1u);
    EXPECT_EQ(strip.actions[0].text, "Set relay 1 high");
}

// A lane that fills ends the recording at that time for every lane: a picture
// never shows a quiet part that was not.
TEST(TimelineTest, ARecordingTooLongForAPictureEndsWhereALaneIsFull)
{
    NEBPT::ProgramRuntime runtime = sampleRuntime();
    timeline::Recorder recorder(runtime, "long");
    const int di18 = runtime.inputIndex("Digital input 18");
    const long long most = static_cast<long long>(timeline::Timeline::kMostPoints);
    for (long long t = 1; t <= most + 5; ++t)
        recorder.input(t, di18, static_cast<double>(t % 2));
    recorder.endAt(most + 100);
    const timeline::Timeline& cut = recorder.timeline();
    EXPECT_EQ(cut.cutAtMs, most);
    EXPECT_EQ(cut.untilMs, most);
    EXPECT_EQ(lane(cut.inputs, "Digital input 18").points.size(), timeline::Timeline::kMostPoints);
    recorder.action(most + 1, "Start timer 0");
    EXPECT_TRUE(cut.actions.empty());
}

// The monitor's number fields and the picture's value lanes: a comparator's
// operand is a number, unless an event or a rule also reads it as a condition
// (comparator 0 reading pair 0's event "Digital input 18").
TEST(TimelineTest, AComparatorsOperandIsANumberUnlessAlsoReadAsACondition)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", "both.json",
                                                     "\"3:Motor speed\"", "\"3:Digital input 18\"");
    const struct
    {
        std::string image, input;
        bool number;
    } rows[] = {{std::string(NEBPT_DATA_DIR) + "/fcd300_sample.json", "Motor speed", true},
                {std::string(NEBPT_DATA_DIR) + "/fcd300_sample.json", "Digital input 18", false},
                {image, "Motor current", true},
                {image, "Digital input 18", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        const NEBPT::ProgramRuntime runtime = runtimeOf(row.image);
        const int index = runtime.inputIndex(row.input);
        ASSERT_GE(index, 0);
        EXPECT_EQ(timeline::numberInputs(runtime).count(index) == 1, row.number);
        timeline::Recorder recorder(runtime, "run");
        EXPECT_EQ(lane(recorder.timeline().inputs, row.input).kind,
                  row.number ? Lane::Kind::Value : Lane::Kind::Level);
    }
}

} // namespace
