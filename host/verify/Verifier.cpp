#include "Verifier.h"

#include "Encoding.h"
#include "Engine.h"
#include "Trace.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace verify {

namespace {

using Clock = Engine::Clock;
using Result = Engine::Result;
using Scan = NEBPT::ProgramRuntime::Scan;
using Change = NEBPT::ProgramRuntime::Change;
using Logic = NEBPT::ProgramRuntime::Logic;
using Status = Outcome::Status;

// How many macro steps a search tries before Spacer is asked: enough for the
// shortest counterexamples of small programs, few enough to stay quick.
constexpr int kShortRuns = 24;
// Macro steps a chain link may take from the state the link before left.
constexpr int kLinkSteps = 4;
// After Spacer found that some run meets a goal: how far the search goes.
constexpr int kLongRuns = 100000;

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// The time limit, shared out among the searches still to come.
class Budget
{
public:
    explicit Budget(std::chrono::milliseconds limit) : m_end(Clock::now() + limit) {}
    Clock::time_point share(size_t parts) const
    {
        const Clock::time_point now = Clock::now();
        if (now >= m_end || parts <= 1)
            return m_end;
        return now + (m_end - now) / static_cast<long>(parts);
    }

private:
    Clock::time_point m_end;
};

// The shortest run that meets the target, or a proof that none does within the
// horizon: a short search first, then Spacer, then a longer search when Spacer
// found that some run does.
Result decide(Engine& engine, const Engine::Target& target, int shortRuns, Engine::Run& run)
{
    Result result = engine.search(target, shortRuns, true, run);
    if (result != Result::None)
        return result;
    result = engine.prove(target);
    if (result != Result::Found)
        return result;
    run = {};
    result = engine.search(target, kLongRuns, true, run);
    return result == Result::None ? Result::Unknown : result;
}

int shortRunsFor(const Program& program)
{
    return std::min(kShortRuns, program.steps() + 6);
}

// --- goals, for the solver and on the runtime ---

Engine::Target starts()
{
    return [](const Encoding::Step& s, const Encoding::State&) {
        return Engine::Goal{s.seen[0].starts && s.wait == 0, s.scanMs};
    };
}

Engine::Target fires(int n)
{
    return [n](const Encoding::Step& s, const Encoding::State&) {
        return Engine::Goal{s.seen[0].fires && s.seen[0].preStep == n && s.wait == 0, s.scanMs};
    };
}

Engine::Target stops()
{
    return [](const Encoding::Step& s, const Encoding::State&) {
        return Engine::Goal{s.seen[0].stops && s.wait == 0, s.scanMs};
    };
}

// The stop event true while the controller runs, and it runs on.
Engine::Target runsOn()
{
    return [](const Encoding::Step& s, const Encoding::State&) {
        return Engine::Goal{
            s.seen[0].preStep >= 0 && s.seen[0].stopEvent && s.seen[0].postStep >= 0, s.scanMs};
    };
}

int successor(const Program& program, int step)
{
    return step + 1 == program.steps() ? 0 : step + 1;
}

std::string stepText(int step)
{
    return step < 0 ? "null" : std::to_string(step);
}

// The state at `atMs` of a replay: whether it runs and the active step.
struct StateAt
{
    bool reached = false; // `step` was active at some scan (when asked)
    bool running = false;
    int active = -1;
};
StateAt replayTo(Program& program, const Trace& trace, long long atMs, int reach = -2)
{
    StateAt state;
    NEBPT::ProgramRuntime& runtime = program.runtime();
    trace.replay(runtime, atMs, [&](const Scan&) {
        state.reached = state.reached || runtime.activeStep() == reach;
        return false;
    });
    state.running = runtime.running();
    state.active = runtime.activeStep();
    return state;
}

// --- the chain: each pair fired in turn, each link from where the last left ---

struct Chain
{
    Result start = Result::Unknown; // Found: the controller starts; None: it never does
    // reach[n]: a run after which step n is active (reach[0]: the controller started).
    std::vector<Engine::Run> reach;
    int stuck = -1;      // the first pair that never fires (proven); -1: none
    int undecided = -1;  // the first pair left undecided; -1: none
    std::string problem; // the replay disagreed with the solver
};

Chain chainOf(Program& program, long long horizonMs, Clock::time_point deadline)
{
    Chain chain;
    if (!program.canRun()) {
        chain.start = Result::None;
        return chain;
    }
    z3::context context;
    Encoding encoding(context, {&program}, horizonMs);
    Engine engine(encoding, deadline);
    Engine::Run run;
    chain.start = decide(engine, starts(), 3, run);
    if (chain.start != Result::Found)
        return chain;
    chain.reach.push_back(run);
    for (int n = 0; n < program.steps(); ++n) {
        Engine::Run next = run;
        Result result = engine.search(fires(n), kLinkSteps, true, next, &run.end);
        if (result == Result::None) {
            next = {};
            result = decide(engine, fires(n), std::min(kShortRuns, n + 8), next);
        }
        if (result == Result::None) {
            chain.stuck = n;
            break;
        }
        if (result == Result::Unknown) {
            chain.undecided = n;
            break;
        }
        run = std::move(next);
        if (n + 1 < program.steps())
            chain.reach.push_back(run);
    }
    // The runs the solver found, on the runtime: each step active where the
    // solver says.
    for (size_t n = 0; n < chain.reach.size() && chain.problem.empty(); ++n) {
        const Trace trace = Trace::of(chain.reach[n], encoding);
        const StateAt state = replayTo(program, trace, chain.reach[n].goalMs);
        if (state.active != static_cast<int>(n)) {
            chain.problem = "the run that makes step " + std::to_string(n) + " active by " +
                            seconds(chain.reach[n].goalMs) + " leaves the runtime at step " +
                            stepText(state.active);
        }
    }
    if (!chain.problem.empty())
        chain.reach.clear();
    return chain;
}

// Whether the event can be true in some scan at all, whatever the state.
bool everTrue(Program& program, int step)
{
    z3::context context;
    Encoding encoding(context, {&program}, 1);
    const Encoding::State pre = encoding.state("a"), post = encoding.state("b");
    const Encoding::Step s = encoding.step(pre, post, "s", {{step}});
    z3::solver solver(context);
    solver.set("timeout", 2000u);
    solver.add(s.seen[0].events.empty() ? context.bool_val(false) : s.seen[0].events[0]);
    return solver.check() != z3::unsat;
}

Outcome internal(const std::string& name, const std::string& why)
{
    Outcome outcome;
    outcome.name = name;
    outcome.status = Status::Internal;
    outcome.text =
        "internal error: the solver and the runtime disagree about \"" + name + "\": " + why;
    return outcome;
}

Outcome holds(const std::string& name, const std::string& file, long long horizonMs,
              const std::string& more = {})
{
    Outcome outcome;
    outcome.name = name;
    outcome.file = file;
    outcome.status = Status::Holds;
    outcome.text = "holds up to " + seconds(horizonMs) + more;
    return outcome;
}

Outcome undecided(const std::string& name, const std::string& file, const Options& options)
{
    Outcome outcome;
    outcome.name = name;
    outcome.file = file;
    outcome.status = Status::Undecided;
    outcome.text = "undecided within the time limit of " +
                   seconds(static_cast<long long>(options.timeLimit.count()));
    return outcome;
}

// A failure with its counterexample: `trace` to `untilMs`, with `expect`.
Outcome fails(const std::string& name, const std::string& file, const std::string& text,
              const Trace& trace, long long untilMs, const std::vector<std::string>& expect)
{
    Outcome outcome;
    outcome.name = name;
    outcome.file = file;
    outcome.status = Status::Fails;
    outcome.text = text;
    outcome.scenario = trace.scenario(std::max(untilMs, 1LL), expect);
    outcome.inputs = trace.lines();
    return outcome;
}

// "pair 2's event "False" is never true[ while step 2 is active (up to 60.000 s)]"
std::string neverTrue(Program& program, int pair, long long horizonMs)
{
    const std::string event = "pair " + std::to_string(pair) + "'s event " +
                              quoted(program.eventText(pair)) + " is never true";
    if (!everTrue(program, pair))
        return event;
    return event + " while step " + std::to_string(pair) + " is active (up to " +
           seconds(horizonMs) + ")";
}

// A counterexample for the chain stuck at pair m: the run to step m, then the
// inputs kept, and the controller expected at step `expected` at the horizon.
Outcome stuckAt(Program& program, const Chain& chain, const std::string& name,
                const std::string& file, const std::string& text, int expected, long long horizonMs)
{
    const int m = chain.stuck;
    z3::context context;
    Encoding encoding(context, {&program}, horizonMs);
    Trace trace = Trace::of(chain.reach[static_cast<size_t>(m)], encoding);
    const auto still = [&](const Trace& t) {
        const StateAt state = replayTo(program, t, horizonMs, m);
        return state.reached && state.active != expected;
    };
    if (!still(trace)) {
        return internal(name, "step " + std::to_string(expected) + " is active at " +
                                  seconds(horizonMs) + " on the runtime");
    }
    trace.simplify(still);
    return fails(
        name, file, text, trace, horizonMs,
        {"{\"at\": " + jsonSeconds(horizonMs) + ", \"step\": " + stepText(expected) + "}"});
}

// A counterexample for a controller that never runs (or never stops): no
// input set, the controller expected `running` at the horizon.
Outcome runningAtHorizon(Program& program, const std::string& name, const std::string& file,
                         const std::string& text, const Trace& trace, bool running,
                         long long horizonMs)
{
    const StateAt state = replayTo(program, trace, horizonMs);
    if (state.running == running)
        return internal(name, std::string("the controller ") + (running ? "runs" : "does not run") +
                                  " at " + seconds(horizonMs) + " on the runtime");
    return fails(name, file, text, trace, horizonMs,
                 {"{\"at\": " + jsonSeconds(horizonMs) +
                  ", \"running\": " + (running ? "true" : "false") + "}"});
}

const char* kReached = "every used step is reached";
const char* kGoesOn = "every reached step goes on";
const char* kStops = "the stop event stops the controller at once";

} // namespace

std::vector<Outcome> checkProgram(Program& program, const Options& options)
{
    const long long h = options.horizonMs;
    const Budget budget(options.timeLimit);
    std::vector<Outcome> outcomes;
    const Chain chain = chainOf(program, h, budget.share(2));
    const Trace none;
    const std::string startText = quoted(program.runtime().startEventText());
    const std::string stopText = quoted(program.runtime().stopEventText());

    // Every used step is reached; every reached step goes on.
    if (!chain.problem.empty()) {
        outcomes.push_back(internal(kReached, chain.problem));
        outcomes.push_back(internal(kGoesOn, chain.problem));
    } else if (!program.modeOn() || program.steps() == 0) {
        const std::string why = !program.modeOn()
                                    ? "the controller's mode is Off: no step is ever reached"
                                    : "the program has no used pair: the controller never starts";
        outcomes.push_back(
            runningAtHorizon(program, kReached, "steps reached", why, none, true, h));
        outcomes.push_back(holds(kGoesOn, "steps go on", h));
    } else if (chain.start == Result::None) {
        outcomes.push_back(runningAtHorizon(
            program, kReached, "steps reached",
            "step 0 is never reached: the start event " + startText +
                " is never true without the stop event " + stopText + " (up to " + seconds(h) + ")",
            none, true, h));
        outcomes.push_back(holds(kGoesOn, "steps go on", h));
    } else if (chain.start == Result::Unknown) {
        outcomes.push_back(undecided(kReached, "steps reached", options));
        outcomes.push_back(undecided(kGoesOn, "steps go on", options));
    } else if (chain.stuck >= 0) {
        const int m = chain.stuck;
        const std::string why = neverTrue(program, m, h);
        if (m + 1 < program.steps()) {
            const std::string steps = m + 2 == program.steps()
                                          ? "step " + std::to_string(m + 1) + " is"
                                          : "steps " + std::to_string(m + 1) + " to " +
                                                std::to_string(program.steps() - 1) + " are";
            outcomes.push_back(stuckAt(program, chain, kReached, "steps reached",
                                       steps + " never reached: " + why, m + 1, h));
        } else {
            outcomes.push_back(holds(kReached, "steps reached", h));
        }
        outcomes.push_back(stuckAt(program, chain, kGoesOn, "steps go on",
                                   "step " + std::to_string(m) + " never goes on: " + why,
                                   successor(program, m), h));
    } else if (chain.undecided >= 0) {
        outcomes.push_back(undecided(kReached, "steps reached", options));
        outcomes.push_back(undecided(kGoesOn, "steps go on", options));
    } else {
        outcomes.push_back(holds(kReached, "steps reached", h));
        outcomes.push_back(holds(kGoesOn, "steps go on", h));
    }

    // While it runs, the stop event stops it, at once.
    if (chain.start != Result::Found || chain.reach.empty()) {
        if (chain.start == Result::Unknown || !chain.problem.empty())
            outcomes.push_back(undecided(kStops, "stop stops", options));
        else
            outcomes.push_back(holds(kStops, "stop stops", h, " (the controller never runs)"));
        return outcomes;
    }
    z3::context context;
    Encoding encoding(context, {&program}, h);
    Engine engine(encoding, budget.share(1));
    Engine::Run run = chain.reach[0];
    Result result = engine.search(stops(), kLinkSteps, true, run, &chain.reach[0].end);
    if (result == Result::None) {
        run = {};
        result = decide(engine, stops(), 6, run);
    }
    if (result == Result::Unknown) {
        outcomes.push_back(undecided(kStops, "stop stops", options));
    } else if (result == Result::None) {
        Trace trace = Trace::of(chain.reach[0], encoding);
        trace.simplify([&](const Trace& t) { return replayTo(program, t, h).running; });
        outcomes.push_back(runningAtHorizon(program, kStops, "stop stops",
                                            "the stop event " + stopText +
                                                " is never true while the controller runs: "
                                                "nothing stops it (up to " +
                                                seconds(h) + ")",
                                            trace, false, h));
    } else {
        // The runtime's own rule, proven of the encoding: a scan in which the
        // stop event is true while the controller runs stops it.
        const Result runs = engine.prove(runsOn());
        if (runs == Result::None)
            outcomes.push_back(holds(kStops, "stop stops", h));
        else if (runs == Result::Unknown)
            outcomes.push_back(undecided(kStops, "stop stops", options));
        else
            outcomes.push_back(internal(kStops, "the encoding lets the controller run on"));
    }
    return outcomes;
}

namespace {

// One property, decided.
class PropertyCheck
{
public:
    PropertyCheck(Program& program, const Property& property, const Options& options,
                  Clock::time_point deadline, std::shared_ptr<Chain>& chain)
        : m_program(program), m_property(property), m_options(options), m_deadline(deadline),
          m_chain(chain)
    {}

    Outcome run()
    {
        switch (m_property.kind) {
        case Property::Kind::Reachable:
            return reachable();
        case Property::Kind::Never:
            return never();
        default:
            return respond();
        }
    }

private:
    long long horizon() const { return m_options.horizonMs; }
    const std::string& name() const { return m_property.name; }

    int inputOf(const Condition& condition) const { return m_program.inputIndex(condition.input); }

    Outcome reachable()
    {
        if (!m_chain)
            m_chain = std::make_shared<Chain>(chainOf(m_program, horizon(), m_deadline));
        const Chain& chain = *m_chain;
        const int n = m_property.step;
        if (!chain.problem.empty())
            return internal(name(), chain.problem);
        if (static_cast<size_t>(n) < chain.reach.size()) {
            return holds(name(), name(), horizon(),
                         ": step " + std::to_string(n) + " active at " +
                             seconds(chain.reach[static_cast<size_t>(n)].goalMs));
        }
        if (chain.start == Result::Unknown || (chain.start == Result::Found && chain.stuck < 0))
            return undecided(name(), name(), m_options);
        // Never: shown on the run that gets furthest, the step expected at the horizon.
        z3::context context;
        Encoding encoding(context, {&m_program}, horizon());
        Trace trace;
        std::string why = "the controller never runs";
        if (chain.stuck >= 0) {
            trace = Trace::of(chain.reach[static_cast<size_t>(chain.stuck)], encoding);
            why = neverTrue(m_program, chain.stuck, horizon());
        } else if (m_program.canRun()) {
            why = "the controller never starts";
        }
        const StateAt state = replayTo(m_program, trace, horizon());
        if (state.active == n)
            return internal(name(), "step " + std::to_string(n) + " is active at " +
                                        seconds(horizon()) + " on the runtime");
        return fails(
            name(), name(),
            "fails: step " + std::to_string(n) + " is never active up to " + seconds(horizon()) +
                ": " + why,
            trace, horizon(),
            {"{\"at\": " + jsonSeconds(horizon()) + ", \"step\": " + std::to_string(n) + "}"});
    }

    Outcome never()
    {
        z3::context context;
        std::vector<Condition> conditions;
        if (m_property.hasWhen)
            conditions.push_back(m_property.when);
        Encoding encoding(context, {&m_program}, horizon(), conditions);
        Engine engine(encoding, m_deadline);
        const Property& p = m_property;
        const Engine::Target target = [&](const Encoding::Step& s, const Encoding::State&) {
            z3::expr goal = encoding.performs(s, 0, p.action) && s.wait == 0;
            if (p.hasWhen)
                goal = goal && encoding.holds(p.when, s);
            return Engine::Goal{goal, s.scanMs};
        };
        Engine::Run run;
        const Result result = decide(engine, target, shortRunsFor(m_program), run);
        if (result == Result::None)
            return holds(name(), name(), horizon());
        if (result == Result::Unknown)
            return undecided(name(), name(), m_options);
        // On the runtime: the first scan that performs the action while the condition holds.
        const int input = p.hasWhen ? inputOf(p.when) : -1;
        NEBPT::ProgramRuntime& runtime = m_program.runtime();
        const auto violation = [&](const Trace& trace) {
            return trace.replay(runtime, horizon(), [&](const Scan& scan) {
                return scan.change == Change::Stepped &&
                       runtime.actionText(scan.from) == p.action &&
                       (input < 0 || p.when.holds(runtime.input(input)));
            });
        };
        Trace trace = Trace::of(run, encoding);
        const long long at = violation(trace);
        if (at != run.goalMs)
            return disagree(run.goalMs, at);
        trace.simplify([&](const Trace& t) { return violation(t) >= 0; });
        const long long shown = violation(trace);
        return fails(name(), name(),
                     "fails at " + seconds(shown) + ": " + quoted(p.action) + " performed" +
                         (p.hasWhen ? " while " + p.when.text() : std::string()),
                     trace, shown,
                     {"{\"from\": " + jsonSeconds(shown) + ", \"to\": " + jsonSeconds(shown) +
                      ", \"noAction\": " + jsonText(p.action) + "}"});
    }

    Outcome respond()
    {
        z3::context context;
        const Property& p = m_property;
        Encoding encoding(context, {&m_program}, horizon(), {p.when}, &p);
        Engine engine(encoding, m_deadline);
        const Engine::Target target = [](const Encoding::Step& s, const Encoding::State&) {
            return Engine::Goal{s.watchViolated, s.watchDeadline};
        };
        Engine::Run run;
        const Result result = decide(engine, target, shortRunsFor(m_program), run);
        if (result == Result::None)
            return holds(name(), name(), horizon());
        if (result == Result::Unknown)
            return undecided(name(), name(), m_options);
        long long since = 0;
        const auto violation = [&](const Trace& trace) { return watch(trace, since); };
        Trace trace = Trace::of(run, encoding);
        const long long at = violation(trace);
        if (at != run.goalMs)
            return disagree(run.goalMs, at);
        trace.simplify([&](const Trace& t) { return violation(t) >= 0; });
        const long long deadline = violation(trace);
        std::string expect;
        const Expectation& e = p.expect;
        if (e.kind == Expectation::Kind::Running) {
            expect = "{\"at\": " + jsonSeconds(deadline) +
                     ", \"running\": " + (e.running ? "true" : "false") + "}";
        } else if (e.kind == Expectation::Kind::Step) {
            expect =
                "{\"at\": " + jsonSeconds(deadline) + ", \"step\": " + std::to_string(e.step) + "}";
        } else {
            // Within half the time either side of the middle: inside the time watched.
            const long long half = (deadline - since) / 2;
            expect = "{\"at\": " + jsonSeconds(since + half) +
                     ", \"action\": " + jsonText(e.action) + ", \"within\": " + jsonSeconds(half) +
                     "}";
        }
        return fails(name(), name(),
                     "fails at " + seconds(deadline) + ": " + p.when.text() + " from " +
                         seconds(since) + " on, " + e.text() + " expected within " +
                         seconds(p.withinMs) + ", not so",
                     trace, deadline, {expect});
    }

    // The first scan at which the watched condition has held for the time
    // allowed without the expectation met; -1 when none does. `since`: when
    // the condition began to hold.
    long long watch(const Trace& trace, long long& since)
    {
        const Property& p = m_property;
        const int input = inputOf(p.when);
        NEBPT::ProgramRuntime& runtime = m_program.runtime();
        int phase = 0; // 0 idle, 1 pending, 2 met
        long long t = -1;
        return trace.replay(runtime, horizon(), [&](const Scan& scan) {
            ++t;
            const bool when = input >= 0 && p.when.holds(runtime.input(input));
            bool met = false;
            switch (p.expect.kind) {
            case Expectation::Kind::Running:
                met = runtime.running() == p.expect.running;
                break;
            case Expectation::Kind::Step:
                met = runtime.activeStep() == p.expect.step;
                break;
            case Expectation::Kind::Action:
                met = scan.change == Change::Stepped &&
                      runtime.actionText(scan.from) == p.expect.action;
                break;
            }
            if (!when) {
                phase = 0;
            } else if (phase == 0) {
                since = scan.timeMs;
                phase = met ? 2 : 1;
            } else if (phase == 1) {
                phase = met ? 2 : 1;
            }
            return phase == 1 && scan.timeMs >= since + p.withinMs;
        });
    }

    Outcome disagree(long long solverMs, long long runtimeMs)
    {
        return internal(
            name(),
            "the solver's counterexample fails at " + seconds(solverMs) + ", on the runtime " +
                (runtimeMs < 0 ? std::string("it does not fail") : "at " + seconds(runtimeMs)));
    }

    Program& m_program;
    const Property& m_property;
    const Options& m_options;
    Clock::time_point m_deadline;
    std::shared_ptr<Chain>& m_chain;
};

} // namespace

std::vector<Outcome> checkProperties(Program& program, const std::vector<Property>& properties,
                                     const Options& options)
{
    const Budget budget(options.timeLimit);
    std::shared_ptr<Chain> chain;
    std::vector<Outcome> outcomes;
    for (size_t i = 0; i < properties.size(); ++i) {
        PropertyCheck check(program, properties[i], options, budget.share(properties.size() - i),
                            chain);
        outcomes.push_back(check.run());
    }
    return outcomes;
}

// --- behaviour diff ---

namespace {

bool same(const Logic::Ref& a, const Logic::Ref& b)
{
    return a.source == b.source && a.index == b.index;
}

// Whether two programs run alike on every input sequence because they are
// the same: the same logic, read from the same inputs, doing the same actions.
bool alike(const Program& a, const Program& b)
{
    const Logic& x = a.logic();
    const Logic& y = b.logic();
    if (a.canRun() != b.canRun() || a.steps() != b.steps() || !same(x.start, y.start) ||
        !same(x.stop, y.stop) || x.timerMs != y.timerMs ||
        x.comparators.size() != y.comparators.size() || x.rules.size() != y.rules.size() ||
        x.ruleOrder != y.ruleOrder || a.inputNames() != b.inputNames())
        return false;
    for (int n = 0; n < a.steps(); ++n) {
        const auto i = static_cast<size_t>(n);
        if (!same(x.events[i], y.events[i]) || x.actions[i].deed != y.actions[i].deed ||
            a.actionText(n) != b.actionText(n) ||
            (x.actions[i].deed == Logic::Deed::StartTimer &&
             x.actions[i].index != y.actions[i].index))
            return false;
    }
    for (size_t k = 0; k < x.comparators.size(); ++k) {
        const Logic::Comparator& c = x.comparators[k];
        const Logic::Comparator& d = y.comparators[k];
        if (c.enabled != d.enabled || c.input != d.input || c.comparison != d.comparison ||
            c.value != d.value || c.tolerance != d.tolerance)
            return false;
    }
    for (size_t r = 0; r < x.rules.size(); ++r) {
        const Logic::Rule& p = x.rules[r];
        const Logic::Rule& q = y.rules[r];
        if (p.used != q.used)
            return false;
        for (int i = 0; i < p.used; ++i) {
            if (!same(p.operands[i], q.operands[i]))
                return false;
        }
        for (int i = 0; i + 1 < p.used; ++i) {
            const Logic::Operator& o = p.operators[i];
            const Logic::Operator& u = q.operators[i];
            if (o.notA != u.notA || o.notB != u.notB || o.either != u.either)
                return false;
        }
    }
    return true;
}

// What a program did in a scan, as the divergence tells it.
struct Deed
{
    int step = -1;         // after the scan
    std::string performed; // the action, when it took a step
    Change change = Change::None;

    bool operator!=(const Deed& other) const
    {
        return step != other.step || performed != other.performed;
    }
    std::string text(const Deed& other) const
    {
        if (!performed.empty())
            return "performs " + quoted(performed) +
                   (performed == other.performed ? " and is in step " + std::to_string(step) : "");
        if (change == Change::Started)
            return "starts at step 0";
        if (change == Change::Stopped)
            return "stops";
        return step < 0 ? "is not running" : "is still in step " + std::to_string(step);
    }
};

Deed deedOf(const NEBPT::ProgramRuntime& runtime, const Scan& scan)
{
    Deed deed;
    deed.step = runtime.activeStep();
    deed.change = scan.change;
    if (scan.change == Change::Stepped)
        deed.performed = runtime.actionText(scan.from);
    return deed;
}

// The first scan at which the two differ on the trace; -1 when none does.
long long divergence(Program& a, Program& b, const Trace& trace, long long horizonMs, Deed& da,
                     Deed& db)
{
    NEBPT::ProgramRuntime& other = b.runtime();
    other.restart();
    for (int i = 0; i < static_cast<int>(other.inputNames().size()); ++i)
        other.setInput(i, 0);
    std::vector<int> inputs;
    for (const Trace::Setting& setting : trace.settings)
        inputs.push_back(other.inputIndex(setting.input));
    size_t next = 0;
    return trace.replay(a.runtime(), horizonMs, [&](const Scan& scan) {
        for (; next < trace.settings.size() && trace.settings[next].atMs <= scan.timeMs; ++next)
            other.setInput(inputs[next], trace.settings[next].value);
        da = deedOf(a.runtime(), scan);
        db = deedOf(other, other.scan());
        return da != db;
    });
}

// Whether equal states of the two stay equal through every macro step and
// act alike in it: then, both starting equal, no run tells them apart. One
// query, an inductive proof; false when it cannot tell (the states differ in
// shape, or equality is not inductive though the programs may be alike).
bool stayAlike(Encoding& encoding, const Program& a, const Program& b)
{
    if (a.timersTracked() != b.timersTracked() || a.rulesCarried() != b.rulesCarried())
        return false;
    z3::context& c = encoding.context();
    const Encoding::State pre = encoding.state("p"), post = encoding.state("q");
    const Encoding::Step s = encoding.step(pre, post, "s", {});
    const auto equal = [&c](const Encoding::State& state) {
        const Encoding::Machine& x = state.machines[0];
        const Encoding::Machine& y = state.machines[1];
        z3::expr_vector terms(c);
        terms.push_back(x.step == y.step);
        for (size_t j = 0; j < x.on.size(); ++j) {
            terms.push_back(x.on[j] == y.on[j]);
            terms.push_back(x.out[j] == y.out[j]);
            terms.push_back(x.rem[j] == y.rem[j]);
        }
        for (size_t j = 0; j < x.carried.size(); ++j)
            terms.push_back(x.carried[j] == y.carried[j]);
        return z3::mk_and(terms);
    };
    z3::solver solver(c);
    solver.set("timeout", 5000u);
    solver.add(equal(pre) && s.relation);
    solver.add(!equal(post) || encoding.performed(s, 0) != encoding.performed(s, 1));
    return solver.check() == z3::unsat;
}

} // namespace

Divergence behaviourDiff(Program& a, Program& b, const Options& options)
{
    Divergence d;
    if (alike(a, b)) {
        d.status = Divergence::Status::Same;
        return d;
    }
    z3::context context;
    Encoding encoding(context, {&a, &b}, options.horizonMs);
    if (stayAlike(encoding, a, b)) {
        d.status = Divergence::Status::Same;
        return d;
    }
    Engine engine(encoding, Clock::now() + options.timeLimit);
    const Engine::Target target = [&](const Encoding::Step& s, const Encoding::State&) {
        const z3::expr differs = s.seen[0].postStep != s.seen[1].postStep ||
                                 encoding.performed(s, 0) != encoding.performed(s, 1);
        return Engine::Goal{differs && s.wait == 0, s.scanMs};
    };
    Engine::Run run;
    const Result result =
        decide(engine, target, std::min(kShortRuns, std::max(a.steps(), b.steps()) + 6), run);
    if (result == Result::None) {
        d.status = Divergence::Status::Same;
        return d;
    }
    if (result == Result::Unknown)
        return d;
    Trace trace = Trace::of(run, encoding);
    Deed da, db;
    const long long at = divergence(a, b, trace, options.horizonMs, da, db);
    if (at != run.goalMs) {
        d.status = Divergence::Status::Internal;
        d.text = "internal error: the solver and the runtime disagree about the behaviour: the "
                 "solver's programs differ at " +
                 seconds(run.goalMs) + ", on the runtime " +
                 (at < 0 ? std::string("they do not") : "at " + seconds(at));
        return d;
    }
    trace.simplify([&](const Trace& t) {
        Deed x, y;
        const long long when = divergence(a, b, t, options.horizonMs, x, y);
        return when >= 0 && when <= at;
    });
    d.atMs = divergence(a, b, trace, options.horizonMs, da, db);
    d.status = Divergence::Status::Differs;
    d.text = "at " + seconds(d.atMs) + ": A " + da.text(db) + ", B " + db.text(da);
    // What A does there, which B does not.
    std::vector<std::string> expect;
    if (da.step != db.step)
        expect.push_back("{\"at\": " + jsonSeconds(d.atMs) + ", \"step\": " + stepText(da.step) +
                         "}");
    if (!da.performed.empty() && da.performed != db.performed)
        expect.push_back("{\"at\": " + jsonSeconds(d.atMs) +
                         ", \"action\": " + jsonText(da.performed) + "}");
    if (!db.performed.empty() && da.performed != db.performed)
        expect.push_back("{\"from\": " + jsonSeconds(d.atMs) + ", \"to\": " + jsonSeconds(d.atMs) +
                         ", \"noAction\": " + jsonText(db.performed) + "}");
    d.scenario = trace.scenario(std::max(d.atMs, 1LL), expect);
    d.inputs = trace.lines();
    return d;
}

Divergence behaviourDiff(const NEBPT::ProgramData& a, const NEBPT::ProgramData& b,
                         double horizonSeconds, std::chrono::milliseconds timeLimit)
{
    Program first(a), second(b);
    Options options;
    // At least a scan, at most a day, as the command line allows.
    const double seconds = std::isfinite(horizonSeconds) ? horizonSeconds : 60;
    options.horizonMs = std::clamp(std::llround(seconds * 1000), 1LL, 24LL * 3600 * 1000);
    options.timeLimit = timeLimit;
    return behaviourDiff(first, second, options);
}

} // namespace verify
