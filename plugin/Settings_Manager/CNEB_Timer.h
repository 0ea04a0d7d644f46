#pragma once

#include "Settings_Manager/CNEBProgramChangeable.h"
#include "Settings_Stock/CNEBParameter.h"

#include <cstdint>
#include <string>

class CSettingManagerFunc;

// Timer t of the controller program: one time value, stored in element t of
// TIMER. Its limits, unit and decimals are read with the value, at construction
// and on every reread.
class CNEB_Timer : public CNEBProgramChangeable
{
public:
    // Reads the value and its description from the drive.
    CNEB_Timer(unsigned long t, CSettingManagerFunc* func);
    // Copies never touch the drive.
    CNEB_Timer(const CNEB_Timer&) = default;
    CNEB_Timer& operator=(const CNEB_Timer&) = default;
    ~CNEB_Timer() override;

    unsigned long getIndex() const { return m_index; }
    double getValue() const;
    void setValue(double value);
    void getValueDescription(double& minimum, double& maximum, std::string& unit,
                             unsigned& decimals) const;

    // Reads the value, then the description, again.
    void reread();

    // TIMER with index t.
    CNEBChangeBunch getChangeBunch() const override;

private:
    void readDescription();

    CFloatParameter m_value;
    CSettingManagerFunc* m_func;

public:
    // Shown in the timer dialog's title.
    uint32_t m_index;

private:
    double m_maximum = 0.0;
    double m_minimum = 0.0;
    std::string m_unit;
    uint32_t m_decimals = 0;
};
