#pragma once
// MIDI ports of a JACK server, on libjack directly.
//
// Port names follow RtMidiPortSystem's rules ("client:port" as JACK names them, repeats
// numbered, Velisto's own ports left out), so a device keeps its record when the MIDI system
// changes. Opening finds the port by name again; a port that went away fails with
// BadDeviceId.
//
// All open ports belong to one client "Velisto" (JACK makes that "Velisto-01" ... when the
// name is taken), opened with the first port and closed with the last; each open device has
// a port "out N" or "in N" of its own, connected to the chosen port. Opening returns once
// JACK runs the connection, so nothing sent right after opening can miss the receiver.
//
// Output: a send stamps the message with JACK's frame time and puts it in the port's ring
// buffer; the process cycle plays it one period later at the same place in the cycle, so
// timing holds below one JACK period, and short and long messages leave in call order.
// Closing waits (bounded) until what was sent has left.
//
// Input: the process cycle puts the short messages into the port's ring buffer and a thread
// of the port hands them to the callback, so the callback may take its time and send.
//
// Thread contract: the system on the user-interface thread; each port's sends on one thread
// at a time (MidiOutPort); input callbacks on the port's own thread (MidiInPort).

#include "midi/JackMidiClient.h"
#include "midi/MidiPortSystem.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velisto {

class JackMidiPortSystem : public MidiPortSystem {
public:
    // The longest system exclusive message a port sends whole: JACK carries an event in
    // one period's port buffer (32 KiB on JACK 2, shared by the cycle's other events).
    static constexpr std::size_t kMaxMessageBytes = 16 * 1024;

    // Where in the process cycle of frames frames that starts at JACK frame cycleStart a
    // message sent at frame sentAt plays: one period after its send, at the same place in
    // the cycle, but never before earliest (the place of the message before it); at 0 when
    // that place has passed. Nullopt when it belongs to a later cycle; at earliest when
    // it lies several periods ahead (the frame count fell behind). Frame times wrap.
    static std::optional<std::uint32_t> cycleOffset(std::uint32_t sentAt, std::uint32_t cycleStart,
                                                    std::uint32_t frames, std::uint32_t earliest);

    // Null, with the reason in error, when no JACK server runs (none is started). A server
    // is asked up to attempts times: more when the user named JACK and so expects one.
    static std::unique_ptr<JackMidiPortSystem> create(std::string& error, int attempts = 1);

    std::string apiName() const override { return "jack"; }
    std::vector<std::string> outputPortNames() override;
    MidiOutOpenResult openOutput(int portId) override;
    std::vector<std::string> inputPortNames() override;
    MidiInOpenResult openInput(int portId, MidiInCallback callback) override;

private:
    JackMidiPortSystem() = default;
    // JACK's full names of the ports with these flags, and Velisto's names for them, asked
    // through the given client, else the open ports' client, else one for the question.
    struct Listing {
        std::vector<std::string> jackNames;
        std::vector<std::string> names;
    };
    Listing list(unsigned long flags, const JackMidiClient* through);
    // The client of the open ports, opened when none is.
    std::shared_ptr<JackMidiClient> client(MidiOpenError& error, std::string& detail);
    // JACK's name of the port that the last list of the direction holds as portId, found by
    // name in a new list asked through the ports' client, which client receives; empty,
    // with error and detail filled, when there is none.
    std::string listedJackName(int portId, bool output, std::shared_ptr<JackMidiClient>& client, MidiOpenError& error,
                               std::string& detail);

    std::weak_ptr<JackMidiClient> client_;
    std::vector<std::string> outputNames_;
    bool outputsListed_ = false;
    std::vector<std::string> inputNames_;
    bool inputsListed_ = false;
};

} // namespace velisto
