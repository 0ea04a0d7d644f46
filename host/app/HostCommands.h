#pragma once

#include "ExitStatus.h"
#include "IExtParamInterface.h"
#include "OpenDrive.h"
#include "ProgramWorkflow.h"
#include "Scenario.h"

#include <ostream>
#include <string>

// nebpt-host's command-line operations on drives the host has opened (drive
// images, program files, drives over a link: nebpt-host opens them as
// documents, DriveDocument). Each writes its result to `out`, a failure as one
// line to `errors`, and returns the exit status (ExitStatus.h). A `workflow`
// given is the one the drive's document keeps warm; without one a command
// makes its own.
namespace hostcommands {

// The text with every control character written as an escape ("\n", "\x01"): a
// failure is told in one line whatever texts a file or a drive holds.
std::string oneLine(const std::string& text);

// The drive's program as sections (NEBPT::programSections) under the drive's name,
// read as --print reads it. Done, or failed after one line naming the file or address.
ExitStatus readProgram(const DriveName& name, NEBPT::ProgramSections& sections,
                       std::ostream& errors, const std::string& language = {});
// The same from the drive open under `name`.
ExitStatus readProgram(HostDrive& drive, const DriveName& name, NEBPT::ProgramSections& sections,
                       std::ostream& errors, const std::string& language = {});

// --print: connects to the drive the way the host connects to one (support
// question first, then the plug-in's settings manager) and writes its controller
// program as text under the drive's name: the pairs, the comparators, logic rules
// and timers they refer to, and the controller settings. An image is only read,
// never locked: one a host has open for writing is printed all the same. A
// `language` tells the drive the language the host runs in; empty, the drive
// answers its own. Every value printed was read: when a read fails, nothing is
// printed. Done, or failed after one line naming the file or address.
ExitStatus printProgram(const DriveName& name, std::ostream& out, std::ostream& errors,
                        const std::string& language = {});
ExitStatus printProgram(HostDrive& drive, const DriveName& name, std::ostream& out,
                        std::ostream& errors, const std::string& language = {});

// --export: the drive's program into a program file, saved atomically. The
// drive's own file (image or profile) is never the program file. Done or failed.
ExitStatus exportProgram(IExtParamInterface& drive, const std::string& programPath,
                         std::ostream& errors, NEBPT::ProgramWorkflow* workflow = nullptr);

// --import: the program file into the drive when it fits, in one write; with
// `dryRun` only what would change, element by element. A value with more
// decimals than the drive keeps is refused, or with `round` rounded (a note on
// `errors` for each). Done when the drive holds the program (over a link: read
// back); failed after a refusal or failure that left the drive as it was; partly
// written when the drive holds (or may hold) part of it, naming the parameters
// that differ; the same import again finishes it.
// `result`, when given, learns what the import found (nebpt-host --fleet runs
// many and tells each drive's outcome).
struct ImportResult
{
    bool refused = false; // the program does not fit the drive: nothing written
    size_t changes = 0;   // the elements the plan changes: all written when done
};
ExitStatus importProgram(IExtParamInterface& programFile, IExtParamInterface& drive, bool dryRun,
                         bool round, std::ostream& out, std::ostream& errors,
                         NEBPT::ProgramWorkflow* workflow = nullptr,
                         ImportResult* result = nullptr);

// --diff: the programs' differences in the terms of --print. Done when equal,
// found when different, failed when a program cannot be read.
ExitStatus diffPrograms(IExtParamInterface& a, IExtParamInterface& b, std::ostream& out,
                        std::ostream& errors, NEBPT::ProgramWorkflow* workflow = nullptr);

// --check: what is probably wrong in the program. Done when nothing is found,
// found otherwise, failed when it cannot be checked.
ExitStatus checkProgram(IExtParamInterface& drive, std::ostream& out, std::ostream& errors);

// --simulate: the scenario file (Scenario.h) read first; a wrong command line
// when it cannot be used (unreadable or malformed), told in one line naming
// the entry.
ExitStatus loadScenario(const std::string& scenarioPath, scenario::Scenario& planned,
                        std::ostream& errors);
// What --simulate runs and makes of it.
struct Simulation
{
    std::vector<scenario::Scenario> scenarios;      // one after the other
    std::size_t traceLimit = scenario::kTraceLimit; // of each trace
    std::string plot;      // --plot: the timing diagram to write (TimingChart.h); empty: none
    bool coverage = false; // --coverage: the table of what the scenarios reached
};
// Then runs the program of the drive open under `name` on the library's model
// of the controller (NEBPT::ProgramRuntime) through each scenario, in virtual
// time, writing the trace to `out` (under the scenario's name when there are
// several) and each failed expectation, named, to `errors`. Done when every
// expectation holds, failed when one does not or when the program cannot be
// read or run, or the picture cannot be written; a wrong command line when a
// scenario names an input, action or step the program lacks (nothing runs). The
// drive is only read. A trace longer than the limit is cut with a note
// (--trace-limit); the result is the same. The coverage table follows the
// traces and changes nothing of the result.
ExitStatus simulateProgram(HostDrive& drive, const DriveName& name, const Simulation& simulation,
                           std::ostream& out, std::ostream& errors,
                           NEBPT::ProgramWorkflow* workflow = nullptr);

} // namespace hostcommands
