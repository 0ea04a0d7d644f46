#pragma once

#include "SimulatedDrive.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// Answers Modbus requests the way a drive does, from a drive image with a
// register map (SimulatedDrive.h, RegisterMap.h). It only turns request bytes
// into answer bytes: reading and writing sockets or a serial line, framing a
// byte stream, latency and faults are the serving loop's (DriveServerLoop.h).
//
// - Function 3 (read holding registers) reads any run of registers that are
//   all mapped: parameter elements and the identification registers.
// - Functions 6 and 16 (write single / multiple registers) write whole
//   elements of parameters: every request is one WriteParameterValues on the
//   image, so that it is taken whole or not at all and saved atomically.
//
// What the drive refuses gets the Modbus exception a drive sends: 1 (illegal
// function) for any function but these three; 2 (illegal data address) for a
// register that is not mapped, a write of part of a 32-bit element or of the
// identification; 3 (illegal data value) for a request of the wrong length, a
// quantity out of range or a value the drive does not accept (outside the
// choice list or the limits); 4 (server device failure) when the image cannot
// be written, or for a register made to fail (failRegister); 11 (gateway
// target failed to respond) over TCP for a request to a unit id other than its
// own or 255. Every refusal is logged.
class DriveServer
{
public:
    // `unit`: the unit id the drive answers to. Refusals are logged on `log`.
    DriveServer(SimulatedDrive& drive, int unit, std::ostream& log);
    DriveServer(const DriveServer&) = delete;
    DriveServer& operator=(const DriveServer&) = delete;

    int unit() const { return m_unit; }

    // Every later request (read or write) that covers `address` is answered
    // with exception 4 and not applied, as a device failing on that register.
    void failRegister(int address) { m_failing.push_back(address); }

    // The answer PDU (function code and data) to a request PDU for this drive.
    // `request`: the request's number, for the log.
    std::vector<std::uint8_t> answer(const std::uint8_t* pdu, std::size_t size, long request = 0);

    // Modbus TCP. A frame is an MBAP header (transaction id, protocol id 0,
    // length of what follows, unit id) and the PDU.
    static constexpr std::size_t kMbapSize = 7;
    static constexpr std::size_t kMostTcpFrame = kMbapSize + 253;
    // The size of the frame that starts `bytes`: 0 while it is not whole yet,
    // -1 when the bytes are not Modbus TCP (the peer is to be dropped).
    static long tcpFrameSize(const std::uint8_t* bytes, std::size_t size);
    // The answer frame to one whole frame (as tcpFrameSize delimits it).
    std::vector<std::uint8_t> answerTcp(const std::uint8_t* frame, std::size_t size,
                                        long request = 0);

    // Modbus RTU. A frame is the unit id, the PDU and the CRC (low byte first),
    // delimited by the line's silence.
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
    static std::uint16_t crc16(const std::uint8_t* bytes, std::size_t size);

private:
    // The register's content; false when the register is not mapped.
    bool read(int address, std::uint16_t& value);
    // Writes `count` registers from `address`; the Modbus exception code when
    // the drive refuses, 0 when it took them.
    int write(int address, const std::vector<std::uint16_t>& registers);
    std::vector<std::uint8_t> refuse(int function, int exception, const std::string& why);
    // The first register made to fail in [first, first + count); -1 when none.
    int failing(int first, int count) const;

    SimulatedDrive& m_drive;
    int m_unit;
    std::ostream& m_log;
    std::vector<std::uint16_t> m_identity; // the identification registers
    std::vector<int> m_failing;
};
