#include "engine/Engine.h"

#include "audio/GeneratorAudio.h"
#include "midi/MidiBackend.h"
#include "sampler/DialogSounds.h"
#include "settings/QtProfileStore.h"
#include "timer/ThreadPeriodicTimer.h"

namespace velisto {

namespace {

template <typename T, typename Real>
std::unique_ptr<T> orReal(std::unique_ptr<T> given)
{
    return given ? std::move(given) : std::make_unique<Real>();
}

Settings settingsOf(const ProfileStore& store, std::optional<Settings>& given)
{
    return given ? std::move(*given) : loadSettings(store, "", 0, 0);
}

} // namespace

Engine::Engine(UiNotifier& postsTo, EngineParts parts)
    : ports(parts.ports ? std::move(parts.ports) : createMidiPortSystem()),
      store(orReal<ProfileStore, QtProfileStore>(std::move(parts.store))),
      settings(settingsOf(*store, parts.settings)),
      table(*ports, *store),
      clock(orReal<Clock, SteadyClock>(std::move(parts.clock))),
      timer(orReal<PeriodicTimer, ThreadPeriodicTimer>(std::move(parts.timer))),
      notifier(postsTo)
{
}

Engine::~Engine()
{
    if (table.device(DeviceTable::kGeneratorIndex).isOpen())
        table.close(DeviceTable::kGeneratorIndex);
}

GeneratorAudio& Engine::makeGeneratorAudio(std::unique_ptr<AudioSystem> system)
{
    generatorAudio = std::make_unique<GeneratorAudio>(std::move(system));
    generatorAudio->devices().setMasterGainDb(settings.audio.mastergain);
    return *generatorAudio;
}

void Engine::playDialogSound(DialogSoundPlayer& sounds, int id, UserPrompt& prompt)
{
    if (!generatorAudio)
        return;
    const DirectXSettings& device = settings.directX;
    sounds.reap();
    sounds.play(id, generatorAudio->devices(), device.DirectSoundDeviceDialogSoundsGUID,
                device.DirectSoundDeviceDialogSoundsName, prompt);
}

PlayEnvironment Engine::environment(MidiInputRouter* input)
{
    PlayEnvironment env;
    env.song = song.get();
    env.devices = &table;
    env.output = &output;
    env.monitor = &monitor;
    env.clock = clock.get();
    env.timer = timer.get();
    env.notifier = &notifier;
    env.input = input;
    return env;
}

} // namespace velisto
