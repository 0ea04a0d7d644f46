#pragma once

#include "HostDrive.h"

#include <QString>

#include <string>

// What went wrong with the drive a document has open, told once: what kind of
// problem it is, the message in the engineer's words (empty when a status line
// says enough), the status line, the reason in one line as the drive or the
// link gave it (for logs and the command line), and what the drive holds after
// a write.
struct DriveProblem
{
    enum class Kind
    {
        NotOpened,     // the image, profile or address cannot be used, or no link
        NotSupported,  // the plug-in does not serve the drive's type and database
        ReadOnly,      // the image is opened read-only (news, not a failure)
        ReadFailed,    // a value could not be read: no program is shown
        Refused,       // the drive refused a write; it holds what it held before
        LinkLost,      // the link went down
        PartlyWritten, // a write left part of it on the drive (`holds`)
        Note,          // news that is not bad ("holds the program already")
    };
    Kind kind = Kind::NotOpened;
    QString text;
    QString status;
    std::string reason;
    WriteOutcome holds;
};
