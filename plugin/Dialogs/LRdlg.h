#pragma once

#include "Dialogs/ChoiceCombo.h"
#include "Settings_Stock/CNEB_Choicelist.h"

#include "framework/widgets/Dialog.h"

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
        IDD = 2149
    };

    // Control IDs of template 2149.
    enum : int
    {
        IDC_OPERAND_1 = 3012,        // ..3014
        IDC_OPERATOR_1 = 3015,       // ..3016
        IDC_OPERAND_BUTTON_1 = 3021, // ..3023
        IDC_VARIANT_ONE = 3025,
        IDC_VARIANT_TWO = 3026,
        IDC_VARIANT_THREE = 3027,
        IDC_OP1_NOT_SECOND = 3028,
        IDC_OP1_NOT_FIRST = 3029,
        IDC_OP2_NOT_SECOND = 3030,
        IDC_OP2_NOT_FIRST = 3031,
        IDC_OP1_AND = 3000,
        IDC_OP1_OR = 3032,
        IDC_OP2_AND = 3033,
        IDC_OP2_OR = 3034
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
