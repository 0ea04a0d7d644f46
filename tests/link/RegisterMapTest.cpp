#include "RegisterMap.h"
#include "HostTestSupport.h"
#include "SimulatedDrive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace modbusmap;
using ::testing::HasSubstr;

namespace {

Slot numeric(int width, int decimals)
{
    Slot slot;
    slot.width = width;
    slot.decimals = decimals;
    return slot;
}

} // namespace

// Every value of both sample drives travels to registers and back unchanged, in
// either word order, and every register of a parameter leads back to it.
TEST(RegisterMapTest, SampleDrivesCarryEveryValueThroughTheirRegisters)
{
    for (const char* sample : {"fcd300_sample.json", "fcd50m_sample.json"}) {
        SCOPED_TRACE(sample);
        SimulatedDrive drive(hosttest::sampleImage(sample), SimulatedDrive::Access::Read);
        const Map& map = drive.registerMap();
        ASSERT_EQ(map.parameters.size(), 14u);
        EXPECT_EQ(map.identificationAddress, 0);
        EXPECT_EQ(map.slotAt(kIdentificationRegisters), nullptr);
        for (const Slot& slot : map.parameters) {
            EXPECT_EQ(map.slotOf(slot.number), &slot);
            EXPECT_EQ(map.slotAt(static_cast<int>(slot.end() - 1)), &slot);
            EXPECT_NE(map.slotAt(static_cast<int>(slot.end())), &slot);
            for (unsigned long e = 0; e < slot.elements; ++e) {
                const std::string value = drive.value(
                    slot.number,
                    drive.GetElementCount(std::to_string(slot.number)) ? static_cast<long>(e) : -1);
                std::uint16_t registers[2] = {};
                std::string reason;
                ASSERT_TRUE(encodeValue(slot, map.wordOrder, value, registers, reason)) << reason;
                EXPECT_EQ(decodeValue(slot, map.wordOrder, registers), value);
            }
        }
    }
}

// The input block's layout number changes with the inputs and their order; the
// same inputs (by key, whatever the language) give the same number.
TEST(RegisterMapTest, TheInputLayoutNumberFollowsTheInputs)
{
    const std::vector<std::string> sample{"1301:19", "1301:2", "1310:3"};
    const std::vector<std::vector<std::string>> others{
        {"1301:2", "1301:19", "1310:3"}, {"1301:20", "1301:2", "1310:3"},
        {"1301:19", "1301:2"},           {"1301:19", "1301:2", "1310:3", "1320:4"},
        {"1301:192", "1301:", "1310:3"}, {}};
    const std::uint16_t layout = inputLayout(sample);
    EXPECT_EQ(inputLayout(std::vector<std::string>(sample)), layout);
    for (const auto& keys : others)
        EXPECT_NE(inputLayout(keys), layout) << ::testing::PrintToString(keys);
}

// Values travel as signed integers scaled by 10^decimals, in the word order
// asked for; what does not fit the registers or is no number is refused.
TEST(RegisterMapTest, ValuesTravelAsScaledSignedIntegers)
{
    std::uint16_t r[2] = {};
    std::string reason;
    ASSERT_TRUE(encodeValue(numeric(2, 2), WordOrder::HighFirst, "-0.02", r, reason));
    EXPECT_EQ(r[0], 0xFFFF);
    EXPECT_EQ(r[1], 0xFFFE);
    ASSERT_TRUE(encodeValue(numeric(2, 1), WordOrder::LowFirst, "6553.7", r, reason));
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(r[1], 1);
    ASSERT_TRUE(encodeValue(numeric(1, 2), WordOrder::HighFirst, "12.500000", r, reason));
    EXPECT_EQ(decodeValue(numeric(1, 2), WordOrder::HighFirst, r), "12.50");
    EXPECT_FALSE(encodeValue(numeric(1, 0), WordOrder::HighFirst, "32768", r, reason));
    EXPECT_THAT(reason, HasSubstr("does not fit 16 bits"));
    Slot choice;
    choice.selection = true;
    EXPECT_FALSE(encodeValue(choice, WordOrder::HighFirst, "1.5", r, reason));
}

// An image whose register map cannot serve, as a Modbus profile or for the drive
// simulator, is refused when it is loaded, naming what is wrong; so is one with
// more elements to a parameter than the editor lays out.
TEST(RegisterMapTest, RefusesAnImageWhoseRegistersCannotServe)
{
    const struct
    {
        std::string from, to, message;
    } cases[] = {
        {"\"register\": 180,", "\"register\": 150,", "parameters 1301 and 1302 share"},
        {"\"register\": 100,", "\"register\": 10,",
         "1300 shares holding registers with the identification"},
        {"\"register\": 100,", "", "parameter 1300: \"register\" is missing"},
        {"\"register\": 140,", "\"register\": 65530,", "parameter 1301: its registers"},
        {"\"register\": 100,", "\"register\": 100, \"width\": 3,", "\"width\" is neither 1 nor 2"},
        {"\"width\": 2", "\"width\": 1", "parameter 1303: \"3600\" does not fit 16 bits"},
        {"\"wordOrder\": \"high-first\"", "\"wordOrder\": \"big\"", "\"wordOrder\""},
        {"\"unit\": 1,", "\"unit\": 0,", "\"unit\""},
        {"\"modbus\": {", "\"notModbus\": {", "has no \"modbus\""},
        {"\"statusRegister\": 2000", "\"statusRegister\": 1000",
         "the status block shares holding registers with parameter 1323"},
        {"\"inputRegister\": 2400", "\"inputRegister\": 8",
         "the input block shares holding registers with the identification"},
        {"\"inputRegister\": 2400", "\"inputRegister\": 2255",
         "the status block and the input block share holding registers"},
        {"\"statusRegister\": 2000", "\"statusRegister\": 65281",
         "\"modbus\".\"statusRegister\" is not a whole number from 0 to 65280"},
        {"\"inputRegister\": 2400", "\"inputRegister\": \"2400\"", "\"inputRegister\""},
        {"\"elementCount\": 20", "\"elementCount\": 4097",
         "parameter 1301: \"elementCount\" 4097 is too large: a parameter has at most 4096 "
         "elements"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        const testsupport::ScratchFolder scratch;
        const std::string image =
            hosttest::copyOfSample(scratch, "fcd300_sample.json", {}, c.from, c.to);
        try {
            SimulatedDrive drive(image, SimulatedDrive::Access::Read);
            ADD_FAILURE() << "loaded";
        } catch (const DriveImageError& error) {
            EXPECT_THAT(error.what(), HasSubstr(c.message));
        }
    }
}

// The status block carries the controller's state in either word order; a block
// too short for the counts it names, or with a value out of range, is refused.
TEST(RegisterMapTest, StatusTravelsThroughItsBlock)
{
    ControllerStatus status;
    status.running = true;
    status.activeStep = 3;
    status.timers = {modbusmap::kTimerIdle, 70000, 2147483647, modbusmap::kTimerRanOut};
    status.comparators = {true, false};
    status.logicRules = {false, true, true};
    ControllerStatus stopped;
    stopped.timers = {modbusmap::kTimerRanOut};
    for (const ControllerStatus& sent : {status, stopped, ControllerStatus{}}) {
        for (WordOrder order : {WordOrder::HighFirst, WordOrder::LowFirst}) {
            const std::vector<std::uint16_t> registers = encodeStatus(sent, order);
            ASSERT_EQ(static_cast<int>(registers.size()),
                      statusRegisters(sent.timers.size(), sent.comparators.size(),
                                      sent.logicRules.size()));
            ControllerStatus read;
            std::string reason;
            ASSERT_TRUE(decodeStatus(registers.data(), static_cast<int>(registers.size()), order,
                                     read, reason))
                << reason;
            EXPECT_EQ(read.running, sent.running);
            EXPECT_EQ(read.activeStep, sent.activeStep);
            EXPECT_EQ(read.timers, sent.timers);
            EXPECT_EQ(read.comparators, sent.comparators);
            EXPECT_EQ(read.logicRules, sent.logicRules);
        }
    }
    // 70000 ms is 0x00011170: the word order tells which half comes first.
    EXPECT_EQ(encodeStatus(status, WordOrder::HighFirst)[7], 0x0001);
    EXPECT_EQ(encodeStatus(status, WordOrder::LowFirst)[7], 0x1170);
    EXPECT_EQ(encodeStatus(stopped, WordOrder::HighFirst)[1], 0xFFFF) << "step -1";
    EXPECT_EQ(encodeStatus(status, WordOrder::HighFirst)[5], 0xFFFF) << "an idle timer is -1";
    EXPECT_EQ(encodeStatus(stopped, WordOrder::HighFirst)[6], 0) << "one that ran out 0";

    const std::vector<std::uint16_t> good = encodeStatus(status, WordOrder::HighFirst);
    const struct
    {
        int at;           // the register changed; -1: none
        std::uint16_t to; // its new value
        int count;        // registers given
        const char* message;
    } refused[] = {
        {-1, 0, 4, "4 registers are fewer than the 5 of the status header"},
        {-1, 0, 17, "17 registers are fewer than the 18"},
        {0, 2, 18, "running is 2"},
        {1, 0xFFFE, 18, "active step -2"},
        {0, 0, 18, "active step 3 while the controller does not run"},
        {6, 0xFFFE, 18, "timer 0 has -2 ms left"},
        {13, 5, 18, "comparator 0 is 5"},
        {17, 2, 18, "logic rule 2 is 2"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.message);
        std::vector<std::uint16_t> registers = good;
        if (c.at >= 0)
            registers[static_cast<size_t>(c.at)] = c.to;
        ControllerStatus read;
        std::string reason;
        EXPECT_FALSE(decodeStatus(registers.data(), c.count, WordOrder::HighFirst, read, reason));
        EXPECT_THAT(reason, HasSubstr(c.message));
    }
}

// The blocks of a profile are read and written back with the image.
TEST(RegisterMapTest, BlocksOfAProfileAreKept)
{
    const testsupport::ScratchFolder scratch;
    const std::string image =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", {}, "\"inputRegister\": 2400,", "");
    DriveImage parsed = DriveImage::load(image);
    EXPECT_EQ(parsed.registerMap.statusAddress, 2000);
    EXPECT_EQ(parsed.registerMap.inputAddress, -1);
    parsed.registerMap.inputAddress = 3000;
    parsed.registerMap.statusAddress = -1;
    const DriveImage again = DriveImage::parse(parsed.toJson(), "again");
    EXPECT_EQ(again.registerMap.statusAddress, -1);
    EXPECT_EQ(again.registerMap.inputAddress, 3000);
}
