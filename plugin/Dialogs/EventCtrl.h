#pragma once

#include "Dialogs/NEBDlgControl.h"
#include "Settings_Stock/CNEB_Choicelist.h"

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
        IDD = 2135
    };
    enum : int
    {
        IDC_OBJECT_BUTTON = 3001,
        IDC_EVENT_LIST = 3008,
        IDC_OPEN_LIST = 3010
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
