#pragma once

#include "DriveAddress.h"
#include "HostDrive.h"
#include "RegisterMap.h"
#include "SimulatedDrive.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

struct _modbus;

// The link to a drive cannot be used: it cannot be made, it was lost, the drive
// did not answer in time or answered nonsense, or it is another drive than the
// profile describes. what() names the address and what was being done.
class DriveLinkError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A drive reached over Modbus TCP or RTU (libmodbus), behind the host's
// parameter interface.
//
// Profile: what a drive does not tell over Modbus (parameter names, element
// counts, choice lists, limits, units, decimals, index base, language) and where
// it keeps each parameter comes from a profile, a drive image of the drive's type
// with a register map (see SimulatedDrive.h and RegisterMap.h); its values are
// never used.
//
// Identification: on connecting, the drive's identification registers are read;
// a drive of another type than the profile's is refused (DriveLinkError naming
// both). GetDriveIdentity answers what the drive told.
//
// Reads: reading one element of a parameter fetches the whole parameter in one
// request (several when it spans more than 125 registers) and keeps it; later
// reads of that parameter are answered from what was kept, until the host writes
// the parameter or forgetValues() is called (a refresh).
//
// Writes: WriteParameterValues checks every entry against the profile (element,
// choice list, limits) and encodes it before anything is sent; an entry that
// fails is refused and nothing is written. The entries then go per parameter, one
// "write multiple registers" request for each run of consecutive elements (the
// last value of an element written twice wins). Each request is read back once;
// a read-back that differs counts as a refusal. When a request is refused, the
// requests of the same call that went through are written back to the values they
// had before (read before writing when not kept), so that the drive holds either
// all of a call or none of it; then the refusal is reported as SimulatedDrive
// reports one: the write refusal observer, then DriveRefusal. When the restore
// itself fails, or the link is lost after some but not all requests of a call
// went through, mayBePartlyWritten() says so until the next write or
// forgetValues().
//
// Failures: every request waits at most the timeout for its answer. A Modbus
// exception from the drive is a refusal (DriveRefusal) and the link stays up. A
// lost connection, a timeout or a garbled answer closes the link: the failure is
// told once to the link failure observer and thrown as DriveLinkError, and every
// later call that needs the drive fails at once with the same reason, without
// waiting, until the host connects anew (a new ModbusDrive). Every message has the
// form "<what was being done> from|to <address>: <reason>", e.g. "reading
// parameter 1301 from tcp://127.0.0.1:40123: Connection timed out".
class ModbusDrive final : public HostDrive
{
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{1000};
    // The most registers one read request carries.
    static constexpr int kMaxReadRegisters = 125;
    static constexpr int kMaxWriteRegisters = 123;

    enum class Request
    {
        Read,  // function 3, read holding registers
        Write, // function 16, write multiple registers
    };

    // Reads the profile, connects to the drive and reads its identification.
    // Throws DriveAddressError for a malformed address, DriveImageError for a
    // profile that cannot be used (or has no register map), DriveLinkError when
    // the drive cannot be reached or is of another type.
    ModbusDrive(const std::string& address, const std::string& profilePath,
                std::chrono::milliseconds timeout = kDefaultTimeout);
    ~ModbusDrive() override;
    ModbusDrive(const ModbusDrive&) = delete;
    ModbusDrive& operator=(const ModbusDrive&) = delete;

    const std::string& address() const { return m_address.text; }
    const std::string& profilePath() const { return m_profile.imagePath(); }
    std::chrono::milliseconds timeout() const { return m_timeout; }
    // Whether the link is up; when it is not, why it went down.
    bool linkUp() const { return m_context != nullptr; }
    const std::string& linkFailure() const { return m_linkFailure; }
    // Whether the last write left the drive with only part of what it was to write.
    bool mayBePartlyWritten() const { return m_partlyWritten; }

    // Called after each parameter fetched from the drive with the number fetched
    // since connecting or the last forgetValues(): the progress of a long read.
    void setProgressObserver(std::function<void(size_t parametersRead)> observer)
    {
        m_progressObserver = std::move(observer);
    }
    // Called once when the link goes down, with the reason and whether the drive
    // may hold a partly written change.
    void
    setLinkFailureObserver(std::function<void(const std::string&, bool partlyWritten)> observer)
    {
        m_linkFailureObserver = std::move(observer);
    }

    // --- counts since connecting or the last resetCounts, for benchmarks ---
    size_t requestCount() const;
    size_t requestCount(Request kind) const;
    // Calls of the host's parameter interface, all and by operation name.
    size_t callCount() const { return m_callCount; }
    size_t callCount(const std::string& operation) const;
    void resetCounts();

    // --- HostDrive ---
    std::string location() const override { return m_address.text; }
    const std::string& driveType() const override { return m_driveType; }
    const std::string& aocVersion() const override { return m_aocVersion; }
    const std::string& databaseVersion() const override { return m_databaseVersion; }
    const std::string& readOnlyReason() const override { return m_noReason; }
    void setLanguage(const std::string& language) override { m_profile.setLanguage(language); }
    const std::string& lastRefusal() const override { return m_lastRefusal; }
    void setWriteRefusalObserver(std::function<void(const std::string&)> observer) override
    {
        m_writeRefusalObserver = std::move(observer);
    }
    void forgetValues() override;

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
    // A Modbus exception: the drive answered, and refused.
    class Refused : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    // Consecutive elements of one parameter, written in one request.
    struct Run
    {
        const modbusmap::Slot* slot = nullptr;
        unsigned long first = 0; // the first element
        std::vector<std::uint16_t> registers;
        std::vector<std::uint16_t> before; // what the drive held there
        int address() const { return slot->elementAddress(first); }
        // "parameter 1301 elements 2 to 4" (host indexes)
        std::string what(int indexBase) const;
    };

    void connect();
    void readIdentification();
    // Closes the link for good with this reason; tells the observer once.
    void loseLink(const std::string& reason);
    // Sends one request (`send` returns libmodbus's answer); throws Refused for a
    // Modbus exception, DriveLinkError for anything else (the link is closed).
    void request(Request kind, const std::string& doing, const char* preposition,
                 const std::function<int(struct _modbus*)>& send);
    void readRegisters(int address, int count, std::uint16_t* into, const std::string& doing);
    void writeRegisters(const Run& run, const std::vector<std::uint16_t>& registers,
                        const std::string& doing);
    // The registers of the whole parameter, fetched when not kept.
    const std::vector<std::uint16_t>& registersOf(const modbusmap::Slot& slot);

    // Counts the call and notes its name for refusal texts.
    void enter(const char* operation);
    // Records the reason, tells the write refusal observer (for a write) and throws DriveRefusal.
    [[noreturn]] void refuse(const std::string& reason);
    // Runs a call that answers from the profile; a refusal there is this drive's.
    template <typename Answer>
    auto fromProfile(const char* operation, Answer answer) -> decltype(answer());
    // The parameter a number text names and its element for a host index.
    const modbusmap::Slot& locate(const std::string& numberText, long index, long& element);
    std::vector<Run> runsFor(const std::vector<std::string>& identifiers,
                             const std::vector<std::string>& values);
    void writeRuns(std::vector<Run>& runs);
    // Writes back what the first `count` runs replaced; false when that failed.
    bool restore(const std::vector<Run>& runs, size_t count, std::string& failure);

    DriveAddress m_address;
    SimulatedDrive m_profile;
    const modbusmap::Map& m_map;
    std::chrono::milliseconds m_timeout;
    struct _modbus* m_context = nullptr;
    std::string m_linkFailure;
    bool m_partlyWritten = false;
    std::string m_driveType, m_aocVersion, m_databaseVersion;
    const std::string m_noReason;
    std::map<unsigned long, std::vector<std::uint16_t>> m_kept; // by parameter number
    size_t m_parametersRead = 0;

    std::string m_lastRefusal;
    std::string m_operation;
    std::function<void(const std::string&)> m_writeRefusalObserver;
    std::function<void(size_t)> m_progressObserver;
    std::function<void(const std::string&, bool)> m_linkFailureObserver;

    size_t m_callCount = 0;
    std::map<std::string, size_t> m_callCounts;
    size_t m_requests[2] = {0, 0};
};
