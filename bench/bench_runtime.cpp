// How fast NEBPT's model of the controller runs a program in virtual time,
// beside the floor of a plain loop doing the least a scan must do.
//
// Makes a 255-pair program from the FCD-300 sample (timers, comparators and
// logic rules in every pattern of five pairs) and runs it for one hour of
// virtual time (3,600,000 scans of 1 ms), the world changing its inputs every
// few milliseconds as a scenario would. Times, as medians of runs taken in turn:
// the floor (a loop that reads the active step's input and moves on when it is
// true) and the runtime. Prints the figures and, last, `virtual/real <hour of
// virtual time / median real time of the runtime>`; the goal is at least 3,600
// (an hour in a second).
//
// Then a day of virtual time (86,400,000 scans) of a scenario as --simulate runs
// it (host/app/Scenario) with 20,000 expectations of every kind, on a program
// that takes a step in every scan: the real time beside the runtime alone over
// the same day, and `day with 20000 expectations <s> s` (goal at most 30 s).
// Every expectation holds; the trace is cut at its default limit. The day once
// more recorded for --plot and --coverage, beside it.

#include "BenchPrograms.h"
#include "ProgramRuntime.h"
#include "Scenario.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kPairs = 255;
constexpr long long kHourMs = 3600LL * 1000;
constexpr int kRuns = 5;
constexpr long long kDayMs = 24 * kHourMs;
constexpr int kExpectations = 20000;

// Four pairs whose event is `True`: a step in every scan, their actions in turn
// Set relay 1 high, Set relay 1 low, Select preset reference 1, Set relay 1 high.
NEBPT::ProgramData steppingProgram()
{
    using bench::parameter;
    NEBPT::ProgramData program = bench::sample();
    parameter(program, "1301").values = {"1", "1", "1", "1"};
    parameter(program, "1302").values = {"25", "24", "7", "25"};
    parameter(program, "1301").elementCount = parameter(program, "1302").elementCount = 4;
    parameter(program, "1305").values = {"1"};
    parameter(program, "1306").values = {"0"};
    return program;
}

double milliseconds(std::chrono::steady_clock::duration time)
{
    return std::chrono::duration<double, std::milli>(time).count();
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// What the world does: some input changes every few milliseconds.
struct World
{
    int di18, di19, speed, voltage;

    template <typename Set> void at(long long ms, Set set) const
    {
        if (ms % 7 == 0)
            set(di18, (ms / 7) % 2);
        if (ms % 13 == 0)
            set(speed, (ms / 13) % 2 ? 1500 : 1000);
        if (ms % 50 == 0)
            set(di19, (ms / 50) % 2);
        if (ms == 0)
            set(voltage, 700);
    }
};

// What the controller did at one time of the day, read after its scan.
struct Seen
{
    int step = -1;
    bool running = false;
    std::string action; // performed in that scan; empty when it took no step
};

// The day as a scenario: an input set every 10 s, and 20,000 expectations at
// times spread over the day, each kind in turn, drawn from what the runtime did
// alone (`seen`, by the expectations' times): a step then, running within
// 50 ms, an action within 3 ms, a state within 10 minutes (many windows open
// at once), and an action the program never performs over a minute.
scenario::Scenario dayScenario(const std::vector<long long>& times, const std::vector<Seen>& seen,
                               const std::string& never)
{
    scenario::Scenario day;
    day.name = "day";
    day.untilMs = kDayMs;
    for (long long at = 0; at < kDayMs; at += 10000) {
        scenario::Setting setting;
        setting.atMs = at;
        setting.input = "Digital input 18";
        setting.value = static_cast<double>((at / 10000) % 2);
        setting.shown = setting.value != 0 ? "true" : "false";
        setting.entry = "set[" + std::to_string(day.settings.size()) + "]";
        day.settings.push_back(setting);
    }
    using Kind = scenario::Expectation::Kind;
    for (size_t i = 0; i < times.size(); ++i) {
        scenario::Expectation e;
        e.entry = "expect[" + std::to_string(i) + "]";
        e.atMs = times[i];
        switch (i % 5) {
        case 0:
            e.kind = Kind::Step;
            e.step = seen[i].step;
            break;
        case 1:
            e.kind = Kind::Running;
            e.running = true;
            e.withinMs = 50;
            break;
        case 2:
            e.kind = Kind::Action;
            e.action = seen[i].action;
            e.withinMs = 3;
            break;
        case 3:
            e.kind = Kind::Step;
            e.step = seen[i].step;
            e.withinMs = 600000;
            break;
        default:
            e.kind = Kind::NoAction;
            e.action = never;
            e.fromMs = times[i];
            e.toMs = std::min(times[i] + 60000, kDayMs);
            break;
        }
        day.expectations.push_back(e);
    }
    return day;
}

// Runs the day as a scenario; exits when it does not run as the runtime alone did.
void runDay()
{
    NEBPT::ProgramRuntime runtime(steppingProgram());
    std::vector<long long> times;
    for (int i = 0; i < kExpectations; ++i) // from 1 s to the last scan, all different
        times.push_back(1000 + (kDayMs - 1000) * i / kExpectations + (i * 7919) % 4000);
    std::sort(times.begin(), times.end());

    // The floor: the runtime alone over the day, reading what it did at those times.
    const int di18 = runtime.inputIndex("Digital input 18");
    std::vector<Seen> seen(times.size());
    long long stepped = 0;
    auto start = std::chrono::steady_clock::now();
    size_t next = 0;
    for (long long ms = 0; ms <= kDayMs; ++ms) {
        if (ms % 10000 == 0)
            runtime.setInput(di18, static_cast<double>((ms / 10000) % 2));
        const NEBPT::ProgramRuntime::Scan scan = runtime.scan();
        stepped += scan.change == NEBPT::ProgramRuntime::Change::Stepped;
        for (; next < times.size() && times[next] == ms; ++next) {
            seen[next] = {runtime.activeStep(), runtime.running(),
                          scan.change == NEBPT::ProgramRuntime::Change::Stepped
                              ? runtime.actionText(scan.from)
                              : std::string()};
        }
    }
    const double floorMs = milliseconds(std::chrono::steady_clock::now() - start);

    std::string never;
    for (const std::string& action : runtime.actionNames()) {
        if (action != runtime.actionText(0) && action != runtime.actionText(1) &&
            action != runtime.actionText(2))
            never = action;
    }
    const scenario::Scenario day = dayScenario(times, seen, never);
    scenario::check(day, runtime);
    std::ostringstream trace;
    start = std::chrono::steady_clock::now();
    const std::vector<std::string> failed = scenario::run(day, runtime, trace);
    const double dayMs = milliseconds(std::chrono::steady_clock::now() - start);
    const std::string text = trace.str();
    if (stepped < kDayMs - 1 || !failed.empty() ||
        text.find(" of the trace left out") == std::string::npos) {
        std::fprintf(stderr, "the day did not run as the runtime alone: %lld steps, %zu failed%s\n",
                     stepped, failed.size(), failed.empty() ? "" : (": " + failed[0]).c_str());
        std::exit(1);
    }
    std::printf("a day of virtual time (%lld scans, %lld steps): the runtime alone %.1f s\n",
                kDayMs + 1, stepped, floorMs / 1000);
    std::printf("day with %d expectations %.1f s\n", kExpectations, dayMs / 1000);

    // The same day recorded for a picture (--plot: cut when a lane is full) and
    // for --coverage: what watching every scan adds.
    timeline::Recorder recorder(runtime, "day");
    timeline::Coverage coverage;
    std::ostringstream watched;
    start = std::chrono::steady_clock::now();
    scenario::run(day, runtime, watched, scenario::kTraceLimit, {&recorder, &coverage});
    const double watchedMs = milliseconds(std::chrono::steady_clock::now() - start);
    std::printf("day recorded for --plot and --coverage %.1f s (ratio to the day %.2f; picture "
                "cut at %.1f s)\n",
                watchedMs / 1000, watchedMs / dayMs,
                static_cast<double>(recorder.timeline().cutAtMs) / 1000);
}

} // namespace

int main()
{
    const auto built = std::chrono::steady_clock::now();
    NEBPT::ProgramRuntime runtime(bench::bigProgram(kPairs, "0"));
    const double buildMs = milliseconds(std::chrono::steady_clock::now() - built);
    const World world{runtime.inputIndex("Digital input 18"),
                      runtime.inputIndex("Digital input 19"), runtime.inputIndex("Motor speed"),
                      runtime.inputIndex("DC link voltage")};
    if (runtime.steps() != kPairs || world.di18 < 0 || world.speed < 0) {
        std::fprintf(stderr, "the program is not what the benchmark makes\n");
        return 1;
    }

    std::vector<double> floors, runs;
    long long steps = 0, floorSteps = 0;
    for (int run = 0; run < kRuns; ++run) {
        // The floor: the active step's input, read from an array, moves it on.
        std::vector<double> inputs(runtime.inputNames().size(), 0);
        std::vector<int> eventInput(kPairs);
        for (int i = 0; i < kPairs; ++i)
            eventInput[i] = i % 3 == 0 ? world.di18 : i % 3 == 1 ? world.di19 : world.speed;
        auto start = std::chrono::steady_clock::now();
        int step = 0;
        floorSteps = 0;
        for (long long ms = 0; ms < kHourMs; ++ms) {
            world.at(ms, [&](int input, double value) { inputs[input] = value; });
            if (inputs[eventInput[step]] != 0) {
                step = step + 1 == kPairs ? 0 : step + 1;
                ++floorSteps;
            }
        }
        floors.push_back(milliseconds(std::chrono::steady_clock::now() - start));

        runtime.restart();
        steps = 0;
        start = std::chrono::steady_clock::now();
        for (long long ms = 0; ms < kHourMs; ++ms) {
            world.at(ms, [&](int input, double value) { runtime.setInput(input, value); });
            steps += runtime.scan().change == NEBPT::ProgramRuntime::Change::Stepped;
        }
        runs.push_back(milliseconds(std::chrono::steady_clock::now() - start));
    }
    const double floor = median(floors), time = median(runs);

    std::printf("program of %d pairs, built in %.1f ms; one hour of virtual time: %lld scans\n",
                kPairs, buildMs, kHourMs);
    std::printf("floor   (a plain loop, one input a scan, %lld steps) %8.1f ms  %6.1f ns/scan\n",
                floorSteps, floor, floor * 1e6 / static_cast<double>(kHourMs));
    std::printf("runtime (%lld steps taken)                        %8.1f ms  %6.1f ns/scan\n",
                steps, time, time * 1e6 / static_cast<double>(kHourMs));
    std::printf("runtime / floor %.1f\n", time / floor);
    runDay();
    std::printf("virtual/real %.0f\n", static_cast<double>(kHourMs) / time);
    return 0;
}
