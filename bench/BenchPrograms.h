#pragma once

// The programs the benchmarks run, made from the FCD-300 sample (its choice
// lists by value). NEBPT_DATA_DIR names the folder of the sample.

#include "ProgramWorkflow.h"
#include "SimulatedDrive.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

inline NEBPT::ProgramData sample()
{
    SimulatedDrive drive(NEBPT_DATA_DIR "/fcd300_sample.json", SimulatedDrive::Access::Read);
    return NEBPT::ProgramWorkflow().exportProgram(drive);
}

inline NEBPT::ProgramParameter& parameter(NEBPT::ProgramData& program, const char* number)
{
    for (NEBPT::ProgramParameter& p : program.parameters) {
        if (p.number == number)
            return p;
    }
    std::fprintf(stderr, "the sample has no parameter %s\n", number);
    std::exit(1);
}

// `pairs` pairs in a pattern of five: one starts a timer, one waits for it, one
// for a comparator, one for a logic rule and one for an input; the controller
// runs from the first scan and stops on `stopEvent` (the event's choice value;
// "0": never); the timers of 10 to 80 ms.
inline NEBPT::ProgramData bigProgram(int pairs, const char* stopEvent)
{
    NEBPT::ProgramData program = sample();
    std::vector<std::string> events, actions;
    for (int i = 0; i < pairs; ++i) {
        const int timer = (i / 5) % 8;
        switch (i % 5) {
        case 0: // True -> Start timer k
            events.push_back("1");
            actions.push_back(std::to_string(30 + timer));
            break;
        case 1: // Timeout k -> Set relay 1 high
            events.push_back(std::to_string(34 + timer));
            actions.push_back("25");
            break;
        case 2: // Comparator 0 -> Select preset reference 1
            events.push_back("22");
            actions.push_back("7");
            break;
        case 3: // Logic rule 0 (Comparator 1 AND Digital input 19) -> Set relay 1 low
            events.push_back("28");
            actions.push_back("24");
            break;
        default: // Digital input 18 -> Stop all timers
            events.push_back("19");
            actions.push_back("47");
            break;
        }
    }
    for (const char* number : {"1301", "1302"}) {
        NEBPT::ProgramParameter& p = parameter(program, number);
        p.elementCount = static_cast<unsigned long>(pairs);
        p.values = number[3] == '1' ? events : actions;
    }
    parameter(program, "1305").values = {"1"};
    parameter(program, "1306").values = {stopEvent};
    NEBPT::ProgramParameter& timers = parameter(program, "1303");
    for (size_t t = 0; t < timers.values.size(); ++t)
        timers.values[t] = "0.0" + std::to_string(t + 1);
    return program;
}

} // namespace bench
