#pragma once

#include <cstdint>

// The four element counts that size the controller program, read from the drive
// by the settings manager's initialisation.
struct ProgramSizes
{
    uint16_t logicRules = 0;  // element count of LR_OPERAND_1
    uint16_t comparators = 0; // element count of COMP_OPERAND
    uint16_t pairs = 0;       // element count of EVENT
    uint16_t timers = 0;      // element count of TIMER
};
