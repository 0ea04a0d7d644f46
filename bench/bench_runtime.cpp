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

#include "ProgramRuntime.h"
#include "SimulatedDrive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kPairs = 255;
constexpr long long kHourMs = 3600LL * 1000;
constexpr int kRuns = 5;

NEBPT::ProgramParameter& parameter(NEBPT::ProgramData& program, const char* number)
{
    for (NEBPT::ProgramParameter& p : program.parameters) {
        if (p.number == number)
            return p;
    }
    std::fprintf(stderr, "the sample has no parameter %s\n", number);
    std::exit(1);
}

// Events and actions by choice value (the FCD-300 sample's lists): five pairs
// that start a timer, wait for it, wait for a comparator, for a logic rule and
// for an input.
NEBPT::ProgramData bigProgram()
{
    SimulatedDrive drive(NEBPT_DATA_DIR "/fcd300_sample.json", SimulatedDrive::Access::Read);
    NEBPT::ProgramData program = NEBPT::ProgramWorkflow().exportProgram(drive);
    std::vector<std::string> events, actions;
    for (int i = 0; i < kPairs; ++i) {
        const int timer = (i / 5) % 8;
        switch (i % 5) {
        case 0: // True -> Start timer k
            events.push_back("1");
            actions.push_back(std::to_string(30 + timer));
            break;
        case 1: // Timeout k -> Set relay 1 high
            events.push_back(std::to_string(34 + timer));
            actions.push_back("25");
            break;
        case 2: // Comparator 0 -> Select preset reference 1
            events.push_back("22");
            actions.push_back("7");
            break;
        case 3: // Logic rule 0 (Comparator 1 AND Digital input 19) -> Set relay 1 low
            events.push_back("28");
            actions.push_back("24");
            break;
        default: // Digital input 18 -> Stop all timers
            events.push_back("19");
            actions.push_back("47");
            break;
        }
    }
    for (const char* number : {"1301", "1302"}) {
        NEBPT::ProgramParameter& p = parameter(program, number);
        p.elementCount = kPairs;
        p.values = number[3] == '1' ? events : actions;
    }
    // Running from the first scan on, never stopped.
    parameter(program, "1305").values = {"1"};
    parameter(program, "1306").values = {"0"};
    // Timers of 10 to 80 ms.
    NEBPT::ProgramParameter& timers = parameter(program, "1303");
    for (size_t t = 0; t < timers.values.size(); ++t)
        timers.values[t] = "0.0" + std::to_string(t + 1);
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

} // namespace

int main()
{
    const auto built = std::chrono::steady_clock::now();
    NEBPT::ProgramRuntime runtime(bigProgram());
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
    std::printf("virtual/real %.0f\n", static_cast<double>(kHourMs) / time);
    return 0;
}
