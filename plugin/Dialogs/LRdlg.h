#pragma once

#include "Dialogs/ChoiceCombo.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include "framework/widgets/Dialog.h"
#include "languages/common/NEBPTResources.h"

#include <QPointer>

#include <array>

class QAbstractButton;
class CDLGManager;
class CNEB_LogicRule;

// The modal editor of one logic rule: three operand lists, two operator lists,
// a gate diagram that follows the operators, and for every operand that refers
// to a timer, comparator or logic rule a button opening that object's editor.
//
// The rule is written to the drive whenever OK or an operand button is pressed,
// changed or not. A logic-rule operand that would make the rules refer to each
// other in a loop is refused with a message; the dialog then stays open.
class CLRdlg : public fw::CDialog
{
public:
    enum
    {
        IDD = res::IDD_LOGIC_RULE
    };

    // Control IDs of the logic rule template.
    enum : int
    {
        IDC_OPERAND_1 = res::IDC_LR_OPERAND_1,
        IDC_OPERATOR_1 = res::IDC_LR_OPERATOR_1,
        IDC_OPERAND_BUTTON_1 = res::IDC_LR_OPERAND_BUTTON_1,
        IDC_VARIANT_ONE = res::IDC_LR_VARIANT_ONE,
        IDC_VARIANT_TWO = res::IDC_LR_VARIANT_TWO,
        IDC_VARIANT_THREE = res::IDC_LR_VARIANT_THREE,
        IDC_OP1_NOT_SECOND = res::IDC_LR_OP1_NOT_SECOND,
        IDC_OP1_NOT_FIRST = res::IDC_LR_OP1_NOT_FIRST,
        IDC_OP2_NOT_SECOND = res::IDC_LR_OP2_NOT_SECOND,
        IDC_OP2_NOT_FIRST = res::IDC_LR_OP2_NOT_FIRST,
        IDC_OP1_AND = res::IDC_LR_OP1_AND,
        IDC_OP1_OR = res::IDC_LR_OP1_OR,
        IDC_OP2_AND = res::IDC_LR_OP2_AND,
        IDC_OP2_OR = res::IDC_LR_OP2_OR
    };

    CLRdlg(CDLGManager& manager, CNEB_LogicRule& rule, QWidget* parent);
    ~CLRdlg() override;

    bool OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange& dx) override;
    bool OnCommand(int id, int notification) override;
    void OnEraseBkgnd(QPainter& painter) override;

private:
    // Fills a list with the items of a choice list, attaching a copy of each
    // item to its entry, and selects the entry found by prefix search for the
    // current item's text.
    void fillList(int listId, const CNEB_Choicelist& choices, const CNEB_ChoicelistItem& current);
    void fillOperandList(unsigned short i);
    void fillOperatorList(unsigned short i);
    // The item attached to the selected entry of a list, copied; throws when the
    // list has no selection or the entry no item.
    CNEB_ChoicelistItem selectedItem(int listId) const;
    int selectedKind(int listId);

    void updateOperandButton(int n);
    void updateDiagramVariant();
    void updateOperatorPictures(int n);

    void writeRule();
    bool passesReferenceCheck(int listId);

    void onOperandChanged(int n);
    void onOperatorChanged(int n);
    void onOperandButton(int n);
    void onOKButton();

    CNEB_LogicRule& m_logicRule;
    CDLGManager& m_dlgManager;
    std::array<QPointer<QAbstractButton>, 3> m_operandButtons;
    // Copies of the items attached to the list entries (stable addresses).
    choicecombo::Items m_attachedItems;
};
