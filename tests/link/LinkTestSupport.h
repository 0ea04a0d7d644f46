#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace linktest {

// nebpt-drive-sim serving a drive image, started for a test on a free port of
// 127.0.0.1 (on the port an option "--port" names, or on a serial device with
// "--rtu") and stopped by its process id
// when the test is done with it (or when the test's thread that started it ends). The simulator
// tells where it listens on the first line it prints; what it logs goes to the test's stderr.
// `openFiles`, when given, is its limit of open descriptors (RLIMIT_NOFILE).
class DriveSimulator
{
public:
    explicit DriveSimulator(const std::string& image, const std::vector<std::string>& options = {},
                            rlim_t openFiles = 0)
    {
        std::vector<std::string> arguments{NEBPT_DRIVE_SIM_EXECUTABLE};
        bool serial = false, port = false;
        for (const std::string& option : options) {
            arguments.push_back(option);
            serial = serial || option == "--rtu";
            port = port || option == "--port";
        }
        if (!serial && !port)
            arguments.insert(arguments.end(), {"--port", "0"});
        arguments.push_back(image);

        // Made before the fork: the child may only exec (the test runs threads).
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) {
            ADD_FAILURE() << "pipe: " << errno;
            return;
        }
        const pid_t test = getpid();
        m_pid = fork();
        if (m_pid == 0) {
            // It ends with the test that started it, should that test die
            // without stopping it: left running, it would hold the test's
            // stderr open and CTest would wait for it for ever.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != test)
                _exit(127);
            const rlimit limit{openFiles, openFiles};
            if (openFiles > 0)
                setrlimit(RLIMIT_NOFILE, &limit);
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        m_where = firstLine(out[0]);
        close(out[0]);
        const std::string prefix = "listening on ";
        if (m_where.rfind(prefix, 0) != 0) {
            ADD_FAILURE() << "nebpt-drive-sim did not start: \"" << m_where << "\"";
            m_where.clear();
            return;
        }
        m_where.erase(0, prefix.size());
        const size_t colon = m_where.rfind(':');
        if (!serial && colon != std::string::npos)
            m_port = std::stoi(m_where.substr(colon + 1));
    }
    ~DriveSimulator() { stop(); }
    DriveSimulator(const DriveSimulator&) = delete;
    DriveSimulator& operator=(const DriveSimulator&) = delete;

    pid_t pid() const { return m_pid; }
    // The port it listens on (0 in RTU mode), and where: "127.0.0.1:40123" or the device.
    int port() const { return m_port; }
    const std::string& where() const { return m_where; }
    // The host's address of the drive: "tcp://127.0.0.1:<port>".
    std::string address() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }

    // Stops it as a user does (SIGTERM) and returns its exit status (-1 when it
    // was killed by a signal or is not running).
    int stop() { return end(SIGTERM); }
    // Ends it at once, as a crash or a pulled cable would.
    void kill() { end(SIGKILL); }

private:
    static std::string firstLine(int fd)
    {
        std::string line;
        char c = 0;
        pollfd wait{fd, POLLIN, 0};
        while (poll(&wait, 1, 20000) == 1 && read(fd, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

    int end(int signal)
    {
        if (m_pid <= 0)
            return -1;
        ::kill(m_pid, signal);
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_where;
};

// A serial line for RTU: two linked pseudo-terminals made by socat, one end for
// the drive, one for the host, in the test's own folder; socat is stopped by its
// process id when the line goes. available() is false when socat is missing.
class SerialLine
{
public:
    SerialLine(const std::string& driveEnd, const std::string& hostEnd)
    {
        if (std::system("command -v socat >/dev/null 2>&1") != 0)
            return;
        const std::string drive = "pty,raw,echo=0,link=" + driveEnd;
        const std::string host = "pty,raw,echo=0,link=" + hostEnd;
        const pid_t test = getpid();
        m_pid = fork();
        if (m_pid == 0) {
            // It ends with the test that started it, should that test die
            // without stopping it: left running, it would hold the test's
            // stderr open and CTest would wait for it for ever.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != test)
                _exit(127);
            execlp("socat", "socat", drive.c_str(), host.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0;
             i < 500 && (access(driveEnd.c_str(), F_OK) != 0 || access(hostEnd.c_str(), F_OK) != 0);
             ++i)
            usleep(10000);
    }
    ~SerialLine()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    bool available() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
};

} // namespace linktest
