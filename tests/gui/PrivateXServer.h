#pragma once

#include <string>
#include <sys/types.h>

namespace guitest {

// An Xvfb of the test program's own: started on a display number it finds free
// (Xvfb -displayfd tells which, once it accepts connections), listening on its
// local socket only, and stopped by its process id when the object goes. It
// also ends with the test program, should that die first (PR_SET_PDEATHSIG).
class PrivateXServer
{
public:
    // `logFile`: where Xvfb's own messages go.
    explicit PrivateXServer(const std::string& logFile);
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N" once it runs; empty when it could not be started (failure() says why).
    const std::string& display() const { return m_display; }
    const std::string& failure() const { return m_failure; }

private:
    void stop();

    pid_t m_pid = -1;
    std::string m_display, m_failure;
};

} // namespace guitest
