#pragma once

#include "DriveImage.h"
#include "HostDrive.h"
#include "RegisterMap.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A drive behind the host's parameter interface, kept in a drive image file: the
// JSON text of DriveImage.h, with the drive's identity, language, index base,
// parameters and, for a drive over Modbus, where it keeps them in registers.
//
// Every operation answers from the image (DriveImage's queries). Requests a
// drive refuses throw DriveRefusal: an unknown parameter, element or setup (the drive has the one
// setup "Setup 1"), a malformed identifier, a choice value not in the list, a
// number outside the limits or not a plain decimal number.
//
// Numbers written to a numeric parameter are stored the way the drive holds them:
// rounded to the parameter's decimals and kept as "%.<decimals>f" text, so that
// "12.500000" from the plug-in is read back as "12.50" when the parameter has two
// decimals. Choice values are stored as plain decimal text ("7").
//
// An image that DriveImage::parse refuses is refused when it is loaded, naming
// the file and the fault (DriveImageError). So is a path that is not a regular
// file (it is opened without blocking: a FIFO or a device is never read) and a
// file larger than DriveImage::kSizeLimit.
//
// WriteParameterValues is all or nothing: every entry is checked first, then the
// whole image is saved atomically (fw::AtomicFile: written to a new file beside
// it, flushed and renamed over it, keeping the image's owner and mode). A refused entry or a failed
// save leaves both the drive and the file exactly as they were.
//
// One drive image is one drive, written by one host at a time. The drive that
// opens an image for writing holds an exclusive flock() on the image file for as
// long as it is open. As every save replaces the file by rename, the lock moves
// with it: the temporary file is locked before it is renamed into place, and
// only then is the descriptor of the replaced file (and with it its lock)
// closed. A host that finds the image locked opens it read-only; so does one
// that finds the file write-protected (no write permission bit, or not writable
// for this user) or its folder not writable. A read-only drive answers every
// read and refuses every write, naming the image and why (readOnlyReason()).
// nebpt-host --print opens images with Access::Read, which never locks.
//
// A save cut short (the host killed, the machine down) leaves the image as it
// was, and at most a temporary ".<image name>.nebpt-XXXXXX" beside it, which the
// next drive that opens the image for writing removes.
//
// A save never replaces what someone else put on disk: before the new file is
// renamed into place, the image path must still name the file this drive holds
// (same device and inode) with the very content it loaded or last saved, and the
// file must not be write-protected. Otherwise the write is refused ("changed on
// disk since it was opened; reopen it", "is write-protected") and the file stays.
//
// What the drive tells (errors, refusals, readOnlyReason()) is composed through
// Qt's translation (HostText.h).
class SimulatedDrive : public HostDrive
{
public:
    static constexpr const char* kSetupName = DriveImage::kSetupName;

    enum class Access
    {
        Write, // lock the image; read-only when that is not possible
        Read   // only read it: no lock, every write refused
    };

    // Loads the image; throws DriveImageError when it cannot be used. The file is
    // only read here; it is written by accepted writes only.
    explicit SimulatedDrive(const std::string& imagePath, Access access = Access::Write);
    ~SimulatedDrive() override;
    SimulatedDrive(const SimulatedDrive&) = delete;
    SimulatedDrive& operator=(const SimulatedDrive&) = delete;

    const std::string& imagePath() const { return m_imagePath; }
    std::string location() const override { return m_imagePath; }
    // Why writes are refused: "the drive image <path> is open in another host",
    // "... is write-protected (mode 0444)", ...; empty when the drive writes.
    // Composed when asked, in the language of that moment.
    const std::string& readOnlyReason() const override;
    const std::string& driveType() const override { return m_image.driveType; }
    const std::string& aocVersion() const override { return m_image.aocVersion; }
    const std::string& databaseVersion() const override { return m_image.databaseVersion; }
    const std::string& language() const { return m_language; }
    // Makes GetLanguage answer `language` (the language the host runs in); the
    // image file keeps its own.
    void setLanguage(const std::string& language) override { m_language = language; }
    int indexBase() const { return m_image.indexBase; }
    // Where the drive keeps its parameters in Modbus holding registers; empty when
    // the image has no register map.
    const modbusmap::Map& registerMap() const { return m_image.registerMap; }

    bool hasParameter(unsigned long number) const { return m_image.parameter(number) != nullptr; }
    // Value of element `element` (0-based, without the index base); -1 for a
    // parameter without elements. Throws DriveRefusal for an unknown one.
    std::string value(unsigned long number, long element = -1) const;
    // The numbers handed to the last RegisterParameters call.
    const std::vector<std::string>& registeredParameters() const { return m_registered; }
    const std::string& lastRefusal() const override { return m_lastRefusal; }
    // For a write refused because the image cannot be written: "write-protected
    // image", "image open in another host", "image opened only to be read",
    // "image in a write-protected folder", "image cannot be locked", "image
    // changed on disk", "image cannot be saved".
    std::string refusalShort() const override { return m_refusedFor.words(); }
    void setWriteRefusalObserver(std::function<void(const std::string&)> observer) override
    {
        m_writeRefusalObserver = std::move(observer);
    }
    // Whether the drive takes the value text for parameter `number`: `stored`
    // receives the form it keeps, `reason` why it refuses.
    bool accepts(unsigned long number, const std::string& text, std::string& stored,
                 std::string& reason) const override
    {
        return m_image.accepts(number, text, stored, reason);
    }

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
    using Parameter = DriveImage::Parameter;

    // An open file descriptor, closed with its owner (a lock held on it with it).
    class Descriptor
    {
    public:
        explicit Descriptor(int fd = -1) : m_fd(fd) {}
        ~Descriptor();
        Descriptor(Descriptor&& other) noexcept : m_fd(other.release()) {}
        Descriptor& operator=(Descriptor&& other) noexcept;
        int get() const { return m_fd; }
        int release();

    private:
        int m_fd;
    };

    // Why the image file cannot be written, with what tells more (the mode, the
    // folder, the system's error).
    struct Unwritable
    {
        enum Cause
        {
            None,
            OpenedToRead,    // Access::Read
            WriteProtected,  // detail: the file's mode ("0444")
            ProtectedFolder, // detail: the folder
            OpenElsewhere,   // another host holds its lock
            NotLockable,     // detail: why
            ChangedOnDisk,   // found when saving
            NotSaved,        // the save failed
        };
        Cause cause = None;
        std::string detail;

        // "the drive image <path> is write-protected (mode 0444)", as
        // readOnlyReason() tells it; empty for a cause found when saving.
        std::string sentence(const std::string& imagePath) const;
        // The few words of refusalShort(); empty for None.
        std::string words() const;
    };
    // A save refused (DriveRefusal), with its cause.
    class SaveRefusal : public DriveRefusal
    {
    public:
        SaveRefusal(const std::string& what, Unwritable why)
            : DriveRefusal(what), why(std::move(why))
        {}
        Unwritable why;
    };

    // Reads the image file into m_onDisk; with Access::Write, locks it first.
    void open(Access access);
    [[noreturn]] void imageError(const std::string& what) const;
    // Why this host cannot write the image file it has open; None when it can.
    Unwritable writeProtection() const;
    // Throws SaveRefusal when the image cannot be saved.
    void save(const DriveImage& image);
    // Throws SaveRefusal when the image on disk is no longer the one this drive
    // holds, or may not be replaced.
    void checkImageUnchanged() const;

    // Notes the operation being answered, for refusal texts.
    void enter(const char* operation) { m_operation = operation; }
    [[noreturn]] void refuse(const std::string& reason) { refuse(reason, Unwritable()); }
    // `why`: the image cannot be written (refusalShort()).
    [[noreturn]] void refuse(const std::string& reason, Unwritable why);
    // Asks the image; a question it has no answer to is this drive's refusal.
    template <typename Question> auto ask(Question question) -> decltype(question());
    // The image with the values written, every entry checked.
    DriveImage withValues(const std::vector<std::string>& identifiers,
                          const std::vector<std::string>& values);

    std::string m_imagePath;
    std::string m_target;  // the file saves replace (the image path, symbolic links resolved)
    Unwritable m_readOnly; // None: the drive writes
    mutable std::string m_readOnlyReason; // m_readOnly's sentence, as last asked
    Descriptor m_lock;                    // the image file, locked; -1 when read-only
    std::string m_onDisk;                 // the image file's content as loaded or last saved
    DriveImage m_image;
    std::string m_language;
    std::vector<std::string> m_registered;
    std::string m_lastRefusal;
    Unwritable m_refusedFor; // why the last refusal was made, when the image cannot be written
    std::function<void(const std::string&)> m_writeRefusalObserver;
    std::string m_operation; // the operation being answered, for refusal texts
};
