#include "dialogs/WidgetTestSupport.h"
#include "support/ScratchFolder.h"

#include "framework/widgets/DataExchange.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/Messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using testsupport::chooseEntry;
using testsupport::CurrentLanguageGuard;
using testsupport::ModalAnswerer;

namespace {

// A dialog that records what the framework tells it.
class RecordingDialog : public fw::CDialog
{
public:
    using fw::CDialog::CDialog;

    bool OnInitDialog() override
    {
        ++initCount;
        controlsAtInit = GetDlgItem(1) != nullptr || GetDlgItem(3008) != nullptr;
        return CDialog::OnInitDialog();
    }
    void OnOK() override
    {
        ++okCount;
        CDialog::OnOK();
    }
    bool OnCommand(int id, int notification) override
    {
        commands.emplace_back(id, notification);
        if (onCommand)
            onCommand(id, notification);
        return CDialog::OnCommand(id, notification);
    }

    int initCount = 0;
    int okCount = 0;
    bool controlsAtInit = false;
    std::vector<std::pair<int, int>> commands;
    std::function<void(int, int)> onCommand;
};

// An element window: Enter and Escape close nothing.
class ElementDialog : public RecordingDialog
{
public:
    void OnOK() override {}
    void OnCancel() override {}
};

class DialogTest : public ::testing::Test
{
protected:
    CurrentLanguageGuard m_language{testsupport::englishLibrary()};
};

QAbstractButton* button(fw::CDialog& dialog, int id)
{
    return dialog.GetDlgItemAs<QAbstractButton>(id);
}

void pressKey(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

TEST_F(DialogTest, ChildWindowIsBuiltFromItsTemplate)
{
    QWidget host;
    host.resize(500, 400);
    RecordingDialog event;
    ASSERT_TRUE(event.Create(2135, &host));

    EXPECT_TRUE(event.IsWindowCreated());
    EXPECT_EQ(event.GetTemplateId(), 2135u);
    EXPECT_EQ(event.GetParent(), &host);
    EXPECT_FALSE(event.isWindow());
    EXPECT_TRUE(event.isHidden()); // shown by its creator
    EXPECT_EQ(event.initCount, 1);
    EXPECT_TRUE(event.controlsAtInit);
    EXPECT_NE(event.GetDlgItemAs<QComboBox>(3008), nullptr);
    EXPECT_EQ(event.GetDlgItem(4711), nullptr);
    EXPECT_EQ(event.GetClientRect(), fw::CRect(0, 0, 372, 28));

    event.DestroyWindow();
    EXPECT_FALSE(event.IsWindowCreated());
    EXPECT_EQ(event.GetDlgItem(3008), nullptr);
    ASSERT_TRUE(event.Create(2135, &host));
    EXPECT_EQ(event.initCount, 2);
    EXPECT_NE(event.GetDlgItem(3008), nullptr);
}

TEST_F(DialogTest, ControlsOfAChildDialogBelongToTheChild)
{
    QWidget host;
    RecordingDialog pair;
    RecordingDialog action;
    ASSERT_TRUE(pair.Create(2134, &host));
    ASSERT_TRUE(action.Create(2133, &pair));
    EXPECT_NE(action.GetDlgItem(3001), nullptr);
    EXPECT_EQ(pair.GetDlgItem(3001), nullptr);

    // The pair's window takes its children's windows with it; the objects stay.
    pair.DestroyWindow();
    EXPECT_FALSE(action.IsWindowCreated());
}

TEST_F(DialogTest, MissingTemplateAnswersMinusOneAndShowsNothing)
{
    RecordingDialog missing(4711);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(missing.initCount, 0);
    EXPECT_FALSE(missing.isVisible());

    QWidget host;
    EXPECT_FALSE(missing.Create(4711, &host));

    CurrentLanguageGuard none(nullptr);
    RecordingDialog timer(2151);
    EXPECT_EQ(timer.DoModal(), -1);
    EXPECT_EQ(timer.initCount, 0);
}

TEST_F(DialogTest, ModalSeamAnswersWithTheButtonsPressed)
{
    QWidget owner;
    RecordingDialog dialog(2151, &owner);
    {
        ModalAnswerer answer([](fw::CDialog& shown) {
            // The hook sees a built, initialised, visible dialog owned by `owner`.
            EXPECT_TRUE(shown.isVisible());
            EXPECT_EQ(static_cast<RecordingDialog&>(shown).initCount, 1);
            button(shown, fw::IDOK)->click();
        });
        EXPECT_EQ(dialog.DoModal(), fw::IDOK);
        EXPECT_EQ(answer.answered(), std::vector<unsigned>{2151});
    }
    EXPECT_EQ(dialog.okCount, 1);
    EXPECT_FALSE(dialog.IsWindowCreated());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.GetParent(), &owner);

    {
        ModalAnswerer answer([](fw::CDialog& shown) { button(shown, fw::IDCANCEL)->click(); });
        EXPECT_EQ(dialog.DoModal(), fw::IDCANCEL);
    }
    {
        // Left open by the hook: closed as the window's close button closes it.
        ModalAnswerer answer([](fw::CDialog&) {});
        EXPECT_EQ(dialog.DoModal(), fw::IDCANCEL);
    }
    EXPECT_EQ(dialog.initCount, 3);
    EXPECT_EQ(dialog.okCount, 1);
}

TEST_F(DialogTest, NestedModalDialogsAreAnsweredInTurn)
{
    RecordingDialog outer(2149);
    int innerResult = 0;
    outer.onCommand = [&](int id, int notification) {
        if (id == 3021 && notification == fw::BN_CLICKED) {
            RecordingDialog inner(2151, &outer);
            innerResult = inner.DoModal();
        }
    };
    ModalAnswerer answer([](fw::CDialog& shown) {
        if (shown.GetTemplateId() == 2149) {
            button(shown, 3021)->click();
            button(shown, fw::IDCANCEL)->click();
        } else {
            shown.SetDlgItemText(3018, "12");
            button(shown, fw::IDOK)->click();
        }
    });
    EXPECT_EQ(outer.DoModal(), fw::IDCANCEL);
    EXPECT_EQ(innerResult, fw::IDOK);
    EXPECT_EQ(answer.answered(), (std::vector<unsigned>{2149, 2151}));
}

TEST_F(DialogTest, ExceptionFromTheHookLeavesDoModalAndTheDialogReusable)
{
    RecordingDialog dialog(2151);
    {
        ModalAnswerer answer([](fw::CDialog&) { throw std::runtime_error("test"); });
        EXPECT_THROW(dialog.DoModal(), std::runtime_error);
    }
    EXPECT_FALSE(dialog.IsWindowCreated());
    ModalAnswerer answer([](fw::CDialog& shown) { button(shown, fw::IDOK)->click(); });
    EXPECT_EQ(dialog.DoModal(), fw::IDOK);
}

TEST_F(DialogTest, ControlsReportTheirNotificationsByControlId)
{
    RecordingDialog event;
    ASSERT_TRUE(event.Create(2135, nullptr));
    event.show();
    event.activateWindow();
    QApplication::processEvents();

    button(event, 3001)->click();
    EXPECT_EQ(event.commands.back(), std::make_pair(3001, int(fw::BN_CLICKED)));

    fw::CComboBox list = event.GetComboBox(3008);
    list.AddString("Off");
    list.AddString("On");
    event.commands.clear();
    list.SetCurSel(1); // the program's own selection is no user choice
    EXPECT_TRUE(event.commands.empty());
    chooseEntry(list.combo(), 0);
    EXPECT_EQ(event.commands.back(), std::make_pair(3008, int(fw::CBN_SELCHANGE)));

    event.commands.clear();
    list.combo()->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(list.combo()->hasFocus());
    button(event, 3010)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(event.commands, (std::vector<std::pair<int, int>>{{3008, fw::CBN_KILLFOCUS}}));

    // Opening the list is no loss of focus.
    list.combo()->setFocus();
    list.ShowDropDown(true);
    EXPECT_EQ(event.commands.back(), std::make_pair(3008, int(fw::CBN_DROPDOWN)));
    list.ShowDropDown(false);
    EXPECT_EQ(event.commands.size(), 2u);
}

TEST_F(DialogTest, EnterAndEscapeGoThroughOkAndCancel)
{
    QWidget host;
    ElementDialog element;
    ASSERT_TRUE(element.Create(2133, &host));
    element.show();
    pressKey(&element, Qt::Key_Return);
    pressKey(&element, Qt::Key_Escape);
    EXPECT_EQ(element.commands, (std::vector<std::pair<int, int>>{{fw::IDOK, fw::BN_CLICKED},
                                                                  {fw::IDCANCEL, fw::BN_CLICKED}}));
    EXPECT_TRUE(element.IsWindowCreated());
    EXPECT_FALSE(element.isHidden());

    RecordingDialog modal(2151);
    ModalAnswerer answer([](fw::CDialog& shown) { pressKey(&shown, Qt::Key_Escape); });
    EXPECT_EQ(modal.DoModal(), fw::IDCANCEL);
}

TEST_F(DialogTest, ComboBoxOperationsFollowTheFramework)
{
    QWidget host;
    RecordingDialog dialog;
    ASSERT_TRUE(dialog.Create(2150, &host));
    fw::CComboBox list = dialog.GetComboBox(3016);
    ASSERT_TRUE(list.isValid());

    EXPECT_EQ(list.GetCurSel(), fw::CB_ERR);
    EXPECT_EQ(list.AddString("Analog input 53"), 0);
    EXPECT_EQ(list.AddString("Analog input"), 1);
    EXPECT_EQ(list.AddString("Motor speed"), 2);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetLBText(2), "Motor speed");

    EXPECT_EQ(list.SetCurSel(2), 2);
    EXPECT_EQ(list.GetCurSel(), 2);
    EXPECT_EQ(list.SetCurSel(7), fw::CB_ERR);
    EXPECT_EQ(list.GetCurSel(), fw::CB_ERR);

    int item = 42;
    EXPECT_EQ(list.GetItemDataPtr(1), nullptr);
    EXPECT_EQ(list.SetItemDataPtr(1, &item), 0);
    EXPECT_EQ(list.GetItemDataPtr(1), &item);
    EXPECT_EQ(list.SetItemData(2, 7), 0);
    EXPECT_EQ(list.GetItemData(2), 7u);
    EXPECT_EQ(list.SetItemData(3, 1), fw::CB_ERR);
    EXPECT_EQ(list.GetItemDataPtr(3), nullptr);

    // Prefix search from the start, case-insensitive, wrapping round.
    EXPECT_EQ(list.FindString(-1, "analog input"), 0);
    EXPECT_EQ(list.FindString(0, "ANALOG INPUT"), 1);
    EXPECT_EQ(list.FindString(1, "analog"), 0);
    EXPECT_EQ(list.FindString(-1, "motor"), 2);
    EXPECT_EQ(list.FindString(-1, "speed"), fw::CB_ERR);

    // A control that is no combo box, or none at all, answers CB_ERR.
    fw::CComboBox notAList = dialog.GetComboBox(3019);
    EXPECT_FALSE(notAList.isValid());
    EXPECT_EQ(notAList.AddString("x"), fw::CB_ERR);
    EXPECT_EQ(dialog.GetComboBox(4711).GetCurSel(), fw::CB_ERR);
}

TEST_F(DialogTest, TextsReachTheControlsByNumber)
{
    QWidget host;
    RecordingDialog timer;
    ASSERT_TRUE(timer.Create(2151, &host));
    timer.SetDlgItemText(-1, "[ms]");
    EXPECT_EQ(timer.GetDlgItemText(-1), "[ms]");
    EXPECT_EQ(timer.GetDlgItemAs<QLabel>(-1)->text(), "[ms]");
    timer.SetDlgItemText(-1, "<b>°C</b>");
    EXPECT_EQ(timer.GetDlgItemAs<QLabel>(-1)->textFormat(), Qt::PlainText);

    timer.SetDlgItemText(3018, "1,234.5");
    EXPECT_EQ(timer.GetDlgItemAs<QLineEdit>(3018)->text(), "1,234.5");
    EXPECT_EQ(timer.GetDlgItemText(3018), "1,234.5");
    timer.SetWindowText("Timer 3");
    EXPECT_EQ(timer.windowTitle(), "Timer 3");

    timer.EnableDlgItem(3018, false);
    EXPECT_FALSE(timer.GetDlgItem(3018)->isEnabled());
    timer.ShowDlgItem(fw::IDOK, false);
    EXPECT_TRUE(timer.GetDlgItem(fw::IDOK)->isHidden());
    timer.SetDlgItemText(4711, "nowhere"); // reported, ignored
    EXPECT_EQ(timer.GetDlgItemText(4711), "");
}

TEST_F(DialogTest, GeometryIsCountedInParentAndScreenCoordinates)
{
    QWidget host;
    host.setGeometry(100, 50, 600, 400);
    host.show();
    RecordingDialog pair;
    ASSERT_TRUE(pair.Create(2134, &host));
    pair.show();
    pair.MoveWindow(40, 28, pair.width(), pair.height());

    const fw::CRect screen = pair.GetWindowRect();
    const QPoint hostOrigin = host.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(screen.TopLeft(), hostOrigin + QPoint(40, 28));
    EXPECT_EQ(screen.Width(), 400);
    EXPECT_EQ(screen.Height(), 76);

    pair.SetWindowPos(0, 0, pair.width(), 200, fw::SWP_NOMOVE | fw::SWP_NOZORDER);
    EXPECT_EQ(pair.geometry(), QRect(40, 28, 400, 200));
    pair.SetWindowPos(5, 6, 0, 0, fw::SWP_NOSIZE);
    EXPECT_EQ(pair.geometry(), QRect(5, 6, 400, 200));

    RecordingDialog event;
    ASSERT_TRUE(event.Create(2135, &host));
    EXPECT_EQ(event.GetDlgItemRect(3008), fw::CRect(50, 1, 260, 27));
    fw::CRect grown = event.GetDlgItemRect(3008);
    grown.InflateRect(10);
    EXPECT_EQ(grown, fw::CRect(40, -9, 270, 37));
}

TEST_F(DialogTest, WindowsPaintWhiteBackgrounds)
{
    class FramedDialog : public RecordingDialog
    {
    public:
        void OnEraseBkgnd(QPainter& painter) override
        {
            fw::paintWhiteBackground(painter, rect(), true);
        }
    };
    QWidget host;
    RecordingDialog plain;
    FramedDialog framed;
    ASSERT_TRUE(plain.Create(2134, &host));
    ASSERT_TRUE(framed.Create(2134, &host));

    const QImage white = plain.grab().toImage();
    EXPECT_EQ(white.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(white.pixelColor(200, 40), QColor(Qt::white));

    const QImage frame = framed.grab().toImage();
    EXPECT_EQ(frame.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(frame.pixelColor(399, 75), QColor(Qt::black));
    EXPECT_EQ(frame.pixelColor(200, 0), QColor(Qt::black));
    EXPECT_EQ(frame.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(frame.pixelColor(200, 40), QColor(Qt::white));
}

// A timer-like dialog: a text field checked for letters, a number checked for range.
class ValueDialog : public RecordingDialog
{
public:
    using RecordingDialog::RecordingDialog;

    void DoDataExchange(fw::CDataExchange& dx) override
    {
        fw::DDX_Text(dx, 3018, text);
        if (dx.m_bSaveAndValidate) {
            if (text.find_first_not_of("0123456789.-") != std::string::npos)
                dx.Fail();
            value = std::stod(text.empty() ? "0" : text);
        }
        fw::DDV_MinMaxDouble(dx, value, 0.0, 3600.9);
    }

    std::string text = "5";
    double value = 5.0;
};

TEST_F(DialogTest, FailedExchangeFocusesAndSelectsTheField)
{
    testsupport::MessageBoxRecorder messages;
    ValueDialog dialog;
    ASSERT_TRUE(dialog.Create(2151, nullptr));
    dialog.show();
    auto* field = dialog.GetDlgItemAs<QLineEdit>(3018);
    EXPECT_EQ(field->text(), "5"); // loaded at OnInitDialog

    dialog.GetDlgItem(fw::IDOK)->setFocus();
    field->setText("12x");
    EXPECT_FALSE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.focusWidget(), field);
    EXPECT_EQ(field->selectedText(), "12x");
    EXPECT_TRUE(messages.shown().empty());

    field->setText("4000");
    EXPECT_FALSE(dialog.UpdateData(true));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Enter a number between 0 and 3600.9.");
    EXPECT_EQ(messages.shown()[0].type, unsigned(fw::MB_OK));
    EXPECT_EQ(field->selectedText(), "4000");

    field->setText("3600.9");
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_DOUBLE_EQ(dialog.value, 3600.9);

    // Loading checks nothing.
    dialog.text = "9999";
    dialog.value = 9999;
    EXPECT_TRUE(dialog.UpdateData(false));
    EXPECT_EQ(field->text(), "9999");
    EXPECT_EQ(messages.shown().size(), 1u);
}

TEST_F(DialogTest, OkWithAFailingExchangeKeepsTheDialogOpen)
{
    testsupport::MessageBoxRecorder messages;
    ValueDialog dialog(2151);
    ModalAnswerer answer([](fw::CDialog& shown) {
        shown.SetDlgItemText(3018, "-1");
        button(shown, fw::IDOK)->click();
        EXPECT_FALSE(shown.IsEnded());
        EXPECT_TRUE(shown.isVisible());
        shown.SetDlgItemText(3018, "60");
        button(shown, fw::IDOK)->click();
    });
    EXPECT_EQ(dialog.DoModal(), fw::IDOK);
    EXPECT_EQ(dialog.okCount, 2);
    EXPECT_DOUBLE_EQ(dialog.value, 60.0);
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(fw::rangeMessage(-2.5, 1e6), "Enter a number between -2.5 and 1000000.");
}

} // namespace
