#include "FieldCommands.h"

#include "HostCommands.h"
#include "ModbusDrive.h"
#include "ProgramRuntime.h"
#include "ProgramWorkflow.h"
#include "Recording.h"
#include "RegisterMap.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <thread>

namespace fieldcommands {

namespace {

constexpr int kMostReads = 2; // the program read again once when the layout differs

// The program's inputs as the input block holds them.
struct Layout
{
    std::unique_ptr<NEBPT::ProgramRuntime> runtime;
    std::vector<int> read; // indexes into inputNames(), in the block's order
    std::uint16_t number = 0;
};

Layout layoutOf(ModbusDrive& drive)
{
    drive.forgetValues(); // the program as the drive holds it now
    Layout layout;
    layout.runtime =
        std::make_unique<NEBPT::ProgramRuntime>(NEBPT::ProgramWorkflow().exportProgram(drive));
    if (!drive.readFailure().empty())
        throw std::runtime_error(drive.readFailure());
    layout.read = layout.runtime->inputsRead();
    layout.number = modbusmap::inputLayoutOf(*layout.runtime);
    return layout;
}

// Seconds as the scenario takes them, from milliseconds.
double seconds(long long ms)
{
    return static_cast<double>(ms) / 1000.0;
}

} // namespace

bool readAssignment(const std::string& text, Assignment& assignment, std::string& reason)
{
    const size_t equals = text.rfind('=');
    if (equals == std::string::npos || equals == 0) {
        reason = "--set \"" + text + "\" is not INPUT=VALUE";
        return false;
    }
    assignment.input = text.substr(0, equals);
    const std::string value = text.substr(equals + 1);
    double number = 0;
    if (value == "true" || value == "false") {
        assignment.value = value == "true" ? 1 : 0;
    } else if (modbusmap::readDecimal(value, number) && value.find('.') == std::string::npos &&
               number >= INT16_MIN && number <= INT16_MAX) {
        assignment.value = static_cast<int>(number);
    } else {
        reason = "--set \"" + text +
                 "\": the value is none of true, false, a whole number from -32768 to 32767";
        return false;
    }
    return true;
}

ExitStatus setInputs(const std::string& address, const std::string& profile,
                     std::chrono::milliseconds timeout, const std::vector<Assignment>& assignments,
                     std::ostream& out, std::ostream& errors)
{
    try {
        ModbusDrive drive(address, profile, timeout);
        const modbusmap::Map& map = drive.registerMap();
        if (map.inputAddress < 0) {
            errors << "the profile " << profile << " has no input block: no input can be set\n";
            return kFailed;
        }
        Layout layout;
        std::string failure;
        std::uint16_t header[modbusmap::kInputHeaderRegisters] = {};
        for (int attempt = 0; attempt < kMostReads; ++attempt) {
            layout = layoutOf(drive);
            if (!drive.readHoldingRegisters(map.inputAddress, modbusmap::kInputHeaderRegisters,
                                            header, "reading the input block", failure)) {
                errors << hostcommands::oneLine(failure) << "\n";
                return kFailed;
            }
            if (header[1] == layout.number)
                break;
        }
        if (header[1] != layout.number) {
            errors << address << ": the input block's layout " << header[1]
                   << " is not that of the drive's program (" << layout.number
                   << "); no input set\n";
            return kFailed;
        }
        // Every name first: nothing is set when one is unknown.
        std::vector<int> offsets;
        for (const Assignment& assignment : assignments) {
            const int index = layout.runtime->inputIndex(assignment.input);
            const auto at = std::find(layout.read.begin(), layout.read.end(), index);
            if (index < 0 || at == layout.read.end()) {
                errors << address << ": the drive's program reads no input \""
                       << hostcommands::oneLine(assignment.input) << "\"; no input set\n";
                return kFailed;
            }
            offsets.push_back(static_cast<int>(at - layout.read.begin()));
        }
        for (size_t i = 0; i < assignments.size(); ++i) {
            const int registerAddress =
                map.inputAddress + modbusmap::kInputHeaderRegisters + offsets[i];
            if (!drive.writeHoldingRegisters(
                    registerAddress,
                    {static_cast<std::uint16_t>(static_cast<std::int16_t>(assignments[i].value))},
                    "setting an input", failure)) {
                errors << hostcommands::oneLine(failure) << "\n";
                return kFailed;
            }
            out << "set " << assignments[i].input << " = " << assignments[i].value << "\n";
        }
        return kDone;
    } catch (const std::exception& error) {
        errors << hostcommands::oneLine(error.what()) << "\n";
    }
    return kFailed;
}

ExitStatus record(const std::string& address, const std::string& profile,
                  std::chrono::milliseconds timeout, std::chrono::milliseconds duration,
                  std::chrono::milliseconds period, const std::string& path, std::ostream& out,
                  std::ostream& errors)
{
    using Clock = std::chrono::steady_clock;
    try {
        ModbusDrive drive(address, profile, timeout);
        const modbusmap::Map& map = drive.registerMap();
        if (map.statusAddress < 0) {
            errors << "the profile " << profile << " has no status block: nothing to record\n";
            return kFailed;
        }
        const Layout layout = layoutOf(drive);
        const int inputs = map.inputAddress < 0 ? 0 : static_cast<int>(layout.read.size());
        const int statusCount = modbusmap::statusRegisters(
            layout.runtime->timers(), layout.runtime->comparators(), layout.runtime->logicRules());
        std::vector<std::uint16_t> status(static_cast<size_t>(statusCount)),
            block(static_cast<size_t>(modbusmap::kInputHeaderRegisters + inputs));
        std::vector<std::string> names;
        for (int i = 0; i < inputs; ++i)
            names.push_back(
                layout.runtime->inputNames()[static_cast<size_t>(layout.read[size_t(i)])]);
        scenario::RecordingWriter recording(std::move(names), period);
        std::vector<int> values(static_cast<size_t>(inputs));
        std::string failure;
        const Clock::time_point start = Clock::now();
        for (int poll = 0;; ++poll) {
            const Clock::time_point due = start + poll * period;
            if (due - start > duration)
                break;
            std::this_thread::sleep_until(due);
            const long long sinceFirstMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            modbusmap::ControllerStatus state;
            std::string reason;
            if (!drive.readHoldingRegisters(map.statusAddress, statusCount, status.data(),
                                            "reading the controller's state", failure) ||
                (inputs > 0 && !drive.readHoldingRegisters(
                                   map.inputAddress, static_cast<int>(block.size()), block.data(),
                                   "reading the controller's inputs", failure))) {
                errors << hostcommands::oneLine(failure) << "; nothing written\n";
                return kFailed;
            }
            if (!modbusmap::decodeStatus(status.data(), statusCount, map.wordOrder, state,
                                         reason)) {
                errors << address << ": the controller's state makes no sense: " << reason
                       << "; nothing written\n";
                return kFailed;
            }
            if (inputs > 0 && (block[0] != inputs || block[1] != layout.number)) {
                errors << address
                       << ": the drive's program changed while recording (its input block has "
                          "another layout); nothing written\n";
                return kFailed;
            }
            for (int i = 0; i < inputs; ++i)
                values[size_t(i)] = static_cast<std::int16_t>(block[size_t(i) + 2]);
            recording.polled(sinceFirstMs, state.running ? state.activeStep : -1, values);
        }
        if (!recording.write(path, failure)) {
            errors << hostcommands::oneLine(failure) << "\n";
            return kFailed;
        }
        out << "recorded " << recording.polls() << " polls and " << recording.inputsSet()
            << " inputs set in " << seconds(recording.untilMs()) << " s into " << path << "\n";
        return kDone;
    } catch (const std::exception& error) {
        errors << hostcommands::oneLine(error.what()) << "\n";
    }
    return kFailed;
}

} // namespace fieldcommands
