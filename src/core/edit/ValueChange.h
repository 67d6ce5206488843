#pragma once
// The velocity and controller value change: sets or scales one kind of value over the
// selection, from one number or from a curve drawn over the selection's time span. Honours
// the event filter; records no undo step (the caller does that first).
//
// Thread contract: user-interface thread, while nothing plays the song.

#include "edit/Transforms.h"

#include <array>
#include <cstdint>
#include <optional>
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
// Point 0 at the selection's start, the last at its end; levels 0..kCurveTop.
using CurveLevels = std::array<int, kCurvePoints>;

struct ValueChangeOptions {
    ValueTarget target = ValueTarget::Velocity;
    int parameter = 0; // controller, NRPN or drum-NRPN slot; key-based: the controller number
    int drumKey = 0;   // DrumNrpn and KeyBasedController
    bool percent = false;
    bool useCurve = false;
    bool signedRange = false; // absolute constant read as -64..63
    int constant = 0;
    CurveLevels curve{}; // levels 0..kCurveTop over the selection
};

// Only a constant source is checked.
std::string checkValueChange(const ValueChangeOptions& options);

// The value an event at tick with the old value gets (before the velocity floor of 1).
int changedValue(const ValueChangeOptions& options, const SelectionTicks& ticks, std::int32_t tick, int value);

// Whether at least one event matched.
bool changeValues(Song& song, const EditScope& scope, const ValueChangeOptions& options);

// ---- the curve as the dialog draws it ----

// The point under x in a drawing area width pixels wide (x from the left edge).
int curvePointAt(int x, int width);
// The level under y in a drawing area height pixels high (y from the top edge, which is
// kCurveTop).
int curveLevelAt(int y, int height);
// The point whose span holds the tick; before the start point 0, after the end the last.
int curvePointOfTick(const SelectionTicks& ticks, std::int32_t tick);

// A drag from one point to the next sets every point between them on the straight line,
// so that a mouse that skips points leaves no gap.
void drawCurveLine(CurveLevels& curve, int fromPoint, int fromLevel, int toPoint, int toLevel);
// "Horizontal": every point at the level.
void setCurveHorizontal(CurveLevels& curve, int level);

// The "Quick defaults": rising from the bottom to the top, falling, flat in the middle,
// up to the top and down again, down to the bottom and up again.
enum class CurvePreset { Rising, Falling, Middle, Peak, Valley };
CurveLevels curvePreset(CurvePreset preset);

// Ticks between two curve points of the selection, at least 1: the preview run reports its
// progress at this step, and the dialog moves its marker to curvePointOfTick.
std::int32_t curvePreviewStep(const SelectionTicks& ticks);

// The levels as stored with the dialog's defaults: backslash-terminated numbers. A text
// that does not hold exactly kCurvePoints levels of 0..kCurveTop gives std::nullopt.
std::string curveLevelsText(const CurveLevels& curve);
std::optional<CurveLevels> curveLevelsFromText(std::string_view text);

} // namespace velisto
