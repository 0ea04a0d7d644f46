#include "HostTestSupport.h"
#include "LinkTestSupport.h"
#include "ModbusFrame.h"
#include "SimulatedDrive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <tuple>
#include <unistd.h>

// nebpt-drive-sim under clients that misbehave, and its fault options as a
// client sees them. Raw frames, so that what goes over the wire is the test's.

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
constexpr int kEvents = 140; // the FCD-300 sample's step events 1301, one register each

const Bytes kReadEvent{3, 0, kEvents, 0, 1};       // reads event 0: "19"
const Bytes kWriteEvent1{6, 0, kEvents + 1, 0, 2}; // writes event 1 (34) as 2

Bytes tcp(const Bytes& pdu, std::uint8_t id = 7)
{
    Bytes frame(7 + pdu.size());
    const std::uint8_t header[7] = {0, id, 0, 0, 0, static_cast<std::uint8_t>(pdu.size() + 1), 1};
    std::copy(std::begin(header), std::end(header), frame.begin());
    std::copy(pdu.begin(), pdu.end(), frame.begin() + 7);
    return frame;
}

// An RTU frame: the bytes and their CRC.
Bytes rtu(Bytes frame)
{
    const std::uint16_t crc = modbusframe::crc16(frame.data(), frame.size());
    frame.insert(frame.end(), {std::uint8_t(crc), std::uint8_t(crc >> 8)});
    return frame;
}

// A client on a raw socket (TCP) or the host's end of a pseudo-terminal (RTU).
struct Peer
{
    explicit Peer(int port)
    {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(static_cast<std::uint16_t>(port));
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0) << errno;
    }
    explicit Peer(const std::string& tty) : fd(open(tty.c_str(), O_RDWR | O_NOCTTY))
    {
        termios raw{};
        tcgetattr(fd, &raw);
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
    }
    ~Peer() { close(fd); }
    void send(const Bytes& bytes)
    {
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // What arrives until `size` bytes are in, the peer closes or `seconds` pass;
    // `pieces` counts the reads it took.
    Bytes receive(size_t size, double seconds = 10, int* pieces = nullptr)
    {
        Bytes got;
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        pollfd wait{fd, POLLIN, 0};
        while (!closed && got.size() < size && Clock::now() < end) {
            std::uint8_t chunk[300];
            if (poll(&wait, 1, 50) != 1)
                continue;
            const ssize_t n = read(fd, chunk, sizeof chunk);
            closed = n <= 0;
            got.insert(got.end(), chunk, chunk + std::max<ssize_t>(n, 0));
            if (pieces && n > 0)
                ++*pieces;
        }
        return got;
    }
    int fd;
    bool closed = false;
};

} // namespace

// Clients are served side by side: a slow one (a byte every 0.45 s) delays no
// one, a silent one is closed after --idle-timeout; functions it does not have
// get exception 1 whatever their frame, and the next request its right answer;
// when descriptors run out it neither spins nor stops serving.
TEST(ServerFaultTest, ServesClientsSideBySideWhateverTheyDo)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    linktest::DriveSimulator sim(image, {"--idle-timeout", "1"});
    Peer slow(sim.port()), silent(sim.port());
    const Bytes frame = tcp(kReadEvent, 1), answer{0, 1, 0, 0, 0, 5, 1, 3, 2, 0, 19};
    for (size_t i = 0; i + 1 < frame.size(); ++i) {
        slow.send({frame[i]});
        std::this_thread::sleep_for(std::chrono::milliseconds(450));
    }
    Peer other(sim.port());
    other.send(tcp(kReadEvent, 2)); // answered while the slow frame is not whole
    EXPECT_EQ(other.receive(11), (Bytes{0, 2, 0, 0, 0, 5, 1, 3, 2, 0, 19}));
    slow.send({frame.back()});
    EXPECT_EQ(slow.receive(11), answer);
    silent.receive(1, 20);
    EXPECT_TRUE(silent.closed);

    for (const Bytes& unknown : {Bytes{8, 0, 0, 0x12, 0x34}, Bytes{17}, Bytes{43, 14, 1, 0},
                                 Bytes{0x41, 1, 2, 3, 4, 5, 6, 7, 8}}) {
        other.send(tcp(unknown, 3));
        EXPECT_EQ(other.receive(9),
                  (Bytes{0, 3, 0, 0, 0, 3, 1, std::uint8_t(unknown[0] | 0x80), 1}));
        other.send(tcp(kReadEvent, 1));
        EXPECT_EQ(other.receive(11), answer) << int(unknown[0]);
    }

    linktest::DriveSimulator starved(image, {}, 24);
    std::vector<std::unique_ptr<Peer>> crowd;
    for (int i = 0; i < 40; ++i)
        crowd.push_back(std::make_unique<Peer>(starved.port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto ticks = [&] {
        std::ifstream stat("/proc/" + std::to_string(starved.pid()) + "/stat");
        const std::string text((std::istreambuf_iterator<char>(stat)), {});
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::vector<std::string> f(std::istream_iterator<std::string>(fields), {});
        return std::stol(f.at(11)) + std::stol(f.at(12)); // user and system time
    };
    const long before = ticks();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(ticks() - before, sysconf(_SC_CLK_TCK) / 4) << "busy while out of descriptors";
    crowd.clear();
    Peer late(starved.port());
    late.send(tcp(kReadEvent, 1));
    EXPECT_EQ(late.receive(11), answer);
}

// A request reaching past register 65535 names registers that do not exist
// (exception 2); a quantity a request may not carry is a wrong value (3), wherever.
TEST(ServerFaultTest, RequestsOutOfRangeGetTheirExceptions)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    linktest::DriveSimulator sim(image);
    Peer client(sim.port());
    const std::tuple<const char*, Bytes, std::uint8_t> rows[] = {
        {"two registers from 65535", {3, 0xFF, 0xFF, 0, 2}, 2},
        {"125 registers from 65412", {3, 0xFF, 0x84, 0, 125}, 2},
        {"a write of two from 65535", {16, 0xFF, 0xFF, 0, 2, 4, 0, 1, 0, 2}, 2},
        {"no register", {3, 0, kEvents, 0, 0}, 3},
        {"126 registers", {3, 0, kEvents, 0, 126}, 3},
        {"126 registers from 65535", {3, 0xFF, 0xFF, 0, 126}, 3},
        {"a byte count not the quantity's", {16, 0, kEvents, 0, 2, 3, 0, 1, 0}, 3}};
    for (const auto& [what, request, exception] : rows) {
        client.send(tcp(request, 4));
        EXPECT_EQ(client.receive(9),
                  (Bytes{0, 4, 0, 0, 0, 3, 1, std::uint8_t(request[0] | 0x80), exception}))
            << what;
    }
}

// Its log never holds up serving: with stderr a pipe nobody reads, thousands of
// logged refusals are answered like any request, the lines that found no room
// are counted, and the count is told once the pipe is read.
TEST(ServerFaultTest, AnUnreadLogStopsNoOne)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    int log[2];
    ASSERT_EQ(pipe2(log, O_CLOEXEC), 0);
    // The simulator is started with the pipe as its stderr; the test keeps its own.
    const int ownErrors = dup(STDERR_FILENO);
    dup2(log[1], STDERR_FILENO);
    linktest::DriveSimulator sim(image);
    dup2(ownErrors, STDERR_FILENO);
    close(ownErrors);
    close(log[1]);

    Peer client(sim.port());
    const Bytes refused{0, 3, 0, 0, 0, 3, 1, 0x88, 1};
    for (int i = 0; i < 3000; ++i) {
        client.send(tcp({8, 0, 0, 0x12, 0x34}, 3)); // logged: "refused function 8"
        ASSERT_EQ(client.receive(refused.size()), refused) << "refusal " << i;
    }
    Peer other(sim.port());
    other.send(tcp(kReadEvent, 1));
    EXPECT_EQ(other.receive(11), (Bytes{0, 1, 0, 0, 0, 5, 1, 3, 2, 0, 19}));

    std::string told;
    const auto end = Clock::now() + std::chrono::seconds(60);
    pollfd wait{log[0], POLLIN, 0};
    const std::string notice = " log lines dropped: stderr was not read in time\n";
    while (told.find(notice) == std::string::npos && Clock::now() < end) {
        char chunk[4096];
        if (poll(&wait, 1, 100) == 1)
            told.append(chunk, static_cast<size_t>(
                                   std::max<ssize_t>(read(log[0], chunk, sizeof chunk), 0)));
    }
    close(log[0]);
    EXPECT_THAT(told, ::testing::StartsWith("nebpt-drive-sim: refused function 8 (exception 1)\n"));
    EXPECT_THAT(told, ::testing::ContainsRegex("\nnebpt-drive-sim: [0-9]+" + notice));
    EXPECT_EQ(sim.stop(), 0);
}

// Over RTU a frame for another unit is passed over whole, however it is made
// up, and a damaged one is dropped: the next frame for its own unit is answered.
TEST(ServerFaultTest, RtuAnswersItsOwnFramesOnly)
{
    const testsupport::ScratchFolder scratch;
    const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
    const std::string drive = scratch.file("drive-tty"), host = scratch.file("host-tty");
    const linktest::SerialLine serial(drive, host);
    if (!serial.available())
        GTEST_SKIP() << "socat is not installed (scripts/setup installs it)";
    {
        linktest::DriveSimulator sim(image, {"--rtu", drive, "--baud", "38400", "--parity", "N"});
        Peer line(host);
        const Bytes answer = rtu({1, 3, 2, 0, 19});
        const std::pair<Bytes, Bytes> cases[] = {
            {rtu({7, 16, 0, kEvents, 0, 1, 2, 0, 1}), {}}, // another unit's
            {rtu({7, 8, 0, 0}), {}},
            {rtu({9, 0x41}), {}},
            {{1, 3, 0, kEvents, 0, 1, 0, 0}, {}}, // a wrong CRC
            {rtu({1, 8, 0, 0, 0x12, 0x34}), rtu({1, 0x88, 1})},
            {rtu({1, 0x41, 1, 2, 3, 4, 5, 6}), rtu({1, 0xC1, 1})}};
        for (const auto& [frame, reply] : cases) {
            line.send(frame);
            EXPECT_EQ(line.receive(reply.size() ? reply.size() : 1, 0.5), reply) << int(frame[1]);
            line.send(rtu({1, 3, 0, kEvents, 0, 1}));
            EXPECT_EQ(line.receive(answer.size()), answer) << int(frame[1]);
        }
    }
}

// Each fault option as a client sees it, on request 2 (request 1 reads event 0).
TEST(ServerFaultTest, FaultOptionsActOnTheirRequest)
{
    struct Case
    {
        std::string fault;
        Bytes request2, answer; // empty: none
        bool closed;
        std::string event1; // after it
        double atLeast;     // seconds before the answer is whole
    };
    const Bytes echo = tcp(kWriteEvent1, 9);
    const Bytes failed{0, 9, 0, 0, 0, 3, 1, 0x90, 4};
    const Bytes threeEvents{16, 0, kEvents, 0, 3, 6, 0, 1, 0, 2, 0, 3};
    for (const Case& c :
         {Case{"drop:2", kWriteEvent1, {}, true, "34", 0},
          Case{"lose:2", kWriteEvent1, {}, true, "2", 0},
          Case{"late:2:1500", kWriteEvent1, echo, false, "2", 1.5},
          Case{"trickle:2:150", kReadEvent, tcp({3, 2, 0, 19}, 9), false, "34", 1.4},
          Case{"refuse:141", threeEvents, failed, false, "34", 0}}) {
        const testsupport::ScratchFolder scratch;
        const std::string image = hosttest::copyOfSample(scratch, "fcd300_sample.json");
        linktest::DriveSimulator sim(image, {"--fault", c.fault});
        Peer client(sim.port());
        client.send(tcp(kReadEvent, 1));
        EXPECT_EQ(client.receive(11).size(), 11u) << c.fault;
        const auto start = Clock::now();
        int pieces = 0;
        client.send(tcp(c.request2, 9));
        EXPECT_EQ(client.receive(c.answer.size() ? c.answer.size() : 1, 10, &pieces), c.answer)
            << c.fault;
        EXPECT_GE(std::chrono::duration<double>(Clock::now() - start).count(), c.atLeast)
            << c.fault;
        EXPECT_EQ(pieces > 1, c.fault.rfind("trickle", 0) == 0) << c.fault;
        if (!c.closed)
            client.receive(1, 0.3);
        EXPECT_EQ(client.closed, c.closed) << c.fault;
        EXPECT_EQ(SimulatedDrive(image, SimulatedDrive::Access::Read).value(1301, 1), c.event1)
            << c.fault;
    }
}
