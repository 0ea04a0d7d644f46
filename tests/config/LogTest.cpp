#include "External_Data_Manager/ExternalDataManager.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sys/stat.h>

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
    // "dd.mm.yyyy hh:mm:ss " before the message.
    const std::string shape = "99.99.9999 99:99:99 ";
    ASSERT_GE(lines[0].size(), shape.size());
    for (size_t i = 0; i < shape.size(); ++i) {
        const char c = lines[0][i];
        EXPECT_TRUE(shape[i] == '9' ? std::isdigit(static_cast<unsigned char>(c)) != 0
                                    : c == shape[i])
            << lines[0];
    }
    EXPECT_EQ(lines[0].substr(20), "120 External_Data_Manager/ExternalDataManager.cpp 1");
    EXPECT_EQ(lines[1].substr(20),
              "57 Settings_Stock/NEBConfiguration.cpp Parameter node not found");

    EXPECT_EQ(numbered.getCategory(), 1);
    EXPECT_EQ(numbered.getCode(), 1);
    EXPECT_TRUE(numbered.getText().empty());
    EXPECT_EQ(text.getCategory(), 5);
    EXPECT_EQ(text.getCode(), 0);
}

TEST_F(LogTest, ThrowingAndCatchingCopiesAddNoLine)
{
    try {
        try {
            throw NEB_EXCEPTION(2, 1);
        } catch (const CCustomException& caught) {
            const CCustomException copy = caught;
            throw copy;
        }
    } catch (const CCustomException& e) {
        const CCustomException copy = e;
        CCustomException assigned = copy;
        assigned = e;
        EXPECT_EQ(assigned.getCategory(), 2);
        EXPECT_NE(assigned.getFile().find("LogTest.cpp"), std::string::npos);
    }
    EXPECT_EQ(readLogLines(logPath()).size(), 1u);
}

TEST_F(LogTest, UnwritableLogFolderLogsNothingAndStillThrows)
{
    // A file where the folder should be: the folder cannot be made.
    m_scratch.writeText("Torvane Drives", "not a folder");
    bool caught = false;
    try {
        throw CCustomException(1, 10, "x.cpp", 1);
    } catch (const CCustomException& e) {
        caught = true;
        EXPECT_TRUE(e.getLogPath().empty());
    }
    EXPECT_TRUE(caught);
}

TEST_F(LogTest, MissingTemporaryFolderLogsNothing)
{
    testsupport::TempFolderGuard gone(m_scratch.path() + "no/such/folder");
    const CCustomException e(1, 10, "x.cpp", 1);
    EXPECT_TRUE(e.getLogPath().empty());
}
