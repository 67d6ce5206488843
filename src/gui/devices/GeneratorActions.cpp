#include "devices/GeneratorActions.h"

#include "CWorkingDlg.h"
#include "app/FileChooser.h"
#include "audio/GeneratorAudio.h"
#include "devices/CIgrContent.h"
#include "devices/CInstrumentGroupFileEditor.h"
#include "engine/Engine.h"
#include "playback/PlayController.h"
#include "sampler/IgrFile.h"
#include "sampler/MidiToWave.h"
#include "sampler/Sampler.h"
#include "song/Song.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

namespace velisto {

namespace {

// The render's progress as the worker reports it; the waiting user-interface thread
// hands it to the progress window.
class RenderProgress : public Progress {
public:
    void begin(std::string_view) override {}
    void advance(long long done, long long total) override
    {
        done_.store(done);
        total_.store(total);
    }
    void end() override {}
    bool cancelled() const override { return cancelled_.load(); }

    long long done() const { return done_.load(); }
    long long total() const { return total_.load(); }
    void cancel() { cancelled_.store(true); }

private:
    std::atomic<long long> done_{0};
    std::atomic<long long> total_{0};
    std::atomic<bool> cancelled_{false};
};

constexpr auto kRenderPollInterval = std::chrono::milliseconds(10);

} // namespace

GeneratorActions::GeneratorActions(Engine& engine, PlayController& controller, UserPrompt& prompt, FileChooser& files)
    : engine_(engine), controller_(controller), prompt_(prompt), files_(files),
      sampleFolder_(engine.settings.wave.Directory)
{
}

GeneratorActions::~GeneratorActions()
{
    // The windows ask the generator for their content: they go first.
    delete content_.data();
    delete editor_.data();
}

CIgrContent* GeneratorActions::contentWindow() const { return content_; }

CInstrumentGroupFileEditor* GeneratorActions::igrEditor() const { return editor_; }

Sampler* GeneratorActions::sampler() const
{
    return engine_.generatorAudio ? engine_.generatorAudio->sampler() : nullptr;
}

void GeneratorActions::loadIgrFile(QWidget*)
{
    Sampler* generator = sampler();
    if (!generator || controller_.runExists())
        return;
    FileDialogRequest request;
    request.title = "Load .igr file";
    request.filters = {{"Instrument group files", {"*.igr", "*.IGR"}}};
    const std::string groupFolder = directoryPart(generator->igrPath());
    request.folder = groupFolder.empty() ? sampleFolder_ : groupFolder;
    const std::optional<std::filesystem::path> chosen = files_.openFile(request);
    if (!chosen)
        return;
    // The path keeps its letter case: on Linux another case names another file. The
    // group in memory is what counts, so a group that failed to load can be tried again.
    const std::string path = chosen->string();
    if (path == generator->loadedIgrPath()) {
        generator->setStatus(kNothingChangedText, false);
        return;
    }
    generator->setIgrPath(path);
    generator->loadGroup(false);
}

void GeneratorActions::releaseIgr()
{
    Sampler* generator = sampler();
    if (!generator)
        return;
    generator->setIgrPath({});
    generator->releaseEverything(false);
}

void GeneratorActions::showContent(QWidget* owner)
{
    if (!content_) {
        content_ = new CIgrContent([this] { return sampler(); }, owner);
        content_->show();
    }
    content_->raise();
    content_->activateWindow();
}

void GeneratorActions::showIgrEditor(QWidget* owner)
{
    if (!editor_) {
        editor_ = new CInstrumentGroupFileEditor(prompt_, files_, sampleFolder_, owner);
        editor_->setSavedHandler([this](const std::string& path) { groupSaved(path); });
        editor_->show();
    }
    editor_->raise();
    editor_->activateWindow();
}

bool GeneratorActions::closeWindows()
{
    if (editor_ && !editor_->close())
        return false;
    if (content_)
        content_->close();
    return true;
}

void GeneratorActions::groupSaved(const std::string& path)
{
    Sampler* generator = sampler();
    if (generator && !generator->loadedIgrPath().empty() && generator->igrPath() == path)
        generator->loadGroup(false);
}

bool GeneratorActions::midiToWave(QWidget* owner)
{
    if (controller_.runExists()) {
        prompt_.message("MIDI to .wav can't start while a song is playing or recording.", "", PromptIcon::Exclamation);
        return false;
    }
    const std::string group = engine_.generatorAudio ? engine_.generatorAudio->igrPath() : std::string();
    if (group.empty()) {
        prompt_.message("MIDI to .wav needs an instrument group file (.igr): please load one first.", "",
                        PromptIcon::Exclamation);
        return false;
    }
    const Midi2WavSettings& target = engine_.settings.midi2wav;
    const std::string wavPath = (std::filesystem::path(target.Waveoutpathname) / target.Waveoutfilename).string();

    // The worker plays a copy: nothing it reads can change under it.
    const auto song = std::make_unique<Song>(*engine_.song);
    RenderProgress progress;
    RenderOptions options;
    options.igrPath = group;
    options.progress = &progress;
    options.masterGainDb = engine_.settings.audio.mastergain;
    RenderResult result;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        result = renderSongToWave(*song, options, wavPath);
        finished.store(true);
    });
    CWorkingDlg working(owner);
    working.start();
    working.begin("MIDI to .wav: " + wavPath);
    while (!finished.load()) {
        working.advance(progress.done(), progress.total());
        if (working.cancelled())
            progress.cancel();
        std::this_thread::sleep_for(kRenderPollInterval);
    }
    worker.join();
    working.end();
    working.finish();
    if (result.cancelled)
        return false;
    if (!result.ok) {
        prompt_.message(result.error, "", PromptIcon::Error);
        return false;
    }
    prompt_.status(wavPath + " written.");
    return true;
}

} // namespace velisto
