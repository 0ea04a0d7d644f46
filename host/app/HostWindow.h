#pragma once

#include "DriveDocument.h"
#include "FormView.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class CNEBPTMain;
class JobProgress;
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

// The main window of nebpt-host: a view on the drive that is open (one
// DriveDocument): a form view (the content of a scroll area) in which the
// plug-in shows its editor, menus and a tool bar, and a status bar with the
// drive type, its database version and the image file or the link's address.
// What the window does to the drive the document does; the window asks,
// shows and tells.
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
// Work that waits for a drive is the document's job: while one runs the window
// shows a busy cursor and, for a job over a link, a window-modal progress
// dialog with Cancel (JobProgress), and keeps running. The operations below
// start such a job and give it back (null when none was started: nothing to
// do, declined, or another job runs); its `finished` tells how it ended. Every
// problem the document tells is shown in a message box (fw::messageBox) and the
// status bar, and the window keeps running.
//
// View > Monitor shows the program's controller as it runs in a dock beside the
// editor (ProgramMonitor, a view on the same document). Tools > Simulate, for a
// program shown from a drive image, runs it there on NEBPT's model of the
// controller, anew whenever the program changes, and writes nothing to the
// image. Over a link whose profile has a status block the monitor shows what
// the drive's controller does.
class HostWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `language`: the language the host runs in, told to every drive it opens.
    explicit HostWindow(const QString& language = QStringLiteral("english"),
                        QWidget* parent = nullptr);
    ~HostWindow() override;

    // Opens the drive image and shows its program.
    DriveJob* openImage(const QString& path);
    // Connects to a drive over Modbus (an address as DriveAddress reads it, with a
    // profile for its type; timeout in milliseconds per answer) and shows its
    // program; the link is remembered (File > Reconnect).
    DriveJob* connectDrive(const QString& address, const QString& profile, int timeoutMs = 1000);
    // File > Reconnect: the link last connected to, anew.
    DriveJob* reconnect();
    // File > Refresh: the program read anew from the drive.
    DriveJob* refresh();
    // Switches the host's language: the window's texts at once, and the editor is
    // made anew in that language.
    void setLanguage(const QString& language);
    // From now on the window keeps what it remembers in `settings`, and takes
    // it from there now: its geometry and tool bar, the recent images and the
    // last link (File > Reconnect, while no drive is open). Settings that cannot
    // be read are ignored, with a line in the log, and never written.
    void rememberIn(std::unique_ptr<QSettings> settings);

    // Edit > Undo and Redo: the last change written to the drive (an edit, an
    // undo, an import) taken back or made again, and the editor refreshed.
    DriveJob* undo();
    DriveJob* redo();
    // File > Export program: the drive's program into a program file.
    DriveJob* exportProgram(const QString& path);
    // File > Import program: the program file's program into the drive.
    DriveJob* importProgram(const QString& path);
    // Tools > Check program: lists what is probably wrong in the program in the
    // check dock, whose entries select the pair they are about; the findings.
    std::vector<std::string> checkProgram();

    // --- a drive over a link: offline (a working copy) or online ---
    bool online() const { return m_document->online(); }
    // Drive > Edit online (and back).
    DriveJob* setOnline(bool online);
    // Drive > Download and Drive > Upload.
    DriveJob* download();
    DriveJob* upload();
    int pendingChanges() const { return m_document->pendingChanges(); }
    WorkingCopy* workingCopy() const { return m_document->workingCopy(); }
    // File > Connect: asks for the link, the profile and the answer timeout,
    // and connects.
    void chooseLink();
    // File > Fleet: asks for a fleet file and shows its drives in a FleetDialog
    // of their own (not modal), where one program goes into all of them.
    void chooseFleet();
    // File > Print: the program as a document (a picture of the flow and the
    // printed program's tables) on the device's pages.
    bool printProgram(QPagedPaintDevice& device);
    // File > Print into a PDF file: made in memory and written whole (or left
    // as it was, after a message box).
    bool printProgramToPdf(const QString& path);

    const QString& language() const { return m_language; }
    // The language last chosen in the Language menu, as the settings keep it;
    // empty when they keep none.
    const QString& rememberedLanguage() const { return m_rememberedLanguage; }
    // Moves the window `step` places down and right of where it would be, so
    // that a window opened beside others does not hide them.
    void offsetBy(int step);
    DriveDocument& document() const { return *m_document; }
    // Empty while no drive image is open.
    QString imagePath() const { return m_document->imagePath(); }
    // The image file or the link's address; empty while no drive is open.
    QString location() const { return m_document->location(); }
    CNEBPTMain* entry() const { return m_document->entry(); }
    // The drive image; null over a link.
    SimulatedDrive* drive() const { return m_document->image(); }
    // The drive over a link (on its thread: its counts and linkUp() only); null
    // for a drive image.
    ModbusDrive* linkDrive() const { return m_document->modbus(); }
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
    void createPrintAction();
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
    void updateStatus();
    // The document waits for the drive, or is done.
    void showBusy(bool busy);
    void showProblem(const DriveProblem& problem);

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
    QAction* m_fleetAction = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QAction* m_checkAction = nullptr;
    QAction* m_monitorAction = nullptr;
    QAction* m_simulateAction = nullptr;
    QAction* m_englishAction = nullptr;
    QAction* m_germanAction = nullptr;
    ProgramMonitor* m_monitor = nullptr;
    QDockWidget* m_checkDock = nullptr;
    QListWidget* m_findingList = nullptr;
    QPointer<JobProgress> m_progress;
    bool m_closeAgreed = false; // the working copy's changes were downloaded or dropped
    QString m_lastFolder;       // where the user last chose a file
    QString m_rememberedLanguage;

    // Before the form view, which holds the editor's windows.
    std::unique_ptr<DriveDocument> m_document;
};
