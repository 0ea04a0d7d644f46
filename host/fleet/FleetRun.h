#pragma once

#include "ExitStatus.h"
#include "ProgramPrintout.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

// nebpt-host --fleet FLEET.json --import PROGRAM.json | --diff PROGRAM.json:
// every drive the fleet file names (FleetFile.h), each over a link of its own
// on a worker thread, at most `jobs` at once. One drive's fault ends that
// drive alone.
//
// --import, each drive: its identity read; "refused" when the program does
// not fit its type or database (nothing written); "identical" when it holds
// the program already (nothing written: no write request reaches it);
// otherwise the elements that differ written and read back as a single
// --import writes them, losing and making the link anew alike: "written",
// "partly written" or "failed". With `dryRun` "would write" instead of writing.
// Status: 3 when any drive is partly written, else 1 when any failed or was
// refused, else 0.
//
// --diff, each drive: "equal" or "differs" from the program (how, in the
// report), "failed" when it cannot be read. Status: 1 when any failed, else 4
// when any differs, else 0.
//
// On a terminal a table, one line a drive (name, state, progress), is drawn
// anew as the drives go on; otherwise each drive's every new state is one line
// on `out`. Failures go to `errors`, one line each, named by drive. The
// report (JSON) and the printable report (PDF: the run, the program as
// --pdf prints it, the drives), when asked for, are written atomically at
// the end.
namespace fleet {

// Told how the drives go on, from the worker threads (a drive's calls come
// from one thread, in order; different drives' from different threads): a new
// state ("connecting", "reading", "writing", ...) with its progress in percent,
// and at the end the drive's outcome with the failure the report files (empty
// when none). Drives are numbered as the fleet file lists them.
class FleetObserver
{
public:
    virtual ~FleetObserver() = default;
    virtual void driveState(size_t drive, const std::string& state, int percent) = 0;
    virtual void driveEnded(size_t drive, const std::string& outcome,
                            const std::string& failure) = 0;
};

struct FleetRequest
{
    std::string fleetFile;
    std::string program;
    bool diff = false; // the drift check instead of the import
    bool dryRun = false;
    bool round = false;
    int jobs = 8;
    std::string report; // empty: none
    std::string pdf;    // empty: none
    TitleBlock title;   // the PDF's
    std::chrono::milliseconds timeout{1000};
    bool terminal = false;             // draw the live table (stdout is a terminal)
    FleetObserver* observer = nullptr; // told besides the table or the lines
    // Once set, a drive that has not begun to write ends "cancelled" with
    // nothing written; one that has finishes its import as it would.
    const std::atomic<bool>* cancel = nullptr;
    std::string* reportText = nullptr; // given: the report's JSON, asked for or not
};

// The whole command; a fleet file or report that cannot be used is a wrong
// command line (kUsage) told on `errors`, naming the entry.
ExitStatus runFleet(const FleetRequest& request, std::ostream& out, std::ostream& errors);

} // namespace fleet
