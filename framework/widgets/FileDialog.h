#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace fw {

// Whether a file is asked for to be read or to be written.
enum class FileChoice
{
    Open,
    Save
};

// Asks the user for a file to open or to save to, in a file dialog over
// `parent` starting in `folder` (a folder, or a file name proposed in it),
// offering `filter` ("Images (*.json);;All files (*)"). Files whose names match
// one of the `hidden` patterns ("*.scenario.json") are not listed, whatever the
// filter. Answers the chosen path, empty when the user cancelled. Every file
// dialog of the system is shown through this seam.
QString chooseFileName(QWidget* parent, FileChoice choice, const QString& caption,
                       const QString& folder, const QString& filter,
                       const QStringList& hidden = {});

// Tests answer the dialog instead: the hook receives what the dialog would
// show and answers the path the user picks (empty: cancelled). Returns the
// previous hook; an empty hook restores the real dialog.
using FileDialogHook = std::function<QString(FileChoice choice, const QString& caption)>;
FileDialogHook setFileDialogHook(FileDialogHook hook);

} // namespace fw
