#include "AtomicFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

constexpr const char* kTemporaryMark = ".nebpt-";
constexpr size_t kRandomPart = 6; // mkstemp's XXXXXX
constexpr int kMostLinks = 40;    // as many as the kernel follows in one path

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

// ".<name>.nebpt-": the start of every temporary written for `file`.
std::string temporaryPrefix(const std::string& file)
{
    std::string prefix(1, '.');
    prefix.append(nameOf(file)).append(kTemporaryMark);
    return prefix;
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

bool sameFile(int fd, const std::string& path)
{
    struct stat held = {};
    struct stat named = {};
    return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Opens the regular file `path` (not a link) to take or ask its lock; -1 when it
// cannot be opened. A file the user may only write is opened for writing, which
// changes nothing in it.
int openToLock(const std::string& path)
{
    for (const int access : {O_RDONLY, O_WRONLY}) {
        const int fd =
            ::open(path.c_str(), access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0 || errno != EACCES)
            return fd;
    }
    return -1;
}

// Whether someone else holds the lock of the file open as `fd`; takes it when not.
bool lockedElsewhere(int fd)
{
    return flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

// The file an output replaces, reached as the kernel follows links.
struct OutputPath
{
    std::string path;    // absolute; what is left unresolved when a folder on the way is missing
    std::string refusal; // why it must not be written, without the output's name
    bool exists = false;
    struct stat info = {}; // of `path` when it exists
};

std::string otherUsersLink(const std::string& link, uid_t owner)
{
    return link + ", a link of another user (uid " + std::to_string(owner) + ")";
}

// Follows the links of `output` one component at a time, refusing a link that
// the kernel's rule for shared folders forbids to follow, a final link of
// another user, a link to nothing and a loop.
OutputPath followOutput(const std::string& output)
{
    OutputPath result;
    std::string current; // resolved so far, "" for the root
    if (output.empty() || output[0] != '/') {
        char* here = getcwd(nullptr, 0);
        if (!here) {
            result.refusal = "cannot be found (the current folder: " + errnoText(errno) + ")";
            return result;
        }
        current = here;
        std::free(here);
        if (current == "/")
            current.clear();
    }
    std::vector<std::string> pending; // the components still to go, the next one last
    const auto push = [&pending](const std::string& path) {
        size_t end = path.size();
        while (end > 0) {
            const size_t slash = path.rfind('/', end - 1);
            const size_t begin = slash == std::string::npos ? 0 : slash + 1;
            pending.emplace_back(path, begin, end - begin);
            end = slash == std::string::npos ? 0 : slash;
        }
    };
    const auto rest = [&pending] {
        std::string path;
        for (auto it = pending.rbegin(); it != pending.rend(); ++it)
            path.append("/").append(*it);
        return path;
    };
    push(output);
    const uid_t user = geteuid();
    int links = 0;
    // The last link followed in the final place, what it names, and whether it
    // is the output itself.
    std::string finalLink, finalTarget;
    bool finalIsOutput = false;
    while (!pending.empty()) {
        const std::string name = std::move(pending.back());
        pending.pop_back();
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            current.erase(std::min(current.size(), current.rfind('/')));
            continue;
        }
        const bool last = std::all_of(pending.begin(), pending.end(), [](const std::string& part) {
            return part.empty() || part == ".";
        });
        const std::string next = current + "/" + name;
        struct stat info = {};
        if (lstat(next.c_str(), &info) != 0) {
            if (errno == ENOENT && !finalLink.empty()) {
                result.refusal = (finalIsOutput ? "is" : "leads to " + finalLink + ",") +
                                 std::string(" a link to ") + finalTarget +
                                 ", which does not exist";
                return result;
            }
            // A new file, or a folder that cannot be looked into: writing tells.
            result.path = next + rest();
            return result;
        }
        if (!S_ISLNK(info.st_mode)) {
            current = next;
            if (!last && !S_ISDIR(info.st_mode)) {
                result.path = next + rest(); // writing tells: not a folder
                return result;
            }
            continue;
        }
        if (++links > kMostLinks) {
            result.refusal = "is a link loop (more than " + std::to_string(kMostLinks) +
                             " links one after the other)";
            return result;
        }
        const std::string folder = current.empty() ? "/" : current;
        struct stat folderInfo = {};
        const bool shared = lstat(folder.c_str(), &folderInfo) == 0 &&
                            (folderInfo.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
        if (last && info.st_uid != user) {
            result.refusal =
                links == 1 ? "is a link of another user (uid " + std::to_string(info.st_uid) + ")"
                           : "leads to " + otherUsersLink(next, info.st_uid);
            return result;
        }
        if (shared && info.st_uid != user && info.st_uid != folderInfo.st_uid) {
            result.refusal = "goes through " + otherUsersLink(next, info.st_uid) +
                             " in the shared folder " + folder;
            return result;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = readlink(next.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<size_t>(length) >= target.size()) {
            result.refusal = "cannot be followed (the link " + next + " cannot be read)";
            return result;
        }
        target.resize(static_cast<size_t>(length));
        if (last) {
            finalLink = next;
            finalTarget = target;
            finalIsOutput = links == 1;
        }
        if (!target.empty() && target[0] == '/')
            current.clear();
        push(target);
    }
    result.path = current.empty() ? "/" : current;
    result.exists = lstat(result.path.c_str(), &result.info) == 0;
    return result;
}

// Why the existing file an output names must not be replaced: not a regular
// file, or write-protected (by its mode bits, as a drive image is: for root too).
std::string fileRefusal(const std::string& path, const struct stat& info)
{
    if (!S_ISREG(info.st_mode))
        return std::string("is ") + kindOf(info.st_mode) + ", not a regular file";
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("is write-protected (mode ") + mode + ")";
    }
    return {};
}

constexpr const char* kLocked =
    "is locked by a window or the simulator that has it open, or by another write";

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

AtomicFile::AtomicFile(std::string target, Target kind) : m_target(std::move(target)), m_kind(kind)
{}

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
    if (m_targetLock >= 0)
        close(m_targetLock);
    m_targetLock = -1;
}

// Finds the file to replace; an output is checked, locked, and its stale
// temporaries go.
bool AtomicFile::openTarget(std::string& error)
{
    if (m_kind == Target::LockedByCaller) {
        m_resolved = resolved(m_target);
        return true;
    }
    const OutputPath output = followOutput(m_target);
    error = output.refusal;
    if (output.exists && error.empty())
        error = fileRefusal(output.path, output.info);
    if (!error.empty())
        return false;
    m_resolved = output.path;
    if (output.exists) {
        m_targetLock = openToLock(m_resolved);
        if (m_targetLock >= 0 && lockedElsewhere(m_targetLock)) {
            error = kLocked;
            return false;
        }
    }
    removeStaleTemporaries(m_resolved);
    return true;
}

bool AtomicFile::open(std::string& error)
{
    discard();
    if (!openTarget(error)) {
        discard();
        return false;
    }
    struct stat existing = {};
    const bool exists = stat(m_resolved.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        error = std::string("is ") + kindOf(existing.st_mode) + ", not a regular file";
        discard();
        return false;
    }
    const std::string start = folderOf(m_resolved) + "/" + temporaryPrefix(m_resolved);
    for (int attempt = 1; m_fd < 0; ++attempt) {
        std::string pattern = start + std::string(kRandomPart, 'X');
        const int fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0) {
            error = "cannot create a file in its folder (" + errnoText(errno) + ")";
            discard();
            return false;
        }
        // Locked while written, so that no other writer takes it for a stale
        // one. Another writer may have taken it for one before it was locked:
        // then it is gone or going, and another is made.
        if ((!lockedElsewhere(fd) && sameFile(fd, pattern)) || attempt == 3) {
            m_fd = fd;
            m_temporary = pattern;
        } else {
            close(fd);
        }
    }
    mode_t mode = 0;
    if (exists) {
        // The owner first: a change of owner clears the set-id bits the mode may hold.
        // A user who may not give files away keeps the group at least.
        if (fchown(m_fd, existing.st_uid, existing.st_gid) != 0)
            (void)!fchown(m_fd, static_cast<uid_t>(-1), existing.st_gid);
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(m_fd, mode) != 0) {
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
    // The temporary's lock lives on in a second descriptor until it is renamed:
    // closing the first tells whether everything reached the file.
    const int locked = fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    const int fd = m_fd;
    m_fd = -1;
    const bool closed = close(fd) == 0;
    const int closeError = errno;
    const bool renamed = closed && rename(m_temporary.c_str(), m_resolved.c_str()) == 0;
    const int renameError = errno;
    if (locked >= 0)
        close(locked);
    if (!renamed) {
        error = closed ? "cannot replace the file (" + errnoText(renameError) + ")"
                       : "cannot write (" + errnoText(closeError) + ")";
        discard();
        return false;
    }
    m_temporary.clear();
    const bool synced = syncFolder(folderOf(m_resolved), error);
    discard(); // lets go of the replaced file's lock
    return synced;
}

bool writeFileAtomically(const std::string& path, const std::string& bytes, std::string& error)
{
    AtomicFile file(path, AtomicFile::Target::Output);
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
    const std::string prefix = temporaryPrefix(real);
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
        if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        // A writer holds its temporary locked; one that cannot be opened to ask
        // is taken for left over.
        const int fd = openToLock(path);
        const bool stale = fd < 0 || !lockedElsewhere(fd);
        if (stale && unlink(path.c_str()) == 0)
            ++removed;
        if (fd >= 0)
            close(fd);
    }
    closedir(dir);
    return removed;
}

std::string outputConflict(const std::string& output,
                           const std::vector<std::pair<std::string, std::string>>& inputs)
{
    const OutputPath target = followOutput(output);
    if (!target.refusal.empty())
        return output + " " + target.refusal;
    if (!target.exists)
        return {}; // a new file, or one that cannot be looked at: writing it will tell
    for (const auto& [role, path] : inputs) {
        struct stat in = {};
        if (path.empty() || stat(path.c_str(), &in) != 0)
            continue;
        if (in.st_dev == target.info.st_dev && in.st_ino == target.info.st_ino)
            return output + " is the " + role + (path == output ? "" : " " + path);
    }
    if (const std::string refusal = fileRefusal(target.path, target.info); !refusal.empty())
        return output + " " + refusal;
    const int fd = openToLock(target.path);
    const bool locked = fd >= 0 && lockedElsewhere(fd);
    if (fd >= 0)
        close(fd);
    return locked ? output + " " + kLocked : std::string();
}

} // namespace fw
