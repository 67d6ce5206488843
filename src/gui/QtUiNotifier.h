#pragma once
// UiNotifier for the GUI: each post becomes a PostedMessageEvent queued to the receiver
// (the main frame) with QCoreApplication::postEvent, so worker threads never touch a
// widget. Once the receiver is gone (detach, or its destruction) posts are dropped.
//
// Thread contract: post from any thread; attach and detach on the user-interface thread.

#include "app/UiNotifier.h"

#include <QEvent>
#include <QObject>

#include <cstdint>
#include <mutex>

namespace velisto {

// What the receiver's event() gets for each post.
class PostedMessageEvent : public QEvent {
public:
    static QEvent::Type eventType();

    PostedMessageEvent(unsigned message, std::uintptr_t wparam, std::intptr_t lparam)
        : QEvent(eventType()), message_(message), wparam_(wparam), lparam_(lparam)
    {
    }
    unsigned message() const { return message_; }
    std::uintptr_t wparam() const { return wparam_; }
    std::intptr_t lparam() const { return lparam_; }

private:
    unsigned message_;
    std::uintptr_t wparam_;
    std::intptr_t lparam_;
};

class QtUiNotifier final : public UiNotifier {
public:
    QtUiNotifier() = default;
    explicit QtUiNotifier(QObject* receiver) { attach(receiver); }
    ~QtUiNotifier() override { QObject::disconnect(destroyed_); }
    QtUiNotifier(const QtUiNotifier&) = delete;
    QtUiNotifier& operator=(const QtUiNotifier&) = delete;

    void attach(QObject* receiver);
    void detach() { attach(nullptr); }

    void post(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) override;

private:
    std::mutex mutex_;
    QObject* receiver_ = nullptr;
    QMetaObject::Connection destroyed_;
};

} // namespace velisto
