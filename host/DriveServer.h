#pragma once

#include "SimulatedDrive.h"

#include <modbus.h>

#include <cstdint>
#include <string>
#include <vector>

// Answers Modbus requests the way a drive does, from a drive image with a
// register map (SimulatedDrive.h, RegisterMap.h).
//
// - Function 3 (read holding registers) reads any run of registers that are
//   all mapped: parameter elements and the identification registers.
// - Functions 6 and 16 (write single / multiple registers) write whole
//   elements of parameters: every request is one WriteParameterValues on the
//   image, so that it is taken whole or not at all and saved atomically.
//
// What the drive refuses gets the Modbus exception a drive sends: 2 (illegal
// data address) for a register that is not mapped, a write of part of a 32-bit
// element or of the identification; 3 (illegal data value) for a quantity out of
// range or a value the drive does not accept (outside the choice list or the
// limits); 4 (server device failure) when the image cannot be written; 1 for
// any other function; 11 (gateway target failed to respond) over TCP for a
// request to a unit id other than its own or 255. Every refusal is logged on stderr.
class DriveServer
{
public:
    // `unit`: the unit id the drive answers to.
    DriveServer(SimulatedDrive& drive, int unit);
    ~DriveServer();
    DriveServer(const DriveServer&) = delete;
    DriveServer& operator=(const DriveServer&) = delete;

    int unit() const { return m_unit; }
    // Answers one request as modbus_receive() delivered it on `context`.
    void answer(modbus_t* context, const std::uint8_t* request, int length, bool tcp);

private:
    // The register's content; false when the register is not mapped.
    bool read(int address, std::uint16_t& value);
    // Writes `count` registers from `address`; the Modbus exception code when
    // the drive refuses, 0 when it took them.
    int write(int address, const std::vector<std::uint16_t>& registers);
    void refuse(modbus_t* context, const std::uint8_t* request, int exception,
                const std::string& why);

    SimulatedDrive& m_drive;
    int m_unit;
    std::vector<std::uint16_t> m_identity; // the identification registers
    modbus_mapping_t* m_mapping;           // the registers a reply is made from
};
