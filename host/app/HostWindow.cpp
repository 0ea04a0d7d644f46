#include "HostWindow.h"

#include "ConnectDialog.h"
#include "DriveAddress.h"
#include "DriveJournal.h"
#include "FleetDialog.h"
#include "HostFormView.h"
#include "JobProgress.h"
#include "ProgramMonitor.h"

#include "NEBPTMain.h"
#include "framework/MessageBox.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/FileDialog.h"
#include "framework/widgets/Messages.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>
#include <QUrl>

#include <chrono>
#include <string>
#include <utility>

namespace {

constexpr const char* kCaption = "nebpt-host";
// File > Recent images holds at most this many.
constexpr int kRecentImages = 8;

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// A line in the log file the plug-in keeps.
void logLine(const std::string& text)
{
    NEBPT::logHostFailure(text, "host/app/HostWindow.cpp", __LINE__);
}

} // namespace

HostWindow::HostWindow(const QString& language, QWidget* parent)
    : QMainWindow(parent), m_language(language),
      m_document(std::make_unique<DriveDocument>(language))
{
    m_formView = new HostFormView;
    m_scrollArea = new QScrollArea;
    m_scrollArea->setObjectName(QStringLiteral("editorArea"));
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setWidget(m_formView);
    setCentralWidget(m_scrollArea);
    m_document->attachView(*m_formView);

    m_driveLabel = new QLabel;
    m_driveLabel->setObjectName(QStringLiteral("driveLabel"));
    m_databaseLabel = new QLabel;
    m_databaseLabel->setObjectName(QStringLiteral("databaseLabel"));
    m_fileLabel = new QLabel;
    m_fileLabel->setObjectName(QStringLiteral("fileLabel"));
    m_accessLabel = new QLabel;
    m_accessLabel->setObjectName(QStringLiteral("accessLabel"));
    m_modeLabel = new QLabel;
    m_modeLabel->setObjectName(QStringLiteral("modeLabel"));
    for (QLabel* label : {m_driveLabel, m_databaseLabel, m_fileLabel, m_accessLabel, m_modeLabel})
        label->setContentsMargins(6, 0, 6, 0);
    statusBar()->addWidget(m_driveLabel);
    statusBar()->addWidget(m_databaseLabel);
    statusBar()->addWidget(m_fileLabel, 1);
    statusBar()->addPermanentWidget(m_modeLabel);
    statusBar()->addPermanentWidget(m_accessLabel);

    m_monitor = new ProgramMonitor(*m_document, this);
    addDockWidget(Qt::RightDockWidgetArea, m_monitor);
    m_monitor->hide();
    // What the monitor sees of the controller shows in the flow too: the active
    // pair and the timers beside their buttons.
    connect(m_monitor, &ProgramMonitor::liveStateChanged, m_document.get(),
            &DriveDocument::showLiveState);

    // Tools > Check program lists its findings here; an entry selects its pair.
    m_checkDock = new QDockWidget(this);
    m_checkDock->setObjectName(QStringLiteral("checkDock"));
    m_findingList = new QListWidget;
    m_findingList->setObjectName(QStringLiteral("findingList"));
    m_findingList->setWordWrap(true);
    m_checkDock->setWidget(m_findingList);
    addDockWidget(Qt::BottomDockWidgetArea, m_checkDock);
    m_checkDock->hide();
    connect(m_findingList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int pair = item ? item->data(Qt::UserRole).toInt() : -1;
        if (pair < 0 || !entry() || !entry()->SelectPair(pair))
            return;
        if (QWidget* focus = QApplication::focusWidget(); focus && m_formView->isAncestorOf(focus))
            m_scrollArea->ensureWidgetVisible(focus);
    });

    DriveDocument* document = m_document.get();
    connect(document, &DriveDocument::busy, this, &HostWindow::showBusy);
    connect(document, &DriveDocument::problem, this, &HostWindow::showProblem);
    connect(document, &DriveDocument::told, this, [this](const QString& text, int timeoutMs) {
        if (text.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(text, timeoutMs);
    });
    connect(document, &DriveDocument::opened, this, [this] {
        if (!imagePath().isEmpty())
            rememberImage(imagePath());
        updateStatus();
    });
    connect(document, &DriveDocument::stateChanged, this, &HostWindow::updateStatus);
    connect(document, &DriveDocument::programChanged, this, &HostWindow::updateStatus);

    setAcceptDrops(true);
    createActions();
    loadTranslation();
    retranslate();
    resize(760, 720);
}

HostWindow::~HostWindow()
{
    // The monitor watches the document; the editor's windows live in the form
    // view, so the document's entry object goes before it.
    delete m_monitor;
    m_monitor = nullptr;
    m_document.reset();
    // Letting go of a translation retranslates the windows: while this one is whole.
    m_qtTranslator.reset();
    m_translator.reset();
}

void HostWindow::createActions()
{
    // Texts are set by retranslate(), in the current language.
    const auto menu = [this](const char* name) {
        QMenu* menu = menuBar()->addMenu(QString());
        menu->setObjectName(QLatin1String(name));
        return menu;
    };
    const auto add = [this](QMenu* menu, const char* name, auto slot) {
        QAction* action = menu->addAction(QString(), this, slot);
        action->setObjectName(QLatin1String(name));
        return action;
    };

    m_fileMenu = menu("menuFile");
    m_openAction = add(m_fileMenu, "actionOpen", [this] { chooseImage(); });
    m_openAction->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    m_openAction->setShortcut(QKeySequence::Open);
    m_recentMenu = m_fileMenu->addMenu(QString());
    m_recentMenu->setObjectName(QStringLiteral("menuRecentImages"));
    m_recentMenu->menuAction()->setObjectName(QStringLiteral("actionRecentImages"));
    for (int i = 0; i < kRecentImages; ++i) {
        add(m_recentMenu, "", [this, i] {
            // A copy: opening it reorders the list.
            if (i < m_recentImages.size())
                openImage(QString(m_recentImages.at(i)));
        })->setObjectName(QStringLiteral("actionRecentImage%1").arg(i + 1));
    }
    m_recentMenu->addSeparator();
    m_clearRecentAction = add(m_recentMenu, "actionClearRecentImages", [this] {
        m_recentImages.clear();
        saveRecentImages();
        fillRecentMenu();
    });
    // Whether each image is still there is seen when the menu opens.
    connect(m_recentMenu, &QMenu::aboutToShow, this, &HostWindow::fillRecentMenu);
    fillRecentMenu();
    m_refreshAction = add(m_fileMenu, "actionRefresh", [this] { refresh(); });
    m_refreshAction->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    m_refreshAction->setShortcut(QKeySequence::Refresh);
    m_connectAction = add(m_fileMenu, "actionConnect", [this] { chooseLink(); });
    m_reconnectAction = add(m_fileMenu, "reconnectAction", [this] { reconnect(); });
    m_fileMenu->addSeparator();
    m_exportAction = add(m_fileMenu, "actionExportProgram", [this] {
        // "<drive name>.nebpt.json" in the folder last used.
        QString proposed = m_document->programName();
        proposed.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]")),
                         QStringLiteral("_"));
        const QString path =
            chooseFile(true, tr("Export program"),
                       QDir(startFolder()).filePath(proposed + QStringLiteral(".nebpt.json")),
                       tr("Program files (*.nebpt.json *.json);;All files (*)"));
        if (!path.isEmpty())
            exportProgram(path);
    });
    m_importAction = add(m_fileMenu, "actionImportProgram", [this] {
        const QString path = chooseFile(false, tr("Import program"), startFolder(),
                                        tr("Program files (*.nebpt.json *.json);;All files (*)"));
        if (!path.isEmpty())
            importProgram(path);
    });
    m_fleetAction = add(m_fileMenu, "actionFleet", [this] { chooseFleet(); });
    createPrintAction();
    m_fileMenu->addSeparator();
    m_quitAction = add(m_fileMenu, "actionQuit", [this] { close(); });
    m_quitAction->setShortcut(QKeySequence::Quit);

    m_editMenu = menu("menuEdit");
    connect(m_editMenu, &QMenu::aboutToShow, this, [this] {
        const DriveJournal* journal = m_document->journal();
        m_undoAction->setEnabled(journal && journal->canUndo());
        m_redoAction->setEnabled(journal && journal->canRedo());
    });
    m_undoAction = add(m_editMenu, "actionUndo", [this] { undo(); });
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_redoAction = add(m_editMenu, "actionRedo", [this] { redo(); });
    m_redoAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));

    m_viewMenu = menu("menuView");
    m_monitorAction = add(m_viewMenu, "actionMonitor", [this] {
        m_monitor->setVisible(m_monitorAction->isChecked());
        if (m_monitorAction->isChecked())
            m_monitor->raise();
    });
    m_monitorAction->setCheckable(true);
    // The dock's own close button unchecks it.
    connect(m_monitor->toggleViewAction(), &QAction::toggled, m_monitorAction,
            &QAction::setChecked);

    m_driveMenu = menu("menuDrive");
    m_onlineAction = add(m_driveMenu, "actionEditOnline", [this] {
        // The action shows the mode the window is in, whatever the user chose.
        setOnline(m_onlineAction->isChecked());
        m_onlineAction->setChecked(online());
    });
    m_onlineAction->setCheckable(true);
    m_driveMenu->addSeparator();
    m_downloadAction = add(m_driveMenu, "actionDownload", [this] { download(); });
    m_downloadAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    m_uploadAction = add(m_driveMenu, "actionUpload", [this] { upload(); });

    m_toolsMenu = menu("menuTools");
    m_checkAction = add(m_toolsMenu, "actionCheckProgram", [this] { checkProgram(); });
    m_simulateAction = add(m_toolsMenu, "actionSimulate", [this] {
        if (m_simulateAction->isChecked()) {
            m_monitor->show();
            m_monitor->raise();
        }
        m_monitor->setSimulating(m_simulateAction->isChecked());
    });
    m_simulateAction->setCheckable(true);

    m_languageMenu = menu("menuLanguage");
    auto* languages = new QActionGroup(this);
    m_englishAction =
        add(m_languageMenu, "actionEnglish", [this] { setLanguage(QStringLiteral("english")); });
    m_germanAction =
        add(m_languageMenu, "actionGerman", [this] { setLanguage(QStringLiteral("german")); });
    for (QAction* action : {m_englishAction, m_germanAction}) {
        action->setCheckable(true);
        languages->addAction(action);
    }

    m_toolBar = addToolBar(QString());
    m_toolBar->setObjectName(QStringLiteral("driveToolBar"));
    m_toolBar->addAction(m_openAction);
    m_toolBar->addAction(m_refreshAction);
}

void HostWindow::retranslate()
{
    m_fileMenu->setTitle(tr("&File"));
    m_openAction->setText(tr("&Open drive image..."));
    m_recentMenu->setTitle(tr("Recent &images"));
    m_clearRecentAction->setText(tr("&Clear list"));
    m_refreshAction->setText(tr("&Refresh"));
    m_connectAction->setText(tr("Co&nnect to drive..."));
    m_reconnectAction->setText(tr("Re&connect"));
    m_exportAction->setText(tr("&Export program..."));
    m_importAction->setText(tr("&Import program..."));
    m_fleetAction->setText(tr("F&leet..."));
    m_fleetAction->setStatusTip(tr("Writes one program into the drives a fleet file names"));
    m_printAction->setText(tr("&Print..."));
    m_quitAction->setText(tr("&Quit"));
    m_editMenu->setTitle(tr("&Edit"));
    m_undoAction->setText(tr("&Undo"));
    m_redoAction->setText(tr("&Redo"));
    m_driveMenu->setTitle(tr("&Drive"));
    m_onlineAction->setText(tr("Edit &online"));
    m_onlineAction->setStatusTip(tr("Writes every change to the drive at once"));
    m_downloadAction->setText(tr("&Download..."));
    m_downloadAction->setStatusTip(
        tr("Writes the changes of the working copy to the drive and reads them back"));
    m_uploadAction->setText(tr("&Upload"));
    m_uploadAction->setStatusTip(tr("Takes the drive's program into the working copy"));
    m_checkDock->setWindowTitle(tr("Check program"));
    m_findingList->setAccessibleName(tr("Findings of the program check"));
    m_modeLabel->setAccessibleName(tr("Editing mode"));
    m_toolsMenu->setTitle(tr("&Tools"));
    m_checkAction->setText(tr("&Check program"));
    m_simulateAction->setText(tr("&Simulate"));
    m_simulateAction->setStatusTip(
        tr("Runs the program on the model of the controller and shows it in the monitor"));
    m_viewMenu->setTitle(tr("&View"));
    m_monitorAction->setText(tr("&Monitor"));
    m_languageMenu->setTitle(tr("&Language"));
    // Each language by its own name, so that a user who cannot read the one shown finds it.
    m_englishAction->setText(QStringLiteral("English"));
    m_germanAction->setText(QStringLiteral("Deutsch"));
    m_toolBar->setWindowTitle(tr("Drive"));

    // What a screen reader says for controls that have no text of their own
    // (the tool bar's buttons say their action's text).
    m_scrollArea->setAccessibleName(tr("Program editor"));
    m_driveLabel->setAccessibleName(tr("Drive type"));
    m_databaseLabel->setAccessibleName(tr("Parameter database"));
    m_fileLabel->setAccessibleName(tr("Drive image or address"));
    m_accessLabel->setAccessibleName(tr("Access"));

    // A message left from before speaks the old language.
    statusBar()->clearMessage();
    updateStatus();
}

void HostWindow::loadTranslation()
{
    // Removing a translation retranslates as installing one does.
    m_qtTranslator.reset();
    m_translator.reset();
    // English has a translation too: the plural forms of the texts that count.
    {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(
                QStringLiteral(":/nebpt-host/translations/nebpt-host_%1.qm").arg(m_language))) {
            QCoreApplication::installTranslator(translator.get());
            // Qt's own dialogs (the file and print dialogs) in the language too, when Qt has it.
            auto qt = std::make_unique<QTranslator>();
            if (qt->load(QLocale(translator->language()), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
                QCoreApplication::installTranslator(qt.get());
                m_qtTranslator = std::move(qt);
            }
            m_translator = std::move(translator);
        } else {
            logLine("the host has no texts in the language \"" + m_language.toStdString() +
                    "\"; it shows them in English");
        }
    }
    // The window is retranslated before anything is told in the new language.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

void HostWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QMainWindow::changeEvent(event);
}

void HostWindow::rememberIn(std::unique_ptr<QSettings> settings)
{
    m_settings.reset();
    if (!settings)
        return;
    // QSettings takes "<file>.lock" at every write and waits for ever for one it
    // cannot take: a folder, a FIFO or a link to nothing there would freeze the
    // window at its first write.
    const QFileInfo lock(settings->fileName() + QStringLiteral(".lock"));
    if ((lock.exists() || lock.isSymLink()) && !lock.isFile()) {
        logLine(QStringLiteral("the settings in %1 cannot be used: their lock file %2 is no "
                               "regular file; the window starts without them and does not keep "
                               "its own")
                    .arg(settings->fileName(), lock.filePath())
                    .toStdString());
        return;
    }
    // Reads all of it now: QSettings finds what it cannot understand as it reads.
    static_cast<void>(settings->allKeys());
    if (settings->status() != QSettings::NoError) {
        // Never written either: what is in it stays for the user to mend.
        logLine("the settings in " + settings->fileName().toStdString() + " cannot be " +
                (settings->status() == QSettings::FormatError ? "understood" : "read") +
                "; the window starts without them and does not keep its own");
        return;
    }
    m_settings = std::move(settings);
    // A value that is not what it should be is left out, as if it were not there.
    restoreGeometry(m_settings->value(QStringLiteral("window/geometry")).toByteArray());
    restoreState(m_settings->value(QStringLiteral("window/state")).toByteArray());
    QStringList recent = m_recentImages;
    for (const QString& path : m_settings->value(QStringLiteral("recentImages")).toStringList())
        if (QFileInfo(path).isAbsolute() && !recent.contains(path))
            recent << path;
    m_recentImages = recent.mid(0, kRecentImages);
    fillRecentMenu();
    const QString folder = m_settings->value(QStringLiteral("lastFolder")).toString();
    if (QFileInfo(folder).isAbsolute())
        m_lastFolder = folder;
    const QString language = m_settings->value(QStringLiteral("language")).toString();
    if (language == QLatin1String("english") || language == QLatin1String("german"))
        m_rememberedLanguage = language;
    if (!m_document->isOpen() && m_document->lastLink().address.empty()) {
        // File > Reconnect connects to the link last connected to.
        const QString address = m_settings->value(QStringLiteral("link/address")).toString();
        const QString profile = m_settings->value(QStringLiteral("link/profile")).toString();
        bool number = false;
        const int timeout = m_settings->value(QStringLiteral("link/timeout")).toInt(&number);
        try {
            if (!address.isEmpty() && !profile.isEmpty()) {
                DriveAddress::parse(address.toStdString());
                m_document->rememberLink(DriveName::ofLink(
                    address.toStdString(), profile.toLocal8Bit().toStdString(),
                    std::chrono::milliseconds(number && timeout > 0 && timeout <= 600000 ? timeout
                                                                                         : 1000)));
            }
        } catch (const DriveAddressError& error) {
            logLine("the link kept in " + m_settings->fileName().toStdString() +
                    " is left out: " + error.what());
        }
    }
    updateStatus();
}

void HostWindow::rememberImage(const QString& path)
{
    m_recentImages.removeAll(path);
    m_recentImages.prepend(path);
    m_recentImages = m_recentImages.mid(0, kRecentImages);
    saveRecentImages();
    fillRecentMenu();
}

void HostWindow::saveRecentImages()
{
    if (!m_settings)
        return;
    m_settings->setValue(QStringLiteral("recentImages"), m_recentImages);
    syncSettings();
}

void HostWindow::syncSettings()
{
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        logLine("the settings cannot be written to " + m_settings->fileName().toStdString());
}

void HostWindow::fillRecentMenu()
{
    const QList<QAction*> actions = m_recentMenu->actions();
    for (int i = 0; i < kRecentImages; ++i) {
        QAction* action = actions.at(i);
        const bool shown = i < m_recentImages.size();
        action->setVisible(shown);
        if (!shown)
            continue;
        QString path = QDir::toNativeSeparators(m_recentImages.at(i));
        action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(path.replace('&', "&&")));
        // An image that is gone cannot be opened.
        action->setEnabled(QFileInfo(m_recentImages.at(i)).isFile());
    }
}

void HostWindow::closeEvent(QCloseEvent* event)
{
    if (m_document->isBusy()) {
        event->ignore();
        return;
    }
    if (!m_closeAgreed && m_document->workingCopy() && pendingChanges() != 0) {
        // Closed again once the changes are downloaded or dropped.
        event->ignore();
        m_document->keepOrDropChanges(tr("closing the window"), [this](bool mayClose) {
            m_closeAgreed = mayClose;
            if (mayClose)
                QTimer::singleShot(0, this, &QWidget::close);
        });
        return;
    }
    m_closeAgreed = false;
    if (m_settings) {
        m_settings->setValue(QStringLiteral("window/geometry"), saveGeometry());
        m_settings->setValue(QStringLiteral("window/state"), saveState());
        syncSettings();
    }
    QMainWindow::closeEvent(event);
}

namespace {

// The one local file a drag carries; empty when it carries anything else.
QString draggedFile(const QMimeData* data)
{
    const QList<QUrl> urls = data && data->hasUrls() ? data->urls() : QList<QUrl>();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    const QString path = urls.front().toLocalFile();
    return QFileInfo(path).isDir() ? QString() : path;
}

} // namespace

void HostWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!draggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void HostWindow::dropEvent(QDropEvent* event)
{
    const QString path = draggedFile(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop is over, so that a message box does not hold up the
    // program the image was dragged from.
    QTimer::singleShot(0, this, [this, path] { openImage(path); });
}

QString HostWindow::startFolder() const
{
    if (!m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir())
        return m_lastFolder;
    return !imagePath().isEmpty() ? QFileInfo(imagePath()).absolutePath()
                                  : fromStd(fw::executableDirectory()) + QStringLiteral("data");
}

QString HostWindow::chooseFile(bool save, const QString& caption, const QString& start,
                               const QString& filter, const QStringList& hidden)
{
    const QString path = fw::chooseFileName(
        this, save ? fw::FileChoice::Save : fw::FileChoice::Open, caption, start, filter, hidden);
    if (!path.isEmpty()) {
        m_lastFolder = QFileInfo(path).absolutePath();
        if (m_settings) {
            m_settings->setValue(QStringLiteral("lastFolder"), m_lastFolder);
            syncSettings();
        }
    }
    return path;
}

void HostWindow::chooseImage()
{
    // Scenario files are no drives; program files are.
    const QString path =
        chooseFile(false, tr("Open drive image"), startFolder(),
                   tr("Drive images (*.json);;All files (*)"), {QStringLiteral("*.scenario.json")});
    if (!path.isEmpty())
        openImage(path);
}

void HostWindow::chooseFleet()
{
    const QString path = chooseFile(false, tr("Open fleet file"), startFolder(),
                                    tr("Fleet files (*.json);;All files (*)"));
    if (path.isEmpty())
        return;
    std::vector<fleet::FleetDrive> drives;
    try {
        drives = fleet::readFleetFile(path.toLocal8Bit().toStdString());
    } catch (const fleet::FleetFileError& error) {
        fw::messageBox(tr("The fleet file cannot be used: %1")
                           .arg(QString::fromLocal8Bit(error.what()))
                           .toStdString(),
                       fw::MB_OK | fw::MB_ICONWARNING);
        return;
    }
    auto* dialog = new FleetDialog(path, std::move(drives), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

DriveJob* HostWindow::openImage(const QString& path)
{
    return m_document->open(DriveName::ofImage(path.toLocal8Bit().toStdString()));
}

DriveJob* HostWindow::connectDrive(const QString& address, const QString& profile, int timeoutMs)
{
    DriveJob* job = m_document->open(DriveName::ofLink(address.toStdString(),
                                                       profile.toLocal8Bit().toStdString(),
                                                       std::chrono::milliseconds(timeoutMs)));
    if (job && m_settings) {
        // File > Reconnect at the next start, from wherever it is started.
        m_settings->setValue(QStringLiteral("link/address"), address);
        m_settings->setValue(QStringLiteral("link/profile"), QFileInfo(profile).absoluteFilePath());
        m_settings->setValue(QStringLiteral("link/timeout"), timeoutMs);
        syncSettings();
    }
    return job;
}

DriveJob* HostWindow::reconnect()
{
    return m_document->reconnect();
}

DriveJob* HostWindow::refresh()
{
    return m_document->refresh();
}

void HostWindow::chooseLink()
{
    const DriveName& last = m_document->lastLink();
    ConnectDialog dialog(fromStd(last.address), QString::fromLocal8Bit(last.profile.c_str()),
                         static_cast<int>(last.timeout.count()), this);
    {
        // Deferred work of the editor waits while the dialog is open.
        const fw::ModalScope modal;
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    connectDrive(dialog.address(), dialog.profile(), dialog.timeoutMs());
}

void HostWindow::offsetBy(int step)
{
    if (step > 0)
        move(pos() + QPoint(32, 32) * step);
}

void HostWindow::setLanguage(const QString& language)
{
    const bool changed = language != m_language;
    m_language = language;
    if (changed)
        loadTranslation(); // retranslates the window
    updateStatus();
    if (m_settings) {
        m_settings->setValue(QStringLiteral("language"), m_language);
        syncSettings();
    }
    // The editor takes its language when it is made: the document makes it anew.
    m_document->setLanguage(m_language);
}

DriveJob* HostWindow::undo()
{
    return m_document->undo();
}

DriveJob* HostWindow::redo()
{
    return m_document->redo();
}

DriveJob* HostWindow::exportProgram(const QString& path)
{
    return m_document->exportProgram(path);
}

DriveJob* HostWindow::importProgram(const QString& path)
{
    return m_document->importProgram(path);
}

DriveJob* HostWindow::setOnline(bool online)
{
    return m_document->setOnline(online);
}

DriveJob* HostWindow::download()
{
    return m_document->download();
}

DriveJob* HostWindow::upload()
{
    return m_document->upload();
}

void HostWindow::showBusy(bool busy)
{
    if (busy) {
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        // A job over a link shows how far it is, the window running meanwhile.
        DriveJob* job = m_document->job();
        if (job && job->showsProgress() && !m_progress) {
            m_progress = new JobProgress(*job, this);
            m_progress->show();
        }
    } else {
        QGuiApplication::restoreOverrideCursor();
        if (m_progress && !m_document->isBusy()) {
            m_progress->hide();
            m_progress->deleteLater();
        }
    }
    updateStatus();
}

void HostWindow::showProblem(const DriveProblem& problem)
{
    if (!problem.status.isEmpty())
        statusBar()->showMessage(problem.status);
    updateStatus();
    if (!problem.text.isEmpty())
        fw::messageBox(problem.text.toStdString(),
                       fw::MB_OK |
                           (problem.kind == DriveProblem::Kind::Note ? fw::MB_ICONINFORMATION
                                                                     : fw::MB_ICONWARNING),
                       kCaption);
}

void HostWindow::updateStatus()
{
    const DriveDocument& document = *m_document;
    const bool busy = document.isBusy();
    m_recentMenu->menuAction()->setEnabled(!m_recentImages.isEmpty());
    m_englishAction->setChecked(m_language == QLatin1String("english"));
    m_germanAction->setChecked(m_language == QLatin1String("german"));
    const bool lastLink = !document.lastLink().address.empty();
    m_refreshAction->setEnabled(document.isOpen() || lastLink);
    m_reconnectAction->setEnabled(lastLink);
    for (QAction* action : {m_exportAction, m_importAction, m_printAction, m_checkAction})
        action->setEnabled(document.entry() != nullptr);
    // Edits reach the journal without the window knowing: the Edit menu tells
    // exactly what it can do when it opens; the shortcuts say when there is nothing.
    m_undoAction->setEnabled(document.journal() != nullptr);
    m_redoAction->setEnabled(document.journal() != nullptr);
    const bool readOnly = document.readOnly();
    const bool linkLost = !document.linkUp();
    m_accessLabel->setText(readOnly ? tr("read-only") : linkLost ? tr("link lost") : QString());
    m_accessLabel->setToolTip(readOnly   ? document.readOnlyReason()
                              : linkLost ? document.linkFailure()
                                         : QString());
    m_accessLabel->setVisible(readOnly || linkLost);
    // A link's editing mode: online in a colour of its own, offline with the
    // changes the drive does not hold.
    const DriveDocument::Editing editing = document.editing();
    m_connectAction->setEnabled(!busy);
    m_onlineAction->setEnabled(editing != DriveDocument::Editing::Direct && !busy);
    m_onlineAction->setChecked(editing == DriveDocument::Editing::Online);
    m_downloadAction->setEnabled(document.workingCopy() && document.entry() && !busy);
    m_uploadAction->setEnabled(document.workingCopy() && !busy);
    QString mode;
    const int pending = document.pendingChanges();
    if (editing == DriveDocument::Editing::Online) {
        mode = tr("ONLINE: every change is written to the drive");
        m_modeLabel->setStyleSheet(QStringLiteral(
            "QLabel { background: #b71c1c; color: white; font-weight: bold; padding: 1px 6px; }"));
    } else if (editing == DriveDocument::Editing::Offline) {
        mode = pending >= 0 ? tr("offline — %n change(s) not on the drive", nullptr, pending)
                            : tr("offline — changes not counted");
        m_modeLabel->setStyleSheet(pending != 0
                                       ? QStringLiteral("QLabel { background: #ffe082; "
                                                        "color: black; padding: 1px 6px; }")
                                       : QString());
    }
    m_modeLabel->setText(mode);
    m_modeLabel->setVisible(!mode.isEmpty());
    // Tools > Simulate runs a program shown from a drive image.
    m_simulateAction->setEnabled(document.canSimulate());
    if (!document.canSimulate() && m_simulateAction->isChecked()) {
        m_simulateAction->setChecked(false);
        m_monitor->setSimulating(false);
    }
    if (!document.isOpen()) {
        m_driveLabel->setText(tr("No drive"));
        m_databaseLabel->clear();
        m_fileLabel->setText(!lastLink ? tr("Open a drive image with File > Open drive image")
                                       : tr("Not connected to %1: File > Reconnect tries again")
                                             .arg(fromStd(document.lastLink().address)));
        setWindowTitle(QStringLiteral("nebpt-host"));
        return;
    }
    m_driveLabel->setText(tr("Drive %1").arg(fromStd(document.drive()->driveType())));
    m_databaseLabel->setText(tr("Database %1").arg(fromStd(document.drive()->databaseVersion())));
    m_fileLabel->setText(location());
    const QString file = document.displayName();
    if (editing != DriveDocument::Editing::Direct)
        setWindowTitle(
            QStringLiteral("%1 — %2 - nebpt-host")
                .arg(file, editing == DriveDocument::Editing::Online ? tr("ONLINE") : mode));
    else
        setWindowTitle(readOnly ? tr("%1 (read-only) - nebpt-host").arg(file)
                                : QStringLiteral("%1 - nebpt-host").arg(file));
}
