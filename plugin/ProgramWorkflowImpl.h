#pragma once

// The program workflow's own parts, shared by its sources (ProgramWorkflow.cpp,
// the Qt-free part, and ProgramWords.cpp, which tells values in a drive's
// language); not a public header.

#include "ProgramWords.h"
#include "ProgramWorkflow.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace NEBPT {

struct DriveIdentity
{
    std::string type, aoc, database;
};

DriveIdentity identityOf(IExtParamInterface& drive);

// What a program parameter is, as the drive tells it.
struct ParameterDescription
{
    std::size_t role = 0; // a ProgramRole
    std::string number, name;
    unsigned long count = 0;          // 0: a single value
    std::vector<std::string> choices; // "<value>:<text>"; empty for a number
    std::string minimum, maximum, unit, decimals;

    // The text the editor shows of the choice with this value ("19:Digital input
    // 18:NPN" shows "Digital input 18"); false when the list has none.
    bool choiceText(const std::string& value, std::string& text) const;

    // The unit the printed program shows a value with ("s", "ms", none).
    std::string shownUnit() const;

    // The value as the printed program shows it, in English, as the drive holds it.
    std::string text(const std::string& value) const;

    bool sameValue(const std::string& a, const std::string& b) const;
};

struct ProgramWorkflow::Impl
{
    // What the configuration names for one drive type and database version.
    struct Known
    {
        bool found = false;
        std::vector<std::string> numbers;
        std::string failure;
    };

    DriveNaming naming;
    std::map<std::pair<std::string, std::string>, Known> known;
    std::size_t loads = 0;

    // What the configuration names for the drive; loads it for a type and
    // database version not known yet.
    const Known& lookUp(const DriveIdentity& identity);
    // The program parameters the drive configuration names for the drive, or
    // ProgramError.
    std::vector<std::string> numbersOf(IExtParamInterface& drive);
    // Where the drive is, for messages: the file or address, else "the drive".
    std::string whereIs(IExtParamInterface& drive) const
    {
        return naming ? naming(drive) : "the drive";
    }
    // Asks the drive what the parameter is; ProgramError when it has none.
    ParameterDescription describe(IExtParamInterface& drive, std::size_t role,
                                  const std::string& number) const;
};

} // namespace NEBPT
