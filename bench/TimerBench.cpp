// How late the play timer's calls come: a 1 ms ThreadPeriodicTimer runs for 2 seconds and
// every call's lateness against its ideal time (start + k periods) is recorded. Reported in
// microseconds as counters: median, p99 and max, and whether real-time scheduling was
// granted (1) or not (0).

#include "timer/ThreadPeriodicTimer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

void timerLateness(benchmark::State& state)
{
    constexpr auto kPeriod = 1ms;
    constexpr auto kRun = 2s;
    std::vector<double> lateness;
    bool realTime = false;
    for (auto _ : state) {
        std::vector<Steady::time_point> calls;
        calls.reserve(4000);
        std::atomic<bool> full{false};
        velisto::ThreadPeriodicTimer timer;
        const auto started = Steady::now();
        timer.start(kPeriod, [&] {
            if (calls.size() < calls.capacity()) {
                calls.push_back(Steady::now());
            } else {
                full = true;
            }
        });
        std::this_thread::sleep_for(kRun);
        timer.stop();
        realTime = timer.realTime();
        // start() sets the first deadline a hair after `started`; the difference is well
        // under a microsecond and counts as lateness here.
        lateness.clear();
        for (std::size_t k = 0; k < calls.size(); ++k) {
            const auto ideal = started + kPeriod * static_cast<int>(k + 1);
            lateness.push_back(std::chrono::duration<double, std::micro>(calls[k] - ideal).count());
        }
        benchmark::DoNotOptimize(full.load());
    }
    if (lateness.empty()) {
        state.SkipWithError("the timer never fired");
        return;
    }
    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) {
        return lateness[static_cast<std::size_t>(q * static_cast<double>(lateness.size() - 1))];
    };
    state.counters["calls"] = static_cast<double>(lateness.size());
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = lateness.back();
    state.counters["realtime"] = realTime ? 1.0 : 0.0;
}

BENCHMARK(timerLateness)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
