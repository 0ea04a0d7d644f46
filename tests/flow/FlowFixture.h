#pragma once

#include "dialogs/EditorDialogFixture.h"

#include "Dialogs/EAPairCtrl.h"
#include "Dialogs/WorkFlow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace flowtest {

using editortest::kAction;
using editortest::kEvent;

// Entries of the sample drive's event list (position in the list: item ID).
constexpr int kEventFalse = 0;       // 0
constexpr int kEventTrue = 1;        // 1
constexpr int kEventComparator0 = 8; // 22
constexpr int kEventLogicRule0 = 14; // 28
constexpr int kEventTimeout0 = 20;   // 34
// Entries of its action list.
constexpr int kActionNoAction = 1; // 1
constexpr int kActionStart = 3;    // 22
constexpr int kActionStop = 4;     // 24
constexpr int kActionTimer0 = 5;   // 30

// The flow view with its rebuilds counted: every reReadData, asked for by a
// posted WM_REREAD_DATA or called by the flow itself after a menu command.
class CountingWorkFlow : public CWorkFlow
{
public:
    using CWorkFlow::CWorkFlow;
    void reReadData() override
    {
        ++rebuilds;
        CWorkFlow::reReadData();
    }
    int rebuilds = 0;
};

// The flow view inside a host window (host window > form view > flow) over the
// fake host's sample drive, with the English library current.
class FlowFixture : public editortest::EditorFixture
{
protected:
    FlowFixture()
    {
        hostWindow.resize(620, 640);
        view = new QWidget(&hostWindow);
        view->setGeometry(0, 0, 620, 640);
    }

    // Stores the steps (event ID, action ID) from pair 0 on; the pair after
    // them stays disabled and ends the program.
    void setProgram(const std::vector<std::pair<int, int>>& steps)
    {
        for (size_t i = 0; i < steps.size(); ++i) {
            host.setValue(kEvent, static_cast<long>(i), std::to_string(steps[i].first));
            host.setValue(kAction, static_cast<long>(i), std::to_string(steps[i].second));
        }
    }

    // True/Start, Comparator 0/Start timer 0, Timeout 0/Stop.
    void setThreePairs() { setProgram({{1, 22}, {22, 30}, {34, 24}}); }

    // Connects, creates the flow in the view and forgets the host calls so far.
    void open()
    {
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

    CEAPairCtrl& pairCtrl(size_t n) const
    {
        const auto& pairs = flow->pairCtrls();
        EXPECT_LT(n, pairs.size());
        return **std::next(pairs.begin(), static_cast<long>(n));
    }

    static QComboBox* eventList(CEAPairCtrl& pair)
    {
        return pair.eventCtrl().GetDlgItemAs<QComboBox>(CEventCtrl::IDC_EVENT_LIST);
    }
    static QComboBox* actionList(CEAPairCtrl& pair)
    {
        return pair.actionCtrl().GetDlgItemAs<QComboBox>(CActionCtrl::IDC_ACTION_LIST);
    }
    static QAbstractButton* objectButton(fw::CDialog& box)
    {
        return box.GetDlgItemAs<QAbstractButton>(CEventCtrl::IDC_OBJECT_BUTTON);
    }

    // Event and action text of each pair window, as shown.
    std::vector<std::pair<std::string, std::string>> shownSteps() const
    {
        std::vector<std::pair<std::string, std::string>> steps;
        for (CEAPairCtrl* pair : flow->pairCtrls())
            steps.emplace_back(eventList(*pair)->currentText().toStdString(),
                               actionList(*pair)->currentText().toStdString());
        return steps;
    }

    static void mouseUp(QWidget* widget, Qt::MouseButton button, QPoint point)
    {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(point),
                            widget->mapToGlobal(QPointF(point)), button, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &release);
    }

    static void pressKey(QWidget* widget, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &press);
    }

    // Runs the posted messages until none is left: a request from an event or
    // action box reaches the flow in two hops, each posted.
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

    QWidget hostWindow;
    QWidget* view = nullptr;
    std::unique_ptr<CountingWorkFlow> flow;
};

} // namespace flowtest
