#pragma once
// The message shown when a MIDI input port does not open.
// Thread contract: pure functions, any thread.

#include "midi/MidiPortSystem.h"

#include <string>

namespace velisto {

// Where the failure is reported; the two places word "already allocated" slightly
// differently.
enum class MidiInputOpenContext {
    StartUp,       // opening the chosen port while the program starts
    SettingsCheck, // the settings dialog trying the newly chosen port
};

// "Can't open MIDI input device.\n" + the reason (none for Other) +
// "\nCheck your system's MIDI settings.".
std::string midiInputOpenFailureText(MidiOpenError error, MidiInputOpenContext context);

} // namespace velisto
