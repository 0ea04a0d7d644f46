#include "Timeline.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace timeline {

namespace {

// Forgets the points before `ms` but the last of them, which moves to `ms`
// (the value the lane had then). A countdown's line is cut at `ms`.
void forgetBefore(std::vector<Point>& points, long long ms, bool line)
{
    const auto first =
        std::find_if(points.begin(), points.end(), [ms](const Point& p) { return p.atMs >= ms; });
    if (first == points.begin())
        return;
    Point held = *(first - 1);
    if (line && first != points.end() && first->atMs > held.atMs) {
        const double share =
            static_cast<double>(ms - held.atMs) / static_cast<double>(first->atMs - held.atMs);
        held.value += (first->value - held.value) * share;
    }
    held.atMs = ms;
    points.erase(points.begin(), first);
    if (points.empty() || points.front().atMs > ms)
        points.insert(points.begin(), held);
}

} // namespace

void Timeline::forget(long long ms)
{
    if (ms <= fromMs)
        return;
    for (Lane& lane : inputs)
        forgetBefore(lane.points, ms, false);
    for (Lane& lane : timers)
        forgetBefore(lane.points, ms, true);
    forgetBefore(steps, ms, false);
    for (std::vector<Mark>* marks : {&actions, &failures}) {
        marks->erase(marks->begin(), std::find_if(marks->begin(), marks->end(),
                                                  [ms](const Mark& m) { return m.atMs >= ms; }));
    }
    fromMs = ms;
    untilMs = std::max(untilMs, ms);
}

std::set<int> numberInputs(const NEBPT::ProgramRuntime& runtime)
{
    using Logic = NEBPT::ProgramRuntime::Logic;
    const Logic logic = runtime.logic();
    std::set<int> numbers, conditions;
    for (const Logic::Comparator& comparator : logic.comparators) {
        if (comparator.enabled)
            numbers.insert(comparator.input);
    }
    const auto condition = [&conditions](const Logic::Ref& ref) {
        if (ref.source == Logic::Source::Input)
            conditions.insert(ref.index);
    };
    std::for_each(logic.events.begin(), logic.events.end(), condition);
    condition(logic.start);
    condition(logic.stop);
    for (const Logic::Rule& rule : logic.rules)
        std::for_each(rule.operands, rule.operands + rule.used, condition);
    for (const int input : conditions)
        numbers.erase(input);
    return numbers;
}

std::vector<std::string> pairNames(const NEBPT::ProgramRuntime& runtime)
{
    std::vector<std::string> names;
    for (int step = 0; step < runtime.steps(); ++step) {
        names.push_back(std::to_string(step) + ": " + runtime.eventText(step) + " -> " +
                        runtime.actionText(step));
    }
    return names;
}

Recorder::Recorder(const NEBPT::ProgramRuntime& runtime, std::string title)
{
    m_timeline.title = std::move(title);
    const std::set<int> numbers = numberInputs(runtime);
    m_laneOfInput.assign(runtime.inputNames().size(), -1);
    for (const int index : runtime.inputsRead()) {
        m_laneOfInput[static_cast<std::size_t>(index)] = static_cast<int>(m_timeline.inputs.size());
        Lane lane;
        lane.kind = numbers.count(index) ? Lane::Kind::Value : Lane::Kind::Level;
        lane.name = runtime.inputNames()[static_cast<std::size_t>(index)];
        lane.points.push_back({0, runtime.input(index)});
        m_timeline.inputs.push_back(std::move(lane));
    }
    m_timeline.steps.push_back({0, -1});
    for (const std::size_t k : runtime.objectsUsed().timers) {
        Lane lane;
        lane.kind = Lane::Kind::Countdown;
        lane.name = "Timer " + std::to_string(k);
        lane.points.push_back({0, 0});
        m_timeline.timers.push_back(std::move(lane));
        m_timerOfLane.push_back(k);
    }
    m_lastTimerMs.assign(m_timerOfLane.size(), -1);
    m_timeline.pairs = pairNames(runtime);
}

bool Recorder::room(std::size_t points, long long atMs)
{
    if (m_timeline.cutAtMs >= 0)
        return false;
    if (points < Timeline::kMostPoints)
        return true;
    m_timeline.cutAtMs = atMs;
    m_timeline.untilMs = atMs;
    return false;
}

void Recorder::input(long long atMs, int index, double value)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_laneOfInput.size() ||
        m_laneOfInput[static_cast<std::size_t>(index)] < 0)
        return;
    std::vector<Point>& points =
        m_timeline.inputs[static_cast<std::size_t>(m_laneOfInput[static_cast<std::size_t>(index)])]
            .points;
    if (points.back().value == value || !room(points.size(), atMs))
        return;
    if (points.back().atMs == atMs)
        points.back().value = value;
    else
        points.push_back({atMs, value});
}

void Recorder::timerPoint(std::size_t lane, long long atMs, long long ms)
{
    std::vector<Point>& points = m_timeline.timers[lane].points;
    if (points.back().atMs == atMs && points.back().value == static_cast<double>(ms))
        return;
    if (room(points.size(), atMs))
        points.push_back({atMs, static_cast<double>(ms)});
}

void Recorder::scanned(long long atMs, const NEBPT::ProgramRuntime& runtime,
                       const NEBPT::ProgramRuntime::Scan& scan)
{
    if (m_timeline.cutAtMs >= 0)
        return;
    if (scan.change == NEBPT::ProgramRuntime::Change::Stepped && scan.from >= 0 &&
        scan.from < runtime.steps())
        action(atMs, runtime.actionText(scan.from));
    if (m_timeline.steps.back().value != runtime.activeStep() &&
        room(m_timeline.steps.size(), atMs))
        m_timeline.steps.push_back({atMs, static_cast<double>(runtime.activeStep())});
    // A timer's line has a corner where it starts, starts again, stops or runs
    // out; between them it falls by a millisecond a millisecond. A timer starts
    // only by a step's action: with none running, only a step changes them.
    if (m_timersRunning == 0 && scan.change == NEBPT::ProgramRuntime::Change::None) {
        m_timeline.untilMs = std::max(m_timeline.untilMs, atMs);
        return;
    }
    m_timersRunning = 0;
    for (std::size_t lane = 0; lane < m_timerOfLane.size(); ++lane) {
        const std::size_t k = m_timerOfLane[lane];
        const long long now = runtime.timerRunning(k) ? runtime.timerRemainingMs(k) : -1;
        const long long before = m_lastTimerMs[lane];
        const long long expected = before < 0 ? -1 : before - NEBPT::ProgramRuntime::kScanMs;
        if (now != expected && !(now < 0 && before < 0)) {
            // The line as it went on until now, then the jump.
            timerPoint(lane, atMs, std::max(expected, 0LL));
            timerPoint(lane, atMs, std::max(now, 0LL));
        }
        m_lastTimerMs[lane] = now;
        m_timersRunning += now >= 0 ? 1 : 0;
    }
    m_timeline.untilMs = std::max(m_timeline.untilMs, atMs);
}

void Recorder::polled(long long atMs, int activeStep, const std::vector<long long>& timersMs)
{
    if (m_timeline.steps.back().value != activeStep && room(m_timeline.steps.size(), atMs))
        m_timeline.steps.push_back({atMs, static_cast<double>(activeStep)});
    for (std::size_t lane = 0; lane < m_timerOfLane.size(); ++lane) {
        const std::size_t k = m_timerOfLane[lane];
        if (k < timersMs.size())
            timerPoint(lane, atMs, std::max(timersMs[k], 0LL));
    }
    m_timeline.untilMs = std::max(m_timeline.untilMs, atMs);
}

void Recorder::action(long long atMs, const std::string& text)
{
    if (room(m_timeline.actions.size(), atMs))
        m_timeline.actions.push_back({atMs, text});
}

void Recorder::failure(long long atMs, const std::string& text)
{
    // The failures are few (one per expectation) and told whatever the cut.
    m_timeline.failures.push_back({atMs, text});
}

void Recorder::endAt(long long ms)
{
    if (m_timeline.cutAtMs < 0)
        m_timeline.untilMs = std::max(m_timeline.untilMs, ms);
    std::sort(m_timeline.failures.begin(), m_timeline.failures.end(),
              [](const Mark& a, const Mark& b) { return a.atMs < b.atMs; });
}

void Coverage::prepare(const NEBPT::ProgramRuntime& runtime)
{
    ++runs;
    if (runs > 1)
        return;
    pairs = pairNames(runtime);
    reached.assign(pairs.size(), false);
    const NEBPT::ProgramRuntime::ObjectsUsed used = runtime.objectsUsed();
    for (const std::size_t k : used.comparators)
        comparators.push_back({k});
    for (const std::size_t r : used.logicRules)
        rules.push_back({r});
    for (const std::size_t k : used.timers)
        timers.push_back({k});
}

void Coverage::scanned(const NEBPT::ProgramRuntime& runtime)
{
    const int step = runtime.activeStep();
    if (step >= 0 && static_cast<std::size_t>(step) < reached.size())
        reached[static_cast<std::size_t>(step)] = true;
    for (Seen& seen : comparators)
        (runtime.comparatorState(seen.index) ? seen.seenTrue : seen.seenFalse) = true;
    for (Seen& seen : rules)
        (runtime.logicRuleState(seen.index) ? seen.seenTrue : seen.seenFalse) = true;
    for (Timer& timer : timers)
        timer.ranOut = timer.ranOut || runtime.timedOut(timer.index);
}

void Coverage::print(std::ostream& out) const
{
    const auto total = [&out](const char* what, std::size_t done, std::size_t all) {
        char line[128];
        std::snprintf(line, sizeof line, "%-34s %zu of %zu", what, done, all);
        out << line << "\n";
    };
    out << "Coverage" << (runs > 1 ? " of " + std::to_string(runs) + " scenarios" : std::string())
        << ":\n";
    std::size_t done = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        out << "  pair " << pairs[i] << (reached[i] ? "" : "  never reached") << "\n";
        done += reached[i] ? 1 : 0;
    }
    total("pairs reached", done, pairs.size());
    const auto both = [&out, &total](const std::vector<Seen>& seen, const char* name,
                                     const char* what) {
        std::size_t count = 0;
        for (const Seen& s : seen) {
            const char* never = s.seenTrue && s.seenFalse ? ""
                                : s.seenTrue              ? "  never false"
                                : s.seenFalse             ? "  never true"
                                                          : "  never evaluated";
            out << "  " << name << " " << s.index << never << "\n";
            count += s.seenTrue && s.seenFalse ? 1 : 0;
        }
        total(what, count, seen.size());
    };
    both(comparators, "comparator", "comparators true and false");
    both(rules, "logic rule", "logic rules true and false");
    done = 0;
    for (const Timer& timer : timers) {
        out << "  timer " << timer.index << (timer.ranOut ? "" : "  never ran out") << "\n";
        done += timer.ranOut ? 1 : 0;
    }
    total("timers that ran out", done, timers.size());
}

void Coverage::shade(Timeline& timeline) const
{
    timeline.pairReached = reached;
    for (std::size_t lane = 0; lane < timeline.timers.size() && lane < timers.size(); ++lane)
        timeline.timers[lane].shaded = !timers[lane].ranOut;
}

} // namespace timeline
