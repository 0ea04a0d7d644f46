#include "HostFormView.h"

#include <QChildEvent>
#include <QEvent>

#include <algorithm>

HostFormView::HostFormView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("formView"));
    setAutoFillBackground(true);
}

bool HostFormView::event(QEvent* event)
{
    if (event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            child->installEventFilter(this);
    }
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved)
        fitChildren();
    return QWidget::event(event);
}

bool HostFormView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        fitChildren();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void HostFormView::fitChildren()
{
    const QRect children = childrenRect(); // visible children only
    if (children.isNull()) {
        setMinimumSize(0, 0);
        return;
    }
    // A child that grows with the view (the flow) counts at the width it
    // needs, so that the view can shrink back with the window.
    int right = 0;
    for (QObject* object : QObject::children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isHidden() && !child->isWindow())
            right = std::max(right, child->x() + (child->minimumWidth() > 0 ? child->minimumWidth()
                                                                            : child->width()));
    }
    setMinimumSize(right + kMargin, children.y() + children.height() + kMargin);
}
