#include "framework/Format.h"
#include "framework/NumberText.h"
#include "framework/SystemPaths.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

TEST(FormatTest, FormatsLikePrintfWhateverTheProcessLocale)
{
    EXPECT_EQ(fw::format("%04u.%d", 7u, 4), "0007.4");
    EXPECT_EQ(fw::format("%04i", 12345), "12345");
    EXPECT_EQ(fw::format("%s %d", "Logic rule", 3), "Logic rule 3");
    const std::string longText(1000, 'x');
    EXPECT_EQ(fw::format("[%s]", longText.c_str()), "[" + longText + "]");

    // A German process locale must not turn the decimal point into a comma.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        EXPECT_EQ(fw::format("%lf", 1.5), "1.500000");
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(fw::format("%lf", -0.25), "-0.250000");
}

TEST(NumberTextTest, ReadsLeadingDecimalNumbers)
{
    EXPECT_EQ(fw::readLong("  42"), 42);
    EXPECT_EQ(fw::readLong("-17abc"), -17);
    EXPECT_EQ(fw::readLong("+8"), 8);
    EXPECT_EQ(fw::readLong("x12"), 0);
    EXPECT_EQ(fw::readLong(""), 0);
    EXPECT_EQ(fw::readLong("0x1F"), 0);
    EXPECT_EQ(fw::readULong("0100"), 100u);
    EXPECT_EQ(fw::readULong("12.5"), 12u);
    EXPECT_EQ(fw::readULong("99999999999999999999999"), ~0UL);

    EXPECT_DOUBLE_EQ(fw::readDouble(" 1.500000"), 1.5);
    EXPECT_DOUBLE_EQ(fw::readDouble("-2.5e2x"), -250.0);
    EXPECT_DOUBLE_EQ(fw::readDouble(".5"), 0.5);
    EXPECT_DOUBLE_EQ(fw::readDouble("3600.9"), 3600.9);
    EXPECT_DOUBLE_EQ(fw::readDouble("abc"), 0.0);
    EXPECT_DOUBLE_EQ(fw::readDouble("-"), 0.0);
    EXPECT_DOUBLE_EQ(fw::readDouble("0x10"), 0.0);
    EXPECT_TRUE(std::isinf(fw::readDouble("1e999")));
}

TEST(SystemPathsTest, FoldersEndWithSlashAndTheExecutableFolderCanBeOverridden)
{
    {
        testsupport::TempFolderGuard guard("/some/where");
        EXPECT_EQ(fw::tempFolder(), "/some/where/");
    }
    {
        testsupport::TempFolderGuard guard("");
        EXPECT_EQ(fw::tempFolder(), "/tmp/");
    }
    const std::string real = fw::executableDirectory();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real.back(), '/');
    {
        testsupport::ExecutableFolderGuard guard("/opt/drive");
        EXPECT_EQ(fw::executableDirectory(), "/opt/drive/");
    }
    EXPECT_EQ(fw::executableDirectory(), real);
}
