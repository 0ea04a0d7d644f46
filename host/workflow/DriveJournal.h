#pragma once

#include "IExtParamInterface.h"

#include <functional>
#include <string>
#include <vector>

// The host's journal of the writes it carries out on one drive, for undo and
// redo: a drive interface in front of the drive that passes every operation on
// and records each write the drive takes as one step, with the values its
// elements held before and after (as the drive holds them: read back).
//
// Undo writes a step's old values back, redo its new values again. When the
// drive no longer holds what the step left (someone changed it since), the
// journal asks before it overwrites; declined, nothing is written. A write the
// drive refuses is no step and leaves the journal as it was; a new step drops
// the steps that were undone. Writes made between beginGroup() and endGroup()
// (an import of a program) are one step.
class DriveJournal : public IExtParamInterface
{
public:
    // Asked before an undo or redo overwrites values that changed since: the
    // question names the first element that changed. True: overwrite.
    using Confirm = std::function<bool(const std::string& question)>;

    explicit DriveJournal(IExtParamInterface& drive) : m_drive(drive) {}

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }
    // Carries out the undo or redo; false when there was none, the user declined,
    // or the drive refused (the refusal is thrown then, the journal unchanged).
    bool undo(const Confirm& confirm);
    bool redo(const Confirm& confirm);
    // Forgets every step (another drive is opened).
    void clear();
    void beginGroup();
    void endGroup();

    // --- IExtParamInterface: passed on; writes are recorded ---
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
    struct Step
    {
        std::string setup;
        std::vector<std::string> identifiers, before, after;
    };

    std::vector<std::string> readAll(const std::vector<std::string>& identifiers,
                                     const std::string& setup);
    // Writes the step's old values (undoing) or new ones when the drive holds
    // what the step left (or the user agrees to overwrite what it holds).
    bool apply(const Step& step, bool undoing, const Confirm& confirm);

    IExtParamInterface& m_drive;
    std::vector<Step> m_steps;
    size_t m_done = 0;  // steps carried out; those after it were undone
    int m_grouping = 0; // beginGroup() depth
    bool m_groupStarted = false;
};
