#include "app/QueueUiNotifier.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace velisto {
namespace {

TEST(QueueUiNotifier, KeepsEveryPostInOrderPerThread)
{
    QueueUiNotifier notifier;
    UiNotifier& ui = notifier;
    ui.post(kWmUser + 23, 0, 0);
    ui.post(kWmUser + 35, 3, -1);
    EXPECT_EQ(notifier.take(), (std::vector<QueueUiNotifier::Post>{{0x417, 0, 0}, {0x423, 3, -1}}));
    EXPECT_EQ(notifier.size(), 0u);

    constexpr int kPerThread = 2000;
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 3; ++t) {
        threads.emplace_back([&ui, t] {
            for (int i = 0; i < kPerThread; ++i) {
                ui.post(kWmUser + t, static_cast<std::uintptr_t>(i), 0);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const auto posts = notifier.take();
    ASSERT_EQ(posts.size(), 3u * kPerThread);
    std::vector<std::uintptr_t> next(3, 0);
    for (const auto& post : posts) {
        const unsigned t = post.message - kWmUser;
        ASSERT_LT(t, 3u);
        EXPECT_EQ(post.wparam, next[t]++);
    }
}

} // namespace
} // namespace velisto
