#pragma once
// The four MIDI standards Velisto understands (GM, GS, XG, GM2), each described by one
// constant MidiModeDefinition built once and never changed. Their slot numbering is how
// the song stores controller, NRPN, drum-NRPN and RPN changes: one numbering per kind,
// shared by all four standards, of which each standard tracks a subset.
// Thread contract: the definitions are immutable after their first use (function-local
// statics), so any thread may query them.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

namespace MidiMode {
inline constexpr int GM = 0;
inline constexpr int GS = 1;
inline constexpr int XG = 2;
inline constexpr int GM2 = 3;
inline constexpr int Count = 4;
} // namespace MidiMode

// The four parameter kinds; the message number of each is the controller number, the
// NRPN LSB (with NRPN MSB 1), the drum-NRPN MSB (its LSB is the drum key) or the RPN LSB
// (with RPN MSB 0).
enum class ParamKind { Controller, Nrpn, DrumNrpn, Rpn };

inline constexpr int kParamKindCount = 4;
inline constexpr int kControllerSlotCount = 33;
inline constexpr int kNrpnSlotCount = 19;
inline constexpr int kDrumNrpnSlotCount = 23;
inline constexpr int kRpnSlotCount = 3;
// Number of slots of a kind (33, 19, 23, 3).
int slotCount(ParamKind kind);

// Slots that the rest of the program names directly.
inline constexpr int kNrpnLockInSlot = 18; // NRPN 7F/7F, the null parameter
inline constexpr int kRpnLockInSlot = 2;   // RPN 7F/7F, the null parameter
// NRPN MSB of every ordinary NRPN row; the lock-in row is addressed with MSB and LSB 0x7F.
inline constexpr int kNrpnMsb = 0x01;
inline constexpr int kNullParameterNumber = 0x7F;

// Controller numbers that the program treats specially (see isControllerSlot).
namespace Cc {
inline constexpr int BankMsb = 0;
inline constexpr int Modulation = 1;
inline constexpr int Volume = 7;
inline constexpr int Pan = 10;
inline constexpr int Expression = 11;
inline constexpr int BankLsb = 32;
inline constexpr int Sustain = 64;
inline constexpr int Portamento = 65;
inline constexpr int Sostenuto = 66;
inline constexpr int Soft = 67;
inline constexpr int Hold2 = 69;
inline constexpr int Reverb = 91;
inline constexpr int Chorus = 93;
inline constexpr int AllSoundsOff = 120;
inline constexpr int ResetAllControllers = 121;
inline constexpr int AllNotesOff = 123;
inline constexpr int OmniOff = 124;
inline constexpr int OmniOn = 125;
inline constexpr int MonoOn = 126;
inline constexpr int PolyOn = 127;
} // namespace Cc

// How an RPN's value travels: the data entry MSB alone, MSB and LSB, or no data at all
// (the lock-in). Texts "MSBONLY", "MSBLSB", "NOTHING".
enum class RpnDataKind { MsbOnly, MsbLsb, Nothing };
std::string_view rpnDataKindText(RpnDataKind kind);

// One row of a definition, at the position of its message number.
struct ParamRow {
    int slot = -1;              // -1: the standard names the parameter but does not track it
    std::string_view longName;  // empty: the standard has no row for this number
    std::string_view shortName; // at most 8 characters, for knobs and narrow columns
    int defaultValue = 0;
    int displayOffset = 0; // added to the value for display: -64 shows 64 as 0
    bool command = false;  // controllers: no stored value (All Notes off, mode messages);
                           // NRPN and RPN: the lock-in row
    // RPN rows only. A lock-in row (Nothing) shows no default, factor, offset or unit.
    RpnDataKind dataKind = RpnDataKind::MsbOnly;
    double displayFactor = 1.0; // the value is multiplied by this before the offset is added
    std::string_view unit;

    bool exists() const { return !longName.empty(); }
    bool tracked() const { return slot >= 0; }
};

class MidiModeDefinition {
  public:
    MidiModeDefinition(const MidiModeDefinition&) = delete;
    MidiModeDefinition& operator=(const MidiModeDefinition&) = delete;

    int mode() const { return mode_; }
    std::string_view name() const;

    // The row at a message number (0..127); nullptr when the number is out of range or
    // the standard has no row there.
    const ParamRow* row(ParamKind kind, int number) const;
    // The row of a slot this standard tracks; nullptr when it does not track it.
    const ParamRow* rowOfSlot(ParamKind kind, int slot) const;
    // The row as the definition text of backslash-terminated fields, empty when there is
    // no row. Controllers and NRPNs: slot\long\short\default\offset\YES|NO\ (e.g.
    // "4\Main Volume MSB\Volume\100\-0\NO\"); drum NRPNs: slot\long\short\default\offset\;
    // RPNs: slot\long\short\kind\default\*factor\offset\unit\YES|NO\. An untracked row has
    // an empty slot field.
    std::string rowText(ParamKind kind, int number) const;

    // Slot of a message number and message number of a slot; -1 when none.
    int slotOf(ParamKind kind, int number) const;
    int numberOf(ParamKind kind, int slot) const;
    bool isUsed(ParamKind kind, int slot) const { return numberOf(kind, slot) >= 0; }

    // The default of a slot; for a slot the standard does not track, the kind's empty-slot
    // default (controllers 64, NRPNs 64, drum NRPNs 20, RPNs 2).
    int defaultOf(ParamKind kind, int slot) const;
    // 0 for a slot the standard does not track.
    int displayOffsetOf(ParamKind kind, int slot) const;
    // value * factor + offset as this standard shows it (the factor is 1 except for RPNs).
    double displayValue(ParamKind kind, int slot, int value) const;
    // Names and the command flag describe the slot even where this standard does not track
    // it, so that a refusal can name what was refused: this standard's row for the slot's
    // number when it has one, else the row of the first standard (GM, GS, XG, GM2) that
    // tracks the slot. Empty for an invalid slot.
    std::string_view longName(ParamKind kind, int slot) const;
    std::string_view shortName(ParamKind kind, int slot) const;
    bool isCommand(ParamKind kind, int slot) const;

    // Whether a controller slot stands for the controller number (the Cc constants). The
    // numbering is shared, so the answer is the same in every standard, tracked or not.
    bool isControllerSlot(int slot, int controllerNumber) const;
    // Omni off/on, mono on, poly on (controllers 124..127).
    bool isModeMessage(int slot) const;

    // Drum maps of the receiver: GM 1, GS 2, XG 3, GM2 0 (GM2 uses per-channel key maps).
    int drumMapCount() const;
    // "PSEUDO-MAP 1"; "MAP1 (editable)", "MAP2 (editable)"; "DRUM (not editable)",
    // "DRUMS 1 (editable)", "DRUMS 2 (editable)". Empty for a map the standard lacks.
    std::string drumMapName(int map) const;
    // Whether drum NRPNs may change the map (GS both, XG DRUMS 1 and 2, never in GM).
    bool isDrumMapEditable(int map) const;
    // The part's rhythm value marks a rhythm part: GS above 0, XG above 1; GM and GM2
    // never decide it by value (GM2 tells rhythm parts by their bank).
    bool isRhythmValue(int rhythmValue) const;

    // GS part address byte of part 1..16: the block (part 10 is 0, parts 1..9 are 1..9,
    // parts 11..16 are 10..15) plus 16 for the part area (40 1p xx) or 32 for the second
    // area (40 2p xx). -1 for another part.
    static int gsPartAddress(int part, bool secondArea);
    // The part (1..16) of a GS block nibble 0..15; -1 otherwise.
    static int gsPartOfBlock(int block);
    // XG multi-part address byte (08 pp xx) of part 1..16: part - 1; -1 for another part.
    static int xgPartAddress(int part);

    // GM2 key-based instrument controllers: in GM2 every tracked controller slot except
    // bank select and the command rows, with All Sounds off and Reset All Controllers
    // admitted; nothing in the other standards.
    bool isKeyBasedCapable(int slot) const;
    // The key-based slot of a controller number; -1 when it is not key-based capable.
    int keyBasedSlotOf(int controllerNumber) const;
    // Power-on value of a key-based controller for a key of a drum kit (GM2 program):
    // pan from the kit's pan table, reverb 0 for keys 35 and 36 else 127, chorus 0,
    // everything else 64.
    static int keyBasedDefault(int slot, int key, int drumProgram);

    // Drum kit and drum names of this standard (see MidiStandardNames.h).
    std::string_view drumKitName(int program) const;
    std::string_view drumName(int key, int drumProgram) const;

  private:
    friend const MidiModeDefinition& midiModeDefinition(int mode);
    explicit MidiModeDefinition(int mode);

    struct KindTable {
        std::array<ParamRow, 128> rows{};
        std::array<int, kControllerSlotCount> numberOfSlot{}; // -1 = not tracked
    };
    const KindTable& table(ParamKind kind) const { return kinds_[static_cast<std::size_t>(kind)]; }
    KindTable& table(ParamKind kind) { return kinds_[static_cast<std::size_t>(kind)]; }
    void buildControllers();
    void buildNrpns();
    void buildDrumNrpns();
    void buildRpns();
    const ParamRow* describingRow(ParamKind kind, int slot) const;

    int mode_;
    std::array<KindTable, kParamKindCount> kinds_{};
};

// The definition of mode 0..3, built on first use and never changed. A mode outside 0..3
// is a programming error: debug builds assert, release builds answer with GM's definition.
const MidiModeDefinition& midiModeDefinition(int mode);

// "GM", "GS", "XG", "GM2"; empty for any other number.
std::string_view midiModeName(int mode);

// Slot that the song stores for a message number (controller number, NRPN LSB,
// drum-NRPN MSB, RPN LSB): the first definition in the order GM, GS, XG, GM2 that has
// one. -1 when none has.
int slotForSong(ParamKind kind, int number);
// The message number of a slot, for output or a file; -1 when no definition uses the slot.
int numberForOutput(ParamKind kind, int slot);

// One entry of a choice list: the number stored and the text the list shows.
struct ValueChoice {
    int value = 0;
    std::string text;
    bool operator==(const ValueChoice&) const = default;
};

// Every slot of the kind in slot order, by its long name in the first standard that tracks
// it; a slot no standard tracks shows its number.
std::vector<ValueChoice> parameterChoices(ParamKind kind);

} // namespace velisto
