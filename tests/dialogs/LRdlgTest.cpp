// The logic rule dialog over the sample drive: lists, object buttons, the gate
// diagram, writing the rule, the reference check and the nested editors.

#include "WidgetTestSupport.h"
#include "support/FakeHost.h"
#include "support/ScratchFolder.h"

#include "DLGManager.h"
#include "Dialogs/LRdlg.h"
#include "EventDispacher.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Program.h"

#include "framework/Resources.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/Messages.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using testsupport::FakeHost;

namespace {

constexpr int kOperand[3] = {3012, 3013, 3014};
constexpr int kOperator[2] = {3015, 3016};
constexpr int kButton[3] = {3021, 3022, 3023};
// Parameters of the sample drive holding operands 1..3 and operators 1..2.
constexpr unsigned long kOperandParameter[3] = {1320, 1322, 1324};
constexpr unsigned long kOperatorParameter[2] = {1321, 1323};

// Values of the sample drive's operand lists.
const std::string kFalse = "0";
std::string comparatorValue(int i)
{
    return std::to_string(22 + i);
}
std::string ruleValue(int i)
{
    return std::to_string(28 + i);
}
std::string timerValue(int i)
{
    return std::to_string(34 + i);
}

// What one operator kind shows, in the order: negation on the first input,
// negation on the second input, AND gate, OR gate. Indexed by the operator
// value 0..8 (DISABLED, AND, OR, AND NOT, OR NOT, NOT AND, NOT OR, NOT AND NOT,
// NOT OR NOT).
struct Pictures
{
    bool notFirst, notSecond, andGate, orGate;
    friend bool operator==(const Pictures&, const Pictures&) = default;
};
const Pictures kExpected[9] = {
    {false, false, false, false}, {false, false, true, false}, {false, false, false, true},
    {false, true, true, false},   {false, true, false, true},  {true, false, true, false},
    {true, false, false, true},   {true, true, true, false},   {true, true, false, true},
};

std::ostream& operator<<(std::ostream& out, const Pictures& p)
{
    return out << "{notFirst " << p.notFirst << ", notSecond " << p.notSecond << ", and "
               << p.andGate << ", or " << p.orGate << "}";
}

bool shown(const fw::CDialog& dialog, int id)
{
    QWidget* control = dialog.GetDlgItem(id);
    EXPECT_NE(control, nullptr) << "control " << id;
    return control != nullptr && !control->isHidden();
}

Pictures operatorPictures(const fw::CDialog& dialog, int n)
{
    if (n == 1)
        return {shown(dialog, 3029), shown(dialog, 3028), shown(dialog, 3000), shown(dialog, 3032)};
    return {shown(dialog, 3031), shown(dialog, 3030), shown(dialog, 3033), shown(dialog, 3034)};
}

int visibleVariant(const fw::CDialog& dialog)
{
    int visible = 0;
    for (int id : {3025, 3026, 3027})
        if (shown(dialog, id)) {
            EXPECT_EQ(visible, 0) << "two diagram variants visible";
            visible = id;
        }
    return visible;
}

QComboBox* list(const fw::CDialog& dialog, int id)
{
    return dialog.GetDlgItemAs<QComboBox>(id);
}

QAbstractButton* button(const fw::CDialog& dialog, int id)
{
    return dialog.GetDlgItemAs<QAbstractButton>(id);
}

class LRdlgTest : public ::testing::Test
{
protected:
    // Stores logic rule r on the drive before the program is read.
    void storeRule(int r, const std::vector<std::string>& operands,
                   const std::vector<std::string>& operators)
    {
        for (size_t i = 0; i < operands.size(); ++i)
            m_host.setValue(kOperandParameter[i], r, operands[i]);
        for (size_t i = 0; i < operators.size(); ++i)
            m_host.setValue(kOperatorParameter[i], r, operators[i]);
    }

    // Connects to the drive and reads the program, as opening the editor does.
    void connect()
    {
        m_dispatcher = std::make_unique<CEventDispacher>(&m_host);
        m_dispatcher->init();
        m_manager = std::make_unique<CDLGManager>(*m_dispatcher);
        m_manager->init();
        m_host.clearCalls();
    }

    CNEB_LogicRule& rule(int r) { return m_manager->getNEBProgram().getLogicRule(r); }

    // Runs the dialog for rule r; `answer` acts as the user on it (and on any
    // nested dialog). Answers DoModal's result.
    int run(int r, std::function<void(fw::CDialog&)> answer, QWidget* parent = nullptr)
    {
        testsupport::ModalAnswerer answerer(std::move(answer));
        CLRdlg dialog(*m_manager, rule(r), parent);
        const int result = dialog.DoModal();
        m_answered = answerer.answered();
        return result;
    }

    // The writes the host received, each as "identifier=value" texts.
    std::vector<std::vector<std::string>> writes() const
    {
        std::vector<std::vector<std::string>> result;
        for (const FakeHost::Call& call : m_host.calls())
            if (call.operation == "WriteParameterValues")
                result.push_back(call.arguments);
        return result;
    }

    testsupport::ScratchFolder m_scratch;
    testsupport::TempFolderGuard m_tmp{m_scratch.path()};
    testsupport::CurrentLanguageGuard m_language{testsupport::englishLibrary()};
    testsupport::MessageBoxRecorder m_messages;
    FakeHost m_host = FakeHost::sampleDrive();
    std::unique_ptr<CEventDispacher> m_dispatcher;
    std::unique_ptr<CDLGManager> m_manager;
    std::vector<unsigned> m_answered;
};

} // namespace

TEST_F(LRdlgTest, OpensWithTitleListsPlacementAndDisabledFirstOperator)
{
    connect();
    QWidget parent;
    parent.setGeometry(300, 200, 500, 400);
    parent.show();
    const fw::CRect parentRect = fw::windowRect(&parent);

    run(
        0,
        [&](fw::CDialog& d) {
            EXPECT_EQ(d.GetWindowText(), rule(0).getName());
            const fw::CRect rect = d.GetWindowRect();
            EXPECT_EQ(rect.left, parentRect.left + 20);
            EXPECT_EQ(rect.top, parentRect.top + 20);
            EXPECT_GT(rect.Width(), 0);
            EXPECT_GT(rect.Height(), 0);

            // Every choice listed in the drive's order, the stored one selected.
            for (int id : kOperand) {
                ASSERT_EQ(list(d, id)->count(), 28) << id;
                EXPECT_EQ(list(d, id)->itemText(8), "Comparator 0");
                EXPECT_EQ(list(d, id)->currentIndex(), 0);
            }
            for (int id : kOperator) {
                ASSERT_EQ(list(d, id)->count(), 9) << id;
                EXPECT_EQ(list(d, id)->itemText(8), "NOT OR NOT");
                EXPECT_EQ(list(d, id)->currentText(), "DISABLED");
            }
            // "False" refers to no object: no buttons.
            for (int id : kButton) {
                EXPECT_FALSE(shown(d, id)) << id;
                EXPECT_FALSE(d.GetDlgItem(id)->isEnabled()) << id;
            }
            // Operator 1 DISABLED: one operand, no gate of operator 1.
            EXPECT_EQ(visibleVariant(d), 3025);
            EXPECT_EQ(operatorPictures(d, 1), kExpected[0]);
            EXPECT_EQ(operatorPictures(d, 2), kExpected[0]);
        },
        &parent);
    ASSERT_EQ(m_answered, (std::vector<unsigned>{2149}));
    EXPECT_TRUE(writes().empty()) << "closing without OK writes nothing";
}

TEST_F(LRdlgTest, OperatorTwoFollowsItsKindWhenOperatorOneIsDisabled)
{
    storeRule(0, {}, {"0", "2"});
    connect();
    run(0, [&](fw::CDialog& d) {
        EXPECT_EQ(visibleVariant(d), 3025);
        EXPECT_EQ(operatorPictures(d, 1), kExpected[0]);
        EXPECT_EQ(operatorPictures(d, 2), kExpected[2]);
    });
}

TEST_F(LRdlgTest, AndWithSecondOperatorDisabledShowsTwoOperandDiagram)
{
    storeRule(0, {}, {"1", "0"});
    connect();
    run(0, [&](fw::CDialog& d) {
        EXPECT_EQ(visibleVariant(d), 3026);
        EXPECT_TRUE(shown(d, 3000));
        EXPECT_FALSE(shown(d, 3032));
        EXPECT_EQ(operatorPictures(d, 2), kExpected[0]);
    });
}

TEST_F(LRdlgTest, NotOrNotAsSecondOperator)
{
    storeRule(0, {}, {"1", "8"});
    connect();
    run(0, [&](fw::CDialog& d) {
        EXPECT_EQ(visibleVariant(d), 3027);
        EXPECT_TRUE(shown(d, 3031));
        EXPECT_TRUE(shown(d, 3030));
        EXPECT_TRUE(shown(d, 3034));
        EXPECT_FALSE(shown(d, 3033));
    });
}

TEST_F(LRdlgTest, PicturesForEveryOperatorKindAtOpeningAndOnChoice)
{
    // At opening, from the stored operators (rule k has operator 1 = k, operator 2 = 8 - k).
    for (int k = 0; k < 6; ++k)
        storeRule(k, {}, {std::to_string(k), std::to_string(8 - k)});
    storeRule(5, {}, {"7", "1"});
    connect();
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE("rule " + std::to_string(k));
        run(k, [&](fw::CDialog& d) {
            EXPECT_EQ(operatorPictures(d, 1), kExpected[k]);
            EXPECT_EQ(operatorPictures(d, 2), kExpected[8 - k]);
        });
    }

    // Choosing every operator in turn, for either operator, as the user does.
    run(5, [&](fw::CDialog& d) {
        for (int n = 1; n <= 2; ++n) {
            for (int k : {8, 0, 1, 2, 3, 4, 5, 6, 7, 8}) {
                SCOPED_TRACE("operator " + std::to_string(n) + " value " + std::to_string(k));
                testsupport::chooseEntry(list(d, kOperator[n - 1]), k);
                EXPECT_EQ(operatorPictures(d, n), kExpected[k]);
                const int other = list(d, kOperator[2 - n])->currentIndex();
                EXPECT_EQ(operatorPictures(d, 3 - n), kExpected[other])
                    << "other operator unchanged";
                const int first = n == 1 ? k : other;
                const int second = n == 1 ? other : k;
                EXPECT_EQ(visibleVariant(d), first == 0 ? 3025 : second == 0 ? 3026 : 3027);
            }
        }
    });
    EXPECT_TRUE(writes().empty()) << "choosing writes nothing";
}

TEST_F(LRdlgTest, OkWithoutChangesWritesTheRuleOnce)
{
    storeRule(2, {timerValue(1), comparatorValue(3), kFalse}, {"1", "4"});
    connect();
    const int result = run(2, [](fw::CDialog& d) { button(d, 1)->click(); });
    EXPECT_EQ(result, fw::IDOK);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(m_host.value(1320, 2), timerValue(1));
    EXPECT_EQ(m_host.value(1321, 2), "1");
    EXPECT_EQ(m_host.value(1322, 2), comparatorValue(3));
    EXPECT_EQ(m_host.value(1323, 2), "4");
    EXPECT_EQ(m_host.value(1324, 2), kFalse);
    // All five values of rule 2 went in the one write.
    int ruleValues = 0;
    const std::vector<std::string> written = writes()[0];
    for (const std::string& argument : written)
        for (const char* number : {"1320", "1321", "1322", "1323", "1324"})
            if (argument.find(number) == 0)
                ++ruleValues;
    EXPECT_EQ(ruleValues, 5);
    EXPECT_TRUE(m_messages.shown().empty());
}

TEST_F(LRdlgTest, CancelWritesNothing)
{
    connect();
    const int result = run(0, [](fw::CDialog& d) {
        testsupport::chooseEntry(list(d, 3015), 1);
        button(d, 2)->click();
    });
    EXPECT_EQ(result, fw::IDCANCEL);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(m_host.value(1321, 0), "0");
}

TEST_F(LRdlgTest, ChosenValuesAreWrittenOnOk)
{
    connect();
    const int result = run(0, [](fw::CDialog& d) {
        testsupport::chooseEntry(list(d, 3012), 8);  // Comparator 0
        testsupport::chooseEntry(list(d, 3013), 20); // Timeout 0
        testsupport::chooseEntry(list(d, 3014), 15); // Logic rule 1
        testsupport::chooseEntry(list(d, 3015), 3);  // AND NOT
        testsupport::chooseEntry(list(d, 3016), 6);  // NOT OR
        button(d, 1)->click();
    });
    EXPECT_EQ(result, fw::IDOK);
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(m_host.value(1320, 0), "22");
    EXPECT_EQ(m_host.value(1322, 0), "34");
    EXPECT_EQ(m_host.value(1324, 0), "29");
    EXPECT_EQ(m_host.value(1321, 0), "3");
    EXPECT_EQ(m_host.value(1323, 0), "6");
    EXPECT_EQ(rule(0).getOperatorItem(1).getText(), "NOT OR");
}

TEST_F(LRdlgTest, OperandReferringBackIsRefusedAfterWritingAndDialogStaysOpen)
{
    storeRule(1, {ruleValue(0)}, {}); // rule 1 refers to rule 0
    connect();
    bool endedAfterRefusal = true;
    const int result = run(0, [&](fw::CDialog& d) {
        testsupport::chooseEntry(list(d, 3013), 15); // Logic rule 1 as operand 2
        button(d, 1)->click();
        endedAfterRefusal = d.IsEnded();
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_FALSE(endedAfterRefusal);
    EXPECT_EQ(result, fw::IDCANCEL) << "the hook left it open; closing cancels";
    ASSERT_EQ(m_messages.shown().size(), 1u);
    EXPECT_EQ(m_messages.shown()[0].text, fw::loadString(2143));
    EXPECT_EQ(m_messages.shown()[0].type, unsigned(fw::MB_OK));
    ASSERT_EQ(writes().size(), 1u) << "the rule is written before the check";
    EXPECT_EQ(m_host.value(1322, 0), ruleValue(1));
}

TEST_F(LRdlgTest, RefusedOperandCanBeChosenAgain)
{
    storeRule(1, {ruleValue(0)}, {});
    connect();
    const int result = run(0, [&](fw::CDialog& d) {
        testsupport::chooseEntry(list(d, 3013), 15); // Logic rule 1: refused
        button(d, 1)->click();
        testsupport::chooseEntry(list(d, 3013), 16); // Logic rule 2: free of loops
        button(d, 1)->click();
    });
    EXPECT_EQ(result, fw::IDOK);
    EXPECT_EQ(m_messages.shown().size(), 1u);
    EXPECT_EQ(writes().size(), 2u);
    EXPECT_EQ(m_host.value(1322, 0), ruleValue(2));
}

TEST_F(LRdlgTest, ObjectButtonsCarryTheKindOfTheirOperand)
{
    storeRule(0, {timerValue(2), comparatorValue(1), ruleValue(4)}, {"1", "1"});
    connect();
    run(0, [&](fw::CDialog& d) {
        const unsigned captions[3] = {2140, 2141, 2142};
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(shown(d, kButton[i])) << i;
            EXPECT_TRUE(d.GetDlgItem(kButton[i])->isEnabled()) << i;
            EXPECT_EQ(d.GetDlgItemText(kButton[i]), fw::loadString(captions[i])) << i;
        }
        // A choice that refers to nothing hides its button; choosing back shows it.
        testsupport::chooseEntry(list(d, 3013), 2);
        EXPECT_FALSE(shown(d, 3022));
        EXPECT_FALSE(d.GetDlgItem(3022)->isEnabled());
        testsupport::chooseEntry(list(d, 3013), 20); // Timeout 0
        EXPECT_TRUE(shown(d, 3022));
        EXPECT_EQ(d.GetDlgItemText(3022), fw::loadString(2140));
    });
}

TEST_F(LRdlgTest, ComparatorButtonWritesThenOpensComparatorEditorOverThisDialog)
{
    storeRule(0, {kFalse, comparatorValue(1)}, {"1"});
    connect();
    fw::CDialog* outer = nullptr;
    QWidget* nestedParent = nullptr;
    size_t writesBeforeNested = 0;
    run(0, [&](fw::CDialog& d) {
        if (d.GetTemplateId() == 2149) {
            outer = &d;
            testsupport::chooseEntry(list(d, 3015), 2); // OR, unsaved so far
            button(d, 3022)->click();
            return;
        }
        nestedParent = d.GetParent();
        writesBeforeNested = writes().size();
        d.EndDialog(fw::IDCANCEL);
    });
    EXPECT_EQ(m_answered, (std::vector<unsigned>{2149, 2150}));
    EXPECT_EQ(nestedParent, outer);
    EXPECT_EQ(writesBeforeNested, 1u);
    EXPECT_EQ(m_host.value(1321, 0), "2") << "the rule was written before the editor opened";
}

TEST_F(LRdlgTest, TimerAndLogicRuleButtonsOpenTheirEditors)
{
    storeRule(0, {timerValue(3), kFalse, ruleValue(2)}, {"1", "1"});
    storeRule(2, {comparatorValue(0)}, {"0"});
    connect();
    std::vector<std::string> titles;
    run(0, [&](fw::CDialog& d) {
        titles.push_back(d.GetWindowText());
        if (titles.size() > 1)
            return; // the nested editors are left open and closed by the seam
        button(d, 3021)->click();
        button(d, 3023)->click();
    });
    EXPECT_EQ(m_answered, (std::vector<unsigned>{2149, 2151, 2149}));
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles[2], rule(2).getName());
    EXPECT_EQ(writes().size(), 2u) << "each button writes the rule";
}

TEST_F(LRdlgTest, ButtonOfRuleReferringBackShowsMessageAndOpensNothing)
{
    storeRule(0, {ruleValue(1)}, {});
    storeRule(1, {ruleValue(0)}, {});
    connect();
    run(0, [&](fw::CDialog& d) { button(d, 3021)->click(); });
    EXPECT_EQ(m_answered, (std::vector<unsigned>{2149}));
    ASSERT_EQ(m_messages.shown().size(), 1u);
    EXPECT_EQ(m_messages.shown()[0].text, fw::loadString(2143));
    EXPECT_EQ(writes().size(), 1u);
}

TEST_F(LRdlgTest, SelectsFirstEntryBeginningWithTheStoredText)
{
    // "Timeout 1" begins "Timeout 10", which comes first; the match ignores case.
    m_host.parameter(1320).choices = {"0:False", "40:timeout 10", "35:Timeout 1", "36:Timeout 2"};
    storeRule(0, {"35"}, {});
    storeRule(1, {"36"}, {});
    connect();
    run(0, [&](fw::CDialog& d) { EXPECT_EQ(list(d, 3012)->currentIndex(), 1); });
    run(1, [&](fw::CDialog& d) { EXPECT_EQ(list(d, 3012)->currentIndex(), 3); });
}

TEST_F(LRdlgTest, ListWithoutSelectionRaisesAndWritesNothing)
{
    connect();
    run(0, [&](fw::CDialog& d) {
        list(d, 3016)->setCurrentIndex(-1);
        EXPECT_THROW(d.OnCommand(fw::IDOK, fw::BN_CLICKED), CCustomException);
        EXPECT_FALSE(d.IsEnded());
    });
    EXPECT_TRUE(writes().empty());
    const auto lines = testsupport::readLogLines(m_scratch.path() + "Torvane Drives/nebpt.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("Dialogs/LRdlg"), std::string::npos) << lines.back();
}

TEST_F(LRdlgTest, ScreenshotOfTheSampleDrive)
{
    storeRule(0, {comparatorValue(0), timerValue(1), ruleValue(2)}, {"3", "8"});
    connect();
    QImage image;
    run(0, [&](fw::CDialog& d) { image = d.grab().toImage(); });
    ASSERT_FALSE(image.isNull());
    // The background is white.
    EXPECT_EQ(image.pixelColor(2, image.height() - 3), QColor(Qt::white));
    const std::string path = fw::executableDirectory() + "lr_dialog.png";
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
}
