#pragma once

#include "Settings_Manager/CNEBProgramChangeable.h"
#include "Settings_Stock/CNEBParameter.h"

class CSettingManagerFunc;
class CSettingStock;
class CNEB_Choicelist;
class CNEB_ChoicelistItem;

// The action of one event/action pair: element `index` of the array parameter
// ACTION, whose value is the ID of one item of its choice list. The action named
// by "ACTION_COMMAND_DISABLED" ends the program.
class CNEB_Action : public CNEBProgramChangeable
{
public:
    // Reads the action of pair `index` from the drive through `func`; the
    // parameter number and the special items come from the stock's drive
    // configuration. Neither pointer is owned.
    CNEB_Action(long index, CSettingManagerFunc* func, CSettingStock* stock);
    // Takes over the other action's parameter (number, index, value text) and
    // works with `func` and `stock`; nothing is read from the drive.
    CNEB_Action(const CNEB_Action& other, CSettingManagerFunc* func, CSettingStock* stock);
    CNEB_Action(const CNEB_Action& other);
    // Number, array index and value text; the pointers stay.
    CNEB_Action& operator=(const CNEB_Action& other);
    ~CNEB_Action() override;

    // The choice-list item whose ID is the value; throws when the list lacks it.
    CNEB_ChoicelistItem& getItem() const;
    CNEB_Choicelist& getChoicelist() const;
    // Stores the item's ID; the drive is not touched.
    void setItem(const CNEB_ChoicelistItem& item);
    // Takes over the other action's value text; number and index stay.
    void copyValue(const CNEB_Action& other);
    void reread();
    // Value := the ID that "ACTION_COMMAND_DEFAULT" names.
    void setDefault();
    // Value := the ID that "ACTION_COMMAND_DISABLED" names.
    void setDisabled();
    // False when the value is the ID that "ACTION_COMMAND_DISABLED" names.
    bool isEnabled() const;

    const CChoicelistParameter& getParameter() const { return m_parameter; }
    long getIndex() const { return m_parameter.getIndex(); }

    CNEBChangeBunch getChangeBunch() const override;

private:
    unsigned long specialItem(const char* key) const;

    CChoicelistParameter m_parameter;
    CSettingManagerFunc* m_func;
    CSettingStock* m_stock;
};
