#include "Settings_Manager/CNEB_Timer.h"

#include "Settings_Manager/CSettingManagerFunc.h"
#include "framework/NumberText.h"

CNEB_Timer::CNEB_Timer(unsigned long t, CSettingManagerFunc* func)
    : m_func(func), m_index(static_cast<uint32_t>(t))
{
    m_func->readElement(m_value, "TIMER", static_cast<long>(m_index));
    readDescription();
}

CNEB_Timer::~CNEB_Timer() = default;

void CNEB_Timer::readDescription()
{
    std::string minimum, maximum, unit, decimals;
    m_func->readDescription(m_value, minimum, maximum, unit, decimals);
    // Whole numbers only: "3600.9" gives 3600.
    m_minimum = static_cast<double>(fw::readLong(minimum));
    m_maximum = static_cast<double>(fw::readLong(maximum));
    m_unit = unit;
    m_decimals = static_cast<uint32_t>(fw::readLong(decimals));
}

double CNEB_Timer::getValue() const
{
    return m_value.getValue();
}

void CNEB_Timer::setValue(double value)
{
    m_value.setValue(value);
}

void CNEB_Timer::getValueDescription(double& minimum, double& maximum, std::string& unit,
                                     unsigned& decimals) const
{
    minimum = m_minimum;
    maximum = m_maximum;
    unit = m_unit;
    decimals = m_decimals;
}

void CNEB_Timer::reread()
{
    m_func->readValue(m_value);
    readDescription();
}

CNEBChangeBunch CNEB_Timer::getChangeBunch() const
{
    CNEBChangeBunch bunch;
    bunch.addParameter(m_value);
    return bunch;
}
