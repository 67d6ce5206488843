#pragma once
// Chooses the audio system of the run. VELISTO_AUDIO_API names one ("alsa", "pulse",
// "jack", "null", in any letter case); without it RtAudio's default API is used when it
// lists an output, else the null system (no sound card: the program still runs, silent).
// The result is never null: when the named system cannot be used, or the name is unknown,
// the choice is the null system and the message says why.
// Thread contract: user-interface thread, once at start-up.

#include "sampler/AudioSystem.h"

#include <memory>
#include <string>
#include <string_view>

namespace velisto {

struct AudioBackendChoice {
    std::unique_ptr<AudioSystem> system; // never null
    std::string message;                 // empty unless the request could not be met
};

// requested: the value of VELISTO_AUDIO_API; empty chooses automatically.
AudioBackendChoice chooseAudioSystem(std::string_view requested);

// chooseAudioSystem with VELISTO_AUDIO_API from the environment; a message goes to stderr.
// Also lets the buffers' notification workers ask for real-time scheduling.
std::unique_ptr<AudioSystem> createAudioSystem();

// Raises the calling thread to real-time scheduling when the system permits it; false
// when it stays as it is.
bool raiseAudioThreadPriority();

} // namespace velisto
