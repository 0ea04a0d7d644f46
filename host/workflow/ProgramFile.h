#pragma once

#include "HostDrive.h"
#include "IExtParamInterface.h"

#include <QByteArray>

#include <string>
#include <vector>

// A controller program apart from its drive, and the comparison of programs.
//
// The program lies in the fourteen parameters that the drive configuration
// names for the drive's type and database version: the controller mode, the
// pairs' events and actions, the timers, the comparators' operands, operators
// and values, the logic rules' operands and operators, and the controller's
// start and stop events.
//
// A program file is a drive image (DriveImage.h) that holds just these
// parameters, with every element, and the drive's identity, language and index
// base: readable, and itself a drive that --print, --check and --diff take.
namespace programfile {

// A program that cannot be exported, compared or imported; what() is one line
// naming the parameter and element (or the identity) at fault.
class Error : public HostError
{
public:
    using HostError::HostError;
};

// One element of the program: where it lies on its drive, and what it holds.
struct Entry
{
    std::string label;      // in the terms of --print: "Pair 3: event", "Timer 2"
    std::string identifier; // on the drive: "1301.3", or "1300" without index
    std::string value;      // as the drive holds it: "34", "5.00"
    std::string text;       // as --print shows it: "\"Timeout 0\"", "5.00 s"
};

// The program's elements in a fixed order: parameter by parameter as the
// configuration orders them, element by element.
std::vector<Entry> readProgram(IExtParamInterface& drive);

// The program file of the drive's program (JSON text).
QByteArray exportProgram(IExtParamInterface& drive);

struct Change
{
    Entry now;    // what the drive holds
    Entry future; // what the program file puts there
};

// What to do with a value that has more decimals than the drive keeps.
enum class Rounding
{
    Refuse, // the program does not fit
    Round   // round it to the drive's decimals, with a note
};

// What importing the program file would change on the drive, element by
// element. Refuses (Error) a program that does not fit the drive: another drive
// type, a database version that gives the program other parameter numbers,
// other element counts, a value outside the drive's choice list or limits, a
// value with more decimals than the drive keeps (unless rounded: then `notes`
// gets one line per rounded value). A value the drive holds already is no change.
std::vector<Change> planImport(IExtParamInterface& programFile, IExtParamInterface& drive,
                               Rounding rounding = Rounding::Refuse,
                               std::vector<std::string>* notes = nullptr);
// Carries out the plan in one write of the drive: all of it or, when the drive
// refuses, nothing (on a drive that writes all or nothing).
void importProgram(IExtParamInterface& drive, const std::vector<Change>& plan);

// "Pair 3: event \"Timeout 0\" -> \"Comparator 1\"": one line per element that
// differs between the programs of two drives of the same kind; a program with
// more pairs (or other objects) than the other shows "(none)" for what the other
// lacks.
std::vector<std::string> compare(IExtParamInterface& a, IExtParamInterface& b);

} // namespace programfile
