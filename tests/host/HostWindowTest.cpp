#include "HostWindow.h"
#include "HostTestSupport.h"
#include "SimulatedDrive.h"

#include "dialogs/WidgetTestSupport.h"
#include "support/ScratchFolder.h"

#include "framework/Resources.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetResources.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QScrollArea>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

// nebpt-host's window over a copy of the sample drive image, as a user works
// with it: open, refresh, switch the language, edit, and the images it refuses.
//
// The window works with libNEBPT.so as the host does, and so does this test: it
// sees the editor only as the user does, through the windows in the form view.
// The flow is the plug-in's window of class CWorkFlow; its pairs are found by
// their event boxes, the child windows holding the event list, and the events
// by the texts their lists show.

namespace {

constexpr unsigned kEmptyProgramQuestion = 2139;
// Control IDs of an event box.
constexpr int kEventList = 3008;
constexpr int kOpenListButton = 3010;
// The program in the drive: the step events, one per pair of the sample's 20.
constexpr unsigned long kEventParameter = 1301;
constexpr long kProgramSteps = 20;

// The sample's six pairs, by the events their lists show and the drive holds.
const std::vector<std::string> kSampleEvents = {"Digital input 18", "Timeout 0", "Comparator 0",
                                                "Logic rule 1",     "Timeout 1", "Logic rule 0"};
const std::vector<std::string> kSampleEventValues = {"19", "34", "22", "29", "35", "28"};

class HostWindowTest : public ::testing::Test
{
protected:
    HostWindowTest()
    {
        hosttest::copyFile(hosttest::sampleImage("fcd300_sample.json"), image);
        window.show();
    }

    // A copy of the sample with one text replaced.
    std::string variant(const std::string& from, const std::string& to)
    {
        std::string text = hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json"));
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
        scratch.writeText("variant.json", text);
        return scratch.file("variant.json");
    }

    // The plug-in's flow window in the host's form view; null when none is shown.
    static QWidget* flowOf(const HostWindow& host)
    {
        for (auto* window : host.formView()->findChildren<fw::CDialog*>())
            if (window->inherits("CWorkFlow") && window->IsWindowCreated())
                return window;
        return nullptr;
    }
    QWidget* flow() const { return flowOf(window); }

    // The event boxes of the flow from top to bottom, that is in program order:
    // the child windows that hold an event list.
    static std::vector<fw::CDialog*> eventBoxes(const HostWindow& host)
    {
        std::vector<fw::CDialog*> boxes;
        QWidget* flow = flowOf(host);
        if (!flow)
            return boxes;
        for (auto* box : flow->findChildren<fw::CDialog*>())
            if (box->IsWindowCreated() && box->isVisibleTo(flow) &&
                qobject_cast<QComboBox*>(fw::findControl(box, kEventList)))
                boxes.push_back(box);
        std::stable_sort(boxes.begin(), boxes.end(), [flow](QWidget* a, QWidget* b) {
            return a->mapTo(flow, QPoint(0, 0)).y() < b->mapTo(flow, QPoint(0, 0)).y();
        });
        return boxes;
    }

    static QComboBox* eventList(const fw::CDialog& box)
    {
        return qobject_cast<QComboBox*>(fw::findControl(&box, kEventList));
    }

    // The event each pair of the flow shows, in program order.
    static std::vector<std::string> eventsShown(const HostWindow& host)
    {
        std::vector<std::string> events;
        for (fw::CDialog* box : eventBoxes(host))
            events.push_back(eventList(*box)->currentText().toStdString());
        return events;
    }

    // The events of the drive's program: the step events up to the first
    // disabled one (0).
    static std::vector<std::string> eventsHeld(const SimulatedDrive& drive)
    {
        std::vector<std::string> events;
        for (long step = 0; step < kProgramSteps; ++step) {
            const std::string value = drive.value(kEventParameter, step);
            if (value == "0")
                break;
            events.push_back(value);
        }
        return events;
    }

    fw::CDialog& firstEvent() const
    {
        const std::vector<fw::CDialog*> boxes = eventBoxes(window);
        if (boxes.empty())
            throw std::runtime_error("the flow shows no event box");
        return *boxes.front();
    }

    // The button before the first event's list: "If" in English.
    std::string openListText() const
    {
        auto* button =
            qobject_cast<QAbstractButton*>(fw::findControl(&firstEvent(), kOpenListButton));
        return button ? button->text().toStdString() : std::string();
    }

    std::string label(const char* name) const
    {
        auto* found = window.findChild<QLabel*>(name);
        return found ? found->text().toStdString() : std::string();
    }

    static bool contains(const std::string& text, const std::string& part)
    {
        return text.find(part) != std::string::npos;
    }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::MessageBoxRecorder messages{fw::IDNO};
    const std::string image = scratch.file("drive.json");
    HostWindow window;
};

TEST_F(HostWindowTest, OpensTheImageAndShowsItsProgramInTheFormView)
{
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    EXPECT_TRUE(messages.shown().empty());
    ASSERT_NE(flow(), nullptr);
    EXPECT_TRUE(flow()->isVisible());
    EXPECT_EQ(flow()->parentWidget(), window.formView());
    EXPECT_EQ(window.scrollArea()->widget(), window.formView());
    EXPECT_EQ(eventsShown(window), kSampleEvents);
    EXPECT_EQ(eventsHeld(*window.drive()), kSampleEventValues);

    EXPECT_TRUE(contains(label("driveLabel"), "FCD-300"));
    EXPECT_TRUE(contains(label("databaseLabel"), "02.40"));
    EXPECT_TRUE(contains(label("fileLabel"), image));
    EXPECT_TRUE(contains(window.windowTitle().toStdString(), "drive.json"));

    // The view is as large as the flow, so that the scroll area reaches all of it.
    const QRect flowArea = flow()->geometry();
    EXPECT_GE(window.formView()->minimumHeight(), flowArea.y() + flowArea.height());
    EXPECT_GE(window.formView()->minimumWidth(), flowArea.x() + flowArea.width());
}

TEST_F(HostWindowTest, RefreshShowsWhatTheDriveHoldsNow)
{
    EXPECT_FALSE(window.refresh()) << "nothing to refresh without a drive";
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));

    // Another user of the drive adds a pair.
    window.drive()->WriteParameterValues({"1301.6", "1302.6"}, {"2", "7"}, "Setup 1", 0);
    EXPECT_EQ(eventsShown(window).size(), 6u);
    EXPECT_TRUE(window.refresh());
    std::vector<std::string> expected = kSampleEvents;
    expected.push_back("Running");
    EXPECT_EQ(eventsShown(window), expected);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(HostWindowTest, LanguageSwitchMakesTheEditorAnewInThatLanguage)
{
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    EXPECT_EQ(openListText(), "If");
    const std::string englishQuestion = fw::loadString(kEmptyProgramQuestion);
    const size_t identityCalls = window.drive()->callCount("GetDriveIdentity");

    window.setLanguage("german");
    EXPECT_EQ(window.drive()->GetLanguage(), "german");
    EXPECT_GT(window.drive()->callCount("GetDriveIdentity"), identityCalls)
        << "a new entry object connects anew";
    ASSERT_NE(flow(), nullptr);
    EXPECT_EQ(eventsShown(window), kSampleEvents);
    EXPECT_EQ(openListText(), "Wenn");
    std::string germanQuestion;
    {
        testsupport::CurrentLanguageGuard german(testsupport::germanLibrary());
        germanQuestion = fw::loadString(kEmptyProgramQuestion);
    }
    EXPECT_NE(germanQuestion, englishQuestion);
    EXPECT_EQ(fw::loadString(kEmptyProgramQuestion), germanQuestion);

    window.setLanguage("english");
    EXPECT_EQ(openListText(), "If");
    EXPECT_EQ(fw::loadString(kEmptyProgramQuestion), englishQuestion);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(HostWindowTest, TheLanguageChosenBeforeOpeningIsTheDrivesLanguage)
{
    window.setLanguage("german");
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    EXPECT_EQ(window.drive()->GetLanguage(), "german");
    EXPECT_EQ(hosttest::fileBytes(image),
              hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json")))
        << "the image keeps its own language";
}

TEST_F(HostWindowTest, AnUnsupportedDriveIsToldAndTheOpenDriveStays)
{
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    const std::string unsupported = variant("\"FCD-300\"", "\"FCD-999\"");

    EXPECT_FALSE(window.openImage(QString::fromStdString(unsupported)));
    ASSERT_EQ(messages.shown().size(), 1u);
    const std::string& text = messages.shown()[0].text;
    EXPECT_TRUE(contains(text, "does not support")) << text;
    EXPECT_TRUE(contains(text, "FCD-999")) << text;
    EXPECT_TRUE(contains(text, unsupported)) << text;
    EXPECT_EQ(window.imagePath().toStdString(), image);
    EXPECT_EQ(eventsShown(window), kSampleEvents);
    EXPECT_TRUE(window.refresh()) << "the window keeps working";
}

TEST_F(HostWindowTest, ImagesThatCannotBeOpenedAreToldWithFileAndReason)
{
    scratch.writeText("broken.json", "{ \"drive\": ");
    const std::vector<std::string> images = {scratch.file("broken.json"),
                                             scratch.file("missing.json")};
    for (const std::string& path : images)
        EXPECT_FALSE(window.openImage(QString::fromStdString(path))) << path;
    ASSERT_EQ(messages.shown().size(), images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const std::string& text = messages.shown()[i].text;
        EXPECT_TRUE(contains(text, "cannot be opened")) << text;
        EXPECT_TRUE(contains(text, images[i])) << text;
        EXPECT_GT(text.size(), images[i].size() + 40) << "a reason is given: " << text;
    }
    EXPECT_EQ(window.drive(), nullptr);
    EXPECT_EQ(flow(), nullptr);

    // And the window still opens a good one.
    EXPECT_TRUE(window.openImage(QString::fromStdString(image)));
    EXPECT_EQ(eventsShown(window), kSampleEvents);
}

TEST_F(HostWindowTest, AProgramThatCannotBeReadIsToldAndRefreshTriesAgain)
{
    // The drive lacks the action parameter the configuration names.
    const std::string incomplete = variant("\"number\": 1302", "\"number\": 1399");
    EXPECT_FALSE(window.openImage(QString::fromStdString(incomplete)));
    ASSERT_EQ(messages.shown().size(), 1u);
    const std::string& text = messages.shown()[0].text;
    EXPECT_TRUE(contains(text, "cannot be read")) << text;
    EXPECT_TRUE(contains(text, incomplete)) << text;
    EXPECT_TRUE(contains(text, "nebpt.log")) << text;
    EXPECT_EQ(flow(), nullptr);
    EXPECT_EQ(window.imagePath().toStdString(), incomplete) << "the drive stays open";

    EXPECT_FALSE(window.refresh());
    EXPECT_EQ(messages.shown().size(), 2u);
}

TEST_F(HostWindowTest, AnEditInTheFlowSurvivesOpeningTheFileAgain)
{
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    QComboBox* list = eventList(firstEvent());
    ASSERT_NE(list, nullptr);
    const int running = list->findText("Running");
    ASSERT_GE(running, 0);
    testsupport::chooseEntry(list, running);
    testsupport::runPostedMessages();
    std::vector<std::string> expected = kSampleEvents;
    expected.front() = "Running";
    EXPECT_EQ(eventsShown(window), expected);
    EXPECT_EQ(window.drive()->value(kEventParameter, 0), "2");
    EXPECT_NE(hosttest::fileBytes(image),
              hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json")));

    HostWindow again;
    ASSERT_TRUE(again.openImage(QString::fromStdString(image)));
    EXPECT_EQ(again.drive()->value(kEventParameter, 0), "2");
    EXPECT_EQ(eventsShown(again), expected);

    // Opening the same file in the first window reads the file anew too.
    ASSERT_TRUE(window.openImage(QString::fromStdString(image)));
    EXPECT_EQ(eventsShown(window), expected);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(HostScreenshotTest, WritesAPictureOfTheEditorAndLeavesTheImageAlone)
{
    testsupport::ScratchFolder scratch;
    const std::string image = scratch.file("drive.json");
    hosttest::copyFile(hosttest::sampleImage("fcd300_sample.json"), image);
    const std::string picture = scratch.file("editor.png");
    const std::string command = "'" + std::string(NEBPT_HOST_EXECUTABLE) + "' --screenshot '" +
                                picture + "' '" + image + "' 2>'" + scratch.file("errors.txt") +
                                "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << hosttest::fileBytes(scratch.file("errors.txt"));
    const std::string png = hosttest::fileBytes(picture);
    ASSERT_GT(png.size(), 1000u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(hosttest::fileBytes(image),
              hosttest::fileBytes(hosttest::sampleImage("fcd300_sample.json")));

    // A broken image: no picture, a failing status.
    scratch.writeText("broken.json", "not json");
    const std::string broken = "'" + std::string(NEBPT_HOST_EXECUTABLE) + "' --screenshot '" +
                               scratch.file("none.png") + "' '" + scratch.file("broken.json") +
                               "' 2>/dev/null";
    const int failed = std::system(broken.c_str());
    ASSERT_TRUE(WIFEXITED(failed));
    EXPECT_EQ(WEXITSTATUS(failed), 1);
    EXPECT_TRUE(hosttest::fileBytes(scratch.file("none.png")).empty());
}

} // namespace
