#pragma once

#include "HostWindow.h"

#include "dialogs/WidgetTestSupport.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetResources.h"
#include "languages/common/NEBPTResources.h"

#include <QComboBox>
#include <QCoreApplication>

#include <algorithm>
#include <string>
#include <vector>

// The editor in nebpt-host's window as a user sees it: the event lists of the
// flow's pairs in the form view.
namespace hosttest {

// The event lists of the flow in the host's form view, top to bottom (program order).
inline std::vector<QComboBox*> eventLists(const HostWindow& host)
{
    std::vector<QComboBox*> lists;
    for (auto* box : host.formView()->findChildren<fw::CDialog*>()) {
        auto* list = qobject_cast<QComboBox*>(fw::findControl(box, res::IDC_EVENT_LIST));
        if (list && box->IsWindowCreated() && box->isVisible())
            lists.push_back(list);
    }
    std::stable_sort(lists.begin(), lists.end(), [&host](QWidget* a, QWidget* b) {
        return a->mapTo(host.formView(), QPoint(0, 0)).y() <
               b->mapTo(host.formView(), QPoint(0, 0)).y();
    });
    return lists;
}

// The event each pair of the flow shows, in program order.
inline std::vector<std::string> eventsShown(const HostWindow& host)
{
    std::vector<std::string> events;
    for (QComboBox* list : eventLists(host))
        events.push_back(list->currentText().toStdString());
    return events;
}

// The plug-in's flow window in the host's form view; null when none is shown.
inline QWidget* flowOf(const HostWindow& host)
{
    for (auto* window : host.formView()->findChildren<fw::CDialog*>())
        if (window->inherits("CWorkFlow") && window->IsWindowCreated())
            return window;
    return nullptr;
}

// The event the first pair shows; empty without a flow.
inline std::string firstEvent(const HostWindow& host)
{
    const std::vector<QComboBox*> lists = eventLists(host);
    return lists.empty() ? std::string() : lists.front()->currentText().toStdString();
}

// The user picks `event` in the first pair's event list.
inline void chooseFirstEvent(const HostWindow& host, const char* event)
{
    QComboBox* list = eventLists(host).front();
    testsupport::chooseEntry(list, list->findText(event));
    testsupport::runPostedMessages();
    QCoreApplication::processEvents(); // what the host tells once the command returned
}

} // namespace hosttest
