#pragma once

#include "ControllerPoller.h"
#include "FlowState.h"
#include "ProgramRuntime.h"
#include "RegisterMap.h"
#include "SimulationClock.h"
#include "Timeline.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTime>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace scenario {
class RecordingWriter;
}

class DriveDocument;
class MonitorChart;
class QLabel;
class QFormLayout;
class QGroupBox;
class QPushButton;
class QTreeWidget;
class QWidget;

// The live monitor of the host window (View > Monitor): a dock beside the
// editor showing a drive's logic controller as it runs - running or stopped,
// the steps (event -> action) with the active one marked, the timers counting
// down (or idle, or run out), the states of the comparators and logic rules the
// program uses, the actions performed (newest first, the last kMostOutputs),
// and the inputs the program reads.
//
// It is a view on the drive that is open (DriveDocument) and shows one of
// three things, taking the program from the document when it is shown (a
// hidden monitor polls nothing and loads nothing):
// - A simulation (Tools > Simulate, a program shown from a drive image): the
//   program runs on NEBPT's model of the controller (ProgramRuntime) in the
//   window, in real time (SimulationClock). The inputs are
//   switches (conditions) and number fields (comparator operands) the user
//   sets, kept by the choice that names them (ProgramRuntime::inputKey), so
//   that they hold in every language. A new program (an edit) builds the model
//   anew and runs it from the start, the inputs kept; the same program in
//   another language keeps the model running and only takes its texts. A program the model refuses
//   is told in the monitor. Nothing is written to the drive. Actions performed carry the simulated
//   time of their scan.
// - A drive over a link whose profile has a status block: the document's link
//   thread polls the block (and the input block, when the profile has one)
//   ControllerPoller::kInterval apart while the monitor is shown, between the
//   drive's other requests (never within a write). The inputs can
//   be set only when the profile has an input block (a simulator); otherwise the
//   monitor writes nothing to the drive. Actions performed are those of the
//   steps the monitor saw move on between two polls, with the time it saw it.
//   A poll that fails, or linkLost(), greys what was last seen (telling when)
//   and, for a lost link, disables the inputs: nothing the monitor has not seen
//   is shown as current, and nothing is written. The next good poll, or the
//   drive connected anew, shows the drive again.
// - Nothing, with the reason.
//
// A strip chart under the lists draws the last minute of the inputs the
// program reads, the active step, its timers and the actions performed
// (MonitorChart): in a simulation scan by scan, over a link as the polls saw
// them. A new program starts it anew; what lies before the minute is forgotten.
//
// Over a link whose profile has a status block, Record (a checkable button:
// Record..., Stop) collects what the polls see as nebpt-host --record does
// (scenario::RecordingWriter); Stop asks for a file and writes it there as a
// scenario that replays on the model. A poll that fails, a lost link, another
// layout of the drive's inputs or another program ends the recording, telling
// that nothing was written.
//
// Whatever it shows as current also goes to the editor's flow
// (liveStateChanged, which the window hands to the document); when it shows
// nothing current, a state not `shown`.
class ProgramMonitor : public QDockWidget
{
    Q_OBJECT

public:
    // The actions performed that the monitor lists at most.
    static constexpr int kMostOutputs = 200;

    explicit ProgramMonitor(DriveDocument& document, QWidget* parent = nullptr);
    ~ProgramMonitor() override;

    // Tools > Simulate: runs the program shown from a drive image (when the
    // document can), or stops it.
    void setSimulating(bool simulating);
    // The link to the drive shown is lost (the document tells it): said in the
    // monitor until a poll answers again or the drive is connected anew.
    void linkLost(const QString& reason);

    // --- what the monitor shows, as a user reads it ---
    bool simulating() const { return m_mode == Mode::Simulation && m_runtime != nullptr; }
    // The step marked active; -1 when none is.
    int markedStep() const;
    // The state line ("Running: step 2") and the message under it.
    QString stateText() const;
    QString noteText() const;
    // The model of the simulation (over a link: of the program read); null when none.
    const NEBPT::ProgramRuntime* runtime() const { return m_runtime.get(); }
    // What the strip chart draws (the last MonitorChart::kSpanMs of it); null when none.
    const timeline::Timeline* chartTimeline() const;
    // Record is on.
    bool recording() const { return m_recording != nullptr; }
    // The clock of the simulation (tests run it faster).
    SimulationClock& simulationClock() { return m_clock; }

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
    // Shows what the document has to show now, when the monitor is shown (a
    // simulation goes on while it is hidden).
    void sync();
    // Runs the program in the monitor; the same program again changes nothing.
    void showSimulation(const NEBPT::ProgramData& program);
    // Shows the controller of the drive over a link; `program` (null when it
    // could not be read: `failure` tells why) names its steps and inputs.
    void showLink(const NEBPT::ProgramData* program, const QString& failure);
    // Shows nothing but `reason`.
    void showNothing(const QString& reason);
    // Stops watching the drive over a link.
    void stopLink();
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
    void showPolled(const ControllerPoll& poll);
    void showState(const modbusmap::ControllerStatus& status);
    // Over a link: the state line and message from what the polls found.
    bool showLinkState();
    void pollWhileShown();
    // The actions of the steps that moved on between two polls, seen at `atMs`
    // of the chart's time.
    void noteStepsPassed(const modbusmap::ControllerStatus& before,
                         const modbusmap::ControllerStatus& now, long long atMs);
    // The chart from the model's state now (a new program), and its past
    // forgotten and drawn anew.
    void startChart();
    void dropChart();
    void updateChart();
    // Over a link: what a poll saw goes into the recording, or ends it.
    void record(const ControllerPoll& poll);
    void startRecording();
    // Stop: asks for a file and writes the scenario there.
    void stopRecording();
    // Ends the recording for `reason`, telling that nothing was written.
    void endRecording(const QString& reason);
    void showRecordState();
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
    std::vector<Input> m_inputs; // those the program reads
    // By input key: what the user set; over a link, what the drive was read to hold.
    std::map<std::string, double> m_inputValues;
    std::vector<ObjectRow> m_objectRows;
    SimulationClock m_clock;
    std::unique_ptr<timeline::Recorder> m_chartRecorder;    // of the model's program
    QElapsedTimer m_chartTime;                              // over a link: the chart's time
    std::unique_ptr<scenario::RecordingWriter> m_recording; // while Record is on
    std::chrono::steady_clock::time_point m_recordStart;    // the recording's first poll

    QPointer<DriveDocument> m_document;
    bool m_simulate = false; // Tools > Simulate is on
    bool m_stale = true;     // the document's program may have changed since it was shown
    const modbusmap::Map* m_map = nullptr; // the link's, while it is shown
    bool m_polling = false;                // the document polls for the monitor
    bool m_polled = false;                 // a poll has answered since the link was shown
    bool m_current = false;                // the last poll answered: m_status is the drive's now
    bool m_lost = false;                   // the link is lost (m_lostReason)
    QString m_lostReason;                  //
    QStringList m_pollNotes;               // what the last poll could not do
    QTime m_lastSeen;                      // of the last poll that answered
    unsigned m_writesQueued = 0;           // the input writes handed to the poller
    // The drive's input block has another layout than the program shown reads
    // (the drive's program changed): its inputs are not set until it is read anew.
    bool m_layoutStale = false;
    // The input layout the drive was last read again for (-1: none): a program
    // that still reads another one is not read again and again.
    int m_rereadFor = -1;
    // The last poll read the drive's inputs in the program's layout: only then
    // are they set (m_inputValues holds what was read).
    bool m_inputsHeld = false;
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
    MonitorChart* m_chart = nullptr;
    QPushButton* m_recordButton = nullptr;
    QLabel* m_recordNote = nullptr;
};
