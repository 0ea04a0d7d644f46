#pragma once

#include "DriveAddress.h"
#include "DriveImage.h"
#include "HostDrive.h"
#include "RegisterMap.h"

#include <atomic>
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
class DriveLinkError : public HostError
{
public:
    using HostError::HostError;
};

// A drive reached over Modbus TCP or RTU, behind the host's parameter interface.
// libmodbus makes the connection (name resolution, the serial line's settings);
// the requests and answers are framed by ModbusFrame.h and exchanged here, each
// within its own deadline. The drive's calls are in ModbusDrive.cpp, a write
// call's download in ModbusDownload.cpp, the link in ModbusLink.cpp.
//
// Profile: what a drive does not tell over Modbus (parameter names, element
// counts, choice lists, limits, units, decimals, index base, language) and where
// it keeps each parameter comes from a profile, a drive image of the drive's type
// with a register map (see DriveImage.h and RegisterMap.h), and the image
// answers those calls as it does for a drive image file; its values are never
// used.
//
// Identification: on connecting, the drive's identification registers are read;
// a drive of another type than the profile's is refused (DriveLinkError naming
// both). GetDriveIdentity answers what the drive told.
//
// Reads: reading one element of a parameter fetches the whole parameter in one
// request (several when it spans more than 125 registers, split between
// elements) and keeps it; later reads of that parameter are answered from what
// was kept, until the host writes the parameter or forgetValues() is called (a
// refresh). The first read that fails since connecting or forgetValues() is
// kept (readFailure()), so that a value the plug-in took as a default is never
// shown, checked or filed as the drive's. prefetch() fetches whole parameters
// ahead (the program, on the link thread), so that the plug-in's reads that
// follow ask the drive for nothing.
//
// Writes are downloads, read back. WriteParameterValues checks every entry
// against the profile (element, choice list, limits) and encodes it before
// anything is sent; an entry that fails is refused and nothing is written. The
// entries then go per parameter, one "write multiple registers" request for each
// run of consecutive elements (the last value of an element written twice
// wins), and each request is read back; what is read back is kept as the
// parameter's values, so that the plug-in's reading the parameter again after
// its write asks the drive for nothing.
// - A request the drive refuses (a Modbus exception, or a read-back that
//   differs) makes the call whole or nothing: the requests that went through are
//   written back to what they replaced, and the refusal is reported as
//   SimulatedDrive reports one (the write refusal observer, then DriveRefusal).
// - A request without an answer (the connection lost, no answer in time, a
//   garbled one) may have been taken. The link is made anew (up to kConnectTries tries, short
//   pauses between), every run of the call is read back, and what still
//   differs is written again (writes are idempotent), up to kMostLosses losses a
//   call. The call returns only when the drive was read back holding all of it.
// Otherwise lastWrite() tells what the drive holds: what it held before, a
// partly written change naming the parameters that differ, or, when it could
// not be read back, which parameters may differ; writeAgain() tries the same
// call once more. A partly written drive is as good a target as any: writing
// the same again finishes the job.
//
// Failures: one deadline, the timeout, bounds each whole answer however it
// arrives (a byte at a time, or after a stale answer). A Modbus exception from
// the drive is a refusal (DriveRefusal) and the link stays up. A lost
// connection, a timeout or a garbled answer closes the link, since a late answer
// would be taken for the next one (a write makes it anew, above). A link that
// stays down is told once to the link failure observer and thrown as
// DriveLinkError, and every later call that needs the drive fails at once with
// the same reason, without waiting and writing nothing, until the host connects
// anew (a new ModbusDrive, or writeAgain()). Every message has the form "<what was being
// done> from|to <address>: <reason>", e.g. "reading parameter 1301 from
// tcp://127.0.0.1:40123: timed out: no answer within 1000 ms"; a timeout names
// the milliseconds waited. Messages are composed through Qt's translation
// (HostText.h), a Modbus exception's meaning too (exceptionMeaning()).
//
// Threads: a ModbusDrive is used by the one thread that owns it (a document's
// link thread, which serves everything asked of the drive in order, so that
// nothing comes between a write's requests); its observers are called on that
// thread. linkUp() and the request counts may be asked on any thread;
// linkFailure() tells the reason once linkUp() is false.
class ModbusDrive final : public HostDrive
{
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{1000};
    // The most registers one read request carries.
    static constexpr int kMaxReadRegisters = 125;
    static constexpr int kMaxWriteRegisters = 123;
    // Tries to make a lost link anew during a write, and lost links a write call survives.
    static constexpr int kConnectTries = 3;
    static constexpr int kMostLosses = 3;

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
    const std::string& profilePath() const { return m_profilePath; }
    // The database version the profile describes (the drive's own is databaseVersion()).
    const std::string& profileDatabaseVersion() const { return m_profile.databaseVersion; }
    std::chrono::milliseconds timeout() const { return m_timeout; }
    // Whether the link is up; when it is not, why it went down.
    bool linkUp() const { return m_context.load() != nullptr; }
    const std::string& linkFailure() const { return m_linkFailure; }
    // Writes what the last write call asked for once more, making the link anew
    // when it is down; as WriteParameterValues, it returns only when the drive
    // holds all of it. Throws DriveRefusal when there was no write call.
    void writeAgain();
    // Fetches every parameter of `numbers` whole and keeps it, as a read of one
    // of its elements does (it is no call of the host's parameter interface). `stop` is asked
    // before every request after the first: when it says so, the fetch stops
    // there and answers false (the parameters fetched so far are kept). A read
    // that fails throws as ReadParameterValue does (readFailure() tells it).
    bool prefetch(const std::vector<std::string>& numbers, const std::function<bool()>& stop = {});

    // Where the profile keeps the drive's parameters and controller blocks.
    const modbusmap::Map& registerMap() const { return m_map; }

    // What a Modbus exception code means, as libmodbus words it in English
    // ("Illegal data value" for 3), translated for the codes a drive answers
    // (1 to 4, 6 and 11).
    static std::string exceptionMeaning(int code);

    // Holding registers read or written as they are (the controller's status
    // and input blocks). A Modbus exception is a failure that leaves the link up
    // (nothing is recorded as a refusal); an exchange that fails closes the link
    // as any request does and tells the link failure observer. False with
    // `failure` ("<doing> from|to <address>: <reason>").
    bool readHoldingRegisters(int address, int count, std::uint16_t* into, const std::string& doing,
                              std::string& failure);
    bool writeHoldingRegisters(int address, const std::vector<std::uint16_t>& registers,
                               const std::string& doing, std::string& failure);

    // Called after each parameter fetched from the drive with the number fetched
    // since connecting or the last forgetValues(): the progress of a long read.
    void setProgressObserver(std::function<void(size_t parametersRead)> observer)
    {
        m_progressObserver = std::move(observer);
    }
    // Called once when the link goes down for good, with the reason and whether
    // the drive may hold a partly written change (lastWrite()).
    void
    setLinkFailureObserver(std::function<void(const std::string&, bool partlyWritten)> observer)
    {
        m_linkFailureObserver = std::move(observer);
    }
    // Called with true before a write call sends anything and with false when
    // it is over, however it ended: the host shows that it waits for the drive.
    void setWriteBusyObserver(std::function<void(bool busy)> observer)
    {
        m_writeBusyObserver = std::move(observer);
    }

    // --- Modbus requests sent since connecting or the last resetCounts ---
    size_t requestCount() const;
    size_t requestCount(Request kind) const;
    void resetCounts();

    // --- HostDrive ---
    std::string location() const override { return m_address.text; }
    const std::string& driveType() const override { return m_driveType; }
    const std::string& aocVersion() const override { return m_aocVersion; }
    const std::string& databaseVersion() const override { return m_databaseVersion; }
    const std::string& readOnlyReason() const override { return m_noReason; }
    void setLanguage(const std::string& language) override { m_language = language; }
    const std::string& lastRefusal() const override { return m_lastRefusal; }
    // "link lost", or the meaning of the Modbus exception the drive answered, or
    // "other values read back".
    std::string refusalShort() const override { return m_refusalShort; }
    void setWriteRefusalObserver(std::function<void(const std::string&)> observer) override
    {
        m_writeRefusalObserver = std::move(observer);
    }
    void forgetValues() override;
    std::string readFailure() const override { return m_readFailure; }
    WriteOutcome lastWrite() const override { return m_lastWrite; }
    // What the drive refused during the last write call: the elements of the
    // request it refused, as the call named them ("1301.2", "1306"), and why in
    // a few words ("Illegal data value", "other values read back"). Empty when
    // it refused none of the values (the call was done, failed before anything
    // was sent, or only lost the link): then writing the same again can finish
    // what the call left undone; otherwise not while the drive refuses them.
    struct Refusal
    {
        std::vector<std::string> elements;
        std::string reason;
    };
    const Refusal& lastWriteRefusal() const { return m_writeRefusal; }
    // As the profile takes the value, and when its registers hold it.
    bool accepts(unsigned long number, const std::string& text, std::string& stored,
                 std::string& reason) const override;

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
    // A Modbus exception (or a read-back that differs): the drive answered, and
    // refused; `meaning` in a few words (refusalShort()).
    class Refused : public std::runtime_error
    {
    public:
        Refused(const std::string& what, std::string meaning)
            : std::runtime_error(what), meaning(std::move(meaning))
        {}
        std::string meaning;
    };
    // A prefetch told to stop before its next request.
    struct Stopped
    {};

    // Consecutive elements of one parameter, written in one request.
    struct Run
    {
        enum class Holds
        {
            Before, // what it held before the call
            Asked,  // what the call asks for
            Unsure, // a request went without an answer
            Other,  // read back: neither
        };
        const modbusmap::Slot* slot = nullptr;
        unsigned long first = 0; // the first element
        std::vector<std::uint16_t> registers;
        std::vector<std::uint16_t> before; // what the drive held there; empty: not read yet
        Holds holds = Holds::Before;
        int address() const { return slot->elementAddress(first); }
        // "parameter 1301 elements 2 to 4" (host indexes)
        std::string what(int indexBase) const;
        // What the registers read there say the run holds.
        Holds holding(const std::vector<std::uint16_t>& read) const;
        // Its elements as a write call names them: "1301.2" (host indexes), "1306".
        std::vector<std::string> elements(int indexBase) const;
    };

    void connect();
    void readIdentification();
    // Closes the link with this reason.
    void loseLink(const std::string& reason);
    // Sends one request (function and data) and returns the answer's data within
    // the deadline; throws Refused for a Modbus exception, DriveLinkError for
    // anything else (the link is closed).
    std::vector<std::uint8_t> request(Request kind, const std::string& doing,
                                      const std::vector<std::uint8_t>& pdu);
    // "<doing> from|to <address>: <reason>" (a read or a write).
    std::string told(Request kind, const std::string& doing, const std::string& reason) const;
    // Why an answer did not come: "timed out: no answer within <timeout> ms".
    std::string noAnswer() const;
    // One request's frame out and its answer's PDU back; false with `reason`.
    bool exchange(const std::vector<std::uint8_t>& pdu, std::vector<std::uint8_t>& answer,
                  std::string& reason);
    void readRegisters(int address, int count, int width, std::uint16_t* into,
                       const std::string& doing);
    void writeRegisters(const Run& run, const std::vector<std::uint16_t>& registers,
                        const std::string& doing);
    void writeRegisters(int address, const std::vector<std::uint16_t>& registers,
                        const std::string& doing);
    // Runs an exchange of readHoldingRegisters or writeHoldingRegisters.
    template <typename Exchange> bool holdingRegisters(Exchange exchange, std::string& failure);
    // The registers of the whole parameter, fetched when not kept.
    const std::vector<std::uint16_t>& registersOf(const modbusmap::Slot& slot);
    // Runs a read of the drive's values, noting the first that fails
    // (readFailure()) and telling a link that goes down.
    template <typename Read> int reading(Read read);

    // Notes the operation being answered, for refusal texts.
    void enter(const char* operation) { m_operation = operation; }
    // Records the reason (and its few words, `brief`), tells the write refusal
    // observer (for a write) and throws DriveRefusal.
    [[noreturn]] void refuse(const std::string& reason, const std::string& brief = {});
    // Asks the profile; a question it has no answer to is this drive's refusal.
    template <typename Question> auto ask(Question question) -> decltype(question());
    // The registers of the parameter a number text names and the position of the
    // element a host index names in them (0 for a single value).
    const modbusmap::Slot& locate(const std::string& numberText, long index, size_t& element);
    // The value text as the drive keeps it and in registers (accepts()).
    bool encode(unsigned long number, const std::string& text, std::string& stored,
                std::vector<std::uint16_t>& registers, std::string& reason) const;
    std::vector<Run> runsFor(const std::vector<std::string>& identifiers,
                             const std::vector<std::string>& values);
    // The download of m_runs (see the class comment); throws what the call fails with.
    void download();
    // Writes `registers` (what the call asks for, or what was there before) and
    // reads them back into the parameter's kept values; throws Refused when the
    // drive refuses or holds other values.
    void put(Run& run, const std::vector<std::uint16_t>& registers);
    // Makes the link anew and reads every run back; false when that failed.
    bool reconnectAndReadBack();
    WriteOutcome outcome() const;

    DriveAddress m_address;
    std::string m_profilePath;
    DriveImage m_profile;
    const modbusmap::Map& m_map;
    std::string m_language; // GetLanguage's answer
    std::chrono::milliseconds m_timeout;
    std::atomic<struct _modbus*> m_context{nullptr};
    int m_socket = -1;
    std::uint16_t m_transaction = 0;
    std::string m_linkFailure;
    std::vector<Run> m_runs; // the last write call's
    WriteOutcome m_lastWrite;
    Refusal m_writeRefusal; // the last write call's
    std::string m_readFailure;
    std::string m_driveType, m_aocVersion, m_databaseVersion;
    const std::string m_noReason;
    std::map<unsigned long, std::vector<std::uint16_t>> m_kept; // by parameter number
    size_t m_parametersRead = 0;
    const std::function<bool()>* m_stop = nullptr; // a prefetch's, while it runs

    std::string m_lastRefusal;
    std::string m_refusalShort;
    std::string m_operation;
    std::function<void(const std::string&)> m_writeRefusalObserver;
    std::function<void(size_t)> m_progressObserver;
    std::function<void(const std::string&, bool)> m_linkFailureObserver;
    std::function<void(bool)> m_writeBusyObserver;

    std::atomic<size_t> m_requests[2] = {0, 0};
};

// Here, since the drive's calls (ModbusDrive.cpp) and a write call's download
// (ModbusDownload.cpp) both ask the profile.
template <typename Question> auto ModbusDrive::ask(Question question) -> decltype(question())
{
    try {
        return question();
    } catch (const ImageRefusal& refused) {
        refuse(refused.what());
    }
}
