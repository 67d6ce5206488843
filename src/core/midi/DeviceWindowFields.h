#pragma once
// What a device strip shows: its labelled fields by key word, the part/channel lines with
// their highlighted rhythm parts, the XG variation group, the generator's status line, and
// the cutting of a value that does not fit its cell.
// Thread contract: DeviceWindowState::of(device) locks the device's send lock for a copy;
// everything else is pure and callable from any thread.

#include "midi/DeviceMidiState.h"
#include "midi/OutputDevice.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

namespace DeviceField {
inline constexpr std::string_view DeviceName = "devicename";
inline constexpr std::string_view IsDefault = "isdefault";
inline constexpr std::string_view DeviceMode = "devicemode";
inline constexpr std::string_view SupportedStandards = "supportedstandards";
inline constexpr std::string_view TrackMode = "trackmode";
inline constexpr std::string_view Parts = "parts";
inline constexpr std::string_view LastXgVariationGroup = "lastxgvarigrp";
} // namespace DeviceField

// The text fields in the order a strip shows them; the parts come between the track mode
// and the variation group.
inline constexpr std::array<std::string_view, 6> kDeviceTextFields = {
    DeviceField::DeviceName, DeviceField::IsDefault, DeviceField::DeviceMode,
    DeviceField::SupportedStandards, DeviceField::TrackMode, DeviceField::LastXgVariationGroup};

inline constexpr std::string_view kNoXgText = "-- no XG --";
inline constexpr std::string_view kNoIgrMapText = "no .igr-map in memory";
inline constexpr std::string_view kLoadedIgrText = "Loaded instrument group file (.igr):";

// The few values of the live state a strip shows, copied at once.
struct DeviceWindowState {
    int mode = MidiMode::GM;
    std::array<int, DeviceMidiState::kParts> partChannels{}; // 0..15, -1 = off
    std::array<bool, DeviceMidiState::kParts> rhythmParts{};
    int lastXgVariationType = -1; // MSB * 128 + LSB; -1 unknown

    static DeviceWindowState of(const DeviceMidiState& state, int lastXgVariationType);
    // Under the device's send lock: the sending threads change the live state meanwhile.
    static DeviceWindowState of(const OutputDevice& device);
};

struct DeviceWindowField {
    std::string_view key;
    std::array<std::string_view, 2> label; // second line empty for a one-line label
    std::string value;
};

// One of kDeviceTextFields; an unknown key gives an empty label and value.
DeviceWindowField deviceWindowField(std::string_view key, const OutputDevice& device,
                                    const DeviceWindowState& state);

// The "parts" field. GS and XG: rows "Part " (1..16) and "Cha." (each part's channel 1..16,
// " -" when off), columns highlighted where the part is a rhythm part. GM and GM2: the row
// "Cha. " with 1..16, highlighted where the part on that channel is a rhythm part.
struct DeviceWindowParts {
    struct Row {
        std::string heading;
        std::array<std::string, DeviceMidiState::kParts> cells; // two characters each
    };
    std::string caption;
    std::vector<Row> rows;
    std::array<bool, DeviceMidiState::kParts> highlighted{};

    // A row as one line: heading and cells side by side.
    static std::string line(const Row& row);
};
DeviceWindowParts deviceWindowParts(const DeviceWindowState& state);

// The group of the last XG variation type; a state after an XG reset (type unknown) has
// the reset's type, Delay L,C,R. Outside XG "-- no XG --".
std::string xgVariationGroupText(const DeviceWindowState& state);

// text when measure(text) fits width, else the longest front part (whole UTF-8 characters)
// that fits together with "..."; empty when not even "..." fits. measure must grow with
// the text's length.
std::string elideWithDots(std::string_view text, int width, const std::function<int(std::string_view)>& measure);

// What the generator's status line shows: the sampler's status while it is busy or its
// display countdown runs, else the resting line naming the loaded group's file (or
// "no .igr-map in memory" for an empty path).
struct GeneratorStatusLine {
    std::string text;
    bool error = false;
    bool busy = false;
};
GeneratorStatusLine generatorStatusLine(std::string_view statusText, bool error, bool busy, int countdown,
                                        std::string_view loadedIgrPath);
std::string generatorRestingStatus(std::string_view loadedIgrPath);

} // namespace velisto
