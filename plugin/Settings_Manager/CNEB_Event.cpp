#include "Settings_Manager/CNEB_Event.h"

#include "Settings_Manager/CSettingManagerFunc.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/CSettingStock.h"
#include "Settings_Stock/NEBConfiguration.h"

CNEB_Event::CNEB_Event(long index, CSettingManagerFunc* func, CSettingStock* stock)
    : m_func(func), m_stock(stock)
{
    m_parameter.setNumber(m_stock->getConfiguration().getParameterNumber("EVENT"));
    m_parameter.setIndex(index);
    m_func->readValue(m_parameter);
}

CNEB_Event::CNEB_Event(const CNEB_Event& other, CSettingManagerFunc* func, CSettingStock* stock)
    : CNEBProgramChangeable(other), m_parameter(other.m_parameter), m_func(func), m_stock(stock)
{}

CNEB_Event::CNEB_Event(const CNEB_Event& other) = default;

CNEB_Event& CNEB_Event::operator=(const CNEB_Event& other)
{
    m_parameter = other.m_parameter;
    return *this;
}

CNEB_Event::~CNEB_Event() = default;

CNEB_ChoicelistItem& CNEB_Event::getItem() const
{
    return m_func->getItem(m_parameter);
}

CNEB_Choicelist& CNEB_Event::getChoicelist() const
{
    return m_func->getChoicelist(m_parameter);
}

void CNEB_Event::setItem(const CNEB_ChoicelistItem& item)
{
    m_parameter.setChoiceID(item.getID());
}

void CNEB_Event::copyValue(const CNEB_Event& other)
{
    m_parameter.copyText(other.m_parameter);
}

void CNEB_Event::reread()
{
    // Read into a copy so that a failed read leaves the value as it was.
    CChoicelistParameter fresh = m_parameter;
    m_func->readValue(fresh);
    m_parameter = fresh;
}

void CNEB_Event::setDefault()
{
    m_parameter.setChoiceID(
        m_stock->getConfiguration().getSpecialChoicelistItem("EVENT_BOOLEAN_DEFAULT"));
}

CNEBChangeBunch CNEB_Event::getChangeBunch() const
{
    CNEBChangeBunch bunch;
    bunch.addParameter(m_parameter);
    return bunch;
}
