#include "DriveDocument.h"
#include "DriveViewTestSupport.h"
#include "HostTestSupport.h"
#include "LinkTestSupport.h"
#include "ModbusDrive.h"
#include "SimulatedDrive.h"

#include <QElapsedTimer>
#include <QWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

// The drive that is open, as a document, without a window: opened on a drive
// image and on nebpt-drive-sim over a link, edited through the plug-in's editor
// in a bare view, its link lost, an open cancelled, and two documents on two
// simulators at once.

using ::testing::HasSubstr;

namespace {

const std::string kSample = "fcd300_sample.json";
constexpr std::chrono::milliseconds kTimeout{5000};

std::string valueOnDisk(const std::string& image, unsigned long number, long element)
{
    return SimulatedDrive(image, SimulatedDrive::Access::Read).value(number, element);
}

// What a document told its views.
struct Seen
{
    int opened = 0, programChanged = 0;
    std::vector<DriveProblem> problems;

    explicit Seen(DriveDocument& document)
    {
        QObject::connect(&document, &DriveDocument::opened, [this] { ++opened; });
        QObject::connect(&document, &DriveDocument::programChanged, [this] { ++programChanged; });
        QObject::connect(&document, &DriveDocument::problem,
                         [this](const DriveProblem& problem) { problems.push_back(problem); });
    }
    int told(DriveProblem::Kind kind) const
    {
        int count = 0;
        for (const DriveProblem& problem : problems)
            count += problem.kind == kind;
        return count;
    }
};

class DocumentTest : public ::testing::Test
{
protected:
    // A document showing its editor in `view`.
    std::unique_ptr<DriveDocument> document(QWidget& view)
    {
        view.resize(760, 720);
        view.show();
        auto made = std::make_unique<DriveDocument>();
        made->attachView(view);
        return made;
    }
    DriveName link(const linktest::DriveSimulator& sim) const
    {
        return DriveName::ofLink(sim.address(), hosttest::sampleImage(kSample), kTimeout);
    }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::MessageBoxRecorder messages{fw::IDNO};
};

} // namespace

// An image and a drive over a link open the same way: the editor shows the
// program, and an edit through it reaches the drive's image and is seen as a
// changed program. Headless, a document opens the drive only.
TEST_F(DocumentTest, OpensAnImageAndALinkAndWritesAnEdit)
{
    for (const bool overLink : {false, true}) {
        SCOPED_TRACE(overLink ? "over a link" : "a drive image");
        const std::string image =
            hosttest::copyOfSample(scratch, kSample, overLink ? "linked.json" : "image.json");
        std::unique_ptr<linktest::DriveSimulator> sim;
        if (overLink)
            sim = std::make_unique<linktest::DriveSimulator>(image);
        const DriveName name = overLink ? link(*sim) : DriveName::ofImage(image);

        DriveDocument headless;
        ASSERT_TRUE(hosttest::done(headless.open(name, DriveUse::Read)));
        EXPECT_EQ(headless.entry(), nullptr);
        EXPECT_EQ(headless.drive()->driveType(), "FCD-300");

        QWidget view;
        const auto shown = document(view);
        const Seen seen(*shown);
        ASSERT_TRUE(hosttest::done(shown->open(name)));
        EXPECT_EQ(seen.opened, 1);
        ASSERT_NE(shown->entry(), nullptr);
        EXPECT_EQ(hosttest::firstEvent(view), "Digital input 18");
        if (overLink) {
            EXPECT_EQ(shown->modbus()->requestCount(), 14u) << "the program read once, whole";
            messages.answer("Write this change to the drive now?", fw::IDYES);
            ASSERT_TRUE(hosttest::done(shown->setOnline(true)));
        }
        const int before = seen.programChanged;
        hosttest::chooseFirstEvent(view, "Running");
        EXPECT_EQ(valueOnDisk(image, 1301, 0), "2");
        EXPECT_EQ(seen.programChanged, before + 1);
        EXPECT_TRUE(seen.problems.empty());
    }
}

// Offline, the working copy's changes are counted; opening another drive asks
// whether to download them first: Cancel keeps everything, No drops them.
TEST_F(DocumentTest, AnotherDriveAsksBeforeTheWorkingCopysChangesGo)
{
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    const std::string other = hosttest::copyOfSample(scratch, kSample, "other.json");
    linktest::DriveSimulator sim(image);
    QWidget view;
    const auto shown = document(view);
    ASSERT_TRUE(hosttest::done(shown->open(link(sim))));
    hosttest::chooseFirstEvent(view, "Running");
    EXPECT_EQ(shown->pendingChanges(), 1);
    EXPECT_EQ(valueOnDisk(image, 1301, 0), "19") << "offline: not on the drive";

    messages.answer("Download the working copy", fw::IDCANCEL);
    EXPECT_EQ(shown->open(DriveName::ofImage(other)), nullptr);
    EXPECT_EQ(shown->location().toStdString(), sim.address());
    messages.answer("Download the working copy", fw::IDNO);
    ASSERT_TRUE(hosttest::done(shown->open(DriveName::ofImage(other))));
    EXPECT_EQ(shown->imagePath().toStdString(), other);
    EXPECT_EQ(valueOnDisk(image, 1301, 0), "19");
    EXPECT_THAT(messages.shown().back().text, HasSubstr("The working copy holds 1 change"));
}

// A drive gone while the document watches its controller is one problem, told
// once, however often the link is found down after.
TEST_F(DocumentTest, ALostLinkIsToldOnce)
{
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    linktest::DriveSimulator sim(image, {"--run"});
    QWidget view;
    const auto shown = document(view);
    const Seen seen(*shown);
    ASSERT_TRUE(hosttest::done(shown->open(link(sim))));
    messages.answer("Write this change to the drive now?", fw::IDYES);
    ASSERT_TRUE(hosttest::done(shown->setOnline(true)));
    std::vector<ControllerPoll> polls;
    QObject::connect(shown.get(), &DriveDocument::polled,
                     [&polls](const ControllerPoll& poll) { polls.push_back(poll); });
    shown->startPolling(-1);
    const auto pollsAfter = [&](size_t seenBefore) {
        QElapsedTimer waited;
        waited.start();
        while (polls.size() < seenBefore + 3 && waited.elapsed() < hosttest::kJobWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            50);
        return polls.size() >= seenBefore + 3;
    };
    ASSERT_TRUE(pollsAfter(0));
    EXPECT_EQ(polls.back().failure, "");
    EXPECT_FALSE(polls.back().status.running);

    sim.kill();
    ASSERT_TRUE(pollsAfter(polls.size()));
    EXPECT_TRUE(polls.back().linkLost || !shown->linkUp());
    EXPECT_FALSE(shown->linkUp());
    ASSERT_EQ(seen.told(DriveProblem::Kind::LinkLost), 1);
    EXPECT_THAT(seen.problems.back().text.toStdString(),
                HasSubstr("The link to the drive at " + sim.address() + " is lost"));
    // An edit on the lost link is not written, and not one more problem.
    hosttest::chooseFirstEvent(view, "Running");
    EXPECT_EQ(valueOnDisk(image, 1301, 0), "19");
    EXPECT_EQ(seen.told(DriveProblem::Kind::LinkLost), 1);
}

// Cancel stops the open after the request under way: no editor, and the
// drive's image as it was.
TEST_F(DocumentTest, ACancelledOpenLeavesTheDriveUntouched)
{
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    const std::string before = hosttest::fileBytes(image);
    // The fourth program parameter comes late: Cancel comes before it.
    linktest::DriveSimulator sim(image, {"--fault", "late:5:3000"});
    QWidget view;
    const auto shown = document(view);
    DriveJob* job = shown->open(link(sim));
    ASSERT_NE(job, nullptr);
    EXPECT_TRUE(job->showsProgress());
    QObject::connect(job, &DriveJob::progress, [job](int done, int) {
        if (done == 2)
            job->cancel();
    });
    EXPECT_FALSE(hosttest::done(job));
    EXPECT_EQ(shown->entry(), nullptr);
    EXPECT_LE(shown->modbus()->requestCount(), 4u) << "stopped after the late request";
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(hosttest::fileBytes(image), before);
}

// Two documents, each with its link thread, open and edit two drives at once.
TEST_F(DocumentTest, TwoDocumentsOnTwoSimulatorsAtOnce)
{
    const std::string images[] = {hosttest::copyOfSample(scratch, kSample, "a.json"),
                                  hosttest::copyOfSample(scratch, kSample, "b.json")};
    linktest::DriveSimulator sims[] = {linktest::DriveSimulator(images[0], {"--latency", "5"}),
                                       linktest::DriveSimulator(images[1], {"--latency", "5"})};
    QWidget views[2];
    std::unique_ptr<DriveDocument> shown[] = {document(views[0]), document(views[1])};
    int opened = 0;
    for (int i = 0; i < 2; ++i)
        QObject::connect(shown[i]->open(link(sims[i])), &DriveJob::finished,
                         [&opened](bool done) { opened += done; });
    EXPECT_TRUE(shown[0]->isBusy() && shown[1]->isBusy()) << "both under way";
    hosttest::idle(*shown[0]);
    hosttest::idle(*shown[1]);
    QCoreApplication::processEvents(); // the jobs' ends
    ASSERT_EQ(opened, 2);
    messages.answer("Write this change to the drive now?", fw::IDYES);
    const char* events[] = {"Running", "True"};
    const std::string values[] = {"2", "1"};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(hosttest::done(shown[i]->setOnline(true)));
        hosttest::chooseFirstEvent(views[i], events[i]);
    }
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(valueOnDisk(images[i], 1301, 0), values[i]) << i;
}
