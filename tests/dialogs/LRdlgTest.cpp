// The logic rule dialog over the sample drive: lists, object buttons, the gate
// diagram, writing the rule, the reference check and the nested editors.

#include "dialogs/EditorDialogFixture.h"

#include "Dialogs/LRdlg.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Program.h"

#include "framework/widgets/Geometry.h"
#include "framework/widgets/Messages.h"
#include "languages/common/NEBPTResources.h"

#include <array>

using namespace editortest;
using testsupport::chooseEntry;
using testsupport::click;

namespace {

using namespace res;
constexpr int kOperand[3] = {IDC_LR_OPERAND_1, IDC_LR_OPERAND_1 + 1, IDC_LR_OPERAND_1 + 2};
constexpr int kOperator[2] = {IDC_LR_OPERATOR_1, IDC_LR_OPERATOR_1 + 1};
constexpr int kButton[3] = {IDC_LR_OPERAND_BUTTON_1, IDC_LR_OPERAND_BUTTON_1 + 1,
                            IDC_LR_OPERAND_BUTTON_1 + 2};
// What one operator kind shows (1: shown): negation on the first input, negation on
// the second input, AND gate, OR gate. Indexed by the operator value 0..8 (DISABLED,
// AND, OR, AND NOT, OR NOT, NOT AND, NOT OR, NOT AND NOT, NOT OR NOT).
const std::string kExpected[9] = {"0000", "0010", "0001", "0110", "0101",
                                  "1010", "1001", "1110", "1101"};

bool shown(const fw::CDialog& dialog, int id)
{
    QWidget* control = dialog.GetDlgItem(id);
    EXPECT_NE(control, nullptr) << "control " << id;
    return control != nullptr && !control->isHidden();
}

std::string operatorPictures(const fw::CDialog& d, int n)
{
    std::string pictures;
    for (int id : n == 1 ? std::array{IDC_LR_OP1_NOT_FIRST, IDC_LR_OP1_NOT_SECOND, IDC_LR_OP1_AND,
                                      IDC_LR_OP1_OR}
                         : std::array{IDC_LR_OP2_NOT_FIRST, IDC_LR_OP2_NOT_SECOND, IDC_LR_OP2_AND,
                                      IDC_LR_OP2_OR})
        pictures += shown(d, id) ? '1' : '0';
    return pictures;
}

// The one diagram variant shown: one, two or three operands.
int visibleVariant(const fw::CDialog& dialog)
{
    int visible = 0;
    for (int id : {IDC_LR_VARIANT_ONE, IDC_LR_VARIANT_TWO, IDC_LR_VARIANT_THREE})
        if (shown(dialog, id)) {
            EXPECT_EQ(visible, 0) << "two diagram variants visible";
            visible = id;
        }
    return visible;
}

// The pictures of operators `first` and `second` and the diagram variant they need.
void expectDiagram(const fw::CDialog& d, int first, int second)
{
    EXPECT_EQ(operatorPictures(d, 1), kExpected[first]) << first;
    EXPECT_EQ(operatorPictures(d, 2), kExpected[second]) << second;
    EXPECT_EQ(visibleVariant(d), first == 0    ? IDC_LR_VARIANT_ONE
                                 : second == 0 ? IDC_LR_VARIANT_TWO
                                               : IDC_LR_VARIANT_THREE);
}

struct LRdlgTest : EditorFixture
{
    // Stores logic rule r on the drive before the program is read: operand 1,
    // operator 1, operand 2, operator 2, operand 3 (parameters 1320..1324). The
    // operand value of comparator i is 22 + i, of logic rule i 28 + i, of timeout
    // i 34 + i; each list shows the items in the order of their values. In the
    // sample, rule 1 uses rule 0 and rule 2 is empty.
    void storeRule(int r, const Strings& values)
    {
        for (size_t i = 0; i < values.size(); ++i)
            host.setValue(1320 + i, r, values[i]);
    }

    CNEB_LogicRule& rule(int r) { return manager->getNEBProgram().getLogicRule(r); }

    int run(int r, const Answer& answer) { return runDialog<CLRdlg>(rule(r), answer); }
};

TEST_F(LRdlgTest, OpensOverItsParentWithEveryChoiceListed)
{
    connect();
    QWidget window;
    window.setGeometry(300, 200, 500, 400);
    QWidget box(&window); // as an event box in the flow: a child window, without a frame
    box.setGeometry(30, 40, 100, 50);
    window.show();
    // The dialog's window rectangle, frame included, 20 pixels right of and below
    // the parent's: the box's own, or the frame of a window (a nested dialog).
    runDialog<CLRdlg>(
        rule(2),
        [&](fw::CDialog& d) {
            EXPECT_EQ(d.frameGeometry().topLeft(),
                      window.frameGeometry().topLeft() + QPoint(20, 20));
        },
        &window);
    runDialog<CLRdlg>(
        rule(2),
        [&](fw::CDialog& d) {
            EXPECT_EQ(d.frameGeometry().topLeft(), QPoint(350, 260));
            EXPECT_NE(d.frameGeometry(), d.geometry()) << "the dialog has a frame";
            EXPECT_EQ(d.GetWindowText(), rule(2).getName());
            for (int id : kOperand)
                EXPECT_EQ(combo(d, id)->count(), 42) << id;
            for (int id : kOperator)
                EXPECT_EQ(entries(d, id).back(), "NOT OR NOT") << id;
            for (int id : kButton)
                EXPECT_FALSE(shown(d, id)) << "\"False\" refers to no object";
        },
        &box);
    EXPECT_EQ(shownDialogs, (std::vector<unsigned>{CLRdlg::IDD}));
    EXPECT_TRUE(writes().empty()) << "closing without OK writes nothing";
}

TEST_F(LRdlgTest, DiagramFollowsEveryOperatorKindAtOpeningAndOnChoice)
{
    // At opening, from the stored operators: three operands, one, two.
    for (const auto& [first, second] : {std::pair{7, 2}, {0, 2}, {3, 0}}) {
        storeRule(0, {"0", std::to_string(first), "0", std::to_string(second)});
        connect();
        run(0, [&](fw::CDialog& d) { expectDiagram(d, first, second); });
    }
    // Choosing every operator in turn, for either operator, as the user does.
    run(0, [&](fw::CDialog& d) {
        for (int n = 1; n <= 2; ++n) {
            for (int k : {8, 0, 1, 2, 3, 4, 5, 6, 7, 8}) {
                SCOPED_TRACE("operator " + std::to_string(n) + " value " + std::to_string(k));
                chooseEntry(combo(d, kOperator[n - 1]), k);
                const int other = combo(d, kOperator[2 - n])->currentIndex();
                expectDiagram(d, n == 1 ? k : other, n == 1 ? other : k);
            }
        }
    });
    EXPECT_TRUE(writes().empty()) << "choosing writes nothing";
}

TEST_F(LRdlgTest, OkWritesTheWholeRuleOnceEvenUnchanged)
{
    storeRule(2, {"35", "1", "25", "4", "0"});
    connect();
    EXPECT_EQ(run(2, [](fw::CDialog& d) { clickOk(d); }), fw::IDOK);
    EXPECT_EQ(writes(), (Writes{{"1320.2=35", "1321.2=1", "1322.2=25", "1323.2=4", "1324.2=0"}}))
        << "written also when unchanged";

    host.clearCalls();
    EXPECT_EQ(fw::IDOK, run(0, [](fw::CDialog& d) {
                  chooseEntry(combo(d, kOperand[0]), 22); // Comparator 0
                  chooseEntry(combo(d, kOperand[1]), 34); // Timeout 0
                  chooseEntry(combo(d, kOperand[2]), 30); // Logic rule 2
                  chooseEntry(combo(d, kOperator[0]), 3); // AND NOT
                  chooseEntry(combo(d, kOperator[1]), 6); // NOT OR
                  clickOk(d);
              }));
    EXPECT_EQ(writes(), (Writes{{"1320.0=22", "1321.0=3", "1322.0=34", "1323.0=6", "1324.0=30"}}));
    EXPECT_TRUE(messages.shown().empty());
}

// A list without a selection fails the command that reads it (logged, naming the
// dialog and the list): OK and an object button leave the dialog open and write
// nothing.
TEST_F(LRdlgTest, AListWithoutSelectionFailsOkAndTheObjectButtonsWithoutWriting)
{
    storeRule(0, {"37", "1", "23", "1", "30"}); // every operand has its editor
    connect();
    for (const auto& [cleared, pressed] : {std::pair{kOperand[1], int(fw::IDOK)},
                                           {kOperator[0], int(fw::IDOK)},
                                           {kOperand[2], kButton[0]}}) {
        SCOPED_TRACE(cleared);
        const size_t logged = logLines().size();
        run(0, [&](fw::CDialog& d) {
            d.GetComboBox(cleared).SetCurSel(-1);
            click(d, pressed);
            EXPECT_FALSE(d.IsEnded());
        });
        ASSERT_EQ(logLines().size(), logged + 1);
        EXPECT_NE(logLines().back().find(" Dialogs/LRdlg.cpp " + std::to_string(cleared)),
                  std::string::npos);
    }
    EXPECT_EQ(shownDialogs, (std::vector<unsigned>{CLRdlg::IDD})) << "no editor opened";
    EXPECT_TRUE(writes().empty());
}

TEST_F(LRdlgTest, OperandReferringBackIsRefusedAfterWritingAndOpensNoEditor)
{
    connect();
    EXPECT_EQ(fw::IDOK, run(0, [&](fw::CDialog& d) {
                  chooseEntry(combo(d, kOperand[1]), 29); // Logic rule 1 as operand 2
                  clickOk(d);
                  EXPECT_FALSE(d.IsEnded());
                  ASSERT_EQ(messages.shown().size(), 1u);
                  EXPECT_EQ(messages.shown()[0].text,
                            fw::loadString(IDS_RULES_REFER_TO_EACH_OTHER));
                  EXPECT_EQ(host.value(1322, 0), "29") << "the rule is written before the check";
                  chooseEntry(combo(d, kOperand[1]), 30); // Logic rule 2: free of loops
                  clickOk(d);
              }));
    EXPECT_EQ(host.value(1322, 0), "30");

    // The button of an operand referring back tells the same and opens nothing.
    run(0, [](fw::CDialog& d) {
        chooseEntry(combo(d, kOperand[0]), 29); // Logic rule 1
        click(d, kButton[0]);
    });
    EXPECT_EQ(shownDialogs, (std::vector<unsigned>{CLRdlg::IDD}));
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(writes().size(), 3u);
}

TEST_F(LRdlgTest, ObjectButtonsFollowTheirOperandAndOpenItsEditorAfterWriting)
{
    storeRule(0, {"37", "1", "23", "1", "30"});
    storeRule(2, {"22", "0"});
    connect();
    fw::CDialog* outer = nullptr;
    std::vector<std::string> titles;
    run(0, [&](fw::CDialog& d) {
        if (outer) { // a nested editor, left open and closed by the seam
            EXPECT_EQ(d.GetParent(), outer);
            EXPECT_EQ(host.value(1321, 0), "2") << "the rule was written before it opened";
            titles.push_back(d.GetWindowText());
            return;
        }
        outer = &d;
        for (int id : kButton)
            EXPECT_TRUE(shown(d, id) && d.GetDlgItem(id)->isEnabled()) << id;
        // A choice that refers to nothing hides its button; choosing back shows it.
        chooseEntry(combo(d, kOperand[1]), 2);
        EXPECT_FALSE(shown(d, kButton[1]) || d.GetDlgItem(kButton[1])->isEnabled());
        chooseEntry(combo(d, kOperand[1]), 23); // Comparator 1
        EXPECT_TRUE(shown(d, kButton[1]) && d.GetDlgItem(kButton[1])->isEnabled());

        chooseEntry(combo(d, kOperator[0]), 2); // OR, unsaved so far
        for (int id : kButton)
            click(d, id);
    });
    EXPECT_EQ(shownDialogs,
              (std::vector<unsigned>{IDD_LOGIC_RULE, IDD_TIMER, IDD_COMPARATOR, IDD_LOGIC_RULE}));
    EXPECT_EQ(titles, (Strings{"Timer 3", "Comparator 1", rule(2).getName()}));
    EXPECT_EQ(writes().size(), 3u) << "each button writes the rule";
}

TEST_F(LRdlgTest, SelectsFirstEntryBeginningWithTheStoredText)
{
    // "Timeout 1" begins "Timeout 10", which comes first; the match ignores case.
    host.parameter(1320).choices = {"0:False", "40:timeout 10", "35:Timeout 1", "36:Timeout 2"};
    storeRule(0, {"35"});
    storeRule(1, {"36"});
    connect();
    run(0, [&](fw::CDialog& d) { EXPECT_EQ(combo(d, kOperand[0])->currentIndex(), 1); });
    run(1, [&](fw::CDialog& d) { EXPECT_EQ(combo(d, kOperand[0])->currentIndex(), 3); });
}

} // namespace
