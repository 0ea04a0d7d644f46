#include "Messages.h"

#include "Dialog.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>
#include <QtGlobal>

#include <utility>
#include <vector>

namespace fw {

namespace {

int& modalDepth()
{
    static int depth = 0;
    return depth;
}

struct WaitingWork
{
    QPointer<QObject> context;
    std::function<void()> work;
};

std::vector<WaitingWork>& waitingWork()
{
    static std::vector<WaitingWork> waiting;
    return waiting;
}

} // namespace

intptr_t makeLParam(int x, int y)
{
    const auto low = static_cast<uint32_t>(static_cast<uint16_t>(x));
    const auto high = static_cast<uint32_t>(static_cast<uint16_t>(y));
    return static_cast<intptr_t>(low | (high << 16));
}

int lParamX(intptr_t lParam)
{
    return static_cast<int16_t>(static_cast<uint16_t>(lParam & 0xFFFF));
}

int lParamY(intptr_t lParam)
{
    return static_cast<int16_t>(static_cast<uint16_t>((lParam >> 16) & 0xFFFF));
}

uintptr_t makeCommandWParam(int id, int notification)
{
    return static_cast<uintptr_t>(static_cast<uint16_t>(id)) |
           (static_cast<uintptr_t>(static_cast<uint16_t>(notification)) << 16);
}

MessageEvent::MessageEvent(unsigned message, uintptr_t wParam, intptr_t lParam)
    : QEvent(eventType()), m_message(message), m_wParam(wParam), m_lParam(lParam)
{}

QEvent::Type MessageEvent::eventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool postMessage(QWidget* window, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    if (!window) {
        qWarning("NEBPT framework: message 0x%04x posted to no window", message);
        return false;
    }
    QCoreApplication::postEvent(window, new MessageEvent(message, wParam, lParam));
    return true;
}

bool sendMessage(QWidget* window, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    auto* dialog = qobject_cast<CDialog*>(window);
    if (!dialog || !dialog->IsWindowCreated())
        return false;
    return dialog->dispatchMessage(message, wParam, lParam);
}

ModalScope::ModalScope()
{
    ++modalDepth();
}

ModalScope::~ModalScope()
{
    if (--modalDepth() > 0)
        return;
    std::vector<WaitingWork> ready;
    ready.swap(waitingWork());
    for (WaitingWork& waiting : ready) {
        if (!waiting.context)
            continue;
        // Queued: it runs from the event loop, after the handler that opened the
        // modal window has returned. Qt drops it with a context destroyed before.
        QObject* context = waiting.context.data();
        QMetaObject::invokeMethod(
            context,
            [context, work = std::move(waiting.work)]() mutable {
                whenNoModalIsOpen(context, std::move(work));
            },
            Qt::QueuedConnection);
    }
}

bool isModalOpen()
{
    return modalDepth() > 0;
}

void whenNoModalIsOpen(QObject* context, std::function<void()> work)
{
    if (modalDepth() == 0) {
        work();
        return;
    }
    waitingWork().push_back({context, std::move(work)});
}

} // namespace fw
