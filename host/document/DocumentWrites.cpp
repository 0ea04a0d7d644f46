// What a document writes to its drive: the editor's writes (confirmed, refused,
// lost), the working copy's download and upload, going online, imports and
// exports, undo and redo, and writing a partly written change again.

#include "DriveDocument.h"

#include "DriveJournal.h"
#include "LinkDrive.h"
#include "ProgramFile.h"
#include "RegisterMap.h"
#include "SimulatedDrive.h"
#include "WorkingCopy.h"

#include "NEBPTMain.h"
#include "Verifier.h"
#include "framework/AtomicFile.h"
#include "framework/MessageBox.h"
#include "framework/widgets/Messages.h"

#include <QFutureWatcher>
#include <QRegularExpression>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <memory>

namespace {

constexpr const char* kCaption = "nebpt-host";

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

void logLine(const std::string& text)
{
    NEBPT::logHostFailure(text, "host/document/DocumentWrites.cpp", __LINE__);
}

// The reason of a refusal without the name of the call that was refused
// ("WriteParameterValues: ..."): the engineer did not make that call.
QString reasonOf(const std::string& failure)
{
    static const QRegularExpression call(QStringLiteral("^[A-Z][A-Za-z]+: "));
    return QString::fromStdString(failure).remove(call);
}

// What a write on the drive's thread ended with.
struct Outcome
{
    bool done = false;
    std::string failure; // empty when done
};

} // namespace

// --- the editor's writes ---

std::vector<NEBPT::ProgramEntry>
DriveDocument::describe(const std::vector<std::string>& identifiers,
                        const std::vector<std::string>& values,
                        const std::vector<size_t>& positions, size_t most)
{
    std::vector<std::string> someIdentifiers, someValues;
    for (size_t i = 0; i < positions.size() && i < most; ++i) {
        someIdentifiers.push_back(identifiers.at(positions[i]));
        someValues.push_back(values.at(positions[i]));
    }
    try {
        return m_workflow.describe(*edited(), someIdentifiers, someValues);
    } catch (const std::exception& error) {
        logLine(std::string("the values written cannot be named: ") + error.what());
    }
    std::vector<NEBPT::ProgramEntry> entries;
    for (size_t i = 0; i < someIdentifiers.size(); ++i)
        entries.push_back({someIdentifiers[i], someIdentifiers[i], someValues[i], someValues[i]});
    return entries;
}

bool DriveDocument::allowWrite(const WriteWatch::Write& write)
{
    (void)write;
    if (!m_online || m_runningWriteAgreed || !m_link)
        return true;
    // Whether the drive's controller runs, as its status block tells.
    QString state = tr("may be running (the drive does not show its state)");
    const int status = m_link->registerMap().statusAddress;
    if (status >= 0) {
        std::uint16_t header[modbusmap::kStatusHeaderRegisters] = {};
        std::string failure;
        if (m_link->readRegisters(status, modbusmap::kStatusHeaderRegisters, header,
                                  tr("reading the controller's state").toStdString(), failure)) {
            if (header[0] == 0)
                return true; // stopped: the first write to a running controller asks
            state = tr("is running (step %1)").arg(static_cast<std::int16_t>(header[1]));
        } else {
            logLine(failure);
        }
    }
    const QString question =
        tr("The controller of the drive at %1 %2.\n\nWrite this change to the drive now? "
           "While you edit online, every further change is written at once without asking.")
            .arg(location(), state);
    m_runningWriteAgreed = fw::messageBox(question.toStdString(), fw::MB_YESNO | fw::MB_ICONWARNING,
                                          kCaption) == fw::IDYES;
    return m_runningWriteAgreed;
}

void DriveDocument::writeSeen(const WriteWatch::Write& write)
{
    // Views learn of the editor's changes once the command that made them has returned.
    QTimer::singleShot(0, this, [this] { emit programChanged(); });
    const size_t count = write.identifiers.size();
    std::vector<size_t> changed;
    if (write.taken) {
        for (size_t i = 0; i < count; ++i)
            if (write.before.size() == count && write.after.size() == count &&
                write.before[i] != write.after[i])
                changed.push_back(i);
        if (m_copy)
            countPending();
        if (changed.empty())
            return;
        QStringList parts;
        for (const NEBPT::ProgramEntry& entry :
             describe(write.identifiers, write.after, changed, 3))
            parts << QStringLiteral("%1 = %2").arg(fromStd(entry.label), fromStd(entry.text));
        if (changed.size() > 3)
            parts << tr("%n more value(s)", nullptr, static_cast<int>(changed.size() - 3));
        emit told(m_copy ? tr("%1 changed in the working copy, not on the drive yet")
                               .arg(parts.join(QStringLiteral(", ")))
                         : tr("%1 written").arg(parts.join(QStringLiteral(", "))));
        return;
    }
    // What the write would have changed: the values asked for, in the form the
    // drive keeps them, that differ from what it held.
    std::vector<std::string> asked = write.values;
    for (size_t i = 0; i < count; ++i) {
        std::string stored, reason;
        const std::string& identifier = write.identifiers[i];
        const unsigned long number = std::strtoul(identifier.c_str(), nullptr, 10);
        if (edited()->accepts(number, asked[i], stored, reason))
            asked[i] = stored;
        if (write.before.size() != count || write.before[i] != asked[i])
            changed.push_back(i);
    }
    // In a few words when the drive has them ("write-protected image").
    const std::string shortly = m_copy ? std::string() : m_drive->refusalShort();
    const QString reason = shortly.empty() ? reasonOf(write.failure) : fromStd(shortly);
    // "Timer 0 = 9.00 s", and "Timer 0: the drive refused 9.00 s (write-protected image)".
    QStringList values, refusals;
    for (const NEBPT::ProgramEntry& entry : describe(write.identifiers, asked, changed, 5)) {
        values << QStringLiteral("%1 = %2").arg(fromStd(entry.label), fromStd(entry.text));
        refusals << tr("%1: the drive refused %2 (%3)")
                        .arg(fromStd(entry.label), fromStd(entry.text), reason);
    }
    if (changed.size() > 5) {
        values << tr("and %n more value(s)", nullptr, static_cast<int>(changed.size() - 5));
        refusals << values.back();
    }
    if (values.isEmpty()) {
        values << tr("The change");
        refusals << tr("the drive refused the change (%1)").arg(reason);
    }
    const bool declined = write.declined;
    // A lost link is told on its own (linkLost), with these values.
    if (m_link && !m_link->linkUp() && !declined)
        m_unwritten = values.join(QLatin1Char('\n'));
    // Told once the command that made the write has returned to the editor.
    QTimer::singleShot(0, this, [this, drive = m_drive.get(), values, refusals, reason, declined] {
        if (m_drive.get() == drive)
            reportUnwritten(values, refusals, reason, declined);
    });
}

void DriveDocument::reportUnwritten(const QStringList& values, const QStringList& refusals,
                                    const QString& reason, bool declined)
{
    const QString inOneLine = values.join(QStringLiteral("; "));
    if (declined) {
        emit told(tr("Not written: %1").arg(inOneLine));
    } else if (m_link && !m_link->linkUp()) {
        // Told with what it may have left on the drive (linkLost).
        emit told(tr("Not written, the link is lost: %1").arg(reason));
    } else if (m_link && m_link->lastWrite().partlyWritten()) {
        offerWriteAgain(nullptr, values.join(QLatin1Char('\n')), reason, [](bool) {});
        return;
    } else {
        tell(DriveProblem::Kind::Refused,
             tr("The change was not saved to %1.\n\n%2\n\nThe editor shows what the drive holds.")
                 .arg(location(), refusals.join(QLatin1Char('\n'))),
             tr("Not written: %1 (%2)").arg(inOneLine, reason), reason.toStdString());
    }
    showWhatTheDriveHolds();
}

void DriveDocument::countPending()
{
    m_pending = 0;
    if (m_copy) {
        try {
            m_pending = static_cast<int>(m_workflow
                                             .planImport(*m_copy, *m_drive, NEBPT::Rounding::Refuse,
                                                         programfile::fitOf(*m_drive))
                                             .changes.size());
        } catch (const std::exception& error) {
            logLine(std::string("the working copy cannot be compared with the drive: ") +
                    error.what());
            m_pending = -1;
        }
    }
    emit stateChanged();
}

// --- a partly written change ---

void DriveDocument::offerWriteAgain(DriveJob* job, const QString& what, const QString& reason,
                                    std::function<void(bool)> done)
{
    LinkDrive* link = m_link;
    // What the drive holds is told once, before the cause (the failure ends with it).
    const QString holds = link ? fromStd(link->lastWrite().describe()) : QString();
    QString cause = reason;
    if (cause.endsWith(QStringLiteral("; ") + holds))
        cause.chop(holds.size() + 2);
    const auto showHolds = [this, link] {
        // The editor shows what the drive holds, as far as it can be read, else
        // what it was last read back to hold.
        if (link->linkUp())
            fw::whenNoModalIsOpen(this, [this] { afterJob([this] { refresh(); }); });
        else
            showWhatTheDriveHolds();
    };
    // Writing again cannot finish what the drive refuses: that is told, not offered.
    if (link && link->lastWrite().partlyWritten() && !link->lastWriteRefusal().elements.empty()) {
        tell(DriveProblem::Kind::PartlyWritten,
             tr("%1 was not completely written to the drive at %2: %3.\n\n%4\n\nThe drive "
                "refuses a value of it, so writing it again cannot finish it: change the "
                "program or the drive, then write it again.")
                 .arg(what, location(), holds, cause));
        showHolds();
        done(false);
        return;
    }
    if (!link || !link->lastWrite().partlyWritten()) {
        if (link)
            tell(DriveProblem::Kind::PartlyWritten,
                 tr("%1 cannot be written again to the drive at %2.\n\n%3")
                     .arg(what, location(), reason));
        done(false);
        return;
    }
    const QString question = tr("%1 was not completely written to the drive at %2: %3.\n\n%4\n\n"
                                "Write it again? (No leaves the drive as it is.)")
                                 .arg(what, location(), holds, cause);
    if (fw::messageBox(question.toStdString(), fw::MB_YESNO, kCaption) != fw::IDYES) {
        showHolds();
        done(false);
        return;
    }
    // Written on the link thread, as a job of its own unless one runs.
    DriveJob* writing = job ? job : beginJob(tr("Writing to %1").arg(location()));
    const auto finished = [this, job, writing, done](bool written) {
        if (!job)
            finishJob(writing, written);
        done(written);
    };
    m_ownWrite = true;
    auto failure = std::make_shared<std::string>();
    link->post(
        [link, failure] {
            try {
                link->writeAgain();
            } catch (const std::exception& error) {
                *failure = error.what();
            }
        },
        [this, writing, what, failure, finished] {
            m_ownWrite = false;
            if (failure->empty()) {
                m_lossTold = false;
                m_lossSeen = false;
                emit stateChanged();
                emit told(tr("Written again to %1 and read back").arg(location()));
                // Not while an editor dialog is open: the editor is read anew.
                fw::whenNoModalIsOpen(this, [this] { afterJob([this] { refresh(); }); });
                finished(true);
                return;
            }
            logLine(*failure);
            emit stateChanged();
            offerWriteAgain(writing, what, fromStd(*failure), finished);
        });
}

// --- the working copy ---

DriveDocument::Keep DriveDocument::askToKeepChanges(const QString& what)
{
    if (!m_copy || m_pending == 0)
        return Keep::Go;
    const QString question =
        m_pending > 0
            ? tr("The working copy holds %n change(s) not on the drive at %1.\n\n"
                 "Download the working copy before %2? Yes downloads it, No drops its changes, "
                 "Cancel goes back.",
                 nullptr, m_pending)
                  .arg(location(), what)
            : tr("The working copy may hold changes not on the drive at %1.\n\n"
                 "Download the working copy before %2? Yes downloads it, No drops its changes, "
                 "Cancel goes back.")
                  .arg(location(), what);
    switch (fw::messageBox(question.toStdString(), fw::MB_YESNOCANCEL, kCaption)) {
    case fw::IDYES:
        return Keep::Download;
    case fw::IDNO:
        return Keep::Go;
    default:
        return Keep::Cancel;
    }
}

void DriveDocument::keepOrDropChanges(const QString& what, const std::function<void(bool)>& next)
{
    if (isBusy()) {
        next(false);
        return;
    }
    switch (askToKeepChanges(what)) {
    case Keep::Go:
        next(true);
        return;
    case Keep::Cancel:
        next(false);
        return;
    case Keep::Download:
        break;
    }
    DriveJob* job = beginJob(tr("Writing to %1").arg(location()));
    downloadInto(job, [this, job, next](bool downloaded) {
        finishJob(job, downloaded);
        next(downloaded && m_pending == 0);
    });
}

DriveJob* DriveDocument::setOnline(bool online)
{
    if (!m_link || isBusy())
        return nullptr;
    const auto change = [this, online](DriveJob* job) {
        closeEditor();
        m_online = online;
        m_runningWriteAgreed = false;
        m_copy.reset();
        m_pending = 0;
        makeJournal();
        const auto shown = [this, job, online](bool made) {
            emit stateChanged();
            emit told(online ? tr("Editing online: every change is written to the drive")
                             : tr("Editing offline: changes go into the working copy"));
            finishJob(job, made);
        };
        // Online the editor shows what the drive holds now: read anew; offline
        // the working copy is made from what the drive keeps.
        if (online)
            readOverLink(job, true, [this, shown](bool read) { shown(read && makeEditor()); });
        else
            shown(makeEditor());
    };
    if (online == m_online) {
        DriveJob* job = beginJob(QString());
        finishJob(job, true);
        return job;
    }
    const Keep keep = online ? askToKeepChanges(tr("editing online")) : Keep::Go;
    if (keep == Keep::Cancel)
        return nullptr;
    DriveJob* job = beginJob(tr("Reading from %1").arg(location()));
    if (keep == Keep::Go) {
        change(job);
        return job;
    }
    downloadInto(job, [this, job, change](bool downloaded) {
        if (downloaded && m_pending == 0)
            change(job);
        else
            finishJob(job, false);
    });
    return job;
}

void DriveDocument::askBeforeWriting(DriveJob* job, const QString& question, NEBPT::ProgramData now,
                                     NEBPT::ProgramData next, std::function<void(bool)> answered)
{
    static constexpr double kHorizonSeconds = 60.0;
    static constexpr std::chrono::seconds kTimeLimit{20};
    // The question stands alone: the job's progress hides while it is asked.
    const auto ask = [job](const QString& text) {
        const QPointer<DriveJob> asking(job);
        job->setAsking(true);
        const bool yes = fw::messageBox(text.toStdString(), fw::MB_YESNO, kCaption) == fw::IDYES;
        if (asking)
            asking->setAsking(false);
        return yes;
    };
    if (now.parameters.empty() || next.parameters.empty()) {
        answered(ask(question));
        return;
    }
    job->setText(tr("Comparing what the programs do"));
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [watcher, question, answered, ask] {
        const QString behaviour = watcher->result();
        watcher->deleteLater();
        answered(ask(question + QStringLiteral("\n\n") + behaviour));
    });
    watcher->setFuture(QtConcurrent::run([now = std::move(now), next = std::move(next)] {
        try {
            const verify::Divergence found =
                verify::behaviourDiff(now, next, kHorizonSeconds, kTimeLimit);
            switch (found.status) {
            case verify::Divergence::Status::Same:
                return tr("What changes in behaviour: nothing, up to %1 s.").arg(kHorizonSeconds);
            case verify::Divergence::Status::Differs:
                return tr("What changes in behaviour (the drive's program, then the new one): %1")
                    .arg(fromStd(found.text));
            case verify::Divergence::Status::Undecided:
                return tr("What changes in behaviour could not be worked out within %1 s.")
                    .arg(kTimeLimit.count());
            case verify::Divergence::Status::Internal:
                break;
            }
            return tr("What changes in behaviour could not be worked out: %1")
                .arg(fromStd(found.text));
        } catch (const std::exception& error) {
            return tr("What changes in behaviour could not be worked out: %1")
                .arg(fromStd(error.what()));
        }
    }));
}

DriveJob* DriveDocument::download()
{
    if (!m_link || !m_copy || !m_entry || isBusy())
        return nullptr;
    DriveJob* job = beginJob(tr("Writing to %1").arg(location()));
    downloadInto(job, [this, job](bool downloaded) { finishJob(job, downloaded); });
    return job;
}

void DriveDocument::downloadInto(DriveJob* job, std::function<void(bool)> done)
{
    LinkDrive* link = m_link;
    if (!link->linkUp()) {
        tell(DriveProblem::Kind::LinkLost,
             tr("The working copy cannot be downloaded: the link to the drive at %1 is lost.\n\n"
                "File > Reconnect connects anew; the working copy keeps its changes.")
                 .arg(location()));
        done(false);
        return;
    }
    auto plan = std::make_shared<NEBPT::ImportPlan>();
    std::vector<std::string> lines;
    try {
        *plan = m_workflow.planImport(*m_copy, *link, NEBPT::Rounding::Refuse,
                                      programfile::fitOf(*link));
        lines = m_workflow.compare(*link, *m_copy);
    } catch (const std::exception& error) {
        tell(DriveProblem::Kind::Refused,
             tr("The working copy is not downloaded; nothing was written.\n\n%1")
                 .arg(fromStd(error.what())),
             {}, error.what());
        done(false);
        return;
    }
    if (plan->changes.empty()) {
        countPending();
        tell(DriveProblem::Kind::Note,
             tr("The drive at %1 holds the working copy's program already.").arg(location()));
        done(true);
        return;
    }
    // The changes in the terms of --diff: the drive's value -> the copy's.
    constexpr size_t kShown = 15;
    QStringList shown;
    for (size_t i = 0; i < lines.size() && i < kShown; ++i)
        shown << fromStd(lines[i]);
    if (lines.size() > kShown)
        shown << tr("... and %n more", nullptr, static_cast<int>(lines.size() - kShown));
    const int changes = static_cast<int>(plan->changes.size());
    NEBPT::ProgramData now, next = m_copy->program();
    try {
        now = m_workflow.exportProgram(*link);
    } catch (const std::exception& error) {
        logLine(error.what());
    }
    askBeforeWriting(job,
                     tr("Download %n change(s) to the drive at %1?\n\n%2", nullptr, changes)
                         .arg(location(), shown.join(QLatin1Char('\n'))),
                     std::move(now), std::move(next),
                     [this, job, link, plan, changes, done](bool agreed) {
                         if (!agreed) {
                             done(false);
                             return;
                         }
                         writeDownload(job, link, plan, changes, done);
                     });
}

void DriveDocument::writeDownload(DriveJob* job, LinkDrive* link,
                                  std::shared_ptr<NEBPT::ImportPlan> plan, int changes,
                                  std::function<void(bool)> done)
{
    job->setText(tr("Writing to %1").arg(location()));
    m_ownWrite = true;
    auto outcome = std::make_shared<Outcome>();
    link->post(
        [link, plan, outcome] {
            try {
                NEBPT::ProgramWorkflow::importProgram(*link, plan->changes);
                outcome->done = true;
            } catch (const std::exception& error) {
                outcome->failure = error.what();
            }
        },
        [this, job, link, outcome, changes, done] {
            m_ownWrite = false;
            countPending();
            if (!outcome->done) {
                logLine(outcome->failure);
                if (link->lastWrite().partlyWritten()) {
                    offerWriteAgain(job, tr("The download"), reasonOf(outcome->failure),
                                    [done](bool) { done(false); });
                    return;
                }
                tell(DriveProblem::Kind::Refused,
                     tr("The working copy is not downloaded: the drive at %1 refused it and holds "
                        "what it held before.\n\n%2")
                         .arg(location(), reasonOf(outcome->failure)),
                     {}, outcome->failure);
                done(false);
                return;
            }
            emit programChanged();
            emit told(tr("%n change(s) downloaded to %1 and read back", nullptr, changes)
                          .arg(location()));
            done(true);
        });
}

DriveJob* DriveDocument::upload()
{
    if (!m_link || !m_copy || isBusy())
        return nullptr;
    if (m_pending != 0) {
        const QString question =
            tr("Upload takes the program of the drive at %1 into the working copy and drops "
               "its %n change(s) not on the drive.\n\nUpload?",
               nullptr, std::max(m_pending, 1))
                .arg(location());
        if (fw::messageBox(question.toStdString(), fw::MB_YESNO, kCaption) != fw::IDYES)
            return nullptr;
    }
    DriveJob* job = beginJob(tr("Reading from %1").arg(location()), true);
    closeEditor();
    m_copy.reset();
    m_pending = 0;
    makeJournal();
    readOverLink(job, true, [this, job](bool read) {
        const bool shown = read && makeEditor();
        emit stateChanged();
        if (shown)
            emit told(tr("The working copy holds the program of %1").arg(location()));
        finishJob(job, shown);
    });
    return job;
}

// --- undo, redo, import, export ---

DriveJob* DriveDocument::undo()
{
    if (!m_journal || !m_entry || isBusy())
        return nullptr;
    if (!m_journal->canUndo()) {
        emit told(tr("Nothing to undo"), 3000);
        return nullptr;
    }
    DriveJob* job = beginJob(tr("Writing to %1").arg(location()));
    undoOrRedo(job, false);
    return job;
}

DriveJob* DriveDocument::redo()
{
    if (!m_journal || !m_entry || isBusy())
        return nullptr;
    if (!m_journal->canRedo()) {
        emit told(tr("Nothing to redo"), 3000);
        return nullptr;
    }
    DriveJob* job = beginJob(tr("Writing to %1").arg(location()));
    undoOrRedo(job, true);
    return job;
}

void DriveDocument::undoOrRedo(DriveJob* job, bool redo)
{
    m_ownWrite = true;
    auto outcome = std::make_shared<Outcome>();
    DriveJournal* journal = m_journal.get();
    onDrive(
        [this, journal, redo, outcome] {
            const auto ask = [this](const std::string& question) { return confirm(question); };
            try {
                outcome->done = redo ? journal->redo(ask) : journal->undo(ask);
            } catch (const std::exception& error) {
                outcome->failure = error.what();
            }
        },
        [this, job, redo, outcome] {
            m_ownWrite = false;
            if (!outcome->failure.empty()) {
                logLine(outcome->failure);
                emit stateChanged();
                if (m_link && m_link->lastWrite().partlyWritten()) {
                    offerWriteAgain(job, redo ? tr("The change made again") : tr("The undo"),
                                    fromStd(outcome->failure),
                                    [this, job](bool) { finishJob(job, false); });
                    return;
                }
                tell(DriveProblem::Kind::Refused,
                     (redo ? tr("The change cannot be made again on the drive in %1.\n\n%2")
                           : tr("The change cannot be undone on the drive in %1.\n\n%2"))
                         .arg(location(), fromStd(outcome->failure)),
                     {}, outcome->failure);
            }
            if (!outcome->done) {
                finishJob(job, false);
                return;
            }
            reshow(job, [this, job](bool) { finishJob(job, true); });
        });
}

DriveJob* DriveDocument::importProgram(const QString& path)
{
    if (!m_journal || !m_entry || isBusy())
        return nullptr;
    auto plan = std::make_shared<std::vector<NEBPT::ProgramChange>>();
    try {
        SimulatedDrive program(path.toLocal8Bit().toStdString(), SimulatedDrive::Access::Read);
        // Written through the journal; the drive tells which values it takes.
        *plan = m_workflow
                    .planImport(program, *m_journal, NEBPT::Rounding::Refuse,
                                programfile::fitOf(*m_drive))
                    .changes;
    } catch (const std::exception& error) {
        tell(DriveProblem::Kind::Refused,
             tr("The program in %1 is not imported; nothing was written.\n\n%2")
                 .arg(path, fromStd(error.what())),
             {}, error.what());
        return nullptr;
    }
    if (plan->empty()) {
        tell(DriveProblem::Kind::Note,
             tr("The drive in %1 holds the program in %2 already.").arg(location(), path));
        DriveJob* job = beginJob(QString());
        finishJob(job, true);
        return job;
    }
    const QString question =
        tr("Import the program in %1 into the drive in %2? %n element(s) change.", nullptr,
           static_cast<int>(plan->size()))
            .arg(path, location());
    if (!m_link || m_copy) {
        if (fw::messageBox(question.toStdString(), fw::MB_YESNO, kCaption) != fw::IDYES)
            return nullptr;
        DriveJob* job = beginJob(tr("Writing to %1").arg(location()));
        writeImport(job, path, plan);
        return job;
    }
    // Over a link, with what changes in behaviour.
    DriveJob* job = beginJob(tr("Writing to %1").arg(location()));
    NEBPT::ProgramData now, next;
    try {
        now = m_workflow.exportProgram(*m_drive);
        SimulatedDrive program(path.toLocal8Bit().toStdString(), SimulatedDrive::Access::Read);
        next = m_workflow.exportProgram(program);
    } catch (const std::exception& error) {
        logLine(error.what());
    }
    askBeforeWriting(job, question, std::move(now), std::move(next),
                     [this, job, path, plan](bool agreed) {
                         if (agreed)
                             writeImport(job, path, plan);
                         else
                             finishJob(job, false);
                     });
    return job;
}

void DriveDocument::writeImport(DriveJob* job, const QString& path,
                                std::shared_ptr<std::vector<NEBPT::ProgramChange>> plan)
{
    job->setText(tr("Writing to %1").arg(location()));
    // One write, and one step to undo.
    m_journal->beginGroup();
    m_ownWrite = true;
    auto outcome = std::make_shared<Outcome>();
    DriveJournal* journal = m_journal.get();
    onDrive(
        [journal, plan, outcome] {
            try {
                NEBPT::ProgramWorkflow::importProgram(*journal, *plan);
                outcome->done = true;
            } catch (const std::exception& error) {
                outcome->failure = error.what();
            }
        },
        [this, job, path, outcome] {
            m_ownWrite = false;
            m_journal->endGroup();
            if (!outcome->done) {
                logLine(outcome->failure);
                emit stateChanged();
                // Over a link the drive may hold part of it: it is told, and
                // written again on request.
                if (m_link && m_link->lastWrite().partlyWritten()) {
                    offerWriteAgain(job, tr("The program in %1").arg(path),
                                    fromStd(outcome->failure),
                                    [this, job](bool written) { finishJob(job, written); });
                    return;
                }
                tell(DriveProblem::Kind::Refused,
                     tr("The program in %1 is not imported; the drive in %2 refused it.\n\n%3")
                         .arg(path, location(), fromStd(outcome->failure)),
                     {}, outcome->failure);
                finishJob(job, false);
                return;
            }
            emit stateChanged();
            reshow(job, [this, job](bool shown) { finishJob(job, shown); });
        });
}

DriveJob* DriveDocument::exportProgram(const QString& path)
{
    if (!m_drive || isBusy())
        return nullptr;
    const QString conflict = outputConflict(path);
    if (!conflict.isEmpty()) {
        tell(DriveProblem::Kind::NotOpened, tr("The program is not written: %1.").arg(conflict));
        return nullptr;
    }
    DriveJob* job = beginJob(tr("Reading from %1").arg(location()));
    struct Export
    {
        QByteArray bytes;
        std::string readFailure, writeFailure;
    };
    auto done = std::make_shared<Export>();
    HostDrive* drive = edited();
    onDrive(
        [this, drive, done] {
            try {
                done->bytes = programfile::fileOf(m_workflow.exportProgram(*drive));
            } catch (const std::exception& error) {
                done->readFailure = error.what();
            }
        },
        [this, job, path, done] {
            if (done->readFailure.empty() &&
                !fw::writeFileAtomically(path.toLocal8Bit().toStdString(),
                                         done->bytes.toStdString(), done->writeFailure)) {
                tell(DriveProblem::Kind::Refused,
                     tr("The program cannot be written to %1.\n\n%2")
                         .arg(path, fromStd(done->writeFailure)),
                     {}, done->writeFailure);
                finishJob(job, false);
                return;
            }
            if (!done->readFailure.empty()) {
                tell(DriveProblem::Kind::ReadFailed,
                     tr("The program cannot be read from the drive in %1.\n\n%2")
                         .arg(location(), fromStd(done->readFailure)),
                     {}, done->readFailure);
                finishJob(job, false);
                return;
            }
            emit told(tr("Program exported to %1").arg(path));
            finishJob(job, true);
        });
    return job;
}
