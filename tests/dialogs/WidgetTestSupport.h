#pragma once

#include "framework/Library.h"
#include "framework/Resources.h"
#include "framework/SystemPaths.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/PopupMenu.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// The language libraries beside the test executables, loaded once for the whole
// test run (widgets built from them keep pointers into them) and never freed.
inline fw::LibraryHandle englishLibrary()
{
    static const auto library = fw::loadLibrary(fw::executableDirectory() + "NEBPT_english.so");
    return library;
}
inline fw::LibraryHandle germanLibrary()
{
    static const auto library = fw::loadLibrary(fw::executableDirectory() + "NEBPT_german.so");
    return library;
}

// Makes `library` the current resource library for the lifetime of the guard.
struct CurrentLanguageGuard
{
    explicit CurrentLanguageGuard(fw::LibraryHandle library)
        : previous(fw::setCurrentResourceLibrary(library))
    {}
    ~CurrentLanguageGuard() { fw::setCurrentResourceLibrary(previous); }
    fw::LibraryHandle previous;
};

// Answers every modal dialog with `answer` instead of a message loop, and
// records the template numbers of the dialogs it answered, in order.
struct ModalAnswerer
{
    explicit ModalAnswerer(std::function<void(fw::CDialog&)> answer)
        : previous(fw::setModalHook([this, answer = std::move(answer)](fw::CDialog& dialog) {
              shown.push_back(dialog.GetTemplateId());
              answer(dialog);
          }))
    {}
    ~ModalAnswerer() { fw::setModalHook(std::move(previous)); }
    const std::vector<unsigned>& answered() const { return shown; }

    std::vector<unsigned> shown;
    fw::ModalHook previous;
};

// Records every popup menu tracked and answers it with `answer` (0: none).
struct PopupMenuRecorder
{
    struct Tracked
    {
        std::vector<fw::PopupMenu::Item> items;
        QPoint screenPoint;
        QWidget* owner;
    };

    explicit PopupMenuRecorder(int answer = 0)
        : previous(fw::setPopupMenuHandler(
              [this, answer](const fw::PopupMenu& menu, QPoint point, QWidget* owner) {
                  menus.push_back({menu.items(), point, owner});
                  return answer;
              }))
    {}
    ~PopupMenuRecorder() { fw::setPopupMenuHandler(std::move(previous)); }
    const std::vector<Tracked>& tracked() const { return menus; }

    std::vector<Tracked> menus;
    fw::PopupMenuHandler previous;
};

// Chooses entry `index` of a combo box as the user does: selects it and lets the
// list report the choice (CBN_SELCHANGE reaches the dialog).
inline void chooseEntry(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

inline void click(const fw::CDialog& dialog, int id)
{
    dialog.GetDlgItemAs<QAbstractButton>(id)->click();
}

// Runs the posted messages that are waiting (and any they post in turn).
inline void runPostedMessages()
{
    QCoreApplication::sendPostedEvents();
}

} // namespace testsupport
