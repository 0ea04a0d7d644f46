#include "dialogs/EditorDialogFixture.h"

#include "Dialogs/DialogColours.h"
#include "Dialogs/EAPairCtrl.h"
#include "Dialogs/NEBSettingsDLG.h"
#include "Dialogs/Timerdlg.h"
#include "Dialogs/WorkFlow.h"

#include "framework/Resources.h"
#include "framework/widgets/ComboBox.h"
#include "framework/widgets/ElidedLabel.h"
#include "languages/common/NEBPTResources.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <fstream>
#include <iterator>

using editortest::Strings;
using testsupport::chooseEntry;
using testsupport::ModalAnswerer;
using testsupport::PopupMenuRecorder;

namespace {

using editortest::kAction;
using editortest::kEvent;
using Steps = std::vector<std::pair<std::string, std::string>>;

// Items of the sample drive's event and action lists, which list them in the
// order of their IDs: an item's position is its ID.
constexpr int kEventComparator0 = 22, kEventTimeout0 = 34, kActionNoAction = 1, kActionStart = 16,
              kActionStop = 18, kActionTimer0 = 30;

// The flow view with its rebuilds counted.
class CountingWorkFlow : public CWorkFlow
{
public:
    using CWorkFlow::CWorkFlow;
    void reReadData() override { ++rebuilds, CWorkFlow::reReadData(); }
    int rebuilds = 0;
};

// The flow inside a host window (host window > form view > flow) over the fake
// host's sample drive, with the English library current.
class WorkFlowTest : public editortest::EditorFixture
{
protected:
    // Stores the steps (event ID, action ID), connects, creates the flow in the
    // view and forgets the host calls so far. By default True/Start, Comparator
    // 0/Start timer 0, Timeout 0/Stop.
    void open(const std::vector<std::pair<int, int>>& steps = {{1, kActionStart},
                                                               {kEventComparator0, kActionTimer0},
                                                               {kEventTimeout0, kActionStop}})
    {
        storeSteps(steps);
        connect();
        flow = std::make_unique<CountingWorkFlow>(*manager);
        flow->createYourself(*view);
        host.clearCalls();
    }

    // The element windows directly in `parent`, top to bottom.
    static std::vector<fw::CDialog*> elementsOf(const QWidget* parent)
    {
        std::vector<fw::CDialog*> result;
        for (fw::CDialog* child : parent->findChildren<fw::CDialog*>(Qt::FindDirectChildrenOnly))
            if (child->IsWindowCreated())
                result.push_back(child);
        std::sort(result.begin(), result.end(),
                  [](fw::CDialog* a, fw::CDialog* b) { return a->pos().y() < b->pos().y(); });
        return result;
    }

    CEAPairCtrl& pairCtrl(size_t n) const { return **std::next(flow->pairCtrls().begin(), n); }
    static QComboBox* list(fw::CDialog& box) { return box.findChild<QComboBox*>(); }
    static QAbstractButton* objectButton(fw::CDialog& box)
    {
        return box.GetDlgItemAs<QAbstractButton>(CEventCtrl::IDC_OBJECT_BUTTON);
    }

    // The object button's caption, "" while it is hidden and disabled.
    static std::string caption(fw::CDialog& box)
    {
        QAbstractButton* b = objectButton(box);
        return b->isHidden() == b->isEnabled() ? "half shown"
               : b->isHidden()                 ? ""
                                               : b->text().toStdString();
    }

    // Event and action text of each pair window, as shown.
    Steps shownSteps() const
    {
        Steps steps;
        for (CEAPairCtrl* pair : flow->pairCtrls())
            steps.emplace_back(list(pair->eventCtrl())->currentText().toStdString(),
                               list(pair->actionCtrl())->currentText().toStdString());
        return steps;
    }

    static void mouseUp(QWidget* widget, Qt::MouseButton button, QPoint point)
    {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(point),
                            widget->mapToGlobal(QPointF(point)), button, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &release);
    }
    // A right click answered with `command` from the popup menu, and the
    // messages it posts run.
    static void menuCommand(QWidget* widget, int command, QPoint point = QPoint(4, 70))
    {
        testsupport::PopupMenuRecorder menus(command);
        mouseUp(widget, Qt::RightButton, point);
        runPostedMessages();
    }

    // A request from an event or action box reaches the flow in two posted hops.
    static void runPostedMessages()
    {
        for (int hop = 0; hop < 4; ++hop)
            testsupport::runPostedMessages();
    }

    // Shows the host window and makes it the active window, so that focus moves.
    void activate()
    {
        hostWindow.show();
        hostWindow.activateWindow();
        QApplication::processEvents();
    }
    QColor frameColour(size_t n) const { return pairCtrl(n).grab().toImage().pixelColor(0, 0); }

    // What pair n shows beside its boxes: its number, its event's and its
    // action's values and the mark of the active step ("" for none or hidden).
    Strings labels(size_t n) const
    {
        CEAPairCtrl& pair = pairCtrl(n);
        Strings texts;
        for (const fw::ElidedLabel* shown : {pair.numberLabel(), pair.eventValueLabel(),
                                             pair.actionValueLabel(), pair.activeMark()})
            texts.push_back(!shown || shown->isHidden() ? "" : shown->text().toStdString());
        return texts;
    }

    QWidget hostWindow;
    QWidget* view = new QWidget(&hostWindow);
    std::unique_ptr<CountingWorkFlow> flow;
};

TEST_F(WorkFlowTest, PairsAreStackedBetweenTheArrows)
{
    open();
    std::vector<unsigned> templates;
    int bottom = 0;
    for (fw::CDialog* element : elementsOf(flow.get())) {
        templates.push_back(element->GetTemplateId());
        EXPECT_FALSE(element->isHidden());
        EXPECT_EQ(element->y(), bottom) << "each below the one before";
        bottom = element->geometry().bottom() + 1;
    }
    EXPECT_EQ(templates, (std::vector<unsigned>{res::IDD_TOP_ARROW, res::IDD_PAIR, res::IDD_PAIR,
                                                res::IDD_PAIR, res::IDD_BOTTOM_ARROW}));
    EXPECT_GE(flow->height(), bottom);
    EXPECT_EQ(shownSteps(),
              (Steps{{"True", "Start"}, {"Comparator 0", "Start timer 0"}, {"Timeout 0", "Stop"}}));
    EXPECT_EQ(list(pairCtrl(0).eventCtrl())->count(), 42);
    EXPECT_EQ(list(pairCtrl(0).actionCtrl())->count(), 50);
    // One copy of each choice list for the column, each list with its own selection.
    EXPECT_EQ(list(pairCtrl(0).eventCtrl())->model(), list(pairCtrl(2).eventCtrl())->model());
    EXPECT_NE(list(pairCtrl(0).eventCtrl())->model(), list(pairCtrl(0).actionCtrl())->model());
}

// Each pair's number as every command numbers the pairs, and beside each object
// button what its object holds, in the editor's language, read anew by every
// rebuild: a logic rule's formula as the controller works it out, from the left.
TEST_F(WorkFlowTest, ValuesBesideTheObjectButtonsInTheEditorsLanguage)
{
    const struct
    {
        const char* language;
        fw::LibraryHandle library;
        Strings first;  // Pair 1: comparator 0 -> start timer 1 (number, values, mark)
        Strings second; // Pair 2: logic rule 1 -> no action
    } languages[] = {
        {"german",
         testsupport::germanLibrary(),
         {"Paar 1", "Motor speed > 1.200,000", "12,50 s", ""},
         {"Paar 2", "(Logic rule 0 ODER Comparator 2) UND NICHT Timeout 2", "", ""}},
        {"english",
         testsupport::englishLibrary(),
         {"Pair 1", "Motor speed > 1,200.000", "12.50 s", ""},
         {"Pair 2", "(Logic rule 0 OR Comparator 2) AND NOT Timeout 2", "", ""}},
    };
    for (const auto& row : languages) {
        SCOPED_TRACE(row.language);
        host.language = row.language;
        testsupport::CurrentLanguageGuard guard(row.library);
        std::vector<std::pair<int, int>> steps(20, {1, 1});
        steps[0] = {30, 1};
        steps[1] = {kEventComparator0, 31};
        steps[2] = {29, 1};
        open(steps);
        EXPECT_EQ(labels(1), row.first);
        EXPECT_EQ(labels(2), row.second);
        fw::ElidedLabel* last = pairCtrl(19).numberLabel();
        EXPECT_EQ(last->shownText().toStdString(), row.first[0].substr(0, 5) + "19");
    }

    // In English from here. Logic rule 2 (the first pair's event): Digital input 18, Timeout 2,
    // Running; comparator 0 (the second's): motor speed, 1200.
    host.setValue(1320, 2, "19");
    host.setValue(1322, 2, "36");
    host.setValue(1324, 2, "2");
    const struct
    {
        const char *first, *second;      // the rule's operators
        const char *operand, *operation; // the comparator's
        std::string formula, condition;
    } rows[] = {
        {"0", "1", "3", "0", "Digital input 18", "Motor speed < 1,200.000"},
        {"3", "0", "3", "1", "Digital input 18 AND NOT Timeout 2", "Motor speed \u2248 1,200.000"},
        {"1", "1", "0", "2", "Digital input 18 AND Timeout 2 AND Running", "Disabled"},
        {"1", "4", "3", "2", "(Digital input 18 AND Timeout 2) OR NOT Running",
         "Motor speed > 1,200.000"},
        {"7", "2", "3", "2", "(NOT Digital input 18 AND NOT Timeout 2) OR Running",
         "Motor speed > 1,200.000"},
        {"2", "5", "3", "2", "NOT (Digital input 18 OR Timeout 2) AND Running",
         "Motor speed > 1,200.000"},
    };
    for (const auto& row : rows) {
        host.setValue(1321, 2, row.first);
        host.setValue(1323, 2, row.second);
        host.setValue(editortest::kCompOperand, 0, row.operand);
        host.setValue(1311, 0, row.operation);
        manager->updateNebProgram();
        flow->reReadData();
        EXPECT_EQ(labels(0)[1], row.formula);
        EXPECT_EQ(labels(1)[1], row.condition);
        EXPECT_EQ(objectButton(pairCtrl(0).eventCtrl())->accessibleDescription().toStdString(),
                  row.formula)
            << "what a screen reader tells of the button";
    }
}

// The flow takes its view's width, never less than its template's, and the
// values beside the pairs' buttons take the room; in a scroll area whose view
// keeps itself as large as its children and a margin (as the host's does) it
// takes the viewport's width and leaves the view no wider than that.
TEST_F(WorkFlowTest, TheFlowTakesTheWidthOfItsView)
{
    open({{29, 1}}); // logic rule 1: a long formula
    activate();
    const int least = flow->width();
    const std::string formula = "(Logic rule 0 OR Comparator 2) AND NOT Timeout 2";
    const auto check = [&](int expected) {
        EXPECT_EQ(flow->width(), expected);
        fw::ElidedLabel* value = pairCtrl(0).eventValueLabel();
        EXPECT_TRUE(flow->rect().contains(pairCtrl(0).geometry()));
        EXPECT_GT(pairCtrl(0).width(), expected - 3 * CWorkFlow::kPairX);
        EXPECT_TRUE(pairCtrl(0).rect().contains(value->geometry()));
        EXPECT_EQ(value->text().toStdString(), formula);
        // Cut short where the room ends, the whole text in the tool tip once seen.
        value->grab();
        const std::string whole = value->isElided() ? formula : "";
        EXPECT_EQ(value->shownText().endsWith(QChar(0x2026)), value->isElided());
        EXPECT_EQ(value->toolTip().toStdString(), whole);
        EXPECT_EQ(value->accessibleDescription().toStdString(), whole);
        return value->isElided();
    };
    for (const auto& [width, elided] : {std::pair{1000, false}, {300, true}, {900, false}}) {
        SCOPED_TRACE(width);
        view->resize(width, 400);
        EXPECT_EQ(check(std::max(width, least)), elided);
    }

    // The host's view keeps its minimum as large as its children and a margin.
    struct FitsChildren : QObject
    {
        QWidget* view = nullptr;
        bool eventFilter(QObject*, QEvent* event) override
        {
            const QRect children = view->childrenRect();
            if (event->type() == QEvent::Resize)
                view->setMinimumSize(children.right() + 21, children.bottom() + 21);
            return false;
        }
    } fits;
    fits.view = view;
    auto* area = new QScrollArea(&hostWindow);
    area->setWidgetResizable(true);
    area->setWidget(view);
    area->show();
    open({{29, 1}});
    flow->installEventFilter(&fits);
    for (const int width : {1200, 500, 900}) {
        SCOPED_TRACE(width);
        area->resize(width, 300);
        QApplication::processEvents();
        const int viewport = area->viewport()->width();
        EXPECT_EQ(view->width(), std::max(viewport, least + 20));
        check(std::max(viewport - 20, least));
        EXPECT_EQ(area->horizontalScrollBar()->maximum() > 0, viewport - 20 < least);
    }
}

// The controller's state, shown in the pairs without a rebuild: the active step's
// pair framed and marked, the timers' time left; kept by every rebuild until a
// state that is not shown clears it.
TEST_F(WorkFlowTest, TheLiveStateMarksTheActivePairAndTheTimersUntilCleared)
{
    using Timer = NEBPT::TimerLiveState;
    open({{19, 30}, {34, 31}, {kEventComparator0, 1}}); // timers 0 and 1
    activate();
    const std::string active = "\u25B6 active";
    const Timer running{Timer::State::Running, 3150}, ranOut{Timer::State::RanOut, 0};
    const struct
    {
        NEBPT::FlowLiveState state;
        int active;
        Strings first, second; // number, event value, action value, mark
    } rows[] = {
        {{true, true, 1, {running, ranOut}},
         1,
         {"Pair 0", "", "5.00 s (3.2 s left)", ""},
         {"Pair 1", "5.00 s (3.2 s left)", "12.50 s (ran out)", active}},
        // The last tenth still counts; a timer the state does not tell of shows its value.
        {{true, true, 0, {{Timer::State::Running, 1}}},
         0,
         {"Pair 0", "", "5.00 s (0.1 s left)", active},
         {"Pair 1", "5.00 s (0.1 s left)", "12.50 s", ""}},
        {{true, false, 1, {{}, ranOut}}, // stopped: no step is active
         -1,
         {"Pair 0", "", "5.00 s", ""},
         {"Pair 1", "5.00 s", "12.50 s (ran out)", ""}},
        {{false, true, 1, {running, ranOut}}, // cleared
         -1,
         {"Pair 0", "", "5.00 s", ""},
         {"Pair 1", "5.00 s", "12.50 s", ""}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.active);
        const auto shown = [&] {
            for (size_t n = 0; n < 3; ++n) {
                const bool isActive = int(n) == row.active;
                EXPECT_EQ(pairCtrl(n).isActive(), isActive) << n;
                // The frame, and the tint also between the event box's controls.
                const QImage pair = pairCtrl(n).grab().toImage();
                EXPECT_EQ(pair.pixelColor(0, 0),
                          isActive ? dialogcolours::kActiveStepFrame : QColor(Qt::white))
                    << n;
                EXPECT_EQ(pair.pixelColor(CEAPairCtrl::kEventPos + QPoint(48, 14)),
                          isActive ? dialogcolours::kActiveStepTint : QColor(Qt::white))
                    << n;
            }
            EXPECT_EQ(labels(0), row.first);
            EXPECT_EQ(labels(1), row.second);
        };
        flow->showLiveState(row.state);
        shown();
        flow->reReadData();
        shown();
    }
    EXPECT_EQ(flow->rebuilds, int(std::size(rows))) << "none for a state";
    EXPECT_TRUE(writes().empty());
}

TEST_F(WorkFlowTest, EmptyProgramAsksWhetherToAddAPairDeletingTheLastDoesNot)
{
    messages.setAnswer(fw::IDNO);
    open({});
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, fw::loadString(res::IDS_EMPTY_PROGRAM));
    EXPECT_TRUE(elementsOf(flow.get()).empty());

    messages.setAnswer(fw::IDYES);
    flow = std::make_unique<CountingWorkFlow>(*manager);
    flow->createYourself(*view);
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(host.value(kAction, 0), "1"); // the default step
    EXPECT_EQ(host.value(kAction, 1), "0"); // and the end marker after it
    EXPECT_EQ(shownSteps(), (Steps{{"False", "No action"}}));

    const int height = flow->height();
    menuCommand(&pairCtrl(0), ID_DELETE_PAIR);
    EXPECT_EQ(host.value(kAction, 0), "0");
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(elementsOf(flow.get()).empty());
    EXPECT_EQ(flow->height(), height) << "the size of the last column stays";
    menuCommand(flow.get(), ID_ADD_PAIR_TO_END, QPoint(100, 20));
    EXPECT_EQ(elementsOf(flow.get()).size(), 3u);
}

TEST_F(WorkFlowTest, RightClicksOpenTheFlowOrThePairMenuAtTheClickAndKeysCloseNothing)
{
    open();
    PopupMenuRecorder menus;
    CEAPairCtrl& pair = pairCtrl(1);
    const std::vector<std::pair<QWidget*, QWidget*>> clicked = {
        // and the menu's owner
        {elementsOf(flow.get()).back(), flow.get()},
        {flow.get(), flow.get()},
        {&pair.actionCtrl(), &pair},
        {&pair, &pair}};
    const Strings flowItems = {"Controller settings...=62774", "-", "Add pair at end=62772"};
    const Strings pairItems = {"Controller settings...=62774", "-", "Insert pair before=62771",
                               "Delete pair=62773"};
    for (const auto& [widget, owner] : clicked)
        mouseUp(widget, Qt::RightButton, QPoint(5, 7));
    ASSERT_EQ(menus.tracked().size(), clicked.size());
    // Each at the click; entries as "text=command".
    for (size_t i = 0; i < clicked.size(); ++i) {
        const PopupMenuRecorder::Tracked& menu = menus.tracked()[i];
        EXPECT_EQ(menu.owner, clicked[i].second) << i;
        EXPECT_EQ(menu.screenPoint, clicked[i].first->mapToGlobal(QPoint(5, 7))) << i;
        Strings items;
        for (const fw::PopupMenu::Item& item : menu.items)
            items.push_back(item.separator ? "-" : item.text + "=" + std::to_string(item.command));
        EXPECT_EQ(items, menu.owner == &pair ? pairItems : flowItems);
    }

    // Enter and Escape close none of the windows.
    std::vector<fw::CDialog*> windows = elementsOf(flow.get());
    windows.insert(windows.end(), {flow.get(), &pair.eventCtrl(), &pair.actionCtrl()});
    for (fw::CDialog* window : windows)
        for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(window, &press);
        }
    runPostedMessages();
    for (fw::CDialog* window : windows)
        EXPECT_TRUE(window->IsWindowCreated() && !window->isHidden() && !window->IsEnded())
            << window->GetTemplateId();
    EXPECT_EQ(flow->rebuilds, 0); // dismissed menus command nothing
}

TEST_F(WorkFlowTest, MenuCommandsChangeTheProgramAndRebuildOnceTheMenuReturned)
{
    open();
    const int height = flow->height();
    {
        PopupMenuRecorder menus(ID_ADD_PAIR_TO_END);
        mouseUp(flow.get(), Qt::RightButton, QPoint(200, 300));
        EXPECT_EQ(flow->rebuilds, 0);
        runPostedMessages();
    }
    EXPECT_EQ(host.value(kAction, 3), "1");
    EXPECT_EQ(flow->height(), height + pairCtrl(0).height());
    menuCommand(&pairCtrl(1).actionCtrl(), ID_DELETE_PAIR, QPoint(5, 7));
    EXPECT_EQ(host.value(kAction, 3), "0");
    menuCommand(&pairCtrl(0), ID_INSERT_PAIR_BEFORE);
    EXPECT_EQ(shownSteps(), (Steps{{"False", "No action"},
                                   {"True", "Start"},
                                   {"Timeout 0", "Stop"},
                                   {"False", "No action"}}));
    EXPECT_EQ(elementsOf(flow.get()).size(), 6u);

    // The settings dialog leads to a rebuild also when cancelled.
    ModalAnswerer answerer([](fw::CDialog&) {});
    menuCommand(flow.get(), ID_SHOW_SETTINGS, QPoint(200, 300));
    menuCommand(&pairCtrl(2), ID_SHOW_SETTINGS);
    EXPECT_EQ(answerer.answered(),
              (std::vector<unsigned>{CNEBSettingsDLG::IDD, CNEBSettingsDLG::IDD}));
    EXPECT_EQ(flow->rebuilds, 5);
    EXPECT_EQ(writes().size(), 3u);
}

TEST_F(WorkFlowTest, FailuresAreLoggedAndTheFlowStillRebuiltFromTheDrive)
{
    open(std::vector<std::pair<int, int>>(20, {1, kActionStart})); // full: adding fails
    flow->dispatchCommand(ID_ADD_PAIR_TO_END, 0);
    host.failOperation("WriteParameterValues");
    chooseEntry(list(pairCtrl(2).actionCtrl()), kActionNoAction);
    runPostedMessages();
    EXPECT_EQ(logLines().size(), 2u);
    EXPECT_EQ(host.value(kAction, 2), "16"); // the drive keeps its value
    EXPECT_EQ(shownSteps()[2].second, "No action") << "the program keeps the change";
    EXPECT_EQ(flow->rebuilds, 2);
    EXPECT_EQ(flow->pairCtrls().size(), 20u);

    // An event that no entry of the list has fails the build; a rebuild asked
    // for by a window stops at the event loop.
    host.stopFailing();
    host.setValue(kEvent, 1, "99");
    manager->updateNebProgram();
    fw::postMessage(flow.get(), WM_REREAD_DATA);
    runPostedMessages();
    EXPECT_EQ(logLines().size(), 3u);
    // The next build after the drive is put right shows the whole column.
    host.setValue(kEvent, 1, "2");
    manager->updateNebProgram();
    flow->reReadData();
    EXPECT_EQ(shownSteps()[1], Steps::value_type("Running", "Start"));
    EXPECT_EQ(elementsOf(flow.get()).size(), 22u);
    EXPECT_TRUE(messages.shown().empty());
}

// A rebuild, from a single pair to a full program, shows the column as the first
// build did: the same windows in the same places, shown, Tab going through the
// controls top to bottom, painted in the host's window; the flow keeps the focus
// it had, a pair's focus does not survive its window, and nothing is left over.
TEST_F(WorkFlowTest, RebuildsShowTheColumnAsTheFirstBuildDid)
{
    // The controls that Tab visits in the flow, in its order, as (pair, control ID).
    const auto tabOrder = [this] {
        std::vector<std::pair<int, int>> order;
        QWidget* start = pairCtrl(0).eventCtrl().GetDlgItem(CEventCtrl::IDC_OPEN_LIST);
        QWidget* widget = start;
        do {
            if (widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus) &&
                flow->isAncestorOf(widget)) {
                const auto pair =
                    std::find_if(flow->pairCtrls().begin(), flow->pairCtrls().end(),
                                 [widget](CEAPairCtrl* p) { return p->isAncestorOf(widget); });
                order.emplace_back(int(std::distance(flow->pairCtrls().begin(), pair)),
                                   widget->property("ctrlId").toInt());
            }
            widget = widget->nextInFocusChain();
        } while (widget != start);
        return order;
    };
    const auto geometries = [this] {
        std::vector<QRect> result;
        for (fw::CDialog* element : elementsOf(flow.get())) {
            EXPECT_TRUE(element->isVisible());
            result.push_back(element->geometry());
        }
        return result;
    };
    view->setGeometry(0, 0, 500, 400);
    for (const size_t pairs : {1, 8, 9, 17, 20}) {
        SCOPED_TRACE(pairs);
        open(std::vector<std::pair<int, int>>(pairs, {kEventComparator0, kActionStart}));
        activate();
        const std::vector<QRect> built = geometries();
        const auto builtOrder = tabOrder();
        ASSERT_EQ(builtOrder.size(), 4 * pairs); // open list, event list, comparator, action list
        EXPECT_TRUE(std::is_sorted(builtOrder.begin(), builtOrder.end(),
                                   [](auto a, auto b) { return a.first < b.first; }));
        const qsizetype widgets = QApplication::allWidgets().size();

        flow->setFocus();
        flow->reReadData();
        QApplication::processEvents();
        EXPECT_TRUE(flow->hasFocus());
        EXPECT_EQ(flow->pairCtrls().size(), pairs);
        EXPECT_EQ(geometries(), built);
        EXPECT_EQ(tabOrder(), builtOrder);
        EXPECT_EQ(QApplication::allWidgets().size(), widgets);
        // What the host's window shows of the flow is the flow as it paints itself.
        const QRect shown =
            flow->rect() & QRect(flow->mapFrom(&hostWindow, QPoint()), hostWindow.size());
        const auto* window = dynamic_cast<QImage*>(hostWindow.backingStore()->paintDevice());
        ASSERT_NE(window, nullptr);
        // Compared pixel by pixel: converting a format would start Qt's image threads, and
        // one still ending when the test exits is reported as a leak.
        const QImage painted = flow->grab(shown).toImage();
        const QImage onScreen = window->copy(shown.translated(flow->mapTo(&hostWindow, QPoint())));
        ASSERT_EQ(painted.size(), onScreen.size());
        for (int y = 0; y < painted.height(); ++y)
            for (int x = 0; x < painted.width(); ++x)
                ASSERT_EQ(painted.pixel(x, y), onScreen.pixel(x, y)) << x << ',' << y;

        list(pairCtrl(pairs - 1).actionCtrl())->setFocus();
        flow->reReadData();
        for (CEAPairCtrl* pair : flow->pairCtrls())
            EXPECT_FALSE(pair->isSelected());
        EXPECT_FALSE(flow->isAncestorOf(QApplication::focusWidget()));
    }
    EXPECT_TRUE(writes().empty());
}

TEST_F(WorkFlowTest, SelectionFrameFollowsTheFocus)
{
    open();
    activate();
    EXPECT_EQ(frameColour(1), QColor(Qt::white));
    // Left clicks: on a pair frame it, on an arrow take the focus to the flow.
    mouseUp(&pairCtrl(2), Qt::LeftButton, QPoint(4, 70));
    QApplication::processEvents();
    EXPECT_TRUE(pairCtrl(2).hasFocus());
    EXPECT_EQ(frameColour(2), QColor(Qt::black));
    mouseUp(elementsOf(flow.get()).back(), Qt::LeftButton, QPoint(3, 3));
    QApplication::processEvents();
    EXPECT_TRUE(flow->hasFocus());
    EXPECT_EQ(frameColour(2), QColor(Qt::white));
    // An opened drop-down list frames its pair until the focus moves on.
    fw::CComboBox events(list(pairCtrl(1).eventCtrl()));
    list(pairCtrl(1).eventCtrl())->setFocus();
    QApplication::processEvents();
    events.ShowDropDown(true);
    EXPECT_EQ(frameColour(1), QColor(Qt::black));
    events.ShowDropDown(false);
    EXPECT_TRUE(pairCtrl(1).isSelected()); // the list keeps the focus
    list(pairCtrl(2).actionCtrl())->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(frameColour(1), QColor(Qt::white));

    // The event's button beside the list opens it.
    pairCtrl(0).eventCtrl().GetDlgItemAs<QAbstractButton>(CEventCtrl::IDC_OPEN_LIST)->click();
    EXPECT_TRUE(pairCtrl(0).isSelected());
    EXPECT_TRUE(list(pairCtrl(0).eventCtrl())->view()->isVisible());
    fw::CComboBox(list(pairCtrl(0).eventCtrl())).ShowDropDown(false);

    // A click on a list or a button: the pair hears of it first and takes the
    // focus, the clicked control has it afterwards (the list's open popup aside).
    for (QWidget* clicked : {static_cast<QWidget*>(list(pairCtrl(1).actionCtrl())),
                             static_cast<QWidget*>(objectButton(pairCtrl(1).eventCtrl()))}) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2),
                          clicked->mapToGlobal(QPointF(2, 2)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(clicked, &press);
        EXPECT_EQ(hostWindow.focusWidget(), clicked);
        fw::CComboBox(list(pairCtrl(1).actionCtrl())).ShowDropDown(false);
    }

    EXPECT_EQ(flow->rebuilds, 0);
    EXPECT_TRUE(writes().empty());
}

TEST_F(WorkFlowTest, ADifferentChoiceIsWrittenOnceAndTheFlowRebuiltAfterwards)
{
    open();
    // The current entries, and a list without selection, change nothing.
    chooseEntry(list(pairCtrl(1).eventCtrl()), kEventComparator0);
    chooseEntry(list(pairCtrl(1).actionCtrl()), kActionTimer0);
    list(pairCtrl(0).eventCtrl())->setCurrentIndex(-1);
    pairCtrl(0).eventCtrl().dispatchCommand(CEventCtrl::IDC_EVENT_LIST, fw::CBN_SELCHANGE);
    runPostedMessages();

    chooseEntry(list(pairCtrl(1).eventCtrl()), kEventTimeout0);
    EXPECT_EQ(host.value(kEvent, 1), "34");
    EXPECT_EQ(flow->rebuilds, 0); // until the list's handler has returned
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 1);
    chooseEntry(list(pairCtrl(0).actionCtrl()), kActionTimer0);
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 2);
    EXPECT_EQ(host.value(kAction, 0), "30");
    EXPECT_EQ(writes().size(), 2u);
    EXPECT_EQ(
        shownSteps(),
        (Steps{{"True", "Start timer 0"}, {"Timeout 0", "Start timer 0"}, {"Timeout 0", "Stop"}}));
}

TEST_F(WorkFlowTest, ObjectButtonsFollowTheEntryAndOpenTheEditorOfItsObject)
{
    // A drive configuration in which the actions "Start" (16) and "Stop" (18)
    // refer to comparator 0 and logic rule 1: the action box offers only timers.
    std::ifstream in(NEBPT_DATA_DIR "/drives_conf.xml");
    std::string xml(std::istreambuf_iterator<char>(in), {});
    const std::string actions = "<Choicelist parameternumber=\"1302\">";
    xml.insert(xml.find(actions) + actions.size(), // throws when absent
               "<Item ID=\"16\"><Object Type=\"COMP\">0</Object></Item>"
               "<Item ID=\"18\"><Object Type=\"LR\">1</Object></Item>");
    testsupport::ScratchFolder folder;
    folder.writeGzip("drives_conf.neb", xml);
    {
        testsupport::ExecutableFolderGuard exe(folder.path());
        open({{28, 16}, {22, 33}, {35, 18}, {1, 18}});
    }
    Strings captions;
    for (CEAPairCtrl* pair : flow->pairCtrls())
        captions.insert(captions.end(), {caption(pair->eventCtrl()), caption(pair->actionCtrl())});
    EXPECT_EQ(captions,
              (Strings{"Logic rule...", "", "Comparator...", "Timer...", "Timer...", "", "", ""}));
    Strings titles;
    bool ok = false; // else cancelled
    ModalAnswerer answerer([&](fw::CDialog& dialog) {
        titles.push_back(dialog.GetWindowText());
        if (ok)
            typeAndOk(dialog, CTimerdlg::IDC_VALUE, "7.5");
    });
    objectButton(pairCtrl(1).eventCtrl())->click();
    objectButton(pairCtrl(2).eventCtrl())->click();
    objectButton(pairCtrl(1).actionCtrl())->click();
    pairCtrl(0).actionCtrl().dispatchCommand(CActionCtrl::IDC_OBJECT_BUTTON, fw::BN_CLICKED);
    objectButton(pairCtrl(0).eventCtrl())->click(); // a logic rule re-reads also when cancelled
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 1);
    ok = true; // a timer changed: written by the editor, then re-read
    objectButton(pairCtrl(2).eventCtrl())->click();
    runPostedMessages();
    EXPECT_EQ(flow->rebuilds, 2);
    EXPECT_EQ(host.value(editortest::kTimer, 1), "7.500000");
    EXPECT_EQ(labels(2)[1], "7.50 s") << "the value beside the button follows";

    EXPECT_EQ(titles, (Strings{"Comparator 0", "Timer 1", "Timer 3", "Logic rule 0", "Timer 1"}));
    EXPECT_EQ(writes().size(), 1u);

    // A new choice updates the button before it is written.
    ok = false;
    chooseEntry(list(pairCtrl(3).eventCtrl()), kEventComparator0);
    EXPECT_EQ(caption(pairCtrl(3).eventCtrl()), "Comparator...");
    runPostedMessages();
}

// Pictures of the flow on the sample drive, for looking at the layout: written
// to the build folder as flow_english.png and flow_german.png.
TEST_F(WorkFlowTest, PicturesInEnglishAndGerman)
{
    hostWindow.resize(860, 560);
    view->setGeometry(0, 0, 860, 560);
    const auto shoot = [this](const std::string& name) {
        // A program as a machine would run it: start on a digital input, wait
        // for a comparator, run a timer, stop on an alarm or a logic rule;
        // running, at the step that waits for the timer.
        open({{19, 16}, {22, 30}, {34, 2}, {28, 18}, {17, 18}, {4, 1}});
        flow->showLiveState({true, true, 2, {{NEBPT::TimerLiveState::State::Running, 3150}}});
        activate();
        // The second pair with the focus in its event list looks selected.
        list(pairCtrl(1).eventCtrl())->setFocus();
        fw::sendMessage(&pairCtrl(1), fw::WM_ACTIVATE);
        QApplication::processEvents();
        const QString path = QStringLiteral(NEBPT_FLOW_SCREENSHOT_DIR "/") + name.c_str();
        EXPECT_TRUE(flow->grab().toImage().save(path, "PNG")) << path.toStdString();
    };
    shoot("flow_english.png");

    // The German library, with the drive's texts as they are.
    host.language = "german";
    testsupport::CurrentLanguageGuard language(testsupport::germanLibrary());
    shoot("flow_german.png");
}

} // namespace
