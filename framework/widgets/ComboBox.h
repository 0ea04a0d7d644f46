#pragma once

#include <QAbstractListModel>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QEvent;
class QWidget;

namespace fw {

enum : int
{
    CB_ERR = -1
};

// The entries of lists that offer the same choices, kept once for all of them: a
// list shows them through CComboBox::ShowEntries and keeps a selection of its
// own. Each entry has a text and one pointer-sized item datum, served to every
// list as its CB_GETITEMDATA. The lists only read them; entries are appended
// before the lists show them (a list showing them follows an append). Every list
// must stop showing them before they go, or is left empty when they go (unless
// released, see releaseLists).
class ListEntries : public QAbstractListModel
{
public:
    explicit ListEntries(QObject* parent = nullptr);
    ~ListEntries() override;

    // Appends an entry; its index.
    int add(const std::string& text, uintptr_t data = 0);
    int count() const { return static_cast<int>(m_entries.size()); }
    // Called before every list that shows the entries goes, all of them at once
    // and before the entries: the lists are not told when the entries go, which
    // spares each of them a look through every other list's link to the entries
    // as it goes (a time that grows with the square of the lists).
    void releaseLists();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Entry
    {
        QString text;
        uintptr_t data;
    };
    std::vector<Entry> m_entries;
};

// The combo box operations of the dialog framework over a QComboBox, by value
// and without ownership. A handle over a missing control, or over a control
// that is no combo box, does nothing and answers CB_ERR (null for data pointers),
// so a template that lacks a control cannot crash a dialog.
//
// Texts are UTF-8. Item data is one pointer-sized value per entry, 0 until set.
// A list may show shared entries (ShowEntries) in place of its own: it reads
// them as its own, and takes a copy of them for itself before it changes them
// (AddString, SetItemData; ResetContent empties only this list).
class CComboBox
{
public:
    explicit CComboBox(QWidget* control = nullptr);

    QComboBox* combo() const { return m_combo; }
    bool isValid() const { return m_combo != nullptr; }

    // Shows `entries` in place of the list's entries, with the first selected
    // (as the first entry added to an empty list is).
    void ShowEntries(ListEntries& entries);

    // CB_ADDSTRING: appends an entry; its index, or CB_ERR.
    int AddString(const std::string& text);
    int GetCount() const;
    void ResetContent();
    // The entry's text; empty for an index out of range.
    std::string GetLBText(int index) const;

    // CB_SETCURSEL: selects `index`; -1 clears the selection. Answers the index,
    // or CB_ERR when it is out of range (the selection is then cleared, as the
    // framework does). Programmatic selection sends no CBN_SELCHANGE.
    int SetCurSel(int index);
    // CB_GETCURSEL: the selected index, CB_ERR without a selection.
    int GetCurSel() const;

    // CB_SETITEMDATA / CB_GETITEMDATA. Set answers CB_ERR for a bad index, else 0;
    // Get answers CB_ERR for a bad index (as uintptr_t(-1)), 0 for an entry without data.
    int SetItemData(int index, uintptr_t data);
    uintptr_t GetItemData(int index) const;
    int SetItemDataPtr(int index, void* data) { return SetItemData(index, uintptr_t(data)); }
    // Null for a bad index or an entry without data.
    void* GetItemDataPtr(int index) const;

    // CB_SHOWDROPDOWN: opens or closes the list. Opening notifies CBN_DROPDOWN.
    void ShowDropDown(bool show = true);

    // CB_FINDSTRING: the first entry after `startAfter` (-1: from the first entry)
    // whose text begins with `text`, case-insensitively, wrapping round to the
    // beginning; CB_ERR when none does.
    int FindString(int startAfter, const std::string& text) const;

private:
    // Before the list's entries change: a list showing shared entries takes a
    // copy of them (`keep`) or an empty list of its own.
    void ownEntries(bool keep);

    QComboBox* m_combo;
};

// The rule every list of the framework's dialogs follows (CDialog installs it on
// each list of its template): a closed list changes only by a choice from its
// open list. For an event on its way to `list` it answers true when the rule has
// taken the event (the caller lets it go no further to the list):
//  - the mouse wheel over a list never changes it; the event is left ignored, so
//    it goes on to the list's parents (the scroll area around it scrolls);
//  - on a closed list that is not editable, Up, Down, PageUp, PageDown, Home and
//    End open the list with its entry highlighted (as F4, Alt+Down and Space
//    do), and a typed letter opens it and searches in it; the open list moves
//    its highlight only, and Return, Enter or a click chooses (QComboBox's
//    activated), Escape closes it unchanged. A letter typed with Ctrl, Alt or
//    Meta goes on to the list's parents.
bool keepClosedListUnchanged(QComboBox& list, QEvent& event);

} // namespace fw
