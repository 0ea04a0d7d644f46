#include "Settings_Manager/CNEB_Action.h"

#include "Settings_Manager/CSettingManagerFunc.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/CSettingStock.h"
#include "Settings_Stock/NEBConfiguration.h"

CNEB_Action::CNEB_Action(long index, CSettingManagerFunc* func, CSettingStock* stock)
    : m_func(func), m_stock(stock)
{
    m_parameter.setNumber(m_stock->getConfiguration().getParameterNumber("ACTION"));
    m_parameter.setIndex(index);
    m_func->readValue(m_parameter);
}

CNEB_Action::CNEB_Action(const CNEB_Action& other, CSettingManagerFunc* func, CSettingStock* stock)
    : CNEBProgramChangeable(other), m_parameter(other.m_parameter), m_func(func), m_stock(stock)
{}

CNEB_Action::CNEB_Action(const CNEB_Action& other) = default;

CNEB_Action& CNEB_Action::operator=(const CNEB_Action& other)
{
    m_parameter = other.m_parameter;
    return *this;
}

CNEB_Action::~CNEB_Action() = default;

CNEB_ChoicelistItem& CNEB_Action::getItem() const
{
    return m_func->getItem(m_parameter);
}

CNEB_Choicelist& CNEB_Action::getChoicelist() const
{
    return m_func->getChoicelist(m_parameter);
}

void CNEB_Action::setItem(const CNEB_ChoicelistItem& item)
{
    m_parameter.setChoiceID(item.getID());
}

void CNEB_Action::copyValue(const CNEB_Action& other)
{
    m_parameter.copyText(other.m_parameter);
}

void CNEB_Action::reread()
{
    // Read into a copy so that a failed read leaves the value as it was.
    CChoicelistParameter fresh = m_parameter;
    m_func->readValue(fresh);
    m_parameter = fresh;
}

unsigned long CNEB_Action::specialItem(const char* key) const
{
    return m_stock->getConfiguration().getSpecialChoicelistItem(key);
}

void CNEB_Action::setDefault()
{
    m_parameter.setChoiceID(specialItem("ACTION_COMMAND_DEFAULT"));
}

void CNEB_Action::setDisabled()
{
    m_parameter.setChoiceID(specialItem("ACTION_COMMAND_DISABLED"));
}

bool CNEB_Action::isEnabled() const
{
    return m_parameter.getChoiceID() !=
           static_cast<uint32_t>(specialItem("ACTION_COMMAND_DISABLED"));
}

CNEBChangeBunch CNEB_Action::getChangeBunch() const
{
    CNEBChangeBunch bunch;
    bunch.addParameter(m_parameter);
    return bunch;
}
