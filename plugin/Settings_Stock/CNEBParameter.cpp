#include "Settings_Stock/CNEBParameter.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "framework/Format.h"
#include "framework/NumberText.h"

CNEBParameter::~CNEBParameter() = default;

long CNEBParameter::compareIndex(const CNEBParameter& other) const
{
    if (m_number != other.m_number)
        throw NEB_EXCEPTION(0, 1);
    return static_cast<long>(m_index) - static_cast<long>(other.m_index);
}

CChoicelistParameter::~CChoicelistParameter() = default;

long CChoicelistParameter::getValue() const
{
    return static_cast<int32_t>(fw::readLong(getText()));
}

void CChoicelistParameter::setValue(long value)
{
    setText(fw::format("%ld", value));
}

CFloatParameter::~CFloatParameter() = default;

double CFloatParameter::getValue() const
{
    return fw::readDouble(getText());
}

void CFloatParameter::setValue(double value)
{
    setText(fw::format("%lf", value));
}
