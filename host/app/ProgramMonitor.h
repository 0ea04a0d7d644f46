#pragma once

#include "ProgramRuntime.h"
#include "RegisterMap.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QString>
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
// down, the comparators' and logic rules' states, and the inputs the program
// reads.
//
// It shows one of three things, as the window tells it:
// - A simulation (Tools > Simulate, a drive image): the program runs on
//   NEBPT's model of the controller (ProgramRuntime) in the window, in real
//   time: a timer catches the scans up with a steady clock. The inputs are
//   switches (conditions) and number fields (comparator operands) the user
//   sets. A new program (an edit) builds the model anew and runs it from the
//   start, the inputs kept by their names; a program the model refuses is told
//   in the monitor. Nothing is written to the drive.
// - A drive over a link whose profile has a status block: a worker thread
//   polls the block (and the input block, when the profile has one) through the
//   drive's shared register access, kPollInterval apart while the monitor is
//   shown, and never while a write of the window is under way. Failures are told
//   in the monitor. The inputs can be set only when the profile has an input
//   block (a simulator); otherwise the monitor writes nothing to the drive.
// - Nothing, with the reason.
class ProgramMonitor : public QDockWidget
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kPollInterval{250};

    explicit ProgramMonitor(QWidget* parent = nullptr);
    ~ProgramMonitor() override;

    // Runs the program in the monitor; the same program again changes nothing.
    void showSimulation(const NEBPT::ProgramData& program);
    // Shows the controller of the drive over a link; `program` (null when it
    // could not be read: `failure` tells why) names its steps and inputs. The
    // drive must outlive the monitor's use of it: stopLink() before it goes.
    void showLink(ModbusDrive& drive, const NEBPT::ProgramData* program, const QString& failure);
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
    // The model of the simulation; null when none runs.
    const NEBPT::ProgramRuntime* runtime() const { return m_runtime.get(); }

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
        std::string name;
        InputKind kind = InputKind::Condition;
        QWidget* editor = nullptr;
    };
    class Poller;
    struct Poll;

    void retranslate();
    // Builds the model of the program (the steps' texts, the inputs read); false
    // with m_problem when the model refuses it.
    bool buildRuntime(const NEBPT::ProgramData& program);
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
    void pollWhileShown();

    Mode m_mode = Mode::Nothing;
    QString m_reason;  // Mode::Nothing: why nothing is shown
    QString m_problem; // the program or the drive's state cannot be shown: why
    NEBPT::ProgramData m_program;
    bool m_haveProgram = false;
    std::unique_ptr<NEBPT::ProgramRuntime> m_runtime;
    std::vector<Input> m_inputs;                 // those the program reads
    std::map<std::string, double> m_inputValues; // what the user set, by name
    QTimer m_tick;
    QElapsedTimer m_clock; // real time since the model started
    long long m_lagMs = 0; // real time the model did not catch up with

    ModbusDrive* m_link = nullptr;
    std::unique_ptr<Poller> m_poller;
    unsigned m_generation = 0;   // polls of an earlier link are dropped
    bool m_polled = false;       // a poll has answered since the link was shown
    unsigned m_writesQueued = 0; // the input writes handed to the poller
    modbusmap::ControllerStatus m_status;

    QLabel* m_stateLabel = nullptr;
    QLabel* m_noteLabel = nullptr;
    QTreeWidget* m_steps = nullptr;
    QTreeWidget* m_objects = nullptr;
    QGroupBox* m_inputBox = nullptr;
    QFormLayout* m_inputForm = nullptr;
    QLabel* m_inputNote = nullptr;
};
