#include "support/InterceptedDrive.h"

#include "SimulatedDrive.h"

#include <thread>

namespace testsupport {

size_t InterceptedDrive::callCount(const std::string& operation) const
{
    const auto it = m_callCounts.find(operation);
    return it == m_callCounts.end() ? 0 : it->second;
}

void InterceptedDrive::resetCalls()
{
    m_callCount = 0;
    m_callCounts.clear();
    m_simulatedDelay = std::chrono::nanoseconds(0);
}

void InterceptedDrive::stopFailing()
{
    m_failAt = 0;
    m_failingOperation.clear();
}

void InterceptedDrive::setWriteRefusalObserver(std::function<void(const std::string&)> observer)
{
    m_writeRefusalObserver = observer;
    m_drive.setWriteRefusalObserver(std::move(observer));
}

template <typename Call>
auto InterceptedDrive::pass(const char* operation, Call call) -> decltype(call())
{
    ++m_callCount;
    ++m_callCounts[operation];
    if (m_callDelay.count() > 0 && m_delay == Delay::Slept) {
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(m_callDelay);
        m_simulatedDelay += std::chrono::steady_clock::now() - start;
    } else {
        m_simulatedDelay += m_callDelay;
    }
    if (m_callCount == m_failAt || m_failingOperation == operation) {
        m_lastRefusal =
            std::string(operation) + ": simulated failure of call " + std::to_string(m_callCount);
        if (std::string(operation) == "WriteParameterValues" && m_writeRefusalObserver)
            m_writeRefusalObserver(m_lastRefusal);
        throw DriveRefusal(m_lastRefusal);
    }
    try {
        return call();
    } catch (...) {
        m_lastRefusal = m_drive.lastRefusal();
        throw;
    }
}

std::string InterceptedDrive::GetParameterName(const std::string& number)
{
    return pass("GetParameterName", [&] { return m_drive.GetParameterName(number); });
}

int InterceptedDrive::ReadParameterValue(const std::string& number, int index, std::string& value,
                                         const std::string& setup)
{
    return pass("ReadParameterValue",
                [&] { return m_drive.ReadParameterValue(number, index, value, setup); });
}

int InterceptedDrive::WriteParameterValues(const std::vector<std::string>& identifiers,
                                           const std::vector<std::string>& values,
                                           const std::string& setup, int flag)
{
    return pass("WriteParameterValues",
                [&] { return m_drive.WriteParameterValues(identifiers, values, setup, flag); });
}

std::vector<std::string> InterceptedDrive::GetChoiceList(const std::string& identifier)
{
    return pass("GetChoiceList", [&] { return m_drive.GetChoiceList(identifier); });
}

unsigned long InterceptedDrive::GetElementCount(const std::string& number)
{
    return pass("GetElementCount", [&] { return m_drive.GetElementCount(number); });
}

int InterceptedDrive::GetParameterAttributes(const std::string& number, int index,
                                             std::string& minimum, std::string& maximum,
                                             std::string& unit, std::string& decimals)
{
    return pass("GetParameterAttributes", [&] {
        return m_drive.GetParameterAttributes(number, index, minimum, maximum, unit, decimals);
    });
}

int InterceptedDrive::GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                                       std::string& dbVersion)
{
    return pass("GetDriveIdentity",
                [&] { return m_drive.GetDriveIdentity(driveName, aocVersion, dbVersion); });
}

int InterceptedDrive::RegisterParameters(const std::vector<std::string>& numbers)
{
    return pass("RegisterParameters", [&] { return m_drive.RegisterParameters(numbers); });
}

std::string InterceptedDrive::GetLanguage()
{
    return pass("GetLanguage", [&] { return m_drive.GetLanguage(); });
}

int InterceptedDrive::GetIndexBase()
{
    return pass("GetIndexBase", [&] { return m_drive.GetIndexBase(); });
}

} // namespace testsupport
