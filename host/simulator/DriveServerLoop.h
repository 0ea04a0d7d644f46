#pragma once

#include "DriveServer.h"

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

// nebpt-drive-sim's serving loop: one thread and poll(2) serve every client at
// once. Over TCP each connection keeps its own partial frame (framed by the
// MBAP header); over RTU a frame ends with the line's silence (3.5 character
// times, 2 ms at least). A connection takes its next request once the answer
// to the last one has gone, so answers keep their order; an answer is due
// `latency` after its request came, and the loop serves others meanwhile. Each
// time it wakes, before it takes a request, the drive's controller (if any) runs
// the scans that are due (DriveServer::catchUp).

// A fault played on the request of that number. Requests are counted over the
// whole process from 1, in the order they are taken: every request for this
// drive (TCP: every frame; RTU: intact frames for its unit or broadcast).
struct SimFault
{
    enum class Kind
    {
        Drop,   // neither applied nor answered; the connection is closed
        Lose,   // applied, not answered; the connection is closed
        Late,   // applied, answered `delay` late
        Trickle // applied, answered one byte every `delay`
    };
    Kind kind = Kind::Drop;
    long request = 0;
    std::chrono::milliseconds delay{0};
};

struct ServeOptions
{
    std::chrono::milliseconds latency{0};
    // A TCP connection without a byte either way for this long is closed; 0: never.
    std::chrono::seconds idleTimeout{60};
    std::vector<SimFault> faults;
};

// Reads one --fault SPEC: drop:N, lose:N, late:N:MS and trickle:N:MS go to
// `faults`, refuse:R to `failing`. False with `error` when it is none of these.
bool parseFault(const std::string& spec, std::vector<SimFault>& faults, std::vector<int>& failing,
                std::string& error);

// Serve until `stopping` is set; the exit status: 0, or 1 when the port or the
// device cannot be used. The first line on stdout tells where it listens.
int serveTcp(DriveServer& server, int port, const ServeOptions& options,
             const volatile std::sig_atomic_t& stopping);
int serveRtu(DriveServer& server, const std::string& device, int baud, char parity,
             const ServeOptions& options, const volatile std::sig_atomic_t& stopping);
