#include "framework/Format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

TEST(FormatTest, FormatsLikePrintfWhateverTheProcessLocale)
{
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
