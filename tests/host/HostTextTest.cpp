#include "HostText.h"
#include "HostTestSupport.h"
#include "ModbusDrive.h"
#include "SimulatedDrive.h"

#include <QCoreApplication>
#include <QTranslator>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// What the drives tell reaches the window's messages: in German with the
// window's German translation installed, in English, as the command line
// prints it, without one. Each row names the values the text carries.

namespace {

// A TCP port on 127.0.0.1 that takes connections and never answers.
class SilentPort
{
public:
    SilentPort() : m_fd(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        const auto* any = reinterpret_cast<sockaddr*>(&address);
        EXPECT_EQ(bind(m_fd, any, size), 0);
        EXPECT_EQ(listen(m_fd, 4), 0);
        EXPECT_EQ(getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size), 0);
        m_port = ntohs(address.sin_port);
    }
    ~SilentPort() { close(m_fd); }
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    std::string address() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }

private:
    int m_fd;
    int m_port = 0;
};

template <typename Failure> std::string whatOf(const std::function<void()>& failing)
{
    try {
        failing();
    } catch (const Failure& failure) {
        return failure.what();
    }
    return "(no failure)";
}

TEST(HostTextTest, WhatTheDrivesTellIsGermanInTheGermanWindowAndEnglishElsewhere)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json", "drive.json");
    const std::string locked =
        hosttest::copyOfSample(scratch, "fcd300_sample.json", "protected.json");
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    const std::string profile = hosttest::sampleImage("fcd300_sample.json");
    const SilentPort silent;
    const auto refusalOf = [](const std::string& path) {
        SimulatedDrive drive(path);
        whatOf<DriveRefusal>(
            [&] { drive.WriteParameterValues({"1303.0"}, {"9999"}, drive.kSetupName, 0); });
        return drive.lastRefusal() + " | " + drive.refusalShort();
    };
    const auto partly = [](WriteOutcome::Holds holds, std::vector<std::string> differing) {
        return WriteOutcome{holds, std::move(differing), 0}.describe();
    };
    // As the link names what differs after a write.
    const auto elements = [] {
        return hosttext::fill(
            QCoreApplication::translate("ModbusDrive", "parameter %1 elements %2 to %3"), 1301, 2,
            4);
    };

    struct Row
    {
        const char* what;
        std::function<std::string()> told;
        std::string english, german;
    };
    const std::vector<Row> rows = {
        {"a value the image refuses", [&] { return refusalOf(image); },
         "WriteParameterValues: 1303.0: 9999 is outside the limits 0 to 3600 of parameter 1303 | ",
         "WriteParameterValues: 1303.0: 9999 liegt außerhalb der Grenzen 0 bis 3600 von "
         "Parameter 1303 | "},
        {"a write-protected image", [&] { return SimulatedDrive(locked).readOnlyReason(); },
         "the drive image " + locked + " is write-protected (mode 0444)",
         "das Antriebsabbild " + locked + " ist schreibgeschützt (Zugriffsrechte 0444)"},
        {"a write to it", [&] { return refusalOf(locked); },
         "WriteParameterValues: the drive image " + locked +
             " is write-protected (mode 0444), so it is read-only here | write-protected image",
         "WriteParameterValues: das Antriebsabbild " + locked +
             " ist schreibgeschützt (Zugriffsrechte 0444), daher ist es hier nur lesbar | "
             "schreibgeschütztes Abbild"},
        {"a wrong address",
         [] {
             return whatOf<DriveAddressError>(
                 [] { DriveAddress::parse("rtu:/dev/ttyS0?parity=X"); });
         },
         "drive address \"rtu:/dev/ttyS0?parity=X\": the parity \"X\" is not N, E or O "
         "(tcp://HOST:PORT[/UNIT] or rtu:DEVICE[?baud=N&parity=N|E|O&unit=N])",
         "Antriebsadresse „rtu:/dev/ttyS0?parity=X“: die Parität „X“ ist nicht N, E oder O "
         "(tcp://HOST:PORT[/UNIT] oder rtu:DEVICE[?baud=N&parity=N|E|O&unit=N])"},
        {"a drive that does not answer",
         [&] {
             return whatOf<DriveLinkError>(
                 [&] { ModbusDrive(silent.address(), profile, std::chrono::milliseconds(50)); });
         },
         "reading the drive's identification from " + silent.address() +
             ": timed out: no answer within 50 ms",
         "Lesen der Antriebsidentifikation aus " + silent.address() +
             ": Zeitüberschreitung: keine Antwort innerhalb von 50 ms"},
        {"a Modbus exception", [] { return ModbusDrive::exceptionMeaning(3); },
         "Illegal data value", "Unzulässiger Datenwert"},
        {"a partly written program",
         [&] {
             return partly(WriteOutcome::Holds::Part, {elements(), "1303"});
         },
         "the drive holds a partly written program: parameter 1301 elements 2 to 4, 1303 differ "
         "from what was written",
         "der Antrieb enthält ein teilweise geschriebenes Programm: Parameter 1301 Elemente 2 bis "
         "4, 1303 weichen vom Geschriebenen ab"},
        {"one part that may differ",
         [&] { return partly(WriteOutcome::Holds::Unknown, {elements()}); },
         "the drive may hold a partly written program (it could not be read back): parameter "
         "1301 elements 2 to 4 may differ from what was written",
         "der Antrieb enthält möglicherweise ein teilweise geschriebenes Programm (er konnte "
         "nicht zurückgelesen werden): Parameter 1301 Elemente 2 bis 4 weicht möglicherweise vom "
         "Geschriebenen ab"},
    };

    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral(":/nebpt-host/translations/nebpt-host_german.qm")));
    for (const Row& row : rows) {
        EXPECT_EQ(row.told(), row.english) << row.what;
        QCoreApplication::installTranslator(&german);
        const std::string told = row.told();
        QCoreApplication::removeTranslator(&german);
        EXPECT_EQ(told, row.german) << row.what;
    }
}

// A value goes into its text as it is, whatever it holds.
TEST(HostTextTest, ValuesGoInByteForByte)
{
    EXPECT_EQ(hosttext::fill(QStringLiteral("%2 then %1, %3"), "a%2b", std::string("\xff\xfe"), 7),
              "\xff\xfe then a%2b, 7");
}

} // namespace
