#include "midi/NoMidiPortSystem.h"

namespace velisto {

MidiOutOpenResult NoMidiPortSystem::openOutput(int portId)
{
    MidiOutOpenResult result;
    result.error = MidiOpenError::BadDeviceId;
    result.detail = "there is no MIDI output port " + std::to_string(portId) + " (no MIDI system in use)";
    return result;
}

MidiInOpenResult NoMidiPortSystem::openInput(int portId, MidiInCallback)
{
    MidiInOpenResult result;
    result.error = MidiOpenError::BadDeviceId;
    result.detail = "there is no MIDI input port " + std::to_string(portId) + " (no MIDI system in use)";
    return result;
}

} // namespace velisto
