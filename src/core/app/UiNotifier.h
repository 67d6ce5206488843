#pragma once
// Posts a message to the user interface without waiting for it: worker threads (the play
// timer, MIDI input) tell windows of progress this way and never touch a window themselves.
// Message numbers are the private window messages, counted from kWmUser.
//
// Thread contract: post may be called from any thread, and must not block for long.

#include <cstdint>

namespace velisto {

// The first private message number; private messages are kWmUser + n.
inline constexpr unsigned kWmUser = 0x400;

class UiNotifier {
public:
    virtual ~UiNotifier() = default;
    virtual void post(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) = 0;
};

} // namespace velisto
