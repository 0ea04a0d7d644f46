#pragma once

#include <QPoint>

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace fw {

// A popup menu of commands (TrackPopupMenu). Build it, then track it at a
// point on the screen with an owner window:
//
//     fw::PopupMenu menu;
//     menu.AppendMenu(fw::loadString(2145), ID_SHOW_SETTINGS);
//     menu.AppendSeparator();
//     menu.AppendMenu(fw::loadString(2134), ID_ADD_PAIR_TO_END);
//     menu.TrackPopupMenu(mapToGlobal(point), this);
//
// The command the user chooses is posted to the owner as WM_COMMAND (id, 0):
// a fw::CDialog owner receives it in OnCommand(id, 0) once the handler that
// tracked the menu has returned and the event loop runs.
class PopupMenu
{
public:
    struct Item
    {
        std::string text; // empty for a separator
        int command = 0;  // 0 for a separator
        bool separator = false;
    };

    void AppendMenu(const std::string& text, int command);
    void AppendSeparator();
    const std::vector<Item>& items() const { return m_items; }

    // Shows the menu at `screenPoint` (its top-left corner there) and waits for
    // the choice. Answers the chosen command, 0 when the menu was dismissed;
    // the chosen command is also posted to `owner` (do not handle it twice).
    int TrackPopupMenu(QPoint screenPoint, QWidget* owner) const;

private:
    std::vector<Item> m_items;
};

// The seam through which every popup menu is tracked. The default shows a QMenu;
// tests install a handler that records the menu and answers a command or 0.
using PopupMenuHandler =
    std::function<int(const PopupMenu& menu, QPoint screenPoint, QWidget* owner)>;

// Replaces the handler and returns the previous one; empty restores the QMenu.
PopupMenuHandler setPopupMenuHandler(PopupMenuHandler handler);

} // namespace fw
