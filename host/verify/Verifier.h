#pragma once

#include "Program.h"
#include "Property.h"

#include <chrono>
#include <string>
#include <vector>

// Proofs about a drive's program before it runs: the runtime's semantics
// (docs/RUNTIME.md) encoded for Z3, every input sequence up to a horizon
// considered at once (docs/VERIFY.md). What fails comes with a counterexample,
// replayed on NEBPT::ProgramRuntime before it is told, as a scenario that
// `nebpt-host --simulate` runs.
namespace verify {

struct Options
{
    long long horizonMs = 60000;
    std::chrono::milliseconds timeLimit{60000}; // for the whole verification
};

// What became of one property or built-in check.
struct Outcome
{
    enum class Status
    {
        Holds,
        Fails,
        Undecided, // the time limit came first
        Internal   // solver and runtime disagree: neither a pass nor a fail
    };
    std::string name; // the property's, or the check's ("every used step is reached")
    std::string file; // the counterexample's file name without ".json"
    Status status = Status::Undecided;
    std::string text; // "holds up to 60.000 s", "step 3 is never reached: ..."
    // Fails: the counterexample as a scenario (JSON text) and its input
    // settings as lines.
    std::string scenario;
    std::vector<std::string> inputs;
};

// The checks every program should pass: every used step is reached, every
// reached step goes on (its event can become true), and while the controller
// runs its stop event can stop it, at once.
std::vector<Outcome> checkProgram(Program& program, const Options& options);

// The properties of a properties file, in its order.
std::vector<Outcome> checkProperties(Program& program, const std::vector<Property>& properties,
                                     const Options& options);

// The first input sequence on which two programs act differently: a different
// step, action or running state after the same scan.
struct Divergence
{
    enum class Status
    {
        Same,      // alike up to the horizon
        Differs,   // at `atMs`, as `text` says
        Undecided, // the time limit came first
        Internal   // solver and runtime disagree
    };
    Status status = Status::Undecided;
    long long atMs = -1;
    // "at 5.001 s: A performs \"Select preset reference 1\", B is still in step 1"
    std::string text;
    std::string scenario; // Differs: the input sequence, expecting what A does
    std::vector<std::string> inputs;
};
Divergence behaviourDiff(Program& a, Program& b, const Options& options);
// The same on two programs' plain data (NEBPT::ProgramWorkflow::exportProgram),
// for the window's "What changes in behaviour". Throws NEBPT::ProgramError for
// a program the runtime cannot run.
Divergence behaviourDiff(const NEBPT::ProgramData& a, const NEBPT::ProgramData& b,
                         double horizonSeconds,
                         std::chrono::milliseconds timeLimit = std::chrono::milliseconds(60000));

} // namespace verify
