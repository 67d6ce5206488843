#include "midi/MidiBackend.h"

#include "midi/JackMidiPortSystem.h"
#include "midi/NoMidiPortSystem.h"
#include "midi/RtMidiPortSystem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace velisto {

namespace {

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return lower;
}

MidiBackendChoice none(std::string message) { return {std::make_unique<NoMidiPortSystem>(), std::move(message)}; }

// create: a backend's factory, returning null with the reason in its argument.
template <typename Create> MidiBackendChoice requestedSystem(Create create, const std::string& name)
{
    std::string error;
    if (auto system = create(error))
        return {std::move(system), {}};
    return none("VELISTO_MIDI_API=" + name + ": " + error + "; no MIDI ports are used");
}

std::unique_ptr<MidiPortSystem> alsa(std::string& error) { return RtMidiPortSystem::create(RtMidiApi::Alsa, error); }
std::unique_ptr<MidiPortSystem> jack(std::string& error) { return JackMidiPortSystem::create(error); }
// Named by the user, a JACK server should be there: a busy one gets two seconds to answer.
std::unique_ptr<MidiPortSystem> namedJack(std::string& error) { return JackMidiPortSystem::create(error, 20); }

MidiBackendChoice automatic()
{
    std::string error;
    for (auto* create : {alsa, jack})
        if (auto system = create(error))
            return {std::move(system), {}};
    return none({});
}

} // namespace

MidiBackendChoice chooseMidiPortSystem(std::string_view requested)
{
    const std::string name = lowerCase(requested);
    if (name.empty())
        return automatic();
    if (name == "none")
        return none({});
    if (name == "alsa")
        return requestedSystem(alsa, name);
    if (name == "jack")
        return requestedSystem(namedJack, name);
    return none("VELISTO_MIDI_API=\"" + std::string(requested) +
                "\" is not one of alsa, jack, none; no MIDI ports are used");
}

std::unique_ptr<MidiPortSystem> createMidiPortSystem()
{
    const char* requested = std::getenv("VELISTO_MIDI_API");
    MidiBackendChoice choice = chooseMidiPortSystem(requested != nullptr ? requested : "");
    if (!choice.message.empty())
        std::fprintf(stderr, "velisto: %s\n", choice.message.c_str());
    return std::move(choice.system);
}

} // namespace velisto
