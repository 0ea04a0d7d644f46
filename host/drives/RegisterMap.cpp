#include "RegisterMap.h"

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>

namespace modbusmap {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::int64_t lowest(int width)
{
    return width == 1 ? INT16_MIN : INT32_MIN;
}

std::int64_t highest(int width)
{
    return width == 1 ? INT16_MAX : INT32_MAX;
}

void putLong(std::uint32_t value, WordOrder order, std::uint16_t* registers)
{
    const auto high = static_cast<std::uint16_t>(value >> 16);
    const auto low = static_cast<std::uint16_t>(value & 0xFFFF);
    registers[0] = order == WordOrder::HighFirst ? high : low;
    registers[1] = order == WordOrder::HighFirst ? low : high;
}

std::uint32_t getLong(WordOrder order, const std::uint16_t* registers)
{
    const std::uint32_t high = order == WordOrder::HighFirst ? registers[0] : registers[1];
    const std::uint32_t low = order == WordOrder::HighFirst ? registers[1] : registers[0];
    return high << 16 | low;
}

} // namespace

const Slot* Map::slotOf(unsigned long number) const
{
    const auto found = std::find_if(parameters.begin(), parameters.end(),
                                    [number](const Slot& slot) { return slot.number == number; });
    return found == parameters.end() ? nullptr : &*found;
}

const Slot* Map::slotAt(int address) const
{
    // The last slot that starts at or before the address.
    const auto after =
        std::upper_bound(parameters.begin(), parameters.end(), address,
                         [](int wanted, const Slot& slot) { return wanted < slot.address; });
    if (after == parameters.begin())
        return nullptr;
    const Slot& slot = *(after - 1);
    return address < slot.end() ? &slot : nullptr;
}

bool encodeValue(const Slot& slot, WordOrder order, std::string_view text, std::uint16_t* registers,
                 std::string& reason)
{
    double number = 0;
    if (!readDecimal(text, number) ||
        (slot.selection && text.find('.') != std::string_view::npos)) {
        reason.assign(1, '"').append(text).append("\" is not a ");
        reason.append(slot.selection ? "whole" : "decimal").append(" number");
        return false;
    }
    const double scaled = std::round(number * std::pow(10.0, slot.selection ? 0 : slot.decimals));
    if (scaled < static_cast<double>(lowest(slot.width)) ||
        scaled > static_cast<double>(highest(slot.width))) {
        reason.assign(1, '"').append(text).append("\" does not fit ");
        reason.append(std::to_string(16 * slot.width)).append(" bits");
        return false;
    }
    const auto value = static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled));
    if (slot.width == 1) {
        registers[0] = static_cast<std::uint16_t>(value);
    } else {
        putLong(value, order, registers);
    }
    return true;
}

std::string decodeValue(const Slot& slot, WordOrder order, const std::uint16_t* registers)
{
    std::int32_t value = 0;
    if (slot.width == 1) {
        value = static_cast<std::int16_t>(registers[0]);
    } else {
        value = static_cast<std::int32_t>(getLong(order, registers));
    }
    if (slot.selection)
        return std::to_string(value);
    return formatFixed(value / std::pow(10.0, slot.decimals), slot.decimals);
}

int statusRegisters(std::size_t timers, std::size_t comparators, std::size_t logicRules)
{
    return kStatusHeaderRegisters + static_cast<int>(2 * timers + comparators + logicRules);
}

std::vector<std::uint16_t> encodeStatus(const ControllerStatus& status, WordOrder order)
{
    const auto count = [](std::size_t n) {
        return static_cast<std::uint16_t>(std::min<std::size_t>(n, UINT16_MAX));
    };
    const std::size_t timers = count(status.timers.size());
    const std::size_t comparators = count(status.comparators.size());
    const std::size_t rules = count(status.logicRules.size());
    std::vector<std::uint16_t> registers(
        static_cast<std::size_t>(statusRegisters(timers, comparators, rules)), 0);
    registers[0] = status.running ? 1 : 0;
    const int step = status.running ? std::clamp(status.activeStep, -1, INT16_MAX) : -1;
    registers[1] = static_cast<std::uint16_t>(static_cast<std::int16_t>(step));
    registers[2] = static_cast<std::uint16_t>(timers);
    registers[3] = static_cast<std::uint16_t>(comparators);
    registers[4] = static_cast<std::uint16_t>(rules);
    std::size_t at = kStatusHeaderRegisters;
    for (std::size_t t = 0; t < timers; ++t, at += 2) {
        const long long ms = std::clamp<long long>(status.timers[t], kTimerIdle, INT32_MAX);
        putLong(static_cast<std::uint32_t>(static_cast<std::int32_t>(ms)), order, &registers[at]);
    }
    for (std::size_t c = 0; c < comparators; ++c)
        registers[at++] = status.comparators[c] ? 1 : 0;
    for (std::size_t r = 0; r < rules; ++r)
        registers[at++] = status.logicRules[r] ? 1 : 0;
    return registers;
}

bool decodeStatus(const std::uint16_t* registers, int count, WordOrder order,
                  ControllerStatus& status, std::string& reason)
{
    if (count < kStatusHeaderRegisters) {
        reason = std::to_string(count) + " registers are fewer than the " +
                 std::to_string(kStatusHeaderRegisters) + " of the status header";
        return false;
    }
    const std::size_t timers = registers[2], comparators = registers[3], rules = registers[4];
    const int needed = statusRegisters(timers, comparators, rules);
    if (count < needed) {
        reason = std::to_string(count) + " registers are fewer than the " + std::to_string(needed) +
                 " the status of " + std::to_string(timers) + " timers, " +
                 std::to_string(comparators) + " comparators and " + std::to_string(rules) +
                 " logic rules takes";
        return false;
    }
    if (registers[0] > 1) {
        reason = "running is " + std::to_string(registers[0]) + ", neither 0 nor 1";
        return false;
    }
    const bool running = registers[0] == 1;
    const int step = static_cast<std::int16_t>(registers[1]);
    if (running ? step < 0 : step != -1) {
        reason = "active step " + std::to_string(step) + " while the controller " +
                 (running ? "runs" : "does not run");
        return false;
    }
    ControllerStatus read;
    read.running = running;
    read.activeStep = step;
    int at = kStatusHeaderRegisters;
    for (std::size_t t = 0; t < timers; ++t, at += 2) {
        const auto ms = static_cast<std::int32_t>(getLong(order, &registers[at]));
        if (ms < kTimerIdle) {
            reason = "timer " + std::to_string(t) + " has " + std::to_string(ms) + " ms left";
            return false;
        }
        read.timers.push_back(ms);
    }
    const auto flags = [&](std::size_t n, const char* what, std::vector<bool>& into) {
        for (std::size_t k = 0; k < n; ++k, ++at) {
            if (registers[at] > 1) {
                reason = std::string(what) + " " + std::to_string(k) + " is " +
                         std::to_string(registers[at]) + ", neither 0 nor 1";
                return false;
            }
            into.push_back(registers[at] == 1);
        }
        return true;
    };
    if (!flags(comparators, "comparator", read.comparators) ||
        !flags(rules, "logic rule", read.logicRules))
        return false;
    status = std::move(read);
    return true;
}

std::uint16_t inputLayout(const std::vector<std::string>& keys)
{
    QByteArray text;
    for (const std::string& key : keys)
        text.append(key.data(), static_cast<qsizetype>(key.size())).append('\n');
    return qChecksum(text, Qt::ChecksumIso3309);
}

std::vector<std::uint16_t> encodeText(std::string_view text, int count)
{
    std::vector<std::uint16_t> registers(static_cast<size_t>(count), 0);
    for (size_t i = 0; i < text.size() && i < registers.size() * 2; ++i) {
        const auto byte = static_cast<std::uint16_t>(static_cast<unsigned char>(text[i]));
        registers[i / 2] |= i % 2 == 0 ? static_cast<std::uint16_t>(byte << 8) : byte;
    }
    return registers;
}

std::string decodeText(const std::uint16_t* registers, int count)
{
    std::string text;
    for (int i = 0; i < count * 2; ++i) {
        const auto byte =
            static_cast<char>(i % 2 == 0 ? registers[i / 2] >> 8 : registers[i / 2] & 0xFF);
        if (byte == '\0')
            break;
        text += byte;
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

bool readDecimal(std::string_view text, double& number)
{
    size_t position = 0;
    if (position < text.size() && (text[position] == '-' || text[position] == '+'))
        ++position;
    const std::string_view body = text.substr(position);
    bool digits = false;
    bool point = false;
    for (char c : body) {
        if (isDigit(c)) {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digits)
        return false;
    const auto result = std::from_chars(body.data(), body.data() + body.size(), number);
    if (result.ec != std::errc() || result.ptr != body.data() + body.size())
        return false;
    if (text[0] == '-')
        number = -number;
    return std::isfinite(number);
}

std::string formatFixed(double number, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(number * scale) / scale;
    if (rounded == 0.0)
        rounded = 0.0;
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

} // namespace modbusmap
