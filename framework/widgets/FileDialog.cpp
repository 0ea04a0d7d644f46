#include "FileDialog.h"

#include "Messages.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QSortFilterProxyModel>

#include <utility>
#include <vector>

namespace fw {

namespace {

FileDialogHook& currentHook()
{
    static FileDialogHook hook;
    return hook;
}

// Leaves out the files whose names match one of the patterns; folders stay.
class HidingModel : public QSortFilterProxyModel
{
public:
    explicit HidingModel(const QStringList& patterns, QObject* parent)
        : QSortFilterProxyModel(parent)
    {
        for (const QString& pattern : patterns)
            m_patterns.push_back(
                QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                   QRegularExpression::CaseInsensitiveOption));
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        if (!files || files->isDir(index))
            return true;
        const QString name = files->fileName(index);
        for (const QRegularExpression& pattern : m_patterns)
            if (pattern.match(name).hasMatch())
                return false;
        return true;
    }

private:
    std::vector<QRegularExpression> m_patterns;
};

} // namespace

QString chooseFileName(QWidget* parent, FileChoice choice, const QString& caption,
                       const QString& folder, const QString& filter, const QStringList& hidden)
{
    // Work that waits for modal windows to close waits for this one as well.
    const ModalScope modal;
    if (const FileDialogHook hook = currentHook())
        return hook(choice, caption);
    if (hidden.isEmpty())
        return choice == FileChoice::Open
                   ? QFileDialog::getOpenFileName(parent, caption, folder, filter)
                   : QFileDialog::getSaveFileName(parent, caption, folder, filter);
    // Only Qt's own dialog takes a model that hides files.
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(choice == FileChoice::Open ? QFileDialog::AcceptOpen
                                                    : QFileDialog::AcceptSave);
    dialog.setFileMode(choice == FileChoice::Open ? QFileDialog::ExistingFile
                                                  : QFileDialog::AnyFile);
    dialog.setProxyModel(new HidingModel(hidden, &dialog));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

FileDialogHook setFileDialogHook(FileDialogHook hook)
{
    return std::exchange(currentHook(), std::move(hook));
}

} // namespace fw
