#pragma once
// The name lists of the four MIDI standards: note names, General MIDI program names, drum
// kit and drum names per key, GS variation tones, XG variation effect types, and the pan
// position of each drum key. Lists are also offered as texts of backslash-terminated
// fields ("C0\C#0\...\G10\"), the form the combo boxes and definition data use.

#include <span>
#include <string>
#include <string_view>

namespace velisto {

// Sharps ("durnotes", C# D# F# G# A#) for major keys, flats ("mollnotes", Db Eb Gb Ab Bb)
// for minor keys.
enum class NoteSpelling { Sharps, Flats };

// Key 0..127 as "C0" .. "G10" (key 60 is "C5"); empty for another number.
std::string_view noteName(int key, NoteSpelling spelling = NoteSpelling::Sharps);
// All 128 note names as one backslash-terminated text.
const std::string& noteNameList(NoteSpelling spelling);
// The key of a note name of either spelling ("C#5" and "Db5" are both 61); -1 when the
// text is no note name.
int keyOfNoteName(std::string_view name);

// General MIDI program 0..127 ("Acoustic Grand Piano" .. "Gunshot"); empty otherwise.
std::string_view gmProgramName(int program);
const std::string& gmProgramNameList();

// Drum kits of a standard's drum bank, by program 0..127 (GS: no bank, XG: bank MSB 127,
// GM2: bank MSB 120). GM has its one kit at every program. Empty for a program that
// selects no kit.
std::string_view drumKitName(int mode, int program);
// XG's sound effect kits (bank MSB 126); empty for a program that selects none.
std::string_view xgSfxKitName(int program);
// The drum sound of a key in a kit of the standard's drum bank; a program that selects no
// kit is named like the standard kit. Empty where the kit has no sound.
std::string_view drumName(int mode, int key, int drumProgram);
// The 128 drum names of a kit as one backslash-terminated text.
std::string drumNameList(int mode, int drumProgram);

// Default stereo position (1 left .. 64 centre .. 127 right) of a key in a drum kit
// (program of the GS/GM2 drum bank): the drummer's view, toms from left to right.
int drumKitPan(int drumProgram, int key);

// GS variation tones by bank select MSB 0..127: "0 GS Capital", "1 GS Variation 1", ...
std::string_view gsVariationToneName(int bankMsb);
const std::string& gsVariationToneList();

// XG variation effect types. Types that share their parameter layout form a group; the
// device window shows the group of the last variation type received.
struct XgVariationType {
    std::string_view name; // short name as the list editor shows it ("Hall1", "Del LCR")
    int msb;
    int lsb;
    int group; // index into xgVariationGroupName
};
std::span<const XgVariationType> xgVariationTypes();
int xgVariationGroupCount();
// "HALL,ROOM,STAGE,PLATE", "DELAY L,C,R", ..., "Var. OFF or THRU"; empty for another index.
std::string_view xgVariationGroupName(int group);
const std::string& xgVariationGroupList();
// The group of a type by its MSB (an LSB the receiver does not know selects the basic
// type of the MSB); -1 for an MSB that is no variation type.
int xgVariationGroupOf(int msb);
// The exact type of an MSB/LSB pair; nullptr when none.
const XgVariationType* xgVariationType(int msb, int lsb);
// Choice list alternating name and "MSB,LSB": "OFF\0,0\Hall1\1,0\...".
const std::string& xgVariationTypeChoiceList();

} // namespace velisto
