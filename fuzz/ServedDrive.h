#pragma once

#include "FuzzSupport.h"
#include "SimulatedDrive.h"

#include <memory>
#include <string>

namespace fuzzsupport {

// The drive a simulator target serves: the image `bytes()` in the sandbox, loaded
// anew once an input has written to it (`written`), so that every input starts
// from the same drive.
inline SimulatedDrive& servedDrive(std::string (*bytes)(), bool& written)
{
    static std::unique_ptr<SimulatedDrive> drive;
    if (written || !drive) {
        drive.reset();
        sandbox().folder.writeText("drive.json", bytes());
        drive = std::make_unique<SimulatedDrive>(sandbox().folder.file("drive.json"));
        check(!drive->readOnly(), "the image opens for writing: " + drive->readOnlyReason());
        written = false;
    }
    return *drive;
}

} // namespace fuzzsupport
