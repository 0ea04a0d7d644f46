#include "EventDispacher.h"

#include "Settings_Manager/CNEB_Comparator.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CNEB_Timer.h"

CEventDispacher::CEventDispacher() = default;

CEventDispacher::CEventDispacher(IExtParamInterface* host) : m_settingsManager(host) {}

CEventDispacher::CEventDispacher(const CEventDispacher& other)
    : m_settingsManager(other.m_settingsManager)
{}

CEventDispacher::~CEventDispacher() = default;

void CEventDispacher::init()
{
    m_settingsManager.init();
}

void CEventDispacher::write(CNEBProgramChangeable& object)
{
    m_settingsManager.applyChangeBunch(object.getChangeBunch());
}

void CEventDispacher::defineTimer(CNEB_Timer& timer)
{
    write(timer);
}

void CEventDispacher::defineComp(CNEB_Comparator& comparator)
{
    write(comparator);
}

void CEventDispacher::defineLR(CNEB_LogicRule& logicRule)
{
    write(logicRule);
}

void CEventDispacher::defineNEB_Settings(CNEB_Settings& settings)
{
    write(settings);
}

void CEventDispacher::addPairBeforeSelected(NEBPT::CNEB_Program& program)
{
    write(program);
}

void CEventDispacher::addPairToEnd(NEBPT::CNEB_Program& program)
{
    write(program);
}

void CEventDispacher::deletePair(NEBPT::CNEB_Program& program)
{
    write(program);
}

void CEventDispacher::modifyEvent(NEBPT::CNEB_Program& program)
{
    write(program);
}

void CEventDispacher::modifyAction(NEBPT::CNEB_Program& program)
{
    write(program);
}

void CEventDispacher::undo() {}

void CEventDispacher::redo() {}

void CEventDispacher::printNEB() {}

void CEventDispacher::selectEvent() {}

void CEventDispacher::selectAction() {}

void CEventDispacher::close() {}
