// How late the play engine sends notes: a generated song (four tracks, a note every
// sixteenth on each, about three seconds) plays through PlayController and CMidiThread with
// the real ThreadPeriodicTimer and SteadyClock to an output port that stamps every message
// as it is sent. Each note on's lateness is its send time against its scheduled time, the
// run's start plus the milliseconds of its tick. Another thread spins during the run, so
// that the play thread shares the machine with a busy second core. Reported in
// milliseconds as counters: median, p99 and max, with the timer period of the tempo and
// whether the timer's thread got real-time scheduling (1) or not (0).
//
// Thread contract: each case runs on the benchmark's thread; the port is written by the
// play timer's thread only and read after the run has ended.

#include "app/MemoryProfileStore.h"
#include "app/QueueUiNotifier.h"
#include "app/UserPrompt.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "playback/Clock.h"
#include "playback/OutputMonitor.h"
#include "playback/PlayController.h"
#include "playback/PlayMessages.h"
#include "song/Positions.h"
#include "song/Song.h"
#include "timer/ThreadPeriodicTimer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using namespace velisto;
using namespace std::chrono_literals;

constexpr int kTracks = 4;
constexpr double kSongSeconds = 3.0;

struct Stamped {
    std::chrono::nanoseconds at{0};
    std::array<std::uint8_t, 3> bytes{};
};

// One output port that keeps every short message with the time it was sent.
class StampingPort final : public MidiOutPort {
public:
    explicit StampingPort(std::vector<Stamped>& sent) : sent_(sent) {}
    bool sendShort(std::span<const std::uint8_t> bytes) override
    {
        if (sent_.size() == sent_.capacity())
            return false; // never reallocate on the play thread
        Stamped message{clock_.now(), {}};
        std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), 3), message.bytes.begin());
        sent_.push_back(message);
        return true;
    }
    bool sendLong(std::span<const std::uint8_t>) override { return true; }

private:
    SteadyClock clock_;
    std::vector<Stamped>& sent_;
};

class StampingPortSystem final : public MidiPortSystem {
public:
    explicit StampingPortSystem(std::vector<Stamped>& sent) : sent_(sent) {}
    std::string apiName() const override { return "bench"; }
    std::vector<std::string> outputPortNames() override { return {"bench out"}; }
    MidiOutOpenResult openOutput(int portId) override
    {
        if (portId != 0)
            return {nullptr, MidiOpenError::BadDeviceId, "no such port"};
        return {std::make_unique<StampingPort>(sent_), MidiOpenError::None, {}};
    }
    std::vector<std::string> inputPortNames() override { return {}; }
    MidiInOpenResult openInput(int, MidiInCallback) override { return {nullptr, MidiOpenError::BadDeviceId, {}}; }

private:
    std::vector<Stamped>& sent_;
};

// The steady clock, remembering its first reading: the run reads it once when it starts
// its schedule, before any timer call.
class RunStartClock final : public Clock {
public:
    std::chrono::nanoseconds now() const noexcept override
    {
        const std::chrono::nanoseconds reading = steady_.now();
        std::int64_t unset = kUnset;
        first_.compare_exchange_strong(unset, reading.count(), std::memory_order_acq_rel);
        return reading;
    }
    std::chrono::nanoseconds first() const { return std::chrono::nanoseconds(first_.load()); }
    bool read() const { return first_.load() != kUnset; }

private:
    static constexpr std::int64_t kUnset = INT64_MIN;
    SteadyClock steady_;
    mutable std::atomic<std::int64_t> first_{kUnset};
};

// A note on every sixteenth on each track (its own channel and key), an eighth of a beat long.
std::unique_ptr<Song> generatedSong(int ppq, double bpm, int device)
{
    auto song = std::make_unique<Song>();
    song->ppq = ppq;
    song->clear(device);
    song->setTempo(0, bpm);
    const int step = ppq / 4;
    const int steps = static_cast<int>(kSongSeconds * bpm / 60.0 * 4.0);
    for (int t = 0; t < kTracks; ++t) {
        Track& track = song->tracks[static_cast<std::size_t>(t)];
        track.channel = t;
        for (int s = 0; s < steps; ++s)
            track.append(MidiEvent::note(s * step, t, 60 + t, 100, std::max(ppq / 8, 1)));
    }
    return song;
}

void playbackLateness(benchmark::State& state)
{
    const int ppq = static_cast<int>(state.range(0));
    const double bpm = static_cast<double>(state.range(1));
    std::vector<double> lateness;
    double periodMs = 0.0;
    bool realTime = false;
    for (auto _ : state) {
        std::vector<Stamped> sent;
        sent.reserve(100000);
        StampingPortSystem ports(sent);
        MemoryProfileStore store;
        DeviceTable table(ports, store);
        constexpr int kDevice = DeviceTable::kFirstPortIndex;
        std::unique_ptr<Song> song = generatedSong(ppq, bpm, kDevice);
        std::vector<int> tracks(kTrackCount);
        std::iota(tracks.begin(), tracks.end(), 0);
        if (!table.assignTracks(*song, tracks, kDevice).empty()) {
            state.SkipWithError("the bench port did not open");
            return;
        }
        OutputMonitor monitor(song.get());
        EventOutput output(monitor);
        RunStartClock clock;
        ThreadPeriodicTimer timer;
        QueueUiNotifier notifier;
        SilentPrompt prompt;
        PlayEnvironment env;
        env.song = song.get();
        env.devices = &table;
        env.output = &output;
        env.monitor = &monitor;
        env.clock = &clock;
        env.timer = &timer;
        env.notifier = &notifier;
        Settings settings = Settings::defaults("", 0, 0);

        std::atomic<bool> spinning{true};
        std::thread busy([&spinning] {
            std::uint64_t n = 0;
            while (spinning.load(std::memory_order_relaxed))
                benchmark::DoNotOptimize(++n);
        });
        bool ended = false;
        {
            PlayController controller(env, *song, prompt);
            if (controller.play(0, std::nullopt, settings) != StartOutcome::Started) {
                spinning = false;
                busy.join();
                state.SkipWithError("the run did not start");
                return;
            }
            if (const CMidiThread* run = controller.playThread())
                while (run->timerPeriod().count() == 0 && !run->ended())
                    std::this_thread::sleep_for(1ms);
            if (const CMidiThread* run = controller.playThread())
                periodMs = static_cast<double>(run->timerPeriod().count());
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kSongSeconds + 5.0);
            while (!ended && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(5ms);
                for (const QueueUiNotifier::Post& post : notifier.take())
                    if (post.message == kPlayRunEndedMessage)
                        ended = controller.finishRun().has_value();
            }
            if (!ended)
                controller.stopAndWait(5s);
        }
        spinning = false;
        busy.join();
        realTime = timer.realTime();
        if (!ended || !clock.read()) {
            state.SkipWithError("the run did not end by itself");
            return;
        }

        // The k-th note on is the k-th of the merged order: tracks 0..3 at each sixteenth.
        lateness.clear();
        const double startMs = tickToMilliseconds(*song, 0);
        std::size_t k = 0;
        for (const Stamped& message : sent) {
            if ((message.bytes[0] & 0xF0) != 0x90 || message.bytes[2] == 0)
                continue;
            const auto tick = static_cast<std::int32_t>(k / kTracks) * (ppq / 4);
            if (message.bytes[1] != 60 + static_cast<int>(k % kTracks)) {
                state.SkipWithError("the note ons came out of order");
                return;
            }
            const double scheduledMs = tickToMilliseconds(*song, tick) - startMs;
            const double sentMs = std::chrono::duration<double, std::milli>(message.at - clock.first()).count();
            lateness.push_back(sentMs - scheduledMs);
            ++k;
        }
    }
    if (lateness.empty()) {
        state.SkipWithError("no note was sent");
        return;
    }
    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) {
        return lateness[static_cast<std::size_t>(q * static_cast<double>(lateness.size() - 1))];
    };
    state.counters["notes"] = static_cast<double>(lateness.size());
    state.counters["period_ms"] = periodMs;
    state.counters["median_ms"] = at(0.5);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = lateness.back();
    state.counters["realtime"] = realTime ? 1.0 : 0.0;
}

BENCHMARK(playbackLateness)
    ->ArgNames({"ppq", "bpm"})
    ->ArgsProduct({{96, 480}, {60, 180}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
