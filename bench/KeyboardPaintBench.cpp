// One paint of the virtual keyboard's skin at 1x and at 2x (HiDPI), all 48 keys up and
// the computer-key letters shown: the work of every repaint while notes are played.
// Offscreen platform, loopback ports, the null audio system. Budget: 4 ms.

#include "CKeyboard.h"
#include "CVelistoApp.h"
#include "GuiBenchSupport.h"
#include "app/CommandIds.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

using namespace velisto;
using bench::NoFiles;

void BM_KeyboardSkinPaint(benchmark::State& state)
{
    SilentPrompt prompt;
    NoFiles files;
    const std::unique_ptr<CVelistoApp> app = bench::startQuietApp(prompt, files);
    if (!app) {
        state.SkipWithError("the start failed");
        return;
    }
    app->frame()->runCommand(CommandId::VirtualKeyboard);
    CKeyboard* keyboard = app->frame()->keyboard();
    if (!keyboard) {
        state.SkipWithError("the keyboard did not open");
        return;
    }
    const int ratio = static_cast<int>(state.range(0));
    QImage image(keyboard->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    for (auto _ : state) {
        keyboard->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    app->frame()->close();
}
BENCHMARK(BM_KeyboardSkinPaint)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return velisto::bench::runGuiBenchmarks(argc, argv); }
