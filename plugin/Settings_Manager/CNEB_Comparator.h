#pragma once

#include "Settings_Manager/CNEBProgramChangeable.h"
#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include <cstdint>

class CSettingManagerFunc;

// Comparator k of the controller program: an operand (a drive quantity) compared
// by an operator with a numeric value. Stored in element k of COMP_OPERAND,
// COMP_OPERATOR and COMP_VALUE. The value's limits are read once, when the
// comparator is built.
class CNEB_Comparator : public CNEBProgramChangeable
{
public:
    // Reads operand, operator, value and the value's limits from the drive.
    CNEB_Comparator(unsigned long k, CSettingManagerFunc* func);
    // Copies never touch the drive.
    CNEB_Comparator(const CNEB_Comparator&) = default;
    CNEB_Comparator& operator=(const CNEB_Comparator&) = default;
    ~CNEB_Comparator() override;

    CNEB_ChoicelistItem& getOperandItem() const;
    CNEB_ChoicelistItem& getOperatorItem() const;
    void setOperandItem(const CNEB_ChoicelistItem& item);
    void setOperatorItem(const CNEB_ChoicelistItem& item);
    CNEB_Choicelist& getOperandChoicelist() const;
    CNEB_Choicelist& getOperatorChoicelist() const;

    unsigned long getIndex() const { return m_index; }
    double getValue() const;
    void setValue(double value);
    void getValueLimits(double& minimum, double& maximum, unsigned& decimals) const;

    // Reads operator, operand and value again; the limits stay as first read.
    void reread();

    // COMP_OPERAND, COMP_OPERATOR, COMP_VALUE, each with index k.
    CNEBChangeBunch getChangeBunch() const override;

private:
    CChoicelistParameter m_operator;
    CChoicelistParameter m_operand;
    CFloatParameter m_value;
    CSettingManagerFunc* m_func;

public:
    // Shown in the comparator dialog's title.
    uint32_t m_index;

private:
    double m_maximum = 0.0;
    double m_minimum = 0.0;
    uint32_t m_decimals = 0;
};
