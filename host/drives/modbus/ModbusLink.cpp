#include "ModbusDrive.h"

#include "HostText.h"
#include "ModbusFrame.h"

#include <modbus.h>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

// The link: the connection (libmodbus opens it), one request's exchange within
// its deadline, the controller's blocks and the request counts. The frames
// themselves are ModbusFrame.h's.

using Clock = std::chrono::steady_clock;

static_assert(ModbusDrive::kMaxReadRegisters == modbusframe::kMostRead &&
              ModbusDrive::kMaxWriteRegisters == modbusframe::kMostWritten);

namespace {

using hosttext::fill;

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(ModbusDrive)
};

// Sends every byte before the deadline; false with `reason` (`late` when the
// deadline passed).
bool sendAll(int fd, bool socket, const std::vector<std::uint8_t>& bytes,
             Clock::time_point deadline, const std::string& late, std::string& reason)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = socket
                              ? ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL)
                              : ::write(fd, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            reason = std::strerror(errno);
            return false;
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd wait{fd, POLLOUT, 0};
        if (left <= 0 || ::poll(&wait, 1, static_cast<int>(left)) == 0) {
            reason = late;
            return false;
        }
    }
    return true;
}

// Reads exactly `count` more bytes onto `bytes` before the deadline; false with
// `reason` (`late` when the deadline passed).
bool receive(int fd, size_t count, std::vector<std::uint8_t>& bytes, Clock::time_point deadline,
             const std::string& late, std::string& reason)
{
    const size_t wanted = bytes.size() + count;
    while (bytes.size() < wanted) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd wait{fd, POLLIN, 0};
        const int ready = left <= 0 ? 0 : ::poll(&wait, 1, static_cast<int>(left));
        if (ready == 0) {
            reason = late;
            return false;
        }
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            reason = std::strerror(errno);
            return false;
        }
        std::uint8_t buffer[260];
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, wanted - bytes.size()));
        if (n == 0) {
            reason = fill(Text::tr("the drive closed the connection"));
            return false;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            reason = std::strerror(errno);
            return false;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return true;
}

} // namespace

std::string ModbusDrive::exceptionMeaning(int code)
{
    switch (code) {
    case 1:
        return fill(Text::tr("Illegal function"));
    case 2:
        return fill(Text::tr("Illegal data address"));
    case 3:
        return fill(Text::tr("Illegal data value"));
    case 4:
        return fill(Text::tr("Slave device or server failure"));
    case 6:
        return fill(Text::tr("Slave device or server is busy"));
    case 11:
        return fill(Text::tr("Target device failed to respond"));
    default:
        return modbus_strerror(MODBUS_ENOBASE + code);
    }
}

std::string ModbusDrive::told(Request kind, const std::string& doing,
                              const std::string& reason) const
{
    return fill(kind == Request::Read ? Text::tr("%1 from %2: %3") : Text::tr("%1 to %2: %3"),
                doing, m_address.text, reason);
}

std::string ModbusDrive::noAnswer() const
{
    return fill(Text::tr("timed out: no answer within %1 ms"), m_timeout.count());
}

void ModbusDrive::connect()
{
    const auto failed = [&](const std::string& reason) {
        return DriveLinkError(fill(Text::tr("connecting to %1: %2"), m_address.text, reason));
    };
    modbus_t* context = nullptr;
    if (m_address.kind == DriveAddress::Kind::Tcp) {
        // libmodbus tells a name it cannot resolve as a refused connection.
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const std::string port = std::to_string(m_address.port);
        const int resolved = getaddrinfo(m_address.host.c_str(), port.c_str(), &hints, &found);
        if (resolved != 0) {
            throw failed(fill(Text::tr("cannot resolve host name \"%1\": %2"), m_address.host,
                              gai_strerror(resolved)));
        }
        freeaddrinfo(found);
        context = modbus_new_tcp_pi(m_address.host.c_str(), port.c_str());
    } else {
        context = modbus_new_rtu(m_address.device.c_str(), m_address.baud, m_address.parity, 8, 1);
    }
    if (!context)
        throw failed(modbus_strerror(errno));
    // libmodbus waits this long for the connection itself; answers are waited for here.
    const auto milliseconds = static_cast<std::uint32_t>(m_timeout.count());
    if (modbus_set_slave(context, m_address.unit) == -1 ||
        modbus_set_response_timeout(context, milliseconds / 1000, milliseconds % 1000 * 1000) ==
            -1 ||
        modbus_connect(context) == -1) {
        const int error = errno;
        modbus_free(context);
        throw failed(error == ETIMEDOUT ? fill(Text::tr("timed out: no connection within %1 ms"),
                                               m_timeout.count())
                                        : std::string(modbus_strerror(error)));
    }
    m_context = context;
    m_socket = modbus_get_socket(context);
    // Whatever a drive sent on the line before is no answer to us.
    if (m_address.kind == DriveAddress::Kind::Rtu)
        modbus_flush(context);
}

void ModbusDrive::readIdentification()
{
    std::uint16_t registers[modbusmap::kIdentificationRegisters] = {};
    try {
        readRegisters(m_map.identificationAddress, modbusmap::kIdentificationRegisters, 1,
                      registers, fill(Text::tr("reading the drive's identification")));
    } catch (const Refused& refused) {
        throw DriveLinkError(refused.what());
    }
    using modbusmap::kTypeRegisters, modbusmap::kVersionRegisters;
    m_driveType = modbusmap::decodeText(registers, kTypeRegisters);
    m_aocVersion = modbusmap::decodeText(registers + kTypeRegisters, kVersionRegisters);
    m_databaseVersion =
        modbusmap::decodeText(registers + kTypeRegisters + kVersionRegisters, kVersionRegisters);
    if (m_driveType != m_profile.driveType) {
        throw DriveLinkError(fill(Text::tr("the drive at %1 is of type \"%2\", but the profile %3 "
                                           "is for drive type \"%4\""),
                                  m_address.text, m_driveType, m_profilePath, m_profile.driveType));
    }
}

void ModbusDrive::loseLink(const std::string& reason)
{
    if (!m_context)
        return;
    // The reason first: whoever sees the link down on another thread reads it.
    m_linkFailure = reason;
    modbus_t* context = m_context.exchange(nullptr);
    modbus_close(context);
    modbus_free(context);
    m_socket = -1;
}

bool ModbusDrive::exchange(const std::vector<std::uint8_t>& pdu, std::vector<std::uint8_t>& answer,
                           std::string& reason)
{
    const Clock::time_point deadline = Clock::now() + m_timeout;
    const std::string late = noAnswer();
    const auto unit = static_cast<std::uint8_t>(m_address.unit);
    answer.clear();
    if (m_address.kind == DriveAddress::Kind::Tcp) {
        const std::uint16_t transaction = ++m_transaction;
        if (!sendAll(m_socket, true, modbusframe::tcpFrame(transaction, unit, pdu), deadline, late,
                     reason))
            return false;
        for (;;) {
            std::vector<std::uint8_t> header;
            if (!receive(m_socket, modbusframe::kMbapSize, header, deadline, late, reason))
                return false;
            const long size = modbusframe::tcpFrameSize(header.data());
            if (size < 0) {
                reason = fill(Text::tr("the answer is no Modbus TCP frame"));
                return false;
            }
            if (!receive(m_socket, static_cast<size_t>(size) - modbusframe::kMbapSize, answer,
                         deadline, late, reason))
                return false;
            // An answer to an earlier request (one that timed out) is passed over.
            if (modbusframe::tcpTransaction(header.data()) != transaction) {
                answer.clear();
                continue;
            }
            if (modbusframe::tcpUnit(header.data()) != unit) {
                reason = fill(Text::tr("the answer comes from unit %1"),
                              modbusframe::tcpUnit(header.data()) + 0);
                return false;
            }
            return true;
        }
    }
    tcflush(m_socket, TCIFLUSH);
    if (!sendAll(m_socket, false, modbusframe::rtuFrame(unit, pdu), deadline, late, reason))
        return false;
    // The answer's length follows from its function (a read's from its byte count).
    std::vector<std::uint8_t> bytes;
    if (!receive(m_socket, 2, bytes, deadline, late, reason))
        return false;
    size_t size = modbusframe::rtuAnswerSize(bytes.data(), bytes.size());
    if (size == 0) {
        if (!receive(m_socket, 1, bytes, deadline, late, reason))
            return false;
        size = modbusframe::rtuAnswerSize(bytes.data(), bytes.size());
    }
    if (!receive(m_socket, size - bytes.size(), bytes, deadline, late, reason))
        return false;
    if (!modbusframe::rtuIntact(bytes.data(), bytes.size())) {
        reason = fill(Text::tr("the answer's CRC is wrong"));
        return false;
    }
    if (bytes[0] != unit) {
        reason = fill(Text::tr("the answer comes from unit %1"), bytes[0] + 0);
        return false;
    }
    answer.assign(bytes.begin() + 1, bytes.end() - 2);
    return true;
}

std::vector<std::uint8_t> ModbusDrive::request(Request kind, const std::string& doing,
                                               const std::vector<std::uint8_t>& pdu)
{
    if (!m_context) {
        throw DriveLinkError(
            told(kind, doing, fill(Text::tr("the link is down (%1)"), m_linkFailure)));
    }
    ++m_requests[static_cast<int>(kind)];
    std::vector<std::uint8_t> answer;
    std::string reason;
    if (exchange(pdu, answer, reason)) {
        if (const int code = modbusframe::exceptionIn(answer, pdu[0])) {
            const std::string meaning = exceptionMeaning(code);
            throw Refused(told(kind, doing, meaning), meaning);
        }
        if (!answer.empty() && answer[0] == pdu[0])
            return answer;
        reason = fill(Text::tr("the answer does not answer the request"));
    }
    // A late or garbled answer would be taken for the next one: the link is closed.
    loseLink(told(kind, doing, reason));
    throw DriveLinkError(told(kind, doing, reason));
}

void ModbusDrive::readRegisters(int address, int count, int width, std::uint16_t* into,
                                const std::string& doing)
{
    // A request carries whole elements: a 32-bit value never comes in two halves.
    const int most = kMaxReadRegisters / width * width;
    for (int done = 0; done < count; done += most) {
        if (done > 0 && m_stop && (*m_stop)())
            throw Stopped{};
        const int part = std::min(most, count - done);
        const std::vector<std::uint8_t> answer =
            request(Request::Read, doing, modbusframe::readRequest(address + done, part));
        if (!modbusframe::registersIn(answer, part, into + done)) {
            const std::string reason =
                told(Request::Read, doing,
                     fill(Text::tr("the answer carries another number of registers")));
            loseLink(reason);
            throw DriveLinkError(reason);
        }
    }
}

void ModbusDrive::writeRegisters(const Run& run, const std::vector<std::uint16_t>& registers,
                                 const std::string& doing)
{
    writeRegisters(run.address(), registers, doing);
}

void ModbusDrive::writeRegisters(int address, const std::vector<std::uint16_t>& registers,
                                 const std::string& doing)
{
    const std::vector<std::uint8_t> answer =
        request(Request::Write, doing, modbusframe::writeRequest(address, registers));
    if (!modbusframe::confirmsWrite(answer, address, static_cast<int>(registers.size()))) {
        const std::string reason =
            told(Request::Write, doing,
                 fill(Text::tr("the answer does not confirm the registers written")));
        loseLink(reason);
        throw DriveLinkError(reason);
    }
}

// --- the controller's blocks ---

template <typename Exchange>
bool ModbusDrive::holdingRegisters(Exchange exchange, std::string& failure)
{
    const bool wasUp = linkUp();
    try {
        exchange();
        return true;
    } catch (const Refused& refused) {
        failure = refused.what();
    } catch (const DriveLinkError& lost) {
        failure = lost.what();
        if (wasUp && !linkUp() && m_linkFailureObserver)
            m_linkFailureObserver(m_linkFailure, false);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    return false;
}

bool ModbusDrive::readHoldingRegisters(int address, int count, std::uint16_t* into,
                                       const std::string& doing, std::string& failure)
{
    return holdingRegisters([&] { readRegisters(address, count, 1, into, doing); }, failure);
}

bool ModbusDrive::writeHoldingRegisters(int address, const std::vector<std::uint16_t>& registers,
                                        const std::string& doing, std::string& failure)
{
    return holdingRegisters(
        [&] {
            for (size_t done = 0; done < registers.size(); done += kMaxWriteRegisters) {
                const size_t part =
                    std::min(registers.size() - done, static_cast<size_t>(kMaxWriteRegisters));
                writeRegisters(address + static_cast<int>(done),
                               std::vector<std::uint16_t>(registers.begin() + long(done),
                                                          registers.begin() + long(done + part)),
                               doing);
            }
        },
        failure);
}

// --- counts ---

size_t ModbusDrive::requestCount() const
{
    return m_requests[0] + m_requests[1];
}

size_t ModbusDrive::requestCount(Request kind) const
{
    return m_requests[static_cast<int>(kind)];
}

void ModbusDrive::resetCounts()
{
    m_requests[0] = 0;
    m_requests[1] = 0;
}
