#include "ProgramPrinter.h"

#include "SimulatedDrive.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "NEBPTMain.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CSettingsManager.h"
#include "Settings_Manager/ProgramSizes.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "framework/Format.h"

#include <deque>
#include <exception>
#include <set>

namespace {

// What the printed program refers to, by index.
struct References
{
    std::set<unsigned long> timers, comparators, logicRules;
    std::deque<unsigned long> rulesToFollow;

    // Notes the object the item stands for; new logic rules are followed later.
    void note(NEBPT::CNEB_Program& program, const CNEB_ChoicelistItem& item)
    {
        const CChoiceListItemObjectLookup lookup = program.lookupChoicelistItemObject(item);
        switch (lookup.getKind()) {
        case CChoiceListItemObjectLookup::Timer:
            timers.insert(lookup.getTimer()->getIndex());
            break;
        case CChoiceListItemObjectLookup::Comparator:
            comparators.insert(lookup.getComparator()->getIndex());
            break;
        case CChoiceListItemObjectLookup::LogicRule:
            if (logicRules.insert(lookup.getLogicRule()->getIndex()).second)
                rulesToFollow.push_back(lookup.getLogicRule()->getIndex());
            break;
        default:
            break;
        }
    }
};

bool isDisabled(NEBPT::CNEB_Program& program, const CNEB_ChoicelistItem& item)
{
    return program.lookupChoicelistItemObject(item).getKind() ==
           CChoiceListItemObjectLookup::Disabled;
}

// The operands a rule uses: operand 0, and each further one while the operator
// before it is not disabled.
unsigned short usedOperands(NEBPT::CNEB_Program& program, const CNEB_LogicRule& rule)
{
    unsigned short count = 1;
    while (count < 3 && !isDisabled(program, rule.getOperatorItem(count - 1)))
        ++count;
    return count;
}

std::string ruleText(NEBPT::CNEB_Program& program, const CNEB_LogicRule& rule)
{
    const unsigned short operands = usedOperands(program, rule);
    std::string text = rule.getOperandItem(0).getText();
    for (unsigned short i = 1; i < operands; ++i) {
        text.append(1, ' ').append(rule.getOperatorItem(i - 1).getText());
        text.append(1, ' ').append(rule.getOperandItem(i).getText());
    }
    return text;
}

std::string number(double value, unsigned decimals)
{
    return fw::format("%.*f", static_cast<int>(decimals), value);
}

void print(NEBPT::CNEB_Program& program, const SimulatedDrive& drive, const ProgramSizes& sizes,
           std::ostream& out)
{
    References references;
    out << "Drive " << drive.driveType() << ", AOC " << drive.aocVersion() << ", database "
        << drive.databaseVersion() << " (" << drive.imagePath() << ")\n";

    const auto& pairs = program.getPairs();
    out << "Program: " << pairs.size() << " of " << sizes.pairs << " pairs\n";
    for (const auto& pair : pairs) {
        const CNEB_ChoicelistItem& event = pair->getEvent().getItem();
        const CNEB_ChoicelistItem& action = pair->getAction().getItem();
        out << "  Pair " << pair->getIndex() << ": " << event.getText() << " -> "
            << action.getText() << "\n";
        references.note(program, event);
        references.note(program, action);
    }

    CNEB_Settings& settings = program.getSettings();
    references.note(program, settings.getItem(1));
    references.note(program, settings.getItem(2));

    // Rules lead to further comparators, timers and rules through their operands.
    while (!references.rulesToFollow.empty()) {
        CNEB_LogicRule& rule = program.getLogicRule(references.rulesToFollow.front());
        references.rulesToFollow.pop_front();
        const unsigned short operands = usedOperands(program, rule);
        for (unsigned short i = 0; i < operands; ++i)
            references.note(program, rule.getOperandItem(i));
    }

    out << "Comparators:" << (references.comparators.empty() ? " none\n" : "\n");
    for (unsigned long k : references.comparators) {
        CNEB_Comparator& comparator = program.getComparator(k);
        double minimum = 0, maximum = 0;
        unsigned decimals = 0;
        comparator.getValueLimits(minimum, maximum, decimals);
        out << "  Comparator " << k << ": ";
        if (isDisabled(program, comparator.getOperandItem())) {
            out << comparator.getOperandItem().getText() << "\n";
            continue;
        }
        out << comparator.getOperandItem().getText() << " "
            << comparator.getOperatorItem().getText() << " "
            << number(comparator.getValue(), decimals) << " (limits " << number(minimum, 0)
            << " to " << number(maximum, 0) << ")\n";
    }

    out << "Logic rules:" << (references.logicRules.empty() ? " none\n" : "\n");
    for (unsigned long r : references.logicRules)
        out << "  Logic rule " << r << ": " << ruleText(program, program.getLogicRule(r)) << "\n";

    out << "Timers:" << (references.timers.empty() ? " none\n" : "\n");
    for (unsigned long t : references.timers) {
        CNEB_Timer& timer = program.getTimer(t);
        double minimum = 0, maximum = 0;
        std::string unit;
        unsigned decimals = 0;
        timer.getValueDescription(minimum, maximum, unit, decimals);
        // A time without a unit counts in milliseconds when its range is that long.
        if (unit.empty() && maximum > 4000.0)
            unit = "ms";
        out << "  Timer " << t << ": " << number(timer.getValue(), decimals) << " " << unit
            << " (limits " << number(minimum, 0) << " to " << number(maximum, 0) << ")\n";
    }

    out << "Controller: mode " << settings.getItem(0).getText() << ", start event "
        << settings.getItem(1).getText() << ", stop event " << settings.getItem(2).getText()
        << "\n";
}

// The one line that explains a failure of the plug-in: the drive's own refusal
// when the drive refused a call, otherwise what the plug-in reported.
std::string explain(const CCustomException& failure, const SimulatedDrive& drive)
{
    if (!drive.lastRefusal().empty())
        return "the drive refused " + drive.lastRefusal();
    if (!failure.getText().empty())
        return failure.getText() + " (" + failure.getFile() + ")";
    return fw::format("failure %d in %s line %d", failure.getCode(), failure.getFile().c_str(),
                      failure.getLine());
}

// The text with every control character written as an escape (\n, \x01), so that
// a failure is always told in one line whatever texts the image holds.
std::string oneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else if (c == '\t')
            line += "\\t";
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            line += fw::format("\\x%02x", static_cast<unsigned char>(c));
        else
            line += c;
    }
    return line;
}

} // namespace

int printProgram(const std::string& imagePath, std::ostream& out, std::ostream& errors)
{
    std::string failure;
    try {
        SimulatedDrive drive(imagePath, SimulatedDrive::Access::Read);

        // The host asks first whether the plug-in serves this drive at all.
        std::string driveName, aocVersion, dbVersion;
        drive.GetDriveIdentity(driveName, aocVersion, dbVersion);
        if (!CNEBPTMain::isDriveSupported(driveName, aocVersion, dbVersion)) {
            failure = imagePath + ": drive type \"" + driveName + "\" with database " + dbVersion +
                      " is not supported (" + CNEBConfiguration::kFileName +
                      " has no entry for it, or cannot be used: see " +
                      CCustomException::makeLogPath() + ")";
        } else {
            try {
                CSettingsManager manager(&drive);
                manager.init();
                NEBPT::CNEB_Program program = manager.getProgram();
                print(program, drive, manager.getSizes(), out);
                out.flush();
                return 0;
            } catch (const CCustomException& error) {
                failure = imagePath + ": " + explain(error, drive);
            }
        }
    } catch (const DriveImageError& error) {
        failure = error.what();
    } catch (const std::exception& error) {
        failure = imagePath + ": " + error.what();
    }
    errors << oneLine(failure) << "\n";
    return 1;
}
