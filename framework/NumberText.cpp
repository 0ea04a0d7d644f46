#include "NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace fw {

namespace {

// Skips leading white space and one sign; returns whether the sign was a minus.
bool skipSpaceAndSign(std::string_view& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    text.remove_prefix(i);
    return negative;
}

// Reads the leading digits as an unsigned magnitude; saturates on overflow.
unsigned long long readMagnitude(std::string_view text, bool& overflow)
{
    unsigned long long value = 0;
    overflow = false;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (std::numeric_limits<unsigned long long>::max() - digit) / 10) {
            overflow = true;
            return std::numeric_limits<unsigned long long>::max();
        }
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

long readLong(std::string_view text)
{
    const bool negative = skipSpaceAndSign(text);
    bool overflow = false;
    const unsigned long long magnitude = readMagnitude(text, overflow);
    constexpr auto maxLong = static_cast<unsigned long long>(std::numeric_limits<long>::max());
    if (negative) {
        if (overflow || magnitude > maxLong + 1)
            return std::numeric_limits<long>::min();
        return magnitude == maxLong + 1 ? std::numeric_limits<long>::min()
                                        : -static_cast<long>(magnitude);
    }
    if (overflow || magnitude > maxLong)
        return std::numeric_limits<long>::max();
    return static_cast<long>(magnitude);
}

unsigned long readULong(std::string_view text)
{
    const bool negative = skipSpaceAndSign(text);
    bool overflow = false;
    const unsigned long long magnitude = readMagnitude(text, overflow);
    if (overflow || magnitude > std::numeric_limits<unsigned long>::max())
        return std::numeric_limits<unsigned long>::max();
    const auto value = static_cast<unsigned long>(magnitude);
    return negative ? 0UL - value : value; // as strtoul does
}

double readDouble(std::string_view text)
{
    const bool negative = skipSpaceAndSign(text);
    // Only a decimal number may follow: digits, or a point followed by a digit.
    if (text.empty())
        return 0.0;
    const bool startsWithDigit = text[0] >= '0' && text[0] <= '9';
    const bool startsWithPoint =
        text[0] == '.' && text.size() > 1 && text[1] >= '0' && text[1] <= '9';
    if (!startsWithDigit && !startsWithPoint)
        return 0.0;
    double value = 0.0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone here; take what strtod gives (inf or 0).
        static locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        const std::string number(text.data(), static_cast<size_t>(result.ptr - text.data()));
        value = cLocale ? strtod_l(number.c_str(), nullptr, cLocale) : 0.0;
    } else if (result.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

bool readWholeDecimal(std::string_view text, double& number)
{
    // from_chars takes a minus but no plus, and "inf" and "nan" in any format.
    const std::string_view unsigned_ =
        text.substr(text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1);
    if (unsigned_.empty() ||
        !(std::isdigit(static_cast<unsigned char>(unsigned_[0])) || unsigned_[0] == '.'))
        return false;
    const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
    const char* end = text.data() + text.size();
    const auto read = std::from_chars(begin, end, number, std::chars_format::fixed);
    return read.ec == std::errc() && read.ptr == end && std::isfinite(number);
}

} // namespace fw
