#include "ModbusFrame.h"

namespace modbusframe {

namespace {

unsigned wordAt(const std::uint8_t* bytes)
{
    return static_cast<unsigned>(bytes[0]) << 8 | bytes[1];
}

void putWord(Bytes& bytes, unsigned word)
{
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

} // namespace

Bytes tcpFrame(std::uint16_t transaction, std::uint8_t unit, const Bytes& pdu)
{
    Bytes frame;
    frame.reserve(kMbapSize + pdu.size());
    putWord(frame, transaction);
    putWord(frame, 0);
    putWord(frame, static_cast<unsigned>(pdu.size() + 1));
    frame.push_back(unit);
    frame.insert(frame.end(), pdu.begin(), pdu.end());
    return frame;
}

long tcpFrameSize(const std::uint8_t* header)
{
    const std::size_t length = wordAt(header + 4); // unit id and PDU
    if (wordAt(header + 2) != 0 || length < 2 || kMbapSize - 1 + length > kMostTcpFrame)
        return -1;
    return static_cast<long>(kMbapSize - 1 + length);
}

long tcpFrameSize(const std::uint8_t* bytes, std::size_t size)
{
    if (size >= 4 && wordAt(bytes + 2) != 0) // told before the length has come
        return -1;
    if (size < kMbapSize - 1)
        return 0;
    const long whole = tcpFrameSize(bytes);
    return whole < 0 || size >= static_cast<std::size_t>(whole) ? whole : 0;
}

std::uint16_t crc16(const std::uint8_t* bytes, std::size_t size)
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

Bytes rtuFrame(std::uint8_t unit, const Bytes& pdu)
{
    Bytes frame{unit};
    frame.insert(frame.end(), pdu.begin(), pdu.end());
    const std::uint16_t crc = crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

bool rtuIntact(const std::uint8_t* frame, std::size_t size)
{
    return size >= 4 && crc16(frame, size) == 0;
}

std::size_t rtuAnswerSize(const std::uint8_t* bytes, std::size_t size)
{
    const std::uint8_t function = bytes[1];
    if (function & kExceptionBit)
        return 2 + 1 + 2; // the code
    if (function == kReadHoldingRegisters)
        return size < 3 ? 0 : 3 + std::size_t{bytes[2]} + 2; // the byte count, the registers
    return 2 + 4 + 2;                                        // a write: address, value or count
}

Bytes readRequest(int address, int count)
{
    Bytes pdu{kReadHoldingRegisters};
    putWord(pdu, static_cast<unsigned>(address));
    putWord(pdu, static_cast<unsigned>(count));
    return pdu;
}

Bytes writeRequest(int address, const std::vector<std::uint16_t>& registers)
{
    Bytes pdu{kWriteMultipleRegisters};
    putWord(pdu, static_cast<unsigned>(address));
    putWord(pdu, static_cast<unsigned>(registers.size()));
    pdu.push_back(static_cast<std::uint8_t>(2 * registers.size()));
    for (const std::uint16_t word : registers)
        putWord(pdu, word);
    return pdu;
}

Bytes exceptionAnswer(int function, int code)
{
    return {static_cast<std::uint8_t>(function | kExceptionBit), static_cast<std::uint8_t>(code)};
}

int exceptionIn(const Bytes& answer, int function)
{
    return answer.size() == 2 && answer[0] == (function | kExceptionBit) ? answer[1] : 0;
}

bool registersIn(const Bytes& answer, int count, std::uint16_t* into)
{
    const std::size_t bytes = 2 * static_cast<std::size_t>(count);
    if (answer.size() != 2 + bytes || answer[1] != bytes)
        return false;
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i)
        into[i] = static_cast<std::uint16_t>(wordAt(answer.data() + 2 + 2 * i));
    return true;
}

bool confirmsWrite(const Bytes& answer, int address, int count)
{
    return answer.size() == 5 && wordAt(answer.data() + 1) == static_cast<unsigned>(address) &&
           wordAt(answer.data() + 3) == static_cast<unsigned>(count);
}

Malformed parseRequest(const std::uint8_t* pdu, std::size_t size, Request& request)
{
    request = Request{};
    if (size < 1)
        return Malformed::Empty;
    const int function = request.function = pdu[0];
    if (function != kReadHoldingRegisters && function != kWriteSingleRegister &&
        function != kWriteMultipleRegisters)
        return Malformed::Function;
    // Function 16 tells the size of its values; the others take five bytes.
    std::size_t expected = 5;
    if (function == kWriteMultipleRegisters)
        expected = size >= 6 ? 6 + std::size_t{pdu[5]} : 6;
    if (size != expected)
        return Malformed::Length;
    request.address = static_cast<int>(wordAt(pdu + 1));
    request.count = function == kWriteSingleRegister ? 1 : static_cast<int>(wordAt(pdu + 3));
    const int most = function == kReadHoldingRegisters ? kMostRead : kMostWritten;
    if (request.count < 1 || request.count > most ||
        (function == kWriteMultipleRegisters && pdu[5] != 2 * request.count))
        return Malformed::Quantity;
    if (function == kWriteSingleRegister)
        request.registers.push_back(static_cast<std::uint16_t>(wordAt(pdu + 3)));
    for (int i = 0; function == kWriteMultipleRegisters && i < request.count; ++i)
        request.registers.push_back(static_cast<std::uint16_t>(wordAt(pdu + 6 + 2 * i)));
    return Malformed::None;
}

Bytes readAnswer(const std::vector<std::uint16_t>& registers)
{
    Bytes pdu{kReadHoldingRegisters, static_cast<std::uint8_t>(2 * registers.size())};
    for (const std::uint16_t word : registers)
        putWord(pdu, word);
    return pdu;
}

Bytes writeAnswer(const Request& request)
{
    Bytes pdu{static_cast<std::uint8_t>(request.function)};
    putWord(pdu, static_cast<unsigned>(request.address));
    putWord(pdu, request.function == kWriteSingleRegister ? request.registers.front()
                                                          : static_cast<unsigned>(request.count));
    return pdu;
}

} // namespace modbusframe
