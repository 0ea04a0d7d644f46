#pragma once

#include "IExtParamInterface.h"
#include "NEBPTExport.h"

#include <ostream>
#include <string>

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

} // namespace NEBPT
