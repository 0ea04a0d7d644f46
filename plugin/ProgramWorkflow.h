#pragma once

#include "IExtParamInterface.h"
#include "NEBPTExport.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

// The controller program apart from the editor: printed, checked, read element by
// element, exported as plain data, compared and imported, through the host's
// parameter interface. The program lies in the fourteen parameters that the drive
// configuration names for the drive's type and database version: the controller
// mode, the pairs' events and actions, the timers, the comparators' operands,
// operators and values, the logic rules' operands and operators, and the
// controller's start and stop events.
class CNEB_LogicRule;

namespace NEBPT {

class CNEB_Program;

// A program that cannot be read, exported, compared or imported; what() is one
// line naming the parameter and element (or the identity) at fault.
class NEBPT_EXPORT ProgramError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One element of the program: where it lies on its drive, and what it holds.
struct ProgramEntry
{
    std::string label;      // in the terms of the printed program: "Pair 3: event", "Timer 2"
    std::string identifier; // on the drive: "1301.3", or "1300" without index
    std::string value;      // as the drive holds it: "34", "5.00"
    std::string text;       // as the printed program shows it: "\"Timeout 0\"", "5.00 s"
};

// One program parameter as the drive describes it, with its values.
struct ProgramParameter
{
    std::string number, name;
    unsigned long elementCount = 0;   // 0: a single value
    std::vector<std::string> choices; // "<value>:<text>"; empty for a number
    std::string minimum, maximum, unit, decimals;
    std::vector<std::string> values; // one per element
};

// A drive's program as plain data: its identity and the program parameters in the
// configuration's order.
struct ProgramData
{
    std::string driveType, aocVersion, databaseVersion, language;
    int indexBase = 0;
    std::vector<ProgramParameter> parameters;
};

struct ProgramChange
{
    ProgramEntry now;    // what the drive holds
    ProgramEntry future; // what the program puts there, as the drive keeps it
};

// What to do with a value that has more decimals than the drive keeps.
enum class Rounding
{
    Refuse, // the program does not fit
    Round   // round it to the drive's decimals, with a note
};

// Whether a drive takes the value `text` for parameter `number`: true with the
// form it keeps in `stored` ("7" for "07", "0.00" for "0.001"), false with the
// drive's reason.
using ValueFit = std::function<bool(unsigned long number, const std::string& text,
                                    std::string& stored, std::string& reason)>;

// Where a drive is, for messages ("drive.json", "127.0.0.1:1502").
using DriveNaming = std::function<std::string(IExtParamInterface& drive)>;

struct ImportPlan
{
    std::vector<ProgramChange> changes; // element by element, in the program's order
    std::vector<std::string> notes;     // one line per rounded value
};

// The printed program: the identity line, then sections, each a heading and rows.
struct ProgramRow
{
    std::string label; // "Pair 3", "Comparator 1"
    std::string text;  // "Logic rule 1 -> Set relay 1 high"
};
struct ProgramSection
{
    std::string heading; // as printed: "Program: 5 of 20 pairs", "Timers: none"
    std::vector<ProgramRow> rows;
};

// One pair as a document draws it in the program's flow.
struct ProgramStep
{
    std::string label;         // "Pair 3"
    std::string event, action; // the drive's choice texts
    // What the object the event or action refers to holds: a timer's time
    // ("5.00 s"), a comparator's condition ("Motor speed Greater than
    // 1200.000"), a logic rule's formula; empty when it refers to none.
    std::string eventValue, actionValue;
};

// A table of a document: a heading, its columns' headings and its rows, a cell
// for each column.
struct ProgramTable
{
    std::string heading; // "Comparators"
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// The words a document of the program is laid out in, beside the program's own.
struct ProgramDocumentWords
{
    std::string title;                           // "Controller program"
    std::string project, author, revision, date; // the title block's fields
    std::string page;                            // "Page %1 of %2"
    std::string continued;                       // "%1 (continued)", %1 a heading
    std::string continuedOn, continuedFrom;      // "Continued on page %1", "... from page %1"
    std::string flow;                            // the flow's heading: "Program flow"
    std::string eventTag, actionTag;             // beside the flow's boxes: "If", "Then"
};

struct ProgramSections
{
    std::string identity;                 // "Drive FCD-300, AOC 02.10, database 02.40 (drive.json)"
    std::vector<ProgramSection> sections; // as printed: in English, whatever the language

    // The same program for a document (the host's PDF and printout), in the
    // drive's language (GetLanguage) and number format, the drive's choice
    // texts as the drive gives them.
    ProgramDocumentWords words;
    // The identity: "Antrieb FCD-300, AOC 02.10, Datenbank 02.40 (drive.json)".
    std::string driveLine;
    std::string flowStart;          // beside the top arrow: mode, start and stop event
    std::string flowEnd;            // beside the bottom arrow: "End of the program"
    std::vector<ProgramStep> steps; // the pairs, in order
    // The pairs, the comparators, logic rules (as formulas) and timers they
    // refer to, and the controller settings; a table with no rows has none used.
    std::vector<ProgramTable> tables;
    std::string noRows; // said in place of a table's rows when it has none
};

// Works with the programs of the drives of one command. The drive configuration
// is loaded once, when it is first needed, and serves every drive of the same
// type and database version that follows.
class NEBPT_EXPORT ProgramWorkflow
{
public:
    // `naming` tells where a drive is, for messages; without it a drive is "the drive".
    explicit ProgramWorkflow(DriveNaming naming = {});
    ProgramWorkflow(ProgramWorkflow&&) noexcept;
    ProgramWorkflow& operator=(ProgramWorkflow&&) noexcept;
    ~ProgramWorkflow();

    // The parameters that hold the drive's program, as the drive configuration
    // names them for the drive's type and database (the fourteen controller
    // parameters, in the configuration's order). Asks the drive for its identity
    // only. False with `failure` telling why when the configuration has no entry
    // for the drive or cannot be used.
    bool programParameters(IExtParamInterface& drive, std::vector<std::string>& numbers,
                           std::string& failure);

    // The program's elements in a fixed order: parameter by parameter as the
    // configuration orders them, element by element.
    std::vector<ProgramEntry> readProgram(IExtParamInterface& drive);

    // The drive's program with every element, its identity, language and index base.
    ProgramData exportProgram(IExtParamInterface& drive);

    // What importing the program of `programFile` would change on `drive`, element
    // by element. Refuses (ProgramError) a program that does not fit the drive:
    // another drive type, a database version that gives the program other
    // parameter numbers, other element counts, a value that `fit` (the drive's
    // rule) refuses, a value with more decimals than the drive keeps (unless
    // rounded: then a note per rounded value). Without `fit` every value is taken
    // as it is, and the drive's write refuses what it does not take. A value the
    // drive holds already is no change.
    ImportPlan planImport(IExtParamInterface& programFile, IExtParamInterface& drive,
                          Rounding rounding = Rounding::Refuse, const ValueFit& fit = {});

    // Carries out the plan in one write of the drive: all of it or, when the drive
    // refuses, nothing (on a drive that writes all or nothing).
    static void importProgram(IExtParamInterface& drive, const std::vector<ProgramChange>& plan);

    // "Pair 3: event \"Timeout 0\" -> \"Comparator 1\"": one line per element whose
    // value differs between the programs of two drives (12.5 and 12.500 are the
    // same value, whatever texts the drives show; between drives of two types
    // the texts must agree too); a program with more pairs (or other objects)
    // than the other shows "(none)" for what the other lacks.
    std::vector<std::string> compare(IExtParamInterface& a, IExtParamInterface& b);

    // The elements `identifiers` names ("1301.3", "1300"), with `values` (one per
    // identifier, a missing one empty), told as the printed program tells them,
    // in the drive's language (GetLanguage) and its number format: `label` names
    // the element ("Pair 3: event", "Timer 2"; German "Paar 3: Ereignis"), `text`
    // shows the value ("\"Comparator 2\"", "7.50 s"; German "7,50 s"), a choice
    // text as the drive gives it, a number with the drive's decimals (or the
    // value's own, when it has more). An identifier that names no program element
    // (another parameter, an element beyond the parameter's count, a drive the
    // configuration has no entry for) keeps `text` = the value and is labelled
    // "parameter 1301 element 3" (the element as the identifier numbers it).
    // `identifier` and `value` are given back as they came.
    //
    // Asks the drive for its identity, language, index base and, once a call for
    // each program parameter named, its name, element count, attributes and
    // choice list, never for a value, so a window can tell a write (or the
    // drive's refusal of one) after it is made; a whole program's elements take
    // time in proportion to their number. Throws what the drive throws.
    std::vector<ProgramEntry> describe(IExtParamInterface& drive,
                                       const std::vector<std::string>& identifiers,
                                       const std::vector<std::string>& values);

    // How often this object has loaded the drive configuration.
    std::size_t configurationLoads() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// How often this process has parsed a drive configuration's text (the support
// question, the settings manager and every workflow load it); a load of a
// content parsed before and still kept counts nothing.
NEBPT_EXPORT std::size_t configurationParses();

// The parameters that hold the drive's program (ProgramWorkflow::programParameters),
// with a configuration loaded for this call.
NEBPT_EXPORT bool programParameters(IExtParamInterface& drive, std::vector<std::string>& numbers,
                                    std::string& failure);

// Connects to the drive the way the host does (support question first, then the
// settings manager) and gives its controller program as sections: the drive's
// identity with `driveLabel`, the pairs, the comparators, logic rules and timers
// they refer to, and the controller settings; and the same for a document, in
// the drive's language (GetLanguage): the flow's steps and the tables, with the
// words to lay them out in.
//
// Returns true when the program was read. Otherwise returns false with `failure`
// telling in one line what is wrong: the drive is not supported, the drive
// configuration cannot be used, or what the plug-in or the drive reported.
NEBPT_EXPORT bool programSections(IExtParamInterface& drive, const std::string& driveLabel,
                                  ProgramSections& sections, std::string& failure);

// AND, OR and NOT as a logic rule's formula tells them.
struct RuleWords
{
    std::string andWord, orWord, notWord;
};

// Logic rule `rule` of `program` as a formula, worked out from the left as the
// controller does: operator 1 joins operands 1 and 2, and operator 2, unless it
// is off, joins that with operand 3 ("(Logic rule 0 OR Comparator 2) AND NOT
// Timeout 2"). Brackets where AND and OR meet, or where NOT takes the first two;
// an operator that is neither AND nor OR shows the drive's text (bracketed as
// well); with operator 1 off the rule is operand 1 alone. Operands are the
// drive's choice texts. The flow beside its logic-rule buttons and the program
// document both show it.
NEBPT_EXPORT std::string ruleFormula(CNEB_Program& program, const CNEB_LogicRule& rule,
                                     const RuleWords& words);

// The sections as text: the identity, then each heading on a line of its own
// and each row below it as "  <label>: <text>".
NEBPT_EXPORT void writeProgramText(const ProgramSections& sections, std::ostream& out);

// programSections written as text; nothing is written unless it succeeds.
NEBPT_EXPORT bool printProgram(IExtParamInterface& drive, const std::string& driveLabel,
                               std::ostream& out, std::string& failure);

// What is probably wrong in a program, in one line, and the pair it is about.
struct ProgramFinding
{
    std::string text; // "Pair 2: event \"Timeout 1\" refers to Timer 1, which is 0.00 s"
    // The 0-based index of the pair the finding is about, or of the first pair
    // that uses the object it is about (directly or through logic rules); -1
    // when none does (an object no pair uses, the controller's settings).
    int pair = -1;
};

// Connects to the drive as programSections does and looks through its program
// for what is probably wrong, one finding each, naming the pair or object as the
// printed program does: an event, action or rule operand that refers to a timer
// at 0, a disabled comparator or an empty logic rule; a logic rule that refers
// to itself through other rules (with the chain); a comparator, logic rule or
// timer set up that neither a pair nor the controller's events use; a
// controller whose mode is on with no start event. The findings are told in
// the drive's language (GetLanguage) with its number format ("0,00 s" in
// German), the drive's choice texts as the drive gives them.
//
// Returns true when the program was looked through (`findings` empty: nothing
// found); false with `failure` as programSections.
NEBPT_EXPORT bool checkProgram(IExtParamInterface& drive, std::vector<ProgramFinding>& findings,
                               std::string& failure);

// The same, the findings' texts only.
NEBPT_EXPORT bool checkProgram(IExtParamInterface& drive, std::vector<std::string>& findings,
                               std::string& failure);

// Writes a failure of the host into the plug-in's log file, as one line that
// names `file` and `line`.
NEBPT_EXPORT void logHostFailure(const std::string& text, const std::string& file, int line);

// The plug-in's log file; empty when nothing is logged (its folder is a link,
// another user's, or cannot be made).
NEBPT_EXPORT std::string logFilePath();
// The folder the log file is kept in, whether it can be used or not.
NEBPT_EXPORT std::string logFolderPath();

} // namespace NEBPT
