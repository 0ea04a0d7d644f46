// The widgets framework: modal runs through the seam, control notifications,
// numbered messages and the Qt message box.

#include "dialogs/WidgetTestSupport.h"

#include "framework/widgets/Messages.h"
#include "framework/widgets/WidgetResources.h"
#include "languages/common/NEBPTResources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <tuple>
#include <vector>

using testsupport::click;
using testsupport::ModalAnswerer;
using testsupport::runPostedMessages;

namespace {

using Message = std::tuple<unsigned, uintptr_t, intptr_t>;
using Commands = std::vector<std::pair<int, int>>;
constexpr unsigned WM_FIRST = fw::WM_USER + 10;
constexpr unsigned WM_SECOND = fw::WM_USER + 11;
constexpr unsigned WM_THROW = fw::WM_USER + 12;

// A dialog that records what the framework tells it.
class RecordingDialog : public fw::CDialog
{
public:
    using fw::CDialog::CDialog;

    bool OnInitDialog() override
    {
        ++initCount;
        return CDialog::OnInitDialog();
    }
    bool OnCommand(int id, int notification) override
    {
        commands.emplace_back(id, notification);
        return CDialog::OnCommand(id, notification);
    }
    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override
    {
        received.emplace_back(message, wParam, lParam);
        if (message == WM_FIRST) {
            // Posted: handled after this handler; sent: handled within it.
            fw::postMessage(this, WM_SECOND, 1, 0);
            fw::sendMessage(this, WM_SECOND, 2, -3);
            received.emplace_back(WM_FIRST, 99, 99); // end of the handler
        }
        if (message == WM_THROW)
            throw std::runtime_error("handler failed");
        return true;
    }

    int initCount = 0;
    Commands commands;
    std::vector<Message> received;
};

struct DialogTest : ::testing::Test
{
    testsupport::CurrentLanguageGuard language{testsupport::englishLibrary()};
    QWidget host;
};

TEST_F(DialogTest, MissingThingsAnswerQuietlyAndOnlyUserChoicesNotify)
{
    RecordingDialog missing(4711);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_FALSE(missing.Create(4711, &host));
    {
        testsupport::CurrentLanguageGuard none(nullptr);
        RecordingDialog timer(res::IDD_TIMER);
        EXPECT_EQ(timer.DoModal(), -1);
        EXPECT_EQ(timer.initCount, 0);
    }
    EXPECT_EQ(missing.initCount, 0);

    RecordingDialog event;
    ASSERT_TRUE(event.Create(res::IDD_EVENT, &host));
    event.SetDlgItemText(4711, "nowhere"); // reported, ignored
    EXPECT_EQ(event.GetDlgItemText(4711), "");
    EXPECT_EQ(event.GetComboBox(res::IDC_OBJECT_BUTTON).AddString("x"), fw::CB_ERR)
        << "no combo box";
    EXPECT_EQ(event.GetComboBox(4711).GetCurSel(), fw::CB_ERR);
    fw::CComboBox list = event.GetComboBox(res::IDC_EVENT_LIST);
    EXPECT_EQ(list.SetCurSel(0), fw::CB_ERR) << "empty list";

    // The program's own selection is no user choice.
    list.AddString("Off");
    list.AddString("On");
    list.SetCurSel(1);
    testsupport::chooseEntry(list.combo(), 0);
    EXPECT_EQ(event.commands, (Commands{{res::IDC_EVENT_LIST, fw::CBN_SELCHANGE}}));
}

TEST_F(DialogTest, ModalRunAnswersWithTheButtonOrKeyPressedAndSurvivesAFailingSeam)
{
    RecordingDialog dialog(res::IDD_TIMER, &host);
    const auto run = [&](std::function<void(fw::CDialog&)> answer) {
        ModalAnswerer answerer(std::move(answer));
        return dialog.DoModal();
    };
    EXPECT_EQ(fw::IDOK, run([](fw::CDialog& shown) {
                  EXPECT_TRUE(shown.isVisible()); // built, initialised, shown
                  EXPECT_EQ(static_cast<RecordingDialog&>(shown).initCount, 1);
                  click(shown, fw::IDOK);
              }));
    EXPECT_FALSE(dialog.IsWindowCreated());
    EXPECT_EQ(dialog.GetParent(), &host);
    EXPECT_EQ(fw::IDCANCEL, run([](fw::CDialog& shown) {
                  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                  QCoreApplication::sendEvent(&shown, &escape);
              }));
    EXPECT_THROW(run([](fw::CDialog&) { throw std::runtime_error("test"); }), std::runtime_error);
    EXPECT_FALSE(dialog.IsWindowCreated());
    EXPECT_EQ(run([](fw::CDialog& shown) { click(shown, fw::IDOK); }), fw::IDOK);
    EXPECT_EQ(dialog.initCount, 4);
}

TEST_F(DialogTest, PostedMessagesRunAfterTheHandlerSentOnesWithinItAndGoneWindowsGetNone)
{
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(res::IDD_PAIR, &host));
    EXPECT_TRUE(fw::sendMessage(&dialog, WM_FIRST, 1, 0));
    EXPECT_EQ(dialog.received,
              (std::vector<Message>{{WM_FIRST, 1, 0}, {WM_SECOND, 2, -3}, {WM_FIRST, 99, 99}}));
    fw::postMessage(&dialog, fw::WM_COMMAND, fw::makeCommandWParam(62774, 0));
    fw::sendMessage(&dialog, fw::WM_COMMAND,
                    fw::makeCommandWParam(res::IDC_EVENT_LIST, fw::CBN_SELCHANGE));
    runPostedMessages();
    EXPECT_EQ(dialog.received.back(), Message(WM_SECOND, 1, 0));
    EXPECT_EQ(dialog.commands, (Commands{{res::IDC_EVENT_LIST, fw::CBN_SELCHANGE}, {62774, 0}}));
    EXPECT_FALSE(fw::sendMessage(&host, WM_SECOND)); // no dialog: nobody handles it
    EXPECT_FALSE(fw::postMessage(nullptr, WM_SECOND));

    // Messages to gone windows are dropped; a failing handler stops at the event loop.
    auto* deleted = new RecordingDialog;
    RecordingDialog destroyed;
    ASSERT_TRUE(deleted->Create(res::IDD_PAIR, &host));
    ASSERT_TRUE(destroyed.Create(res::IDD_TOP_ARROW, &host));
    fw::postMessage(deleted, WM_SECOND);
    fw::postMessage(&destroyed, WM_SECOND);
    fw::postMessage(&dialog, WM_THROW);
    delete deleted;
    destroyed.DestroyWindow();
    EXPECT_NO_THROW(runPostedMessages());
    EXPECT_FALSE(fw::sendMessage(&destroyed, WM_SECOND));
    EXPECT_TRUE(destroyed.received.empty());
    EXPECT_THROW(fw::sendMessage(&dialog, WM_THROW), std::runtime_error);
    EXPECT_EQ(dialog.received.size(), 4u + 2u) << "both failing messages arrived";
}

TEST_F(DialogTest, MouseInputBecomesNumberedMessagesOfTheWindowHit)
{
    RecordingDialog pair, event;
    ASSERT_TRUE(pair.Create(res::IDD_PAIR, &host));
    ASSERT_TRUE(event.Create(res::IDD_EVENT, &pair));
    event.move(21, 10);
    QWidget* objectButton = event.GetDlgItem(res::IDC_OBJECT_BUTTON);
    const auto send = [](QWidget* widget, QEvent::Type type, Qt::MouseButton button) {
        QMouseEvent mouse(type, QPointF(5, 7), widget->mapToGlobal(QPointF(5, 7)), button,
                          type == QEvent::MouseButtonPress ? button : Qt::NoButton,
                          Qt::ShiftModifier);
        QCoreApplication::sendEvent(widget, &mouse);
    };
    send(&event, QEvent::MouseButtonRelease, Qt::RightButton);
    // A button going down on a control tells the control's dialog and its parents.
    send(objectButton, QEvent::MouseButtonPress, Qt::LeftButton);
    send(objectButton, QEvent::MouseButtonRelease, Qt::LeftButton);
    const auto at = [&](QWidget* window) {
        const QPoint point = objectButton->mapTo(window, QPoint(5, 7));
        return fw::makeLParam(point.x(), point.y());
    };
    EXPECT_EQ(event.received,
              (std::vector<Message>{{fw::WM_RBUTTONUP, fw::MK_SHIFT, fw::makeLParam(5, 7)},
                                    {fw::WM_PARENTNOTIFY, fw::WM_LBUTTONDOWN, at(&event)}}));
    EXPECT_EQ(pair.received,
              (std::vector<Message>{{fw::WM_PARENTNOTIFY, fw::WM_LBUTTONDOWN, at(&pair)}}));
}

TEST(WidgetMessageBoxTest, QtMessageBoxAnswersWithTheButtonPressedNamedByTheLanguage)
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

    // A German editor's message boxes show no English word.
    testsupport::CurrentLanguageGuard german(testsupport::germanLibrary());
    std::vector<std::string> buttons;
    for (unsigned type : {fw::MB_OK, fw::MB_OKCANCEL, fw::MB_YESNO}) {
        const auto box = fw::createMessageBox("?", "", type);
        for (QAbstractButton* button : box->buttons())
            buttons.push_back(button->text().toStdString());
    }
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(buttons, (std::vector<std::string>{"&Ja", "&Nein", "Abbrechen", "OK", "OK"}));
}

} // namespace
