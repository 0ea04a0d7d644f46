#include "RunningProgram.h"

#include "RegisterMap.h"

#include <algorithm>
#include <ostream>

namespace {

// The reason alone: the runtime's "the program cannot be run: " is told once.
std::string reasonOf(const std::exception& error)
{
    const std::string what = error.what();
    const std::string prefix = "the program cannot be run: ";
    return what.rfind(prefix, 0) == 0 ? what.substr(prefix.size()) : what;
}

} // namespace

RunningProgram::RunningProgram(SimulatedDrive& drive, std::ostream& log)
    : m_drive(drive), m_log(log)
{
    std::vector<std::string> numbers;
    std::string failure;
    if (!m_workflow.programParameters(drive, numbers, failure))
        throw NEBPT::ProgramError(failure);
    m_programParameters.insert(numbers.begin(), numbers.end());
    try {
        build();
    } catch (const std::exception& error) {
        throw NEBPT::ProgramError(reasonOf(error));
    }
}

RunningProgram::~RunningProgram() = default;

void RunningProgram::build()
{
    m_runtime.reset();
    auto runtime = std::make_unique<NEBPT::ProgramRuntime>(m_workflow.exportProgram(m_drive));
    const modbusmap::Map& map = m_drive.registerMap();
    const int statusSize = modbusmap::statusRegisters(runtime->timers(), runtime->comparators(),
                                                      runtime->logicRules());
    if (map.statusAddress >= 0 && statusSize > modbusmap::kStatusBlockRegisters) {
        throw NEBPT::ProgramError("its " + std::to_string(runtime->timers()) + " timers, " +
                                  std::to_string(runtime->comparators()) + " comparators and " +
                                  std::to_string(runtime->logicRules()) + " logic rules take " +
                                  std::to_string(statusSize) +
                                  " registers; the status block holds " +
                                  std::to_string(modbusmap::kStatusBlockRegisters));
    }
    std::vector<int> read = runtime->inputsRead();
    const int inputSize = modbusmap::kInputHeaderRegisters + static_cast<int>(read.size());
    if (map.inputAddress >= 0 && inputSize > modbusmap::kInputBlockRegisters) {
        throw NEBPT::ProgramError(
            "it reads " + std::to_string(read.size()) + " inputs; the input block holds " +
            std::to_string(modbusmap::kInputBlockRegisters - modbusmap::kInputHeaderRegisters));
    }
    for (const auto& [name, value] : m_inputs)
        runtime->setInput(name, value);
    const int layout = modbusmap::inputLayoutOf(*runtime);
    m_runtime = std::move(runtime);
    m_read = std::move(read);
    m_layout = layout;
    m_start = Clock::now();
    m_statusCurrent = false;
}

bool RunningProgram::catchUp()
{
    if (!m_runtime)
        return false;
    const long long elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_start).count();
    for (long long ran = 0; m_runtime->nextScanMs() <= elapsedMs; ++ran) {
        if (ran == kMostScansAtOnce)
            return true;
        m_runtime->scan();
        m_statusCurrent = false;
    }
    return false;
}

const std::vector<std::uint16_t>* RunningProgram::status()
{
    if (!m_runtime)
        return nullptr;
    if (!m_statusCurrent) {
        m_status = modbusmap::encodeStatus(modbusmap::statusOf(*m_runtime),
                                           m_drive.registerMap().wordOrder);
        m_statusCurrent = true;
    }
    return &m_status;
}

const std::vector<std::uint16_t>* RunningProgram::inputs()
{
    if (!m_runtime)
        return nullptr;
    m_inputRegisters.assign(
        {static_cast<std::uint16_t>(m_read.size()), static_cast<std::uint16_t>(m_layout)});
    for (const int index : m_read) {
        // Set through the block, an input holds a 16-bit whole number.
        const double value = std::clamp(m_runtime->input(index), -32768.0, 32767.0);
        m_inputRegisters.push_back(
            static_cast<std::uint16_t>(static_cast<std::int16_t>(static_cast<int>(value))));
    }
    return &m_inputRegisters;
}

void RunningProgram::setInputs(int first, const std::vector<std::uint16_t>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int index = m_read.at(static_cast<std::size_t>(first) + i);
        const double value = static_cast<std::int16_t>(values[i]);
        m_runtime->setInput(index, value);
        m_inputs[m_runtime->inputNames()[static_cast<std::size_t>(index)]] = value;
    }
}

void RunningProgram::written(const std::vector<unsigned long>& numbers)
{
    const bool program = std::any_of(numbers.begin(), numbers.end(), [this](unsigned long number) {
        return m_programParameters.count(std::to_string(number)) > 0;
    });
    if (!program)
        return;
    const int layout = m_layout;
    try {
        build();
        m_log << "nebpt-drive-sim: the program changed; the controller starts anew\n";
        // A master that sets inputs by the old layout must read the names anew.
        if (m_layout != layout)
            m_log << "nebpt-drive-sim: the input block has a new " << layoutText() << "\n";
    } catch (const std::exception& error) {
        m_log << "nebpt-drive-sim: the changed program cannot run: " << reasonOf(error)
              << "; the status and input blocks answer exception 4 until it can\n";
    }
}

std::string RunningProgram::layoutText() const
{
    const int first = m_drive.registerMap().inputAddress;
    std::string text = "layout " + std::to_string(m_layout);
    int address = first + modbusmap::kInputHeaderRegisters;
    const std::vector<std::string> names = inputsRead();
    for (size_t i = 0; i < names.size(); ++i, ++address) {
        text += i == 0 ? ": " : ", ";
        text += (first >= 0 ? std::to_string(address) + " " : std::string()) + names[i];
    }
    return text;
}

std::vector<std::string> RunningProgram::inputsRead() const
{
    std::vector<std::string> names;
    for (const int index : m_runtime ? m_read : std::vector<int>())
        names.push_back(m_runtime->inputNames()[static_cast<std::size_t>(index)]);
    return names;
}
