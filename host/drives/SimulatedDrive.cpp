#include "SimulatedDrive.h"

#include "HostText.h"
#include "RegisterMap.h"
#include "framework/AtomicFile.h"
#include "framework/RegularFile.h"

#include <QByteArray>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using hosttext::fill;

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(SimulatedDrive)
};

std::string errnoText()
{
    return std::strerror(errno);
}

// Whether the path names the file open as `fd`.
bool isFileAt(int fd, const std::string& path)
{
    struct stat held = {};
    struct stat named = {};
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

SimulatedDrive::Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        close(m_fd);
}

SimulatedDrive::Descriptor& SimulatedDrive::Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

int SimulatedDrive::Descriptor::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

SimulatedDrive::SimulatedDrive(const std::string& imagePath, Access access) : m_imagePath(imagePath)
{
    open(access);
    m_image = DriveImage::parse(
        QByteArray(m_onDisk.data(), static_cast<qsizetype>(m_onDisk.size())), m_imagePath);
    m_language = m_image.language;
}

SimulatedDrive::~SimulatedDrive() = default;

// --- why the image cannot be written ---

std::string SimulatedDrive::Unwritable::sentence(const std::string& imagePath) const
{
    switch (cause) {
    case OpenedToRead:
        return fill(Text::tr("the drive image %1 is opened only to be read"), imagePath);
    case WriteProtected:
        return fill(Text::tr("the drive image %1 is write-protected (mode %2)"), imagePath, detail);
    case ProtectedFolder:
        return fill(Text::tr("the drive image %1 is in a write-protected folder (%2)"), imagePath,
                    detail);
    case OpenElsewhere:
        return fill(Text::tr("the drive image %1 is open in another host"), imagePath);
    case NotLockable:
        return fill(Text::tr("the drive image %1 cannot be locked (%2)"), imagePath, detail);
    case None:
    case ChangedOnDisk:
    case NotSaved:
        break;
    }
    return {};
}

std::string SimulatedDrive::Unwritable::words() const
{
    switch (cause) {
    case OpenedToRead:
        return fill(Text::tr("image opened only to be read"));
    case WriteProtected:
        return fill(Text::tr("write-protected image"));
    case ProtectedFolder:
        return fill(Text::tr("image in a write-protected folder"));
    case OpenElsewhere:
        return fill(Text::tr("image open in another host"));
    case NotLockable:
        return fill(Text::tr("image cannot be locked"));
    case ChangedOnDisk:
        return fill(Text::tr("image changed on disk"));
    case NotSaved:
        return fill(Text::tr("image cannot be saved"));
    case None:
        break;
    }
    return {};
}

const std::string& SimulatedDrive::readOnlyReason() const
{
    m_readOnlyReason = m_readOnly.sentence(m_imagePath);
    return m_readOnlyReason;
}

// --- opening and loading ---

void SimulatedDrive::imageError(const std::string& what) const
{
    throw DriveImageError(m_imagePath + ": " + what);
}

void SimulatedDrive::open(Access access)
{
    m_target = m_imagePath;
    if (char* resolved = realpath(m_imagePath.c_str(), nullptr)) {
        m_target = resolved;
        std::free(resolved);
    }

    std::string error;
    for (int attempt = 1;; ++attempt) {
        Descriptor file(fw::openRegularFile(m_imagePath, error));
        if (file.get() < 0)
            imageError(fill(Text::tr("cannot be read (%1)"), error));
        Unwritable readOnly;
        if (access == Access::Read)
            readOnly.cause = Unwritable::OpenedToRead;
        else
            readOnly = writeProtection();
        if (readOnly.cause == Unwritable::None && flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
            readOnly = errno == EWOULDBLOCK ? Unwritable{Unwritable::OpenElsewhere, {}}
                                            : Unwritable{Unwritable::NotLockable, errnoText()};
        }
        if (!fw::readRegularFile(m_imagePath, DriveImage::kSizeLimit, m_onDisk, error))
            imageError(fill(Text::tr("cannot be read (%1)"), error));
        if (readOnly.cause != Unwritable::None) {
            m_readOnly = readOnly;
            return;
        }
        // What was read must be the file that is locked: another program may have
        // replaced it in between.
        if (isFileAt(file.get(), m_imagePath)) {
            m_lock = std::move(file);
            // A save cut short left its temporary beside the image; only the
            // holder of the lock may clear it away.
            fw::removeStaleTemporaries(m_target);
            break;
        }
        if (attempt == 3)
            imageError(
                fill(Text::tr("is being replaced on disk while it is opened; open it again")));
    }
}

SimulatedDrive::Unwritable SimulatedDrive::writeProtection() const
{
    struct stat info = {};
    if (stat(m_target.c_str(), &info) != 0)
        return {};
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0) {
        char mode[16];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return {Unwritable::WriteProtected, mode};
    }
    const size_t slash = m_target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : m_target.substr(0, slash + 1);
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return {Unwritable::ProtectedFolder, folder};
    return {};
}

// --- saving ---

void SimulatedDrive::checkImageUnchanged() const
{
    const Unwritable changed{Unwritable::ChangedOnDisk, {}};
    const std::string reopen = fill(Text::tr("it changed on disk since it was opened; reopen it"));
    if (!isFileAt(m_lock.get(), m_target))
        throw SaveRefusal(reopen, changed);
    std::string content, error;
    if (!fw::readRegularFile(m_target, DriveImage::kSizeLimit, content, error) ||
        content != m_onDisk)
        throw SaveRefusal(reopen, changed);
    const Unwritable protection = writeProtection();
    if (protection.cause == Unwritable::WriteProtected)
        throw SaveRefusal(fill(Text::tr("it is write-protected (mode %1)"), protection.detail),
                          protection);
    if (protection.cause == Unwritable::ProtectedFolder)
        throw SaveRefusal(
            fill(Text::tr("it is in a write-protected folder (%1)"), protection.detail),
            protection);
}

void SimulatedDrive::save(const DriveImage& image)
{
    const QByteArray bytes = image.toJson();
    const auto fail = [&](const std::string& what, Unwritable why) {
        throw SaveRefusal(fill(Text::tr("cannot save the drive image %1: %2"), m_imagePath, what),
                          std::move(why));
    };
    const Unwritable notSaved{Unwritable::NotSaved, {}};
    const auto checkUnchanged = [&] {
        try {
            checkImageUnchanged();
        } catch (const SaveRefusal& refused) {
            fail(refused.what(), refused.why);
        }
    };
    checkUnchanged();
    // The image is replaced as a whole: the old file stays until the new one is on
    // disk, with the old one's owner and mode. Given up, the new file is removed.
    fw::AtomicFile file(m_target);
    std::string error;
    if (!file.open(error))
        fail(error, notSaved);
    // Locked before it becomes the image, so that the lock never lapses. The lock
    // lives on in this second descriptor when the file closes its own.
    Descriptor locked(fcntl(file.handle(), F_DUPFD_CLOEXEC, 0));
    if (locked.get() < 0 || flock(locked.get(), LOCK_EX | LOCK_NB) != 0)
        fail(fill(Text::tr("cannot lock the new file (%1)"), errnoText()), notSaved);
    if (!file.write(bytes.constData(), static_cast<size_t>(bytes.size()), error))
        fail(error, notSaved);
    checkUnchanged(); // again: someone may have changed it while this drive wrote
    const bool committed = file.commit(error);
    if (committed || !isFileAt(m_lock.get(), m_target)) {
        // In place (a failure after the rename is the folder's flush): this drive now
        // holds the new file.
        m_lock = std::move(locked); // closes the replaced file, and so lets go of its lock
        m_onDisk.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    if (!committed)
        fail(error, notSaved);
}

// --- calls ---

void SimulatedDrive::refuse(const std::string& reason, Unwritable why)
{
    m_lastRefusal = m_operation + ": " + reason;
    m_refusedFor = std::move(why);
    if (m_operation == "WriteParameterValues" && m_writeRefusalObserver)
        m_writeRefusalObserver(m_lastRefusal);
    throw DriveRefusal(m_lastRefusal);
}

template <typename Question> auto SimulatedDrive::ask(Question question) -> decltype(question())
{
    try {
        return question();
    } catch (const ImageRefusal& refused) {
        refuse(refused.what());
    }
}

std::string SimulatedDrive::value(unsigned long number, long element) const
{
    const Parameter* found = m_image.parameter(number);
    if (!found)
        throw DriveRefusal(fill(Text::tr("no parameter %1"), number));
    const Parameter& p = *found;
    const bool fits = element == -1
                          ? p.elementCount == 0
                          : element >= 0 && static_cast<unsigned long>(element) < p.elementCount;
    if (!fits) {
        throw DriveRefusal(fill(Text::tr("parameter %1 has no element %2"), number, element));
    }
    return p.values[element == -1 ? 0 : static_cast<size_t>(element)];
}

std::string SimulatedDrive::GetParameterName(const std::string& number)
{
    enter("GetParameterName");
    return ask([&] { return m_image.named(number).name; });
}

int SimulatedDrive::ReadParameterValue(const std::string& number, int index, std::string& value,
                                       const std::string& setup)
{
    enter("ReadParameterValue");
    value = ask([&] {
        DriveImage::checkSetup(setup);
        const Parameter& p = m_image.named(number);
        return p.values[m_image.position(p, index)];
    });
    return 1;
}

int SimulatedDrive::WriteParameterValues(const std::vector<std::string>& identifiers,
                                         const std::vector<std::string>& values,
                                         const std::string& setup, int /*flag*/)
{
    enter("WriteParameterValues");
    if (readOnly())
        refuse(fill(Text::tr("%1, so it is read-only here"), readOnlyReason()), m_readOnly);
    ask([&] { DriveImage::checkWrite(identifiers, values, setup); });
    DriveImage changed = withValues(identifiers, values);
    try {
        save(changed);
    } catch (const SaveRefusal& failure) {
        refuse(failure.what(), failure.why);
    }
    m_image = std::move(changed);
    return 1;
}

DriveImage SimulatedDrive::withValues(const std::vector<std::string>& identifiers,
                                      const std::vector<std::string>& values)
{
    // Every entry is checked against a copy; the drive changes only once the image is saved.
    DriveImage changed = m_image;
    for (size_t i = 0; i < identifiers.size(); ++i) {
        long index = -1;
        const Parameter& named =
            ask([&]() -> const Parameter& { return m_image.identified(identifiers[i], index); });
        const size_t element = ask([&] { return m_image.position(named, index); });
        Parameter& p = changed.parameters[static_cast<size_t>(&named - m_image.parameters.data())];
        std::string stored, reason;
        if (!p.accepts(values[i], stored, reason))
            refuse(identifiers[i] + ": " + reason);
        p.values[element] = stored;
    }
    return changed;
}

std::vector<std::string> SimulatedDrive::GetChoiceList(const std::string& identifier)
{
    enter("GetChoiceList");
    return ask([&] { return m_image.choiceList(identifier); });
}

unsigned long SimulatedDrive::GetElementCount(const std::string& number)
{
    enter("GetElementCount");
    return ask([&] { return m_image.named(number).elementCount; });
}

int SimulatedDrive::GetParameterAttributes(const std::string& number, int index,
                                           std::string& minimum, std::string& maximum,
                                           std::string& unit, std::string& decimals)
{
    enter("GetParameterAttributes");
    ask([&] { m_image.attributes(number, index, minimum, maximum, unit, decimals); });
    return 1;
}

int SimulatedDrive::GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                                     std::string& dbVersion)
{
    enter("GetDriveIdentity");
    driveName = m_image.driveType;
    aocVersion = m_image.aocVersion;
    dbVersion = m_image.databaseVersion;
    return 1;
}

int SimulatedDrive::RegisterParameters(const std::vector<std::string>& numbers)
{
    enter("RegisterParameters");
    ask([&] { m_image.checkParameters(numbers); });
    m_registered = numbers;
    return 1;
}

std::string SimulatedDrive::GetLanguage()
{
    enter("GetLanguage");
    return m_language;
}

int SimulatedDrive::GetIndexBase()
{
    enter("GetIndexBase");
    return m_image.indexBase;
}
