#pragma once

#include "IExtParamInterface.h"

#include <ostream>
#include <string>

// nebpt-host's command-line operations on drives the host has opened (drive
// images, program files, drives over a link). Each writes its result to `out`,
// a failure as one line to `errors`, and returns the exit status.
namespace hostcommands {

// The text with its line breaks written as "\n" and "\r": a failure is told in
// one line whatever texts a file holds (other control characters are escaped on
// the way out, see main.cpp).
std::string oneLine(std::string text);

// --export: the drive's program into a program file, saved atomically. The
// drive's own file (image or profile) is never the program file. 0, or 1 after a
// failure.
int exportProgram(IExtParamInterface& drive, const std::string& programPath, std::ostream& errors);

// --import: the program file into the drive when it fits, in one write; with
// `dryRun` only what would change, element by element. A value with more
// decimals than the drive keeps is refused, or with `round` rounded (a note on
// `errors` for each). 0 when the drive holds the program (over a link: read
// back); 1 after a refusal or failure that left the drive as it was; 3 when the
// drive holds (or may hold) a partly written program, naming the parameters
// that differ; the same import again finishes it.
int importProgram(IExtParamInterface& programFile, IExtParamInterface& drive, bool dryRun,
                  bool round, std::ostream& out, std::ostream& errors);

// --diff: the programs' differences in the terms of --print. 0 when equal, 1
// when different, 2 after a failure.
int diffPrograms(IExtParamInterface& a, IExtParamInterface& b, std::ostream& out,
                 std::ostream& errors);

// --check: what is probably wrong in the program. 0 when nothing is found, 1
// otherwise, 2 after a failure.
int checkProgram(IExtParamInterface& drive, std::ostream& out, std::ostream& errors);

} // namespace hostcommands
