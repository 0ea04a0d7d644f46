#include "Settings_Manager/CNEB_EAPair.h"

CNEB_EAPair::CNEB_EAPair(long index, CSettingManagerFunc* func, CSettingStock* stock)
    : m_event(index, func, stock), m_action(index, func, stock)
{}

CNEB_EAPair::CNEB_EAPair(const CNEB_EAPair& other, CSettingManagerFunc* func, CSettingStock* stock)
    : CNEBProgramChangeable(other), m_event(other.m_event, func, stock),
      m_action(other.m_action, func, stock)
{}

CNEB_EAPair::CNEB_EAPair(const CNEB_EAPair& other) = default;

CNEB_EAPair& CNEB_EAPair::operator=(const CNEB_EAPair& other)
{
    m_event = other.m_event;
    m_action = other.m_action;
    return *this;
}

CNEB_EAPair::~CNEB_EAPair() = default;

void CNEB_EAPair::setDefaults()
{
    m_event.setDefault();
    m_action.setDefault();
}

void CNEB_EAPair::setEndMarker()
{
    m_event.setDefault();
    m_action.setDisabled();
}

bool CNEB_EAPair::isActive() const
{
    return m_action.isEnabled();
}

void CNEB_EAPair::copyValues(const CNEB_EAPair& other)
{
    m_event.copyValue(other.m_event);
    m_action.copyValue(other.m_action);
}

void CNEB_EAPair::reread()
{
    m_event.reread();
    m_action.reread();
}

long CNEB_EAPair::compare(const CNEB_EAPair& other) const
{
    const long actions = m_action.getParameter().compareIndex(other.m_action.getParameter());
    const long events = m_event.getParameter().compareIndex(other.m_event.getParameter());
    return events | actions;
}

CNEBChangeBunch CNEB_EAPair::getChangeBunch() const
{
    CNEBChangeBunch bunch = m_action.getChangeBunch();
    bunch.append(m_event.getChangeBunch());
    return bunch;
}
