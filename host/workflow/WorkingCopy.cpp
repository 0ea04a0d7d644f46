#include "WorkingCopy.h"

#include "DriveImage.h"

#include <QCoreApplication>

#include <charconv>

namespace {

// "1301" -> 1301; false for anything but a plain decimal number.
bool parameterNumber(const std::string& text, unsigned long& number)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end && !text.empty();
}

std::map<std::string, size_t> positions(const NEBPT::ProgramData& program)
{
    std::map<std::string, size_t> numbers;
    for (size_t i = 0; i < program.parameters.size(); ++i) {
        unsigned long number = 0;
        if (parameterNumber(program.parameters[i].number, number))
            numbers[std::to_string(number)] = i;
    }
    return numbers;
}

} // namespace

WorkingCopy::WorkingCopy(HostDrive& drive, NEBPT::ProgramWorkflow& workflow) : m_drive(drive)
{
    takeFromDrive(workflow);
}

void WorkingCopy::takeFromDrive(NEBPT::ProgramWorkflow& workflow)
{
    NEBPT::ProgramData program = workflow.exportProgram(m_drive);
    // A value the host could not read is never taken for the drive's.
    if (!m_drive.readFailure().empty())
        throw HostError(m_drive.readFailure());
    m_parameters = positions(program);
    m_program = std::move(program);
}

bool WorkingCopy::adopt(const NEBPT::ProgramData& program)
{
    if (program.driveType != m_program.driveType ||
        program.databaseVersion != m_program.databaseVersion ||
        program.indexBase != m_program.indexBase ||
        program.parameters.size() != m_program.parameters.size())
        return false;
    for (size_t i = 0; i < program.parameters.size(); ++i) {
        const NEBPT::ProgramParameter &mine = m_program.parameters[i],
                                      &theirs = program.parameters[i];
        if (mine.number != theirs.number || mine.elementCount != theirs.elementCount ||
            mine.values.size() != theirs.values.size())
            return false;
    }
    for (size_t i = 0; i < program.parameters.size(); ++i)
        m_program.parameters[i].values = program.parameters[i].values;
    return true;
}

std::string* WorkingCopy::element(const std::string& number, long index)
{
    unsigned long parsed = 0;
    if (!parameterNumber(number, parsed))
        return nullptr;
    const auto found = m_parameters.find(std::to_string(parsed));
    if (found == m_parameters.end())
        return nullptr;
    NEBPT::ProgramParameter& parameter = m_program.parameters[found->second];
    if (parameter.elementCount == 0)
        return index == -1 && parameter.values.size() == 1 ? &parameter.values.front() : nullptr;
    const long element = index - m_program.indexBase;
    if (index == -1 || element < 0 || static_cast<size_t>(element) >= parameter.values.size())
        return nullptr;
    return &parameter.values[static_cast<size_t>(element)];
}

void WorkingCopy::refuse(const std::string& reason)
{
    m_lastRefusal = "WriteParameterValues: " + reason;
    if (m_refusalObserver)
        m_refusalObserver(m_lastRefusal);
    throw DriveRefusal(m_lastRefusal);
}

int WorkingCopy::ReadParameterValue(const std::string& number, int index, std::string& value,
                                    const std::string& setup)
{
    if (const std::string* kept = element(number, index)) {
        try {
            DriveImage::checkSetup(setup);
        } catch (const HostError& error) {
            m_lastRefusal = std::string("ReadParameterValue: ") + error.what();
            throw DriveRefusal(m_lastRefusal);
        }
        value = *kept;
        return 0;
    }
    return m_drive.ReadParameterValue(number, index, value, setup);
}

int WorkingCopy::WriteParameterValues(const std::vector<std::string>& identifiers,
                                      const std::vector<std::string>& values,
                                      const std::string& setup, int flag)
{
    (void)flag;
    try {
        DriveImage::checkWrite(identifiers, values, setup);
    } catch (const HostError& error) {
        refuse(error.what());
    }
    // Every entry is checked before any is taken.
    std::vector<std::pair<std::string*, std::string>> taken;
    for (size_t i = 0; i < identifiers.size(); ++i) {
        const std::string& identifier = identifiers[i];
        const size_t dot = identifier.find('.');
        const std::string number = identifier.substr(0, dot);
        long index = -1;
        if (dot != std::string::npos) {
            const std::string indexText = identifier.substr(dot + 1);
            const char* end = indexText.data() + indexText.size();
            const auto [stop, error] = std::from_chars(indexText.data(), end, index);
            if (error != std::errc() || stop != end || indexText.empty())
                index = -2; // names no element
        }
        std::string* kept = element(number, index);
        if (!kept)
            refuse(QCoreApplication::translate(
                       "WorkingCopy", "%1 is no element of the program in the working copy")
                       .arg(QString::fromStdString(identifier))
                       .toStdString());
        unsigned long parsed = 0;
        parameterNumber(number, parsed);
        std::string stored, reason;
        if (!m_drive.accepts(parsed, values[i], stored, reason))
            refuse(reason);
        taken.emplace_back(kept, std::move(stored));
    }
    for (auto& [kept, value] : taken)
        *kept = std::move(value);
    return 0;
}

std::string WorkingCopy::GetParameterName(const std::string& number)
{
    return m_drive.GetParameterName(number);
}

std::vector<std::string> WorkingCopy::GetChoiceList(const std::string& identifier)
{
    return m_drive.GetChoiceList(identifier);
}

unsigned long WorkingCopy::GetElementCount(const std::string& number)
{
    return m_drive.GetElementCount(number);
}

int WorkingCopy::GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                                        std::string& maximum, std::string& unit,
                                        std::string& decimals)
{
    return m_drive.GetParameterAttributes(number, index, minimum, maximum, unit, decimals);
}

int WorkingCopy::GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                                  std::string& dbVersion)
{
    return m_drive.GetDriveIdentity(driveName, aocVersion, dbVersion);
}

int WorkingCopy::RegisterParameters(const std::vector<std::string>& numbers)
{
    return m_drive.RegisterParameters(numbers);
}

std::string WorkingCopy::GetLanguage()
{
    return m_drive.GetLanguage();
}

int WorkingCopy::GetIndexBase()
{
    return m_drive.GetIndexBase();
}
