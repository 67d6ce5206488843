#pragma once
// What the receiver behind an output device currently holds: its MIDI mode, each
// channel's controller, RPN, NRPN, pitch bend and pressure values, the sixteen parts with
// their channel assignment, rhythm use, bank and program, the drum maps with their
// per-key drum-NRPN values and, in GM2, the key-based instrument controllers. A device
// keeps two: the live state that every sent event updates, and the target state that the
// song's beginning is played into before a run.
//
// Numbering: channels 0..15, parts 1..16 (as the receiver and its sysex number them),
// keys 0..127, slots as in MidiModeDefinition, drum and key maps from 0. All stored values
// are 7-bit (0..127) unless a field says otherwise.
//
// Thread contract: no locking inside. A device's live state is written by whichever thread
// sends through the device (user interface, play timer callback, MIDI input callback),
// exactly as the device's sending is unlocked; the target state belongs to the thread that
// fills it.

#include "midi/MidiModeDefinition.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

// The three resets of a state; their texts are "resetmidimode", "resetallcontrollermode"
// and "resetmap".
enum class ResetKind { MidiMode, AllControllers, Map };
std::string_view resetKindText(ResetKind kind);
std::optional<ResetKind> resetKindFromText(std::string_view text);

// What a part plays after a program change, for the program index and for naming the
// part's sound: an instrument (program with its bank) or a drum kit (a drum map's program,
// or in GM2 the part's program on a rhythm part).
struct ProgramSelection {
    int part = 0;         // 1..16
    int midiChannel = -1; // the part's receive channel, -1 = off
    int program = 0;      // instrument program, or the kit's program on a rhythm part
    int bankMsb = 0;      // the part's bank fields
    int bankLsb = 0;
    int drumMap = -1;    // drum map (GM, GS, XG) the part plays from; -1 = none
    bool rhythm = false; // the part counts as a rhythm part in the current mode
    bool effect = false; // XG: the drum map holds a sound effect kit (bank MSB 126)

    bool operator==(const ProgramSelection&) const = default;
};

class DeviceMidiState {
  public:
    static constexpr int kChannels = 16;
    static constexpr int kParts = 16;
    static constexpr int kKeys = 128;
    static constexpr int kGm2KeyMapCount = 16;
    // The part that a full reset makes the rhythm part in every mode.
    static constexpr int kRhythmPart = 10;
    // GM2 tells rhythm parts by their bank; the rhythm value only marks them. Every GM2
    // rhythm part gets this value, the one a reset gives part 10.
    static constexpr int kGm2RhythmValue = 9;
    static constexpr int kGm2DrumBank = 120;
    static constexpr int kGm2MelodyBank = 121;
    static constexpr int kXgSfxBank = 126;
    static constexpr int kXgDrumBank = 127;

    // One drum map of GM (a pseudo map), GS or XG.
    struct DrumMap {
        int mapProgram = 0;       // the drum kit selected by a program change on the map's part
        bool mapIsEffect = false; // XG: the kit came from bank MSB 126 (sound effect kits)
        std::array<std::array<int, kDrumNrpnSlotCount>, kKeys> values{}; // [key][drum NRPN slot]

        bool operator==(const DrumMap&) const = default;
    };

    // GM2 key-based instrument controllers of one part.
    struct KeyMap {
        bool valid = false;
        std::array<std::array<int, kControllerSlotCount>, kKeys> values{}; // [key][controller slot]

        bool operator==(const KeyMap&) const = default;
    };

    struct Part {
        // "Use for rythm": 0 = instrument part; in GM, GS and XG a value r above 0 plays
        // from drum map r - 1 (XG: 1 DRUM, 2 DRUMS 1, 3 DRUMS 2); GM2: kGm2RhythmValue.
        int rhythmValue = 0;
        int midiChannel = -1; // receive channel 0..15, -1 = off
        int bankMsb = 0;
        int bankLsb = 0;
        int program = 0;
        // The bank of the last instrument (not drum kit) selected, so that leaving the
        // drum bank can return to it.
        int lastEnteredBankMsb = 0;
        int lastEnteredBankLsb = 0;

        bool operator==(const Part&) const = default;
    };

    // An empty state: mode GM, every value 0, no maps, no part receiving any channel, reset
    // not done. A device resets it fully before first use.
    DeviceMidiState();

    int mode() const { return mode_; }
    // Changes the mode only; the caller follows with a full reset. False (and unchanged)
    // for a mode outside 0..3.
    bool setMode(int mode);
    // "GM", "GS", "XG" or "GM2".
    std::string_view modeName() const;
    const MidiModeDefinition& definition() const;
    // Set by the first full reset.
    bool resetDone() const { return resetDone_; }

    // MidiMode: full reset to the current mode (argument unused). AllControllers: Reset All
    // Controllers on channel `argument`. Map: refill drum map `argument` (GM, GS, XG) or
    // GM2 key map `argument` (the part's index, 0..15) from its defaults. False, with
    // nothing changed, for an argument out of range or a map the state does not hold.
    bool reset(ResetKind kind, int argument = 0);

    // A program change arriving at part 1..16 with program 0..127, under the bank the part
    // holds: may move the part in or out of the drum bank (XG, GM2), sets the instrument or
    // the drum kit, and in GS and GM2 refills the drum/key map with the kit's defaults.
    // Returns what the part plays now, so that the caller can record it in the program
    // index; nullopt (nothing changed) for a part or program out of range.
    std::optional<ProgramSelection> programChangeOfPart(int part, int program);
    // What part 1..16 plays now; nullopt for another part number.
    std::optional<ProgramSelection> selectionOfPart(int part) const;

    // ---- parts ----
    const std::array<Part, kParts>& parts() const { return parts_; }
    // Part 1..16; nullptr for another number.
    const Part* part(int part) const;
    // Whether part 1..16 receives channel 0..15 (receive matrix).
    bool receives(int channel, int part) const;
    // The lowest-numbered part (1..16) receiving the channel; -1 when no part receives it
    // or the channel is out of range. Several parts on one channel all act on its events;
    // queries that need one part take this one.
    int partOfChannel(int channel) const;
    // GS and XG by the definition's rhythm test (XG: above 1); GM and GM2: rhythm value
    // above 0. False for a part out of range.
    bool isRhythmPart(int part) const;
    // Whether any part receiving the channel is a rhythm part: its notes may then sound a
    // drum kit, even where an instrument part shares the channel.
    bool isRhythmChannel(int channel) const;
    // The drum map (0-based) that part 1..16 plays from: rhythm value - 1 in GM, GS and XG
    // (so GM's part 10 uses its pseudo map 0). -1 for an instrument part, in GM2, or when
    // the state holds no such map.
    int drumMapOfPart(int part) const;
    // GM2: the key map of the channel's part (index = part - 1); -1 outside GM2, for a
    // channel no part receives, or when the state holds no key maps.
    int keyMapOfChannel(int channel) const;
    // Highest rhythm value the mode allows: its drum map count (GM 1, GS 2, XG 3), GM2
    // kGm2RhythmValue.
    int maxRhythmValue() const;

    bool setPartRhythmValue(int part, int value); // 0..maxRhythmValue()
    bool setPartBankMsb(int part, int value);
    bool setPartBankLsb(int part, int value);
    // Moves part 1..16 to receive channel 0..15, or -1 for none: the part leaves every
    // receive-matrix row and enters the new channel's.
    bool assignPartChannel(int part, int channel);

    // ---- channel values (channel 0..15) ----
    // Getters answer -1 for an index out of range. Setters store a 0..127 value and answer
    // false, storing nothing, for any index or value out of range. They do not judge
    // whether the mode tracks the slot: that is the interpreter's decision.
    int controllerValue(int channel, int slot) const;
    bool setControllerValue(int channel, int slot, int value);
    int nrpnValue(int channel, int slot) const;
    bool setNrpnValue(int channel, int slot, int value);
    int rpnValue(int channel, int slot) const;
    bool setRpnValue(int channel, int slot, int value);
    int pitchBendLsb(int channel) const;
    int pitchBendMsb(int channel) const;
    // (MSB - 64) * 128 + LSB: -8192..8191, 0 = centre. 0 for a channel out of range.
    int pitchBend(int channel) const;
    bool setPitchBend(int channel, int lsb, int msb);
    int channelPressure(int channel) const;
    bool setChannelPressure(int channel, int value);
    int polyKeyValue(int channel, int key) const;
    bool setPolyKeyValue(int channel, int key, int value);

    // ---- the whole receiver ----
    // Master volume 0..kMaxMasterVolume (universal device control; GS master volume scaled
    // up); full after a mode reset. The setter refuses a value out of range.
    static constexpr int kMaxMasterVolume = 0x3FFF;
    int masterVolume() const { return masterVolume_; }
    bool setMasterVolume(int value);

    // ---- drum maps (GM, GS, XG) ----
    int drumMapCount() const { return static_cast<int>(drumMaps_.size()); }
    // nullptr for a map the state does not hold.
    const DrumMap* drumMap(int map) const;
    int drumNrpnValue(int map, int key, int slot) const;
    bool setDrumNrpnValue(int map, int key, int slot, int value);
    // Sets the kit of a drum map directly (XG drum setup messages, adjusting).
    bool setDrumMapProgram(int map, int program, bool isEffect);

    // ---- GM2 key maps ----
    int keyMapCount() const { return static_cast<int>(keyMaps_.size()); }
    const KeyMap* keyMap(int map) const;
    int keyBasedValue(int map, int key, int slot) const;
    bool setKeyBasedValue(int map, int key, int slot, int value);

    // The drum sound of a key as part 1..16 plays it: from its drum map's kit (GM2: the
    // part's kit); an instrument part, or no part, names the key like the mode's standard
    // kit. Empty where the kit has no sound, and for an XG sound effect map, whose sounds
    // the definitions do not name by key.
    std::string_view drumName(int part, int key) const;

    // The output monitor's "DEVICEMIDISTATES" report, one entry per line.
    std::vector<std::string> dump(std::string_view deviceName) const;

    bool operator==(const DeviceMidiState&) const = default;

  private:
    template <typename T, std::size_t N> using Table = std::array<std::array<T, N>, kChannels>;

    void fullReset();
    void resetAllControllers(int channel);
    void resetDrumMap(DrumMap& map) const;
    void resetKeyMap(int map);
    void resetPartsAfterModeReset();
    void applyBankRhythmRules(Part& part);
    void dumpParts(std::vector<std::string>& lines) const;
    void dumpDrumMaps(std::vector<std::string>& lines) const;
    void dumpChannels(std::vector<std::string>& lines) const;

    int mode_ = MidiMode::GM;
    Table<int, kControllerSlotCount> controllerValues_{};
    Table<int, kNrpnSlotCount> nrpnValues_{};
    std::array<int, kChannels> pitchBendLsb_{};
    std::array<int, kChannels> pitchBendMsb_{};
    std::vector<DrumMap> drumMaps_;
    std::array<Part, kParts> parts_{};
    Table<bool, kParts> receiveMatrix_{}; // [channel][part index]
    Table<int, kRpnSlotCount> rpnValues_{};
    std::array<int, kChannels> channelPressure_{};
    Table<int, kKeys> polyKeyValues_{};
    std::vector<KeyMap> keyMaps_;
    int masterVolume_ = kMaxMasterVolume;
    bool resetDone_ = false;
};

} // namespace velisto
