#include "ProgramPrinter.h"

#include "ProgramPrint.h"
#include "SimulatedDrive.h"

#include <cstdio>
#include <exception>

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

} // namespace

int printProgram(const std::string& imagePath, std::ostream& out, std::ostream& errors,
                 const std::string& language)
{
    std::string failure;
    try {
        SimulatedDrive drive(imagePath, SimulatedDrive::Access::Read);
        if (!language.empty())
            drive.setLanguage(language);
        if (NEBPT::printProgram(drive, imagePath, out, failure))
            return 0;
        // The drive's own refusal says more than what the plug-in made of it.
        failure =
            imagePath + ": " +
            (drive.lastRefusal().empty() ? failure : "the drive refused " + drive.lastRefusal());
    } catch (const DriveImageError& error) {
        failure = error.what();
    } catch (const std::exception& error) {
        failure = imagePath + ": " + error.what();
    }
    errors << oneLine(failure) << "\n";
    return 1;
}
