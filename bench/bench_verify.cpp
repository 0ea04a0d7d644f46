// How long NEBPT's proofs about a program take (nebpt-host --verify).
//
// On the FCD-300 sample: the built-in checks and the four properties of a
// typical properties file (an action never performed while a guard input is
// false, the last step reachable, a trip stopping the controller within 10 ms,
// a preset reference never selected at low speed), horizon 60 s. On a 255-pair
// program made from the sample (timers, comparators and logic rules in every
// pattern of five pairs, as bench_runtime makes it): the built-in checks,
// horizon 60 s. Prints each outcome, then `sample <s> s` and `255 pairs <s> s`,
// wall time of the median of three runs; the goals are at most 2 s and 60 s.

#include "SimulatedDrive.h"
#include "Verifier.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kPairs = 255;
constexpr int kRuns = 3;

NEBPT::ProgramData sample()
{
    SimulatedDrive drive(NEBPT_DATA_DIR "/fcd300_sample.json", SimulatedDrive::Access::Read);
    return NEBPT::ProgramWorkflow().exportProgram(drive);
}

NEBPT::ProgramParameter& parameter(NEBPT::ProgramData& program, const char* number)
{
    for (NEBPT::ProgramParameter& p : program.parameters) {
        if (p.number == number)
            return p;
    }
    std::fprintf(stderr, "the sample has no parameter %s\n", number);
    std::exit(1);
}

// Events and actions by choice value (the FCD-300 sample's lists), five pairs
// that start a timer, wait for it, wait for a comparator, for a logic rule and
// for an input.
NEBPT::ProgramData bigProgram()
{
    NEBPT::ProgramData program = sample();
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
    parameter(program, "1305").values = {"1"};  // started at once
    parameter(program, "1306").values = {"17"}; // stopped by a trip
    NEBPT::ProgramParameter& timers = parameter(program, "1303");
    for (size_t t = 0; t < timers.values.size(); ++t)
        timers.values[t] = "0.0" + std::to_string(t + 1); // 10 to 80 ms
    return program;
}

const char* kProperties = R"json({ "horizon": 60.0,
  "properties": [
    { "name": "relay only with the guard", "never": {"action": "Set relay 1 high"},
      "while": {"input": "Digital input 19", "value": false} },
    { "name": "last step reachable", "reachable": {"step": 5} },
    { "name": "trip stops at once", "after": {"input": "Alarm (trip)", "value": true},
      "within": 0.01, "expect": {"running": false} },
    { "name": "slow speed never selects reference 1",
      "never": {"action": "Select preset reference 1"},
      "while": {"input": "Motor speed", "below": 300} }
  ] })json";

const char* statusText(verify::Outcome::Status status)
{
    switch (status) {
    case verify::Outcome::Status::Holds:
        return "holds";
    case verify::Outcome::Status::Fails:
        return "fails";
    case verify::Outcome::Status::Undecided:
        return "undecided";
    default:
        return "INTERNAL";
    }
}

void print(const std::vector<verify::Outcome>& outcomes)
{
    for (const verify::Outcome& o : outcomes)
        std::printf("  [%s] %s: %s\n", statusText(o.status), o.name.c_str(), o.text.c_str());
}

template <typename Work> double median(Work work)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work(run == 0);
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    verify::Options options;
    options.horizonMs = 60000;
    options.timeLimit = std::chrono::seconds(120);

    verify::Program small(sample());
    const verify::PropertyFile file = verify::parseProperties(kProperties, "bench", small);
    const double sampleTime = median([&](bool first) {
        const std::vector<verify::Outcome> checks = verify::checkProgram(small, options);
        const std::vector<verify::Outcome> properties =
            verify::checkProperties(small, file.properties, options);
        if (first) {
            std::printf("sample (%d pairs), horizon 60 s:\n", small.steps());
            print(checks);
            print(properties);
        }
    });

    verify::Program big(bigProgram());
    const double bigTime = median([&](bool first) {
        const std::vector<verify::Outcome> checks = verify::checkProgram(big, options);
        if (first) {
            std::printf("%d pairs, horizon 60 s:\n", big.steps());
            print(checks);
        }
    });
    std::printf("sample %.3f s\n", sampleTime);
    std::printf("255 pairs %.3f s\n", bigTime);
    return 0;
}
