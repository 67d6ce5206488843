#pragma once
// The velocity and controller value change: sets or scales one kind of value over the
// selection, from one number or from a curve drawn over the selection's time span. Honours
// the event filter; records no undo step (the caller does that first).
//
// Thread contract: user-interface thread, while nothing plays the song.

#include "edit/Transforms.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velisto {

namespace ValueChangeMessage {
inline constexpr std::string_view PercentRange = "Percent expression out of range (-100/+100)";
inline constexpr std::string_view FixRange = "Fix value out of range (0/127)";
inline constexpr std::string_view SignedFixRange = "Fix value out of range (-64/63)";
} // namespace ValueChangeMessage

enum class ValueTarget { Velocity, Controller, Nrpn, DrumNrpn, KeyBasedController };

inline constexpr int kCurvePoints = 200;
inline constexpr int kCurveTop = 99;

struct ValueChangeOptions {
    ValueTarget target = ValueTarget::Velocity;
    int parameter = 0; // controller, NRPN or drum-NRPN slot; key-based: the controller number
    int drumKey = 0;   // DrumNrpn and KeyBasedController
    bool percent = false;
    bool useCurve = false;
    bool signedRange = false; // absolute constant read as -64..63
    int constant = 0;
    std::array<int, kCurvePoints> curve{}; // levels 0..kCurveTop over the selection
};

// Only a constant source is checked.
std::string checkValueChange(const ValueChangeOptions& options);

// The value an event at tick with the old value gets (before the velocity floor of 1).
int changedValue(const ValueChangeOptions& options, const SelectionTicks& ticks, std::int32_t tick, int value);

// Whether at least one event matched.
bool changeValues(Song& song, const EditScope& scope, const ValueChangeOptions& options);

} // namespace velisto
