#pragma once

#include "Dialogs/EABoxCtrl.h"

class CNEB_Action;

// The action box of a pair: the action choices and an object button for timers.
class CActionCtrl : public CEABoxCtrl
{
public:
    enum : unsigned
    {
        IDD = 2133
    };
    enum : int
    {
        IDC_OBJECT_BUTTON = 3001,
        IDC_ACTION_LIST = 3005
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
