#pragma once

#include "Settings_Manager/CNEBProgramChangeable.h"
#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include <cstddef>
#include <vector>

class CSettingManagerFunc;

// The controller's own settings: mode (position 0), start event (1) and stop
// event (2), three plain selection parameters NEB_MODE, NEB_START_EV, NEB_STOP_EV.
class CNEB_Settings : public CNEBProgramChangeable
{
public:
    static constexpr unsigned short kCount = 3;

    // Reads the three values. A failure is logged ("CNEB_Settings constructor")
    // and not thrown; the values read before it are kept.
    explicit CNEB_Settings(CSettingManagerFunc* func);
    // Copies never touch the drive.
    CNEB_Settings(const CNEB_Settings&) = default;
    CNEB_Settings& operator=(const CNEB_Settings&) = default;
    ~CNEB_Settings() override;

    // Positions 0..2; a position beyond them throws.
    CNEB_ChoicelistItem& getItem(unsigned short i) const;
    CNEB_Choicelist& getChoicelist(unsigned short i) const;
    void setItem(const CNEB_ChoicelistItem& item, unsigned short i);

    // Whether all three values were read when the object was built. One that was
    // not holds no value anybody saw: the object must not be written then.
    bool isComplete() const { return m_readCount == kCount; }

    // NEB_MODE, NEB_START_EV, NEB_STOP_EV, index -1.
    CNEBChangeBunch getChangeBunch() const override;

private:
    const CChoicelistParameter& at(unsigned short i) const;

    std::vector<CChoicelistParameter> m_parameters;
    CSettingManagerFunc* m_func;
    // How many parameters, from position 0 on, were read successfully.
    size_t m_readCount = 0;
};
