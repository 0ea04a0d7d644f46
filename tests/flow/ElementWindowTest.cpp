#include "FlowFixture.h"

#include "Dialogs/Compdlg.h"
#include "Dialogs/LRdlg.h"
#include "Dialogs/Timerdlg.h"
#include "Settings_Manager/CNEB_EAPair.h"
#include "Settings_Manager/CNEB_Event.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include "framework/widgets/ComboBox.h"

#include <QAbstractItemView>
#include <QLineEdit>

#include <fstream>
#include <sstream>

using namespace flowtest;
using testsupport::chooseEntry;
using testsupport::ModalAnswerer;

namespace {

using Steps = std::vector<std::pair<std::string, std::string>>;

class ElementWindowTest : public FlowFixture
{
protected:
    // The title of each modal dialog answered, in order; each is cancelled
    // unless `ok` is set, then its value field gets `value` and OK is clicked.
    std::vector<std::string> titles;
    ModalAnswerer recordTitles(bool ok = false, const std::string& value = {})
    {
        return ModalAnswerer([this, ok, value](fw::CDialog& dialog) {
            titles.push_back(dialog.GetWindowText());
            if (ok)
                typeAndOk(dialog, CTimerdlg::IDC_VALUE, value);
        });
    }
};

TEST_F(ElementWindowTest, DifferentEventIsWrittenOnceAndTheFlowRebuiltOnce)
{
    setThreePairs();
    open();
    CEAPairCtrl* before = &pairCtrl(1);
    chooseEntry(eventList(*before), kEventTimeout0);
    // Written at once; the rebuild waits until the list's handler has returned.
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(host.value(kEvent, 1), "34");
    EXPECT_EQ(flow->rebuilds, 0);
    EXPECT_EQ(flow->pairCtrls().size(), 3u);

    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(shownSteps(),
              (Steps{{"True", "Start"}, {"Timeout 0", "Start timer 0"}, {"Timeout 0", "Stop"}}));
    EXPECT_EQ(objectButton(pairCtrl(1).eventCtrl())->text(), "Timer...");
    EXPECT_FALSE(pairCtrl(1).isSelected());
}

TEST_F(ElementWindowTest, DifferentActionIsWrittenOnceAndTheFlowRebuiltOnce)
{
    setThreePairs();
    open();
    chooseEntry(actionList(pairCtrl(0)), kActionTimer0);
    runPostedMessages();
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(host.value(kAction, 0), "30");
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_EQ(shownSteps()[0], std::make_pair(std::string("True"), std::string("Start timer 0")));
    QAbstractButton* button = objectButton(pairCtrl(0).actionCtrl());
    EXPECT_FALSE(button->isHidden());
    EXPECT_EQ(button->text(), "Timer...");
}

TEST_F(ElementWindowTest, FailedWriteIsLoggedAndTheFlowStillRebuilt)
{
    setThreePairs();
    open();
    host.failOperation("WriteParameterValues");
    chooseEntry(actionList(pairCtrl(2)), kActionNoAction);
    runPostedMessages();
    EXPECT_EQ(host.value(kAction, 2), "24"); // the drive keeps its value
    EXPECT_EQ(logLines().size(), 1u);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_EQ(flow->pairCtrls().size(), 3u);
}

TEST_F(ElementWindowTest, ChoosingTheCurrentEntryWritesNothing)
{
    setThreePairs();
    open();
    CEAPairCtrl* pair = &pairCtrl(1);
    chooseEntry(eventList(*pair), kEventComparator0);
    chooseEntry(actionList(*pair), kActionTimer0);
    runPostedMessages();
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(flow->rebuilds, 0);
    EXPECT_EQ(&pairCtrl(1), pair); // the same windows
}

TEST_F(ElementWindowTest, ListWithoutSelectionChangesNothing)
{
    setThreePairs();
    open();
    QComboBox* list = eventList(pairCtrl(0));
    list->setCurrentIndex(-1);
    pairCtrl(0).eventCtrl().dispatchCommand(CEventCtrl::IDC_EVENT_LIST, fw::CBN_SELCHANGE);
    runPostedMessages();
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(flow->rebuilds, 0);
}

TEST_F(ElementWindowTest, ObjectButtonsFollowTheKindOfTheEntry)
{
    setProgram({{1, 22}, {22, 30}, {28, 24}, {34, 1}});
    open();
    // Event: hidden for a plain event, comparator, logic rule, timer captions.
    std::vector<std::string> captions;
    std::vector<bool> shown;
    for (CEAPairCtrl* pair : flow->pairCtrls()) {
        QAbstractButton* button = objectButton(pair->eventCtrl());
        shown.push_back(!button->isHidden() && button->isEnabled());
        captions.push_back(button->isHidden() ? "" : button->text().toStdString());
    }
    EXPECT_EQ(shown, (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(captions,
              (std::vector<std::string>{"", "Comparator...", "Logic rule...", "Timer..."}));
    // Action: only a timer shows its button.
    shown.clear();
    for (CEAPairCtrl* pair : flow->pairCtrls()) {
        QAbstractButton* button = objectButton(pair->actionCtrl());
        shown.push_back(!button->isHidden() && button->isEnabled());
    }
    EXPECT_EQ(shown, (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(objectButton(pairCtrl(1).actionCtrl())->text(), "Timer...");

    // A new choice updates the button before it is written.
    chooseEntry(eventList(pairCtrl(0)), kEventComparator0);
    EXPECT_EQ(objectButton(pairCtrl(0).eventCtrl())->text(), "Comparator...");
    EXPECT_FALSE(objectButton(pairCtrl(0).eventCtrl())->isHidden());
    runPostedMessages();
}

TEST_F(ElementWindowTest, EventObjectButtonOpensTheEditorOfItsObject)
{
    setProgram({{28, 22}, {22, 30}, {35, 24}});
    open();
    {
        // Comparator and timer editors cancelled: nothing re-read.
        ModalAnswerer answerer = recordTitles();
        objectButton(pairCtrl(1).eventCtrl())->click();
        objectButton(pairCtrl(2).eventCtrl())->click();
        EXPECT_EQ(answerer.answered(), (std::vector<unsigned>{CCompdlg::IDD, CTimerdlg::IDD}));
        runPostedMessages();
        EXPECT_EQ(flow->rebuilds, 0);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Comparator 0", "Timer 1"}));
    {
        // The logic rule editor leads to a re-read also when cancelled.
        ModalAnswerer answerer = recordTitles();
        objectButton(pairCtrl(0).eventCtrl())->click();
        EXPECT_EQ(answerer.answered(), (std::vector<unsigned>{CLRdlg::IDD}));
        runPostedMessages();
        EXPECT_EQ(flow->rebuilds, 1);
    }
    {
        // A timer changed with OK: written by the editor, then re-read.
        ModalAnswerer answerer = recordTitles(true, "12.5");
        objectButton(pairCtrl(2).eventCtrl())->click();
        runPostedMessages();
        EXPECT_EQ(flow->rebuilds, 2);
        EXPECT_EQ(writes().size(), 1u);
        EXPECT_NE(host.value(editortest::kTimer, 1), "0.000000");
    }
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(ElementWindowTest, ObjectButtonOpensTheStoredItemsObjectLookedUpAtEachPress)
{
    setProgram({{34, 22}});
    open();
    CEAPairCtrl& pair = pairCtrl(0);
    ModalAnswerer answerer = recordTitles();
    // A selection in the list that has not been committed does not count.
    eventList(pair)->setCurrentIndex(kEventComparator0);
    objectButton(pair.eventCtrl())->click();
    // The stored item changes under the window: the next press follows it.
    CNEB_Event& event = pair.getPair().getEvent();
    event.setItem(event.getChoicelist().findItem(23));
    objectButton(pair.eventCtrl())->click();
    EXPECT_EQ(answerer.answered(), (std::vector<unsigned>{CTimerdlg::IDD, CCompdlg::IDD}));
    EXPECT_EQ(titles, (std::vector<std::string>{"Timer 0", "Comparator 1"}));
    EXPECT_TRUE(writes().empty());
}

TEST_F(ElementWindowTest, ActionObjectButtonOpensTheTimerEditor)
{
    setProgram({{1, 33}});
    open();
    ModalAnswerer answerer = recordTitles();
    objectButton(pairCtrl(0).actionCtrl())->click();
    EXPECT_EQ(answerer.answered(), (std::vector<unsigned>{CTimerdlg::IDD}));
    EXPECT_EQ(titles, (std::vector<std::string>{"Timer 3"}));
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 0);
}

TEST_F(ElementWindowTest, SelectionFrameFollowsTheDropDownList)
{
    setThreePairs();
    open();
    activate();
    CEAPairCtrl& pair = pairCtrl(1);
    EXPECT_EQ(pair.grab().toImage().pixelColor(0, 0), QColor(Qt::white));

    QComboBox* list = eventList(pair);
    list->setFocus();
    QApplication::processEvents();
    fw::CComboBox(list).ShowDropDown(true);
    EXPECT_TRUE(pair.isSelected());
    EXPECT_EQ(pair.grab().toImage().pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(pair.grab().toImage().pixelColor(200, 75), QColor(Qt::black));
    EXPECT_EQ(pair.grab().toImage().pixelColor(3, 3), QColor(Qt::white));
    fw::CComboBox(list).ShowDropDown(false);
    EXPECT_TRUE(pair.isSelected()); // the list keeps the focus

    // The focus leaves the list for another pair's list: the frame goes.
    actionList(pairCtrl(2))->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(pair.isSelected());
    EXPECT_EQ(pair.grab().toImage().pixelColor(0, 0), QColor(Qt::white));

    // The event's button beside the list opens it, and the pair is framed.
    QAbstractButton* open =
        pairCtrl(0).eventCtrl().GetDlgItemAs<QAbstractButton>(CEventCtrl::IDC_OPEN_LIST);
    ASSERT_NE(open, nullptr);
    open->click();
    EXPECT_TRUE(pairCtrl(0).isSelected());
    EXPECT_TRUE(eventList(pairCtrl(0))->view()->isVisible());
    fw::CComboBox(eventList(pairCtrl(0))).ShowDropDown(false);
    EXPECT_EQ(flow->rebuilds, 0);
    EXPECT_TRUE(writes().empty());
}

// A drive configuration in which the action "Start" (22) stands for comparator 0.
std::string configurationWithActionComparator()
{
    std::ifstream in(NEBPT_DATA_DIR "/drives_conf.xml");
    std::stringstream text;
    text << in.rdbuf();
    std::string xml = text.str();
    const std::string list = "<Choicelist parameternumber=\"1302\">";
    const size_t at = xml.find(list);
    if (at != std::string::npos)
        xml.insert(at + list.size(), "<Item ID=\"22\"><Object Type=\"COMP\">0</Object></Item>"
                                     "<Item ID=\"24\"><Object Type=\"LR\">1</Object></Item>");
    return xml;
}

TEST_F(ElementWindowTest, ActionReferringToAComparatorOrLogicRuleHidesItsButton)
{
    const std::string xml = configurationWithActionComparator();
    ASSERT_NE(xml.find("<Item ID=\"22\"><Object Type=\"COMP\">0</Object></Item><Item"),
              std::string::npos);
    testsupport::ScratchFolder folder;
    folder.writeGzip("drives_conf.neb", xml);
    setProgram({{1, 22}, {1, 24}});
    {
        testsupport::ExecutableFolderGuard exe(folder.path());
        open();
    }
    CNEB_ChoicelistItem& start = pairCtrl(0).getPair().getAction().getItem();
    EXPECT_EQ(manager->lookupChoicelistItemObject(start).getKind(), 2);
    for (CEAPairCtrl* pair : flow->pairCtrls()) {
        QAbstractButton* button = objectButton(pair->actionCtrl());
        EXPECT_TRUE(button->isHidden());
        EXPECT_FALSE(button->isEnabled());
    }
    ModalAnswerer answerer([](fw::CDialog&) {});
    pairCtrl(0).actionCtrl().dispatchCommand(CActionCtrl::IDC_OBJECT_BUTTON, fw::BN_CLICKED);
    EXPECT_TRUE(answerer.answered().empty());
}

} // namespace
