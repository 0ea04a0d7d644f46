#pragma once

#include "NEBPTExport.h"
#include "ProgramWorkflow.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// NEBPT's model of the drive's logic controller (docs/RUNTIME.md): runs a
// drive's program a scan at a time, one scan a millisecond of virtual time,
// before the drive does. The world around the controller is named inputs (the
// choice texts of the events and comparator operands that are no program
// objects: "Digital input 18", "Running", "Motor speed"), set between scans, and
// named outputs (the actions that are no timer actions: "Set relay 1 high"),
// recorded when performed. The motor itself is not modelled: "Start" is an
// output like any other.
namespace NEBPT {

class NEBPT_EXPORT ProgramRuntime
{
public:
    // Virtual time between two scans.
    static constexpr long long kScanMs = 1;

    // What a scan changed in the controller.
    enum class Change
    {
        None,
        Started, // the start event was true: the controller runs at step 0
        Stopped, // the stop event was true: no step is active, every timer stopped
        Stepped  // the active step's event was true: its action done, the next step active
    };
    struct Scan
    {
        long long timeMs = 0; // when the scan ran: the first at 0
        Change change = Change::None;
        int from = -1; // Stepped, Stopped: the step that was active
        int to = -1;   // Stepped, Started: the step active now
    };

    // A named output: how often it was performed, and when last (-1: never).
    struct Output
    {
        std::string name;
        long long count = 0;
        long long lastMs = -1;
    };

    // The drive's program as plain data (ProgramWorkflow::exportProgram). The
    // drive configuration for its drive type and database version tells which
    // choices are timers, comparators, logic rules and logic operators. Refuses
    // (ProgramError, naming the pair or object) a program the model cannot run:
    // no entry in the configuration, a parameter missing, a value its choice
    // list does not name, a reference to an object beyond the drive's count, a
    // comparison or logic operator the model does not know, a timer unit it
    // cannot read, a choice without text. Choices and values are read as the
    // editor reads them (docs/RUNTIME.md). Objects that neither a pair nor the
    // controller's events use are not refused (a timer of -1.00); they are false.
    explicit ProgramRuntime(const ProgramData& program);
    ProgramRuntime(ProgramRuntime&&) noexcept;
    ProgramRuntime& operator=(ProgramRuntime&&) noexcept;
    ~ProgramRuntime();

    // --- the program ---
    // Whether the controller's mode lets it run at all.
    bool modeOn() const;
    // The used pairs: those before the first whose action ends the program.
    int steps() const;
    // The choice texts of a pair's event and action, and of the controller's events.
    const std::string& eventText(int step) const;
    const std::string& actionText(int step) const;
    const std::string& startEventText() const;
    const std::string& stopEventText() const;
    // Every action the drive's choice list offers (but the one that ends the
    // program), by its choice text.
    const std::vector<std::string>& actionNames() const;

    // --- the world ---
    // Every named input the drive's choice lists offer, whether the program
    // reads it or not; an input is false (0) until set.
    const std::vector<std::string>& inputNames() const;
    // The input's place in inputNames(); -1 when there is no such input.
    int inputIndex(const std::string& name) const;
    // The inputs the program reads, as indexes into inputNames(), ascending:
    // those of the used pairs' events, of the controller's start and stop
    // events, and the operands of the comparators and logic rules these reach.
    std::vector<int> inputsRead() const;
    // A name of the input that is the same in every language the drive speaks:
    // the parameter and choice value that first offer it ("1301:19"; comparator
    // operands, then the events, the rule operands and the controller's events).
    const std::string& inputKey(int index) const;
    // Sets an input before the next scan: true is 1, false 0. An index out of
    // range, or a name that is no input, changes nothing (false).
    bool setInput(int index, double value);
    bool setInput(const std::string& name, double value);
    double input(int index) const;
    // One per named output, in the order of the action choice list.
    const std::vector<Output>& outputs() const;

    // --- running ---
    // Runs one scan at nextScanMs() and tells what it changed; at most one step
    // is taken a scan.
    Scan scan();
    long long nextScanMs() const;
    // Back to the state before the first scan; inputs are kept.
    void restart();
    // Takes the texts (choice texts: events, actions, inputs, outputs) of
    // `program` when it runs exactly as this one does, as the same program read
    // in another language does; the state and the inputs are kept. False, with
    // nothing changed, when it would run otherwise or cannot run.
    bool relabel(const ProgramData& program);

    // --- the state after the last scan ---
    bool running() const;
    // The active step; -1 when the controller does not run.
    int activeStep() const;
    std::size_t timers() const;
    bool timerRunning(std::size_t k) const;
    long long timerRemainingMs(std::size_t k) const; // 0 when it does not run
    // Whether the timer ran out: from the scan in which it ran out until it is
    // started again (a stop keeps it). Neither running nor timed out: idle.
    bool timedOut(std::size_t k) const;
    long long timerValueMs(std::size_t k) const;
    std::size_t comparators() const;
    bool comparatorState(std::size_t k) const;
    std::size_t logicRules() const;
    bool logicRuleState(std::size_t r) const;

    // The objects the program uses, ascending: those the used pairs' events and
    // actions and the controller's start and stop events refer to, and those
    // the logic rules they reach refer to.
    struct ObjectsUsed
    {
        std::vector<std::size_t> timers, comparators, logicRules;
    };
    ObjectsUsed objectsUsed() const;

    // The program as the controller runs it, for tools that reason about every
    // run at once (nebpt-host --verify): what each used pair's event, each
    // logic rule's operand and the controller's events read, what each used
    // pair's action does, the objects' values and the order in which the logic
    // rules are evaluated in a scan. A reference to something the program lacks
    // (refused when used) reads False.
    struct Logic
    {
        enum class Source
        {
            False,
            True,
            Input, // index into inputNames()
            Timeout,
            Comparator,
            Rule
        };
        struct Ref
        {
            Source source = Source::False;
            int index = 0;
        };
        enum class Deed
        {
            Output, // index into outputs()
            StartTimer,
            StopTimers
        };
        struct Act
        {
            Deed deed = Deed::Output;
            int index = 0;
        };
        enum class Comparison
        {
            Less,
            About, // |input - value| <= tolerance
            Greater
        };
        struct Comparator
        {
            bool enabled = false; // false: always false
            int input = 0;
            Comparison comparison = Comparison::Less;
            double value = 0, tolerance = 0;
        };
        // a OP b with either side negated first; `either`: OR, else AND.
        struct Operator
        {
            bool notA = false, notB = false, either = false;
        };
        // r = operators[0](operands[0], operands[1]), then operators[1](r, operands[2]),
        // as far as `used` operands go.
        struct Rule
        {
            Ref operands[3];
            Operator operators[2];
            int used = 1;
        };
        std::vector<Ref> events; // one per used pair
        std::vector<Act> actions;
        Ref start, stop;
        std::vector<long long> timerMs;
        std::vector<Comparator> comparators;
        std::vector<Rule> rules;
        // Each rule after the rules it reads; a rule read before its turn (in a
        // loop of rules) gives its value of the scan before.
        std::vector<int> ruleOrder;
    };
    Logic logic() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace NEBPT
