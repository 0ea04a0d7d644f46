#pragma once

#include <QObject>
#include <QString>

#include <atomic>

// Long work on a document's drive (opening it, reading it anew, a download, an
// import...): what it does now in the engineer's words, how far it is, whether
// it can be cancelled, and how it ended. A job tells `finished` once, always
// from the event loop (never from the call that started it), then goes.
// Cancel asks the work to stop at its next safe point (after the request under
// way); the job still ends with `finished`, not succeeded.
class DriveJob : public QObject
{
    Q_OBJECT

public:
    DriveJob(QString text, bool cancellable, QObject* parent = nullptr);

    const QString& text() const { return m_text; }
    // Whether Cancel means anything: a write is never cut off half way.
    bool cancellable() const { return m_cancellable; }
    // Whether the work waits for a drive long enough to show its progress.
    bool showsProgress() const { return m_showsProgress; }
    bool isFinished() const { return m_finished; }
    bool succeeded() const { return m_succeeded; }
    // Asked by the work, on any thread.
    bool cancelRequested() const { return m_cancel.load(); }
    int done() const { return m_done; }
    int of() const { return m_of; }

    // --- for the document that runs it ---
    void setText(const QString& text);
    void setProgress(int done, int of);
    void setShowsProgress(bool shows) { m_showsProgress = shows; }
    void setCancellable(bool cancellable) { m_cancellable = cancellable; }
    // The work waits for the engineer's answer to a question: its progress is
    // not shown meanwhile (nothing behind the question to wonder about).
    void setAsking(bool asking);
    bool asking() const { return m_asking; }
    // Ends the job: `finished` from the event loop, then the job is deleted.
    void finish(bool succeeded);

public slots:
    void cancel();

signals:
    void textChanged(const QString& text);
    void progress(int done, int of);
    void finished(bool succeeded);
    void askingChanged(bool asking);

private:
    QString m_text;
    bool m_cancellable = false;
    bool m_showsProgress = false;
    bool m_finished = false;
    bool m_succeeded = false;
    bool m_asking = false;
    int m_done = 0, m_of = 0;
    std::atomic<bool> m_cancel{false};
};
