#include "sampler/MidiToWave.h"

#include "app/FileSync.h"
#include "app/MemoryProfileStore.h"
#include "app/Progress.h"
#include "app/QueueUiNotifier.h"
#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "playback/OutputMonitor.h"
#include "playback/PlayController.h"
#include "playback/SimulatedClock.h"
#include "playback/SimulatedTimer.h"
#include "sampler/SampleMap.h"
#include "sampler/Sampler.h"
#include "sampler/SoundMixer.h"
#include "song/Song.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace velisto {

namespace {

void put16(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

std::vector<std::uint8_t> waveHeader(std::uint32_t dataBytes)
{
    std::vector<std::uint8_t> h{'R', 'I', 'F', 'F'};
    put32(h, 36 + dataBytes);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(h, 16);
    put16(h, 1); // PCM
    put16(h, 2);
    put32(h, kRenderRate);
    put32(h, kRenderRate * 4);
    put16(h, 4);
    put16(h, 16);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    put32(h, dataBytes);
    return h;
}

std::chrono::nanoseconds timeOfFrame(std::int64_t frame)
{
    return std::chrono::nanoseconds(frame * 1'000'000'000LL / kRenderRate);
}

} // namespace

RenderResult renderSongToWave(const Song& original, const RenderOptions& options, const std::string& wavPath)
{
    RenderResult result;
    // The render moves every track to the generator: on a copy, so the user's song keeps
    // its device assignments.
    const auto copy = std::make_unique<Song>(original);
    Song& song = *copy;
    LoopbackMidiPortSystem ports({});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    if (const std::string error = table.open(DeviceTable::kGeneratorIndex); !error.empty()) {
        result.error = error;
        return result;
    }
    OutputDevice& generator = table.device(DeviceTable::kGeneratorIndex);
    for (Track& track : song.tracks)
        track.device = DeviceTable::kGeneratorIndex;

    OutputMonitor monitor(&song); // stays closed: logging every event would slow the render down
    SoundMixer mixer(kRenderRate);
    mixer.master().setGainDb(options.masterGainDb);
    SampleMap map;
    auto sampler = std::make_unique<Sampler>(
        generator, map, [&mixer](const IsgChannelRoute&) { return &mixer; }, &monitor);
    sampler->setOfflineRefills(true);
    int warnings = 0;
    sampler->setWarningListener([&result, &warnings](const std::string& text) {
        if (++warnings <= 100)
            result.warnings += text + "\r\n";
    });
    sampler->setIgrPath(options.igrPath);
    sampler->loadGroup(true);
    if (!map.loaded()) {
        result.error = "The instrument group " + options.igrPath + " could not be loaded: " + sampler->status().text;
        return result;
    }
    {
        const std::lock_guard lock(generator.sendMutex());
        generator.generatorSink = sampler.get();
    }

    // Written beside the target and renamed over it at the end, so a failed or cancelled
    // render never destroys an earlier file of that name.
    const std::string partPath = wavPath + ".vlxpart";
    std::FILE* file = std::fopen(partPath.c_str(), "wb");
    if (!file) {
        result.error = "Can't create " + wavPath;
        return result;
    }
    const auto header = waveHeader(0);
    bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();

    EventOutput output(monitor, [](std::chrono::milliseconds) {}); // no waiting between sysex messages
    SimulatedClock clock;
    SimulatedTimer timer(clock);
    QueueUiNotifier notifier;
    SilentPrompt prompt;
    Settings settings = Settings::defaults("", 0, 0);
    settings.metronom.yn = false;
    PlayEnvironment environment{&song, &table, &output, &monitor, &clock, &timer, &notifier, nullptr, nullptr, nullptr};
    PlayController controller(environment, song, prompt);

    const std::int32_t endTick = songEndTick(song);
    if (options.progress)
        options.progress->begin("Rendering MIDI to .wav");
    std::vector<float> block(kRenderBlockFrames * 2);
    std::vector<std::int16_t> pcm(kRenderBlockFrames * 2);
    std::int64_t frame = 0;
    const auto renderBlock = [&] {
        std::fill(block.begin(), block.end(), 0.0F);
        mixer.render(std::span<float>(block));
        sampler->serviceRefills();
        for (std::size_t i = 0; i < block.size(); ++i)
            pcm[i] = static_cast<std::int16_t>(std::lround(std::clamp(block[i], -1.0F, 1.0F) * 32767.0F));
        written = written && std::fwrite(pcm.data(), sizeof(std::int16_t), pcm.size(), file) == pcm.size();
        frame += static_cast<std::int64_t>(kRenderBlockFrames);
    };

    if (controller.play(0, std::nullopt, settings) == StartOutcome::Started) {
        controller.playThread()->joinWorker();
        while (written && !controller.playThread()->ended()) {
            // The events due before the block starts sound from its first frame.
            timer.advance(timeOfFrame(frame) - clock.now());
            renderBlock();
            if (options.progress && frame % (kRenderBlockFrames * 64) == 0) {
                options.progress->advance(controller.playThread()->currentTick(), endTick);
                if (options.progress->cancelled()) {
                    result.cancelled = true;
                    break;
                }
            }
        }
        if (result.cancelled) {
            // The run ends at its next timer call, on simulated time like everything here.
            controller.stop();
            while (!controller.playThread()->ended())
                timer.advance(std::chrono::milliseconds(1));
        }
        controller.finishRun();
    }
    const auto tailEnd = frame + static_cast<std::int64_t>(options.tailSeconds * kRenderRate);
    while (written && !result.cancelled && mixer.count() > 0 && frame < tailEnd)
        renderBlock();
    // What the limiter still holds back: its look-ahead.
    for (std::size_t drained = 0; written && !result.cancelled && drained < mixer.master().latencyFrames();
         drained += kRenderBlockFrames)
        renderBlock();
    {
        const std::lock_guard lock(generator.sendMutex());
        generator.generatorSink = nullptr;
    }
    sampler.reset();
    if (options.progress)
        options.progress->end();

    if (result.cancelled) {
        std::fclose(file);
        std::remove(partPath.c_str());
        result.error = "MIDI to .wav cancelled";
        return result;
    }
    const auto dataBytes = static_cast<std::uint32_t>(frame * 4);
    const auto finalHeader = waveHeader(dataBytes);
    written = written && std::fseek(file, 0, SEEK_SET) == 0 &&
              std::fwrite(finalHeader.data(), 1, finalHeader.size(), file) == finalHeader.size();
    // On the disk before the rename, and the rename with its folder, as every save.
    written = written && std::fflush(file) == 0 && fileSync().syncFile(file).empty();
    written = std::fclose(file) == 0 && written;
    if (written) {
        const std::filesystem::path folder = std::filesystem::path(wavPath).parent_path();
        written = std::rename(partPath.c_str(), wavPath.c_str()) == 0 &&
                  fileSync().syncFolder(folder.empty() ? std::filesystem::path(".") : folder).empty();
    }
    if (!written) {
        std::remove(partPath.c_str());
        result.error = "Can't write " + wavPath;
        return result;
    }
    result.ok = true;
    result.frames = frame;
    result.limitedFrames = static_cast<std::int64_t>(mixer.master().limitedFrames());
    return result;
}

} // namespace velisto
