#include "SystemPaths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fw {

namespace {

std::string& executableDirectoryOverride()
{
    static std::string directory;
    return directory;
}

std::string withTrailingSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

} // namespace

std::string tempFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    return withTrailingSlash(tmp && *tmp ? tmp : "/tmp");
}

std::string executableDirectory()
{
    if (!executableDirectoryOverride().empty())
        return executableDirectoryOverride();
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0)
        return "./";
    const std::string path(buffer.data(), static_cast<size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

void overrideExecutableDirectory(const std::string& directory)
{
    executableDirectoryOverride() =
        directory.empty() ? std::string() : withTrailingSlash(directory);
}

bool directoryExists(const std::string& path)
{
    struct stat info
    {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool makeDirectory(const std::string& path)
{
    if (mkdir(path.c_str(), 0777) == 0)
        return true;
    return errno == EEXIST && directoryExists(path);
}

bool makePrivateDirectory(const std::string& path)
{
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    // Looked at through a descriptor that refuses a link, so that what is checked
    // is what is changed.
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info
    {};
    const bool mine = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
    const bool privateNow = mine && ((info.st_mode & 07777) == 0700 || fchmod(fd, 0700) == 0);
    close(fd);
    return privateNow;
}

} // namespace fw
