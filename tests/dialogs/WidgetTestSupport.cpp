#include "WidgetTestSupport.h"

#include "framework/Resources.h"
#include "framework/SystemPaths.h"

#include <QComboBox>
#include <QCoreApplication>

#include <utility>

namespace testsupport {

namespace {

fw::LibraryHandle loadOnce(const char* name)
{
    return fw::loadLibrary(fw::executableDirectory() + name);
}

} // namespace

fw::LibraryHandle englishLibrary()
{
    static const fw::LibraryHandle library = loadOnce("NEBPT_english.so");
    return library;
}

fw::LibraryHandle germanLibrary()
{
    static const fw::LibraryHandle library = loadOnce("NEBPT_german.so");
    return library;
}

CurrentLanguageGuard::CurrentLanguageGuard(fw::LibraryHandle library)
    : m_previous(fw::setCurrentResourceLibrary(library))
{}

CurrentLanguageGuard::~CurrentLanguageGuard()
{
    fw::setCurrentResourceLibrary(m_previous);
}

ModalAnswerer::ModalAnswerer(std::function<void(fw::CDialog&)> answer)
{
    m_previous = fw::setModalHook([this, answer = std::move(answer)](fw::CDialog& dialog) {
        m_answered.push_back(dialog.GetTemplateId());
        answer(dialog);
    });
}

ModalAnswerer::~ModalAnswerer()
{
    fw::setModalHook(std::move(m_previous));
}

PopupMenuRecorder::PopupMenuRecorder(int answer) : m_answer(answer)
{
    m_previous =
        fw::setPopupMenuHandler([this](const fw::PopupMenu& menu, QPoint point, QWidget* owner) {
            m_tracked.push_back({menu.items(), point, owner});
            return m_answer;
        });
}

PopupMenuRecorder::~PopupMenuRecorder()
{
    fw::setPopupMenuHandler(std::move(m_previous));
}

void chooseEntry(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void runPostedMessages()
{
    QCoreApplication::sendPostedEvents();
}

} // namespace testsupport
