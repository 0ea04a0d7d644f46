#include "HostWindow.h"

#include "SimulatedDrive.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "NEBPTMain.h"
#include "framework/MessageBox.h"
#include "framework/SystemPaths.h"

#include <QAction>
#include <QActionGroup>
#include <QChildEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr const char* kCaption = "nebpt-host";
constexpr int kViewMargin = 20;

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
        setMinimumSize(children.x() + children.width() + kViewMargin,
                       children.y() + children.height() + kViewMargin);
    }
};

void tell(const QString& text)
{
    fw::messageBox(text.toStdString(), fw::MB_OK, kCaption);
}

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// Whether both paths name one file (symbolic and hard links included).
bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code unknown;
    return std::filesystem::equivalent(a, b, unknown);
}

} // namespace

HostWindow::HostWindow(const QString& language, QWidget* parent)
    : QMainWindow(parent), m_language(language)
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
    for (QLabel* label : {m_driveLabel, m_databaseLabel, m_fileLabel, m_accessLabel})
        label->setContentsMargins(6, 0, 6, 0);
    statusBar()->addWidget(m_driveLabel);
    statusBar()->addWidget(m_databaseLabel);
    statusBar()->addWidget(m_fileLabel, 1);
    statusBar()->addPermanentWidget(m_accessLabel);

    createActions();
    updateStatus();
    resize(760, 720);
}

HostWindow::~HostWindow()
{
    // The editor's windows live in the form view: the entry object goes first.
    closeEditor();
}

void HostWindow::createActions()
{
    QMenu* fileMenu = menuBar()->addMenu(tr("&File"));
    QAction* open = fileMenu->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton),
                                        tr("&Open drive image..."), this, &HostWindow::chooseImage);
    open->setShortcut(QKeySequence::Open);
    m_refreshAction = fileMenu->addAction(style()->standardIcon(QStyle::SP_BrowserReload),
                                          tr("&Refresh"), this, [this] { refresh(); });
    m_refreshAction->setShortcut(QKeySequence::Refresh);
    fileMenu->addSeparator();
    QAction* quit = fileMenu->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* languageMenu = menuBar()->addMenu(tr("&Language"));
    auto* languages = new QActionGroup(this);
    m_englishAction = languageMenu->addAction(QStringLiteral("English"), this,
                                              [this] { setLanguage(QStringLiteral("english")); });
    m_germanAction = languageMenu->addAction(QStringLiteral("Deutsch"), this,
                                             [this] { setLanguage(QStringLiteral("german")); });
    for (QAction* action : {m_englishAction, m_germanAction}) {
        action->setCheckable(true);
        languages->addAction(action);
    }

    QToolBar* tools = addToolBar(tr("Drive"));
    tools->setObjectName(QStringLiteral("driveToolBar"));
    tools->addAction(open);
    tools->addAction(m_refreshAction);
}

QString HostWindow::imagePath() const
{
    return m_drive ? fromStd(m_drive->imagePath()) : QString();
}

void HostWindow::chooseImage()
{
    // Beside the open image, else among the sample images beside the host.
    const QString folder = m_drive ? QFileInfo(imagePath()).absolutePath()
                                   : fromStd(fw::executableDirectory()) + QStringLiteral("data");
    const QString path = QFileDialog::getOpenFileName(this, tr("Open drive image"), folder,
                                                      tr("Drive images (*.json);;All files (*)"));
    if (!path.isEmpty())
        openImage(path);
}

bool HostWindow::openImage(const QString& path)
{
    const QString absolutePath = QFileInfo(path).absoluteFilePath();
    // The reason the image open here is read-only, to tell it only when it is news.
    std::string readOnlyBefore;
    if (m_drive && sameFile(m_drive->imagePath(), absolutePath.toStdString())) {
        readOnlyBefore = m_drive->readOnlyReason();
        // Read anew: the drive that has it open lets go of it first, or the new
        // one would find it open in another host.
        closeEditor();
        m_drive.reset();
        updateStatus();
    }
    std::unique_ptr<SimulatedDrive> drive;
    std::string type, aoc, database;
    try {
        drive = std::make_unique<SimulatedDrive>(absolutePath.toStdString());
        drive->GetDriveIdentity(type, aoc, database);
    } catch (const DriveImageError& error) {
        // The reason names the file already.
        tell(tr("The drive image cannot be opened.\n\n%1").arg(fromStd(error.what())));
        return false;
    } catch (const std::exception& error) {
        tell(tr("The drive image cannot be opened.\n\n%1: %2").arg(path, fromStd(error.what())));
        return false;
    }

    if (!CNEBPTMain::isDriveSupported(type, aoc, database)) {
        tell(tr("The program editor does not support the drive in %1.\n\n"
                "Drive type \"%2\" with parameter database %3 is not listed in drives_conf.neb.")
                 .arg(path, fromStd(type), fromStd(database)));
        return false;
    }

    closeEditor();
    m_drive = std::move(drive);
    m_drive->setLanguage(m_language.toStdString());
    // The plug-in tells nobody when the drive refuses a change; the host does, once
    // the command that made the change has returned.
    m_drive->setWriteRefusalObserver([this, drive = m_drive.get()](const std::string& reason) {
        QTimer::singleShot(0, this, [this, drive, reason] {
            if (m_drive.get() == drive)
                reportRefusedChange(fromStd(reason));
        });
    });
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

void HostWindow::reportRefusedChange(const QString& reason)
{
    statusBar()->showMessage(tr("Not saved: the drive refused %1").arg(reason));
    // A read-only image was told when it was opened; anything else is news.
    if (!m_drive->readOnly())
        tell(tr("The change was not saved to %1.\n\nThe drive refused %2.")
                 .arg(imagePath(), reason));
}

bool HostWindow::openEditor()
{
    const std::string refusalBefore = m_drive->lastRefusal();
    const QString file = imagePath();
    auto problem = [&] {
        QString text;
        if (m_drive->lastRefusal() != refusalBefore && !m_drive->lastRefusal().empty())
            text = tr("The drive refused %1.\n").arg(fromStd(m_drive->lastRefusal()));
        return text +
               tr("Details are in the log file %1.").arg(fromStd(CCustomException::makeLogPath()));
    };

    try {
        m_entry = std::make_unique<CNEBPTMain>(*m_formView, m_drive.get());
    } catch (const CCustomException&) {
        tell(
            tr("The program editor cannot connect to the drive in %1.\n\n%2").arg(file, problem()));
        return false;
    } catch (const std::exception& error) {
        tell(tr("The program editor cannot connect to the drive in %1.\n\n%2")
                 .arg(file, fromStd(error.what())));
        return false;
    }

    RECT flow{0, 0, 0, 0};
    const bool opened = m_entry->Open();
    if (opened)
        m_entry->GetNEBPTRect(&flow);
    if (!opened || flow.right == flow.left) {
        // Without a flow there is nothing to edit; a refresh tries again from the start.
        closeEditor();
        tell(tr("The program cannot be read from the drive in %1.\n\n%2").arg(file, problem()));
        return false;
    }
    return true;
}

void HostWindow::closeEditor()
{
    m_entry.reset();
}

bool HostWindow::refresh()
{
    if (!m_drive)
        return false;
    // A read-only image may have been changed by the host that has it open, or be
    // free by now: it is read anew from the file.
    if (m_drive->readOnly())
        return openImage(imagePath());
    if (!m_entry)
        return openEditor();
    const std::string refusalBefore = m_drive->lastRefusal();
    if (m_entry->UpdateFlow())
        return true;
    QString reason;
    if (m_drive->lastRefusal() != refusalBefore && !m_drive->lastRefusal().empty())
        reason = tr("The drive refused %1.\n").arg(fromStd(m_drive->lastRefusal()));
    tell(tr("The program cannot be read again from the drive in %1.\n\n%2"
            "Details are in the log file %3.")
             .arg(imagePath(), reason, fromStd(CCustomException::makeLogPath())));
    return false;
}

void HostWindow::setLanguage(const QString& language)
{
    const bool changed = language != m_language;
    m_language = language;
    updateStatus();
    if (!changed || !m_drive)
        return;
    // The editor takes its language when it is made: make it anew.
    closeEditor();
    m_drive->setLanguage(m_language.toStdString());
    openEditor();
}

void HostWindow::updateStatus()
{
    m_englishAction->setChecked(m_language == QLatin1String("english"));
    m_germanAction->setChecked(m_language == QLatin1String("german"));
    m_refreshAction->setEnabled(m_drive != nullptr);
    const bool readOnly = m_drive && m_drive->readOnly();
    m_accessLabel->setText(readOnly ? tr("read-only") : QString());
    m_accessLabel->setToolTip(readOnly ? fromStd(m_drive->readOnlyReason()) : QString());
    m_accessLabel->setVisible(readOnly);
    if (!m_drive) {
        m_driveLabel->setText(tr("No drive"));
        m_databaseLabel->clear();
        m_fileLabel->setText(tr("Open a drive image with File > Open drive image"));
        setWindowTitle(QStringLiteral("nebpt-host"));
        return;
    }
    m_driveLabel->setText(tr("Drive %1").arg(fromStd(m_drive->driveType())));
    m_databaseLabel->setText(tr("Database %1").arg(fromStd(m_drive->databaseVersion())));
    m_fileLabel->setText(imagePath());
    const QString file = QFileInfo(imagePath()).fileName();
    setWindowTitle(readOnly ? tr("%1 (read-only) - nebpt-host").arg(file)
                            : QStringLiteral("%1 - nebpt-host").arg(file));
}
