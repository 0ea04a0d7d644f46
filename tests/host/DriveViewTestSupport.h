#pragma once

#include "DriveDocument.h"

#include "dialogs/WidgetTestSupport.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetResources.h"
#include "languages/common/NEBPTResources.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>

#include <algorithm>
#include <string>
#include <vector>

// A drive document's jobs waited for, and the editor in the view the document
// shows it in as a user sees it: the event lists of the flow's pairs.
namespace hosttest {

// Only keeps a broken test from hanging: nothing is asserted about time.
constexpr qint64 kJobWaitMs = 120000;

// Runs the event loop until `job` has finished; whether it succeeded (false
// when no job was started).
inline bool done(DriveJob* job)
{
    if (!job)
        return false;
    bool finished = false, succeeded = false;
    QObject::connect(job, &DriveJob::finished, [&](bool ok) {
        finished = true;
        succeeded = ok;
    });
    QElapsedTimer waited;
    waited.start();
    while (!finished && waited.elapsed() < kJobWaitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    EXPECT_TRUE(finished) << "the job did not end: " << job->text().toStdString();
    return succeeded;
}

// Runs the event loop until the document has no job running (one that follows
// another included), then what it posted.
inline void idle(const DriveDocument& document)
{
    QElapsedTimer waited;
    waited.start();
    do {
        while (document.isBusy() && waited.elapsed() < kJobWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            50);
        QCoreApplication::processEvents();
    } while (document.isBusy() && waited.elapsed() < kJobWaitMs);
    EXPECT_FALSE(document.isBusy()) << "a job did not end";
}
// The event lists of the flow in a form view, top to bottom (program order).
inline std::vector<QComboBox*> eventLists(const QWidget& view)
{
    std::vector<QComboBox*> lists;
    for (auto* box : view.findChildren<fw::CDialog*>()) {
        auto* list = qobject_cast<QComboBox*>(fw::findControl(box, res::IDC_EVENT_LIST));
        if (list && box->IsWindowCreated() && box->isVisible())
            lists.push_back(list);
    }
    std::stable_sort(lists.begin(), lists.end(), [&view](QWidget* a, QWidget* b) {
        return a->mapTo(&view, QPoint(0, 0)).y() < b->mapTo(&view, QPoint(0, 0)).y();
    });
    return lists;
}

// The event the first pair shows; empty without a flow.
inline std::string firstEvent(const QWidget& view)
{
    const std::vector<QComboBox*> lists = eventLists(view);
    return lists.empty() ? std::string() : lists.front()->currentText().toStdString();
}

// The user picks `event` in the first pair's event list.
inline void chooseFirstEvent(const QWidget& view, const char* event)
{
    QComboBox* list = eventLists(view).front();
    testsupport::chooseEntry(list, list->findText(event));
    testsupport::runPostedMessages();
    QCoreApplication::processEvents(); // what the host tells once the command returned
}

} // namespace hosttest
