#include "PopupMenu.h"

#include "Messages.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace fw {

namespace {

int qtPopupMenu(const PopupMenu& menu, QPoint screenPoint, QWidget* owner)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 0;
    QMenu popup(owner);
    for (const PopupMenu::Item& item : menu.items()) {
        if (item.separator) {
            popup.addSeparator();
            continue;
        }
        QAction* action = popup.addAction(QString::fromStdString(item.text));
        action->setData(item.command);
    }
    QAction* chosen = popup.exec(screenPoint);
    return chosen ? chosen->data().toInt() : 0;
}

PopupMenuHandler& currentHandler()
{
    static PopupMenuHandler handler = qtPopupMenu;
    return handler;
}

} // namespace

void PopupMenu::AppendMenu(const std::string& text, int command)
{
    m_items.push_back({text, command, false});
}

void PopupMenu::AppendSeparator()
{
    m_items.push_back({std::string(), 0, true});
}

int PopupMenu::TrackPopupMenu(QPoint screenPoint, QWidget* owner) const
{
    QPointer<QWidget> guard = owner;
    // Copy first: a handler may replace itself while the menu is open.
    const PopupMenuHandler handler = currentHandler();
    int command = 0;
    {
        const ModalScope modal;
        command = handler(*this, screenPoint, owner);
    }
    if (command != 0 && guard)
        postMessage(guard, WM_COMMAND, makeCommandWParam(command, 0), 0);
    return command;
}

PopupMenuHandler setPopupMenuHandler(PopupMenuHandler handler)
{
    PopupMenuHandler previous = currentHandler();
    currentHandler() = handler ? std::move(handler) : PopupMenuHandler(qtPopupMenu);
    return previous;
}

} // namespace fw
