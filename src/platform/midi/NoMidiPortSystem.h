#pragma once
// The "none" backend: a machine without a usable MIDI system has no ports, and every open
// fails with BadDeviceId, since no port id is in range.
// Thread contract: any thread; it holds no state.

#include "midi/MidiPortSystem.h"

namespace velisto {

class NoMidiPortSystem : public MidiPortSystem {
public:
    std::string apiName() const override { return "none"; }
    std::vector<std::string> outputPortNames() override { return {}; }
    MidiOutOpenResult openOutput(int portId) override;
    std::vector<std::string> inputPortNames() override { return {}; }
    MidiInOpenResult openInput(int portId, MidiInCallback callback) override;
};

} // namespace velisto
