#pragma once
class QWidget;
// The host's form view: the widget in which the editor is shown.
using CFormView = QWidget;
