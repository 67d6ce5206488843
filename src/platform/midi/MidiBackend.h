#pragma once
// Chooses the MIDI system of the run. VELISTO_MIDI_API names one ("alsa", "jack", "none",
// in any letter case); without it the ALSA sequencer is used when it exists, else a JACK
// server when one runs (none is started), else no MIDI system. The result is never null:
// when the named system cannot be used, or the name is unknown, the choice is "none" and
// the message says why.
// Thread contract: user-interface thread, once at start-up.

#include "midi/MidiPortSystem.h"

#include <memory>
#include <string>
#include <string_view>

namespace velisto {

struct MidiBackendChoice {
    std::unique_ptr<MidiPortSystem> system; // never null
    std::string message;                    // empty unless the request could not be met
};

// requested: the value of VELISTO_MIDI_API; empty chooses automatically.
MidiBackendChoice chooseMidiPortSystem(std::string_view requested);

// chooseMidiPortSystem with VELISTO_MIDI_API from the environment; a message goes to stderr.
std::unique_ptr<MidiPortSystem> createMidiPortSystem();

} // namespace velisto
