#include "ProgramMonitor.h"
#include "WindowGuiFixture.h"

#include "framework/widgets/Dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// The editor used from the keyboard alone: the Tab key walks the window and each
// editor dialog in a sensible order, reaching every control once, and each
// control has a name an assistive technology reads.

using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAreArray;

namespace {

class KeyboardGuiTest : public guitest::WindowGuiTest
{};

// The controls that take the focus from the Tab key, shown and enabled.
std::vector<QWidget*> reachable(const QWidget& window)
{
    std::vector<QWidget*> controls;
    for (QWidget* widget : window.findChildren<QWidget*>())
        if (widget->isVisibleTo(&window) && widget->isEnabled() &&
            (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy())
            controls.push_back(widget);
    return controls;
}

// The chain started at `first`, as the user meets it from there.
std::vector<QWidget*> from(std::vector<QWidget*> chain, QWidget* first)
{
    const auto at = std::find(chain.begin(), chain.end(), first);
    EXPECT_NE(at, chain.end());
    if (at != chain.end())
        std::rotate(chain.begin(), at, chain.end());
    return chain;
}

std::vector<std::string> namesOf(const std::vector<QWidget*>& controls)
{
    std::vector<std::string> names;
    for (QWidget* control : controls)
        names.push_back(control->accessibleName().toStdString());
    return names;
}

} // namespace

// Tab from the window's first control round to it again: each control once, the
// flow's pair by pair in reading order, each named; Shift+Tab goes the same way back.
TEST_F(KeyboardGuiTest, TheTabKeyWalksTheFlowInReadingOrder)
{
    ASSERT_TRUE(open(image));
    QWidget* flow = hosttest::flowOf(window);
    ASSERT_NE(flow, nullptr);
    const std::vector<QWidget*> chain = guitest::tabChain(window);
    EXPECT_THAT(chain, UnorderedElementsAreArray(reachable(window)));

    std::vector<QWidget*> inFlow;
    for (QWidget* control : chain)
        if (flow->isAncestorOf(control))
            inFlow.push_back(control);
    std::vector<QWidget*> readingOrder = inFlow;
    std::stable_sort(readingOrder.begin(), readingOrder.end(), [flow](QWidget* a, QWidget* b) {
        const QPoint pa = a->mapTo(flow, QPoint(0, 0)), pb = b->mapTo(flow, QPoint(0, 0));
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    ASSERT_FALSE(readingOrder.empty());
    EXPECT_EQ(from(inFlow, readingOrder.front()), readingOrder);
    // The first two pairs: the first's event refers to no object, its action to
    // a timer; the second's event to a timer.
    const std::vector<std::string> names = namesOf(readingOrder);
    const std::vector<std::string> firstPairs = {"If",
                                                 "Event that starts this step",
                                                 "Action that this step performs",
                                                 "Timer",
                                                 "If",
                                                 "Event that starts this step",
                                                 "Timer",
                                                 "Action that this step performs"};
    ASSERT_GE(names.size(), firstPairs.size());
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 8), firstPairs);
    for (QWidget* control : chain)
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();

    std::vector<QWidget*> back = guitest::tabChain(window, true);
    std::reverse(back.begin() + 1, back.end());
    EXPECT_EQ(back, chain);
}

// Each editor dialog opened from the keyboard (the pair's object button with
// Space, the controller settings from the pair's menu with the Menu key) is
// walked with Tab: each control once, in the order the user fills it in, each
// named by what the user reads for it; Escape closes it.
TEST_F(KeyboardGuiTest, TheEditorDialogsAreWalkedWithTheTabKey)
{
    ASSERT_TRUE(open(image));
    const auto objectButtonOf = [&](size_t pair) {
        return fw::findControl(eventList(pair)->parentWidget(), res::IDC_OBJECT_BUTTON);
    };
    const struct
    {
        const char* editor;
        std::function<void()> open;
        std::vector<std::string> names;
    } editors[] = {
        {"Timer 0, from the second pair",
         [&] {
             guitest::tabTo(window, [&](QWidget* focus) { return focus == objectButtonOf(1); });
             guitest::pressHere(Qt::Key_Space);
         },
         {"Time", "OK", "Cancel"}},
        {"Comparator 0, from the third pair",
         [&] {
             guitest::tabTo(window, [&](QWidget* focus) { return focus == objectButtonOf(2); });
             guitest::pressHere(Qt::Key_Space);
         },
         {"Operand", "Value", "Operator", "OK", "Cancel"}},
        {"Logic rule 1, from the fourth pair",
         [&] {
             guitest::tabTo(window, [&](QWidget* focus) { return focus == objectButtonOf(3); });
             guitest::pressHere(Qt::Key_Space);
         },
         {"Operand 1", "Logic rule", "Operand 2", "Comparator", "Operand 3", "Timer",
          "Operator 1 of the logic rule", "Operator 2 of the logic rule", "OK", "Cancel"}},
        {"the controller settings, from the first pair's menu",
         [&] {
             guitest::tabTo(window, [&](QWidget* focus) { return focus == eventList(0); });
             const guitest::Answer menu("the pair's menu", guitest::popupMenu, [](QWidget& shown) {
                 guitest::chooseInPopup(shown, "Controller settings");
             });
             guitest::pressMenuKey();
         },
         {"Controller mode", "Start event", "Stop event", "OK", "Cancel"}},
    };
    for (const auto& [editor, openIt, expected] : editors) {
        std::vector<std::string> names;
        {
            const guitest::Answer dialog(editor, guitest::modal<fw::CDialog>, [&](QWidget& shown) {
                const std::vector<QWidget*> chain = guitest::tabChain(shown);
                EXPECT_THAT(chain, UnorderedElementsAreArray(reachable(shown))) << editor;
                names = namesOf(chain);
                guitest::pressHere(Qt::Key_Escape);
            });
            openIt();
            guitest::settle();
        }
        ASSERT_FALSE(names.empty()) << editor;
        const auto first = std::find(names.begin(), names.end(), expected.front());
        std::rotate(names.begin(), first == names.end() ? names.begin() : first, names.end());
        EXPECT_THAT(names, ElementsAreArray(expected)) << editor;
    }
}

// Tools > Simulate from the keyboard opens the monitor beside the editor; Tab
// reaches its lists and the inputs the program reads, each named, and Space sets
// a switch. View > Monitor closes it.
TEST_F(KeyboardGuiTest, TheMonitorIsOpenedAndUsedFromTheKeyboard)
{
    ASSERT_TRUE(open(image));
    guitest::choose(window, item("Simulate"));
    ProgramMonitor* monitor = window.monitor();
    ASSERT_TRUE(monitor->isVisible());
    guitest::settle();
    std::vector<QWidget*> inMonitor;
    for (QWidget* control : guitest::tabChain(window))
        if (monitor->isAncestorOf(control))
            inMonitor.push_back(control);
    EXPECT_THAT(namesOf(inMonitor),
                testing::IsSupersetOf({"Steps", "Timers, comparators and logic rules", "Running",
                                       "Digital input 18", "Motor speed"}));
    const auto running = std::find_if(inMonitor.begin(), inMonitor.end(), [](QWidget* control) {
        return control->accessibleName() == QLatin1String("Running");
    });
    ASSERT_NE(running, inMonitor.end());
    (*running)->setFocus();
    guitest::pressHere(Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return monitor->markedStep() == 0; }, guitest::kWaitMs));
    guitest::choose(window, item("Monitor"));
    EXPECT_FALSE(monitor->isVisible());
}
