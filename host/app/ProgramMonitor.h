#pragma once

#include "FlowState.h"
#include "ProgramRuntime.h"
#include "RegisterMap.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QString>
#include <QTime>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class ModbusDrive;
class QLabel;
class QFormLayout;
class QGroupBox;
class QTreeWidget;
class QWidget;

// The live monitor of the host window (View > Monitor): a dock beside the
// editor showing a drive's logic controller as it runs - running or stopped,
// the steps (event -> action) with the active one marked, the timers counting
// down (or idle, or run out), the states of the comparators and logic rules the
// program uses, the actions performed (newest first, the last kMostOutputs),
// and the inputs the program reads.
//
// It shows one of three things, as the window tells it:
// - A simulation (Tools > Simulate, a drive image): the program runs on
//   NEBPT's model of the controller (ProgramRuntime) in the window, in real
//   time: a timer catches the scans up with a steady clock. The inputs are
//   switches (conditions) and number fields (comparator operands) the user
//   sets, kept by the choice that names them (ProgramRuntime::inputKey), so
//   that they hold in every language. A new program (an edit) builds the model
//   anew and runs it from the start, the inputs kept; the same program in
//   another language keeps the model running and only takes its texts. A program the model refuses
//   is told in the monitor. Nothing is written to the drive. Actions performed carry the simulated
//   time of their scan.
// - A drive over a link whose profile has a status block: a worker thread
//   polls the block (and the input block, when the profile has one) through the
//   drive's shared register access, kPollInterval apart while the monitor is
//   shown, and never while a write of the window is under way. The inputs can
//   be set only when the profile has an input block (a simulator); otherwise the
//   monitor writes nothing to the drive. Actions performed are those of the
//   steps the monitor saw move on between two polls, with the time it saw it.
//   A poll that fails, or linkLost(), greys what was last seen (telling when)
//   and, for a lost link, disables the inputs: nothing the monitor has not seen
//   is shown as current, and nothing is written. The next good poll, or
//   showLink() with the drive connected anew, shows the drive again.
// - Nothing, with the reason.
//
// Whatever it shows as current also goes to the editor's flow
// (liveStateChanged); when it shows nothing current, a state not `shown`.
class ProgramMonitor : public QDockWidget
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kPollInterval{250};
    // The actions performed that the monitor lists at most.
    static constexpr int kMostOutputs = 200;

    explicit ProgramMonitor(QWidget* parent = nullptr);
    ~ProgramMonitor() override;

    // Runs the program in the monitor; the same program again changes nothing.
    void showSimulation(const NEBPT::ProgramData& program);
    // Shows the controller of the drive over a link; `program` (null when it
    // could not be read: `failure` tells why) names its steps and inputs. The
    // drive must outlive the monitor's use of it: stopLink() before it goes.
    // A drive connected anew (reconnect, refresh) is shown afresh.
    void showLink(ModbusDrive& drive, const NEBPT::ProgramData* program, const QString& failure);
    // The link to the drive shown is lost (the window's link failure observer
    // tells it): said in the monitor until a poll answers again or showLink().
    void linkLost(const QString& reason);
    // Shows nothing but `reason`.
    void showNothing(const QString& reason);
    // Stops polling the drive over a link and waits for the worker to end.
    void stopLink();

    // --- what the monitor shows, as a user reads it ---
    bool simulating() const { return m_mode == Mode::Simulation && m_runtime != nullptr; }
    // The step marked active; -1 when none is.
    int markedStep() const;
    // The state line ("Running: step 2") and the message under it.
    QString stateText() const;
    QString noteText() const;
    // The model of the simulation (over a link: of the program read); null when none.
    const NEBPT::ProgramRuntime* runtime() const { return m_runtime.get(); }

signals:
    // The state shown has changed (a timer's time left by a tenth of a second
    // or more); `shown` false when no current state is shown any more.
    void liveStateChanged(const NEBPT::FlowLiveState& state);

protected:
    void changeEvent(QEvent* event) override;

private:
    enum class Mode
    {
        Nothing,
        Simulation,
        Link
    };
    enum class InputKind
    {
        Condition,
        Number
    };
    struct Input
    {
        std::string key, name;
        InputKind kind = InputKind::Condition;
        QWidget* editor = nullptr;
    };
    enum class ObjectKind
    {
        Timer,
        Comparator,
        LogicRule
    };
    struct ObjectRow
    {
        ObjectKind kind;
        std::size_t index;
    };
    // An action performed, as listed.
    struct Performed
    {
        QString time;
        int step = 0;
    };
    class Poller;
    struct Poll;

    void retranslate();
    // Builds the model of the program (the steps' texts, the inputs read); false
    // with m_problem when the model refuses it.
    bool buildRuntime(const NEBPT::ProgramData& program);
    // Takes the texts of `program` into the model running when it is the same
    // program but for its language and texts.
    bool relabel(const NEBPT::ProgramData& program);
    // The list of steps, objects and inputs for the model (or none).
    void makeRows();
    void makeInputs(bool editable, bool integral);
    // Runs the scans that are due by now, then shows the state.
    void catchUp();
    // The user set an input.
    void inputSet(size_t input, double value);
    void showRuntimeState();
    void showPolled(const Poll& poll);
    void showState(const modbusmap::ControllerStatus& status);
    // Over a link: the state line and message from what the polls found.
    bool showLinkState();
    void pollWhileShown();
    // The actions of the steps that moved on between two polls.
    void noteStepsPassed(const modbusmap::ControllerStatus& before,
                         const modbusmap::ControllerStatus& now);
    void addOutputs(const std::vector<Performed>& performed);
    void clearOutputs();
    void tellFlow(const NEBPT::FlowLiveState& state);
    void tellFlowHidden();

    Mode m_mode = Mode::Nothing;
    QString m_reason;  // Mode::Nothing: why nothing is shown
    QString m_problem; // the program or the drive's state cannot be shown: why
    NEBPT::ProgramData m_program;
    bool m_haveProgram = false;
    unsigned m_programSerial = 0; // of the model's program, in the actions listed
    std::unique_ptr<NEBPT::ProgramRuntime> m_runtime;
    std::vector<Input> m_inputs;                 // those the program reads
    std::map<std::string, double> m_inputValues; // what the user set, by input key
    std::vector<ObjectRow> m_objectRows;
    QTimer m_tick;
    QElapsedTimer m_clock; // real time since the model started
    long long m_lagMs = 0; // real time the model did not catch up with

    ModbusDrive* m_link = nullptr;
    std::unique_ptr<Poller> m_poller;
    unsigned m_generation = 0;   // polls of an earlier link are dropped
    bool m_polled = false;       // a poll has answered since the link was shown
    bool m_current = false;      // the last poll answered: m_status is the drive's now
    bool m_lost = false;         // the link is lost (m_lostReason)
    QString m_lostReason;        //
    QStringList m_pollNotes;     // what the last poll could not do
    QTime m_lastSeen;            // of the last poll that answered
    unsigned m_writesQueued = 0; // the input writes handed to the poller
    modbusmap::ControllerStatus m_status;

    NEBPT::FlowLiveState m_flow; // as last told

    QLabel* m_stateLabel = nullptr;
    QLabel* m_noteLabel = nullptr;
    QTreeWidget* m_steps = nullptr;
    QTreeWidget* m_objects = nullptr;
    QTreeWidget* m_outputs = nullptr;
    QGroupBox* m_inputBox = nullptr;
    QFormLayout* m_inputForm = nullptr;
    QLabel* m_inputNote = nullptr;
};
