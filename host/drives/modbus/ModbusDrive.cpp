#include "ModbusDrive.h"

#include "HostText.h"

#include <modbus.h>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <thread>

using modbusmap::Slot;
using Clock = std::chrono::steady_clock;

namespace {

using hosttext::fill;

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(ModbusDrive)
};

constexpr std::uint8_t kReadFunction = 3;
constexpr std::uint8_t kWriteFunction = 16;
constexpr std::chrono::milliseconds kReconnectPauses[ModbusDrive::kConnectTries] = {
    std::chrono::milliseconds(100), std::chrono::milliseconds(400),
    std::chrono::milliseconds(1000)};

void putWord(std::vector<std::uint8_t>& bytes, unsigned word)
{
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

unsigned wordAt(const std::vector<std::uint8_t>& bytes, size_t at)
{
    return static_cast<unsigned>(bytes[at]) << 8 | bytes[at + 1];
}

std::uint16_t crc16(const std::uint8_t* bytes, size_t size)
{
    std::uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>(crc >> 1 ^ 0xA001) : crc >> 1;
    }
    return crc;
}

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

// Tells the write busy observer that a write call runs, for as long as it lives.
class BusyWhile
{
public:
    explicit BusyWhile(const std::function<void(bool)>& observer) : m_observer(observer)
    {
        if (m_observer)
            m_observer(true);
    }
    ~BusyWhile()
    {
        if (m_observer)
            m_observer(false);
    }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    const std::function<void(bool)>& m_observer;
};

} // namespace

std::string ModbusDrive::Run::what(int indexBase) const
{
    const size_t count = registers.size() / static_cast<size_t>(slot->width);
    const unsigned long index = first + static_cast<unsigned long>(indexBase);
    if (slot->elements <= 1)
        return fill(Text::tr("parameter %1"), slot->number);
    if (count == 1)
        return fill(Text::tr("parameter %1 element %2"), slot->number, index);
    return fill(Text::tr("parameter %1 elements %2 to %3"), slot->number, index,
                index + static_cast<unsigned long>(count) - 1);
}

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

std::vector<std::string> ModbusDrive::Run::elements(int indexBase) const
{
    const std::string number = std::to_string(slot->number);
    if (!slot->array)
        return {number};
    std::vector<std::string> names;
    const size_t count = registers.size() / static_cast<size_t>(slot->width);
    for (size_t i = 0; i < count; ++i)
        names.push_back(number + "." +
                        std::to_string(first + i + static_cast<unsigned long>(indexBase)));
    return names;
}

ModbusDrive::Run::Holds ModbusDrive::Run::holding(const std::vector<std::uint16_t>& read) const
{
    if (read == registers)
        return Holds::Asked;
    return read == before ? Holds::Before : Holds::Other;
}

ModbusDrive::ModbusDrive(const std::string& address, const std::string& profilePath,
                         std::chrono::milliseconds timeout)
    : m_address(DriveAddress::parse(address)), m_profilePath(profilePath),
      m_profile(DriveImage::load(profilePath)), m_map(m_profile.registerMap),
      m_language(m_profile.language), m_timeout(timeout)
{
    if (m_map.empty() || m_map.identificationAddress < 0) {
        throw DriveImageError(fill(Text::tr("the profile %1 has no register map with "
                                            "identification registers (\"modbus\")"),
                                   profilePath));
    }
    if (m_address.unit == 0)
        m_address.unit = m_map.unit;
    connect();
    try {
        readIdentification();
    } catch (...) {
        loseLink(fill(Text::tr("not connected")));
        throw;
    }
    resetCounts();
}

ModbusDrive::~ModbusDrive()
{
    loseLink({});
}

// --- the link ---

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
        // MBAP: transaction id, protocol 0, length of what follows, unit; then the PDU.
        const std::uint16_t transaction = ++m_transaction;
        std::vector<std::uint8_t> frame;
        putWord(frame, transaction);
        putWord(frame, 0);
        putWord(frame, static_cast<unsigned>(pdu.size() + 1));
        frame.push_back(unit);
        frame.insert(frame.end(), pdu.begin(), pdu.end());
        if (!sendAll(m_socket, true, frame, deadline, late, reason))
            return false;
        for (;;) {
            std::vector<std::uint8_t> header;
            if (!receive(m_socket, 7, header, deadline, late, reason))
                return false;
            const unsigned length = wordAt(header, 4);
            if (wordAt(header, 2) != 0 || length < 3 || length > 254) {
                reason = fill(Text::tr("the answer is no Modbus TCP frame"));
                return false;
            }
            if (!receive(m_socket, length - 1, answer, deadline, late, reason))
                return false;
            // An answer to an earlier request (one that timed out) is passed over.
            if (wordAt(header, 0) != transaction) {
                answer.clear();
                continue;
            }
            if (header[6] != unit) {
                reason = fill(Text::tr("the answer comes from unit %1"), header[6] + 0);
                return false;
            }
            return true;
        }
    }
    // RTU: unit, PDU, CRC (low byte first).
    std::vector<std::uint8_t> frame{unit};
    frame.insert(frame.end(), pdu.begin(), pdu.end());
    const std::uint16_t crc = crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    tcflush(m_socket, TCIFLUSH);
    if (!sendAll(m_socket, false, frame, deadline, late, reason))
        return false;
    std::vector<std::uint8_t> bytes;
    if (!receive(m_socket, 2, bytes, deadline, late, reason))
        return false;
    // The answer's length follows from its function.
    size_t rest = 0;
    if (bytes[1] & 0x80) {
        rest = 1 + 2;
    } else if (bytes[1] == kReadFunction) {
        if (!receive(m_socket, 1, bytes, deadline, late, reason))
            return false;
        rest = bytes[2] + 2u;
    } else {
        rest = 4 + 2;
    }
    if (!receive(m_socket, rest, bytes, deadline, late, reason))
        return false;
    const size_t body = bytes.size() - 2;
    if (crc16(bytes.data(), body) != (bytes[body] | bytes[body + 1] << 8)) {
        reason = fill(Text::tr("the answer's CRC is wrong"));
        return false;
    }
    if (bytes[0] != unit) {
        reason = fill(Text::tr("the answer comes from unit %1"), bytes[0] + 0);
        return false;
    }
    answer.assign(bytes.begin() + 1, bytes.begin() + static_cast<long>(body));
    return true;
}

std::vector<std::uint8_t> ModbusDrive::request(Request kind, const std::string& doing,
                                               const std::vector<std::uint8_t>& pdu)
{
    const std::lock_guard<std::recursive_timed_mutex> holding(m_linkLock);
    if (!m_context) {
        throw DriveLinkError(
            told(kind, doing, fill(Text::tr("the link is down (%1)"), m_linkFailure)));
    }
    ++m_requests[static_cast<int>(kind)];
    std::vector<std::uint8_t> answer;
    std::string reason;
    if (exchange(pdu, answer, reason)) {
        if (answer.size() == 2 && answer[0] == (pdu[0] | 0x80)) {
            const std::string meaning = exceptionMeaning(answer[1]);
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
    const std::lock_guard<std::recursive_timed_mutex> holding(m_linkLock);
    // A request carries whole elements: a 32-bit value never comes in two halves.
    const int most = kMaxReadRegisters / width * width;
    for (int done = 0; done < count; done += most) {
        if (done > 0 && m_stop && (*m_stop)())
            throw Stopped{};
        const int part = std::min(most, count - done);
        std::vector<std::uint8_t> pdu{kReadFunction};
        putWord(pdu, static_cast<unsigned>(address + done));
        putWord(pdu, static_cast<unsigned>(part));
        const std::vector<std::uint8_t> answer = request(Request::Read, doing, pdu);
        if (answer.size() != 2 + 2 * static_cast<size_t>(part) || answer[1] != 2 * part) {
            const std::string reason =
                told(Request::Read, doing,
                     fill(Text::tr("the answer carries another number of registers")));
            loseLink(reason);
            throw DriveLinkError(reason);
        }
        for (int i = 0; i < part; ++i)
            into[done + i] = static_cast<std::uint16_t>(wordAt(answer, 2 + 2 * size_t(i)));
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
    const std::lock_guard<std::recursive_timed_mutex> holding(m_linkLock);
    std::vector<std::uint8_t> pdu{kWriteFunction};
    putWord(pdu, static_cast<unsigned>(address));
    putWord(pdu, static_cast<unsigned>(registers.size()));
    pdu.push_back(static_cast<std::uint8_t>(2 * registers.size()));
    for (const std::uint16_t word : registers)
        putWord(pdu, word);
    const std::vector<std::uint8_t> answer = request(Request::Write, doing, pdu);
    if (answer.size() != 5 || wordAt(answer, 1) != static_cast<unsigned>(address) ||
        wordAt(answer, 3) != registers.size()) {
        const std::string reason =
            told(Request::Write, doing,
                 fill(Text::tr("the answer does not confirm the registers written")));
        loseLink(reason);
        throw DriveLinkError(reason);
    }
}

const std::vector<std::uint16_t>& ModbusDrive::registersOf(const Slot& slot)
{
    const auto kept = m_kept.find(slot.number);
    if (kept != m_kept.end())
        return kept->second;
    std::vector<std::uint16_t> registers(static_cast<size_t>(slot.end() - slot.address));
    readRegisters(slot.address, static_cast<int>(registers.size()), slot.width, registers.data(),
                  fill(Text::tr("reading parameter %1"), slot.number));
    ++m_parametersRead;
    if (m_progressObserver)
        m_progressObserver(m_parametersRead);
    return m_kept[slot.number] = std::move(registers);
}

template <typename Read> int ModbusDrive::reading(Read read)
{
    const bool wasUp = linkUp();
    try {
        try {
            return read();
        } catch (const Refused& refused) {
            if (m_readFailure.empty())
                m_readFailure = refused.what();
            refuse(refused.what(), refused.meaning);
        }
    } catch (const DriveRefusal&) {
        if (m_readFailure.empty())
            m_readFailure = m_lastRefusal;
        throw;
    } catch (const DriveLinkError& lost) {
        m_lastRefusal = m_operation + ": " + lost.what();
        m_refusalShort = fill(Text::tr("link lost"));
        if (m_readFailure.empty())
            m_readFailure = lost.what();
        if (wasUp && m_linkFailureObserver)
            m_linkFailureObserver(m_linkFailure, false);
        throw;
    }
}

bool ModbusDrive::prefetch(const std::vector<std::string>& numbers,
                           const std::function<bool()>& stop)
{
    m_operation = "ReadParameterValue";
    m_stop = stop ? &stop : nullptr;
    struct Done
    {
        const std::function<bool()>*& stop;
        ~Done() { stop = nullptr; }
    } done{m_stop};
    try {
        for (size_t i = 0; i < numbers.size(); ++i) {
            if (i > 0 && stop && stop())
                return false;
            reading([&] {
                // The first element of an array, or the single value.
                const std::string& number = numbers[i];
                unsigned long parameter = 0;
                std::from_chars(number.data(), number.data() + number.size(), parameter);
                const Slot* slot = m_map.slotOf(parameter);
                size_t element = 0;
                registersOf(
                    locate(number, slot && slot->array ? m_profile.indexBase : -1, element));
                return 1;
            });
        }
    } catch (const Stopped&) {
        return false;
    }
    return true;
}

void ModbusDrive::forgetValues()
{
    m_kept.clear();
    m_parametersRead = 0;
    m_readFailure.clear();
}

// --- shared register access ---

template <typename Exchange>
bool ModbusDrive::shared(Exchange exchange, std::string& failure, const std::function<bool()>& stop)
{
    std::unique_lock<std::recursive_timed_mutex> holding(m_linkLock, std::defer_lock);
    while (!holding.try_lock_for(std::chrono::milliseconds(20))) {
        if (stop && stop()) {
            failure = fill(Text::tr("stopped"));
            return false;
        }
    }
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

bool ModbusDrive::readSharedRegisters(int address, int count, std::uint16_t* into,
                                      const std::string& doing, std::string& failure,
                                      const std::function<bool()>& stop)
{
    return shared([&] { readRegisters(address, count, 1, into, doing); }, failure, stop);
}

bool ModbusDrive::writeSharedRegisters(int address, const std::vector<std::uint16_t>& registers,
                                       const std::string& doing, std::string& failure,
                                       const std::function<bool()>& stop)
{
    return shared(
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
        failure, stop);
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

// --- calls ---

void ModbusDrive::refuse(const std::string& reason, const std::string& brief)
{
    m_lastRefusal = m_operation + ": " + reason;
    m_refusalShort = brief;
    if (m_operation == "WriteParameterValues" && m_writeRefusalObserver)
        m_writeRefusalObserver(m_lastRefusal);
    throw DriveRefusal(m_lastRefusal);
}

template <typename Question> auto ModbusDrive::ask(Question question) -> decltype(question())
{
    try {
        return question();
    } catch (const ImageRefusal& refused) {
        refuse(refused.what());
    }
}

const Slot& ModbusDrive::locate(const std::string& numberText, long index, size_t& element)
{
    const DriveImage::Parameter& parameter =
        ask([&]() -> const DriveImage::Parameter& { return m_profile.named(numberText); });
    element = ask([&] { return m_profile.position(parameter, index); });
    const Slot* slot = m_map.slotOf(parameter.number);
    if (!slot)
        refuse(fill(Text::tr("parameter %1 has no register in the profile"), numberText));
    return *slot;
}

bool ModbusDrive::encode(unsigned long number, const std::string& text, std::string& stored,
                         std::vector<std::uint16_t>& registers, std::string& reason) const
{
    if (!m_profile.accepts(number, text, stored, reason))
        return false;
    const Slot* slot = m_map.slotOf(number);
    if (!slot) {
        reason = fill(Text::tr("parameter %1 has no register in the profile"), number);
        return false;
    }
    registers.assign(static_cast<size_t>(slot->width), 0);
    return modbusmap::encodeValue(*slot, m_map.wordOrder, stored, registers.data(), reason);
}

bool ModbusDrive::accepts(unsigned long number, const std::string& text, std::string& stored,
                          std::string& reason) const
{
    std::vector<std::uint16_t> registers;
    return encode(number, text, stored, registers, reason);
}

std::string ModbusDrive::GetParameterName(const std::string& number)
{
    enter("GetParameterName");
    return ask([&] { return m_profile.named(number).name; });
}

int ModbusDrive::ReadParameterValue(const std::string& number, int index, std::string& value,
                                    const std::string& setup)
{
    enter("ReadParameterValue");
    return reading([&] {
        ask([&] { DriveImage::checkSetup(setup); });
        size_t element = 0;
        const Slot& slot = locate(number, index, element);
        const std::vector<std::uint16_t>& registers = registersOf(slot);
        value = modbusmap::decodeValue(
            slot, m_map.wordOrder, registers.data() + element * static_cast<size_t>(slot.width));
        return 1;
    });
}

int ModbusDrive::WriteParameterValues(const std::vector<std::string>& identifiers,
                                      const std::vector<std::string>& values,
                                      const std::string& setup, int /*flag*/)
{
    enter("WriteParameterValues");
    m_lastWrite = WriteOutcome{};
    m_writeRefusal = Refusal{};
    m_runs.clear();
    ask([&] { DriveImage::checkWrite(identifiers, values, setup); });
    m_runs = runsFor(identifiers, values);
    const BusyWhile busy(m_writeBusyObserver);
    // No shared request comes between the call's requests.
    const std::lock_guard<std::recursive_timed_mutex> holding(m_linkLock);
    download();
    return 1;
}

void ModbusDrive::writeAgain()
{
    enter("WriteParameterValues");
    if (m_runs.empty())
        refuse(fill(Text::tr("there is no write to carry out again")));
    m_lastWrite = WriteOutcome{};
    m_writeRefusal = Refusal{};
    const BusyWhile busy(m_writeBusyObserver);
    const std::lock_guard<std::recursive_timed_mutex> holding(m_linkLock);
    // What the drive holds now is read anew; so is the link when it is down.
    for (Run& run : m_runs) {
        run.holds = Run::Holds::Unsure;
        m_kept.erase(run.slot->number);
    }
    if (!linkUp() && !reconnectAndReadBack()) {
        m_lastWrite = outcome();
        m_lastRefusal = m_operation + ": " + m_linkFailure;
        m_refusalShort = fill(Text::tr("link lost"));
        if (m_writeRefusalObserver)
            m_writeRefusalObserver(m_lastRefusal);
        throw DriveLinkError(m_linkFailure);
    }
    download();
}

std::vector<ModbusDrive::Run> ModbusDrive::runsFor(const std::vector<std::string>& identifiers,
                                                   const std::vector<std::string>& values)
{
    // Every entry is checked and encoded before anything is sent; per parameter
    // (in the order they first come), the registers of each element written.
    std::vector<const Slot*> order;
    std::map<const Slot*, std::map<unsigned long, std::vector<std::uint16_t>>> written;
    for (size_t i = 0; i < identifiers.size(); ++i) {
        const std::string& identifier = identifiers[i];
        long index = -1;
        ask([&] { m_profile.identified(identifier, index); });
        size_t element = 0;
        const Slot& slot = locate(identifier.substr(0, identifier.find('.')), index, element);
        std::string stored, reason;
        std::vector<std::uint16_t> registers;
        if (!encode(slot.number, values[i], stored, registers, reason))
            refuse(identifier + ": " + reason);
        if (!written.count(&slot))
            order.push_back(&slot);
        written[&slot][element] = std::move(registers);
    }

    std::vector<Run> runs;
    for (const Slot* slot : order) {
        for (const auto& [element, registers] : written[slot]) {
            Run* last = runs.empty() ? nullptr : &runs.back();
            const bool follows = last && last->slot == slot &&
                                 last->address() + static_cast<long>(last->registers.size()) ==
                                     slot->elementAddress(element) &&
                                 last->registers.size() + registers.size() <=
                                     static_cast<size_t>(kMaxWriteRegisters);
            if (!follows)
                runs.push_back(Run{slot, element, {}, {}, Run::Holds::Before});
            runs.back().registers.insert(runs.back().registers.end(), registers.begin(),
                                         registers.end());
        }
    }
    return runs;
}

void ModbusDrive::put(Run& run, const std::vector<std::uint16_t>& registers)
{
    const std::string what = run.what(m_profile.indexBase);
    const bool back = &registers == &run.before;
    // What is kept of the parameter is not known to be the drive's until it is read back.
    auto kept = m_kept.extract(run.slot->number);
    const Run::Holds was = run.holds;
    run.holds = Run::Holds::Unsure;
    try {
        writeRegisters(run, registers,
                       fill(back ? Text::tr("writing back %1") : Text::tr("writing %1"), what));
    } catch (const Refused&) {
        run.holds = was; // not taken
        if (kept)
            m_kept.insert(std::move(kept));
        throw;
    }
    std::vector<std::uint16_t> readBack(registers.size());
    readRegisters(run.address(), static_cast<int>(readBack.size()), run.slot->width,
                  readBack.data(), fill(Text::tr("reading back %1"), what));
    run.holds = run.holding(readBack);
    if (kept) {
        std::copy(readBack.begin(), readBack.end(),
                  kept.mapped().begin() + (run.address() - run.slot->address));
        m_kept.insert(std::move(kept));
    }
    if (readBack != registers) {
        throw Refused(told(Request::Read, fill(Text::tr("reading back %1"), what),
                           fill(Text::tr("the drive holds other values than were written"))),
                      fill(Text::tr("other values read back")));
    }
}

bool ModbusDrive::reconnectAndReadBack()
{
    const std::string lost = m_linkFailure;
    std::string failure = lost;
    for (const auto pause : kReconnectPauses) {
        std::this_thread::sleep_for(pause);
        loseLink(failure);
        try {
            connect();
            readIdentification();
            for (Run& run : m_runs) {
                std::vector<std::uint16_t> read(run.registers.size());
                readRegisters(run.address(), static_cast<int>(read.size()), run.slot->width,
                              read.data(),
                              fill(Text::tr("reading back %1"), run.what(m_profile.indexBase)));
                if (run.before.empty())
                    run.before = read; // nothing was sent yet
                run.holds = run.holding(read);
            }
            ++m_lastWrite.reconnections;
            m_linkFailure.clear();
            return true;
        } catch (const std::exception& error) { // DriveLinkError, Refused
            failure = error.what();
        }
    }
    loseLink(failure);
    m_linkFailure = failure == lost ? lost : fill(Text::tr("%1; then %2"), lost, failure);
    return false;
}

WriteOutcome ModbusDrive::outcome() const
{
    WriteOutcome result;
    result.reconnections = m_lastWrite.reconnections;
    bool unsure = false, any = false, all = true;
    for (const Run& run : m_runs) {
        unsure = unsure || run.holds == Run::Holds::Unsure;
        any = any || run.holds != Run::Holds::Before;
        all = all && run.holds == Run::Holds::Asked;
        if (run.holds != Run::Holds::Asked)
            result.differing.push_back(run.what(m_profile.indexBase));
    }
    result.holds = all      ? WriteOutcome::Holds::Asked
                   : !any   ? WriteOutcome::Holds::Before
                   : unsure ? WriteOutcome::Holds::Unknown
                            : WriteOutcome::Holds::Part;
    if (result.holds == WriteOutcome::Holds::Before)
        result.differing.clear();
    return result;
}

void ModbusDrive::download()
{
    if (!linkUp()) {
        m_lastWrite = outcome();
        m_lastRefusal =
            m_operation + ": " +
            fill(Text::tr("writing to %1: the link is down (%2)"), m_address.text, m_linkFailure);
        m_refusalShort = fill(Text::tr("link lost"));
        if (m_writeRefusalObserver)
            m_writeRefusalObserver(m_lastRefusal);
        throw DriveLinkError(m_lastRefusal);
    }
    std::string refusal, refusalMeaning, restoreFailure;
    int losses = 0;
    for (;;) {
        try {
            // What the drive holds where the runs go, to write back when one is refused.
            for (Run& run : m_runs) {
                if (!run.before.empty())
                    continue;
                try {
                    const std::vector<std::uint16_t>& registers = registersOf(*run.slot);
                    const auto from = registers.begin() + (run.address() - run.slot->address);
                    run.before.assign(from, from + static_cast<long>(run.registers.size()));
                } catch (const Refused& refused) {
                    refuse(refused.what(), refused.meaning); // nothing was written
                }
                run.holds = run.holding(run.before);
            }
            if (refusal.empty()) {
                for (Run& run : m_runs) {
                    if (run.holds == Run::Holds::Asked)
                        continue;
                    try {
                        put(run, run.registers);
                    } catch (const Refused& refused) {
                        m_writeRefusal = {run.elements(m_profile.indexBase), refused.meaning};
                        throw;
                    }
                }
            } else {
                // Taken back, last first; a run the drive will not take back is told.
                for (auto run = m_runs.rbegin(); run != m_runs.rend(); ++run) {
                    if (run->holds == Run::Holds::Before)
                        continue;
                    try {
                        put(*run, run->before);
                    } catch (const Refused& refused) {
                        restoreFailure = refused.what();
                    }
                }
            }
            break;
        } catch (const Refused& refused) {
            refusal = refused.what();
            refusalMeaning = refused.meaning;
        } catch (const DriveLinkError&) {
            if (++losses > kMostLosses || !reconnectAndReadBack())
                break;
        }
    }

    m_lastWrite = outcome();
    if (!linkUp()) {
        // Lost while taking back what the drive refused: the refusal is told too.
        const std::string failure =
            refusal.empty() ? m_linkFailure : fill(Text::tr("%1; then %2"), refusal, m_linkFailure);
        m_lastRefusal = m_operation + ": " + failure;
        m_refusalShort = fill(Text::tr("link lost"));
        if (m_linkFailureObserver)
            m_linkFailureObserver(failure, m_lastWrite.partlyWritten());
        if (m_writeRefusalObserver)
            m_writeRefusalObserver(m_lastRefusal);
        throw DriveLinkError(failure + (m_lastWrite.partlyWritten() ? "; " + m_lastWrite.describe()
                                                                    : std::string()));
    }
    if (!refusal.empty()) {
        if (!restoreFailure.empty())
            refusal = fill(Text::tr("%1; then %2"), refusal, restoreFailure);
        refuse(refusal + (m_lastWrite.partlyWritten() ? "; " + m_lastWrite.describe() : ""),
               refusalMeaning);
    }
}

std::vector<std::string> ModbusDrive::GetChoiceList(const std::string& identifier)
{
    enter("GetChoiceList");
    return ask([&] { return m_profile.choiceList(identifier); });
}

unsigned long ModbusDrive::GetElementCount(const std::string& number)
{
    enter("GetElementCount");
    return ask([&] { return m_profile.named(number).elementCount; });
}

int ModbusDrive::GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                                        std::string& maximum, std::string& unit,
                                        std::string& decimals)
{
    enter("GetParameterAttributes");
    ask([&] { m_profile.attributes(number, index, minimum, maximum, unit, decimals); });
    return 1;
}

int ModbusDrive::GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                                  std::string& dbVersion)
{
    enter("GetDriveIdentity");
    driveName = m_driveType;
    aocVersion = m_aocVersion;
    dbVersion = m_databaseVersion;
    return 1;
}

int ModbusDrive::RegisterParameters(const std::vector<std::string>& numbers)
{
    enter("RegisterParameters");
    ask([&] { m_profile.checkParameters(numbers); });
    return 1;
}

std::string ModbusDrive::GetLanguage()
{
    enter("GetLanguage");
    return m_language;
}

int ModbusDrive::GetIndexBase()
{
    enter("GetIndexBase");
    return m_profile.indexBase;
}
