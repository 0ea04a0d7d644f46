#pragma once

#include <locale>
#include <string>

class CDLGManager;

// Number texts of the editor dialogs' value fields, in the number format of the
// host's active language.
namespace localenumber {

// The locale named by the host's active language; "english" when no locale has
// that name, the "C" locale when "english" names none either.
std::locale activeLanguageLocale(CDLGManager& manager);

// `value` in fixed notation with `decimals` digits after the decimal point, the
// decimal point always shown, with the locale's decimal point and digit grouping.
std::string formatFixed(double value, unsigned decimals, const std::locale& locale);

enum class MinusSign
{
    Anywhere,   // the position of a minus sign is not examined
    LeadingOnly // one minus sign, in front, or none
};

// Reads a number typed into a value field: blanks at both ends and every
// thousands separator are dropped; false (the text is malformed) when the decimal
// point occurs twice or more, or, with MinusSign::LeadingOnly, when a minus sign
// occurs twice or once anywhere but in front. Otherwise reads the number the
// text begins with into `value` and answers true; a text that does not begin with
// a number leaves `value` as it was.
bool readNumber(const std::string& text, const std::locale& locale, MinusSign minus, double& value);

} // namespace localenumber
