#include "midi/GsParameterMap.h"

#include "midi/MidiModeDefinition.h"
#include "midi/MidiStandardNames.h"

#include <algorithm>
#include <array>

namespace velisto {

namespace {

using Style = SysexValueStyle;
using Edit = SysexEditKind;

constexpr std::string_view kOffOn = "off\\on\\";
constexpr std::string_view kChannels = "Channel 1\\Channel 2\\Channel 3\\Channel 4\\Channel 5\\Channel 6\\Channel 7\\"
                                       "Channel 8\\Channel 9\\Channel 10\\Channel 11\\Channel 12\\Channel 13\\"
                                       "Channel 14\\Channel 15\\Channel 16\\off\\";

constexpr SysexParameter onOff(std::string_view name, int defaultValue = 1)
{
    return {.name = name,
            .maximum = 1,
            .style = Style::Choice,
            .choices = kOffOn,
            .edit = Edit::Combo,
            .defaultValue = defaultValue};
}

constexpr SysexParameter level(std::string_view name, int defaultValue)
{
    return {.name = name, .defaultValue = defaultValue};
}

// -64 .. +63 around 64, the tone modify offsets.
constexpr SysexParameter centred(std::string_view name) { return {.name = name, .offset = -64, .defaultValue = 64}; }

// 0..127 scaled so that 127 (or, for a signed range, 64 steps from the centre) reaches
// the published end value.
constexpr SysexParameter scaled(std::string_view name, int offset, double scale, int decimals, std::string_view unit,
                                std::string_view rangeText, int defaultValue)
{
    return {.name = name,
            .offset = offset,
            .scale = scale,
            .decimals = decimals,
            .unit = unit,
            .rangeText = rangeText,
            .defaultValue = defaultValue};
}

constexpr SysexParameter semitones(std::string_view name, int minimum, int maximum)
{
    return {
        .name = name, .minimum = minimum, .maximum = maximum, .offset = -64, .unit = "semitones", .defaultValue = 64};
}

constexpr SysexParameter scaleTuning(std::string_view name)
{
    return {.name = name, .offset = -64, .unit = "cent", .defaultValue = 64};
}

constexpr auto kSystemRows = std::to_array<GsMapRow>({
    {0x00,
     {.name = "master tune",
      .dataBytes = 4,
      .minimum = 0x0018,
      .maximum = 0x07E8,
      .style = Style::Nibbles,
      .offset = -0x0400,
      .unit = "1/10 cent",
      .rangeText = "-1000 to +1000 1/10 cent",
      .defaultValue = 0x0400}},
    {0x04, level("master volume", 127)},
    {0x05, semitones("master key-shift", 0x28, 0x58)},
    {0x06, {.name = "master panpot", .minimum = 1, .style = Style::Pan, .defaultValue = 64}},
    {0x7F,
     {.name = "mode",
      .style = Style::Choice,
      .choices = "reset (on)\\re-reset (off)\\",
      .edit = Edit::Combo,
      .defaultValue = 0,
      .lastChoiceValue = 0x7F}},
});

constexpr auto kEffectRows = std::to_array<GsMapRow>({
    {0x30,
     {.name = "Reverb macro",
      .maximum = 7,
      .style = Style::Choice,
      .choices = "Room1\\Room2\\Room3\\Hall1\\Hall2\\Plate\\Delay\\PanDel\\",
      .edit = Edit::Combo,
      .defaultValue = 4}},
    {0x31, {.name = "Reverb character", .maximum = 7, .defaultValue = 4}},
    {0x32, {.name = "Reverb PRE-LPF", .maximum = 7, .defaultValue = 0}},
    {0x33, level("Reverb level", 64)},
    {0x34, level("Reverb time", 64)},
    {0x35, level("Reverb delay feedback", 0)},
    {0x36, level("Reverb send to chorus", 0)},
    {0x37, {.name = "Reverb predelay time", .unit = "ms", .defaultValue = 0}},
    {0x38,
     {.name = "Chorus macro",
      .maximum = 7,
      .style = Style::Choice,
      .choices = "Chorus1\\Chorus2\\Chorus3\\Chorus4\\Feedb.ch\\Flange\\ShortDel\\Sh.DelFB\\",
      .edit = Edit::Combo,
      .defaultValue = 2}},
    {0x39, {.name = "Chorus PRE-LPF", .maximum = 7, .defaultValue = 0}},
    {0x3A, level("Chorus level", 64)},
    {0x3B, level("Chorus feedback", 8)},
    {0x3C, level("Chorus delay", 80)},
    {0x3D, level("Chorus rate", 3)},
    {0x3E, level("Chorus depth", 19)},
    {0x3F, level("Chorus send to reverb", 0)},
    {0x40, level("Chorus send to delay", 0)},
    // The delay block of the later Sound Canvas models; its macro names are not published
    // with the address map, so the macro shows as a number.
    {0x50, {.name = "Delay macro", .maximum = 9, .defaultValue = 0}},
    {0x51, {.name = "Delay PRE-LPF", .maximum = 7, .defaultValue = 0}},
    {0x52, {.name = "Delay time center", .minimum = 0x01, .maximum = 0x73, .defaultValue = 0x61}},
    {0x53, {.name = "Delay time ratio left", .minimum = 0x01, .maximum = 0x78, .defaultValue = 0x01}},
    {0x54, {.name = "Delay time ratio right", .minimum = 0x01, .maximum = 0x78, .defaultValue = 0x01}},
    {0x55, level("Delay level center", 127)},
    {0x56, level("Delay level left", 0)},
    {0x57, level("Delay level right", 0)},
    {0x58, level("Delay level", 64)},
    {0x59, {.name = "Delay feedback", .offset = -64, .defaultValue = 0x50}},
    {0x5A, level("Delay send to reverb", 0)},
});

constexpr SysexParameter eqGain(std::string_view name)
{
    return {.name = name, .minimum = 0x34, .maximum = 0x4C, .offset = -64, .unit = "dB", .defaultValue = 64};
}

// The master equalizer (40 02 xx).
constexpr auto kEqualizerRows = std::to_array<GsMapRow>({
    {0x00, {.name = "EQ low frequency", .maximum = 1, .defaultValue = 0}},
    {0x01, eqGain("EQ low gain")},
    {0x02, {.name = "EQ high frequency", .maximum = 1, .defaultValue = 0}},
    {0x03, eqGain("EQ high gain")},
});

constexpr SysexParameter efxParameter(std::string_view name) { return level(name, 0); }

constexpr SysexParameter efxControlDepth(std::string_view name)
{
    return scaled(name, -64, 100.0 / 64, 1, "%", "-100.0 to +100.0 %", 64);
}

// The insertion effect (40 03 xx): the type picks what parameters 1..20 mean.
constexpr auto kInsertionEffectRows = std::to_array<GsMapRow>({
    {0x00,
     {.name = "EFX type",
      .dataBytes = 2,
      .maximum = 0x3FFF,
      .rangeText = "0,0 to 127,127",
      .defaultValue = 0}},
    {0x03, efxParameter("EFX parameter 1")},
    {0x04, efxParameter("EFX parameter 2")},
    {0x05, efxParameter("EFX parameter 3")},
    {0x06, efxParameter("EFX parameter 4")},
    {0x07, efxParameter("EFX parameter 5")},
    {0x08, efxParameter("EFX parameter 6")},
    {0x09, efxParameter("EFX parameter 7")},
    {0x0A, efxParameter("EFX parameter 8")},
    {0x0B, efxParameter("EFX parameter 9")},
    {0x0C, efxParameter("EFX parameter 10")},
    {0x0D, efxParameter("EFX parameter 11")},
    {0x0E, efxParameter("EFX parameter 12")},
    {0x0F, efxParameter("EFX parameter 13")},
    {0x10, efxParameter("EFX parameter 14")},
    {0x11, efxParameter("EFX parameter 15")},
    {0x12, efxParameter("EFX parameter 16")},
    {0x13, efxParameter("EFX parameter 17")},
    {0x14, efxParameter("EFX parameter 18")},
    {0x15, efxParameter("EFX parameter 19")},
    {0x16, efxParameter("EFX parameter 20")},
    {0x17, level("EFX send to reverb", 40)},
    {0x18, level("EFX send to chorus", 0)},
    {0x19, level("EFX send to delay", 0)},
    {0x1B, efxParameter("EFX control source 1")},
    {0x1C, efxControlDepth("EFX control depth 1")},
    {0x1D, efxParameter("EFX control source 2")},
    {0x1E, efxControlDepth("EFX control depth 2")},
    {0x1F, onOff("EFX send EQ switch")},
});

constexpr auto kPartRows = std::to_array<GsMapRow>({
    {0x00,
     {.name = "tone number",
      .dataBytes = 2,
      .maximum = 0x3FFF,
      .style = Style::Special,
      .rangeText = "cc0:0 to 127, progch:#0 to 127",
      .edit = Edit::GsToneNumber},
     SysexPartKind::ToneNumber},
    {0x02,
     {.name = "midi channel", .maximum = 16, .style = Style::Choice, .choices = kChannels, .edit = Edit::Combo},
     SysexPartKind::MidiChannel},
    {0x03, onOff("rx. pitch bend")},
    {0x04, onOff("rx. channel pressure")},
    {0x05, onOff("rx. program change")},
    {0x06, onOff("rx. control change")},
    {0x07, onOff("rx. poly pressure")},
    {0x08, onOff("rx. note message")},
    {0x09, onOff("rx. RPN")},
    {0x0A, onOff("rx. NRPN")},
    {0x0B, onOff("rx. modulation")},
    {0x0C, onOff("rx. volume")},
    {0x0D, onOff("rx. panpot")},
    {0x0E, onOff("rx. expression")},
    {0x0F, onOff("rx. hold1")},
    {0x10, onOff("rx. portamento")},
    {0x11, onOff("rx. sostenuto")},
    {0x12, onOff("rx. soft")},
    {0x13,
     {.name = "mono/poly mode",
      .maximum = 1,
      .style = Style::Choice,
      .choices = "mono\\poly\\",
      .edit = Edit::Combo,
      .defaultValue = 1}},
    {0x14,
     {.name = "assign mode",
      .maximum = 2,
      .style = Style::Choice,
      .choices = "single\\multi\\drum\\",
      .edit = Edit::Combo,
      .defaultValue = 1}},
    {0x15,
     {.name = "use for rythm part",
      .maximum = 2,
      .style = Style::Choice,
      .choices = "off\\map 1\\map 2\\",
      .edit = Edit::Combo},
     SysexPartKind::UseForRhythm},
    {0x16, semitones("pitch key shift", 0x28, 0x58)},
    {0x17,
     {.name = "pitch offset fine",
      .dataBytes = 2,
      .minimum = 0x08,
      .maximum = 0xF8,
      .style = Style::Nibbles,
      .offset = -0x80,
      .unit = "1/10 Hz",
      .rangeText = "-120 to +120 1/10 Hz",
      .defaultValue = 0x80}},
    {0x19, level("level", 100)},
    {0x1A, level("velocity sense depth", 64)},
    {0x1B, level("velocity sense offset", 64)},
    {0x1C, {.name = "panpot", .style = Style::Pan, .defaultValue = 64}},
    {0x1D, level("key range low", 0)},
    {0x1E, level("key range high", 127)},
    {0x1F, {.name = "cc1 controller", .maximum = 95, .unit = "cc#", .defaultValue = 16}},
    {0x20, {.name = "cc2 controller", .maximum = 95, .unit = "cc#", .defaultValue = 17}},
    {0x21, level("chorus send level", 0)},
    {0x22, level("reverb send level", 40)},
    {0x23, onOff("rx. bank select")},
    {0x24, onOff("rx. bank select LSB")},
    {0x2A, fineTuningParameter("pitch fine tune", false)},
    {0x2C, level("delay send level", 0)},
    {0x30, centred("vibrato rate")},
    {0x31, centred("vibrato depth")},
    {0x32, centred("TVF cutoff")},
    {0x33, centred("TVF resonance")},
    {0x34, centred("TVF&TVA env. attack")},
    {0x35, centred("TVF&TVA env. decay")},
    {0x36, centred("TVF&TVA env. release")},
    {0x37, centred("vibrato delay")},
    {0x40, scaleTuning("scale tuning C")},
    {0x41, scaleTuning("scale tuning C#")},
    {0x42, scaleTuning("scale tuning D")},
    {0x43, scaleTuning("scale tuning D#")},
    {0x44, scaleTuning("scale tuning E")},
    {0x45, scaleTuning("scale tuning F")},
    {0x46, scaleTuning("scale tuning F#")},
    {0x47, scaleTuning("scale tuning G")},
    {0x48, scaleTuning("scale tuning G#")},
    {0x49, scaleTuning("scale tuning A")},
    {0x4A, scaleTuning("scale tuning A#")},
    {0x4B, scaleTuning("scale tuning B")},
});

// The part's tone map and equalizer/insertion routing (40 4p xx).
constexpr auto kPartToneMapRows = std::to_array<GsMapRow>({
    {0x00, {.name = "tone map number", .maximum = 4, .defaultValue = 0, .zeroName = "tone map-0 number"}},
    {0x01, {.name = "tone map-0 number", .minimum = 1, .maximum = 4, .defaultValue = 4}},
    {0x20, onOff("EQ on/off")},
    {0x22,
     {.name = "EFX assign",
      .maximum = 1,
      .style = Style::Choice,
      .choices = "bypass\\EFX\\",
      .edit = Edit::Combo,
      .defaultValue = 0}},
});

constexpr auto kControllerSources = std::to_array<GsControllerSource>({
    {"mod ", 0x00},
    {"bend ", 0x10},
    {"channel pressure ", 0x20},
    {"poly pressure ", 0x30},
    {"cc1 ", 0x40},
    {"cc2 ", 0x50},
});

// Signed destinations step 1/64 of their end value per unit from the centre 64; depths
// reach their end value at 127.
constexpr auto kControllerDestinations = std::to_array<GsMapRow>({
    {0x00, semitones("pitch control", 0x28, 0x58)},
    {0x01, scaled("TVF cutoff control", -64, 150.0, 0, "cent", "-9600 to +9600 cent", 64)},
    {0x02, scaled("amplitude control", -64, 100.0 / 64, 1, "%", "-100.0 to +100.0 %", 64)},
    {0x03, scaled("LFO1 rate control", -64, 10.0 / 64, 1, "Hz", "-10.0 to +10.0 Hz", 64)},
    {0x04, scaled("LFO1 pitch depth", 0, 600.0 / 127, 0, "cent", "0 to 600 cent", 0)},
    {0x05, scaled("LFO1 TVF depth", 0, 2400.0 / 127, 0, "cent", "0 to 2400 cent", 0)},
    {0x06, scaled("LFO1 TVA depth", 0, 100.0 / 127, 1, "%", "0 to 100.0 %", 0)},
    {0x07, scaled("LFO2 rate control", -64, 10.0 / 64, 1, "Hz", "-10.0 to +10.0 Hz", 64)},
    {0x08, scaled("LFO2 pitch depth", 0, 600.0 / 127, 0, "cent", "0 to 600 cent", 0)},
    {0x09, scaled("LFO2 TVF depth", 0, 2400.0 / 127, 0, "cent", "0 to 2400 cent", 0)},
    {0x0A, scaled("LFO2 TVA depth", 0, 100.0 / 127, 1, "%", "0 to 100.0 %", 0)},
});

// Bend's pitch control is the bend range: 0 to +24 semitones, +2 by default.
constexpr SysexParameter kBendPitchControl = {.name = "pitch control",
                                              .minimum = 0x40,
                                              .maximum = 0x58,
                                              .offset = -64,
                                              .unit = "semitones",
                                              .rangeText = "0 to +24 semitones",
                                              .defaultValue = 0x42};

constexpr auto kDrumRows = std::to_array<GsMapRow>({
    {0x1, level("play pitch", 60)},
    {0x2, level("TVA level", 127)},
    {0x3, {.name = "alternate group #", .defaultValue = 0, .zeroName = "non"}},
    {0x4, {.name = "panpot", .style = Style::Pan, .defaultValue = 64}},
    {0x5, scaled("rev. depth factor", 0, 1.0 / 127, 1, "Multiplicand of part reverb depth",
                 "0.0 to 1.0 Multiplicand of part reverb depth", 127)},
    {0x6, scaled("cho. depth factor", 0, 1.0 / 127, 1, "Multiplicand of part chorus depth",
                 "0.0 to 1.0 Multiplicand of part chorus depth", 127)},
    {0x7, onOff("rx. note off", 0)},
    {0x8, onOff("rx. note on")},
    {0x9, level("delay send level", 0)},
});

// 41 m0 00: the drum map's name, 12 ASCII characters.
constexpr SysexParameter kDrumMapName = {.name = "name",
                                         .dataBytes = 12,
                                         .minimum = 0x20,
                                         .maximum = 0x7F,
                                         .style = Style::Text,
                                         .rangeText = "12 characters",
                                         .edit = Edit::None};

// 00 00 7F: the mode set that later models take like a GS Reset; the value names the
// single or the double module mode.
constexpr GsMapRow kSystemModeSet = {0x7F,
                                     {.name = "system mode set",
                                      .maximum = 1,
                                      .style = Style::Choice,
                                      .choices = "mode 1\\mode 2\\",
                                      .edit = Edit::Combo,
                                      .defaultValue = 0}};

const GsMapRow* rowAt(std::span<const GsMapRow> rows, std::uint8_t address)
{
    const auto found =
        std::find_if(rows.begin(), rows.end(), [address](const GsMapRow& row) { return row.address == address; });
    return found == rows.end() ? nullptr : &*found;
}

std::string partPrefix(int part) { return "part " + std::to_string(part) + " "; }

GsLookup lookupPatch(std::uint8_t a2, std::uint8_t a3)
{
    GsLookup result;
    const int block = a2 & 0x0F;
    const int area = a2 & 0xF0;
    if (a2 <= 0x03) {
        // System, effects, equalizer and insertion effect: one area each.
        static constexpr std::array<std::span<const GsMapRow>, 4> kAreas{kSystemRows, kEffectRows, kEqualizerRows,
                                                                         kInsertionEffectRows};
        if (const GsMapRow* row = rowAt(kAreas[a2], a3)) {
            result.parameter = &row->parameter;
            result.area = a2 == 0x00 ? GsArea::System : GsArea::Effects;
            result.description = row->parameter.name;
        }
    } else if (area == 0x10 || area == 0x40) {
        if (const GsMapRow* row = rowAt(area == 0x10 ? std::span<const GsMapRow>(kPartRows) : kPartToneMapRows, a3)) {
            result.parameter = &row->parameter;
            result.area = GsArea::Part;
            result.partNumber = MidiModeDefinition::gsPartOfBlock(block);
            result.partKind = row->partKind;
            result.description = partPrefix(result.partNumber) + std::string(row->parameter.name);
        }
    } else if (area == 0x20) {
        const auto source = std::find_if(kControllerSources.begin(), kControllerSources.end(),
                                         [a3](const GsControllerSource& s) { return s.address == (a3 & 0xF0); });
        const GsMapRow* destination = rowAt(kControllerDestinations, a3 & 0x0F);
        if (source != kControllerSources.end() && destination) {
            result.parameter = &gsControllerParameter(*source, *destination);
            result.area = GsArea::PartController;
            result.partNumber = MidiModeDefinition::gsPartOfBlock(block);
            result.description =
                partPrefix(result.partNumber) + std::string(source->prefix) + std::string(destination->parameter.name);
        }
    }
    return result;
}

GsLookup lookupDrum(std::uint8_t a2, std::uint8_t a3)
{
    GsLookup result;
    const int map = a2 >> 4;
    if (map <= 1 && (a2 & 0x0F) == 0 && a3 == 0x00) {
        result.parameter = &kDrumMapName;
        result.area = GsArea::DrumSetup;
        result.drumMap = map + 1;
        result.description = "drum map " + std::to_string(map + 1) + " " + std::string(kDrumMapName.name);
        return result;
    }
    const GsMapRow* row = rowAt(kDrumRows, a2 & 0x0F);
    if (map > 1 || !row || a3 > 0x7F)
        return result;
    result.parameter = &row->parameter;
    result.area = GsArea::DrumSetup;
    result.drumMap = map + 1;
    result.drumKey = a3;
    result.description = "drum map " + std::to_string(map + 1) + "'s " + std::string(noteName(a3)) + " " +
                         std::string(row->parameter.name);
    return result;
}

// 32-part receivers address their second set of parts (17..32) at 50 1p xx and 50 2p xx,
// laid out like the first. Velisto's model has 16 parts; naming these lets the interpreter
// refuse them by part number instead of calling the address unknown.
GsLookup lookupSecondPartSet(std::uint8_t a2, std::uint8_t a3)
{
    GsLookup result = lookupPatch(a2, a3);
    if (result.partNumber == 0)
        return {};
    const std::size_t prefix = partPrefix(result.partNumber).size();
    result.partNumber += 16;
    result.description = partPrefix(result.partNumber) + result.description.substr(prefix);
    return result;
}

} // namespace

GsLookup gsParameterAt(std::uint8_t a1, std::uint8_t a2, std::uint8_t a3)
{
    if (a1 == 0x00 && a2 == 0x00 && a3 == kSystemModeSet.address)
        return {.parameter = &kSystemModeSet.parameter,
                .area = GsArea::System,
                .description = std::string(kSystemModeSet.parameter.name)};
    if (a1 == 0x40)
        return lookupPatch(a2, a3);
    if (a1 == 0x50)
        return lookupSecondPartSet(a2, a3);
    if (a1 == 0x41)
        return lookupDrum(a2, a3);
    return {};
}

std::span<const GsMapRow> gsSystemRows() { return kSystemRows; }
std::span<const GsMapRow> gsEffectRows() { return kEffectRows; }
std::span<const GsMapRow> gsPartRows() { return kPartRows; }
std::span<const GsMapRow> gsEqualizerRows() { return kEqualizerRows; }
std::span<const GsMapRow> gsInsertionEffectRows() { return kInsertionEffectRows; }
std::span<const GsMapRow> gsPartToneMapRows() { return kPartToneMapRows; }
std::span<const GsControllerSource> gsControllerSources() { return kControllerSources; }
std::span<const GsMapRow> gsControllerDestinations() { return kControllerDestinations; }
std::span<const GsMapRow> gsDrumRows() { return kDrumRows; }

const SysexParameter& gsControllerParameter(const GsControllerSource& source, const GsMapRow& destination)
{
    const bool bendRange = source.address == 0x10 && destination.address == 0x00;
    return bendRange ? kBendPitchControl : destination.parameter;
}

std::uint8_t gsChecksum(std::span<const std::uint8_t> addressAndData)
{
    unsigned sum = 0;
    for (const std::uint8_t byte : addressAndData)
        sum += byte;
    return static_cast<std::uint8_t>((128 - sum % 128) % 128);
}

} // namespace velisto
