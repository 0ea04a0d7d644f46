#pragma once

#include <cstdint>
#include <string>

class QComboBox;
class QEvent;
class QWidget;

namespace fw {

enum : int
{
    CB_ERR = -1
};

// The combo box operations of the dialog framework over a QComboBox, by value
// and without ownership. A handle over a missing control, or over a control
// that is no combo box, does nothing and answers CB_ERR (null for data pointers),
// so a template that lacks a control cannot crash a dialog.
//
// Texts are UTF-8. Item data is one pointer-sized value per entry, 0 until set.
class CComboBox
{
public:
    explicit CComboBox(QWidget* control = nullptr);

    QComboBox* combo() const { return m_combo; }
    bool isValid() const { return m_combo != nullptr; }

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
