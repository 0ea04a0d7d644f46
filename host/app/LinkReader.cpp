#include "LinkReader.h"

#include "ModbusDrive.h"
#include "NEBPTMain.h"
#include "ProgramWorkflow.h"
#include "framework/widgets/Messages.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

#include <atomic>
#include <exception>
#include <functional>
#include <vector>

namespace {

// The progress of a read. Cancel (the button, Escape, closing it) only asks the
// worker to stop: the dialog stays, and keeps the window blocked, until the
// worker has given the drive back.
class ProgressDialog : public QProgressDialog
{
public:
    explicit ProgressDialog(QWidget* window) : QProgressDialog(window)
    {
        setObjectName(QStringLiteral("linkProgress"));
        setWindowTitle(QStringLiteral("nebpt-host"));
        setWindowModality(Qt::WindowModal);
        setAutoClose(false);
        setAutoReset(false);
        setMinimumDuration(0);
        setRange(0, 0); // busy until the number of parameters is known
        // QProgressDialog would hide itself on Cancel.
        disconnect(SIGNAL(canceled()), this, nullptr);
    }

    void reject() override { emit canceled(); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        emit canceled();
    }
};

// Tells the progress dialog, on the GUI thread, how many parameters were read.
using ShowProgress = std::function<void(size_t read, size_t of)>;

// The worker's part: connects when `connection` says where to, then reads.
void work(LinkReader::Result& result, const std::string* address, const std::string* profile,
          std::chrono::milliseconds timeout, const std::atomic<bool>& stop,
          const ShowProgress& show)
{
    using Outcome = LinkReader::Outcome;
    if (address) {
        try {
            result.drive = std::make_unique<ModbusDrive>(*address, *profile, timeout);
        } catch (const std::exception& error) {
            result.outcome = Outcome::NotConnected;
            result.failure = error.what();
            return;
        }
        const ModbusDrive& drive = *result.drive;
        if (!CNEBPTMain::isDriveSupported(drive.driveType(), drive.aocVersion(),
                                          drive.databaseVersion())) {
            result.outcome = Outcome::NotSupported;
            return;
        }
    } else {
        result.drive->forgetValues();
    }

    ModbusDrive& drive = *result.drive;
    std::vector<std::string> numbers;
    if (!NEBPT::programParameters(drive, numbers, result.failure)) {
        result.outcome = Outcome::NotRead;
        return;
    }
    if (stop) {
        result.outcome = Outcome::Cancelled;
        return;
    }
    // The drive calls its progress observer on this thread, for this read only.
    struct Observing
    {
        ModbusDrive& drive;
        ~Observing() { drive.setProgressObserver({}); }
    } observing{drive};
    const size_t count = numbers.size();
    drive.setProgressObserver([&show, count](size_t read) { show(read, count); });
    show(0, count);
    try {
        result.outcome = drive.prefetch(numbers, [&stop] { return stop.load(); })
                             ? Outcome::Read
                             : Outcome::Cancelled;
    } catch (const std::exception& error) {
        result.outcome = Outcome::NotRead;
        result.failure = drive.readFailure().empty() ? error.what() : drive.readFailure();
    }
}

} // namespace

LinkReader::Result LinkReader::connectAndRead(const std::string& address,
                                              const std::string& profile,
                                              std::chrono::milliseconds timeout)
{
    const Connection connection{address, profile, timeout};
    return run(nullptr, &connection);
}

LinkReader::Result LinkReader::read(std::unique_ptr<ModbusDrive> drive)
{
    return run(std::move(drive), nullptr);
}

LinkReader::Result LinkReader::run(std::unique_ptr<ModbusDrive> drive, const Connection* connection)
{
    const QString address =
        QString::fromStdString(connection ? connection->address : drive->address());
    std::atomic<bool> stop{false};
    ProgressDialog dialog(m_window);
    dialog.setCancelButtonText(tr("Cancel"));
    dialog.setLabelText((connection ? tr("Connecting to %1") : tr("Reading from %1")).arg(address));
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&dialog, &stop] {
        stop = true;
        dialog.setLabelText(tr("Cancelling: waiting for the answer to the last request"));
        if (auto* cancel = dialog.findChild<QPushButton*>())
            cancel->setEnabled(false);
    });
    // Called on the worker; the dialog is changed on the GUI thread (and not
    // at all once it is gone).
    const ShowProgress show = [&dialog, &stop, address](size_t read, size_t of) {
        QMetaObject::invokeMethod(
            &dialog,
            [&dialog, &stop, address, read, of] {
                if (stop)
                    return;
                dialog.setLabelText(
                    tr("Reading from %1: %2 of %3 parameters").arg(address).arg(read).arg(of));
                dialog.setMaximum(static_cast<int>(of));
                dialog.setValue(static_cast<int>(read));
            },
            Qt::QueuedConnection);
    };

    Result result;
    result.drive = std::move(drive);
    QEventLoop loop;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        work(result, connection ? &connection->address : nullptr,
             connection ? &connection->profile : nullptr,
             connection ? connection->timeout : std::chrono::milliseconds(0), stop, show);
    }));
    worker->setObjectName(QStringLiteral("linkReader"));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    {
        // Deferred work of the plug-in waits while the dialog is open.
        const fw::ModalScope modal;
        dialog.show();
        worker->start();
        loop.exec();
        worker->wait();
        dialog.hide();
    }
    return result;
}
