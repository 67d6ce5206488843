#include "midi/MidiStandardTables.h"

namespace velisto::standard_tables {

namespace {
constexpr ControllerName undefinedMsb{"Undefined", "Undef"};
constexpr ControllerName undefinedLsb{"Undefined LSB", "UndefL"};
} // namespace

const std::array<ControllerName, 128> kControllerNames{{
    {"Bank Select MSB", "BankMSB"}, // 0
    {"Modulation MSB", "Modul"},
    {"Breath Controller MSB", "Breath"},
    undefinedMsb,
    {"Foot Controller MSB", "Foot"},
    {"Portamento Time MSB", "PortTime"},
    {"Data Entry MSB", "DataEnt"},
    {"Main Volume MSB", "Volume"},
    {"Balance MSB", "Balance"},
    undefinedMsb,
    {"Panorama MSB", "Pan"}, // 10
    {"Expression MSB", "Express"},
    {"Effect Control 1 MSB", "EffCtl1"},
    {"Effect Control 2 MSB", "EffCtl2"},
    undefinedMsb,
    undefinedMsb,
    {"General Purp. #1 MSB", "GenPur1"},
    {"General Purp. #2 MSB", "GenPur2"},
    {"General Purp. #3 MSB", "GenPur3"},
    {"General Purp. #4 MSB", "GenPur4"},
    undefinedMsb, // 20
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb, // 30
    undefinedMsb,
    {"Bank Select LSB", "BankLSB"},
    {"Modulation LSB", "ModulL"},
    {"Breath Controller LSB", "BreathL"},
    undefinedLsb,
    {"Foot Controller LSB", "FootL"},
    {"Portamento Time LSB", "PortTimL"},
    {"Data Entry LSB", "DataEntL"},
    {"Main Volume LSB", "VolumeL"},
    {"Balance LSB", "BalanceL"}, // 40
    undefinedLsb,
    {"Panorama LSB", "PanL"},
    {"Expression LSB", "ExpressL"},
    {"Effect Control 1 LSB", "EffCtl1L"},
    {"Effect Control 2 LSB", "EffCtl2L"},
    undefinedLsb,
    undefinedLsb,
    {"General Purp. #1 LSB", "GenPur1L"},
    {"General Purp. #2 LSB", "GenPur2L"},
    {"General Purp. #3 LSB", "GenPur3L"}, // 50
    {"General Purp. #4 LSB", "GenPur4L"},
    undefinedLsb,
    undefinedLsb,
    undefinedLsb,
    undefinedLsb,
    undefinedLsb,
    undefinedLsb,
    undefinedLsb,
    undefinedLsb,
    undefinedLsb, // 60
    undefinedLsb,
    undefinedLsb,
    undefinedLsb,
    {"Sustain On/Off", "Sustain"},
    {"Portamento On/Off", "Porta"},
    {"Sostenuto On/Off", "Sostenut"},
    {"Soft On/Off", "Soft"},
    {"Legato Footswitch", "Legato"},
    {"Hold/Sustain 2", "Hold2"},
    {"Sound Variation", "SndVar"}, // 70
    {"Harmonic Content", "Harmonic"},
    {"Release Time", "Release"},
    {"Attack Time", "Attack"},
    {"Brightness (Lowpass cutoff)", "Bright"},
    {"Decay Time", "Decay"},
    {"Vibrato Rate", "VibRate"},
    {"Vibrato Depth", "VibDepth"},
    {"Vibrato Delay", "VibDelay"},
    {"Sound Controller 10", "SndCtl10"},
    {"General Purp. #5", "GenPur5"}, // 80
    {"General Purp. #6", "GenPur6"},
    {"General Purp. #7", "GenPur7"},
    {"General Purp. #8", "GenPur8"},
    {"Portamento Control", "PortCtl"},
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb, // 90
    {"Reverb (Effect 1) Depth", "Reverb"},
    {"Tremolo (Effect 2) Depth", "Tremolo"},
    {"Chorus (Effect 3) Depth", "Chorus"},
    {"Cel./Detune (Effect 4) Depth", "Celeste"},
    {"Phaser (Effect 5) Depth", "Phaser"},
    {"Data Increment", "DataInc"},
    {"Data Decrement", "DataDec"},
    {"NRPN LSB", "NRPNLSB"},
    {"NRPN MSB", "NRPNMSB"},
    {"RPN LSB", "RPNLSB"}, // 100
    {"RPN MSB", "RPNMSB"},
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb, // 110
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    undefinedMsb,
    {"All Sounds off", "SndsOff"}, // 120
    {"Reset All Controllers", "ResetAll"},
    {"Local Control On/Off", "Local"},
    {"All Notes off", "NotesOff"},
    {"Omni Off", "OmniOff"},
    {"Omni On", "OmniOn"},
    {"Mono On/Poly Off", "MonoOn"},
    {"Poly On/Mono Off", "PolyOn"},
}};

namespace {
constexpr unsigned kNotGM = kGS | kXG | kGM2;
constexpr unsigned kGSXG = kGS | kXG;
constexpr unsigned kXGGM2 = kXG | kGM2;
} // namespace

// controller, default, display offset, command, modes, XG name, XG short, GM2 name, GM2 short
const std::array<ControllerSlot, kControllerSlotCount> kControllerSlots{{
    {0, 0, 0, false, kNotGM, {}, {}, {}, {}},
    {32, 0, 0, false, kNotGM, {}, {}, {}, {}},
    {1, 0, 0, false, kAll, {}, {}, "Modulation Depth", "ModDepth"},
    {5, 0, 0, false, kNotGM, {}, {}, "Portamento Time", {}},
    {7, 100, 0, false, kAll, {}, {}, "Channel Volume", {}},
    {10, 64, -64, false, kAll, {}, {}, "Pan", {}},
    {11, 127, 0, false, kAll, {}, {}, "Expression", {}},
    {16, 0, 0, false, kGS, {}, {}, {}, {}},
    {17, 0, 0, false, kGS, {}, {}, {}, {}},
    {64, 0, 0, false, kAll, {}, {}, "Hold1 (Damper)", "Hold1"},
    {65, 0, 0, false, kNotGM, {}, {}, {}, {}}, // 10
    {66, 0, 0, false, kNotGM, {}, {}, {}, {}},
    {67, 0, 0, false, kNotGM, {}, {}, {}, {}},
    {69, 0, 0, false, kGSXG, {}, {}, {}, {}},
    {71, 64, -64, false, kXGGM2, {}, {}, "Filter Resonance (Timbre/Harmonic Intensity)", "Resonanc"},
    {72, 64, -64, false, kXGGM2, {}, {}, {}, {}},
    {73, 64, -64, false, kXGGM2, {}, {}, {}, {}},
    {74, 64, -64, false, kXGGM2, {}, {}, {}, {}},
    {75, 64, -64, false, kGM2, {}, {}, {}, {}},
    {76, 64, -64, false, kGM2, {}, {}, {}, {}},
    {77, 64, -64, false, kGM2, {}, {}, {}, {}}, // 20
    {78, 64, -64, false, kGM2, {}, {}, {}, {}},
    {84, 0, 0, false, kGSXG, {}, {}, {}, {}},
    {91, 40, 0, false, kNotGM, "Reverb Send Level", {}, "Reverb Send Level", {}},
    {93, 0, 0, false, kNotGM, "Chorus Send Level", {}, "Chorus Send Level", {}},
    {94, 0, 0, false, kGSXG, "Variation Effect Send Level", "VarSend", {}, {}},
    {120, 0, 0, true, kNotGM, {}, {}, {}, {}},
    {121, 0, 0, true, kAll, {}, {}, {}, {}},
    {123, 0, 0, true, kAll, {}, {}, {}, {}},
    {124, 0, 0, true, kNotGM, {}, {}, "Omni Mode Off", {}},
    {125, 0, 0, true, kNotGM, {}, {}, "Omni Mode On", {}}, // 30
    {126, 0, 0, true, kNotGM, "Mono", {}, "Mono Mode On (Poly Mode Off)", {}},
    {127, 0, 0, true, kNotGM, "Poly", {}, "Poly Mode On (Mono Mode Off)", {}},
}};

// number, GS name, XG name, short name, default, display offset, lock
const std::array<NrpnSlot, kNrpnSlotCount> kNrpnSlots{{
    {0x08, "Vibrato range", "Vibrato range", "VibRate", 64, -64, false},
    {0x09, "Vibrato depth", "Vibrato depth", "VibDepth", 64, -64, false},
    {0x0A, "Vibrato delay", "Vibrato delay", "VibDelay", 64, -64, false},
    {0x20, "TVF cutoff frequency", "Filter cutoff frequency", "Cutoff", 64, -64, false},
    {0x21, "TVF resonance", "Filter resonance", "Resonanc", 64, -64, false},
    {0x24, {}, "High pass filter cutoff", "HPFCut", 64, -64, false},
    {0x25, {}, "High pass filter resonance", "HPFReso", 64, -64, false},
    {0x30, {}, "EQ bass", "EQBass", 64, -64, false},
    {0x31, {}, "EQ treble", "EQTreble", 64, -64, false},
    {0x32, {}, "EQ mid bass", "EQMidBas", 64, -64, false},
    {0x33, {}, "EQ mid treble", "EQMidTre", 64, -64, false}, // 10
    {0x34, {}, "EQ bass frequency", "EQBassF", 64, -64, false},
    {0x35, {}, "EQ treble frequency", "EQTrebF", 64, -64, false},
    {0x36, {}, "EQ mid-bass frequency", "EQMidBF", 64, -64, false},
    {0x37, {}, "EQ mid-treble frequency", "EQMidTF", 64, -64, false},
    {0x63, "TVF&TVA envelope attack time", "EG attack time", "Attack", 64, -64, false},
    {0x64, "TVF&TVA envelope decay time", "EG decay time", "Decay", 64, -64, false},
    {0x66, "TVF&TVA envelope release time", "EG release", "Release", 64, -64, false},
    {kNullParameterNumber, "NRPN lock in", "NRPN lock in", "NLockIn", 64, -64, true},
}};

const std::array<NrpnSlot, kDrumNrpnSlotCount> kDrumNrpnSlots{{
    {0x14, {}, "Filter cutoff frequency", "Cutoff", 64, -64, false},
    {0x15, {}, "Filter resonance", "Resonanc", 64, -64, false},
    {0x16, {}, "EG attack time", "Attack", 64, -64, false},
    {0x17, {}, "EG decay time", "Decay", 64, -64, false},
    {0x18, "Pitch coarse", "Pitch coarse", "PitchCrs", 64, -64, false},
    {0x19, {}, "Pitch fine", "PitchFin", 64, -64, false},
    {0x1A, "TVA Level", "Level", "Level", 127, 0, false},
    {0x1C, "Panpot", "Panpot", "Pan", 64, -64, false},
    {0x1D, "Reverb send level", "Reverb send level", "Reverb", 127, 0, false},
    {0x1E, "Chorus send level", "Chorus send level", "Chorus", 0, 0, false},
    {0x1F, "Delay send level", "Variation send level", "Dly/Var", 0, 0, false}, // 10
    {0x24, {}, "High pass filter cutoff", "HPFCut", 64, -64, false},
    {0x25, {}, "High pass filter resonance", "HPFReso", 64, -64, false},
    {0x30, {}, "EQ bass", "EQBass", 64, -64, false},
    {0x31, {}, "EQ treble", "EQTreble", 64, -64, false},
    {0x32, {}, "EQ mid bass", "EQMidBas", 64, -64, false},
    {0x33, {}, "EQ mid treble", "EQMidTre", 64, -64, false},
    {0x34, {}, "EQ bass frequency", "EQBassF", 64, -64, false},
    {0x35, {}, "EQ treble frequency", "EQTrebF", 64, -64, false},
    {0x36, {}, "EQ mid-bass frequency", "EQMidBF", 64, -64, false},
    {0x37, {}, "EQ mid-treble frequency", "EQMidTF", 64, -64, false}, // 20
    {0x40, {}, "Velocity pitch sens.", "VelPitch", 0, 0, false},
    {0x41, {}, "Velocity low pass filter cutoff sens.", "VelLPF", 0, 0, false},
}};

// number, slot, name, short name, data kind, default, display factor, display offset, unit, lock
const std::array<RpnRowData, 4> kRpnRows{{
    {0x00, 0, "Pitchbend sensitivity", "PBSens", RpnDataKind::MsbOnly, 2, 1.0, 0, "Semitones", false},
    // Described so that a fine tuning can be named, but not tracked: it has no slot.
    {0x01, -1, "Fine tuning", "FineTun", RpnDataKind::MsbLsb, 8192, 0.01220703125, -100, "Cents", false},
    {0x02, 1, "Coarse tuning", "CourseT", RpnDataKind::MsbOnly, 64, 100.0, -6400, "Cents", false},
    {kNullParameterNumber, kRpnLockInSlot, "RPN lock in", "RLockIn", RpnDataKind::Nothing, 0, 1.0, 0, {}, true},
}};

} // namespace velisto::standard_tables
