#pragma once
// One row of a GS or XG parameter address map: what the decoder needs to name a
// parameter, check its length and value, show its value in words and units, and tell the
// list editor how it may be edited. The maps are constant tables of these rows.

#include <string_view>

namespace velisto {

// How the list editor edits a value.
enum class SysexEditKind {
    Edit,                      // "edit": a number between minimum and maximum
    Combo,                     // "combo": one of the choice list's names
    GsToneNumber,              // "gs_tonenumberselection"
    GlobalParameterControl,    // "globalparametercontrol"
    KeyBasedInstrumentEditor,  // "keybasedinstrumenteditor"
    None,                      // no value to edit (a message without data)
};

// How the raw value (the data bytes combined, 7 bits each, most significant first; or
// the low nibbles of the data bytes for Nibbles) becomes the shown value.
enum class SysexValueStyle {
    Linear,   // shown = (raw + offset) * scale, with `decimals` decimals, then the unit
    Nibbles,  // each data byte carries 4 bits (GS master tune, XG master tune); then Linear
    Choice,   // the name at position raw - minimum of the choice list
    Pan,      // 0 "random" (GS only, when minimum is 0), else raw - 64 as "-63(LEFT)" .. "63(RIGHT)"
    Special,  // formatted by the decoder itself (tone number, variation-type dependent rows)
    Text,     // ASCII characters, one a data byte (a name); no raw number
};

struct SysexParameter {
    std::string_view name{};   // "master volume", "rx. pitch bend" ...
    int dataBytes = 1;         // data bytes at this address (1..4)
    int minimum = 0;           // raw range, inclusive
    int maximum = 127;
    SysexValueStyle style = SysexValueStyle::Linear;
    int offset = 0;
    double scale = 1.0;
    int decimals = 0;
    std::string_view unit{};    // "cent", "semitones", "%", "Hz", "s", "ms", "dB"; may be empty
    std::string_view choices{}; // backslash-terminated names in value order ("off\on\")
    std::string_view rangeText{}; // shown range; empty: built from minimum, maximum and the style
    SysexEditKind edit = SysexEditKind::Edit;
    int defaultValue = 0;       // raw value the browse dialog inserts
    // Choice rows whose last name does not follow the others: its raw value (the GS mode's
    // "re-reset (off)" is 7F, a channel "off" 7F); the values between are invalid. -1 when
    // every name is at minimum + its position.
    int lastChoiceValue = -1;
    // Shown instead of the number for raw 0 ("non": no alternate group); empty: the number.
    std::string_view zeroName{};
    // The data bytes carry the least significant 7 bits first (the universal device
    // control messages); GS and XG put the most significant first.
    bool lsbFirst = false;
};

// Fine tuning in 14 bits around 2000h, -100.0 to +100.0 cent, as the fine tuning RPN has
// it: the GS part's pitch fine tune (MSB first) and the universal master fine tuning (LSB
// first).
constexpr SysexParameter fineTuningParameter(std::string_view name, bool lsbFirst)
{
    return {.name = name,
            .dataBytes = 2,
            .maximum = 0x3FFF,
            .offset = -0x2000,
            .scale = 100.0 / 0x2000,
            .decimals = 1,
            .unit = "cent",
            .rangeText = "-100.0 to +100.0 cent",
            .defaultValue = 0x2000,
            .lsbFirst = lsbFirst};
}

// The part parameters that change the receiver's part record, so the interpreter can act
// on them: receive channel, bank and program, rhythm use.
enum class SysexPartKind {
    None,
    MidiChannel,   // "midi channel"
    BankSelectMsb, // "bank select" MSB (XG)
    BankSelectLsb, // "bank select" LSB (XG)
    ProgramNumber, // "program number" (XG)
    ToneNumber,    // "tone number": GS bank MSB and program together
    UseForRhythm,  // "use for rythm": GS use for rhythm part, XG part mode
};

} // namespace velisto
