// Start-up of the main window on the demo song, as `velisto demo.mid` does it: settings,
// display checks, the frame with its devices and generator, the first paint, and the demo
// loaded and titled. Offscreen platform, loopback ports, the null audio system and a
// settings store in memory, so the figure is the program's own work. Budget: 1 s.

#include "CVelistoApp.h"
#include "GuiBenchSupport.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

using namespace velisto;
using bench::NoFiles;

void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void BM_StartupToPaintedWindowOnTheDemo(benchmark::State& state)
{
    SilentPrompt prompt;
    NoFiles files;
    const std::string demo = VELISTO_RESOURCE_DIR "/demo/demo.mid";
    for (auto _ : state) {
        FrameParts parts = bench::quietFrameParts(prompt, files);
        parts.startupFileDelay = std::chrono::milliseconds(0);
        AppOptions options;
        options.programDirectory = std::filesystem::temp_directory_path().string();
        auto app = std::make_unique<CVelistoApp>(std::move(parts), options);
        if (!app->initInstance({demo})) {
            state.SkipWithError("the start failed");
            return;
        }
        app->frame()->repaint();
        // The first paint posts the start-up file; its timer loads it and posts Play.
        for (int i = 0; i < 50 && app->frame()->state().fileName.empty(); ++i)
            settle();
        if (app->frame()->state().fileName != "demo.mid") {
            state.SkipWithError("the demo did not open");
            return;
        }
        state.PauseTiming();
        app->frame()->controller().stopAndWait(std::chrono::seconds(5));
        app->frame()->close();
        app.reset();
        settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToPaintedWindowOnTheDemo)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) { return velisto::bench::runGuiBenchmarks(argc, argv); }
