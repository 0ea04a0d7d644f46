#pragma once

#include "ControllerPoller.h"
#include "DriveJob.h"
#include "DriveProblem.h"
#include "FlowState.h"
#include "FormView.h"
#include "OpenDrive.h"
#include "ProgramWorkflow.h"
#include "WriteWatch.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CNEBPTMain;
class DriveJournal;
class LinkDrive;
class ModbusDrive;
class SimulatedDrive;
class WorkingCopy;
namespace modbusmap {
struct Map;
}

// The drive that is open, as one document: the drive (a drive image, or a
// drive over a Modbus link served by a link thread of its own, LinkDrive), the
// working copy a link's program is edited in offline, the journal of writes
// (undo, redo) with the watch on the editor's writes, the plug-in's entry
// object (made in the form view a view attaches; a headless document, as the
// command line opens, has none) and one warm NEBPT::ProgramWorkflow, which
// loads the drive configuration once per drive type.
//
// Everything that waits for a drive is a job (DriveJob): opening, reading
// anew, reconnecting, a download or upload, an import or export, undo and
// redo, going online. A job's work on a link runs on the link thread; the
// document's thread (the GUI's) goes on meanwhile and hears the job's progress
// and end. One job at a time: while one runs (isBusy) another is not started
// (nullptr). The plug-in's own host calls wait for the link thread as the
// host interface requires, answered from the values the link keeps.
//
// Views learn of it through signals: `opened` (a drive became the document's),
// `programChanged` (the program shown is new or may have changed), `progress`,
// `busy` (a job, or a write of the editor, waits for the drive), `problem`
// (told once, in the engineer's words), `told` (news for a status line) and
// `stateChanged` (anything else a view shows: the editor, the mode, the count
// of changes, the link). Questions to the engineer go through the
// framework's message box seam (fw::messageBox).
//
// Editing a drive over a link is offline at first: the editor changes a
// working copy (WorkingCopy) and pendingChanges() counts the elements the
// drive does not hold; download() writes them as an import does, upload()
// takes the drive's program anew. Online (setOnline) every change is written
// at once; the first write to a controller that runs (or may run) asks once.
class DriveDocument : public QObject
{
    Q_OBJECT

public:
    // `language`: the language the host runs in, told to every drive opened.
    explicit DriveDocument(const QString& language = QStringLiteral("english"),
                           QObject* parent = nullptr);
    ~DriveDocument() override;

    // From now on an editor (the plug-in's entry object) is made in `view`
    // whenever a drive's program is shown.
    void attachView(CFormView& view);
    bool headless() const { return m_view == nullptr; }

    // --- what is open ---
    bool isOpen() const { return m_drive != nullptr; }
    // The drive open: the image file or the link's address; empty when none.
    QString location() const;
    // The drive image's path; empty over a link.
    QString imagePath() const;
    // The link last asked for (reconnect() connects to it again); its
    // address is empty when none is.
    const DriveName& lastLink() const { return m_lastLink; }
    // Forgets the link last asked for, or takes one remembered elsewhere.
    void rememberLink(const DriveName& link) { m_lastLink = link; }
    HostDrive* drive() const { return m_drive.get(); }
    // The drive image; null over a link.
    SimulatedDrive* image() const;
    // The link's Modbus drive, which lives on the link thread: only its
    // request counts and linkUp() may be asked here. Null for an image.
    ModbusDrive* modbus() const;
    // The drive the editor writes: the working copy offline, else the drive.
    HostDrive* edited() const;
    CNEBPTMain* entry() const { return m_entry.get(); }
    DriveJournal* journal() const { return m_journal.get(); }
    WorkingCopy* workingCopy() const { return m_copy.get(); }
    NEBPT::ProgramWorkflow& workflow() { return m_workflow; }
    // Whether the link is up; true for an image.
    bool linkUp() const;
    QString linkFailure() const;
    bool readOnly() const;
    QString readOnlyReason() const;
    // Why `path` must not be written: it is the open image or the link's
    // profile, or no regular file (fw::outputConflict); empty when it may.
    QString outputConflict(const QString& path) const;

    // --- a link's editing mode ---
    enum class Editing
    {
        Direct,  // a drive image: every change is written to it
        Offline, // a link's working copy takes the changes
        Online,  // every change is written to the drive over the link
    };
    Editing editing() const;
    // How a title names the drive: the image's file name, or the link's address.
    QString displayName() const;
    // What a program file of the drive is named after: the image's name without
    // its extension, or the drive type.
    QString programName() const;
    bool linked() const { return m_link != nullptr; }
    bool online() const { return m_online; }
    // Offline: the elements the working copy holds that the drive does not (-1:
    // not counted); 0 otherwise.
    int pendingChanges() const { return m_pending; }

    // --- long work ---
    DriveJob* job() const { return m_job; }
    bool isBusy() const { return m_job != nullptr; }
    void cancel();
    // Opens the drive named: a drive image (locked when written, read-only when
    // another host has it or it is write-protected), or a drive over a link.
    // Headless, that is all. With a view the plug-in's support is asked, a
    // link's program is read on its thread (cancellable, with progress), and
    // the editor shows the program. A new drive that cannot be used leaves the
    // drive open before in place; over a link the link open before goes first.
    DriveJob* open(const DriveName& name, DriveUse use = DriveUse::Write);
    // Reads the program anew from the drive (a lost link is made anew; a
    // read-only image is opened again).
    DriveJob* refresh();
    // Connects anew to the link last asked for.
    DriveJob* reconnect();
    DriveJob* setOnline(bool online);
    DriveJob* download();
    DriveJob* upload();
    // The program file's program into the drive, when it fits and the engineer
    // agrees, in one write (one step to undo); the editor shows it after.
    DriveJob* importProgram(const QString& path);
    // The program the editor shows into a program file.
    DriveJob* exportProgram(const QString& path);
    DriveJob* undo();
    DriveJob* redo();
    // Before `what` would drop the working copy's changes: asks to download
    // them, drop them or cancel; `next` runs when it may go on (false when
    // cancelled or the download failed).
    void keepOrDropChanges(const QString& what, const std::function<void(bool)>& next);
    // The editor is made anew in the language, from what the drive keeps.
    void setLanguage(const QString& language);

    // --- the program, for views that show it apart from the editor ---
    // Whether the program can run on the model of the controller (a program
    // from a drive image, shown).
    bool canSimulate() const;
    // Whether the drive's controller can be watched (over a link, a program
    // shown).
    bool watchesController() const;
    // The drive's program as plain data, from what the drive keeps; false with
    // `failure` when it cannot be read.
    bool program(NEBPT::ProgramData& program, QString& failure);
    // What the monitor sees of the controller, shown in the editor's flow.
    void showLiveState(const NEBPT::FlowLiveState& state);
    // Polls the controller of a drive over a link (`polled`) while wanted.
    void startPolling(int expectedInputs);
    void stopPolling();
    // Sets input `offset` of the controller's input block; the number of the write.
    unsigned setInput(std::size_t offset, std::int16_t value);
    // The register map of the link's profile; null for an image.
    const modbusmap::Map* registerMap() const;

    // Where the details of a failure are logged, or why nothing is.
    static QString logHint();

signals:
    void opened();
    void programChanged();
    void progress(int done, int of);
    void busy(bool busy);
    void problem(const DriveProblem& problem);
    // News for a status line (0: shown until the next).
    void told(const QString& text, int timeoutMs = 0);
    void stateChanged();
    void polled(const ControllerPoll& poll);

private:
    // A job: its work (on the link thread for a link, on this thread later for
    // an image), then `then` on this thread.
    // `overLink`: the work waits for the link, long enough to show its progress.
    DriveJob* beginJob(const QString& text, bool cancellable = false, bool overLink = false);
    void finishJob(DriveJob* job, bool succeeded);
    void onDrive(const std::function<void()>& work, const std::function<void()>& then);
    // Runs `next` once the job running has finished (at once when none runs).
    void afterJob(std::function<void()> next);

    void openImage(DriveJob* job, const DriveName& name, DriveUse use);
    void openLink(DriveJob* job, const DriveName& name, bool again);
    // Over a link: the program read anew on the link thread, the editor closed
    // meanwhile; `done(false)` when cancelled or failed (told).
    void readOverLink(DriveJob* job, bool again, std::function<void(bool)> done);
    // Reads the program parameters whole on the link thread; the outcome.
    enum class Read
    {
        Done,
        Cancelled,
        Failed
    };
    Read readProgram(LinkDrive& link, DriveJob* job, std::string& failure);
    void tellUnread(Read read, const std::string& failure, bool again);
    enum class Keep
    {
        Go,       // nothing to keep, or dropped
        Download, // downloaded first
        Cancel
    };
    // Before the working copy's changes would be lost by `what`: asks.
    Keep askToKeepChanges(const QString& what);
    void refreshNow(DriveJob* job, std::function<void(bool)> done);
    // Shows the program after a change made by the document itself.
    void reshow(DriveJob* job, std::function<void(bool)> done);
    void downloadInto(DriveJob* job, std::function<void(bool)> done);
    // The import agreed to: the plan written through the journal, one step to undo.
    void writeImport(DriveJob* job, const QString& path,
                     std::shared_ptr<std::vector<NEBPT::ProgramChange>> plan);
    // The download agreed to: the plan written to the drive and read back.
    void writeDownload(DriveJob* job, LinkDrive* link, std::shared_ptr<NEBPT::ImportPlan> plan,
                       int changes, std::function<void(bool)> done);
    // Asks `question` before a program is written over a link, with what
    // changes in behaviour from `now` to `next` (worked out off the window's
    // thread, the job telling so meanwhile); `answered` gets the answer.
    void askBeforeWriting(DriveJob* job, const QString& question, NEBPT::ProgramData now,
                          NEBPT::ProgramData next, std::function<void(bool)> answered);
    void undoOrRedo(DriveJob* job, bool redo);

    // Makes `drive` the open drive (null: none), with a journal of its own.
    void takeDrive(std::unique_ptr<HostDrive> drive);
    void makeJournal();
    // Makes the editor for the open drive; false after telling why not.
    bool makeEditor();
    void closeEditor();
    void linkLost(const QString& reason, bool partlyWritten);
    // Over a link whose last write left part of it on the drive: tells what it
    // holds and, while the engineer agrees, writes it again; `done(true)` when
    // the drive holds all of it at last.
    void offerWriteAgain(DriveJob* job, const QString& what, const QString& reason,
                         std::function<void(bool)> done);
    void showWhatTheDriveHolds();
    void countPending();
    // The editor's write seen whole: confirmed, or told with what the drive holds.
    void writeSeen(const WriteWatch::Write& write);
    bool allowWrite(const WriteWatch::Write& write);
    void reportUnwritten(const QStringList& values, const QStringList& refusals,
                         const QString& reason, bool declined);
    std::vector<NEBPT::ProgramEntry> describe(const std::vector<std::string>& identifiers,
                                              const std::vector<std::string>& values,
                                              const std::vector<size_t>& positions, size_t most);
    QString failureSince(const std::string& refusalBefore) const;
    QString timeoutHint(const QString& reason) const;
    // Asks on this thread, from whichever thread asks.
    bool confirm(const std::string& question);
    void tell(DriveProblem::Kind kind, const QString& text, const QString& status = {},
              const std::string& reason = {});

    QString m_language;
    CFormView* m_view = nullptr;
    NEBPT::ProgramWorkflow m_workflow;
    DriveName m_lastLink;
    QPointer<DriveJob> m_job;
    std::vector<std::function<void()>> m_afterJob;
    LinkDrive* m_link = nullptr; // m_drive over a link
    bool m_online = false;
    bool m_runningWriteAgreed = false;
    int m_pending = 0;
    bool m_lossTold = false; // the lost link has been told
    bool m_lossSeen = false; // the lost link has been a problem (told once per loss)
    QString m_unwritten;     // the values of the editor's write the lost link left unwritten
    bool m_ownWrite = false; // a write of the document's own tells its own outcome
    bool m_polling = false;
    unsigned m_inputWrites = 0;
    NEBPT::FlowLiveState m_liveState;

    // The entry object refers to the watch of its writes, the watch to the
    // journal, the journal to the working copy (offline) or the drive, the copy
    // to the drive: they go in this order.
    std::unique_ptr<HostDrive> m_drive;
    std::unique_ptr<WorkingCopy> m_copy;
    std::unique_ptr<DriveJournal> m_journal;
    std::unique_ptr<WriteWatch> m_watch;
    std::unique_ptr<CNEBPTMain> m_entry;
};
