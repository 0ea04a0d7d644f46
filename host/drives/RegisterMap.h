#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where a drive keeps its parameters in Modbus holding registers, and how their
// values travel there. Shared by the host's link to a drive and the Modbus drive
// simulator, so that both sides agree by construction.
//
// Element e of a parameter lies at register `address + e * width`; a single value
// (no elements) at `address`. One register carries a signed 16-bit value, two
// carry a signed 32-bit value in the map's word order. A selection parameter
// carries its choice value, a numeric parameter its value scaled by
// 10^decimals ("12.50" with two decimals travels as 1250).
//
// The drive's identification lies in kIdentificationRegisters registers from
// `identificationAddress`: the drive type in 8, the AOC version in 4, the
// database version in 4, as ASCII text, two characters a register (the first in
// the high byte), padded with NUL.
//
// A drive that runs its program may also show its controller: a status block
// of kStatusBlockRegisters registers from `statusAddress` that the host reads,
// and an input block of kInputBlockRegisters registers from `inputAddress` whose
// values the host writes to set the controller's named inputs (their layouts
// below). Registers of a block past what the program fills read 0.

namespace modbusmap {

enum class WordOrder
{
    HighFirst, // the high 16 bits in the first register
    LowFirst
};

constexpr int kRegisterCount = 65536;
constexpr int kIdentificationRegisters = 16;
constexpr int kTypeRegisters = 8;
constexpr int kVersionRegisters = 4;
// The registers a status block and an input block take, whatever the program:
// a status block carries up to 5 + 2 * timers + comparators + logic rules
// registers, an input block 1 + the inputs the program reads.
constexpr int kStatusBlockRegisters = 256;
constexpr int kInputBlockRegisters = 256;

struct Slot
{
    unsigned long number = 0;   // the parameter number
    int address = 0;            // the first holding register (protocol address, 0-based)
    int width = 1;              // registers per element: 1 or 2
    unsigned long elements = 1; // 1 for a single value
    bool array = false;         // whether elements are addressed with an index
    int decimals = 0;           // of a numeric parameter; 0 for a selection
    bool selection = false;

    int elementAddress(unsigned long element) const
    {
        return address + static_cast<int>(element) * width;
    }
    // One past the last register.
    long end() const { return address + static_cast<long>(elements) * width; }
};

struct Map
{
    int unit = 1; // the Modbus unit (slave) id the drive answers to
    WordOrder wordOrder = WordOrder::HighFirst;
    int identificationAddress = -1; // -1: the drive has no identification registers
    int statusAddress = -1;         // -1: the profile has no status block
    int inputAddress = -1;          // -1: the profile has no input block
    std::vector<Slot> parameters;   // sorted by address, not overlapping

    bool empty() const { return parameters.empty(); }
    const Slot* slotOf(unsigned long number) const;
    // The slot whose registers include `address`; null when none does.
    const Slot* slotAt(int address) const;
};

// The value text as `width` registers; false with `reason` when the text is not a
// plain decimal number (a whole one for a selection) or does not fit the width.
bool encodeValue(const Slot& slot, WordOrder order, std::string_view text, std::uint16_t* registers,
                 std::string& reason);
// The value `width` registers carry, as the drive keeps it: a choice value as
// plain decimal text, a number as "%.<decimals>f".
std::string decodeValue(const Slot& slot, WordOrder order, const std::uint16_t* registers);

// A timer's state as the status block carries it: the milliseconds it has left
// while it runs (at least 1), or one of these.
constexpr long long kTimerIdle = -1;  // not started since the controller started, or stopped
constexpr long long kTimerRanOut = 0; // ran out (its timeout is true) and not started again

// The controller's state as the status block carries it.
struct ControllerStatus
{
    bool running = false;
    int activeStep = -1;           // -1: not running
    std::vector<long long> timers; // one per timer: ms left, kTimerRanOut or kTimerIdle
    std::vector<bool> comparators; // one per comparator
    std::vector<bool> logicRules;  // one per logic rule
};

// Status block layout: register 0 running (0/1), 1 active step (signed 16 bits, -1 when
// not running), 2 timer count T, 3 comparator count C, 4 logic-rule count L, then T values
// of 2 registers each (a timer's state, signed 32 bits in the map's word order: the ms left
// while it runs, 0 when it ran out, -1 when idle), then C registers 0/1, then L registers
// 0/1.
constexpr int kStatusHeaderRegisters = 5;
// The registers a status block of these counts fills.
int statusRegisters(std::size_t timers, std::size_t comparators, std::size_t logicRules);
// The status as registers (statusRegisters() of them). A remaining time beyond
// 2147483647 ms travels as 2147483647, a step beyond 32767 as 32767.
std::vector<std::uint16_t> encodeStatus(const ControllerStatus& status, WordOrder order);
// False with `reason` when `count` registers are fewer than the counts they name require,
// or a value is out of range (running not 0/1, step below -1, a timer below -1, ...).
bool decodeStatus(const std::uint16_t* registers, int count, WordOrder order,
                  ControllerStatus& status, std::string& reason);
// The state of a controller model after its last scan (NEBPT::ProgramRuntime, or
// whatever answers as it does), as the status block carries it.
template <typename Runtime> ControllerStatus statusOf(const Runtime& runtime)
{
    ControllerStatus status;
    status.running = runtime.running();
    status.activeStep = runtime.activeStep();
    for (std::size_t t = 0; t < runtime.timers(); ++t) {
        // A timer of 0 runs for the rest of the scan that started it.
        status.timers.push_back(runtime.timerRunning(t)
                                    ? std::max<long long>(runtime.timerRemainingMs(t), 1)
                                : runtime.timedOut(t) ? kTimerRanOut
                                                      : kTimerIdle);
    }
    for (std::size_t c = 0; c < runtime.comparators(); ++c)
        status.comparators.push_back(runtime.comparatorState(c));
    for (std::size_t r = 0; r < runtime.logicRules(); ++r)
        status.logicRules.push_back(runtime.logicRuleState(r));
    return status;
}

// Input block layout: register 0 the input count N, register 1 the layout number, then N
// registers, one per named input the program reads (ProgramRuntime::inputsRead(), in that
// order), a signed 16-bit whole number (a condition: 0 false, anything else true).
constexpr int kInputHeaderRegisters = 2;

// The layout number of an input block of these inputs (their keys, in the block's order,
// ProgramRuntime::inputKey: the same in every language): the CRC-16 (ISO 3309) of the keys,
// each followed by a line feed. It changes with the inputs and their order, not with the
// language: a master that means the inputs of this layout compares it before it sets one.
std::uint16_t inputLayout(const std::vector<std::string>& keys);
// The layout number of the input block of a controller model's program.
template <typename Runtime> std::uint16_t inputLayoutOf(const Runtime& runtime)
{
    std::vector<std::string> keys;
    for (const int index : runtime.inputsRead())
        keys.push_back(runtime.inputKey(index));
    return inputLayout(keys);
}

// ASCII text in `count` registers (longer text is cut, shorter padded with NUL).
std::vector<std::uint16_t> encodeText(std::string_view text, int count);
// The text up to the first NUL, trailing blanks removed.
std::string decodeText(const std::uint16_t* registers, int count);

// A plain decimal number: optional sign, digits with at most one decimal point,
// nothing else (no blanks, exponent, "inf" or "nan"). Independent of the locale.
bool readDecimal(std::string_view text, double& number);
// The number rounded to `decimals` digits after the point, as "%.<decimals>f" in
// the C locale; never "-0".
std::string formatFixed(double number, int decimals);

} // namespace modbusmap
