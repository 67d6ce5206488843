#pragma once
// MIDI output ports of the ALSA sequencer or of a JACK server, through RtMidi 5. Velisto
// uses it for ALSA; JACK goes through JackMidiPortSystem, which shares the naming rules
// below (RtMidi's JACK backend frees its ring buffer before closing its client and lets
// messages out before the connection runs).
//
// Port names are the ones the device table keeps in its records, so they must stay the same
// from one run to the next: "client:port" as the MIDI system names them, without the
// numeric ALSA address RtMidi appends (it changes when a device is plugged in again), and
// with " (2)", " (3)" ... after repeats of a name (two identical keyboards). Ports of
// Velisto's own clients are not listed. The list is taken anew by outputPortNames(); port
// ids index the last list taken, and opening finds the port by name again, so a port that
// went away in between fails with BadDeviceId instead of opening another one.
//
// Each open port is a client of its own named "Velisto" (JACK makes that "Velisto-01" ...
// when the name is taken) with one output port "Velisto out", connected to the chosen port.
// An open input port is likewise a client "Velisto" with one input port "Velisto in"; its
// callback runs on RtMidi's thread (ALSA) or in the JACK process cycle (JACK).
// Nothing RtMidi throws leaves this class: failures are MidiOpenError values and false.
//
// Thread contract: the system on the user-interface thread; each port's sends on one thread
// at a time (MidiOutPort); input callbacks on the MIDI system's thread (MidiInPort).

#include "midi/MidiPortSystem.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

enum class RtMidiApi { Alsa, Jack };

class RtMidiPortSystem : public MidiPortSystem {
public:
    static constexpr std::string_view clientName = "Velisto";
    static constexpr std::string_view outputPortName = "Velisto out";
    static constexpr std::string_view inputPortName = "Velisto in";

    // Null, with the reason in error, when the MIDI system cannot be used: no ALSA sequencer,
    // or no JACK server running (none is started).
    static std::unique_ptr<RtMidiPortSystem> create(RtMidiApi api, std::string& error);

    std::string apiName() const override;
    std::vector<std::string> outputPortNames() override;
    MidiOutOpenResult openOutput(int portId) override;
    // The same naming rules; input port ids index the last input list taken.
    std::vector<std::string> inputPortNames() override;
    MidiInOpenResult openInput(int portId, MidiInCallback callback) override;

    // Why the last port list came out empty or shorter than expected, in RtMidi's words;
    // empty when RtMidi reported nothing.
    const std::string& lastListingProblem() const { return lastListingProblem_; }

    // A port as RtMidi reports it (index = RtMidi's port number) and as Velisto lists it.
    struct ListedPort {
        unsigned rtMidiIndex = 0;
        std::string name;
    };
    // The naming rules above, applied to the names RtMidi reports in its order.
    static std::vector<ListedPort> listPorts(RtMidiApi api, const std::vector<std::string>& rtMidiNames);
    // Whether a "client:port" name belongs to a client of Velisto.
    static bool isOwnPort(std::string_view portName);

private:
    explicit RtMidiPortSystem(RtMidiApi api) : api_(api) {}

    RtMidiApi api_;
    std::vector<std::string> names_;
    bool listed_ = false;
    std::vector<std::string> inputNames_;
    bool inputListed_ = false;
    std::string lastListingProblem_;
};

} // namespace velisto
