#pragma once

#include "NEBPTExport.h"
#include "Settings_Manager/CSettingsManager.h"

class IExtParamInterface;
class CNEBProgramChangeable;
class CNEB_Timer;
class CNEB_Comparator;
class CNEB_LogicRule;
class CNEB_Settings;

namespace NEBPT {
class CNEB_Program;
} // namespace NEBPT

// Owns the settings manager and writes every changed program object to the
// drive: each write operation takes the object's whole change bunch and applies
// it. The operation names tell the caller's purpose only; the caller has changed
// the object before. Failures pass through unchanged.
class NEBPT_EXPORT CEventDispacher
{
public:
    CEventDispacher();
    // Throws CCustomException when `host` is null or its index base is negative.
    explicit CEventDispacher(IExtParamInterface* host);
    CEventDispacher(const CEventDispacher& other);
    virtual ~CEventDispacher();

    void init();
    CSettingsManager& getSettingsManager() { return m_settingsManager; }

    void defineTimer(CNEB_Timer& timer);
    void defineComp(CNEB_Comparator& comparator);
    void defineLR(CNEB_LogicRule& logicRule);
    void defineNEB_Settings(CNEB_Settings& settings);

    void addPairBeforeSelected(NEBPT::CNEB_Program& program);
    void addPairToEnd(NEBPT::CNEB_Program& program);
    void deletePair(NEBPT::CNEB_Program& program);
    void modifyEvent(NEBPT::CNEB_Program& program);
    void modifyAction(NEBPT::CNEB_Program& program);

    // These do nothing.
    void undo();
    void redo();
    void printNEB();
    void selectEvent();
    void selectAction();
    void close();

private:
    void write(CNEBProgramChangeable& object);

    CSettingsManager m_settingsManager;
};
