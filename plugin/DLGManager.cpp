#include "DLGManager.h"

#include "Dialogs/NEBSettingsDLG.h"
#include "EventDispacher.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_Settings.h"
#include "Settings_Manager/CSettingsManager.h"

CDLGManager::CDLGManager(CEventDispacher& dispatcher)
    : m_dispatcher(dispatcher), m_settingsManager(dispatcher.getSettingsManager())
{}

CDLGManager::CDLGManager(const CDLGManager& other)
    : m_dispatcher(other.m_dispatcher), m_settingsManager(other.m_settingsManager),
      m_program(other.m_program)
{}

CDLGManager::~CDLGManager() = default;

void CDLGManager::init()
{
    if (!m_program.isBuilt())
        m_program.assign(m_settingsManager.getProgram());
}

void CDLGManager::updateNebProgram()
{
    m_program.assign(m_settingsManager.getProgram());
}

void CDLGManager::reloadNebProgram()
{
    m_program.reload();
}

CChoiceListItemObjectLookup CDLGManager::lookupChoicelistItemObject(CNEB_ChoicelistItem& item)
{
    return m_program.lookupChoicelistItemObject(item);
}

void CDLGManager::getParameterName(std::string number, std::string& name)
{
    m_settingsManager.getParameterName(number, name);
}

void CDLGManager::getActiveLanguage(std::string& language)
{
    m_settingsManager.getDataManager().getActiveLanguage(language);
}

template <typename Command> bool CDLGManager::guarded(Command command)
{
    try {
        command();
        return true;
    } catch (const CCustomException&) {
        return false;
    }
}

bool CDLGManager::saveTimer(CNEB_Timer& timer)
{
    return guarded([&] {
        m_dispatcher.defineTimer(timer);
        m_program.reload();
    });
}

bool CDLGManager::saveComp(CNEB_Comparator& comparator)
{
    return guarded([&] {
        m_dispatcher.defineComp(comparator);
        m_program.reload();
    });
}

bool CDLGManager::saveNEB_Settings(CNEB_Settings& settings)
{
    return guarded([&] {
        // A setting that could not be read is not overwritten with a value nobody saw.
        if (!settings.isComplete())
            throw NEB_TEXT_EXCEPTION("Controller settings not read completely; not written");
        m_dispatcher.defineNEB_Settings(settings);
        m_program.reload();
    });
}

void CDLGManager::saveLR(CNEB_LogicRule& logicRule)
{
    guarded([&] {
        m_dispatcher.defineLR(logicRule);
        m_program.reload();
    });
}

void CDLGManager::addPairBeforeSelected(CNEB_EAPair& selected)
{
    guarded([&] {
        m_program.addPairBefore(selected);
        m_dispatcher.addPairBeforeSelected(m_program);
        m_program.reload();
    });
}

void CDLGManager::addPairToEnd()
{
    guarded([&] {
        m_program.addPairToEnd();
        m_dispatcher.addPairToEnd(m_program);
        m_program.reload();
    });
}

void CDLGManager::deletePair(CNEB_EAPair& pair)
{
    guarded([&] {
        m_program.deletePair(pair);
        m_dispatcher.deletePair(m_program);
        m_program.reload();
    });
}

bool CDLGManager::modifyEvent(CNEB_Event& event, CNEB_ChoicelistItem& item)
{
    return guarded([&] {
        event.setItem(item);
        m_dispatcher.modifyEvent(m_program);
        m_program.reload();
    });
}

bool CDLGManager::modifyAction(CNEB_Action& action, CNEB_ChoicelistItem& item)
{
    return guarded([&] {
        action.setItem(item);
        m_dispatcher.modifyAction(m_program);
        m_program.reload();
    });
}

void CDLGManager::showNEB_Settings()
{
    guarded([&] {
        CNEBSettingsDLG dialog(*this, m_program.getSettings(), nullptr);
        dialog.DoModal();
    });
}
