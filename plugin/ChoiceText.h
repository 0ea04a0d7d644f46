#pragma once

#include "NEBPTExport.h"

#include <string>
#include <vector>

namespace NEBPT {

// A choice of a drive's choice list ("19:Digital input 18:NPN") in pieces, as the
// editor reads it: split at colons, leading and repeated ones skipped. The first
// piece is the choice's ID, the second the text the editor shows ("Digital
// input 18"); what follows is not shown. At most `most` pieces.
NEBPT_EXPORT std::vector<std::string> choicePieces(const std::string& choice, std::size_t most = 2);

} // namespace NEBPT
