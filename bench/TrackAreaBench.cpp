// The track area over a full song: 256 tracks holding 1 million events with program
// changes every few measures, 100 tempo, meter and key entries. Each frame scrolls the view
// by one measure, or by one track, and paints the whole track area (grid and row controls)
// into an offscreen image at 1x or 2x (HiDPI). Budget: worst frame under 16 ms (Release).
// Counters: median_ms and worst_ms over every frame of the run, in the painting thread's
// CPU time (a shared machine's other work does not count against the frame), and
// worst_wall_ms for the clock on the wall.

#include "CMainFrame.h"
#include "CMidiWnd.h"
#include "CVelistoApp.h"
#include "GuiBenchSupport.h"
#include "song/Positions.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace {

using namespace velisto;
using bench::NoFiles;

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

constexpr int kEventsPerTrack = 1'000'000 / kTrackCount + 1;
constexpr int kMeasuresWithProgram = 6;
// The song is about 480 measures long; the view wraps before its end.
constexpr int kScrolledMeasures = 400;

// A dense song: eighth notes on every track, a program change every few measures, master
// entries spread over the song.
void fillSong(Song& song, int device)
{
    const std::int32_t eighth = song.ppq / 2;
    for (int t = 0; t < kTrackCount; ++t) {
        Track& track = song.tracks[static_cast<std::size_t>(t)];
        track.device = device;
        track.channel = t % 16;
        track.reserve(kEventsPerTrack);
        const std::int32_t programEvery = measureStart(song, kMeasuresWithProgram);
        for (int i = 0; i < kEventsPerTrack; ++i) {
            const std::int32_t tick = i * eighth;
            if (tick % programEvery == 0)
                track.append(MidiEvent::channelEvent(tick, static_cast<std::uint8_t>(0xC0 + track.channel),
                                                     static_cast<std::uint8_t>((t + tick / programEvery) % 128), 0));
            else
                track.append(MidiEvent::note(tick, track.channel, 48 + (i + t) % 36, 90, eighth));
        }
    }
    for (int i = 1; i <= 33; ++i) {
        song.setTempo(measureStart(song, i * 14), 80.0 + i);
        song.setMeterAtMeasure(i * 14 + 5, 3 + i % 3, 4);
        song.setKey(measureStart(song, i * 14 + 9), i % 7, 1);
    }
    song.setTempo(measureStart(song, 470), 140.0); // with the song's start entries: 100 and more
}

void BM_TrackAreaScrollFrame(benchmark::State& state)
{
    SilentPrompt prompt;
    NoFiles files;
    const std::unique_ptr<CVelistoApp> app = bench::startQuietApp(prompt, files);
    if (!app) {
        state.SkipWithError("the start failed");
        return;
    }
    CMainFrame& frame = *app->frame();
    frame.resize(1920, 1080);
    QCoreApplication::sendPostedEvents();
    Engine& engine = frame.engine();
    fillSong(*engine.song, engine.song->tracks[0].device);
    engine.table.rebuildProgramIndexes(*engine.song);
    CMidiWnd& area = *frame.trackArea();
    area.refreshSong();

    const int ratio = static_cast<int>(state.range(0));
    QImage image(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    // The window has been on screen before anyone scrolls: fonts and glyphs are cached.
    area.render(&image);
    std::vector<double> frames;
    double worstWall = 0.0;
    int step = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = threadCpuMilliseconds();
        // A measure right, then a track down; back to the start before the song's end.
        if (step % 2 == 0)
            area.horizontalBar()->setValue((area.view().firstMeasure() + 1) % kScrolledMeasures);
        else
            area.verticalBar()->setValue((area.view().firstTrack() + 1) % (kTrackCount - area.view().rows()));
        ++step;
        area.render(&image);
        benchmark::DoNotOptimize(image.constBits());
        frames.push_back(threadCpuMilliseconds() - startCpu);
        worstWall = std::max(
            worstWall, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(frames.begin(), frames.end());
    if (!frames.empty()) {
        state.counters["median_ms"] = frames[frames.size() / 2];
        state.counters["worst_ms"] = frames.back();
        state.counters["worst_wall_ms"] = worstWall;
    }
    frame.close();
}
BENCHMARK(BM_TrackAreaScrollFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return velisto::bench::runGuiBenchmarks(argc, argv); }
