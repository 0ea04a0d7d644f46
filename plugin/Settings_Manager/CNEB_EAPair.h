#pragma once

#include "Settings_Manager/CNEBProgramChangeable.h"
#include "Settings_Manager/CNEB_Action.h"
#include "Settings_Manager/CNEB_Event.h"

class CSettingManagerFunc;
class CSettingStock;

// One step of the controller program: the event and the action stored in
// element `index` of EVENT and ACTION. A pair is identified by that index,
// never by its address; event and action always carry the same index.
class CNEB_EAPair : public CNEBProgramChangeable
{
public:
    // Reads the pair from the drive, the event before the action, both built with
    // the same three arguments. Neither pointer is owned.
    CNEB_EAPair(long index, CSettingManagerFunc* func, CSettingStock* stock);
    // Takes over the other pair's event and action (number, index, value text)
    // and works with `func` and `stock`; nothing is read from the drive.
    CNEB_EAPair(const CNEB_EAPair& other, CSettingManagerFunc* func, CSettingStock* stock);
    CNEB_EAPair(const CNEB_EAPair& other);
    // Event and action take the other's number, index and value text.
    CNEB_EAPair& operator=(const CNEB_EAPair& other);
    ~CNEB_EAPair() override;

    CNEB_Event& getEvent() { return m_event; }
    const CNEB_Event& getEvent() const { return m_event; }
    CNEB_Action& getAction() { return m_action; }
    const CNEB_Action& getAction() const { return m_action; }

    // A fresh step: default event and default action.
    void setDefaults();
    // The pair that ends the program: default event, disabled action.
    void setEndMarker();
    bool isActive() const;
    // Takes over the other pair's values; both array indexes stay.
    void copyValues(const CNEB_EAPair& other);
    void reread();
    // Zero exactly when both pairs address the same array elements; the sign
    // carries no order. Throws when the parameter numbers differ.
    long compare(const CNEB_EAPair& other) const;

    long getIndex() const { return m_event.getIndex(); }

    // The action's entry, then the event's.
    CNEBChangeBunch getChangeBunch() const override;

private:
    CNEB_Event m_event;
    CNEB_Action m_action;
};
