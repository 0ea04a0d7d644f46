#include "WindowGuiFixture.h"

#include "LinkTestSupport.h"
#include "ModbusDrive.h"
#include "WorkflowTestSupport.h"

#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetResources.h"
#include "languages/common/NEBPTResources.h"

#include <QAbstractButton>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QStatusBar>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include <string>
#include <sys/stat.h>
#include <vector>

// The window and the drive it changes, as an engineer meets them: a drive over
// a link connected from File > Connect and edited offline until Drive >
// Download, edited online with the question before the first write to a
// running controller, a change the drive refuses shown as what the drive
// holds, and the program check's findings leading to their pairs.

using guitest::Answer;
using guitest::choose;
using guitest::pressShortcutOf;
using guitest::valueOnDisk;
using hosttest::firstEvent;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

std::string textOf(const QWidget* widget)
{
    return widget ? widget->property("text").toString().toStdString() : std::string();
}

// Replaces the text of a field in front as the user does: everything selected, then typed.
void retype(QWidget* field, const QString& text)
{
    ASSERT_NE(field, nullptr);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    guitest::typeInto(field, text);
}

class DriveGuiTest : public guitest::WindowGuiTest
{
protected:
    std::string modeShown() const
    {
        return textOf(window.findChild<QLabel*>(QStringLiteral("modeLabel")));
    }
    std::string statusShown() const { return window.statusBar()->currentMessage().toStdString(); }
    // The message boxes shown whose text contains `part`.
    size_t told(const std::string& part) const
    {
        size_t count = 0;
        for (const auto& shown : messages.shown())
            count += shown.text.find(part) != std::string::npos;
        return count;
    }
    // The user chooses `event` in the first pair's list, from the keyboard.
    void chooseFirstEvent(const QString& event)
    {
        guitest::tabTo(window, [&](QWidget* focus) { return focus == eventList(0); });
        guitest::chooseInList(eventList(0), event);
        guitest::settle();
    }

    const std::string profile = hosttest::sampleImage(guitest::kSample);
};

} // namespace

// File > Connect asks for the link, tests it and connects; the editor then
// changes a working copy: nothing reaches the drive, the title and the status
// bar count the changes, a reconnect keeps them, and Drive > Download (Ctrl+D)
// shows them in the terms of --diff and writes them, read back.
TEST_F(DriveGuiTest, ConnectsFromTheFileMenuAndEditsOfflineUntilADownload)
{
    auto sim = std::make_unique<linktest::DriveSimulator>(image);
    const std::string port = std::to_string(sim->port());
    std::string tested;
    {
        const Answer dialog("File > Connect", guitest::modal<QDialog>, [&](QWidget& shown) {
            retype(shown.findChild<QLineEdit*>(QStringLiteral("linkHost")),
                   QStringLiteral("127.0.0.1"));
            retype(shown.findChild<QSpinBox*>(QStringLiteral("linkPort")),
                   QString::fromStdString(port));
            retype(shown.findChild<QLineEdit*>(QStringLiteral("linkProfile")),
                   QString::fromStdString(profile));
            QTest::keyClick(&shown, Qt::Key_T, Qt::AltModifier); // Test
            auto* result = shown.findChild<QLabel*>(QStringLiteral("linkTestResult"));
            EXPECT_TRUE(QTest::qWaitFor([&] { return textOf(result).find("Connected") == 0; },
                                        guitest::kWaitMs));
            tested = textOf(result);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // Connect
        });
        choose(window, item("Connect to drive"));
    }
    hosttest::idle(window);
    EXPECT_EQ(tested, "Connected: drive FCD-300, database 02.40.");
    guitest::backInFront(window);
    ASSERT_NE(window.linkDrive(), nullptr);
    EXPECT_EQ(window.location().toStdString(), sim->address());
    EXPECT_THAT(window.windowTitle().toStdString(), HasSubstr("offline"));
    EXPECT_EQ(modeShown(), "offline \u2014 0 changes not on the drive");

    const std::string onDisk = hosttest::fileBytes(image);
    window.linkDrive()->resetCounts();
    chooseFirstEvent(QStringLiteral("Running"));
    EXPECT_EQ(hosttest::fileBytes(image), onDisk);
    EXPECT_EQ(window.linkDrive()->requestCount(ModbusDrive::Request::Write), 0u);
    EXPECT_EQ(modeShown(), "offline \u2014 1 change not on the drive");
    EXPECT_THAT(window.windowTitle().toStdString(), HasSubstr("1 change not on the drive"));
    EXPECT_THAT(statusShown(), AllOf(HasSubstr("Pair 0"), HasSubstr("working copy")));

    // The drive restarts: the working copy keeps its change over the reconnect.
    sim->kill();
    sim =
        std::make_unique<linktest::DriveSimulator>(image, std::vector<std::string>{"--port", port});
    choose(window, item("Reconnect"));
    hosttest::idle(window);
    guitest::backInFront(window);
    EXPECT_EQ(firstEvent(window), "Running");
    EXPECT_EQ(modeShown(), "offline \u2014 1 change not on the drive");

    // The question stands alone: no progress window behind it.
    bool progressBehind = false;
    const fw::MessageBoxHandler answering = fw::setMessageBoxHandler({});
    fw::setMessageBoxHandler(
        [&](const std::string& text, const std::string& caption, unsigned type) {
            for (const QWidget* shown : QApplication::topLevelWidgets())
                progressBehind =
                    progressBehind || (shown->objectName() == "linkProgress" && shown->isVisible());
            return answering(text, caption, type);
        });
    pressShortcutOf(window, item("Download"));
    hosttest::idle(window);
    fw::setMessageBoxHandler(answering);
    EXPECT_FALSE(progressBehind);
    ASSERT_EQ(told("Download 1 change"), 1u);
    // With what changes in behaviour, worked out before anything is written
    // (under Valgrind it may run out of time: then it says so).
    EXPECT_THAT(messages.shown().back().text,
                AllOf(HasSubstr("Pair 0: event \"Digital input 18\" -> \"Running\""),
                      HasSubstr("What changes in behaviour")));
    EXPECT_EQ(valueOnDisk(image, 1301, 0), "2");
    EXPECT_EQ(modeShown(), "offline \u2014 0 changes not on the drive");
    EXPECT_THAT(statusShown(), HasSubstr("read back"));
}

// Drive > Edit online writes every change at once, marked in the title and in
// colour in the status bar; the first write to the running controller asks
// once. Declined, nothing is written and the list shows the drive's entry.
TEST_F(DriveGuiTest, OnlineEditsAskOnceBeforeTheRunningControllerIsChanged)
{
    // A controller that starts at once (start event True) and waits in step 0.
    const std::string running =
        workflowtest::sampleWith(scratch, {{1305, {{0, "1"}}}}, guitest::kSample, "running.json");
    linktest::DriveSimulator sim(running, {"--run"});
    ASSERT_TRUE(hosttest::done(window.connectDrive(QString::fromStdString(sim.address()),
                                                   QString::fromStdString(profile), 5000)));
    guitest::backInFront(window);
    choose(window, item("Edit online"));
    hosttest::idle(window);
    guitest::backInFront(window);
    EXPECT_TRUE(window.online());
    EXPECT_THAT(window.windowTitle().toStdString(), HasSubstr("ONLINE"));
    EXPECT_THAT(modeShown(), HasSubstr("ONLINE"));
    EXPECT_THAT(window.findChild<QLabel*>(QStringLiteral("modeLabel"))->styleSheet().toStdString(),
                HasSubstr("background"));

    messages.answer("Write this change to the drive now?", fw::IDNO);
    chooseFirstEvent(QStringLiteral("Running"));
    EXPECT_EQ(told("is running (step 0)"), 1u);
    EXPECT_EQ(valueOnDisk(running, 1301, 0), "19");
    EXPECT_EQ(firstEvent(window), "Digital input 18") << "the drive's entry";
    EXPECT_THAT(statusShown(), HasSubstr("Not written"));

    messages.answer("Write this change to the drive now?", fw::IDYES);
    for (const char* event : {"Running", "Digital input 19"})
        chooseFirstEvent(QString::fromLatin1(event));
    EXPECT_EQ(told("is running (step"), 2u) << "asked once more, then not";
    EXPECT_EQ(valueOnDisk(running, 1301, 0), "20");
    EXPECT_THAT(statusShown(), AllOf(HasSubstr("Pair 0"), HasSubstr("written")));
}

// A change the drive refuses is told in the program's terms with the drive's
// reason, and the editor shows what the drive holds (the timer dialog opened
// again shows the value the image keeps).
TEST_F(DriveGuiTest, ARefusedChangeIsToldAndTheEditorShowsTheDrivesValue)
{
    const std::string readOnly = hosttest::copyOfSample(scratch, guitest::kSample, "locked.json");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    ASSERT_TRUE(open(readOnly));
    guitest::backInFront(window);
    // The object button of the first pair's action (Start timer 0): the timer's editor.
    const auto timerButton = [&] {
        for (auto* box : window.formView()->findChildren<fw::CDialog*>())
            if (box->GetTemplateId() == res::IDD_ACTION && box->isVisible() &&
                box->parentWidget() == eventList(0)->parentWidget()->parentWidget())
                return qobject_cast<QAbstractButton*>(fw::findControl(box, res::IDC_OBJECT_BUTTON));
        return static_cast<QAbstractButton*>(nullptr);
    };
    const auto timerShown = [&] {
        std::string value;
        const Answer dialog("the timer dialog", guitest::modal<fw::CDialog>, [&](QWidget& shown) {
            value = textOf(shown.findChild<QLineEdit*>());
            QTest::keyClick(&shown, Qt::Key_Escape);
        });
        QAbstractButton* button = timerButton();
        EXPECT_NE(button, nullptr);
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        return value;
    };
    ASSERT_EQ(timerShown(), "5.00");

    {
        const Answer dialog("the timer dialog", guitest::modal<fw::CDialog>, [&](QWidget& shown) {
            retype(shown.findChild<QLineEdit*>(), QStringLiteral("9"));
            QTest::keyClick(shown.findChild<QLineEdit*>(), Qt::Key_Return);
        });
        QTest::mouseClick(timerButton(), Qt::LeftButton);
    }
    guitest::settle();
    ASSERT_EQ(told("the drive refused"), 1u);
    EXPECT_THAT(messages.shown().back().text,
                AllOf(HasSubstr("Timer 0: the drive refused 9.00 s ("), HasSubstr("protected"),
                      Not(HasSubstr("WriteParameterValues"))));
    EXPECT_THAT(statusShown(), HasSubstr("Not written"));
    EXPECT_EQ(timerShown(), "5.00") << "what the image holds";
}

// Tools > Check program lists its findings in a dock; Return on one selects the
// pair it is about, scrolled into view.
TEST_F(DriveGuiTest, TheCheckDockLeadsToThePairOfAFinding)
{
    // Timer 1 at 0: pair 2 starts it and pair 4 waits for its timeout.
    ASSERT_TRUE(open(
        workflowtest::sampleWith(scratch, {{1303, {{1, "0.00"}}}}, guitest::kSample, "zero.json")));
    choose(window, item("Check program"));
    auto* list = window.findChild<QListWidget*>(QStringLiteral("findingList"));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(window.checkDock()->isVisible());
    EXPECT_TRUE(list->hasFocus());
    std::vector<std::string> findings;
    for (int row = 0; row < list->count(); ++row)
        findings.push_back(list->item(row)->text().toStdString());
    EXPECT_THAT(findings, Contains(HasSubstr("Pair 4")));

    for (int row = 0; row < list->count() && !list->currentItem()->text().contains("Pair 4"); ++row)
        QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    guitest::settle();
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QWidget* pair = eventList(4)->parentWidget()->parentWidget(); // event box, pair window
    EXPECT_TRUE(focus == pair || pair->isAncestorOf(focus)) << "the pair of the finding";
}
