#pragma once

#include <string>
#include <vector>

// The host's parameter interface: the plug-in's only way to the drive. The host
// owns the object; the plug-in never frees it. Every operation may fail by
// throwing an exception of any type.
class IExtParamInterface
{
public:
    virtual ~IExtParamInterface() = default;

    // Display name of the parameter with this number text.
    virtual std::string GetParameterName(const std::string& number) = 0;
    // Fills `value` with the value of element `index` (-1: no index) of `number`.
    virtual int ReadParameterValue(const std::string& number, int index, std::string& value,
                                   const std::string& setup) = 0;
    // Stores values[i] in the parameter named by identifiers[i] ("0007" or "0007.4").
    virtual int WriteParameterValues(const std::vector<std::string>& identifiers,
                                     const std::vector<std::string>& values,
                                     const std::string& setup, int flag) = 0;
    // The choices of a selection parameter, each "<value>:<text>".
    virtual std::vector<std::string> GetChoiceList(const std::string& identifier) = 0;
    // How many elements the parameter has.
    virtual unsigned long GetElementCount(const std::string& number) = 0;
    // Fills minimum, maximum, unit text and number of decimals, in this order.
    virtual int GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                                       std::string& maximum, std::string& unit,
                                       std::string& decimals) = 0;
    // Fills drive type name, second identification text and parameter database version.
    virtual int GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                                 std::string& dbVersion) = 0;
    virtual int RegisterParameters(const std::vector<std::string>& numbers) = 0;
    virtual std::string GetLanguage() = 0;
    // At least 0; added to every index the plug-in sends.
    virtual int GetIndexBase() = 0;
};
