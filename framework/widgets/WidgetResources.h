#pragma once

#include <memory>
#include <string>

class QMessageBox;
class QWidget;

namespace fw {

// Builds dialog template `templateId` of the current language resource library
// (fw::currentResourceLibrary) into `into`: its controls, size and title.
// Uses the library's exported C function
//   int nebpt_resource_create_template(unsigned id, void* widget);  // widget: QWidget*
// False when there is no current library, it lacks the function or the template,
// or `into` is null.
bool createTemplate(unsigned templateId, QWidget* into);

// The numeric ID of a template control: its dynamic property "ctrlId" (int).
// kNoControlId when the widget has none.
constexpr int kNoControlId = 0x7FFFFFFF;
int controlId(const QWidget* control);

// The first control with `id` inside `window`, in creation order, without
// looking into child dialogs (fw::CDialog) or other windows; null when none.
QWidget* findControl(const QWidget* window, int id);

// Makes the Qt message box (QMessageBox) the handler of fw::messageBox: MB_OK,
// MB_OKCANCEL and MB_YESNO with the matching answers, centred on the active
// window, titled with the caption or else the application's display name.
// The plug-in calls this once when it is loaded (the widgets library itself
// installs nothing, so that programs without a message loop, and tests, keep
// the console handler or their own). Without a QApplication the console
// handler answers instead.
void installWidgetMessageBox();

// The Qt message box that handler shows for `type`, not yet run: its buttons carry
// the current language library's texts (IDS_FW_BUTTON_*), Qt's own without them.
std::unique_ptr<QMessageBox> createMessageBox(const std::string& text, const std::string& caption,
                                              unsigned type, QWidget* parent = nullptr);

} // namespace fw
