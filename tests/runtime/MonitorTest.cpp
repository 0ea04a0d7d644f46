#include "HostTestSupport.h"
#include "HostWindow.h"
#include "HostWindowTestSupport.h"
#include "LinkTestSupport.h"
#include "ModbusClient.h"
#include "ModbusDrive.h"
#include "ProgramMonitor.h"
#include "Timeline.h"

#include "framework/widgets/FileDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

// The live monitor in nebpt-host's window as a user meets it: View > Monitor
// shows and hides it; Tools > Simulate runs a drive image's program in it, the
// user setting the inputs in its switches and number fields and watching the
// marked step move, the timers and the actions performed; an edit runs the new
// program, a language switch keeps it running; over a link to nebpt-drive-sim it
// shows what the drive's controller does, and that it no longer sees it once
// the link is lost; its strip chart keeps the last minute, and what it records
// of a drive replays on the model. What the monitor shows comes in real time: the
// tests wait for it with a deadline that only keeps a broken test from hanging.

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using TimerState = NEBPT::TimerLiveState::State;

namespace {

const std::string kSample = "fcd300_sample.json";
constexpr int kWaitMs = 20000;
constexpr int kTimeoutMs = 2000;
constexpr int kInputBlock = 2400; // the sample profile's
// The objects the sample program uses (of 8 timers, 6 comparators, 6 rules).
const std::vector<std::string> kUsedObjects{"Timer 0",      "Timer 1",      "Timer 2",
                                            "Comparator 0", "Comparator 1", "Comparator 2",
                                            "Logic rule 0", "Logic rule 1"};

class MonitorTest : public ::testing::Test
{
protected:
    MonitorTest()
    {
        window.show();
        QObject::connect(&monitor(), &ProgramMonitor::liveStateChanged,
                         [this](const NEBPT::FlowLiveState& state) { flows.push_back(state); });
    }

    QAction* action(const char* name) const { return window.findChild<QAction*>(name); }
    ProgramMonitor& monitor() const { return *window.monitor(); }
    // The sample with timer 0 at 2 s: the program's step 1 waits for it.
    std::string fastSample(const char* as) const
    {
        return hosttest::copyOfSample(scratch, kSample, as, "\"5.00\"", "\"2.00\"");
    }

    // The control of the monitor a screen reader names `name`; null when it shows none.
    template <typename Control> Control* control(const std::string& name) const
    {
        QCoreApplication::processEvents(); // what the window shows once it runs
        for (Control* found : monitor().findChildren<Control*>())
            if (found->accessibleName().toStdString() == name && found->isVisibleTo(&monitor()))
                return found;
        return nullptr;
    }
    // The user sets an input in the monitor.
    void setSwitch(const std::string& name, bool on)
    {
        auto* box = control<QCheckBox>(name);
        ASSERT_NE(box, nullptr) << name;
        box->setChecked(on);
    }
    void setNumber(const std::string& name, double value)
    {
        auto* field = control<QDoubleSpinBox>(name);
        ASSERT_NE(field, nullptr) << name;
        field->setValue(value);
    }
    QTreeWidget* list(const char* name) const { return monitor().findChild<QTreeWidget*>(name); }
    // The texts of a list's column, row by row.
    std::vector<std::string> column(const char* name, int column) const
    {
        std::vector<std::string> texts;
        const QTreeWidget* tree = list(name);
        for (int row = 0; tree && row < tree->topLevelItemCount(); ++row)
            texts.push_back(tree->topLevelItem(row)->text(column).toStdString());
        return texts;
    }
    // The state the monitor shows for an object ("Timer 0").
    std::string objectState(const std::string& object) const
    {
        const std::vector<std::string> names = column("monitorObjects", 0);
        const auto at = std::find(names.begin(), names.end(), object);
        return at == names.end() ? std::string()
                                 : column("monitorObjects", 1).at(size_t(at - names.begin()));
    }
    std::string stepEvent(int step) const
    {
        const std::vector<std::string> events = column("monitorSteps", 1);
        return step < int(events.size()) ? events[size_t(step)] : std::string();
    }
    bool marks(int step) const
    {
        return QTest::qWaitFor([&] { return monitor().markedStep() == step; }, kWaitMs);
    }
    bool says(const char* state) const
    {
        return QTest::qWaitFor([&] { return monitor().stateText().startsWith(state); }, kWaitMs);
    }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::MessageBoxRecorder messages{fw::IDNO};
    HostWindow window;
    std::vector<NEBPT::FlowLiveState> flows; // as the editor's flow is told
};

TEST_F(MonitorTest, ViewMonitorTogglesTheDockAndSimulateNeedsAProgramFromAnImage)
{
    QAction* view = action("actionMonitor");
    QAction* simulate = action("actionSimulate");
    ASSERT_NE(view, nullptr);
    ASSERT_NE(simulate, nullptr);
    EXPECT_TRUE(view->isCheckable());
    EXPECT_TRUE(simulate->isCheckable());
    EXPECT_FALSE(monitor().isVisible());
    EXPECT_FALSE(simulate->isEnabled()) << "no drive";

    view->trigger();
    EXPECT_TRUE(monitor().isVisible());
    EXPECT_TRUE(view->isChecked());
    EXPECT_EQ(monitor().noteText().toStdString(), "No drive is open.");
    for (const char* name :
         {"Controller state", "Steps", "Timers, comparators and logic rules", "Actions performed"})
        EXPECT_NE(control<QWidget>(name), nullptr);
    view->trigger();
    EXPECT_FALSE(monitor().isVisible());

    ASSERT_TRUE(hosttest::done(
        window.openImage(QString::fromStdString(hosttest::copyOfSample(scratch, kSample)))));
    EXPECT_TRUE(simulate->isEnabled());
    EXPECT_FALSE(monitor().simulating()) << "until the user asks";
    simulate->trigger();
    EXPECT_TRUE(monitor().isVisible()) << "Simulate opens the monitor";
    EXPECT_TRUE(view->isChecked());
    EXPECT_TRUE(monitor().simulating());
    monitor().close(); // its own close button
    EXPECT_FALSE(view->isChecked());
    action("actionSimulate")->trigger();
    EXPECT_FALSE(monitor().simulating());
}

// The sample's program as data/fcd300_sample.scenario.json runs it: "Running"
// starts it at step 0, "Digital input 18" takes it to step 1 and starts timer 0,
// whose running out takes it to step 2; "Motor speed" above 1200 makes
// comparator 0 true, "Alarm (trip)" stops it.
TEST_F(MonitorTest, TheImageProgramRunsAsTheUserSetsItsInputs)
{
    const std::string image = fastSample("fast.json");
    const std::string before = hosttest::fileBytes(image);
    ASSERT_TRUE(hosttest::done(window.openImage(QString::fromStdString(image))));
    action("actionSimulate")->trigger();
    ASSERT_TRUE(monitor().simulating()) << monitor().noteText().toStdString();
    EXPECT_EQ(monitor().markedStep(), -1);
    EXPECT_EQ(monitor().stateText().toStdString(), "Stopped");
    EXPECT_EQ(stepEvent(0), "Digital input 18");
    EXPECT_EQ(column("monitorObjects", 0), kUsedObjects) << "only those the program uses";
    ASSERT_FALSE(flows.empty());
    EXPECT_TRUE(flows.back().shown);
    EXPECT_EQ(flows.back().activePair, -1);

    setSwitch("Running", true);
    ASSERT_TRUE(marks(0));
    EXPECT_EQ(monitor().stateText().toStdString(), "Running: step 0");
    EXPECT_EQ(objectState("Timer 0"), "idle");
    setSwitch("Digital input 18", true);
    ASSERT_TRUE(marks(1));
    EXPECT_THAT(objectState("Timer 0"), HasSubstr("s left")) << "timer 0 counts down";
    EXPECT_EQ(flows.back().activePair, 1);
    ASSERT_EQ(flows.back().timers.size(), 8u);
    EXPECT_EQ(flows.back().timers[0].state, TimerState::Running);
    EXPECT_GT(flows.back().timers[0].remainingMs, 0);

    ASSERT_TRUE(marks(2));
    EXPECT_EQ(objectState("Timer 0"), "ran out");
    EXPECT_EQ(objectState("Timer 1"), "idle");
    EXPECT_EQ(flows.back().activePair, 2);
    EXPECT_EQ(flows.back().timers[0].state, TimerState::RanOut);
    EXPECT_EQ(flows.back().timers[1].state, TimerState::Idle);
    // The actions performed, newest first, at their scans' simulated time: timer
    // 0 ran out 2.000 s after step 0 started it.
    EXPECT_EQ(list("monitorOutputs")->headerItem()->text(0).toStdString(), "Simulated time (s)");
    EXPECT_THAT(column("monitorOutputs", 2),
                ElementsAre("Select preset reference 1", "Start timer 0"));
    const std::vector<std::string> times = column("monitorOutputs", 0);
    const auto ms = [](const std::string& seconds) {
        return std::llround(std::stod(seconds) * 1000);
    };
    EXPECT_EQ(ms(times.at(0)) - ms(times.at(1)), 2000);

    EXPECT_EQ(objectState("Comparator 0"), "false");
    setNumber("Motor speed", 1500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return objectState("Comparator 0") == "true"; }, kWaitMs));

    setSwitch("Alarm (trip)", true);
    ASSERT_TRUE(marks(-1));
    EXPECT_EQ(monitor().stateText().toStdString(), "Stopped");
    EXPECT_EQ(objectState("Timer 0"), "ran out") << "a stop keeps a timeout";

    action("actionSimulate")->trigger();
    EXPECT_FALSE(monitor().simulating());
    EXPECT_FALSE(flows.back().shown);
    EXPECT_EQ(hosttest::fileBytes(image), before) << "the simulation writes nothing";
    EXPECT_TRUE(messages.shown().empty());
}

// Another language keeps the model running with the inputs set; an edit runs
// the new program with the inputs kept.
TEST_F(MonitorTest, ALanguageSwitchKeepsTheModelAndAnEditTheInputs)
{
    ASSERT_TRUE(hosttest::done(
        window.openImage(QString::fromStdString(hosttest::copyOfSample(scratch, kSample)))));
    action("actionSimulate")->trigger();
    setSwitch("Running", true);
    ASSERT_TRUE(marks(0));
    const NEBPT::ProgramRuntime* model = monitor().runtime();
    const long long scanned = model->nextScanMs();

    action("actionGerman")->trigger();
    EXPECT_EQ(monitor().runtime(), model);
    EXPECT_GE(monitor().runtime()->nextScanMs(), scanned) << "no new start";
    EXPECT_EQ(monitor().stateText().toStdString(), "Läuft: Schritt 0");
    ASSERT_NE(control<QCheckBox>("Running"), nullptr);
    EXPECT_TRUE(control<QCheckBox>("Running")->isChecked());
    action("actionEnglish")->trigger();
    EXPECT_EQ(monitor().runtime(), model);

    // Step 0 now waits for "Running", which holds: the new program goes on to step 1 at once.
    hosttest::chooseFirstEvent(window, "Running");
    EXPECT_TRUE(QTest::qWaitFor([&] { return stepEvent(0) == "Running"; }, kWaitMs));
    EXPECT_TRUE(marks(1));
    ASSERT_NE(control<QCheckBox>("Running"), nullptr);
    EXPECT_TRUE(control<QCheckBox>("Running")->isChecked());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(MonitorTest, AProgramTheModelRefusesIsToldInTheMonitor)
{
    const std::string image = hosttest::copyOfSample(scratch, kSample, "weeks.json",
                                                     "\"unit\": \"s\"", "\"unit\": \"weeks\"");
    ASSERT_TRUE(hosttest::done(window.openImage(QString::fromStdString(image))));
    action("actionSimulate")->trigger();
    EXPECT_FALSE(monitor().simulating());
    EXPECT_EQ(monitor().markedStep(), -1);
    EXPECT_THAT(monitor().noteText().toStdString(),
                HasSubstr("cannot be simulated: Timers: the unit \"weeks\""));
    EXPECT_TRUE(flows.empty() || !flows.back().shown);
    EXPECT_TRUE(messages.shown().empty()) << "told in the monitor only";
}

// Over a link the monitor polls the drive's status block; with an input block
// (nebpt-drive-sim --run) the user sets the drive's inputs in it and its
// switches follow what the drive's inputs hold. A drive gone is told, what was
// last seen greyed and the inputs disabled; connected anew, the monitor shows
// the drive again.
TEST_F(MonitorTest, OverALinkTheMonitorShowsTheDrivesControllerWhileItSeesIt)
{
    const std::string image = fastSample("drive.json");
    const QString profile = QString::fromStdString(hosttest::sampleImage(kSample));
    QAction* view = action("actionMonitor");
    {
        linktest::DriveSimulator sim(image, {"--run"});
        ASSERT_TRUE(hosttest::done(
            window.connectDrive(QString::fromStdString(sim.address()), profile, kTimeoutMs)));
        EXPECT_FALSE(action("actionSimulate")->isEnabled()) << "no image";
        view->trigger();
        EXPECT_TRUE(says("Stopped")) << monitor().noteText().toStdString();
        EXPECT_EQ(stepEvent(0), "Digital input 18");
        EXPECT_EQ(column("monitorObjects", 0), kUsedObjects);
        setSwitch("Running", true);
        EXPECT_TRUE(marks(0)) << monitor().noteText().toStdString();
        setSwitch("Digital input 18", true);
        EXPECT_TRUE(marks(1)) << monitor().noteText().toStdString();
        EXPECT_TRUE(marks(2)) << "timer 0 ran out";
        EXPECT_EQ(objectState("Timer 0"), "ran out");
        EXPECT_EQ(objectState("Timer 1"), "idle");
        EXPECT_EQ(flows.back().activePair, 2);
        EXPECT_EQ(list("monitorOutputs")->headerItem()->text(0).toStdString(),
                  "Step change seen at");
        EXPECT_THAT(column("monitorOutputs", 2),
                    ElementsAre("Select preset reference 1", "Start timer 0"));
        for (const std::string& seen : column("monitorOutputs", 0))
            EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$")
                            .match(QString::fromStdString(seen))
                            .hasMatch())
                << seen;
        // The window tells of a lost link; a poll that answers shows the drive again.
        auto* running = control<QCheckBox>("Running");
        ASSERT_NE(running, nullptr);
        monitor().linkLost("cable pulled");
        EXPECT_EQ(monitor().stateText().toStdString(), "Link lost: cable pulled");
        EXPECT_FALSE(running->isEnabled());
        EXPECT_TRUE(says("Running: step"));
        EXPECT_TRUE(running->isEnabled());

        sim.kill();
        EXPECT_TRUE(says("Link lost: ")) << monitor().stateText().toStdString();
        EXPECT_THAT(monitor().noteText().toStdString(), HasSubstr("last seen"));
        EXPECT_FALSE(list("monitorSteps")->isEnabled()) << "greyed";
        EXPECT_FALSE(flows.back().shown);
        EXPECT_FALSE(running->isEnabled());
        const bool held = running->isChecked();
        running->setChecked(!held); // should it come through all the same
        EXPECT_EQ(running->isChecked(), held) << "nothing is set on a lost link";
    }
    {
        // The drive again, connected anew: the switches follow its inputs.
        linktest::DriveSimulator sim(image, {"--run"});
        ASSERT_TRUE(hosttest::done(
            window.connectDrive(QString::fromStdString(sim.address()), profile, kTimeoutMs)));
        EXPECT_TRUE(says("Stopped")) << monitor().stateText().toStdString();
        EXPECT_TRUE(list("monitorSteps")->isEnabled());
        auto* running = control<QCheckBox>("Running");
        ASSERT_NE(running, nullptr);
        EXPECT_TRUE(running->isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !running->isChecked(); }, kWaitMs))
            << "the drive's input is off";
        const NEBPT::ProgramRuntime* program = monitor().runtime();
        ASSERT_NE(program, nullptr);
        const std::vector<int> read = program->inputsRead();
        const auto at = std::find(read.begin(), read.end(), program->inputIndex("Running"));
        ASSERT_NE(at, read.end());
        linktest::ModbusClient client(sim.port());
        EXPECT_EQ(client.write(
                      kInputBlock + modbusmap::kInputHeaderRegisters + int(at - read.begin()), {1}),
                  0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return running->isChecked(); }, kWaitMs));
        EXPECT_TRUE(says("Running: step"));
        view->trigger(); // hidden, it asks the drive for nothing: the drive may go
    }
    {
        linktest::DriveSimulator plain(image);
        ASSERT_TRUE(hosttest::done(
            window.connectDrive(QString::fromStdString(plain.address()), profile, kTimeoutMs)));
        view->trigger();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return monitor().noteText().contains("state cannot be read"); }, kWaitMs));
        EXPECT_THAT(monitor().noteText().toStdString(), HasSubstr("Illegal data address"));
        EXPECT_THAT(monitor().stateText().toStdString(), StartsWith("Waiting"));
        EXPECT_TRUE(window.linkDrive()->linkUp()) << "a refused poll leaves the link up";
        QCheckBox* unread = control<QCheckBox>("Running");
        ASSERT_NE(unread, nullptr);
        EXPECT_FALSE(unread->isEnabled()) << "inputs the drive does not read back are not set";
        view->trigger();
    }
    {
        const std::string blind =
            hosttest::copyOfSample(scratch, kSample, "blind.json", "\"statusRegister\": 2000,", "");
        linktest::DriveSimulator plain(image);
        ASSERT_TRUE(hosttest::done(window.connectDrive(QString::fromStdString(plain.address()),
                                                       QString::fromStdString(blind), kTimeoutMs)));
        view->trigger();
        EXPECT_THAT(monitor().noteText().toStdString(), HasSubstr("tells no controller state"));
        EXPECT_EQ(control<QCheckBox>("Running"), nullptr) << "nothing to set on the drive";
        view->trigger();
    }
}

// The strip chart draws the lanes of the program running: the inputs it reads
// as the user sets them, the active step, the timers it uses, the actions. Run
// a hundred times as fast, a minute and more later it holds only the last
// minute, each lane with the value it had when that minute began.
TEST_F(MonitorTest, TheStripChartHoldsTheLastMinuteOfTheProgramsLanes)
{
    ASSERT_TRUE(hosttest::done(window.openImage(QString::fromStdString(fastSample("fast.json")))));
    action("actionSimulate")->trigger();
    const timeline::Timeline* chart = monitor().chartTimeline();
    ASSERT_NE(chart, nullptr);
    const auto lane = [&chart](const std::string& name) -> const timeline::Lane* {
        for (const auto* lanes : {&chart->inputs, &chart->timers})
            for (const timeline::Lane& lane : *lanes)
                if (lane.name == name)
                    return &lane;
        return nullptr;
    };
    std::vector<std::string> timers;
    for (const timeline::Lane& timer : chart->timers)
        timers.push_back(timer.name);
    EXPECT_EQ(timers, std::vector<std::string>(kUsedObjects.begin(), kUsedObjects.begin() + 3));
    ASSERT_NE(lane("Motor speed"), nullptr);
    EXPECT_EQ(lane("Motor speed")->kind, timeline::Lane::Kind::Value);

    setSwitch("Running", true);
    setSwitch("Digital input 18", true);
    ASSERT_TRUE(marks(2)) << "timer 0 ran out";
    std::vector<double> steps;
    for (const timeline::Point& point : chart->steps)
        steps.push_back(point.value);
    EXPECT_THAT(steps, ElementsAre(-1, 0, 1, 2));
    ASSERT_NE(lane("Timer 0"), nullptr);
    EXPECT_THAT(lane("Timer 0")->points,
                Contains(::testing::Field(&timeline::Point::value, ::testing::Ge(1900))))
        << "counted down from 2 s";
    EXPECT_EQ(chart->actions.size(), 2u);

    monitor().simulationClock().setRate(100);
    const long long ranOutMs = chart->steps.back().atMs;
    ASSERT_TRUE(QTest::qWaitFor([&] { return chart->untilMs > ranOutMs + 65000; }, kWaitMs));
    EXPECT_EQ(chart->fromMs, chart->untilMs - 60000);
    EXPECT_TRUE(chart->actions.empty()) << "performed over a minute ago";
    ASSERT_FALSE(chart->steps.empty());
    EXPECT_EQ(chart->steps.front().value, 2) << "the step then active";
    const std::vector<timeline::Point>& running = lane("Running")->points;
    ASSERT_FALSE(running.empty());
    EXPECT_EQ(running.back().value, 1);
    for (const auto* lanes : {&chart->inputs, &chart->timers})
        for (const timeline::Lane& kept : *lanes)
            for (const timeline::Point& point : kept.points)
                EXPECT_GE(point.atMs, chart->fromMs) << kept.name;
}

// Record in the monitor collects what the polls see as nebpt-host --record
// does; Stop writes it where the user says, and it replays on the model of
// the drive's program, also when recorded in the German window. A drive gone
// while recording ends it: nothing written.
TEST_F(MonitorTest, WhatTheMonitorRecordsOfADriveReplaysOnTheModel)
{
    const std::string image = fastSample("drive.json");
    const std::string recorded = scratch.file("recorded.json");
    linktest::DriveSimulator sim(image, {"--run"});
    ASSERT_TRUE(hosttest::done(
        window.connectDrive(QString::fromStdString(sim.address()),
                            QString::fromStdString(hosttest::sampleImage(kSample)), kTimeoutMs)));
    action("actionMonitor")->trigger();
    ASSERT_TRUE(says("Stopped")) << monitor().noteText().toStdString();
    auto* record = monitor().findChild<QPushButton*>(QStringLiteral("monitorRecord"));
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(record->isEnabled());
    EXPECT_EQ(record->text().toStdString(), "Record...");

    const fw::FileDialogHook previous = fw::setFileDialogHook(
        [&recorded](fw::FileChoice, const QString&) { return QString::fromStdString(recorded); });
    record->click();
    EXPECT_TRUE(monitor().recording());
    EXPECT_EQ(record->text().toStdString(), "Stop");
    action("actionGerman")->trigger(); // the inputs keep the drive's names
    setSwitch("Running", true);
    ASSERT_TRUE(marks(0));
    setSwitch("Digital input 18", true);
    ASSERT_TRUE(marks(2)) << "timer 0 ran out";
    record->click();
    EXPECT_FALSE(monitor().recording());
    const std::string scenario = testsupport::ScratchFolder::readFile(recorded);
    EXPECT_THAT(scenario, HasSubstr("\"Digital input 18\""));
    EXPECT_THAT(scenario, HasSubstr("\"within\": 0.25"));
    const hosttest::Run replay =
        hosttest::run({NEBPT_HOST_EXECUTABLE, "--simulate", image, "--scenario", recorded});
    EXPECT_EQ(replay.status, 0) << replay.out << replay.errors;
    EXPECT_THAT(replay.out, HasSubstr("expectations hold"));

    action("actionEnglish")->trigger();
    record->click();
    ASSERT_TRUE(monitor().recording());
    sim.kill();
    const auto toldNothingWritten = [this] {
        return std::any_of(messages.shown().begin(), messages.shown().end(), [](const auto& box) {
            return box.text.find("; nothing was written.") != std::string::npos;
        });
    };
    EXPECT_TRUE(QTest::qWaitFor(toldNothingWritten, kWaitMs));
    fw::setFileDialogHook(previous);
    EXPECT_FALSE(monitor().recording());
    EXPECT_FALSE(record->isChecked());
    EXPECT_EQ(testsupport::ScratchFolder::readFile(recorded), scenario);
}

// A program written into the drive by another master gives the input block
// another layout: the monitor reads the drive again by itself and names the
// inputs from the new program, so a switch sets the input it names.
TEST_F(MonitorTest, AProgramChangedUnderTheMonitorIsReadAgainBeforeAnInputIsSet)
{
    linktest::DriveSimulator sim(hosttest::copyOfSample(scratch, kSample), {"--run"});
    ASSERT_TRUE(hosttest::done(
        window.connectDrive(QString::fromStdString(sim.address()),
                            QString::fromStdString(hosttest::sampleImage(kSample)), kTimeoutMs)));
    action("actionMonitor")->trigger();
    ASSERT_TRUE(says("Stopped"));
    ASSERT_EQ(stepEvent(0), "Digital input 18");
    linktest::ModbusClient client(sim.port());
    const int pair0Event = 140;
    ASSERT_EQ(client.write(pair0Event, {20}), 0); // "Digital input 19"
    ASSERT_TRUE(QTest::qWaitFor([&] { return stepEvent(0) == "Digital input 19"; }, kWaitMs))
        << monitor().noteText().toStdString();
    ASSERT_NE(monitor().runtime(), nullptr);
    const std::vector<int> read = monitor().runtime()->inputsRead();
    const auto offset =
        std::find(read.begin(), read.end(), monitor().runtime()->inputIndex("Digital input 19")) -
        read.begin();
    ASSERT_LT(offset, std::ptrdiff_t(read.size()));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return control<QCheckBox>("Digital input 19") &&
                   control<QCheckBox>("Digital input 19")->isEnabled();
        },
        kWaitMs));
    setSwitch("Digital input 19", true);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return client.read(kInputBlock + 2 + int(offset), 1).at(0) == 1; }, kWaitMs));
}

} // namespace

namespace {

// The poller under the monitor's link sets an input by its place in the input
// block, which a program written meanwhile gives another meaning ("Digital
// input 18" at offset 5 becomes "Digital input 19"): a write queued for the
// layout it last saw is dropped when the layout changed, and the poll says so.
TEST(ControllerPollerTest, AnInputMeantForAnotherLayoutIsNotSet)
{
    const testsupport::ScratchFolder scratch;
    linktest::DriveSimulator sim(hosttest::copyOfSample(scratch, kSample), {"--run"});
    ModbusDrive drive(sim.address(), hosttest::sampleImage(kSample),
                      std::chrono::milliseconds(kTimeoutMs));
    ControllerPoller poller(drive, -1);
    linktest::ModbusClient client(sim.port());
    constexpr std::size_t kDigitalInput18 = 5; // of the sample's inputs read
    const int pair0Event = 140;
    ASSERT_TRUE(poller.poll().inputsRead);
    const struct
    {
        const char* name;
        std::uint16_t event; // pair 0's, written before the input is set
        bool changed;
    } rows[] = {{"the program changed: dropped", 20, true},
                {"the same program again: set", 20, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::uint16_t layout = client.read(kInputBlock + 1, 1).at(0);
        ASSERT_EQ(client.write(pair0Event, {row.event}), 0);
        if (row.changed) {
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return client.read(kInputBlock + 1, 1).at(0) != layout; }, kWaitMs));
        }
        poller.queueInput(kDigitalInput18, 1, 1);
        const ControllerPoll poll = poller.poll();
        EXPECT_EQ(poll.layoutChanged, row.changed);
        EXPECT_EQ(poll.inputFailure.find("the inputs were not set") != std::string::npos,
                  row.changed)
            << poll.inputFailure;
        ASSERT_TRUE(poll.inputsRead);
        EXPECT_EQ(poll.inputs.at(kDigitalInput18), row.changed ? 0 : 1);
    }
}

} // namespace
