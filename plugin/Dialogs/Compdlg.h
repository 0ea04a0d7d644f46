#pragma once

#include "Dialogs/ChoiceCombo.h"

#include "framework/widgets/Dialog.h"
#include "framework/widgets/Geometry.h"
#include "languages/common/NEBPTResources.h"

#include <QColor>

#include <cstdint>
#include <locale>

class CDLGManager;
class CNEB_Comparator;

// Modal editor of one comparator: operand and operator chosen from lists and a
// comparison value in the number format of the host's active language, drawn
// as a small diagram (frames around the controls, lines into the operator and
// on to the output). The diagram greys, and operator and value are disabled,
// while the operand is the choice that switches the comparator off. OK writes
// the comparator through the command layer only when something changed (IDOK);
// otherwise the dialog ends with IDCANCEL.
class CCompdlg : public fw::CDialog
{
public:
    enum : unsigned
    {
        IDD = res::IDD_COMPARATOR
    };
    enum : int
    {
        IDC_OPERAND = res::IDC_COMP_OPERAND,
        IDC_OPERATOR = res::IDC_COMP_OPERATOR,
        IDC_VALUE = res::IDC_COMP_VALUE,
        IDC_OUTPUT = res::IDC_COMP_OUTPUT
    };
    static constexpr unsigned kTitleString = res::IDS_COMPARATOR_TITLE;

    CCompdlg(CDLGManager& manager, CNEB_Comparator& comparator, QWidget* parent);
    ~CCompdlg() override;

    void DoDataExchange(fw::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(int id, int notification) override;
    void OnPaint(QPainter& painter) override;

    // The value exchanged with the value field.
    double value() const { return m_value; }
    // Whether the selected operand is the one that switches the comparator off.
    bool isOperandDisabled() const { return m_operandDisabled; }

private:
    // Disables operator and value while the disabling operand is selected.
    void updateEnabledState();
    // 1: changed and written; 0: nothing changed; -1: a list without a selection.
    int save();

    double m_value = 0.0;
    double m_minValue = 0.0;
    double m_maxValue = 0.0;
    int m_decimals = 0;
    uint32_t m_disabledOperand = 0;
    bool m_operandDisabled = false;
    CNEB_Comparator& m_comparator;
    CDLGManager& m_dlgManager;
    // The items of both lists' entries.
    choicecombo::Items m_items;
    QColor m_brush{255, 255, 255};
    fw::CRect m_operandBox;
    fw::CRect m_operatorBox;
    fw::CRect m_valueBox;
    std::locale m_locale;
};
