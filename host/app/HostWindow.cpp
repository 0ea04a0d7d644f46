#include "HostWindow.h"

#include "ConnectDialog.h"
#include "DriveAddress.h"
#include "DriveJournal.h"
#include "LinkReader.h"
#include "ModbusDrive.h"
#include "ProgramDocument.h"
#include "ProgramFile.h"
#include "ProgramMonitor.h"
#include "SimulatedDrive.h"
#include "WorkingCopy.h"
#include "WriteWatch.h"

#include "NEBPTMain.h"
#include "framework/AtomicFile.h"
#include "framework/MessageBox.h"
#include "framework/RegularFile.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/FileDialog.h"
#include "framework/widgets/Messages.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QChildEvent>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>

namespace {

// Why `path` must not be written: it is the open drive image or the link's
// profile, or not a regular file; empty when it may.
QString outputConflict(const QString& path, const SimulatedDrive* image, const QString& profile)
{
    if (path.isEmpty())
        return {};
    std::vector<std::pair<std::string, std::string>> inputs;
    if (image)
        inputs.emplace_back("drive image", image->imagePath());
    if (!profile.isEmpty())
        inputs.emplace_back("profile", profile.toLocal8Bit().toStdString());
    return QString::fromLocal8Bit(
        fw::outputConflict(path.toLocal8Bit().toStdString(), inputs).c_str());
}

constexpr const char* kCaption = "nebpt-host";
constexpr int kViewMargin = 20;
// File > Recent images holds at most this many.
constexpr int kRecentImages = 8;

// The form view: the plug-in's flow window lives in it as a child window and
// sets its own height. The view keeps its minimum size large enough for its
// child windows, so that the scroll area around it scrolls whatever they need.
class HostFormView : public QWidget
{
public:
    explicit HostFormView(QWidget* parent = nullptr) : QWidget(parent)
    {
        setObjectName(QStringLiteral("formView"));
        setAutoFillBackground(true);
    }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ChildAdded) {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child->isWidgetType())
                child->installEventFilter(this);
        }
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved)
            fitChildren();
        return QWidget::event(event);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            fitChildren();
            break;
        default:
            break;
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    void fitChildren()
    {
        const QRect children = childrenRect(); // visible children only
        if (children.isNull()) {
            setMinimumSize(0, 0);
            return;
        }
        // A child that grows with the view (the flow) counts at the width it
        // needs, so that the view can shrink back with the window.
        int right = 0;
        for (QObject* object : QObject::children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isHidden() && !child->isWindow())
                right =
                    std::max(right, child->x() + (child->minimumWidth() > 0 ? child->minimumWidth()
                                                                            : child->width()));
        }
        setMinimumSize(right + kViewMargin, children.y() + children.height() + kViewMargin);
    }
};

// `icon`: fw::MB_ICONINFORMATION for news that is not bad; a warning otherwise.
void tell(const QString& text, unsigned icon = fw::MB_ICONWARNING)
{
    fw::messageBox(text.toStdString(), fw::MB_OK | icon, kCaption);
}

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// A line in the log file the plug-in keeps.
void logLine(const std::string& text)
{
    NEBPT::logHostFailure(text, "host/app/HostWindow.cpp", __LINE__);
}

// Whether both paths name one file (symbolic and hard links included).
bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code unknown;
    return std::filesystem::equivalent(a, b, unknown);
}

} // namespace

HostWindow::HostWindow(const QString& language, QWidget* parent)
    : QMainWindow(parent), m_language(language), m_workflow([](IExtParamInterface& drive) {
          const auto* host = dynamic_cast<const HostDrive*>(&drive);
          return host ? host->location() : std::string("the drive");
      })
{
    m_formView = new HostFormView;
    m_scrollArea = new QScrollArea;
    m_scrollArea->setObjectName(QStringLiteral("editorArea"));
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setWidget(m_formView);
    setCentralWidget(m_scrollArea);

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

    m_monitor = new ProgramMonitor(this);
    addDockWidget(Qt::RightDockWidgetArea, m_monitor);
    m_monitor->hide();
    // What the monitor sees of the controller shows in the flow too: the active
    // pair and the timers beside their buttons.
    connect(m_monitor, &ProgramMonitor::liveStateChanged, this,
            [this](const NEBPT::FlowLiveState& state) {
                m_liveState = state;
                if (m_entry)
                    m_entry->ShowLiveState(state);
            });

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
        if (pair < 0 || !m_entry || !m_entry->SelectPair(pair))
            return;
        if (QWidget* focus = QApplication::focusWidget(); focus && m_formView->isAncestorOf(focus))
            m_scrollArea->ensureWidgetVisible(focus);
    });

    setAcceptDrops(true);
    createActions();
    loadTranslation();
    retranslate();
    resize(760, 720);
}

HostWindow::~HostWindow()
{
    // The editor's windows live in the form view: the entry object goes first.
    closeEditor();
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
        const QString name = drive()   ? QFileInfo(imagePath()).completeBaseName()
                             : m_drive ? fromStd(m_drive->driveType())
                                       : QString();
        QString proposed = name;
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
    m_printAction = add(m_fileMenu, "actionPrint", [this] {
        QPrinter printer;
        printer.setPageSize(QPageSize(QPageSize::A4));
        QPrintDialog dialog(&printer, this);
        // The document's title block on a tab of the dialog's options, as last
        // given in this window or, at first, as the settings keep it.
        if (!m_printAction->data().isValid() && m_settings)
            m_printAction->setData(m_settings->value(QStringLiteral("print/titleBlock")));
        const TitleBlock last = TitleBlock::fromVariant(m_printAction->data());
        auto* titleTab = new QWidget;
        titleTab->setWindowTitle(tr("Title block"));
        auto* form = new QFormLayout(titleTab);
        const auto field = [form](const char* name, const QString& label, const QString& text) {
            auto* edit = new QLineEdit(text);
            edit->setObjectName(QLatin1String(name));
            form->addRow(label, edit);
            return edit;
        };
        const QLineEdit* project = field("printProject", tr("Pro&ject:"), last.project);
        const QLineEdit* author = field("printAuthor", tr("A&uthor:"), last.author);
        const QLineEdit* revision = field("printRevision", tr("Re&vision:"), last.revision);
        dialog.setOptionTabs({titleTab});
        if (dialog.exec() != QDialog::Accepted)
            return;
        const QVariant given =
            TitleBlock{project->text(), author->text(), revision->text()}.toVariant();
        m_printAction->setData(given);
        if (m_settings) {
            m_settings->setValue(QStringLiteral("print/titleBlock"), given);
            syncSettings();
        }
        const QString conflict = outputConflict(printer.outputFileName(), drive(),
                                                linkDrive() ? m_linkProfile : QString());
        if (!conflict.isEmpty())
            tell(tr("The program is not printed: %1.").arg(conflict));
        else if (!printer.outputFileName().isEmpty())
            printProgramToPdf(printer.outputFileName()); // written whole, or not at all
        else
            printProgram(printer);
    });
    m_printAction->setShortcut(QKeySequence::Print);
    m_fileMenu->addSeparator();
    m_quitAction = add(m_fileMenu, "actionQuit", [this] { close(); });
    m_quitAction->setShortcut(QKeySequence::Quit);

    m_editMenu = menu("menuEdit");
    connect(m_editMenu, &QMenu::aboutToShow, this, [this] {
        m_undoAction->setEnabled(m_journal && m_journal->canUndo());
        m_redoAction->setEnabled(m_journal && m_journal->canRedo());
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
        m_onlineAction->setChecked(m_online);
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
        syncMonitor();
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
    if (!m_drive && m_linkAddress.isEmpty()) {
        // File > Reconnect connects to the link last connected to.
        const QString address = m_settings->value(QStringLiteral("link/address")).toString();
        const QString profile = m_settings->value(QStringLiteral("link/profile")).toString();
        bool number = false;
        const int timeout = m_settings->value(QStringLiteral("link/timeout")).toInt(&number);
        try {
            if (!address.isEmpty() && !profile.isEmpty()) {
                DriveAddress::parse(address.toStdString());
                m_linkAddress = address;
                m_linkProfile = profile;
                m_linkTimeout = number && timeout > 0 && timeout <= 600000 ? timeout : 1000;
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
    if (m_linkBusy || !keepOrDropChanges(tr("closing the window"))) {
        event->ignore();
        return;
    }
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

// Whether the user may write into the folder an image lies in; its mode bits
// count as well, so that it holds for root too.
bool folderWritable(const QString& imagePath)
{
    const QFileInfo folder(QFileInfo(QFileInfo(imagePath).canonicalFilePath()).absolutePath());
    return folder.isWritable() && folder.isExecutable() &&
           (folder.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

} // namespace

void HostWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_linkBusy && !draggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void HostWindow::dropEvent(QDropEvent* event)
{
    const QString path = draggedFile(event->mimeData());
    if (m_linkBusy || path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop is over, so that a message box does not hold up the
    // program the image was dragged from.
    QTimer::singleShot(0, this, [this, path] { openImage(path); });
}

QString HostWindow::imagePath() const
{
    return drive() ? fromStd(drive()->imagePath()) : QString();
}

QString HostWindow::location() const
{
    return m_drive ? fromStd(m_drive->location()) : QString();
}

SimulatedDrive* HostWindow::drive() const
{
    return dynamic_cast<SimulatedDrive*>(m_drive.get());
}

ModbusDrive* HostWindow::linkDrive() const
{
    return dynamic_cast<ModbusDrive*>(m_drive.get());
}

QString HostWindow::startFolder() const
{
    if (!m_lastFolder.isEmpty() && QFileInfo(m_lastFolder).isDir())
        return m_lastFolder;
    return drive() ? QFileInfo(imagePath()).absolutePath()
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

bool HostWindow::openImage(const QString& path)
{
    if (m_linkBusy || !keepOrDropChanges(tr("opening another drive")))
        return false;
    QString absolutePath = QFileInfo(path).absoluteFilePath();
    // The reason the image open here is read-only, to tell it only when it is news.
    std::string readOnlyBefore;
    // The drive of an image named `shown` in messages, or null once told why not.
    const auto load = [&](const QString& file, const QString& shown) {
        std::unique_ptr<SimulatedDrive> drive;
        if (this->drive() && sameFile(this->drive()->imagePath(), file.toStdString())) {
            readOnlyBefore = m_drive->readOnlyReason();
            // Read anew: the drive that has it open lets go of it first, or the new
            // one would find it open in another host.
            closeEditor();
            takeDrive(nullptr);
            updateStatus();
        }
        std::string type, aoc, database;
        try {
            drive = std::make_unique<SimulatedDrive>(file.toStdString());
            drive->GetDriveIdentity(type, aoc, database);
        } catch (const DriveImageError& error) {
            // The reason names the file already.
            tell(tr("The drive image cannot be opened.\n\n%1").arg(fromStd(error.what())));
            return std::unique_ptr<SimulatedDrive>();
        } catch (const std::exception& error) {
            tell(tr("The drive image cannot be opened.\n\n%1: %2")
                     .arg(shown, fromStd(error.what())));
            return std::unique_ptr<SimulatedDrive>();
        }
        if (!CNEBPTMain::isDriveSupported(type, aoc, database)) {
            tell(
                tr("The program editor does not support the drive in %1.\n\n"
                   "Drive type \"%2\" with parameter database %3 is not listed in drives_conf.neb.")
                    .arg(shown, fromStd(type), fromStd(database)));
            return std::unique_ptr<SimulatedDrive>();
        }
        return drive;
    };
    std::unique_ptr<SimulatedDrive> drive = load(absolutePath, path);
    if (!drive)
        return false;

    // An image in a folder the user cannot write (a sample installed beside the
    // host) is offered as a copy of the user's own, which takes every change.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/nebpt");
    const QString copy = folder + '/' + QFileInfo(absolutePath).fileName();
    if (drive->readOnly() && !folderWritable(absolutePath) &&
        !sameFile(copy.toStdString(), absolutePath.toStdString())) {
        const bool made = QFileInfo::exists(copy);
        const QString cannot = tr("You cannot change %1 where it is: its folder is not yours to "
                                  "write.")
                                   .arg(absolutePath);
        const QString question =
            made ? tr("%1\n\nOpen your copy %2 instead? It was made earlier and keeps the "
                      "changes made to it. No opens this image read-only.")
                       .arg(cannot, copy)
                 : tr("%1\n\nOpen a copy in %2? Your changes are then saved in the copy %3. No "
                      "opens this image read-only.")
                       .arg(cannot, folder, copy);
        // Asked once, whatever the answer: the read-only image is not explained again.
        readOnlyBefore = drive->readOnlyReason();
        if (fw::messageBox(question.toStdString(), fw::MB_YESNO | fw::MB_ICONQUESTION, kCaption) ==
            fw::IDYES) {
            std::string bytes, error;
            if (!made && (!QDir().mkpath(folder) ||
                          !fw::readRegularFile(absolutePath.toStdString(), DriveImage::kSizeLimit,
                                               bytes, error) ||
                          !fw::writeFileAtomically(copy.toStdString(), bytes, error))) {
                logLine("no copy of " + absolutePath.toStdString() + ": " + error);
                tell(tr("No copy was made in %1.\n\n%2\n\n%3 is opened read-only.")
                         .arg(folder,
                              error.empty() ? tr("The folder cannot be made.") : fromStd(error),
                              absolutePath));
            } else {
                drive = load(copy, copy);
                if (!drive)
                    return false;
                absolutePath = copy;
            }
        }
    }

    closeEditor();
    takeDrive(std::move(drive));
    rememberImage(absolutePath);
    m_linkAddress.clear();
    m_drive->setLanguage(m_language.toStdString());
    // The plug-in tells nobody when the drive refuses a change; the host does
    // (writeSeen), once the command that made the change has returned.
    m_drive->setWriteRefusalObserver(
        [](const std::string& reason) { logLine("the drive refused a change: " + reason); });
    updateStatus();
    if (m_drive->readOnly() && m_drive->readOnlyReason() != readOnlyBefore) {
        QString reason = fromStd(m_drive->readOnlyReason());
        reason[0] = reason[0].toUpper();
        tell(tr("%1.\n\nIt is opened read-only: the program is shown, but no change to it is "
                "saved. Open the image again once it can be written.")
                 .arg(reason));
    }
    return openEditor();
}

bool HostWindow::connectDrive(const QString& address, const QString& profile, int timeoutMs)
{
    if (m_linkBusy)
        return false;
    // The working copy's changes go over to the same drive connected anew.
    const bool again = linkDrive() && address == m_linkAddress;
    if (!again && !keepOrDropChanges(tr("connecting to another drive")))
        return false;
    std::optional<NEBPT::ProgramData> kept;
    if (again && m_copy && m_pendingChanges != 0)
        kept = m_copy->program();
    const bool wasOnline = again && m_online;
    // A drive may serve one host at a time: the link open before lets go first.
    if (linkDrive()) {
        closeEditor();
        takeDrive(nullptr);
    }
    m_linkAddress = address;
    m_linkProfile = profile;
    m_linkTimeout = timeoutMs;
    if (m_settings) {
        // File > Reconnect at the next start, from wherever it is started.
        m_settings->setValue(QStringLiteral("link/address"), address);
        m_settings->setValue(QStringLiteral("link/profile"), QFileInfo(profile).absoluteFilePath());
        m_settings->setValue(QStringLiteral("link/timeout"), timeoutMs);
        syncSettings();
    }
    updateStatus();
    statusBar()->showMessage(tr("Connecting to %1").arg(address));
    // Connected and read on a worker, the window running meanwhile.
    m_linkBusy = true;
    LinkReader::Result read = LinkReader(this).connectAndRead(
        address.toStdString(), profile.toStdString(), std::chrono::milliseconds(timeoutMs));
    m_linkBusy = false;
    if (read.outcome == LinkReader::Outcome::NotConnected) {
        logLine(read.failure);
        if (m_drive) // a drive image stays open: nothing to reconnect to
            m_linkAddress.clear();
        updateStatus();
        statusBar()->showMessage(tr("Not connected: %1").arg(fromStd(read.failure)));
        tell(tr("Cannot connect to the drive at %1.\n\n%2").arg(address, fromStd(read.failure)) +
             timeoutHint(fromStd(read.failure)));
        return false;
    }
    if (read.outcome == LinkReader::Outcome::NotSupported) {
        statusBar()->clearMessage();
        tell(tr("The program editor does not support the drive at %1.\n\n"
                "Drive type \"%2\" with parameter database %3 is not listed in drives_conf.neb.")
                 .arg(address, fromStd(read.drive->driveType()),
                      fromStd(read.drive->databaseVersion())));
        return false;
    }

    closeEditor();
    ModbusDrive* drive = read.drive.get();
    takeDrive(std::move(read.drive));
    m_linkLossTold = false;
    m_drive->setLanguage(m_language.toStdString());
    watchLink(*drive);
    m_online = wasOnline;
    makeJournal();
    if (read.outcome != LinkReader::Outcome::Read) {
        updateStatus();
        if (kept)
            logLine("the working copy's changes to " + address.toStdString() +
                    " are lost: the program cannot be read from the drive");
        return tellUnread(read, false);
    }
    if (kept) {
        try {
            m_copy = std::make_unique<WorkingCopy>(*m_drive, m_workflow);
            if (!m_copy->adopt(*kept)) {
                m_copy.reset();
                tell(tr("The drive at %1 now holds a program of another kind: the changes of "
                        "the working copy cannot be kept and are dropped.")
                         .arg(address));
            }
        } catch (const std::exception& error) {
            m_copy.reset();
            logLine(error.what());
        }
        makeJournal();
        countPending();
    }
    const bool opened = openEditor(false);
    if (opened)
        statusBar()->clearMessage();
    return opened;
}

void HostWindow::watchLink(ModbusDrive& link)
{
    // The drive calls its observers on the thread that uses it: a worker reading
    // the program while it holds the drive (the read's outcome tells the window
    // then), else this window's thread, during a write. The window hears only
    // of the drive it holds, on its own thread.
    ModbusDrive* drive = &link;
    const auto onWindow = [this](std::function<void()> work) {
        if (QThread::currentThread() == thread())
            work();
        else
            QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    };
    drive->setLinkFailureObserver(
        [this, drive, onWindow](const std::string& reason, bool partlyWritten) {
            onWindow([this, drive, reason, partlyWritten] {
                if (m_drive.get() != drive)
                    return;
                logLine("the link to the drive failed: " + reason);
                m_monitor->linkLost(fromStd(reason));
                updateStatus();
                statusBar()->showMessage(tr("Link lost: %1").arg(fromStd(reason)));
                if (m_ownWrite) // the window tells what its own writes did
                    return;
                // Told once the call that lost it has returned to the editor.
                QTimer::singleShot(0, this, [this, drive, reason, partlyWritten] {
                    if (m_drive.get() == drive)
                        reportLostLink(fromStd(reason), partlyWritten);
                });
            });
        });
    // A refusal of the editor's write is told with the values it refused (writeSeen).
    drive->setWriteRefusalObserver([this, drive, onWindow](const std::string& reason) {
        onWindow([this, drive, reason] {
            if (m_drive.get() == drive)
                logLine("the drive refused a change: " + reason);
        });
    });
    // Writes are short and made on this thread: the cursor tells that the window waits.
    drive->setWriteBusyObserver([this](bool busy) {
        if (QThread::currentThread() != thread())
            return;
        if (busy)
            QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    });
}

bool HostWindow::readOverLink(bool again)
{
    if (m_linkBusy)
        return false;
    // The editor asks the drive for nothing while a worker holds it.
    closeEditor();
    updateStatus();
    statusBar()->showMessage(tr("Reading from %1").arg(m_linkAddress));
    // The window lets go of the drive until the worker gives it back; the
    // journal refers to it all the while, but nothing uses the journal without an editor.
    std::unique_ptr<ModbusDrive> lent(linkDrive());
    static_cast<void>(m_drive.release());
    m_linkBusy = true;
    LinkReader::Result read = LinkReader(this).read(std::move(lent));
    m_linkBusy = false;
    m_drive = std::move(read.drive);
    if (read.outcome == LinkReader::Outcome::Read) {
        statusBar()->clearMessage();
        return true;
    }
    updateStatus();
    return tellUnread(read, again);
}

bool HostWindow::tellUnread(const LinkReader::Result& read, bool again)
{
    if (read.outcome == LinkReader::Outcome::Cancelled) {
        statusBar()->showMessage(tr("Reading the program from %1 was cancelled: File > Refresh "
                                    "or File > Reconnect reads it again")
                                     .arg(location()));
        return false;
    }
    // A value that could not be read is never shown as the drive's.
    const ModbusDrive* link = linkDrive();
    if (link && !link->linkUp()) {
        logLine("the link to the drive failed: " + link->linkFailure());
        statusBar()->showMessage(tr("Link lost: %1").arg(fromStd(link->linkFailure())));
    } else {
        logLine(read.failure);
    }
    // Told here, not once more on its own.
    m_linkLossTold = true;
    const QString log = logHint();
    if (again) {
        tell(tr("The program cannot be read again from the drive in %1.\n\n%2"
                "%3")
                 .arg(location(), fromStd(read.failure) + "\n", log));
    } else {
        tell(tr("The program cannot be read from the drive in %1.\n\n%2.\n"
                "%3")
                 .arg(location(), fromStd(read.failure), log));
    }
    return false;
}

void HostWindow::chooseLink()
{
    if (m_linkBusy)
        return;
    ConnectDialog dialog(m_linkAddress, m_linkProfile, m_linkTimeout, this);
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

bool HostWindow::reconnect()
{
    if (m_linkAddress.isEmpty())
        return false;
    return connectDrive(m_linkAddress, m_linkProfile, m_linkTimeout);
}

QString HostWindow::logHint()
{
    const QString log = fromStd(NEBPT::logFilePath());
    if (!log.isEmpty())
        return tr("Details are in the log file %1.").arg(log);
    return tr("Nothing is logged: %1/nebpt.log or its folder is a link, another user's, or "
              "cannot be made.")
        .arg(fromStd(NEBPT::logFolderPath()));
}

QString HostWindow::timeoutHint(const QString& reason) const
{
    // A drive that answers late names the timeout it missed in milliseconds.
    if (!reason.contains(QStringLiteral(" %1 ms").arg(m_linkTimeout)))
        return {};
    return tr("\n\nThe answer timeout is %1 ms: File > Connect to drive sets it (--timeout on "
              "the command line).")
        .arg(m_linkTimeout);
}

void HostWindow::reportLostLink(const QString& reason, bool partlyWritten)
{
    if (m_linkLossTold)
        return;
    m_linkLossTold = true;
    // The values of the editor's write that the loss left unwritten, if any.
    const QString unwritten = std::exchange(m_unwritten, QString());
    if (!partlyWritten) {
        tell(unwritten.isEmpty()
                 ? tr("The link to the drive at %1 is lost.\n\n%2\n\nThe program stays shown; "
                      "File > Reconnect connects anew and reads it again.")
                           .arg(location(), reason) +
                       timeoutHint(reason)
                 : tr("The link to the drive at %1 is lost.\n\n%2\n\nNot written:\n%3\n\n"
                      "File > Reconnect connects anew and reads the program again.")
                           .arg(location(), reason, unwritten) +
                       timeoutHint(reason));
        return;
    }
    offerWriteAgain(unwritten.isEmpty() ? tr("The change") : unwritten, reason);
}

bool HostWindow::offerWriteAgain(const QString& what, QString reason)
{
    ModbusDrive* link = linkDrive();
    // Writing again cannot finish what the drive refuses: that is told, not offered.
    if (link && link->lastWrite().partlyWritten() && !link->lastWriteRefusal().elements.empty()) {
        tell(tr("%1 was not completely written to the drive at %2: %3.\n\n%4\n\nThe drive "
                "refuses a value of it, so writing it again cannot finish it: change the "
                "program or the drive, then write it again.")
                 .arg(what, location(), fromStd(link->lastWrite().describe()), reason));
        if (link->linkUp())
            fw::whenNoModalIsOpen(this, [this] { refresh(); });
        else
            showWhatTheDriveHolds();
        return false;
    }
    while (link && link->lastWrite().partlyWritten()) {
        const QString question =
            tr("%1 was not completely written to the drive at %2: %3.\n\n%4\n\n"
               "Write it again? (No leaves the drive as it is.)")
                .arg(what, location(), fromStd(link->lastWrite().describe()), reason);
        if (fw::messageBox(question.toStdString(), fw::MB_YESNO, kCaption) != fw::IDYES) {
            // The editor shows what the drive holds, as far as it can be read,
            // else what it was last read back to hold.
            if (link->linkUp())
                fw::whenNoModalIsOpen(this, [this] { refresh(); });
            else
                showWhatTheDriveHolds();
            return false;
        }
        m_ownWrite = true;
        try {
            link->writeAgain();
            m_ownWrite = false;
            m_linkLossTold = false;
            updateStatus();
            statusBar()->showMessage(tr("Written again to %1 and read back").arg(location()));
            // Not while an editor dialog is open: the editor is read anew.
            fw::whenNoModalIsOpen(this, [this] { refresh(); });
            return true;
        } catch (const std::exception& error) {
            m_ownWrite = false;
            logLine(error.what());
            reason = fromStd(error.what());
            updateStatus();
        }
    }
    if (link)
        tell(tr("%1 cannot be written again to the drive at %2.\n\n%3")
                 .arg(what, location(), reason));
    return false;
}

QString HostWindow::failureSince(const std::string& refusalBefore) const
{
    if (ModbusDrive* link = linkDrive(); link && !link->linkUp())
        return tr("The link to the drive failed: %1.\n").arg(fromStd(link->linkFailure()));
    if (m_drive->lastRefusal() != refusalBefore && !m_drive->lastRefusal().empty())
        return tr("The drive refused %1.\n").arg(fromStd(m_drive->lastRefusal()));
    return {};
}

bool HostWindow::openEditor(bool readLink)
{
    // Over a link the program is read first, off the window's thread; the editor
    // is then made from what the drive keeps.
    const bool opened = (!readLink || !linkDrive() || readOverLink(false)) && makeEditor();
    // What the window offers follows whether an editor is shown.
    updateStatus();
    return opened;
}

bool HostWindow::makeEditor()
{
    m_entry.reset();
    // Read anew, so that a read that fails now is told (and an earlier one not);
    // a link's drive has just read the program (readOverLink).
    if (!linkDrive())
        m_drive->forgetValues();
    const std::string refusalBefore = m_drive->lastRefusal();
    const QString file = location();
    // Offline, the editor changes a working copy of what the drive holds.
    if (linkDrive() && !m_online && !m_copy) {
        try {
            m_copy = std::make_unique<WorkingCopy>(*m_drive, m_workflow);
        } catch (const std::exception& error) {
            m_linkLossTold = true;
            tell(tr("The program cannot be read from the drive in %1.\n\n%2.\n"
                    "%3")
                     .arg(file, fromStd(error.what()), logHint()));
            return false;
        }
        makeJournal();
        countPending();
    }
    auto problem = [&] {
        // A lost link is told here, not once more on its own.
        m_linkLossTold = true;
        return failureSince(refusalBefore) + logHint();
    };

    try {
        // The plug-in writes through the journal, so that its changes can be undone.
        m_monitorStale = true;
        m_entry = std::make_unique<CNEBPTMain>(*m_formView, m_watch.get());
    } catch (const std::exception& error) {
        tell(tr("The program editor cannot connect to the drive in %1.\n\n%2")
                 .arg(file, fromStd(error.what())));
        return false;
    } catch (...) {
        // The plug-in's own failure (logged), told with what the drive refused.
        tell(
            tr("The program editor cannot connect to the drive in %1.\n\n%2").arg(file, problem()));
        return false;
    }

    RECT flow{0, 0, 0, 0};
    const bool opened = m_entry->Open();
    if (opened)
        m_entry->GetNEBPTRect(&flow);
    // A value that could not be read would be shown (and written back) as a default.
    if (!m_drive->readFailure().empty()) {
        closeEditor();
        m_linkLossTold = true;
        tell(tr("The program cannot be read from the drive in %1.\n\n%2.\n"
                "%3")
                 .arg(file, fromStd(m_drive->readFailure()), logHint()));
        return false;
    }
    if (!opened || flow.right == flow.left) {
        // Without a flow there is nothing to edit; a refresh tries again from the start.
        closeEditor();
        tell(tr("The program cannot be read from the drive in %1.\n\n%2").arg(file, problem()));
        return false;
    }
    m_entry->ShowLiveState(m_liveState);
    return true;
}

void HostWindow::closeEditor()
{
    // The monitor asks the drive for nothing from now on (it may be lent or go).
    if (m_monitor)
        m_monitor->stopLink();
    m_entry.reset();
}

bool HostWindow::refresh()
{
    // Not under an open dialog of the editor: the update waits for it to close
    // (and would answer false meanwhile).
    if (fw::isModalOpen()) {
        fw::whenNoModalIsOpen(this, [this] { refresh(); });
        return true;
    }
    // A lost link is made anew; the program is read with it.
    if (!m_linkAddress.isEmpty() && (!linkDrive() || !linkDrive()->linkUp()))
        return reconnect();
    if (!m_drive)
        return false;
    // A read-only image may have been changed by the host that has it open, or be
    // free by now: it is read anew from the file.
    if (m_drive->readOnly())
        return openImage(imagePath());
    if (linkDrive()) {
        // Read anew off the window's thread, and the editor made from it. The
        // working copy keeps its changes; without any it shows the drive's program.
        bool opened = readOverLink(m_entry != nullptr);
        if (opened && m_copy && m_pendingChanges == 0) {
            try {
                m_copy->takeFromDrive(m_workflow);
            } catch (const std::exception& error) {
                logLine(error.what());
                closeEditor();
                m_copy.reset();
                makeJournal();
            }
        }
        opened = opened && makeEditor();
        countPending();
        return opened;
    }
    m_drive->forgetValues();
    if (!m_entry)
        return openEditor();
    const std::string refusalBefore = m_drive->lastRefusal();
    const bool updated = m_entry->UpdateFlow();
    if (updated && m_drive->readFailure().empty())
        return true;
    m_linkLossTold = true;
    // A value that could not be read is never shown as the drive's.
    const QString unread = fromStd(m_drive->readFailure());
    if (!unread.isEmpty())
        closeEditor();
    tell(tr("The program cannot be read again from the drive in %1.\n\n%2"
            "%3")
             .arg(location(), unread.isEmpty() ? failureSince(refusalBefore) : unread + "\n",
                  logHint()));
    updateStatus();
    return false;
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
    if (!changed || !m_drive)
        return;
    // The editor takes its language when it is made: make it anew, from what a
    // link's drive keeps.
    closeEditor();
    m_drive->setLanguage(m_language.toStdString());
    openEditor(false);
}

void HostWindow::updateStatus()
{
    m_recentMenu->menuAction()->setEnabled(!m_recentImages.isEmpty());
    m_englishAction->setChecked(m_language == QLatin1String("english"));
    m_germanAction->setChecked(m_language == QLatin1String("german"));
    m_refreshAction->setEnabled(m_drive != nullptr || !m_linkAddress.isEmpty());
    m_reconnectAction->setEnabled(!m_linkAddress.isEmpty());
    for (QAction* action : {m_exportAction, m_importAction, m_printAction, m_checkAction})
        action->setEnabled(m_entry != nullptr);
    // Edits reach the journal without the window knowing: the Edit menu tells
    // exactly what it can do when it opens; the shortcuts say when there is nothing.
    m_undoAction->setEnabled(m_journal != nullptr);
    m_redoAction->setEnabled(m_journal != nullptr);
    const ModbusDrive* link = linkDrive();
    const bool readOnly = m_drive && m_drive->readOnly();
    const bool linkLost = link && !link->linkUp();
    m_accessLabel->setText(readOnly ? tr("read-only") : linkLost ? tr("link lost") : QString());
    m_accessLabel->setToolTip(readOnly   ? fromStd(m_drive->readOnlyReason())
                              : linkLost ? fromStd(link->linkFailure())
                                         : QString());
    m_accessLabel->setVisible(readOnly || linkLost);
    // A link's editing mode: online in a colour of its own, offline with the
    // changes the drive does not hold.
    m_connectAction->setEnabled(!m_linkBusy);
    m_onlineAction->setEnabled(link && !m_linkBusy);
    m_onlineAction->setChecked(m_online);
    m_downloadAction->setEnabled(m_copy && m_entry && !m_linkBusy);
    m_uploadAction->setEnabled(m_copy && !m_linkBusy);
    QString mode;
    if (link && m_online) {
        mode = tr("ONLINE: every change is written to the drive");
        m_modeLabel->setStyleSheet(QStringLiteral(
            "QLabel { background: #b71c1c; color: white; font-weight: bold; padding: 1px 6px; }"));
    } else if (link) {
        mode = m_pendingChanges >= 0
                   ? tr("offline — %n change(s) not on the drive", nullptr, m_pendingChanges)
                   : tr("offline — changes not counted");
        m_modeLabel->setStyleSheet(m_pendingChanges != 0
                                       ? QStringLiteral("QLabel { background: #ffe082; color: "
                                                        "black; padding: 1px 6px; }")
                                       : QString());
    }
    m_modeLabel->setText(mode);
    m_modeLabel->setVisible(!mode.isEmpty());
    syncMonitor();
    if (!m_drive) {
        m_driveLabel->setText(tr("No drive"));
        m_databaseLabel->clear();
        m_fileLabel->setText(
            m_linkAddress.isEmpty()
                ? tr("Open a drive image with File > Open drive image")
                : tr("Not connected to %1: File > Reconnect tries again").arg(m_linkAddress));
        setWindowTitle(QStringLiteral("nebpt-host"));
        return;
    }
    m_driveLabel->setText(tr("Drive %1").arg(fromStd(m_drive->driveType())));
    m_databaseLabel->setText(tr("Database %1").arg(fromStd(m_drive->databaseVersion())));
    m_fileLabel->setText(location());
    const QString file = link ? location() : QFileInfo(imagePath()).fileName();
    if (link)
        setWindowTitle(
            QStringLiteral("%1 — %2 - nebpt-host").arg(file, m_online ? tr("ONLINE") : mode));
    else
        setWindowTitle(readOnly ? tr("%1 (read-only) - nebpt-host").arg(file)
                                : QStringLiteral("%1 - nebpt-host").arg(file));
}

void HostWindow::syncMonitor()
{
    SimulatedDrive* image = drive();
    ModbusDrive* link = linkDrive();
    const bool canSimulate = image && m_entry && !m_linkBusy;
    m_simulateAction->setEnabled(canSimulate);
    if (!canSimulate)
        m_simulateAction->setChecked(false);
    if (canSimulate && m_simulateAction->isChecked()) {
        // Read from the image as it is now: the simulation writes nothing to it.
        try {
            m_monitor->showSimulation(m_workflow.exportProgram(*image));
        } catch (const std::exception& error) {
            m_monitor->showNothing(tr("The program cannot be read from the drive in %1.\n\n%2")
                                       .arg(location(), fromStd(error.what())));
        }
        return;
    }
    if (link && m_entry && !m_linkBusy) {
        // What the drive keeps of its program is read anew only when it may have changed.
        if (!m_monitorStale || !link->linkUp())
            return;
        m_monitorStale = false;
        QString failure;
        try {
            const NEBPT::ProgramData program = m_workflow.exportProgram(*link);
            if (link->readFailure().empty()) {
                m_monitor->showLink(*link, &program, QString());
                return;
            }
            failure = fromStd(link->readFailure());
        } catch (const std::exception& error) {
            failure = fromStd(error.what());
        }
        m_monitor->showLink(*link, nullptr, failure);
        return;
    }
    m_monitor->showNothing(!m_drive   ? tr("No drive is open.")
                           : !m_entry ? tr("No program is shown.")
                           : image    ? tr("Tools > Simulate runs the program here.")
                                      : QString());
}

void HostWindow::takeDrive(std::unique_ptr<HostDrive> drive)
{
    // The journal is the drive's: another drive starts with none.
    m_monitor->stopLink();
    m_watch.reset();
    m_journal.reset();
    m_copy.reset();
    m_pendingChanges = 0;
    m_online = false;
    m_runningWriteAgreed = false;
    m_drive = std::move(drive);
    makeJournal();
}

HostDrive* HostWindow::edited() const
{
    if (m_copy)
        return m_copy.get();
    return m_drive.get();
}

void HostWindow::makeJournal()
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

namespace {

// The reason of a refusal without the name of the call that was refused
// ("WriteParameterValues: ..."): the engineer did not make that call.
QString reasonOf(const std::string& failure)
{
    static const QRegularExpression call(QStringLiteral("^[A-Z][A-Za-z]+: "));
    return QString::fromStdString(failure).remove(call);
}

} // namespace

std::vector<NEBPT::ProgramEntry> HostWindow::describe(const std::vector<std::string>& identifiers,
                                                      const std::vector<std::string>& values,
                                                      const std::vector<size_t>& positions,
                                                      size_t most)
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

bool HostWindow::allowWrite(const WriteWatch::Write& write)
{
    (void)write;
    ModbusDrive* link = linkDrive();
    if (!m_online || m_runningWriteAgreed || !link)
        return true;
    // Whether the drive's controller runs, as its status block tells.
    QString state = tr("may be running (the drive does not show its state)");
    const int status = link->registerMap().statusAddress;
    if (status >= 0) {
        std::uint16_t header[modbusmap::kStatusHeaderRegisters] = {};
        std::string failure;
        if (link->readSharedRegisters(status, modbusmap::kStatusHeaderRegisters, header,
                                      tr("reading the controller's state").toStdString(),
                                      failure)) {
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

void HostWindow::writeSeen(const WriteWatch::Write& write)
{
    // The monitor learns of the editor's changes once the command that made them has returned.
    if (!m_copy) {
        m_monitorStale = true;
        QTimer::singleShot(0, this, [this] { syncMonitor(); });
    }
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
        statusBar()->showMessage(m_copy ? tr("%1 changed in the working copy, not on the drive yet")
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
    // A lost link is told on its own (reportLostLink), with these values.
    if (const ModbusDrive* link = linkDrive(); link && !link->linkUp() && !declined)
        m_unwritten = values.join(QLatin1Char('\n'));
    // Told once the command that made the write has returned to the editor.
    QTimer::singleShot(0, this, [this, drive = m_drive.get(), values, refusals, reason, declined] {
        if (m_drive.get() == drive)
            reportUnwritten(values, refusals, reason, declined);
    });
}

void HostWindow::reportUnwritten(const QStringList& values, const QStringList& refusals,
                                 const QString& reason, bool declined)
{
    ModbusDrive* link = linkDrive();
    const QString inOneLine = values.join(QStringLiteral("; "));
    if (declined) {
        statusBar()->showMessage(tr("Not written: %1").arg(inOneLine));
    } else if (link && !link->linkUp()) {
        // Told with what it may have left on the drive (reportLostLink).
        statusBar()->showMessage(tr("Not written, the link is lost: %1").arg(reason));
    } else if (link && link->lastWrite().partlyWritten()) {
        offerWriteAgain(values.join(QLatin1Char('\n')), reason);
        return;
    } else {
        statusBar()->showMessage(tr("Not written: %1 (%2)").arg(inOneLine, reason));
        tell(tr("The change was not saved to %1.\n\n%2\n\nThe editor shows what the drive holds.")
                 .arg(location(), refusals.join(QLatin1Char('\n'))));
    }
    showWhatTheDriveHolds();
}

void HostWindow::showWhatTheDriveHolds()
{
    // Not while an editor dialog is open: the program objects it edits go.
    fw::whenNoModalIsOpen(this, [this] {
        if (!m_entry || m_linkBusy)
            return;
        const std::string unreadBefore = edited()->readFailure();
        if (m_entry->UpdateFlow() && edited()->readFailure() == unreadBefore)
            return;
        // A value that cannot be read back is never shown: no editor until the
        // drive is read again.
        logLine("the program is no longer shown: " + edited()->readFailure());
        closeEditor();
        updateStatus();
        statusBar()->showMessage(tr("What the drive holds cannot be read back, so the program "
                                    "is not shown: File > Reconnect reads it again"));
    });
}

void HostWindow::countPending()
{
    m_pendingChanges = 0;
    if (m_copy) {
        try {
            m_pendingChanges =
                static_cast<int>(m_workflow
                                     .planImport(*m_copy, *m_drive, NEBPT::Rounding::Refuse,
                                                 programfile::fitOf(*m_drive))
                                     .changes.size());
        } catch (const std::exception& error) {
            logLine(std::string("the working copy cannot be compared with the drive: ") +
                    error.what());
            m_pendingChanges = -1;
        }
    }
    updateStatus();
}

bool HostWindow::keepOrDropChanges(const QString& what)
{
    if (!m_copy || m_pendingChanges == 0)
        return true;
    const QString question =
        m_pendingChanges > 0
            ? tr("The working copy holds %n change(s) not on the drive at %1.\n\n"
                 "Download the working copy before %2? Yes downloads it, No drops its changes, "
                 "Cancel goes back.",
                 nullptr, m_pendingChanges)
                  .arg(location(), what)
            : tr("The working copy may hold changes not on the drive at %1.\n\n"
                 "Download the working copy before %2? Yes downloads it, No drops its changes, "
                 "Cancel goes back.")
                  .arg(location(), what);
    switch (fw::messageBox(question.toStdString(), fw::MB_YESNOCANCEL, kCaption)) {
    case fw::IDYES:
        return download() && m_pendingChanges == 0;
    case fw::IDNO:
        return true;
    default:
        return false;
    }
}

bool HostWindow::setOnline(bool online)
{
    ModbusDrive* link = linkDrive();
    if (!link || m_linkBusy)
        return false;
    if (online == m_online)
        return true;
    if (online && !keepOrDropChanges(tr("editing online")))
        return false;
    closeEditor();
    m_online = online;
    m_runningWriteAgreed = false;
    m_copy.reset();
    m_pendingChanges = 0;
    makeJournal();
    // Online the editor shows what the drive holds now: read anew; offline the
    // working copy is made from what the drive keeps.
    const bool shown = online ? readOverLink(true) && makeEditor() : makeEditor();
    updateStatus();
    statusBar()->showMessage(online ? tr("Editing online: every change is written to the drive")
                                    : tr("Editing offline: changes go into the working copy"));
    return shown;
}

bool HostWindow::download()
{
    ModbusDrive* link = linkDrive();
    if (!link || !m_copy || !m_entry || m_linkBusy)
        return false;
    if (!link->linkUp()) {
        tell(tr("The working copy cannot be downloaded: the link to the drive at %1 is lost.\n\n"
                "File > Reconnect connects anew; the working copy keeps its changes.")
                 .arg(location()));
        return false;
    }
    NEBPT::ImportPlan plan;
    std::vector<std::string> lines;
    try {
        plan = m_workflow.planImport(*m_copy, *link, NEBPT::Rounding::Refuse,
                                     programfile::fitOf(*link));
        lines = m_workflow.compare(*link, *m_copy);
    } catch (const std::exception& error) {
        tell(tr("The working copy is not downloaded; nothing was written.\n\n%1")
                 .arg(fromStd(error.what())));
        return false;
    }
    if (plan.changes.empty()) {
        countPending();
        tell(tr("The drive at %1 holds the working copy's program already.").arg(location()),
             fw::MB_ICONINFORMATION);
        return true;
    }
    // The changes in the terms of --diff: the drive's value -> the copy's.
    constexpr size_t kShown = 15;
    QStringList shown;
    for (size_t i = 0; i < lines.size() && i < kShown; ++i)
        shown << fromStd(lines[i]);
    if (lines.size() > kShown)
        shown << tr("... and %n more", nullptr, static_cast<int>(lines.size() - kShown));
    const int changes = static_cast<int>(plan.changes.size());
    if (fw::messageBox(tr("Download %n change(s) to the drive at %1?\n\n%2", nullptr, changes)
                           .arg(location(), shown.join(QLatin1Char('\n')))
                           .toStdString(),
                       fw::MB_YESNO, kCaption) != fw::IDYES)
        return false;
    m_ownWrite = true;
    try {
        NEBPT::ProgramWorkflow::importProgram(*link, plan.changes);
        m_ownWrite = false;
    } catch (const std::exception& error) {
        m_ownWrite = false;
        logLine(error.what());
        countPending();
        if (link->lastWrite().partlyWritten()) {
            offerWriteAgain(tr("The download"), reasonOf(error.what()));
            return false;
        }
        tell(tr("The working copy is not downloaded: the drive at %1 refused it and holds what "
                "it held before.\n\n%2")
                 .arg(location(), reasonOf(error.what())));
        return false;
    }
    countPending();
    m_monitorStale = true;
    syncMonitor();
    statusBar()->showMessage(
        tr("%n change(s) downloaded to %1 and read back", nullptr, changes).arg(location()));
    return true;
}

bool HostWindow::upload()
{
    if (!linkDrive() || !m_copy || m_linkBusy)
        return false;
    if (m_pendingChanges != 0) {
        const QString question =
            tr("Upload takes the program of the drive at %1 into the working copy and drops "
               "its %n change(s) not on the drive.\n\nUpload?",
               nullptr, std::max(m_pendingChanges, 1))
                .arg(location());
        if (fw::messageBox(question.toStdString(), fw::MB_YESNO, kCaption) != fw::IDYES)
            return false;
    }
    closeEditor();
    m_copy.reset();
    m_pendingChanges = 0;
    makeJournal();
    const bool shown = readOverLink(true) && makeEditor();
    updateStatus();
    if (shown)
        statusBar()->showMessage(tr("The working copy holds the program of %1").arg(location()));
    return shown;
}

bool HostWindow::undoOrRedo(bool redo)
{
    if (!m_journal || !m_entry)
        return false;
    if (!(redo ? m_journal->canRedo() : m_journal->canUndo())) {
        statusBar()->showMessage(redo ? tr("Nothing to redo") : tr("Nothing to undo"), 3000);
        return false;
    }
    const auto confirm = [](const std::string& question) {
        return fw::messageBox(question, fw::MB_YESNO, kCaption) == fw::IDYES;
    };
    bool done = false;
    m_ownWrite = true;
    try {
        done = redo ? m_journal->redo(confirm) : m_journal->undo(confirm);
        m_ownWrite = false;
    } catch (const std::exception& error) {
        m_ownWrite = false;
        logLine(error.what());
        updateStatus();
        if (linkDrive() && linkDrive()->lastWrite().partlyWritten()) {
            offerWriteAgain(redo ? tr("The change made again") : tr("The undo"),
                            fromStd(error.what()));
            return false;
        }
        tell((redo ? tr("The change cannot be made again on the drive in %1.\n\n%2")
                   : tr("The change cannot be undone on the drive in %1.\n\n%2"))
                 .arg(location(), fromStd(error.what())));
    }
    if (done)
        reshow();
    updateStatus();
    return done;
}

bool HostWindow::reshow()
{
    if (!m_copy)
        return refresh();
    // The working copy is in the window: nothing to read from the drive.
    countPending();
    if (fw::isModalOpen()) {
        fw::whenNoModalIsOpen(this, [this] { reshow(); });
        return true;
    }
    return m_entry && m_entry->UpdateFlow();
}

bool HostWindow::undo()
{
    return undoOrRedo(false);
}

bool HostWindow::redo()
{
    return undoOrRedo(true);
}

bool HostWindow::exportProgram(const QString& path)
{
    if (!m_drive)
        return false;
    const QString conflict = outputConflict(path, drive(), linkDrive() ? m_linkProfile : QString());
    if (!conflict.isEmpty()) {
        tell(tr("The program is not written: %1.").arg(conflict));
        return false;
    }
    try {
        const QByteArray bytes = programfile::fileOf(m_workflow.exportProgram(*edited()));
        std::string error;
        if (!fw::writeFileAtomically(path.toLocal8Bit().toStdString(), bytes.toStdString(),
                                     error)) {
            tell(tr("The program cannot be written to %1.\n\n%2").arg(path, fromStd(error)));
            return false;
        }
    } catch (const std::exception& error) {
        tell(tr("The program cannot be read from the drive in %1.\n\n%2")
                 .arg(location(), fromStd(error.what())));
        return false;
    }
    statusBar()->showMessage(tr("Program exported to %1").arg(path));
    return true;
}

bool HostWindow::importProgram(const QString& path)
{
    if (!m_journal || !m_entry)
        return false;
    std::vector<NEBPT::ProgramChange> plan;
    try {
        SimulatedDrive program(path.toStdString(), SimulatedDrive::Access::Read);
        // Written through the journal; the drive tells which values it takes.
        plan = m_workflow
                   .planImport(program, *m_journal, NEBPT::Rounding::Refuse,
                               programfile::fitOf(*m_drive))
                   .changes;
    } catch (const std::exception& error) {
        tell(tr("The program in %1 is not imported; nothing was written.\n\n%2")
                 .arg(path, fromStd(error.what())));
        return false;
    }
    if (plan.empty()) {
        tell(tr("The drive in %1 holds the program in %2 already.").arg(location(), path),
             fw::MB_ICONINFORMATION);
        return true;
    }
    if (fw::messageBox(tr("Import the program in %1 into the drive in %2? %n element(s) change.",
                          nullptr, static_cast<int>(plan.size()))
                           .arg(path, location())
                           .toStdString(),
                       fw::MB_YESNO, kCaption) != fw::IDYES) {
        return false;
    }
    // One write, and one step to undo.
    m_journal->beginGroup();
    bool written = true;
    m_ownWrite = true;
    try {
        NEBPT::ProgramWorkflow::importProgram(*m_journal, plan);
    } catch (const std::exception& error) {
        written = false;
        m_ownWrite = false;
        logLine(error.what());
        updateStatus();
        // Over a link the drive may hold part of it: it is told, and written again on request.
        if (linkDrive() && linkDrive()->lastWrite().partlyWritten()) {
            m_journal->endGroup();
            return offerWriteAgain(tr("The program in %1").arg(path), fromStd(error.what()));
        }
        tell(tr("The program in %1 is not imported; the drive in %2 refused it.\n\n%3")
                 .arg(path, location(), fromStd(error.what())));
    }
    m_ownWrite = false;
    m_journal->endGroup();
    updateStatus();
    return written && reshow();
}

std::vector<std::string> HostWindow::checkProgram()
{
    std::vector<std::string> texts;
    std::vector<NEBPT::ProgramFinding> findings;
    std::string failure;
    if (!edited() || !NEBPT::checkProgram(*edited(), findings, failure)) {
        if (edited())
            tell(tr("The program cannot be checked.\n\n%1").arg(fromStd(failure)));
        return texts;
    }
    m_findingList->clear();
    if (findings.empty()) {
        auto* item = new QListWidgetItem(tr("Nothing in the program looks wrong."), m_findingList);
        item->setData(Qt::UserRole, -1);
    }
    for (const NEBPT::ProgramFinding& finding : findings) {
        texts.push_back(finding.text);
        auto* item = new QListWidgetItem(fromStd(finding.text), m_findingList);
        item->setData(Qt::UserRole, finding.pair);
        item->setToolTip(finding.pair >= 0 ? tr("Return or a double click selects the pair")
                                           : QString());
    }
    m_checkDock->show();
    m_checkDock->raise();
    m_findingList->setCurrentRow(0);
    m_findingList->setFocus(Qt::OtherFocusReason);
    statusBar()->showMessage(findings.empty() ? tr("Nothing in the program looks wrong")
                                              : tr("%n finding(s) in the program", nullptr,
                                                   static_cast<int>(findings.size())));
    return texts;
}

bool HostWindow::programSections(NEBPT::ProgramSections& sections)
{
    if (!m_drive || !m_entry)
        return false;
    std::string failure;
    if (!NEBPT::programSections(*edited(), m_drive->location(), sections, failure)) {
        tell(tr("The program cannot be printed.\n\n%1").arg(fromStd(failure)));
        return false;
    }
    return true;
}

bool HostWindow::printProgram(QPagedPaintDevice& device)
{
    NEBPT::ProgramSections sections;
    if (!programSections(sections))
        return false;
    if (!writeProgramDocument(device, sections, TitleBlock::fromVariant(m_printAction->data()),
                              QDateTime::currentDateTime())) {
        tell(tr("The program cannot be printed: the printer cannot be used."));
        return false;
    }
    return true;
}

bool HostWindow::printProgramToPdf(const QString& path)
{
    NEBPT::ProgramSections sections;
    QString error;
    if (!programSections(sections))
        return false;
    if (!writeProgramPdf(path, sections, TitleBlock::fromVariant(m_printAction->data()),
                         QDateTime::currentDateTime(), error)) {
        tell(tr("The program cannot be printed to %1.\n\n%2").arg(path, error));
        return false;
    }
    statusBar()->showMessage(tr("Program printed to %1").arg(path));
    return true;
}
