#include "DriveJob.h"

#include <QMetaObject>

#include <utility>

DriveJob::DriveJob(QString text, bool cancellable, QObject* parent)
    : QObject(parent), m_text(std::move(text)), m_cancellable(cancellable)
{}

void DriveJob::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    emit textChanged(m_text);
}

void DriveJob::setProgress(int done, int of)
{
    m_done = done;
    m_of = of;
    emit progress(done, of);
}

void DriveJob::cancel()
{
    if (m_cancellable && !m_finished)
        m_cancel = true;
}

void DriveJob::finish(bool succeeded)
{
    if (m_finished)
        return;
    m_finished = true;
    m_succeeded = succeeded;
    // Whoever started the job has connected to it by the time the event loop runs.
    QMetaObject::invokeMethod(
        this,
        [this] {
            emit finished(m_succeeded);
            deleteLater();
        },
        Qt::QueuedConnection);
}

void DriveJob::setAsking(bool asking)
{
    if (asking == m_asking)
        return;
    m_asking = asking;
    emit askingChanged(asking);
}
