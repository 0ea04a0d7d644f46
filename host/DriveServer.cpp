#include "DriveServer.h"

#include <iostream>
#include <stdexcept>

namespace {

constexpr int kMostRead = 125;    // registers a read request may ask for
constexpr int kMostWritten = 123; // registers a write request may carry

int word(const std::uint8_t* bytes)
{
    return bytes[0] << 8 | bytes[1];
}

} // namespace

DriveServer::DriveServer(SimulatedDrive& drive, int unit)
    : m_drive(drive), m_unit(unit),
      m_mapping(modbus_mapping_new(0, 0, modbusmap::kRegisterCount, 0))
{
    if (!m_mapping)
        throw std::runtime_error("cannot allocate the Modbus registers");
    for (auto [text, count] : {std::pair{&drive.driveType(), modbusmap::kTypeRegisters},
                               std::pair{&drive.aocVersion(), modbusmap::kVersionRegisters},
                               std::pair{&drive.databaseVersion(), modbusmap::kVersionRegisters}}) {
        const std::vector<std::uint16_t> registers = modbusmap::encodeText(*text, count);
        m_identity.insert(m_identity.end(), registers.begin(), registers.end());
    }
}

DriveServer::~DriveServer()
{
    modbus_mapping_free(m_mapping);
}

void DriveServer::answer(modbus_t* context, const std::uint8_t* request, int length, bool tcp)
{
    const int offset = modbus_get_header_length(context);
    if (length < offset + 5) // function, address and one more word at least
        return refuse(context, request, MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE, "a short request");
    // Over TCP, 255 addresses whatever device answers on the socket.
    if (tcp && request[offset - 1] != m_unit && request[offset - 1] != MODBUS_TCP_SLAVE) {
        return refuse(context, request, MODBUS_EXCEPTION_GATEWAY_TARGET,
                      "a request for unit " + std::to_string(request[offset - 1]));
    }
    const int function = request[offset];
    const int address = word(request + offset + 1);
    const std::string where = " at register " + std::to_string(address);

    if (function == MODBUS_FC_READ_HOLDING_REGISTERS) {
        const int count = word(request + offset + 3);
        if (count < 1 || count > kMostRead || address + count > modbusmap::kRegisterCount) {
            return refuse(context, request, MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE,
                          "a read of " + std::to_string(count) + " registers" + where);
        }
        for (int r = address; r < address + count; ++r) {
            if (!read(r, m_mapping->tab_registers[r])) {
                return refuse(context, request, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS,
                              "a read of unmapped register " + std::to_string(r));
            }
        }
    } else if (function == MODBUS_FC_WRITE_SINGLE_REGISTER ||
               function == MODBUS_FC_WRITE_MULTIPLE_REGISTERS) {
        std::vector<std::uint16_t> registers;
        if (function == MODBUS_FC_WRITE_SINGLE_REGISTER) {
            registers.push_back(static_cast<std::uint16_t>(word(request + offset + 3)));
        } else {
            const int count = word(request + offset + 3);
            if (count < 1 || count > kMostWritten || length < offset + 6 + 2 * count ||
                request[offset + 5] != 2 * count) {
                return refuse(context, request, MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE,
                              "a malformed write of " + std::to_string(count) + " registers" +
                                  where);
            }
            for (int i = 0; i < count; ++i)
                registers.push_back(static_cast<std::uint16_t>(word(request + offset + 6 + 2 * i)));
        }
        if (const int exception = write(address, registers)) {
            modbus_reply_exception(context, request, static_cast<unsigned>(exception));
            return;
        }
    } else {
        return refuse(context, request, MODBUS_EXCEPTION_ILLEGAL_FUNCTION,
                      "function " + std::to_string(function));
    }
    if (modbus_reply(context, request, length, m_mapping) < 0)
        std::cerr << "nebpt-drive-sim: cannot answer: " << modbus_strerror(errno) << "\n";
}

bool DriveServer::read(int address, std::uint16_t& value)
{
    const modbusmap::Map& map = m_drive.registerMap();
    const int identity = address - map.identificationAddress;
    if (map.identificationAddress >= 0 && identity >= 0 &&
        identity < modbusmap::kIdentificationRegisters) {
        value = m_identity[static_cast<size_t>(identity)];
        return true;
    }
    const modbusmap::Slot* slot = map.slotAt(address);
    if (!slot)
        return false;
    const long element = (address - slot->address) / slot->width;
    std::uint16_t registers[2] = {};
    std::string reason;
    // The image holds only values that fit (checked when it was loaded).
    modbusmap::encodeValue(*slot, map.wordOrder,
                           m_drive.value(slot->number, slot->array ? element : -1), registers,
                           reason);
    value = registers[(address - slot->address) % slot->width];
    return true;
}

int DriveServer::write(int address, const std::vector<std::uint16_t>& registers)
{
    const modbusmap::Map& map = m_drive.registerMap();
    std::vector<std::string> identifiers, values;
    const int end = address + static_cast<int>(registers.size());
    for (int r = address; r < end;) {
        const modbusmap::Slot* slot = map.slotAt(r);
        if (!slot || (r - slot->address) % slot->width != 0 || r + slot->width > end) {
            std::cerr << "nebpt-drive-sim: refused a write of register " << r
                      << (slot ? ": part of a 32-bit value\n" : ": not a parameter's\n");
            return MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS;
        }
        const long element = (r - slot->address) / slot->width;
        identifiers.push_back(
            std::to_string(slot->number) +
            (slot->array ? "." + std::to_string(element + m_drive.indexBase()) : std::string()));
        values.push_back(
            modbusmap::decodeValue(*slot, map.wordOrder, registers.data() + (r - address)));
        r += slot->width;
    }
    try {
        m_drive.WriteParameterValues(identifiers, values, SimulatedDrive::kSetupName, 0);
        return 0;
    } catch (const DriveRefusal& refused) {
        std::cerr << "nebpt-drive-sim: refused writing " << identifiers.front()
                  << (identifiers.size() > 1 ? " and on" : "") << ": " << refused.what() << "\n";
        // The drive keeps the value it had: a value it does not take, or an image
        // it cannot write.
        const bool cannotSave =
            m_drive.readOnly() ||
            std::string(refused.what()).find("cannot save") != std::string::npos;
        return cannotSave ? MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE
                          : MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
    }
}

void DriveServer::refuse(modbus_t* context, const std::uint8_t* request, int exception,
                         const std::string& why)
{
    std::cerr << "nebpt-drive-sim: refused " << why << " (exception " << exception << ")\n";
    modbus_reply_exception(context, request, static_cast<unsigned>(exception));
}
