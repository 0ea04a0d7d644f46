#pragma once

#include "Dialogs/NEBDlgControl.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "languages/common/NEBPTResources.h"

#include <vector>

class CNEB_Action;

// The action box of a pair: a drop-down list of the action choices and an
// object button that opens the editor of the timer the action refers to. A
// different choice is written through the command layer at once; the window
// then asks its pair to re-read.
class CActionCtrl : public CNEBDlgControl
{
public:
    enum : unsigned
    {
        IDD = res::IDD_ACTION
    };
    enum : int
    {
        IDC_OBJECT_BUTTON = res::IDC_OBJECT_BUTTON,
        IDC_ACTION_LIST = res::IDC_ACTION_LIST
    };

    CActionCtrl(CDLGManager& manager, CNEB_Action& action);
    ~CActionCtrl() override;

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

    CNEB_Action& m_action;
    bool m_changed = false;
    std::vector<CNEB_ChoicelistItem> m_attachedItems;
};
