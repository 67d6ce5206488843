#include "midi/MidiBackend.h"

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

MidiBackendChoice requestedRtMidi(RtMidiApi api, const std::string& name)
{
    std::string error;
    if (auto system = RtMidiPortSystem::create(api, error))
        return {std::move(system), {}};
    return none("VELISTO_MIDI_API=" + name + ": " + error + "; no MIDI ports are used");
}

MidiBackendChoice automatic()
{
    std::string error;
    if (auto alsa = RtMidiPortSystem::create(RtMidiApi::Alsa, error))
        return {std::move(alsa), {}};
    if (auto jack = RtMidiPortSystem::create(RtMidiApi::Jack, error))
        return {std::move(jack), {}};
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
        return requestedRtMidi(RtMidiApi::Alsa, name);
    if (name == "jack")
        return requestedRtMidi(RtMidiApi::Jack, name);
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
