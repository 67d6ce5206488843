#pragma once
// The raw rows from which the four MidiModeDefinition objects are built: the names of
// all 128 controllers, the shared slot numbering of controllers, NRPNs, drum NRPNs and
// RPNs with the standards that track each slot, their defaults and display offsets.
// Constant data only; MidiModeDefinition is the interface to use.

#include "midi/MidiModeDefinition.h"

#include <array>
#include <string_view>

namespace velisto::standard_tables {

// Bits of the standards that track a slot.
inline constexpr unsigned kGM = 1u << MidiMode::GM;
inline constexpr unsigned kGS = 1u << MidiMode::GS;
inline constexpr unsigned kXG = 1u << MidiMode::XG;
inline constexpr unsigned kGM2 = 1u << MidiMode::GM2;
inline constexpr unsigned kAll = kGM | kGS | kXG | kGM2;

inline bool tracks(unsigned modes, int mode) { return (modes >> mode) & 1u; }

// Every standard names all 128 controllers; these are the names of GM, GS and XG unless a
// slot below gives XG or GM2 its own.
struct ControllerName {
    std::string_view longName;
    std::string_view shortName;
};
extern const std::array<ControllerName, 128> kControllerNames;

struct ControllerSlot {
    int controller;
    int defaultValue;
    int displayOffset;
    bool command;
    unsigned modes;          // the standards that track the slot
    std::string_view xgName; // empty: the common name
    std::string_view xgShortName;
    std::string_view gm2Name; // empty: the common name
    std::string_view gm2ShortName;
};
extern const std::array<ControllerSlot, kControllerSlotCount> kControllerSlots;

// NRPN and drum-NRPN slots: GS and XG rows; an empty name means that standard has no row.
struct NrpnSlot {
    int number;
    std::string_view gsName;
    std::string_view xgName;
    std::string_view shortName;
    int defaultValue;
    int displayOffset;
    bool lock;
};
extern const std::array<NrpnSlot, kNrpnSlotCount> kNrpnSlots;
extern const std::array<NrpnSlot, kDrumNrpnSlotCount> kDrumNrpnSlots;

// RPN rows, common to all four standards (RPN MSB 0, the number is the LSB).
struct RpnRowData {
    int number;
    int slot; // -1: described, not tracked
    std::string_view longName;
    std::string_view shortName;
    RpnDataKind dataKind;
    int defaultValue;
    double displayFactor;
    int displayOffset;
    std::string_view unit;
    bool lock;
};
extern const std::array<RpnRowData, 4> kRpnRows;

// Defaults of a slot a standard does not track, by ParamKind.
inline constexpr std::array<int, kParamKindCount> kEmptySlotDefault{64, 64, 20, 2};

} // namespace velisto::standard_tables
