#include "framework/Format.h"
#include "framework/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>

TEST(FormatTest, FormatsLikePrintfWhateverTheProcessLocale)
{
    EXPECT_EQ(fw::format("%04u.%d", 7u, 4), "0007.4");
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
    for (const auto& [text, value] : std::initializer_list<std::pair<const char*, long>>{
             {"  42", 42}, {"-17abc", -17}, {"x12", 0}, {"0x1F", 0}})
        EXPECT_EQ(fw::readLong(text), value) << text;
    for (const auto& [text, value] : std::initializer_list<std::pair<const char*, unsigned long>>{
             {"0100", 100}, {"12.5", 12}, {"99999999999999999999999", ~0UL}})
        EXPECT_EQ(fw::readULong(text), value) << text;
    for (const auto& [text, value] : std::initializer_list<std::pair<const char*, double>>{
             {" 1.500000", 1.5}, {"-2.5e2x", -250.0}, {"-", 0.0}, {"0x10", 0.0}})
        EXPECT_DOUBLE_EQ(fw::readDouble(text), value) << text;
    EXPECT_TRUE(std::isinf(fw::readDouble("1e999")));
}
