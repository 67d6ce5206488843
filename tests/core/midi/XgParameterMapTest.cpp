#include "midi/XgParameterMap.h"

#include "midi/MidiStandardNames.h"
#include "midi/SysexDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace velisto {
namespace {

std::vector<std::string_view> fields(std::string_view list)
{
    std::vector<std::string_view> out;
    std::size_t begin = 0;
    for (std::size_t end = list.find('\\'); end != std::string_view::npos; end = list.find('\\', begin)) {
        out.push_back(list.substr(begin, end - begin));
        begin = end + 1;
    }
    EXPECT_EQ(begin, list.size()) << "every field ends with a backslash: " << list;
    return out;
}

// The name a Choice row shows for raw; empty when it names no such value.
std::string_view choiceName(const SysexParameter& row, int raw)
{
    const auto names = fields(row.choices);
    if (row.lastChoiceValue >= 0 && raw == row.lastChoiceValue)
        return names.back();
    const std::size_t positional = names.size() - (row.lastChoiceValue >= 0 ? 1 : 0);
    const int position = raw - row.minimum;
    return position >= 0 && static_cast<std::size_t>(position) < positional ? names[static_cast<std::size_t>(position)]
                                                                            : std::string_view{};
}

// Whether a row (not a type list) accepts raw as its value.
bool accepts(const SysexParameter& row, int raw)
{
    if (row.style == SysexValueStyle::Choice)
        return !choiceName(row, raw).empty() && raw <= row.maximum;
    return raw >= row.minimum && raw <= row.maximum;
}

// A Choice row names every value of its range: minimum upwards by position, and the last
// name, when it stands apart, its own value above them.
void expectChoicesCoverRange(const SysexParameter& row)
{
    if (row.style != SysexValueStyle::Choice)
        return;
    const auto names = fields(row.choices);
    ASSERT_FALSE(names.empty()) << row.name;
    if (row.lastChoiceValue < 0) {
        EXPECT_EQ(static_cast<int>(names.size()), row.maximum - row.minimum + 1) << row.name;
        return;
    }
    EXPECT_EQ(row.maximum, row.lastChoiceValue) << row.name;
    EXPECT_LT(row.minimum + static_cast<int>(names.size()) - 2, row.lastChoiceValue) << row.name;
}

bool isEffectType(const XgLookup& lookup)
{
    return lookup.role == XgRole::ReverbType || lookup.role == XgRole::ChorusType ||
           lookup.role == XgRole::VariationType;
}

constexpr int type(int msb, int lsb) { return msb * 128 + lsb; }

TEST(XgParameterMap, SystemRows)
{
    struct Case {
        std::uint8_t a3;
        std::string_view name;
        int dataBytes;
        XgRole role;
    };
    const Case cases[] = {
        {0x00, "master tune", 4, XgRole::None}, {0x04, "master volume", 1, XgRole::None},
        {0x06, "transpose", 1, XgRole::None},   {0x7D, "reset drum setup map", 1, XgRole::ResetDrumSetup},
        {0x7E, "mode", 1, XgRole::SystemOn},    {0x7F, "all parameter reset", 1, XgRole::AllParameterReset},
    };
    for (const Case& c : cases) {
        const XgLookup lookup = xgParameterAt(0x00, 0x00, c.a3, -1);
        ASSERT_NE(lookup.parameter, nullptr) << c.name;
        EXPECT_EQ(lookup.description, c.name);
        EXPECT_EQ(lookup.parameter->dataBytes, c.dataBytes) << c.name;
        EXPECT_EQ(lookup.role, c.role) << c.name;
        EXPECT_EQ(lookup.partNumber, 0);
        EXPECT_TRUE(lookup.error.empty());
    }

    const SysexParameter& tune = *xgParameterAt(0x00, 0x00, 0x00, -1).parameter;
    EXPECT_EQ(tune.style, SysexValueStyle::Nibbles);
    EXPECT_EQ(tune.unit, "1/10 cent");
    EXPECT_EQ(tune.defaultValue + tune.offset, 0) << "00 04 00 00 is in tune";

    const SysexParameter& transpose = *xgParameterAt(0x00, 0x00, 0x06, -1).parameter;
    EXPECT_EQ(transpose.unit, "semitones");
    EXPECT_EQ(transpose.minimum + transpose.offset, -24);
    EXPECT_EQ(transpose.maximum + transpose.offset, 24);

    EXPECT_EQ(xgParameterAt(0x00, 0x00, 0x7D, -1).parameter->choices, "drums1\\drums2\\");
    // F0 43 10 4C 00 00 7E 00 F7, the XG System On.
    const SysexParameter& mode = *xgParameterAt(0x00, 0x00, 0x7E, -1).parameter;
    EXPECT_EQ(mode.choices, "reset\\");
    EXPECT_EQ(choiceName(mode, 0x00), "reset");
}

TEST(XgParameterMap, EffectTypeLists)
{
    EXPECT_EQ(xgReverbTypeList(), "OFF\\0,0\\Hall1\\1,0\\Hall2\\1,1\\Room1\\2,0\\Room2\\2,1\\Room3\\2,2\\Stage1\\3,0\\"
                                  "Stage2\\3,1\\Plate\\4,0\\Wh.room\\16,0\\Tunnel\\17,0\\Basem.\\19,0\\");

    struct Case {
        std::string_view list;
        std::size_t types;
        std::string_view first;
        std::string_view last;
    };
    const Case cases[] = {
        {xgReverbTypeList(), 12, "OFF\\0,0\\", "Basem.\\19,0\\"},
        {xgChorusTypeList(), 12, "OFF\\0,0\\Chorus1\\65,0\\", "Flange3\\67,8\\"},
        {xgVariationTypeList(), xgVariationTypes().size(), "OFF\\0,0\\Hall1\\1,0\\", "AutoWah\\78,0\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fields(c.list).size(), 2 * c.types);
        EXPECT_TRUE(c.list.starts_with(c.first)) << c.list;
        EXPECT_TRUE(c.list.ends_with(c.last)) << c.list;
    }
    EXPECT_EQ(xgVariationTypes().size(), 44u);

    EXPECT_EQ(xgEffectTypeName(xgReverbTypeList(), 16, 0), "Wh.room");
    EXPECT_EQ(xgEffectTypeName(xgReverbTypeList(), 0, 0), "OFF");
    EXPECT_EQ(xgEffectTypeName(xgChorusTypeList(), 66, 8), "Celes4");
    EXPECT_EQ(xgEffectTypeName(xgVariationTypeList(), 5, 0), "Del LCR");
    EXPECT_EQ(xgEffectTypeName(xgVariationTypeList(), 0x4E, 0), "AutoWah");
    // A code must match whole: 1,0 is Hall1, not the tail of 11,0 or 1,01.
    EXPECT_EQ(xgEffectTypeName(xgReverbTypeList(), 1, 0), "Hall1");
    EXPECT_EQ(xgEffectTypeName(xgReverbTypeList(), 18, 0), "");
    EXPECT_EQ(xgEffectTypeName(xgChorusTypeList(), 65, 3), "");
    EXPECT_EQ(xgEffectTypeName("", 0, 0), "");
    EXPECT_EQ(xgEffectTypeName("Broken\\", 0, 0), "") << "a name without its code";
}

TEST(XgParameterMap, EffectTypeRows)
{
    struct Case {
        std::uint8_t a3;
        std::string_view name;
        XgRole role;
        std::string_view list;
        std::string_view defaultType; // XG System On: Hall1, Chorus1, Delay L,C,R
    };
    const Case cases[] = {
        {0x00, "Reverb type", XgRole::ReverbType, xgReverbTypeList(), "Hall1"},
        {0x20, "Chorus type", XgRole::ChorusType, xgChorusTypeList(), "Chorus1"},
        {0x40, "Variation type", XgRole::VariationType, xgVariationTypeList(), "Del LCR"},
    };
    for (const Case& c : cases) {
        const XgLookup lookup = xgParameterAt(0x02, 0x01, c.a3, type(0x41, 0));
        ASSERT_NE(lookup.parameter, nullptr) << c.name;
        EXPECT_EQ(lookup.description, c.name);
        EXPECT_EQ(lookup.role, c.role);
        EXPECT_EQ(lookup.parameter->dataBytes, 2);
        EXPECT_EQ(lookup.parameter->style, SysexValueStyle::Choice);
        EXPECT_EQ(lookup.parameter->edit, SysexEditKind::Combo);
        EXPECT_EQ(lookup.parameter->choices, c.list);
        const int def = lookup.parameter->defaultValue;
        EXPECT_EQ(xgEffectTypeName(c.list, def / 128, def % 128), c.defaultType);
        EXPECT_TRUE(isTypeList(*lookup.parameter));
    }
    // The LSB byte of a type is no address of its own.
    EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x01, -1).error, SysexError::UnknownXg);
    EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x41, -1).error, SysexError::UnknownXg);
}

TEST(XgParameterMap, ReverbAndChorusParameters)
{
    const SysexParameter& time = *xgParameterAt(0x02, 0x01, 0x02, -1).parameter;
    EXPECT_EQ(time.name, "Reverb time");
    EXPECT_EQ(time.rangeText, "0.3 to 30.0 s");
    EXPECT_EQ(choiceName(time, 0), "0.3 s");
    EXPECT_EQ(choiceName(time, 47), "5.0 s");
    EXPECT_EQ(choiceName(time, 69), "30.0 s");
    EXPECT_EQ(time.maximum, 69);

    const SysexParameter& hpf = *xgParameterAt(0x02, 0x01, 0x05, -1).parameter;
    EXPECT_EQ(choiceName(hpf, 0), "thru");
    EXPECT_EQ(choiceName(hpf, 52), "8.0 kHz");
    const SysexParameter& lpf = *xgParameterAt(0x02, 0x01, 0x06, -1).parameter;
    EXPECT_EQ(lpf.minimum, 34);
    EXPECT_EQ(choiceName(lpf, 34), "1.0 kHz");
    EXPECT_EQ(choiceName(lpf, 60), "thru");

    const SysexParameter& pan = *xgParameterAt(0x02, 0x01, 0x0D, -1).parameter;
    EXPECT_EQ(pan.name, "Reverb pan");
    EXPECT_EQ(pan.style, SysexValueStyle::Pan);
    EXPECT_EQ(pan.minimum, 1) << "no random position for an effect return";

    EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x14, -1).description, "Reverb feedback level");
    EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x22, -1).description, "Chorus LFO frequency");
    EXPECT_EQ(choiceName(*xgParameterAt(0x02, 0x01, 0x22, -1).parameter, 127), "39.7 Hz");
    EXPECT_EQ(choiceName(*xgParameterAt(0x02, 0x01, 0x25, -1).parameter, 127), "50.0 ms");
    EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x2E, -1).description, "Chorus send to reverb");
    // Between the blocks nothing is addressed.
    for (const std::uint8_t gap : {0x0E, 0x0F, 0x16, 0x1F, 0x21, 0x2F, 0x36, 0x3F})
        EXPECT_EQ(xgParameterAt(0x02, 0x01, gap, -1).error, SysexError::UnknownXg) << int(gap);
}

TEST(XgParameterMap, VariationParametersFollowTheSelectedType)
{
    struct Case {
        int variationType;
        std::uint8_t a3;
        std::string_view name; // empty: not valid for the type
        int dataBytes;
    };
    const Case cases[] = {
        // A reverb type.
        {type(0x01, 0x00), 0x42, "Variation reverb time", 2},
        {type(0x01, 0x00), 0x54, "Variation dry/wet", 2},
        {type(0x01, 0x00), 0x70, "Variation rev delay", 1},
        {type(0x01, 0x00), 0x4C, "", 0}, // parameter 6
        {type(0x04, 0x00), 0x44, "Variation diffusion", 2},
        {type(0x01, 0x05), 0x42, "Variation reverb time", 2}, // unknown LSB: the basic type
        // A delay type.
        {type(0x05, 0x00), 0x42, "Variation Lch delay", 2},
        {type(0x05, 0x00), 0x48, "Variation feedback delay", 2},
        {type(0x05, 0x00), 0x72, "Variation EQ low frequency", 1},
        {type(0x05, 0x00), 0x75, "Variation EQ high gain", 1},
        {type(0x05, 0x00), 0x50, "", 0}, // parameter 8
        {type(0x05, 0x00), 0x70, "", 0}, // parameter 11
        // Distortion and overdrive share their list.
        {type(0x49, 0x00), 0x42, "Variation drive", 2},
        {type(0x4A, 0x00), 0x42, "Variation drive", 2},
        {type(0x4A, 0x00), 0x48, "Variation LPF cutoff", 2},
        {type(0x49, 0x00), 0x70, "Variation edge (clip curve)", 1},
        {type(0x49, 0x00), 0x4C, "", 0}, // parameter 6
        // Chorus and celeste.
        {type(0x42, 0x08), 0x42, "Variation LFO frequency", 2},
        {type(0x41, 0x00), 0x74, "Variation input mode", 1},
        // OFF and THRU have no parameters at all.
        {type(0x00, 0x00), 0x42, "", 0},
        {type(0x40, 0x00), 0x75, "", 0},
        // Unknown: generic rows, two bytes for 1..10.
        {-1, 0x42, "Variation parameter 1", 2},
        {-1, 0x54, "Variation parameter 10", 2},
        {-1, 0x70, "Variation parameter 11", 1},
        {-1, 0x75, "Variation parameter 16", 1},
        {type(0x30, 0x00), 0x4C, "Variation parameter 6", 2}, // an MSB no XG type has
    };
    for (const Case& c : cases) {
        const XgLookup lookup = xgParameterAt(0x02, 0x01, c.a3, c.variationType);
        SCOPED_TRACE(testing::Message() << "type " << c.variationType << " address " << int(c.a3));
        if (c.name.empty()) {
            EXPECT_EQ(lookup.parameter, nullptr);
            EXPECT_EQ(lookup.error, SysexError::XgVariation);
            continue;
        }
        ASSERT_NE(lookup.parameter, nullptr);
        EXPECT_EQ(lookup.description, c.name);
        EXPECT_EQ(lookup.parameter->name, c.name);
        EXPECT_EQ(lookup.parameter->dataBytes, c.dataBytes);
        EXPECT_TRUE(lookup.error.empty());
    }

    // The second byte of a two-byte parameter and the addresses past 75 are no addresses,
    // whatever the type.
    for (const int variationType : {-1, type(0x05, 0), type(0x00, 0)}) {
        EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x43, variationType).error, SysexError::UnknownXg);
        EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x55, variationType).error, SysexError::UnknownXg);
        EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x76, variationType).error, SysexError::UnknownXg);
        EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x56, variationType).description, "Variation return");
    }
}

TEST(XgParameterMap, VariationParameterValues)
{
    const SysexParameter& lch = *xgParameterAt(0x02, 0x01, 0x42, type(0x05, 0)).parameter;
    EXPECT_EQ(lch.unit, "ms");
    EXPECT_EQ(lch.minimum, 1);
    EXPECT_EQ(lch.maximum, 7150) << "0.1 to 715.0 ms needs both data bytes";
    EXPECT_DOUBLE_EQ((lch.maximum + lch.offset) * lch.scale, 715.0);

    const SysexParameter& echo = *xgParameterAt(0x02, 0x01, 0x42, type(0x07, 0)).parameter;
    EXPECT_EQ(echo.name, "Variation Lch delay1");
    EXPECT_EQ(echo.maximum, 3550);

    const SysexParameter& dryWet = *xgParameterAt(0x02, 0x01, 0x54, type(0x49, 0)).parameter;
    EXPECT_EQ(choiceName(dryWet, 1), "D63>W");
    EXPECT_EQ(choiceName(dryWet, 64), "D=W");
    EXPECT_EQ(choiceName(dryWet, 127), "D<W63");

    const SysexParameter& lowGain = *xgParameterAt(0x02, 0x01, 0x73, type(0x06, 0)).parameter;
    EXPECT_EQ(lowGain.unit, "dB");
    EXPECT_EQ(lowGain.minimum + lowGain.offset, -12);
    EXPECT_EQ(lowGain.maximum + lowGain.offset, 12);

    const SysexParameter& lowFrequency = *xgParameterAt(0x02, 0x01, 0x72, type(0x06, 0)).parameter;
    EXPECT_EQ(choiceName(lowFrequency, lowFrequency.minimum), "32 Hz");
    EXPECT_EQ(choiceName(lowFrequency, lowFrequency.maximum), "2.0 kHz");

    EXPECT_EQ(xgParameterAt(0x02, 0x01, 0x74, type(0x46, 0)).parameter->choices, "mono\\stereo\\");
    const SysexParameter& difference = *xgParameterAt(0x02, 0x01, 0x73, type(0x46, 0)).parameter;
    EXPECT_DOUBLE_EQ((difference.minimum + difference.offset) * difference.scale, -180.0);
    EXPECT_DOUBLE_EQ((difference.maximum + difference.offset) * difference.scale, 180.0);

    const SysexParameter& reflection = *xgParameterAt(0x02, 0x01, 0x42, type(0x09, 1)).parameter;
    EXPECT_EQ(choiceName(reflection, 5), "Spring");
}

// Every parameter of every variation type: the width its address implies, a name that
// says it belongs to the variation block, choices that name the whole range and a default
// the row accepts.
TEST(XgParameterMap, EveryVariationTypeIsConsistent)
{
    for (const XgVariationType& variation : xgVariationTypes()) {
        int rows = 0;
        for (int number = 1; number <= 16; ++number) {
            const auto a3 = static_cast<std::uint8_t>(number <= 10 ? 0x42 + 2 * (number - 1) : 0x70 + number - 11);
            const XgLookup lookup = xgParameterAt(0x02, 0x01, a3, type(variation.msb, variation.lsb));
            SCOPED_TRACE(testing::Message() << variation.name << " parameter " << number);
            if (!lookup.parameter) {
                EXPECT_EQ(lookup.error, SysexError::XgVariation);
                continue;
            }
            ++rows;
            const SysexParameter& row = *lookup.parameter;
            EXPECT_EQ(row.dataBytes, number <= 10 ? 2 : 1);
            EXPECT_TRUE(row.name.starts_with("Variation ")) << row.name;
            EXPECT_FALSE(row.name.starts_with("Variation parameter")) << "a known type names its rows";
            EXPECT_TRUE(accepts(row, row.defaultValue)) << row.name << " default " << row.defaultValue;
            EXPECT_LE(row.maximum, number <= 10 ? 0x3FFF : 0x7F);
            expectChoicesCoverRange(row);
        }
        const bool silent = variation.name == "OFF" || variation.name == "Thru";
        EXPECT_EQ(rows == 0, silent) << variation.name;
    }
}

TEST(XgParameterMap, MultiPartRows)
{
    struct Case {
        std::uint8_t part; // address byte pp
        std::uint8_t a3;
        std::string_view description;
        XgRole role;
    };
    const Case cases[] = {
        {0x00, 0x01, "part 1 bank select MSB", XgRole::PartBankMsb},
        {0x00, 0x02, "part 1 bank select LSB", XgRole::PartBankLsb},
        {0x00, 0x03, "part 1 program number", XgRole::PartProgram},
        {0x00, 0x04, "part 1 midi channel", XgRole::PartChannel},
        {0x00, 0x07, "part 1 use for rythm part", XgRole::PartRhythm},
        {0x0F, 0x01, "part 16 bank select MSB", XgRole::PartBankMsb},
        {0x0F, 0x04, "part 16 midi channel", XgRole::PartChannel},
        {0x0F, 0x07, "part 16 use for rythm part", XgRole::PartRhythm},
        {0x0F, 0x14, "part 16 variation send level", XgRole::None},
        {0x0F, 0x40, "part 16 rx. bank select", XgRole::None},
        {0x00, 0x15, "part 1 rate", XgRole::None},
        {0x00, 0x1C, "part 1 release", XgRole::None},
        {0x00, 0x59, "part 1 cc1 controller select", XgRole::None},
        {0x00, 0x60, "part 1 cc2 controller select", XgRole::None},
        {0x00, 0x67, "part 1 portamento switch", XgRole::None},
        {0x00, 0x6C, "part 1 pitch env. release time", XgRole::None},
    };
    for (const Case& c : cases) {
        const XgLookup lookup = xgParameterAt(0x08, c.part, c.a3, -1);
        ASSERT_NE(lookup.parameter, nullptr) << c.description;
        EXPECT_EQ(lookup.description, c.description);
        EXPECT_EQ(lookup.role, c.role) << c.description;
        EXPECT_EQ(lookup.partNumber, c.part + 1);
    }

    const SysexParameter& channel = *xgParameterAt(0x08, 0x0F, 0x04, -1).parameter;
    EXPECT_EQ(fields(channel.choices).front(), "Channel 1");
    EXPECT_EQ(fields(channel.choices).size(), 17u);
    EXPECT_EQ(choiceName(channel, 0x0F), "Channel 16");
    EXPECT_EQ(choiceName(channel, 0x7F), "off") << "XG switches a part off with 7F";
    EXPECT_EQ(channel.lastChoiceValue, 0x7F);

    EXPECT_EQ(xgParameterAt(0x08, 0x00, 0x07, -1).parameter->choices, "off\\drum\\drums1\\drums2\\");
    EXPECT_EQ(xgParameterAt(0x08, 0x00, 0x05, -1).parameter->choices, "mono\\poly\\");
    EXPECT_TRUE(xgParameterAt(0x08, 0x00, 0x06, -1).parameter->choices.starts_with("single\\multi\\"));
    EXPECT_EQ(xgParameterAt(0x08, 0x00, 0x30, -1).parameter->choices, "off\\on\\");

    const SysexParameter& detune = *xgParameterAt(0x08, 0x00, 0x09, -1).parameter;
    EXPECT_EQ(detune.dataBytes, 2);
    EXPECT_EQ(detune.style, SysexValueStyle::Nibbles);
    EXPECT_DOUBLE_EQ((detune.minimum + detune.offset) * detune.scale, -12.8);
    EXPECT_DOUBLE_EQ((detune.maximum + detune.offset) * detune.scale, 12.7);

    // The names the list editor and the interpreter rely on, all present once.
    std::set<std::string_view> names;
    for (int a3 = 0; a3 < 128; ++a3) {
        const XgLookup lookup = xgParameterAt(0x08, 0x00, static_cast<std::uint8_t>(a3), -1);
        if (lookup.parameter) {
            EXPECT_TRUE(names.insert(lookup.parameter->name).second) << lookup.parameter->name;
        }
    }
    for (const std::string_view name :
         {"key assign", "detune", "depth", "delay", "cutoff", "resonance", "attack", "decay", "rx. pitch bend",
          "rx. note message", "portamento time", "pitch env. initial level", "pitch env. attack time",
          "pitch env. release level", "mod pitch control", "mod LFO pitch depth", "mod LFO TVF depth",
          "mod LFO TVA depth", "cc2 LFO TVA depth"})
        EXPECT_TRUE(names.contains(name)) << name;

    // Part 17, and the second byte of the detune.
    EXPECT_EQ(xgParameterAt(0x08, 0x10, 0x01, -1).error, SysexError::UnknownXg);
    EXPECT_EQ(xgParameterAt(0x08, 0x00, 0x0A, -1).error, SysexError::UnknownXg);
    EXPECT_EQ(xgParameterAt(0x08, 0x00, 0x29, -1).error, SysexError::UnknownXg);
    EXPECT_EQ(xgParameterAt(0x08, 0x00, 0x10, -1).partNumber, 1);
}

TEST(XgParameterMap, DrumSetupRows)
{
    struct Case {
        std::uint8_t a1;
        std::uint8_t key;
        std::uint8_t a3;
        std::string_view name;
    };
    const Case cases[] = {
        {0x30, 36, 0x00, "pitch course"},
        {0x30, 36, 0x08, "key assign"},
        {0x31, 38, 0x0B, "filter cutoff frequency"},
        {0x31, 38, 0x0C, "filter resonance"},
        {0x30, 42, 0x0D, "env. attack rate"},
        {0x30, 42, 0x0E, "env. decay1 rate"},
        {0x30, 42, 0x0F, "env. decay2 rate"},
        {0x31, 13, 0x04, "pan"},
        {0x31, 91, 0x07, "variation send level"},
        {0x30, 36, 0x0A, "rx. note on"},
        {0x30, 36, 0x24, "EQ bass frequency"},
    };
    for (const Case& c : cases) {
        const XgLookup lookup = xgParameterAt(c.a1, c.key, c.a3, -1);
        ASSERT_NE(lookup.parameter, nullptr) << c.name;
        const int setup = c.a1 - 0x2F;
        EXPECT_EQ(lookup.description, "drum setup " + std::to_string(setup) + " key '" + std::string(noteName(c.key)) +
                                          "' " + std::string(c.name));
        EXPECT_EQ(lookup.drumSetup, setup);
        EXPECT_EQ(lookup.drumKey, c.key);
        EXPECT_EQ(lookup.partNumber, 0);
    }
    EXPECT_EQ(xgParameterAt(0x30, 36, 0x00, -1).description, "drum setup 1 key 'C3' pitch course");
    EXPECT_EQ(xgParameterAt(0x30, 36, 0x08, -1).parameter->choices, "single\\multi\\");
    EXPECT_EQ(xgParameterAt(0x30, 36, 0x09, -1).parameter->choices, "off\\on\\");
    EXPECT_EQ(xgParameterAt(0x30, 36, 0x03, -1).parameter->zeroName, "off");

    const SysexParameter& bass = *xgParameterAt(0x30, 36, 0x24, -1).parameter;
    EXPECT_EQ(choiceName(bass, bass.minimum), "32 Hz");
    const SysexParameter& treble = *xgParameterAt(0x30, 36, 0x25, -1).parameter;
    EXPECT_EQ(choiceName(treble, treble.maximum), "16.0 kHz");

    // Only DRUMS 1 and DRUMS 2 exist; addresses between the rows name nothing.
    EXPECT_EQ(xgParameterAt(0x32, 36, 0x00, -1).error, SysexError::UnknownXg);
    EXPECT_EQ(xgParameterAt(0x2F, 36, 0x00, -1).error, SysexError::UnknownXg);
    EXPECT_EQ(xgParameterAt(0x30, 36, 0x10, -1).error, SysexError::UnknownXg);
    EXPECT_EQ(xgParameterAt(0x30, 36, 0x22, -1).error, SysexError::UnknownXg);
}

TEST(XgParameterMap, UnknownAddresses)
{
    const std::array<std::array<std::uint8_t, 3>, 9> addresses = {{
        {0x00, 0x00, 0x05},
        {0x00, 0x01, 0x00},
        {0x01, 0x00, 0x00}, // model name: a bulk dump, never a parameter change
        {0x02, 0x00, 0x00},
        {0x02, 0x01, 0x61},
        {0x02, 0x02, 0x00},
        {0x08, 0x00, 0x7F},
        {0x7F, 0x7F, 0x7F},
        {0x40, 0x00, 0x7F}, // a GS address
    }};
    for (const auto& [a1, a2, a3] : addresses) {
        const XgLookup lookup = xgParameterAt(a1, a2, a3, -1);
        EXPECT_EQ(lookup.parameter, nullptr) << int(a1) << ' ' << int(a2) << ' ' << int(a3);
        EXPECT_EQ(lookup.error, SysexError::UnknownXg);
        EXPECT_TRUE(lookup.description.empty());
    }
}

TEST(XgParameterMap, Catalogue)
{
    const auto catalogue = xgCatalogue();
    ASSERT_FALSE(catalogue.empty());

    const std::vector<std::string_view> areas = {"System", "Effect", "Multi part", "Drum setup"};
    std::size_t area = 0;
    std::set<std::array<std::uint8_t, 3>> addresses;
    for (const XgCatalogueEntry& entry : catalogue) {
        SCOPED_TRACE(std::string(entry.area) + " " + std::string(entry.name));
        while (area < areas.size() && areas[area] != entry.area)
            ++area;
        ASSERT_LT(area, areas.size()) << "areas in order";
        EXPECT_TRUE(addresses.insert(entry.address).second) << "listed once";

        const XgLookup lookup = xgParameterAt(entry.address[0], entry.address[1], entry.address[2], -1);
        ASSERT_NE(lookup.parameter, nullptr);
        EXPECT_EQ(lookup.parameter->name, entry.name);
        EXPECT_EQ(lookup.parameter->dataBytes, entry.dataBytes);
        EXPECT_EQ(lookup.parameter->defaultValue, entry.defaultValue);
        if (isEffectType(lookup)) {
            EXPECT_FALSE(xgEffectTypeName(lookup.parameter->choices, entry.defaultValue / 128, entry.defaultValue % 128)
                             .empty());
        } else {
            EXPECT_TRUE(accepts(*lookup.parameter, entry.defaultValue)) << entry.defaultValue;
        }
        if (!isEffectType(lookup))
            expectChoicesCoverRange(*lookup.parameter);
        EXPECT_EQ(lookup.partNumber, entry.area == "Multi part" ? 1 : 0);
    }
    EXPECT_EQ(area, areas.size() - 1) << "every area has entries";

    // Effects in address order, the variation parameters under their generic names.
    const auto isEffect = [](const XgCatalogueEntry& entry) { return entry.area == "Effect"; };
    std::vector<XgCatalogueEntry> effects;
    std::ranges::copy_if(catalogue, std::back_inserter(effects), isEffect);
    EXPECT_TRUE(std::ranges::is_sorted(effects, {}, [](const XgCatalogueEntry& e) { return e.address[2]; }));
    const auto named = [&](std::string_view name) {
        return std::ranges::find(catalogue, name, &XgCatalogueEntry::name);
    };
    ASSERT_NE(named("Variation parameter 1"), catalogue.end());
    EXPECT_EQ(named("Variation parameter 1")->address[2], 0x42);
    EXPECT_EQ(named("Variation parameter 1")->dataBytes, 2);
    EXPECT_EQ(named("Variation parameter 16")->address[2], 0x75);
    EXPECT_EQ(named("Variation part")->defaultValue, 0x7F);
    EXPECT_EQ(named("master tune")->dataBytes, 4);
    EXPECT_NE(named("mode"), catalogue.end());
    EXPECT_NE(named("pitch course"), catalogue.end());
}

} // namespace
} // namespace velisto
