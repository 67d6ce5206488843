#pragma once
// A UiNotifier that keeps the posted messages in order, for tests and headless runs.
//
// Thread contract: post, take and size from any thread; one mutex guards the queue.

#include "app/UiNotifier.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace velisto {

class QueueUiNotifier final : public UiNotifier {
public:
    struct Post {
        unsigned message = 0;
        std::uintptr_t wparam = 0;
        std::intptr_t lparam = 0;
        bool operator==(const Post&) const = default;
    };

    void post(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) override
    {
        const std::lock_guard lock(mutex_);
        posts_.push_back({message, wparam, lparam});
    }

    // The posts so far in posting order; the queue is empty afterwards.
    std::vector<Post> take()
    {
        const std::lock_guard lock(mutex_);
        return std::exchange(posts_, {});
    }

    std::size_t size() const
    {
        const std::lock_guard lock(mutex_);
        return posts_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Post> posts_;
};

} // namespace velisto
