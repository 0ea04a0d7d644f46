#pragma once

#include "IExtParamInterface.h"

#include <QJsonObject>

#include <chrono>
#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A drive image file that cannot be used: not readable, not JSON, or a required
// field missing or wrong. what() is one line naming the file and the fault.
class DriveImageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A request the simulated drive refuses (unknown parameter or element, a value it
// does not accept, an image it cannot save) or a failure injected by a test.
class DriveRefusal : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A drive behind the host's parameter interface, kept in a drive image file (JSON).
//
// The image holds the drive's identity, language and index base and its
// parameters: number, display name, element count, values, and either a choice
// list ("<value>:<text>" items; a selection parameter) or limits, unit and
// decimals (a numeric parameter). A choice list is given inline or by the name of
// an entry of the image's "choiceLists". Example:
//
//   { "drive": { "type": "FCD-300", "aocVersion": "02.10", "databaseVersion": "02.40" },
//     "language": "english", "indexBase": 0,
//     "choiceLists": { "events": [ "0:False", "1:True" ] },
//     "parameters": [
//       { "number": 1301, "name": "Step event", "elementCount": 20, "choices": "events",
//         "values": [ "1", "0", ... ] },
//       { "number": 1303, "name": "Step timer", "elementCount": 8, "minimum": "0",
//         "maximum": "3600", "unit": "s", "decimals": 2, "values": [ "5.00", ... ] },
//       { "number": 1300, "name": "Controller mode", "choices": [ "0:Off", "1:On" ],
//         "values": [ "1" ] } ] }
//
// A parameter without "elementCount" (or with 0) is a single value: "values" holds
// exactly one entry and the host addresses it without index. An array parameter
// holds one value per element; the host addresses element e as e + indexBase.
//
// Every operation answers from the image. Requests a drive refuses throw
// DriveRefusal: an unknown parameter, element or setup (the drive has the one
// setup "Setup 1"), a malformed identifier, a choice value not in the list, a
// number outside the limits or not a plain decimal number.
//
// Numbers written to a numeric parameter are stored the way the drive holds them:
// rounded to the parameter's decimals and kept as "%.<decimals>f" text, so that
// "12.500000" from the plug-in is read back as "12.50" when the parameter has two
// decimals. Choice values are stored as plain decimal text ("7").
//
// WriteParameterValues is all or nothing: every entry is checked first, then the
// whole image is saved atomically (temporary file in the same folder, fsync,
// rename). A refused entry or a failed save leaves both the drive and the file
// exactly as they were.
class SimulatedDrive : public IExtParamInterface
{
public:
    static constexpr const char* kSetupName = "Setup 1";

    // Loads the image; throws DriveImageError when it cannot be used. The file is
    // only read here; it is written by accepted writes only.
    explicit SimulatedDrive(const std::string& imagePath);
    ~SimulatedDrive() override;

    const std::string& imagePath() const { return m_imagePath; }
    const std::string& driveType() const { return m_driveType; }
    const std::string& aocVersion() const { return m_aocVersion; }
    const std::string& databaseVersion() const { return m_databaseVersion; }
    const std::string& language() const { return m_language; }
    // Makes GetLanguage answer `language` (the language the host runs in); the
    // image file keeps its own.
    void setLanguage(const std::string& language) { m_language = language; }
    int indexBase() const { return m_indexBase; }

    bool hasParameter(unsigned long number) const;
    // Value of element `element` (0-based, without the index base); -1 for a
    // parameter without elements. Throws DriveRefusal for an unknown one.
    std::string value(unsigned long number, long element = -1) const;
    // The numbers handed to the last RegisterParameters call.
    const std::vector<std::string>& registeredParameters() const { return m_registered; }
    // The reason of the last refused or failed call; empty when none failed yet.
    const std::string& lastRefusal() const { return m_lastRefusal; }

    // --- injected failures (counted over all ten operations) ---
    // The call with this 1-based number (since the last resetCalls) throws; 0: none.
    void failAtCall(size_t callNumber) { m_failAt = callNumber; }
    // Every call of the operation with this name (e.g. "GetChoiceList") throws.
    void failOperation(const std::string& operation) { m_failingOperation = operation; }
    void stopFailing();

    // --- timing, for benchmarks: every call waits this long before it answers ---
    void setCallDelay(std::chrono::microseconds delay) { m_callDelay = delay; }
    // Total time spent waiting in calls since the last resetCalls.
    std::chrono::nanoseconds simulatedDelay() const { return m_simulatedDelay; }

    // --- call counts since the last resetCalls ---
    size_t callCount() const { return m_callCount; }
    size_t callCount(const std::string& operation) const;
    void resetCalls();

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
    struct Parameter
    {
        unsigned long number = 0;
        std::string name;
        unsigned long elementCount = 0;          // 0: a single value
        std::vector<std::string> values;         // one per element, or one
        std::vector<std::string> choices;        // "<value>:<text>", empty for a numeric one
        std::vector<unsigned long> choiceValues; // the <value> of each choice
        std::string minimum, maximum, unit;      // as reported; empty: no limit
        int decimals = 0;
        int jsonPosition = 0; // position in the image's "parameters"
        bool isSelection() const { return !choices.empty(); }
    };
    using Parameters = std::map<unsigned long, Parameter>;

    void load();
    [[noreturn]] void imageError(const std::string& what) const;
    void readParameter(const QJsonObject& object, int position, const QJsonObject& namedLists);
    // Whether the drive accepts the value text; `stored` receives the form the
    // drive keeps, `reason` why it refuses.
    bool checkValue(const Parameter& parameter, const std::string& text, std::string& stored,
                    std::string& reason) const;
    void save(const Parameters& parameters) const;

    // Counts the call, waits the call delay and throws an injected failure.
    void enter(const char* operation);
    [[noreturn]] void refuse(const std::string& reason);
    const Parameter& find(const std::string& numberText);
    Parameter& findMutable(const std::string& numberText);
    // Element position for a host index (index base included); -1 for no index.
    size_t elementFor(const Parameter& parameter, long index);

    std::string m_imagePath;
    QJsonObject m_root;
    std::string m_driveType, m_aocVersion, m_databaseVersion, m_language;
    int m_indexBase = 0;
    Parameters m_parameters;
    std::vector<std::string> m_registered;
    std::string m_lastRefusal;
    std::string m_operation; // the operation being answered, for refusal texts

    size_t m_failAt = 0;
    std::string m_failingOperation;
    std::chrono::microseconds m_callDelay{0};
    std::chrono::nanoseconds m_simulatedDelay{0};
    size_t m_callCount = 0;
    std::map<std::string, size_t> m_callCounts;
};
