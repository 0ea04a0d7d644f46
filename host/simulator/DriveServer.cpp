#include "DriveServer.h"

#include "ModbusFrame.h"

#include <ostream>
#include <stdexcept>
#include <utility>

using namespace modbusframe;

DriveServer::DriveServer(SimulatedDrive& drive, int unit, std::ostream& log)
    : m_drive(drive), m_unit(unit), m_log(log)
{
    for (auto [text, count] : {std::pair{&drive.driveType(), modbusmap::kTypeRegisters},
                               std::pair{&drive.aocVersion(), modbusmap::kVersionRegisters},
                               std::pair{&drive.databaseVersion(), modbusmap::kVersionRegisters}}) {
        const std::vector<std::uint16_t> registers = modbusmap::encodeText(*text, count);
        m_identity.insert(m_identity.end(), registers.begin(), registers.end());
    }
}

std::vector<std::uint8_t> DriveServer::answer(const std::uint8_t* pdu, std::size_t size,
                                              long request)
{
    Request asked;
    switch (parseRequest(pdu, size, asked)) {
    case Malformed::Empty:
        return refuse(0, kIllegalFunction, "an empty request");
    case Malformed::Function:
        return refuse(asked.function, kIllegalFunction,
                      "function " + std::to_string(asked.function));
    case Malformed::Length:
        return refuse(asked.function, kIllegalDataValue,
                      "a request of " + std::to_string(size) + " bytes for function " +
                          std::to_string(asked.function));
    case Malformed::Quantity:
        return refuse(asked.function, kIllegalDataValue,
                      "a request for " + std::to_string(asked.count) + " registers at register " +
                          std::to_string(asked.address));
    case Malformed::None:
        break;
    }
    const int function = asked.function, address = asked.address, count = asked.count;
    const std::string where = " at register " + std::to_string(address);
    // A quantity a request may carry, past the last register: an address that
    // does not exist, as a drive answers it.
    if (address + count > modbusmap::kRegisterCount) {
        return refuse(function, kIllegalDataAddress,
                      "a request for " + std::to_string(count) + " registers" + where +
                          ", past register " + std::to_string(modbusmap::kRegisterCount - 1));
    }
    if (const int failed = failing(address, count); failed >= 0) {
        m_log << "nebpt-drive-sim: fault refuse at request " << request << " (register " << failed
              << ")\n";
        return refuse(function, kServerDeviceFailure, "a request" + where);
    }

    if (function == kReadHoldingRegisters) {
        std::vector<std::uint16_t> registers(static_cast<std::size_t>(count));
        for (int r = address; r < address + count; ++r) {
            if (const int exception = read(r, registers[static_cast<std::size_t>(r - address)])) {
                const std::string what = exception == kIllegalDataAddress
                                             ? "a read of unmapped register " + std::to_string(r)
                                             : "a read of register " + std::to_string(r) +
                                                   ": the controller cannot run its program";
                return refuse(function, exception, what);
            }
        }
        return readAnswer(registers);
    }
    if (const int exception = write(address, asked.registers))
        return exceptionAnswer(function, exception);
    return writeAnswer(asked);
}

std::vector<std::uint8_t> DriveServer::answerTcp(const std::uint8_t* frame, std::size_t size,
                                                 long request)
{
    const int unit = tcpUnit(frame);
    const std::vector<std::uint8_t> pdu =
        unit != m_unit && unit != kAnyTcpUnit
            ? refuse(frame[kMbapSize], kGatewayTargetFailed,
                     "a request for unit " + std::to_string(unit))
            : answer(frame + kMbapSize, size - kMbapSize, request);
    return tcpFrame(tcpTransaction(frame), static_cast<std::uint8_t>(unit), pdu);
}

DriveServer::RtuFrame DriveServer::classifyRtu(const std::uint8_t* frame, std::size_t size) const
{
    if (!rtuIntact(frame, size))
        return RtuFrame::Corrupt;
    if (frame[0] == kBroadcastUnit)
        return RtuFrame::Broadcast;
    return frame[0] == m_unit ? RtuFrame::Mine : RtuFrame::Other;
}

std::vector<std::uint8_t> DriveServer::answerRtu(const std::uint8_t* frame, std::size_t size,
                                                 long request)
{
    const std::vector<std::uint8_t> pdu = answer(frame + 1, size - 3, request);
    if (frame[0] == kBroadcastUnit)
        return {};
    return rtuFrame(frame[0], pdu);
}

DriveServer::Block DriveServer::blockAt(int address) const
{
    const modbusmap::Map& map = m_drive.registerMap();
    const auto within = [address](int first, int size) {
        return first >= 0 && address >= first && address < first + size;
    };
    if (!m_controller)
        return Block::None;
    if (within(map.statusAddress, modbusmap::kStatusBlockRegisters))
        return Block::Status;
    if (within(map.inputAddress, modbusmap::kInputBlockRegisters))
        return Block::Input;
    return Block::None;
}

int DriveServer::read(int address, std::uint16_t& value)
{
    const modbusmap::Map& map = m_drive.registerMap();
    if (const Block block = blockAt(address); block != Block::None) {
        const std::vector<std::uint16_t>* registers =
            block == Block::Status ? m_controller->status() : m_controller->inputs();
        if (!registers)
            return kServerDeviceFailure;
        const auto offset = static_cast<size_t>(
            address - (block == Block::Status ? map.statusAddress : map.inputAddress));
        value = offset < registers->size() ? (*registers)[offset] : 0;
        return 0;
    }
    const int identity = address - map.identificationAddress;
    if (map.identificationAddress >= 0 && identity >= 0 &&
        identity < modbusmap::kIdentificationRegisters) {
        value = m_identity[static_cast<size_t>(identity)];
        return 0;
    }
    const modbusmap::Slot* slot = map.slotAt(address);
    if (!slot)
        return kIllegalDataAddress;
    const long element = (address - slot->address) / slot->width;
    std::uint16_t registers[2] = {};
    std::string reason;
    // The image holds only values that fit (checked when it was loaded).
    modbusmap::encodeValue(*slot, map.wordOrder,
                           m_drive.value(slot->number, slot->array ? element : -1), registers,
                           reason);
    value = registers[(address - slot->address) % slot->width];
    return 0;
}

int DriveServer::writeInputs(int address, const std::vector<std::uint16_t>& registers)
{
    const modbusmap::Map& map = m_drive.registerMap();
    const std::vector<std::uint16_t>* inputs = m_controller->inputs();
    if (!inputs) {
        m_log << "nebpt-drive-sim: refused a write of register " << address
              << ": the controller cannot run its program (exception 4)\n";
        return kServerDeviceFailure;
    }
    // The values follow the count and the layout number: value i at inputAddress + 2 + i.
    const int first = address - map.inputAddress - modbusmap::kInputHeaderRegisters;
    const int count = static_cast<int>(inputs->size()) - modbusmap::kInputHeaderRegisters;
    const int last = first + static_cast<int>(registers.size()) - 1;
    if (first < 0 || last >= count) {
        m_log << "nebpt-drive-sim: refused a write of register "
              << (first < 0 ? address : map.inputAddress + modbusmap::kInputHeaderRegisters + count)
              << (first < 0 ? ": the input block's header (count and layout)"
                            : ": beyond the inputs the program reads")
              << " (exception 2)\n";
        return kIllegalDataAddress;
    }
    m_controller->setInputs(first, registers);
    return 0;
}

int DriveServer::write(int address, const std::vector<std::uint16_t>& registers)
{
    const modbusmap::Map& map = m_drive.registerMap();
    std::vector<std::string> identifiers, values;
    std::vector<unsigned long> numbers;
    const int end = address + static_cast<int>(registers.size());
    // A write that starts in a block stays in it; the parameters' registers
    // and the blocks' never meet.
    switch (blockAt(address)) {
    case Block::Status:
        m_log << "nebpt-drive-sim: refused a write of register " << address
              << ": the status block is read-only (exception 2)\n";
        return kIllegalDataAddress;
    case Block::Input:
        if (blockAt(end - 1) != Block::Input) {
            m_log << "nebpt-drive-sim: refused a write of register " << end - 1
                  << ": past the input block (exception 2)\n";
            return kIllegalDataAddress;
        }
        return writeInputs(address, registers);
    case Block::None:
        break;
    }
    for (int r = address; r < end;) {
        const modbusmap::Slot* slot = map.slotAt(r);
        if (!slot || (r - slot->address) % slot->width != 0 || r + slot->width > end) {
            m_log << "nebpt-drive-sim: refused a write of register " << r
                  << (slot ? ": part of a 32-bit value" : ": not a parameter's")
                  << " (exception 2)\n";
            return kIllegalDataAddress;
        }
        const long element = (r - slot->address) / slot->width;
        std::string identifier = std::to_string(slot->number);
        if (slot->array)
            identifier.append(1, '.').append(std::to_string(element + m_drive.indexBase()));
        identifiers.push_back(std::move(identifier));
        values.push_back(
            modbusmap::decodeValue(*slot, map.wordOrder, registers.data() + (r - address)));
        numbers.push_back(slot->number);
        r += slot->width;
    }
    try {
        m_drive.WriteParameterValues(identifiers, values, SimulatedDrive::kSetupName, 0);
        if (m_controller)
            m_controller->written(numbers);
        return 0;
    } catch (const DriveRefusal& refused) {
        // The drive keeps the value it had: a value it does not take, or an image
        // it cannot write.
        const bool cannotSave =
            m_drive.readOnly() ||
            std::string(refused.what()).find("cannot save") != std::string::npos;
        const int exception = cannotSave ? kServerDeviceFailure : kIllegalDataValue;
        m_log << "nebpt-drive-sim: refused writing " << identifiers.front()
              << (identifiers.size() > 1 ? " and on" : "") << ": " << refused.what()
              << " (exception " << exception << ")\n";
        return exception;
    }
}

std::vector<std::uint8_t> DriveServer::refuse(int function, int exception, const std::string& why)
{
    m_log << "nebpt-drive-sim: refused " << why << " (exception " << exception << ")\n";
    return exceptionAnswer(function, exception);
}

int DriveServer::failing(int first, int count) const
{
    for (const int address : m_failing)
        if (address >= first && address < first + count)
            return address;
    return -1;
}
