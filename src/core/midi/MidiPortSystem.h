#pragma once
// The machine's MIDI ports: their names and opening them. One backend is chosen at start
// (ALSA sequencer, JACK, or none) and is never null: without a MIDI system the "none"
// backend lists no ports.
// Thread contract: user-interface thread only.

#include "midi/MidiInPort.h"
#include "midi/MidiOutPort.h"

#include <memory>
#include <string>
#include <vector>

namespace velisto {

// Why a port did not open, in the three classes users are told about; Other says nothing more.
enum class MidiOpenError { None, AlreadyAllocated, BadDeviceId, NoMemory, Other };

struct MidiOutOpenResult {
    std::unique_ptr<MidiOutPort> port; // null when error is not None
    MidiOpenError error = MidiOpenError::None;
    std::string detail; // the backend's own words, for logs and tests
};

struct MidiInOpenResult {
    std::unique_ptr<MidiInPort> port; // null when error is not None; opened but not started
    MidiOpenError error = MidiOpenError::None;
    std::string detail; // the backend's own words, for logs and tests
};

class MidiPortSystem {
public:
    virtual ~MidiPortSystem() = default;
    // "alsa", "jack", "none", "loopback".
    virtual std::string apiName() const = 0;
    // Product names of the output ports, index = port id.
    virtual std::vector<std::string> outputPortNames() = 0;
    virtual MidiOutOpenResult openOutput(int portId) = 0;
    // Product names of the input ports, index = port id.
    virtual std::vector<std::string> inputPortNames() = 0;
    // The callback receives the port's messages once it is started (MidiInPort).
    virtual MidiInOpenResult openInput(int portId, MidiInCallback callback) = 0;
};

} // namespace velisto
