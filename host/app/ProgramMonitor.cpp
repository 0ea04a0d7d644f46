#include "ProgramMonitor.h"

#include "ModbusDrive.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <set>
#include <thread>

namespace {

// Between two looks at the clock while simulating.
constexpr int kTickMs = 20;
// The most scans one tick runs: a window held up for longer goes on from where
// it is rather than rushing through the time it lost.
constexpr long long kMostScansATick = 5000;
// The item data that marks the active step.
constexpr int kActiveRole = Qt::UserRole + 1;
// An input over a link travels as a signed 16-bit whole number.
constexpr double kLinkInputMin = -32768, kLinkInputMax = 32767;

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// The choice texts of a parameter's list ("<value>:<text>").
std::set<std::string> choiceTexts(const NEBPT::ProgramParameter& parameter)
{
    std::set<std::string> texts;
    for (const std::string& choice : parameter.choices) {
        const size_t colon = choice.find(':');
        texts.insert(colon == std::string::npos ? choice : choice.substr(colon + 1));
    }
    return texts;
}

bool sameProgram(const NEBPT::ProgramData& a, const NEBPT::ProgramData& b)
{
    if (a.driveType != b.driveType || a.databaseVersion != b.databaseVersion ||
        a.language != b.language || a.parameters.size() != b.parameters.size())
        return false;
    for (size_t i = 0; i < a.parameters.size(); ++i) {
        const NEBPT::ProgramParameter &p = a.parameters[i], &q = b.parameters[i];
        if (p.number != q.number || p.values != q.values || p.choices != q.choices ||
            p.unit != q.unit || p.decimals != q.decimals || p.maximum != q.maximum)
            return false;
    }
    return true;
}

} // namespace

// --- polling a drive over its link ---

// What one poll found.
struct ProgramMonitor::Poll
{
    std::string failure; // empty: the status was read
    modbusmap::ControllerStatus status;
    bool inputsRead = false;
    std::vector<int> inputs; // the input block's values
    std::string inputFailure;
    unsigned writesDone = 0; // the input writes carried out before the poll
};

// A worker thread that polls the drive's status block (and input block) and
// carries out the input writes queued for it before its next poll.
class ProgramMonitor::Poller
{
public:
    Poller(ModbusDrive& drive, int expectedInputs, std::function<void(Poll)> deliver)
        : m_drive(drive), m_map(drive.registerMap()), m_inputCount(expectedInputs),
          m_deliver(std::move(deliver))
    {
        m_thread = std::thread([this] { run(); });
    }
    ~Poller()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    void setPaused(bool paused)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_paused = paused;
        }
        m_wake.notify_all();
    }
    // Queues the write of the input block's value `offset`; the number of the write.
    unsigned write(size_t offset, std::int16_t value)
    {
        unsigned number = 0;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_writes[offset] = value; // a later value of the same input wins
            number = ++m_writesQueued;
        }
        m_wake.notify_all();
        return number;
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            if (m_paused && m_writes.empty()) {
                m_wake.wait(lock, [this] { return m_stop || !m_paused || !m_writes.empty(); });
                continue;
            }
            const std::map<size_t, std::int16_t> writes = std::move(m_writes);
            m_writes.clear();
            const unsigned queued = m_writesQueued;
            lock.unlock();
            Poll poll = once(writes);
            poll.writesDone = queued;
            m_deliver(std::move(poll));
            lock.lock();
            m_wake.wait_for(lock, kPollInterval, [this] { return m_stop || !m_writes.empty(); });
        }
    }

    bool stopped()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_stop;
    }

    bool read(int address, int count, std::vector<std::uint16_t>& into, const char* doing,
              std::string& failure)
    {
        into.assign(static_cast<size_t>(count), 0);
        return m_drive.readSharedRegisters(address, count, into.data(), doing, failure,
                                           [this] { return stopped(); });
    }

    Poll once(const std::map<size_t, std::int16_t>& writes)
    {
        Poll poll;
        for (const auto& [offset, value] : writes) {
            std::string failure;
            if (!m_drive.writeSharedRegisters(
                    m_map.inputAddress + modbusmap::kInputHeaderRegisters + int(offset),
                    {static_cast<std::uint16_t>(value)}, "setting an input of the controller",
                    failure, [this] { return stopped(); }))
                poll.inputFailure = failure;
        }
        // The whole block in one request once its counts are known; the header
        // first (and the block again) when they are not, or changed.
        std::vector<std::uint16_t> registers;
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!read(m_map.statusAddress, m_statusCount, registers,
                      "reading the controller's state", poll.failure))
                return poll;
            const int needed =
                std::min(modbusmap::statusRegisters(registers[2], registers[3], registers[4]),
                         modbusmap::kStatusBlockRegisters);
            if (needed <= m_statusCount)
                break;
            m_statusCount = needed;
        }
        std::string reason;
        if (!modbusmap::decodeStatus(registers.data(), static_cast<int>(registers.size()),
                                     m_map.wordOrder, poll.status, reason))
            poll.failure = "the drive's controller state makes no sense: " + reason;
        if (m_map.inputAddress < 0)
            return poll;
        for (int attempt = 0; attempt < 2; ++attempt) {
            const int count = modbusmap::kInputHeaderRegisters + std::max(m_inputCount, 0);
            if (!read(m_map.inputAddress, count, registers, "reading the controller's inputs",
                      poll.inputFailure))
                return poll;
            const int told = std::clamp(static_cast<int>(static_cast<std::int16_t>(registers[0])),
                                        0, modbusmap::kInputBlockRegisters - 1);
            if (told == m_inputCount || attempt == 1) {
                poll.inputsRead = true;
                for (int i = 0; i < std::min(told, count - 1); ++i)
                    poll.inputs.push_back(static_cast<std::int16_t>(registers[size_t(i) + 1]));
                break;
            }
            m_inputCount = told;
        }
        return poll;
    }

    ModbusDrive& m_drive;
    const modbusmap::Map& m_map;
    int m_statusCount = modbusmap::kStatusHeaderRegisters;
    int m_inputCount;
    std::function<void(Poll)> m_deliver;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false, m_paused = false;
    std::map<size_t, std::int16_t> m_writes;
    unsigned m_writesQueued = 0;
    std::thread m_thread;
};

// --- the dock ---

ProgramMonitor::ProgramMonitor(QWidget* parent) : QDockWidget(parent)
{
    setObjectName(QStringLiteral("programMonitor"));
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    m_stateLabel = new QLabel;
    m_stateLabel->setObjectName(QStringLiteral("monitorState"));
    QFont bold = m_stateLabel->font();
    bold.setBold(true);
    m_stateLabel->setFont(bold);
    m_noteLabel = new QLabel;
    m_noteLabel->setObjectName(QStringLiteral("monitorNote"));
    m_noteLabel->setWordWrap(true);
    m_noteLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_steps = new QTreeWidget;
    m_steps->setObjectName(QStringLiteral("monitorSteps"));
    m_steps->setColumnCount(3);
    m_steps->setRootIsDecorated(false);
    m_steps->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_objects = new QTreeWidget;
    m_objects->setObjectName(QStringLiteral("monitorObjects"));
    m_objects->setColumnCount(2);
    m_objects->setRootIsDecorated(false);
    m_objects->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_inputBox = new QGroupBox;
    m_inputBox->setObjectName(QStringLiteral("monitorInputs"));
    auto* inputLayout = new QVBoxLayout(m_inputBox);
    m_inputNote = new QLabel;
    m_inputNote->setWordWrap(true);
    inputLayout->addWidget(m_inputNote);
    m_inputForm = new QFormLayout;
    inputLayout->addLayout(m_inputForm);
    layout->addWidget(m_stateLabel);
    layout->addWidget(m_noteLabel);
    layout->addWidget(m_steps, 2);
    layout->addWidget(m_objects, 1);
    layout->addWidget(m_inputBox);
    setWidget(content);

    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &ProgramMonitor::catchUp);
    // Over a link the drive is asked only while the monitor is seen.
    connect(this, &QDockWidget::visibilityChanged, this, [this] { pollWhileShown(); });
    retranslate();
}

ProgramMonitor::~ProgramMonitor()
{
    stopLink();
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
    m_inputBox->setTitle(tr("Inputs"));
    m_stateLabel->setAccessibleName(tr("Controller state"));
    m_noteLabel->setAccessibleName(tr("Monitor message"));
    m_steps->setAccessibleName(tr("Steps"));
    m_objects->setAccessibleName(tr("Timers, comparators and logic rules"));
    m_inputBox->setAccessibleName(tr("Inputs"));
    // The rows carry texts of their own.
    makeRows();
}

void ProgramMonitor::showNothing(const QString& reason)
{
    if (m_mode == Mode::Nothing && reason == m_reason)
        return;
    stopLink();
    m_tick.stop();
    m_mode = Mode::Nothing;
    m_reason = reason;
    m_problem.clear();
    m_runtime.reset();
    m_haveProgram = false;
    // A simulation started later starts from scratch.
    m_inputs.clear();
    m_inputValues.clear();
    m_status = {};
    makeRows();
}

void ProgramMonitor::showSimulation(const NEBPT::ProgramData& program)
{
    if (m_mode == Mode::Simulation && m_haveProgram && sameProgram(program, m_program))
        return;
    stopLink();
    m_mode = Mode::Simulation;
    m_problem.clear();
    m_tick.stop();
    if (buildRuntime(program)) {
        // The inputs the user set hold for the new program too.
        for (const auto& [name, value] : m_inputValues)
            m_runtime->setInput(name, value);
        m_clock.start();
        m_lagMs = 0;
        m_tick.start();
    }
    makeRows();
    showRuntimeState();
}

bool ProgramMonitor::buildRuntime(const NEBPT::ProgramData& program)
{
    m_program = program;
    m_haveProgram = true;
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
    // The comparators' operands are numbers, every other input a condition. The
    // program's parameters come in the configuration's order: the mode, the
    // events, the actions, the timers, then the comparators' operands.
    std::set<std::string> numbers, conditions;
    if (program.parameters.size() > 4) {
        numbers = choiceTexts(program.parameters[4]);
        conditions = choiceTexts(program.parameters[1]);
    }
    for (const int index : m_runtime->inputsRead()) {
        Input input;
        input.name = m_runtime->inputNames().at(static_cast<size_t>(index));
        input.kind = numbers.count(input.name) && !conditions.count(input.name)
                         ? InputKind::Number
                         : InputKind::Condition;
        m_inputs.push_back(std::move(input));
    }
    return true;
}

void ProgramMonitor::showLink(ModbusDrive& drive, const NEBPT::ProgramData* program,
                              const QString& failure)
{
    const bool sameDrive = m_mode == Mode::Link && m_link == &drive;
    if (sameDrive && program && m_haveProgram && sameProgram(*program, m_program))
        return;
    if (sameDrive && !program && !m_haveProgram && failure == m_problem)
        return;
    m_tick.stop();
    if (!sameDrive)
        stopLink();
    m_mode = Mode::Link;
    m_link = &drive;
    m_problem.clear();
    m_runtime.reset();
    m_inputs.clear();
    m_haveProgram = false;
    if (!program)
        m_problem = tr("The program cannot be shown: %1.").arg(failure);
    else
        buildRuntime(*program);
    makeRows();
    if (!sameDrive) {
        m_polled = false;
        m_status = {};
    }
    showState(m_status);
    pollWhileShown();
}

void ProgramMonitor::stopLink()
{
    m_poller.reset();
    ++m_generation;
    m_link = nullptr;
    if (m_mode == Mode::Link) {
        m_mode = Mode::Nothing;
        m_reason.clear();
    }
}

void ProgramMonitor::pollWhileShown()
{
    if (m_mode != Mode::Link || !m_link || m_link->registerMap().statusAddress < 0)
        return;
    const bool shown = isVisible();
    if (!m_poller && shown) {
        const unsigned generation = m_generation;
        m_poller =
            std::make_unique<Poller>(*m_link, m_runtime ? static_cast<int>(m_inputs.size()) : -1,
                                     [this, generation](Poll poll) {
                                         // Off the window's thread: the monitor takes it on its
                                         // own.
                                         QMetaObject::invokeMethod(
                                             this,
                                             [this, generation, poll = std::move(poll)] {
                                                 if (generation == m_generation)
                                                     showPolled(poll);
                                             },
                                             Qt::QueuedConnection);
                                     });
    }
    if (m_poller)
        m_poller->setPaused(!shown);
}

void ProgramMonitor::makeRows()
{
    m_steps->clear();
    m_objects->clear();
    const bool link = m_mode == Mode::Link;
    if (m_runtime) {
        for (int step = 0; step < m_runtime->steps(); ++step) {
            auto* item = new QTreeWidgetItem(m_steps, {QString::number(step),
                                                       fromStd(m_runtime->eventText(step)),
                                                       fromStd(m_runtime->actionText(step))});
            item->setData(0, kActiveRole, false);
        }
    }
    size_t timers = 0, comparators = 0, rules = 0;
    if (m_runtime) {
        timers = m_runtime->timers();
        comparators = m_runtime->comparators();
        rules = m_runtime->logicRules();
    } else if (link) {
        timers = m_status.timerRemainingMs.size();
        comparators = m_status.comparators.size();
        rules = m_status.logicRules.size();
    }
    for (size_t k = 0; k < timers; ++k)
        new QTreeWidgetItem(m_objects, {tr("Timer %1").arg(k)});
    for (size_t k = 0; k < comparators; ++k)
        new QTreeWidgetItem(m_objects, {tr("Comparator %1").arg(k)});
    for (size_t k = 0; k < rules; ++k)
        new QTreeWidgetItem(m_objects, {tr("Logic rule %1").arg(k)});

    const modbusmap::Map* map = link && m_link ? &m_link->registerMap() : nullptr;
    // Over a link the inputs are set through the poller.
    makeInputs(!link || (map && map->inputAddress >= 0 && map->statusAddress >= 0), link);
    if (m_mode == Mode::Simulation)
        showRuntimeState();
    else if (link)
        showState(m_status);
    else {
        m_stateLabel->setText(tr("No controller shown"));
        m_noteLabel->setText(m_reason);
    }
}

void ProgramMonitor::makeInputs(bool editable, bool integral)
{
    while (m_inputForm->rowCount() > 0)
        m_inputForm->removeRow(0);
    QString note;
    if (m_mode == Mode::Link && m_link && m_link->registerMap().inputAddress < 0)
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
        const auto known = m_inputValues.find(input.name);
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

void ProgramMonitor::inputSet(size_t input, double value)
{
    if (input >= m_inputs.size())
        return;
    const std::string& name = m_inputs[input].name;
    if (m_mode == Mode::Simulation && m_runtime) {
        m_inputValues[name] = value;
        m_runtime->setInput(name, value);
        return;
    }
    if (m_mode == Mode::Link && m_poller) {
        const double whole = std::clamp(std::round(value), kLinkInputMin, kLinkInputMax);
        m_inputValues[name] = whole;
        m_writesQueued = m_poller->write(input, static_cast<std::int16_t>(whole));
    }
}

void ProgramMonitor::catchUp()
{
    if (!m_runtime)
        return;
    const long long now = m_clock.elapsed() - m_lagMs;
    long long scans = 0;
    while (m_runtime->nextScanMs() <= now && scans++ < kMostScansATick)
        m_runtime->scan();
    if (m_runtime->nextScanMs() <= now)
        m_lagMs += now - m_runtime->nextScanMs() + 1;
    showRuntimeState();
}

void ProgramMonitor::showRuntimeState()
{
    if (!m_runtime) {
        m_stateLabel->setText(tr("Not simulated"));
        m_noteLabel->setText(m_problem);
        return;
    }
    showState(modbusmap::statusOf(*m_runtime));
    m_noteLabel->setText(m_runtime->modeOn()
                             ? tr("Simulated on the model of the controller; the drive is not "
                                  "written.")
                             : tr("The controller's mode is off: the program does not run."));
}

void ProgramMonitor::showPolled(const Poll& poll)
{
    if (m_mode != Mode::Link)
        return;
    const bool shapeChanged =
        !m_runtime && poll.failure.empty() &&
        (poll.status.timerRemainingMs.size() != m_status.timerRemainingMs.size() ||
         poll.status.comparators.size() != m_status.comparators.size() ||
         poll.status.logicRules.size() != m_status.logicRules.size());
    if (poll.failure.empty()) {
        m_polled = true;
        m_status = poll.status;
    }
    if (shapeChanged)
        makeRows();
    showState(m_status);
    QStringList notes;
    if (!m_problem.isEmpty())
        notes << m_problem;
    if (!poll.failure.empty())
        notes << tr("The controller's state cannot be read: %1.").arg(fromStd(poll.failure));
    if (!poll.inputFailure.empty())
        notes << tr("The inputs cannot be read or set: %1.").arg(fromStd(poll.inputFailure));
    if (m_runtime && poll.failure.empty() &&
        (poll.status.timerRemainingMs.size() != m_runtime->timers() ||
         poll.status.comparators.size() != m_runtime->comparators() ||
         poll.status.logicRules.size() != m_runtime->logicRules()))
        notes << tr("The drive tells another number of objects than the program has.");
    m_noteLabel->setText(notes.join(QLatin1Char('\n')));
    // What the drive's inputs hold, unless the user is changing one or a write is still to go.
    if (!poll.inputsRead || poll.writesDone < m_writesQueued)
        return;
    for (size_t i = 0; i < m_inputs.size() && i < poll.inputs.size(); ++i) {
        QWidget* editor = m_inputs[i].editor;
        if (!editor || editor->hasFocus())
            continue;
        m_inputValues[m_inputs[i].name] = poll.inputs[i];
        const QSignalBlocker quiet(editor);
        if (auto* box = qobject_cast<QCheckBox*>(editor))
            box->setChecked(poll.inputs[i] != 0);
        else if (auto* field = qobject_cast<QDoubleSpinBox*>(editor))
            field->setValue(poll.inputs[i]);
    }
}

void ProgramMonitor::showState(const modbusmap::ControllerStatus& status)
{
    const bool link = m_mode == Mode::Link;
    if (link && m_link && m_link->registerMap().statusAddress < 0) {
        m_stateLabel->setText(tr("State unknown"));
        m_noteLabel->setText(tr("The drive tells no controller state: its profile has no "
                                "status block."));
        return;
    }
    if (link && !m_polled)
        m_stateLabel->setText(tr("Waiting for the drive's state"));
    else if (status.running)
        m_stateLabel->setText(tr("Running: step %1").arg(status.activeStep));
    else
        m_stateLabel->setText(tr("Stopped"));
    if (link && !m_polled)
        m_noteLabel->setText(m_problem);

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

    int row = 0;
    const auto set = [this, &row](const QString& text) {
        if (QTreeWidgetItem* item = m_objects->topLevelItem(row++); item && item->text(1) != text)
            item->setText(1, text);
    };
    for (const long long ms : status.timerRemainingMs)
        set(ms > 0 ? tr("%1 s left").arg(QString::number(double(ms) / 1000.0, 'f', 1))
                   : tr("not running"));
    for (const bool on : status.comparators)
        set(on ? tr("true") : tr("false"));
    for (const bool on : status.logicRules)
        set(on ? tr("true") : tr("false"));
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
