#pragma once

#include "Dialogs/ChoiceCombo.h"
#include "Dialogs/NEBDlgControl.h"
#include "Dialogs/ObjectButton.h"

#include <locale>

class CNEB_Choicelist;
class CNEB_ChoicelistItem;

// A box of a pair, event or action: a drop-down list of the choices and an
// object button that opens the editor of the timer, comparator or logic rule
// the stored choice refers to (as far as the box offers that kind), and for
// some boxes a button that opens the list. A different choice is written
// through the command layer at once; the window then asks its pair to re-read.
// The box also tells what the object of its stored choice holds (objectValue),
// for its pair to show beside the object button, and the button describes
// itself with it to a screen reader.
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
    // White, or tinted while its pair's step is the active one.
    void OnEraseBkgnd(QPainter& painter) override;

    // The number format of the object values; set before the window is created
    // (the "C" locale's by default).
    void setNumberLocale(const std::locale& numbers) { m_numbers = numbers; }
    // Where the entries of the box's list are kept, shared with the lists of
    // other boxes (a flow's); set before the window is created, and kept while
    // it exists. Without, the box keeps its list's entries itself.
    void shareListsWith(choicecombo::SharedLists* lists) { m_sharedLists = lists; }
    // What the object of the stored choice holds, as the window was created:
    // nothing when the box offers no editor for it.
    const ObjectValue& objectValue() const { return m_value; }
    // The background of an active step (see EAPairCtrl.h) or white.
    void setTinted(bool tinted);

protected:
    // The stored choice and its list.
    virtual CNEB_ChoicelistItem& getItem() const = 0;
    virtual CNEB_Choicelist& getChoicelist() const = 0;
    // Writes another choice through the command layer.
    virtual void modify(CNEB_ChoicelistItem& item) = 0;
    // Whether the object button opens the editor of objects of `kind`.
    virtual bool offersEditor(int kind) const = 0;

private:
    void updateObjectButton(int kind);
    void onSelectionChange();
    void onObjectButton();

    const Controls m_controls;
    bool m_changed = false;
    choicecombo::SharedLists* m_sharedLists = nullptr;
    choicecombo::SharedLists m_ownLists; // without shared ones
    std::locale m_numbers = std::locale::classic();
    ObjectValue m_value;
    bool m_tinted = false;
};
