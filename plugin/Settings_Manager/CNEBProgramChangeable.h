#pragma once

#include "Settings_Manager/CNEBChangeBunch.h"

// Base of every program object whose state lives in drive parameters: it can
// describe its whole current state as a change bunch. Building a bunch never
// touches the drive.
class CNEBProgramChangeable
{
public:
    virtual ~CNEBProgramChangeable() = default;
    virtual CNEBChangeBunch getChangeBunch() const = 0;

protected:
    CNEBProgramChangeable() = default;
    CNEBProgramChangeable(const CNEBProgramChangeable&) = default;
    CNEBProgramChangeable& operator=(const CNEBProgramChangeable&) = default;
};
