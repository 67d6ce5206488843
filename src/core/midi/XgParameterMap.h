#pragma once
// The Yamaha XG parameter address map: system (00 00 xx), effects (02 01 xx), multi part
// (08 pp xx) and drum setup (3n rr xx) rows, the reverb, chorus and variation effect type
// lists, and what the browse dialog offers. Constant tables; callable from any thread.

#include "midi/SysexParameter.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velisto {

// Rows the interpreter acts on beyond storing a value.
enum class XgRole {
    None,
    SystemOn,          // 00 00 7E "mode": XG System On
    ResetDrumSetup,    // 00 00 7D "reset drum setup map"
    AllParameterReset, // 00 00 7F
    ReverbType,        // 02 01 00: MSB * 128 + LSB, a type list (xgReverbTypeList())
    ChorusType,        // 02 01 20: a type list (xgChorusTypeList())
    VariationType,     // 02 01 40: a type list (xgVariationTypeList()); the device remembers it
    PartChannel,       // 08 pp 04 "midi channel": 00..0F, 7F off
    PartBankMsb,       // 08 pp 01
    PartBankLsb,       // 08 pp 02
    PartProgram,       // 08 pp 03
    PartRhythm,        // 08 pp 07 "use for rythm part", the XG part mode
};

struct XgLookup {
    const SysexParameter* parameter = nullptr; // null: no row at this address
    // "part 3 bank select MSB", "drum setup 1 key 'C3' pitch course", "Reverb type"
    std::string description;
    // SysexError::UnknownXg or SysexError::XgVariation when parameter is null
    std::string error;
    int partNumber = 0; // 1..16 for multi part rows, else 0
    XgRole role = XgRole::None;
    int drumSetup = 0; // 1 (DRUMS 1) or 2 (DRUMS 2) for drum setup rows, else 0
    int drumKey = -1;  // 0..127 for drum setup rows, else -1
};

// variationType: MSB * 128 + LSB of the selected variation type; -1 when unknown. The
// variation parameters (02 01 42..55 in pairs, 70..75) are named after the selected type;
// an unknown type, or an MSB that no XG variation type has, gives the generic rows
// "Variation parameter N". A type without the addressed parameter (OFF and THRU have
// none) gives SysexError::XgVariation. An LSB the receiver does not know selects the basic
// type of its MSB, so only the MSB decides.
XgLookup xgParameterAt(std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, int variationType);

// Backslash-terminated lists alternating type name and "MSB,LSB" in decimal:
// "OFF\0,0\Hall1\1,0\...".
std::string_view xgReverbTypeList();
std::string_view xgChorusTypeList();
std::string_view xgVariationTypeList();
// The name of the type msb/lsb in such a list; empty when the list has no such pair.
std::string_view xgEffectTypeName(std::string_view typeList, int msb, int lsb);

// What the browse dialog lists under "Non-universal XG": area "System", "Effect",
// "Multi part" (addressed to part 1) or "Drum setup" (drum setup 1, key 36), the row's
// name, its address, the raw default value and the number of data bytes. The variation
// parameters appear with their generic names.
struct XgCatalogueEntry {
    std::string_view area;
    std::string_view name;
    std::array<std::uint8_t, 3> address;
    int defaultValue;
    int dataBytes;
};
std::span<const XgCatalogueEntry> xgCatalogue();

} // namespace velisto
