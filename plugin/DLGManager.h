#pragma once

#include "NEBPTExport.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_Program.h"

#include <string>

class CEventDispacher;
class CSettingsManager;
class CNEB_ChoicelistItem;

// Stands between the windows and the program model: holds the program the
// windows show, carries out every user command on it, has the changed objects
// written to the drive through the dispatcher and re-reads the program after.
// A failed command ends here: the failure was logged when it was made, and the
// windows only see the result.
class NEBPT_EXPORT CDLGManager
{
public:
    explicit CDLGManager(CEventDispacher& dispatcher);
    CDLGManager(const CDLGManager& other);
    CDLGManager& operator=(const CDLGManager&) = delete;
    virtual ~CDLGManager();

    // Builds the program from the drive unless it is built already.
    void init();
    // Always rebuilds the program from the drive.
    void updateNebProgram();

    NEBPT::CNEB_Program& getNEBProgram() { return m_program; }
    int getNEBExecutionPoint() const { return 0; }
    CChoiceListItemObjectLookup lookupChoicelistItemObject(CNEB_ChoicelistItem& item);
    void getParameterName(std::string number, std::string& name);
    void getActiveLanguage(std::string& language);

    // Commands: write, then re-read the program.
    bool saveTimer(CNEB_Timer& timer);
    bool saveComp(CNEB_Comparator& comparator);
    bool saveNEB_Settings(CNEB_Settings& settings);
    void saveLR(CNEB_LogicRule& logicRule);
    void addPairBeforeSelected(CNEB_EAPair& selected);
    void addPairToEnd();
    void deletePair(CNEB_EAPair& pair);
    bool modifyEvent(CNEB_Event& event, CNEB_ChoicelistItem& item);
    bool modifyAction(CNEB_Action& action, CNEB_ChoicelistItem& item);
    // Runs the controller settings dialog, which saves through saveNEB_Settings.
    void showNEB_Settings();
    // These do nothing.
    void undo() {}
    void redo() {}

private:
    void reloadNebProgram();
    // Runs `command`; a CCustomException ends it and makes the result false.
    template <typename Command> bool guarded(Command command);

    CEventDispacher& m_dispatcher;
    CSettingsManager& m_settingsManager;
    NEBPT::CNEB_Program m_program;
};
