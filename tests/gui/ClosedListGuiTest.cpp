#include "WindowGuiFixture.h"
#include "XInput.h"

#include "LinkTestSupport.h"
#include "ModbusDrive.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequence>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

// A closed drop-down list changes only by a choice from its open list. The mouse
// wheel and the keys of the test's X server, over the editor's flow as a user
// scrolling a long program or walking it from the keyboard meets them, write
// nothing to the drive until the user chooses.

namespace {

constexpr size_t kPairs = 20;
constexpr size_t kPair = 3; // the fourth pair
const std::string kPairEvent = "Digital input 18";

// The sample drive with a program of 20 pairs: the events Running, Digital input
// 19, Digital input 27 and Digital input 18 in turn, the actions preset
// reference 0 and 1 in turn.
std::string twentyPairs(const testsupport::ScratchFolder& folder, const std::string& name)
{
    const std::string sample = hosttest::fileBytes(hosttest::sampleImage(guitest::kSample));
    QJsonObject image = QJsonDocument::fromJson(QByteArray::fromStdString(sample)).object();
    QJsonArray parameters = image[QStringLiteral("parameters")].toArray();
    for (QJsonValueRef entry : parameters) {
        QJsonObject parameter = entry.toObject();
        const int number = parameter[QStringLiteral("number")].toInt();
        if (number != 1301 && number != 1302)
            continue;
        QJsonArray values;
        for (size_t pair = 0; pair < kPairs; ++pair)
            values.append(QString::number(number == 1301 ? std::array{2, 20, 21, 19}[pair % 4]
                                                         : 6 + static_cast<int>(pair % 2)));
        parameter[QStringLiteral("values")] = values;
        entry = parameter;
    }
    image[QStringLiteral("parameters")] = parameters;
    folder.writeText(name, QJsonDocument(image).toJson().toStdString());
    return folder.file(name);
}

class ClosedListGuiTest : public guitest::WindowGuiTest
{
protected:
    void SetUp() override
    {
        WindowGuiTest::SetUp();
        ASSERT_TRUE(input.isOpen()) << "the test's X server has no XTest extension";
        window.resize(900, 560); // the flow is taller
    }

    // Shows the flow of the image file, or over a link of the simulator serving
    // its copy, edited online: each change is written to the drive at once.
    void openFlow(bool overLink)
    {
        if (overLink) {
            simulator = std::make_unique<linktest::DriveSimulator>(servedImage);
            ASSERT_TRUE(hosttest::done(window.connectDrive(
                QString::fromStdString(simulator->address()),
                QString::fromStdString(hosttest::sampleImage(guitest::kSample)), 5000)));
            ASSERT_TRUE(hosttest::done(window.setOnline(true)));
        } else {
            ASSERT_TRUE(open(flowImage));
        }
        guitest::backInFront(window);
        ASSERT_EQ(hosttest::eventLists(window).size(), kPairs);
        ASSERT_EQ(eventList(kPair)->currentText().toStdString(), kPairEvent);
    }

    // The write requests that reached the drive over the link.
    size_t writes() const
    {
        const ModbusDrive* link = window.linkDrive();
        return link ? link->requestCount(ModbusDrive::Request::Write) : 0;
    }

    // The image file the drive keeps.
    std::string onDisk() const { return hosttest::fileBytes(simulator ? servedImage : flowImage); }

    bool inView(const QWidget& widget) const
    {
        const QWidget* viewport = window.scrollArea()->viewport();
        return viewport->rect().contains(QRect(widget.mapTo(viewport, QPoint()), widget.size()));
    }

    guitest::XInput input;
    const std::string flowImage = twentyPairs(scratch, "flow.json");
    const std::string servedImage = twentyPairs(scratch, "served.json");
    std::unique_ptr<linktest::DriveSimulator> simulator;
};

} // namespace

// Five notches of the wheel with the pointer over the fourth pair's closed event
// list: the flow scrolls a step at each, every list keeps its entry and none
// takes the focus, and nothing reaches the drive, an image file or one over a link.
TEST_F(ClosedListGuiTest, TheWheelOverAClosedListScrollsTheFlow)
{
    for (const bool overLink : {false, true}) {
        SCOPED_TRACE(overLink ? "over a link" : "a drive image");
        openFlow(overLink);
        QScrollBar* bar = window.scrollArea()->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 0) << "the flow is taller than the window";
        bar->setValue(0);
        const QPointer<QComboBox> list = eventList(kPair);
        ASSERT_TRUE(inView(*list));
        const std::vector<std::string> shown = hosttest::eventsShown(window);
        const QPointer<QWidget> focus = QApplication::focusWidget();
        const std::string image = onDisk();
        const size_t written = writes();

        input.pointAt(*list); // the X server moves it before it turns the wheel
        for (int notch = 1; notch <= 5; ++notch) {
            const int was = bar->value();
            input.turnWheel(-1);
            EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() > was; }, guitest::kWaitMs))
                << "notch " << notch;
        }
        guitest::settle();
        EXPECT_EQ(hosttest::eventsShown(window), shown);
        const QWidget* focused = QApplication::focusWidget();
        EXPECT_EQ(focused, focus.data())
            << "the focus went to " << (focused ? focused->accessibleName().toStdString() : "");
        EXPECT_TRUE(onDisk() == image) << "the drive's image file changed";
        EXPECT_EQ(writes(), written);
    }
}

// Keys on the closed event list that has the focus, over a link: each key that
// would step the list opens it with its entry highlighted, a letter opens it and
// searches in it, and Escape closes it, nothing changed or written. Down in the
// open list and Return choose: one write, and the flow shows the entry the
// drive now holds.
TEST_F(ClosedListGuiTest, KeysOpenAClosedListAndOnlyAChoiceWrites)
{
    openFlow(true);
    const QPointer<QComboBox> list = eventList(kPair); // null once the flow is made anew
    list->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->hasFocus(); }, guitest::kWaitMs));
    const std::vector<std::string> shown = hosttest::eventsShown(window);
    const std::string image = onDisk();
    const size_t written = writes();
    const auto isOpen = [&] { return list && list->view()->isVisible(); };
    const auto highlighted = [&] {
        return list ? list->view()->currentIndex().data().toString().toStdString() : "";
    };

    const struct
    {
        Qt::Key key;
        std::string highlighted;
    } keys[] = {{Qt::Key_Down, kPairEvent},
                {Qt::Key_Up, kPairEvent},
                {Qt::Key_PageDown, kPairEvent},
                {Qt::Key_End, kPairEvent},
                {Qt::Key_C, "Comparator 0"}};
    for (const auto& [key, entry] : keys) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        input.press(key);
        ASSERT_TRUE(QTest::qWaitFor(isOpen, guitest::kWaitMs)) << "the key opens the list";
        EXPECT_EQ(highlighted(), entry);
        EXPECT_EQ(list->currentText().toStdString(), kPairEvent);
        input.press(Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !isOpen(); }, guitest::kWaitMs));
        ASSERT_TRUE(list) << "the flow was made anew";
        EXPECT_TRUE(list->hasFocus());
        EXPECT_EQ(hosttest::eventsShown(window), shown);
        EXPECT_EQ(writes(), written);
    }
    EXPECT_TRUE(onDisk() == image) << "the drive's image file changed";

    input.press(Qt::Key_Down);
    ASSERT_TRUE(QTest::qWaitFor(isOpen, guitest::kWaitMs));
    input.press(Qt::Key_Down);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return highlighted() == "Digital input 19"; }, guitest::kWaitMs));
    EXPECT_EQ(writes(), written);
    input.press(Qt::Key_Return);
    std::vector<std::string> chosen = shown;
    chosen[kPair] = "Digital input 19";
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return hosttest::eventsShown(window) == chosen; }, guitest::kWaitMs));
    guitest::settle();
    EXPECT_EQ(hosttest::eventsShown(window), chosen);
    EXPECT_EQ(writes(), written + 1);
    EXPECT_EQ(guitest::valueOnDisk(servedImage, 1301, kPair), "20");
}
