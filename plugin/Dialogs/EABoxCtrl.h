#pragma once

#include "Dialogs/ChoiceCombo.h"
#include "Dialogs/NEBDlgControl.h"

class CNEB_Choicelist;
class CNEB_ChoicelistItem;

// A box of a pair, event or action: a drop-down list of the choices and an
// object button that opens the editor of the timer, comparator or logic rule
// the stored choice refers to (as far as the box offers that kind), and for
// some boxes a button that opens the list. A different choice is written
// through the command layer at once; the window then asks its pair to re-read.
class CEABoxCtrl : public CNEBDlgControl
{
public:
    // The box's controls; `openListId` is 0 for a box without an opening button.
    struct Controls
    {
        unsigned templateId;
        int objectButtonId;
        int listId;
        int openListId;
    };

    CEABoxCtrl(CDLGManager& manager, const Controls& controls);
    ~CEABoxCtrl() override;

    unsigned getTemplateId() const override { return m_controls.templateId; }
    // Asks the pair window to re-read.
    void reReadData() override;

    bool OnInitDialog() override;
    bool OnCommand(int id, int notification) override;
    bool OnMessage(unsigned message, uintptr_t wParam, intptr_t lParam) override;

protected:
    // The stored choice and its list.
    virtual CNEB_ChoicelistItem& getItem() const = 0;
    virtual CNEB_Choicelist& getChoicelist() const = 0;
    // Writes another choice through the command layer.
    virtual void modify(CNEB_ChoicelistItem& item) = 0;
    // Whether the object button opens the editor of objects of `kind`.
    virtual bool offersEditor(int kind) const = 0;

private:
    void updateObjectButton(CNEB_ChoicelistItem& item);
    void onSelectionChange();
    void onObjectButton();

    const Controls m_controls;
    bool m_changed = false;
    choicecombo::Items m_items;
};
