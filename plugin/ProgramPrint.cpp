#include "ProgramPrint.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "NEBPTMain.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CSettingsManager.h"
#include "Settings_Manager/ProgramSizes.h"
#include "Settings_Manager/TimerUnit.h"
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

void print(NEBPT::CNEB_Program& program, const ProgramSizes& sizes, std::ostream& out)
{
    References references;

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
        out << "  Timer " << t << ": " << number(timer.getValue(), decimals) << " "
            << NEBPT::timerUnit(unit, maximum) << " (limits " << number(minimum, 0) << " to "
            << number(maximum, 0) << ")\n";
    }

    out << "Controller: mode " << settings.getItem(0).getText() << ", start event "
        << settings.getItem(1).getText() << ", stop event " << settings.getItem(2).getText()
        << "\n";
}

// What the plug-in reported, when it has no text: where it failed.
std::string explain(const CCustomException& failure)
{
    if (!failure.getText().empty())
        return failure.getText() + " (" + failure.getFile() + ")";
    return fw::format("failure %d in %s line %d", failure.getCode(), failure.getFile().c_str(),
                      failure.getLine());
}

} // namespace

bool NEBPT::printProgram(IExtParamInterface& drive, const std::string& driveLabel,
                         std::ostream& out, std::string& failure)
{
    try {
        // The host asks first whether the plug-in serves this drive at all.
        std::string driveName, aocVersion, dbVersion;
        drive.GetDriveIdentity(driveName, aocVersion, dbVersion);
        if (!CNEBPTMain::isDriveSupported(driveName, aocVersion, dbVersion)) {
            failure = "drive type \"" + driveName + "\" with database " + dbVersion +
                      " is not supported (" + CNEBConfiguration::kFileName +
                      " has no entry for it, or cannot be used: see " +
                      CCustomException::makeLogPath() + ")";
            return false;
        }
        CSettingsManager manager(&drive);
        manager.init();
        NEBPT::CNEB_Program program = manager.getProgram();
        out << "Drive " << driveName << ", AOC " << aocVersion << ", database " << dbVersion << " ("
            << driveLabel << ")\n";
        print(program, manager.getSizes(), out);
        out.flush();
        return true;
    } catch (const CCustomException& error) {
        failure = explain(error);
    } catch (const std::exception& error) {
        failure = error.what();
    }
    return false;
}
