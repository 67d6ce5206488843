// One refresh of the "MIDI output monitor" window that appends 1,000 new lines to a log
// already 100,000 lines long, shown and following its last line: what a busy play run
// costs the user-interface thread per batch of lines, with the repaint that follows.
// Offscreen platform. Budget: 16 ms.

#include "GuiBenchSupport.h"
#include "devices/COutputMonitor.h"
#include "playback/OutputMonitor.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace velisto;

constexpr int kLogLines = 100000;
constexpr int kNewLines = 1000;

void addLines(OutputMonitor& monitor, int from, int count)
{
    for (int i = from; i < from + count; ++i)
        monitor.addLine(i, "Note on   ch 1  key C5  vel 100   passed to Velisto's Internal Sound Generator " +
                               std::to_string(i));
}

void BM_MonitorRefreshAppends1000To100000Lines(benchmark::State& state)
{
    OutputMonitor monitor;
    COutputMonitor window(monitor, nullptr);
    window.show();
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        monitor.clear();
        addLines(monitor, 0, kLogLines);
        window.refresh();
        QCoreApplication::processEvents();
        addLines(monitor, kLogLines, kNewLines);
        next += kNewLines;
        state.ResumeTiming();
        window.refresh();
        // With the repaint it causes: the whole cost before the next line can show.
        window.textField()->viewport()->repaint();
    }
    benchmark::DoNotOptimize(next);
    state.counters["lines"] = static_cast<double>(window.textField()->blockCount());
}
BENCHMARK(BM_MonitorRefreshAppends1000To100000Lines)->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return velisto::bench::runGuiBenchmarks(argc, argv); }
