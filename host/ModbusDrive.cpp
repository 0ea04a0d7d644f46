#include "ModbusDrive.h"

#include <modbus.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

using modbusmap::Slot;

namespace {

bool isModbusException(int error)
{
    return error > MODBUS_ENOBASE && error <= EMBXGTAR;
}

std::string elementsText(unsigned long first, size_t count)
{
    if (count == 1)
        return "element " + std::to_string(first);
    return "elements " + std::to_string(first) + " to " +
           std::to_string(first + static_cast<unsigned long>(count) - 1);
}

} // namespace

std::string ModbusDrive::Run::what(int indexBase) const
{
    std::string text = "parameter " + std::to_string(slot->number);
    if (slot->elements > 1) {
        text += " " + elementsText(first + static_cast<unsigned long>(indexBase),
                                   registers.size() / static_cast<size_t>(slot->width));
    }
    return text;
}

ModbusDrive::ModbusDrive(const std::string& address, const std::string& profilePath,
                         std::chrono::milliseconds timeout)
    : m_address(DriveAddress::parse(address)), m_profile(profilePath, SimulatedDrive::Access::Read),
      m_map(m_profile.registerMap()), m_timeout(timeout)
{
    if (m_map.empty() || m_map.identificationAddress < 0) {
        throw DriveImageError("the profile " + profilePath +
                              " has no register map with identification registers (\"modbus\")");
    }
    if (m_address.unit == 0)
        m_address.unit = m_map.unit;
    connect();
    try {
        readIdentification();
    } catch (...) {
        loseLink("not connected");
        throw;
    }
    resetCounts();
}

ModbusDrive::~ModbusDrive()
{
    if (m_context) {
        modbus_close(m_context);
        modbus_free(m_context);
    }
}

// --- the link ---

void ModbusDrive::connect()
{
    const std::string doing = "connecting to " + m_address.text + ": ";
    modbus_t* context = nullptr;
    if (m_address.kind == DriveAddress::Kind::Tcp) {
        context = modbus_new_tcp_pi(m_address.host.c_str(), std::to_string(m_address.port).c_str());
    } else {
        context = modbus_new_rtu(m_address.device.c_str(), m_address.baud, m_address.parity, 8, 1);
    }
    if (!context)
        throw DriveLinkError(doing + modbus_strerror(errno));
    const auto milliseconds = static_cast<std::uint32_t>(m_timeout.count());
    if (modbus_set_slave(context, m_address.unit) == -1 ||
        modbus_set_response_timeout(context, milliseconds / 1000, milliseconds % 1000 * 1000) ==
            -1 ||
        modbus_connect(context) == -1) {
        const int error = errno;
        modbus_free(context);
        throw DriveLinkError(doing + modbus_strerror(error));
    }
    m_context = context;
}

void ModbusDrive::readIdentification()
{
    std::uint16_t registers[modbusmap::kIdentificationRegisters] = {};
    try {
        readRegisters(m_map.identificationAddress, modbusmap::kIdentificationRegisters, registers,
                      "reading the drive's identification");
    } catch (const Refused& refused) {
        throw DriveLinkError(refused.what());
    }
    using modbusmap::kTypeRegisters, modbusmap::kVersionRegisters;
    m_driveType = modbusmap::decodeText(registers, kTypeRegisters);
    m_aocVersion = modbusmap::decodeText(registers + kTypeRegisters, kVersionRegisters);
    m_databaseVersion =
        modbusmap::decodeText(registers + kTypeRegisters + kVersionRegisters, kVersionRegisters);
    if (m_driveType != m_profile.driveType()) {
        throw DriveLinkError("the drive at " + m_address.text + " is of type \"" + m_driveType +
                             "\", but the profile " + m_profile.imagePath() +
                             " is for drive type \"" + m_profile.driveType() + "\"");
    }
}

void ModbusDrive::loseLink(const std::string& reason)
{
    if (!m_context)
        return;
    modbus_close(m_context);
    modbus_free(m_context);
    m_context = nullptr;
    m_linkFailure = reason;
}

void ModbusDrive::request(Request kind, const std::string& doing, const char* preposition,
                          const std::function<int(modbus_t*)>& send)
{
    const std::string where = doing + " " + preposition + " " + m_address.text + ": ";
    if (!m_context)
        throw DriveLinkError(where + "the link is down (" + m_linkFailure + ")");
    ++m_requests[static_cast<int>(kind)];
    errno = 0;
    if (send(m_context) != -1)
        return;
    const int error = errno;
    const std::string message = where + modbus_strerror(error);
    if (isModbusException(error))
        throw Refused(message);
    // A late or garbled answer would be taken for the next one: the link is closed.
    loseLink(message);
    throw DriveLinkError(message);
}

void ModbusDrive::readRegisters(int address, int count, std::uint16_t* into,
                                const std::string& doing)
{
    for (int done = 0; done < count; done += kMaxReadRegisters) {
        const int part = std::min(kMaxReadRegisters, count - done);
        request(Request::Read, doing, "from", [&](modbus_t* context) {
            return modbus_read_registers(context, address + done, part, into + done);
        });
    }
}

void ModbusDrive::writeRegisters(const Run& run, const std::vector<std::uint16_t>& registers,
                                 const std::string& doing)
{
    request(Request::Write, doing, "to", [&](modbus_t* context) {
        return modbus_write_registers(context, run.address(), static_cast<int>(registers.size()),
                                      registers.data());
    });
}

const std::vector<std::uint16_t>& ModbusDrive::registersOf(const Slot& slot)
{
    const auto kept = m_kept.find(slot.number);
    if (kept != m_kept.end())
        return kept->second;
    std::vector<std::uint16_t> registers(static_cast<size_t>(slot.end() - slot.address));
    readRegisters(slot.address, static_cast<int>(registers.size()), registers.data(),
                  "reading parameter " + std::to_string(slot.number));
    ++m_parametersRead;
    if (m_progressObserver)
        m_progressObserver(m_parametersRead);
    return m_kept[slot.number] = std::move(registers);
}

void ModbusDrive::forgetValues()
{
    m_kept.clear();
    m_parametersRead = 0;
    m_partlyWritten = false;
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

size_t ModbusDrive::callCount(const std::string& operation) const
{
    const auto it = m_callCounts.find(operation);
    return it == m_callCounts.end() ? 0 : it->second;
}

void ModbusDrive::resetCounts()
{
    m_callCount = 0;
    m_callCounts.clear();
    m_requests[0] = m_requests[1] = 0;
}

// --- calls ---

void ModbusDrive::enter(const char* operation)
{
    ++m_callCount;
    ++m_callCounts[operation];
    m_operation = operation;
}

void ModbusDrive::refuse(const std::string& reason)
{
    m_lastRefusal = m_operation + ": " + reason;
    if (m_operation == "WriteParameterValues" && m_writeRefusalObserver)
        m_writeRefusalObserver(m_lastRefusal);
    throw DriveRefusal(m_lastRefusal);
}

template <typename Answer>
auto ModbusDrive::fromProfile(const char* operation, Answer answer) -> decltype(answer())
{
    enter(operation);
    try {
        return answer();
    } catch (const DriveRefusal& refused) {
        m_lastRefusal = refused.what();
        throw;
    }
}

const Slot& ModbusDrive::locate(const std::string& numberText, long index, long& element)
{
    unsigned long number = 0;
    const auto read =
        std::from_chars(numberText.data(), numberText.data() + numberText.size(), number);
    if (numberText.empty() || read.ec != std::errc() ||
        read.ptr != numberText.data() + numberText.size()) {
        refuse("\"" + numberText + "\" is not a parameter number");
    }
    std::string reason;
    if (!m_profile.elementOf(number, index, element, reason))
        refuse(reason);
    const Slot* slot = m_map.slotOf(number);
    if (!slot)
        refuse("parameter " + numberText + " has no register in the profile");
    return *slot;
}

std::string ModbusDrive::GetParameterName(const std::string& number)
{
    return fromProfile("GetParameterName", [&] { return m_profile.GetParameterName(number); });
}

int ModbusDrive::ReadParameterValue(const std::string& number, int index, std::string& value,
                                    const std::string& setup)
{
    enter("ReadParameterValue");
    if (setup != SimulatedDrive::kSetupName)
        refuse("no setup \"" + setup + "\"");
    long element = -1;
    const Slot& slot = locate(number, index, element);
    const bool wasUp = linkUp();
    try {
        const std::vector<std::uint16_t>& registers = registersOf(slot);
        value = modbusmap::decodeValue(slot, m_map.wordOrder,
                                       registers.data() + (element < 0 ? 0 : element) *
                                                              static_cast<long>(slot.width));
        return 1;
    } catch (const Refused& refused) {
        refuse(refused.what());
    } catch (const DriveLinkError& lost) {
        m_lastRefusal = m_operation + ": " + lost.what();
        if (wasUp && m_linkFailureObserver)
            m_linkFailureObserver(m_linkFailure, false);
        throw;
    }
}

int ModbusDrive::WriteParameterValues(const std::vector<std::string>& identifiers,
                                      const std::vector<std::string>& values,
                                      const std::string& setup, int /*flag*/)
{
    enter("WriteParameterValues");
    m_partlyWritten = false;
    if (setup != SimulatedDrive::kSetupName)
        refuse("no setup \"" + setup + "\"");
    if (identifiers.size() != values.size()) {
        refuse(std::to_string(identifiers.size()) + " identifiers but " +
               std::to_string(values.size()) + " values");
    }
    std::vector<Run> runs = runsFor(identifiers, values);
    const bool wasUp = linkUp();
    try {
        writeRuns(runs);
    } catch (const DriveLinkError& lost) {
        m_lastRefusal = m_operation + ": " + lost.what();
        if (wasUp && m_linkFailureObserver)
            m_linkFailureObserver(m_linkFailure, m_partlyWritten);
        if (m_writeRefusalObserver)
            m_writeRefusalObserver(m_lastRefusal);
        throw;
    }
    return 1;
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
        const size_t dot = identifier.find('.');
        long index = -1;
        if (dot != std::string::npos) {
            const char* end = identifier.data() + identifier.size();
            const auto read = std::from_chars(identifier.data() + dot + 1, end, index);
            if (dot + 1 == identifier.size() || read.ec != std::errc() || read.ptr != end ||
                index < 0) {
                refuse("\"" + identifier + "\" is not a parameter identifier");
            }
        }
        long element = -1;
        const Slot& slot = locate(identifier.substr(0, dot), index, element);
        std::string stored, reason;
        std::vector<std::uint16_t> registers(static_cast<size_t>(slot.width));
        if (!m_profile.accepts(slot.number, values[i], stored, reason) ||
            !modbusmap::encodeValue(slot, m_map.wordOrder, stored, registers.data(), reason)) {
            refuse(identifier + ": " + reason);
        }
        if (!written.count(&slot))
            order.push_back(&slot);
        written[&slot][static_cast<unsigned long>(std::max(element, 0L))] = std::move(registers);
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
                runs.push_back(Run{slot, element, {}, {}});
            runs.back().registers.insert(runs.back().registers.end(), registers.begin(),
                                         registers.end());
        }
    }
    return runs;
}

void ModbusDrive::writeRuns(std::vector<Run>& runs)
{
    // What the drive holds where the runs go, to write back when one is refused.
    try {
        for (Run& run : runs) {
            const std::vector<std::uint16_t>& registers = registersOf(*run.slot);
            const auto from = registers.begin() + (run.address() - run.slot->address);
            run.before.assign(from, from + static_cast<long>(run.registers.size()));
        }
    } catch (const Refused& refused) {
        refuse(refused.what());
    }

    size_t applied = 0; // runs the drive took (or may have taken)
    std::string failure;
    try {
        for (Run& run : runs) {
            const std::string what = run.what(m_profile.indexBase());
            m_kept.erase(run.slot->number);
            writeRegisters(run, run.registers, "writing " + what);
            ++applied;
            std::vector<std::uint16_t> readBack(run.registers.size());
            readRegisters(run.address(), static_cast<int>(readBack.size()), readBack.data(),
                          "reading back " + what);
            if (readBack != run.registers) {
                throw Refused("reading back " + what + " from " + m_address.text +
                              ": the drive holds other values than were written");
            }
        }
        return;
    } catch (const Refused& refused) {
        failure = refused.what();
    } catch (const DriveLinkError&) {
        // What the drive took cannot be written back any more.
        m_partlyWritten = applied > 0 && applied < runs.size();
        throw;
    }

    std::string restoreFailure;
    if (!restore(runs, applied, restoreFailure)) {
        m_partlyWritten = true;
        if (!linkUp())
            throw DriveLinkError(failure + "; then " + restoreFailure);
        refuse(failure + "; then " + restoreFailure +
               "; the drive may hold a partly written change");
    }
    refuse(failure);
}

bool ModbusDrive::restore(const std::vector<Run>& runs, size_t count, std::string& failure)
{
    bool restored = true;
    for (size_t i = count; i-- > 0;) {
        try {
            writeRegisters(runs[i], runs[i].before,
                           "writing back " + runs[i].what(m_profile.indexBase()));
        } catch (const Refused& refused) {
            failure = refused.what();
            restored = false;
        } catch (const DriveLinkError& lost) {
            failure = lost.what();
            return false;
        }
    }
    return restored;
}

std::vector<std::string> ModbusDrive::GetChoiceList(const std::string& identifier)
{
    return fromProfile("GetChoiceList", [&] { return m_profile.GetChoiceList(identifier); });
}

unsigned long ModbusDrive::GetElementCount(const std::string& number)
{
    return fromProfile("GetElementCount", [&] { return m_profile.GetElementCount(number); });
}

int ModbusDrive::GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                                        std::string& maximum, std::string& unit,
                                        std::string& decimals)
{
    return fromProfile("GetParameterAttributes", [&] {
        return m_profile.GetParameterAttributes(number, index, minimum, maximum, unit, decimals);
    });
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
    return fromProfile("RegisterParameters", [&] { return m_profile.RegisterParameters(numbers); });
}

std::string ModbusDrive::GetLanguage()
{
    return fromProfile("GetLanguage", [&] { return m_profile.GetLanguage(); });
}

int ModbusDrive::GetIndexBase()
{
    return fromProfile("GetIndexBase", [&] { return m_profile.GetIndexBase(); });
}
