#pragma once

#include "IExtParamInterface.h"

#include <functional>
#include <string>

// A drive the host works with: the host's parameter interface, and what the host
// window shows of the drive and needs from it. SimulatedDrive (a drive image file)
// and ModbusDrive (a drive over a Modbus link) are the two kinds.
class HostDrive : public IExtParamInterface
{
public:
    // Where the drive is, as the user named it: the image file or the link's address.
    virtual std::string location() const = 0;
    virtual const std::string& driveType() const = 0;
    virtual const std::string& aocVersion() const = 0;
    virtual const std::string& databaseVersion() const = 0;
    // Why every write is refused; empty when the drive takes writes.
    virtual const std::string& readOnlyReason() const = 0;
    bool readOnly() const { return !readOnlyReason().empty(); }
    // Makes GetLanguage answer `language`, the language the host runs in.
    virtual void setLanguage(const std::string& language) = 0;
    // The reason of the last refused or failed call; empty when none failed yet.
    virtual const std::string& lastRefusal() const = 0;
    // Called with the reason (as lastRefusal) of every write the drive refuses,
    // before the refusal is thrown: the plug-in reports refusals to nobody.
    virtual void setWriteRefusalObserver(std::function<void(const std::string&)> observer) = 0;
    // Forgets whatever the host keeps of the drive's values, so that the next
    // reads show what the drive holds (a refresh).
    virtual void forgetValues() {}
};
