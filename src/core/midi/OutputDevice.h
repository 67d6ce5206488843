#pragma once
// One receiver that tracks play through: the placeholder that swallows everything, the
// Internal Sound Generator, or a MIDI output port. It carries the user's description of
// the receiver (standards, sysex ids, running status, power-on mode), the open port, the
// live and target models of what the receiver holds, its row among the open devices and
// the table of pending note-offs.
// Thread contract: the user-interface thread alone opens, closes and changes the
// parameters (through DeviceTable); while the device is open the sending threads (user
// interface, play timer callback, MIDI input callback) write the live state, the running
// status, the RPN/NRPN address cache and the note-off table under sendMutex().

#include "midi/DeviceMidiState.h"
#include "midi/MidiOutPort.h"
#include "midi/ProgramIndex.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

class GeneratorSink;

inline constexpr std::string_view kPlaceholderDeviceName = "no MIDI Output device";
inline constexpr std::string_view kGeneratorDeviceName = "Velisto's Internal Sound Generator";

// A note sounding on the device, waiting for its note-off.
struct NoteOffEntry {
    static constexpr std::int32_t kFree = -1;

    std::uint32_t offTick = 0;
    std::uint32_t channel = 0; // 0..15
    std::uint8_t key = 0;      // 0..127
    std::int32_t inUse = kFree;

    bool operator==(const NoteOffEntry&) const = default;
};

inline constexpr std::size_t kNoteOffSlots = 40;

// What the last parameter number on a channel addressed, so that a data entry that follows
// needs no new address.
namespace RpnNrpnKind {
inline constexpr std::int32_t None = -1;
inline constexpr std::int32_t Rpn = 0;
inline constexpr std::int32_t Nrpn = 1;
inline constexpr std::int32_t DrumNrpn = 2;
} // namespace RpnNrpnKind

inline constexpr std::int32_t kNoRunningStatus = -1;

class OutputDevice {
public:
    static constexpr int kChannels = 16;

    // portId is meaningful for ports only (index 2 and up).
    OutputDevice(std::uint32_t tableIndex, std::string deviceName, std::uint32_t port = 0);

    // ---- fields, in the order the device keeps them ----
    std::uint32_t portId = 0; // the MIDI system's output port number
    std::uint32_t index = 0;  // own position in the device table
    std::string name;
    // (the open port handle is private: port())
    DeviceMidiState liveState;   // what the receiver holds now
    DeviceMidiState targetState; // what the song's beginning establishes; scratch for the program index
    ProgramIndex programIndex;   // program selections per channel of this device's tracks
    std::int32_t trackMode = 0;  // MIDI standard of this device's tracks, 0..3; 0 on open
    // (the open flag is private: isOpen())
    std::array<std::int32_t, kChannels> lastRpnNrpnKind{}; // RpnNrpnKind per channel
    bool useRunningStatus = false;
    std::int32_t runningStatus = kNoRunningStatus; // last status byte sent
    std::int32_t powerOnMode = MidiMode::GM;       // the mode the receiver starts in
    bool gsSupported = false;
    bool xgSupported = false;
    bool gm2Supported = false;
    std::string nonUniversalSysexId = "10"; // hex digits
    std::string universalSysexId = "7F";
    std::string nativeModelId = "42";
    bool wasOpen = false; // open in the previous run
    // The generator's sampler state and the device window (both owned while open) join here.
    std::int32_t row = 0; // 1-based place among the open devices; 0 while closed
    bool isDefault = false;
    std::vector<std::string> slotPaths;        // SlotPathDefinition texts (GM2 global parameter control)
    std::vector<std::string> generatorEntries; // IsgChannelRoute texts, the generator only
    std::array<NoteOffEntry, kNoteOffSlots> noteOffs{};
    // XG variation type (MSB * 128 + LSB) last sent to the receiver; -1 while unknown.
    std::int32_t lastXgVariationType = -1;

    // ---- sending (EventOutput), guarded by sendMutex() while the device is open ----
    std::array<std::int32_t, kChannels> lastRpnNrpnSlot{}; // slot of the last address per channel
    std::array<std::int32_t, kChannels> lastDrumNrpnKey{}; // key of the last drum NRPN address
    GeneratorSink* generatorSink = nullptr;                // the generator's voices; null: silent
    // Held for a whole send (interpretation, caches, every byte of a multi-message event)
    // and by other threads while they copy or read the live and target states.
    std::mutex& sendMutex() const { return sendMutex_; }

    // ---- queries ----
    bool isPlaceholder() const { return name == kPlaceholderDeviceName; }
    bool isGenerator() const { return name == kGeneratorDeviceName; }
    // A MIDI output port of the machine (neither placeholder nor generator).
    bool isPort() const { return !isPlaceholder() && !isGenerator(); }
    bool isOpen() const { return open_; }
    // "GM", "GS", "XG" or "GM2": the live state's mode.
    std::string_view liveModeName() const { return liveState.modeName(); }
    // The open port; null while closed, and always for the placeholder and the generator.
    MidiOutPort* port() const { return port_.get(); }

    // Forgets what was sent: the RPN/NRPN kinds and the running status to none, the track
    // mode to GM, the live state fully reset to the power-on mode.
    void resetSendingState();

private:
    friend class DeviceTable;

    std::unique_ptr<MidiOutPort> port_;
    bool open_ = false;
    mutable std::mutex sendMutex_;
};

} // namespace velisto
