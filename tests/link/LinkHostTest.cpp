#include "HostTestSupport.h"
#include "HostWindow.h"
#include "HostWindowTestSupport.h"
#include "LinkTestSupport.h"
#include "ModbusDrive.h"
#include "SimulatedDrive.h"

#include "External_Data_Manager/ExternalDataManager.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// nebpt-host working with nebpt-drive-sim over Modbus as a user does: the editor
// over the link, an edit that reaches the drive's image, a drive that goes away
// and comes back, and --print over TCP and RTU.

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

const std::string kSample = "fcd300_sample.json";
const std::string kHost = NEBPT_HOST_EXECUTABLE;
// Generous: under Valgrind the simulator answers slowly.
constexpr int kTimeoutMs = 5000;

std::string valueOnDisk(const std::string& image, unsigned long number, long element)
{
    return SimulatedDrive(image, SimulatedDrive::Access::Read).value(number, element);
}

// A printed program without its first line (the drive and where it is).
std::string afterHeader(const std::string& printed)
{
    return printed.substr(std::min(printed.find('\n'), printed.size()));
}

// The window's progress dialogs while it reads over the link: what each step
// said, and a hook called at each step (on the window's thread).
class ProgressWatch : public QObject
{
public:
    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }

    std::vector<std::string> steps;
    std::function<void(QProgressDialog&, int value)> onStep;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QProgressDialog*>(watched);
        if (event->type() == QEvent::Show && dialog && dialog != m_dialog &&
            dialog->objectName() == QLatin1String("linkProgress")) {
            m_dialog = dialog;
            EXPECT_TRUE(dialog->isModal());
            connect(dialog->findChild<QProgressBar*>(), &QProgressBar::valueChanged, this,
                    [this, dialog](int value) {
                        steps.push_back(dialog->labelText().toStdString());
                        if (onStep)
                            onStep(*dialog, value);
                    });
        }
        return false;
    }

private:
    QPointer<QProgressDialog> m_dialog;
};

} // namespace

// The editor opens over the link, shows its progress and where the drive is, and
// writes an edit to the drive: the program is read once, on the worker, and an
// edit costs its write and read-back. When the drive goes away during an edit the user
// hears it once, with what the drive may hold and the offer to write it again
// (declined here); the editor stays, and File > Reconnect goes on with the drive
// once it is back.
TEST(LinkHostTest, EditsReachTheDriveAndTheEditorOutlivesALostLink)
{
    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp(scratch.path());
    testsupport::MessageBoxRecorder messages(fw::IDNO);
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    const std::string profile = hosttest::sampleImage(kSample);
    auto sim = std::make_unique<linktest::DriveSimulator>(image);
    const std::string port = std::to_string(sim->port());

    HostWindow window;
    window.show();
    ProgressWatch progress;
    ASSERT_TRUE(hosttest::done(window.connectDrive(QString::fromStdString(sim->address()),
                                                   QString::fromStdString(profile), kTimeoutMs)));
    EXPECT_EQ(window.drive(), nullptr);
    ASSERT_NE(window.linkDrive(), nullptr);
    EXPECT_EQ(hosttest::firstEvent(window), "Digital input 18");
    EXPECT_EQ(window.findChild<QLabel*>("fileLabel")->text().toStdString(), sim->address());
    EXPECT_THAT(progress.steps,
                testing::Contains("Reading from " + sim->address() + ": 14 of 14 parameters"));
    EXPECT_EQ(window.findChild<QProgressDialog*>("linkProgress"), nullptr);
    EXPECT_EQ(window.linkDrive()->requestCount(), 14u) << "the editor asked the drive for nothing";

    // Online every edit is written at once; the first one asks, since this
    // drive does not show whether its controller runs.
    messages.answer("Write this change to the drive now?", fw::IDYES);
    ASSERT_TRUE(hosttest::done(window.setOnline(true)));
    window.linkDrive()->resetCounts();
    hosttest::chooseFirstEvent(window, "Running");
    EXPECT_EQ(valueOnDisk(image, 1301, 0), "2");
    EXPECT_EQ(window.linkDrive()->requestCount(), 3u)
        << "the controller's state, the write and its read-back";
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_THAT(messages.shown()[0].text, HasSubstr("may be running"));
    EXPECT_THAT(window.statusBar()->currentMessage().toStdString(),
                AllOf(HasSubstr("Pair 0"), HasSubstr("Running"), HasSubstr("written")));
    window.linkDrive()->resetCounts();
    hosttest::chooseFirstEvent(window, "Digital input 18");
    EXPECT_EQ(window.linkDrive()->requestCount(), 2u) << "asked once: the write and its read-back";
    hosttest::chooseFirstEvent(window, "Running");

    sim->kill();
    hosttest::chooseFirstEvent(window, "True");
    ASSERT_EQ(messages.shown().size(), 2u);
    // The edit was sent without an answer: it may have reached the drive.
    EXPECT_THAT(messages.shown()[1].text,
                AllOf(HasSubstr(sim->address()), HasSubstr("may hold a partly written program"),
                      HasSubstr("parameter 1301"), HasSubstr("Write it again?")));
    const std::string& asked = messages.shown()[1].text;
    EXPECT_EQ(asked.find("partly written"), asked.rfind("partly written")) << "told once";
    EXPECT_THAT(window.statusBar()->currentMessage().toStdString(), HasSubstr("link is lost"));
    EXPECT_EQ(window.findChild<QLabel*>("accessLabel")->text().toStdString(), "link lost");
    EXPECT_THAT(testsupport::readLogLines(CCustomException::makeLogPath()),
                testing::Contains(HasSubstr("link to the drive failed")));
    EXPECT_EQ(valueOnDisk(image, 1301, 0), "2");
    // What the drive holds cannot be read back: the editor shows nothing.
    EXPECT_EQ(messages.shown().size(), 2u) << "told once";
    EXPECT_THAT(hosttest::eventsShown(window), IsEmpty());
    EXPECT_THAT(window.statusBar()->currentMessage().toStdString(), HasSubstr("link is lost"));

    sim =
        std::make_unique<linktest::DriveSimulator>(image, std::vector<std::string>{"--port", port});
    window.findChild<QAction*>("reconnectAction")->trigger();
    hosttest::idle(window);
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(window.online()) << "a reconnect keeps the editing mode";
    EXPECT_EQ(hosttest::firstEvent(window), "Running");
    hosttest::chooseFirstEvent(window, "True");
    EXPECT_EQ(valueOnDisk(image, 1301, 0), "1");
    EXPECT_EQ(window.findChild<QLabel*>("accessLabel")->text().toStdString(), "");

    // Another drive type than the profile's is refused; so is a dead address.
    EXPECT_FALSE(hosttest::done(window.connectDrive(
        QString::fromStdString(sim->address()),
        QString::fromStdString(hosttest::sampleImage("fcd50m_sample.json")), kTimeoutMs)));
    EXPECT_THAT(messages.shown().back().text, AllOf(HasSubstr("FCD-300"), HasSubstr("FCD-50M")));
}

// Cancel in the progress dialog stops the read after the request under way:
// no editor, the status bar tells it, and File > Reconnect reads the program.
TEST(LinkHostTest, ACancelledReadShowsNoEditorAndReconnectReadsAgain)
{
    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp(scratch.path());
    testsupport::MessageBoxRecorder messages(fw::IDNO);
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    // The fourth program parameter comes late: Cancel is pressed before it comes.
    linktest::DriveSimulator sim(image, {"--fault", "late:5:3000"});
    HostWindow window;
    window.show();
    ProgressWatch progress;
    progress.onStep = [](QProgressDialog& dialog, int value) {
        if (value != 2)
            return;
        dialog.findChild<QPushButton*>()->click();
        EXPECT_TRUE(dialog.isVisible()) << "until the worker has given the drive back";
    };
    EXPECT_FALSE(hosttest::done(
        window.connectDrive(QString::fromStdString(sim.address()),
                            QString::fromStdString(hosttest::sampleImage(kSample)), kTimeoutMs)));
    EXPECT_EQ(hosttest::flowOf(window), nullptr);
    EXPECT_THAT(window.statusBar()->currentMessage().toStdString(), HasSubstr("cancelled"));
    EXPECT_LE(window.linkDrive()->requestCount(), 4u) << "stopped after the late request";
    EXPECT_TRUE(messages.shown().empty());

    progress.onStep = nullptr;
    window.findChild<QAction*>("reconnectAction")->trigger();
    hosttest::idle(window);
    EXPECT_EQ(hosttest::firstEvent(window), "Digital input 18");
    EXPECT_TRUE(messages.shown().empty());
}

// --print over the link prints what --print prints for the image the drive
// serves, named by the address, over TCP and RTU; a wrong command line or drive
// is told.
TEST(LinkHostTest, PrintsTheProgramOverTheLinkAsFromTheImage)
{
    testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd50m_sample.json", "drive.json");
    const hosttest::Run fromImage = hosttest::run({kHost, "--print", image});
    ASSERT_EQ(fromImage.status, 0) << fromImage.errors;

    {
        linktest::DriveSimulator sim(image);
        const hosttest::Run overLink = hosttest::run({kHost, "--print", "--connect", sim.address(),
                                                      "--profile", image, "--timeout", "5000"});
        EXPECT_EQ(overLink.status, 0) << overLink.errors;
        EXPECT_EQ(afterHeader(overLink.out), afterHeader(fromImage.out));
        EXPECT_THAT(overLink.out, StartsWith("Drive FCD-50M, AOC 01.10, database 01.20 (" +
                                             sim.address() + ")\n"));

        const hosttest::Run wrongType =
            hosttest::run({kHost, "--print", "--connect", sim.address(), "--profile",
                           hosttest::sampleImage(kSample), "--timeout", "5000"});
        EXPECT_EQ(wrongType.status, 1);
        EXPECT_THAT(wrongType.errors, AllOf(HasSubstr("FCD-50M"), HasSubstr("FCD-300")));
    }
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--print", "--connect", "tcp://127.0.0.1:1"},
          std::vector<std::string>{"--print", "--connect", "tcp://127.0.0.1", "--profile", image},
          std::vector<std::string>{"--connect", "tcp://127.0.0.1:1", "--profile", image, image}}) {
        std::vector<std::string> command{kHost};
        command.insert(command.end(), wrong.begin(), wrong.end());
        const hosttest::Run refused = hosttest::run(command);
        EXPECT_EQ(refused.status, 2) << refused.errors;
        EXPECT_THAT(refused.errors, HasSubstr("Usage:"));
    }

    const std::string drive = scratch.file("drive-tty"), host = scratch.file("host-tty");
    const linktest::SerialLine serial(drive, host);
    if (!serial.available())
        GTEST_SKIP() << "socat is not installed: Modbus RTU over a pseudo-terminal pair is not "
                        "tested (scripts/setup installs it)";
    {
        linktest::DriveSimulator sim(image, {"--rtu", drive, "--baud", "38400", "--parity", "N"});
        const hosttest::Run overRtu =
            hosttest::run({kHost, "--print", "--connect", "rtu:" + host + "?baud=38400&parity=N",
                           "--profile", image, "--timeout", "5000"});
        EXPECT_EQ(overRtu.status, 0) << overRtu.errors;
        EXPECT_EQ(afterHeader(overRtu.out), afterHeader(fromImage.out));
    }
}
