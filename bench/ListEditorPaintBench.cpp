// The list editor over a 100,000-event track of mixed kinds (notes, controllers, pitch
// bends, program changes, texts, and 5% system exclusive messages of every family):
// opening it by its command with the first paint, and paging down through the track,
// each frame a Page Down and a paint of the whole window into an offscreen image.
// Budget: worst frame under 16 ms (Release). Counters: median_ms and worst_ms over every
// frame, in the painting thread's CPU time, and worst_wall_ms for the clock on the wall.

#include "CMainFrame.h"
#include "CVelistoApp.h"
#include "GuiBenchSupport.h"
#include "app/CommandIds.h"
#include "listeditor/CListEditor.h"
#include "midi/SysexCatalogue.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace {

using namespace velisto;
using bench::NoFiles;

constexpr int kEvents = 100'000;
constexpr int kPageDowns = 200;

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// One event every 30 ticks; every twentieth a catalogued system exclusive message.
void fillTrack(Track& track)
{
    const std::vector<SysexCatalogueEntry> catalogue = sysexCatalogue(nullptr);
    track.reserve(kEvents);
    for (int i = 0; i < kEvents; ++i) {
        const std::int32_t tick = i * 30;
        const auto small = static_cast<std::uint8_t>(i % 128);
        switch (i % 20) {
        case 0:
            track.append(MidiEvent::sysexEvent(tick, catalogue[static_cast<std::size_t>(i / 20) % catalogue.size()].message));
            break;
        case 1: track.append(MidiEvent::channelEvent(tick, 0xB0, static_cast<std::uint8_t>(i % 33), small)); break;
        case 2: track.append(MidiEvent::channelEvent(tick, 0xE0, small, static_cast<std::uint8_t>(127 - small))); break;
        case 3: track.append(MidiEvent::channelEvent(tick, 0xC0, small, 0)); break;
        case 4: track.append(MidiEvent::textEvent(tick, EventKind::Lyric, "la")); break;
        default: track.append(MidiEvent::note(tick, i % 16 == 9 ? 9 : 0, 36 + i % 48, 90, 60)); break;
        }
    }
}

struct OpenApp {
    SilentPrompt prompt;
    NoFiles files;
    std::unique_ptr<CVelistoApp> app;

    bool start()
    {
        app = bench::startQuietApp(prompt, files);
        if (!app)
            return false;
        app->frame()->resize(1920, 1080);
        QCoreApplication::sendPostedEvents();
        Engine& engine = app->frame()->engine();
        Track& track = engine.song->tracks[0];
        track.device = engine.table.defaultDevice();
        fillTrack(track);
        engine.table.rebuildProgramIndexes(*engine.song);
        app->frame()->state().cursorTrack = 0;
        // The start reopens it as the last session left it: each run begins with it closed.
        if (app->frame()->listEditor())
            toggle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return true;
    }
    // Opens or closes the list editor by its command.
    void toggle()
    {
        app->frame()->runCommand(CommandId::ListEditor);
        QCoreApplication::sendPostedEvents();
    }
};

void report(benchmark::State& state, std::vector<double>& frames, double worstWall)
{
    std::sort(frames.begin(), frames.end());
    if (frames.empty())
        return;
    state.counters["median_ms"] = frames[frames.size() / 2];
    state.counters["worst_ms"] = frames.back();
    state.counters["worst_wall_ms"] = worstWall;
}

// The command, the layout and the first paint of the window.
void BM_ListEditorOpen(benchmark::State& state)
{
    OpenApp open;
    if (!open.start()) {
        state.SkipWithError("the start failed");
        return;
    }
    std::vector<double> frames;
    double worstWall = 0.0;
    QImage image;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = threadCpuMilliseconds();
        open.toggle();
        CListEditor* list = open.app->frame()->listEditor();
        if (!list) {
            state.SkipWithError("the list editor did not open");
            return;
        }
        if (image.size() != list->size())
            image = QImage(list->size(), QImage::Format_ARGB32_Premultiplied);
        list->render(&image);
        benchmark::DoNotOptimize(image.constBits());
        frames.push_back(threadCpuMilliseconds() - startCpu);
        worstWall = std::max(
            worstWall, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        state.PauseTiming();
        open.toggle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    report(state, frames, worstWall);
    open.app->frame()->close();
}
BENCHMARK(BM_ListEditorOpen)->Unit(benchmark::kMillisecond)->Iterations(20);

// Each iteration one frame: Page Down, then the paint.
void BM_ListEditorPageDown(benchmark::State& state)
{
    OpenApp open;
    if (!open.start()) {
        state.SkipWithError("the start failed");
        return;
    }
    open.toggle();
    CListEditor* list = open.app->frame()->listEditor();
    if (!list) {
        state.SkipWithError("the list editor did not open");
        return;
    }
    QImage image(list->size(), QImage::Format_ARGB32_Premultiplied);
    list->render(&image); // fonts and glyphs are cached before anyone pages
    std::vector<double> frames;
    double worstWall = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = threadCpuMilliseconds();
        QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &pageDown);
        list->render(&image);
        benchmark::DoNotOptimize(image.constBits());
        frames.push_back(threadCpuMilliseconds() - startCpu);
        worstWall = std::max(
            worstWall, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["last_row"] = list->currentRow();
    state.counters["decoded_rows"] = list->model().decodedCount();
    report(state, frames, worstWall);
    open.app->frame()->close();
}
BENCHMARK(BM_ListEditorPageDown)->Unit(benchmark::kMillisecond)->Iterations(kPageDowns);

} // namespace

int main(int argc, char** argv) { return velisto::bench::runGuiBenchmarks(argc, argv); }
