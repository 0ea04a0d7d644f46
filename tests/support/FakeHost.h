#pragma once

#include "IExtParamInterface.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// A recording host for unit tests: an in-memory drive that answers the ten
// operations, records every call with its arguments, and fails chosen calls.
class FakeHost : public IExtParamInterface
{
public:
    struct Parameter
    {
        std::string name;
        unsigned long elementCount = 0;   // 0: a parameter without elements
        std::vector<std::string> values;  // one per element, or one value
        std::vector<std::string> choices; // "<value>:<text>"
        std::string minimum, maximum, unit, decimals;
    };

    struct Call
    {
        std::string operation;
        std::vector<std::string> arguments;
    };

    // The drive a drive image file holds (read by DriveImage::parse, see
    // host/drives/DriveImage.h): identity, language, index base, and every
    // parameter with its name, element count, values, choice list, limits, unit
    // and decimals. Throws std::runtime_error naming the file when it cannot be
    // read or is no drive image.
    static FakeHost fromImage(const std::string& path);

    // --- the drive ---
    std::string driveName = "FCD-300";
    std::string aocVersion = "02.10";
    std::string dbVersion = "02.40";
    std::string language = "english";
    int indexBase = 0;
    std::map<unsigned long, Parameter> parameters;

    Parameter& parameter(unsigned long number) { return parameters.at(number); }
    // Value of one element (index -1: the parameter without elements).
    std::string value(unsigned long number, long index = -1) const;
    void setValue(unsigned long number, long index, const std::string& text);

    // --- recording ---
    const std::vector<Call>& calls() const { return m_calls; }
    size_t callCount(const std::string& operation) const;
    void clearCalls() { m_calls.clear(); }

    // --- failures ---
    // Makes the call with this 1-based number (counted over all operations since
    // the last clearCalls) throw instead of answering.
    void failAtCall(size_t callNumber) { m_failAt = callNumber; }
    // Makes every call of this operation throw.
    void failOperation(const std::string& operation) { m_failingOperation = operation; }
    void stopFailing()
    {
        m_failAt = 0;
        m_failingOperation.clear();
    }
    // What a failing call throws; by default a std::runtime_error.
    std::function<void()> thrower;

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
    void record(const std::string& operation, std::vector<std::string> arguments);
    Parameter& find(const std::string& number);
    std::string& element(const std::string& number, int index);

    std::vector<Call> m_calls;
    size_t m_failAt = 0;
    std::string m_failingOperation;
};

} // namespace testsupport
