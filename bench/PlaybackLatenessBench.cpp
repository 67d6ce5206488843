// How late the play engine sends notes: a generated song (four tracks, a note every
// sixteenth on each, about three seconds) plays through PlayController and CMidiThread with
// the real ThreadPeriodicTimer and SteadyClock to an output port that stamps every message
// as it is sent. Each note on's lateness is its send time against its scheduled time, the
// run's start plus the milliseconds of its tick. Another thread spins during the run, so
// that the play thread shares the machine with a busy second core. Reported in
// milliseconds as counters: median, p99 and max, with the timer period of the tempo and
// whether the timer's thread got real-time scheduling (1) or not (0).
//
// playbackLatenessOverJack plays the same song through the JACK backend to a capture port
// of its own on a running server (JACK_DEFAULT_SERVER names it; the case is skipped when
// none runs) and takes each note on's arrival from its cycle's start on the system clock
// and its place in the cycle; its lateness includes the one period the backend adds, which
// is reported as jack_period_ms.
//
// Thread contract: each case runs on the benchmark's thread; the port is written by the
// play timer's thread (or JACK's process thread) only and read after the run has ended.

#include "app/MemoryProfileStore.h"
#include "app/QueueUiNotifier.h"
#include "app/UserPrompt.h"
#include "midi/DeviceTable.h"
#include "midi/JackMidiPortSystem.h"
#include "midi/EventOutput.h"
#include "playback/Clock.h"
#include "playback/OutputMonitor.h"
#include "playback/PlayController.h"
#include "playback/PlayMessages.h"
#include "song/Positions.h"
#include "song/Song.h"
#include "timer/ThreadPeriodicTimer.h"

#include <benchmark/benchmark.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string>
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

// How the run went; error is empty when it played to its end by itself.
struct RunOutcome {
    std::string error;
    double periodMs = 0.0;
    bool realTime = false;
    std::chrono::nanoseconds start{0}; // the run's start on the steady clock
};

// Plays song from its start through device (its tracks all on it) of a table over ports,
// with another thread spinning meanwhile.
RunOutcome playToEnd(MidiPortSystem& ports, int device, Song& song)
{
    RunOutcome outcome;
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    std::vector<int> tracks(kTrackCount);
    std::iota(tracks.begin(), tracks.end(), 0);
    if (!table.assignTracks(song, tracks, device).empty()) {
        outcome.error = "the port did not open";
        return outcome;
    }
    OutputMonitor monitor(&song);
    EventOutput output(monitor);
    RunStartClock clock;
    ThreadPeriodicTimer timer;
    QueueUiNotifier notifier;
    SilentPrompt prompt;
    PlayEnvironment env;
    env.song = &song;
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
        PlayController controller(env, song, prompt);
        if (controller.play(0, std::nullopt, settings) != StartOutcome::Started) {
            spinning = false;
            busy.join();
            outcome.error = "the run did not start";
            return outcome;
        }
        if (const CMidiThread* run = controller.playThread())
            while (run->timerPeriod().count() == 0 && !run->ended())
                std::this_thread::sleep_for(1ms);
        if (const CMidiThread* run = controller.playThread())
            outcome.periodMs = static_cast<double>(run->timerPeriod().count());
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
    outcome.realTime = timer.realTime();
    if (!ended || !clock.read())
        outcome.error = "the run did not end by itself";
    outcome.start = clock.first();
    return outcome;
}

// Each note on's lateness in ms against the schedule of song, measured from start; empty,
// with error set, when they came out of order.
std::vector<double> noteLateness(const std::vector<Stamped>& stamped, const Song& song, std::chrono::nanoseconds start,
                                 std::string& error)
{
    std::vector<double> lateness;
    // The k-th note on is the k-th of the merged order: tracks 0..3 at each sixteenth.
    const double startMs = tickToMilliseconds(song, 0);
    std::size_t k = 0;
    for (const Stamped& message : stamped) {
        if ((message.bytes[0] & 0xF0) != 0x90 || message.bytes[2] == 0)
            continue;
        const auto tick = static_cast<std::int32_t>(k / kTracks) * (song.ppq / 4);
        if (message.bytes[1] != 60 + static_cast<int>(k % kTracks)) {
            error = "the note ons came out of order";
            return {};
        }
        const double scheduledMs = tickToMilliseconds(song, tick) - startMs;
        const double sentMs = std::chrono::duration<double, std::milli>(message.at - start).count();
        lateness.push_back(sentMs - scheduledMs);
        ++k;
    }
    if (lateness.empty())
        error = "no note arrived";
    return lateness;
}

void reportLateness(benchmark::State& state, std::vector<double> lateness, const RunOutcome& outcome)
{
    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) {
        return lateness[static_cast<std::size_t>(q * static_cast<double>(lateness.size() - 1))];
    };
    state.counters["notes"] = static_cast<double>(lateness.size());
    state.counters["period_ms"] = outcome.periodMs;
    state.counters["median_ms"] = at(0.5);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = lateness.back();
    state.counters["realtime"] = outcome.realTime ? 1.0 : 0.0;
}

void playbackLateness(benchmark::State& state)
{
    const int ppq = static_cast<int>(state.range(0));
    const double bpm = static_cast<double>(state.range(1));
    std::vector<double> lateness;
    RunOutcome outcome;
    for (auto _ : state) {
        std::vector<Stamped> sent;
        sent.reserve(100000);
        StampingPortSystem ports(sent);
        constexpr int kDevice = DeviceTable::kFirstPortIndex;
        std::unique_ptr<Song> song = generatedSong(ppq, bpm, kDevice);
        outcome = playToEnd(ports, kDevice, *song);
        std::string error = outcome.error;
        if (error.empty())
            lateness = noteLateness(sent, *song, outcome.start, error);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    reportLateness(state, std::move(lateness), outcome);
}

// A JACK client with one MIDI input port that stamps each short message with its arrival
// on the steady clock: its cycle's start plus its place in the cycle (JACK's clock is
// mapped onto std::chrono::steady_clock).
class JackCapture {
public:
    JackCapture() : client_(jack_client_open("velisto_bench_capture", JackNoStartServer, nullptr))
    {
        // JACK's microseconds may count on another clock than steady_clock (CLOCK_MONOTONIC_RAW).
        steadyMinusJackUsecs_ = static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                        std::chrono::steady_clock::now().time_since_epoch())
                                                        .count()) -
                                static_cast<double>(jack_get_time());
        arrived_.resize(100000);
        if (client_ == nullptr)
            return;
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (port_ == nullptr || jack_set_process_callback(client_, process, this) != 0 || jack_activate(client_) != 0)
            port_ = nullptr;
    }
    ~JackCapture()
    {
        if (client_ != nullptr)
            jack_client_close(client_);
    }
    JackCapture(const JackCapture&) = delete;
    JackCapture& operator=(const JackCapture&) = delete;

    bool ready() const { return port_ != nullptr; }
    std::string portName() const { return jack_port_name(port_); }
    double periodMs() const
    {
        return 1000.0 * jack_get_buffer_size(client_) / static_cast<double>(jack_get_sample_rate(client_));
    }
    // What arrived; call after the sender has closed.
    std::vector<Stamped> arrived() const { return {arrived_.begin(), arrived_.begin() + static_cast<std::ptrdiff_t>(count_.load())}; }

private:
    static int process(jack_nframes_t frames, void* data)
    {
        auto* self = static_cast<JackCapture*>(data);
        void* buffer = jack_port_get_buffer(self->port_, frames);
        // The cycle's start: now less the frames since it began (jack_get_cycle_times() gives
        // a smoothed clock that lags after the server missed cycles).
        const double rate = static_cast<double>(jack_get_sample_rate(self->client_));
        const double cycleUsecs =
            static_cast<double>(jack_get_time()) - jack_frames_since_cycle_start(self->client_) * 1e6 / rate;
        const std::uint32_t count = jack_midi_get_event_count(buffer);
        for (std::uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            const std::size_t slot = self->count_.load();
            if (jack_midi_event_get(&event, buffer, i) != 0 || event.size > 3 || slot == self->arrived_.size())
                continue;
            const double usecs = cycleUsecs + event.time * 1e6 / rate + self->steadyMinusJackUsecs_;
            Stamped& message = self->arrived_[slot];
            message.at = std::chrono::nanoseconds(static_cast<std::int64_t>(usecs * 1000.0));
            std::copy_n(event.buffer, event.size, message.bytes.begin());
            self->count_.store(slot + 1);
        }
        return 0;
    }

    jack_client_t* client_;
    jack_port_t* port_ = nullptr;
    double steadyMinusJackUsecs_ = 0.0;
    std::vector<Stamped> arrived_;
    std::atomic<std::size_t> count_{0};
};

void playbackLatenessOverJack(benchmark::State& state)
{
    const int ppq = static_cast<int>(state.range(0));
    const double bpm = static_cast<double>(state.range(1));
    std::vector<double> lateness;
    RunOutcome outcome;
    double jackPeriodMs = 0.0;
    for (auto _ : state) {
        std::string error;
        auto ports = JackMidiPortSystem::create(error);
        if (!ports) {
            state.SkipWithError(("no JACK: " + error).c_str());
            return;
        }
        JackCapture capture;
        if (!capture.ready()) {
            state.SkipWithError("the capture port did not open");
            return;
        }
        jackPeriodMs = capture.periodMs();
        const std::vector<std::string> names = ports->outputPortNames();
        const auto found = std::find(names.begin(), names.end(), capture.portName());
        if (found == names.end()) {
            state.SkipWithError("the capture port is not listed");
            return;
        }
        const int device = DeviceTable::kFirstPortIndex + static_cast<int>(found - names.begin());
        std::unique_ptr<Song> song = generatedSong(ppq, bpm, device);
        outcome = playToEnd(*ports, device, *song);
        error = outcome.error;
        if (error.empty())
            lateness = noteLateness(capture.arrived(), *song, outcome.start, error);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    reportLateness(state, std::move(lateness), outcome);
    state.counters["jack_period_ms"] = jackPeriodMs;
}

BENCHMARK(playbackLateness)
    ->ArgNames({"ppq", "bpm"})
    ->ArgsProduct({{96, 480}, {60, 180}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(playbackLatenessOverJack)
    ->ArgNames({"ppq", "bpm"})
    ->ArgsProduct({{96, 480}, {60, 180}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
