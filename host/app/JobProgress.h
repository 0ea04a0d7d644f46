#pragma once

#include "framework/widgets/Messages.h"

#include <QPointer>
#include <QProgressDialog>

class DriveJob;

// The progress of a document's job that waits for a drive, in a window-modal
// dialog (object name "linkProgress") over the window, which keeps running:
// what the job does ("Reading from <address>: n of m parameters") and, for a
// job that can stop, Cancel. Cancel (the button, Escape, closing the dialog)
// only asks the job to stop: the dialog stays until the job has ended, which
// closes it. While it is there the editor's deferred work waits (a
// fw::ModalScope), so that nothing of the editor uses the drive beside the job.
class JobProgress : public QProgressDialog
{
    Q_OBJECT

public:
    JobProgress(DriveJob& job, QWidget* window);

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cancelJob();

    const fw::ModalScope m_modal;
    QPointer<DriveJob> m_job;
    bool m_cancelling = false;
};
