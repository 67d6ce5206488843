#pragma once
// A setting the user may change while the play thread reads it (a track's mute and tick
// offset, the solo flags): every access is one relaxed atomic operation, so a change lands
// between two reads of the play thread and never tears. Copyable like the plain value, so
// tracks and songs stay copyable; a copy is taken while nothing writes the source.
//
// Thread contract: one writer (the user-interface thread), any number of readers.

#include <atomic>

namespace velisto {

template <typename T> class LiveSetting {
public:
    LiveSetting(T value = T{}) noexcept : value_(value) {}
    LiveSetting(const LiveSetting& other) noexcept : value_(other.load()) {}
    LiveSetting& operator=(const LiveSetting& other) noexcept
    {
        store(other.load());
        return *this;
    }
    LiveSetting& operator=(T value) noexcept
    {
        store(value);
        return *this;
    }

    operator T() const noexcept { return load(); }
    T load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(T value) noexcept { value_.store(value, std::memory_order_relaxed); }

private:
    static_assert(std::atomic<T>::is_always_lock_free, "the play thread must never wait for a setting");
    std::atomic<T> value_;
};

} // namespace velisto
