#include "QtUiNotifier.h"

#include <QCoreApplication>

namespace velisto {

QEvent::Type PostedMessageEvent::eventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void QtUiNotifier::attach(QObject* receiver)
{
    QObject::disconnect(destroyed_);
    {
        const std::lock_guard lock(mutex_);
        receiver_ = receiver;
    }
    if (receiver)
        destroyed_ = QObject::connect(receiver, &QObject::destroyed, [this] {
            const std::lock_guard lock(mutex_);
            receiver_ = nullptr;
        });
}

void QtUiNotifier::post(unsigned message, std::uintptr_t wparam, std::intptr_t lparam)
{
    // The lock keeps the receiver alive for the call: it is cleared under the same lock
    // before the object goes, and Qt drops the events still queued for it then.
    const std::lock_guard lock(mutex_);
    if (receiver_)
        QCoreApplication::postEvent(receiver_, new PostedMessageEvent(message, wparam, lparam));
}

} // namespace velisto
