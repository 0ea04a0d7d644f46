#include "Settings_Manager/CNEB_Comparator.h"

#include "Settings_Manager/CSettingManagerFunc.h"
#include "framework/NumberText.h"

#include <string>

CNEB_Comparator::CNEB_Comparator(unsigned long k, CSettingManagerFunc* func)
    : m_func(func), m_index(static_cast<uint32_t>(k))
{
    m_func->readElement(m_operand, "COMP_OPERAND", static_cast<long>(m_index));
    m_func->readElement(m_operator, "COMP_OPERATOR", static_cast<long>(m_index));
    m_func->readElement(m_value, "COMP_VALUE", static_cast<long>(m_index));

    std::string minimum, maximum, unit, decimals;
    m_func->readDescription(m_value, minimum, maximum, unit, decimals);
    // Whole numbers only: "12.5" gives 12.
    m_minimum = static_cast<double>(fw::readLong(minimum));
    m_maximum = static_cast<double>(fw::readLong(maximum));
    m_decimals = static_cast<uint32_t>(fw::readLong(decimals));
}

CNEB_Comparator::~CNEB_Comparator() = default;

CNEB_ChoicelistItem& CNEB_Comparator::getOperandItem() const
{
    return m_func->getItem(m_operand);
}

CNEB_ChoicelistItem& CNEB_Comparator::getOperatorItem() const
{
    return m_func->getItem(m_operator);
}

void CNEB_Comparator::setOperandItem(const CNEB_ChoicelistItem& item)
{
    m_operand.setChoiceID(item.getID());
}

void CNEB_Comparator::setOperatorItem(const CNEB_ChoicelistItem& item)
{
    m_operator.setChoiceID(item.getID());
}

CNEB_Choicelist& CNEB_Comparator::getOperandChoicelist() const
{
    return m_func->getChoicelist(m_operand);
}

CNEB_Choicelist& CNEB_Comparator::getOperatorChoicelist() const
{
    return m_func->getChoicelist(m_operator);
}

double CNEB_Comparator::getValue() const
{
    return m_value.getValue();
}

void CNEB_Comparator::setValue(double value)
{
    m_value.setValue(value);
}

void CNEB_Comparator::getValueLimits(double& minimum, double& maximum, unsigned& decimals) const
{
    minimum = m_minimum;
    maximum = m_maximum;
    decimals = m_decimals;
}

void CNEB_Comparator::reread()
{
    m_func->readValue(m_operator);
    m_func->readValue(m_operand);
    m_func->readValue(m_value);
}

CNEBChangeBunch CNEB_Comparator::getChangeBunch() const
{
    CNEBChangeBunch bunch;
    bunch.addParameter(m_operand);
    bunch.addParameter(m_operator);
    bunch.addParameter(m_value);
    return bunch;
}
