#pragma once

#include "support/ScratchFolder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What every fuzz target shares: a private folder that is also the temporary
// folder (the log lands there), quiet message boxes that are recorded, and a
// check that stops the run the way a sanitizer does.
namespace fuzzsupport {

struct Sandbox
{
    Sandbox();

    testsupport::ScratchFolder folder;
    testsupport::TempFolderGuard tmp{folder.path()};

    // The messages logged since the last call (time stamp and source position
    // cut off); the log is emptied.
    std::vector<std::string> takeLog();
    // The texts of the message boxes shown since the last call.
    std::vector<std::string> takeBoxes();

private:
    std::vector<std::string> m_boxes;
};

// One sandbox for the whole run.
Sandbox& sandbox();

inline std::string text(const uint8_t* data, size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// The input's lines, split at '\n'.
std::vector<std::string> lines(const std::string& input);

// Aborts with `what` when `condition` does not hold: a finding.
void check(bool condition, const std::string& what);

} // namespace fuzzsupport
