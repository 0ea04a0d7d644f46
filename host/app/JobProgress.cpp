#include "JobProgress.h"

#include "DriveJob.h"

#include <QCloseEvent>
#include <QPushButton>

JobProgress::JobProgress(DriveJob& job, QWidget* window) : QProgressDialog(window), m_job(&job)
{
    setObjectName(QStringLiteral("linkProgress"));
    setWindowTitle(QStringLiteral("nebpt-host"));
    setWindowModality(Qt::WindowModal);
    setAutoClose(false);
    setAutoReset(false);
    setMinimumDuration(0);
    setRange(0, 0); // busy until the job tells how far it is
    // QProgressDialog would hide itself on Cancel.
    disconnect(SIGNAL(canceled()), this, nullptr);
    connect(this, &QProgressDialog::canceled, this, &JobProgress::cancelJob);
    setCancelButtonText(tr("Cancel"));
    if (auto* cancel = findChild<QPushButton*>())
        cancel->setEnabled(job.cancellable());
    setLabelText(job.text());
    connect(&job, &DriveJob::textChanged, this, [this](const QString& text) {
        if (m_cancelling)
            return;
        setLabelText(text);
        if (auto* cancel = findChild<QPushButton*>())
            cancel->setEnabled(m_job && m_job->cancellable());
    });
    // Hidden while the work asks the engineer something, shown again after.
    connect(&job, &DriveJob::askingChanged, this, [this](bool asking) { setVisible(!asking); });
    connect(&job, &DriveJob::progress, this, [this](int done, int of) {
        if (m_cancelling)
            return;
        setMaximum(of);
        setValue(done);
    });
}

void JobProgress::reject()
{
    emit canceled();
}

void JobProgress::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit canceled();
}

void JobProgress::cancelJob()
{
    if (!m_job || !m_job->cancellable() || m_cancelling)
        return;
    m_cancelling = true;
    m_job->cancel();
    setLabelText(tr("Cancelling: waiting for the answer to the last request"));
    if (auto* cancel = findChild<QPushButton*>())
        cancel->setEnabled(false);
}
