#include "midi/MidiInputText.h"

namespace velisto {

std::string midiInputOpenFailureText(MidiOpenError error, MidiInputOpenContext context)
{
    std::string reason;
    switch (error) {
    case MidiOpenError::AlreadyAllocated:
        reason = context == MidiInputOpenContext::StartUp ? "The resource is already allocated."
                                                          : "The specified resource is already allocated.";
        break;
    case MidiOpenError::BadDeviceId:
        reason = "The specified device identifier is out of range.";
        break;
    case MidiOpenError::NoMemory:
        reason = "The system is unable to allocate or lock memory.";
        break;
    case MidiOpenError::None:
    case MidiOpenError::Other:
        break;
    }
    return "Can't open MIDI input device.\n" + reason + "\nCheck your system's MIDI settings.";
}

} // namespace velisto
