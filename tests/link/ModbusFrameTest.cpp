#include "ModbusFrame.h"

#include <gtest/gtest.h>

#include <string>

using namespace modbusframe;

namespace {

Bytes bytes(std::initializer_list<int> values)
{
    Bytes result;
    for (const int value : values)
        result.push_back(static_cast<std::uint8_t>(value));
    return result;
}

} // namespace

// The CRC as Modbus RTU defines it: its check value, a frame from the protocol's
// examples (low byte first), and a frame with its CRC taken only when intact.
TEST(ModbusFrameTest, RtuFramesCarryTheModbusCrc)
{
    const std::string check = "123456789";
    EXPECT_EQ(crc16(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0x4B37);

    const Bytes frame = rtuFrame(1, readRequest(0, 10));
    EXPECT_EQ(frame, bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
    EXPECT_TRUE(rtuIntact(frame.data(), frame.size()));
    for (size_t at = 0; at < frame.size(); ++at) {
        Bytes damaged = frame;
        damaged[at] ^= 0x10;
        EXPECT_FALSE(rtuIntact(damaged.data(), damaged.size())) << "byte " << at;
    }
    EXPECT_FALSE(rtuIntact(frame.data(), frame.size() - 1));
    const Bytes tooShort = rtuFrame(1, {});
    EXPECT_FALSE(rtuIntact(tooShort.data(), tooShort.size()));
}

// An RTU answer's size follows from its function: an exception, a read (from its
// byte count, which the first two bytes do not hold yet) or a write's echo.
TEST(ModbusFrameTest, RtuAnswerSizeFollowsItsFunction)
{
    const struct
    {
        Bytes start;
        size_t size;
    } cases[] = {
        {bytes({1, 0x83}), 5}, {bytes({1, 0x90, 4}), 5},
        {bytes({1, 3}), 0},    {bytes({1, 3, 4}), 3 + 4 + 2},
        {bytes({1, 3, 0}), 5}, {bytes({1, 16}), 8},
        {bytes({1, 6}), 8},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rtuAnswerSize(c.start.data(), c.start.size()), c.size) << int(c.start[1]);
}

// A Modbus TCP byte stream is cut into frames by their MBAP headers: a frame
// not whole yet waits, one of another protocol or with an impossible length is
// no Modbus TCP, whatever follows a frame is the next one's.
TEST(ModbusFrameTest, MbapHeadersDelimitTcpFrames)
{
    const Bytes frame = tcpFrame(0x1234, 7, readRequest(0x0102, 3));
    EXPECT_EQ(frame, bytes({0x12, 0x34, 0, 0, 0, 6, 7, 3, 0x01, 0x02, 0, 3}));
    EXPECT_EQ(tcpTransaction(frame.data()), 0x1234);
    EXPECT_EQ(tcpUnit(frame.data()), 7);

    Bytes longest = bytes({0, 1, 0, 0, 0, 254});
    longest.resize(kMostTcpFrame);
    Bytes twoFrames = frame;
    twoFrames.insert(twoFrames.end(), frame.begin(), frame.end());
    const struct
    {
        Bytes stream;
        long size;
    } cases[] = {
        {{}, 0},
        {bytes({0x12, 0x34, 0}), 0},
        {bytes({0x12, 0x34, 0, 1}), -1},              // protocol 1
        {Bytes(frame.begin(), frame.begin() + 6), 0}, // header without its unit
        {Bytes(frame.begin(), frame.end() - 1), 0},
        {frame, 12},
        {twoFrames, 12},
        {bytes({0, 1, 0, 0, 0, 1, 7}), -1}, // a unit without a function
        {bytes({0, 1, 0, 0, 0, 2, 7, 3}), 8},
        {longest, static_cast<long>(kMostTcpFrame)},
        {bytes({0, 1, 0, 0, 0, 255}), -1},
        {bytes({0, 1, 0, 0, 0xFF, 0xFF}), -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tcpFrameSize(c.stream.data(), c.stream.size()), c.size)
            << "a stream of " << c.stream.size() << " bytes";
        if (c.stream.size() >= kMbapSize && c.size != 0) {
            EXPECT_EQ(tcpFrameSize(c.stream.data()), c.size);
        }
    }
}

// What the client sends, the drive takes apart as it was meant; each malformed
// request is told as what makes it so, with the address and count read so far.
TEST(ModbusFrameTest, DriveTakesRequestsApart)
{
    const struct
    {
        Bytes pdu;
        Malformed malformed;
        int function, address, count;
        std::vector<std::uint16_t> registers;
    } cases[] = {
        {readRequest(300, 125), Malformed::None, 3, 300, 125, {}},
        {writeRequest(65534, {0x0102, 0xFFFF}), Malformed::None, 16, 65534, 2, {0x0102, 0xFFFF}},
        {bytes({6, 0, 9, 0xAB, 0xCD}), Malformed::None, 6, 9, 1, {0xABCD}},
        {{}, Malformed::Empty, 0, 0, 0, {}},
        {bytes({4, 0, 0, 0, 1}), Malformed::Function, 4, 0, 0, {}},
        {bytes({0x83, 0, 0, 0, 1}), Malformed::Function, 0x83, 0, 0, {}},
        {bytes({3, 0, 0, 0}), Malformed::Length, 3, 0, 0, {}},
        {bytes({3, 0, 0, 0, 1, 0}), Malformed::Length, 3, 0, 0, {}},
        {bytes({16, 0, 0, 0, 1}), Malformed::Length, 16, 0, 0, {}},
        {bytes({16, 0, 0, 0, 1, 2, 0}), Malformed::Length, 16, 0, 0, {}},
        {bytes({16, 0, 0, 0, 1, 2}), Malformed::Length, 16, 0, 0, {}}, // no values
        {readRequest(7, 126), Malformed::Quantity, 3, 7, 126, {}},
        {readRequest(7, 0), Malformed::Quantity, 3, 7, 0, {}},
        {writeRequest(7, std::vector<std::uint16_t>(124)), Malformed::Quantity, 16, 7, 124, {}},
        {bytes({16, 0, 7, 0, 2, 2, 0, 1}), Malformed::Quantity, 16, 7, 2, {}}, // byte count
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.pdu));
        Request request;
        EXPECT_EQ(parseRequest(c.pdu.data(), c.pdu.size(), request), c.malformed);
        EXPECT_EQ(request.function, c.function);
        EXPECT_EQ(request.address, c.address);
        EXPECT_EQ(request.count, c.count);
        EXPECT_EQ(request.registers, c.registers);
    }
}

// The drive's answers, as the client reads them: registers, a write confirmed
// for its address and count (or its value, function 6), an exception for the
// request's function only; anything else is not taken.
TEST(ModbusFrameTest, ClientReadsTheDrivesAnswers)
{
    std::uint16_t registers[3] = {};
    const Bytes read = readAnswer({0x0102, 0xFFFE});
    EXPECT_EQ(read, bytes({3, 4, 1, 2, 0xFF, 0xFE}));
    ASSERT_TRUE(registersIn(read, 2, registers));
    EXPECT_EQ(registers[0], 0x0102);
    EXPECT_EQ(registers[1], 0xFFFE);
    EXPECT_FALSE(registersIn(read, 3, registers));
    EXPECT_FALSE(registersIn(bytes({3, 6, 1, 2, 0xFF, 0xFE}), 2, registers)); // byte count
    EXPECT_FALSE(registersIn(bytes({3, 4, 1, 2, 0xFF}), 2, registers));

    Request write;
    const Bytes request = writeRequest(1300, {1, 2, 3});
    ASSERT_EQ(parseRequest(request.data(), request.size(), write), Malformed::None);
    const Bytes confirmed = writeAnswer(write);
    EXPECT_EQ(confirmed, bytes({16, 0x05, 0x14, 0, 3}));
    EXPECT_TRUE(confirmsWrite(confirmed, 1300, 3));
    EXPECT_FALSE(confirmsWrite(confirmed, 1301, 3));
    EXPECT_FALSE(confirmsWrite(confirmed, 1300, 2));
    EXPECT_FALSE(confirmsWrite(bytes({16, 0x05, 0x14, 0, 3, 0}), 1300, 3));
    ASSERT_EQ(parseRequest(bytes({6, 0, 9, 0xAB, 0xCD}).data(), 5, write), Malformed::None);
    EXPECT_EQ(writeAnswer(write), bytes({6, 0, 9, 0xAB, 0xCD}));

    EXPECT_EQ(exceptionAnswer(16, kIllegalDataValue), bytes({0x90, 3}));
    EXPECT_EQ(exceptionIn(exceptionAnswer(16, kIllegalDataValue), 16), 3);
    EXPECT_EQ(exceptionIn(exceptionAnswer(3, kGatewayTargetFailed), 3), 11);
    EXPECT_EQ(exceptionIn(exceptionAnswer(3, kIllegalDataValue), 16), 0);
    EXPECT_EQ(exceptionIn(bytes({0x83, 2, 0}), 3), 0);
    EXPECT_EQ(exceptionIn(read, 3), 0);
}
