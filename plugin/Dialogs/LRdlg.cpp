#include "Dialogs/LRdlg.h"

#include "DLGManager.h"
#include "Dialogs/Compdlg.h"
#include "Dialogs/ObjectButton.h"
#include "Dialogs/Timerdlg.h"
#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_LogicRule.h"
#include "Settings_Manager/CNEB_Program.h"

#include "framework/MessageBox.h"
#include "framework/Resources.h"
#include "framework/widgets/DataExchange.h"
#include "framework/widgets/Messages.h"
#include "languages/common/NEBPTResources.h"

#include <QAbstractButton>
#include <QPainter>

namespace {

using Kind = CChoiceListItemObjectLookup::Kind;

constexpr int kOperands = 3;
constexpr int kOperators = 2;

// The strings of the object buttons and of the refused operand.
constexpr unsigned IDS_RULES_REFER_TO_EACH_OTHER = res::IDS_RULES_REFER_TO_EACH_OTHER;

// Offset of a nested dialog from its parent's top-left corner.
constexpr int kCascade = 20;

// What one operator kind shows: negation marks on its inputs and its gate.
struct OperatorPictures
{
    bool notFirst;
    bool notSecond;
    bool andGate;
    bool orGate;
};

// Indexed by kind - Kind::Disabled, for the kinds DISABLED .. NOT OR NOT.
constexpr OperatorPictures kOperatorPictures[] = {
    {false, false, false, false}, // DISABLED
    {false, false, true, false},  // AND
    {false, false, false, true},  // OR
    {false, true, true, false},   // AND NOT
    {false, true, false, true},   // OR NOT
    {true, false, true, false},   // NOT AND
    {true, false, false, true},   // NOT OR
    {true, true, true, false},    // NOT AND NOT
    {true, true, false, true},    // NOT OR NOT
};

// The picture controls of operator n (1 or 2).
struct OperatorControls
{
    int notFirst;
    int notSecond;
    int andGate;
    int orGate;
};

OperatorControls operatorControls(int n)
{
    if (n == 1)
        return {CLRdlg::IDC_OP1_NOT_FIRST, CLRdlg::IDC_OP1_NOT_SECOND, CLRdlg::IDC_OP1_AND,
                CLRdlg::IDC_OP1_OR};
    return {CLRdlg::IDC_OP2_NOT_FIRST, CLRdlg::IDC_OP2_NOT_SECOND, CLRdlg::IDC_OP2_AND,
            CLRdlg::IDC_OP2_OR};
}

} // namespace

CLRdlg::CLRdlg(CDLGManager& manager, CNEB_LogicRule& rule, QWidget* parent)
    : fw::CDialog(IDD, parent), m_logicRule(rule), m_dlgManager(manager)
{}

CLRdlg::~CLRdlg() = default;

void CLRdlg::DoDataExchange(fw::CDataExchange& dx)
{
    fw::CDialog::DoDataExchange(dx);
    for (int i = 0; i < kOperands; ++i)
        m_operandButtons[i] =
            qobject_cast<QAbstractButton*>(dx.PrepareCtrl(IDC_OPERAND_BUTTON_1 + i));
}

bool CLRdlg::OnInitDialog()
{
    // Cascade over the parent: the window's top-left corner, its frame included,
    // 20 pixels right of and below the parent window's (a child window has no
    // frame), keeping the size of the template. For a window, move() places the
    // frame, also before the window is shown.
    if (const QWidget* parent = GetParent()) {
        const QPoint corner = parent->isWindow() ? parent->frameGeometry().topLeft()
                                                 : parent->mapToGlobal(QPoint(0, 0));
        move(corner + QPoint(kCascade, kCascade));
    }

    fw::CDialog::OnInitDialog();

    SetWindowText(m_logicRule.getName());

    m_attachedItems.clear();
    for (unsigned short i = 0; i < 2; ++i) {
        fillOperandList(i);
        updateOperandButton(i + 1);
        fillOperatorList(i);
    }
    fillOperandList(2);
    updateOperandButton(3);

    updateDiagramVariant();
    updateOperatorPictures(1);
    updateOperatorPictures(2);
    return true;
}

void CLRdlg::fillOperandList(unsigned short i)
{
    fillList(IDC_OPERAND_1 + i, m_logicRule.getOperandChoicelist(i), m_logicRule.getOperandItem(i));
}

void CLRdlg::fillOperatorList(unsigned short i)
{
    fillList(IDC_OPERATOR_1 + i, m_logicRule.getOperatorChoicelist(i),
             m_logicRule.getOperatorItem(i));
}

void CLRdlg::fillList(int listId, const CNEB_Choicelist& choices,
                      const CNEB_ChoicelistItem& current)
{
    fw::CComboBox list = GetComboBox(listId);
    choicecombo::fill(list, choices, m_attachedItems);
    list.SetCurSel(list.FindString(-1, current.getText()));
}

CNEB_ChoicelistItem CLRdlg::selectedItem(int listId) const
{
    const CNEB_ChoicelistItem* item = choicecombo::selected(GetComboBox(listId));
    if (item == nullptr)
        throw NEB_EXCEPTION(0, listId);
    return *item;
}

int CLRdlg::selectedKind(int listId)
{
    CNEB_ChoicelistItem item = selectedItem(listId);
    return m_dlgManager.lookupChoicelistItemObject(item).getKind();
}

void CLRdlg::updateOperandButton(int n)
{
    showObjectButton(*this, IDC_OPERAND_BUTTON_1 + n - 1,
                     objectButtonCaption(selectedKind(IDC_OPERAND_1 + n - 1)));
}

void CLRdlg::updateDiagramVariant()
{
    const int first = selectedKind(IDC_OPERATOR_1);
    const int second = selectedKind(IDC_OPERATOR_1 + 1);
    int shown = IDC_VARIANT_THREE;
    if (first == Kind::Disabled)
        shown = IDC_VARIANT_ONE;
    else if (second == Kind::Disabled)
        shown = IDC_VARIANT_TWO;
    for (int id : {IDC_VARIANT_ONE, IDC_VARIANT_TWO, IDC_VARIANT_THREE})
        ShowDlgItem(id, id == shown);
}

void CLRdlg::updateOperatorPictures(int n)
{
    const int kind = selectedKind(IDC_OPERATOR_1 + n - 1);
    if (kind < Kind::Disabled || kind > Kind::NotOrNot)
        return;
    const OperatorControls controls = operatorControls(n);
    for (int id : {controls.notFirst, controls.notSecond, controls.andGate, controls.orGate})
        ShowDlgItem(id, false);
    updateDiagramVariant();
    const OperatorPictures& pictures = kOperatorPictures[kind - Kind::Disabled];
    if (pictures.notFirst)
        ShowDlgItem(controls.notFirst, true);
    if (pictures.notSecond)
        ShowDlgItem(controls.notSecond, true);
    if (pictures.andGate)
        ShowDlgItem(controls.andGate, true);
    if (pictures.orGate)
        ShowDlgItem(controls.orGate, true);
}

void CLRdlg::writeRule()
{
    for (unsigned short i = 0; i < kOperands; ++i)
        m_logicRule.setOperandItem(selectedItem(IDC_OPERAND_1 + i), i);
    for (unsigned short i = 0; i < kOperators; ++i)
        m_logicRule.setOperatorItem(selectedItem(IDC_OPERATOR_1 + i), i);
    m_dlgManager.saveLR(m_logicRule);
}

bool CLRdlg::passesReferenceCheck(int listId)
{
    CNEB_ChoicelistItem item = selectedItem(listId);
    const CChoiceListItemObjectLookup lookup =
        m_dlgManager.getNEBProgram().lookupChoicelistItemObject(item);
    if (lookup.getKind() != Kind::LogicRule || lookup.getLogicRule() == nullptr)
        return true;
    const CNEB_LogicRule referenced = *lookup.getLogicRule();
    const CNEB_LogicRule edited = m_logicRule;
    return m_dlgManager.getNEBProgram().checkLogicRuleReference(referenced, edited);
}

bool CLRdlg::OnCommand(int id, int notification)
{
    if (id == fw::IDOK && notification == fw::BN_CLICKED) {
        onOKButton();
        return true;
    }
    if (notification == fw::CBN_SELCHANGE) {
        if (id >= IDC_OPERAND_1 && id < IDC_OPERAND_1 + kOperands) {
            onOperandChanged(id - IDC_OPERAND_1 + 1);
            return true;
        }
        if (id >= IDC_OPERATOR_1 && id < IDC_OPERATOR_1 + kOperators) {
            onOperatorChanged(id - IDC_OPERATOR_1 + 1);
            return true;
        }
    }
    if (notification == fw::BN_CLICKED && id >= IDC_OPERAND_BUTTON_1 &&
        id < IDC_OPERAND_BUTTON_1 + kOperands) {
        onOperandButton(id - IDC_OPERAND_BUTTON_1 + 1);
        return true;
    }
    return fw::CDialog::OnCommand(id, notification);
}

void CLRdlg::onOperandChanged(int n)
{
    UpdateData(false);
    updateOperandButton(n);
}

void CLRdlg::onOperatorChanged(int n)
{
    updateDiagramVariant();
    updateOperatorPictures(n);
}

void CLRdlg::onOperandButton(int n)
{
    writeRule();
    const int listId = IDC_OPERAND_1 + n - 1;
    if (!passesReferenceCheck(listId)) {
        fw::messageBox(fw::loadString(IDS_RULES_REFER_TO_EACH_OTHER), fw::MB_OK);
        return;
    }
    CNEB_ChoicelistItem item = selectedItem(listId);
    const CChoiceListItemObjectLookup lookup = m_dlgManager.lookupChoicelistItemObject(item);
    switch (lookup.getKind()) {
    case Kind::Timer:
        if (lookup.getTimer() != nullptr)
            CTimerdlg(m_dlgManager, *lookup.getTimer(), this).DoModal();
        break;
    case Kind::Comparator:
        if (lookup.getComparator() != nullptr)
            CCompdlg(m_dlgManager, *lookup.getComparator(), this).DoModal();
        break;
    case Kind::LogicRule:
        if (lookup.getLogicRule() != nullptr)
            CLRdlg(m_dlgManager, *lookup.getLogicRule(), this).DoModal();
        break;
    default:
        break;
    }
}

void CLRdlg::onOKButton()
{
    writeRule();
    for (int i = 0; i < kOperands; ++i) {
        if (!passesReferenceCheck(IDC_OPERAND_1 + i)) {
            fw::messageBox(fw::loadString(IDS_RULES_REFER_TO_EACH_OTHER), fw::MB_OK);
            return;
        }
    }
    fw::CDialog::OnOK();
}

void CLRdlg::OnEraseBkgnd(QPainter& painter)
{
    painter.setPen(QPen(QColor(255, 255, 255), 0, Qt::SolidLine));
    painter.setBrush(QBrush(QColor(255, 255, 255), Qt::SolidPattern));
    painter.drawRect(GetClientRect().toQRect());
}
