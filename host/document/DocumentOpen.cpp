// Opening a document's drive and reading its program anew: an image at once,
// a drive over a link on its link thread, the editor made after.

#include "DriveDocument.h"

#include "DriveJournal.h"
#include "LinkDrive.h"
#include "ProgramFile.h"
#include "SimulatedDrive.h"
#include "WorkingCopy.h"

#include "NEBPTMain.h"
#include "framework/AtomicFile.h"
#include "framework/MessageBox.h"
#include "framework/RegularFile.h"
#include "framework/widgets/Messages.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

namespace {

constexpr const char* kCaption = "nebpt-host";

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

void logLine(const std::string& text)
{
    NEBPT::logHostFailure(text, "host/document/DocumentOpen.cpp", __LINE__);
}

// Whether both paths name one file (symbolic and hard links included).
bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code unknown;
    return std::filesystem::equivalent(a, b, unknown);
}

// Whether the user may write into the folder an image lies in; its mode bits
// count as well, so that it holds for root too.
bool folderWritable(const QString& imagePath)
{
    const QFileInfo folder(QFileInfo(QFileInfo(imagePath).canonicalFilePath()).absolutePath());
    return folder.isWritable() && folder.isExecutable() &&
           (folder.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

} // namespace

// --- opening ---

DriveJob* DriveDocument::open(const DriveName& name, DriveUse use)
{
    if (isBusy())
        return nullptr;
    // The working copy's changes go over to the same drive connected anew.
    const bool again = m_link && name.linked() && name.address == m_link->location();
    const Keep keep = again ? Keep::Go
                            : askToKeepChanges(name.linked() ? tr("connecting to another drive")
                                                             : tr("opening another drive"));
    if (keep == Keep::Cancel)
        return nullptr;
    DriveJob* job =
        beginJob(name.linked() ? tr("Connecting to %1").arg(fromStd(name.address)) : QString(),
                 name.linked(), name.linked());
    const auto go = [this, job, name, use, again] {
        if (name.linked())
            openLink(job, name, again);
        else
            openImage(job, name, use);
    };
    if (keep == Keep::Go) {
        go();
        return job;
    }
    // The working copy is downloaded first; the drive is opened after it.
    downloadInto(job, [this, job, go](bool downloaded) {
        if (downloaded && m_pending == 0)
            go();
        else
            finishJob(job, false);
    });
    return job;
}

void DriveDocument::openImage(DriveJob* job, const DriveName& name, DriveUse use)
{
    {
        const QString path = fromStd(name.image);
        QString absolutePath = QFileInfo(path).absoluteFilePath();
        // The reason the image open here is read-only, to tell it only when it is news.
        std::string readOnlyBefore;
        // The drive of an image named `shown` in messages, or null once told why not.
        const auto load = [&](const QString& file, const QString& shown) {
            std::unique_ptr<SimulatedDrive> drive;
            if (image() && sameFile(image()->imagePath(), file.toStdString())) {
                readOnlyBefore = m_drive->readOnlyReason();
                // Read anew: the drive that has it open lets go of it first, or
                // the new one would find it open in another host.
                closeEditor();
                takeDrive(nullptr);
                emit stateChanged();
            }
            std::string type, aoc, database;
            try {
                drive = std::make_unique<SimulatedDrive>(file.toLocal8Bit().toStdString(),
                                                         use == DriveUse::Write
                                                             ? SimulatedDrive::Access::Write
                                                             : SimulatedDrive::Access::Read);
                drive->GetDriveIdentity(type, aoc, database);
            } catch (const DriveImageError& error) {
                // The reason names the file already.
                tell(DriveProblem::Kind::NotOpened,
                     tr("The drive image cannot be opened.\n\n%1").arg(fromStd(error.what())), {},
                     error.what());
                return std::unique_ptr<SimulatedDrive>();
            } catch (const std::exception& error) {
                tell(DriveProblem::Kind::NotOpened,
                     tr("The drive image cannot be opened.\n\n%1: %2")
                         .arg(shown, fromStd(error.what())),
                     {}, shown.toStdString() + ": " + error.what());
                return std::unique_ptr<SimulatedDrive>();
            }
            if (!headless() && !CNEBPTMain::isDriveSupported(type, aoc, database)) {
                tell(DriveProblem::Kind::NotSupported,
                     tr("The program editor does not support the drive in %1.\n\n"
                        "Drive type \"%2\" with parameter database %3 is not listed in "
                        "drives_conf.neb.")
                         .arg(shown, fromStd(type), fromStd(database)));
                return std::unique_ptr<SimulatedDrive>();
            }
            return drive;
        };
        std::unique_ptr<SimulatedDrive> drive = load(absolutePath, path);
        if (!drive) {
            finishJob(job, false);
            return;
        }

        // An image in a folder the user cannot write (a sample installed beside
        // the host) is offered as a copy of the user's own, which takes every change.
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/nebpt");
        const QString copy = folder + '/' + QFileInfo(absolutePath).fileName();
        if (!headless() && drive->readOnly() && !folderWritable(absolutePath) &&
            !sameFile(copy.toStdString(), absolutePath.toStdString())) {
            const bool made = QFileInfo::exists(copy);
            const QString cannot = tr("You cannot change %1 where it is: its folder is not "
                                      "yours to write.")
                                       .arg(absolutePath);
            const QString question =
                made ? tr("%1\n\nOpen your copy %2 instead? It was made earlier and keeps the "
                          "changes made to it. No opens this image read-only.")
                           .arg(cannot, copy)
                     : tr("%1\n\nOpen a copy in %2? Your changes are then saved in the copy %3. "
                          "No opens this image read-only.")
                           .arg(cannot, folder, copy);
            // Asked once, whatever the answer: the read-only image is not explained again.
            readOnlyBefore = drive->readOnlyReason();
            if (fw::messageBox(question.toStdString(), fw::MB_YESNO | fw::MB_ICONQUESTION,
                               kCaption) == fw::IDYES) {
                std::string bytes, error;
                if (!made && (!QDir().mkpath(folder) ||
                              !fw::readRegularFile(absolutePath.toStdString(),
                                                   DriveImage::kSizeLimit, bytes, error) ||
                              !fw::writeFileAtomically(copy.toStdString(), bytes, error))) {
                    logLine("no copy of " + absolutePath.toStdString() + ": " + error);
                    tell(DriveProblem::Kind::ReadOnly,
                         tr("No copy was made in %1.\n\n%2\n\n%3 is opened read-only.")
                             .arg(folder,
                                  error.empty() ? tr("The folder cannot be made.") : fromStd(error),
                                  absolutePath));
                } else {
                    drive = load(copy, copy);
                    if (!drive) {
                        finishJob(job, false);
                        return;
                    }
                    absolutePath = copy;
                }
            }
        }

        closeEditor();
        takeDrive(std::move(drive));
        m_lastLink = DriveName();
        // Headless, the drive answers in its own language unless told otherwise.
        if (!headless())
            m_drive->setLanguage(m_language.toStdString());
        // The plug-in tells nobody when the drive refuses a change; the
        // document does (writeSeen), once the command that made it has returned.
        m_drive->setWriteRefusalObserver(
            [](const std::string& reason) { logLine("the drive refused a change: " + reason); });
        emit opened();
        emit stateChanged();
        if (!headless() && m_drive->readOnly() && m_drive->readOnlyReason() != readOnlyBefore) {
            QString reason = fromStd(m_drive->readOnlyReason());
            reason[0] = reason[0].toUpper();
            tell(DriveProblem::Kind::ReadOnly,
                 tr("%1.\n\nIt is opened read-only: the program is shown, but no change to it is "
                    "saved. Open the image again once it can be written.")
                     .arg(reason),
                 {}, m_drive->readOnlyReason());
        }
        finishJob(job, headless() || makeEditor());
    }
}

void DriveDocument::openLink(DriveJob* job, const DriveName& name, bool again)
{
    std::optional<NEBPT::ProgramData> kept;
    if (again && m_copy && m_pending != 0)
        kept = m_copy->program();
    const bool wasOnline = again && m_online;
    // A drive may serve one host at a time: the link open before lets go first.
    if (m_link) {
        closeEditor();
        takeDrive(nullptr);
    }
    m_lastLink = name;
    const QString address = fromStd(name.address);
    emit stateChanged();
    emit told(tr("Connecting to %1").arg(address));
    job->setShowsProgress(true);

    // Connected and read on the link's own thread, this thread running meanwhile.
    auto link = std::make_shared<std::unique_ptr<LinkDrive>>(
        std::make_unique<LinkDrive>(name, headless() ? std::string() : m_language.toStdString()));
    LinkDrive* drive = link->get();
    enum class Outcome
    {
        Connected,
        NotConnected,
        NotSupported,
        Read,
        Cancelled,
        NotRead
    };
    struct Result
    {
        Outcome outcome = Outcome::NotConnected;
        std::string failure;
        std::unique_ptr<WorkingCopy> copy;
        bool adopted = true; // the changes kept went over to the copy
        int pending = 0;     // the copy's changes not on the drive (-1: not counted)
        std::string uncounted;
    };
    auto result = std::make_shared<Result>();
    const bool readProgramToo = !headless();
    drive->post(
        [this, drive, job, result, readProgramToo, wasOnline, kept] {
            try {
                drive->connectDrive();
            } catch (const std::exception& error) {
                result->failure = error.what();
                return;
            }
            result->outcome = Outcome::Connected;
            if (!readProgramToo)
                return;
            if (!CNEBPTMain::isDriveSupported(drive->driveType(), drive->aocVersion(),
                                              drive->databaseVersion())) {
                result->outcome = Outcome::NotSupported;
                return;
            }
            const Read read = readProgram(*drive, job, result->failure);
            result->outcome = read == Read::Done        ? Outcome::Read
                              : read == Read::Cancelled ? Outcome::Cancelled
                                                        : Outcome::NotRead;
            // Offline the editor changes a working copy of what the drive holds,
            // made and compared with the drive here, off the document's thread.
            if (read != Read::Done || wasOnline)
                return;
            try {
                result->copy = std::make_unique<WorkingCopy>(*drive, m_workflow);
            } catch (const std::exception& error) {
                result->outcome = Outcome::NotRead;
                result->failure = error.what();
                return;
            }
            if (kept)
                result->adopted = result->copy->adopt(*kept);
            try {
                result->pending =
                    static_cast<int>(m_workflow
                                         .planImport(*result->copy, *drive, NEBPT::Rounding::Refuse,
                                                     programfile::fitOf(*drive))
                                         .changes.size());
            } catch (const std::exception& error) {
                result->pending = -1;
                result->uncounted = error.what();
            }
        },
        [this, link, job, result, kept, wasOnline, address] {
            LinkDrive* drive = link->get();
            if (result->outcome == Outcome::NotConnected) {
                logLine(result->failure);
                if (m_drive) // a drive image stays open: nothing to reconnect to
                    m_lastLink = DriveName();
                emit stateChanged();
                tell(DriveProblem::Kind::NotOpened,
                     tr("Cannot connect to the drive at %1.\n\n%2")
                             .arg(address, fromStd(result->failure)) +
                         timeoutHint(fromStd(result->failure)),
                     tr("Not connected: %1").arg(fromStd(result->failure)), result->failure);
                link->reset();
                finishJob(job, false);
                return;
            }
            if (result->outcome == Outcome::NotSupported) {
                emit told(QString());
                tell(DriveProblem::Kind::NotSupported,
                     tr("The program editor does not support the drive at %1.\n\n"
                        "Drive type \"%2\" with parameter database %3 is not listed in "
                        "drives_conf.neb.")
                         .arg(address, fromStd(drive->driveType()),
                              fromStd(drive->databaseVersion())));
                link->reset();
                finishJob(job, false);
                return;
            }
            closeEditor();
            takeDrive(std::move(*link));
            m_lossTold = false;
            m_online = wasOnline;
            m_copy = std::move(result->copy);
            makeJournal();
            emit opened();
            if (headless()) {
                emit stateChanged();
                finishJob(job, true);
                return;
            }
            if (result->outcome != Outcome::Read) {
                emit stateChanged();
                if (kept)
                    logLine("the working copy's changes to " + address.toStdString() +
                            " are lost: the program cannot be read from the drive");
                tellUnread(result->outcome == Outcome::Cancelled ? Read::Cancelled : Read::Failed,
                           result->failure, false);
                finishJob(job, false);
                return;
            }
            if (!result->adopted) {
                tell(DriveProblem::Kind::Note,
                     tr("The drive at %1 now holds a program of another kind: the changes of "
                        "the working copy cannot be kept and are dropped.")
                         .arg(address));
            }
            if (!result->uncounted.empty())
                logLine("the working copy cannot be compared with the drive: " + result->uncounted);
            m_pending = m_copy ? result->pending : 0;
            emit stateChanged();
            const bool shown = makeEditor();
            if (shown)
                emit told(QString());
            finishJob(job, shown);
        });
}

DriveDocument::Read DriveDocument::readProgram(LinkDrive& link, DriveJob* job, std::string& failure)
{
    // On the link thread: nothing on the document's thread uses the drive meanwhile.
    link.forgetValues();
    std::vector<std::string> numbers;
    if (!m_workflow.programParameters(link, numbers, failure))
        return Read::Failed;
    if (job->cancelRequested())
        return Read::Cancelled;
    const QString address = fromStd(link.location());
    const int count = static_cast<int>(numbers.size());
    const auto show = [this, job, address, count](size_t read) {
        QMetaObject::invokeMethod(
            this,
            [job = QPointer<DriveJob>(job), address, count, read] {
                if (!job || job->cancelRequested())
                    return;
                job->setText(
                    tr("Reading from %1: %2 of %3 parameters").arg(address).arg(read).arg(count));
                job->setProgress(static_cast<int>(read), count);
            },
            Qt::QueuedConnection);
    };
    show(0);
    try {
        return link.prefetch(
                   numbers, [job] { return job->cancelRequested(); }, show)
                   ? Read::Done
                   : Read::Cancelled;
    } catch (const std::exception& error) {
        failure = link.readFailure().empty() ? error.what() : link.readFailure();
        return Read::Failed;
    }
}

void DriveDocument::tellUnread(Read read, const std::string& failure, bool again)
{
    if (read == Read::Cancelled) {
        emit told(tr("Reading the program from %1 was cancelled: File > Refresh or File > "
                     "Reconnect reads it again")
                      .arg(location()));
        return;
    }
    // A value that could not be read is never shown as the drive's.
    QString status;
    if (m_link && !m_link->linkUp()) {
        logLine("the link to the drive failed: " + m_link->linkFailure());
        status = tr("Link lost: %1").arg(fromStd(m_link->linkFailure()));
    } else {
        logLine(failure);
    }
    // Told here, not once more on its own.
    m_lossTold = true;
    const QString log = logHint();
    tell(DriveProblem::Kind::ReadFailed,
         again ? tr("The program cannot be read again from the drive in %1.\n\n%2"
                    "%3")
                     .arg(location(), fromStd(failure) + "\n", log)
               : tr("The program cannot be read from the drive in %1.\n\n%2.\n"
                    "%3")
                     .arg(location(), fromStd(failure), log),
         status, failure);
}

void DriveDocument::readOverLink(DriveJob* job, bool again, std::function<void(bool)> done)
{
    // The editor asks the drive for nothing while the link thread reads.
    closeEditor();
    emit stateChanged();
    emit told(tr("Reading from %1").arg(location()));
    job->setText(tr("Reading from %1").arg(location()));
    job->setCancellable(true);
    job->setShowsProgress(true);
    auto failure = std::make_shared<std::string>();
    auto read = std::make_shared<Read>(Read::Failed);
    LinkDrive* link = m_link;
    m_link->post([this, link, job, failure, read] { *read = readProgram(*link, job, *failure); },
                 [this, job, failure, read, again, done] {
                     job->setCancellable(false);
                     if (*read == Read::Done) {
                         emit told(QString());
                         done(true);
                         return;
                     }
                     emit stateChanged();
                     tellUnread(*read, *failure, again);
                     done(false);
                 });
}

DriveJob* DriveDocument::reconnect()
{
    if (m_lastLink.address.empty() || isBusy())
        return nullptr;
    return open(m_lastLink);
}

DriveJob* DriveDocument::refresh()
{
    if (isBusy())
        return nullptr;
    // A lost link is made anew; the program is read with it.
    if (!m_lastLink.address.empty() && (!m_link || !m_link->linkUp()))
        return reconnect();
    if (!m_drive)
        return nullptr;
    // A read-only image may have been changed by the host that has it open, or
    // be free by now: it is read anew from the file.
    if (m_drive->readOnly())
        return open(DriveName::ofImage(image()->imagePath()));
    // Not under an open dialog of the editor: the update waits for it to close
    // (and would answer false meanwhile).
    if (fw::isModalOpen()) {
        fw::whenNoModalIsOpen(this, [this] { refresh(); });
        return nullptr;
    }
    DriveJob* job =
        beginJob(m_link ? tr("Reading from %1").arg(location()) : QString(), m_link != nullptr);
    refreshNow(job, [this, job](bool done) { finishJob(job, done); });
    return job;
}

void DriveDocument::refreshNow(DriveJob* job, std::function<void(bool)> done)
{
    if (m_link) {
        // Read anew on the link thread, the editor made from it. The working
        // copy keeps its changes; without any it shows the drive's program.
        readOverLink(job, m_entry != nullptr, [this, done](bool read) {
            if (read && m_copy && m_pending == 0) {
                try {
                    m_copy->takeFromDrive(m_workflow);
                } catch (const std::exception& error) {
                    logLine(error.what());
                    closeEditor();
                    m_copy.reset();
                    makeJournal();
                }
            }
            const bool opened = read && makeEditor();
            countPending();
            done(opened);
        });
        return;
    }
    m_drive->forgetValues();
    if (!m_entry) {
        done(makeEditor());
        return;
    }
    const std::string refusalBefore = m_drive->lastRefusal();
    const bool updated = m_entry->UpdateFlow();
    if (updated && m_drive->readFailure().empty()) {
        emit programChanged();
        done(true);
        return;
    }
    m_lossTold = true;
    // A value that could not be read is never shown as the drive's.
    const QString unread = fromStd(m_drive->readFailure());
    if (!unread.isEmpty())
        closeEditor();
    tell(DriveProblem::Kind::ReadFailed,
         tr("The program cannot be read again from the drive in %1.\n\n%2"
            "%3")
             .arg(location(), unread.isEmpty() ? failureSince(refusalBefore) : unread + "\n",
                  logHint()),
         {}, unread.toStdString());
    emit stateChanged();
    done(false);
}

void DriveDocument::reshow(DriveJob* job, std::function<void(bool)> done)
{
    if (!m_copy) {
        refreshNow(job, std::move(done));
        return;
    }
    // The working copy is here: nothing to read from the drive.
    countPending();
    if (fw::isModalOpen()) {
        fw::whenNoModalIsOpen(this, [this] {
            if (m_entry && m_entry->UpdateFlow())
                emit programChanged();
        });
        done(true);
        return;
    }
    const bool shown = m_entry && m_entry->UpdateFlow();
    if (shown)
        emit programChanged();
    done(shown);
}
