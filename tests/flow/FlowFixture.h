#pragma once

#include "dialogs/EditorDialogFixture.h"

#include "Dialogs/EAPairCtrl.h"
#include "Dialogs/WorkFlow.h"

#include <QApplication>
#include <QMouseEvent>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace flowtest {

using editortest::kAction;
using editortest::kEvent;
using Steps = std::vector<std::pair<std::string, std::string>>;

// Positions in the sample drive's event and action lists (item IDs 22, 34; 1, 30).
constexpr int kEventComparator0 = 8;
constexpr int kEventTimeout0 = 20;
constexpr int kActionNoAction = 1;
constexpr int kActionTimer0 = 5;
// True/Start, Comparator 0/Start timer 0, Timeout 0/Stop.
const std::vector<std::pair<int, int>> kThreePairs = {{1, 22}, {22, 30}, {34, 24}};

// The flow view with its rebuilds counted.
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

// The flow inside a host window (host window > form view > flow) over the fake
// host's sample drive, with the English library current.
class FlowFixture : public editortest::EditorFixture
{
protected:
    // Stores the steps (event ID, action ID) from pair 0 on (the pair after
    // them stays disabled and ends the program), connects, creates the flow in
    // the view and forgets the host calls so far.
    void open(const std::vector<std::pair<int, int>>& steps = kThreePairs)
    {
        for (size_t i = 0; i < steps.size(); ++i) {
            host.setValue(kEvent, long(i), std::to_string(steps[i].first));
            host.setValue(kAction, long(i), std::to_string(steps[i].second));
        }
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
        QAbstractButton* button = objectButton(box);
        if (button->isHidden() == button->isEnabled())
            return "half shown";
        return button->isHidden() ? "" : button->text().toStdString();
    }
    // A popup menu's entries as "text=command", a separator as "-".
    static editortest::Strings itemsOf(const testsupport::PopupMenuRecorder::Tracked& menu)
    {
        editortest::Strings items;
        for (const fw::PopupMenu::Item& item : menu.items)
            items.push_back(item.separator ? "-" : item.text + "=" + std::to_string(item.command));
        return items;
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

    QWidget hostWindow;
    QWidget* view = new QWidget(&hostWindow);
    std::unique_ptr<CountingWorkFlow> flow;
};

} // namespace flowtest
