#include "DriveServerLoop.h"

#include "ExitStatus.h"
#include "ModbusFrame.h"

#include <modbus.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kMostBuffered = 4096; // received bytes a connection keeps unread
constexpr std::size_t kMostRtuFrames = 16;  // whole RTU frames waiting for their turn
constexpr milliseconds kLongestWait{250};   // the loop looks at the stop flag this often
constexpr milliseconds kBackOff{250};       // out of descriptors, or a serial line gone

// An answer on its way: due at `due`, then sent whole or, with a pace, one byte
// at a time.
struct Answer
{
    std::vector<std::uint8_t> bytes;
    std::size_t sent = 0;
    Clock::time_point due;
    milliseconds pace{0};
};

struct Connection
{
    int fd = -1;
    std::vector<std::uint8_t> input;
    std::deque<std::vector<std::uint8_t>> frames; // RTU: whole frames waiting
    std::optional<Answer> answer;
    Clock::time_point lastByte;   // the last byte received
    Clock::time_point lastActive; // the last byte received or answer sent
    bool closing = false;
};

class Loop
{
public:
    // `silence`: RTU, the gap that ends a frame; zero for TCP.
    Loop(DriveServer& server, const ServeOptions& options, std::chrono::microseconds silence)
        : m_server(server), m_options(options), m_silence(silence)
    {}

    int run(int listening, int line, const volatile std::sig_atomic_t& stopping);

private:
    bool serial() const { return m_silence.count() > 0; }
    void accept(Clock::time_point now);
    void receive(Connection& c, Clock::time_point now);
    // The peer hung up (TCP), or the line did.
    void gone(Connection& c, Clock::time_point now);
    void step(Connection& c, Clock::time_point now);
    void take(Connection& c, const std::vector<std::uint8_t>& frame, Clock::time_point now);
    void send(Connection& c, Clock::time_point now);
    Clock::time_point nextDeadline(Clock::time_point now) const;

    DriveServer& m_server;
    const ServeOptions& m_options;
    const std::chrono::microseconds m_silence;
    int m_listening = -1;
    std::vector<Connection> m_connections;
    long m_requests = 0;
    bool m_outOfDescriptors = false;
    Clock::time_point m_resumeAccept;
    Clock::time_point m_resumeLine;
};

std::string why()
{
    return std::strerror(errno);
}

int Loop::run(int listening, int line, const volatile std::sig_atomic_t& stopping)
{
    m_listening = listening;
    if (line >= 0) {
        Connection c;
        c.fd = line;
        c.lastByte = c.lastActive = Clock::now();
        m_connections.push_back(std::move(c));
    }
    std::vector<pollfd> polled;
    bool behind = m_server.catchUp();
    while (!stopping) {
        Clock::time_point now = Clock::now();
        polled.clear();
        for (const Connection& c : m_connections) {
            short events = 0;
            if (c.input.size() < kMostBuffered)
                events |= POLLIN;
            if (c.answer && c.answer->due <= now)
                events |= POLLOUT;
            // A line that hung up is left alone for a while (poll reports a
            // hang-up whatever it is asked for).
            polled.push_back({serial() && now < m_resumeLine ? -1 : c.fd, events, 0});
        }
        const bool accepting = m_listening >= 0 && now >= m_resumeAccept;
        if (accepting)
            polled.push_back({m_listening, POLLIN, 0});
        // Log lines held back for a slow reader go out as it makes room (SimLog.h).
        std::cerr.flush();
        const auto wait =
            behind ? milliseconds(0) : std::chrono::ceil<milliseconds>(nextDeadline(now) - now);
        if (poll(polled.data(), polled.size(), static_cast<int>(std::max(wait.count(), 0L))) < 0 &&
            errno != EINTR) {
            std::cerr << "nebpt-drive-sim: poll: " << why() << "\n";
            return kFailed;
        }
        now = Clock::now();
        // The controller's state as it is by now, before any request is answered.
        behind = m_server.catchUp();
        for (size_t i = 0; i < m_connections.size(); ++i) {
            if (polled[i].revents & POLLIN)
                receive(m_connections[i], now);
            else if (polled[i].revents & (POLLHUP | POLLERR))
                gone(m_connections[i], now);
            step(m_connections[i], now);
        }
        for (size_t i = m_connections.size(); i-- > 0;) {
            if (m_connections[i].closing) {
                close(m_connections[i].fd);
                m_connections.erase(m_connections.begin() + static_cast<long>(i));
            }
        }
        if (accepting && (polled.back().revents & POLLIN))
            accept(now);
    }
    for (const Connection& c : m_connections)
        if (c.fd != line)
            close(c.fd);
    return kDone;
}

void Loop::accept(Clock::time_point now)
{
    for (int i = 0; i < 64; ++i) {
        const int fd = accept4(m_listening, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == ECONNABORTED || errno == EPROTO)
                continue;
            if (errno == EINTR)
                return;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                // Every waiting connection taken: the end of a shortage, if any.
                if (m_outOfDescriptors)
                    std::cerr << "nebpt-drive-sim: taking connections again\n";
                m_outOfDescriptors = false;
                return;
            }
            // Out of descriptors (or memory): the waiting connection stays in the
            // backlog, and taking it again and again would only spin. Look again
            // a little later.
            if (!m_outOfDescriptors) {
                std::cerr << "nebpt-drive-sim: cannot take a connection: " << why()
                          << "; trying again every " << kBackOff.count() << " ms\n";
            }
            m_outOfDescriptors = true;
            m_resumeAccept = now + kBackOff;
            return;
        }
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on); // an answer goes at once
        Connection c;
        c.fd = fd;
        c.lastByte = c.lastActive = now;
        m_connections.push_back(std::move(c));
    }
}

void Loop::receive(Connection& c, Clock::time_point now)
{
    while (c.input.size() < kMostBuffered) {
        std::uint8_t bytes[1024];
        const ssize_t got =
            ::read(c.fd, bytes, std::min(sizeof bytes, kMostBuffered - c.input.size()));
        if (got > 0) {
            c.input.insert(c.input.end(), bytes, bytes + got);
            c.lastByte = c.lastActive = now;
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        // A serial line set up for raw reads (no minimum count, no time) reads
        // nothing once it is empty; only a socket's end of file is a goodbye.
        if (got == 0 && serial())
            return;
        return gone(c, now);
    }
}

void Loop::gone(Connection& c, Clock::time_point now)
{
    if (serial()) {
        // No one at the other end of the line (a pseudo-terminal whose other
        // side closed): look again later instead of spinning on the hang-up.
        m_resumeLine = now + kBackOff;
    } else {
        c.closing = true; // the peer has gone
    }
}

void Loop::step(Connection& c, Clock::time_point now)
{
    if (serial() && !c.input.empty() && now - c.lastByte >= m_silence) {
        if (c.frames.size() < kMostRtuFrames)
            c.frames.push_back(std::move(c.input));
        else
            std::cerr << "nebpt-drive-sim: dropped an RTU frame: too many waiting\n";
        c.input.clear();
    }
    while (!c.answer && !c.closing) {
        if (serial()) {
            if (c.frames.empty())
                break;
            const std::vector<std::uint8_t> frame = std::move(c.frames.front());
            c.frames.pop_front();
            // Frames for other units, and damaged ones, are not this drive's.
            const DriveServer::RtuFrame kind = m_server.classifyRtu(frame.data(), frame.size());
            if (kind == DriveServer::RtuFrame::Mine || kind == DriveServer::RtuFrame::Broadcast)
                take(c, frame, now);
            continue;
        }
        const long size = modbusframe::tcpFrameSize(c.input.data(), c.input.size());
        if (size < 0) {
            std::cerr << "nebpt-drive-sim: dropped a connection that does not speak Modbus TCP\n";
            c.closing = true;
        }
        if (size <= 0)
            break;
        const std::vector<std::uint8_t> frame(c.input.begin(), c.input.begin() + size);
        c.input.erase(c.input.begin(), c.input.begin() + size);
        take(c, frame, now);
    }
    if (c.answer && c.answer->due <= now && !c.closing)
        send(c, now);
    // An answer held back on purpose (latency, a fault) is no silence; one the
    // client does not take is.
    const bool waiting = c.answer && c.answer->due > now;
    if (!serial() && !waiting && m_options.idleTimeout.count() > 0 &&
        now - c.lastActive >= m_options.idleTimeout) {
        std::cerr << "nebpt-drive-sim: closed a connection idle for "
                  << m_options.idleTimeout.count() << " s\n";
        c.closing = true;
    }
}

void Loop::take(Connection& c, const std::vector<std::uint8_t>& frame, Clock::time_point now)
{
    const long request = ++m_requests;
    bool drop = false, lose = false;
    milliseconds late{0}, pace{0};
    for (const SimFault& fault : m_options.faults) {
        if (fault.request != request)
            continue;
        static const char* const kNames[] = {"drop", "lose", "late", "trickle"};
        std::cerr << "nebpt-drive-sim: fault " << kNames[static_cast<int>(fault.kind)]
                  << " at request " << request << "\n";
        drop = drop || fault.kind == SimFault::Kind::Drop;
        lose = lose || fault.kind == SimFault::Kind::Lose;
        if (fault.kind == SimFault::Kind::Late)
            late += fault.delay;
        if (fault.kind == SimFault::Kind::Trickle)
            pace = fault.delay;
    }
    c.lastActive = now;
    if (drop) {
        c.closing = !serial();
        return;
    }
    std::vector<std::uint8_t> reply = serial()
                                          ? m_server.answerRtu(frame.data(), frame.size(), request)
                                          : m_server.answerTcp(frame.data(), frame.size(), request);
    if (lose) {
        c.closing = !serial();
        return;
    }
    if (reply.empty()) // a broadcast
        return;
    c.answer = Answer{std::move(reply), 0, now + m_options.latency + late, pace};
}

void Loop::send(Connection& c, Clock::time_point now)
{
    Answer& a = *c.answer;
    const std::size_t size = a.pace.count() > 0 ? 1 : a.bytes.size() - a.sent;
    const ssize_t sent = serial() ? ::write(c.fd, a.bytes.data() + a.sent, size)
                                  : ::send(c.fd, a.bytes.data() + a.sent, size, MSG_NOSIGNAL);
    if (sent < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return; // polled for room
        std::cerr << "nebpt-drive-sim: cannot answer: " << why() << "\n";
        c.answer.reset();
        c.closing = !serial();
        return;
    }
    a.sent += static_cast<std::size_t>(sent);
    a.due = now + a.pace;
    c.lastActive = now;
    if (a.sent == a.bytes.size())
        c.answer.reset();
}

Clock::time_point Loop::nextDeadline(Clock::time_point now) const
{
    Clock::time_point next = now + kLongestWait;
    if (m_listening >= 0 && m_resumeAccept > now)
        next = std::min(next, m_resumeAccept);
    if (serial() && m_resumeLine > now)
        next = std::min(next, m_resumeLine);
    for (const Connection& c : m_connections) {
        if (c.answer && c.answer->due > now)
            next = std::min(next, c.answer->due);
        if (serial() && !c.input.empty())
            next = std::min(next, c.lastByte + m_silence);
        if (!serial() && !(c.answer && c.answer->due > now) && m_options.idleTimeout.count() > 0)
            next = std::min(next, c.lastActive + m_options.idleTimeout);
    }
    return std::max(next, now);
}

// A whole number in [lowest, highest]; false when the text is anything else.
bool number(const std::string& text, long lowest, long highest, long& into)
{
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    into = std::stol(text);
    return into >= lowest && into <= highest;
}

} // namespace

bool parseFault(const std::string& spec, std::vector<SimFault>& faults, std::vector<int>& failing,
                std::string& error)
{
    std::vector<std::string> parts{""};
    for (const char c : spec) {
        if (c == ':')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    const std::string& kind = parts.front();
    long request = 0, delay = 0, address = 0;
    if (kind == "refuse" && parts.size() == 2 && number(parts[1], 0, 65535, address)) {
        failing.push_back(static_cast<int>(address));
        return true;
    }
    const bool timed = kind == "late" || kind == "trickle";
    if ((kind == "drop" || kind == "lose" || timed) && parts.size() == (timed ? 3u : 2u) &&
        number(parts[1], 1, 999999999, request) && (!timed || number(parts[2], 0, 600000, delay))) {
        SimFault fault;
        fault.kind = kind == "drop"   ? SimFault::Kind::Drop
                     : kind == "lose" ? SimFault::Kind::Lose
                     : kind == "late" ? SimFault::Kind::Late
                                      : SimFault::Kind::Trickle;
        fault.request = request;
        fault.delay = milliseconds(delay);
        faults.push_back(fault);
        return true;
    }
    error = "--fault takes drop:N, lose:N, late:N:MS, trickle:N:MS or refuse:R (N from 1, MS up "
            "to 600000, R up to 65535), not \"" +
            spec + "\"";
    return false;
}

int serveTcp(DriveServer& server, int port, const ServeOptions& options,
             const volatile std::sig_atomic_t& stopping)
{
    const int listening = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    if (listening < 0 || setsockopt(listening, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listening, 64) != 0) {
        const bool privileged = errno == EACCES && port < 1024;
        std::cerr << "nebpt-drive-sim: cannot listen on 127.0.0.1:" << port << ": " << why();
        if (privileged)
            std::cerr << "; ports below 1024 need root: use --port 0 (a free port) or a port "
                         "above 1023";
        std::cerr << "\n";
        if (listening >= 0)
            close(listening);
        return kFailed;
    }
    socklen_t size = sizeof address;
    getsockname(listening, reinterpret_cast<sockaddr*>(&address), &size);
    std::cout << "listening on 127.0.0.1:" << ntohs(address.sin_port) << std::endl;
    const int status = Loop(server, options, {}).run(listening, -1, stopping);
    close(listening);
    return status;
}

int serveRtu(DriveServer& server, const std::string& device, int baud, char parity,
             const ServeOptions& options, const volatile std::sig_atomic_t& stopping)
{
    // libmodbus sets the line up (termios); the framing is the loop's own.
    const std::unique_ptr<modbus_t, decltype(&modbus_free)> context(
        modbus_new_rtu(device.c_str(), baud, parity, 8, 1), &modbus_free);
    if (!context || modbus_connect(context.get()) != 0) {
        std::cerr << "nebpt-drive-sim: cannot open " << device << ": " << modbus_strerror(errno)
                  << "\n";
        return kFailed;
    }
    const int line = modbus_get_socket(context.get());
    fcntl(line, F_SETFL, fcntl(line, F_GETFL) | O_NONBLOCK);
    std::cout << "listening on " << device << std::endl;
    // 3.5 characters of start bit, 8 data bits, parity and a stop bit.
    const long bits = parity == 'N' ? 10 : 11;
    const std::chrono::microseconds silence(std::max(2000L, 3500000L * bits / baud));
    const int status = Loop(server, options, silence).run(-1, line, stopping);
    modbus_close(context.get());
    return status;
}
