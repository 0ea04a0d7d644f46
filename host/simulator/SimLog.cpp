#include "SimLog.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

SimLog::SimLog(std::ostream& stream, int fd)
    : m_stream(stream), m_previous(stream.rdbuf()), m_fd(fd)
{
    struct stat status
    {};
    if (fstat(fd, &status) == 0) {
        m_socket = S_ISSOCK(status.st_mode);
        if (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)) {
            std::string self = "/proc/self/fd/";
            self += std::to_string(fd);
            m_own = open(self.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            if (m_own >= 0)
                m_fd = m_own;
        }
    }
    m_stream.rdbuf(this);
}

SimLog::~SimLog()
{
    if (!m_line.empty())
        add('\n');
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    send();
    while (!m_gone && (!m_kept.empty() || m_dropped > 0)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd room{m_fd, POLLOUT, 0};
        if (left.count() <= 0 ||
            (poll(&room, 1, static_cast<int>(left.count())) < 0 && errno != EINTR))
            break;
        send();
    }
    m_stream.rdbuf(m_previous);
    if (m_own >= 0)
        close(m_own);
}

SimLog::int_type SimLog::overflow(int_type c)
{
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        add(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

std::streamsize SimLog::xsputn(const char* text, std::streamsize count)
{
    for (std::streamsize i = 0; i < count; ++i)
        add(text[i]);
    return count;
}

int SimLog::sync()
{
    send();
    return 0;
}

void SimLog::add(char c)
{
    m_line += c;
    if (c == '\n' || m_line.size() >= kMostKept)
        keep();
}

void SimLog::keep()
{
    if (!m_gone) {
        // The count of what was dropped goes before the lines that follow it.
        const std::string notice = m_dropped > 0 ? droppedNotice() : std::string();
        if (m_kept.size() + notice.size() + m_line.size() <= kMostKept) {
            m_kept += notice;
            m_kept += m_line;
            m_dropped = 0;
        } else {
            ++m_dropped;
        }
    }
    m_line.clear();
    send();
}

void SimLog::send()
{
    // Logging leaves errno as it was: a caller may still be about to tell it.
    const int callersErrno = errno;
    sendKept();
    errno = callersErrno;
}

void SimLog::sendKept()
{
    while (!m_gone) {
        while (!m_kept.empty()) {
            const ssize_t sent =
                m_socket ? ::send(m_fd, m_kept.data(), m_kept.size(), MSG_DONTWAIT | MSG_NOSIGNAL)
                         : ::write(m_fd, m_kept.data(), m_kept.size());
            if (sent > 0) {
                m_kept.erase(0, static_cast<std::size_t>(sent));
                continue;
            }
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return; // the reader has not made room yet
            // A reader gone for good (a closed pipe), or a file that takes nothing.
            m_gone = true;
            m_kept.clear();
            m_dropped = 0;
            return;
        }
        if (m_dropped == 0)
            return;
        m_kept = droppedNotice();
        m_dropped = 0;
    }
}

std::string SimLog::droppedNotice() const
{
    std::string notice = "nebpt-drive-sim: ";
    notice += std::to_string(m_dropped);
    notice += m_dropped == 1 ? " log line" : " log lines";
    notice += " dropped: stderr was not read in time\n";
    return notice;
}
