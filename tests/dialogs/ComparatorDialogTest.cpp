#include "dialogs/EditorDialogFixture.h"

#include "Dialogs/Compdlg.h"
#include "Settings_Manager/CNEB_Comparator.h"

#include <QImage>

using namespace editortest;
using testsupport::ModalAnswerer;

namespace {

class ComparatorDialogTest : public EditorFixture
{
protected:
    int runComparator(unsigned long k, const std::function<void(CCompdlg&)>& answer)
    {
        ModalAnswerer answerer([&](fw::CDialog& d) { answer(static_cast<CCompdlg&>(d)); });
        CCompdlg dialog(*manager, manager->getNEBProgram().getComparator(k), nullptr);
        return dialog.DoModal();
    }

    std::string shownText(unsigned long k)
    {
        std::string text;
        runComparator(k, [&](CCompdlg& d) { text = d.GetDlgItemText(CCompdlg::IDC_VALUE); });
        return text;
    }

    // Types `text`, clicks OK and tells whether the dialog closed; when it stays
    // open, also whether the value field has the focus with all its text selected.
    struct Typed
    {
        int result = 0;
        bool ended = false;
        bool fieldFocusedAndSelected = false;
    };
    Typed typeValue(unsigned long k, const std::string& text)
    {
        Typed typed;
        typed.result = runComparator(k, [&](CCompdlg& d) {
            typeAndOk(d, CCompdlg::IDC_VALUE, text);
            typed.ended = d.IsEnded();
            QLineEdit* field = edit(d, CCompdlg::IDC_VALUE);
            typed.fieldFocusedAndSelected =
                d.focusWidget() == field && field->selectedText().toStdString() == text;
        });
        return typed;
    }

    // The colour of the diagram at a point of the dialog's client area.
    static QColor pixel(CCompdlg& d, QPoint point) { return d.grab().toImage().pixelColor(point); }
    // The left edge of the frame around control `id`, halfway down.
    static QPoint frameLeft(CCompdlg& d, int id)
    {
        const fw::CRect r = d.GetDlgItemRect(id);
        return {r.left - 10, r.top + r.Height() / 2};
    }
};

const QColor kBlack(0, 0, 0);
const QColor kGrey(150, 150, 150);

TEST_F(ComparatorDialogTest, OpensWithTitleListsAndValue)
{
    host.setValue(kCompOperand, 2, "3");
    host.setValue(kCompOperator, 2, "2");
    host.setValue(kCompValue, 2, "-12.25");
    connect();
    std::string title, value, operand, op;
    Strings operands, operators;
    runComparator(2, [&](CCompdlg& d) {
        title = d.GetWindowText();
        value = d.GetDlgItemText(CCompdlg::IDC_VALUE);
        operand = d.GetDlgItemText(CCompdlg::IDC_OPERAND);
        op = d.GetDlgItemText(CCompdlg::IDC_OPERATOR);
        operands = entries(d, CCompdlg::IDC_OPERAND);
        operators = entries(d, CCompdlg::IDC_OPERATOR);
    });
    EXPECT_EQ(title, "Comparator 2");
    EXPECT_EQ(value, "-12.250");
    EXPECT_EQ(operands, (Strings{"Disabled", "Reference", "Motor speed", "Motor current"}));
    EXPECT_EQ(operators, (Strings{"Less than", "Approx. equal", "Greater than"}));
    EXPECT_EQ(operand, "Motor speed");
    EXPECT_EQ(op, "Greater than");
}

TEST_F(ComparatorDialogTest, OkWithoutChangeWritesNothing)
{
    host.setValue(kCompOperand, 0, "1");
    host.setValue(kCompValue, 0, "1234.5");
    host.parameter(kCompValue).decimals = "2";
    connect();
    EXPECT_EQ(shownText(0), "1,234.50");
    EXPECT_EQ(runComparator(0, [](CCompdlg& d) { clickOk(d); }), fw::IDCANCEL);
    const Typed typed = typeValue(0, "1,234.50");
    EXPECT_EQ(typed.result, fw::IDCANCEL) << "the shown text reads back as the same value";
    EXPECT_TRUE(typed.ended);
    EXPECT_TRUE(writes().empty());
}

TEST_F(ComparatorDialogTest, ChangesAreWrittenOnceAndReread)
{
    host.setValue(kCompOperand, 1, "1");
    connect();
    EXPECT_EQ(runComparator(1,
                            [](CCompdlg& d) {
                                testsupport::chooseEntry(combo(d, CCompdlg::IDC_OPERATOR), 2);
                                typeAndOk(d, CCompdlg::IDC_VALUE, "-1,500.5");
                            }),
              fw::IDOK);
    ASSERT_EQ(writes().size(), 1u);
    const Strings written = writes()[0];
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[0], "1310.1=1");
    EXPECT_EQ(written[1], "1311.1=2");
    EXPECT_DOUBLE_EQ(std::stod(written[2].substr(written[2].find('=') + 1)), -1500.5);
    EXPECT_GT(readsAfterWrite(), 0u);
    CNEB_Comparator& comparator = manager->getNEBProgram().getComparator(1);
    EXPECT_EQ(comparator.getOperatorItem().getID(), 2u);
    EXPECT_DOUBLE_EQ(comparator.getValue(), -1500.5);
}

TEST_F(ComparatorDialogTest, NoDecimalsStillShowsTheDecimalPoint)
{
    host.setValue(kCompValue, 0, "5");
    host.parameter(kCompValue).decimals = "0";
    connect();
    EXPECT_EQ(shownText(0), "5.");
}

TEST_F(ComparatorDialogTest, MalformedTextIsRejectedInTheField)
{
    host.setValue(kCompOperand, 0, "1");
    connect();
    for (const std::string text : {"1.2.3", "12-", "--12", "1-2"}) {
        const Typed typed = typeValue(0, text);
        EXPECT_FALSE(typed.ended) << text;
        EXPECT_TRUE(typed.fieldFocusedAndSelected) << text;
        EXPECT_EQ(typed.result, fw::IDCANCEL) << text;
    }
    EXPECT_TRUE(messages.shown().empty()) << "malformed text shows no message";
    EXPECT_TRUE(writes().empty());
}

TEST_F(ComparatorDialogTest, DigitsThenLettersAndLettersOnly)
{
    host.setValue(kCompOperand, 0, "1");
    host.setValue(kCompValue, 0, "7");
    connect();
    EXPECT_EQ(typeValue(0, "abc").result, fw::IDCANCEL) << "letters only keep the shown value";
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(typeValue(0, "-42xyz").result, fw::IDOK);
    EXPECT_DOUBLE_EQ(manager->getNEBProgram().getComparator(0).getValue(), -42.0);
}

TEST_F(ComparatorDialogTest, ValueOutsideTheLimitsShowsTheRangeMessage)
{
    host.setValue(kCompOperand, 0, "1");
    connect();
    const Typed typed = typeValue(0, "100,000.5");
    EXPECT_FALSE(typed.ended);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Enter a number between -100000 and 100000.");
    EXPECT_TRUE(writes().empty());
}

TEST_F(ComparatorDialogTest, DisablingOperandGreysAndDisables)
{
    host.setValue(kCompOperand, 0, "1");
    connect();
    runComparator(0, [](CCompdlg& d) {
        QComboBox* operands = combo(d, CCompdlg::IDC_OPERAND);
        EXPECT_FALSE(d.isOperandDisabled());
        EXPECT_EQ(pixel(d, frameLeft(d, CCompdlg::IDC_VALUE)), kBlack);

        testsupport::chooseEntry(operands, 0); // "Disabled"
        EXPECT_TRUE(d.isOperandDisabled());
        EXPECT_FALSE(d.GetDlgItem(CCompdlg::IDC_OPERATOR)->isEnabled());
        EXPECT_FALSE(d.GetDlgItem(CCompdlg::IDC_VALUE)->isEnabled());
        EXPECT_EQ(pixel(d, frameLeft(d, CCompdlg::IDC_VALUE)), kGrey);
        EXPECT_EQ(pixel(d, frameLeft(d, CCompdlg::IDC_OPERAND)), kBlack)
            << "the operand frame stays black";
        const fw::CRect op = d.GetDlgItemRect(CCompdlg::IDC_OPERATOR);
        EXPECT_EQ(pixel(d, QPoint(op.right + 10 - 1, op.top)), kGrey) << "operator frame";

        testsupport::chooseEntry(operands, 2); // "Motor speed"
        EXPECT_FALSE(d.isOperandDisabled());
        EXPECT_TRUE(d.GetDlgItem(CCompdlg::IDC_OPERATOR)->isEnabled());
        EXPECT_TRUE(d.GetDlgItem(CCompdlg::IDC_VALUE)->isEnabled());
        EXPECT_EQ(pixel(d, frameLeft(d, CCompdlg::IDC_VALUE)), kBlack);
        clickOk(d);
    });
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(writes()[0].at(0), "1310.0=3");
}

TEST_F(ComparatorDialogTest, OpensGreyWhenTheOperandIsDisabled)
{
    connect(); // every comparator of the sample drive starts disabled
    runComparator(4, [](CCompdlg& d) {
        EXPECT_TRUE(d.isOperandDisabled());
        EXPECT_FALSE(d.GetDlgItem(CCompdlg::IDC_VALUE)->isEnabled());
        EXPECT_EQ(pixel(d, frameLeft(d, CCompdlg::IDC_VALUE)), kGrey);
    });
}

TEST_F(ComparatorDialogTest, OperatorWithoutSelectionCancelsWithoutWriting)
{
    host.setValue(kCompOperand, 0, "1");
    connect();
    EXPECT_EQ(runComparator(0,
                            [](CCompdlg& d) {
                                testsupport::chooseEntry(combo(d, CCompdlg::IDC_OPERAND), 3);
                                d.GetComboBox(CCompdlg::IDC_OPERATOR).SetCurSel(-1);
                                clickOk(d);
                            }),
              fw::IDCANCEL);
    EXPECT_TRUE(writes().empty());
}

} // namespace
