#include "External_Data_Manager/ExternalDataManager.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

using testsupport::readLogLines;

namespace {

class LogTest : public ::testing::Test
{
protected:
    testsupport::ScratchFolder m_scratch;
    testsupport::TempFolderGuard m_tmp{m_scratch.path()};
    std::string logPath() const { return m_scratch.path() + "Torvane Drives/nebpt.log"; }
};

} // namespace

TEST_F(LogTest, FirstExceptionCreatesFolderAndFileThenLinesAreAppended)
{
    const CCustomException numbered(1, 120, "External_Data_Manager/ExternalDataManager.cpp", 1);
    EXPECT_EQ(numbered.getLogPath(), logPath());
    const CCustomException text(57, "Settings_Stock/NEBConfiguration.cpp",
                                "Parameter node not found");

    const auto lines = readLogLines(logPath());
    ASSERT_EQ(lines.size(), 2u);
    // "dd.mm.yyyy hh:mm:ss " before the message (std::regex draws false warnings from GCC 12).
    const auto stamped = [](std::string line, const std::string& message) {
        for (size_t i = 0; i < std::min<size_t>(line.size(), 20); ++i)
            line[i] = std::isdigit(static_cast<unsigned char>(line[i])) ? '9' : line[i];
        return line == "99.99.9999 99:99:99 " + message;
    };
    EXPECT_TRUE(stamped(lines[0], "120 External_Data_Manager/ExternalDataManager.cpp 1"))
        << lines[0];
    EXPECT_TRUE(
        stamped(lines[1], "57 Settings_Stock/NEBConfiguration.cpp Parameter node not found"))
        << lines[1];

    // A log folder that cannot be made (a file has its name): the exception is
    // made all the same, and nothing is written.
    testsupport::ScratchFolder other;
    other.writeText("Torvane Drives", "not a folder");
    testsupport::TempFolderGuard tmp(other.path());
    const CCustomException unlogged(1, 121, "External_Data_Manager/ExternalDataManager.cpp", 1);
    EXPECT_EQ(unlogged.getCode(), 1);
    EXPECT_EQ(other.readText("Torvane Drives"), "not a folder");
    EXPECT_EQ(readLogLines(logPath()).size(), 2u);
}
