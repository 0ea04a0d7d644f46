#include "dialogs/WidgetTestSupport.h"
#include "support/ScratchFolder.h"

#include "framework/Resources.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/Messages.h"
#include "framework/widgets/NumberLocale.h"
#include "framework/widgets/PopupMenu.h"
#include "framework/widgets/WidgetResources.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <vector>

using testsupport::CurrentLanguageGuard;
using testsupport::runPostedMessages;

namespace {

constexpr unsigned WM_REREAD_DATA = fw::WM_USER + 1;
constexpr unsigned WM_FIRST = fw::WM_USER + 10;
constexpr unsigned WM_SECOND = fw::WM_USER + 11;
constexpr unsigned WM_THROW = fw::WM_USER + 12;

using Message = std::tuple<unsigned, uintptr_t, intptr_t>;

class MessageDialog : public fw::CDialog
{
public:
    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override
    {
        received.emplace_back(message, wParam, lParam);
        if (message == WM_FIRST) {
            // Posted: handled after this handler; sent: handled within it.
            fw::postMessage(this, WM_REREAD_DATA);
            fw::sendMessage(this, WM_SECOND, 2, -3);
            received.emplace_back(WM_FIRST, 99, 99); // end of the handler
        }
        if (message == WM_THROW)
            throw std::runtime_error("handler failed");
        return message != fw::WM_LBUTTONUP;
    }
    bool OnCommand(int id, int notification) override
    {
        commands.emplace_back(id, notification);
        return CDialog::OnCommand(id, notification);
    }

    std::vector<Message> received;
    std::vector<std::pair<int, int>> commands;
};

class MessageTest : public ::testing::Test
{
protected:
    CurrentLanguageGuard m_language{testsupport::englishLibrary()};
    QWidget m_host;
};

TEST_F(MessageTest, PostedMessagesRunAfterTheHandlerSentOnesWithinIt)
{
    MessageDialog dialog;
    ASSERT_TRUE(dialog.Create(2134, &m_host));

    EXPECT_TRUE(fw::sendMessage(&dialog, WM_FIRST, 1, 0));
    EXPECT_EQ(dialog.received,
              (std::vector<Message>{{WM_FIRST, 1, 0}, {WM_SECOND, 2, -3}, {WM_FIRST, 99, 99}}));
    runPostedMessages();
    ASSERT_EQ(dialog.received.size(), 4u);
    EXPECT_EQ(dialog.received.back(), Message(WM_REREAD_DATA, 0, 0));

    // Two posts, two deliveries, in order.
    dialog.received.clear();
    fw::postMessage(&dialog, WM_SECOND, 1, 0);
    fw::postMessage(&dialog, WM_SECOND, 2, 0);
    EXPECT_TRUE(dialog.received.empty());
    runPostedMessages();
    EXPECT_EQ(dialog.received, (std::vector<Message>{{WM_SECOND, 1, 0}, {WM_SECOND, 2, 0}}));

    EXPECT_FALSE(fw::sendMessage(&m_host, WM_SECOND)); // no dialog: nobody handles it
    EXPECT_FALSE(fw::postMessage(nullptr, WM_SECOND));
}

TEST_F(MessageTest, CommandMessagesReachOnCommand)
{
    MessageDialog dialog;
    ASSERT_TRUE(dialog.Create(2134, &m_host));
    fw::postMessage(&dialog, fw::WM_COMMAND, fw::makeCommandWParam(62774, 0));
    fw::sendMessage(&dialog, fw::WM_COMMAND, fw::makeCommandWParam(3008, fw::CBN_SELCHANGE));
    runPostedMessages();
    EXPECT_EQ(dialog.commands,
              (std::vector<std::pair<int, int>>{{3008, fw::CBN_SELCHANGE}, {62774, 0}}));
    EXPECT_TRUE(dialog.received.empty());
}

TEST_F(MessageTest, MessageForADeletedWindowIsDropped)
{
    auto* dialog = new MessageDialog;
    ASSERT_TRUE(dialog->Create(2134, &m_host));
    fw::postMessage(dialog, WM_REREAD_DATA);
    delete dialog;
    runPostedMessages(); // nothing left to deliver to; no crash

    // An object whose window is gone receives nothing either.
    MessageDialog arrow;
    ASSERT_TRUE(arrow.Create(2141, &m_host));
    fw::postMessage(&arrow, WM_REREAD_DATA);
    arrow.DestroyWindow();
    runPostedMessages();
    EXPECT_FALSE(fw::sendMessage(&arrow, WM_SECOND));
    EXPECT_TRUE(arrow.received.empty());
}

TEST_F(MessageTest, ExceptionsCrossSendButStopAtTheEventLoop)
{
    MessageDialog dialog;
    ASSERT_TRUE(dialog.Create(2134, &m_host));
    EXPECT_THROW(fw::sendMessage(&dialog, WM_THROW), std::runtime_error);
    fw::postMessage(&dialog, WM_THROW);
    EXPECT_NO_THROW(runPostedMessages());
    EXPECT_EQ(dialog.received.size(), 2u);
}

TEST_F(MessageTest, MouseInputBecomesNumberedMessagesOfTheWindowHit)
{
    MessageDialog pair;
    MessageDialog event;
    ASSERT_TRUE(pair.Create(2134, &m_host));
    ASSERT_TRUE(event.Create(2135, &pair));
    event.move(21, 10);
    pair.show();
    event.show();

    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 7), event.mapToGlobal(QPointF(5, 7)),
                        Qt::RightButton, Qt::NoButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&event, &release);
    EXPECT_EQ(event.received,
              (std::vector<Message>{{fw::WM_RBUTTONUP, fw::MK_SHIFT, fw::makeLParam(5, 7)}}));
    EXPECT_TRUE(pair.received.empty()); // a window forwards mouse messages itself
    EXPECT_EQ(fw::lParamX(fw::makeLParam(-4, 7)), -4);
    EXPECT_EQ(fw::lParamY(fw::makeLParam(-4, -7)), -7);

    // A button going down on a control tells the control's dialog and its parents.
    event.received.clear();
    QWidget* objectButton = event.GetDlgItem(3001);
    const QPointF inButton(3, 4);
    QMouseEvent press(QEvent::MouseButtonPress, inButton, objectButton->mapToGlobal(inButton),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(objectButton, &press);
    const QPoint inEvent = objectButton->mapTo(&event, inButton.toPoint());
    const QPoint inPair = objectButton->mapTo(&pair, inButton.toPoint());
    EXPECT_EQ(event.received, (std::vector<Message>{{fw::WM_PARENTNOTIFY, fw::WM_LBUTTONDOWN,
                                                     fw::makeLParam(inEvent.x(), inEvent.y())}}));
    EXPECT_EQ(pair.received, (std::vector<Message>{{fw::WM_PARENTNOTIFY, fw::WM_LBUTTONDOWN,
                                                    fw::makeLParam(inPair.x(), inPair.y())}}));
    QMouseEvent up(QEvent::MouseButtonRelease, inButton, objectButton->mapToGlobal(inButton),
                   Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(objectButton, &up);
}

TEST_F(MessageTest, FocusOfTheWindowItselfBecomesSetAndKillFocus)
{
    MessageDialog pair;
    MessageDialog event;
    ASSERT_TRUE(pair.Create(2134, &m_host));
    ASSERT_TRUE(event.Create(2135, &pair));
    pair.show();
    event.show();
    m_host.show();
    m_host.activateWindow();
    QApplication::processEvents();

    pair.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(pair.received, (std::vector<Message>{{fw::WM_SETFOCUS, 0, 0}}));
    event.GetDlgItem(3008)->setFocus(); // into a control of the child: the pair loses it
    QApplication::processEvents();
    EXPECT_EQ(pair.received,
              (std::vector<Message>{{fw::WM_SETFOCUS, 0, 0}, {fw::WM_KILLFOCUS, 0, 0}}));
    EXPECT_TRUE(event.received.empty()); // the event window itself never had it
}

TEST_F(MessageTest, PopupMenuCommandReachesTheOwnerAfterTracking)
{
    MessageDialog flow;
    ASSERT_TRUE(flow.Create(2102, &m_host));
    testsupport::PopupMenuRecorder menus(62772);

    fw::PopupMenu menu;
    menu.AppendMenu(fw::loadString(2145), 62774);
    menu.AppendSeparator();
    menu.AppendMenu(fw::loadString(2134), 62772);
    EXPECT_EQ(menu.TrackPopupMenu(QPoint(300, 220), &flow), 62772);
    EXPECT_TRUE(flow.commands.empty());

    ASSERT_EQ(menus.tracked().size(), 1u);
    const auto& tracked = menus.tracked()[0];
    EXPECT_EQ(tracked.screenPoint, QPoint(300, 220));
    EXPECT_EQ(tracked.owner, &flow);
    ASSERT_EQ(tracked.items.size(), 3u);
    EXPECT_EQ(tracked.items[0].text, "Controller settings...");
    EXPECT_EQ(tracked.items[0].command, 62774);
    EXPECT_TRUE(tracked.items[1].separator);
    EXPECT_EQ(tracked.items[2].text, "Add pair at end");
    EXPECT_EQ(tracked.items[2].command, 62772);

    runPostedMessages();
    EXPECT_EQ(flow.commands, (std::vector<std::pair<int, int>>{{62772, 0}}));

    menus.setAnswer(0); // dismissed
    EXPECT_EQ(menu.TrackPopupMenu(QPoint(1, 1), &flow), 0);
    runPostedMessages();
    EXPECT_EQ(flow.commands.size(), 1u);
}

TEST(WidgetMessageBoxTest, QtMessageBoxAnswersWithTheButtonPressed)
{
    fw::installWidgetMessageBox();
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Add a pair?");
        EXPECT_EQ(box->windowTitle(), "Flow");
        box->button(QMessageBox::No)->click();
    });
    const int answer = fw::messageBox("Add a pair?", fw::MB_YESNO, "Flow");
    fw::setMessageBoxHandler(nullptr);
    EXPECT_EQ(answer, fw::IDNO);
}

std::string formatted(const std::locale& locale, double value, int decimals)
{
    std::ostringstream out;
    out.imbue(locale);
    out << std::fixed << std::showpoint << std::setprecision(decimals) << value;
    return out.str();
}

TEST(NumberLocaleTest, LanguageNamesGiveTheirNumberFormat)
{
    const std::locale english = fw::namedLocale("english");
    EXPECT_EQ(formatted(english, 1234.5, 2), "1,234.50");
    EXPECT_EQ(formatted(english, 1234567.0, 0), "1,234,567.");
    EXPECT_EQ(std::use_facet<std::numpunct<char>>(english).grouping(), "\3");

    const std::locale german = fw::namedLocale("German");
    EXPECT_EQ(formatted(german, 1234.5, 2), "1.234,50");
    EXPECT_EQ(std::use_facet<std::numpunct<char>>(german).decimal_point(), ',');
    EXPECT_EQ(std::use_facet<std::numpunct<char>>(german).thousands_sep(), '.');

    const std::locale frenchLocale = fw::namedLocale("FRENCH");
    const auto& french = std::use_facet<std::numpunct<char>>(frenchLocale);
    EXPECT_EQ(french.decimal_point(), ',');
    EXPECT_EQ(french.thousands_sep(), ' ');

    // Reading back through the locale.
    std::istringstream in("1.234,5");
    in.imbue(german);
    double value = 0;
    in >> value;
    EXPECT_DOUBLE_EQ(value, 1234.5);
}

TEST(NumberLocaleTest, UnknownNameThrowsLikeTheLocaleConstructor)
{
    EXPECT_THROW(fw::namedLocale("klingonish"), std::runtime_error);
    EXPECT_THROW(fw::namedLocale(""), std::runtime_error);
    std::locale chosen;
    try {
        chosen = fw::namedLocale("klingonish");
    } catch (const std::runtime_error&) {
        chosen = fw::namedLocale("english");
    }
    EXPECT_EQ(std::use_facet<std::numpunct<char>>(chosen).decimal_point(), '.');
}

} // namespace
