#include "Dialogs/Compdlg.h"

#include "DLGManager.h"
#include "Dialogs/ChoiceCombo.h"
#include "Dialogs/DialogColours.h"
#include "Dialogs/LocaleNumber.h"
#include "Settings_Manager/CChoiceListItemObjectLookup.h"
#include "Settings_Manager/CNEB_Comparator.h"

#include "framework/Format.h"
#include "framework/Resources.h"
#include "framework/widgets/DataExchange.h"
#include "framework/widgets/Messages.h"

#include <QPainter>
#include <QPen>

#include <string>

namespace {

// How far the diagram frames stand off the controls they surround.
constexpr int kFrameMargin = 10;
const QColor kGrey(150, 150, 150);

void drawFrame(QPainter& painter, const fw::CRect& box)
{
    // Right and bottom lie one past the frame, as the framework counts rectangles.
    painter.drawRect(QRect(box.left, box.top, box.Width() - 1, box.Height() - 1));
}

int middle(const fw::CRect& box)
{
    return box.top + (box.bottom - box.top) / 2;
}

} // namespace

CCompdlg::CCompdlg(CDLGManager& manager, CNEB_Comparator& comparator, QWidget* parent)
    : fw::CDialog(IDD, parent), m_comparator(comparator), m_dlgManager(manager),
      m_locale(localenumber::activeLanguageLocale(manager))
{
    unsigned decimals = 0;
    m_comparator.getValueLimits(m_minValue, m_maxValue, decimals);
    m_decimals = static_cast<int>(decimals);
}

CCompdlg::~CCompdlg() = default;

bool CCompdlg::OnInitDialog()
{
    SetWindowText(fw::format(fw::loadString(kTitleString).c_str(),
                             static_cast<int>(m_comparator.getIndex())));
    m_value = m_comparator.getValue();
    fw::CDialog::OnInitDialog();
    dialogcolours::applyBackground(*this, m_brush);

    m_items.clear();
    fw::CComboBox operands = GetComboBox(IDC_OPERAND);
    choicecombo::fill(operands, m_comparator.getOperandChoicelist(),
                      m_comparator.getOperandItem().getID(), m_items);
    for (CNEB_ChoicelistItem& item : m_items) {
        if (m_dlgManager.lookupChoicelistItemObject(item).getKind() ==
            CChoiceListItemObjectLookup::Disabled)
            m_disabledOperand = static_cast<uint32_t>(item.getID());
    }
    fw::CComboBox operators = GetComboBox(IDC_OPERATOR);
    choicecombo::fill(operators, m_comparator.getOperatorChoicelist(),
                      m_comparator.getOperatorItem().getID(), m_items);

    m_operandBox = GetDlgItemRect(IDC_OPERAND);
    m_operandBox.InflateRect(kFrameMargin);
    m_valueBox = GetDlgItemRect(IDC_VALUE);
    m_valueBox.InflateRect(kFrameMargin);
    m_operatorBox = GetDlgItemRect(IDC_OPERATOR);
    m_operatorBox.InflateRect(kFrameMargin);
    m_operatorBox.top = m_operandBox.top;
    m_operatorBox.bottom = m_valueBox.bottom;

    updateEnabledState();
    return true;
}

bool CCompdlg::OnCommand(int id, int notification)
{
    if (id == IDC_OPERAND && notification == fw::CBN_SELCHANGE) {
        updateEnabledState();
        return true;
    }
    return fw::CDialog::OnCommand(id, notification);
}

void CCompdlg::updateEnabledState()
{
    const CNEB_ChoicelistItem* item = choicecombo::selected(GetComboBox(IDC_OPERAND));
    if (!item)
        return;
    if (item->getID() == m_disabledOperand) {
        m_operandDisabled = true;
        EnableDlgItem(IDC_OPERATOR, false);
        EnableDlgItem(IDC_VALUE, false);
        repaint();
    } else if (m_operandDisabled) {
        m_operandDisabled = false;
        EnableDlgItem(IDC_OPERATOR, true);
        EnableDlgItem(IDC_VALUE, true);
        repaint();
    }
}

void CCompdlg::DoDataExchange(fw::CDataExchange& dx)
{
    dx.PrepareEditCtrl(IDC_VALUE);
    if (!dx.m_bSaveAndValidate) {
        SetDlgItemText(IDC_VALUE, localenumber::formatFixed(
                                      m_value, static_cast<unsigned>(m_decimals), m_locale));
    } else {
        const std::string text = GetDlgItemText(IDC_VALUE);
        if (!localenumber::readNumber(text, m_locale, localenumber::MinusSign::LeadingOnly,
                                      m_value))
            dx.Fail();
    }
    fw::DDV_MinMaxDouble(dx, m_value, m_minValue, m_maxValue);
}

void CCompdlg::OnOK()
{
    if (!UpdateData(true))
        return;
    if (save() < 1)
        OnCancel();
    else
        EndDialog(fw::IDOK);
}

int CCompdlg::save()
{
    bool changed = false;

    const CNEB_ChoicelistItem* operand = choicecombo::selected(GetComboBox(IDC_OPERAND));
    if (!operand)
        return -1;
    if (operand->getID() != m_comparator.getOperandItem().getID()) {
        m_comparator.setOperandItem(*operand);
        changed = true;
    }

    const CNEB_ChoicelistItem* op = choicecombo::selected(GetComboBox(IDC_OPERATOR));
    if (!op)
        return -1;
    if (op->getID() != m_comparator.getOperatorItem().getID()) {
        m_comparator.setOperatorItem(*op);
        changed = true;
    }

    // An unordered comparison (a value that is not a number) counts as a change.
    if (!(m_value == m_comparator.getValue())) {
        m_comparator.setValue(m_value);
        changed = true;
    }

    if (!changed)
        return 0;
    m_dlgManager.saveComp(m_comparator);
    return 1;
}

void CCompdlg::OnPaint(QPainter& painter)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(m_brush);

    drawFrame(painter, m_operandBox);
    if (m_operandDisabled)
        painter.setPen(QPen(kGrey, 0));
    drawFrame(painter, m_valueBox);
    drawFrame(painter, m_operatorBox);

    // Lines end one short of their end point, as the framework draws them.
    auto line = [&painter](int fromX, int toX, int y) {
        if (toX > fromX)
            painter.drawLine(fromX, y, toX - 1, y);
    };
    line(m_operandBox.right, m_operatorBox.left, middle(m_operandBox));
    line(m_valueBox.right, m_operatorBox.left, middle(m_valueBox));
    line(m_operatorBox.right, GetDlgItemRect(IDC_OUTPUT).right, middle(m_operatorBox));
    painter.restore();
}
