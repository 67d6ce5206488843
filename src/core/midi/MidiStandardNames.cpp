#include "midi/MidiStandardNames.h"

#include "midi/MidiModeDefinition.h"

#include <array>
#include <cstddef>

namespace velisto {

namespace {

std::string joinFields(std::span<const std::string_view> names)
{
    std::string text;
    for (std::string_view name : names) {
        text += name;
        text += '\\';
    }
    return text;
}

bool isKey(int key) { return key >= 0 && key < 128; }

// ---- note names ----

constexpr std::array<std::string_view, 12> kSharpPitchNames{"C",  "C#", "D",  "D#", "E",  "F",
                                                            "F#", "G",  "G#", "A",  "A#", "B"};
constexpr std::array<std::string_view, 12> kFlatPitchNames{"C",  "Db", "D",  "Eb", "E",  "F",
                                                           "Gb", "G",  "Ab", "A",  "Bb", "B"};

struct NoteNames {
    std::array<std::string, 128> names;
    std::string list;
};

NoteNames makeNoteNames(const std::array<std::string_view, 12>& pitchNames)
{
    NoteNames result;
    std::array<std::string_view, 128> views;
    for (int key = 0; key < 128; ++key) {
        auto& name = result.names[static_cast<std::size_t>(key)];
        name = std::string(pitchNames[static_cast<std::size_t>(key % 12)]) + std::to_string(key / 12);
        views[static_cast<std::size_t>(key)] = name;
    }
    result.list = joinFields(views);
    return result;
}

const NoteNames& noteNames(NoteSpelling spelling)
{
    static const NoteNames sharps = makeNoteNames(kSharpPitchNames);
    static const NoteNames flats = makeNoteNames(kFlatPitchNames);
    return spelling == NoteSpelling::Flats ? flats : sharps;
}

// ---- General MIDI programs ----

constexpr std::array<std::string_view, 128> kGmProgramNames{
    "Acoustic Grand Piano",
    "Bright Acoustic Piano",
    "Electric Grand Piano",
    "Honky-tonk Piano",
    "Electric Piano 1",
    "Electric Piano 2",
    "Harpsichord",
    "Clavi",
    "Celesta",
    "Glockenspiel",
    "Music Box",
    "Vibraphone",
    "Marimba",
    "Xylophone",
    "Tubular Bells",
    "Dulcimer",
    "Drawbar Organ",
    "Percussive Organ",
    "Rock Organ",
    "Church Organ",
    "Reed Organ",
    "Accordion",
    "Harmonica",
    "Tango Accordion",
    "Acoustic Guitar (nylon)",
    "Acoustic Guitar (steel)",
    "Electric Guitar (jazz)",
    "Electric Guitar (clean)",
    "Electric Guitar (muted)",
    "Overdriven Guitar",
    "Distortion Guitar",
    "Guitar harmonics",
    "Acoustic Bass",
    "Electric Bass (finger)",
    "Electric Bass (pick)",
    "Fretless Bass",
    "Slap Bass 1",
    "Slap Bass 2",
    "Synth Bass 1",
    "Synth Bass 2",
    "Violin",
    "Viola",
    "Cello",
    "Contrabass",
    "Tremolo Strings",
    "Pizzicato Strings",
    "Orchestral Harp",
    "Timpani",
    "String Ensemble 1",
    "String Ensemble 2",
    "SynthStrings 1",
    "SynthStrings 2",
    "Choir Aahs",
    "Voice Oohs",
    "Synth Voice",
    "Orchestra Hit",
    "Trumpet",
    "Trombone",
    "Tuba",
    "Muted Trumpet",
    "French Horn",
    "Brass Section",
    "SynthBrass 1",
    "SynthBrass 2",
    "Soprano Sax",
    "Alto Sax",
    "Tenor Sax",
    "Baritone Sax",
    "Oboe",
    "English Horn",
    "Bassoon",
    "Clarinet",
    "Piccolo",
    "Flute",
    "Recorder",
    "Pan Flute",
    "Blown Bottle",
    "Shakuhachi",
    "Whistle",
    "Ocarina",
    "Lead 1 (square)",
    "Lead 2 (sawtooth)",
    "Lead 3 (calliope)",
    "Lead 4 (chiff)",
    "Lead 5 (charang)",
    "Lead 6 (voice)",
    "Lead 7 (fifths)",
    "Lead 8 (bass + lead)",
    "Pad 1 (new age)",
    "Pad 2 (warm)",
    "Pad 3 (polysynth)",
    "Pad 4 (choir)",
    "Pad 5 (bowed)",
    "Pad 6 (metallic)",
    "Pad 7 (halo)",
    "Pad 8 (sweep)",
    "FX 1 (rain)",
    "FX 2 (soundtrack)",
    "FX 3 (crystal)",
    "FX 4 (atmosphere)",
    "FX 5 (brightness)",
    "FX 6 (goblins)",
    "FX 7 (echoes)",
    "FX 8 (sci-fi)",
    "Sitar",
    "Banjo",
    "Shamisen",
    "Koto",
    "Kalimba",
    "Bag pipe",
    "Fiddle",
    "Shanai",
    "Tinkle Bell",
    "Agogo",
    "Steel Drums",
    "Woodblock",
    "Taiko Drum",
    "Melodic Tom",
    "Synth Drum",
    "Reverse Cymbal",
    "Guitar Fret Noise",
    "Breath Noise",
    "Seashore",
    "Bird Tweet",
    "Telephone Ring",
    "Helicopter",
    "Applause",
    "Gunshot",
};

// ---- drum names ----

// Names of consecutive keys from firstKey on.
struct KeyRange {
    int firstKey;
    std::span<const std::string_view> names;

    std::string_view nameOf(int key) const
    {
        const int index = key - firstKey;
        return index >= 0 && index < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(index)]
                                                                    : std::string_view{};
    }
};

// General MIDI percussion, keys 35..81.
constexpr auto kGmPercussion = std::to_array<std::string_view>({
    "Acoustic Bass Drum", "Bass Drum 1",   "Side Stick",     "Acoustic Snare", "Hand Clap",      "Electric Snare",
    "Low Floor Tom",      "Closed Hi Hat", "High Floor Tom", "Pedal Hi-Hat",   "Low Tom",        "Open Hi-Hat",
    "Low-Mid Tom",        "Hi-Mid Tom",    "Crash Cymbal 1", "High Tom",       "Ride Cymbal 1",  "Chinese Cymbal",
    "Ride Bell",          "Tambourine",    "Splash Cymbal",  "Cowbell",        "Crash Cymbal 2", "Vibraslap",
    "Ride Cymbal 2",      "Hi Bongo",      "Low Bongo",      "Mute Hi Conga",  "Open Hi Conga",  "Low Conga",
    "High Timbale",       "Low Timbale",   "High Agogo",     "Low Agogo",      "Cabasa",         "Maracas",
    "Short Whistle",      "Long Whistle",  "Short Guiro",    "Long Guiro",     "Claves",         "Hi Wood Block",
    "Low Wood Block",     "Mute Cuica",    "Open Cuica",     "Mute Triangle",  "Open Triangle",
});

// GM2 Standard Set, keys 27..87: General MIDI's keys with the extensions on both sides.
constexpr auto kGm2Standard = std::to_array<std::string_view>({
    "High Q",          "Slap",           "Scratch Push",       "Scratch Pull",  "Sticks",         "Square Click",
    "Metronome Click", "Metronome Bell", "Acoustic Bass Drum", "Bass Drum 1",   "Side Stick",     "Acoustic Snare",
    "Hand Clap",       "Electric Snare", "Low Floor Tom",      "Closed Hi Hat", "High Floor Tom", "Pedal Hi-Hat",
    "Low Tom",         "Open Hi-Hat",    "Low-Mid Tom",        "Hi-Mid Tom",    "Crash Cymbal 1", "High Tom",
    "Ride Cymbal 1",   "Chinese Cymbal", "Ride Bell",          "Tambourine",    "Splash Cymbal",  "Cowbell",
    "Crash Cymbal 2",  "Vibraslap",      "Ride Cymbal 2",      "Hi Bongo",      "Low Bongo",      "Mute Hi Conga",
    "Open Hi Conga",   "Low Conga",      "High Timbale",       "Low Timbale",   "High Agogo",     "Low Agogo",
    "Cabasa",          "Maracas",        "Short Whistle",      "Long Whistle",  "Short Guiro",    "Long Guiro",
    "Claves",          "Hi Wood Block",  "Low Wood Block",     "Mute Cuica",    "Open Cuica",     "Mute Triangle",
    "Open Triangle",   "Shaker",         "Jingle Bell",        "Belltree",      "Castanets",      "Mute Surdo",
    "Open Surdo",
});

// GS STANDARD set, keys 27..87.
constexpr auto kGsStandard = std::to_array<std::string_view>({
    "High Q",          "Slap",
    "Scratch Push",    "Scratch Pull",
    "Sticks",          "Square Click",
    "Metronome Click", "Metronome Bell",
    "Kick Drum 2",     "Kick Drum 1",
    "Side Stick",      "Snare Drum 1",
    "Hand Clap",       "Snare Drum 2",
    "Low Tom 2",       "Closed Hi-hat",
    "Low Tom 1",       "Pedal Hi-hat",
    "Mid Tom 2",       "Open Hi-hat",
    "Mid Tom 1",       "High Tom 2",
    "Crash Cymbal 1",  "High Tom 1",
    "Ride Cymbal 1",   "Chinese Cymbal",
    "Ride Bell",       "Tambourine",
    "Splash Cymbal",   "Cowbell",
    "Crash Cymbal 2",  "Vibra-slap",
    "Ride Cymbal 2",   "High Bongo",
    "Low Bongo",       "Mute High Conga",
    "Open High Conga", "Low Conga",
    "High Timbale",    "Low Timbale",
    "High Agogo",      "Low Agogo",
    "Cabasa",          "Maracas",
    "Short Whistle",   "Long Whistle",
    "Short Guiro",     "Long Guiro",
    "Claves",          "High Wood Block",
    "Low Wood Block",  "Mute Cuica",
    "Open Cuica",      "Mute Triangle",
    "Open Triangle",   "Shaker",
    "Jingle Bell",     "Bell Tree",
    "Castanets",       "Mute Surdo",
    "Open Surdo",
});

// XG Standard Kit, keys 13..84.
constexpr auto kXgStandard = std::to_array<std::string_view>({
    "Surdo Mute",      "Surdo Open",     "Hi Q",          "Whip Slap",       "Scratch Push",
    "Scratch Pull",    "Finger Snap",    "Click Noise",   "Metronome Click", "Metronome Bell",
    "Seq Click L",     "Seq Click H",    "Brush Tap",     "Brush Swirl L",   "Brush Slap",
    "Brush Swirl H",   "Snare Roll",     "Castanet",      "Snare L",         "Sticks",
    "Bass Drum L",     "Open Rim Shot",  "Bass Drum M",   "Bass Drum H",     "Side Stick",
    "Snare M",         "Hand Clap",      "Snare H",       "Floor Tom L",     "Hi-Hat Closed",
    "Floor Tom H",     "Hi-Hat Pedal",   "Low Tom",       "Hi-Hat Open",     "Mid Tom L",
    "Mid Tom H",       "Crash Cymbal 1", "High Tom",      "Ride Cymbal 1",   "Chinese Cymbal",
    "Ride Cymbal Cup", "Tambourine",     "Splash Cymbal", "Cowbell",         "Crash Cymbal 2",
    "Vibraslap",       "Ride Cymbal 2",  "Bongo H",       "Bongo L",         "Conga H Mute",
    "Conga H Open",    "Conga L",        "Timbale H",     "Timbale L",       "Agogo H",
    "Agogo L",         "Cabasa",         "Maracas",       "Samba Whistle H", "Samba Whistle L",
    "Guiro Short",     "Guiro Long",     "Claves",        "Wood Block H",    "Wood Block L",
    "Cuica Mute",      "Cuica Open",     "Triangle Mute", "Triangle Open",   "Shaker",
    "Jingle Bell",     "Bell Tree",
});

// Sound effect set of GS and GM2, keys 39..84; the set has no other sounds.
constexpr auto kSfxSet = std::to_array<std::string_view>({
    "High Q",
    "Slap",
    "Scratch Push",
    "Scratch Pull",
    "Sticks",
    "Square Click",
    "Metronome Click",
    "Metronome Bell",
    "Guitar Fret Noise",
    "Guitar Cutting Noise Up",
    "Guitar Cutting Noise Down",
    "String Slap of Double Bass",
    "Flute Key Click",
    "Laughing",
    "Scream",
    "Punch",
    "Heart Beat",
    "Footsteps 1",
    "Footsteps 2",
    "Applause",
    "Door Creaking",
    "Door",
    "Scratch",
    "Wind Chimes",
    "Car-Engine",
    "Car-Stop",
    "Car-Pass",
    "Car-Crash",
    "Siren",
    "Train",
    "Jetplane",
    "Helicopter",
    "Starship",
    "Gun Shot",
    "Machine Gun",
    "Lasergun",
    "Explosion",
    "Dog",
    "Horse-Gallop",
    "Birds",
    "Rain",
    "Thunder",
    "Wind",
    "Seashore",
    "Stream",
    "Bubble",
});

static_assert(kGmPercussion.size() == 81 - 35 + 1);
static_assert(kGm2Standard.size() == 87 - 27 + 1);
static_assert(kGsStandard.size() == 87 - 27 + 1);
static_assert(kXgStandard.size() == 84 - 13 + 1);
static_assert(kSfxSet.size() == 84 - 39 + 1);

struct KeyName {
    int key;
    std::string_view name;
};

constexpr auto kRoomToms = std::to_array<KeyName>({
    {41, "Room Low Tom 2"},
    {43, "Room Low Tom 1"},
    {45, "Room Mid Tom 2"},
    {47, "Room Mid Tom 1"},
    {48, "Room Hi Tom 2"},
    {50, "Room Hi Tom 1"},
});
constexpr auto kPowerKit = std::to_array<KeyName>({
    {36, "MONDO Kick"},
    {38, "Gated SD"},
    {41, "Room Low Tom 2"},
    {43, "Room Low Tom 1"},
    {45, "Room Mid Tom 2"},
    {47, "Room Mid Tom 1"},
    {48, "Room Hi Tom 2"},
    {50, "Room Hi Tom 1"},
});
constexpr auto kElectronicKit = std::to_array<KeyName>({
    {36, "Elec BD"},
    {38, "Elec SD"},
    {40, "Gated SD"},
    {41, "Elec Low Tom 2"},
    {43, "Elec Low Tom 1"},
    {45, "Elec Mid Tom 2"},
    {47, "Elec Mid Tom 1"},
    {48, "Elec Hi Tom 2"},
    {50, "Elec Hi Tom 1"},
    {52, "Reverse Cymbal"},
});
constexpr auto kTr808Kit = std::to_array<KeyName>({
    {36, "808 Bass Drum"}, {37, "808 Rim Shot"},  {38, "808 Snare Drum"}, {41, "808 Low Tom 2"}, {42, "808 CHH"},
    {43, "808 Low Tom 1"}, {44, "808 CHH"},       {45, "808 Mid Tom 2"},  {46, "808 OHH"},       {47, "808 Mid Tom 1"},
    {48, "808 Hi Tom 2"},  {49, "808 Cymbal"},    {50, "808 Hi Tom 1"},   {56, "808 Cowbell"},   {62, "808 High Conga"},
    {63, "808 Mid Conga"}, {64, "808 Low Conga"}, {70, "808 Maracas"},    {75, "808 Claves"},
});
constexpr auto kJazzKit = std::to_array<KeyName>({{35, "Jazz BD 2"}, {36, "Jazz BD 1"}});
constexpr auto kBrushKit = std::to_array<KeyName>({
    {35, "Jazz BD 2"},
    {36, "Jazz BD 1"},
    {38, "Brush Tap"},
    {39, "Brush Slap"},
    {40, "Brush Swirl"},
});
constexpr auto kOrchestraKit = std::to_array<KeyName>({
    {27, "Closed Hi-hat 2"}, {28, "Pedal Hi-hat"}, {29, "Open Hi-hat 2"},    {30, "Ride Cymbal 1"},
    {35, "Concert BD 2"},    {36, "Concert BD 1"}, {38, "Concert SD"},       {39, "Castanets"},
    {40, "Concert SD"},      {41, "Timpani F"},    {42, "Timpani F#"},       {43, "Timpani G"},
    {44, "Timpani G#"},      {45, "Timpani A"},    {46, "Timpani A#"},       {47, "Timpani B"},
    {48, "Timpani c"},       {49, "Timpani c#"},   {50, "Timpani d"},        {51, "Timpani d#"},
    {52, "Timpani e"},       {53, "Timpani f"},    {57, "Concert Cymbal 2"}, {59, "Concert Cymbal 1"},
});

struct DrumKit {
    int program;
    std::string_view name;
    std::span<const KeyName> overrides; // keys named differently from the standard kit
    bool soundEffects = false;          // the SFX set replaces the standard kit entirely
};

constexpr auto kGsKits = std::to_array<DrumKit>({
    {0, "Standard", {}},
    {8, "Room", kRoomToms},
    {16, "Power", kPowerKit},
    {24, "Electronic", kElectronicKit},
    {25, "TR-808", kTr808Kit},
    {32, "Jazz", kJazzKit},
    {40, "Brush", kBrushKit},
    {48, "Orchestra", kOrchestraKit},
    {56, "SFX", {}, true},
    {127, "CM-64/CM-32L", {}},
});

constexpr auto kGm2Kits = std::to_array<DrumKit>({
    {0, "Standard Set", {}},
    {8, "Room Set", kRoomToms},
    {16, "Power Set", kPowerKit},
    {24, "Electronic Set", kElectronicKit},
    {25, "Analog Set", kTr808Kit},
    {32, "Jazz Set", kJazzKit},
    {40, "Brush Set", kBrushKit},
    {48, "Orchestra Set", kOrchestraKit},
    {56, "SFX Set", {}, true},
});

// XG's drum bank (MSB 127). Its kits other than the Standard Kit are named by key like
// the Standard Kit.
constexpr auto kXgKits = std::to_array<DrumKit>({
    {0, "Standard Kit", {}},
    {1, "Standard2 Kit", {}},
    {8, "Room Kit", {}},
    {16, "Rock Kit", {}},
    {24, "Electro Kit", {}},
    {25, "Analog Kit", {}},
    {32, "Jazz Kit", {}},
    {40, "Brush Kit", {}},
    {48, "Classic Kit", {}},
});

constexpr auto kXgSfxKits = std::to_array<std::string_view>({"SFX Kit 1", "SFX Kit 2"});

std::span<const DrumKit> kitsOf(int mode)
{
    switch (mode) {
    case MidiMode::GS:
        return kGsKits;
    case MidiMode::XG:
        return kXgKits;
    case MidiMode::GM2:
        return kGm2Kits;
    default:
        return {};
    }
}

KeyRange standardKitOf(int mode)
{
    switch (mode) {
    case MidiMode::GS:
        return {27, kGsStandard};
    case MidiMode::XG:
        return {13, kXgStandard};
    case MidiMode::GM2:
        return {27, kGm2Standard};
    default:
        return {35, kGmPercussion};
    }
}

const DrumKit* findKit(int mode, int program)
{
    for (const DrumKit& kit : kitsOf(mode))
        if (kit.program == program)
            return &kit;
    return nullptr;
}

// ---- drum pan ----

struct KeyPan {
    int key;
    int pan;
};

// Kick, snare, claps and surdos stay in the centre.
// clang-format off
constexpr auto kStandardKitPans = std::to_array<KeyPan>({
    {27, 72}, {29, 56}, {30, 72},                                         // high Q, scratches
    {42, 44}, {44, 44}, {46, 44},                                         // hi-hat
    {50, 44}, {48, 52}, {47, 60}, {45, 68}, {43, 76}, {41, 84},           // toms, high to low
    {49, 40}, {55, 44}, {57, 88}, {52, 88}, {51, 84}, {53, 84}, {59, 84}, // cymbals
    // percussion
    {54, 80}, {56, 84}, {58, 40}, {60, 88}, {61, 80}, {62, 44}, {63, 44}, {64, 52}, {65, 76}, {66, 68},
    {67, 96}, {68, 96}, {69, 32}, {70, 32}, {71, 104}, {72, 104}, {73, 24}, {74, 24}, {75, 84}, {76, 96},
    {77, 96}, {78, 40}, {79, 40}, {80, 32}, {81, 32}, {82, 40}, {83, 72}, {84, 72}, {85, 80},
});
// clang-format on

constexpr int kSfxKitProgram = 56;
constexpr int kCentre = 64;

// ---- GS variation tones ----

std::array<std::string, 128> makeGsVariationTones()
{
    std::array<std::string, 128> names;
    names[0] = "0 GS Capital";
    for (int bank = 1; bank < 127; ++bank)
        names[static_cast<std::size_t>(bank)] = std::to_string(bank) + " GS Variation " + std::to_string(bank);
    names[127] = "127 GS MT-32/CM-64";
    return names;
}

const std::array<std::string, 128>& gsVariationTones()
{
    static const std::array<std::string, 128> names = makeGsVariationTones();
    return names;
}

// ---- XG variation types ----

constexpr auto kXgVariationGroups = std::to_array<std::string_view>({
    "HALL,ROOM,STAGE,PLATE",
    "DELAY L,C,R",
    "DELAY L,R",
    "ECHO",
    "CROSS DELAY",
    "EARLY REF.",
    "GATE REVERB,REVERSE GATE",
    "KARAOKE",
    "CHORUS,CELESTE",
    "FLANGER",
    "SYMPHONIC",
    "ROTARY SPEAKER",
    "TREMOLO",
    "AUTO PAN",
    "PHASER",
    "DISTORTION,OVER DRIVE",
    "AMP SIMULATOR",
    "3-BAND EQ",
    "2-BAND EQ",
    "AUTO WAH",
    "Var. OFF or THRU",
});
constexpr int kOffOrThruGroup = 20;
static_assert(kXgVariationGroups[kOffOrThruGroup] == "Var. OFF or THRU");

constexpr auto kXgVariationTypes = std::to_array<XgVariationType>({
    {"OFF", 0x00, 0, kOffOrThruGroup},
    {"Hall1", 0x01, 0, 0},
    {"Hall2", 0x01, 1, 0},
    {"Room1", 0x02, 0, 0},
    {"Room2", 0x02, 1, 0},
    {"Room3", 0x02, 2, 0},
    {"Stage1", 0x03, 0, 0},
    {"Stage2", 0x03, 1, 0},
    {"Plate", 0x04, 0, 0},
    {"Del LCR", 0x05, 0, 1},
    {"Del LR", 0x06, 0, 2},
    {"Echo", 0x07, 0, 3},
    {"CrossDel", 0x08, 0, 4},
    {"ER1", 0x09, 0, 5},
    {"ER2", 0x09, 1, 5},
    {"GateRev", 0x0A, 0, 6},
    {"RevGate", 0x0B, 0, 6},
    {"Karaoke1", 0x14, 0, 7},
    {"Karaoke2", 0x14, 1, 7},
    {"Karaoke3", 0x14, 2, 7},
    {"Thru", 0x40, 0, kOffOrThruGroup},
    {"Chorus1", 0x41, 0, 8},
    {"Chorus2", 0x41, 1, 8},
    {"Chorus3", 0x41, 2, 8},
    {"Chorus4", 0x41, 8, 8},
    {"Celes1", 0x42, 0, 8},
    {"Celes2", 0x42, 1, 8},
    {"Celes3", 0x42, 2, 8},
    {"Celes4", 0x42, 8, 8},
    {"Flange1", 0x43, 0, 9},
    {"Flange2", 0x43, 1, 9},
    {"Flange3", 0x43, 8, 9},
    {"Symphon.", 0x44, 0, 10},
    {"Rotary", 0x45, 0, 11},
    {"Tremolo", 0x46, 0, 12},
    {"AutoPan", 0x47, 0, 13},
    {"Phaser1", 0x48, 0, 14},
    {"Phaser2", 0x48, 8, 14},
    {"Distort.", 0x49, 0, 15},
    {"Overdrv.", 0x4A, 0, 15},
    {"AmpSimul", 0x4B, 0, 16},
    {"3BandEQ", 0x4C, 0, 17},
    {"2BandEQ", 0x4D, 0, 18},
    {"AutoWah", 0x4E, 0, 19},
});

} // namespace

std::string_view noteName(int key, NoteSpelling spelling)
{
    return isKey(key) ? std::string_view(noteNames(spelling).names[static_cast<std::size_t>(key)]) : std::string_view{};
}

const std::string& noteNameList(NoteSpelling spelling) { return noteNames(spelling).list; }

int keyOfNoteName(std::string_view name)
{
    for (NoteSpelling spelling : {NoteSpelling::Sharps, NoteSpelling::Flats}) {
        const auto& names = noteNames(spelling).names;
        for (int key = 0; key < 128; ++key)
            if (names[static_cast<std::size_t>(key)] == name)
                return key;
    }
    return -1;
}

std::string_view gmProgramName(int program)
{
    return isKey(program) ? kGmProgramNames[static_cast<std::size_t>(program)] : std::string_view{};
}

const std::string& gmProgramNameList()
{
    static const std::string list = joinFields(kGmProgramNames);
    return list;
}

std::string_view drumKitName(int mode, int program)
{
    if (!isKey(program))
        return {};
    if (mode == MidiMode::GM)
        return "Standard";
    const DrumKit* kit = findKit(mode, program);
    return kit ? kit->name : std::string_view{};
}

std::string_view xgSfxKitName(int program)
{
    return program >= 0 && program < static_cast<int>(kXgSfxKits.size()) ? kXgSfxKits[static_cast<std::size_t>(program)]
                                                                         : std::string_view{};
}

std::string_view drumName(int mode, int key, int drumProgram)
{
    if (!isKey(key))
        return {};
    if (const DrumKit* kit = findKit(mode, drumProgram)) {
        if (kit->soundEffects)
            return KeyRange{39, kSfxSet}.nameOf(key);
        for (const KeyName& entry : kit->overrides)
            if (entry.key == key)
                return entry.name;
    }
    return standardKitOf(mode).nameOf(key);
}

std::string drumNameList(int mode, int drumProgram)
{
    std::array<std::string_view, 128> names;
    for (int key = 0; key < 128; ++key)
        names[static_cast<std::size_t>(key)] = drumName(mode, key, drumProgram);
    return joinFields(names);
}

int drumKitPan(int drumProgram, int key)
{
    if (drumProgram == kSfxKitProgram)
        return kCentre;
    for (const KeyPan& entry : kStandardKitPans)
        if (entry.key == key)
            return entry.pan;
    return kCentre;
}

std::string_view gsVariationToneName(int bankMsb)
{
    return isKey(bankMsb) ? std::string_view(gsVariationTones()[static_cast<std::size_t>(bankMsb)])
                          : std::string_view{};
}

const std::string& gsVariationToneList()
{
    static const std::string list = [] {
        std::array<std::string_view, 128> views;
        for (std::size_t i = 0; i < views.size(); ++i)
            views[i] = gsVariationTones()[i];
        return joinFields(views);
    }();
    return list;
}

std::span<const XgVariationType> xgVariationTypes() { return kXgVariationTypes; }

int xgVariationGroupCount() { return static_cast<int>(kXgVariationGroups.size()); }

std::string_view xgVariationGroupName(int group)
{
    return group >= 0 && group < xgVariationGroupCount() ? kXgVariationGroups[static_cast<std::size_t>(group)]
                                                         : std::string_view{};
}

const std::string& xgVariationGroupList()
{
    static const std::string list = joinFields(kXgVariationGroups);
    return list;
}

int xgVariationGroupOf(int msb)
{
    for (const XgVariationType& type : kXgVariationTypes)
        if (type.msb == msb)
            return type.group;
    return -1;
}

const XgVariationType* xgVariationType(int msb, int lsb)
{
    for (const XgVariationType& type : kXgVariationTypes)
        if (type.msb == msb && type.lsb == lsb)
            return &type;
    return nullptr;
}

const std::string& xgVariationTypeChoiceList()
{
    static const std::string list = [] {
        std::string text;
        for (const XgVariationType& type : kXgVariationTypes) {
            text += type.name;
            text += '\\';
            text += std::to_string(type.msb) + ',' + std::to_string(type.lsb) + '\\';
        }
        return text;
    }();
    return list;
}

} // namespace velisto
