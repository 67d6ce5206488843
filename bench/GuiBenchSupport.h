#pragma once
// What the benchmarks of windows share: a file chooser that never chooses, the parts of a
// main window that needs no hardware and asks nothing, and a main() that runs them in a
// QApplication on the offscreen platform.

#include "CVelistoApp.h"
#include "app/FileChooser.h"
#include "app/MemoryProfileStore.h"
#include "app/UserPrompt.h"
#include "audio/NullAudioSystem.h"
#include "midi/LoopbackMidiPortSystem.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace velisto::bench {

class NoFiles : public FileChooser {
public:
    std::optional<std::filesystem::path> openFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::filesystem::path> saveFile(const FileDialogRequest&) override { return std::nullopt; }
};

// Loopback ports, the null audio system and a settings store in memory whose input port is
// "none", so the start asks no question. prompt and files must outlive the frame.
inline FrameParts quietFrameParts(UserPrompt& prompt, FileChooser& files)
{
    auto store = std::make_unique<MemoryProfileStore>();
    store->writeInt("MIDI Input device", "devicenr", 0); // the port count: no input, no question
    FrameParts parts;
    parts.engine.store = std::move(store);
    parts.engine.ports = std::make_unique<LoopbackMidiPortSystem>(std::vector<std::string>{"Synth A"});
    parts.audio = std::make_unique<NullAudioSystem>();
    parts.prompt = &prompt;
    parts.files = &files;
    return parts;
}

// The program started on quietFrameParts with its start-up completion run; null when the
// start failed.
inline std::unique_ptr<CVelistoApp> startQuietApp(UserPrompt& prompt, FileChooser& files)
{
    AppOptions options;
    options.programDirectory = std::filesystem::temp_directory_path().string();
    auto app = std::make_unique<CVelistoApp>(quietFrameParts(prompt, files), options);
    if (!app->initInstance({}))
        return nullptr;
    QCoreApplication::sendPostedEvents();
    return app;
}

inline int runGuiBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace velisto::bench
