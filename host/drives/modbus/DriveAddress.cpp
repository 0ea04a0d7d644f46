#include "DriveAddress.h"

#include "HostText.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

namespace {

using hosttext::fill;

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(DriveAddress)
};

[[noreturn]] void wrong(const std::string& address, const std::string& what)
{
    throw DriveAddressError(fill(Text::tr("drive address \"%1\": %2 (tcp://HOST:PORT[/UNIT] or "
                                          "rtu:DEVICE[?baud=N&parity=N|E|O&unit=N])"),
                                 address, what));
}

// A whole decimal number from `lowest` to `highest`; false otherwise.
bool readNumber(std::string_view text, int lowest, int highest, int& number)
{
    if (text.empty() || text.size() > 9)
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() &&
           number >= lowest && number <= highest;
}

void readUnit(const std::string& address, std::string_view text, int& unit)
{
    if (!readNumber(text, 1, 247, unit))
        wrong(address,
              fill(Text::tr("the unit \"%1\" is not a number from 1 to 247"), std::string(text)));
}

void readTcp(const std::string& address, std::string_view rest, DriveAddress& result)
{
    result.kind = DriveAddress::Kind::Tcp;
    const size_t slash = rest.find('/');
    if (slash != std::string_view::npos) {
        readUnit(address, rest.substr(slash + 1), result.unit);
        rest = rest.substr(0, slash);
    }
    size_t colon = 0;
    if (!rest.empty() && rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string_view::npos)
            wrong(address, fill(Text::tr("the host has no closing ']'")));
        result.host = std::string(rest.substr(1, close - 1));
        colon = close + 1;
        if (colon < rest.size() && rest[colon] != ':')
            wrong(address, fill(Text::tr("text after the host's ']'")));
    } else {
        colon = rest.rfind(':');
        result.host = std::string(rest.substr(0, colon));
    }
    if (result.host.empty())
        wrong(address, fill(Text::tr("no host")));
    if (colon == std::string_view::npos || colon >= rest.size())
        wrong(address, fill(Text::tr("no port")));
    const std::string_view port = rest.substr(colon + 1);
    if (!readNumber(port, 1, 65535, result.port))
        wrong(address,
              fill(Text::tr("the port \"%1\" is not a number from 1 to 65535"), std::string(port)));
}

void readRtu(const std::string& address, std::string_view rest, DriveAddress& result)
{
    result.kind = DriveAddress::Kind::Rtu;
    const size_t question = rest.find('?');
    result.device = std::string(rest.substr(0, question));
    if (result.device.empty())
        wrong(address, fill(Text::tr("no serial device")));
    if (question == std::string_view::npos)
        return;
    std::string_view query = rest.substr(question + 1);
    std::vector<std::string_view> given;
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view item = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const size_t equals = item.find('=');
        const std::string_view key = item.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1);
        if (std::find(given.begin(), given.end(), key) != given.end())
            wrong(address, fill(Text::tr("the setting \"%1\" is given twice"), std::string(key)));
        given.push_back(key);
        if (key == "baud") {
            if (!readNumber(value, 50, 4000000, result.baud))
                wrong(address,
                      fill(Text::tr("the baud rate \"%1\" is not a number"), std::string(value)));
        } else if (key == "parity") {
            if (value != "N" && value != "E" && value != "O")
                wrong(address,
                      fill(Text::tr("the parity \"%1\" is not N, E or O"), std::string(value)));
            result.parity = value.front();
        } else if (key == "unit") {
            readUnit(address, value, result.unit);
        } else {
            wrong(address, fill(Text::tr("unknown setting \"%1\""), std::string(item)));
        }
    }
}

} // namespace

DriveAddress DriveAddress::parse(const std::string& text)
{
    DriveAddress result;
    result.text = text;
    const std::string_view view(text);
    if (view.rfind("tcp://", 0) == 0)
        readTcp(text, view.substr(6), result);
    else if (view.rfind("rtu:", 0) == 0)
        readRtu(text, view.substr(4), result);
    else
        wrong(text, fill(Text::tr("it starts with neither tcp:// nor rtu:")));
    return result;
}
