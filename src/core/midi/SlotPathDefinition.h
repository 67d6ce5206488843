#pragma once
// A GM2 Global Parameter Control definition of one output device: the slot path that a
// message addresses, the widths of its parameter ids and values, and what each parameter
// means (a list of named types, or a free value shown through a unit and a formula).
// Stored as one text of fields, each ended by a backslash: slot path (hex digits of the
// MSB/LSB pairs), name, parameter id width, value width, then per parameter its id, name,
// kind (1 type list, 0 free value) and either "value;name;value;name..." or "unit;formula".
// Thread contract: plain value type; pure functions, callable from any thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

inline constexpr std::string_view kNewSlotPathName = "New slotpath";
inline constexpr std::size_t kMaxSlotPathEntries = 4;

struct SlotPathEntry {
    std::uint8_t msb = 0; // 0..7F
    std::uint8_t lsb = 0; // 0..7F
    bool operator==(const SlotPathEntry&) const = default;
};

struct SlotPathType {
    int value = 0; // 0..maxForWidth(value width)
    std::string name;
    bool operator==(const SlotPathType&) const = default;
};

struct SlotPathParameter {
    enum class Kind { FreeValue = 0, TypeList = 1 };

    int id = 0; // 0..maxForWidth(parameter id width), unique in its slot path
    std::string name;
    Kind kind = Kind::TypeList;
    std::vector<SlotPathType> types; // TypeList only
    std::string unit;                // FreeValue only
    std::string formula;             // FreeValue only; see Formula.h
    bool operator==(const SlotPathParameter&) const = default;
};

struct SlotPathParse;

struct SlotPathDefinition {
    std::vector<SlotPathEntry> slotPath; // at most 4; none for device-wide parameters
    std::string name;
    int parameterIdWidth = 1; // 1..4
    int valueWidth = 1;       // 1..4
    std::vector<SlotPathParameter> parameters;

    bool operator==(const SlotPathDefinition&) const = default;

    // Strict about structure and ranges; lenient only about spelling (lower-case hex,
    // leading zeros), which format() writes back in canonical form. Formulas are kept as
    // written: a formula that does not evaluate shows no value but loses nothing.
    static SlotPathParse parse(std::string_view text);
    // Canonical text: upper-case hex, plain decimals. Names must not contain a backslash
    // and type names no semicolon (the dialog rules refuse both); a unit may contain
    // semicolons, since the formula after the last one cannot.
    std::string format() const;

    // "Create new": no entries, named "New slotpath", widths 1 and 1.
    static SlotPathDefinition created();
    // The slot path dialog's four entries: "7F01" per entry, empty beyond the path.
    std::array<std::string, kMaxSlotPathEntries> dialogEntries() const;
    // Takes the slot path dialog's name and entries (checked by checkSlotPathName and
    // checkSlotPathEntries); the parameters stay. An entry that is not 4 hex digits ends the path.
    void assignFromDialog(std::string_view newName, const std::array<std::string, kMaxSlotPathEntries>& entries);

    // A width change invalidates every parameter: each deletes them all.
    void changeParameterIdWidth(int width);
    void changeValueWidth(int width);
};

struct SlotPathParse {
    std::optional<SlotPathDefinition> definition;
    // Why the text is not a slot path definition, naming the field (from 1); empty on success.
    std::string error;
};

// The two definitions a device gets when GM2 support is switched on, stored verbatim.
std::vector<std::string> defaultSlotPaths();

} // namespace velisto
