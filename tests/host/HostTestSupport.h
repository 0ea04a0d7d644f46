#pragma once

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace hosttest {

// Full path of a sample drive image in the source tree's data folder.
inline std::string sampleImage(const std::string& name)
{
    return std::string(NEBPT_DATA_DIR) + "/" + name;
}

// The whole content of a file; empty when it cannot be read.
inline std::string fileBytes(const std::string& path)
{
    return testsupport::ScratchFolder::readFile(path);
}

// Writes a copy of a sample into the folder as `as` (default: under its own name),
// with the first `from` (when given) replaced by `to`, and returns its path; a
// test failure when `from` is absent.
inline std::string copyOfSample(const testsupport::ScratchFolder& folder, const std::string& sample,
                                std::string as = {}, const std::string& from = {},
                                const std::string& to = {})
{
    std::string text = fileBytes(sampleImage(sample));
    EXPECT_FALSE(text.empty()) << sample;
    const size_t at = from.empty() ? std::string::npos : text.find(from);
    EXPECT_TRUE(from.empty() || at != std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    as = as.empty() ? sample : as;
    folder.writeText(as, text);
    return folder.file(as);
}

// Runs a command (the executable, then its arguments) and collects what it printed.
struct Run
{
    int status = -1; // the exit status; -1 when it did not exit
    std::string out, errors;
};
inline Run run(const std::vector<std::string>& command)
{
    const testsupport::ScratchFolder outputs;
    std::string line;
    for (const std::string& word : command)
        line += "'" + word + "' ";
    line += ">'" + outputs.file("out") + "' 2>'" + outputs.file("errors") + "'";
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileBytes(outputs.file("out")),
            fileBytes(outputs.file("errors"))};
}

} // namespace hosttest
