#pragma once

#include <chrono>
#include <ostream>
#include <string>

// `nebpt-host --print <image.json>`: connects to the drive image the way the host
// connects to a drive (support question first, then the plug-in's settings
// manager) and writes the controller program as text: the pairs, the
// comparators, logic rules and timers they refer to, and the controller settings.
//
// Returns the exit status: 0 when the program was printed; 1 when the image, the
// drive or its configuration cannot be used, after one line on `errors` naming
// the file and what is wrong. The image file is only read, never locked: an image
// a host has open for writing is printed all the same. A `language` tells the
// drive the language the host runs in; empty, the drive answers the image's own.
int printProgram(const std::string& imagePath, std::ostream& out, std::ostream& errors,
                 const std::string& language = {});

// `nebpt-host --print --connect <address> --profile <profile.json>`: the same for a
// drive over a Modbus link (see ModbusDrive.h), with the profile telling what the
// drive does not. The program is printed as for the drive image the profile is,
// named by the address, so that a drive that holds the image's program prints
// as the image does below the first line. Every value printed was read: when a
// read fails (the plug-in takes some as defaults), nothing is printed and one
// line names the parameter, the address and the reason; any other failure is
// one line naming the address and what is wrong (exit status 1).
int printProgram(const std::string& address, const std::string& profilePath,
                 std::chrono::milliseconds timeout, std::ostream& out, std::ostream& errors,
                 const std::string& language = {});
