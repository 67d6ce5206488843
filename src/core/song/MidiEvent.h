#pragma once
// One stored event of a track. A note carries its length instead of a note-off; text and
// sysex payloads hang off the record; controller, RPN, NRPN and drum-NRPN changes are
// stored by slot number of the MIDI standard definitions (see midi/MidiModeDefinition.h).

#include "song/DeepPtr.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velisto {

// Values of MidiEvent::status with the channel bits cleared (high nibble), or the full
// status for the kinds that carry no channel (0x40, 0x70..0x77).
namespace EventKind {
inline constexpr std::uint8_t ChannelPrefix = 0x10;
inline constexpr std::uint8_t DrumNrpn = 0x20;
inline constexpr std::uint8_t Sysex = 0x40;
inline constexpr std::uint8_t Nrpn = 0x50;
inline constexpr std::uint8_t Rpn = 0x60;
inline constexpr std::uint8_t Lyric = 0x70;
inline constexpr std::uint8_t Marker = 0x71;
inline constexpr std::uint8_t InstrumentName = 0x72;
inline constexpr std::uint8_t Text = 0x73;
inline constexpr std::uint8_t CuePoint = 0x74;
inline constexpr std::uint8_t Copyright = 0x75;
inline constexpr std::uint8_t ProgramName = 0x76;
inline constexpr std::uint8_t DeviceName = 0x77;
inline constexpr std::uint8_t Note = 0x90;
inline constexpr std::uint8_t PolyPressure = 0xA0;
inline constexpr std::uint8_t Controller = 0xB0;
inline constexpr std::uint8_t ProgramChange = 0xC0;
inline constexpr std::uint8_t ChannelPressure = 0xD0;
inline constexpr std::uint8_t PitchBend = 0xE0;
} // namespace EventKind

// data3 of every event that is not a drum NRPN.
inline constexpr std::uint8_t kNoDrumKey = 27;
// Display lengths of events that have no real length.
inline constexpr std::int32_t kFileChannelEventLength = 9999;
inline constexpr std::int32_t kDefaultEventLength = 120;

struct MidiEvent {
    std::int32_t tick = 0;          // absolute ticks from the song start, without tickOffset
    std::uint8_t status = 0;        // kind in the high nibble, channel in the low nibble
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint8_t data3 = kNoDrumKey; // drum key of a drum NRPN
    std::int32_t length = kDefaultEventLength; // ticks (>= 1) for a note, display placeholder else
    DeepPtr<std::string> text;                 // kinds 0x70..0x77 only
    DeepPtr<std::vector<std::uint8_t>> sysex;  // kind 0x40 only: bytes after F0 up to and including F7

    // The kind: status with the channel nibble cleared, except for 0x40 and 0x7x which are whole.
    std::uint8_t kind() const { return isTextKind(status) || status == EventKind::Sysex ? status : std::uint8_t(status & 0xF0); }
    int channel() const { return status & 0x0F; }

    static bool isTextKind(std::uint8_t status) { return status >= EventKind::Lyric && status <= EventKind::DeviceName; }
    bool isText() const { return isTextKind(status); }
    bool isSysex() const { return status == EventKind::Sysex; }
    // Any kind but system exclusive and the text kinds.
    bool isChannelEvent() const { return !isSysex() && !isText(); }
    // The kinds that pitch transforms and key filters act on.
    bool isKeyEvent() const
    {
        const auto k = kind();
        return k == EventKind::Note || k == EventKind::PolyPressure || k == EventKind::DrumNrpn;
    }
    // The key an event is about: data3 for a drum NRPN, data1 for notes and key pressure.
    int key() const { return kind() == EventKind::DrumNrpn ? data3 : data1; }

    static MidiEvent channelEvent(std::int32_t tick, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                  std::int32_t length = kDefaultEventLength);
    static MidiEvent note(std::int32_t tick, int channel, int key, int velocity, std::int32_t length);
    static MidiEvent drumNrpn(std::int32_t tick, int channel, int slot, int key, int value);
    static MidiEvent textEvent(std::int32_t tick, std::uint8_t kind, std::string text);
    // bytes: after F0 up to and including the closing F7.
    static MidiEvent sysexEvent(std::int32_t tick, std::vector<std::uint8_t> bytes);

    // Same record and same payload contents.
    bool operator==(const MidiEvent& other) const;
};

} // namespace velisto
