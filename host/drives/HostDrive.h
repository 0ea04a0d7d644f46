#pragma once

#include "HostText.h"
#include "IExtParamInterface.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// A failure of the host side: a drive image, an address, a link or a program
// file that cannot be used, or a request a drive refuses. The host's own
// exceptions derive from it (DriveImageError, DriveRefusal, DriveLinkError,
// DriveAddressError); what() is one line naming what failed, in the language
// of the translator the process installed (HostText.h; English without one).
class HostError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A request a drive refuses: an unknown parameter, element or setup, a value it
// does not take, a write to a drive image it only reads or cannot save, a
// Modbus exception from a drive over a link. what() is "<call>: <reason>".
class DriveRefusal : public HostError
{
public:
    using HostError::HostError;
};

// The most elements a parameter of a drive image or of a Modbus profile may
// have: the longest program the editor lays out. An image or profile with more
// is refused when it is loaded.
inline constexpr unsigned long kMaxArrayElements = 4096;

// What a drive holds after a write call, as far as the host could tell by
// reading it back.
struct WriteOutcome
{
    enum class Holds
    {
        Asked,   // everything the call asked for (read back)
        Before,  // none of it: what it held before the call
        Part,    // read back: part of it; `differing` is what is not as asked
        Unknown, // not read back (the link could not be made again): some of it
                 // may have been taken; `differing` is what may not be as asked
    };
    Holds holds = Holds::Before;
    // What is not (or may not be) as asked: "parameter 1301 elements 2 to 4".
    std::vector<std::string> differing;
    // How often the link was made anew during the call.
    int reconnections = 0;

    bool partlyWritten() const { return holds == Holds::Part || holds == Holds::Unknown; }
    // One sentence for a message: "the drive holds a partly written program:
    // parameter 1301 elements 2 to 4, parameter 1303 differ from what was written".
    std::string describe() const
    {
        using hosttext::fill;
        std::string list;
        for (const std::string& what : differing)
            list += (list.empty() ? "" : ", ") + what;
        const bool one = differing.size() == 1;
        switch (holds) {
        case Holds::Asked:
            return fill(
                QCoreApplication::translate("WriteOutcome", "the drive holds what was written"));
        case Holds::Before:
            return fill(QCoreApplication::translate(
                "WriteOutcome", "the drive holds what it held before; nothing was written"));
        case Holds::Part:
            return fill(one ? QCoreApplication::translate("WriteOutcome",
                                                          "the drive holds a partly written "
                                                          "program: %1 differs from what was "
                                                          "written")
                            : QCoreApplication::translate("WriteOutcome",
                                                          "the drive holds a partly written "
                                                          "program: %1 differ from what was "
                                                          "written"),
                        list);
        case Holds::Unknown:
            break;
        }
        // One English text, two German ones: "weicht" or "weichen".
        return fill(one ? QCoreApplication::translate(
                              "WriteOutcome",
                              "the drive may hold a partly written program (it could not be "
                              "read back): %1 may differ from what was written",
                              "one part")
                        : QCoreApplication::translate(
                              "WriteOutcome",
                              "the drive may hold a partly written program (it could not be "
                              "read back): %1 may differ from what was written",
                              "several parts"),
                    list);
    }
};

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
    // Why every write is refused, a sentence naming the drive ("the drive image
    // <path> is write-protected (mode 0444)"); empty when the drive takes writes.
    virtual const std::string& readOnlyReason() const = 0;
    bool readOnly() const { return !readOnlyReason().empty(); }
    // Makes GetLanguage answer `language`, the language the host runs in.
    virtual void setLanguage(const std::string& language) = 0;
    // The reason of the last refused or failed call; empty when none failed yet.
    virtual const std::string& lastRefusal() const = 0;
    // The reason of the last refusal in a few words, to stand in parentheses
    // after what was refused ("Timer 0: the drive refused 9.00 s (write-protected
    // image)"), when it has such a short form: the drive could not be written at
    // all (a drive image: "write-protected image", "image open in another host",
    // "image changed on disk"...; a link: "link lost") or answered a Modbus
    // exception ("Illegal data value"). Empty otherwise, e.g. for a value the
    // drive does not take: lastRefusal() tells that one whole.
    virtual std::string refusalShort() const { return {}; }
    // Called with the reason (as lastRefusal) of every write the drive refuses,
    // before the refusal is thrown: the plug-in reports refusals to nobody.
    virtual void setWriteRefusalObserver(std::function<void(const std::string&)> observer) = 0;
    // Forgets whatever the host keeps of the drive's values, so that the next
    // reads show what the drive holds (a refresh).
    virtual void forgetValues() {}
    // The first read of a value that failed since the drive was opened or since
    // forgetValues(), naming the parameter and why; empty when none failed. The
    // plug-in takes some failed reads as default values: whoever shows, checks
    // or files what it read asks here first.
    virtual std::string readFailure() const { return {}; }
    // What the drive holds after a write call that failed. A drive that writes
    // all or nothing (a drive image) holds what it held before.
    virtual WriteOutcome lastWrite() const { return {}; }
    // Whether the drive takes the value text for parameter `number`, as its write
    // would: `stored` receives the form it keeps ("7" for "07"), `reason` why it
    // refuses. A drive that cannot tell before a write takes the text as it is.
    virtual bool accepts(unsigned long number, const std::string& text, std::string& stored,
                         std::string& reason) const
    {
        (void)number;
        (void)reason;
        stored = text;
        return true;
    }
};

// What a drive over a link tells beyond the host's parameter interface: the
// link's state, the profile it was opened with, and what the drive refused
// during the last write call. The drive over a link that a document's link
// thread owns answers it on the host's side (DriveDocument).
class DriveOverLink
{
public:
    // The elements of the last write call's request the drive refused, as the
    // call named them ("1301.2", "1306"), and why in a few words ("Illegal data
    // value"); empty when it refused none of the values.
    struct Refusal
    {
        std::vector<std::string> elements;
        std::string reason;
    };

    virtual bool linkUp() const = 0;
    // Why the link went down; empty while it is up.
    virtual std::string linkFailure() const = 0;
    virtual const std::string& profilePath() const = 0;
    // The database version the profile describes (the drive's own is HostDrive::databaseVersion).
    virtual const std::string& profileDatabaseVersion() const = 0;
    virtual Refusal lastWriteRefusal() const = 0;

protected:
    ~DriveOverLink() = default;
};
