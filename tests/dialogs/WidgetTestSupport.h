#pragma once

#include "framework/Library.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/PopupMenu.h"

#include <QPoint>

#include <functional>
#include <string>
#include <vector>

class QComboBox;

namespace testsupport {

// The language libraries beside the test executables, loaded once for the whole
// test run (widgets built from them keep pointers into them) and never freed.
fw::LibraryHandle englishLibrary();
fw::LibraryHandle germanLibrary();

// Makes `library` the current resource library for the lifetime of the guard.
class CurrentLanguageGuard
{
public:
    explicit CurrentLanguageGuard(fw::LibraryHandle library);
    ~CurrentLanguageGuard();
    CurrentLanguageGuard(const CurrentLanguageGuard&) = delete;
    CurrentLanguageGuard& operator=(const CurrentLanguageGuard&) = delete;

private:
    fw::LibraryHandle m_previous;
};

// Answers every modal dialog with `answer` instead of a message loop, and
// records the template numbers of the dialogs it answered, in order.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(std::function<void(fw::CDialog&)> answer);
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

    const std::vector<unsigned>& answered() const { return m_answered; }

private:
    std::vector<unsigned> m_answered;
    fw::ModalHook m_previous;
};

// Records every popup menu tracked and answers it with a chosen command (0: none).
class PopupMenuRecorder
{
public:
    struct Tracked
    {
        std::vector<fw::PopupMenu::Item> items;
        QPoint screenPoint;
        QWidget* owner;
    };

    explicit PopupMenuRecorder(int answer = 0);
    ~PopupMenuRecorder();
    PopupMenuRecorder(const PopupMenuRecorder&) = delete;
    PopupMenuRecorder& operator=(const PopupMenuRecorder&) = delete;

    void setAnswer(int command) { m_answer = command; }
    const std::vector<Tracked>& tracked() const { return m_tracked; }

private:
    int m_answer;
    std::vector<Tracked> m_tracked;
    fw::PopupMenuHandler m_previous;
};

// Chooses entry `index` of a combo box as the user does: selects it and lets the
// list report the choice (CBN_SELCHANGE reaches the dialog).
void chooseEntry(QComboBox* combo, int index);

// Runs the posted messages that are waiting (and any they post in turn).
void runPostedMessages();

} // namespace testsupport
