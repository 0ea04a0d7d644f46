#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Driving a window on the X server as a user does: the menu bar and shortcuts
// from the keyboard, lists opened and chosen from with the keys, and the
// windows that come up on their own (dialogs, message boxes, popup menus)
// answered from inside their own event loop as they appear.
namespace guitest {

// Generous bounds that only keep a broken test from hanging (under Valgrind
// everything is slow); nothing is asserted about time.
constexpr int kWaitMs = 60000;

// A menu or item text as the user reads it: "&Export program..." is "Export program".
inline std::string plain(QString text)
{
    return text.remove('&').remove(QStringLiteral("...")).toStdString();
}

// Runs what is posted (the editor's own messages, a rebuilt flow) and what the
// X server sent meanwhile.
inline void settle()
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Waits until the X server shows the window, then gives it the keyboard focus,
// as a window manager would.
inline void bringToFront(QWidget& window)
{
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window, kWaitMs));
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window, kWaitMs));
    settle();
}

// The window has the keyboard focus again once the dialogs and progress windows
// in front of it have gone, as a window manager gives it back.
inline void backInFront(QWidget& window)
{
    if (!window.isActiveWindow() && !QApplication::activeModalWidget())
        bringToFront(window);
}

inline void showOnScreen(QWidget& window)
{
    window.show();
    bringToFront(window);
}

// A key pressed where the keyboard focus is.
inline void pressHere(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "nothing has the keyboard focus";
    QTest::keyClick(focus, key, modifiers);
    settle();
}

// A key pressed while `widget` has the keyboard focus: it reaches the popup
// open in front of it (a completion list), as the X server's key press would.
inline void keyInto(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* popup = QApplication::activePopupWidget();
    QTest::keyClick(popup ? popup : widget, key, modifiers);
}

// Text typed while `widget` has the keyboard focus, a key at a time.
inline void typeInto(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QWidget* popup = QApplication::activePopupWidget();
        QTest::keyClick(popup ? popup : widget, c.toLatin1());
    }
}

// The Menu key where the keyboard focus is: Qt's xcb platform makes the key
// press a context menu request from the keyboard to the focused control, which
// goes on to its parents until one takes it.
inline void pressMenuKey()
{
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "nothing has the keyboard focus";
    const QPoint centre = focus->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, centre, focus->mapToGlobal(centre));
    QApplication::sendEvent(focus, &request);
    settle();
}

// The items of the window's menus by the text they read now ("Export program").
inline std::map<std::string, QAction*> menuItems(const QMainWindow& window)
{
    std::map<std::string, QAction*> items;
    for (QAction* menuAction : window.menuBar()->actions())
        if (QMenu* menu = menuAction->menu())
            for (QAction* action : menu->actions())
                if (!action->isSeparator())
                    items.emplace(plain(action->text()), action);
    return items;
}

// The menu of the window's menu bar that holds `item`; null when none.
inline QMenu* menuOf(const QMainWindow& window, const QAction* item)
{
    for (QAction* menuAction : window.menuBar()->actions())
        if (QMenu* menu = menuAction->menu(); menu && menu->actions().contains(item))
            return menu;
    return nullptr;
}

// Closes the open menus with Escape, and leaves the menu bar.
inline void closeMenus(QMainWindow& window)
{
    for (int i = 0; i < 4 && QApplication::activePopupWidget(); ++i)
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    if (window.menuBar()->hasFocus())
        QTest::keyClick(window.menuBar(), Qt::Key_Escape);
}

// Opens `menu` of the menu bar from the keyboard: Alt and the letter its title
// underlines. Null (a test failure) when that does not open it.
inline QMenu* openMenu(QMainWindow& window, QMenu* menu)
{
    const QString title = menu->title();
    const int mnemonic = title.indexOf('&');
    EXPECT_GE(mnemonic, 0) << "no key opens menu " << plain(title);
    if (mnemonic < 0)
        return nullptr;
    QTest::keyClick(&window, title.at(mnemonic + 1).toLower().toLatin1(), Qt::AltModifier);
    auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    EXPECT_EQ(open, menu) << "Alt+" << title.at(mnemonic + 1).toLatin1() << " opens "
                          << plain(title);
    return open == menu ? open : nullptr;
}

inline QMenu* openMenuOf(QMainWindow& window, const QAction* item)
{
    QMenu* menu = item ? menuOf(window, item) : nullptr;
    EXPECT_NE(menu, nullptr) << "no menu holds the item";
    return menu ? openMenu(window, menu) : nullptr;
}

// What the menus offer as the user opens them one by one: "File > Print" for
// each item enabled.
inline std::vector<std::string> offered(QMainWindow& window)
{
    std::vector<std::string> items;
    for (QAction* menuAction : window.menuBar()->actions()) {
        QMenu* menu = openMenu(window, menuAction->menu());
        for (QAction* item : menu ? menu->actions() : QList<QAction*>())
            if (!item->isSeparator() && item->isVisible() && item->isEnabled())
                items.push_back(plain(menu->title()) + " > " + plain(item->text()));
        closeMenus(window);
    }
    return items;
}

// Whether each item is enabled as its menu shows it when the user opens it.
inline std::vector<bool> enabledAsShown(QMainWindow& window, const std::vector<QAction*>& items)
{
    std::vector<bool> enabled;
    for (QAction* item : items) {
        enabled.push_back(openMenuOf(window, item) && item->isEnabled());
        closeMenus(window);
    }
    return enabled;
}

// Chooses `item` from the menu bar with the keyboard: Alt and the menu's
// letter, the arrow keys down to the item, Return.
inline void choose(QMainWindow& window, QAction* item)
{
    QMenu* menu = openMenuOf(window, item);
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i <= menu->actions().size(); ++i) {
        if (menu->activeAction() == item) {
            QTest::keyClick(menu, Qt::Key_Return);
            settle();
            backInFront(window);
            return;
        }
        QTest::keyClick(menu, Qt::Key_Down);
    }
    closeMenus(window);
    FAIL() << plain(item->text()) << " cannot be chosen in menu " << plain(menu->title());
}

// Presses the shortcut the window gives `item` (Ctrl+Z for Undo, F5 for Refresh).
inline void pressShortcutOf(QMainWindow& window, const QAction* item)
{
    ASSERT_NE(item, nullptr);
    ASSERT_FALSE(item->shortcut().isEmpty()) << plain(item->text()) << " has no shortcut";
    const QKeyCombination keys = item->shortcut()[0];
    QTest::keyClick(&window, keys.key(), keys.keyboardModifiers());
    settle();
    backInFront(window);
}

// Chooses `text` in a drop-down list from the keyboard: F4 opens it, the arrow
// keys move to the entry, Return takes it.
inline void chooseInList(QComboBox* list, const QString& text)
{
    ASSERT_NE(list, nullptr);
    const int wanted = list->findText(text);
    ASSERT_GE(wanted, 0) << text.toStdString() << " is not in the list";
    QTest::keyClick(list, Qt::Key_F4);
    QAbstractItemView* view = list->view();
    ASSERT_TRUE(view->isVisible()) << "F4 opens the list";
    for (int i = 0; i < list->count() && view->currentIndex().row() != wanted; ++i)
        QTest::keyClick(view, view->currentIndex().row() < wanted ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(view->currentIndex().row(), wanted);
    QTest::keyClick(view, Qt::Key_Return);
    settle();
}

// The controls the Tab key visits in `window`, from the one that has the focus
// (or the first) round to it again, with Tab, or Shift+Tab with `backwards`.
inline std::vector<QWidget*> tabChain(QWidget& window, bool backwards = false)
{
    std::vector<QWidget*> visited;
    QWidget* start = window.focusWidget();
    if (!start) {
        QTest::keyClick(&window, Qt::Key_Tab);
        start = window.focusWidget();
    }
    if (!start)
        return visited;
    visited.push_back(start);
    for (int i = 0; i < 1000; ++i) {
        QTest::keyClick(window.focusWidget(), Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        if (window.focusWidget() == start)
            return visited;
        visited.push_back(window.focusWidget());
    }
    ADD_FAILURE() << "the Tab key does not come round again";
    return visited;
}

// Moves the keyboard focus with Tab until `reached` holds for the focused widget.
inline void tabTo(QWidget& window, const std::function<bool(QWidget*)>& reached)
{
    for (int i = 0; i < 1000; ++i) {
        if (window.focusWidget() && reached(window.focusWidget()))
            return;
        QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, Qt::Key_Tab);
    }
    FAIL() << "the Tab key does not reach the control";
}

// Answers the next window that comes up and `find` finds (a modal dialog, a
// message box, a popup menu), from inside the event loop that runs it, as the
// user would: `answer` gets it once it is shown and must close it. The window
// is looked for as the event loop runs, until the answer is given. A window
// that never came up is a test failure when the object goes; one the answer left
// open is closed (and a failure), so that no test waits for ever.
class Answer
{
public:
    Answer(std::string what, std::function<QWidget*()> find, std::function<void(QWidget&)> answer)
        : m_what(std::move(what)), m_find(std::move(find)), m_answer(std::move(answer)),
          m_behind(QApplication::activeWindow())
    {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
    }
    ~Answer()
    {
        if (!m_answered)
            ADD_FAILURE() << m_what << " did not come up";
        if (m_behind)
            backInFront(*m_behind);
    }
    Answer(const Answer&) = delete;
    Answer& operator=(const Answer&) = delete;

private:
    void poll()
    {
        QPointer<QWidget> shown = m_find();
        if (!shown || !shown->isVisible())
            return;
        m_poll.stop();
        m_answered = true;
        // A window manager gives a new dialog the focus; Xvfb has none.
        if (shown->windowType() != Qt::Popup)
            bringToFront(*shown);
        m_answer(*shown);
        if (shown && shown->isVisible()) {
            ADD_FAILURE() << m_what << " stayed open after the answer";
            shown->close();
        }
    }

    std::string m_what;
    std::function<QWidget*()> m_find;
    std::function<void(QWidget&)> m_answer;
    QPointer<QWidget> m_behind; // the window in front before
    QTimer m_poll;
    bool m_answered = false;
};

// The modal window of class T now in front (a file dialog, a message box); null when none.
template <class T> QWidget* modal()
{
    return qobject_cast<T*>(QApplication::activeModalWidget());
}

// The popup menu now open; null when none.
inline QWidget* popupMenu()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// In an open popup menu, the arrow keys down to `item`, then Return.
inline void chooseInPopup(QWidget& popup, const std::string& item)
{
    auto& menu = static_cast<QMenu&>(popup);
    for (int i = 0; i <= menu.actions().size(); ++i) {
        if (menu.activeAction() && plain(menu.activeAction()->text()) == item) {
            QTest::keyClick(&menu, Qt::Key_Return);
            return;
        }
        QTest::keyClick(&menu, Qt::Key_Down);
    }
    ADD_FAILURE() << "the popup menu offers no " << item;
    QTest::keyClick(&menu, Qt::Key_Escape);
}

} // namespace guitest
