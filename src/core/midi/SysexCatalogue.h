#pragma once
// The system exclusive messages the decoder knows, for the browse dialog: by family
// ("Universal", "Non-universal GS", "Non-universal XG") and area, each with its parameter
// name and a complete message carrying the parameter's default value, ready to insert.
// Thread contract: pure functions, callable from any thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

class OutputDevice;

inline constexpr std::string_view kCatalogueUniversal = "Universal";
inline constexpr std::string_view kCatalogueGs = "Non-universal GS";
inline constexpr std::string_view kCatalogueXg = "Non-universal XG";

struct SysexCatalogueEntry {
    std::string_view family;           // one of the three family names above
    std::string area;                  // "GM mode", "System", "Part parameters", ...
    std::string name;                  // "Enter GM2", "master volume", "mod pitch control"
    std::vector<std::uint8_t> message; // after F0, up to and including F7
};

// The families in the order the dialog lists them.
std::vector<std::string_view> sysexCatalogueFamilies();

// Every known message, in family and area order. Messages carry the device's sysex ids
// (universal id, GS device id, XG device number) and its Global Parameter Control slot
// paths (the two default ones when it has none); without a device the ids are 7F and 10.
// Part parameters address part 1, drum setups key 36 (C3) of the first map.
std::vector<SysexCatalogueEntry> sysexCatalogue(const OutputDevice* device);

} // namespace velisto
