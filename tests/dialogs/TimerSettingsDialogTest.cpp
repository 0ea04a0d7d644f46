#include "dialogs/EditorDialogFixture.h"

#include "Dialogs/NEBSettingsDLG.h"
#include "Dialogs/Timerdlg.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"

#include "framework/widgets/DataExchange.h"

#include <QLabel>

using namespace editortest;
using testsupport::ModalAnswerer;

namespace {

class TimerDialogTest : public EditorFixture
{
protected:
    // Runs the dialog of timer `t`; `answer` acts as the user.
    int runTimer(unsigned long t, const std::function<void(fw::CDialog&)>& answer)
    {
        ModalAnswerer answerer(answer);
        CTimerdlg dialog(*manager, manager->getNEBProgram().getTimer(t), nullptr);
        return dialog.DoModal();
    }

    std::string shownText(unsigned long t)
    {
        std::string text;
        runTimer(t, [&](fw::CDialog& d) { text = d.GetDlgItemText(CTimerdlg::IDC_VALUE); });
        return text;
    }

    std::string unitCaption(unsigned long t)
    {
        std::string caption;
        runTimer(t, [&](fw::CDialog& d) { caption = d.GetDlgItemText(CTimerdlg::IDC_UNIT); });
        return caption;
    }
};

TEST_F(TimerDialogTest, OpensWithTitleValueAndUnit)
{
    host.setValue(kTimer, 3, "12.5");
    connect();
    std::string title, text, unit;
    runTimer(3, [&](fw::CDialog& d) {
        title = d.GetWindowText();
        text = d.GetDlgItemText(CTimerdlg::IDC_VALUE);
        unit = d.GetDlgItemText(CTimerdlg::IDC_UNIT);
    });
    EXPECT_EQ(title, "Timer 3");
    EXPECT_EQ(text, "12.50");
    EXPECT_EQ(unit, "[s]");
}

TEST_F(TimerDialogTest, OkWithoutChangeWritesNothing)
{
    host.setValue(kTimer, 1, "1234.5");
    connect();
    EXPECT_EQ(runTimer(1, [](fw::CDialog& d) { clickOk(d); }), fw::IDCANCEL);
    EXPECT_TRUE(writes().empty());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(TimerDialogTest, ChangedValueIsWrittenOnceAndReread)
{
    connect();
    EXPECT_EQ(runTimer(2, [](fw::CDialog& d) { typeAndOk(d, CTimerdlg::IDC_VALUE, " 1,234.5 "); }),
              fw::IDOK);
    ASSERT_EQ(writes().size(), 1u);
    ASSERT_EQ(writes()[0].size(), 1u);
    EXPECT_EQ(writes()[0][0].substr(0, 7), "1303.2=");
    EXPECT_DOUBLE_EQ(std::stod(writes()[0][0].substr(7)), 1234.5);
    EXPECT_GT(readsAfterWrite(), 0u) << "the program is read again after the write";
    EXPECT_DOUBLE_EQ(manager->getNEBProgram().getTimer(2).getValue(), 1234.5);
}

TEST_F(TimerDialogTest, EnglishFormatGroupsThousandsAndKeepsTheDecimalPoint)
{
    host.setValue(kTimer, 0, "1234.5");
    host.setValue(kTimer, 1, "12");
    host.parameter(kTimer).decimals = "0";
    connect();
    EXPECT_EQ(shownText(0), "1,234.") << "no decimals: the point stays";
    EXPECT_EQ(shownText(1), "12.");
}

TEST_F(TimerDialogTest, OneDecimalShowsTrailingZero)
{
    host.setValue(kTimer, 1, "12");
    host.parameter(kTimer).decimals = "1";
    connect();
    EXPECT_EQ(shownText(1), "12.0");
}

TEST_F(TimerDialogTest, UnitCaptionCases)
{
    host.parameter(kTimer).unit = "";
    host.parameter(kTimer).maximum = "5000";
    connect();
    EXPECT_EQ(unitCaption(0), "[ms]") << "no unit and a maximum above 4000";

    host.parameter(kTimer).maximum = "4000";
    connect();
    EXPECT_EQ(unitCaption(0), "[]") << "no unit and a maximum of 4000";

    host.parameter(kTimer).unit = "min";
    host.parameter(kTimer).maximum = "9000";
    connect();
    EXPECT_EQ(unitCaption(0), "[min]");
}

TEST_F(TimerDialogTest, TwoDecimalPointsAreRejectedInTheField)
{
    connect();
    bool ended = true;
    bool focused = false;
    std::string selected;
    EXPECT_EQ(runTimer(0,
                       [&](fw::CDialog& d) {
                           typeAndOk(d, CTimerdlg::IDC_VALUE, "1.2.3");
                           ended = d.IsEnded();
                           QLineEdit* field = edit(d, CTimerdlg::IDC_VALUE);
                           focused = d.focusWidget() == field;
                           selected = field->selectedText().toStdString();
                       }),
              fw::IDCANCEL);
    EXPECT_FALSE(ended) << "the dialog stays open";
    EXPECT_TRUE(focused);
    EXPECT_EQ(selected, "1.2.3");
    EXPECT_TRUE(messages.shown().empty()) << "no message for malformed text";
    EXPECT_TRUE(writes().empty());
}

TEST_F(TimerDialogTest, TextsThatBeginWithDigitsOrNone)
{
    connect();
    EXPECT_EQ(runTimer(4, [](fw::CDialog& d) { typeAndOk(d, CTimerdlg::IDC_VALUE, "42xyz"); }),
              fw::IDOK);
    EXPECT_DOUBLE_EQ(manager->getNEBProgram().getTimer(4).getValue(), 42.0);

    host.clearCalls();
    EXPECT_EQ(runTimer(4, [](fw::CDialog& d) { typeAndOk(d, CTimerdlg::IDC_VALUE, "abc"); }),
              fw::IDCANCEL)
        << "letters only keep the value shown";
    EXPECT_TRUE(writes().empty());

    EXPECT_EQ(runTimer(4, [](fw::CDialog& d) { typeAndOk(d, CTimerdlg::IDC_VALUE, "1,2,3,4"); }),
              fw::IDOK)
        << "thousands separators anywhere are dropped";
    EXPECT_DOUBLE_EQ(manager->getNEBProgram().getTimer(4).getValue(), 1234.0);
}

TEST_F(TimerDialogTest, ValueOutsideTheLimitsShowsTheRangeMessage)
{
    connect();
    bool ended = true;
    runTimer(0, [&](fw::CDialog& d) {
        typeAndOk(d, CTimerdlg::IDC_VALUE, "3600.5");
        ended = d.IsEnded();
    });
    EXPECT_FALSE(ended);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Enter a number between 0 and 3600.");
    EXPECT_EQ(messages.shown()[0].text, fw::rangeMessage(0, 3600));
    EXPECT_TRUE(writes().empty());
}

TEST_F(TimerDialogTest, LanguageWithoutLocaleFallsBackToEnglish)
{
    host.setValue(kTimer, 0, "1234.5");
    host.language = "no-such-language";
    connect();
    EXPECT_EQ(shownText(0), "1,234.50");
}

TEST_F(TimerDialogTest, GermanNumberFormat)
{
    host.setValue(kTimer, 0, "1234.5");
    host.language = "german";
    connect();
    EXPECT_EQ(shownText(0), "1.234,50");
    EXPECT_EQ(runTimer(0, [](fw::CDialog& d) { typeAndOk(d, CTimerdlg::IDC_VALUE, "2.000,25"); }),
              fw::IDOK);
    EXPECT_DOUBLE_EQ(manager->getNEBProgram().getTimer(0).getValue(), 2000.25);
}

class SettingsDialogTest : public EditorFixture
{
protected:
    int runSettings(const std::function<void(fw::CDialog&)>& answer)
    {
        ModalAnswerer answerer(answer);
        CNEBSettingsDLG dialog(*manager, manager->getNEBProgram().getSettings(), nullptr);
        return dialog.DoModal();
    }
};

TEST_F(SettingsDialogTest, ShowsChoicesInStoredOrderAndParameterNames)
{
    host.setValue(kMode, -1, "1");
    host.setValue(kStopEvent, -1, "3");
    connect();
    std::string title;
    Strings modes, labels;
    int modeSelection = -1, stopSelection = -1;
    std::string stopText;
    runSettings([&](fw::CDialog& d) {
        title = d.GetWindowText();
        modes = entries(d, CNEBSettingsDLG::IDC_MODE_LIST);
        modeSelection = combo(d, CNEBSettingsDLG::IDC_MODE_LIST)->currentIndex();
        stopSelection = combo(d, CNEBSettingsDLG::IDC_STOP_LIST)->currentIndex();
        stopText = d.GetDlgItemText(CNEBSettingsDLG::IDC_STOP_LIST);
        for (int id : {3040, 3041, 3042})
            labels.push_back(d.GetDlgItemText(id));
    });
    EXPECT_EQ(title, "Logic controller settings");
    EXPECT_EQ(modes, (Strings{"Off", "On"}));
    EXPECT_EQ(modeSelection, 1);
    EXPECT_EQ(stopText, manager->getNEBProgram().getSettings().getItem(2).getText());
    EXPECT_GE(stopSelection, 0);
    EXPECT_EQ(labels, (Strings{"Logic controller mode", "Start event", "Stop event"}));
    EXPECT_EQ(host.callCount("GetParameterName"), 3u);
}

TEST_F(SettingsDialogTest, OkWithoutChangeWritesNothing)
{
    connect();
    EXPECT_EQ(runSettings([](fw::CDialog& d) { clickOk(d); }), fw::IDCANCEL);
    EXPECT_TRUE(writes().empty());
}

TEST_F(SettingsDialogTest, ChangedStopEventWritesAllThreeOnce)
{
    connect();
    std::string chosen;
    EXPECT_EQ(runSettings([&](fw::CDialog& d) {
                  QComboBox* stop = combo(d, CNEBSettingsDLG::IDC_STOP_LIST);
                  testsupport::chooseEntry(stop, 2);
                  chosen = stop->currentText().toStdString();
                  clickOk(d);
              }),
              fw::IDOK);
    const unsigned long stopId = manager->getNEBProgram().getSettings().getItem(2).getID();
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(writes()[0], (Strings{"1300=0", "1305=0", "1306=" + std::to_string(stopId)}));
    EXPECT_EQ(host.value(kStopEvent), std::to_string(stopId));
    EXPECT_EQ(manager->getNEBProgram().getSettings().getItem(2).getText(), chosen);
}

TEST_F(SettingsDialogTest, ListWithoutSelectionCancels)
{
    connect();
    EXPECT_EQ(runSettings([](fw::CDialog& d) {
                  testsupport::chooseEntry(combo(d, CNEBSettingsDLG::IDC_MODE_LIST), 1);
                  d.GetComboBox(CNEBSettingsDLG::IDC_START_LIST).SetCurSel(-1);
                  clickOk(d);
              }),
              fw::IDCANCEL);
    EXPECT_TRUE(writes().empty());
}

TEST_F(SettingsDialogTest, CommandLayerRunsTheDialogModally)
{
    connect();
    ModalAnswerer answerer([](fw::CDialog& d) {
        testsupport::chooseEntry(combo(d, CNEBSettingsDLG::IDC_MODE_LIST), 1);
        clickOk(d);
    });
    manager->showNEB_Settings();
    EXPECT_EQ(answerer.answered(), (std::vector<unsigned>{3049}));
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(writes()[0].at(0), "1300=1");
    EXPECT_EQ(manager->getNEBProgram().getSettings().getItem(0).getID(), 1u);
}

} // namespace
