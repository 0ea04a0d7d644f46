#include "ProgramPrinter.h"

#include "ModbusDrive.h"
#include "ProgramPrint.h"
#include "SimulatedDrive.h"

#include <cstdio>
#include <exception>
#include <sstream>

namespace {

// The text with every control character written as an escape (\n, \x01), so that
// a failure is always told in one line whatever texts the image holds.
std::string oneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
            line += escape;
        } else {
            line += c;
        }
    }
    return line;
}

// Prints the drive's program under `label`; false with `failure` (naming `where`).
// Nothing is printed unless every value was read.
bool printFrom(HostDrive& drive, const std::string& label, const std::string& where,
               const std::string& language, std::ostream& out, std::string& failure)
{
    if (!language.empty())
        drive.setLanguage(language);
    const std::string refusalBefore = drive.lastRefusal();
    std::ostringstream printed;
    const bool done = NEBPT::printProgram(drive, label, printed, failure);
    // A value that could not be read: the plug-in may have printed a default for it,
    // or failed on what followed from it.
    if (!drive.readFailure().empty()) {
        failure = drive.readFailure(); // names the parameter and the address
        return false;
    }
    if (done) {
        out << printed.str() << std::flush;
        return true;
    }
    if (const auto* link = dynamic_cast<const ModbusDrive*>(&drive); link && !link->linkUp()) {
        failure = link->linkFailure(); // names the address
        return false;
    }
    // The drive's own refusal says more than what the plug-in made of it.
    failure = where + ": " +
              (drive.lastRefusal() == refusalBefore ? failure
                                                    : "the drive refused " + drive.lastRefusal());
    return false;
}

} // namespace

int printProgram(const std::string& imagePath, std::ostream& out, std::ostream& errors,
                 const std::string& language)
{
    std::string failure;
    try {
        SimulatedDrive drive(imagePath, SimulatedDrive::Access::Read);
        if (printFrom(drive, imagePath, imagePath, language, out, failure))
            return 0;
    } catch (const DriveImageError& error) {
        failure = error.what();
    } catch (const std::exception& error) {
        failure = imagePath + ": " + error.what();
    }
    errors << oneLine(failure) << "\n";
    return 1;
}

int printProgram(const std::string& address, const std::string& profilePath,
                 std::chrono::milliseconds timeout, std::ostream& out, std::ostream& errors,
                 const std::string& language)
{
    std::string failure;
    try {
        ModbusDrive drive(address, profilePath, timeout);
        if (printFrom(drive, address, address, language, out, failure))
            return 0;
    } catch (const DriveImageError& error) {
        failure = error.what();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    errors << oneLine(failure) << "\n";
    return 1;
}
