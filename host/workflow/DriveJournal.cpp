#include "DriveJournal.h"

#include "HostText.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(DriveJournal)
};

// "1301.4" -> "1301" and 4; "1300" -> "1300" and -1.
void split(const std::string& identifier, std::string& number, int& index)
{
    const size_t dot = identifier.find('.');
    number = identifier.substr(0, dot);
    index = dot == std::string::npos ? -1 : std::atoi(identifier.c_str() + dot + 1);
}

} // namespace

std::vector<std::string> DriveJournal::readAll(const std::vector<std::string>& identifiers,
                                               const std::string& setup)
{
    std::vector<std::string> values;
    for (const std::string& identifier : identifiers) {
        std::string number, value;
        int index = -1;
        split(identifier, number, index);
        m_drive.ReadParameterValue(number, index, value, setup);
        values.push_back(value);
    }
    return values;
}

int DriveJournal::WriteParameterValues(const std::vector<std::string>& identifiers,
                                       const std::vector<std::string>& values,
                                       const std::string& setup, int flag)
{
    Step step{setup, identifiers, readAll(identifiers, setup), {}};
    const int result = m_drive.WriteParameterValues(identifiers, values, setup, flag);
    step.after = readAll(identifiers, setup);
    m_steps.resize(m_done);
    if (m_grouping > 0 && m_groupStarted) {
        Step& group = m_steps.back();
        for (size_t i = 0; i < identifiers.size(); ++i) {
            group.identifiers.push_back(identifiers[i]);
            group.before.push_back(step.before[i]);
            group.after.push_back(step.after[i]);
        }
    } else {
        m_steps.push_back(std::move(step));
        m_done = m_steps.size();
        m_groupStarted = m_grouping > 0;
    }
    return result;
}

bool DriveJournal::apply(const Step& step, bool undoing, const Confirm& confirm)
{
    // What the drive must hold now: the step's last new value of each element
    // (undo), or its first old value (redo).
    const std::vector<std::string>& expected = undoing ? step.after : step.before;
    std::map<std::string, std::string> holds;
    for (size_t n = 0; n < step.identifiers.size(); ++n) {
        const size_t i = undoing ? n : step.identifiers.size() - 1 - n;
        holds[step.identifiers[i]] = expected[i];
    }
    for (const auto& [identifier, value] : holds) {
        const std::string now = readAll({identifier}, step.setup).front();
        if (now == value)
            continue;
        const std::string question = hosttext::fill(
            undoing ? Text::tr("Undo: the drive no longer holds what it held after that change "
                               "(%1 holds %2, not %3). Overwrite it?")
                    : Text::tr("Redo: the drive no longer holds what it held after that change "
                               "(%1 holds %2, not %3). Overwrite it?"),
            identifier, now, value);
        if (!confirm || !confirm(question))
            return false;
        break;
    }
    // Undone last write first, so that an element written twice ends with the
    // value it had before the first.
    std::vector<std::string> identifiers = step.identifiers;
    std::vector<std::string> values = undoing ? step.before : step.after;
    if (undoing) {
        std::reverse(identifiers.begin(), identifiers.end());
        std::reverse(values.begin(), values.end());
    }
    m_drive.WriteParameterValues(identifiers, values, step.setup, 0);
    return true;
}

bool DriveJournal::undo(const Confirm& confirm)
{
    if (!canUndo())
        return false;
    const Step& step = m_steps[m_done - 1];
    if (!apply(step, true, confirm))
        return false;
    --m_done;
    return true;
}

bool DriveJournal::redo(const Confirm& confirm)
{
    if (!canRedo())
        return false;
    const Step& step = m_steps[m_done];
    if (!apply(step, false, confirm))
        return false;
    ++m_done;
    return true;
}

void DriveJournal::clear()
{
    m_steps.clear();
    m_done = 0;
    m_groupStarted = false;
}

void DriveJournal::beginGroup()
{
    if (m_grouping++ == 0)
        m_groupStarted = false;
}

void DriveJournal::endGroup()
{
    if (m_grouping > 0)
        --m_grouping;
}

std::string DriveJournal::GetParameterName(const std::string& number)
{
    return m_drive.GetParameterName(number);
}

int DriveJournal::ReadParameterValue(const std::string& number, int index, std::string& value,
                                     const std::string& setup)
{
    return m_drive.ReadParameterValue(number, index, value, setup);
}

std::vector<std::string> DriveJournal::GetChoiceList(const std::string& identifier)
{
    return m_drive.GetChoiceList(identifier);
}

unsigned long DriveJournal::GetElementCount(const std::string& number)
{
    return m_drive.GetElementCount(number);
}

int DriveJournal::GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                                         std::string& maximum, std::string& unit,
                                         std::string& decimals)
{
    return m_drive.GetParameterAttributes(number, index, minimum, maximum, unit, decimals);
}

int DriveJournal::GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                                   std::string& dbVersion)
{
    return m_drive.GetDriveIdentity(driveName, aocVersion, dbVersion);
}

int DriveJournal::RegisterParameters(const std::vector<std::string>& numbers)
{
    return m_drive.RegisterParameters(numbers);
}

std::string DriveJournal::GetLanguage()
{
    return m_drive.GetLanguage();
}

int DriveJournal::GetIndexBase()
{
    return m_drive.GetIndexBase();
}
