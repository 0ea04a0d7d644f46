#include "ProgramMonitor.h"

#include "ChoiceText.h"

#include "DriveDocument.h"
#include "MonitorChart.h"
#include "Recording.h"

#include "framework/MessageBox.h"
#include "framework/widgets/FileDialog.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTime>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <exception>
#include <set>

namespace {

// The item data that marks the active step.
constexpr int kActiveRole = Qt::UserRole + 1;
// The item data of an action performed: its step, and the serial of the program it is of.
constexpr int kStepRole = Qt::UserRole + 2;
constexpr int kSerialRole = Qt::UserRole + 3;
// An input over a link travels as a signed 16-bit whole number.
constexpr double kLinkInputMin = -32768, kLinkInputMax = 32767;

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// The choice values of a list, without their texts.
std::vector<std::string> choiceValues(const std::vector<std::string>& choices)
{
    std::vector<std::string> values;
    for (const std::string& choice : choices) {
        std::vector<std::string> pieces = NEBPT::choicePieces(choice, 1);
        values.push_back(pieces.empty() ? std::string() : std::move(pieces[0]));
    }
    return values;
}

// Whether two programs are the same; `butTexts`: but for their language and texts.
bool sameProgram(const NEBPT::ProgramData& a, const NEBPT::ProgramData& b, bool butTexts = false)
{
    if (a.driveType != b.driveType || a.databaseVersion != b.databaseVersion ||
        (!butTexts && a.language != b.language) || a.parameters.size() != b.parameters.size())
        return false;
    for (size_t i = 0; i < a.parameters.size(); ++i) {
        const NEBPT::ProgramParameter &p = a.parameters[i], &q = b.parameters[i];
        if (p.number != q.number || p.values != q.values || p.unit != q.unit ||
            p.decimals != q.decimals || p.maximum != q.maximum ||
            (butTexts ? choiceValues(p.choices) != choiceValues(q.choices)
                      : p.choices != q.choices))
            return false;
    }
    return true;
}

} // namespace

// --- the dock ---

ProgramMonitor::ProgramMonitor(DriveDocument& document, QWidget* parent)
    : QDockWidget(parent), m_document(&document)
{
    setObjectName(QStringLiteral("programMonitor"));
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    m_stateLabel = new QLabel;
    m_stateLabel->setObjectName(QStringLiteral("monitorState"));
    m_stateLabel->setWordWrap(true);
    QFont bold = m_stateLabel->font();
    bold.setBold(true);
    m_stateLabel->setFont(bold);
    m_noteLabel = new QLabel;
    m_noteLabel->setObjectName(QStringLiteral("monitorNote"));
    m_noteLabel->setWordWrap(true);
    m_noteLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const auto list = [](const char* name, int columns) {
        auto* tree = new QTreeWidget;
        tree->setObjectName(QLatin1String(name));
        tree->setColumnCount(columns);
        tree->setRootIsDecorated(false);
        tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        return tree;
    };
    m_steps = list("monitorSteps", 3);
    m_objects = list("monitorObjects", 2);
    m_outputs = list("monitorOutputs", 3);
    m_inputBox = new QGroupBox;
    m_inputBox->setObjectName(QStringLiteral("monitorInputs"));
    auto* inputLayout = new QVBoxLayout(m_inputBox);
    m_inputNote = new QLabel;
    m_inputNote->setWordWrap(true);
    inputLayout->addWidget(m_inputNote);
    m_inputForm = new QFormLayout;
    inputLayout->addLayout(m_inputForm);
    m_chart = new MonitorChart;
    m_chart->setTimeline(nullptr);
    m_recordButton = new QPushButton;
    m_recordButton->setObjectName(QStringLiteral("monitorRecord"));
    m_recordButton->setCheckable(true);
    m_recordNote = new QLabel;
    m_recordNote->setObjectName(QStringLiteral("monitorRecordNote"));
    m_recordNote->setWordWrap(true);
    auto* recordRow = new QHBoxLayout;
    recordRow->addWidget(m_recordButton);
    recordRow->addWidget(m_recordNote, 1);
    layout->addWidget(m_stateLabel);
    layout->addWidget(m_noteLabel);
    layout->addLayout(recordRow);
    layout->addWidget(m_steps, 2);
    layout->addWidget(m_objects, 1);
    layout->addWidget(m_outputs, 1);
    layout->addWidget(m_chart);
    layout->addWidget(m_inputBox);
    setWidget(content);

    // Only what the user does: the recording ending by itself unchecks it too.
    connect(m_recordButton, &QPushButton::clicked, this,
            [this](bool on) { on ? startRecording() : stopRecording(); });

    connect(&m_clock, &SimulationClock::tick, this, &ProgramMonitor::catchUp);
    connect(this, &QDockWidget::visibilityChanged, this, [this] { sync(); });
    // A program read anew or written, another drive, another state: shown
    // when the monitor is.
    connect(&document, &DriveDocument::programChanged, this, [this] {
        m_stale = true;
        sync();
    });
    connect(&document, &DriveDocument::opened, this, [this] {
        // A drive connected anew is shown afresh.
        stopLink();
        m_stale = true;
        sync();
    });
    connect(&document, &DriveDocument::stateChanged, this, &ProgramMonitor::sync);
    connect(&document, &DriveDocument::busy, this, &ProgramMonitor::sync);
    connect(&document, &DriveDocument::polled, this, &ProgramMonitor::showPolled);
    connect(&document, &DriveDocument::problem, this, [this](const DriveProblem& problem) {
        if (problem.kind == DriveProblem::Kind::LinkLost)
            linkLost(QString::fromStdString(problem.reason));
    });
    retranslate();
}

ProgramMonitor::~ProgramMonitor()
{
    // Whoever listens may be gone before the window's children.
    blockSignals(true);
    m_recording.reset();
    stopLink();
}

void ProgramMonitor::setSimulating(bool simulating)
{
    m_simulate = simulating;
    m_stale = true;
    sync();
}

void ProgramMonitor::sync()
{
    DriveDocument* document = m_document;
    if (!document)
        return;
    const bool shown = isVisible();
    if (m_simulate && document->canSimulate()) {
        // A simulation goes on while the monitor is hidden; a new program is
        // taken when it is shown.
        if (!shown || (!m_stale && m_mode == Mode::Simulation))
            return;
        m_stale = false;
        NEBPT::ProgramData program;
        QString failure;
        // Read from the image as it is now: the simulation writes nothing to it.
        if (document->program(program, failure))
            showSimulation(program);
        else
            showNothing(tr("The program cannot be read from the drive in %1.\n\n%2")
                            .arg(document->location(), failure));
        return;
    }
    if (document->watchesController()) {
        if (!shown) {
            pollWhileShown();
            return;
        }
        // What the drive keeps of its program is read anew only when it may have changed.
        if (m_stale || m_mode != Mode::Link) {
            m_stale = false;
            m_map = document->registerMap();
            NEBPT::ProgramData program;
            QString failure;
            const bool read = document->program(program, failure);
            showLink(read ? &program : nullptr, failure);
        }
        pollWhileShown();
        return;
    }
    showNothing(!document->isOpen()       ? tr("No drive is open.")
                : !document->entry()      ? tr("No program is shown.")
                : document->canSimulate() ? tr("Tools > Simulate runs the program here.")
                                          : QString());
}

void ProgramMonitor::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDockWidget::changeEvent(event);
}

void ProgramMonitor::retranslate()
{
    setWindowTitle(tr("Monitor"));
    m_steps->setHeaderLabels({tr("Step"), tr("Event"), tr("Action")});
    m_objects->setHeaderLabels({tr("Object"), tr("State")});
    // When an action was performed: a simulation knows the scan, a link shows
    // only when the monitor saw its step move on.
    m_outputs->setHeaderLabels(
        {m_mode == Mode::Link ? tr("Step change seen at") : tr("Simulated time (s)"), tr("Step"),
         tr("Action performed")});
    m_inputBox->setTitle(tr("Inputs"));
    m_stateLabel->setAccessibleName(tr("Controller state"));
    m_noteLabel->setAccessibleName(tr("Monitor message"));
    m_chart->setAccessibleName(tr("The last minute as a timing chart"));
    m_recordButton->setAccessibleName(tr("Record"));
    m_steps->setAccessibleName(tr("Steps"));
    m_objects->setAccessibleName(tr("Timers, comparators and logic rules"));
    m_outputs->setAccessibleName(tr("Actions performed"));
    m_inputBox->setAccessibleName(tr("Inputs"));
    showRecordState();
    // The rows carry texts of their own.
    makeRows();
}

void ProgramMonitor::showNothing(const QString& reason)
{
    if (m_mode == Mode::Nothing && reason == m_reason)
        return;
    stopLink();
    m_clock.stop();
    m_mode = Mode::Nothing;
    m_reason = reason;
    m_problem.clear();
    dropChart();
    m_runtime.reset();
    m_haveProgram = false;
    // A simulation started later starts from scratch.
    m_inputs.clear();
    m_inputValues.clear();
    m_status = {};
    clearOutputs();
    retranslate();
}

void ProgramMonitor::showSimulation(const NEBPT::ProgramData& program)
{
    if (m_mode == Mode::Simulation && m_haveProgram && sameProgram(program, m_program))
        return;
    stopLink();
    if (m_mode == Mode::Simulation && relabel(program))
        return;
    m_mode = Mode::Simulation;
    m_problem.clear();
    m_clock.stop();
    clearOutputs();
    if (buildRuntime(program)) {
        // The inputs the user set hold for the new program too.
        for (int index = 0; index < static_cast<int>(m_runtime->inputNames().size()); ++index) {
            const auto set = m_inputValues.find(m_runtime->inputKey(index));
            if (set != m_inputValues.end())
                m_runtime->setInput(index, set->second);
        }
        startChart();
        m_clock.start();
    }
    retranslate();
}

bool ProgramMonitor::buildRuntime(const NEBPT::ProgramData& program)
{
    m_program = program;
    m_haveProgram = true;
    ++m_programSerial;
    dropChart();
    m_runtime.reset();
    m_inputs.clear();
    try {
        m_runtime = std::make_unique<NEBPT::ProgramRuntime>(program);
    } catch (const std::exception& error) {
        m_problem = (m_mode == Mode::Simulation ? tr("The program cannot be simulated: %1.")
                                                : tr("The program cannot be shown: %1."))
                        .arg(fromStd(error.what()));
        return false;
    }
    // A comparator's operand is a number, every other input a condition.
    const std::set<int> numbers = timeline::numberInputs(*m_runtime);
    for (const int index : m_runtime->inputsRead()) {
        Input input;
        input.key = m_runtime->inputKey(index);
        input.name = m_runtime->inputNames().at(static_cast<size_t>(index));
        input.kind = numbers.count(index) ? InputKind::Number : InputKind::Condition;
        m_inputs.push_back(std::move(input));
    }
    return true;
}

bool ProgramMonitor::relabel(const NEBPT::ProgramData& program)
{
    if (!m_runtime || !m_haveProgram || !sameProgram(program, m_program, true) ||
        !m_runtime->relabel(program))
        return false;
    m_program = program;
    const std::vector<int> read = m_runtime->inputsRead();
    for (size_t i = 0; i < m_inputs.size() && i < read.size(); ++i)
        m_inputs[i].name = m_runtime->inputNames().at(static_cast<size_t>(read[i]));
    if (m_chartRecorder) {
        // The chart's lanes are the inputs read, in their order.
        timeline::Timeline& chart = m_chartRecorder->timeline();
        for (size_t i = 0; i < m_inputs.size() && i < chart.inputs.size(); ++i)
            chart.inputs[i].name = m_inputs[i].name;
        chart.pairs = timeline::pairNames(*m_runtime);
    }
    // The actions listed of this program in its new texts.
    for (int row = 0; row < m_outputs->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_outputs->topLevelItem(row);
        const int step = item->data(1, kStepRole).toInt();
        if (item->data(0, kSerialRole).toUInt() == m_programSerial && step < m_runtime->steps())
            item->setText(2, fromStd(m_runtime->actionText(step)));
    }
    makeRows();
    return true;
}

void ProgramMonitor::showLink(const NEBPT::ProgramData* program, const QString& failure)
{
    const bool sameDrive = m_mode == Mode::Link;
    if (sameDrive && program && m_haveProgram && sameProgram(*program, m_program))
        return;
    if (sameDrive && !program && !m_haveProgram && failure == m_problem)
        return;
    if (sameDrive && program && relabel(*program))
        return;
    m_clock.stop();
    if (!sameDrive)
        stopLink();
    m_mode = Mode::Link;
    m_problem.clear();
    if (m_recording)
        endRecording(tr("the drive's program changed while recording"));
    dropChart();
    m_runtime.reset();
    m_inputs.clear();
    m_haveProgram = false;
    m_layoutStale = false;
    if (!program)
        m_problem = tr("The program cannot be shown: %1.").arg(failure);
    else if (buildRuntime(*program))
        startChart();
    if (!sameDrive) {
        // A drive connected anew is shown from what it tells from now on.
        m_polled = false;
        m_inputsHeld = false;
        m_current = false;
        m_lost = false;
        m_pollNotes.clear();
        m_lastSeen = QTime();
        m_status = {};
        clearOutputs();
    }
    retranslate();
    pollWhileShown();
}

void ProgramMonitor::linkLost(const QString& reason)
{
    if (m_mode != Mode::Link)
        return;
    m_lost = true;
    m_current = false;
    m_lostReason = reason;
    if (m_recording)
        endRecording(tr("the link to the drive was lost: %1").arg(reason));
    showState(m_status);
}

void ProgramMonitor::stopLink()
{
    if (m_recording)
        endRecording(tr("the monitor no longer shows the drive"));
    if (m_polling && m_document)
        m_document->stopPolling();
    m_polling = false;
    m_lost = false;
    if (m_mode == Mode::Link) {
        m_mode = Mode::Nothing;
        m_reason.clear();
        tellFlowHidden();
    }
}

void ProgramMonitor::pollWhileShown()
{
    if (m_mode != Mode::Link || !m_map || m_map->statusAddress < 0 || !m_document)
        return;
    // A recording goes on while the monitor is hidden.
    const bool shown = isVisible() || m_recording;
    if (shown && !m_polling) {
        // The writes are counted from 0 again: the inputs follow the drive
        // again once the first poll has answered.
        m_writesQueued = 0;
        m_polling = true;
        m_document->startPolling(m_runtime ? static_cast<int>(m_inputs.size()) : -1);
    } else if (!shown && m_polling) {
        m_polling = false;
        m_document->stopPolling();
    }
}

void ProgramMonitor::makeRows()
{
    m_steps->clear();
    m_objects->clear();
    m_objectRows.clear();
    const bool link = m_mode == Mode::Link;
    if (m_runtime) {
        for (int step = 0; step < m_runtime->steps(); ++step) {
            auto* item = new QTreeWidgetItem(m_steps, {QString::number(step),
                                                       fromStd(m_runtime->eventText(step)),
                                                       fromStd(m_runtime->actionText(step))});
            item->setData(0, kActiveRole, false);
        }
        // Only the objects the program uses.
        const NEBPT::ProgramRuntime::ObjectsUsed used = m_runtime->objectsUsed();
        for (const std::size_t k : used.timers)
            m_objectRows.push_back({ObjectKind::Timer, k});
        for (const std::size_t k : used.comparators)
            m_objectRows.push_back({ObjectKind::Comparator, k});
        for (const std::size_t k : used.logicRules)
            m_objectRows.push_back({ObjectKind::LogicRule, k});
    } else if (link) {
        // Without the program, whatever the drive tells.
        for (std::size_t k = 0; k < m_status.timers.size(); ++k)
            m_objectRows.push_back({ObjectKind::Timer, k});
        for (std::size_t k = 0; k < m_status.comparators.size(); ++k)
            m_objectRows.push_back({ObjectKind::Comparator, k});
        for (std::size_t k = 0; k < m_status.logicRules.size(); ++k)
            m_objectRows.push_back({ObjectKind::LogicRule, k});
    }
    for (const ObjectRow& row : m_objectRows) {
        const QString name = row.kind == ObjectKind::Timer ? tr("Timer %1").arg(row.index)
                             : row.kind == ObjectKind::Comparator
                                 ? tr("Comparator %1").arg(row.index)
                                 : tr("Logic rule %1").arg(row.index);
        new QTreeWidgetItem(m_objects, {name});
    }

    const modbusmap::Map* map = link ? m_map : nullptr;
    // Over a link the inputs are set through the document's polls.
    makeInputs(!link || (map && map->inputAddress >= 0 && map->statusAddress >= 0), link);
    if (m_mode == Mode::Simulation)
        showRuntimeState();
    else if (link)
        showState(m_status);
    else {
        m_stateLabel->setText(tr("No controller shown"));
        m_noteLabel->setText(m_reason);
        tellFlowHidden();
    }
}

void ProgramMonitor::makeInputs(bool editable, bool integral)
{
    while (m_inputForm->rowCount() > 0)
        m_inputForm->removeRow(0);
    QString note;
    if (m_mode == Mode::Link && m_map && m_map->inputAddress < 0)
        note = tr("The drive takes no inputs from the host: they are set on the drive.");
    else if (m_runtime && m_inputs.empty())
        note = tr("The program reads no inputs.");
    m_inputNote->setText(note);
    m_inputNote->setVisible(!note.isEmpty());
    if (!editable) {
        for (Input& input : m_inputs)
            input.editor = nullptr;
        m_inputBox->setVisible(!note.isEmpty());
        return;
    }
    m_inputBox->setVisible(m_mode != Mode::Nothing);
    for (size_t i = 0; i < m_inputs.size(); ++i) {
        Input& input = m_inputs[i];
        const QString name = fromStd(input.name);
        const auto known = m_inputValues.find(input.key);
        const double value = known == m_inputValues.end() ? 0 : known->second;
        if (input.kind == InputKind::Condition) {
            auto* box = new QCheckBox(name);
            box->setChecked(value != 0);
            box->setAccessibleName(name);
            connect(box, &QCheckBox::toggled, this,
                    [this, i](bool on) { inputSet(i, on ? 1 : 0); });
            input.editor = box;
            m_inputForm->addRow(box);
        } else {
            auto* field = new QDoubleSpinBox;
            field->setDecimals(integral ? 0 : 3);
            field->setRange(integral ? kLinkInputMin : -1e9, integral ? kLinkInputMax : 1e9);
            field->setKeyboardTracking(false); // set once the number is typed whole
            field->setValue(value);
            field->setAccessibleName(name);
            connect(field, &QDoubleSpinBox::valueChanged, this,
                    [this, i](double number) { inputSet(i, number); });
            input.editor = field;
            auto* label = new QLabel(name);
            label->setBuddy(field);
            m_inputForm->addRow(label, field);
        }
        input.editor->setObjectName(QStringLiteral("monitorInput%1").arg(i));
    }
}

namespace {

// Shows `value` in an input's editor without telling anyone.
void showInput(QWidget* editor, double value)
{
    const QSignalBlocker quiet(editor);
    if (auto* box = qobject_cast<QCheckBox*>(editor))
        box->setChecked(value != 0);
    else if (auto* field = qobject_cast<QDoubleSpinBox*>(editor))
        field->setValue(value);
}

} // namespace

void ProgramMonitor::inputSet(size_t input, double value)
{
    if (input >= m_inputs.size())
        return;
    const std::string& key = m_inputs[input].key;
    if (m_mode == Mode::Simulation && m_runtime) {
        m_inputValues[key] = value;
        const int index = m_runtime->inputsRead().at(input);
        m_runtime->setInput(index, value);
        // It takes effect before the next scan.
        if (m_chartRecorder)
            m_chartRecorder->input(m_runtime->nextScanMs(), index, value);
        return;
    }
    if (m_mode == Mode::Link && m_polling && !m_lost && m_inputsHeld && m_document) {
        // Shown as set until the drive's inputs are read after the write; what
        // they were stays in m_inputValues, shown again should the write fail.
        const double whole = std::clamp(std::round(value), kLinkInputMin, kLinkInputMax);
        m_writesQueued = m_document->setInput(input, static_cast<std::int16_t>(whole));
        return;
    }
    // Nothing can take it: the editor shows what holds.
    const auto known = m_inputValues.find(key);
    if (m_inputs[input].editor)
        showInput(m_inputs[input].editor, known == m_inputValues.end() ? 0 : known->second);
}

void ProgramMonitor::catchUp()
{
    if (!m_runtime)
        return;
    std::vector<Performed> performed;
    SimulationClock::Scanned scanned;
    if (m_chartRecorder) {
        scanned = [this](const NEBPT::ProgramRuntime::Scan& scan) {
            m_chartRecorder->scanned(scan.timeMs, *m_runtime, scan);
        };
    }
    for (const SimulationClock::Stepped& stepped :
         m_clock.catchUp(*m_runtime, static_cast<std::size_t>(kMostOutputs), scanned))
        performed.push_back(
            {QString::number(double(stepped.timeMs) / 1000.0, 'f', 3), stepped.step});
    addOutputs(performed);
    showRuntimeState();
    updateChart();
}

void ProgramMonitor::addOutputs(const std::vector<Performed>& performed)
{
    if (performed.empty())
        return;
    const size_t first =
        performed.size() > size_t(kMostOutputs) ? performed.size() - size_t(kMostOutputs) : 0;
    for (size_t i = first; i < performed.size(); ++i) {
        const int step = performed[i].step;
        const bool known = m_runtime && step < m_runtime->steps();
        auto* item = new QTreeWidgetItem(
            {performed[i].time, QString::number(step),
             known ? fromStd(m_runtime->actionText(step)) : QStringLiteral("\u2014")});
        item->setData(0, kSerialRole, m_programSerial);
        item->setData(1, kStepRole, step);
        m_outputs->insertTopLevelItem(0, item);
    }
    while (m_outputs->topLevelItemCount() > kMostOutputs)
        delete m_outputs->takeTopLevelItem(m_outputs->topLevelItemCount() - 1);
}

void ProgramMonitor::clearOutputs()
{
    m_outputs->clear();
}

void ProgramMonitor::showRuntimeState()
{
    if (!m_runtime) {
        m_stateLabel->setText(tr("Not simulated"));
        m_noteLabel->setText(m_problem);
        tellFlowHidden();
        return;
    }
    showState(modbusmap::statusOf(*m_runtime));
    m_noteLabel->setText(m_runtime->modeOn()
                             ? tr("Simulated on the model of the controller; the drive is not "
                                  "written.")
                             : tr("The controller's mode is off: the program does not run."));
}

void ProgramMonitor::showPolled(const ControllerPoll& poll)
{
    if (m_mode != Mode::Link || !m_polling)
        return;
    const bool shapeChanged = !m_runtime && poll.failure.empty() &&
                              (poll.status.timers.size() != m_status.timers.size() ||
                               poll.status.comparators.size() != m_status.comparators.size() ||
                               poll.status.logicRules.size() != m_status.logicRules.size());
    if (m_recording)
        record(poll);
    m_current = poll.failure.empty();
    const long long atMs = m_chartTime.isValid() ? m_chartTime.elapsed() : 0;
    if (m_current) {
        if (m_polled)
            noteStepsPassed(m_status, poll.status, atMs);
        m_polled = true;
        m_lost = false;
        m_lastSeen = QTime::currentTime();
        m_status = poll.status;
    } else {
        m_lost = poll.linkLost;
        if (m_lost)
            m_lostReason = fromStd(poll.failure);
    }
    m_pollNotes.clear();
    if (!poll.failure.empty() && !poll.linkLost)
        m_pollNotes << tr("The controller's state cannot be read: %1.").arg(fromStd(poll.failure));
    if (!poll.inputFailure.empty() && !m_lost)
        m_pollNotes << tr("The inputs cannot be read or set: %1.").arg(fromStd(poll.inputFailure));
    // Inputs are set by their place in the block: only while it is the program's.
    if (poll.inputsRead && m_runtime)
        m_layoutStale = poll.inputLayout != modbusmap::inputLayoutOf(*m_runtime);
    if (m_layoutStale && !m_lost && poll.inputsRead && poll.inputLayout != m_rereadFor &&
        m_document && !m_document->isBusy()) {
        // The drive's program changed under the monitor: it is read again, once
        // for this layout, and the inputs are named from it before any is set.
        m_rereadFor = poll.inputLayout;
        QTimer::singleShot(0, m_document.data(), [document = m_document] {
            if (document && !document->isBusy())
                document->refresh();
        });
        m_pollNotes << tr("The drive's program has changed: reading it again to name its inputs.");
    } else if (m_layoutStale && !m_lost) {
        m_pollNotes << tr("The inputs cannot be set: the drive's input block holds other inputs "
                          "than the program shown reads. Read the drive again (File > Refresh).");
    }
    if (m_runtime && m_current &&
        (poll.status.timers.size() != m_runtime->timers() ||
         poll.status.comparators.size() != m_runtime->comparators() ||
         poll.status.logicRules.size() != m_runtime->logicRules()))
        m_pollNotes << tr("The drive tells another number of objects than the program has.");
    if (m_chartRecorder && m_current) {
        m_chartRecorder->polled(atMs, poll.status.running ? poll.status.activeStep : -1,
                                poll.status.timers);
        if (poll.inputsRead && !m_layoutStale) {
            const std::vector<int> read = m_runtime->inputsRead();
            for (size_t i = 0; i < read.size() && i < poll.inputs.size(); ++i)
                m_chartRecorder->input(atMs, read[i], poll.inputs[i]);
        }
        updateChart();
    }
    if (shapeChanged)
        makeRows();
    else
        showState(m_status);
    // What the drive's inputs hold, unless the user is changing one or a write is
    // still to go; when they cannot be read, what they last held, and no input is
    // set until they are read again.
    const bool held = poll.inputsRead && !m_layoutStale;
    if (held != m_inputsHeld) {
        m_inputsHeld = held;
        showState(m_status);
    }
    if (!held) {
        for (const Input& input : m_inputs) {
            const auto known = m_inputValues.find(input.key);
            if (input.editor)
                showInput(input.editor, known == m_inputValues.end() ? 0 : known->second);
        }
        return;
    }
    if (poll.writesDone < m_writesQueued)
        return;
    for (size_t i = 0; i < m_inputs.size() && i < poll.inputs.size(); ++i) {
        QWidget* editor = m_inputs[i].editor;
        if (!editor || editor->hasFocus())
            continue;
        m_inputValues[m_inputs[i].key] = poll.inputs[i];
        showInput(editor, poll.inputs[i]);
    }
}

void ProgramMonitor::noteStepsPassed(const modbusmap::ControllerStatus& before,
                                     const modbusmap::ControllerStatus& now, long long atMs)
{
    // A controller that starts does so at step 0.
    const int from = before.running ? before.activeStep : 0;
    const int to = now.activeStep;
    if (!now.running || from == to)
        return;
    const QString seen = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    std::vector<Performed> performed;
    const int steps = m_runtime ? m_runtime->steps() : 0;
    if (from < 0 || from >= steps || to >= steps) {
        // Without the program only the step seen to move on is known.
        performed.push_back({seen, from});
    } else {
        // Steps move on one at a time: each from `from` up to `to` did.
        for (int step = from; step != to; step = (step + 1) % steps) {
            performed.push_back({seen, step});
            if (m_chartRecorder)
                m_chartRecorder->action(atMs, m_runtime->actionText(step));
        }
    }
    addOutputs(performed);
}

bool ProgramMonitor::showLinkState()
{
    if (m_map && m_map->statusAddress < 0) {
        m_stateLabel->setText(tr("State unknown"));
        m_noteLabel->setText(tr("The drive tells no controller state: its profile has no "
                                "status block."));
        return false;
    }
    QStringList notes;
    if (!m_problem.isEmpty())
        notes << m_problem;
    notes << m_pollNotes;
    if (m_lost)
        m_stateLabel->setText(tr("Link lost: %1").arg(m_lostReason));
    else if (!m_polled)
        m_stateLabel->setText(tr("Waiting for the drive's state"));
    else if (!m_current)
        m_stateLabel->setText(tr("State unknown"));
    if (!m_current && m_polled)
        notes << tr("As last seen at %1; what the drive does now is unknown.")
                     .arg(m_lastSeen.toString(QStringLiteral("HH:mm:ss")));
    m_noteLabel->setText(notes.join(QLatin1Char('\n')));
    return m_current;
}

void ProgramMonitor::showState(const modbusmap::ControllerStatus& status)
{
    const bool link = m_mode == Mode::Link;
    const bool current = link ? showLinkState() : true;
    // What was last seen stays, greyed; inputs go nowhere over a lost link.
    for (QWidget* shown : {static_cast<QWidget*>(m_steps), static_cast<QWidget*>(m_objects),
                           static_cast<QWidget*>(m_outputs)})
        shown->setEnabled(current || !m_polled);
    m_inputBox->setEnabled(!link || (!m_lost && m_inputsHeld));
    showRecordState();
    if (current) {
        m_stateLabel->setText(status.running ? tr("Running: step %1").arg(status.activeStep)
                                             : tr("Stopped"));
    }
    if (link && !m_polled) {
        tellFlowHidden();
        return;
    }

    const int active = status.running ? status.activeStep : -1;
    for (int row = 0; row < m_steps->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_steps->topLevelItem(row);
        const bool marked = row == active;
        if (item->data(0, kActiveRole).toBool() == marked)
            continue;
        item->setData(0, kActiveRole, marked);
        item->setText(0, marked ? QStringLiteral("\u25B6 %1").arg(row) : QString::number(row));
        QFont font = item->font(0);
        font.setBold(marked);
        for (int column = 0; column < 3; ++column)
            item->setFont(column, font);
        item->setData(0, Qt::AccessibleTextRole,
                      marked ? tr("Step %1, active").arg(row) : tr("Step %1").arg(row));
    }
    if (active >= 0 && active < m_steps->topLevelItemCount())
        m_steps->scrollToItem(m_steps->topLevelItem(active));

    const auto stateOf = [this, &status](const ObjectRow& row) -> QString {
        const auto flag = [this](const std::vector<bool>& flags, std::size_t k) {
            return k >= flags.size() ? QStringLiteral("\u2014")
                   : flags[k]        ? tr("true")
                                     : tr("false");
        };
        if (row.kind == ObjectKind::Comparator)
            return flag(status.comparators, row.index);
        if (row.kind == ObjectKind::LogicRule)
            return flag(status.logicRules, row.index);
        if (row.index >= status.timers.size())
            return QStringLiteral("\u2014");
        const long long ms = status.timers[row.index];
        return ms > 0 ? tr("%1 s left").arg(QString::number(double(ms) / 1000.0, 'f', 1))
               : ms == modbusmap::kTimerRanOut ? tr("ran out")
                                               : tr("idle");
    };
    for (int row = 0; row < m_objects->topLevelItemCount() && row < int(m_objectRows.size());
         ++row) {
        QTreeWidgetItem* item = m_objects->topLevelItem(row);
        const QString text = stateOf(m_objectRows[size_t(row)]);
        if (item->text(1) != text)
            item->setText(1, text);
    }

    if (!current) {
        tellFlowHidden();
        return;
    }
    NEBPT::FlowLiveState flow;
    flow.shown = true;
    flow.running = status.running;
    flow.activePair = active;
    for (const long long ms : status.timers) {
        NEBPT::TimerLiveState timer;
        timer.state = ms > 0                          ? NEBPT::TimerLiveState::State::Running
                      : ms == modbusmap::kTimerRanOut ? NEBPT::TimerLiveState::State::RanOut
                                                      : NEBPT::TimerLiveState::State::Idle;
        timer.remainingMs = std::max(ms, 0LL);
        flow.timers.push_back(timer);
    }
    tellFlow(flow);
}

void ProgramMonitor::tellFlow(const NEBPT::FlowLiveState& state)
{
    // A timer's time left is told by the tenth of a second, as it is shown.
    const auto same = [](const NEBPT::TimerLiveState& a, const NEBPT::TimerLiveState& b) {
        return a.state == b.state && a.remainingMs / 100 == b.remainingMs / 100;
    };
    if (state.shown == m_flow.shown &&
        (!state.shown ||
         (state.running == m_flow.running && state.activePair == m_flow.activePair &&
          std::equal(state.timers.begin(), state.timers.end(), m_flow.timers.begin(),
                     m_flow.timers.end(), same))))
        return;
    m_flow = state;
    emit liveStateChanged(m_flow);
}

void ProgramMonitor::tellFlowHidden()
{
    tellFlow(NEBPT::FlowLiveState{});
}

// --- the strip chart ---

const timeline::Timeline* ProgramMonitor::chartTimeline() const
{
    return m_chartRecorder ? &m_chartRecorder->timeline() : nullptr;
}

void ProgramMonitor::startChart()
{
    dropChart();
    if (!m_runtime)
        return;
    m_chartRecorder = std::make_unique<timeline::Recorder>(*m_runtime, std::string());
    m_chartTime.start();
    m_chart->setTimeline(&m_chartRecorder->timeline());
}

void ProgramMonitor::dropChart()
{
    m_chart->setTimeline(nullptr);
    m_chartRecorder.reset();
}

void ProgramMonitor::updateChart()
{
    if (!m_chartRecorder)
        return;
    timeline::Timeline& chart = m_chartRecorder->timeline();
    chart.forget(chart.untilMs - MonitorChart::kSpanMs);
    m_chart->refresh();
}

// --- Record ---

void ProgramMonitor::showRecordState()
{
    const bool statusBlock = m_mode == Mode::Link && m_map && m_map->statusAddress >= 0;
    m_recordButton->setVisible(statusBlock);
    m_recordNote->setVisible(statusBlock);
    m_recordButton->setChecked(m_recording != nullptr);
    m_recordButton->setText(m_recording ? tr("Stop") : tr("Record..."));
    m_recordButton->setToolTip(
        m_recording ? tr("Stops recording and asks for the file to write the scenario to.")
                    : tr("Records what the drive does as a scenario that replays on the model."));
    m_recordButton->setEnabled(m_recording || (statusBlock && m_runtime && !m_lost));
}

void ProgramMonitor::startRecording()
{
    if (m_recording || m_mode != Mode::Link || !m_map || m_map->statusAddress < 0 || !m_runtime ||
        m_lost) {
        showRecordState();
        return;
    }
    // The input block holds the inputs the program reads, in their order.
    std::vector<std::string> inputs;
    if (m_map->inputAddress >= 0) {
        for (const Input& input : m_inputs)
            inputs.push_back(input.name);
    }
    m_recording =
        std::make_unique<scenario::RecordingWriter>(std::move(inputs), ControllerPoller::kInterval);
    m_recordNote->setText(tr("Recording: waiting for the drive's state"));
    showRecordState();
    pollWhileShown();
}

void ProgramMonitor::record(const ControllerPoll& poll)
{
    if (!poll.failure.empty()) {
        endRecording(fromStd(poll.failure));
        return;
    }
    const bool inputs = m_map->inputAddress >= 0 && !m_inputs.empty();
    if (inputs && !poll.inputsRead) {
        endRecording(poll.inputFailure.empty() ? tr("the controller's inputs cannot be read")
                                               : fromStd(poll.inputFailure));
        return;
    }
    if (inputs && (poll.inputLayout != modbusmap::inputLayoutOf(*m_runtime) ||
                   poll.inputs.size() != m_inputs.size())) {
        endRecording(tr("the drive's program changed while recording (its input block has "
                        "another layout)"));
        return;
    }
    const bool first = m_recording->polls() == 0;
    if (first)
        m_recordStart = poll.at;
    m_recording->polled(
        std::chrono::duration_cast<std::chrono::milliseconds>(poll.at - m_recordStart).count(),
        poll.status.running ? poll.status.activeStep : -1,
        inputs ? poll.inputs : std::vector<int>());
    m_recordNote->setText(
        tr("Recording: %1 s")
            .arg(QString::number(double(m_recording->untilMs()) / 1000.0, 'f', 1)));
}

void ProgramMonitor::stopRecording()
{
    const std::unique_ptr<scenario::RecordingWriter> recording = std::move(m_recording);
    showRecordState();
    pollWhileShown();
    if (!recording)
        return;
    if (recording->polls() == 0) {
        m_recordNote->setText(tr("No poll answered while recording; nothing was written."));
        return;
    }
    const QString path = fw::chooseFileName(
        this, fw::FileChoice::Save, tr("Save the recording as a scenario"),
        QStringLiteral("recording.json"), tr("Scenarios (*.json);;All files (*)"));
    if (path.isEmpty()) {
        m_recordNote->setText(tr("The recording was not saved."));
        return;
    }
    std::string failure;
    if (!recording->write(path.toLocal8Bit().toStdString(), failure)) {
        m_recordNote->setText(tr("The recording was not saved."));
        fw::messageBox(tr("The recording was not saved: %1").arg(fromStd(failure)).toStdString(),
                       fw::MB_OK | fw::MB_ICONWARNING, windowTitle().toStdString());
        return;
    }
    m_recordNote->setText(
        tr("Recorded %1 s into %2")
            .arg(QString::number(double(recording->untilMs()) / 1000.0, 'f', 1), path));
}

void ProgramMonitor::endRecording(const QString& reason)
{
    m_recording.reset();
    const QString told = tr("The recording ended: %1; nothing was written.").arg(reason);
    m_recordNote->setText(told);
    showRecordState();
    pollWhileShown();
    // Told once what ends it is done with (a poll, a lost link, another drive).
    QMetaObject::invokeMethod(
        this,
        [this, told] {
            fw::messageBox(told.toStdString(), fw::MB_OK | fw::MB_ICONWARNING,
                           windowTitle().toStdString());
        },
        Qt::QueuedConnection);
}

int ProgramMonitor::markedStep() const
{
    for (int row = 0; row < m_steps->topLevelItemCount(); ++row)
        if (m_steps->topLevelItem(row)->data(0, kActiveRole).toBool())
            return row;
    return -1;
}

QString ProgramMonitor::stateText() const
{
    return m_stateLabel->text();
}

QString ProgramMonitor::noteText() const
{
    return m_noteLabel->text();
}
