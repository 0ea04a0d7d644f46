#include "ControllerPoller.h"

#include "ModbusDrive.h"

#include <algorithm>

ControllerPoller::ControllerPoller(ModbusDrive& drive, int expectedInputs)
    : m_drive(drive), m_map(drive.registerMap()), m_inputCount(expectedInputs)
{}

void ControllerPoller::queueInput(std::size_t offset, std::int16_t value, unsigned number)
{
    m_writes[offset] = value;
    m_lastWrite = std::max(m_lastWrite, number);
}

bool ControllerPoller::read(int address, int count, std::vector<std::uint16_t>& into,
                            const char* doing, std::string& failure)
{
    into.assign(static_cast<size_t>(count), 0);
    return m_drive.readHoldingRegisters(address, count, into.data(), doing, failure);
}

ControllerPoll ControllerPoller::poll()
{
    ControllerPoll poll;
    std::vector<std::uint16_t> registers;
    if (!m_writes.empty() && m_layout >= 0 &&
        read(m_map.inputAddress, modbusmap::kInputHeaderRegisters, registers,
             "reading the controller's input layout", poll.inputFailure) &&
        registers[1] != m_layout) {
        poll.inputFailure = "the drive's inputs changed (the input block's layout is now " +
                            std::to_string(registers[1]) + ", was " + std::to_string(m_layout) +
                            "): the inputs were not set";
        m_writes.clear();
    }
    for (const auto& [offset, value] : m_writes) {
        std::string failure;
        if (!m_drive.writeHoldingRegisters(
                m_map.inputAddress + modbusmap::kInputHeaderRegisters + int(offset),
                {static_cast<std::uint16_t>(value)}, "setting an input of the controller", failure))
            poll.inputFailure = failure;
    }
    m_writes.clear();
    poll.writesDone = m_lastWrite;
    // The whole block in one request once its counts are known; the header
    // first (and the block again) when they are not, or changed.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!read(m_map.statusAddress, m_statusCount, registers, "reading the controller's state",
                  poll.failure)) {
            poll.linkLost = !m_drive.linkUp();
            return poll;
        }
        const int needed =
            std::min(modbusmap::statusRegisters(registers[2], registers[3], registers[4]),
                     modbusmap::kStatusBlockRegisters);
        if (needed <= m_statusCount)
            break;
        m_statusCount = needed;
    }
    poll.at = std::chrono::steady_clock::now();
    std::string reason;
    if (!modbusmap::decodeStatus(registers.data(), static_cast<int>(registers.size()),
                                 m_map.wordOrder, poll.status, reason))
        poll.failure = "the drive's controller state makes no sense: " + reason;
    if (m_map.inputAddress < 0)
        return poll;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int count = modbusmap::kInputHeaderRegisters + std::max(m_inputCount, 0);
        if (!read(m_map.inputAddress, count, registers, "reading the controller's inputs",
                  poll.inputFailure))
            return poll;
        const int told = std::clamp(static_cast<int>(static_cast<std::int16_t>(registers[0])), 0,
                                    modbusmap::kInputBlockRegisters - 1);
        if (told == m_inputCount || attempt == 1) {
            poll.inputsRead = true;
            poll.inputLayout = registers[1];
            poll.layoutChanged = m_layout >= 0 && poll.inputLayout != m_layout;
            m_layout = poll.inputLayout;
            const int header = modbusmap::kInputHeaderRegisters;
            for (int i = 0; i < std::min(told, count - header); ++i)
                poll.inputs.push_back(static_cast<std::int16_t>(registers[size_t(i + header)]));
            break;
        }
        m_inputCount = told;
    }
    return poll;
}
