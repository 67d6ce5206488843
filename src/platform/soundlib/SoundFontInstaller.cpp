#include "soundlib/SoundFontInstaller.h"

#include "app/ProfileStore.h"
#include "app/Progress.h"
#include "app/SafeFileWrite.h"
#include "sampler/IgrFile.h"
#include "sampler/SampleMap.h"
#include "sampler/SampleWaveWriter.h"

#include <libgig/SF.h>
#include <samplerate.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <tuple>

#include <sys/wait.h>
#include <unistd.h>

namespace velisto {

namespace {

constexpr double kOutputRate = 44100.0;
// libgig marks generators a zone does not set with this value.
constexpr int kUnset = 0x1FFFFFF;

struct Range {
    int low = 0;
    int high = 127;
};

Range rangeOf(int low, int high)
{
    Range range;
    if (low != kUnset && low >= 0)
        range.low = std::min(low, 127);
    if (high != kUnset && high >= 0)
        range.high = std::min(high, 127);
    return range;
}

Range intersect(Range a, Range b) { return {std::max(a.low, b.low), std::min(a.high, b.high)}; }

// One .wav to write: a SoundFont sample pitched, trimmed to a velocity range and looped
// as one zone plays it.
struct SampleJob {
    sf2::Sample* sample = nullptr;
    double cents = 0; // pitch shift baked into the converted sample
    int key = 60;     // original key stored in the file
    Range keys;
    Range velocities;
    std::optional<SampleLoop> loop; // in the SoundFont sample's frames
    std::string name;

    auto identity() const
    {
        return std::make_tuple(sample, std::lround(cents * 100), key, keys.low, keys.high, velocities.low,
                               velocities.high, loop.has_value(), loop ? loop->start : 0u, loop ? loop->end : 0u);
    }
};

// What one zone of a preset plays; the preset zone narrows the instrument zone's ranges
// and adds its tuning.
struct Zone {
    sf2::Region* region = nullptr;
    sf2::Region* presetRegion = nullptr;
    Range keys;
    Range velocities;
};

bool isRightHalf(const sf2::Sample& sample) { return (sample.SampleType & sf2::Sample::RIGHT_SAMPLE) != 0; }
bool isLeftHalf(const sf2::Sample& sample) { return (sample.SampleType & sf2::Sample::LEFT_SAMPLE) != 0; }
bool isRomSample(const sf2::Sample& sample) { return (sample.SampleType & 0x8000) != 0; }

std::vector<Zone> zonesOf(sf2::Preset& preset)
{
    std::vector<Zone> zones;
    for (int p = 0; p < preset.GetRegionCount(); ++p) {
        sf2::Region* presetRegion = preset.GetRegion(p);
        sf2::Instrument* instrument = presetRegion ? presetRegion->pInstrument : nullptr;
        if (instrument == nullptr)
            continue;
        const Range presetKeys = rangeOf(presetRegion->loKey, presetRegion->hiKey);
        const Range presetVelocities = rangeOf(presetRegion->minVel, presetRegion->maxVel);
        std::vector<Zone> instrumentZones;
        for (int i = 0; i < instrument->GetRegionCount(); ++i) {
            sf2::Region* region = instrument->GetRegion(i);
            if (region == nullptr || region->pSample == nullptr || isRomSample(*region->pSample))
                continue;
            const Zone zone{region, presetRegion, intersect(presetKeys, rangeOf(region->loKey, region->hiKey)),
                            intersect(presetVelocities, rangeOf(region->minVel, region->maxVel))};
            if (zone.keys.low <= zone.keys.high && zone.velocities.low <= zone.velocities.high)
                instrumentZones.push_back(zone);
        }
        // The samples are mono: of a stereo pair only the left half is kept.
        for (const Zone& zone : instrumentZones) {
            const bool pairedRight =
                isRightHalf(*zone.region->pSample) &&
                std::any_of(instrumentZones.begin(), instrumentZones.end(), [&](const Zone& other) {
                    return isLeftHalf(*other.region->pSample) && other.keys.low == zone.keys.low &&
                           other.keys.high == zone.keys.high && other.velocities.low == zone.velocities.low &&
                           other.velocities.high == zone.velocities.high;
                });
            if (!pairedRight)
                zones.push_back(zone);
        }
    }
    return zones;
}

// The key at which the SoundFont plays the sample unshifted.
int rootKey(sf2::Region& region)
{
    if (region.overridingRootKey >= 0 && region.overridingRootKey <= 127)
        return region.overridingRootKey;
    const int pitch = region.pSample->OriginalPitch;
    return pitch <= 127 ? pitch : 60;
}

// Coarse and fine tune of both zones plus the sample's own correction, in cents.
double tuningCents(sf2::Region& zone, sf2::Region* presetZone)
{
    return 100.0 * zone.GetCoarseTune(presetZone) + zone.GetFineTune(presetZone) +
           static_cast<std::int8_t>(zone.pSample->PitchCorrection);
}

SampleJob jobFor(const Zone& zone, int playedKey, Range velocities)
{
    SampleJob job;
    sf2::Region& region = *zone.region;
    job.sample = region.pSample;
    const int root = rootKey(region);
    job.key = playedKey;
    job.cents = tuningCents(region, zone.presetRegion) + 100.0 * (playedKey - root);
    job.keys = zone.keys;
    job.velocities = {std::max(velocities.low, 1), std::max(velocities.high, 1)};
    const auto frames = static_cast<std::uint32_t>(std::max(0L, job.sample->GetTotalFrameCount()));
    if (region.HasLoop && region.LoopStart < region.LoopEnd && region.LoopEnd <= frames)
        job.loop = SampleLoop{region.LoopStart, region.LoopEnd};
    return job;
}

// A program zone's original key: its root key, moved into the zone's key range (the
// group keeps no key ranges, so a sample is chosen by its original key alone) and into
// 1..127 (0 means "no key" in the files). A moved key is made up by pitching the sample.
int programKey(const Zone& zone)
{
    const int root = rootKey(*zone.region);
    return std::clamp(std::clamp(root, zone.keys.low, zone.keys.high), 1, 127);
}

sf2::Preset* findPreset(sf2::File& file, int bank, int program)
{
    for (int i = 0; i < file.GetPresetCount(); ++i) {
        sf2::Preset* preset = file.GetPreset(i);
        if (preset != nullptr && preset->Bank == bank && preset->PresetNum == program)
            return preset;
    }
    return nullptr;
}

// The standard drum kit, else the lowest-numbered kit of the percussion bank.
sf2::Preset* findDrumKit(sf2::File& file)
{
    if (sf2::Preset* standard = findPreset(file, 128, 0))
        return standard;
    sf2::Preset* best = nullptr;
    for (int i = 0; i < file.GetPresetCount(); ++i) {
        sf2::Preset* preset = file.GetPreset(i);
        if (preset != nullptr && preset->Bank == 128 && (best == nullptr || preset->PresetNum < best->PresetNum))
            best = preset;
    }
    return best;
}

std::string numbered(const char* format, int a, int b, int c = 0)
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), format, a, b, c);
    return text.data();
}

struct Plan {
    std::vector<SampleJob> jobs;                                  // one per file
    std::array<std::vector<std::string>, kIgrListCount> programs; // names per list
    std::array<std::vector<std::string>, kIgrListCount> drums;
    std::vector<std::string> notes;
};

// Adds job to list, sharing the file of an identical job of an earlier list.
void addToList(Plan& plan, std::map<decltype(SampleJob{}.identity()), std::size_t>& known,
               std::vector<std::string>& list, SampleJob job, int& dropped)
{
    const auto identity = job.identity();
    const auto found = known.find(identity);
    const std::string& name = found != known.end() ? plan.jobs[found->second].name : job.name;
    if (std::find(list.begin(), list.end(), name) != list.end())
        return;
    if (static_cast<int>(list.size()) >= kMaxSamplesPerList) {
        ++dropped;
        return;
    }
    list.push_back(name);
    if (found == known.end()) {
        known.emplace(identity, plan.jobs.size());
        plan.jobs.push_back(std::move(job));
    }
}

Plan planInstall(sf2::File& file)
{
    Plan plan;
    std::map<decltype(SampleJob{}.identity()), std::size_t> known;
    for (int program = 0; program < kIgrListCount; ++program) {
        sf2::Preset* preset = findPreset(file, 0, program);
        if (preset == nullptr) {
            plan.notes.push_back("program " + std::to_string(program + 1) + ": not in the SoundFont");
            continue;
        }
        int dropped = 0;
        int index = 0;
        for (const Zone& zone : zonesOf(*preset)) {
            SampleJob job = jobFor(zone, programKey(zone), zone.velocities);
            job.name = numbered("p%03d_%02d_%03d.wav", program, index, job.key);
            const std::size_t before = plan.jobs.size();
            addToList(plan, known, plan.programs[static_cast<std::size_t>(program)], std::move(job), dropped);
            index += plan.jobs.size() > before ? 1 : 0;
        }
        if (dropped > 0)
            plan.notes.push_back("program " + std::to_string(program + 1) + ": " + std::to_string(dropped) +
                                 " zones beyond " + std::to_string(kMaxSamplesPerList) + " left out");
    }

    sf2::Preset* kit = findDrumKit(file);
    if (kit == nullptr) {
        plan.notes.push_back("the SoundFont has no drum kit");
        return plan;
    }
    if (kit->PresetNum != 0)
        plan.notes.push_back("drums taken from kit " + std::to_string(kit->PresetNum + 1) + " \"" + kit->Name + "\"");
    const std::vector<Zone> zones = zonesOf(*kit);
    for (int key = 0; key < kIgrListCount; ++key) {
        int dropped = 0;
        int index = 0;
        for (const Zone& zone : zones) {
            if (key < zone.keys.low || key > zone.keys.high)
                continue;
            // Drum samples are played unshifted whatever their key: each key gets its
            // sample pitched the way the SoundFont plays it on that key.
            SampleJob job = jobFor(zone, key, zone.velocities);
            job.key = std::max(key, 1);
            job.keys = {key, key};
            job.name = numbered("d%03d_%02d.wav", key, index);
            const std::size_t before = plan.jobs.size();
            addToList(plan, known, plan.drums[static_cast<std::size_t>(key)], std::move(job), dropped);
            index += plan.jobs.size() > before ? 1 : 0;
        }
        if (dropped > 0)
            plan.notes.push_back("drum key " + std::to_string(key) + ": " + std::to_string(dropped) + " zones beyond " +
                                 std::to_string(kMaxSamplesPerList) + " left out");
    }
    return plan;
}

// The sample's frames as floats in -1..1; a half of a stereo pair gives its own channel.
bool readSample(sf2::Sample& sample, std::vector<float>& out, std::string& error)
{
    const long frames = sample.GetTotalFrameCount();
    const int channels = std::max(1, sample.GetChannelCount());
    const int bytesPerSample = sample.GetFrameSize() / channels;
    if (frames <= 0 || (bytesPerSample != 2 && bytesPerSample != 3)) {
        error = "sample \"" + sample.Name + "\" has no usable data";
        return false;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames) * static_cast<std::size_t>(sample.GetFrameSize()));
    sample.SetPos(0);
    const unsigned long got = sample.Read(bytes.data(), static_cast<unsigned long>(frames));
    const int channel = (channels == 2 && isRightHalf(sample)) ? 1 : 0;
    out.resize(got);
    for (std::size_t i = 0; i < got; ++i) {
        const std::uint8_t* at =
            bytes.data() + (i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)) *
                               static_cast<std::size_t>(bytesPerSample);
        // Little-endian; 24-bit samples keep their upper 16 bits' worth of precision in the float.
        std::int32_t value = bytesPerSample == 2
                                 ? static_cast<std::int16_t>(at[0] | (at[1] << 8))
                                 : (static_cast<std::int32_t>(at[0] << 8 | at[1] << 16 | at[2] << 24) >> 8);
        out[i] = static_cast<float>(value) / (bytesPerSample == 2 ? 32768.0f : 8388608.0f);
    }
    if (got == 0) {
        error = "sample \"" + sample.Name + "\" could not be read";
        return false;
    }
    return true;
}

bool resample(const std::vector<float>& in, double ratio, std::vector<float>& out, std::string& error)
{
    if (std::abs(ratio - 1.0) < 1e-9) {
        out = in;
        return true;
    }
    if (!src_is_valid_ratio(ratio)) {
        error = "pitch shift too large to convert";
        return false;
    }
    out.assign(static_cast<std::size_t>(std::ceil(static_cast<double>(in.size()) * ratio)) + 64, 0.0f);
    SRC_DATA data{};
    data.data_in = in.data();
    data.input_frames = static_cast<long>(in.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = ratio;
    data.end_of_input = 1;
    if (const int status = src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1); status != 0) {
        error = src_strerror(status);
        return false;
    }
    out.resize(static_cast<std::size_t>(data.output_frames_gen));
    return true;
}

std::vector<std::int16_t> toPcm16(const std::vector<float>& in)
{
    std::vector<std::int16_t> out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::clamp(std::lround(in[i] * 32768.0f), -32768L, 32767L));
    return out;
}

// Converts and writes one job; the loop is scaled with the frames and kept inside them.
bool writeJob(const SampleJob& job, const std::string& folder, std::int64_t& bytes, std::string& error)
{
    std::vector<float> source;
    if (!readSample(*job.sample, source, error))
        return false;
    const double ratio = kOutputRate / (job.sample->SampleRate * std::pow(2.0, job.cents / 1200.0));
    std::vector<float> converted;
    if (!resample(source, ratio, converted, error)) {
        error = "sample \"" + job.sample->Name + "\": " + error;
        return false;
    }
    if (converted.empty())
        converted.push_back(0.0f);
    SampleWaveInfo info;
    info.originalKey = job.key;
    info.lowKey = job.keys.low;
    info.highKey = job.keys.high;
    info.velocityLow = job.velocities.low;
    info.velocityHigh = job.velocities.high;
    if (job.loop) {
        const auto frames = static_cast<long>(converted.size());
        const long start = std::clamp(std::lround(job.loop->start * ratio), 0L, frames - 1);
        const long end = std::clamp(std::lround(job.loop->end * ratio), 0L, frames);
        if (start < end)
            info.loop = SampleLoop{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end)};
    }
    const std::string path = folder + job.name;
    if (!writeSampleWave(path, toPcm16(converted), info, error))
        return false;
    std::error_code ec;
    bytes += static_cast<std::int64_t>(std::filesystem::file_size(path, ec));
    return true;
}

// libgig reports every out-of-range generator on std::cerr; a user cannot act on those.
class MutedCerr {
public:
    MutedCerr() : saved_(std::cerr.rdbuf(sink_.rdbuf())) {}
    ~MutedCerr() { std::cerr.rdbuf(saved_); }
    MutedCerr(const MutedCerr&) = delete;
    MutedCerr& operator=(const MutedCerr&) = delete;

private:
    std::ostringstream sink_;
    std::streambuf* saved_;
};

// What is wrong with the file's RIFF structure, empty when nothing: every chunk lies
// inside its parent, the three lists a SoundFont needs are there, and the preset, instrument
// and sample tables hold whole records. libgig reads past (or loops on) a structure that
// lies, so it only sees files that pass.
std::string soundFontStructureProblem(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path, ec));
    if (!in || ec)
        return "it can't be read";
    auto readAt = [&](std::int64_t at, char* bytes, std::int64_t count) {
        in.clear();
        in.seekg(at);
        return static_cast<bool>(in.read(bytes, count));
    };
    auto le32 = [](const char* p) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(p[0])) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(p[2])) << 16) |
               (static_cast<std::uint32_t>(static_cast<unsigned char>(p[3])) << 24);
    };
    char header[12];
    if (size < 12 || !readAt(0, header, 12) || std::string(header, 4) != "RIFF" || std::string(header + 8, 4) != "sfbk")
        return "it is not a SoundFont 2 file";
    const std::int64_t riffEnd = 8 + static_cast<std::int64_t>(le32(header + 4));
    if (riffEnd > size || riffEnd < 12)
        return "its length field does not match the file";

    // Record sizes of the tables of the "pdta" list.
    const std::map<std::string, int> records{{"phdr", 38}, {"pbag", 4},  {"pmod", 10}, {"pgen", 4}, {"inst", 22},
                                             {"ibag", 4},  {"imod", 10}, {"igen", 4},  {"shdr", 46}};
    std::map<std::string, bool> lists;
    std::map<std::string, bool> tables;
    for (std::int64_t at = 12; at + 8 <= riffEnd;) {
        char chunk[12];
        if (!readAt(at, chunk, 8))
            return "it ends inside a chunk header";
        const std::int64_t length = le32(chunk + 4);
        const std::int64_t end = at + 8 + length + (length & 1);
        if (at + 8 + length > riffEnd)
            return "a chunk runs past the end of the file";
        if (std::string(chunk, 4) == "LIST") {
            if (length < 4 || !readAt(at + 8, chunk + 8, 4))
                return "a list has no type";
            const std::string type(chunk + 8, 4);
            lists[type] = true;
            for (std::int64_t sub = at + 12; sub + 8 <= at + 8 + length;) {
                char inner[8];
                if (!readAt(sub, inner, 8))
                    return "it ends inside a chunk header";
                const std::int64_t innerLength = le32(inner + 4);
                if (sub + 8 + innerLength > at + 8 + length)
                    return "a chunk runs past the end of its list";
                const std::string id(inner, 4);
                if (type == "pdta" && records.count(id)) {
                    const int record = records.at(id);
                    if (innerLength < record || innerLength % record != 0)
                        return "the \"" + id + "\" table does not hold whole records";
                    tables[id] = true;
                }
                sub += 8 + innerLength + (innerLength & 1);
            }
        }
        at = end;
    }
    for (const char* list : {"INFO", "sdta", "pdta"})
        if (!lists[list])
            return std::string("its \"") + list + "\" list is missing";
    for (const auto& [id, record] : records)
        if (!tables[id])
            return "its \"" + id + "\" table is missing";
    return {};
}

bool readable(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && std::ifstream(path, std::ios::binary).good();
}

SoundInstallResult failed(SoundInstallResult result, std::string error)
{
    result.ok = false;
    result.error = std::move(error);
    return result;
}

} // namespace

std::string systemSoundFont()
{
    for (const char* path : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
                             "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
        if (readable(path))
            return path;
    }
    return {};
}

std::string defaultSoundFolder()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/')
        return std::string(dataHome) + "/velisto/sounds";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.local/share/velisto/sounds";
    return {};
}

static SoundInstallResult installInThisProcess(const SoundInstallOptions& options, Progress* progress)
{
    SoundInstallResult result;
    result.soundFont = options.soundFont.empty() ? systemSoundFont() : options.soundFont;
    if (result.soundFont.empty())
        return failed(result, "No General MIDI SoundFont found (looked for /usr/share/sounds/sf2/TimGM6mb.sf2, "
                              "default-GM.sf2 and FluidR3_GM.sf2); name one with --soundfont");
    if (!readable(result.soundFont))
        return failed(result, "Can't read SoundFont " + result.soundFont);
    if (const std::string problem = soundFontStructureProblem(result.soundFont); !problem.empty())
        return failed(result, "The SoundFont " + result.soundFont + " is damaged: " + problem);

    try {
        std::unique_ptr<RIFF::File> riff;
        std::unique_ptr<sf2::File> soundFont;
        Plan plan;
        {
            const MutedCerr muted;
            riff = std::make_unique<RIFF::File>(result.soundFont);
            soundFont = std::make_unique<sf2::File>(riff.get());
            plan = planInstall(*soundFont);
        }
        result.notes = std::move(plan.notes);
        if (plan.jobs.empty())
            return failed(result, result.soundFont + " holds no General MIDI sounds");

        // Only now that the SoundFont proved usable: a wrong file creates no folder.
        std::string folder = options.destination.empty() ? defaultSoundFolder() : options.destination;
        if (folder.empty())
            return failed(result, "No folder for the sounds: neither XDG_DATA_HOME nor HOME is set");
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!std::filesystem::is_directory(folder, ec))
            return failed(result, "Can't create folder " + folder + (ec ? ": " + ec.message() : std::string()));
        folder = std::filesystem::absolute(folder, ec).lexically_normal().string();
        if (folder.back() != '/')
            folder += '/';
        result.folder = folder;

        if (progress != nullptr)
            progress->begin("Converting " + std::to_string(plan.jobs.size()) + " samples");
        const auto total = static_cast<long long>(plan.jobs.size());
        for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
            std::string error;
            if (!writeJob(plan.jobs[i], folder, result.totalBytes, error)) {
                if (progress != nullptr)
                    progress->end();
                return failed(result, error);
            }
            ++result.sampleCount;
            if (progress != nullptr)
                progress->advance(static_cast<long long>(i) + 1, total);
        }
        if (progress != nullptr)
            progress->end();

        IgrLists lists;
        for (std::size_t i = 0; i < kIgrListCount; ++i) {
            for (const std::string& name : plan.programs[i])
                lists.programs[i] += (lists.programs[i].empty() ? "" : ",") + name;
            for (const std::string& name : plan.drums[i])
                lists.drums[i] += (lists.drums[i].empty() ? "" : ",") + name;
        }
        result.igrPath = folder + kInstalledGroupName;
        const SafeWriteResult written = writeFileSafely(result.igrPath, encodeIgr(lists));
        if (written.status != SafeWriteStatus::Written)
            return failed(result, "Can't write " + result.igrPath +
                                      (written.reason.empty() ? std::string() : ": " + written.reason));
    } catch (const RIFF::Exception& e) {
        return failed(result, result.soundFont + " is no usable SoundFont 2 file: " + e.Message);
    } catch (const std::exception& e) {
        return failed(result, result.soundFont + ": " + e.what());
    }
    result.ok = true;
    return result;
}

namespace {

// The result travels from the installing child as length-prefixed fields.
void putField(std::string& out, const std::string& text) { out += std::to_string(text.size()) + ':' + text; }

bool takeField(const std::string& in, std::size_t& at, std::string& text)
{
    const std::size_t colon = in.find(':', at);
    if (colon == std::string::npos)
        return false;
    std::size_t length = 0;
    for (std::size_t i = at; i < colon; ++i) {
        if (in[i] < '0' || in[i] > '9')
            return false;
        length = length * 10 + static_cast<std::size_t>(in[i] - '0');
    }
    if (colon + 1 + length > in.size())
        return false;
    text = in.substr(colon + 1, length);
    at = colon + 1 + length;
    return true;
}

std::string encodeResult(const SoundInstallResult& result)
{
    std::string out;
    for (const std::string& field :
         {std::string(result.ok ? "1" : "0"), result.error, result.folder, result.igrPath, result.soundFont,
          std::to_string(result.sampleCount), std::to_string(result.totalBytes), std::to_string(result.notes.size())})
        putField(out, field);
    for (const std::string& note : result.notes)
        putField(out, note);
    return out;
}

bool decodeResult(const std::string& in, SoundInstallResult& result)
{
    std::size_t at = 0;
    std::string ok, count, bytes, notes;
    if (!takeField(in, at, ok) || !takeField(in, at, result.error) || !takeField(in, at, result.folder) ||
        !takeField(in, at, result.igrPath) || !takeField(in, at, result.soundFont) || !takeField(in, at, count) ||
        !takeField(in, at, bytes) || !takeField(in, at, notes))
        return false;
    result.ok = ok == "1";
    result.sampleCount = std::atoi(count.c_str());
    result.totalBytes = std::atoll(bytes.c_str());
    for (int n = std::atoi(notes.c_str()); n > 0; --n) {
        std::string note;
        if (!takeField(in, at, note))
            return false;
        result.notes.push_back(std::move(note));
    }
    return true;
}

} // namespace

SoundInstallResult installSoundFont(const SoundInstallOptions& options, Progress* progress)
{
    // libgig trusts the structure of the file it reads, and a damaged SoundFont can crash
    // it. The work runs in a child process, so that such a file ends in a message rather
    // than taking Velisto down; the child reports its result through a pipe.
    int channel[2];
    if (::pipe(channel) != 0)
        return installInThisProcess(options, progress);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(channel[0]);
        ::close(channel[1]);
        return installInThisProcess(options, progress);
    }
    if (child == 0) {
        ::close(channel[0]);
        // A crash here is the damaged file's, and ends only this child: no crash handler of
        // the parent (a sanitizer's, a debugger's) is to report it as Velisto's.
        for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
            std::signal(signal, SIG_DFL);
        const std::string encoded = encodeResult(installInThisProcess(options, progress));
        std::size_t written = 0;
        while (written < encoded.size()) {
            const ssize_t n = ::write(channel[1], encoded.data() + written, encoded.size() - written);
            if (n <= 0)
                ::_exit(1);
            written += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string encoded;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        encoded.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    SoundInstallResult result;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !decodeResult(encoded, result)) {
        result = {};
        result.soundFont = options.soundFont.empty() ? systemSoundFont() : options.soundFont;
        result.error = "The SoundFont " + result.soundFont + " is damaged: reading it failed";
    }
    return result;
}

bool configureInstrumentGroup(ProfileStore& store, const std::string& igrPath, std::string& error)
{
    store.writeString(kAudioSection, kIgrPathKey, igrPath);
    return store.flush(&error);
}

} // namespace velisto
