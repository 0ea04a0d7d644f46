#pragma once

#include "SimulatedDrive.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// Answers Modbus requests the way a drive does, from a drive image with a
// register map (SimulatedDrive.h, RegisterMap.h). It only turns request bytes
// into answer bytes, through the frame codec the host's link uses too
// (ModbusFrame.h): reading and writing sockets or a serial line, cutting a
// byte stream into frames, latency and faults are the serving loop's
// (DriveServerLoop.h).
//
// - Function 3 (read holding registers) reads any run of registers that are
//   all mapped: parameter elements and the identification registers.
// - Functions 6 and 16 (write single / multiple registers) write whole
//   elements of parameters: every request is one WriteParameterValues on the
//   image, so that it is taken whole or not at all and saved atomically.
//
// - With a controller (nebpt-drive-sim --run), the status block answers reads
//   and the input block's values take writes (RegisterMap.h): a write to the
//   input block sets inputs and must lie within its values; the rest of both
//   blocks reads 0 and takes no write. Without a controller neither block is
//   mapped.
//
// What the drive refuses gets the Modbus exception a drive sends: 1 (illegal
// function) for any function but these three; 2 (illegal data address) for a
// register that is not mapped or past register 65535, a write of part of a 32-bit element, of the
// identification, of the status block or of the input block's count; 3 (illegal data value) for a
// request of the wrong length, a quantity out of range (reads 1 to 125, writes 1 to 123) or a
// value the drive does not accept
// (outside the choice list or the limits); 4 (server device failure) when the image cannot be
// written, for a block while the controller cannot run its program, or for a register made to fail
// (failRegister); 11 (gateway target failed to respond) over TCP for a request to a unit id other
// than its own or 255. Every refusal is logged. The drive's controller behind the status and input
// blocks of the register map.
class DriveController
{
public:
    virtual ~DriveController() = default;
    // Runs the scans that are due by now. True when more are due than it ran
    // (the serving loop comes back at once).
    virtual bool catchUp() = 0;
    // The status block's registers as modbusmap::encodeStatus makes them; null
    // while the controller cannot run its program.
    virtual const std::vector<std::uint16_t>* status() = 0;
    // The input block's registers: the count N, then N values; null while the
    // controller cannot run its program.
    virtual const std::vector<std::uint16_t>* inputs() = 0;
    // Sets the inputs from value `first` (0-based, below the count) on; they act
    // in the next scan.
    virtual void setInputs(int first, const std::vector<std::uint16_t>& values) = 0;
    // Parameters were written (their numbers).
    virtual void written(const std::vector<unsigned long>& numbers) = 0;
};

class DriveServer
{
public:
    // `unit`: the unit id the drive answers to. Refusals are logged on `log`.
    DriveServer(SimulatedDrive& drive, int unit, std::ostream& log);
    DriveServer(const DriveServer&) = delete;
    DriveServer& operator=(const DriveServer&) = delete;

    int unit() const { return m_unit; }

    // The controller behind the status and input blocks; null (the default):
    // neither block is mapped.
    void setController(DriveController* controller) { m_controller = controller; }
    // Runs the controller's scans that are due (DriveController::catchUp); false
    // without a controller.
    bool catchUp() { return m_controller && m_controller->catchUp(); }

    // Every later request (read or write) that covers `address` is answered
    // with exception 4 and not applied, as a device failing on that register.
    void failRegister(int address) { m_failing.push_back(address); }

    // The answer PDU (function code and data) to a request PDU for this drive.
    // `request`: the request's number, for the log.
    std::vector<std::uint8_t> answer(const std::uint8_t* pdu, std::size_t size, long request = 0);

    // Modbus TCP: the answer frame to one whole frame (as
    // modbusframe::tcpFrameSize delimits it).
    std::vector<std::uint8_t> answerTcp(const std::uint8_t* frame, std::size_t size,
                                        long request = 0);

    // Modbus RTU: frames delimited by the line's silence (ModbusFrame.h).
    enum class RtuFrame
    {
        Mine,      // intact and for this unit
        Broadcast, // intact and for every unit (0): taken, never answered
        Other,     // intact and for another unit: ignored
        Corrupt    // too short or a wrong CRC: ignored
    };
    RtuFrame classifyRtu(const std::uint8_t* frame, std::size_t size) const;
    // The answer frame to a frame classifyRtu takes (Mine or Broadcast);
    // empty for a broadcast, which is applied all the same.
    std::vector<std::uint8_t> answerRtu(const std::uint8_t* frame, std::size_t size,
                                        long request = 0);

private:
    // The register's content; the Modbus exception code when it cannot be read
    // (2 when it is not mapped), 0 when it was.
    int read(int address, std::uint16_t& value);
    // Writes `count` registers from `address`; the Modbus exception code when
    // the drive refuses, 0 when it took them.
    int write(int address, const std::vector<std::uint16_t>& registers);
    enum class Block
    {
        None,
        Status,
        Input
    };
    // The block `address` lies in; None without a controller.
    Block blockAt(int address) const;
    // Sets inputs from registers written to the input block: the Modbus
    // exception code when it refuses them, 0 when it took them.
    int writeInputs(int address, const std::vector<std::uint16_t>& registers);
    std::vector<std::uint8_t> refuse(int function, int exception, const std::string& why);
    // The first register made to fail in [first, first + count); -1 when none.
    int failing(int first, int count) const;

    SimulatedDrive& m_drive;
    int m_unit;
    std::ostream& m_log;
    std::vector<std::uint16_t> m_identity; // the identification registers
    std::vector<int> m_failing;
    DriveController* m_controller = nullptr;
};
