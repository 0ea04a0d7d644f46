#pragma once

#include "Program.h"
#include "Property.h"

#include <z3++.h>

#include <string>
#include <vector>

namespace verify {

// The controller's semantics (docs/RUNTIME.md) as solver terms, one program or
// two run side by side on the same inputs (a behaviour diff).
//
// A run is a sequence of macro steps. A macro step is one scan with the inputs
// the world chooses for it, followed by `wait` scans that change nothing: the
// same inputs, no start, stop or step, the logic rules as they were, no timer
// running out (its milliseconds left only count down). Every run of the
// runtime is such a sequence (a scan that changes something, or whose inputs
// changed, opens a macro step; the scans after it that change nothing are its
// wait), and every such sequence is a run of the runtime: the encoding is
// exact, scan for scan, while solvers only see as many macro steps as
// something happens. Time is the scan's millisecond, an integer; timers are
// integer clocks; comparator operands are real numbers.
//
// The state between macro steps: the time of the next scan, and for each
// program the active step (-1: not running), each tracked timer's running and
// timed-out flags and milliseconds left, and the logic rules that a rule reads
// before their turn in a scan (their value of the scan before). A property
// that watches a response adds its watch: idle, pending since a time, or met.
class Encoding
{
public:
    // `conditions`: those a property states (their inputs are the solver's to
    // choose too); `watch`: a response property to watch.
    Encoding(z3::context& context, std::vector<const Program*> programs, long long horizonMs,
             const std::vector<Condition>& conditions = {}, const Property* watch = nullptr);

    z3::context& context() { return m_context; }
    const std::vector<const Program*>& programs() const { return m_programs; }
    long long horizonMs() const { return m_horizonMs; }
    // The inputs the solver chooses, by name: those the programs read and those
    // the property names.
    const std::vector<std::string>& inputs() const { return m_inputs; }
    // Whether an input is read as a number anywhere (else only as a condition).
    bool numeric(size_t input) const { return m_numeric[input]; }

    struct Machine
    {
        z3::expr step;
        std::vector<z3::expr> on, out, rem, carried;
    };
    struct State
    {
        z3::expr t;
        std::vector<Machine> machines;
        z3::expr phase, since; // the watch: 0 idle, 1 pending, 2 met; since when pending
        z3::expr_vector all;   // every constant of the state
    };
    // A state of fresh constants named after `tag`.
    State state(const std::string& tag);
    // The state before the first scan.
    z3::expr initial(const State& state) const;

    // A state read from a solver's model, and the constraint that fixes it.
    struct Values
    {
        long long t = 0;
        struct Machine
        {
            int step = -1;
            std::vector<bool> on, out, carried;
            std::vector<long long> rem;
        };
        std::vector<Machine> machines;
        int phase = 0;
        long long since = 0;
    };
    Values read(const z3::model& model, const State& state) const;
    z3::expr is(const State& state, const Values& values) const;

    // One program's part of a macro step.
    struct Seen
    {
        z3::expr preStep, postStep, starts, stops, fires;
        z3::expr stopEvent;
        std::vector<int> possible;    // the steps the pre-state may be in
        std::vector<z3::expr> events; // per possible step >= 0: its event's truth in the scan
    };
    struct Step
    {
        z3::expr relation; // pre, the inputs and the wait -> post
        z3::expr scanMs;   // the scan's time (pre.t)
        z3::expr wait;
        std::vector<z3::expr> inputs; // per input of inputs()
        std::vector<Seen> seen;       // per program
        z3::expr watchViolated;       // the watch's deadline passed in this macro step
        z3::expr watchDeadline;       // since + within
        z3::expr_vector locals;       // the step's own constants (inputs, wait)
    };
    // The macro step from `pre` to `post`. `possible`: per program, the steps
    // `pre` may be in (empty: any), which keeps unrolled runs small.
    Step step(const State& pre, const State& post, const std::string& tag,
              const std::vector<std::vector<int>>& possible);

    // The steps a macro step can lead to from `steps`.
    std::vector<int> successors(size_t program, const std::vector<int>& steps) const;
    std::vector<int> anyStep(size_t program) const;

    // Whether program `p` performs `action` (a choice text) in the step's scan.
    z3::expr performs(const Step& step, size_t p, const std::string& action) const;
    // The action text program `p` performs in the scan, as an index into
    // actionTexts() (-1: none).
    z3::expr performed(const Step& step, size_t p) const;
    const std::vector<std::string>& actionTexts() const { return m_actionTexts; }
    // Whether `condition` holds for the step's inputs.
    z3::expr holds(const Condition& condition, const Step& step) const;

    // A double as the exact real number it is.
    z3::expr exact(double value) const;

private:
    struct Scan; // one program's values in one scan
    z3::expr truth(size_t p, const NEBPT::ProgramRuntime::Logic::Ref& ref, const Scan& scan,
                   const std::vector<z3::expr>& inputs) const;
    void evaluate(size_t p, Scan& scan, const std::vector<z3::expr>& inputs) const;
    z3::expr met(const Step& step, const z3::expr& postStep) const;

    z3::context& m_context;
    std::vector<const Program*> m_programs;
    long long m_horizonMs;
    const Property* m_watch;
    std::vector<std::string> m_inputs;
    std::vector<bool> m_numeric;
    std::vector<std::vector<int>> m_inputOf; // per program: its input index -> ours (-1)
    std::vector<std::string> m_actionTexts;
    std::vector<std::vector<int>> m_actionOf; // per program and step: index into m_actionTexts
    // Per program and comparator: value, tolerance as exact reals.
    std::vector<std::vector<z3::expr>> m_values, m_tolerances;
};

} // namespace verify
