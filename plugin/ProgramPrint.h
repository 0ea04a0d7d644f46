#pragma once

#include "IExtParamInterface.h"
#include "NEBPTExport.h"

#include <ostream>
#include <string>
#include <vector>

namespace NEBPT {

// Connects to the drive the way the host does (support question first, then the
// settings manager) and writes its controller program as text: the drive's
// identity with `driveLabel`, the pairs, the comparators, logic rules and timers
// they refer to, and the controller settings.
//
// Returns true when the program was printed. Otherwise returns false with
// `failure` telling in one line what is wrong: the drive is not supported, the
// drive configuration cannot be used, or what the plug-in or the drive reported.
NEBPT_EXPORT bool printProgram(IExtParamInterface& drive, const std::string& driveLabel,
                               std::ostream& out, std::string& failure);

// Connects to the drive as printProgram does and looks through its program for
// what is probably wrong, one line each in `findings`, naming the pair or object
// as printProgram does: an event, action or rule operand that refers to a timer
// at 0, a disabled comparator or an empty logic rule; a logic rule that refers
// to itself through other rules (with the chain); a comparator, logic rule or
// timer set up that neither a pair nor the controller's events use; a
// controller whose mode is on with no start event.
//
// Returns true when the program was looked through (`findings` empty: nothing
// found); false with `failure` as printProgram.
NEBPT_EXPORT bool checkProgram(IExtParamInterface& drive, std::vector<std::string>& findings,
                               std::string& failure);

// The parameters that hold the drive's program, as the drive configuration names
// them for the drive's type and database (the fourteen controller parameters,
// in the configuration's order). Asks the drive for its identity only, nothing
// else. Returns false with `failure` telling why when the configuration has no
// entry for the drive or cannot be used.
NEBPT_EXPORT bool programParameters(IExtParamInterface& drive, std::vector<std::string>& numbers,
                                    std::string& failure);

} // namespace NEBPT
