#pragma once

#include "IExtParamInterface.h"

#include <ostream>
#include <string>

// nebpt-host's command-line operations on drives the host has opened (drive
// images, program files, drives over a link). Each writes its result to `out`,
// a failure as one line to `errors`, and returns the exit status.
namespace hostcommands {

// --export: the drive's program into a program file, saved atomically. 0, or 1
// after a failure.
int exportProgram(IExtParamInterface& drive, const std::string& programPath, std::ostream& errors);

// --import: the program file into the drive when it fits, in one write; with
// `dryRun` only what would change, element by element. 0, or 1 after a refusal
// (nothing written).
int importProgram(IExtParamInterface& programFile, IExtParamInterface& drive, bool dryRun,
                  std::ostream& out, std::ostream& errors);

// --diff: the programs' differences in the terms of --print. 0 when equal, 1
// when different, 2 after a failure.
int diffPrograms(IExtParamInterface& a, IExtParamInterface& b, std::ostream& out,
                 std::ostream& errors);

// --check: what is probably wrong in the program. 0 when nothing is found, 1
// otherwise, 2 after a failure.
int checkProgram(IExtParamInterface& drive, std::ostream& out, std::ostream& errors);

} // namespace hostcommands
