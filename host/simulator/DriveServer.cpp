#include "DriveServer.h"

#include <ostream>
#include <stdexcept>
#include <utility>

namespace {

constexpr int kMostRead = 125;    // registers a read request may ask for
constexpr int kMostWritten = 123; // registers a write request may carry
constexpr int kBroadcastUnit = 0;
constexpr int kAnyTcpUnit = 255; // over TCP: whatever device answers on the socket

enum Function
{
    kReadHoldingRegisters = 3,
    kWriteSingleRegister = 6,
    kWriteMultipleRegisters = 16,
};

enum Exception
{
    kIllegalFunction = 1,
    kIllegalDataAddress = 2,
    kIllegalDataValue = 3,
    kServerDeviceFailure = 4,
    kGatewayTargetFailed = 11,
};

int word(const std::uint8_t* bytes)
{
    return bytes[0] << 8 | bytes[1];
}

void putWord(std::vector<std::uint8_t>& bytes, int value)
{
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value));
}

} // namespace

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
    if (size < 1)
        return refuse(0, kIllegalFunction, "an empty request");
    const int function = pdu[0];
    if (function != kReadHoldingRegisters && function != kWriteSingleRegister &&
        function != kWriteMultipleRegisters)
        return refuse(function, kIllegalFunction, "function " + std::to_string(function));
    // Function 16 tells the size of its values; the others take five bytes.
    std::size_t expected = 5;
    if (function == kWriteMultipleRegisters)
        expected = size >= 6 ? 6 + std::size_t{pdu[5]} : 6;
    if (size != expected) {
        return refuse(function, kIllegalDataValue,
                      "a request of " + std::to_string(size) + " bytes for function " +
                          std::to_string(function));
    }
    const int address = word(pdu + 1);
    const std::string where = " at register " + std::to_string(address);
    const int count = function == kWriteSingleRegister ? 1 : word(pdu + 3);
    const int most = function == kReadHoldingRegisters ? kMostRead : kMostWritten;
    if (count < 1 || count > most || (function == kWriteMultipleRegisters && pdu[5] != 2 * count)) {
        return refuse(function, kIllegalDataValue,
                      "a request for " + std::to_string(count) + " registers" + where);
    }
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

    std::vector<std::uint8_t> reply{static_cast<std::uint8_t>(function)};
    if (function == kReadHoldingRegisters) {
        reply.push_back(static_cast<std::uint8_t>(2 * count));
        for (int r = address; r < address + count; ++r) {
            std::uint16_t value = 0;
            if (const int exception = read(r, value)) {
                const std::string what = exception == kIllegalDataAddress
                                             ? "a read of unmapped register " + std::to_string(r)
                                             : "a read of register " + std::to_string(r) +
                                                   ": the controller cannot run its program";
                return refuse(function, exception, what);
            }
            putWord(reply, value);
        }
        return reply;
    }
    std::vector<std::uint16_t> registers;
    if (function == kWriteSingleRegister)
        registers.push_back(static_cast<std::uint16_t>(word(pdu + 3)));
    for (int i = 0; function == kWriteMultipleRegisters && i < count; ++i)
        registers.push_back(static_cast<std::uint16_t>(word(pdu + 6 + 2 * i)));
    if (const int exception = write(address, registers))
        return {static_cast<std::uint8_t>(function | 0x80), static_cast<std::uint8_t>(exception)};
    // Both writes answer with their first four data bytes: the address and the
    // value, or the address and the count.
    reply.insert(reply.end(), pdu + 1, pdu + 5);
    return reply;
}

long DriveServer::tcpFrameSize(const std::uint8_t* bytes, std::size_t size)
{
    if (size >= 4 && word(bytes + 2) != 0) // protocol id: 0 is Modbus
        return -1;
    if (size < 6)
        return 0;
    const std::size_t length = static_cast<std::size_t>(word(bytes + 4)); // unit id and PDU
    if (length < 2 || kMbapSize - 1 + length > kMostTcpFrame)
        return -1;
    return size >= kMbapSize - 1 + length ? static_cast<long>(kMbapSize - 1 + length) : 0;
}

std::vector<std::uint8_t> DriveServer::answerTcp(const std::uint8_t* frame, std::size_t size,
                                                 long request)
{
    const int unit = frame[kMbapSize - 1];
    std::vector<std::uint8_t> pdu;
    if (unit != m_unit && unit != kAnyTcpUnit) {
        pdu = refuse(frame[kMbapSize], kGatewayTargetFailed,
                     "a request for unit " + std::to_string(unit));
    } else {
        pdu = answer(frame + kMbapSize, size - kMbapSize, request);
    }
    std::vector<std::uint8_t> reply(frame, frame + 4); // transaction and protocol id
    putWord(reply, static_cast<int>(pdu.size()) + 1);
    reply.push_back(static_cast<std::uint8_t>(unit));
    reply.insert(reply.end(), pdu.begin(), pdu.end());
    return reply;
}

DriveServer::RtuFrame DriveServer::classifyRtu(const std::uint8_t* frame, std::size_t size) const
{
    if (size < 4 || crc16(frame, size - 2) != (frame[size - 2] | frame[size - 1] << 8))
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
    std::vector<std::uint8_t> reply{frame[0]};
    reply.insert(reply.end(), pdu.begin(), pdu.end());
    const std::uint16_t crc = crc16(reply.data(), reply.size());
    reply.push_back(static_cast<std::uint8_t>(crc));
    reply.push_back(static_cast<std::uint8_t>(crc >> 8));
    return reply;
}

std::uint16_t DriveServer::crc16(const std::uint8_t* bytes, std::size_t size)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>(crc >> 1 ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
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
    // The values follow the count: value i at inputAddress + 1 + i.
    const int first = address - map.inputAddress - modbusmap::kInputHeaderRegisters;
    const int count = static_cast<int>(inputs->size()) - modbusmap::kInputHeaderRegisters;
    const int last = first + static_cast<int>(registers.size()) - 1;
    if (first < 0 || last >= count) {
        m_log << "nebpt-drive-sim: refused a write of register "
              << (first < 0 ? address : map.inputAddress + modbusmap::kInputHeaderRegisters + count)
              << (first < 0 ? ": the input count" : ": beyond the inputs the program reads")
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
    return {static_cast<std::uint8_t>(function | 0x80), static_cast<std::uint8_t>(exception)};
}

int DriveServer::failing(int first, int count) const
{
    for (const int address : m_failing)
        if (address >= first && address < first + count)
            return address;
    return -1;
}
