#include "HostTestSupport.h"
#include "HostWindow.h"
#include "HostWindowTestSupport.h"
#include "LinkTestSupport.h"
#include "ModbusDrive.h"
#include "ProgramMonitor.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QTest>
#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

// The live monitor in nebpt-host's window as a user meets it: View > Monitor
// shows and hides it; Tools > Simulate runs a drive image's program in it, the
// user setting the inputs in its switches and number fields and watching the
// marked step move; an edit runs the new program; over a link to nebpt-drive-sim
// it shows what the drive's controller does. What the monitor shows comes in
// real time: the tests wait for it with a deadline that only keeps a broken
// test from hanging.

using ::testing::HasSubstr;

namespace {

const std::string kSample = "fcd300_sample.json";
constexpr int kWaitMs = 20000;
constexpr int kTimeoutMs = 2000;

class MonitorTest : public ::testing::Test
{
protected:
    MonitorTest() { window.show(); }

    QAction* action(const char* name) const { return window.findChild<QAction*>(name); }
    ProgramMonitor& monitor() const { return *window.monitor(); }

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
    // The state the monitor shows for row `row` of its objects (timers first).
    std::string objectState(int row) const
    {
        const auto* objects = monitor().findChild<QTreeWidget*>("monitorObjects");
        const QTreeWidgetItem* item = objects ? objects->topLevelItem(row) : nullptr;
        return item ? item->text(1).toStdString() : std::string();
    }
    // The event the monitor shows for a step.
    std::string stepEvent(int step) const
    {
        const auto* steps = monitor().findChild<QTreeWidget*>("monitorSteps");
        const QTreeWidgetItem* item = steps ? steps->topLevelItem(step) : nullptr;
        return item ? item->text(1).toStdString() : std::string();
    }
    bool marks(int step) const
    {
        return QTest::qWaitFor([&] { return monitor().markedStep() == step; }, kWaitMs);
    }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::MessageBoxRecorder messages{fw::IDNO};
    HostWindow window;
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
    for (const char* name : {"Controller state", "Steps", "Timers, comparators and logic rules"})
        EXPECT_NE(control<QWidget>(name), nullptr);
    view->trigger();
    EXPECT_FALSE(monitor().isVisible());

    ASSERT_TRUE(window.openImage(QString::fromStdString(hosttest::copyOfSample(scratch, kSample))));
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
// "Motor speed" above 1200 makes comparator 0 true, "Alarm (trip)" stops it.
TEST_F(MonitorTest, TheImageProgramRunsAsTheUserSetsItsInputs)
{
    const std::string image = hosttest::copyOfSample(scratch, kSample);
    const std::string before = hosttest::fileBytes(image);
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    action("actionSimulate")->trigger();
    ASSERT_TRUE(monitor().simulating()) << monitor().noteText().toStdString();
    EXPECT_EQ(monitor().markedStep(), -1);
    EXPECT_EQ(monitor().stateText().toStdString(), "Stopped");
    EXPECT_EQ(stepEvent(0), "Digital input 18");

    setSwitch("Running", true);
    ASSERT_TRUE(marks(0));
    EXPECT_EQ(monitor().stateText().toStdString(), "Running: step 0");
    EXPECT_EQ(objectState(0), "not running");
    setSwitch("Digital input 18", true);
    ASSERT_TRUE(marks(1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return objectState(0) != "not running"; }, kWaitMs));
    EXPECT_THAT(objectState(0), HasSubstr("s left")) << "timer 0 counts down";

    const int comparator0 = static_cast<int>(monitor().runtime()->timers());
    EXPECT_EQ(objectState(comparator0), "false");
    setNumber("Motor speed", 1500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return objectState(comparator0) == "true"; }, kWaitMs));

    setSwitch("Alarm (trip)", true);
    ASSERT_TRUE(marks(-1));
    EXPECT_EQ(monitor().stateText().toStdString(), "Stopped");

    action("actionSimulate")->trigger();
    EXPECT_FALSE(monitor().simulating());
    EXPECT_EQ(hosttest::fileBytes(image), before) << "the simulation writes nothing";
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(MonitorTest, AnEditRunsTheNewProgramWithTheInputsKept)
{
    ASSERT_TRUE(window.openImage(QString::fromStdString(hosttest::copyOfSample(scratch, kSample))));
    action("actionSimulate")->trigger();
    setSwitch("Running", true);
    ASSERT_TRUE(marks(0));

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
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    action("actionSimulate")->trigger();
    EXPECT_FALSE(monitor().simulating());
    EXPECT_EQ(monitor().markedStep(), -1);
    EXPECT_THAT(monitor().noteText().toStdString(),
                HasSubstr("cannot be simulated: Timers: the unit \"weeks\""));
    EXPECT_TRUE(messages.shown().empty()) << "told in the monitor only";
}

// Over a link the monitor polls the drive's status block; with an input block
// (nebpt-drive-sim --run) the user sets the drive's inputs in it. A drive that
// runs no controller refuses the block, and a profile without one tells none.
TEST_F(MonitorTest, OverALinkTheMonitorShowsTheDrivesController)
{
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    const std::string profile = hosttest::sampleImage(kSample);
    QAction* view = action("actionMonitor");
    {
        linktest::DriveSimulator sim(image, {"--run"});
        ASSERT_TRUE(window.connectDrive(QString::fromStdString(sim.address()),
                                        QString::fromStdString(profile), kTimeoutMs));
        EXPECT_FALSE(action("actionSimulate")->isEnabled()) << "no image";
        view->trigger();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return monitor().stateText() == QLatin1String("Stopped"); }, kWaitMs))
            << monitor().noteText().toStdString();
        EXPECT_EQ(stepEvent(0), "Digital input 18");
        setSwitch("Running", true);
        EXPECT_TRUE(marks(0)) << monitor().noteText().toStdString();
        setSwitch("Digital input 18", true);
        EXPECT_TRUE(marks(1)) << monitor().noteText().toStdString();
        // An edit while the monitor polls: the write and the polls take turns on the link.
        hosttest::chooseFirstEvent(window, "Running");
        EXPECT_TRUE(QTest::qWaitFor([&] { return stepEvent(0) == "Running"; }, kWaitMs));
        EXPECT_TRUE(window.linkDrive()->linkUp());
        view->trigger(); // hidden, it asks the drive for nothing: the drive may go
    }
    {
        linktest::DriveSimulator plain(image);
        ASSERT_TRUE(window.connectDrive(QString::fromStdString(plain.address()),
                                        QString::fromStdString(profile), kTimeoutMs));
        view->trigger();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return monitor().noteText().contains("state cannot be read"); }, kWaitMs));
        EXPECT_THAT(monitor().noteText().toStdString(), HasSubstr("Illegal data address"));
        EXPECT_TRUE(window.linkDrive()->linkUp()) << "a refused poll leaves the link up";
        view->trigger();
    }
    {
        const std::string blind =
            hosttest::copyOfSample(scratch, kSample, "blind.json", "\"statusRegister\": 2000,", "");
        linktest::DriveSimulator plain(image);
        ASSERT_TRUE(window.connectDrive(QString::fromStdString(plain.address()),
                                        QString::fromStdString(blind), kTimeoutMs));
        view->trigger();
        EXPECT_THAT(monitor().noteText().toStdString(), HasSubstr("tells no controller state"));
        EXPECT_EQ(control<QCheckBox>("Running"), nullptr) << "nothing to set on the drive";
        view->trigger();
    }
    EXPECT_TRUE(messages.shown().empty()) << messages.shown().front().text;
}

} // namespace
