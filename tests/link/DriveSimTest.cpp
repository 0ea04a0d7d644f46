#include "HostTestSupport.h"
#include "LinkTestSupport.h"
#include "ModbusClient.h"
#include "RegisterMap.h"
#include "SimulatedDrive.h"

#include <modbus.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

using hosttest::fileBytes;

namespace {

using Client = linktest::ModbusClient;

// The drive's identification as the client reads it: type, AOC and database version.
std::string identity(Client& client)
{
    const std::vector<std::uint16_t> r = client.read(0, modbusmap::kIdentificationRegisters);
    if (r.empty())
        return {};
    return modbusmap::decodeText(r.data(), 8) + " " + modbusmap::decodeText(&r[8], 4) + " " +
           modbusmap::decodeText(&r[12], 4);
}

// Two 32-bit values, high word first (the FCD-300 sample's word order).
std::vector<std::uint16_t> high(std::int32_t a, std::int32_t b)
{
    const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    return {static_cast<std::uint16_t>(u(a) >> 16), static_cast<std::uint16_t>(u(a)),
            static_cast<std::uint16_t>(u(b) >> 16), static_cast<std::uint16_t>(u(b))};
}

// The FCD-300 sample's registers: timer 1303 at 220 (two registers an element,
// two decimals), step events 1301 at 140 (one register an element).
constexpr int kTimers = 220;
constexpr int kEvents = 140;

} // namespace

TEST(DriveSimTest, ServesTheImageAndSavesWhatItTakes)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    linktest::DriveSimulator sim(image);
    ASSERT_GT(sim.port(), 0);
    Client client(sim.port());

    EXPECT_EQ(identity(client), "FCD-300 02.10 02.40");
    EXPECT_EQ(client.read(kTimers, 4), high(500, 1250)); // "5.00", "12.50"
    // Two timers in one request, and one event with a single register write.
    ASSERT_EQ(client.write(kTimers + 2, high(750, -0)), 0);
    ASSERT_EQ(modbus_write_register(client.get(), kEvents + 19, 2), 1);

    EXPECT_EQ(client.read(kTimers, 4), high(500, 750));
    SimulatedDrive saved(image, SimulatedDrive::Access::Read);
    EXPECT_EQ(saved.value(1303, 1), "7.50");
    EXPECT_EQ(saved.value(1303, 2), "0.00");
    EXPECT_EQ(saved.value(1301, 19), "2");
    EXPECT_EQ(sim.stop(), 0);
}

// What the drive refuses gets the drive's Modbus exception, and the image stays
// byte for byte as it was.
TEST(DriveSimTest, RefusesWhatTheDriveRefusesAndKeepsTheImage)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    const std::string before = fileBytes(image);
    linktest::DriveSimulator sim(image);
    Client client(sim.port());

    EXPECT_EQ(client.write(99, {1}), EMBXILADD);                    // not a parameter's
    EXPECT_EQ(client.write(kTimers + 1, {1, 2}), EMBXILADD);        // half of two 32-bit values
    EXPECT_EQ(modbus_write_register(client.get(), kTimers, 0), -1); // half of one
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(client.write(0, {1}), EMBXILADD);                   // the identification
    EXPECT_EQ(client.write(kEvents, {1, 999, 1}), EMBXILVAL);     // not a choice: none written
    EXPECT_EQ(client.write(kTimers, high(0, 360001)), EMBXILVAL); // above 3600.00
    EXPECT_TRUE(client.read(99, 2).empty());
    EXPECT_EQ(client.error, EMBXILADD);
    std::uint16_t input = 0;
    EXPECT_EQ(modbus_read_input_registers(client.get(), kEvents, 1, &input), -1);
    EXPECT_EQ(errno, EMBXILFUN);
    modbus_set_slave(client.get(), 9);
    EXPECT_TRUE(client.read(kEvents, 1).empty());
    EXPECT_EQ(client.error, EMBXGTAR);
    EXPECT_EQ(fileBytes(image), before);

    // An image it cannot write: every write fails as the device's own failure.
    sim.stop();
    chmod(image.c_str(), 0444);
    linktest::DriveSimulator readOnly(image);
    Client second(readOnly.port());
    EXPECT_EQ(second.write(kEvents, {1}), EMBXSFAIL);
    EXPECT_EQ(fileBytes(image), before);
}

TEST(DriveSimTest, RefusesAnImageWithoutRegisterMapAndAWrongCommandLine)
{
    const testsupport::ScratchFolder scratch;
    scratch.writeText("plain.json", R"({"drive": {"type": "FCD-300", "aocVersion": "",
        "databaseVersion": "02.40"}, "language": "english", "indexBase": 0,
        "parameters": [{"number": 1300, "name": "Mode", "values": ["1"]}]})");
    const std::string unmapped = scratch.file("plain.json");
    const hosttest::Run plain = hosttest::run({NEBPT_DRIVE_SIM_EXECUTABLE, unmapped});
    EXPECT_EQ(plain.status, 1);
    EXPECT_THAT(plain.errors, ::testing::HasSubstr("has no register map"));
    // A wrong command line: the usage and status 2, before the image is read.
    using Words = std::vector<std::string>;
    for (const auto& [options, told] :
         {std::pair{Words{"--port", "x"}, "--port takes 0 to 65535"},
          {Words{"--fault", "late:12x:3000"}, "--fault takes"},
          {Words{"--fault", "drop:0"}, "--fault takes"},
          {Words{"--fault", "late:5"}, "--fault takes"},
          {Words{"--fault", "refuse:65536"}, "--fault takes"},
          {Words{"--no-such-option"}, "Unknown option 'no-such-option'"},
          {Words{"--rtu", ""}, "--rtu takes a serial device"},
          {Words{"--port", "0", "--port", "1502"}, "--port is given more than once"},
          {Words{"--unit", "1", "--unit", "2"}, "--unit is given more than once"},
          {Words{"--run", "--run"}, "--run is given more than once"}}) {
        Words command{NEBPT_DRIVE_SIM_EXECUTABLE};
        command.insert(command.end(), options.begin(), options.end());
        command.push_back(unmapped);
        const hosttest::Run wrong = hosttest::run(command);
        EXPECT_EQ(wrong.status, 2) << told;
        EXPECT_THAT(wrong.errors, ::testing::HasSubstr(told));
        EXPECT_THAT(wrong.errors, ::testing::HasSubstr("Usage:")) << told;
    }

    // The default port as a user without the right to it (root without
    // CAP_NET_BIND_SERVICE stands for one): told what to use instead.
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    int firstFreePort = 1024;
    std::ifstream("/proc/sys/net/ipv4/ip_unprivileged_port_start") >> firstFreePort;
    if (firstFreePort <= 502)
        GTEST_SKIP() << "this system lets every user listen on port 502";
    // Bounded by timeout(1), should the right not be dropped after all.
    const hosttest::Run unprivileged =
        hosttest::run({"timeout", "60", "setpriv", "--inh-caps=-net_bind_service",
                       "--bounding-set=-net_bind_service", NEBPT_DRIVE_SIM_EXECUTABLE, image});
    if (unprivileged.errors.find("setpriv") != std::string::npos ||
        unprivileged.out.find("listening") != std::string::npos)
        GTEST_SKIP() << "port 502 is not kept from this process: " << unprivileged.errors;
    EXPECT_EQ(unprivileged.status, 1);
    EXPECT_THAT(
        unprivileged.errors,
        ::testing::HasSubstr("cannot listen on 127.0.0.1:502: Permission denied; ports below 1024 "
                             "need root: use --port 0 (a free port) or a port above "
                             "1023"));
}
