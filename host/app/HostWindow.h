#pragma once

#include "FlowState.h"
#include "FormView.h"
#include "LinkReader.h"
#include "ProgramWorkflow.h"
#include "WriteWatch.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class CNEBPTMain;
class DriveJournal;
class HostDrive;
class ModbusDrive;
class ProgramMonitor;
class SimulatedDrive;
class WorkingCopy;
class QAction;
class QDockWidget;
class QListWidget;
class QLabel;
class QMenu;
class QPagedPaintDevice;
class QScrollArea;
class QSettings;
class QToolBar;
class QTranslator;
namespace NEBPT {
struct ProgramSections;
}

// The main window of nebpt-host: a form view (the content of a scroll area) in
// which the plug-in shows its editor for a drive image, menus and a tool bar to
// open another image, refresh and switch the language, and a status bar with
// the drive type, its database version and the image file.
//
// The window speaks the host's language: its own texts (menus, tool bar, status
// bar, message boxes, dialogs) come from the host's Qt Linguist translation for
// that language, compiled into the host (translations/nebpt-host_<language>.ts),
// and Qt's dialogs from Qt's own translation when it is installed; a language
// without one is shown in English. A translation is the application's, so one
// language holds for all windows of a process. A switch retranslates the whole
// window at once (retranslate(), on QEvent::LanguageChange) and makes the editor
// anew in the new language. Every action has an object name ("actionOpen",
// "actionGerman", ...), every control a keyboard user reaches an accessible name;
// Tab goes from the editor's area through the editor's controls.
//
// Told where to keep them (rememberIn), the window remembers its geometry and
// the state of its tool bar, the images last opened (File > Recent images, the
// most recent first) and the last link with its profile and timeout, which
// File > Reconnect offers at the next start while no drive is open. An image
// file dropped onto the window is opened as File > Open opens it.
//
// The window connects to a drive the way the tool connects to a real one: it
// asks the plug-in whether the drive is supported, constructs the entry object
// with its form view and the drive, and opens it. Everything the user changes in
// the editor is written to the drive and so to the image file at once.
//
// Every problem is told in a message box (through fw::messageBox) and the window
// keeps running: an image that cannot be opened, a drive the plug-in does not
// support, a program that cannot be read. A new image that cannot be used
// leaves the drive that was open before in place.
//
// An image the drive can only read (another host has it open, or it is
// write-protected) is shown all the same: the window tells why once, when it
// opens it, and shows "read-only" in its title and status bar. Opening the image
// that is open reads it anew (and takes it for writing when that has become
// possible); if it can no longer be used, no drive is left open.
//
// Over a Modbus link (connectDrive) the window shows the address instead of the
// image file. It connects and reads the program on a worker thread (LinkReader)
// whenever it opens the drive (connecting, reconnecting, a refresh, a language
// switch), showing the number of parameters read so far in a window-modal
// progress dialog while its event loop keeps running; the editor is then made
// from what the drive keeps, without asking it again. Cancel there leaves no
// editor (the status bar says so): File > Refresh or File > Reconnect reads the
// program again. Writes (edits, imports, undo) are made on the window's thread
// under a busy cursor. A link that fails is told in the status bar, in the log
// file and once in a message box; the editor stays, and File > Reconnect (or a
// refresh) connects anew to the address and reads the program again. A program
// whose values cannot all be read is not shown (the read that failed is told). When a
// write (an edit, an import, an undo) leaves part of it on the drive, the
// window tells what the drive holds, naming the parameters that differ, and
// offers to write it again until it holds all of it.
//
// A drive over a link is edited offline by default: the editor changes a
// working copy of the drive's program (WorkingCopy), with undo, and the title
// and status bar count the changes not on the drive; Drive > Download writes
// them as an import does (shown first in the terms of --diff, then written and
// verified by read-back), Drive > Upload takes the drive's program anew (asking
// before it drops changes). Drive > Edit online writes every change at once, as
// a drive image is written, marked in the title and in colour in the status
// bar; the first write to a drive whose controller runs (or may run) asks once.
// A refresh or a reconnect keeps the working copy's changes. Every write the
// editor makes is confirmed in the status bar in the program's terms ("Timer 0 =
// 7.50 s written"); one the drive refuses is told naming the value and why, and
// the editor shows what the drive holds.
//
// View > Monitor shows the program's controller as it runs in a dock beside the
// editor (ProgramMonitor). Tools > Simulate, for a program shown from a drive
// image, runs it there on NEBPT's model of the controller, anew whenever the
// program changes, and writes nothing to the image. Over a link whose profile
// has a status block the monitor shows what the drive's controller does.
class HostWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `language`: the language the host runs in, told to every drive it opens.
    explicit HostWindow(const QString& language = QStringLiteral("english"),
                        QWidget* parent = nullptr);
    ~HostWindow() override;

    // Opens the drive image and shows its program; false (after a message box)
    // when the image, the drive or its program cannot be used.
    bool openImage(const QString& path);
    // Connects to a drive over Modbus (an address as DriveAddress reads it, with a
    // profile for its type; timeout in milliseconds per request) and shows its
    // program; false after a message box when that is not possible.
    bool connectDrive(const QString& address, const QString& profile, int timeoutMs = 1000);
    // Connects anew to the address last connected to and shows the program (File >
    // Reconnect); false after a message box.
    bool reconnect();
    // Has the editor re-read the program from the drive; false after a failure.
    bool refresh();
    // Switches the host's language: the window's texts at once, and the editor is
    // made anew in that language.
    void setLanguage(const QString& language);
    // From now on the window keeps what it remembers in `settings`, and takes
    // it from there now: its geometry and tool bar, the recent images and the
    // last link (File > Reconnect, while no drive is open). Settings that cannot
    // be read are ignored, with a line in the log, and never written.
    void rememberIn(std::unique_ptr<QSettings> settings);

    // Edit > Undo and Redo: the last change written to the drive (an edit, an
    // undo, an import) taken back or made again, and the editor refreshed. The
    // journal of changes is the open drive's; a change someone else made since is
    // overwritten only when the user agrees. False when nothing was done.
    bool undo();
    bool redo();
    // File > Export program: the drive's program into a program file.
    bool exportProgram(const QString& path);
    // File > Import program: the program file's program into the drive, when it
    // fits and the user agrees, in one write (one step to undo), then the editor
    // shows it. Whatever does not fit is told and nothing is written.
    bool importProgram(const QString& path);
    // Tools > Check program: lists what is probably wrong in the program in the
    // check dock, whose entries select the pair they are about; the findings.
    std::vector<std::string> checkProgram();

    // --- a drive over a link: offline (a working copy) or online ---
    // Whether edits of a drive over a link are written to it at once; false
    // offline and for drive images.
    bool online() const { return m_online; }
    // Drive > Edit online. Going online with changes not on the drive asks
    // whether to download them first or drop them; false when the user cancels
    // or no link is open.
    bool setOnline(bool online);
    // Drive > Download: the working copy's changes, shown and agreed to, written
    // to the drive and read back; false when nothing was written.
    bool download();
    // Drive > Upload: the working copy made anew from the drive's program, after
    // asking when it holds changes not on the drive; false when not done.
    bool upload();
    // Offline: the elements the working copy holds that the drive does not; 0
    // otherwise.
    int pendingChanges() const { return m_pendingChanges; }
    // The working copy edited offline; null online and for drive images.
    WorkingCopy* workingCopy() const { return m_copy.get(); }
    // File > Connect: asks for the link, the profile and the answer timeout,
    // and connects.
    void chooseLink();
    // File > Print: the program as a document (a picture of the flow and the
    // printed program's tables) on the device's pages.
    bool printProgram(QPagedPaintDevice& device);
    // File > Print into a PDF file: the document is made in memory and the file
    // written whole (or left as it was, after a message box).
    bool printProgramToPdf(const QString& path);

    const QString& language() const { return m_language; }
    // The language last chosen in the Language menu, as the settings keep it;
    // empty when they keep none.
    const QString& rememberedLanguage() const { return m_rememberedLanguage; }
    // Moves the window `step` places down and right of where it would be, so
    // that a window opened beside others does not hide them.
    void offsetBy(int step);
    // Empty while no drive image is open.
    QString imagePath() const;
    // The image file or the link's address; empty while no drive is open.
    QString location() const;
    CNEBPTMain* entry() const { return m_entry.get(); }
    // The drive image; null over a link.
    SimulatedDrive* drive() const;
    // The drive over a link; null for a drive image.
    ModbusDrive* linkDrive() const;
    CFormView* formView() const { return m_formView; }
    ProgramMonitor* monitor() const { return m_monitor; }
    QScrollArea* scrollArea() const { return m_scrollArea; }
    QDockWidget* checkDock() const { return m_checkDock; }

public slots:
    // Asks for an image file and opens it.
    void chooseImage();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // One local file dropped onto the window is opened as File > Open opens it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createActions();
    // Sets every text of the window in the current language.
    void retranslate();
    // Installs the host's translation for m_language (none for English).
    void loadTranslation();
    // A file dialog through the framework's seam (to write a file when `save`),
    // starting in `start`; the folder of the file chosen is remembered.
    QString chooseFile(bool save, const QString& caption, const QString& start,
                       const QString& filter, const QStringList& hidden = {});
    // Where a file dialog starts: the folder last used, else beside the open
    // image, else among the sample images beside the host.
    QString startFolder() const;
    // Puts `path` at the top of the recent images, and keeps the list.
    void rememberImage(const QString& path);
    void saveRecentImages();
    // Writes the settings out; a failure is logged.
    void syncSettings();
    // File > Recent images as it is now: a missing image is shown disabled.
    void fillRecentMenu();
    // The program as the library prints it; false after a message box when it cannot be read.
    bool programSections(NEBPT::ProgramSections& sections);
    // Makes `drive` the open drive (null: none), with a journal of its own.
    void takeDrive(std::unique_ptr<HostDrive> drive);
    bool undoOrRedo(bool redo);
    // Shows the program after a change the window made itself: re-read from the
    // drive, or from the working copy offline.
    bool reshow();
    // Makes the entry object for the current drive and opens it; false after a
    // message box when the editor could not be shown. Over a link the program is
    // read first (readOverLink) unless `readLink` says it was just read.
    bool openEditor(bool readLink = true);
    // Over a link: reads the program anew on a worker, the editor closed and the
    // drive lent to the worker meanwhile; false when it was cancelled or failed
    // (told; `again`: as a refresh of a shown program).
    bool readOverLink(bool again);
    // Tells why a read over the link left no program to show; false.
    bool tellUnread(const LinkReader::Result& read, bool again);
    // Sets the link's observers: failures reach this window on its thread.
    void watchLink(ModbusDrive& link);
    // openEditor without bringing the menus up to date.
    bool makeEditor();
    void closeEditor();
    void updateStatus();
    // Tells the monitor what to show: the simulation, the drive over a link, or nothing.
    void syncMonitor();
    // The drive the editor writes: the working copy offline, else the drive.
    HostDrive* edited() const;
    // Makes the journal and the write watch over the drive the editor writes.
    void makeJournal();
    // The editor's write seen whole: confirmed, or told with what the drive holds.
    void writeSeen(const WriteWatch::Write& write);
    // Online: the first write to a running controller is agreed to once.
    bool allowWrite(const WriteWatch::Write& write);
    // The elements at `positions` with the given values, in the program's terms
    // ("Timer 0", "7.50 s"); at most `most` of them.
    std::vector<NEBPT::ProgramEntry> describe(const std::vector<std::string>& identifiers,
                                              const std::vector<std::string>& values,
                                              const std::vector<size_t>& positions, size_t most);
    // Counts the working copy's changes and shows the count.
    void countPending();
    // Before the working copy's changes would be lost (`what` happens next):
    // asks to download them, drop them or cancel; true when it may go on.
    bool keepOrDropChanges(const QString& what);
    // Re-reads the editor from the drive it writes once no dialog of it is open.
    void showWhatTheDriveHolds();
    // Tells the user that the editor's write was not taken (`values`: what it
    // would have changed, "Timer 0 = 9.00 s"; `refusals`: the same as the drive's
    // refusals), and shows what the drive holds.
    void reportUnwritten(const QStringList& values, const QStringList& refusals,
                         const QString& reason, bool declined);
    // Where the details of a failure are logged, or why nothing is.
    static QString logHint();
    // Where to change the answer timeout, for a reason that names it; empty otherwise.
    QString timeoutHint(const QString& reason) const;
    // Tells the user once that the link to the drive was lost.
    void reportLostLink(const QString& reason, bool partlyWritten);
    // Over a link whose last write left part of it on the drive: tells what the
    // drive holds and, while the user agrees, writes it again (then the editor
    // reads the drive anew). `what` starts the message ("The change"). True when
    // the drive holds all of it at last.
    bool offerWriteAgain(const QString& what, QString reason);
    // What the last failure of the drive says, for a message; empty when nothing new.
    QString failureSince(const std::string& refusalBefore) const;

    QString m_language;
    std::unique_ptr<QTranslator> m_translator;   // the host's texts; none in English
    std::unique_ptr<QTranslator> m_qtTranslator; // Qt's own dialogs, when Qt has them
    std::unique_ptr<QSettings> m_settings;       // null: the window remembers nothing
    QStringList m_recentImages;                  // the most recent first
    QScrollArea* m_scrollArea = nullptr;
    CFormView* m_formView = nullptr;
    QLabel* m_driveLabel = nullptr;
    QLabel* m_databaseLabel = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLabel* m_accessLabel = nullptr; // "read-only" when the drive does not write its image
    QLabel* m_modeLabel = nullptr;   // a link: online, or offline with the changes counted
    QMenu* m_fileMenu = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_toolsMenu = nullptr;
    QMenu* m_driveMenu = nullptr;
    QMenu* m_languageMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_clearRecentAction = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_refreshAction = nullptr;
    QAction* m_reconnectAction = nullptr;
    QAction* m_connectAction = nullptr;
    QAction* m_onlineAction = nullptr;
    QAction* m_downloadAction = nullptr;
    QAction* m_uploadAction = nullptr;
    QAction* m_exportAction = nullptr;
    QAction* m_importAction = nullptr;
    QAction* m_printAction = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QAction* m_checkAction = nullptr;
    QAction* m_monitorAction = nullptr;
    QAction* m_simulateAction = nullptr;
    ProgramMonitor* m_monitor = nullptr;
    QDockWidget* m_checkDock = nullptr;
    QListWidget* m_findingList = nullptr;
    // The program the monitor shows over a link may have changed (read anew, written).
    bool m_monitorStale = true;
    QAction* m_englishAction = nullptr;
    QAction* m_germanAction = nullptr;

    // The link last connected; empty after a drive image was opened.
    QString m_linkAddress, m_linkProfile;
    int m_linkTimeout = 1000;
    bool m_linkLossTold = false;
    QString m_unwritten;     // the values of the editor's write the lost link left unwritten
    bool m_linkBusy = false; // a worker holds the link's drive
    bool m_ownWrite = false; // a write the window makes itself tells its own outcome
    bool m_online = false;   // a link's edits are written at once
    bool m_runningWriteAgreed = false; // online: the user agreed to write to a running controller
    int m_pendingChanges = 0;          // offline: elements the working copy holds and the drive not
    QString m_lastFolder;              // where the user last chose a file
    QString m_rememberedLanguage;
    NEBPT::FlowLiveState m_liveState; // as the monitor shows it last

    // The drive configuration, loaded once per drive type, for every question
    // the window asks of a program.
    NEBPT::ProgramWorkflow m_workflow;

    // The entry object refers to the watch of its writes, the watch to the
    // journal, the journal to the working copy (offline) or the drive, the copy
    // to the drive, and the entry to the form view: they go in this order.
    std::unique_ptr<HostDrive> m_drive;
    std::unique_ptr<WorkingCopy> m_copy;
    std::unique_ptr<DriveJournal> m_journal;
    std::unique_ptr<WriteWatch> m_watch;
    std::unique_ptr<CNEBPTMain> m_entry;
};
