#pragma once

#include "HostDrive.h"
#include "RegisterMap.h"

#include <QByteArray>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A drive image that cannot be used: not a readable regular file, larger than
// DriveImage::kSizeLimit, not JSON, a required field missing or wrong,
// or more than the host's parameter interface carries. what() is one line
// naming the file and the fault.
class DriveImageError : public HostError
{
public:
    using HostError::HostError;
};

// A question a drive image has no answer to: no such parameter, element or
// setup. what() is the reason alone ("no parameter 0999"); the drive that asked
// refuses its call with it (DriveRefusal "GetParameterName: no parameter 0999").
class ImageRefusal : public HostError
{
public:
    using HostError::HostError;
};

// A drive in JSON text: the format of drive image files, of Modbus profiles and
// of program files.
//
// The image holds the drive's identity, language and index base and its
// parameters: number, display name, element count, values, and either a choice
// list ("<value>:<text>" items; a selection parameter) or limits, unit and
// decimals (a numeric parameter). A choice list is given inline or by the name of
// an entry of the image's "choiceLists". Example:
//
//   { "drive": { "type": "FCD-300", "aocVersion": "02.10", "databaseVersion": "02.40" },
//     "language": "english", "indexBase": 0,
//     "choiceLists": { "events": [ "0:False", "1:True" ] },
//     "parameters": [
//       { "number": 1301, "name": "Step event", "elementCount": 20, "choices": "events",
//         "values": [ "1", "0", ... ] },
//       { "number": 1303, "name": "Step timer", "elementCount": 8, "minimum": "0",
//         "maximum": "3600", "unit": "s", "decimals": 2, "values": [ "5.00", ... ] },
//       { "number": 1300, "name": "Controller mode", "choices": [ "0:Off", "1:On" ],
//         "values": [ "1" ] } ] }
//
// A parameter without "elementCount" (or with 0) is a single value: "values" holds
// exactly one entry and the host addresses it without index. An array parameter
// holds one value per element; the host addresses element e as e + indexBase.
//
// An image may also say where a drive of its type keeps each parameter in Modbus
// holding registers (see RegisterMap.h for how values travel). The image then has
// a "modbus" object and every parameter a first "register" (0 to 65535) and a
// "width" (registers per element: 1 for 16-bit values, the default, or 2 for
// 32-bit ones):
//
//   "modbus": { "unit": 1, "wordOrder": "high-first", "identificationRegister": 0 },
//   ... { "number": 1303, ..., "register": 220, "width": 2, ... }
//
// "unit" (1 to 247, default 1) is the unit id the drive answers to, "wordOrder"
// ("high-first", the default, or "low-first") the order of a 32-bit value's two
// registers, "identificationRegister" (optional) the first of the 16 registers
// that hold the drive's identity. "statusRegister" and "inputRegister" (optional)
// are the first registers of the blocks that show the drive's controller while
// it runs its program (RegisterMap.h): whatever the program, a status block takes
// kStatusBlockRegisters (256) registers, enough for 5 + 2 * timers + comparators
// + logic rules, and an input block kInputBlockRegisters (256), enough for 255
// inputs the program reads. Parameters and blocks must not share registers with
// each other or with the identity, and every value a parameter may hold (its values,
// choices and limits) must fit its width. Such an image is at the same time the
// profile a host needs to work with a drive of that type over Modbus: what the
// drive does not tell (names, choice lists, limits, element counts, index base,
// language) and where each parameter lies; the host ignores its values then.
//
// Values are kept the way the drive holds them: a choice value as plain decimal
// text ("7"), a number rounded to the parameter's decimals as "%.<decimals>f"
// text ("12.50" with two decimals). A value in the file with more decimals than
// the parameter keeps is an error, never rounded unsaid.
//
// What the editor lays out and what the host's parameter interface carries bound
// an image (and a Modbus profile, which is read as one): at most
// kMaxArrayElements (4096) elements per parameter, choice values from
// -2147483648 to 2147483647 (signed 32 bits: "-1:Never" is a choice like any
// other), and host indexes (element + index base) up to 2147483647. An image
// beyond these is refused, naming the parameter.
struct DriveImage
{
    struct Parameter
    {
        unsigned long number = 0;
        std::string name;
        unsigned long elementCount = 0;         // 0: a single value
        std::vector<std::string> values;        // one per element, or one; as the drive keeps them
        std::vector<std::string> choices;       // "<value>:<text>", empty for a numeric one
        std::vector<std::int32_t> choiceValues; // the <value> of each choice, as parse() reads it
        std::string minimum, maximum, unit;     // as reported; empty: no limit, no unit
        int decimals = 0;

        bool isSelection() const { return !choices.empty(); }
        // Whether the parameter takes the value text: `stored` receives the form
        // the drive keeps, `reason` why it refuses ("choice value 9 is not in the
        // choice list of parameter 1301", "... is outside the limits ...").
        bool accepts(const std::string& text, std::string& stored, std::string& reason) const;
    };

    // The one setup of a drive.
    static constexpr const char* kSetupName = "Setup 1";
    // The largest image file that is read; a drive image is a few kilobytes.
    static constexpr size_t kSizeLimit = 4 * 1024 * 1024;

    std::string driveType, aocVersion, databaseVersion;
    std::string language;
    int indexBase = 0;
    std::vector<Parameter> parameters; // in the order of the file
    modbusmap::Map registerMap;        // empty: the image says nothing of registers

    // Reads an image; throws DriveImageError "<where>: <what is wrong>".
    static DriveImage parse(const QByteArray& bytes, const std::string& where);
    // Reads the image file at `path`, opened without blocking (a FIFO or a device
    // is never read) and at most kSizeLimit long; throws DriveImageError
    // "<path>: <what is wrong>".
    static DriveImage load(const std::string& path);

    // --- what a drive answers from its image ---
    // The questions of the host's parameter interface that the image of a drive
    // (or the profile of its type) answers. One without answer throws
    // ImageRefusal with the reason the drive gives.

    // The parameter with this number; null when there is none.
    const Parameter* parameter(unsigned long number) const;
    // The parameter a number text ("1301") names: "\"13x1\" is not a parameter
    // number", "no parameter 0999".
    const Parameter& named(const std::string& numberText) const;
    // The parameter an identifier ("1301" or "1301.4") names, and the host index
    // it gives (-1 without one).
    const Parameter& identified(const std::string& identifier, long& index) const;
    // The element (0-based; -1 for a single value) that the host index `index`
    // (-1: none; the index base included) names in parameter `number`; false with
    // the reason when there is no such parameter or element.
    bool elementOf(unsigned long number, long index, long& element, std::string& reason) const;
    // The position in the parameter's values of the element a host index names
    // (0 for a single value); throws ImageRefusal as elementOf tells.
    size_t position(const Parameter& parameter, long index) const;
    // Whether parameter `number` takes the value text (Parameter::accepts).
    bool accepts(unsigned long number, const std::string& text, std::string& stored,
                 std::string& reason) const;
    // The choice list of the parameter an identifier names; empty for a numeric one.
    const std::vector<std::string>& choiceList(const std::string& identifier) const;
    // The limits, unit and decimals of a parameter; a selection's run from its
    // lowest to its highest choice value, without unit or decimals. An index,
    // when given (not -1), must name an element.
    void attributes(const std::string& numberText, long index, std::string& minimum,
                    std::string& maximum, std::string& unit, std::string& decimals) const;
    // Refuses every number that names no parameter (RegisterParameters).
    void checkParameters(const std::vector<std::string>& numbers) const;
    // Refuses a setup other than kSetupName.
    static void checkSetup(const std::string& setup);
    // Refuses a write call with another setup or as many identifiers as values.
    static void checkWrite(const std::vector<std::string>& identifiers,
                           const std::vector<std::string>& values, const std::string& setup);

    // The image as indented JSON text. An image that was parsed keeps the form of
    // its text where it holds what the text said (a named choice list, a default
    // left out, fields this type does not know), so that saving an image with
    // other values changes only its values; what differs, and an image made in
    // memory, is written in full.
    QByteArray toJson() const;

private:
    QJsonObject m_source; // the text parsed; empty for an image made in memory
    // Parameter number -> position in `parameters`, as parsed; checked before it
    // is used, since the parameters may change after.
    std::map<unsigned long, size_t> m_positions;
};
