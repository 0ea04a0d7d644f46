#pragma once

#include "Dialogs/NEBDlgControl.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "languages/common/NEBPTResources.h"

#include <vector>

class CNEB_Event;

// The event box of a pair: a drop-down list of the event choices with a button
// that opens it, and an object button that opens the editor of the timer,
// comparator or logic rule the event refers to. A different choice is written
// through the command layer at once; the window then asks its pair to re-read.
class CEventCtrl : public CNEBDlgControl
{
public:
    enum : unsigned
    {
        IDD = res::IDD_EVENT
    };
    enum : int
    {
        IDC_OBJECT_BUTTON = res::IDC_OBJECT_BUTTON,
        IDC_EVENT_LIST = res::IDC_EVENT_LIST,
        IDC_OPEN_LIST = res::IDC_OPEN_LIST
    };

    CEventCtrl(CDLGManager& manager, CNEB_Event& event);
    ~CEventCtrl() override;

    unsigned getTemplateId() const override { return IDD; }
    // Asks the pair window to re-read.
    void reReadData() override;

    bool OnInitDialog() override;
    bool OnCommand(int id, int notification) override;
    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;

private:
    void updateObjectButton(CNEB_ChoicelistItem& item);
    void onSelectionChange();
    void onObjectButton();

    CNEB_Event& m_event;
    bool m_changed = false;
    std::vector<CNEB_ChoicelistItem> m_attachedItems;
};
