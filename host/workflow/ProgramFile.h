#pragma once

#include "HostDrive.h"
#include "ProgramWorkflow.h"

#include <QByteArray>

// Program files: the library reads, compares and imports a controller program
// (ProgramWorkflow.h); the host keeps it in a file.
//
// A program file is a drive image (DriveImage.h) that holds just the program's
// parameters, with every element, and the drive's identity, language and index
// base: readable, and itself a drive that --print, --check and --diff take.
namespace programfile {

// The workflow of one command over the host's drives: its messages name a drive
// by where it is (HostDrive::location).
NEBPT::ProgramWorkflow workflow();

// The program file (JSON text) of a drive's program.
QByteArray fileOf(const NEBPT::ProgramData& program);

// The drive's own rule for the values it takes (HostDrive::accepts); none for a
// drive that is not one of the host's.
NEBPT::ValueFit fitOf(IExtParamInterface& drive);

} // namespace programfile
