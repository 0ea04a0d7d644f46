#pragma once

#include "ProgramRuntime.h"
#include "Timeline.h"

#include <cstddef>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

// Scenario tests for drive programs (nebpt-host --simulate): what the world does
// to a program's inputs and when, and what the controller is expected to do,
// run in virtual time on the library's model of the controller
// (NEBPT::ProgramRuntime). A scenario file is JSON; times are seconds from the
// controller's first scan, taken to the millisecond:
//
//   { "until": 30.0,
//     "set":    [ {"at": 0.5, "input": "Running", "value": true},
//                 {"at": 7.0, "input": "Motor speed", "value": 1500} ],
//     "expect": [ {"at": 6.5, "step": 2},
//                 {"at": 6.0, "action": "Select preset reference 1", "within": 0.01},
//                 {"from": 20.0, "to": 30.0, "noAction": "Select preset reference 1"},
//                 {"at": 26.0, "running": false} ] }
//
// "until" ends the run (at most 24 hours; its own scan is the last). A setting
// takes effect before the scan at its time; inputs are named by their choice
// texts, true is 1 and false 0. "step" is the active step after the scan at
// "at" (null: the controller does not run), "running" whether it runs then
// (with "within": after some scan within that many seconds of "at", as a
// recording of a drive polled that often expects it); "action" is a step's
// action performed within "within" seconds (default 0) of "at", "noAction" one
// performed in no scan from "from" to "to".
namespace scenario {

// A scenario that cannot be used; what() names the file and the entry
// ("s.json: set[1]: no input \"Motor sped\" in the program's choice lists").
class ScenarioError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct Setting
{
    long long atMs = 0;
    std::string input;
    double value = 0;
    std::string shown; // as the trace shows it: "true", "1500"
    std::string entry; // "set[1]"
};

struct Expectation
{
    enum class Kind
    {
        Step,
        Running,
        Action,
        NoAction
    };
    Kind kind = Kind::Step;
    long long atMs = 0, withinMs = 0; // Step, Running, Action (0: exactly at atMs)
    long long fromMs = 0, toMs = 0;   // NoAction
    int step = -1;                    // Step: -1 when none is expected
    bool running = false;
    std::string action;
    std::string entry; // "expect[2]"
};

struct Scenario
{
    static constexpr long long kLongestMs = 24LL * 3600 * 1000;
    std::string name; // the file, for messages
    long long untilMs = 0;
    std::vector<Setting> settings;
    std::vector<Expectation> expectations;
};

// Reads a scenario from JSON text; `name` names it in messages. Throws
// ScenarioError naming the entry at fault: text that is no JSON object, a key
// missing, unknown or of the wrong type, a time out of range.
Scenario parse(const std::string& text, const std::string& name);
// Reads the scenario file (a regular file of at most 1 MiB).
Scenario load(const std::string& path);

// Refuses (ScenarioError) a scenario that names an input or action the program's
// drive does not offer, or a step beyond the program's.
void check(const Scenario& scenario, const NEBPT::ProgramRuntime& runtime);

// What a run records beside its trace, when asked: a picture's lanes, what it
// reached of the program.
struct Observation
{
    timeline::Recorder* recorder = nullptr;
    timeline::Coverage* coverage = nullptr; // runs add up
};

// The lines of a trace written at most, unless told otherwise.
constexpr std::size_t kTraceLimit = 100000;

// Runs the program from its first scan to the scenario's end, as fast as it
// can, writing one line to `trace` for each setting and each change of the
// controller ("   6.000 s  step 1 -> 2  Timeout 0 -> Select preset reference 1"),
// the first `traceLimit` of them, then one line telling how many were left
// out. Returns one line for each expectation that failed, naming it, whatever
// the trace shows. Takes time in proportion to the scans plus the
// expectations (and the objects of the program, with an observation).
std::vector<std::string> run(const Scenario& scenario, NEBPT::ProgramRuntime& runtime,
                             std::ostream& trace, std::size_t traceLimit = kTraceLimit,
                             const Observation& observation = {});

} // namespace scenario
