#include "FileDialog.h"

#include "Messages.h"

#include <QFileDialog>

#include <utility>

namespace fw {

namespace {

FileDialogHook& currentHook()
{
    static FileDialogHook hook;
    return hook;
}

} // namespace

QString chooseFileName(QWidget* parent, FileChoice choice, const QString& caption,
                       const QString& folder, const QString& filter)
{
    // Work that waits for modal windows to close waits for this one as well.
    const ModalScope modal;
    if (const FileDialogHook hook = currentHook())
        return hook(choice, caption);
    return choice == FileChoice::Open
               ? QFileDialog::getOpenFileName(parent, caption, folder, filter)
               : QFileDialog::getSaveFileName(parent, caption, folder, filter);
}

FileDialogHook setFileDialogHook(FileDialogHook hook)
{
    return std::exchange(currentHook(), std::move(hook));
}

} // namespace fw
