#include "gui/GuiTestSupport.h"

#include "playback/CMidiThread.h"
#include "playback/PlayController.h"

#include <QApplication>

#include <unistd.h>

namespace velisto::test {

GuiFixture::GuiFixture()
{
    folder = std::filesystem::temp_directory_path() /
             ("velisto-gui-test-" + std::to_string(::getpid()) + "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(folder);
}

GuiFixture::~GuiFixture()
{
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}

GuiRun GuiFixture::start(const std::vector<std::string>& arguments)
{
    GuiRun run;
    auto ports = std::make_unique<LoopbackMidiPortSystem>(std::vector<std::string>{"Synth A"}, inputPorts);
    run.ports = ports.get();
    if (preparePorts)
        preparePorts(*ports);
    // The clocks outlive every timer that reads them: the fixture keeps them all.
    clocks_.push_back(std::make_unique<SimulatedClock>());
    auto timer = std::make_unique<SimulatedTimer>(*clocks_.back());
    run.timer = timer.get();

    FrameParts parts;
    parts.engine.ports = std::move(ports);
    parts.engine.store = std::make_unique<ForwardingStore>(store);
    parts.engine.timer = std::move(timer);
    parts.engine.clock = std::make_unique<ForwardingClock>(*clocks_.back());
    parts.prompt = &prompt;
    parts.files = &files;
    parts.audio = std::make_unique<NullAudioSystem>();
    parts.startupFileDelay = std::chrono::milliseconds(0);
    parts.chooseInputPort = [this](const std::vector<std::string>&) -> std::optional<int> {
        ++inputQuestions;
        if (inputAnswers.empty())
            return std::nullopt;
        const std::optional<int> answer = inputAnswers.front();
        inputAnswers.pop_front();
        return answer;
    };
    AppOptions options;
    options.programDirectory = folder.string();
    options.titlePicture = false;
    run.app = std::make_unique<CVelistoApp>(std::move(parts), options);
    run.started = run.app->initInstance(arguments);
    if (run.started)
        settle();
    return run;
}

std::filesystem::path GuiFixture::quietDemo()
{
    store.writeInt("MIDI Input device", "devicenr", 2);
    store.writeInt("Karaoke", "songtexttrack", 2);
    const std::filesystem::path demo = folder / "demo.mid";
    std::filesystem::copy_file(VELISTO_RESOURCE_DIR "/demo/demo.mid", demo);
    return demo;
}

void GuiFixture::runUntilEnded(GuiRun& run)
{
    // The run starts its timer from a worker once the receivers are adjusted.
    if (CMidiThread* playing = run.frame().controller().playThread())
        playing->joinWorker();
    for (int i = 0; i < 400 && run.frame().controller().runExists(); ++i) {
        run.timer->advance(std::chrono::milliseconds(10));
        settle();
    }
}

bool GuiFixture::finish(GuiRun& run)
{
    if (!run.app->frame()->close())
        return false;
    run.app->exitInstance();
    settle();
    return true;
}

} // namespace velisto::test
