#pragma once

#include "Dialogs/EABoxCtrl.h"

class CNEB_Event;

// The event box of a pair: the event choices, a button that opens their list,
// and an object button for timers, comparators and logic rules.
class CEventCtrl : public CEABoxCtrl
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

protected:
    CNEB_ChoicelistItem& getItem() const override;
    CNEB_Choicelist& getChoicelist() const override;
    void modify(CNEB_ChoicelistItem& item) override;
    bool offersEditor(int kind) const override;

private:
    CNEB_Event& m_event;
};
