#include "AtomicFile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

constexpr const char* kTemporaryMark = ".nebpt-";
constexpr size_t kRandomPart = 6; // mkstemp's XXXXXX

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string resolved(const std::string& path)
{
    if (char* real = realpath(path.c_str(), nullptr)) {
        std::string result = real;
        std::free(real);
        return result;
    }
    return path;
}

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a file";
}

bool syncFolder(const std::string& folder, std::string& error)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open its folder to flush it (" + errnoText(errno) + ")";
        return false;
    }
    const bool synced = fsync(fd) == 0 || errno == EINVAL; // EINVAL: a folder that needs none
    if (!synced)
        error = "cannot flush its folder to disk (" + errnoText(errno) + ")";
    close(fd);
    return synced;
}

} // namespace

std::string errnoText(int error)
{
    std::string text = std::strerror(error);
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        std::islower(static_cast<unsigned char>(text[1])))
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

AtomicFile::AtomicFile(std::string target) : m_target(std::move(target)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty())
        unlink(m_temporary.c_str());
    m_temporary.clear();
}

bool AtomicFile::open(std::string& error)
{
    discard();
    m_resolved = resolved(m_target);
    struct stat existing = {};
    const bool exists = stat(m_resolved.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        error = std::string("is ") + kindOf(existing.st_mode) + ", not a regular file";
        return false;
    }
    std::string pattern = folderOf(m_resolved) + "/." + nameOf(m_resolved) + kTemporaryMark +
                          std::string(kRandomPart, 'X');
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot create a file in its folder (" + errnoText(errno) + ")";
        return false;
    }
    m_fd = fd;
    m_temporary = pattern;
    mode_t mode = 0;
    if (exists) {
        // The owner first: a change of owner clears the set-id bits the mode may hold.
        // A user who may not give files away keeps the group at least.
        if (fchown(fd, existing.st_uid, existing.st_gid) != 0)
            (void)!fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd, mode) != 0) {
        error = "cannot set the new file's mode (" + errnoText(errno) + ")";
        discard();
        return false;
    }
    return true;
}

bool AtomicFile::write(const void* data, size_t size, std::string& error)
{
    if (m_fd < 0) {
        error = "not open for writing";
        return false;
    }
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "cannot write (" + errnoText(n < 0 ? errno : ENOSPC) + ")";
            discard();
            return false;
        }
        at += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::commit(std::string& error)
{
    if (m_fd < 0) {
        error = "not open for writing";
        return false;
    }
    if (fsync(m_fd) != 0) {
        error = "cannot flush to disk (" + errnoText(errno) + ")";
        discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0) {
        error = "cannot write (" + errnoText(errno) + ")";
        discard();
        return false;
    }
    if (rename(m_temporary.c_str(), m_resolved.c_str()) != 0) {
        error = "cannot replace the file (" + errnoText(errno) + ")";
        discard();
        return false;
    }
    m_temporary.clear();
    return syncFolder(folderOf(m_resolved), error);
}

bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error)
{
    AtomicFile file(path);
    std::string why;
    if (file.open(why) && file.write(bytes.data(), bytes.size(), why) && file.commit(why))
        return true;
    error = path + ": " + why;
    return false;
}

int removeStaleTemporaries(const std::string& target)
{
    const std::string real = resolved(target);
    const std::string folder = folderOf(real);
    const std::string prefix = "." + nameOf(real) + kTemporaryMark;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + kRandomPart || name.compare(0, prefix.size(), prefix))
            continue;
        const std::string path = folder + "/" + name;
        struct stat info = {};
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && unlink(path.c_str()) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}

std::string outputConflict(const std::string& output,
                           const std::vector<std::pair<std::string, std::string>>& inputs)
{
    struct stat out = {};
    if (stat(output.c_str(), &out) != 0)
        return {}; // a new file, or one that cannot be looked at: writing it will tell
    if (!S_ISREG(out.st_mode))
        return output + " is " + kindOf(out.st_mode) + ", not a regular file";
    for (const auto& [role, path] : inputs) {
        struct stat in = {};
        if (path.empty() || stat(path.c_str(), &in) != 0)
            continue;
        if (in.st_dev == out.st_dev && in.st_ino == out.st_ino)
            return output + " is the " + role + (path == output ? "" : " " + path);
    }
    return {};
}

} // namespace fw
