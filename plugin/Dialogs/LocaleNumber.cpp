#include "Dialogs/LocaleNumber.h"

#include "DLGManager.h"

#include "framework/widgets/NumberLocale.h"

#include <algorithm>
#include <ios>
#include <sstream>
#include <stdexcept>

namespace localenumber {

std::locale activeLanguageLocale(CDLGManager& manager)
{
    std::string language;
    manager.getActiveLanguage(language);
    try {
        return fw::namedLocale(language);
    } catch (const std::runtime_error&) {
    }
    try {
        return fw::namedLocale("english");
    } catch (const std::runtime_error&) {
    }
    return std::locale::classic();
}

std::string formatFixed(double value, unsigned decimals, const std::locale& locale)
{
    std::ostringstream out;
    out.imbue(locale);
    out << std::showpoint << std::fixed;
    out.precision(static_cast<std::streamsize>(decimals));
    out << value;
    return out.str();
}

bool readNumber(const std::string& text, const std::locale& locale, MinusSign minus, double& value)
{
    static const char* const kBlanks = " \t\r\n";
    const size_t first = text.find_first_not_of(kBlanks);
    std::string number = first == std::string::npos
                             ? std::string()
                             : text.substr(first, text.find_last_not_of(kBlanks) - first + 1);

    const auto& punctuation = std::use_facet<std::numpunct<char>>(locale);
    const char decimalPoint = punctuation.decimal_point();
    const char separator = punctuation.thousands_sep();
    if (separator != decimalPoint)
        number.erase(std::remove(number.begin(), number.end(), separator), number.end());

    if (std::count(number.begin(), number.end(), decimalPoint) >= 2)
        return false;
    if (minus == MinusSign::LeadingOnly) {
        const auto minusSigns = std::count(number.begin(), number.end(), '-');
        if (minusSigns >= 2 || (minusSigns == 1 && number.front() != '-'))
            return false;
    }

    std::istringstream in(number);
    in.imbue(locale);
    double read = 0.0;
    if (in >> read)
        value = read;
    return true;
}

} // namespace localenumber
