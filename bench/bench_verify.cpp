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

#include "BenchPrograms.h"
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

    verify::Program small(bench::sample());
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

    verify::Program big(bench::bigProgram(kPairs, "17"));
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
