#pragma once
// An in-memory MidiPortSystem for tests: named ports that record what is sent to them.
// Each port keeps its record in a LoopbackPortRecord shared with the test, so the messages
// can be read after the device under test has closed the port (and even after the system
// is gone). A port opens once at a time; opening it again while it is open fails with
// AlreadyAllocated, as a port of a real device would. A test can script open failures per
// port. Ports refuse what MidiOutFramer refuses, so tests catch a malformed send.
// Input ports are played by the test: inject() hands bytes to the callback of the opened,
// started port at once, on the calling thread, filtered as a real input port filters them.
// Thread contract: the system on one thread (the user-interface thread); a port's sends on
// one thread at a time; a record may be read from any thread while sends go on.

#include "midi/MidiPortSystem.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace velisto {

struct LoopbackMessage {
    bool isLong = false; // sent with sendLong, else with sendShort
    std::vector<std::uint8_t> bytes;
    bool operator==(const LoopbackMessage&) const = default;
};

class LoopbackPortRecord {
public:
    // Every accepted message in call order, the bytes as the caller passed them (a short
    // message sent with running status is recorded without its status byte).
    std::vector<LoopbackMessage> messages() const;
    // The same as texts: upper-case hex bytes separated by spaces, a long message prefixed
    // with "long " ("90 3C 64", "long F0 7E 7F 09 01 F7").
    std::vector<std::string> texts() const;
    // Sends the port refused as malformed (nothing recorded for them).
    std::size_t refusedCount() const;
    // How often the port was opened, and whether it is open now.
    int openCount() const;
    bool isOpen() const;
    // Forgets the messages and the refused count.
    void clear();

private:
    friend class LoopbackMidiPortSystem;
    friend class LoopbackMidiOutPort;

    mutable std::mutex mutex_;
    std::vector<LoopbackMessage> messages_;
    std::size_t refused_ = 0;
    int opens_ = 0;
    bool open_ = false;
};

// An input port's state, shared by the system and the open port so that either may go first.
struct LoopbackInputState;

class LoopbackMidiPortSystem : public MidiPortSystem {
public:
    explicit LoopbackMidiPortSystem(std::vector<std::string> portNames, std::vector<std::string> inputNames = {});

    std::string apiName() const override { return "loopback"; }
    std::vector<std::string> outputPortNames() override { return names_; }
    MidiOutOpenResult openOutput(int portId) override;
    std::vector<std::string> inputPortNames() override { return inputNames_; }
    MidiInOpenResult openInput(int portId, MidiInCallback callback) override;

    // Every later open of portId fails with error (and detail), until set back to None.
    void setOpenFailure(int portId, MidiOpenError error, std::string detail = {});
    // The record of a port; null for an unknown id.
    std::shared_ptr<LoopbackPortRecord> record(int portId) const;

    // Every later open of input port portId fails with error (and detail), until set back
    // to None.
    void setInputOpenFailure(int portId, MidiOpenError error, std::string detail = {});
    // Plays bytes (one message) into input port portId; true when they reached the callback,
    // false when the port is not open and started or the input filter dropped them. The
    // callback runs before this returns and must not inject into the same port.
    bool inject(int portId, std::span<const std::uint8_t> bytes, double time = 0.0);
    // Whether input port portId is open now.
    bool isInputOpen(int portId) const;

private:
    struct Port {
        std::shared_ptr<LoopbackPortRecord> record = std::make_shared<LoopbackPortRecord>();
        MidiOpenError failure = MidiOpenError::None;
        std::string failureDetail;
    };

    bool validId(int portId) const { return portId >= 0 && static_cast<std::size_t>(portId) < ports_.size(); }
    bool validInputId(int portId) const { return portId >= 0 && static_cast<std::size_t>(portId) < inputs_.size(); }

    std::vector<std::string> names_;
    std::vector<Port> ports_;
    std::vector<std::string> inputNames_;
    std::vector<std::shared_ptr<LoopbackInputState>> inputs_;
};

} // namespace velisto
