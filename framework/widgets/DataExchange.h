#pragma once

#include <string>

class QWidget;

namespace fw {

class CDialog;

// One run of a dialog's data exchange (CDialog::UpdateData), in one direction.
//
// A DDX routine calls PrepareCtrl / PrepareEditCtrl with the control it is about
// to exchange; Fail() then focuses that control (selecting all of an edit
// control's text) and abandons the exchange by throwing CDataExchange::Failure,
// which CDialog::UpdateData catches and turns into `false`. Fail() shows nothing:
// a routine that wants a message shows it through fw::messageBox first, as
// DDV_MinMaxDouble does.
class CDataExchange
{
public:
    struct Failure
    {};

    CDataExchange(CDialog& dialog, bool saveAndValidate);

    // True when reading the controls into the members (saving), false when
    // showing the members in the controls (loading).
    const bool m_bSaveAndValidate;
    CDialog& m_dialog;

    // Remember the control a following Fail() focuses; answer it (null when missing).
    QWidget* PrepareCtrl(int id);
    QWidget* PrepareEditCtrl(int id);
    QWidget* preparedControl() const { return m_prepared; }

    [[noreturn]] void Fail();

private:
    QWidget* m_prepared = nullptr;
    bool m_preparedIsEdit = false;
};

// The text of control `id` (edit, static text, button or combo box), both ways.
void DDX_Text(CDataExchange& dx, int id, std::string& value);

// The standard range check: when saving, a value below `minimum` or above
// `maximum` (or not a number) shows "Enter a number between <minimum> and
// <maximum>." through fw::messageBox (MB_OK, limits written with up to 15
// significant digits, "%.15g") and fails the exchange on the control prepared
// last. Loading checks nothing.
void DDV_MinMaxDouble(CDataExchange& dx, double value, double minimum, double maximum);

// The range message text, as DDV_MinMaxDouble shows it: string IDS_FW_RANGE_MESSAGE
// of the current language library with its limits filled in, English without one.
std::string rangeMessage(double minimum, double maximum);

} // namespace fw
