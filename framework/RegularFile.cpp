#include "RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

int openRegularFile(const std::string& path, std::string& error, bool* missing)
{
    if (missing)
        *missing = false;
    // O_NONBLOCK: opening a FIFO without a writer would wait for one forever.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (missing)
            *missing = errno == ENOENT;
        error = std::strerror(errno);
        return -1;
    }
    struct stat info
    {};
    if (fstat(fd, &info) != 0) {
        error = std::strerror(errno);
        close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? "a folder, not a file" : "not a regular file";
        close(fd);
        return -1;
    }
    // Reads of a regular file never block; the flag is only dropped for tidiness.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool readRegularFile(const std::string& path, size_t limit, std::string& content,
                     std::string& error)
{
    const int fd = openRegularFile(path, error);
    if (fd < 0)
        return false;
    content.clear();
    char block[65536];
    for (;;) {
        const ssize_t n = read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::strerror(errno);
            close(fd);
            return false;
        }
        if (n == 0)
            break;
        if (content.size() + static_cast<size_t>(n) > limit) {
            error = "larger than " + sizeText(limit) + ", the most that is read";
            close(fd);
            return false;
        }
        content.append(block, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

std::string sizeText(size_t bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return std::to_string(bytes / (1024 * 1024)) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0)
        return std::to_string(bytes / 1024) + " KiB";
    return std::to_string(bytes) + " bytes";
}

} // namespace fw
