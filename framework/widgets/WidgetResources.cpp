#include "WidgetResources.h"

#include "Dialog.h"
#include "Messages.h"

#include "framework/MessageBox.h"
#include "framework/Resources.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QVariant>
#include <QWidget>

#include <cstdio>

namespace fw {

bool createTemplate(unsigned templateId, QWidget* into)
{
    if (!into)
        return false;
    using CreateFunction = int (*)(unsigned, void*);
    auto create = reinterpret_cast<CreateFunction>(
        librarySymbol(currentResourceLibrary(), "nebpt_resource_create_template"));
    if (!create)
        return false;
    return create(templateId, into) == 1;
}

int controlId(const QWidget* control)
{
    if (!control)
        return kNoControlId;
    bool ok = false;
    const int id = control->property("ctrlId").toInt(&ok);
    return ok ? id : kNoControlId;
}

namespace {

QWidget* findIn(const QWidget* parent, int id)
{
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow() || qobject_cast<CDialog*>(widget))
            continue;
        if (controlId(widget) == id)
            return widget;
        if (QWidget* found = findIn(widget, id))
            return found;
    }
    return nullptr;
}

int consoleAnswer(const std::string& text, const std::string& caption, unsigned type)
{
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
    return (type & 0xF) == MB_YESNO || (type & 0xF) == MB_YESNOCANCEL ? IDYES : IDOK;
}

// Gives a standard button the language library's text for it, if it has one.
void setButtonText(QMessageBox& box, QMessageBox::StandardButton which, unsigned stringId)
{
    QAbstractButton* button = box.button(which);
    const std::string text = loadString(stringId);
    if (button && !text.empty())
        button->setText(QString::fromStdString(text));
}

int qtMessageBox(const std::string& text, const std::string& caption, unsigned type)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return consoleAnswer(text, caption, type);

    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    const auto box = createMessageBox(text, caption, type, parent);
    int answer = 0;
    {
        const ModalScope modal;
        answer = box->exec();
    }
    switch (answer) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Ok:
        return IDOK;
    default:
        // Closed with Escape or the close button: the framework's answer for that.
        switch (type & 0xF) {
        case MB_YESNO:
            return IDNO;
        case MB_OKCANCEL:
        case MB_YESNOCANCEL:
            return IDCANCEL;
        default:
            return IDOK;
        }
    }
}

} // namespace

std::unique_ptr<QMessageBox> createMessageBox(const std::string& text, const std::string& caption,
                                              unsigned type, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(caption.empty() ? QGuiApplication::applicationDisplayName()
                                        : QString::fromStdString(caption));
    box->setText(QString::fromStdString(text));
    box->setTextFormat(Qt::PlainText);
    switch (type & 0xF) {
    case MB_YESNO:
        box->setIcon(QMessageBox::Question);
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        break;
    case MB_YESNOCANCEL:
        box->setIcon(QMessageBox::Question);
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Cancel);
        break;
    case MB_OKCANCEL:
        box->setIcon(QMessageBox::Warning);
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Ok);
        break;
    default:
        box->setIcon(QMessageBox::Warning);
        box->setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (type & 0xF0) {
    case MB_ICONQUESTION:
        box->setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box->setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box->setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    setButtonText(*box, QMessageBox::Ok, IDS_FW_BUTTON_OK);
    setButtonText(*box, QMessageBox::Cancel, IDS_FW_BUTTON_CANCEL);
    setButtonText(*box, QMessageBox::Yes, IDS_FW_BUTTON_YES);
    setButtonText(*box, QMessageBox::No, IDS_FW_BUTTON_NO);
    return box;
}

QWidget* findControl(const QWidget* window, int id)
{
    return window ? findIn(window, id) : nullptr;
}

void installWidgetMessageBox()
{
    setMessageBoxHandler(qtMessageBox);
}

} // namespace fw
