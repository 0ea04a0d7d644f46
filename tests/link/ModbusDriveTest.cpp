#include "ModbusDrive.h"
#include "HostTestSupport.h"
#include "LinkTestSupport.h"
#include "SimulatedDrive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// The host's link to a drive over Modbus, against nebpt-drive-sim serving a copy
// of the sample drive image: what the drive tells, what is read and kept, how a
// refused write is taken back, and what a lost link does.

using ::testing::AllOf;
using ::testing::HasSubstr;

namespace {

const std::string kSample = "fcd300_sample.json";
// Generous: under Valgrind the simulator answers slowly.
constexpr std::chrono::milliseconds kTimeout(5000);

std::string read(ModbusDrive& drive, const std::string& number, int index)
{
    std::string value;
    drive.ReadParameterValue(number, index, value, DriveImage::kSetupName);
    return value;
}

void write(ModbusDrive& drive, const std::vector<std::string>& identifiers,
           const std::vector<std::string>& values)
{
    drive.WriteParameterValues(identifiers, values, DriveImage::kSetupName, 0);
}

class ModbusDriveTest : public ::testing::Test
{
protected:
    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    const std::string profile = hosttest::sampleImage(kSample);
};

} // namespace

// The drive's identification comes from the drive; a drive of another type than
// the profile's, a profile that cannot be read, another unit or an address that
// leads nowhere is refused with a reason that names it. What the drive does not
// tell the profile answers, word for word as a drive image file does.
TEST_F(ModbusDriveTest, TheDriveTellsWhoItIs)
{
    const std::string image =
        hosttest::copyOfSample(scratch, kSample, "drive.json", "\"02.10\"", "\"02.11\"");
    linktest::DriveSimulator sim(image);
    ModbusDrive drive(sim.address(), profile, kTimeout);
    std::string type, aoc, database;
    drive.GetDriveIdentity(type, aoc, database);
    EXPECT_EQ(type + " " + aoc + " " + database, "FCD-300 02.11 02.40");
    EXPECT_EQ(drive.location(), sim.address());

    SimulatedDrive file(profile, SimulatedDrive::Access::Read);
    using Question = std::function<std::string(HostDrive&)>;
    const auto joined = [](const std::vector<std::string>& texts) {
        std::string all;
        for (const std::string& text : texts)
            all += text + "|";
        return all;
    };
    const auto attributes = [](const std::string& number, int index) -> Question {
        return [=](HostDrive& d) {
            std::string lowest, highest, unit, decimals;
            d.GetParameterAttributes(number, index, lowest, highest, unit, decimals);
            return lowest + " " + highest + " " + unit + " " + decimals;
        };
    };
    const auto accepted = [](unsigned long number, const std::string& text) -> Question {
        return [=](HostDrive& d) {
            std::string stored, reason;
            return d.accepts(number, text, stored, reason) ? stored : "no: " + reason;
        };
    };
    const Question questions[] = {
        [](HostDrive& d) { return d.GetParameterName("1303"); },
        [](HostDrive& d) { return d.GetParameterName("13x1"); },
        [](HostDrive& d) { return std::to_string(d.GetElementCount("1301")); },
        [&](HostDrive& d) { return joined(d.GetChoiceList("1301.19")); },
        [&](HostDrive& d) { return joined(d.GetChoiceList("1301.20")); },
        [&](HostDrive& d) { return joined(d.GetChoiceList("1301.x")); },
        attributes("1303", 0),
        attributes("1300", -1),
        attributes("1301", -1),
        [](HostDrive& d) {
            return std::to_string(d.RegisterParameters({"1300", "0999"}));
        },
        [](HostDrive& d) { return std::to_string(d.GetIndexBase()); },
        [](HostDrive& d) {
            const std::string before = d.GetLanguage();
            d.setLanguage("german");
            return before + " then " + d.GetLanguage();
        },
        accepted(1303, "12.5"),
        accepted(1301, "99"),
        accepted(999, "1"),
    };
    std::vector<std::string> answers;
    for (const Question& question : questions) {
        const auto answer = [&](HostDrive& d) {
            try {
                return question(d);
            } catch (const DriveRefusal& refused) {
                EXPECT_EQ(d.lastRefusal(), refused.what());
                return "refused: " + std::string(refused.what());
            }
        };
        answers.push_back(answer(drive));
        EXPECT_EQ(answers.back(), answer(file));
    }
    EXPECT_EQ(answers[0], "Step timer");
    EXPECT_EQ(answers[11], "english then german");

    const std::string other = hosttest::sampleImage("fcd50m_sample.json");
    auto refusal = [](const std::string& address, const std::string& profilePath) {
        try {
            ModbusDrive refused(address, profilePath, kTimeout);
        } catch (const std::exception& error) {
            return std::string(error.what());
        }
        return std::string("connected");
    };
    EXPECT_THAT(refusal(sim.address(), other),
                AllOf(HasSubstr("FCD-300"), HasSubstr("FCD-50M"), HasSubstr(other)));
    EXPECT_THAT(refusal(sim.address(), scratch.path()),
                AllOf(HasSubstr(scratch.path()), HasSubstr("cannot be read")));
    EXPECT_THAT(refusal(sim.address() + "/7", profile),
                AllOf(HasSubstr("identification"), HasSubstr(sim.address() + "/7")));
    EXPECT_THAT(refusal("tcp://127.0.0.1:port", profile), HasSubstr("port"));
    EXPECT_THAT(refusal("rtu:/dev/null?parity=X", profile), HasSubstr("parity"));
    EXPECT_THAT(refusal("127.0.0.1:502", profile), HasSubstr("tcp://"));
    const std::string address = sim.address();
    sim.stop();
    EXPECT_THAT(refusal(address, profile), AllOf(HasSubstr(address), HasSubstr("refused")));
}

TEST(DriveAddressTest, ReadsTcpAndRtuAddresses)
{
    const DriveAddress tcp = DriveAddress::parse("tcp://[::1]:1502/3");
    EXPECT_EQ(tcp.host + " " + std::to_string(tcp.port) + " " + std::to_string(tcp.unit),
              "::1 1502 3");
    const DriveAddress rtu = DriveAddress::parse("rtu:/dev/ttyUSB0?baud=9600&unit=4");
    EXPECT_EQ(rtu.kind, DriveAddress::Kind::Rtu);
    EXPECT_EQ(rtu.device, "/dev/ttyUSB0");
    EXPECT_EQ(rtu.baud, 9600);
    EXPECT_EQ(rtu.parity, 'E');
    EXPECT_EQ(rtu.unit, 4);
    for (const char* wrong :
         {"tcp://host", "tcp://host:70000", "tcp://:502", "tcp://h:502/0",
          "rtu:", "rtu:/dev/x?speed=1", "rtu:/dev/x?baud=fast", "rtu:/dev/x?unit=1&unit=2",
          "rtu:/dev/x?parity=X", "rtu:/dev/x?parity="})
        EXPECT_THROW(DriveAddress::parse(wrong), DriveAddressError) << wrong;
}

// A parameter is fetched whole in one request and kept: its other elements cost
// nothing, a write keeps what it read back, a refresh makes the next read ask
// the drive again. A prefetch fetches whole parameters ahead and stops when told.
TEST_F(ModbusDriveTest, ReadsEachParameterOnceUntilRefreshed)
{
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    linktest::DriveSimulator sim(image);
    ModbusDrive drive(sim.address(), profile, kTimeout);
    ModbusDrive otherHost(sim.address(), profile, kTimeout);
    EXPECT_EQ(drive.requestCount(), 0u);

    EXPECT_EQ(read(drive, "1301", 0), "19");
    EXPECT_EQ(read(drive, "1301", 5), "28");
    EXPECT_EQ(read(drive, "1303", 1), "12.50"); // two registers, two decimals
    EXPECT_EQ(read(drive, "1300", -1), "1");
    EXPECT_EQ(drive.requestCount(ModbusDrive::Request::Read), 3u);

    write(otherHost, {"1301.0", "1303.1"}, {"2", "7.5"});
    EXPECT_EQ(read(drive, "1301", 0), "19") << "kept";
    drive.resetCounts();
    write(drive, {"1301.2"}, {"23"});
    EXPECT_EQ(read(drive, "1301", 2), "23") << "kept as read back";
    EXPECT_EQ(read(drive, "1301", 0), "19") << "still kept";
    EXPECT_EQ(drive.requestCount(), 2u) << "a one-value edit: the write and its read-back";
    drive.forgetValues();
    EXPECT_EQ(read(drive, "1301", 0), "2");
    EXPECT_EQ(read(drive, "1303", 1), "7.50");
    SimulatedDrive onDisk(image, SimulatedDrive::Access::Read);
    EXPECT_EQ(onDisk.value(1301, 2), "23");
    EXPECT_THROW(read(drive, "1301", 20), DriveRefusal);
    EXPECT_THAT(drive.lastRefusal(), HasSubstr("no element 20"));

    drive.forgetValues();
    drive.resetCounts();
    int asked = 0;
    EXPECT_FALSE(drive.prefetch({"1300", "1301", "1303"}, [&] { return ++asked == 2; }));
    EXPECT_EQ(drive.requestCount(), 2u) << "stopped before the third";
    EXPECT_TRUE(drive.prefetch({"1300", "1301", "1303"}));
    EXPECT_EQ(drive.requestCount(), 3u) << "the third; the others were kept";
    EXPECT_EQ(read(drive, "1300", -1), "1");
    EXPECT_EQ(read(drive, "1303", 1), "7.50");
    EXPECT_EQ(drive.requestCount(), 3u);
    EXPECT_THROW(drive.prefetch({"1301", "9999"}), DriveRefusal);
    EXPECT_THAT(drive.readFailure(), HasSubstr("no parameter 9999"));
}

// A call is written whole or not at all: a value the profile refuses is never
// sent, and when the drive refuses one request of a call, the requests that went
// through are written back. Either way the host hears of it, and the image the
// drive keeps is byte for byte what it was.
TEST_F(ModbusDriveTest, ARefusedWriteLeavesTheDriveAsItWas)
{
    // The drive takes timers up to 100 s only; the profile says 3600.
    const std::string image = hosttest::copyOfSample(
        scratch, kSample, "drive.json", "\"maximum\": \"3600\"", "\"maximum\": \"100\"");
    const std::string before = hosttest::fileBytes(image);
    // The profile puts the controller mode where the drive has nothing.
    const std::string moved = hosttest::copyOfSample(scratch, kSample, "profile.json",
                                                     "\"register\": 100,", "\"register\": 5000,");
    linktest::DriveSimulator sim(image);
    ModbusDrive drive(sim.address(), moved, kTimeout);
    std::vector<std::string> told;
    drive.setWriteRefusalObserver([&](const std::string& reason) { told.push_back(reason); });

    EXPECT_THROW(write(drive, {"1301.0", "1302.0"}, {"2", "9999"}), DriveRefusal);
    EXPECT_THROW(write(drive, {"1303.0"}, {"99999999"}), DriveRefusal) << "outside the limits";
    EXPECT_THROW(write(drive, {"1301.x"}, {"2"}), DriveRefusal);
    EXPECT_EQ(drive.requestCount(), 0u) << "nothing sent";
    EXPECT_THROW(write(drive, {"1300", "1301.0"}, {"0", "2"}), DriveRefusal);
    EXPECT_EQ(drive.requestCount(ModbusDrive::Request::Write), 0u) << "its value before is unknown";
    EXPECT_TRUE(drive.lastWriteRefusal().elements.empty()) << "no value was refused";
    ASSERT_EQ(told.size(), 4u);
    EXPECT_THAT(told[0], AllOf(HasSubstr("1302.0"), HasSubstr("9999")));
    EXPECT_THAT(told[3], AllOf(HasSubstr("parameter 1300"), HasSubstr("Illegal data address")));

    drive.resetCounts();
    EXPECT_THROW(write(drive, {"1301.0", "1301.1", "1302.0", "1303.2", "1303.3"},
                       {"2", "3", "7", "50", "500"}),
                 DriveRefusal);
    ASSERT_EQ(told.size(), 5u);
    EXPECT_THAT(told.back(), AllOf(HasSubstr("parameter 1303"), HasSubstr("Illegal data value")));
    EXPECT_EQ(drive.requestCount(ModbusDrive::Request::Write), 3u + 2u)
        << "1301.0-1, 1302.0, 1303.2-3 refused; 1302 and 1301 written back";
    EXPECT_EQ(drive.lastWrite().holds, WriteOutcome::Holds::Before);
    EXPECT_EQ(drive.lastWriteRefusal().elements, (std::vector<std::string>{"1303.2", "1303.3"}));
    EXPECT_EQ(drive.lastWriteRefusal().reason, "Illegal data value");
    EXPECT_TRUE(hosttest::fileBytes(image) == before);
    EXPECT_EQ(read(drive, "1301", 0), "19");
}

// A drive that is gone closes the link (a read is not tried again): the reason
// names what was being done and where, the host hears of it once, and later
// calls fail at once without asking the drive.
TEST_F(ModbusDriveTest, ALostLinkIsToldOnceAndNothingWaitsForIt)
{
    const std::string image = hosttest::copyOfSample(scratch, kSample, "drive.json");
    linktest::DriveSimulator slow(image);
    ModbusDrive drive(slow.address(), profile, kTimeout);
    std::vector<std::string> lost;
    drive.setLinkFailureObserver([&](const std::string& reason, bool) { lost.push_back(reason); });
    slow.kill();
    EXPECT_THROW(read(drive, "1301", 0), DriveLinkError);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_THAT(lost[0], HasSubstr("reading parameter 1301 from " + slow.address() + ": "));
    EXPECT_EQ(drive.readFailure(), lost[0]);
    EXPECT_FALSE(drive.linkUp());
    const size_t requests = drive.requestCount();
    EXPECT_THROW(read(drive, "1302", 0), DriveLinkError);
    EXPECT_THROW(write(drive, {"1301.0"}, {"2"}), DriveLinkError);
    EXPECT_EQ(drive.requestCount(), requests);
    EXPECT_EQ(lost.size(), 1u);
    EXPECT_THAT(drive.lastRefusal(), HasSubstr("the link is down"));
    EXPECT_EQ(drive.GetParameterName("1301"), "Step event") << "the profile still answers";
}

// Over Modbus RTU (a pseudo-terminal pair) the link frames its requests and
// delimits the answers by their functions as the drive frames them: the
// identification, a whole parameter, a write read back, and an exception, after
// which the link stays up.
TEST_F(ModbusDriveTest, SpeaksModbusRtuAsItSpeaksTcp)
{
    // The drive takes timers up to 100 s only; the profile says 3600.
    const std::string image = hosttest::copyOfSample(
        scratch, kSample, "drive.json", "\"maximum\": \"3600\"", "\"maximum\": \"100\"");
    const std::string driveEnd = scratch.file("drive-tty"), hostEnd = scratch.file("host-tty");
    const linktest::SerialLine serial(driveEnd, hostEnd);
    if (!serial.available())
        GTEST_SKIP() << "socat is not installed: Modbus RTU over a pseudo-terminal pair is not "
                        "tested (scripts/setup installs it)";
    linktest::DriveSimulator sim(image, {"--rtu", driveEnd, "--baud", "38400", "--parity", "N"});
    ModbusDrive drive("rtu:" + hostEnd + "?baud=38400&parity=N", profile, kTimeout);
    std::string type, aoc, database;
    drive.GetDriveIdentity(type, aoc, database);
    EXPECT_EQ(type + " " + aoc + " " + database, "FCD-300 02.10 02.40");
    EXPECT_EQ(read(drive, "1301", 0), "19");

    write(drive, {"1303.2"}, {"50"});
    drive.forgetValues();
    EXPECT_EQ(read(drive, "1303", 2),
              SimulatedDrive(image, SimulatedDrive::Access::Read).value(1303, 2));
    EXPECT_THROW(write(drive, {"1303.3"}, {"500"}), DriveRefusal);
    EXPECT_EQ(drive.lastWriteRefusal().reason, "Illegal data value");
    EXPECT_TRUE(drive.linkUp());
    drive.forgetValues();
    EXPECT_EQ(read(drive, "1301", 0), "19");
}
