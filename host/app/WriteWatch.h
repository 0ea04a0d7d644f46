#pragma once

#include "IExtParamInterface.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// The host's parameter interface in front of another (the window's journal):
// passes every call on, and tells `written` after each write call, however it
// ended, so that the window learns of the editor's changes to the program.
class WriteWatch : public IExtParamInterface
{
public:
    WriteWatch(IExtParamInterface& drive, std::function<void()> written)
        : m_drive(drive), m_written(std::move(written))
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
        struct Tell
        {
            const std::function<void()>& written;
            ~Tell()
            {
                if (written)
                    written();
            }
        } tell{m_written};
        return m_drive.WriteParameterValues(identifiers, values, setup, flag);
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
    IExtParamInterface& m_drive;
    std::function<void()> m_written;
};
