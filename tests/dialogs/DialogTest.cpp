// The widgets framework: modal runs through the seam, numbered mouse messages and
// the Qt message box. Posted messages and list notifications are run by the flow's
// tests (a rebuild once a list's handler has returned, none for the program's own
// selection).

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

#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

using testsupport::click;
using testsupport::ModalAnswerer;

namespace {

using Message = std::tuple<unsigned, uintptr_t, intptr_t>;

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
    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override
    {
        received.emplace_back(message, wParam, lParam);
        return true;
    }

    int initCount = 0;
    std::vector<Message> received;
};

struct DialogTest : ::testing::Test
{
    testsupport::CurrentLanguageGuard language{testsupport::englishLibrary()};
    QWidget host;
};

TEST_F(DialogTest, ModalRunAnswersWithTheButtonOrKeyPressedAndSurvivesAFailingSeam)
{
    RecordingDialog dialog(res::IDD_TIMER, &host);
    const auto run = [&](std::function<void(fw::CDialog&)> answer) {
        ModalAnswerer answerer(std::move(answer));
        return dialog.DoModal();
    };
    EXPECT_EQ(fw::IDOK, run([](fw::CDialog& shown) {
                  EXPECT_TRUE(shown.isVisible()); // built, initialised, shown
                  click(shown, fw::IDOK);
              }));
    EXPECT_FALSE(dialog.IsWindowCreated());
    EXPECT_EQ(fw::IDCANCEL, run([](fw::CDialog& shown) {
                  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                  QCoreApplication::sendEvent(&shown, &escape);
              }));
    EXPECT_THROW(run([](fw::CDialog&) { throw std::runtime_error("test"); }), std::runtime_error);
    EXPECT_FALSE(dialog.IsWindowCreated());
    EXPECT_EQ(dialog.initCount, 3);
}

// A button going down on a control tells the control's dialog and its parents.
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

    // A German editor's boxes have German buttons.
    testsupport::CurrentLanguageGuard german(testsupport::germanLibrary());
    for (const auto& [type, which, text] : {std::tuple{fw::MB_YESNO, QMessageBox::Yes, "&Ja"},
                                            {fw::MB_YESNO, QMessageBox::No, "&Nein"},
                                            {fw::MB_OKCANCEL, QMessageBox::Cancel, "Abbrechen"}})
        EXPECT_EQ(fw::createMessageBox("?", "", type, nullptr)->button(which)->text().toStdString(),
                  text);
    // The icon asked for wins; without one, a box that only tells warns.
    for (const auto& [type, icon] : {std::pair{unsigned{fw::MB_OK}, QMessageBox::Warning},
                                     {fw::MB_OK | fw::MB_ICONINFORMATION, QMessageBox::Information},
                                     {fw::MB_YESNO, QMessageBox::Question},
                                     {fw::MB_YESNO | fw::MB_ICONWARNING, QMessageBox::Warning}})
        EXPECT_EQ(fw::createMessageBox("?", "", type, nullptr)->icon(), icon) << type;
}

} // namespace
