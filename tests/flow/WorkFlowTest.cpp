#include "FlowFixture.h"

#include "Dialogs/BottomArrow.h"
#include "Dialogs/NEBSettingsDLG.h"
#include "Dialogs/TopArrow.h"

#include "External_Data_Manager/ExternalDataManager.h"

#include "framework/Resources.h"

using namespace flowtest;
using testsupport::ModalAnswerer;
using testsupport::PopupMenuRecorder;

namespace {

using Steps = std::vector<std::pair<std::string, std::string>>;

class WorkFlowTest : public FlowFixture
{};

TEST_F(WorkFlowTest, ThreePairsAreStackedBetweenTheArrows)
{
    setThreePairs();
    open();
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_STREQ(flow->metaObject()->className(), "CWorkFlow");
    EXPECT_EQ(flow->parentWidget(), view);
    EXPECT_TRUE(flow->isVisible() || flow->isVisibleTo(view));

    const std::vector<fw::CDialog*> elements = elementsOf(flow.get());
    ASSERT_EQ(elements.size(), 5u);
    std::vector<unsigned> templates;
    std::vector<QRect> places;
    for (fw::CDialog* element : elements) {
        templates.push_back(element->GetTemplateId());
        places.push_back(element->geometry());
        EXPECT_FALSE(element->isHidden());
    }
    EXPECT_EQ(templates, (std::vector<unsigned>{2141, 2134, 2134, 2134, 2142}));
    EXPECT_EQ(places, (std::vector<QRect>{QRect(53, 0, 56, 28), QRect(40, 28, 400, 76),
                                          QRect(40, 104, 400, 76), QRect(40, 180, 400, 76),
                                          QRect(53, 256, 56, 28)}));
    // Bottom arrow's top plus twice its height; the width of the template stays.
    EXPECT_EQ(flow->geometry(), QRect(0, 0, 470, 256 + 2 * 28));
    EXPECT_EQ(flow->GetWindowRect().Height(), 312);

    for (CEAPairCtrl* pair : flow->pairCtrls()) {
        const std::vector<fw::CDialog*> boxes = elementsOf(pair);
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0], &pair->eventCtrl());
        EXPECT_EQ(boxes[0]->geometry(), QRect(21, 10, 372, 28));
        EXPECT_EQ(boxes[1], &pair->actionCtrl());
        EXPECT_EQ(boxes[1]->geometry(), QRect(50, 40, 343, 28));
        EXPECT_FALSE(pair->isSelected());
    }
    EXPECT_EQ(shownSteps(),
              (Steps{{"True", "Start"}, {"Comparator 0", "Start timer 0"}, {"Timeout 0", "Stop"}}));
    EXPECT_EQ(eventList(pairCtrl(0))->count(), 28);
    EXPECT_EQ(actionList(pairCtrl(0))->count(), 13);
}

TEST_F(WorkFlowTest, EmptyProgramAnsweredNoStaysEmpty)
{
    messages.setAnswer(fw::IDNO);
    open();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, fw::loadString(2139));
    EXPECT_EQ(messages.shown()[0].type, fw::MB_YESNO);
    EXPECT_TRUE(flow->IsWindowCreated());
    EXPECT_TRUE(elementsOf(flow.get()).empty());
    EXPECT_TRUE(flow->pairCtrls().empty());
    EXPECT_EQ(flow->geometry(), QRect(0, 0, 470, 300)); // as the template made it
    EXPECT_TRUE(writes().empty());

    // A rebuild asks nothing and builds nothing.
    flow->reReadData();
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(elementsOf(flow.get()).empty());
}

TEST_F(WorkFlowTest, EmptyProgramAnsweredYesGetsOnePair)
{
    messages.setAnswer(fw::IDYES);
    connect();
    flow = std::make_unique<CountingWorkFlow>(*manager);
    flow->createYourself(*view);

    EXPECT_EQ(messages.shown().size(), 1u);
    ASSERT_EQ(writes().size(), 1u);
    EXPECT_EQ(host.value(kAction, 0), "1"); // the default step
    EXPECT_EQ(host.value(kAction, 1), "0"); // and the end marker after it
    const std::vector<fw::CDialog*> elements = elementsOf(flow.get());
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[0]->GetTemplateId(), 2141u);
    EXPECT_EQ(elements[1]->GetTemplateId(), 2134u);
    EXPECT_EQ(elements[2]->geometry(), QRect(53, 104, 56, 28));
    EXPECT_EQ(flow->height(), 104 + 56);
    EXPECT_EQ(shownSteps(), (Steps{{"False", "No action"}}));
}

TEST_F(WorkFlowTest, FlowMenuFromTheArrowsAndTheFreeArea)
{
    setThreePairs();
    open();
    PopupMenuRecorder menus;

    mouseUp(elementsOf(flow.get()).front(), Qt::RightButton, QPoint(3, 4));
    mouseUp(elementsOf(flow.get()).back(), Qt::RightButton, QPoint(10, 20));
    mouseUp(flow.get(), Qt::RightButton, QPoint(200, 300));
    ASSERT_EQ(menus.tracked().size(), 3u);
    const auto& menu = menus.tracked()[0];
    ASSERT_EQ(menu.items.size(), 3u);
    EXPECT_EQ(menu.items[0].text, "Controller settings...");
    EXPECT_EQ(menu.items[0].command, ID_SHOW_SETTINGS);
    EXPECT_TRUE(menu.items[1].separator);
    EXPECT_EQ(menu.items[2].text, "Add pair at end");
    EXPECT_EQ(menu.items[2].command, ID_ADD_PAIR_TO_END);
    EXPECT_EQ(menu.owner, flow.get());
    // The click's point, in the flow's client coordinates, placed on the screen.
    EXPECT_EQ(menu.screenPoint, flow->mapToGlobal(QPoint(53 + 3, 0 + 4)));
    EXPECT_EQ(menus.tracked()[1].screenPoint, flow->mapToGlobal(QPoint(53 + 10, 256 + 20)));
    EXPECT_EQ(menus.tracked()[2].screenPoint, flow->mapToGlobal(QPoint(200, 300)));
    EXPECT_EQ(menus.tracked()[2].owner, flow.get());
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 0); // dismissed menus command nothing
    EXPECT_TRUE(writes().empty());
}

TEST_F(WorkFlowTest, AddPairAtEndFromTheFlowMenuRebuildsAtOnce)
{
    setThreePairs();
    open();
    PopupMenuRecorder menus(ID_ADD_PAIR_TO_END);
    mouseUp(flow.get(), Qt::RightButton, QPoint(200, 300));
    EXPECT_EQ(flow->rebuilds, 0); // the command arrives once the menu's handler returned
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(host.value(kAction, 3), "1");
    EXPECT_EQ(shownSteps(), (Steps{{"True", "Start"},
                                   {"Comparator 0", "Start timer 0"},
                                   {"Timeout 0", "Stop"},
                                   {"False", "No action"}}));
    EXPECT_EQ(flow->height(), 28 + 4 * 76 + 2 * 28);
    EXPECT_EQ(elementsOf(flow.get()).size(), 6u);
}

TEST_F(WorkFlowTest, SettingsCommandRebuildsAlsoWhenCancelled)
{
    setThreePairs();
    open();
    ModalAnswerer cancel([](fw::CDialog&) {});
    flow->dispatchCommand(ID_SHOW_SETTINGS, 0);
    EXPECT_EQ(cancel.answered(), (std::vector<unsigned>{CNEBSettingsDLG::IDD}));
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(flow->pairCtrls().size(), 3u);
}

TEST_F(WorkFlowTest, PairMenuAtTheClickOnTheActionBox)
{
    setThreePairs();
    open();
    PopupMenuRecorder menus;
    CEAPairCtrl& pair = pairCtrl(1);
    mouseUp(&pair.actionCtrl(), Qt::RightButton, QPoint(5, 7));
    ASSERT_EQ(menus.tracked().size(), 1u);
    const auto& menu = menus.tracked()[0];
    EXPECT_EQ(menu.owner, &pair);
    EXPECT_EQ(menu.screenPoint, pair.mapToGlobal(QPoint(50 + 5, 40 + 7)));
    ASSERT_EQ(menu.items.size(), 4u);
    EXPECT_EQ(menu.items[0].text, "Controller settings...");
    EXPECT_EQ(menu.items[0].command, ID_SHOW_SETTINGS);
    EXPECT_TRUE(menu.items[1].separator);
    EXPECT_EQ(menu.items[2].text, "Insert pair before");
    EXPECT_EQ(menu.items[2].command, ID_INSERT_PAIR_BEFORE);
    EXPECT_EQ(menu.items[3].text, "Delete pair");
    EXPECT_EQ(menu.items[3].command, ID_DELETE_PAIR);

    // The event box and the pair's own free area open the same menu.
    mouseUp(&pair.eventCtrl(), Qt::RightButton, QPoint(2, 3));
    mouseUp(&pair, Qt::RightButton, QPoint(4, 70));
    ASSERT_EQ(menus.tracked().size(), 3u);
    EXPECT_EQ(menus.tracked()[1].screenPoint, pair.mapToGlobal(QPoint(21 + 2, 10 + 3)));
    EXPECT_EQ(menus.tracked()[2].screenPoint, pair.mapToGlobal(QPoint(4, 70)));
    EXPECT_EQ(menus.tracked()[2].items.size(), 4u);
}

TEST_F(WorkFlowTest, DeletePairRebuildsAfterThePairHandlerReturned)
{
    setThreePairs();
    open();
    PopupMenuRecorder menus(ID_DELETE_PAIR);
    CEAPairCtrl* deleted = &pairCtrl(1);
    mouseUp(&deleted->actionCtrl(), Qt::RightButton, QPoint(5, 7));
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(host.value(kAction, 2), "0");
    EXPECT_EQ(shownSteps(), (Steps{{"True", "Start"}, {"Timeout 0", "Stop"}}));
    EXPECT_EQ(elementsOf(flow.get()).size(), 4u);
    EXPECT_EQ(flow->height(), 28 + 2 * 76 + 2 * 28);
}

TEST_F(WorkFlowTest, InsertPairBeforeAndSettingsFromThePairMenu)
{
    setThreePairs();
    open();
    {
        PopupMenuRecorder menus(ID_INSERT_PAIR_BEFORE);
        mouseUp(&pairCtrl(0), Qt::RightButton, QPoint(4, 70));
        runPostedMessages();
    }
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_EQ(shownSteps(), (Steps{{"False", "No action"},
                                   {"True", "Start"},
                                   {"Comparator 0", "Start timer 0"},
                                   {"Timeout 0", "Stop"}}));

    PopupMenuRecorder menus(ID_SHOW_SETTINGS);
    ModalAnswerer cancel([](fw::CDialog&) {});
    mouseUp(&pairCtrl(2), Qt::RightButton, QPoint(4, 70));
    runPostedMessages();
    EXPECT_EQ(cancel.answered(), (std::vector<unsigned>{CNEBSettingsDLG::IDD}));
    EXPECT_EQ(flow->rebuilds, 2);
    EXPECT_EQ(flow->pairCtrls().size(), 4u);
}

TEST_F(WorkFlowTest, FailedCommandStillRebuildsFromTheProgram)
{
    // A full program: adding fails in the model, nothing is written, the flow
    // shows the program as it is.
    std::vector<std::pair<int, int>> steps(20, {1, 22});
    setProgram(steps);
    open();
    EXPECT_EQ(flow->pairCtrls().size(), 20u);
    flow->dispatchCommand(ID_ADD_PAIR_TO_END, 0);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_EQ(flow->pairCtrls().size(), 20u);
    EXPECT_FALSE(logLines().empty());
}

TEST_F(WorkFlowTest, DeletingTheOnlyPairLeavesAnEmptyFlowWithoutAsking)
{
    setProgram({{1, 22}});
    open();
    EXPECT_EQ(flow->height(), 28 + 76 + 2 * 28);
    PopupMenuRecorder menus(ID_DELETE_PAIR);
    mouseUp(&pairCtrl(0), Qt::RightButton, QPoint(4, 70));
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_EQ(host.value(kAction, 0), "0");
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(elementsOf(flow.get()).empty());
    EXPECT_EQ(flow->height(), 28 + 76 + 2 * 28); // the size of the last column stays

    // Adding from the flow's menu builds the column again.
    menus.setAnswer(ID_ADD_PAIR_TO_END);
    mouseUp(flow.get(), Qt::RightButton, QPoint(100, 20));
    runPostedMessages();
    EXPECT_EQ(elementsOf(flow.get()).size(), 3u);
    EXPECT_EQ(shownSteps(), (Steps{{"False", "No action"}}));
}

TEST_F(WorkFlowTest, UnknownStoredEventFailsTheBuildWithALogLine)
{
    setThreePairs();
    host.setValue(kEvent, 1, "99"); // no entry of the event list has this ID
    connect();
    flow = std::make_unique<CountingWorkFlow>(*manager);
    EXPECT_THROW(flow->createYourself(*view), CCustomException);
    EXPECT_EQ(logLines().size(), 1u);
    EXPECT_TRUE(writes().empty());

    // A rebuild asked for by a window stops at the event loop, and the next
    // build after the drive is put right shows the whole column.
    fw::postMessage(flow.get(), WM_REREAD_DATA);
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 1);
    EXPECT_EQ(logLines().size(), 2u);
    host.setValue(kEvent, 1, "2");
    manager->updateNebProgram();
    flow->reReadData();
    EXPECT_EQ(elementsOf(flow.get()).size(), 5u);
    EXPECT_EQ(shownSteps()[1],
              std::make_pair(std::string("Running"), std::string("Start timer 0")));
    EXPECT_EQ(flow->height(), 28 + 3 * 76 + 2 * 28);
}

TEST_F(WorkFlowTest, EnterAndEscapeCloseNothing)
{
    setThreePairs();
    open();
    CEAPairCtrl& pair = pairCtrl(1);
    std::vector<fw::CDialog*> windows = elementsOf(flow.get());
    windows.push_back(flow.get());
    windows.push_back(&pair.eventCtrl());
    windows.push_back(&pair.actionCtrl());
    for (fw::CDialog* window : windows) {
        pressKey(window, Qt::Key_Return);
        pressKey(window, Qt::Key_Escape);
        window->dispatchCommand(fw::IDOK, fw::BN_CLICKED);
        window->dispatchCommand(fw::IDCANCEL, fw::BN_CLICKED);
    }
    runPostedMessages();
    for (fw::CDialog* window : windows) {
        EXPECT_TRUE(window->IsWindowCreated()) << window->GetTemplateId();
        EXPECT_FALSE(window->isHidden()) << window->GetTemplateId();
        EXPECT_FALSE(window->IsEnded()) << window->GetTemplateId();
    }
    EXPECT_EQ(flow->rebuilds, 0);
    EXPECT_TRUE(writes().empty());
}

TEST_F(WorkFlowTest, HostUpdateRebuildsEveryElementWindow)
{
    setThreePairs();
    open();
    host.setValue(kEvent, 0, "5");
    host.setValue(kAction, 2, "0");
    manager->updateNebProgram();
    flow->reReadData();
    EXPECT_EQ(shownSteps(), (Steps{{"Warning", "Start"}, {"Comparator 0", "Start timer 0"}}));
    EXPECT_EQ(elementsOf(flow.get()).size(), 4u);
    EXPECT_EQ(flow->height(), 28 + 2 * 76 + 2 * 28);
}

TEST_F(WorkFlowTest, LeftClicksMoveTheFocusAndTheFrame)
{
    setThreePairs();
    open();
    activate();
    CEAPairCtrl& pair = pairCtrl(2);
    mouseUp(&pair, Qt::LeftButton, QPoint(4, 70));
    QApplication::processEvents();
    EXPECT_TRUE(pair.hasFocus());
    EXPECT_TRUE(pair.isSelected());
    EXPECT_EQ(pair.grab().toImage().pixelColor(0, 0), QColor(Qt::black));

    mouseUp(elementsOf(flow.get()).back(), Qt::LeftButton, QPoint(3, 3)); // the bottom arrow
    QApplication::processEvents();
    EXPECT_TRUE(flow->hasFocus());
    EXPECT_FALSE(pair.isSelected());
    EXPECT_EQ(pair.grab().toImage().pixelColor(0, 0), QColor(Qt::white));
}

} // namespace
