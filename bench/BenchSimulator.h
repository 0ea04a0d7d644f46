#pragma once

// nebpt-drive-sim serving an image on a free port of 127.0.0.1 for a benchmark,
// answering each request after `latencyMs`; stopped by its process id.
// NEBPT_DRIVE_SIM_EXECUTABLE names the simulator.

#include <csignal>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

class Simulator
{
public:
    Simulator(const std::string& image, int latencyMs)
    {
        const std::string latency = std::to_string(latencyMs);
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe failed");
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execl(NEBPT_DRIVE_SIM_EXECUTABLE, NEBPT_DRIVE_SIM_EXECUTABLE, "--port", "0",
                  "--latency", latency.c_str(), image.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        std::string line;
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        const std::string prefix = "listening on ";
        if (line.rfind(prefix, 0) != 0) {
            stop();
            throw std::runtime_error("nebpt-drive-sim did not start: " + line);
        }
        m_address = "tcp://" + line.substr(prefix.size());
    }
    ~Simulator() { stop(); }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    const std::string& address() const { return m_address; }

private:
    void stop()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    pid_t m_pid = -1;
    std::string m_address;
};

} // namespace bench
