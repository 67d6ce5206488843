#include "midi/XgParameterMap.h"

#include "midi/MidiStandardNames.h"
#include "midi/SysexDecoder.h"

#include <algorithm>
#include <vector>

namespace velisto {

namespace {

using Style = SysexValueStyle;
using Edit = SysexEditKind;

// ---- effect type lists ----

constexpr std::string_view kReverbTypes = "OFF\\0,0\\Hall1\\1,0\\Hall2\\1,1\\Room1\\2,0\\Room2\\2,1\\Room3\\2,2\\"
                                          "Stage1\\3,0\\Stage2\\3,1\\Plate\\4,0\\Wh.room\\16,0\\Tunnel\\17,0\\"
                                          "Basem.\\19,0\\";
constexpr std::string_view kChorusTypes = "OFF\\0,0\\Chorus1\\65,0\\Chorus2\\65,1\\Chorus3\\65,2\\Chorus4\\65,8\\"
                                          "Celes1\\66,0\\Celes2\\66,1\\Celes3\\66,2\\Celes4\\66,8\\"
                                          "Flange1\\67,0\\Flange2\\67,1\\Flange3\\67,8\\";

// ---- value texts of the effect parameters ----
// The published XG effect data tables, one name per raw value from 0 (dry/wet and the
// balance from 1). Rows show a slice of a table, so a row's choices start at its minimum.

// clang-format off
// LFO frequency, 0..127.
constexpr std::string_view kLfoFrequencies =
    "0.00 Hz\\0.04 Hz\\0.08 Hz\\0.13 Hz\\0.17 Hz\\0.21 Hz\\0.25 Hz\\0.29 Hz\\"
    "0.34 Hz\\0.38 Hz\\0.42 Hz\\0.46 Hz\\0.50 Hz\\0.55 Hz\\0.59 Hz\\0.63 Hz\\"
    "0.67 Hz\\0.71 Hz\\0.76 Hz\\0.80 Hz\\0.84 Hz\\0.88 Hz\\0.93 Hz\\0.97 Hz\\"
    "1.01 Hz\\1.05 Hz\\1.09 Hz\\1.14 Hz\\1.18 Hz\\1.22 Hz\\1.26 Hz\\1.30 Hz\\"
    "1.35 Hz\\1.39 Hz\\1.43 Hz\\1.47 Hz\\1.51 Hz\\1.56 Hz\\1.60 Hz\\1.64 Hz\\"
    "1.68 Hz\\1.72 Hz\\1.77 Hz\\1.81 Hz\\1.85 Hz\\1.89 Hz\\1.93 Hz\\1.98 Hz\\"
    "2.02 Hz\\2.06 Hz\\2.10 Hz\\2.14 Hz\\2.19 Hz\\2.23 Hz\\2.27 Hz\\2.31 Hz\\"
    "2.36 Hz\\2.40 Hz\\2.44 Hz\\2.48 Hz\\2.52 Hz\\2.57 Hz\\2.61 Hz\\2.65 Hz\\"
    "2.69 Hz\\2.78 Hz\\2.86 Hz\\2.94 Hz\\3.03 Hz\\3.11 Hz\\3.20 Hz\\3.28 Hz\\"
    "3.36 Hz\\3.45 Hz\\3.53 Hz\\3.62 Hz\\3.70 Hz\\3.87 Hz\\4.04 Hz\\4.21 Hz\\"
    "4.37 Hz\\4.54 Hz\\4.71 Hz\\4.88 Hz\\5.05 Hz\\5.21 Hz\\5.38 Hz\\5.55 Hz\\"
    "5.72 Hz\\6.06 Hz\\6.39 Hz\\6.73 Hz\\7.07 Hz\\7.40 Hz\\7.74 Hz\\8.07 Hz\\"
    "8.41 Hz\\8.75 Hz\\9.08 Hz\\9.42 Hz\\9.76 Hz\\10.1 Hz\\10.8 Hz\\11.4 Hz\\"
    "12.1 Hz\\12.8 Hz\\13.5 Hz\\14.1 Hz\\14.8 Hz\\15.5 Hz\\16.1 Hz\\16.8 Hz\\"
    "17.5 Hz\\18.2 Hz\\19.5 Hz\\20.9 Hz\\22.2 Hz\\23.6 Hz\\24.9 Hz\\26.2 Hz\\"
    "27.6 Hz\\28.9 Hz\\30.3 Hz\\31.6 Hz\\33.0 Hz\\34.3 Hz\\37.0 Hz\\39.7 Hz\\";
// Modulation delay offset, 0..127.
constexpr std::string_view kModulationDelays =
    "0.0 ms\\0.1 ms\\0.2 ms\\0.3 ms\\0.4 ms\\0.5 ms\\0.6 ms\\0.7 ms\\0.8 ms\\0.9 ms\\"
    "1.0 ms\\1.1 ms\\1.2 ms\\1.3 ms\\1.4 ms\\1.5 ms\\1.6 ms\\1.7 ms\\1.8 ms\\1.9 ms\\"
    "2.0 ms\\2.1 ms\\2.2 ms\\2.3 ms\\2.4 ms\\2.5 ms\\2.6 ms\\2.7 ms\\2.8 ms\\2.9 ms\\"
    "3.0 ms\\3.1 ms\\3.2 ms\\3.3 ms\\3.4 ms\\3.5 ms\\3.6 ms\\3.7 ms\\3.8 ms\\3.9 ms\\"
    "4.0 ms\\4.1 ms\\4.2 ms\\4.3 ms\\4.4 ms\\4.5 ms\\4.6 ms\\4.7 ms\\4.8 ms\\4.9 ms\\"
    "5.0 ms\\5.1 ms\\5.2 ms\\5.3 ms\\5.4 ms\\5.5 ms\\5.6 ms\\5.7 ms\\5.8 ms\\5.9 ms\\"
    "6.0 ms\\6.1 ms\\6.2 ms\\6.3 ms\\6.4 ms\\6.5 ms\\6.6 ms\\6.7 ms\\6.8 ms\\6.9 ms\\"
    "7.0 ms\\7.1 ms\\7.2 ms\\7.3 ms\\7.4 ms\\7.5 ms\\7.6 ms\\7.7 ms\\7.8 ms\\7.9 ms\\"
    "8.0 ms\\8.1 ms\\8.2 ms\\8.3 ms\\8.4 ms\\8.5 ms\\8.6 ms\\8.7 ms\\8.8 ms\\8.9 ms\\"
    "9.0 ms\\9.1 ms\\9.2 ms\\9.3 ms\\9.4 ms\\9.5 ms\\9.6 ms\\9.7 ms\\9.8 ms\\9.9 ms\\"
    "10.0 ms\\11.1 ms\\12.2 ms\\13.3 ms\\14.4 ms\\15.5 ms\\17.1 ms\\18.6 ms\\20.2 ms\\21.8 ms\\"
    "23.3 ms\\24.9 ms\\26.5 ms\\28.0 ms\\29.6 ms\\31.2 ms\\32.8 ms\\34.3 ms\\35.9 ms\\37.5 ms\\"
    "39.0 ms\\40.6 ms\\42.2 ms\\43.7 ms\\45.3 ms\\46.9 ms\\48.4 ms\\50.0 ms\\";
// Reverb time, 0..69.
constexpr std::string_view kReverbTimes =
    "0.3 s\\0.4 s\\0.5 s\\0.6 s\\0.7 s\\0.8 s\\0.9 s\\1.0 s\\1.1 s\\1.2 s\\"
    "1.3 s\\1.4 s\\1.5 s\\1.6 s\\1.7 s\\1.8 s\\1.9 s\\2.0 s\\2.1 s\\2.2 s\\"
    "2.3 s\\2.4 s\\2.5 s\\2.6 s\\2.7 s\\2.8 s\\2.9 s\\3.0 s\\3.1 s\\3.2 s\\"
    "3.3 s\\3.4 s\\3.5 s\\3.6 s\\3.7 s\\3.8 s\\3.9 s\\4.0 s\\4.1 s\\4.2 s\\"
    "4.3 s\\4.4 s\\4.5 s\\4.6 s\\4.7 s\\4.8 s\\4.9 s\\5.0 s\\5.5 s\\6.0 s\\"
    "6.5 s\\7.0 s\\7.5 s\\8.0 s\\8.5 s\\9.0 s\\9.5 s\\10.0 s\\11.0 s\\12.0 s\\"
    "13.0 s\\14.0 s\\15.0 s\\16.0 s\\17.0 s\\18.0 s\\19.0 s\\20.0 s\\25.0 s\\30.0 s\\";
// Delay time, 0..127 (initial delay and reverb delay use 0..63).
constexpr std::string_view kDelayTimes =
    "0.1 ms\\1.7 ms\\3.2 ms\\4.8 ms\\6.4 ms\\8.0 ms\\9.5 ms\\11.1 ms\\12.7 ms\\14.3 ms\\"
    "15.8 ms\\17.4 ms\\19.0 ms\\20.6 ms\\22.1 ms\\23.7 ms\\25.3 ms\\26.9 ms\\28.4 ms\\30.0 ms\\"
    "31.6 ms\\33.2 ms\\34.7 ms\\36.3 ms\\37.9 ms\\39.5 ms\\41.0 ms\\42.6 ms\\44.2 ms\\45.7 ms\\"
    "47.3 ms\\48.9 ms\\50.5 ms\\52.0 ms\\53.6 ms\\55.2 ms\\56.8 ms\\58.3 ms\\59.9 ms\\61.5 ms\\"
    "63.1 ms\\64.6 ms\\66.2 ms\\67.8 ms\\69.4 ms\\70.9 ms\\72.5 ms\\74.1 ms\\75.7 ms\\77.2 ms\\"
    "78.8 ms\\80.4 ms\\81.9 ms\\83.5 ms\\85.1 ms\\86.7 ms\\88.2 ms\\89.8 ms\\91.4 ms\\93.0 ms\\"
    "94.5 ms\\96.1 ms\\97.7 ms\\99.3 ms\\100.8 ms\\102.4 ms\\104.0 ms\\105.6 ms\\107.1 ms\\108.7 ms\\"
    "110.3 ms\\111.9 ms\\113.4 ms\\115.0 ms\\116.6 ms\\118.2 ms\\119.7 ms\\121.3 ms\\122.9 ms\\124.4 ms\\"
    "126.0 ms\\127.6 ms\\129.2 ms\\130.7 ms\\132.3 ms\\133.9 ms\\135.5 ms\\137.0 ms\\138.6 ms\\140.2 ms\\"
    "141.8 ms\\143.3 ms\\144.9 ms\\146.5 ms\\148.1 ms\\149.6 ms\\151.2 ms\\152.8 ms\\154.4 ms\\155.9 ms\\"
    "157.5 ms\\159.1 ms\\160.6 ms\\162.2 ms\\163.8 ms\\165.4 ms\\166.9 ms\\168.5 ms\\170.1 ms\\171.7 ms\\"
    "173.2 ms\\174.8 ms\\176.4 ms\\178.0 ms\\179.5 ms\\181.1 ms\\182.7 ms\\184.3 ms\\185.8 ms\\187.4 ms\\"
    "189.0 ms\\190.6 ms\\192.1 ms\\193.7 ms\\195.3 ms\\196.9 ms\\198.4 ms\\200.0 ms\\";
// Room size, 0..44.
constexpr std::string_view kRoomSizes =
    "0.1\\0.3\\0.4\\0.6\\0.7\\0.9\\1.0\\1.2\\1.4\\1.5\\1.7\\1.8\\2.0\\2.1\\2.3\\"
    "2.5\\2.6\\2.8\\2.9\\3.1\\3.2\\3.4\\3.6\\3.7\\3.9\\4.0\\4.2\\4.3\\4.5\\4.6\\"
    "4.8\\5.0\\5.1\\5.3\\5.4\\5.6\\5.7\\5.9\\6.1\\6.2\\6.4\\6.5\\6.7\\6.8\\7.0\\";
// Filter and EQ frequency, 0..60. Only the HPF cutoff reaches 0 and only the LPF cutoff 60,
// and there these ends mean the filter is off, so they read "thru" instead of 20 Hz and 20 kHz.
constexpr std::string_view kFilterFrequencies =
    "thru\\22 Hz\\25 Hz\\28 Hz\\32 Hz\\36 Hz\\40 Hz\\45 Hz\\50 Hz\\56 Hz\\"
    "63 Hz\\70 Hz\\80 Hz\\90 Hz\\100 Hz\\110 Hz\\125 Hz\\140 Hz\\160 Hz\\180 Hz\\"
    "200 Hz\\225 Hz\\250 Hz\\280 Hz\\315 Hz\\355 Hz\\400 Hz\\450 Hz\\500 Hz\\560 Hz\\"
    "630 Hz\\700 Hz\\800 Hz\\900 Hz\\1.0 kHz\\1.1 kHz\\1.2 kHz\\1.4 kHz\\1.6 kHz\\1.8 kHz\\"
    "2.0 kHz\\2.2 kHz\\2.5 kHz\\2.8 kHz\\3.2 kHz\\3.6 kHz\\4.0 kHz\\4.5 kHz\\5.0 kHz\\5.6 kHz\\"
    "6.3 kHz\\7.0 kHz\\8.0 kHz\\9.0 kHz\\10.0 kHz\\11.0 kHz\\12.0 kHz\\14.0 kHz\\16.0 kHz\\18.0 kHz\\"
    "thru\\";
// Dry/wet, 1..127.
constexpr std::string_view kDryWet =
    "D63>W\\D62>W\\D61>W\\D60>W\\D59>W\\D58>W\\D57>W\\D56>W\\D55>W\\D54>W\\D53>W\\D52>W\\D51>W\\D50>W\\D49>W\\D48>W\\"
    "D47>W\\D46>W\\D45>W\\D44>W\\D43>W\\D42>W\\D41>W\\D40>W\\D39>W\\D38>W\\D37>W\\D36>W\\D35>W\\D34>W\\D33>W\\D32>W\\"
    "D31>W\\D30>W\\D29>W\\D28>W\\D27>W\\D26>W\\D25>W\\D24>W\\D23>W\\D22>W\\D21>W\\D20>W\\D19>W\\D18>W\\D17>W\\D16>W\\"
    "D15>W\\D14>W\\D13>W\\D12>W\\D11>W\\D10>W\\D9>W\\D8>W\\D7>W\\D6>W\\D5>W\\D4>W\\D3>W\\D2>W\\D1>W\\D=W\\"
    "D<W1\\D<W2\\D<W3\\D<W4\\D<W5\\D<W6\\D<W7\\D<W8\\D<W9\\D<W10\\D<W11\\D<W12\\D<W13\\D<W14\\D<W15\\D<W16\\"
    "D<W17\\D<W18\\D<W19\\D<W20\\D<W21\\D<W22\\D<W23\\D<W24\\D<W25\\D<W26\\D<W27\\D<W28\\D<W29\\D<W30\\D<W31\\D<W32\\"
    "D<W33\\D<W34\\D<W35\\D<W36\\D<W37\\D<W38\\D<W39\\D<W40\\D<W41\\D<W42\\D<W43\\D<W44\\D<W45\\D<W46\\D<W47\\D<W48\\"
    "D<W49\\D<W50\\D<W51\\D<W52\\D<W53\\D<W54\\D<W55\\D<W56\\D<W57\\D<W58\\D<W59\\D<W60\\D<W61\\D<W62\\D<W63\\";
// Early reflections against reverb, 1..127.
constexpr std::string_view kReverbBalance =
    "E63>R\\E62>R\\E61>R\\E60>R\\E59>R\\E58>R\\E57>R\\E56>R\\E55>R\\E54>R\\E53>R\\E52>R\\E51>R\\E50>R\\E49>R\\E48>R\\"
    "E47>R\\E46>R\\E45>R\\E44>R\\E43>R\\E42>R\\E41>R\\E40>R\\E39>R\\E38>R\\E37>R\\E36>R\\E35>R\\E34>R\\E33>R\\E32>R\\"
    "E31>R\\E30>R\\E29>R\\E28>R\\E27>R\\E26>R\\E25>R\\E24>R\\E23>R\\E22>R\\E21>R\\E20>R\\E19>R\\E18>R\\E17>R\\E16>R\\"
    "E15>R\\E14>R\\E13>R\\E12>R\\E11>R\\E10>R\\E9>R\\E8>R\\E7>R\\E6>R\\E5>R\\E4>R\\E3>R\\E2>R\\E1>R\\E=R\\"
    "E<R1\\E<R2\\E<R3\\E<R4\\E<R5\\E<R6\\E<R7\\E<R8\\E<R9\\E<R10\\E<R11\\E<R12\\E<R13\\E<R14\\E<R15\\E<R16\\"
    "E<R17\\E<R18\\E<R19\\E<R20\\E<R21\\E<R22\\E<R23\\E<R24\\E<R25\\E<R26\\E<R27\\E<R28\\E<R29\\E<R30\\E<R31\\E<R32\\"
    "E<R33\\E<R34\\E<R35\\E<R36\\E<R37\\E<R38\\E<R39\\E<R40\\E<R41\\E<R42\\E<R43\\E<R44\\E<R45\\E<R46\\E<R47\\E<R48\\"
    "E<R49\\E<R50\\E<R51\\E<R52\\E<R53\\E<R54\\E<R55\\E<R56\\E<R57\\E<R58\\E<R59\\E<R60\\E<R61\\E<R62\\E<R63\\";
// clang-format on

constexpr std::string_view kOffOn = "off\\on\\";
constexpr std::string_view kMonoStereo = "mono\\stereo\\";
constexpr std::string_view kChannels = "Channel 1\\Channel 2\\Channel 3\\Channel 4\\Channel 5\\Channel 6\\Channel 7\\"
                                       "Channel 8\\Channel 9\\Channel 10\\Channel 11\\Channel 12\\Channel 13\\"
                                       "Channel 14\\Channel 15\\Channel 16\\off\\";
constexpr std::string_view kVariationParts = "part 1\\part 2\\part 3\\part 4\\part 5\\part 6\\part 7\\part 8\\part 9\\"
                                             "part 10\\part 11\\part 12\\part 13\\part 14\\part 15\\part 16\\off\\";
constexpr int kOff = 0x7F; // XG's "off" for a receive channel or the variation part

constexpr int fieldCount(std::string_view list) { return static_cast<int>(std::ranges::count(list, '\\')); }

// Fields first..last (from 0) of a backslash-terminated list, each with its backslash;
// empty when the list is shorter.
constexpr std::string_view fieldSlice(std::string_view list, int first, int last)
{
    std::size_t begin = 0;
    std::size_t end = 0;
    for (int field = 0; field <= last; ++field) {
        const std::size_t separator = list.find('\\', end);
        if (separator == std::string_view::npos)
            return {};
        if (field == first)
            begin = end;
        end = separator + 1;
    }
    return list.substr(begin, end - begin);
}

static_assert(fieldCount(kLfoFrequencies) == 128 && fieldCount(kModulationDelays) == 128);
static_assert(fieldCount(kReverbTimes) == 70 && fieldCount(kDelayTimes) == 128 && fieldCount(kRoomSizes) == 45);
static_assert(fieldCount(kFilterFrequencies) == 61 && fieldCount(kDryWet) == 127 && fieldCount(kReverbBalance) == 127);
static_assert(fieldSlice(kFilterFrequencies, 34, 35) == "1.0 kHz\\1.1 kHz\\");
static_assert(fieldSlice(kFilterFrequencies, 0, 0) == "thru\\" && fieldSlice(kFilterFrequencies, 60, 61).empty());

// ---- row builders ----

constexpr SysexParameter level(std::string_view name, int defaultValue, int minimum = 0, int maximum = 127)
{
    return {.name = name, .minimum = minimum, .maximum = maximum, .defaultValue = defaultValue};
}

// Around the centre 64: raw 64 shows as 0.
constexpr SysexParameter centred(std::string_view name, int minimum = 0, int maximum = 127, std::string_view unit = {},
                                 double scale = 1.0, int decimals = 0, int defaultValue = 64)
{
    return {.name = name,
            .minimum = minimum,
            .maximum = maximum,
            .offset = -64,
            .scale = scale,
            .decimals = decimals,
            .unit = unit,
            .defaultValue = defaultValue};
}

constexpr SysexParameter semitones(std::string_view name, int defaultValue = 64)
{
    return centred(name, 0x28, 0x58, "semitones", 1.0, 0, defaultValue);
}

// Tenths: raw 10 shows as 1.0 (high damp, EQ width, resonance, delay times in 0.1 ms).
constexpr SysexParameter tenths(std::string_view name, int minimum, int maximum, int defaultValue,
                                std::string_view unit = {})
{
    return {.name = name,
            .minimum = minimum,
            .maximum = maximum,
            .scale = 0.1,
            .decimals = 1,
            .unit = unit,
            .defaultValue = defaultValue};
}

constexpr SysexParameter choice(std::string_view name, std::string_view choices, int defaultValue, int minimum = 0)
{
    return {.name = name,
            .minimum = minimum,
            .maximum = minimum + fieldCount(choices) - 1,
            .style = Style::Choice,
            .choices = choices,
            .edit = Edit::Combo,
            .defaultValue = defaultValue};
}

// Positions 0..15 and 7F for "off".
constexpr SysexParameter choiceWithOff(std::string_view name, std::string_view choices, int defaultValue)
{
    SysexParameter row = choice(name, choices, defaultValue);
    row.maximum = kOff;
    row.lastChoiceValue = kOff;
    return row;
}

constexpr SysexParameter onOff(std::string_view name, int defaultValue = 1)
{
    return choice(name, kOffOn, defaultValue);
}

constexpr SysexParameter fromTable(std::string_view name, std::string_view table, int first, int last,
                                   std::string_view rangeText, int defaultValue)
{
    SysexParameter row = choice(name, fieldSlice(table, first, last), defaultValue, first);
    row.rangeText = rangeText;
    return row;
}

constexpr SysexParameter pan(std::string_view name, int minimum)
{
    return {.name = name, .minimum = minimum, .style = Style::Pan, .defaultValue = 64};
}

constexpr SysexParameter effectType(std::string_view name, std::string_view list, int defaultMsb)
{
    return {.name = name,
            .dataBytes = 2,
            .maximum = 0x3FFF,
            .style = Style::Choice,
            .choices = list,
            .edit = Edit::Combo,
            .defaultValue = defaultMsb * 128};
}

// The kinds of effect parameter, by the published value table each one uses.
constexpr SysexParameter lfoFrequency(std::string_view name, int defaultValue)
{
    return fromTable(name, kLfoFrequencies, 0, 127, "0.00 to 39.7 Hz", defaultValue);
}
constexpr SysexParameter modulationDelay(std::string_view name, int defaultValue)
{
    return fromTable(name, kModulationDelays, 0, 127, "0.0 to 50.0 ms", defaultValue);
}
constexpr SysexParameter reverbTime(std::string_view name, int defaultValue)
{
    return fromTable(name, kReverbTimes, 0, 69, "0.3 to 30.0 s", defaultValue);
}
constexpr SysexParameter shortDelay(std::string_view name, int defaultValue)
{
    return fromTable(name, kDelayTimes, 0, 63, "0.1 to 99.3 ms", defaultValue);
}
constexpr SysexParameter longDelay(std::string_view name, int defaultValue)
{
    return fromTable(name, kDelayTimes, 0, 127, "0.1 to 200.0 ms", defaultValue);
}
constexpr SysexParameter roomSize(std::string_view name, int defaultValue)
{
    return fromTable(name, kRoomSizes, 0, 44, "0.1 to 7.0", defaultValue);
}
constexpr SysexParameter hpfCutoff(std::string_view name, int defaultValue)
{
    return fromTable(name, kFilterFrequencies, 0, 52, "thru to 8.0 kHz", defaultValue);
}
constexpr SysexParameter lpfCutoff(std::string_view name, int defaultValue)
{
    return fromTable(name, kFilterFrequencies, 34, 60, "1.0 kHz to thru", defaultValue);
}
constexpr SysexParameter eqLowFrequency(std::string_view name, int defaultValue = 28)
{
    return fromTable(name, kFilterFrequencies, 4, 40, "32 Hz to 2.0 kHz", defaultValue);
}
constexpr SysexParameter eqMidFrequency(std::string_view name, int defaultValue = 46)
{
    return fromTable(name, kFilterFrequencies, 14, 54, "100 Hz to 10.0 kHz", defaultValue);
}
constexpr SysexParameter eqHighFrequency(std::string_view name, int defaultValue = 46)
{
    return fromTable(name, kFilterFrequencies, 28, 58, "500 Hz to 16.0 kHz", defaultValue);
}
constexpr SysexParameter eqGain(std::string_view name, int defaultValue = 64)
{
    return centred(name, 0x34, 0x4C, "dB", 1.0, 0, defaultValue);
}
constexpr SysexParameter eqWidth(std::string_view name, int defaultValue = 10)
{
    return tenths(name, 10, 120, defaultValue);
}
constexpr SysexParameter feedback(std::string_view name, int defaultValue = 64)
{
    return centred(name, 1, 127, {}, 1.0, 0, defaultValue);
}
constexpr SysexParameter highDamp(std::string_view name, int defaultValue = 10)
{
    return tenths(name, 1, 10, defaultValue);
}
// The two balances name every value from 1 up.
constexpr SysexParameter balance(std::string_view name, std::string_view table, std::string_view rangeText,
                                 int defaultValue)
{
    SysexParameter row = choice(name, table, defaultValue, 1);
    row.rangeText = rangeText;
    return row;
}
constexpr SysexParameter dryWet(std::string_view name, int defaultValue = 64)
{
    return balance(name, kDryWet, "D63>W to D<W63", defaultValue);
}
constexpr SysexParameter reverbBalance(std::string_view name, int defaultValue = 64)
{
    return balance(name, kReverbBalance, "E63>R to E<R63", defaultValue);
}
constexpr SysexParameter phaseDifference(std::string_view name)
{
    return centred(name, 4, 124, "deg", 3.0); // 3 degrees a step: -180 .. +180
}

// One row of a block and the third address byte that selects it.
struct Row {
    std::uint8_t address;
    SysexParameter parameter;
    XgRole role = XgRole::None;
};

const Row* findRow(std::span<const Row> rows, std::uint8_t address)
{
    const auto it = std::ranges::find(rows, address, &Row::address);
    return it != rows.end() ? &*it : nullptr;
}

// ---- 00 00 xx: system ----

constexpr auto kSystemRows = std::to_array<Row>({
    {0x00,
     {.name = "master tune",
      .dataBytes = 4,
      .maximum = 0x07FF,
      .style = Style::Nibbles,
      .offset = -0x0400,
      .unit = "1/10 cent",
      .defaultValue = 0x0400}},
    {0x04, level("master volume", 127)},
    {0x06, semitones("transpose")},
    {0x7D, choice("reset drum setup map", "drums1\\drums2\\", 0), XgRole::ResetDrumSetup},
    {0x7E, choice("mode", "reset\\", 0), XgRole::SystemOn},
    {0x7F, level("all parameter reset", 0, 0, 0), XgRole::AllParameterReset},
});

// ---- 02 01 xx: effects ----
// The reverb and chorus blocks name their parameters after the published lists of the
// types they take: every reverb type shares one numbering (hall-like types leave 6-9
// unused), every chorus type another. The variation block's parameters depend on the
// variation type and are looked up separately below.

constexpr auto kEffectRows = std::to_array<Row>({
    {0x00, effectType("Reverb type", kReverbTypes, 0x01), XgRole::ReverbType},
    {0x02, reverbTime("Reverb time", 18)},
    {0x03, level("Reverb diffusion", 10, 0, 10)},
    {0x04, shortDelay("Reverb initial delay", 8)},
    {0x05, hpfCutoff("Reverb HPF cutoff", 0)},
    {0x06, lpfCutoff("Reverb LPF cutoff", 49)},
    {0x07, level("Reverb width", 0, 0, 37)},
    {0x08, level("Reverb height", 0, 0, 73)},
    {0x09, level("Reverb depth", 0, 0, 104)},
    {0x0A, level("Reverb wall vary", 0, 0, 30)},
    {0x0B, dryWet("Reverb dry/wet")},
    {0x0C, level("Reverb return", 64)},
    {0x0D, pan("Reverb pan", 1)},
    {0x10, shortDelay("Reverb rev delay", 0)},
    {0x11, level("Reverb density", 3, 0, 4)},
    {0x12, reverbBalance("Reverb ER/rev balance")},
    {0x13, highDamp("Reverb high damp")},
    {0x14, feedback("Reverb feedback level")},
    {0x15, level("Reverb parameter 16", 0)},

    {0x20, effectType("Chorus type", kChorusTypes, 0x41), XgRole::ChorusType},
    {0x22, lfoFrequency("Chorus LFO frequency", 6)},
    {0x23, level("Chorus LFO depth", 54)},
    {0x24, feedback("Chorus feedback level", 77)},
    {0x25, modulationDelay("Chorus delay offset", 106)},
    {0x26, level("Chorus parameter 5", 0)},
    {0x27, eqLowFrequency("Chorus EQ low frequency")},
    {0x28, eqGain("Chorus EQ low gain")},
    {0x29, eqHighFrequency("Chorus EQ high frequency")},
    {0x2A, eqGain("Chorus EQ high gain")},
    {0x2B, dryWet("Chorus dry/wet")},
    {0x2C, level("Chorus return", 64)},
    {0x2D, pan("Chorus pan", 1)},
    {0x2E, level("Chorus send to reverb", 0)},
    {0x30, eqMidFrequency("Chorus EQ mid frequency")},
    {0x31, eqGain("Chorus EQ mid gain")},
    {0x32, eqWidth("Chorus EQ mid width")},
    {0x33, phaseDifference("Chorus LFO phase difference")},
    {0x34, choice("Chorus input mode", kMonoStereo, 0)},
    {0x35, level("Chorus parameter 16", 0)},

    {0x40, effectType("Variation type", {}, 0x05), XgRole::VariationType}, // choices filled in by the lookup
    {0x56, level("Variation return", 64)},
    {0x57, pan("Variation pan", 1)},
    {0x58, level("Variation send to reverb", 0)},
    {0x59, level("Variation send to chorus", 0)},
    {0x5A, choice("Variation connection", "insertion\\system\\", 0)},
    {0x5B, choiceWithOff("Variation part", kVariationParts, kOff)},
    {0x5C, centred("Variation mod control depth")},
    {0x5D, centred("Variation bend control depth")},
    {0x5E, centred("Variation channel pressure control depth")},
    {0x5F, centred("Variation cc1 control depth")},
    {0x60, centred("Variation cc2 control depth")},
});

// ---- variation parameters, by variation type ----
// Parameters 1..10 take two data bytes (02 01 42, 44, .. 54), 11..16 one (02 01 70..75).

constexpr int kVariationParameters = 16;
constexpr int kTwoByteParameters = 10;

struct VariationRow {
    int number; // 1..16
    SysexParameter parameter;
};

constexpr VariationRow param(int number, SysexParameter parameter)
{
    parameter.dataBytes = number <= kTwoByteParameters ? 2 : 1;
    return {number, parameter};
}

template <typename... Rows> constexpr std::array<VariationRow, sizeof...(Rows)> rows(Rows... parameters)
{
    return {parameters...};
}

template <std::size_t... Counts>
constexpr std::array<VariationRow, (Counts + ...)> join(const std::array<VariationRow, Counts>&... parts)
{
    std::array<VariationRow, (Counts + ...)> joined{};
    auto out = joined.begin();
    ((out = std::ranges::copy(parts, out).out), ...);
    return joined;
}

// Rows for a type this map does not know: the raw value of the data bytes.
constexpr VariationRow generic(int number, std::string_view name)
{
    return param(number, level(name, 0, 0, number <= kTwoByteParameters ? 0x3FFF : 0x7F));
}

constexpr auto kGenericVariationRows = rows(
    generic(1, "Variation parameter 1"), generic(2, "Variation parameter 2"), generic(3, "Variation parameter 3"),
    generic(4, "Variation parameter 4"), generic(5, "Variation parameter 5"), generic(6, "Variation parameter 6"),
    generic(7, "Variation parameter 7"), generic(8, "Variation parameter 8"), generic(9, "Variation parameter 9"),
    generic(10, "Variation parameter 10"), generic(11, "Variation parameter 11"), generic(12, "Variation parameter 12"),
    generic(13, "Variation parameter 13"), generic(14, "Variation parameter 14"), generic(15, "Variation parameter 15"),
    generic(16, "Variation parameter 16"));

constexpr auto kVariationReverb =
    rows(param(1, reverbTime("Variation reverb time", 18)), param(2, level("Variation diffusion", 10, 0, 10)),
         param(3, shortDelay("Variation initial delay", 8)), param(4, hpfCutoff("Variation HPF cutoff", 0)),
         param(5, lpfCutoff("Variation LPF cutoff", 49)), param(10, dryWet("Variation dry/wet")),
         param(11, shortDelay("Variation rev delay", 0)), param(12, level("Variation density", 3, 0, 4)),
         param(13, reverbBalance("Variation ER/rev balance")), param(14, highDamp("Variation high damp")),
         param(15, feedback("Variation feedback level")));

// The EQ rows that several types share: 6..9 of the modulation types, 11..13 (mid band)
// of the chorus family, 13..16 of the delay types.
constexpr auto kModulationEq =
    rows(param(6, eqLowFrequency("Variation EQ low frequency")), param(7, eqGain("Variation EQ low gain")),
         param(8, eqHighFrequency("Variation EQ high frequency")), param(9, eqGain("Variation EQ high gain")));
constexpr auto kMidEq = rows(param(11, eqMidFrequency("Variation EQ mid frequency")),
                             param(12, eqGain("Variation EQ mid gain")), param(13, eqWidth("Variation EQ mid width")));
constexpr auto kDelayEq =
    rows(param(13, eqLowFrequency("Variation EQ low frequency")), param(14, eqGain("Variation EQ low gain")),
         param(15, eqHighFrequency("Variation EQ high frequency")), param(16, eqGain("Variation EQ high gain")));

constexpr auto kVariationDelayLcr =
    join(rows(param(1, tenths("Variation Lch delay", 1, 7150, 3333, "ms")),
              param(2, tenths("Variation Rch delay", 1, 7150, 2500, "ms")),
              param(3, tenths("Variation Cch delay", 1, 7150, 4999, "ms")),
              param(4, tenths("Variation feedback delay", 1, 7150, 4999, "ms")),
              param(5, feedback("Variation feedback level", 74)), param(6, level("Variation Cch level", 100)),
              param(7, highDamp("Variation high damp")), param(10, dryWet("Variation dry/wet"))),
         kDelayEq);

constexpr auto kVariationDelayLr =
    join(rows(param(1, tenths("Variation Lch delay", 1, 7150, 2500, "ms")),
              param(2, tenths("Variation Rch delay", 1, 7150, 3750, "ms")),
              param(3, tenths("Variation feedback delay 1", 1, 7150, 3750, "ms")),
              param(4, tenths("Variation feedback delay 2", 1, 7150, 2500, "ms")),
              param(5, feedback("Variation feedback level", 87)), param(6, highDamp("Variation high damp")),
              param(10, dryWet("Variation dry/wet"))),
         kDelayEq);

constexpr auto kVariationEcho =
    join(rows(param(1, tenths("Variation Lch delay1", 1, 3550, 1700, "ms")),
              param(2, feedback("Variation Lch feedback level", 80)),
              param(3, tenths("Variation Rch delay1", 1, 3550, 1750, "ms")),
              param(4, feedback("Variation Rch feedback level", 80)), param(5, highDamp("Variation high damp")),
              param(6, tenths("Variation Lch delay2", 1, 3550, 1700, "ms")),
              param(7, tenths("Variation Rch delay2", 1, 3550, 1750, "ms")),
              param(8, level("Variation delay2 level", 0)), param(10, dryWet("Variation dry/wet"))),
         kDelayEq);

constexpr auto kVariationCrossDelay =
    join(rows(param(1, tenths("Variation L>R delay", 1, 3550, 1700, "ms")),
              param(2, tenths("Variation R>L delay", 1, 3550, 1750, "ms")),
              param(3, feedback("Variation feedback level", 111)),
              param(4, choice("Variation input select", "L\\R\\L&R\\", 2)), param(5, highDamp("Variation high damp")),
              param(10, dryWet("Variation dry/wet"))),
         kDelayEq);

// Early reflections and the gate reverbs differ only in what their first parameter selects.
constexpr auto kReflectionRows =
    rows(param(2, roomSize("Variation room size", 19)), param(3, level("Variation diffusion", 5, 0, 10)),
         param(4, shortDelay("Variation initial delay", 16)), param(5, feedback("Variation feedback level")),
         param(6, hpfCutoff("Variation HPF cutoff", 0)), param(7, lpfCutoff("Variation LPF cutoff", 54)),
         param(10, dryWet("Variation dry/wet")), param(11, level("Variation liveness", 5, 0, 10)),
         param(12, level("Variation density", 3, 0, 3)), param(13, highDamp("Variation high damp")));

constexpr auto kVariationEarlyReflections =
    join(rows(param(1, choice("Variation reflection type", "S-H\\L-H\\Random\\Reverse\\Plate\\Spring\\", 0))),
         kReflectionRows);

constexpr auto kVariationGateReverb =
    join(rows(param(1, choice("Variation gate type", "Type A\\Type B\\", 0))), kReflectionRows);

constexpr auto kVariationKaraoke =
    rows(param(1, longDelay("Variation delay time", 63)), param(2, feedback("Variation feedback level", 97)),
         param(3, hpfCutoff("Variation HPF cutoff", 0)), param(4, lpfCutoff("Variation LPF cutoff", 46)),
         param(10, dryWet("Variation dry/wet")));

// Chorus and celeste.
constexpr auto kVariationChorus = join(
    rows(param(1, lfoFrequency("Variation LFO frequency", 6)), param(2, level("Variation LFO PM depth", 54)),
         param(3, feedback("Variation feedback level", 77)), param(4, modulationDelay("Variation delay offset", 106))),
    kModulationEq, rows(param(10, dryWet("Variation dry/wet"))), kMidEq,
    rows(param(15, choice("Variation input mode", kMonoStereo, 0))));

constexpr auto kVariationFlanger = join(
    rows(param(1, lfoFrequency("Variation LFO frequency", 14)), param(2, level("Variation LFO depth", 14)),
         param(3, feedback("Variation feedback level", 104)), param(4, modulationDelay("Variation delay offset", 2))),
    kModulationEq, rows(param(10, dryWet("Variation dry/wet", 96))), kMidEq,
    rows(param(14, phaseDifference("Variation LFO phase difference"))));

constexpr auto kVariationSymphonic =
    join(rows(param(1, lfoFrequency("Variation LFO frequency", 12)), param(2, level("Variation LFO depth", 25)),
              param(3, modulationDelay("Variation delay offset", 16))),
         kModulationEq, rows(param(10, dryWet("Variation dry/wet", 127))), kMidEq);

constexpr auto kVariationRotary =
    join(rows(param(1, lfoFrequency("Variation LFO frequency", 81)), param(2, level("Variation LFO depth", 35))),
         kModulationEq, rows(param(10, dryWet("Variation dry/wet", 127))), kMidEq);

constexpr auto kVariationTremolo =
    join(rows(param(1, lfoFrequency("Variation LFO frequency", 83)), param(2, level("Variation AM depth", 56)),
              param(3, level("Variation PM depth", 0))),
         kModulationEq,
         rows(param(14, phaseDifference("Variation LFO phase difference")),
              param(15, choice("Variation input mode", kMonoStereo, 0))));

constexpr auto kVariationAutoPan =
    join(rows(param(1, lfoFrequency("Variation LFO frequency", 72)), param(2, level("Variation L/R depth", 102)),
              param(3, level("Variation F/R depth", 0)),
              param(4, choice("Variation pan direction", "L<->R\\L->R\\L<-R\\Lturn\\Rturn\\L/R\\", 0))),
         kModulationEq);

constexpr auto kVariationPhaser =
    join(rows(param(1, lfoFrequency("Variation LFO frequency", 8)), param(2, level("Variation LFO depth", 111)),
              param(3, level("Variation phase shift offset", 74)), param(4, feedback("Variation feedback level", 104))),
         kModulationEq,
         rows(param(10, dryWet("Variation dry/wet")), param(11, level("Variation stage", 6, 3, 10)),
              param(12, choice("Variation diffusion", kMonoStereo, 1)),
              param(13, phaseDifference("Variation LFO phase difference"))));

// Distortion and overdrive.
constexpr auto kVariationDistortion =
    rows(param(1, level("Variation drive", 40)), param(2, eqLowFrequency("Variation EQ low frequency", 20)),
         param(3, eqGain("Variation EQ low gain", 72)), param(4, lpfCutoff("Variation LPF cutoff", 53)),
         param(5, level("Variation output level", 48)), param(7, eqMidFrequency("Variation EQ mid frequency", 43)),
         param(8, eqGain("Variation EQ mid gain", 74)), param(9, eqWidth("Variation EQ mid width")),
         param(10, dryWet("Variation dry/wet", 127)), param(11, level("Variation edge (clip curve)", 120)));

constexpr auto kVariationAmpSimulator =
    rows(param(1, level("Variation drive", 40)), param(2, choice("Variation amp type", "off\\stack\\combo\\tube\\", 1)),
         param(3, lpfCutoff("Variation LPF cutoff", 48)), param(4, level("Variation output level", 48)),
         param(10, dryWet("Variation dry/wet", 127)), param(11, level("Variation edge (clip curve)", 120)));

constexpr auto kVariationThreeBandEq =
    rows(param(1, eqGain("Variation EQ low gain", 70)), param(2, eqMidFrequency("Variation EQ mid frequency", 34)),
         param(3, eqGain("Variation EQ mid gain", 60)), param(4, eqWidth("Variation EQ mid width")),
         param(5, eqGain("Variation EQ high gain", 70)), param(6, eqLowFrequency("Variation EQ low frequency")),
         param(7, eqHighFrequency("Variation EQ high frequency")));

constexpr auto kVariationTwoBandEq =
    rows(param(1, eqLowFrequency("Variation EQ low frequency")), param(2, eqGain("Variation EQ low gain", 70)),
         param(3, eqHighFrequency("Variation EQ high frequency")), param(4, eqGain("Variation EQ high gain", 70)));

constexpr auto kVariationAutoWah =
    join(rows(param(1, lfoFrequency("Variation LFO frequency", 70)), param(2, level("Variation LFO depth", 56)),
              param(3, level("Variation cutoff frequency offset", 32)),
              param(4, tenths("Variation resonance", 10, 120, 10))),
         kModulationEq, rows(param(10, dryWet("Variation dry/wet"))));

// The layout of each variation type MSB; the LSB variants of a type share it. OFF (00)
// and THRU (40) have no parameters.
struct VariationLayout {
    int msb;
    std::span<const VariationRow> rows;
};

constexpr auto kVariationLayouts = std::to_array<VariationLayout>({
    {0x00, {}},
    {0x01, kVariationReverb},
    {0x02, kVariationReverb},
    {0x03, kVariationReverb},
    {0x04, kVariationReverb},
    {0x05, kVariationDelayLcr},
    {0x06, kVariationDelayLr},
    {0x07, kVariationEcho},
    {0x08, kVariationCrossDelay},
    {0x09, kVariationEarlyReflections},
    {0x0A, kVariationGateReverb},
    {0x0B, kVariationGateReverb},
    {0x14, kVariationKaraoke},
    {0x40, {}},
    {0x41, kVariationChorus},
    {0x42, kVariationChorus},
    {0x43, kVariationFlanger},
    {0x44, kVariationSymphonic},
    {0x45, kVariationRotary},
    {0x46, kVariationTremolo},
    {0x47, kVariationAutoPan},
    {0x48, kVariationPhaser},
    {0x49, kVariationDistortion},
    {0x4A, kVariationDistortion},
    {0x4B, kVariationAmpSimulator},
    {0x4C, kVariationThreeBandEq},
    {0x4D, kVariationTwoBandEq},
    {0x4E, kVariationAutoWah},
});

constexpr bool layoutsAscend()
{
    for (const VariationLayout& layout : kVariationLayouts) {
        int previous = 0;
        for (const VariationRow& row : layout.rows) {
            if (row.number <= previous || row.number > kVariationParameters)
                return false;
            previous = row.number;
        }
    }
    return true;
}
static_assert(layoutsAscend(), "each type names its parameters once, in order, within 1..16");

// Parameter 1..16 at an effect address; 0 for any other address (the second byte of a
// two-byte parameter included).
int variationParameterNumber(std::uint8_t address)
{
    constexpr std::uint8_t kFirstTwoByte = 0x42;
    constexpr std::uint8_t kFirstOneByte = 0x70;
    if (address >= kFirstTwoByte && address < kFirstTwoByte + 2 * kTwoByteParameters)
        return (address - kFirstTwoByte) % 2 == 0 ? 1 + (address - kFirstTwoByte) / 2 : 0;
    if (address >= kFirstOneByte && address < kFirstOneByte + kVariationParameters - kTwoByteParameters)
        return kTwoByteParameters + 1 + (address - kFirstOneByte);
    return 0;
}

std::uint8_t variationParameterAddress(int number)
{
    return static_cast<std::uint8_t>(number <= kTwoByteParameters ? 0x42 + 2 * (number - 1)
                                                                  : 0x70 + number - kTwoByteParameters - 1);
}

const VariationLayout* variationLayout(int variationType)
{
    if (variationType < 0)
        return nullptr;
    const auto it = std::ranges::find(kVariationLayouts, variationType / 128, &VariationLayout::msb);
    return it != kVariationLayouts.end() ? &*it : nullptr;
}

// ---- 08 pp xx: multi part ----

constexpr auto kMultiPartRows = std::to_array<Row>({
    {0x00, level("element reserve", 2, 0, 32)},
    {0x01, level("bank select MSB", 0), XgRole::PartBankMsb},
    {0x02, level("bank select LSB", 0), XgRole::PartBankLsb},
    {0x03, level("program number", 0), XgRole::PartProgram},
    {0x04, choiceWithOff("midi channel", kChannels, 0), XgRole::PartChannel},
    {0x05, choice("mono/poly mode", "mono\\poly\\", 1)},
    // XG's third value "inst" (for drum parts) keeps a received 2 from reading as wrong.
    {0x06, choice("key assign", "single\\multi\\inst\\", 1)},
    {0x07, choice("use for rythm part", "off\\drum\\drums1\\drums2\\", 0), XgRole::PartRhythm},
    {0x08, semitones("note shift")},
    {0x09,
     {.name = "detune",
      .dataBytes = 2,
      .maximum = 0xFF,
      .style = Style::Nibbles,
      .offset = -0x80,
      .scale = 0.1,
      .decimals = 1,
      .unit = "Hz",
      .defaultValue = 0x80}},
    {0x0B, level("volume", 100)},
    {0x0C, level("velocity sense depth", 64)},
    {0x0D, level("velocity sense offset", 64)},
    {0x0E, pan("pan", 0)},
    {0x0F, level("note limit low", 0)},
    {0x10, level("note limit high", 127)},
    {0x11, level("dry level", 127)},
    {0x12, level("chorus send level", 0)},
    {0x13, level("reverb send level", 40)},
    {0x14, level("variation send level", 0)},
    {0x15, centred("rate")},
    {0x16, centred("depth")},
    {0x17, centred("delay")},
    {0x18, centred("cutoff")},
    {0x19, centred("resonance")},
    {0x1A, centred("attack")},
    {0x1B, centred("decay")},
    {0x1C, centred("release")},
    // Controller sources: each has a pitch, filter and amplitude control and three LFO depths.
    {0x1D, semitones("mod pitch control")},
    {0x1E, centred("mod filter control", 0, 127, "cent", 150.0)},
    {0x1F, centred("mod amplitude control", 0, 127, "%", 100.0 / 64, 1)},
    {0x20, level("mod LFO pitch depth", 10)},
    {0x21, level("mod LFO TVF depth", 0)},
    {0x22, level("mod LFO TVA depth", 0)},
    {0x23, semitones("bend pitch control", 0x42)},
    {0x24, centred("bend filter control", 0, 127, "cent", 150.0)},
    {0x25, centred("bend amplitude control", 0, 127, "%", 100.0 / 64, 1)},
    {0x26, level("bend LFO pitch depth", 0)},
    {0x27, level("bend LFO TVF depth", 0)},
    {0x28, level("bend LFO TVA depth", 0)},
    {0x30, onOff("rx. pitch bend")},
    {0x31, onOff("rx. channel pressure")},
    {0x32, onOff("rx. program change")},
    {0x33, onOff("rx. control change")},
    {0x34, onOff("rx. poly pressure")},
    {0x35, onOff("rx. note message")},
    {0x36, onOff("rx. RPN")},
    {0x37, onOff("rx. NRPN")},
    {0x38, onOff("rx. modulation")},
    {0x39, onOff("rx. volume")},
    {0x3A, onOff("rx. pan")},
    {0x3B, onOff("rx. expression")},
    {0x3C, onOff("rx. hold1")},
    {0x3D, onOff("rx. portamento")},
    {0x3E, onOff("rx. sostenuto")},
    {0x3F, onOff("rx. soft pedal")},
    {0x40, onOff("rx. bank select")},
    {0x41, centred("scale tuning C", 0, 127, "cent")},
    {0x42, centred("scale tuning C#", 0, 127, "cent")},
    {0x43, centred("scale tuning D", 0, 127, "cent")},
    {0x44, centred("scale tuning D#", 0, 127, "cent")},
    {0x45, centred("scale tuning E", 0, 127, "cent")},
    {0x46, centred("scale tuning F", 0, 127, "cent")},
    {0x47, centred("scale tuning F#", 0, 127, "cent")},
    {0x48, centred("scale tuning G", 0, 127, "cent")},
    {0x49, centred("scale tuning G#", 0, 127, "cent")},
    {0x4A, centred("scale tuning A", 0, 127, "cent")},
    {0x4B, centred("scale tuning A#", 0, 127, "cent")},
    {0x4C, centred("scale tuning B", 0, 127, "cent")},
    {0x4D, semitones("channel pressure pitch control")},
    {0x4E, centred("channel pressure filter control", 0, 127, "cent", 150.0)},
    {0x4F, centred("channel pressure amplitude control", 0, 127, "%", 100.0 / 64, 1)},
    {0x50, level("channel pressure LFO pitch depth", 0)},
    {0x51, level("channel pressure LFO TVF depth", 0)},
    {0x52, level("channel pressure LFO TVA depth", 0)},
    {0x53, semitones("poly pressure pitch control")},
    {0x54, centred("poly pressure filter control", 0, 127, "cent", 150.0)},
    {0x55, centred("poly pressure amplitude control", 0, 127, "%", 100.0 / 64, 1)},
    {0x56, level("poly pressure LFO pitch depth", 0)},
    {0x57, level("poly pressure LFO TVF depth", 0)},
    {0x58, level("poly pressure LFO TVA depth", 0)},
    {0x59, {.name = "cc1 controller select", .maximum = 0x5F, .unit = "cc#", .defaultValue = 16}},
    {0x5A, semitones("cc1 pitch control")},
    {0x5B, centred("cc1 filter control", 0, 127, "cent", 150.0)},
    {0x5C, centred("cc1 amplitude control", 0, 127, "%", 100.0 / 64, 1)},
    {0x5D, level("cc1 LFO pitch depth", 0)},
    {0x5E, level("cc1 LFO TVF depth", 0)},
    {0x5F, level("cc1 LFO TVA depth", 0)},
    {0x60, {.name = "cc2 controller select", .maximum = 0x5F, .unit = "cc#", .defaultValue = 17}},
    {0x61, semitones("cc2 pitch control")},
    {0x62, centred("cc2 filter control", 0, 127, "cent", 150.0)},
    {0x63, centred("cc2 amplitude control", 0, 127, "%", 100.0 / 64, 1)},
    {0x64, level("cc2 LFO pitch depth", 0)},
    {0x65, level("cc2 LFO TVF depth", 0)},
    {0x66, level("cc2 LFO TVA depth", 0)},
    {0x67, onOff("portamento switch", 0)},
    {0x68, level("portamento time", 0)},
    {0x69, centred("pitch env. initial level")},
    {0x6A, centred("pitch env. attack time")},
    {0x6B, centred("pitch env. release level")},
    {0x6C, centred("pitch env. release time")},
    {0x6D, level("velocity limit low", 1, 1, 127)},
    {0x6E, level("velocity limit high", 127, 1, 127)},
});

constexpr int kPartCount = 16;

// ---- 3n rr xx: drum setup n (0: DRUMS 1, 1: DRUMS 2) of key rr ----

constexpr std::uint8_t kFirstDrumSetup = 0x30;
constexpr int kDrumSetups = 2;
constexpr std::uint8_t kCatalogueDrumKey = 36;

constexpr auto kDrumSetupRows = std::to_array<Row>({
    {0x00, centred("pitch course", 0, 127, "semitones")},
    {0x01, centred("pitch fine", 0, 127, "cent")},
    {0x02, level("level", 127)},
    {0x03, {.name = "alternate group", .defaultValue = 0, .zeroName = "off"}},
    {0x04, pan("pan", 0)},
    {0x05, level("reverb send level", 127)},
    {0x06, level("chorus send level", 127)},
    {0x07, level("variation send level", 127)},
    {0x08, choice("key assign", "single\\multi\\", 0)},
    {0x09, onOff("rx. note off", 0)},
    {0x0A, onOff("rx. note on", 1)},
    {0x0B, centred("filter cutoff frequency")},
    {0x0C, centred("filter resonance")},
    {0x0D, centred("env. attack rate")},
    {0x0E, centred("env. decay1 rate")},
    {0x0F, centred("env. decay2 rate")},
    {0x20, eqGain("EQ bass gain")},
    {0x21, eqGain("EQ treble gain")},
    {0x24, fromTable("EQ bass frequency", kFilterFrequencies, 4, 40, "32 Hz to 2.0 kHz", 12)},
    {0x25, fromTable("EQ treble frequency", kFilterFrequencies, 28, 58, "500 Hz to 16.0 kHz", 54)},
});

// A table slice past the end of its table leaves a choice row without names.
constexpr bool namesEveryValue(const SysexParameter& row)
{
    return row.style != Style::Choice || row.maximum >= row.minimum;
}
constexpr bool choicesComplete()
{
    for (const VariationLayout& layout : kVariationLayouts)
        for (const VariationRow& row : layout.rows)
            if (!namesEveryValue(row.parameter))
                return false;
    for (const std::span<const Row> rows : {std::span<const Row>(kEffectRows), std::span<const Row>(kMultiPartRows),
                                            std::span<const Row>(kDrumSetupRows)})
        for (const Row& row : rows)
            if (!namesEveryValue(row.parameter))
                return false;
    return true;
}
static_assert(choicesComplete());

// ---- lookups by block ----

XgLookup found(const Row& row, std::string description)
{
    XgLookup lookup;
    lookup.parameter = &row.parameter;
    lookup.description = std::move(description);
    lookup.role = row.role;
    return lookup;
}

XgLookup unknownAddress()
{
    XgLookup lookup;
    lookup.error = SysexError::UnknownXg;
    return lookup;
}

// The variation type row with its choices: the list lives with the other variation type data.
const SysexParameter& variationTypeRow()
{
    static const SysexParameter row = [] {
        SysexParameter typeRow = findRow(kEffectRows, 0x40)->parameter;
        typeRow.choices = xgVariationTypeList();
        return typeRow;
    }();
    return row;
}

XgLookup systemAt(std::uint8_t a2, std::uint8_t a3)
{
    const Row* row = a2 == 0 ? findRow(kSystemRows, a3) : nullptr;
    return row ? found(*row, std::string(row->parameter.name)) : unknownAddress();
}

XgLookup variationParameterAt(int number, int variationType)
{
    const VariationLayout* layout = variationLayout(variationType);
    const std::span<const VariationRow> rows =
        layout ? layout->rows : std::span<const VariationRow>(kGenericVariationRows);
    const auto it = std::ranges::find(rows, number, &VariationRow::number);
    XgLookup lookup;
    if (it == rows.end()) {
        lookup.error = SysexError::XgVariation;
        return lookup;
    }
    lookup.parameter = &it->parameter;
    lookup.description = it->parameter.name;
    return lookup;
}

XgLookup effectAt(std::uint8_t a2, std::uint8_t a3, int variationType)
{
    if (a2 != 1)
        return unknownAddress();
    if (const int number = variationParameterNumber(a3); number > 0)
        return variationParameterAt(number, variationType);
    const Row* row = findRow(kEffectRows, a3);
    if (!row)
        return unknownAddress();
    XgLookup lookup = found(*row, std::string(row->parameter.name));
    if (row->role == XgRole::VariationType)
        lookup.parameter = &variationTypeRow();
    return lookup;
}

XgLookup multiPartAt(std::uint8_t part, std::uint8_t a3)
{
    const Row* row = part < kPartCount ? findRow(kMultiPartRows, a3) : nullptr;
    if (!row)
        return unknownAddress();
    XgLookup lookup = found(*row, "part " + std::to_string(part + 1) + " " + std::string(row->parameter.name));
    lookup.partNumber = part + 1;
    return lookup;
}

XgLookup drumSetupAt(int setup, std::uint8_t key, std::uint8_t a3)
{
    const Row* row = findRow(kDrumSetupRows, a3);
    if (!row || key > 127)
        return unknownAddress();
    XgLookup lookup = found(*row, "drum setup " + std::to_string(setup + 1) + " key '" + std::string(noteName(key)) +
                                      "' " + std::string(row->parameter.name));
    lookup.drumSetup = setup + 1;
    lookup.drumKey = key;
    return lookup;
}

// ---- the browse catalogue ----

void addRows(std::vector<XgCatalogueEntry>& entries, std::string_view area, std::span<const Row> rows, std::uint8_t a1,
             std::uint8_t a2)
{
    for (const Row& row : rows)
        entries.push_back(
            {area, row.parameter.name, {a1, a2, row.address}, row.parameter.defaultValue, row.parameter.dataBytes});
}

std::vector<XgCatalogueEntry> makeCatalogue()
{
    std::vector<XgCatalogueEntry> entries;
    addRows(entries, "System", kSystemRows, 0x00, 0x00);

    const std::size_t firstEffect = entries.size();
    addRows(entries, "Effect", kEffectRows, 0x02, 0x01);
    for (const VariationRow& row : kGenericVariationRows)
        entries.push_back({"Effect",
                           row.parameter.name,
                           {0x02, 0x01, variationParameterAddress(row.number)},
                           row.parameter.defaultValue,
                           row.parameter.dataBytes});
    std::ranges::stable_sort(entries.begin() + static_cast<std::ptrdiff_t>(firstEffect), entries.end(), {},
                             [](const XgCatalogueEntry& entry) { return entry.address[2]; });

    addRows(entries, "Multi part", kMultiPartRows, 0x08, 0x00);
    addRows(entries, "Drum setup", kDrumSetupRows, kFirstDrumSetup, kCatalogueDrumKey);
    return entries;
}

} // namespace

XgLookup xgParameterAt(std::uint8_t a1, std::uint8_t a2, std::uint8_t a3, int variationType)
{
    switch (a1) {
    case 0x00:
        return systemAt(a2, a3);
    case 0x02:
        return effectAt(a2, a3, variationType);
    case 0x08:
        return multiPartAt(a2, a3);
    default:
        if (a1 >= kFirstDrumSetup && a1 < kFirstDrumSetup + kDrumSetups)
            return drumSetupAt(a1 - kFirstDrumSetup, a2, a3);
        return unknownAddress();
    }
}

std::string_view xgReverbTypeList() { return kReverbTypes; }

std::string_view xgChorusTypeList() { return kChorusTypes; }

std::string_view xgVariationTypeList() { return xgVariationTypeChoiceList(); }

std::string_view xgEffectTypeName(std::string_view typeList, int msb, int lsb)
{
    const std::string code = std::to_string(msb) + ',' + std::to_string(lsb);
    std::size_t pos = 0;
    while (pos < typeList.size()) {
        const std::size_t nameEnd = typeList.find('\\', pos);
        if (nameEnd == std::string_view::npos)
            break;
        const std::size_t codeEnd = typeList.find('\\', nameEnd + 1);
        if (codeEnd == std::string_view::npos)
            break;
        if (typeList.substr(nameEnd + 1, codeEnd - nameEnd - 1) == code)
            return typeList.substr(pos, nameEnd - pos);
        pos = codeEnd + 1;
    }
    return {};
}

std::span<const XgCatalogueEntry> xgCatalogue()
{
    static const std::vector<XgCatalogueEntry> entries = makeCatalogue();
    return entries;
}

} // namespace velisto
