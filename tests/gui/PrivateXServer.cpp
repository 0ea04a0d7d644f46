#include "PrivateXServer.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace guitest {

namespace {

constexpr const char* kXvfb = "Xvfb";
// How long Xvfb may take to accept connections before the tests give up on it:
// a bail-out for a server that hangs, far beyond what starting one takes.
constexpr int kStartLimitMs = 60000;

} // namespace

PrivateXServer::PrivateXServer(const std::string& logFile)
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        m_failure = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    // Made before the fork: the child only redirects its output and runs Xvfb.
    const std::string fd = std::to_string(ready[1]);
    std::vector<std::string> arguments{
        kXvfb, "-displayfd", fd, "-nolisten", "tcp", "-screen", "0", "1280x1024x24", "-noreset"};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();

    m_pid = fork();
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(126);
        const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int nothing = open("/dev/null", O_RDONLY);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        if (nothing >= 0)
            dup2(nothing, STDIN_FILENO);
        fcntl(ready[1], F_SETFD, 0); // Xvfb writes its display number here
        execvp(kXvfb, argv.data());
        _exit(127);
    }
    close(ready[1]);
    if (m_pid < 0) {
        m_failure = std::string("fork: ") + std::strerror(errno);
        close(ready[0]);
        return;
    }

    std::string number;
    char c = 0;
    pollfd wait{ready[0], POLLIN, 0};
    while (poll(&wait, 1, kStartLimitMs) == 1 && read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (c == '\n' && !number.empty()) {
        m_display = ":" + number;
        return;
    }
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        m_failure =
            WIFEXITED(status) && WEXITSTATUS(status) == 127
                ? "Xvfb is not installed (Debian package xvfb; scripts/setup installs it)"
                : "Xvfb ended without accepting connections (its messages are in " + logFile + ")";
    } else {
        m_failure = "Xvfb did not accept connections (its messages are in " + logFile + ")";
    }
    stop();
}

PrivateXServer::~PrivateXServer()
{
    stop();
}

void PrivateXServer::stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}

} // namespace guitest
