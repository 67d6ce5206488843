#pragma once
// Everything a run of the play engine works with, shared by velisto and velisto-cli: the
// MIDI system, the settings store and its settings, the song, the device table, the
// output monitor, event output, the clock, the timer and the generator's audio. Members
// are declared in the order they are built and torn down in reverse.
//
// A front end supplies the notifier that takes the engine's posts; every part it leaves
// empty in EngineParts is the real one (tests plug in loopback ports, a memory store and
// a simulated timer).
//
// Thread contract: user-interface thread, like the song and the device table it owns.

#include "app/ProfileStore.h"
#include "app/Settings.h"
#include "app/UiNotifier.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/MidiPortSystem.h"
#include "playback/CMidiThread.h"
#include "playback/Clock.h"
#include "playback/OutputMonitor.h"
#include "playback/PeriodicTimer.h"
#include "song/Song.h"

#include <memory>
#include <optional>

namespace velisto {

class AudioSystem;
class DialogSoundPlayer;
class UserPrompt;
class GeneratorAudio;
class MidiInputRouter;

struct EngineParts {
    std::unique_ptr<MidiPortSystem> ports; // empty: createMidiPortSystem()
    std::unique_ptr<ProfileStore> store;   // empty: the user's settings file
    // The settings already read from store; empty: read now without a program directory.
    std::optional<Settings> settings;
    std::unique_ptr<Clock> clock;          // empty: the steady clock
    std::unique_ptr<PeriodicTimer> timer;  // empty: the 1 ms timer thread; must not outlive clock
};

class Engine {
public:
    // notifier takes every post of the engine's runs and must outlive the engine.
    explicit Engine(UiNotifier& notifier, EngineParts parts = {});
    // The generator's voices report to the monitor: they are closed first.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    PlayEnvironment environment(MidiInputRouter* input = nullptr);
    // Makes the generator's sound devices on system, at the stored master gain.
    GeneratorAudio& makeGeneratorAudio(std::unique_ptr<AudioSystem> system);
    // Plays dialog sound id through sounds on the device the settings choose for dialog
    // sounds, after reaping the sounds that have ended; nothing before makeGeneratorAudio.
    void playDialogSound(DialogSoundPlayer& sounds, int id, UserPrompt& prompt);

    std::unique_ptr<MidiPortSystem> ports;
    std::unique_ptr<ProfileStore> store;
    Settings settings;
    std::unique_ptr<Song> song = std::make_unique<Song>();
    std::unique_ptr<GeneratorAudio> generatorAudio; // the generator's sound devices outlive its voices
    DeviceTable table;
    OutputMonitor monitor{song.get()};
    EventOutput output{monitor};
    std::unique_ptr<Clock> clock;
    std::unique_ptr<PeriodicTimer> timer;
    UiNotifier& notifier;
};

} // namespace velisto
