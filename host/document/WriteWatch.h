#pragma once

#include "HostDrive.h"
#include "IExtParamInterface.h"

#include <cstdlib>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// The host's parameter interface in front of another (the window's journal):
// passes every call on, and lets the window see each write call of the editor
// whole: may it be made (`allow`, asked first: false refuses it and nothing is
// written), and how it ended (`written`, told after it, however it ended, with
// the values the elements held before and hold after). The values are read
// through the same interface, from what the drive keeps; a drive over a link
// asks for nothing new.
class WriteWatch : public IExtParamInterface
{
public:
    struct Write
    {
        std::vector<std::string> identifiers; // "1301.3", "1300"
        std::vector<std::string> values;      // as the editor asked
        std::vector<std::string> before;      // as the drive held them before
        std::vector<std::string> after;       // as it holds them now; empty when unknown
        bool taken = false;                   // the drive took the write
        bool declined = false;                // `allow` refused it
        std::string failure;                  // why it was not taken
    };
    using Allow = std::function<bool(const Write& write)>;
    using Written = std::function<void(const Write& write)>;

    WriteWatch(IExtParamInterface& drive, Written written, Allow allow = {})
        : m_drive(drive), m_written(std::move(written)), m_allow(std::move(allow))
    {}

    std::string GetParameterName(const std::string& number) override
    {
        return m_drive.GetParameterName(number);
    }
    int ReadParameterValue(const std::string& number, int index, std::string& value,
                           const std::string& setup) override
    {
        return m_drive.ReadParameterValue(number, index, value, setup);
    }
    int WriteParameterValues(const std::vector<std::string>& identifiers,
                             const std::vector<std::string>& values, const std::string& setup,
                             int flag) override
    {
        Write write{identifiers, values, readAll(identifiers, setup), {}, false, false, {}};
        if (m_allow && !m_allow(write)) {
            write.declined = true;
            write.failure = "not written: declined";
            write.after = write.before;
            tell(write);
            throw DriveRefusal("WriteParameterValues: " + write.failure);
        }
        try {
            const int result = m_drive.WriteParameterValues(identifiers, values, setup, flag);
            write.taken = true;
            write.after = readAll(identifiers, setup);
            tell(write);
            return result;
        } catch (const std::exception& error) {
            write.failure = error.what();
            write.after = readAll(identifiers, setup);
            tell(write);
            throw;
        }
    }
    std::vector<std::string> GetChoiceList(const std::string& identifier) override
    {
        return m_drive.GetChoiceList(identifier);
    }
    unsigned long GetElementCount(const std::string& number) override
    {
        return m_drive.GetElementCount(number);
    }
    int GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                               std::string& maximum, std::string& unit,
                               std::string& decimals) override
    {
        return m_drive.GetParameterAttributes(number, index, minimum, maximum, unit, decimals);
    }
    int GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                         std::string& dbVersion) override
    {
        return m_drive.GetDriveIdentity(driveName, aocVersion, dbVersion);
    }
    int RegisterParameters(const std::vector<std::string>& numbers) override
    {
        return m_drive.RegisterParameters(numbers);
    }
    std::string GetLanguage() override { return m_drive.GetLanguage(); }
    int GetIndexBase() override { return m_drive.GetIndexBase(); }

private:
    // The values the elements hold, as far as they can be read; empty when one cannot.
    std::vector<std::string> readAll(const std::vector<std::string>& identifiers,
                                     const std::string& setup)
    {
        std::vector<std::string> values;
        values.reserve(identifiers.size());
        try {
            for (const std::string& identifier : identifiers) {
                const size_t dot = identifier.find('.');
                std::string value;
                m_drive.ReadParameterValue(
                    identifier.substr(0, dot),
                    dot == std::string::npos ? -1 : std::atoi(identifier.c_str() + dot + 1), value,
                    setup);
                values.push_back(std::move(value));
            }
        } catch (const std::exception&) {
            values.clear();
        }
        return values;
    }
    void tell(const Write& write)
    {
        if (m_written)
            m_written(write);
    }

    IExtParamInterface& m_drive;
    Written m_written;
    Allow m_allow;
};
