#pragma once

#include "HostDrive.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// A drive between the plug-in (or the host) and a real one: every call of the
// host's parameter interface goes on to the wrapped drive, counted, and may be
// made to fail or to take time. Hand it to the plug-in in place of the drive.
class InterceptedDrive : public HostDrive
{
public:
    // How a call delay is spent.
    enum class Delay
    {
        Counted, // added to simulatedDelay() only: the call answers at once
        Slept,   // slept before the call answers, and the time slept added
    };

    explicit InterceptedDrive(HostDrive& drive) : m_drive(drive) {}
    HostDrive& drive() { return m_drive; }

    // --- calls since the last resetCalls, all and by operation name ---
    size_t callCount() const { return m_callCount; }
    size_t callCount(const std::string& operation) const;
    void resetCalls();

    // --- failures: DriveRefusal "<operation>: simulated failure of call <n>",
    // thrown before the call reaches the drive (told as a refused write is) ---
    // The call with this 1-based number (since the last resetCalls) fails; 0: none.
    void failAtCall(size_t callNumber) { m_failAt = callNumber; }
    // Every call of the operation with this name (e.g. "GetChoiceList") fails.
    void failOperation(const std::string& operation) { m_failingOperation = operation; }
    void stopFailing();

    // --- time: every call takes `delay` more, as over a slow line ---
    void setCallDelay(std::chrono::microseconds delay, Delay how = Delay::Counted)
    {
        m_callDelay = delay;
        m_delay = how;
    }
    // The delay of the calls since the last resetCalls.
    std::chrono::nanoseconds simulatedDelay() const { return m_simulatedDelay; }

    // --- HostDrive ---
    std::string location() const override { return m_drive.location(); }
    const std::string& driveType() const override { return m_drive.driveType(); }
    const std::string& aocVersion() const override { return m_drive.aocVersion(); }
    const std::string& databaseVersion() const override { return m_drive.databaseVersion(); }
    const std::string& readOnlyReason() const override { return m_drive.readOnlyReason(); }
    void setLanguage(const std::string& language) override { m_drive.setLanguage(language); }
    // The reason of the last call that failed, the drive's or a simulated one.
    const std::string& lastRefusal() const override { return m_lastRefusal; }
    void setWriteRefusalObserver(std::function<void(const std::string&)> observer) override;
    void forgetValues() override { m_drive.forgetValues(); }
    std::string readFailure() const override { return m_drive.readFailure(); }
    WriteOutcome lastWrite() const override { return m_drive.lastWrite(); }

    // --- IExtParamInterface ---
    std::string GetParameterName(const std::string& number) override;
    int ReadParameterValue(const std::string& number, int index, std::string& value,
                           const std::string& setup) override;
    int WriteParameterValues(const std::vector<std::string>& identifiers,
                             const std::vector<std::string>& values, const std::string& setup,
                             int flag) override;
    std::vector<std::string> GetChoiceList(const std::string& identifier) override;
    unsigned long GetElementCount(const std::string& number) override;
    int GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                               std::string& maximum, std::string& unit,
                               std::string& decimals) override;
    int GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                         std::string& dbVersion) override;
    int RegisterParameters(const std::vector<std::string>& numbers) override;
    std::string GetLanguage() override;
    int GetIndexBase() override;

private:
    // Counts the call, spends its delay, fails it when chosen, and passes it on.
    template <typename Call> auto pass(const char* operation, Call call) -> decltype(call());

    HostDrive& m_drive;
    std::string m_lastRefusal;
    std::function<void(const std::string&)> m_writeRefusalObserver;
    size_t m_failAt = 0;
    std::string m_failingOperation;
    std::chrono::microseconds m_callDelay{0};
    Delay m_delay = Delay::Counted;
    std::chrono::nanoseconds m_simulatedDelay{0};
    size_t m_callCount = 0;
    std::map<std::string, size_t> m_callCounts;
};

} // namespace testsupport
