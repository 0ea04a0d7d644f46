#pragma once

#include "DriveServer.h"
#include "ProgramRuntime.h"
#include "ProgramWorkflow.h"
#include "SimulatedDrive.h"

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// The drive's program running in nebpt-drive-sim (--run): NEBPT's model of the
// controller (ProgramRuntime, docs/RUNTIME.md) built from the program the drive
// image holds, scanned once a millisecond of the steady clock, behind the status
// and input blocks of the image's register map (RegisterMap.h).
//
// The runtime's scan at virtual time t runs once t ms have passed since it was
// built: scans catch up with the clock whenever the serving loop asks (catchUp),
// so a request is answered from the state of the last scan due before it, and
// an input it sets acts in the next.
//
// A write to one of the program's parameters rebuilds the runtime from the new
// program: stopped, back at its start, with the inputs set so far kept by name
// (the input block then lists the inputs the new program reads). When the new
// program cannot run (the model refuses it, or its state does not fit the
// blocks), it is logged and both blocks answer exception 4 until a write makes
// it runnable again.
class RunningProgram : public DriveController
{
public:
    using Clock = std::chrono::steady_clock;

    // The most scans one catchUp runs before it lets the loop serve again.
    static constexpr long long kMostScansAtOnce = 10000;

    // Builds the runtime; throws NEBPT::ProgramError with the reason when the
    // program cannot run. Changes to the drive's parameters reach it through
    // written(); what it logs goes to `log`.
    RunningProgram(SimulatedDrive& drive, std::ostream& log);
    ~RunningProgram() override;

    bool catchUp() override;
    const std::vector<std::uint16_t>* status() override;
    const std::vector<std::uint16_t>* inputs() override;
    void setInputs(int first, const std::vector<std::uint16_t>& values) override;
    void written(const std::vector<unsigned long>& numbers) override;

    // The names of the inputs the program reads, in the input block's order.
    std::vector<std::string> inputsRead() const;
    // The input block's layout number (RegisterMap.h); -1 while the program cannot run.
    int inputLayout() const { return m_runtime ? m_layout : -1; }
    // "layout 4711: 2402 Digital input 18, 2403 Running" (with the registers when
    // the image places an input block).
    std::string layoutText() const;

private:
    // A new runtime from the drive's program; throws NEBPT::ProgramError.
    void build();

    SimulatedDrive& m_drive;
    std::ostream& m_log;
    NEBPT::ProgramWorkflow m_workflow;
    std::set<std::string> m_programParameters;        // their numbers
    std::unique_ptr<NEBPT::ProgramRuntime> m_runtime; // null while the program cannot run
    std::vector<int> m_read;                          // the runtime's inputsRead()
    int m_layout = -1;                                // of the input block; -1: none yet
    std::map<std::string, double> m_inputs;           // every input set, by name
    Clock::time_point m_start;                        // when the runtime was built
    std::vector<std::uint16_t> m_status, m_inputRegisters;
    bool m_statusCurrent = false;
};
