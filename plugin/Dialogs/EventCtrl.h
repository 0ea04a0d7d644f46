#pragma once

#include "Dialogs/EABoxCtrl.h"
#include "languages/common/NEBPTResources.h"

class CNEB_Event;

// The event box of a pair: the event choices, a button that opens their list,
// and an object button for timers, comparators and logic rules.
class CEventCtrl : public CEABoxCtrl
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

protected:
    CNEB_ChoicelistItem& getItem() const override;
    CNEB_Choicelist& getChoicelist() const override;
    void modify(CNEB_ChoicelistItem& item) override;
    bool offersEditor(int kind) const override;

private:
    CNEB_Event& m_event;
};
