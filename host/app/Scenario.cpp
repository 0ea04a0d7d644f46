#include "Scenario.h"

#include "framework/RegularFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace scenario {

namespace {

constexpr size_t kSizeLimit = 1024 * 1024;

std::string seconds(long long ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(ms) / 1000.0);
    return text;
}

// The time at the head of a trace line: "   6.000 s".
std::string stamp(long long ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%8.3f s", static_cast<double>(ms) / 1000.0);
    return text;
}

// Reads one entry (an object) of a scenario, naming it in every refusal.
class Entry
{
public:
    Entry(const QJsonValue& value, std::string file, std::string name)
        : m_file(std::move(file)), m_name(std::move(name))
    {
        if (!value.isObject())
            fail("is no object");
        m_object = value.toObject();
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw ScenarioError(m_file + ": " + m_name + (m_name.empty() ? "" : ": ") + what);
    }

    // Refuses keys other than `known`.
    void only(std::initializer_list<const char*> known) const
    {
        for (const QString& key : m_object.keys()) {
            const bool listed = std::any_of(known.begin(), known.end(), [&](const char* name) {
                return key == QLatin1String(name);
            });
            if (!listed)
                fail("unknown key \"" + key.toStdString() + "\"");
        }
    }

    bool has(const char* key) const { return m_object.contains(QLatin1String(key)); }
    QJsonValue value(const char* key) const { return m_object.value(QLatin1String(key)); }

    // A time in seconds from 0 to `limitMs`, in milliseconds.
    long long time(const char* key, long long limitMs) const
    {
        const QJsonValue v = value(key);
        if (!has(key))
            fail(std::string("\"") + key + "\" is missing");
        const double s = v.toDouble(-1);
        // Compared before it is rounded: a time too large for a whole number of
        // milliseconds would round to anything.
        if (!v.isDouble() || !std::isfinite(s) || s < 0 ||
            s * 1000 >= static_cast<double>(limitMs) + 0.5)
            fail(std::string("\"") + key + "\" needs a time in seconds from 0 to " +
                 seconds(limitMs));
        return std::llround(s * 1000);
    }

    std::string text(const char* key) const
    {
        const QJsonValue v = value(key);
        if (!v.isString() || v.toString().isEmpty())
            fail(std::string("\"") + key + "\" needs a text");
        return v.toString().toStdString();
    }

    const std::string& name() const { return m_name; }

private:
    std::string m_file, m_name;
    QJsonObject m_object;
};

// The entries of one list of the scenario; none when the list is absent.
QJsonArray listOf(const Entry& top, const char* key)
{
    if (!top.has(key))
        return {};
    if (!top.value(key).isArray())
        top.fail(std::string("\"") + key + "\" needs a list");
    return top.value(key).toArray();
}

Expectation expectation(const Entry& entry, long long untilMs)
{
    Expectation e;
    e.entry = entry.name();
    entry.only({"at", "within", "from", "to", "step", "running", "action", "noAction"});
    int kinds = 0;
    for (const char* key : {"step", "running", "action", "noAction"})
        kinds += entry.has(key) ? 1 : 0;
    if (kinds != 1)
        entry.fail("needs one of \"step\", \"running\", \"action\", \"noAction\"");
    if (entry.has("noAction")) {
        entry.only({"from", "to", "noAction"});
        e.kind = Expectation::Kind::NoAction;
        e.action = entry.text("noAction");
        e.fromMs = entry.time("from", untilMs);
        e.toMs = entry.time("to", untilMs);
        if (e.toMs < e.fromMs)
            entry.fail("\"to\" lies before \"from\"");
        return e;
    }
    e.atMs = entry.time("at", untilMs);
    if (entry.has("action")) {
        entry.only({"at", "action", "within"});
        e.kind = Expectation::Kind::Action;
        e.action = entry.text("action");
    } else if (entry.has("running")) {
        entry.only({"at", "running", "within"});
        e.kind = Expectation::Kind::Running;
        if (!entry.value("running").isBool())
            entry.fail("\"running\" needs true or false");
        e.running = entry.value("running").toBool();
    } else {
        entry.only({"at", "step", "within"});
        e.kind = Expectation::Kind::Step;
        const QJsonValue step = entry.value("step");
        const double number = step.toDouble(-1);
        if (step.isNull()) {
            e.step = -1;
        } else if (step.isDouble() && number >= 0 && number <= 1e6 &&
                   number == std::floor(number)) {
            e.step = static_cast<int>(number);
        } else {
            entry.fail("\"step\" needs a step number or null");
        }
    }
    e.withinMs = entry.has("within") ? entry.time("within", untilMs) : 0;
    return e;
}

} // namespace

Scenario parse(const std::string& text, const std::string& name)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    if (error.error != QJsonParseError::NoError) {
        throw ScenarioError(name + ": no JSON (" + error.errorString().toStdString() +
                            " at offset " + std::to_string(error.offset) + ")");
    }
    const Entry top(document.isObject() ? QJsonValue(document.object()) : QJsonValue(), name, "");
    top.only({"until", "set", "expect"});
    Scenario scenario;
    scenario.name = name;
    scenario.untilMs = top.time("until", Scenario::kLongestMs);
    if (scenario.untilMs == 0)
        top.fail("\"until\" needs a time after 0");
    const QJsonArray settings = listOf(top, "set");
    for (qsizetype i = 0; i < settings.size(); ++i) {
        const Entry entry(settings[i], name, "set[" + std::to_string(i) + "]");
        entry.only({"at", "input", "value"});
        Setting setting;
        setting.entry = entry.name();
        setting.atMs = entry.time("at", scenario.untilMs);
        setting.input = entry.text("input");
        const QJsonValue value = entry.value("value");
        if (value.isBool()) {
            setting.value = value.toBool() ? 1 : 0;
            setting.shown = value.toBool() ? "true" : "false";
        } else if (value.isDouble() && std::isfinite(value.toDouble())) {
            setting.value = value.toDouble();
            char shown[32];
            std::snprintf(shown, sizeof shown, "%.15g", setting.value);
            setting.shown = shown;
        } else {
            entry.fail("\"value\" needs true, false or a number");
        }
        scenario.settings.push_back(std::move(setting));
    }
    const QJsonArray expectations = listOf(top, "expect");
    for (qsizetype i = 0; i < expectations.size(); ++i) {
        const Entry entry(expectations[i], name, "expect[" + std::to_string(i) + "]");
        scenario.expectations.push_back(expectation(entry, scenario.untilMs));
    }
    // Settings in the order of their times; at one time, in the file's order.
    std::stable_sort(scenario.settings.begin(), scenario.settings.end(),
                     [](const Setting& a, const Setting& b) { return a.atMs < b.atMs; });
    return scenario;
}

Scenario load(const std::string& path)
{
    std::string text, error;
    if (!fw::readRegularFile(path, kSizeLimit, text, error))
        throw ScenarioError(path + ": cannot be read (" + error + ")");
    return parse(text, path);
}

void check(const Scenario& scenario, const NEBPT::ProgramRuntime& runtime)
{
    const auto refuse = [&scenario](const std::string& entry, const std::string& what) {
        throw ScenarioError(scenario.name + ": " + entry + ": " + what);
    };
    for (const Setting& setting : scenario.settings) {
        if (runtime.inputIndex(setting.input) < 0)
            refuse(setting.entry,
                   "no input \"" + setting.input + "\" in the program's choice lists");
    }
    const std::vector<std::string>& actions = runtime.actionNames();
    for (const Expectation& e : scenario.expectations) {
        if (!e.action.empty() &&
            std::find(actions.begin(), actions.end(), e.action) == actions.end())
            refuse(e.entry, "no action \"" + e.action + "\" in the program's choice list");
        if (e.kind == Expectation::Kind::Step && e.step >= runtime.steps()) {
            refuse(e.entry, "step " + std::to_string(e.step) + ": the program has " +
                                std::to_string(runtime.steps()) + " steps");
        }
    }
}

namespace {

std::string stepText(int step)
{
    return step < 0 ? "no step (not running)" : "step " + std::to_string(step);
}

} // namespace

std::vector<std::string> run(const Scenario& scenario, NEBPT::ProgramRuntime& runtime,
                             std::ostream& trace, std::size_t traceLimit,
                             const Observation& observation)
{
    timeline::Recorder* const recorder = observation.recorder;
    timeline::Coverage* const coverage = observation.coverage;
    if (coverage)
        coverage->prepare(runtime);
    using Kind = Expectation::Kind;
    runtime.restart();
    const std::vector<Expectation>& expected = scenario.expectations;
    // When an action expectation was met, when a no-action one was broken and
    // when a state expected within a tolerance held (-1: not).
    std::vector<long long> seen(expected.size(), -1);
    std::vector<std::string> failures(expected.size());

    // The trace's lines up to the limit; the others are only counted.
    std::size_t lines = 0, leftOut = 0;
    const auto line = [&]() -> std::ostream* {
        if (lines < traceLimit) {
            ++lines;
            return &trace;
        }
        ++leftOut;
        return nullptr;
    };

    // The state expectations in the order of their times.
    std::vector<size_t> states;
    // Those with a tolerance, in the order their windows open.
    std::vector<size_t> windows;
    for (size_t i = 0; i < expected.size(); ++i) {
        const Expectation& e = expected[i];
        if (e.kind == Kind::Step || e.kind == Kind::Running)
            (e.withinMs > 0 ? windows : states).push_back(i);
    }
    std::stable_sort(states.begin(), states.end(),
                     [&](size_t a, size_t b) { return expected[a].atMs < expected[b].atMs; });
    std::stable_sort(windows.begin(), windows.end(), [&](size_t a, size_t b) {
        return expected[a].atMs - expected[a].withinMs < expected[b].atMs - expected[b].withinMs;
    });
    // The open windows by the state they wait for: slot 0 "not running",
    // 1 "running", then no step (-1) and each step. A scan looks only at the
    // two slots of the state it leaves, so the run grows with scans plus
    // expectations, however many windows are open.
    // A step beyond the program's (refused by check()) never holds: no slot.
    std::vector<std::vector<size_t>> open(static_cast<size_t>(std::max(runtime.steps(), 0)) + 3);
    const auto slotOf = [](const Expectation& e) {
        return e.kind == Kind::Running ? (e.running ? size_t{1} : size_t{0})
                                       : static_cast<size_t>(e.step + 3);
    };

    // Action and no-action expectations by the steps whose action they name,
    // each action's in the order their windows open: the first time the action
    // is performed at or after a window opens decides it.
    struct Watch
    {
        std::vector<size_t> expectations;
        size_t next = 0;
    };
    const auto opens = [&expected](size_t i) {
        const Expectation& e = expected[i];
        return e.kind == Kind::Action ? e.atMs - e.withinMs : e.fromMs;
    };
    const auto closes = [&expected](size_t i) {
        const Expectation& e = expected[i];
        return e.kind == Kind::Action ? e.atMs + e.withinMs : e.toMs;
    };
    std::vector<Watch> watches;
    std::vector<Watch*> watchOfStep(static_cast<size_t>(std::max(runtime.steps(), 0)), nullptr);
    {
        std::vector<std::string> actions;
        for (size_t i = 0; i < expected.size(); ++i) {
            const Expectation& e = expected[i];
            if (e.kind != Kind::Action && e.kind != Kind::NoAction)
                continue;
            const auto at = std::find(actions.begin(), actions.end(), e.action);
            const auto index = static_cast<size_t>(at - actions.begin());
            if (at == actions.end()) {
                actions.push_back(e.action);
                watches.emplace_back();
            }
            watches[index].expectations.push_back(i);
        }
        for (Watch& watch : watches)
            std::stable_sort(watch.expectations.begin(), watch.expectations.end(),
                             [&](size_t a, size_t b) { return opens(a) < opens(b); });
        for (int step = 0; step < runtime.steps(); ++step) {
            const auto at = std::find(actions.begin(), actions.end(), runtime.actionText(step));
            if (at != actions.end())
                watchOfStep[static_cast<size_t>(step)] =
                    &watches[static_cast<size_t>(at - actions.begin())];
        }
    }
    const auto performed = [&](Watch& watch, long long timeMs) {
        for (; watch.next < watch.expectations.size() &&
               opens(watch.expectations[watch.next]) <= timeMs;
             ++watch.next) {
            const size_t i = watch.expectations[watch.next];
            if (timeMs <= closes(i))
                seen[i] = timeMs;
        }
    };

    std::vector<int> inputs;
    for (const Setting& setting : scenario.settings)
        inputs.push_back(runtime.inputIndex(setting.input));

    size_t nextSetting = 0, nextState = 0, nextWindow = 0;
    for (long long t = 0; t <= scenario.untilMs; t += NEBPT::ProgramRuntime::kScanMs) {
        for (; nextSetting < scenario.settings.size() && scenario.settings[nextSetting].atMs <= t;
             ++nextSetting) {
            const Setting& setting = scenario.settings[nextSetting];
            runtime.setInput(inputs[nextSetting], setting.value);
            if (recorder)
                recorder->input(t, inputs[nextSetting], setting.value);
            if (std::ostream* out = line())
                *out << stamp(t) << "  " << setting.input << " = " << setting.shown << "\n";
        }
        const NEBPT::ProgramRuntime::Scan scan = runtime.scan();
        if (recorder)
            recorder->scanned(scan.timeMs, runtime, scan);
        if (coverage)
            coverage->scanned(runtime);
        if (scan.change != NEBPT::ProgramRuntime::Change::None) {
            std::ostream* out = line();
            switch (scan.change) {
            case NEBPT::ProgramRuntime::Change::Started:
                if (out)
                    *out << stamp(scan.timeMs) << "  start at step 0  " << runtime.startEventText()
                         << "\n";
                break;
            case NEBPT::ProgramRuntime::Change::Stopped:
                if (out)
                    *out << stamp(scan.timeMs) << "  stop at step " << scan.from << "  "
                         << runtime.stopEventText() << "\n";
                break;
            default:
                if (out)
                    *out << stamp(scan.timeMs) << "  step " << scan.from << " -> " << scan.to
                         << "  " << runtime.eventText(scan.from) << " -> "
                         << runtime.actionText(scan.from) << "\n";
                if (scan.from >= 0 && static_cast<size_t>(scan.from) < watchOfStep.size() &&
                    watchOfStep[static_cast<size_t>(scan.from)])
                    performed(*watchOfStep[static_cast<size_t>(scan.from)], scan.timeMs);
                break;
            }
        }
        // A state expected within a tolerance holds after some scan of its
        // window: the windows open by now wait in the slot of their state, and
        // the first scan that finds that state decides them.
        for (; nextWindow < windows.size() &&
               expected[windows[nextWindow]].atMs - expected[windows[nextWindow]].withinMs <= t;
             ++nextWindow) {
            if (const size_t slot = slotOf(expected[windows[nextWindow]]); slot < open.size())
                open[slot].push_back(windows[nextWindow]);
        }
        for (const size_t slot : {static_cast<size_t>(runtime.running() ? 1 : 0),
                                  static_cast<size_t>(runtime.activeStep() + 3)}) {
            if (slot >= open.size())
                continue;
            for (const size_t i : open[slot]) {
                if (t <= expected[i].atMs + expected[i].withinMs)
                    seen[i] = t;
            }
            open[slot].clear();
        }
        for (; nextState < states.size() && expected[states[nextState]].atMs <= t; ++nextState) {
            const size_t i = states[nextState];
            const Expectation& e = expected[i];
            const std::string at = e.entry + " at " + seconds(e.atMs) + ": ";
            if (e.kind == Kind::Step && runtime.activeStep() != e.step) {
                failures[i] = at + stepText(e.step) + " expected, " +
                              stepText(runtime.activeStep()) + " active";
            }
            if (e.kind == Kind::Running && runtime.running() != e.running) {
                failures[i] = at + (e.running ? "running expected, the controller does not run"
                                              : "not running expected, the controller runs at " +
                                                    stepText(runtime.activeStep()));
            }
        }
    }
    if (leftOut > 0) {
        trace << "... " << leftOut << (leftOut == 1 ? " more line" : " more lines")
              << " of the trace left out (the trace is cut after " << traceLimit << " lines)\n";
    }
    std::vector<std::string> failed;
    for (size_t i = 0; i < scenario.expectations.size(); ++i) {
        const Expectation& e = scenario.expectations[i];
        if (e.kind == Kind::Action && seen[i] < 0) {
            failures[i] = e.entry + ": \"" + e.action + "\" expected at " + seconds(e.atMs) +
                          (e.withinMs ? " (within " + seconds(e.withinMs) + ")" : "") +
                          ", not performed then";
        }
        if ((e.kind == Kind::Step || e.kind == Kind::Running) && e.withinMs > 0 && seen[i] < 0) {
            failures[i] = e.entry + " at " + seconds(e.atMs) + " (within " + seconds(e.withinMs) +
                          "): " +
                          (e.kind == Kind::Step ? stepText(e.step)
                           : e.running          ? std::string("running")
                                                : std::string("not running")) +
                          " expected, not so then";
        }
        if (e.kind == Kind::NoAction && seen[i] >= 0) {
            failures[i] = e.entry + ": \"" + e.action + "\" performed at " + seconds(seen[i]) +
                          ", expected not from " + seconds(e.fromMs) + " to " + seconds(e.toMs);
        }
        if (failures[i].empty())
            continue;
        failed.push_back(failures[i]);
        if (recorder) {
            recorder->failure(e.kind == Kind::NoAction ? seen[i] : e.atMs, failures[i]);
        }
    }
    if (recorder)
        recorder->endAt(scenario.untilMs);
    return failed;
}

} // namespace scenario
