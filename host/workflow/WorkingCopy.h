#pragma once

#include "HostDrive.h"
#include "ProgramWorkflow.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// A working copy of a drive's program, edited offline: the host's parameter
// interface in front of the drive that keeps the program's elements (the
// program parameters the drive configuration names) in the copy and passes
// everything else on to the drive (identity, names, choice lists, limits, the
// values of other parameters, which a drive over a link keeps once read).
//
// Writes go into the copy only, all or nothing, each value checked by the
// drive's own rule (HostDrive::accepts) and kept in the form the drive keeps it
// ("7" for "07", "12.50" for "12.5"); a write of anything but a program element
// is refused. The drive is never written through the copy: a download carries
// the copy's program to the drive the way an import does.
class WorkingCopy : public HostDrive
{
public:
    // Copies the program the drive holds now (as far as the host keeps it).
    // Throws NEBPT::ProgramError or HostError when it cannot be read whole.
    WorkingCopy(HostDrive& drive, NEBPT::ProgramWorkflow& workflow);

    HostDrive& drive() const { return m_drive; }
    // The program as the copy holds it.
    const NEBPT::ProgramData& program() const { return m_program; }
    // Takes the drive's program anew, dropping what was changed in the copy
    // (throws as the constructor; the copy is unchanged then).
    void takeFromDrive(NEBPT::ProgramWorkflow& workflow);
    // Takes `program` (another copy's, kept over a reconnect) in place of the
    // copy's when it is a program of the same drive type and database with the
    // same parameters and element counts; false, the copy unchanged, otherwise.
    bool adopt(const NEBPT::ProgramData& program);

    // --- HostDrive: the drive's, but for writes ---
    std::string location() const override { return m_drive.location(); }
    const std::string& driveType() const override { return m_drive.driveType(); }
    const std::string& aocVersion() const override { return m_drive.aocVersion(); }
    const std::string& databaseVersion() const override { return m_drive.databaseVersion(); }
    // The copy takes writes whatever the drive does.
    const std::string& readOnlyReason() const override { return m_noReason; }
    void setLanguage(const std::string& language) override { m_drive.setLanguage(language); }
    const std::string& lastRefusal() const override { return m_lastRefusal; }
    void setWriteRefusalObserver(std::function<void(const std::string&)> observer) override
    {
        m_refusalObserver = std::move(observer);
    }
    std::string readFailure() const override { return m_drive.readFailure(); }
    bool accepts(unsigned long number, const std::string& text, std::string& stored,
                 std::string& reason) const override
    {
        return m_drive.accepts(number, text, stored, reason);
    }

    // --- IExtParamInterface ---
    std::string GetParameterName(const std::string& number) override;
    int ReadParameterValue(const std::string& number, int index, std::string& value,
                           const std::string& setup) override;
    int WriteParameterValues(const std::vector<std::string>& identifiers,
                             const std::vector<std::string>& values, const std::string& setup,
                             int flag) override;
    std::vector<std::string> GetChoiceList(const std::string& identifier) override;
    unsigned long GetElementCount(const std::string& number) override;
    int GetParameterAttributes(const std::string& number, int index, std::string& minimum,
                               std::string& maximum, std::string& unit,
                               std::string& decimals) override;
    int GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                         std::string& dbVersion) override;
    int RegisterParameters(const std::vector<std::string>& numbers) override;
    std::string GetLanguage() override;
    int GetIndexBase() override;

private:
    // The value an identifier's number and host index name in the copy; null
    // when it is no program element.
    std::string* element(const std::string& number, long index);
    [[noreturn]] void refuse(const std::string& reason);

    HostDrive& m_drive;
    NEBPT::ProgramData m_program;
    std::map<std::string, size_t> m_parameters; // number text -> position in m_program
    std::string m_lastRefusal;
    std::function<void(const std::string&)> m_refusalObserver;
    const std::string m_noReason;
};
