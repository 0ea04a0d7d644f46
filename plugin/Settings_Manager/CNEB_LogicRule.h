#pragma once

#include "Settings_Manager/CNEBProgramChangeable.h"
#include "Settings_Stock/CNEBParameter.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include <cstdint>
#include <string>
#include <vector>

class CSettingManagerFunc;

// Logic rule r of the controller program: operand 0, operator 0, operand 1,
// operator 1, operand 2, evaluated left to right. Stored in element r of
// LR_OPERAND_1, LR_OPERATOR_1, LR_OPERAND_2, LR_OPERATOR_2 and LR_OPERAND_3.
class CNEB_LogicRule : public CNEBProgramChangeable
{
public:
    // Reads the five values from the drive.
    CNEB_LogicRule(unsigned long r, CSettingManagerFunc* func);
    // Copies never touch the drive.
    CNEB_LogicRule(const CNEB_LogicRule&) = default;
    CNEB_LogicRule& operator=(const CNEB_LogicRule&) = default;
    ~CNEB_LogicRule() override;

    // Operands 0..2 and operators 0..1; a number out of range throws and changes nothing.
    CNEB_ChoicelistItem& getOperandItem(unsigned short i) const;
    CNEB_ChoicelistItem& getOperatorItem(unsigned short i) const;
    void setOperandItem(const CNEB_ChoicelistItem& item, unsigned short i);
    void setOperatorItem(const CNEB_ChoicelistItem& item, unsigned short i);
    CNEB_Choicelist& getOperandChoicelist(unsigned short i) const;
    CNEB_Choicelist& getOperatorChoicelist(unsigned short i) const;

    // "<string 2147> <r>"; also the rule's identity in the reference loop check.
    std::string getName() const;
    unsigned long getIndex() const { return m_index; }

    // Reads all five values again, in order.
    void reread();

    // The five parameters in order, each with index r.
    CNEBChangeBunch getChangeBunch() const override;

private:
    static constexpr unsigned short kOperands = 3;
    static constexpr unsigned short kOperators = 2;

    std::vector<CChoicelistParameter> m_parameters;
    CSettingManagerFunc* m_func;
    uint32_t m_index;
};
