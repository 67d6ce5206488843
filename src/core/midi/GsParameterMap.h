#pragma once
// The Roland GS parameter address map of data-set messages (F0 41 dev 42 12 a1 a2 a3 data
// checksum F7): system mode set (00 00 7F), system (40 00 xx), effects (40 01 xx),
// equalizer (40 02 xx), insertion effect (40 03 xx), part parameters (40 1p xx and
// 40 4p xx), part controller settings (40 2p xx) and drum setup (41 mk rr). Addresses, data
// widths and raw ranges follow the published GS map. Constant tables, one lookup.
// Thread contract: immutable data and pure functions, callable from any thread.

#include "midi/SysexParameter.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velisto {

enum class GsArea { None, System, Effects, Part, PartController, DrumSetup };

// One row of an area: the address byte that selects it (the last address byte; for the
// drum setup the parameter nibble k of 41 mk rr).
struct GsMapRow {
    std::uint8_t address = 0;
    SysexParameter parameter;
    SysexPartKind partKind = SysexPartKind::None;
};

// A source block of the part controller settings (40 2p s0..sA).
struct GsControllerSource {
    std::string_view prefix; // "mod ", "bend ", ...; precedes the destination's name
    std::uint8_t address;    // the high nibble of the last address byte, as 0x00, 0x10, ...
};

struct GsLookup {
    const SysexParameter* parameter = nullptr; // nullptr: no parameter at this address
    GsArea area = GsArea::None;
    // "master volume", "part 10 midi channel", "part 1 mod pitch control",
    // "drum map 1's C3 play pitch"; empty without a parameter.
    std::string description;
    int partNumber = 0; // 1..16 in the part areas, else 0
    SysexPartKind partKind = SysexPartKind::None;
    int drumMap = 0;  // 1 or 2 in the drum setup, else 0
    int drumKey = -1; // 0..127 in the drum setup, else -1
};

// The parameter at a GS address. Only a row's first address names it: the second byte of
// the two-byte tone number, for instance, is no address of its own.
GsLookup gsParameterAt(std::uint8_t a1, std::uint8_t a2, std::uint8_t a3);

// The rows of each area, in address order, for the browse catalogue.
std::span<const GsMapRow> gsSystemRows();
std::span<const GsMapRow> gsEffectRows();
std::span<const GsMapRow> gsPartRows();
std::span<const GsMapRow> gsEqualizerRows();       // 40 02 xx
std::span<const GsMapRow> gsInsertionEffectRows(); // 40 03 xx
std::span<const GsMapRow> gsPartToneMapRows();     // 40 4p xx
std::span<const GsControllerSource> gsControllerSources();
std::span<const GsMapRow> gsControllerDestinations(); // address: the low nibble 0..A
std::span<const GsMapRow> gsDrumRows();               // address: the parameter nibble k
// The destination row as it applies to a source: the pitch control of "bend " is the bend
// range (0 to +24 semitones), the other sources share the table.
const SysexParameter& gsControllerParameter(const GsControllerSource& source, const GsMapRow& destination);

// The GS checksum of address and data bytes: the value that makes their sum plus the
// checksum a multiple of 128.
std::uint8_t gsChecksum(std::span<const std::uint8_t> addressAndData);

} // namespace velisto
