#include "FleetDialog.h"

#include "FleetRun.h"

#include "framework/AtomicFile.h"
#include "framework/MessageBox.h"
#include "framework/widgets/FileDialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <map>
#include <sstream>
#include <utility>

namespace {

enum Column
{
    kName,
    kAddress,
    kState,
    kProgress,
    kOutcome,
    kColumns
};

// The states and outcomes the run tells, as the window shows them.
const char* const kStateTexts[] = {
    QT_TRANSLATE_NOOP("FleetDialog", "waiting"),
    QT_TRANSLATE_NOOP("FleetDialog", "connecting"),
    QT_TRANSLATE_NOOP("FleetDialog", "reading"),
    QT_TRANSLATE_NOOP("FleetDialog", "checking"),
    QT_TRANSLATE_NOOP("FleetDialog", "writing"),
    QT_TRANSLATE_NOOP("FleetDialog", "written"),
    QT_TRANSLATE_NOOP("FleetDialog", "identical"),
    QT_TRANSLATE_NOOP("FleetDialog", "partly written"),
    QT_TRANSLATE_NOOP("FleetDialog", "refused"),
    QT_TRANSLATE_NOOP("FleetDialog", "failed"),
    QT_TRANSLATE_NOOP("FleetDialog", "cancelled"),
};

QString shown(const std::string& state)
{
    for (const char* text : kStateTexts)
        if (state == text)
            return FleetDialog::tr(text);
    return QString::fromStdString(state);
}

} // namespace

// Hands what the workers tell to the dialog's thread.
class FleetDialog::Observer : public fleet::FleetObserver
{
public:
    explicit Observer(FleetDialog& dialog) : m_dialog(dialog) {}

    void driveState(size_t drive, const std::string& state, int percent) override
    {
        QMetaObject::invokeMethod(
            &m_dialog,
            [dialog = &m_dialog, drive, state = QString::fromStdString(state), percent] {
                dialog->showState(static_cast<int>(drive), state, percent);
            },
            Qt::QueuedConnection);
    }

    void driveEnded(size_t drive, const std::string& outcome, const std::string& failure) override
    {
        QMetaObject::invokeMethod(
            &m_dialog,
            [dialog = &m_dialog, drive, outcome = QString::fromStdString(outcome),
             failure = QString::fromStdString(failure)] {
                dialog->showEnded(static_cast<int>(drive), outcome, failure);
            },
            Qt::QueuedConnection);
    }

private:
    FleetDialog& m_dialog;
};

FleetDialog::FleetDialog(const QString& fleetFile, std::vector<fleet::FleetDrive> drives,
                         QWidget* parent)
    : QDialog(parent), m_fleetFile(QFileInfo(fleetFile).absoluteFilePath()),
      m_drives(std::move(drives)), m_observer(std::make_unique<Observer>(*this))
{
    setObjectName(QStringLiteral("fleetDialog"));
    m_table = new QTableWidget(static_cast<int>(m_drives.size()), kColumns);
    m_table->setObjectName(QStringLiteral("fleetDrives"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const fleet::FleetDrive& drive = m_drives[static_cast<size_t>(row)];
        m_table->setItem(row, kName, new QTableWidgetItem(QString::fromStdString(drive.name)));
        m_table->setItem(row, kAddress,
                         new QTableWidgetItem(QString::fromStdString(drive.connect)));
        m_table->setItem(row, kState, new QTableWidgetItem);
        m_table->setItem(row, kOutcome, new QTableWidgetItem);
        auto* progress = new QProgressBar;
        progress->setRange(0, 100);
        progress->setValue(0);
        m_table->setCellWidget(row, kProgress, progress);
        showState(row, QStringLiteral("waiting"), 0);
    }

    m_programLabel = new QLabel;
    m_program = new QLineEdit;
    m_program->setObjectName(QStringLiteral("fleetProgram"));
    m_programLabel->setBuddy(m_program);
    m_browse = new QPushButton;
    m_browse->setObjectName(QStringLiteral("fleetBrowseProgram"));
    connect(m_browse, &QPushButton::clicked, this, &FleetDialog::chooseProgram);
    auto* program = new QHBoxLayout;
    program->addWidget(m_programLabel);
    program->addWidget(m_program, 1);
    program->addWidget(m_browse);

    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("fleetSummary"));
    m_summary->setWordWrap(true);

    m_start = new QPushButton;
    m_start->setObjectName(QStringLiteral("fleetStart"));
    m_start->setDefault(true);
    connect(m_start, &QPushButton::clicked, this, &FleetDialog::start);
    m_cancel = new QPushButton;
    m_cancel->setObjectName(QStringLiteral("fleetCancel"));
    connect(m_cancel, &QPushButton::clicked, this, &FleetDialog::cancel);
    m_save = new QPushButton;
    m_save->setObjectName(QStringLiteral("fleetSaveReport"));
    connect(m_save, &QPushButton::clicked, this, &FleetDialog::saveReport);
    m_close = new QPushButton;
    m_close->setObjectName(QStringLiteral("fleetClose"));
    connect(m_close, &QPushButton::clicked, this, &FleetDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(program);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);
    resize(720, 360);
    retranslate();
    updateButtons();
}

FleetDialog::~FleetDialog()
{
    // The drives end as a cancel lets them; what they tell after is dropped
    // with the dialog.
    if (m_running) {
        m_cancelled = true;
        m_running->wait();
        delete m_running;
    }
}

void FleetDialog::setProgram(const QString& path)
{
    m_program->setText(path);
}

bool FleetDialog::start()
{
    if (m_running)
        return false;
    const QString program = m_program->text().trimmed();
    if (program.isEmpty()) {
        fw::messageBox(tr("Choose the program file to write into the drives.").toStdString(),
                       fw::MB_OK | fw::MB_ICONWARNING, windowTitle().toStdString());
        return false;
    }
    m_cancelled = false;
    m_report.clear();
    m_outcomes.assign(m_drives.size(), std::string());
    for (int row = 0; row < m_table->rowCount(); ++row)
        showState(row, QStringLiteral("waiting"), 0);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        m_table->item(row, kOutcome)->setText(QString());
        m_table->item(row, kOutcome)->setToolTip(QString());
        m_table->item(row, kOutcome)->setData(Qt::UserRole, QVariant());
    }
    m_summary->clear();

    fleet::FleetRequest request;
    request.fleetFile = m_fleetFile.toLocal8Bit().toStdString();
    request.program = program.toLocal8Bit().toStdString();
    request.observer = m_observer.get();
    request.cancel = &m_cancelled;
    m_running = QThread::create([this, request]() mutable {
        std::string report;
        request.reportText = &report;
        std::ostringstream out, errors;
        fleet::runFleet(request, out, errors);
        QMetaObject::invokeMethod(
            this,
            [this, report = std::move(report), errors = QString::fromStdString(errors.str())] {
                m_report = report;
                ended(errors);
            },
            Qt::QueuedConnection);
    });
    m_running->start();
    updateButtons();
    return true;
}

void FleetDialog::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    m_summary->setText(tr("Cancelling: drives being written finish their import."));
    updateButtons();
}

bool FleetDialog::saveReport()
{
    if (m_running || m_report.empty())
        return false;
    const QString path = fw::chooseFileName(
        this, fw::FileChoice::Save, tr("Save fleet report"),
        QFileInfo(m_fleetFile).dir().filePath(QStringLiteral("fleet-report.json")),
        tr("Reports (*.json);;All files (*)"));
    if (path.isEmpty())
        return false;
    // Never over one of the run's inputs.
    std::vector<std::pair<std::string, std::string>> inputs{
        {"fleet file", m_fleetFile.toLocal8Bit().toStdString()},
        {"program file", m_program->text().trimmed().toLocal8Bit().toStdString()}};
    for (const fleet::FleetDrive& drive : m_drives)
        inputs.emplace_back("profile", drive.profile);
    const std::string target = path.toLocal8Bit().toStdString();
    std::string error = fw::outputConflict(target, inputs);
    if (error.empty() && fw::writeFileAtomically(target, m_report, error))
        return true;
    fw::messageBox(
        tr("The report was not saved: %1").arg(QString::fromStdString(error)).toStdString(),
        fw::MB_OK | fw::MB_ICONWARNING, windowTitle().toStdString());
    return false;
}

void FleetDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void FleetDialog::closeEvent(QCloseEvent* event)
{
    if (!m_running) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    if (fw::messageBox(tr("The fleet is still being written. Cancel it and close when the drives "
                          "have ended?")
                           .toStdString(),
                       fw::MB_YESNO | fw::MB_ICONQUESTION,
                       windowTitle().toStdString()) != fw::IDYES)
        return;
    m_closeWhenEnded = true;
    cancel();
}

void FleetDialog::chooseProgram()
{
    const QString start =
        m_program->text().isEmpty() ? QFileInfo(m_fleetFile).absolutePath() : m_program->text();
    const QString path =
        fw::chooseFileName(this, fw::FileChoice::Open, tr("Program to write into the drives"),
                           start, tr("Program files (*.nebpt.json *.json);;All files (*)"));
    if (!path.isEmpty())
        m_program->setText(path);
}

void FleetDialog::showState(int drive, const QString& state, int percent)
{
    if (drive < 0 || drive >= m_table->rowCount())
        return;
    m_table->item(drive, kState)->setData(Qt::UserRole, state);
    m_table->item(drive, kState)->setText(shown(state.toStdString()));
    static_cast<QProgressBar*>(m_table->cellWidget(drive, kProgress))->setValue(percent);
}

void FleetDialog::showEnded(int drive, const QString& outcome, const QString& failure)
{
    if (drive < 0 || drive >= m_table->rowCount())
        return;
    m_outcomes[static_cast<size_t>(drive)] = outcome.toStdString();
    QTableWidgetItem* item = m_table->item(drive, kOutcome);
    item->setData(Qt::UserRole, outcome);
    item->setText(failure.isEmpty()
                      ? shown(outcome.toStdString())
                      : QStringLiteral("%1: %2").arg(shown(outcome.toStdString()), failure));
    item->setToolTip(failure);
}

void FleetDialog::ended(const QString& errors)
{
    m_running->wait();
    delete m_running;
    m_running = nullptr;
    // How the drives ended, counted.
    std::map<std::string, int> counts;
    int endedDrives = 0;
    for (const std::string& outcome : m_outcomes)
        if (!outcome.empty()) {
            ++counts[outcome];
            ++endedDrives;
        }
    QStringList parts;
    for (const auto& [outcome, count] : counts)
        parts << QStringLiteral("%1 %2").arg(count).arg(shown(outcome));
    m_summary->setText(
        tr("%n drive(s) ended: %1", "", endedDrives).arg(parts.join(QStringLiteral(", "))));
    updateButtons();
    // The run did not begin: the program file cannot be read, or the fleet
    // file changed since it was opened.
    if (endedDrives < static_cast<int>(m_drives.size()))
        fw::messageBox(tr("The fleet was not run: %1").arg(errors.trimmed()).toStdString(),
                       fw::MB_OK | fw::MB_ICONWARNING, windowTitle().toStdString());
    emit finished();
    if (m_closeWhenEnded) {
        m_closeWhenEnded = false;
        close();
    }
}

void FleetDialog::updateButtons()
{
    m_start->setEnabled(!m_running);
    m_program->setEnabled(!m_running);
    m_browse->setEnabled(!m_running);
    m_cancel->setEnabled(m_running && !m_cancelled);
    m_save->setEnabled(!m_running && !m_report.empty());
}

void FleetDialog::retranslate()
{
    setWindowTitle(tr("Fleet: %1").arg(QFileInfo(m_fleetFile).fileName()));
    m_table->setHorizontalHeaderLabels(
        {tr("Drive"), tr("Address"), tr("State"), tr("Progress"), tr("Outcome")});
    m_table->setAccessibleName(tr("Drives of the fleet"));
    m_programLabel->setText(tr("&Program file:"));
    m_browse->setText(tr("&Browse..."));
    m_start->setText(tr("&Start"));
    m_cancel->setText(tr("&Cancel"));
    m_save->setText(tr("Save &report..."));
    m_close->setText(tr("C&lose"));
    m_summary->setAccessibleName(tr("How the drives ended"));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        m_table->item(row, kState)
            ->setText(
                shown(m_table->item(row, kState)->data(Qt::UserRole).toString().toStdString()));
        const std::string& outcome =
            m_outcomes.empty() ? std::string() : m_outcomes[static_cast<size_t>(row)];
        if (!outcome.empty())
            showEnded(row, QString::fromStdString(outcome),
                      m_table->item(row, kOutcome)->toolTip());
    }
}
