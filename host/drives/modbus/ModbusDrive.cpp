#include "ModbusDrive.h"

#include "HostText.h"

#include <charconv>

// The drive's parameters: the profile's answers, values read and kept per
// parameter, the checks of a value before it is sent. The link is
// ModbusLink.cpp's, a write call's download ModbusDownload.cpp's.

using modbusmap::Slot;

namespace {

using hosttext::fill;

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(ModbusDrive)
};

} // namespace

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

// --- calls ---

void ModbusDrive::refuse(const std::string& reason, const std::string& brief)
{
    m_lastRefusal = m_operation + ": " + reason;
    m_refusalShort = brief;
    if (m_operation == "WriteParameterValues" && m_writeRefusalObserver)
        m_writeRefusalObserver(m_lastRefusal);
    throw DriveRefusal(m_lastRefusal);
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
