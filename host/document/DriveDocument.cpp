#include "DriveDocument.h"

#include "DriveJournal.h"
#include "LinkDrive.h"
#include "ModbusDrive.h"
#include "SimulatedDrive.h"
#include "WorkingCopy.h"

#include "NEBPTMain.h"
#include "framework/AtomicFile.h"
#include "framework/MessageBox.h"
#include "framework/widgets/Messages.h"

#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <exception>
#include <utility>

namespace {

constexpr const char* kCaption = "nebpt-host";

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// A line in the log file the plug-in keeps.
void logLine(const std::string& text)
{
    NEBPT::logHostFailure(text, "host/document/DriveDocument.cpp", __LINE__);
}

} // namespace

DriveDocument::DriveDocument(const QString& language, QObject* parent)
    : QObject(parent), m_language(language), m_workflow([](IExtParamInterface& drive) {
          const auto* host = dynamic_cast<const HostDrive*>(&drive);
          return host ? host->location() : std::string("the drive");
      })
{
    qRegisterMetaType<ControllerPoll>();
}

DriveDocument::~DriveDocument()
{
    // The editor's windows first; a job's work on the link thread is told to
    // stop and ends before what it uses goes.
    m_entry.reset();
    if (m_job)
        m_job->cancel();
    if (m_link)
        m_link->stop();
    m_watch.reset();
    m_journal.reset();
    m_copy.reset();
    m_link = nullptr;
    m_drive.reset();
}

void DriveDocument::attachView(CFormView& view)
{
    m_view = &view;
}

// --- what is open ---

QString DriveDocument::location() const
{
    return m_drive ? fromStd(m_drive->location()) : QString();
}

DriveDocument::Editing DriveDocument::editing() const
{
    return !m_link ? Editing::Direct : m_online ? Editing::Online : Editing::Offline;
}

QString DriveDocument::displayName() const
{
    return image() ? QFileInfo(imagePath()).fileName() : location();
}

QString DriveDocument::programName() const
{
    return image()   ? QFileInfo(imagePath()).completeBaseName()
           : m_drive ? fromStd(m_drive->driveType())
                     : QString();
}

QString DriveDocument::imagePath() const
{
    return image() ? fromStd(image()->imagePath()) : QString();
}

SimulatedDrive* DriveDocument::image() const
{
    return dynamic_cast<SimulatedDrive*>(m_drive.get());
}

ModbusDrive* DriveDocument::modbus() const
{
    return m_link ? m_link->modbus() : nullptr;
}

HostDrive* DriveDocument::edited() const
{
    if (m_copy)
        return m_copy.get();
    return m_drive.get();
}

bool DriveDocument::linkUp() const
{
    return !m_link || m_link->linkUp();
}

QString DriveDocument::linkFailure() const
{
    return m_link && !m_link->linkUp() ? fromStd(m_link->linkFailure()) : QString();
}

bool DriveDocument::readOnly() const
{
    return m_drive && m_drive->readOnly();
}

QString DriveDocument::readOnlyReason() const
{
    return m_drive ? fromStd(m_drive->readOnlyReason()) : QString();
}

QString DriveDocument::outputConflict(const QString& path) const
{
    if (path.isEmpty())
        return {};
    std::vector<std::pair<std::string, std::string>> inputs;
    if (const SimulatedDrive* drive = image())
        inputs.emplace_back("drive image", drive->imagePath());
    if (m_link)
        inputs.emplace_back("profile", m_link->profilePath());
    return QString::fromLocal8Bit(
        fw::outputConflict(path.toLocal8Bit().toStdString(), inputs).c_str());
}

const modbusmap::Map* DriveDocument::registerMap() const
{
    return m_link && m_link->modbus() ? &m_link->registerMap() : nullptr;
}

QString DriveDocument::logHint()
{
    const QString log = fromStd(NEBPT::logFilePath());
    if (!log.isEmpty())
        return tr("Details are in the log file %1.").arg(log);
    return tr("Nothing is logged: %1/nebpt.log or its folder is a link, another user's, or "
              "cannot be made.")
        .arg(fromStd(NEBPT::logFolderPath()));
}

QString DriveDocument::timeoutHint(const QString& reason) const
{
    // A drive that answers late names the timeout it missed in milliseconds.
    const long long timeout = m_lastLink.timeout.count();
    if (!reason.contains(QStringLiteral(" %1 ms").arg(timeout)))
        return {};
    return tr("\n\nThe answer timeout is %1 ms: File > Connect to drive sets it (--timeout on "
              "the command line).")
        .arg(timeout);
}

void DriveDocument::tell(DriveProblem::Kind kind, const QString& text, const QString& status,
                         const std::string& reason)
{
    DriveProblem told;
    told.kind = kind;
    told.text = text;
    told.status = status;
    told.reason = reason;
    if (m_link)
        told.holds = m_link->lastWrite();
    emit problem(told);
}

bool DriveDocument::confirm(const std::string& question)
{
    if (QThread::currentThread() == thread())
        return fw::messageBox(question, fw::MB_YESNO, kCaption) == fw::IDYES;
    // Asked on this thread while the link thread waits for the answer.
    bool yes = false;
    QMetaObject::invokeMethod(
        this, [&] { yes = fw::messageBox(question, fw::MB_YESNO, kCaption) == fw::IDYES; },
        Qt::BlockingQueuedConnection);
    return yes;
}

// --- jobs ---

DriveJob* DriveDocument::beginJob(const QString& text, bool cancellable, bool overLink)
{
    auto* job = new DriveJob(text, cancellable, this);
    job->setShowsProgress(overLink || m_link != nullptr);
    m_job = job;
    connect(job, &DriveJob::progress, this, &DriveDocument::progress);
    emit busy(true);
    return job;
}

void DriveDocument::finishJob(DriveJob* job, bool succeeded)
{
    if (!job || job->isFinished())
        return;
    job->finish(succeeded);
    if (m_job == job)
        m_job = nullptr;
    emit busy(false);
    emit stateChanged();
    for (const std::function<void()>& next : std::exchange(m_afterJob, {}))
        next();
}

void DriveDocument::afterJob(std::function<void()> next)
{
    if (m_job)
        m_afterJob.push_back(std::move(next));
    else
        next();
}

void DriveDocument::onDrive(const std::function<void()>& work, const std::function<void()>& then)
{
    if (m_link) {
        m_link->post(work, then);
        return;
    }
    // An image answers at once; the job still ends from the event loop.
    work();
    then();
}

void DriveDocument::cancel()
{
    if (m_job)
        m_job->cancel();
}

void DriveDocument::setLanguage(const QString& language)
{
    if (language == m_language)
        return;
    m_language = language;
    if (!m_drive || isBusy())
        return;
    // The editor takes its language when it is made: made anew, from what a
    // link's drive keeps. Views learn of the new one only.
    m_entry.reset();
    m_drive->setLanguage(m_language.toStdString());
    if (!headless())
        makeEditor();
    emit stateChanged();
}

// --- the drive and its editor ---

void DriveDocument::takeDrive(std::unique_ptr<HostDrive> drive)
{
    // The journal is the drive's: another drive starts with none.
    stopPolling();
    m_watch.reset();
    m_journal.reset();
    m_copy.reset();
    m_pending = 0;
    m_online = false;
    m_runningWriteAgreed = false;
    m_unwritten.clear();
    m_lossSeen = false;
    m_link = nullptr;
    m_drive = std::move(drive);
    m_link = dynamic_cast<LinkDrive*>(m_drive.get());
    if (m_link) {
        m_link->setParent(nullptr);
        connect(m_link, &LinkDrive::linkLost, this, &DriveDocument::linkLost);
        connect(m_link, &LinkDrive::polled, this, [this](const ControllerPoll& poll) {
            if (m_polling)
                emit polled(poll);
        });
        // The editor's writes wait for the drive: it shows that it does.
        connect(m_link, &LinkDrive::writing, this, &DriveDocument::busy);
        // A refusal of the editor's write is told with the values it refused (writeSeen).
        m_link->setWriteRefusalObserver(
            [](const std::string& reason) { logLine("the drive refused a change: " + reason); });
    }
    makeJournal();
}

void DriveDocument::makeJournal()
{
    m_watch.reset();
    m_journal.reset();
    if (!edited())
        return;
    m_journal = std::make_unique<DriveJournal>(*edited());
    m_watch = std::make_unique<WriteWatch>(
        *m_journal, [this](const WriteWatch::Write& write) { writeSeen(write); },
        [this](const WriteWatch::Write& write) { return allowWrite(write); });
}

QString DriveDocument::failureSince(const std::string& refusalBefore) const
{
    if (m_link && !m_link->linkUp())
        return tr("The link to the drive failed: %1.\n").arg(fromStd(m_link->linkFailure()));
    if (m_drive->lastRefusal() != refusalBefore && !m_drive->lastRefusal().empty())
        return tr("The drive refused %1.\n").arg(fromStd(m_drive->lastRefusal()));
    return {};
}

bool DriveDocument::makeEditor()
{
    m_entry.reset();
    if (!m_view || !m_drive)
        return false;
    // Read anew, so that a read that fails now is told (and an earlier one not);
    // a link's drive has just read the program.
    if (!m_link)
        m_drive->forgetValues();
    const std::string refusalBefore = m_drive->lastRefusal();
    const QString file = location();
    // Offline, the editor changes a working copy of what the drive holds.
    if (m_link && !m_online && !m_copy) {
        try {
            m_copy = std::make_unique<WorkingCopy>(*m_drive, m_workflow);
        } catch (const std::exception& error) {
            m_lossTold = true;
            tell(DriveProblem::Kind::ReadFailed,
                 tr("The program cannot be read from the drive in %1.\n\n%2.\n"
                    "%3")
                     .arg(file, fromStd(error.what()), logHint()),
                 {}, error.what());
            return false;
        }
        makeJournal();
        countPending();
    }
    const auto problemText = [&] {
        // A lost link is told here, not once more on its own.
        m_lossTold = true;
        return failureSince(refusalBefore) + logHint();
    };

    try {
        // The plug-in writes through the journal, so that its changes can be undone.
        m_entry = std::make_unique<CNEBPTMain>(*m_view, m_watch.get());
    } catch (const std::exception& error) {
        tell(DriveProblem::Kind::ReadFailed,
             tr("The program editor cannot connect to the drive in %1.\n\n%2")
                 .arg(file, fromStd(error.what())),
             {}, error.what());
        return false;
    } catch (...) {
        // The plug-in's own failure (logged), told with what the drive refused.
        tell(DriveProblem::Kind::ReadFailed,
             tr("The program editor cannot connect to the drive in %1.\n\n%2")
                 .arg(file, problemText()));
        return false;
    }

    RECT flow{0, 0, 0, 0};
    const bool opened = m_entry->Open();
    if (opened)
        m_entry->GetNEBPTRect(&flow);
    // A value that could not be read would be shown (and written back) as a default.
    if (!m_drive->readFailure().empty()) {
        closeEditor();
        m_lossTold = true;
        tell(DriveProblem::Kind::ReadFailed,
             tr("The program cannot be read from the drive in %1.\n\n%2.\n"
                "%3")
                 .arg(file, fromStd(m_drive->readFailure()), logHint()),
             {}, m_drive->readFailure());
        return false;
    }
    if (!opened || flow.right == flow.left) {
        // Without a flow there is nothing to edit; a refresh tries again from the start.
        closeEditor();
        tell(DriveProblem::Kind::ReadFailed,
             tr("The program cannot be read from the drive in %1.\n\n%2").arg(file, problemText()));
        return false;
    }
    m_entry->ShowLiveState(m_liveState);
    emit programChanged();
    emit stateChanged();
    return true;
}

void DriveDocument::closeEditor()
{
    if (!m_entry)
        return;
    m_entry.reset();
    emit stateChanged();
}

void DriveDocument::linkLost(const QString& reason, bool partlyWritten)
{
    if (sender() != m_link)
        return;
    logLine("the link to the drive failed: " + reason.toStdString());
    // The drive tells it again at every write it cannot make: a problem once.
    if (std::exchange(m_lossSeen, true)) {
        emit stateChanged();
        return;
    }
    const QString status = tr("Link lost: %1").arg(reason);
    // A job or a write of the document's own tells what it did itself.
    if (m_job || m_ownWrite || m_lossTold) {
        tell(DriveProblem::Kind::LinkLost, {}, status, reason.toStdString());
        emit stateChanged();
        return;
    }
    m_lossTold = true;
    // The values of the editor's write that the loss left unwritten, if any.
    const QString unwritten = std::exchange(m_unwritten, QString());
    if (partlyWritten) {
        tell(DriveProblem::Kind::LinkLost, {}, status, reason.toStdString());
        emit stateChanged();
        offerWriteAgain(nullptr, unwritten.isEmpty() ? tr("The change") : unwritten, reason,
                        [](bool) {});
        return;
    }
    tell(DriveProblem::Kind::LinkLost,
         unwritten.isEmpty()
             ? tr("The link to the drive at %1 is lost.\n\n%2\n\nThe program stays shown; "
                  "File > Reconnect connects anew and reads it again.")
                       .arg(location(), reason) +
                   timeoutHint(reason)
             : tr("The link to the drive at %1 is lost.\n\n%2\n\nNot written:\n%3\n\n"
                  "File > Reconnect connects anew and reads the program again.")
                       .arg(location(), reason, unwritten) +
                   timeoutHint(reason),
         status, reason.toStdString());
    emit stateChanged();
}

void DriveDocument::showWhatTheDriveHolds()
{
    // Not while an editor dialog is open: the program objects it edits go.
    fw::whenNoModalIsOpen(this, [this] {
        if (!m_entry || isBusy())
            return;
        const std::string unreadBefore = edited()->readFailure();
        if (m_entry->UpdateFlow() && edited()->readFailure() == unreadBefore) {
            emit programChanged();
            return;
        }
        // A value that cannot be read back is never shown: no editor until the
        // drive is read again.
        logLine("the program is no longer shown: " + edited()->readFailure());
        closeEditor();
        emit told(tr("What the drive holds cannot be read back, so the program is not shown: "
                     "File > Reconnect reads it again"));
    });
}

// --- the program apart from the editor ---

bool DriveDocument::canSimulate() const
{
    return image() && m_entry && !isBusy();
}

bool DriveDocument::watchesController() const
{
    return m_link && m_entry && !isBusy();
}

bool DriveDocument::program(NEBPT::ProgramData& program, QString& failure)
{
    if (!m_drive || isBusy()) {
        failure = tr("No program is shown.");
        return false;
    }
    try {
        program = m_workflow.exportProgram(*m_drive);
        if (m_drive->readFailure().empty())
            return true;
        failure = fromStd(m_drive->readFailure());
    } catch (const std::exception& error) {
        failure = fromStd(error.what());
    }
    return false;
}

void DriveDocument::showLiveState(const NEBPT::FlowLiveState& state)
{
    m_liveState = state;
    if (m_entry)
        m_entry->ShowLiveState(state);
}

void DriveDocument::startPolling(int expectedInputs)
{
    if (!m_link || !m_link->modbus())
        return;
    m_polling = true;
    // A new poller counts its writes from 0.
    m_inputWrites = 0;
    m_link->startPolling(expectedInputs);
}

void DriveDocument::stopPolling()
{
    if (!m_polling)
        return;
    m_polling = false;
    if (m_link)
        m_link->stopPolling();
}

unsigned DriveDocument::setInput(std::size_t offset, std::int16_t value)
{
    if (!m_link || !m_polling)
        return m_inputWrites;
    m_link->queueInput(offset, value, ++m_inputWrites);
    return m_inputWrites;
}
