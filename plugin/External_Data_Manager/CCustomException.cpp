#include "External_Data_Manager/ExternalDataManager.h"

#include "framework/Format.h"
#include "framework/SystemPaths.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CCustomException::CCustomException(int category, int line, const std::string& file, int code)
    : m_category(category), m_line(line), m_file(file), m_code(code), m_logPath(makeLogPath())
{
    appendLogLine(fw::format("%i %s %i", m_line, m_file.c_str(), m_code));
}

CCustomException::CCustomException(int line, const std::string& file, const std::string& text)
    : m_category(5), m_line(line), m_file(file), m_code(0), m_text(text), m_logPath(makeLogPath())
{
    appendLogLine(fw::format("%i %s %s", m_line, m_file.c_str(), m_text.c_str()));
}

CCustomException::CCustomException(const CCustomException& other) = default;
CCustomException& CCustomException::operator=(const CCustomException& other) = default;
CCustomException::~CCustomException() = default;

std::string CCustomException::logFolder()
{
    return fw::format("%sTorvane Drives", fw::tempFolder().c_str());
}

std::string CCustomException::makeLogPath()
{
    // The temporary folder is shared: a folder someone else made, or a link, could
    // send the log anywhere. Such a folder counts as one that cannot be made.
    const std::string folder = logFolder();
    if (!fw::makePrivateDirectory(folder))
        return {};
    // A log that is there must be a file of the user's own, not a link.
    const std::string log = folder + "/nebpt.log";
    struct stat info
    {};
    if (lstat(log.c_str(), &info) == 0 && (!S_ISREG(info.st_mode) || info.st_uid != geteuid()))
        return {};
    return log;
}

void CCustomException::appendLogLine(const std::string& message) const
{
    if (m_logPath.empty())
        return;
    try {
        // Never through a link, never blocking on a FIFO, and only into a file.
        const int fd = open(
            m_logPath.c_str(),
            O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0)
            return;
        struct stat info
        {};
        if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
            close(fd);
            return;
        }
        std::FILE* file = fdopen(fd, "ab");
        if (!file) {
            close(fd);
            return;
        }
        char timeText[64] = "";
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        if (now != std::time_t(-1) && localtime_r(&now, &local))
            std::strftime(timeText, sizeof timeText, "%d.%m.%Y %H:%M:%S", &local);
        const std::string line = fw::format("%s %s\r\n", timeText, message.c_str());
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    } catch (...) {
        // The failure being reported goes on unlogged.
    }
}
