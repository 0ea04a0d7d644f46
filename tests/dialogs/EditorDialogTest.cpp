// The command layer and the timer, comparator and controller settings dialogs
// over the fake host's sample drive.

#include "dialogs/EditorDialogFixture.h"

#include "Dialogs/Compdlg.h"
#include "Dialogs/NEBSettingsDLG.h"
#include "Dialogs/Timerdlg.h"
#include "Settings_Manager/CNEB_Comparator.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"

#include <QImage>

using namespace editortest;
using testsupport::chooseEntry;

namespace {

using CommandLayerTest = EditorFixture;

TEST_F(CommandLayerTest, InitTwiceTouchesTheDriveOnceAndAnUpdateReadsIt)
{
    connect();
    EXPECT_TRUE(manager->getNEBProgram().isBuilt());
    manager->init();
    EXPECT_TRUE(host.calls().empty()) << "a built program is left alone";
    manager->updateNebProgram();
    EXPECT_GT(host.callCount("ReadParameterValue"), 0u);
}

TEST_F(CommandLayerTest, FailedWriteAnswersFalseWithALogLineAndNoReread)
{
    connect();
    CNEB_Timer& timer = manager->getNEBProgram().getTimer(1);
    timer.setValue(9.5);
    host.failOperation("WriteParameterValues");
    EXPECT_FALSE(manager->saveTimer(timer));
    EXPECT_EQ(host.callCount("WriteParameterValues"), 1u);
    EXPECT_EQ(readsAfterWrite(), 0u);
    EXPECT_EQ(logLines().size(), 1u);
    EXPECT_TRUE(messages.shown().empty());

    host.stopFailing();
    host.clearCalls();
    EXPECT_TRUE(manager->saveTimer(timer));
    EXPECT_EQ(host.callCount("WriteParameterValues"), 1u);
    EXPECT_GT(readsAfterWrite(), 0u);
    EXPECT_DOUBLE_EQ(manager->getNEBProgram().getTimer(1).getValue(), 9.5);
}

class TimerDialogTest : public EditorFixture
{
protected:
    int runTimer(unsigned long t, const std::function<void(fw::CDialog&)>& answer)
    {
        return runDialog<CTimerdlg>(manager->getNEBProgram().getTimer(t), answer);
    }
    std::string shown(unsigned long t, int id)
    {
        std::string text;
        runTimer(t, [&](fw::CDialog& d) { text = d.GetDlgItemText(id); });
        return text;
    }
    double value(unsigned long t) { return manager->getNEBProgram().getTimer(t).getValue(); }
};

TEST_F(TimerDialogTest, OpensWithTheValueInTheLanguagesFormatAndOkUnchangedWritesNothing)
{
    struct Case
    {
        const char *language, *decimals, *stored, *shown;
    };
    for (const Case& c :
         {Case{"english", "2", "12.5", "12.50"}, Case{"english", "0", "1234", "1,234."},
          Case{"english", "0", "12", "12."}, Case{"english", "1", "12", "12.0"},
          Case{"no-such-language", "2", "1234.5", "1,234.50"},
          Case{"german", "2", "1234.5", "1.234,50"}}) {
        host.language = c.language;
        host.parameter(kTimer).decimals = c.decimals;
        host.setValue(kTimer, 3, c.stored);
        connect();
        EXPECT_EQ(runTimer(3,
                           [&](fw::CDialog& d) {
                               EXPECT_EQ(d.GetWindowText(), "Timer 3");
                               EXPECT_EQ(d.GetDlgItemText(CTimerdlg::IDC_VALUE), c.shown)
                                   << c.language << " " << c.stored;
                               clickOk(d);
                           }),
                  fw::IDCANCEL);
        EXPECT_TRUE(writes().empty()) << c.language << " " << c.stored;
    }
    // Typed in German.
    EXPECT_EQ(runTimer(3, [](fw::CDialog& d) { typeAndOk(d, CTimerdlg::IDC_VALUE, "2.000,25"); }),
              fw::IDOK);
    EXPECT_DOUBLE_EQ(value(3), 2000.25);
}

TEST_F(TimerDialogTest, UnitCaptionFromTheUnitOrTheMaximum)
{
    for (const auto& [unit, maximum, caption] :
         {std::tuple{"s", "3600", "[s]"}, std::tuple{"", "5000", "[ms]"},
          std::tuple{"", "4000", "[]"}, std::tuple{"min", "9000", "[min]"}}) {
        host.parameter(kTimer).unit = unit;
        host.parameter(kTimer).maximum = maximum;
        connect();
        EXPECT_EQ(shown(0, CTimerdlg::IDC_UNIT), caption) << unit << " " << maximum;
    }
}

TEST_F(TimerDialogTest, TypedTextIsReadUpToItsFirstNonDigitAndWrittenOnce)
{
    connect();
    CNEB_Timer& timer = manager->getNEBProgram().getTimer(2);
    EXPECT_EQ(typeValue<CTimerdlg>(timer, " 1,234.5 ").first, fw::IDOK);
    ASSERT_EQ(writes().size(), 1u);
    ASSERT_EQ(writes()[0].size(), 1u);
    EXPECT_EQ(writes()[0][0].substr(0, 7), "1303.2=");
    EXPECT_DOUBLE_EQ(std::stod(writes()[0][0].substr(7)), 1234.5);
    EXPECT_GT(readsAfterWrite(), 0u) << "the program is read again after the write";
    EXPECT_DOUBLE_EQ(value(2), 1234.5);

    // Malformed text and values beyond the limits keep the dialog open; only the
    // latter say why.
    for (const auto& [text, result, refused, read, shownMessages] :
         {std::tuple{"42xyz", fw::IDOK, false, 42.0, 0u},
          {"abc", fw::IDCANCEL, false, 42.0, 0u},
          {"1,2,3,4", fw::IDOK, false, 1234.0, 0u},
          {"1.2.3", fw::IDCANCEL, true, 1234.0, 0u},
          {"3600.5", fw::IDCANCEL, true, 1234.0, 1u}}) {
        host.clearCalls();
        EXPECT_EQ(typeValue<CTimerdlg>(manager->getNEBProgram().getTimer(4), text),
                  std::pair(int(result), refused))
            << text;
        EXPECT_EQ(writes().size(), result == fw::IDOK ? 1u : 0u) << text;
        EXPECT_DOUBLE_EQ(value(4), read) << text;
        EXPECT_EQ(messages.shown().size(), shownMessages) << text;
    }
    EXPECT_EQ(messages.shown().at(0).text, "Enter a number between 0 and 3600.");

    // Refused, then corrected in the same dialog.
    EXPECT_EQ(runTimer(0,
                       [](fw::CDialog& d) {
                           typeAndOk(d, CTimerdlg::IDC_VALUE, "1.2.3");
                           typeAndOk(d, CTimerdlg::IDC_VALUE, "60");
                       }),
              fw::IDOK);
    EXPECT_DOUBLE_EQ(value(0), 60.0);
}

using SettingsDialogTest = EditorFixture;

TEST_F(SettingsDialogTest, ShowsStoredChoicesAndParameterNamesAndOkWithoutChangeWritesNothing)
{
    host.setValue(kMode, -1, "1");
    host.setValue(kStopEvent, -1, "3");
    connect();
    EXPECT_EQ(
        runDialog<CNEBSettingsDLG>(
            manager->getNEBProgram().getSettings(),
            [&](fw::CDialog& d) {
                EXPECT_EQ(d.GetWindowText(), "Logic controller settings");
                EXPECT_EQ(entries(d, CNEBSettingsDLG::IDC_MODE_LIST), (Strings{"Off", "On"}));
                EXPECT_EQ(combo(d, CNEBSettingsDLG::IDC_MODE_LIST)->currentIndex(), 1);
                EXPECT_EQ(d.GetDlgItemText(CNEBSettingsDLG::IDC_STOP_LIST),
                          manager->getNEBProgram().getSettings().getItem(2).getText());
                Strings labels;
                for (int id : {3040, 3041, 3042})
                    labels.push_back(d.GetDlgItemText(id));
                EXPECT_EQ(labels, (Strings{"Logic controller mode", "Start event", "Stop event"}));
                clickOk(d);
            }),
        fw::IDCANCEL);
    EXPECT_EQ(host.callCount("GetParameterName"), 3u);
    EXPECT_TRUE(writes().empty());
}

TEST_F(SettingsDialogTest, CommandLayerWritesAllThreeOnceWhenAChoiceChanged)
{
    connect();
    std::string chosen;
    {
        testsupport::ModalAnswerer answerer([&](fw::CDialog& d) {
            QComboBox* stop = combo(d, CNEBSettingsDLG::IDC_STOP_LIST);
            chooseEntry(stop, 2);
            chosen = stop->currentText().toStdString();
            clickOk(d);
        });
        manager->showNEB_Settings();
        EXPECT_EQ(answerer.answered(), (std::vector<unsigned>{CNEBSettingsDLG::IDD}));
    }
    const unsigned long stopId = manager->getNEBProgram().getSettings().getItem(2).getID();
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(writes()[0], (Strings{"1300=0", "1305=0", "1306=" + std::to_string(stopId)}));
    EXPECT_EQ(host.value(kStopEvent), std::to_string(stopId));
    EXPECT_EQ(manager->getNEBProgram().getSettings().getItem(2).getText(), chosen);

    host.clearCalls();
    testsupport::ModalAnswerer unselected([](fw::CDialog& d) {
        chooseEntry(combo(d, CNEBSettingsDLG::IDC_MODE_LIST), 1);
        d.GetComboBox(CNEBSettingsDLG::IDC_START_LIST).SetCurSel(-1);
        clickOk(d);
    });
    manager->showNEB_Settings();
    EXPECT_TRUE(writes().empty()) << "a list without selection cancels";
}

class ComparatorDialogTest : public EditorFixture
{
protected:
    CNEB_Comparator& comparator(unsigned long k)
    {
        return manager->getNEBProgram().getComparator(k);
    }
    int run(unsigned long k, const std::function<void(fw::CDialog&)>& answer)
    {
        return runDialog<CCompdlg>(comparator(k), answer);
    }
    bool typeIsRefused(const std::string& text, int expectedResult = fw::IDCANCEL)
    {
        const auto [result, refused] = typeValue<CCompdlg>(comparator(0), text);
        EXPECT_EQ(result, expectedResult) << text;
        return refused;
    }
};

TEST_F(ComparatorDialogTest, OpensWithTitleListsAndValueAndWritesNothingUnchanged)
{
    host.setValue(kCompOperand, 2, "3");
    host.setValue(kCompOperator, 2, "2");
    host.setValue(kCompValue, 2, "-1234.25");
    connect();
    EXPECT_EQ(run(2,
                  [&](fw::CDialog& d) {
                      EXPECT_EQ(d.GetWindowText(), "Comparator 2");
                      EXPECT_EQ(d.GetDlgItemText(CCompdlg::IDC_VALUE), "-1,234.250");
                      EXPECT_EQ(entries(d, CCompdlg::IDC_OPERAND),
                                (Strings{"Disabled", "Reference", "Motor speed", "Motor current"}));
                      EXPECT_EQ(entries(d, CCompdlg::IDC_OPERATOR),
                                (Strings{"Less than", "Approx. equal", "Greater than"}));
                      EXPECT_EQ(d.GetDlgItemText(CCompdlg::IDC_OPERAND), "Motor speed");
                      EXPECT_EQ(d.GetDlgItemText(CCompdlg::IDC_OPERATOR), "Greater than");
                      clickOk(d);
                  }),
              fw::IDCANCEL);
    EXPECT_EQ(typeValue<CCompdlg>(comparator(2), "-1,234.250").first, fw::IDCANCEL)
        << "the shown text reads back as the same value";
    EXPECT_TRUE(writes().empty());
}

TEST_F(ComparatorDialogTest, ChangesAreWrittenOnceAndReread)
{
    host.setValue(kCompOperand, 1, "1");
    connect();
    EXPECT_EQ(run(1,
                  [](fw::CDialog& d) {
                      chooseEntry(combo(d, CCompdlg::IDC_OPERATOR), 2);
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
    EXPECT_EQ(comparator(1).getOperatorItem().getID(), 2u);
    EXPECT_DOUBLE_EQ(comparator(1).getValue(), -1500.5);

    host.clearCalls();
    EXPECT_EQ(run(1,
                  [](fw::CDialog& d) {
                      d.GetComboBox(CCompdlg::IDC_OPERATOR).SetCurSel(-1);
                      typeAndOk(d, CCompdlg::IDC_VALUE, "7");
                  }),
              fw::IDCANCEL)
        << "an operator list without selection cancels";
    EXPECT_TRUE(writes().empty());
}

TEST_F(ComparatorDialogTest, MinusSignsOnlyInFrontAndValuesWithinTheLimits)
{
    host.setValue(kCompOperand, 0, "1");
    host.setValue(kCompValue, 0, "7");
    connect();
    for (const std::string text : {"1.2.3", "12-", "--12", "1-2"})
        EXPECT_TRUE(typeIsRefused(text)) << text;
    EXPECT_TRUE(messages.shown().empty()) << "malformed text shows no message";
    EXPECT_TRUE(typeIsRefused("100,000.5"));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Enter a number between -100000 and 100000.");
    EXPECT_FALSE(typeIsRefused("abc")) << "letters only keep the shown value";
    EXPECT_TRUE(writes().empty());
    EXPECT_FALSE(typeIsRefused("-42xyz", fw::IDOK));
    EXPECT_DOUBLE_EQ(comparator(0).getValue(), -42.0);
}

TEST_F(ComparatorDialogTest, DisabledOperandGreysAndDisablesOperatorAndValue)
{
    connect(); // every comparator of the sample drive starts disabled
    run(0, [](fw::CDialog& dialog) {
        auto& d = static_cast<CCompdlg&>(dialog);
        // The colour of the frame left of control `id`, halfway down.
        const auto frame = [&](int id) {
            const fw::CRect r = d.GetDlgItemRect(id);
            return d.grab().toImage().pixelColor(r.left - 10, r.top + r.Height() / 2);
        };
        for (const auto& [operand, disabled] :
             {std::pair{-1, true}, {2, false}, {0, true}, {2, false}}) { // 2: "Motor speed"
            if (operand >= 0)
                chooseEntry(combo(d, CCompdlg::IDC_OPERAND), operand);
            const QColor colour = disabled ? QColor(150, 150, 150) : QColor(Qt::black);
            EXPECT_EQ(d.isOperandDisabled(), disabled) << operand;
            EXPECT_EQ(d.GetDlgItem(CCompdlg::IDC_OPERATOR)->isEnabled(), !disabled) << operand;
            EXPECT_EQ(d.GetDlgItem(CCompdlg::IDC_VALUE)->isEnabled(), !disabled) << operand;
            EXPECT_EQ(frame(CCompdlg::IDC_VALUE), colour) << operand;
            EXPECT_EQ(frame(CCompdlg::IDC_OPERATOR), colour) << operand;
            EXPECT_EQ(frame(CCompdlg::IDC_OPERAND), QColor(Qt::black)) << "always black";
        }
        clickOk(d);
    });
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(writes()[0].at(0), "1310.0=3");
}

} // namespace
