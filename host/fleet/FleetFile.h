#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// A fleet file names the drives of a line, each over a link of its own:
//
//   { "drives": [
//       { "name": "Conveyor 1", "connect": "tcp://127.0.0.1:5020", "profile": "fcd300.json" },
//       ...
//   ] }
//
// `connect` takes what --connect takes; `profile` (and a serial device) given
// as a relative path is relative to the fleet file's folder.
namespace fleet {

struct FleetDrive
{
    std::string name;
    std::string connect; // as --connect takes it, a relative serial device made absolute
    std::string profile; // absolute
};

// A fleet file that cannot be used; what() names the file and the entry.
class FleetFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Reads the fleet file: at least one drive, every name given once, every
// address one --connect takes. Throws FleetFileError.
std::vector<FleetDrive> readFleetFile(const std::string& path);

} // namespace fleet
