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
#include <QPalette>

using namespace editortest;
using testsupport::chooseEntry;

namespace {

using CommandLayerTest = EditorFixture;

TEST_F(CommandLayerTest, InitTwiceReadsOnceAndAFailedWriteAnswersFalseWithALogLineAndNoReread)
{
    connect();
    manager->init();
    EXPECT_TRUE(host.calls().empty()) << "a built program is left alone";

    CNEB_Timer& timer = manager->getNEBProgram().getTimer(1);
    timer.setValue(9.5);
    host.clearCalls();
    host.failOperation("WriteParameterValues");
    EXPECT_FALSE(manager->saveTimer(timer));
    EXPECT_EQ(host.callCount("WriteParameterValues"), 1u);
    EXPECT_EQ(host.callCount("ReadParameterValue"), 0u) << "nothing read again";
    EXPECT_EQ(logLines().size(), 1u);
    host.stopFailing();
    host.clearCalls();
    EXPECT_TRUE(manager->saveTimer(timer));
    EXPECT_GT(host.callCount("ReadParameterValue"), 0u);

    // Controller settings that could not be read completely are never written.
    host.failOperation("ReadParameterValue");
    CNEB_Settings& settings = manager->getNEBProgram().getSettings();
    host.stopFailing();
    host.clearCalls();
    EXPECT_FALSE(manager->saveNEB_Settings(settings));
    EXPECT_TRUE(writes().empty());
    EXPECT_TRUE(messages.shown().empty());
}

struct TimerDialogTest : EditorFixture
{
    CNEB_Timer& timer(int t) { return manager->getNEBProgram().getTimer(t); }
};

TEST_F(TimerDialogTest, OpensWithTheValueInTheLanguagesFormatAndTheUnitAndOkUnchangedWritesNothing)
{
    // The unit caption comes from the unit, or from the maximum when there is none.
    for (const auto& [language, decimals, stored, shown, unit, maximum, caption] :
         {std::tuple{"english", "0", "1234", "1,234.", "", "5000", "[ms]"},
          {"english", "0", "12", "12.", "", "4000", "[]"},
          {"no-such-language", "2", "1234.5", "1,234.50", "s", "3600", "[s]"},
          {"german", "2", "1234.5", "1.234,50", "s", "3600", "[s]"}}) {
        SCOPED_TRACE(std::string(language) + " " + stored + " " + unit + " " + maximum);
        host.language = language;
        host.parameter(kTimer).decimals = decimals;
        host.parameter(kTimer).unit = unit;
        host.parameter(kTimer).maximum = maximum;
        host.setValue(kTimer, 3, stored);
        connect();
        EXPECT_EQ(fw::IDCANCEL, runDialog<CTimerdlg>(timer(3), [&](fw::CDialog& d) {
                      EXPECT_EQ(d.GetWindowText(), "Timer 3");
                      EXPECT_EQ(d.GetDlgItemText(CTimerdlg::IDC_VALUE), shown);
                      EXPECT_EQ(d.GetDlgItemText(CTimerdlg::IDC_UNIT), caption);
                      EXPECT_EQ(d.palette().color(QPalette::Window), QColor(Qt::white))
                          << "the editor's white, not the window grey";
                      clickOk(d);
                  }));
        EXPECT_TRUE(writes().empty());
    }
    // Typed in German.
    EXPECT_EQ(typeValue<CTimerdlg>(timer(3), "2.000,25").first, fw::IDOK);
    EXPECT_DOUBLE_EQ(timer(3).getValue(), 2000.25);
    // A German editor tells the range in German.
    testsupport::CurrentLanguageGuard german(testsupport::germanLibrary());
    EXPECT_TRUE(typeValue<CTimerdlg>(timer(3), "5.000").second);
    EXPECT_EQ(messages.shown().back().text, "Geben Sie eine Zahl zwischen 0 und 3600 ein.");
}

TEST_F(TimerDialogTest, TypedTextIsReadUpToItsFirstNonDigitAndWrittenOnce)
{
    connect();
    EXPECT_EQ(typeValue<CTimerdlg>(timer(2), " 1,234.5 ").first, fw::IDOK);
    EXPECT_EQ(writes(), (Writes{{"1303.2=1234.500000"}}));

    // Malformed text and values beyond the limits keep the dialog open; only the
    // latter say why.
    for (const auto& [text, result, refused, read, shownMessages] :
         {std::tuple{"42xyz", fw::IDOK, false, 42.0, 0u},
          {"abc", fw::IDCANCEL, false, 42.0, 0u},
          {"1,2,3,4", fw::IDOK, false, 1234.0, 0u},
          {"1.2.3", fw::IDCANCEL, true, 1234.0, 0u},
          {"3600.5", fw::IDCANCEL, true, 1234.0, 1u}}) {
        SCOPED_TRACE(text);
        host.clearCalls();
        EXPECT_EQ(typeValue<CTimerdlg>(timer(4), text), std::pair(int(result), refused));
        EXPECT_EQ(writes().size(), result == fw::IDOK ? 1u : 0u);
        EXPECT_DOUBLE_EQ(timer(4).getValue(), read);
        EXPECT_EQ(messages.shown().size(), shownMessages);
    }
    EXPECT_EQ(messages.shown().at(0).text, "Enter a number between 0 and 3600.");

    // Refused, then corrected in the same dialog.
    EXPECT_EQ(fw::IDOK, runDialog<CTimerdlg>(timer(0), [](fw::CDialog& d) {
                  typeAndOk(d, CTimerdlg::IDC_VALUE, "1.2.3");
                  typeAndOk(d, CTimerdlg::IDC_VALUE, "60");
              }));
    EXPECT_DOUBLE_EQ(timer(0).getValue(), 60.0);
}

using SettingsDialogTest = EditorFixture;

// The sample's controller is on, starts on "Running" and stops on "Alarm (trip)".
TEST_F(SettingsDialogTest, ShowsStoredChoicesAndNamesAndWritesAllThreeOnceWhenAChoiceChanged)
{
    connect();
    CNEB_Settings& settings = manager->getNEBProgram().getSettings();
    runDialog<CNEBSettingsDLG>(settings, [&](fw::CDialog& d) {
        EXPECT_EQ(entries(d, CNEBSettingsDLG::IDC_MODE_LIST), (Strings{"Off", "On"}));
        EXPECT_EQ(d.GetDlgItemText(CNEBSettingsDLG::IDC_MODE_LIST), "On");
        EXPECT_EQ(d.GetDlgItemText(CNEBSettingsDLG::IDC_STOP_LIST), "Alarm (trip)");
        EXPECT_EQ(d.GetDlgItemText(CNEBSettingsDLG::IDC_STOP_PARAMETER), "Controller stop event");
        clickOk(d);
    });
    EXPECT_TRUE(writes().empty());

    EXPECT_EQ(fw::IDOK, runDialog<CNEBSettingsDLG>(settings, [](fw::CDialog& d) {
                  chooseEntry(combo(d, CNEBSettingsDLG::IDC_STOP_LIST), 2);
                  clickOk(d);
              }));
    EXPECT_EQ(writes(), (Writes{{"1300=1", "1305=2", "1306=2"}}));
    EXPECT_EQ(settings.getItem(2).getText(), "Running");

    host.clearCalls();
    runDialog<CNEBSettingsDLG>(settings, [](fw::CDialog& d) {
        chooseEntry(combo(d, CNEBSettingsDLG::IDC_MODE_LIST), 0);
        d.GetComboBox(CNEBSettingsDLG::IDC_START_LIST).SetCurSel(-1);
        clickOk(d);
    });
    EXPECT_TRUE(writes().empty()) << "a list without selection cancels";
}

struct ComparatorDialogTest : EditorFixture
{
    CNEB_Comparator& comparator(int k) { return manager->getNEBProgram().getComparator(k); }
    int run(int k, const Answer& answer) { return runDialog<CCompdlg>(comparator(k), answer); }
};

TEST_F(ComparatorDialogTest, OpensWithTitleListsAndValueAndWritesCheckedChangesOnce)
{
    host.setValue(kCompOperand, 2, "3");
    host.setValue(kCompValue, 2, "-1234.25");
    connect();
    EXPECT_EQ(fw::IDCANCEL, run(2, [&](fw::CDialog& d) {
                  EXPECT_EQ(d.GetWindowText(), "Comparator 2");
                  EXPECT_EQ(d.GetDlgItemText(CCompdlg::IDC_VALUE), "-1,234.250");
                  EXPECT_EQ(combo(d, CCompdlg::IDC_OPERAND)->count(), 16);
                  EXPECT_EQ(entries(d, CCompdlg::IDC_OPERATOR),
                            (Strings{"Less than", "About equal", "Greater than"}));
                  EXPECT_EQ(d.GetDlgItemText(CCompdlg::IDC_OPERAND), "Motor speed");
                  EXPECT_EQ(d.GetDlgItemText(CCompdlg::IDC_OPERATOR), "Greater than");
                  typeAndOk(d, CCompdlg::IDC_VALUE, "-1,234.250"); // reads back as the same
              }));
    EXPECT_TRUE(writes().empty());

    EXPECT_EQ(fw::IDOK, run(2, [](fw::CDialog& d) {
                  chooseEntry(combo(d, CCompdlg::IDC_OPERATOR), 0);
                  typeAndOk(d, CCompdlg::IDC_VALUE, "-1,500.5");
              }));
    EXPECT_EQ(writes(), (Writes{{"1310.2=3", "1311.2=0", "1312.2=-1500.500000"}}));
    EXPECT_EQ(comparator(2).getOperatorItem().getID(), 0u);
    host.clearCalls();

    // Minus signs only in front and values within the limits; the text is read as
    // the timer's is.
    for (const auto& [text, result, refused, shownMessages] :
         {std::tuple{"12-", fw::IDCANCEL, true, 0u},
          {"--12", fw::IDCANCEL, true, 0u},
          {"1-2", fw::IDCANCEL, true, 0u},
          {"100,000.5", fw::IDCANCEL, true, 1u},
          {"-42xyz", fw::IDOK, false, 1u}}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(typeValue<CCompdlg>(comparator(0), text), std::pair(int(result), refused));
        EXPECT_EQ(messages.shown().size(), shownMessages);
    }
    EXPECT_EQ(messages.shown().at(0).text, "Enter a number between -100000 and 100000.");
    EXPECT_DOUBLE_EQ(comparator(0).getValue(), -42.0);

    // A list without a selection at OK closes as cancelled and writes nothing,
    // whatever else was changed.
    host.clearCalls();
    for (int cleared : {CCompdlg::IDC_OPERAND, CCompdlg::IDC_OPERATOR}) {
        EXPECT_EQ(fw::IDCANCEL, run(1,
                                    [&](fw::CDialog& d) {
                                        chooseEntry(combo(d, CCompdlg::IDC_OPERAND), 2);
                                        chooseEntry(combo(d, CCompdlg::IDC_OPERATOR), 0);
                                        d.GetComboBox(cleared).SetCurSel(-1);
                                        typeAndOk(d, CCompdlg::IDC_VALUE, "12");
                                    }))
            << cleared;
    }
    EXPECT_TRUE(writes().empty());
}

TEST_F(ComparatorDialogTest, DisabledOperandGreysAndDisablesOperatorAndValue)
{
    connect();
    run(3, [](fw::CDialog& dialog) { // comparator 3 of the sample is disabled
        auto& d = static_cast<CCompdlg&>(dialog);
        // The colour of the frame left of control `id`, halfway down.
        const auto frame = [&](int id) {
            const fw::CRect r = d.GetDlgItemRect(id);
            return d.grab().toImage().pixelColor(r.left - 10, r.top + r.Height() / 2);
        };
        for (const auto& [operand, disabled] :
             {std::pair{-1, true}, {2, false}, {0, true}, {2, false}}) { // 2: "Feedback"
            if (operand >= 0)
                chooseEntry(combo(d, CCompdlg::IDC_OPERAND), operand);
            const QColor colour = disabled ? QColor(150, 150, 150) : QColor(Qt::black);
            EXPECT_EQ(d.GetDlgItem(CCompdlg::IDC_OPERATOR)->isEnabled(), !disabled) << operand;
            EXPECT_EQ(d.GetDlgItem(CCompdlg::IDC_VALUE)->isEnabled(), !disabled) << operand;
            EXPECT_EQ(frame(CCompdlg::IDC_VALUE), colour) << operand;
            EXPECT_EQ(frame(CCompdlg::IDC_OPERAND), QColor(Qt::black)) << "always black";
        }
        clickOk(d);
    });
    EXPECT_EQ(writes(), (Writes{{"1310.3=2", "1311.3=0", "1312.3=0.000"}}));
}

} // namespace
