#include "Encoding.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>

namespace verify {

using Logic = NEBPT::ProgramRuntime::Logic;

namespace {

z3::expr all(z3::context& c, const std::vector<z3::expr>& terms)
{
    z3::expr_vector v(c);
    for (const z3::expr& term : terms)
        v.push_back(term);
    return v.empty() ? c.bool_val(true) : z3::mk_and(v);
}

z3::expr any(z3::context& c, const std::vector<z3::expr>& terms)
{
    z3::expr_vector v(c);
    for (const z3::expr& term : terms)
        v.push_back(term);
    return v.empty() ? c.bool_val(false) : z3::mk_or(v);
}

int successor(int step, int steps)
{
    return step + 1 == steps ? 0 : step + 1;
}

} // namespace

// One program's values in one scan: the timeouts after the timers counted
// down, the comparators and the logic rules.
struct Encoding::Scan
{
    std::vector<z3::expr> timedOut;    // per timer of the program (untracked: false)
    std::vector<z3::expr> comparators; // per comparator (unused: false)
    std::vector<z3::expr> rules;       // per rule: before evaluate(), the scan before's
};

Encoding::Encoding(z3::context& context, std::vector<const Program*> programs, long long horizonMs,
                   const std::vector<Condition>& conditions, const Property* watch)
    : m_context(context), m_programs(std::move(programs)), m_horizonMs(horizonMs), m_watch(watch)
{
    const auto input = [this](const std::string& name) {
        const auto at = std::find(m_inputs.begin(), m_inputs.end(), name);
        if (at != m_inputs.end())
            return static_cast<int>(at - m_inputs.begin());
        m_inputs.push_back(name);
        m_numeric.push_back(false);
        return static_cast<int>(m_inputs.size() - 1);
    };
    for (const Program* program : m_programs) {
        std::vector<int> of(program->inputNames().size(), -1);
        for (const int i : program->inputsRead()) {
            of[static_cast<size_t>(i)] = input(program->inputNames()[static_cast<size_t>(i)]);
            if (program->numeric(i))
                m_numeric[static_cast<size_t>(of[static_cast<size_t>(i)])] = true;
        }
        m_inputOf.push_back(std::move(of));
    }
    for (const Condition& condition : conditions) {
        const int i = input(condition.input);
        if (condition.test != Condition::Test::True && condition.test != Condition::Test::False)
            m_numeric[static_cast<size_t>(i)] = true;
    }
    for (const Program* program : m_programs) {
        std::vector<int> of;
        for (int n = 0; n < program->steps(); ++n) {
            const std::string& text = program->actionText(n);
            auto at = std::find(m_actionTexts.begin(), m_actionTexts.end(), text);
            if (at == m_actionTexts.end())
                at = m_actionTexts.insert(m_actionTexts.end(), text);
            of.push_back(static_cast<int>(at - m_actionTexts.begin()));
        }
        m_actionOf.push_back(std::move(of));
        std::vector<z3::expr> values, tolerances;
        for (const Logic::Comparator& c : program->logic().comparators) {
            values.push_back(exact(c.value));
            tolerances.push_back(exact(c.tolerance));
        }
        m_values.push_back(std::move(values));
        m_tolerances.push_back(std::move(tolerances));
    }
}

z3::expr Encoding::exact(double value) const
{
    // value = mantissa * 2^exponent with a whole mantissa of at most 53 bits.
    int exponent = 0;
    const double fraction = std::frexp(value, &exponent);
    auto mantissa = static_cast<std::int64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    while (mantissa != 0 && mantissa % 2 == 0 && exponent < 0) {
        mantissa /= 2;
        ++exponent;
    }
    if (mantissa == 0)
        return m_context.real_val(0);
    z3::expr number = m_context.real_val(std::to_string(mantissa).c_str());
    const z3::expr two = m_context.real_val(2);
    for (; exponent > 0; --exponent)
        number = number * two;
    if (exponent < 0 && exponent >= -62) {
        const std::string ratio =
            std::to_string(mantissa) + "/" + std::to_string(std::uint64_t{1} << -exponent);
        return m_context.real_val(ratio.c_str());
    }
    for (; exponent < 0; ++exponent)
        number = number / two;
    return number.simplify();
}

Encoding::State Encoding::state(const std::string& tag)
{
    z3::context& c = m_context;
    State s{c.int_const((tag + ".t").c_str()),
            {},
            c.int_const((tag + ".phase").c_str()),
            c.int_const((tag + ".since").c_str()),
            z3::expr_vector(c)};
    s.all.push_back(s.t);
    for (size_t p = 0; p < m_programs.size(); ++p) {
        const std::string name = tag + "." + std::to_string(p) + ".";
        Machine m{c.int_const((name + "step").c_str()), {}, {}, {}, {}};
        s.all.push_back(m.step);
        for (const int k : m_programs[p]->timersTracked()) {
            const std::string timer = name + "timer" + std::to_string(k);
            m.on.push_back(c.bool_const((timer + ".on").c_str()));
            m.out.push_back(c.bool_const((timer + ".out").c_str()));
            m.rem.push_back(c.int_const((timer + ".rem").c_str()));
            s.all.push_back(m.on.back());
            s.all.push_back(m.out.back());
            s.all.push_back(m.rem.back());
        }
        for (const int r : m_programs[p]->rulesCarried()) {
            m.carried.push_back(c.bool_const((name + "rule" + std::to_string(r)).c_str()));
            s.all.push_back(m.carried.back());
        }
        s.machines.push_back(std::move(m));
    }
    if (m_watch) {
        s.all.push_back(s.phase);
        s.all.push_back(s.since);
    }
    return s;
}

z3::expr Encoding::initial(const State& s) const
{
    Values zero;
    for (size_t p = 0; p < m_programs.size(); ++p) {
        const size_t timers = m_programs[p]->timersTracked().size();
        zero.machines.push_back({-1, std::vector<bool>(timers, false),
                                 std::vector<bool>(timers, false),
                                 std::vector<bool>(m_programs[p]->rulesCarried().size(), false),
                                 std::vector<long long>(timers, 0)});
    }
    return is(s, zero);
}

z3::expr Encoding::is(const State& s, const Values& v) const
{
    z3::context& c = m_context;
    std::vector<z3::expr> terms{s.t == c.int_val(static_cast<int64_t>(v.t))};
    for (size_t p = 0; p < s.machines.size(); ++p) {
        const Machine& m = s.machines[p];
        const Values::Machine& values = v.machines[p];
        terms.push_back(m.step == values.step);
        for (size_t j = 0; j < m.on.size(); ++j) {
            terms.push_back(m.on[j] == c.bool_val(values.on[j]));
            terms.push_back(m.out[j] == c.bool_val(values.out[j]));
            terms.push_back(m.rem[j] == c.int_val(static_cast<int64_t>(values.rem[j])));
        }
        for (size_t j = 0; j < m.carried.size(); ++j)
            terms.push_back(m.carried[j] == c.bool_val(values.carried[j]));
    }
    if (m_watch) {
        terms.push_back(s.phase == v.phase);
        terms.push_back(s.since == c.int_val(static_cast<int64_t>(v.since)));
    }
    return all(c, terms);
}

Encoding::Values Encoding::read(const z3::model& model, const State& s) const
{
    const auto whole = [&model](const z3::expr& e) {
        int64_t n = 0;
        return model.eval(e, true).is_numeral_i64(n) ? static_cast<long long>(n) : 0LL;
    };
    const auto truth = [&model](const z3::expr& e) { return model.eval(e, true).is_true(); };
    Values v;
    v.t = whole(s.t);
    for (const Machine& m : s.machines) {
        Values::Machine values;
        values.step = static_cast<int>(whole(m.step));
        for (size_t j = 0; j < m.on.size(); ++j) {
            values.on.push_back(truth(m.on[j]));
            values.out.push_back(truth(m.out[j]));
            values.rem.push_back(whole(m.rem[j]));
        }
        for (const z3::expr& r : m.carried)
            values.carried.push_back(truth(r));
        v.machines.push_back(std::move(values));
    }
    if (m_watch) {
        v.phase = static_cast<int>(whole(s.phase));
        v.since = whole(s.since);
    }
    return v;
}

std::vector<int> Encoding::anyStep(size_t p) const
{
    std::vector<int> steps{-1};
    for (int n = 0; n < m_programs[p]->steps(); ++n)
        steps.push_back(n);
    return steps;
}

std::vector<int> Encoding::successors(size_t p, const std::vector<int>& steps) const
{
    const Program& program = *m_programs[p];
    std::set<int> next(steps.begin(), steps.end());
    next.insert(-1);
    if (program.canRun())
        next.insert(0);
    for (const int n : steps) {
        if (n >= 0)
            next.insert(successor(n, program.steps()));
    }
    return {next.begin(), next.end()};
}

z3::expr Encoding::truth(size_t p, const Logic::Ref& ref, const Scan& scan,
                         const std::vector<z3::expr>& inputs) const
{
    z3::context& c = m_context;
    const auto at = static_cast<size_t>(ref.index);
    switch (ref.source) {
    case Logic::Source::True:
        return c.bool_val(true);
    case Logic::Source::Input: {
        const int i = m_inputOf[p][at];
        return i < 0 ? c.bool_val(false) : inputs[static_cast<size_t>(i)] != c.real_val(0);
    }
    case Logic::Source::Timeout:
        return scan.timedOut[at];
    case Logic::Source::Comparator:
        return scan.comparators[at];
    case Logic::Source::Rule:
        return scan.rules[at];
    default:
        return c.bool_val(false);
    }
}

void Encoding::evaluate(size_t p, Scan& scan, const std::vector<z3::expr>& inputs) const
{
    const Program& program = *m_programs[p];
    const Logic& logic = program.logic();
    z3::context& c = m_context;
    scan.comparators.clear();
    for (size_t k = 0; k < logic.comparators.size(); ++k) {
        const Logic::Comparator& comparator = logic.comparators[k];
        const int i =
            comparator.input < 0 ? -1 : m_inputOf[p][static_cast<size_t>(comparator.input)];
        if (!comparator.enabled || !program.comparatorUsed(static_cast<int>(k)) || i < 0) {
            scan.comparators.push_back(c.bool_val(false));
            continue;
        }
        const z3::expr& x = inputs[static_cast<size_t>(i)];
        const z3::expr& value = m_values[p][k];
        switch (comparator.comparison) {
        case Logic::Comparison::Less:
            scan.comparators.push_back(x < value);
            break;
        case Logic::Comparison::Greater:
            scan.comparators.push_back(x > value);
            break;
        case Logic::Comparison::About:
            scan.comparators.push_back(x - value <= m_tolerances[p][k] &&
                                       value - x <= m_tolerances[p][k]);
            break;
        }
    }
    // In the runtime's order: a rule read before its turn gives the scan before's value.
    for (const int r : logic.ruleOrder) {
        if (!program.ruleUsed(r))
            continue;
        const Logic::Rule& rule = logic.rules[static_cast<size_t>(r)];
        z3::expr value = truth(p, rule.operands[0], scan, inputs);
        for (int i = 1; i < rule.used; ++i) {
            const Logic::Operator& op = rule.operators[i - 1];
            const z3::expr a = op.notA ? !value : value;
            const z3::expr operand = truth(p, rule.operands[i], scan, inputs);
            const z3::expr b = op.notB ? !operand : operand;
            value = op.either ? (a || b) : (a && b);
        }
        scan.rules[static_cast<size_t>(r)] = value;
    }
}

Encoding::Step Encoding::step(const State& pre, const State& post, const std::string& tag,
                              const std::vector<std::vector<int>>& possible)
{
    z3::context& c = m_context;
    Step s{c.bool_val(true),
           pre.t,
           c.int_const((tag + ".wait").c_str()),
           {},
           {},
           c.bool_val(false),
           c.int_val(0),
           z3::expr_vector(c)};
    s.locals.push_back(s.wait);
    for (size_t i = 0; i < m_inputs.size(); ++i) {
        s.inputs.push_back(c.real_const((tag + ".in" + std::to_string(i)).c_str()));
        s.locals.push_back(s.inputs.back());
    }
    const z3::expr& w = s.wait;
    std::vector<z3::expr> relation{
        w >= 0, pre.t + w <= c.int_val(static_cast<int64_t>(m_horizonMs)), post.t == pre.t + 1 + w};
    // Conditions read as conditions only: true is 1 (the runtime sees "not 0").
    for (size_t i = 0; i < m_inputs.size(); ++i) {
        if (!m_numeric[i])
            relation.push_back(s.inputs[i] == 0 || s.inputs[i] == 1);
    }
    std::vector<z3::expr> idle;
    for (size_t p = 0; p < m_programs.size(); ++p) {
        const Program& program = *m_programs[p];
        const Logic& logic = program.logic();
        const Machine& before = pre.machines[p];
        const Machine& after = post.machines[p];
        const std::vector<int> steps =
            possible.size() > p && !possible[p].empty() ? possible[p] : anyStep(p);
        const std::vector<int>& timers = program.timersTracked();
        const std::vector<int>& carried = program.rulesCarried();

        // 1. Running timers count down; one that reaches 0 runs out.
        Scan scan;
        scan.timedOut.assign(logic.timerMs.size(), c.bool_val(false));
        std::vector<z3::expr> on1, out1, rem1;
        for (size_t j = 0; j < timers.size(); ++j) {
            const z3::expr left = before.rem[j] - 1;
            on1.push_back(before.on[j] && left > 0);
            out1.push_back(before.out[j] || (before.on[j] && left <= 0));
            rem1.push_back(z3::ite(on1.back(), left, c.int_val(0)));
            scan.timedOut[static_cast<size_t>(timers[j])] = out1.back();
        }
        // 2. Comparators, then logic rules.
        scan.rules.assign(logic.rules.size(), c.bool_val(false));
        for (size_t j = 0; j < carried.size(); ++j)
            scan.rules[static_cast<size_t>(carried[j])] = before.carried[j];
        evaluate(p, scan, s.inputs);

        // 3. The controller takes at most one step.
        const z3::expr running = before.step >= 0;
        const z3::expr startEvent = truth(p, logic.start, scan, s.inputs);
        const z3::expr stopEvent = truth(p, logic.stop, scan, s.inputs);
        Seen seen{before.step,
                  after.step,
                  c.bool_val(false),
                  running && stopEvent,
                  c.bool_val(false),
                  stopEvent,
                  steps,
                  {}};
        if (program.canRun())
            seen.starts = !running && startEvent && !stopEvent;
        std::vector<z3::expr> eventTrue;
        z3::expr next = c.int_val(-1);
        for (const int n : steps) {
            if (n < 0)
                continue;
            const z3::expr event = truth(p, logic.events[static_cast<size_t>(n)], scan, s.inputs);
            seen.events.push_back(event);
            eventTrue.push_back(before.step == n && event);
            next = z3::ite(before.step == n, c.int_val(successor(n, program.steps())), next);
        }
        seen.fires = running && !stopEvent && any(c, eventTrue);
        const z3::expr postStep =
            z3::ite(seen.starts, c.int_val(0),
                    z3::ite(seen.stops, c.int_val(-1), z3::ite(seen.fires, next, before.step)));
        relation.push_back(after.step == postStep);

        // The action: a timer started, or every timer stopped (as a stop does).
        std::vector<z3::expr> stopAll{seen.stops};
        for (const int n : steps) {
            if (n >= 0 && logic.actions[static_cast<size_t>(n)].deed == Logic::Deed::StopTimers)
                stopAll.push_back(seen.fires && before.step == n);
        }
        const z3::expr stopped = any(c, stopAll);
        Scan again = scan;
        std::vector<z3::expr> on2;
        for (size_t j = 0; j < timers.size(); ++j) {
            std::vector<z3::expr> starting;
            for (const int n : steps) {
                const Logic::Act& act =
                    n >= 0 ? logic.actions[static_cast<size_t>(n)] : Logic::Act{};
                if (n >= 0 && act.deed == Logic::Deed::StartTimer && act.index == timers[j])
                    starting.push_back(before.step == n);
            }
            const z3::expr start = seen.fires && any(c, starting);
            const z3::expr value =
                c.int_val(static_cast<int64_t>(logic.timerMs[static_cast<size_t>(timers[j])]));
            on2.push_back(start || (!stopped && on1[j]));
            const z3::expr out2 = !start && out1[j];
            const z3::expr rem2 = z3::ite(start, value, z3::ite(stopped, c.int_val(0), rem1[j]));
            again.timedOut[static_cast<size_t>(timers[j])] = out2;
            relation.push_back(after.on[j] == on2.back());
            relation.push_back(after.out[j] == out2);
            relation.push_back(after.rem[j] == rem2 - z3::ite(on2.back(), w, c.int_val(0)));
            // No timer runs out while the macro step waits.
            idle.push_back(z3::implies(on2.back(), rem2 > w));
        }
        for (size_t j = 0; j < carried.size(); ++j)
            relation.push_back(after.carried[j] == scan.rules[static_cast<size_t>(carried[j])]);

        // The wait: the next scan, with the same inputs, changes nothing.
        evaluate(p, again, s.inputs);
        for (size_t r = 0; r < logic.rules.size(); ++r) {
            if (program.ruleUsed(static_cast<int>(r)))
                idle.push_back(again.rules[r] == scan.rules[r]);
        }
        const z3::expr startAgain = truth(p, logic.start, again, s.inputs);
        const z3::expr stopAgain = truth(p, logic.stop, again, s.inputs);
        std::vector<z3::expr> firesAgain;
        for (const int n : successors(p, steps)) {
            if (n >= 0)
                firesAgain.push_back(postStep == n && truth(p, logic.events[static_cast<size_t>(n)],
                                                            again, s.inputs));
        }
        const z3::expr noStart = program.canRun() ? !(startAgain && !stopAgain) : c.bool_val(true);
        idle.push_back(z3::ite(postStep >= 0, !stopAgain && !any(c, firesAgain), noStart));
        s.seen.push_back(std::move(seen));
    }
    relation.push_back(z3::implies(w > 0, all(c, idle)));

    if (m_watch) {
        const z3::expr when = holds(m_watch->when, s);
        const z3::expr isMet = met(s, s.seen[0].postStep);
        const z3::expr newPhase = z3::ite(
            !when, c.int_val(0),
            z3::ite(pre.phase == 2, c.int_val(2), z3::ite(isMet, c.int_val(2), c.int_val(1))));
        const z3::expr since = z3::ite(when && pre.phase == 0, pre.t, pre.since);
        relation.push_back(post.phase == newPhase);
        relation.push_back(post.since == since);
        s.watchDeadline = since + c.int_val(static_cast<int64_t>(m_watch->withinMs));
        s.watchViolated = newPhase == 1 && s.watchDeadline <= pre.t + w &&
                          s.watchDeadline <= c.int_val(static_cast<int64_t>(m_horizonMs));
    }
    s.relation = all(c, relation);
    return s;
}

z3::expr Encoding::met(const Step& s, const z3::expr& postStep) const
{
    const Expectation& e = m_watch->expect;
    switch (e.kind) {
    case Expectation::Kind::Running:
        return e.running ? postStep >= 0 : postStep < 0;
    case Expectation::Kind::Step:
        return postStep == e.step;
    default:
        return performs(s, 0, e.action);
    }
}

z3::expr Encoding::performs(const Step& s, size_t p, const std::string& action) const
{
    z3::context& c = m_context;
    const Seen& seen = s.seen[p];
    std::vector<z3::expr> at;
    for (const int n : seen.possible) {
        if (n >= 0 && m_programs[p]->actionText(n) == action)
            at.push_back(seen.preStep == n);
    }
    return seen.fires && any(c, at);
}

z3::expr Encoding::performed(const Step& s, size_t p) const
{
    z3::context& c = m_context;
    const Seen& seen = s.seen[p];
    z3::expr text = c.int_val(-1);
    for (const int n : seen.possible) {
        if (n >= 0)
            text =
                z3::ite(seen.preStep == n, c.int_val(m_actionOf[p][static_cast<size_t>(n)]), text);
    }
    return z3::ite(seen.fires, text, c.int_val(-1));
}

z3::expr Encoding::holds(const Condition& condition, const Step& s) const
{
    z3::context& c = m_context;
    const auto at = std::find(m_inputs.begin(), m_inputs.end(), condition.input);
    if (at == m_inputs.end())
        return c.bool_val(false);
    const z3::expr& x = s.inputs[static_cast<size_t>(at - m_inputs.begin())];
    const z3::expr value = exact(condition.value);
    switch (condition.test) {
    case Condition::Test::True:
        return x != 0;
    case Condition::Test::False:
        return x == 0;
    case Condition::Test::Equal:
        return x == value;
    case Condition::Test::Below:
        return x < value;
    default:
        return x > value;
    }
}

} // namespace verify
