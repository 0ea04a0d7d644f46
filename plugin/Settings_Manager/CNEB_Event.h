#pragma once

#include "Settings_Manager/CNEBProgramChangeable.h"
#include "Settings_Stock/CNEBParameter.h"

class CSettingManagerFunc;
class CSettingStock;
class CNEB_Choicelist;
class CNEB_ChoicelistItem;

// The event of one event/action pair: element `index` of the array parameter
// EVENT, whose value is the ID of one item of its choice list.
class CNEB_Event : public CNEBProgramChangeable
{
public:
    // Reads the event of pair `index` from the drive through `func`; the
    // parameter number and the special items come from the stock's drive
    // configuration. Neither pointer is owned.
    CNEB_Event(long index, CSettingManagerFunc* func, CSettingStock* stock);
    // Takes over the other event's parameter (number, index, value text) and
    // works with `func` and `stock`; nothing is read from the drive.
    CNEB_Event(const CNEB_Event& other, CSettingManagerFunc* func, CSettingStock* stock);
    CNEB_Event(const CNEB_Event& other);
    // Number, array index and value text; the pointers stay.
    CNEB_Event& operator=(const CNEB_Event& other);
    ~CNEB_Event() override;

    // The choice-list item whose ID is the value; throws when the list lacks it.
    CNEB_ChoicelistItem& getItem() const;
    CNEB_Choicelist& getChoicelist() const;
    // Stores the item's ID; the drive is not touched.
    void setItem(const CNEB_ChoicelistItem& item);
    // Takes over the other event's value text; number and index stay.
    void copyValue(const CNEB_Event& other);
    void reread();
    // Value := the ID that "EVENT_BOOLEAN_DEFAULT" names.
    void setDefault();

    const CChoicelistParameter& getParameter() const { return m_parameter; }
    long getIndex() const { return m_parameter.getIndex(); }

    CNEBChangeBunch getChangeBunch() const override;

private:
    CChoicelistParameter m_parameter;
    CSettingManagerFunc* m_func;
    CSettingStock* m_stock;
};
