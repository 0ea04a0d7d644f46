#pragma once

#include <cstddef>
#include <ostream>
#include <streambuf>
#include <string>

// nebpt-drive-sim's log, which must never hold up serving: its one thread
// answers every client, and a terminal held still, a pipe nobody reads or a
// reader slower than the refusals would otherwise stop it for everyone.
//
// While it lives, what `stream` (std::cerr) is given goes out without blocking,
// whole lines at a time. Lines its reader has not taken yet are kept, up to
// kMostKept bytes, and sent as the reader makes room: with the next line and
// whenever the stream is flushed (the serving loop does, each time it wakes).
// A line with no room is dropped and counted; the count is logged as soon as
// there is room for it ("nebpt-drive-sim: 1200 log lines dropped ...").
// At the end it waits at most a second for the reader to take what is kept.
//
// Pipes, FIFOs and terminals are written through a description of its own
// (reopened through /proc/self/fd), so that making it non-blocking leaves the
// one shared with the shell as it was; sockets are sent to without waiting;
// regular files are written as they are (they do not keep a writer waiting).
class SimLog : public std::streambuf
{
public:
    static constexpr std::size_t kMostKept = 32 * 1024;

    // Takes the place of `stream`'s buffer until destroyed; writes to `fd`.
    SimLog(std::ostream& stream, int fd);
    ~SimLog() override;
    SimLog(const SimLog&) = delete;
    SimLog& operator=(const SimLog&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void add(char c);
    // The line is whole: kept to be sent, or dropped and counted.
    void keep();
    // Writes what the reader takes now, then the count of dropped lines when it fits.
    void send();
    void sendKept();
    std::string droppedNotice() const;

    std::ostream& m_stream;
    std::streambuf* const m_previous;
    int m_fd;       // where the lines go
    int m_own = -1; // a description of our own, closed at the end
    bool m_socket = false;
    bool m_gone = false; // nobody can read it any more (a closed pipe): nothing is kept
    std::string m_line;
    std::string m_kept;
    long m_dropped = 0;
};
