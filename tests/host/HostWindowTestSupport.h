#pragma once

#include "DriveViewTestSupport.h"
#include "HostWindow.h"

#include <QComboBox>

#include <string>
#include <vector>

// The editor in nebpt-host's window as a user sees it (DriveViewTestSupport.h
// for any view of a document).
namespace hosttest {

inline void idle(const HostWindow& host)
{
    idle(host.document());
}

inline std::vector<QComboBox*> eventLists(const HostWindow& host)
{
    return eventLists(*host.formView());
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

inline std::string firstEvent(const HostWindow& host)
{
    return firstEvent(*host.formView());
}

inline void chooseFirstEvent(const HostWindow& host, const char* event)
{
    chooseFirstEvent(*host.formView(), event);
}

} // namespace hosttest
