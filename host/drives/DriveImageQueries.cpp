#include "DriveImage.h"

#include "HostText.h"
#include "framework/RegularFile.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <string_view>

namespace {

using Parameter = DriveImage::Parameter;
using hosttext::fill;

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(DriveImage)
};

[[noreturn]] void refuse(const std::string& reason)
{
    throw ImageRefusal(reason);
}

// A non-empty run of decimal digits that fits an unsigned long.
bool readDigits(std::string_view text, unsigned long& number)
{
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

} // namespace

DriveImage DriveImage::load(const std::string& path)
{
    std::string content, error;
    if (!fw::readRegularFile(path, kSizeLimit, content, error))
        throw DriveImageError(fill(Text::tr("%1: cannot be read (%2)"), path, error));
    return parse(QByteArray(content.data(), static_cast<qsizetype>(content.size())), path);
}

const Parameter* DriveImage::parameter(unsigned long number) const
{
    const auto known = m_positions.find(number);
    if (known != m_positions.end() && known->second < parameters.size() &&
        parameters[known->second].number == number) {
        return &parameters[known->second];
    }
    // An image made in memory, or changed since it was parsed.
    const auto found = std::find_if(parameters.begin(), parameters.end(),
                                    [&](const Parameter& p) { return p.number == number; });
    return found == parameters.end() ? nullptr : &*found;
}

const Parameter& DriveImage::named(const std::string& numberText) const
{
    unsigned long number = 0;
    if (!readDigits(numberText, number))
        refuse(fill(Text::tr("\"%1\" is not a parameter number"), numberText));
    const Parameter* found = parameter(number);
    if (!found)
        refuse(fill(Text::tr("no parameter %1"), numberText));
    return *found;
}

const Parameter& DriveImage::identified(const std::string& identifier, long& index) const
{
    const size_t dot = identifier.find('.');
    index = -1;
    if (dot != std::string::npos) {
        unsigned long element = 0;
        if (!readDigits(std::string_view(identifier).substr(dot + 1), element) ||
            element > LONG_MAX) {
            refuse(fill(Text::tr("\"%1\" is not a parameter identifier"), identifier));
        }
        index = static_cast<long>(element);
    }
    return named(identifier.substr(0, dot));
}

bool DriveImage::elementOf(unsigned long number, long index, long& element,
                           std::string& reason) const
{
    const Parameter* found = parameter(number);
    const std::string text = std::to_string(number);
    element = -1;
    if (!found) {
        reason = fill(Text::tr("no parameter %1"), text);
        return false;
    }
    const unsigned long count = found->elementCount;
    if (index == -1) {
        if (count != 0)
            reason = fill(Text::tr("parameter %1 has elements; it needs an index"), text);
        return count == 0;
    }
    if (count == 0) {
        reason = fill(Text::tr("parameter %1 has no elements (index %2)"), text, index);
        return false;
    }
    element = index - indexBase;
    if (element < 0 || static_cast<unsigned long>(element) >= count) {
        reason = fill(Text::tr("parameter %1 has no element %2 (indexes %3 to %4)"), text, index,
                      indexBase, indexBase + static_cast<long>(count) - 1);
        element = -1;
        return false;
    }
    return true;
}

size_t DriveImage::position(const Parameter& parameter, long index) const
{
    long element = -1;
    std::string reason;
    if (!elementOf(parameter.number, index, element, reason))
        refuse(reason);
    return element == -1 ? 0 : static_cast<size_t>(element);
}

bool DriveImage::accepts(unsigned long number, const std::string& text, std::string& stored,
                         std::string& reason) const
{
    const Parameter* found = parameter(number);
    if (!found) {
        reason = fill(Text::tr("no parameter %1"), number);
        return false;
    }
    return found->accepts(text, stored, reason);
}

const std::vector<std::string>& DriveImage::choiceList(const std::string& identifier) const
{
    long index = -1;
    const Parameter& p = identified(identifier, index);
    if (index != -1)
        position(p, index);
    return p.choices;
}

void DriveImage::attributes(const std::string& numberText, long index, std::string& minimum,
                            std::string& maximum, std::string& unit, std::string& decimals) const
{
    const Parameter& p = named(numberText);
    // The attributes belong to the parameter; an index, when given, must still exist.
    if (index != -1)
        position(p, index);
    if (p.isSelection() && !p.choiceValues.empty()) {
        const auto [lowest, highest] =
            std::minmax_element(p.choiceValues.begin(), p.choiceValues.end());
        minimum = std::to_string(*lowest);
        maximum = std::to_string(*highest);
        unit.clear();
        decimals = std::to_string(0);
    } else {
        minimum = p.minimum;
        maximum = p.maximum;
        unit = p.unit;
        decimals = std::to_string(p.decimals);
    }
}

void DriveImage::checkParameters(const std::vector<std::string>& numbers) const
{
    for (const std::string& number : numbers)
        named(number);
}

void DriveImage::checkSetup(const std::string& setup)
{
    if (setup != kSetupName)
        refuse(fill(Text::tr("no setup \"%1\""), setup));
}

void DriveImage::checkWrite(const std::vector<std::string>& identifiers,
                            const std::vector<std::string>& values, const std::string& setup)
{
    checkSetup(setup);
    if (identifiers.size() != values.size()) {
        refuse(fill(Text::tr("%1 identifiers but %2 values"), identifiers.size(), values.size()));
    }
}
