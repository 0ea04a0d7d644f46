#pragma once

#include "ExitStatus.h"

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

// nebpt-host's commands on a drive in operation over a link whose profile has
// an input block (a drive that runs its program, nebpt-drive-sim --run).
namespace fieldcommands {

// One --set: the input's name (its choice text, as the program reads it) and
// the value, a condition (true 1, false 0) or a whole number.
struct Assignment
{
    std::string input;
    int value = 0;
};

// "Digital input 18=true", "Motor speed=1500": the name up to the last '=', the
// value after it (true, false or a whole number from -32768 to 32767). False
// with `reason` for anything else.
bool readAssignment(const std::string& text, Assignment& assignment, std::string& reason);

// --set: connects to the drive at `address` with the register map of the
// profile, reads its program to learn the names of the input block's inputs,
// checks the block's layout number against that program's (reading the program
// again when they differ: it changed meanwhile) and sets the inputs, each by
// its place. Tells each input set on `out`; done, or failed after one line on
// `errors` (the profile without an input block, an input the program does not
// read, a block whose layout is not the program's).
ExitStatus setInputs(const std::string& address, const std::string& profile,
                     std::chrono::milliseconds timeout, const std::vector<Assignment>& assignments,
                     std::ostream& out, std::ostream& errors);

// --record: connects as setInputs does and polls the drive's status block and
// input block every `period` (the window's monitor's) for `duration`, then
// writes what it saw as a scenario to `path`, atomically, as the monitor's
// Record does (scenario::RecordingWriter, Recording.h). Done, or failed after
// one line (no status block, the program changed while recording, a failed read).
ExitStatus record(const std::string& address, const std::string& profile,
                  std::chrono::milliseconds timeout, std::chrono::milliseconds duration,
                  std::chrono::milliseconds period, const std::string& path, std::ostream& out,
                  std::ostream& errors);

} // namespace fieldcommands
