#pragma once

#include "Dialogs/EABoxCtrl.h"
#include "languages/common/NEBPTResources.h"

class CNEB_Action;

// The action box of a pair: the action choices and an object button for timers.
class CActionCtrl : public CEABoxCtrl
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

protected:
    CNEB_ChoicelistItem& getItem() const override;
    CNEB_Choicelist& getChoicelist() const override;
    void modify(CNEB_ChoicelistItem& item) override;
    bool offersEditor(int kind) const override;

private:
    CNEB_Action& m_action;
};
