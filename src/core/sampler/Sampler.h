#pragma once
// The Internal Sound Generator's voices: 300 slots shared by mastervoices (the preloaded
// beginning of every sample a channel's program or drum set uses) and voices (one sound
// buffer on a device's mixer each, streamed from its file by a refill per half ring).
// The sampler is the generator device's GeneratorSink; content updates (loading the group,
// loading and releasing channels) run on worker threads serialised by one global lock.
//
// Thread contract: the GeneratorSink calls come from event output with the device's send
// lock held. Each voice has its own refill thread, or, with offline refills, every refill
// runs in serviceRefills() on the thread that renders the mixers. Every slot has its own
// mutex; the sample map has a lock that content updates hold and note on only try-locks.
// Status, levels and counts from any thread.

#include "midi/GeneratorSink.h"
#include "midi/IsgChannelRoute.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velisto {

class CNotifyThread;
class OutputDevice;
class OutputMonitor;
class SampleMap;
class SoundMixer;

inline constexpr int kVoiceSlots = 300;
inline constexpr std::size_t kVoiceRingBytes = 16384;
inline constexpr std::size_t kVoiceHalfBytes = 8192;
inline constexpr std::uint32_t kMaxVoiceFrequency = 200000;
inline constexpr double kSemitoneFactor = 1.0595;
inline constexpr int kStatusCountdown = 20;

// The semitone factor raised to a whole power by repeated multiplication.
double semitonePower(int steps);
// The 0..127 level curve of velocity, volume and expression.
double levelCurve(int value);
// Buffer volume and pan in hundredths of a decibel for a gain and a pan controller value.
struct VolumePan {
    int volume = 0;
    int pan = 0;
};
VolumePan volumeAndPan(double gain, int pan);
// Playback rate for a sample played at ratio, with the pitch wheel (-8192..8191) and the
// sensitivity in semitones; truncated.
std::int64_t voiceFrequency(double ratio, int pitchBend, int sensitivity);
// Release time in milliseconds for release value 0..127 on a program.
int releaseMilliseconds(int releaseValue, int program);

// The sample a note plays: index into its list and the playback ratio.
struct SampleChoice {
    int entry = -1;
    double ratio = 1.0;
};
struct SampleEntry;
SampleChoice chooseProgramSample(const std::vector<SampleEntry>& list, int key, int velocity);
SampleChoice chooseDrumSample(const std::vector<SampleEntry>& list, int velocity);

// Held by whoever installs or frees the process-wide sample map.
std::mutex& sampleMapLock();

struct SamplerStatus {
    std::string text;
    bool error = false;
    bool busy = false;
    int countdown = 0;
};

class Sampler : public GeneratorSink {
public:
    // The mixer of the open sound device a route names; null when it is not open.
    using MixerLookup = std::function<SoundMixer*(const IsgChannelRoute&)>;

    // monitor may be null. The device must outlive the sampler.
    Sampler(OutputDevice& device, SampleMap& map, MixerLookup mixers, OutputMonitor* monitor);
    ~Sampler() override;
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

    // Offline rendering: no refill threads, serviceRefills() does the refills, and program
    // changes load their samples at once on the sending thread. Set before the first note.
    void setOfflineRefills(bool offline) { offline_ = offline; }
    // Runs the refill of every voice whose buffer has signalled since the last call. The
    // renderer calls it after each block; a block must not play more than half a ring of
    // any voice.
    void serviceRefills();

    // Also told every warning, whether the output monitor is open or not. Set before the
    // first note.
    void setWarningListener(std::function<void(const std::string&)> listener)
    {
        warningListener_ = std::move(listener);
    }

    void setIgrPath(std::string path);
    std::string igrPath() const;
    // The group the sample map holds now, from the last load that succeeded; empty after a
    // release or a failed load.
    std::string loadedIgrPath() const;
    // Called once from the destructor, after everything is released, with the .igr path
    // the sampler had then (its owner keeps it for the next start).
    void setClosedHandler(std::function<void(const std::string& igrPath)> handler)
    {
        closedHandler_ = std::move(handler);
    }

    // Content updates on a worker thread; wait blocks until the run has ended.
    void loadGroup(bool wait);
    void releaseEverything(bool wait);
    void updateContent(bool wait);
    // Blocks until every content update started so far has ended.
    void waitForContent();

    // ---- GeneratorSink ----
    void startVoice(int channel, int key, int velocity) override;
    void releaseVoices(int channel, int key) override;
    void stopOpenHiHat(int channel) override;
    std::vector<int> retuneChannel(int channel) override;
    void updateChannelMix(int channel, int controllerNumber) override;
    void releaseChannel(int channel) override;
    void releaseAll() override;
    void reloadSamples() override;

    // ---- observation ----
    SamplerStatus status() const;
    // A new status line (padded to the widest line so far) shown for kStatusCountdown ticks.
    void setStatus(const std::string& text, bool error);
    // The lines of the content dialog: what the sample map holds and the loaded
    // mastervoices with their channels; while a content update runs, the loading line.
    // Never waits for a running load.
    std::vector<std::string> contentLines() const;
    // Counts the status display down by one tick (the device window's timer).
    void tickStatus();
    int voiceCount() const;
    int mastervoiceCount() const;
    // The program loaded for a channel (-1 none) and whether it holds the drum set.
    int loadedProgram(int channel) const;
    bool drumLoaded(int channel) const;
    // Peak left and right levels since the last call, for the level display.
    std::array<double, 2> takeLevels();

private:
    struct Slot;

    enum class StopMode { KeepSlot, FreeSlot };
    enum Refill { Continue, Ended };

    // content
    // One CUpdateSamplerContent run on a worker thread (runs are serialised by the content lock).
    void startContent(bool releaseAll, bool load, bool wait);
    void runContent(bool releaseAll, bool load);
    // The program (-1: none) and drum flag loaded for the channel.
    std::pair<int, bool> loadedContent(int channel) const;
    void channelUpdate(bool sendLocked);
    bool loadChannel(int channel, int program, bool drum);
    void releaseChannelContent(int channel);
    int takeMasterSlot(const std::string& name, int channel);
    bool fillMaster(Slot& slot, const std::string& name);

    // voices
    bool startVoiceLocked(int channel, int key, int velocity);
    int findMaster(const std::string& name, int channel);
    int takeFreeVoiceSlot();
    void stopVoice(int slot, std::uint64_t serial, StopMode mode);
    template <typename Match> void stopVoices(Match match);
    Refill refill(int slot, std::uint64_t serial);
    void applyMix(Slot& slot);
    void reapThreads();
    std::uint64_t nextSerial();

    void warn(const std::string& text);
    void setLoadedIgrPath(std::string path);
    std::string directory() const;

    OutputDevice& device_;
    SampleMap& map_;
    MixerLookup mixers_;
    OutputMonitor* monitor_;
    std::function<void(const std::string&)> warningListener_;
    std::function<void(const std::string&)> closedHandler_;
    bool offline_ = false;

    std::vector<std::unique_ptr<Slot>> slots_;
    std::mutex serialMutex_;
    std::uint64_t serial_ = 0;

    mutable std::mutex stateMutex_; // path, loaded content per channel, status
    std::string igrPath_;
    std::string loadedIgrPath_;
    std::array<int, 16> program_{};
    std::array<bool, 16> drum_{};
    SamplerStatus status_;
    std::size_t statusWidth_ = 0;

    std::mutex workersMutex_;
    std::vector<std::thread> workers_;
    std::vector<std::unique_ptr<CNotifyThread>> ended_; // voice workers that ended themselves, to join
    std::atomic<int> pendingContent_{0};

    std::mutex levelMutex_;
    std::array<double, 2> levels_{};
};

} // namespace velisto
