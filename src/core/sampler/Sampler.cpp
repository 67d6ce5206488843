#include "sampler/Sampler.h"

#include "app/Event.h"
#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"
#include "midi/OutputDevice.h"
#include "playback/OutputMonitor.h"
#include "sampler/CNotifyThread.h"
#include "sampler/IgrContent.h"
#include "sampler/IgrFile.h"
#include "sampler/IgrLoader.h"
#include "sampler/SampleInfo.h"
#include "sampler/SampleMap.h"
#include "sampler/SoundBuffer.h"
#include "sampler/SoundMixer.h"
#include "sampler/WaveFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace velisto {

namespace {

constexpr std::string_view kWarningPrefix = "Warning : Velisto's Internal Sound Generator, MIDI channel ";
constexpr int kDrumPanNrpn = 0x1C;
constexpr int kReleaseTimeNrpn = 0x66;
constexpr int kReleaseController = 72;
constexpr int kPitchBendSensitivityRpn = 0;

std::mutex& contentLock()
{
    static std::mutex lock;
    return lock;
}

std::string warningHead(int channel) { return std::string(kWarningPrefix) + std::to_string(channel + 1); }

// Reads n bytes from the file at pos, wrapping at the end to the loop start when looping.
// Returns the bytes read; reachedEnd tells that a sample without loop has no data left.
std::size_t readWrapped(std::FILE* file, std::int64_t& pos, std::uint8_t* dst, std::size_t n, bool loop,
                        std::int64_t loopStart, std::int64_t endOffset, bool& reachedEnd)
{
    std::size_t done = 0;
    reachedEnd = false;
    while (done < n) {
        if (pos >= endOffset) {
            if (!loop || loopStart >= endOffset) {
                reachedEnd = true;
                break;
            }
            pos = loopStart;
        }
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(endOffset - pos, std::int64_t(n - done)));
        if (std::fseek(file, static_cast<long>(pos), SEEK_SET) != 0)
            break;
        const std::size_t got = std::fread(dst + done, 1, want, file);
        done += got;
        pos += static_cast<std::int64_t>(got);
        if (got < want)
            break;
    }
    if (!loop && pos >= endOffset)
        reachedEnd = true;
    return done;
}

// Mean absolute value of every 16th frame, per channel.
std::array<int, 2> amplitudeOf(const std::uint8_t* bytes, std::size_t size, int channels)
{
    std::array<std::int64_t, 2> sum{};
    std::int64_t count = 0;
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * 2;
    for (std::size_t at = 0; at + frameBytes <= size; at += 16 * frameBytes) {
        for (int c = 0; c < channels; ++c) {
            std::int16_t v;
            std::memcpy(&v, bytes + at + static_cast<std::size_t>(c) * 2, 2);
            sum[static_cast<std::size_t>(c)] += std::abs(static_cast<int>(v));
        }
        ++count;
    }
    std::array<int, 2> mean{};
    for (std::size_t c = 0; c < 2; ++c) {
        const std::size_t from = channels == 1 ? 0 : c;
        mean[c] = count == 0 ? 0 : static_cast<int>(std::min<std::int64_t>(32768, sum[from] / count));
    }
    return mean;
}

} // namespace

double semitonePower(int steps)
{
    double r = 1.0;
    for (int i = 0; i < steps; ++i)
        r *= kSemitoneFactor;
    return r;
}

double levelCurve(int value)
{
    if (value >= 127)
        return 1.0;
    if (value < 0)
        return 0.0;
    double level = 1.0 - 0.01172 * (127 - std::max(value, 64));
    if (value < 64)
        level -= 0.00391 * (64 - value);
    return std::max(level, 0.0);
}

VolumePan volumeAndPan(double gain, int pan)
{
    const double left = std::clamp(gain * (128 - pan) / 64.0, 0.0, 1.0);
    const double right = std::clamp(gain * pan / 64.0, 0.0, 1.0);
    VolumePan out;
    const double loudest = std::max(left, right);
    out.volume = loudest > 0.0 ? std::clamp(static_cast<int>(2000.0 * std::log10(loudest)), kVolumeSilent, kVolumeFull)
                               : kVolumeSilent;
    if (left < right)
        out.pan = left > 0.0 ? static_cast<int>(-2000.0 * std::log10(left / right)) : kPanRight;
    else if (left > right)
        out.pan = right > 0.0 ? static_cast<int>(2000.0 * std::log10(right / left)) : kPanLeft;
    out.pan = std::clamp(out.pan, kPanLeft, kPanRight);
    return out;
}

std::int64_t voiceFrequency(double ratio, int pitchBend, int sensitivity)
{
    const double range = sensitivity > 0 ? semitonePower(sensitivity) : 1.0;
    double f = 1.0;
    if (pitchBend > 0)
        f = 1.0 - (1.0 - 1.0 / range) * pitchBend / 8192.0;
    else if (pitchBend < 0)
        f = 1.0 - pitchBend * (range - 1.0) / 8192.0;
    return static_cast<std::int64_t>(44100.0 / (f * ratio));
}

int releaseMilliseconds(int r, int program)
{
    const int base = r >= 112  ? 2500
                     : r >= 96 ? 1750
                     : r >= 80 ? 800
                     : r >= 64 ? 750
                     : r >= 48 ? 500
                     : r >= 32 ? 200
                     : r >= 16 ? 100
                               : 0;
    double time = base * 0.2;
    if ((program >= 32 && program <= 39) || program == 43 || program == 80 || program == 81)
        time *= 0.5;
    if ((program >= 8 && program <= 15) || (program >= 44 && program <= 55))
        time *= 2.0;
    return static_cast<int>(time);
}

SampleChoice chooseProgramSample(const std::vector<SampleEntry>& list, int key, int velocity)
{
    SampleChoice choice;
    int best = std::numeric_limits<int>::max();
    bool below = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const SampleEntry& e = list[i];
        if (velocity < e.velocityLow || velocity > e.velocityHigh)
            continue;
        const int sampleKey = e.key < 128 ? e.key : e.key - 128;
        const int playedKey = e.key < 128 ? key : key % 12;
        const int distance = std::abs(playedKey - sampleKey);
        if (distance < best) {
            best = distance;
            choice.entry = static_cast<int>(i);
            below = sampleKey < playedKey;
        }
    }
    if (choice.entry >= 0) {
        const double r = semitonePower(best);
        choice.ratio = below ? 1.0 / r : r;
    }
    return choice;
}

SampleChoice chooseDrumSample(const std::vector<SampleEntry>& list, int velocity)
{
    SampleChoice choice;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (velocity >= list[i].velocityLow && velocity <= list[i].velocityHigh) {
            choice.entry = static_cast<int>(i);
            break;
        }
    }
    return choice;
}

std::mutex& sampleMapLock()
{
    static std::mutex lock;
    return lock;
}

// ---------------------------------------------------------------------------------------

struct Sampler::Slot {
    std::mutex mutex;
    bool free = true;
    bool master = false;
    int refCount = 0;
    bool loop = false;
    std::int64_t loopStart = 0;
    std::int64_t endOffset = 0;
    int channels = 1;
    std::int64_t filePos = 0;
    std::size_t ringWrite = 0; // mastervoice: bytes preloaded
    double ratio = 1.0;
    std::uint32_t frequency = 44100;
    std::shared_ptr<SoundBuffer> buffer;
    SoundMixer* mixer = nullptr;
    std::vector<std::uint8_t> preload;
    bool resident = false;
    bool playing = false;
    std::unique_ptr<CNotifyThread> thread;
    std::FILE* file = nullptr;
    int channel = 0;
    int key = 0;
    int velocity = 0;
    int program = 0;
    bool drum = false;
    std::array<bool, 16> use{};
    bool skipNext = false;
    int endCountdown = 0;
    double gain = 1.0;
    std::int64_t dataStart = 0;
    std::int64_t releaseLength = 0;
    std::int64_t releasePos = 0;
    std::uint64_t serial = 0;
    std::string name;
    std::array<int, 4> amplitude{}; // half 0 left, right; half 1 left, right
    double volumeFactor = 0.0;

    bool isVoice() const { return !free && !master; }
    bool usedByAny() const
    {
        return std::any_of(use.begin(), use.end(), [](bool u) { return u; });
    }
};

Sampler::Sampler(OutputDevice& device, SampleMap& map, MixerLookup mixers, OutputMonitor* monitor)
    : device_(device), map_(map), mixers_(std::move(mixers)), monitor_(monitor)
{
    slots_.reserve(kVoiceSlots);
    for (int i = 0; i < kVoiceSlots; ++i)
        slots_.push_back(std::make_unique<Slot>());
    program_.fill(-1);
    drum_.fill(false);
}

Sampler::~Sampler()
{
    waitForContent();
    {
        const std::lock_guard content(contentLock());
        for (int c = 0; c < 16; ++c)
            releaseChannelContent(c);
    }
    stopVoices([](const Slot&) { return true; });
    reapThreads();
    if (closedHandler_)
        closedHandler_(igrPath());
}

// ---- content ----

void Sampler::setIgrPath(std::string path)
{
    const std::lock_guard lock(stateMutex_);
    igrPath_ = std::move(path);
}

std::string Sampler::igrPath() const
{
    const std::lock_guard lock(stateMutex_);
    return igrPath_;
}

std::string Sampler::loadedIgrPath() const
{
    const std::lock_guard lock(stateMutex_);
    return loadedIgrPath_;
}

std::string Sampler::directory() const { return directoryPart(igrPath()); }

void Sampler::loadGroup(bool wait) { startContent(false, true, wait); }

void Sampler::releaseEverything(bool wait) { startContent(true, false, wait); }

void Sampler::updateContent(bool wait) { startContent(false, false, wait); }

void Sampler::startContent(bool releaseAll, bool load, bool wait)
{
    {
        const std::lock_guard lock(workersMutex_);
        // Finished runs are joined here so that program changes do not pile threads up.
        if (pendingContent_.load() == 0) {
            for (std::thread& t : workers_)
                t.join();
            workers_.clear();
        }
        ++pendingContent_;
        workers_.emplace_back([this, releaseAll, load] { runContent(releaseAll, load); });
    }
    if (wait)
        waitForContent();
}

void Sampler::waitForContent()
{
    std::vector<std::thread> running;
    {
        const std::lock_guard lock(workersMutex_);
        running.swap(workers_);
    }
    for (std::thread& t : running)
        t.join();
}

void Sampler::runContent(bool releaseAll, bool load)
{
    const std::lock_guard content(contentLock());
    {
        const std::lock_guard lock(stateMutex_);
        status_.busy = true;
    }
    if (releaseAll || load) {
        for (int c = 0; c < 16; ++c)
            releaseChannelContent(c);
    }
    if (releaseAll) {
        {
            const std::lock_guard lock(sampleMapLock());
            map_.releaseAll();
        }
        setLoadedIgrPath({});
        setStatus("no .igr-map in memory", false);
    } else if (load) {
        const std::string path = igrPath();
        bool loaded = false;
        {
            const std::lock_guard lock(sampleMapLock());
            IgrLoadHooks hooks;
            hooks.status = [this](const std::string& text) { setStatus(text, false); };
            loaded = loadSampleMap(map_, path, readSampleInfo, hooks);
        }
        setLoadedIgrPath(loaded ? path : std::string());
        if (loaded) {
            channelUpdate(false);
            setStatus("Mastervoices of\n" + fileNamePart(path) + "\nhave been load to memory.", false);
        }
    } else {
        channelUpdate(false);
    }
    {
        const std::lock_guard lock(stateMutex_);
        status_.busy = false;
    }
    --pendingContent_;
}

void Sampler::channelUpdate(bool sendLocked)
{
    std::array<int, 16> wantProgram{};
    std::array<bool, 16> wantDrum{};
    {
        std::unique_lock send(device_.sendMutex(), std::defer_lock);
        if (!sendLocked)
            send.lock();
        const DeviceMidiState& state = device_.liveState;
        for (int c = 0; c < 16; ++c) {
            wantDrum[static_cast<std::size_t>(c)] = state.isRhythmChannel(c);
            const DeviceMidiState::Part* part = state.part(state.partOfChannel(c));
            wantProgram[static_cast<std::size_t>(c)] =
                wantDrum[static_cast<std::size_t>(c)] ? 0 : (part ? part->program : -1);
        }
    }
    for (int c = 0; c < 16; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const auto [program, drum] = loadedContent(c);
        if (program == wantProgram[i] && drum == wantDrum[i])
            continue;
        if (program >= 0)
            releaseChannelContent(c);
        if (wantProgram[i] >= 0)
            loadChannel(c, wantProgram[i], wantDrum[i]);
    }
}

bool Sampler::loadChannel(int channel, int program, bool drum)
{
    setStatus("Loading mastervoices ch " + std::to_string(channel + 1), false);
    std::vector<std::string> names;
    {
        const std::lock_guard lock(sampleMapLock());
        if (!map_.loaded())
            return false;
        if (drum) {
            for (int k = 0; k < kSampleLists; ++k)
                for (const SampleEntry& e : map_.drum(k))
                    names.push_back(e.name);
        } else {
            for (const SampleEntry& e : map_.program(program))
                names.push_back(e.name);
        }
    }
    for (const std::string& name : names) {
        if (takeMasterSlot(name, channel) < 0) {
            releaseChannelContent(channel);
            setStatus("No free mastervoices", true);
            return false;
        }
    }
    const std::lock_guard lock(stateMutex_);
    program_[static_cast<std::size_t>(channel)] = program;
    drum_[static_cast<std::size_t>(channel)] = drum;
    return true;
}

int Sampler::takeMasterSlot(const std::string& name, int channel)
{
    for (int i = 0; i < kVoiceSlots; ++i) {
        Slot& s = *slots_[static_cast<std::size_t>(i)];
        const std::lock_guard lock(s.mutex);
        if (!s.free && s.master && s.name == name && !s.preload.empty()) {
            s.use[static_cast<std::size_t>(channel)] = true;
            return i;
        }
    }
    for (int i = 0; i < kVoiceSlots; ++i) {
        Slot& s = *slots_[static_cast<std::size_t>(i)];
        {
            const std::lock_guard lock(s.mutex);
            if (!s.free)
                continue;
            s.free = false;
            s.master = true;
            s.refCount = 0;
            s.use.fill(false);
            s.name = name;
            s.preload.clear();
        }
        // Claimed but without a channel flag: no note on takes it while it fills.
        if (!fillMaster(s, name)) {
            const std::lock_guard lock(s.mutex);
            s.preload.clear();
            s.free = true;
            s.master = false;
            return i; // the sample is left out; the channel still loads the others
        }
        const std::lock_guard lock(s.mutex);
        s.use[static_cast<std::size_t>(channel)] = true;
        return i;
    }
    return -1;
}

bool Sampler::fillMaster(Slot& s, const std::string& name)
{
    SampleDirectory folder(directory());
    const std::string path = folder.resolve(name);
    WaveFile wave;
    WaveOpenOptions options;
    options.require44100 = true;
    options.require16Bit = true;
    std::string error;
    if (!wave.open(path, options, error)) {
        setStatus("Cannot create Mastervoice\n" + name, true);
        return false;
    }
    const bool loop = wave.hasLoop();
    const std::int64_t loopStart = loop ? wave.loopStart() : 0;
    const std::int64_t endOffset = loop ? wave.loopEnd() : wave.dataStart() + wave.dataLength();
    const std::int64_t dataStart = wave.dataStart();
    const std::int64_t dataLength = wave.dataLength();
    const int channels = wave.channels();
    const double gain = wave.gainFactor();
    wave.close(error);

    std::size_t size = kVoiceRingBytes;
    if (!loop && dataLength < static_cast<std::int64_t>(kVoiceRingBytes))
        size = static_cast<std::size_t>(dataLength) / static_cast<std::size_t>(channels * 2) *
               static_cast<std::size_t>(channels * 2);
    std::vector<std::uint8_t> preload(size, 0);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file || size == 0) {
        if (file)
            std::fclose(file);
        setStatus("Cannot create Mastervoice\n" + name, true);
        return false;
    }
    std::int64_t pos = dataStart;
    bool reachedEnd = false;
    std::array<int, 4> amplitude{};
    std::size_t filled = 0;
    bool failed = false;
    for (int half = 0; half < 2 && filled < size; ++half) {
        const std::size_t n = std::min(kVoiceHalfBytes, size - filled);
        const std::size_t got =
            readWrapped(file, pos, preload.data() + filled, n, loop, loopStart, endOffset, reachedEnd);
        if (got < n && !reachedEnd)
            failed = true;
        const auto a = amplitudeOf(preload.data() + filled, n, channels);
        amplitude[static_cast<std::size_t>(half * 2)] = a[0];
        amplitude[static_cast<std::size_t>(half * 2 + 1)] = a[1];
        filled += n;
    }
    std::fclose(file);
    if (failed) {
        setStatus("Cannot create Mastervoice\n" + name, true);
        return false;
    }
    const std::lock_guard lock(s.mutex);
    s.channels = channels;
    s.loop = loop;
    s.loopStart = loopStart;
    s.endOffset = endOffset;
    s.gain = gain;
    s.dataStart = dataStart;
    s.filePos = pos;
    s.ringWrite = size;
    s.amplitude = amplitude;
    s.resident = !loop && reachedEnd;
    s.endCountdown = s.resident ? (size <= kVoiceHalfBytes ? 1 : 2) : 0;
    s.preload = std::move(preload);
    s.serial = nextSerial();
    return true;
}

void Sampler::releaseChannelContent(int channel)
{
    const auto c = static_cast<std::size_t>(channel);
    {
        const std::lock_guard lock(stateMutex_);
        if (program_[c] < 0 && !drum_[c])
            return;
    }
    setStatus("Releasing channel " + std::to_string(channel + 1), false);
    for (auto& slot : slots_) {
        Slot& s = *slot;
        for (;;) {
            std::unique_lock lock(s.mutex);
            if (s.free || !s.master || !s.use[c])
                break;
            if (s.refCount > 0) {
                // A note on is copying from it; it gives the count back shortly.
                lock.unlock();
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
                continue;
            }
            s.use[c] = false;
            if (!s.usedByAny()) {
                s.preload.clear();
                s.preload.shrink_to_fit();
                s.name.clear();
                s.master = false;
                s.free = true;
            }
            break;
        }
    }
    stopVoices([channel](const Slot& s) { return s.channel == channel; });
    const std::lock_guard lock(stateMutex_);
    program_[c] = -1;
    drum_[c] = false;
}

// ---- voices ----

std::uint64_t Sampler::nextSerial()
{
    const std::lock_guard lock(serialMutex_);
    return ++serial_;
}

void Sampler::startVoice(int channel, int key, int velocity)
{
    if (velocity == 0) {
        releaseVoices(channel, key);
        return;
    }
    reapThreads();
    startVoiceLocked(channel, key, velocity);
}

int Sampler::findMaster(const std::string& name, int channel)
{
    for (int i = 0; i < kVoiceSlots; ++i) {
        Slot& s = *slots_[static_cast<std::size_t>(i)];
        const std::lock_guard lock(s.mutex);
        if (!s.free && s.master && s.use[static_cast<std::size_t>(channel)] && s.name == name) {
            ++s.refCount;
            return i;
        }
    }
    return -1;
}

int Sampler::takeFreeVoiceSlot()
{
    for (int i = kVoiceSlots - 1; i >= 0; --i) {
        Slot& s = *slots_[static_cast<std::size_t>(i)];
        const std::lock_guard lock(s.mutex);
        if (!s.free)
            continue;
        s.free = false;
        s.master = false;
        s.playing = false;
        s.serial = nextSerial();
        return i;
    }
    return -1;
}

std::pair<int, bool> Sampler::loadedContent(int channel) const
{
    const std::lock_guard lock(stateMutex_);
    const auto c = static_cast<std::size_t>(channel);
    return {program_[c], drum_[c]};
}

bool Sampler::startVoiceLocked(int channel, int key, int velocity)
{
    const auto [program, drum] = loadedContent(channel);
    if (program < 0)
        return false;
    const std::string keyName(noteName(key));
    const std::string programName =
        drum ? std::string(drumKitName(device_.liveState.mode(), program)) : std::string(gmProgramName(program));

    std::string name;
    double ratio = 1.0;
    {
        // A content update holds the map for a while; the note then finds nothing rather
        // than wait for it on the sending thread.
        std::unique_lock lock(sampleMapLock(), std::try_to_lock);
        if (lock.owns_lock() && map_.loaded()) {
            const SampleList& list = drum ? map_.drum(key) : map_.program(program);
            const SampleChoice choice =
                drum ? chooseDrumSample(list, velocity) : chooseProgramSample(list, key, velocity);
            if (choice.entry >= 0) {
                name = list[static_cast<std::size_t>(choice.entry)].name;
                ratio = choice.ratio;
            }
        }
    }
    const auto noSample = [&] {
        warn(warningHead(channel) + ",key " + keyName + ", program " + programName +
             "\r\nno (matching) wave file found in .igr");
        setStatus("MIDI Channel " + std::to_string(channel + 1) + "\nProgram " + programName +
                      "\n\nNo (matching) wave file found in .igr",
                  true);
        return false;
    };
    if (name.empty())
        return noSample();

    SoundMixer* mixer = nullptr;
    {
        std::vector<IsgChannelRoute> routes;
        for (const std::string& text : device_.generatorEntries)
            if (auto parsed = IsgChannelRoute::parse(text); parsed.route)
                routes.push_back(*parsed.route);
        const IsgChannelRoute* chosen = nullptr;
        for (const auto& r : routes)
            if (r.channel == channel && r.drumKey && *r.drumKey == key) {
                chosen = &r;
                break;
            }
        if (!chosen)
            for (const auto& r : routes)
                if (r.channel == channel && !r.drumKey) {
                    chosen = &r;
                    break;
                }
        if (chosen && mixers_)
            mixer = mixers_(*chosen);
    }
    if (!mixer) {
        warn(warningHead(channel) + "\r\nno (open) DirectX-sound device mapped");
        setStatus("\n\nNo (open) DirectX-sound device mapped", true);
        return false;
    }

    const int master = findMaster(name, channel);
    if (master < 0)
        return noSample();
    Slot& m = *slots_[static_cast<std::size_t>(master)];
    const auto giveBack = [&] {
        const std::lock_guard lock(m.mutex);
        --m.refCount;
    };
    const std::string path = SampleDirectory(directory()).resolve(name);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        warn(warningHead(channel) + ",key " + keyName + "\r\ncan't open " + name);
        giveBack();
        return false;
    }
    const int index = takeFreeVoiceSlot();
    if (index < 0) {
        warn(warningHead(channel) + ",key " + keyName + " no free voice");
        setStatus("No free voices", true);
        std::fclose(file);
        giveBack();
        return false;
    }
    Slot& v = *slots_[static_cast<std::size_t>(index)];
    const auto freeVoiceSlot = [&] {
        const std::lock_guard lock(v.mutex);
        v.free = true;
    };

    // The reference count keeps the mastervoice's fields and preload alive from here on.
    SoundBufferFormat format;
    format.channels = m.channels;
    auto buffer = std::make_shared<SoundBuffer>(format, m.preload.size());

    const DeviceMidiState& state = device_.liveState;
    const int sensitivity =
        state.rpnValue(channel, state.definition().slotOf(ParamKind::Rpn, kPitchBendSensitivityRpn));
    const std::int64_t frequency = voiceFrequency(ratio, state.pitchBend(channel), sensitivity);
    if (frequency > kMaxVoiceFrequency) {
        warn(warningHead(channel) + ", key " + keyName + " not started." +
             "\r\nTotal frequency (key plus pitch wheel) for " + keyName + " too high." +
             "\r\nPlease create samples with higher keys !");
        std::fclose(file);
        freeVoiceSlot();
        giveBack();
        return false;
    }
    buffer->setFrequency(static_cast<std::uint32_t>(frequency));

    auto thread = std::make_unique<CNotifyThread>();
    {
        const std::lock_guard lock(v.mutex);
        const std::lock_guard masterLock(m.mutex);
        SoundBuffer::Region region;
        if (buffer->lock(0, m.preload.size(), region)) {
            std::memcpy(region.first.data(), m.preload.data(), region.first.size());
            if (!region.second.empty())
                std::memcpy(region.second.data(), m.preload.data() + region.first.size(), region.second.size());
            buffer->unlock(region);
        }
        v.channels = m.channels;
        v.gain = m.gain;
        v.dataStart = m.dataStart;
        v.endOffset = m.endOffset;
        v.loop = m.loop;
        v.loopStart = m.loopStart;
        v.endCountdown = m.endCountdown;
        v.resident = m.resident;
        v.filePos = m.filePos;
        v.ringWrite = m.ringWrite % kVoiceRingBytes;
        v.amplitude = m.amplitude;
        v.name = name;
        --m.refCount;

        v.ratio = ratio;
        v.frequency = static_cast<std::uint32_t>(frequency);
        v.channel = channel;
        v.key = key;
        v.velocity = velocity;
        v.program = program;
        v.drum = drum;
        v.playing = true;
        v.releaseLength = 0;
        v.releasePos = 0;
        v.skipNext = true;
        v.file = file;
        v.buffer = buffer;
        v.mixer = mixer;
        buffer->setPosition(0);
        std::vector<std::size_t> positions{0};
        if (!v.resident)
            positions.push_back(kVoiceHalfBytes);
        else {
            if (v.endCountdown == 2)
                positions.push_back(kVoiceHalfBytes);
            positions.push_back(kStopPosition);
        }
        buffer->setNotifications(positions, &thread->notification());
        applyMix(v);
        if (!offline_) {
            const std::uint64_t serial = v.serial;
            thread->start({[this, index, serial] { return refill(index, serial) == Continue; }, {}, {}});
        }
        v.thread = std::move(thread);
    }
    const std::uint64_t serial = [&] {
        const std::lock_guard lock(v.mutex);
        return v.serial;
    }();
    if (!mixer->add(buffer)) {
        stopVoice(index, serial, StopMode::FreeSlot);
        return false;
    }
    buffer->play(!v.resident);
    return true;
}

void Sampler::applyMix(Slot& v)
{
    const DeviceMidiState& state = device_.liveState;
    const MidiModeDefinition& def = state.definition();
    const auto controller = [&](int number) {
        const int slot = def.slotOf(ParamKind::Controller, number);
        return slot >= 0 ? state.controllerValue(v.channel, slot) : 127;
    };
    int pan = controller(Cc::Pan);
    if (v.drum) {
        if (state.mode() == MidiMode::GM2) {
            // GM2 keeps per-key pan in the channel's key map, not in a drum map.
            const int keyMap = state.keyMapOfChannel(v.channel);
            const int slot = def.keyBasedSlotOf(Cc::Pan);
            if (keyMap >= 0 && slot >= 0)
                pan = state.keyBasedValue(keyMap, v.key, slot);
        } else {
            const int drumMap = state.drumMapOfPart(state.partOfChannel(v.channel));
            const int slot = def.slotOf(ParamKind::DrumNrpn, kDrumPanNrpn);
            if (drumMap >= 0 && slot >= 0)
                pan = state.drumNrpnValue(drumMap, v.key, slot);
        }
    }
    if (pan < 0)
        pan = 64;
    const double g = levelCurve(v.velocity) * v.gain * levelCurve(controller(Cc::Expression)) *
                     levelCurve(controller(Cc::Volume)) * levelCurve(state.masterVolume() >> 7);
    const VolumePan vp = volumeAndPan(g, pan);
    v.volumeFactor = std::pow(10.0, vp.volume / 2000.0);
    if (v.buffer) {
        v.buffer->setVolume(vp.volume);
        v.buffer->setPan(vp.pan);
    }
}

void Sampler::stopVoice(int index, std::uint64_t serial, StopMode mode)
{
    Slot& s = *slots_[static_cast<std::size_t>(index)];
    std::shared_ptr<SoundBuffer> buffer;
    SoundMixer* mixer = nullptr;
    std::FILE* file = nullptr;
    std::unique_ptr<CNotifyThread> thread;
    {
        const std::lock_guard lock(s.mutex);
        if (!s.isVoice() || s.serial != serial)
            return;
        buffer = std::move(s.buffer);
        mixer = s.mixer;
        s.mixer = nullptr;
        file = s.file;
        s.file = nullptr;
        thread = std::move(s.thread);
        s.playing = false;
        if (mode == StopMode::FreeSlot)
            s.free = true;
    }
    // Out of the mixer and stopped first, so that nothing signals the thread's event once
    // the thread is gone.
    if (mixer && buffer)
        mixer->remove(buffer.get());
    if (buffer) {
        buffer->stop();
        buffer->setNotifications({}, nullptr);
    }
    if (thread) {
        thread->requestStop();
        thread->join();
    }
    if (file)
        std::fclose(file);
}

template <typename Match> void Sampler::stopVoices(Match match)
{
    std::vector<std::pair<int, std::uint64_t>> found;
    for (int i = 0; i < kVoiceSlots; ++i) {
        Slot& s = *slots_[static_cast<std::size_t>(i)];
        const std::lock_guard lock(s.mutex);
        if (s.isVoice() && match(s))
            found.emplace_back(i, s.serial);
    }
    for (const auto& [index, serial] : found)
        stopVoice(index, serial, StopMode::FreeSlot);
}

void Sampler::releaseVoices(int channel, int key)
{
    int found = -1;
    std::uint64_t earliest = std::numeric_limits<std::uint64_t>::max();
    for (int i = 0; i < kVoiceSlots; ++i) {
        Slot& s = *slots_[static_cast<std::size_t>(i)];
        const std::lock_guard lock(s.mutex);
        if (s.isVoice() && s.channel == channel && s.key == key && s.releaseLength == 0 && s.serial < earliest) {
            earliest = s.serial;
            found = i;
        }
    }
    if (found < 0)
        return;
    Slot& s = *slots_[static_cast<std::size_t>(found)];
    {
        const std::lock_guard lock(s.mutex);
        if (!s.isVoice() || s.serial != earliest)
            return;
        if (s.drum && !s.loop)
            return; // a one-shot drum plays to its end
        if (s.playing) {
            const DeviceMidiState& state = device_.liveState;
            const MidiModeDefinition& def = state.definition();
            const int nrpnSlot = def.slotOf(ParamKind::Nrpn, kReleaseTimeNrpn);
            int r = nrpnSlot >= 0 ? state.nrpnValue(channel, nrpnSlot) : -1;
            if (r < 0 || r == 64) {
                const int ccSlot = def.slotOf(ParamKind::Controller, kReleaseController);
                r = ccSlot >= 0 ? state.controllerValue(channel, ccSlot) : 64;
            }
            const int ms = releaseMilliseconds(r, s.program);
            auto bytes = static_cast<std::int64_t>(ms * (s.channels == 2 ? 176.4 : 88.2));
            s.releaseLength = bytes == 0 ? 20 : bytes;
            s.releasePos = 0;
            return;
        }
    }
    stopVoice(found, earliest, StopMode::FreeSlot);
}

void Sampler::stopOpenHiHat(int channel)
{
    stopVoices([channel](const Slot& s) { return s.channel == channel && s.key == 46 && s.playing; });
}

std::vector<int> Sampler::retuneChannel(int channel)
{
    std::vector<int> refused;
    const DeviceMidiState& state = device_.liveState;
    const int sensitivity =
        state.rpnValue(channel, state.definition().slotOf(ParamKind::Rpn, kPitchBendSensitivityRpn));
    const int bend = state.pitchBend(channel);
    for (auto& slot : slots_) {
        Slot& s = *slot;
        const std::lock_guard lock(s.mutex);
        if (!s.isVoice() || !s.playing || s.channel != channel || s.releaseLength != 0 || !s.buffer)
            continue;
        const std::int64_t f = voiceFrequency(s.ratio, bend, sensitivity);
        if (f > kMaxVoiceFrequency) {
            refused.push_back(s.key);
            continue;
        }
        s.frequency = static_cast<std::uint32_t>(f);
        s.buffer->setFrequency(s.frequency);
    }
    return refused;
}

void Sampler::updateChannelMix(int channel, int)
{
    for (auto& slot : slots_) {
        Slot& s = *slot;
        const std::lock_guard lock(s.mutex);
        if (s.isVoice() && s.playing && s.channel == channel)
            applyMix(s);
    }
}

void Sampler::releaseChannel(int channel)
{
    stopVoices([channel](const Slot& s) { return s.channel == channel; });
}

void Sampler::releaseAll()
{
    stopVoices([](const Slot&) { return true; });
}

void Sampler::reloadSamples()
{
    if (offline_) {
        // A render keeps its timing only if a note right after a program change finds its
        // samples: load on the sending thread, which holds the send lock already. The
        // render waited for the group's load, so no content run is left and this thread is
        // the content's only user; the content lock is not taken here, as a content run
        // takes it before the send lock and the opposite order could deadlock.
        channelUpdate(true);
        return;
    }
    updateContent(false);
}

Sampler::Refill Sampler::refill(int index, std::uint64_t serial)
{
    Slot& s = *slots_[static_cast<std::size_t>(index)];
    std::unique_lock lock(s.mutex);
    if (!s.isVoice() || s.serial != serial || !s.buffer)
        return Ended;
    if (s.skipNext) {
        s.skipNext = false;
        // The first signal is playback passing offset 0 as it starts.
        if (s.buffer->playing() && s.buffer->position() < kVoiceHalfBytes)
            return Continue;
    }
    if (s.endCountdown == 0) {
        const std::size_t half = s.ringWrite % kVoiceRingBytes;
        std::array<std::uint8_t, kVoiceHalfBytes> data{};
        bool reachedEnd = false;
        readWrapped(s.file, s.filePos, data.data(), data.size(), s.loop, s.loopStart, s.endOffset, reachedEnd);
        bool releaseDone = false;
        if (s.releaseLength > 0) {
            for (std::size_t at = 0; at + 1 < data.size(); at += 2) {
                std::int16_t v;
                std::memcpy(&v, data.data() + at, 2);
                if (s.releasePos < s.releaseLength) {
                    v = static_cast<std::int16_t>(v * (1.0 - static_cast<double>(s.releasePos) / s.releaseLength));
                    s.releasePos += 2;
                } else {
                    v = 0;
                }
                std::memcpy(data.data() + at, &v, 2);
            }
            releaseDone = s.releasePos >= s.releaseLength;
        }
        const auto a = amplitudeOf(data.data(), data.size(), s.channels);
        const std::size_t which = half == 0 ? 0 : 2;
        s.amplitude[which] = a[0];
        s.amplitude[which + 1] = a[1];
        if ((!s.loop && reachedEnd) || releaseDone)
            s.endCountdown = 2;
        SoundBuffer::Region region;
        if (s.buffer->lock(half, kVoiceHalfBytes, region)) {
            std::memcpy(region.first.data(), data.data(), region.first.size());
            s.buffer->unlock(region);
        }
        s.ringWrite = (half + kVoiceHalfBytes) % kVoiceRingBytes;
        const double level = s.volumeFactor * 32.0 / 32768.0;
        lock.unlock();
        const std::lock_guard levels(levelMutex_);
        levels_[0] = std::max(levels_[0], a[0] * level);
        levels_[1] = std::max(levels_[1], a[1] * level);
        return Continue;
    }
    if (--s.endCountdown >= 1) {
        if (!s.resident) {
            SoundBuffer::Region region;
            if (s.buffer->lock(s.ringWrite % kVoiceRingBytes, kVoiceHalfBytes, region)) {
                std::fill(region.first.begin(), region.first.end(), std::uint8_t{0});
                s.buffer->unlock(region);
            }
        }
        s.ringWrite = (s.ringWrite + kVoiceHalfBytes) % kVoiceRingBytes;
        return Continue;
    }
    // The data has played out: the voice ends. Its thread leaves once this returns.
    std::shared_ptr<SoundBuffer> buffer = std::move(s.buffer);
    SoundMixer* mixer = s.mixer;
    s.mixer = nullptr;
    std::FILE* file = s.file;
    s.file = nullptr;
    s.playing = false;
    s.amplitude.fill(0);
    if (s.releaseLength > 0 || s.drum) {
        s.free = true;
        if (s.thread) {
            const std::lock_guard workers(workersMutex_);
            ended_.push_back(std::move(s.thread));
        }
    }
    lock.unlock();
    if (mixer && buffer)
        mixer->remove(buffer.get());
    if (buffer) {
        buffer->stop();
        buffer->setNotifications({}, nullptr);
    }
    if (file)
        std::fclose(file);
    return Ended;
}

void Sampler::serviceRefills()
{
    std::vector<std::pair<int, std::uint64_t>> due;
    for (int i = 0; i < kVoiceSlots; ++i) {
        Slot& s = *slots_[static_cast<std::size_t>(i)];
        const std::lock_guard lock(s.mutex);
        if (s.isVoice() && s.thread && s.buffer && s.thread->notification().isSet() &&
            // consumes the signal; only asked when set, a timed wait costs a system call
            s.thread->notification().waitFor(std::chrono::seconds(0)))
            due.emplace_back(i, s.serial);
    }
    for (const auto& [index, serial] : due) {
        if (refill(index, serial) == Ended) {
            Slot& s = *slots_[static_cast<std::size_t>(index)];
            const std::lock_guard lock(s.mutex);
            if (s.serial == serial && s.thread)
                s.thread->finished().set();
        }
    }
    reapThreads();
}

void Sampler::reapThreads()
{
    std::vector<std::unique_ptr<CNotifyThread>> done;
    {
        const std::lock_guard lock(workersMutex_);
        done.swap(ended_);
    }
    for (auto& t : done)
        t->join();
}

// ---- reporting ----

void Sampler::warn(const std::string& text)
{
    if (monitor_ && monitor_->active())
        monitor_->addLine(-1, text);
    if (warningListener_)
        warningListener_(text);
}

void Sampler::setStatus(const std::string& text, bool error)
{
    const std::lock_guard lock(stateMutex_);
    // The status line keeps its width: a shorter text is padded over the old one.
    statusWidth_ = std::max(statusWidth_, text.size());
    status_.text = text + std::string(statusWidth_ - text.size(), ' ');
    status_.error = error;
    status_.countdown = kStatusCountdown;
}

std::vector<std::string> Sampler::contentLines() const
{
    // A load holds the content lock for its whole run; the dialog must not wait for it.
    std::unique_lock content(contentLock(), std::try_to_lock);
    if (!content.owns_lock())
        return igrContentLines(map_, true, {});
    std::vector<MastervoiceUse> mastervoices;
    for (const auto& slot : slots_) {
        const std::lock_guard lock(slot->mutex);
        if (slot->free || !slot->master)
            continue;
        MastervoiceUse use{slot->name, {}};
        for (int c = 0; c < 16; ++c)
            if (slot->use[static_cast<std::size_t>(c)])
                use.channels.push_back(c);
        mastervoices.push_back(std::move(use));
    }
    return igrContentLines(map_, false, mastervoices);
}

void Sampler::setLoadedIgrPath(std::string path)
{
    const std::lock_guard lock(stateMutex_);
    loadedIgrPath_ = std::move(path);
}

SamplerStatus Sampler::status() const
{
    const std::lock_guard lock(stateMutex_);
    return status_;
}

void Sampler::tickStatus()
{
    const std::lock_guard lock(stateMutex_);
    if (status_.countdown > 0)
        --status_.countdown;
}

int Sampler::voiceCount() const
{
    int n = 0;
    for (const auto& slot : slots_) {
        const std::lock_guard lock(slot->mutex);
        n += slot->isVoice() ? 1 : 0;
    }
    return n;
}

int Sampler::mastervoiceCount() const
{
    int n = 0;
    for (const auto& slot : slots_) {
        const std::lock_guard lock(slot->mutex);
        n += !slot->free && slot->master ? 1 : 0;
    }
    return n;
}

int Sampler::loadedProgram(int channel) const
{
    const std::lock_guard lock(stateMutex_);
    return program_[static_cast<std::size_t>(channel)];
}

bool Sampler::drumLoaded(int channel) const
{
    const std::lock_guard lock(stateMutex_);
    return drum_[static_cast<std::size_t>(channel)];
}

std::array<double, 2> Sampler::takeLevels()
{
    const std::lock_guard lock(levelMutex_);
    const auto out = levels_;
    levels_ = {};
    return out;
}

} // namespace velisto
