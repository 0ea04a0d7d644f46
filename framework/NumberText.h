#pragma once

#include <string_view>

namespace fw {

// Readers for the decimal number texts exchanged with the drive and the
// configuration file: leading white space and a sign are allowed, reading stops
// at the first character that cannot continue the number, and a text without a
// number reads as 0. Independent of the process locale.

long readLong(std::string_view text);
unsigned long readULong(std::string_view text);
double readDouble(std::string_view text);

// Whether the whole text is one plain decimal number ("-12.5", "+3", "07", ".5"):
// an optional sign, then digits with at most one point; no blanks, exponent,
// "inf" or "nan". `number` receives it.
bool readWholeDecimal(std::string_view text, double& number);

} // namespace fw
