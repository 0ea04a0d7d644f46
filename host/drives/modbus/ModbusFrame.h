#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Modbus frames as bytes, for both ends of a link: the host's client
// (ModbusDrive) and the simulated drive (DriveServer). Nothing here reads or
// writes a socket or a serial line, keeps time or knows a drive: it builds and
// takes apart the frames of Modbus TCP (an MBAP header before the PDU) and
// Modbus RTU (the unit id before the PDU, the CRC after it), and the PDUs of
// the functions the project uses: 3 (read holding registers), 6 (write single
// register, served only) and 16 (write multiple registers), and exception
// answers. Multi-byte fields are big-endian, the CRC low byte first.
namespace modbusframe {

using Bytes = std::vector<std::uint8_t>;

enum Function : std::uint8_t
{
    kReadHoldingRegisters = 3,
    kWriteSingleRegister = 6,
    kWriteMultipleRegisters = 16,
};

enum Exception : std::uint8_t
{
    kIllegalFunction = 1,
    kIllegalDataAddress = 2,
    kIllegalDataValue = 3,
    kServerDeviceFailure = 4,
    kGatewayTargetFailed = 11,
};

// The most registers one request reads or writes.
constexpr int kMostRead = 125;
constexpr int kMostWritten = 123;
// An exception answer carries the request's function with this bit set.
constexpr std::uint8_t kExceptionBit = 0x80;
constexpr std::uint8_t kBroadcastUnit = 0; // RTU: every unit, never answered
constexpr std::uint8_t kAnyTcpUnit = 255;  // TCP: whatever device answers on the socket

// --- Modbus TCP: transaction id, protocol id 0, length of what follows, unit id; the PDU ---
constexpr std::size_t kMbapSize = 7;
constexpr std::size_t kMostTcpFrame = kMbapSize + 253;

Bytes tcpFrame(std::uint16_t transaction, std::uint8_t unit, const Bytes& pdu);
// The size of the whole frame the MBAP header at `header` (kMbapSize bytes)
// tells; -1 when it is no Modbus TCP header (another protocol id, a length
// without a unit id and a function, or a frame past kMostTcpFrame).
long tcpFrameSize(const std::uint8_t* header);
// The size of the frame that starts `bytes`: 0 while it is not whole yet, -1
// when the bytes are not Modbus TCP.
long tcpFrameSize(const std::uint8_t* bytes, std::size_t size);
inline std::uint16_t tcpTransaction(const std::uint8_t* frame)
{
    return static_cast<std::uint16_t>(frame[0] << 8 | frame[1]);
}
inline std::uint8_t tcpUnit(const std::uint8_t* frame)
{
    return frame[kMbapSize - 1];
}

// --- Modbus RTU: unit id, PDU, CRC ---
// The CRC-16 of Modbus RTU (polynomial 0xA001 reflected, from 0xFFFF). Over a
// frame with its CRC appended it is 0.
std::uint16_t crc16(const std::uint8_t* bytes, std::size_t size);
Bytes rtuFrame(std::uint8_t unit, const Bytes& pdu);
// At least a unit, a function and the CRC, and the CRC right.
bool rtuIntact(const std::uint8_t* frame, std::size_t size);
// The size of a whole RTU answer from its first `size` bytes (2 at least:
// unit and function), as its function tells it; 0 when the next byte (a read's
// byte count) is needed to tell.
std::size_t rtuAnswerSize(const std::uint8_t* bytes, std::size_t size);

// --- PDUs ---
Bytes readRequest(int address, int count);
Bytes writeRequest(int address, const std::vector<std::uint16_t>& registers);
Bytes exceptionAnswer(int function, int code);
// The exception code of an answer to `function`; 0 when it is no exception answer.
int exceptionIn(const Bytes& answer, int function);
// A read's answer with `count` registers into `into`; false when it carries
// another number of registers.
bool registersIn(const Bytes& answer, int count, std::uint16_t* into);
// Whether a write's answer confirms `count` registers written from `address`.
bool confirmsWrite(const Bytes& answer, int address, int count);

// A request as a drive takes it apart.
struct Request
{
    int function = 0;
    int address = 0;
    int count = 0;                        // registers read or written
    std::vector<std::uint16_t> registers; // the values written
};
enum class Malformed
{
    None,
    Empty,    // no function code
    Function, // a function not served (exception 1)
    Length,   // the wrong number of bytes for the function (exception 3)
    Quantity, // a count outside 1 to kMostRead / kMostWritten, or a byte count
              // that is not the count's (exception 3)
};
Malformed parseRequest(const std::uint8_t* pdu, std::size_t size, Request& request);
// The answers a drive gives to a request it took: the registers read, or the
// write's address with its value (function 6) or count (function 16).
Bytes readAnswer(const std::vector<std::uint16_t>& registers);
Bytes writeAnswer(const Request& request);

} // namespace modbusframe
