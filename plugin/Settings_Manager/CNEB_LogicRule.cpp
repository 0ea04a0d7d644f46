#include "Settings_Manager/CNEB_LogicRule.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CSettingManagerFunc.h"
#include "framework/Format.h"
#include "framework/Resources.h"
#include "languages/common/NEBPTResources.h"

#include <iterator>

namespace {

// Display names of logic rules begin with this string of the language library.
constexpr unsigned kNameString = res::IDS_LOGIC_RULE_NAME;

const char* const kIdentifiers[] = {"LR_OPERAND_1", "LR_OPERATOR_1", "LR_OPERAND_2",
                                    "LR_OPERATOR_2", "LR_OPERAND_3"};

} // namespace

CNEB_LogicRule::CNEB_LogicRule(unsigned long r, CSettingManagerFunc* func)
    : m_func(func), m_index(static_cast<uint32_t>(r))
{
    m_parameters.reserve(std::size(kIdentifiers));
    for (const char* id : kIdentifiers) {
        CChoicelistParameter parameter;
        m_func->readElement(parameter, id, static_cast<long>(m_index));
        m_parameters.push_back(parameter);
    }
}

CNEB_LogicRule::~CNEB_LogicRule() = default;

CNEB_ChoicelistItem& CNEB_LogicRule::getOperandItem(unsigned short i) const
{
    if (i >= kOperands)
        throw NEB_EXCEPTION(1, 2130);
    return m_func->getItem(m_parameters[2 * i]);
}

CNEB_ChoicelistItem& CNEB_LogicRule::getOperatorItem(unsigned short i) const
{
    if (i >= kOperators)
        throw NEB_EXCEPTION(1, 2131);
    return m_func->getItem(m_parameters[2 * i + 1]);
}

void CNEB_LogicRule::setOperandItem(const CNEB_ChoicelistItem& item, unsigned short i)
{
    if (i >= kOperands)
        throw NEB_EXCEPTION(0, 2132);
    m_parameters[2 * i].setChoiceID(item.getID());
}

void CNEB_LogicRule::setOperatorItem(const CNEB_ChoicelistItem& item, unsigned short i)
{
    if (i >= kOperators)
        throw NEB_EXCEPTION(0, 2133);
    m_parameters[2 * i + 1].setChoiceID(item.getID());
}

// Callers keep to the ranges; a number beyond them is refused rather than read
// past the end.
CNEB_Choicelist& CNEB_LogicRule::getOperandChoicelist(unsigned short i) const
{
    if (i >= kOperands)
        throw NEB_EXCEPTION(1, 1);
    return m_func->getChoicelist(m_parameters[2 * i]);
}

CNEB_Choicelist& CNEB_LogicRule::getOperatorChoicelist(unsigned short i) const
{
    if (i >= kOperators)
        throw NEB_EXCEPTION(1, 1);
    return m_func->getChoicelist(m_parameters[2 * i + 1]);
}

std::string CNEB_LogicRule::getName() const
{
    return fw::format("%s %d", fw::loadString(kNameString).c_str(), static_cast<int>(m_index));
}

void CNEB_LogicRule::reread()
{
    for (CChoicelistParameter& parameter : m_parameters)
        m_func->readValue(parameter);
}

CNEBChangeBunch CNEB_LogicRule::getChangeBunch() const
{
    CNEBChangeBunch bunch;
    for (const CChoicelistParameter& parameter : m_parameters)
        bunch.addParameter(parameter);
    return bunch;
}
