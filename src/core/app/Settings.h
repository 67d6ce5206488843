#pragma once
// Velisto's persistent settings: one plain struct per store section and one member per
// key, named after the key (only "96khz" had to become khz96). Member initialisers are the
// first-run defaults; the few that depend on the program folder or the screen are filled
// in by Settings::defaults. Yes/no keys are stored as "y" and "n".
// Thread contract: user-interface thread. The play thread and the MIDI input callback get
// a copy of the few values they need instead of reading these while the dialog writes them.

#include "app/ProfileStore.h"

#include <array>
#include <string>
#include <vector>

namespace velisto {

// Section "General": MIDI input routing and play options.
struct GeneralSettings {
    bool routeyn = false; // route input notes beyond splitkey to splitchannel
    int splitkey = 64;    // key number
    int splitchannel = 2; // channel index 0..15
    bool shiftfrontyn = false;
    int shiftfrontoct = 0; // octaves, -11..11
    bool shiftbeyondyn = false;
    int shiftbeyondoct = 0;   // octaves, -11..11
    bool midithru = true;     // echo MIDI input to the output
    int detsenddelay = 5;     // ms between the adjusting events at sequence start, 0..200
    bool determine = true;    // adjust controllers wherever the sequence starts
    bool timingclock = false; // send F8 while playing

    bool operator==(const GeneralSettings&) const = default;
};

// Section "MIDI2WAV".
struct Midi2WavSettings {
    bool khz96 = false;   // key "96khz"; kept and written back
    int taskpriority = 1; // 0 "highest", 1 "normal", 2 "idle time only"
    std::string Waveoutfilename = "audiostream.wav";
    std::string Waveoutpathname; // default <program directory>/igr

    bool operator==(const Midi2WavSettings&) const = default;
};

// Section "PianoRoll".
struct PianoRollSettings {
    bool finegrid32 = false;

    bool operator==(const PianoRollSettings&) const = default;
};

// Section "Keyboard": the virtual keyboard.
struct KeyboardSettings {
    static constexpr int kNoDevice = 9999;

    int channel = 0;  // channel index 0..15
    int volume = 100; // note-on velocity
    int octave = 5;
    int deviceindex = kNoDevice;
    bool showkeys = true;

    bool operator==(const KeyboardSettings&) const = default;
};

// Section "Eventfilter". Each *_bool is a mode flag (0 including, 1 excluding) and each
// *_from / *_to pair a value range of that event kind.
struct EventFilterSettings {
    int noteon_bool = 0;
    int chprefix_bool = 0;
    int contrch_bool = 0;
    int channelpr_bool = 0;
    int polypress_bool = 0;
    int pitchbend_bool = 0;
    int NRPN_bool = 0;
    int RPN_bool = 0;
    int drumNRPN_bool = 0;
    int songtext_bool = 0;
    int sysex_bool = 0;
    int progch_bool = 0;
    int noteon_from = 0;
    int noteon_to = 127;
    int contrch_from = 0;
    int contrch_to = 32;
    int progch_from = 0;
    int progch_to = 127;
    int polypress_from = 0;
    int polypress_to = 127;
    int NRPN_from = 0;
    int NRPN_to = 18;
    int RPN_from = 0;
    int RPN_to = 2;
    int drumNRPN_from = 0;
    int drumNRPN_to = 22;
    // Keys "ch1".."ch16": ch[0] is MIDI channel 1; 1 lets the channel pass.
    std::array<int, 16> ch = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

    bool operator==(const EventFilterSettings&) const = default;
};

// Section "Editdialogs": what each edit dialog offers when it opens again, taken over when
// it closes with OK. Grid and length texts are list entries or typed numbers ("120 Sixteen");
// empty ones leave the dialog's own first choice.
struct EditDialogDefaults {
    bool quant_onlynotes = false;
    bool quant_positions = true;
    bool quant_length = false;
    std::string quant_posgrid;
    std::string quant_lengrid;
    int move_delta = 0; // ticks
    std::string notelength;
    bool pitch_single = false;
    int pitch_semitones = 0; // -127..127
    std::string pitch_from = "C5";
    std::string pitch_to = "C5";
    int chchange_from = 0; // channel index 0..15
    int chchange_to = 0;
    int valch_target = 0; // ValueTarget
    int valch_param = 0;
    int valch_drumkey = 36;
    bool valch_percent = false;
    bool valch_curve = false;
    bool valch_signed = false;
    int valch_value = 64;
    std::string valch_levels; // the curve, see curveLevelsText; empty: flat in the middle

    bool operator==(const EditDialogDefaults&) const = default;
};

// Section "Wave": the wave editor and its file dialogs.
struct WaveSettings {
    int insertmode = 0;
    std::string Directory;     // default <program directory>/igr
    std::string DirectorySave; // default <program directory>/igr

    bool operator==(const WaveSettings&) const = default;
};

// Section "Midi": the MIDI file dialogs.
struct MidiFolderSettings {
    std::string Directory; // default <program directory>/midi

    bool operator==(const MidiFolderSettings&) const = default;
};

// Section "MIDI Input device".
struct MidiInputSettings {
    static constexpr int kNotChosen = -1;

    // Input port number; kNotChosen makes the start ask, the port count means no input.
    int devicenr = kNotChosen;

    bool operator==(const MidiInputSettings&) const = default;
};

// Section "Metronom".
struct MetronomSettings {
    bool yn = true;      // metronome while recording
    int Instrument = 33; // drum key 0..127

    bool operator==(const MetronomSettings&) const = default;
};

// Section "Mixer": how the knobs are chosen when a file is loaded.
struct MixerSettings {
    bool setauto = false;
    bool setknobswhileloadbyinternmeta = true;

    bool operator==(const MixerSettings&) const = default;
};

// Section "Karaoke".
struct KaraokeSettings {
    bool insertblank = false;
    int songtexttrack = 1;        // 1..256
    int karaoketakteprozeile = 2; // measures per text row, 1..32
    bool openwindow = true;
    bool textaslyric = false;

    bool operator==(const KaraokeSettings&) const = default;
};

// Section "DirectX": the audio device of dialog sounds and the wave editor.
struct DirectXSettings {
    std::string DirectSoundDeviceDialogSoundsGUID;
    std::string DirectSoundDeviceDialogSoundsName = "Primary Sounddriver";

    bool operator==(const DirectXSettings&) const = default;
};

// Section "Audio": the Internal Sound Generator's sound. (The installer keeps the
// instrument group's path in this section too.)
struct AudioSettings {
    // dB applied to each sound device's mix before its limiter. -10 puts dense General
    // MIDI songs near -18 dBFS RMS and keeps sparse ones, such as the demo, above -26.
    int mastergain = -10;

    bool operator==(const AudioSettings&) const = default;
};

// Section "Display": window geometry, what was open in the last session, and the arranger
// layout stored together with the screen size and device count it was made for.
struct DisplaySettings {
    int keynormx = 150;
    int keynormy = 150;
    int keyboardnormwidth = 1130;
    int keyboardnormheight = 303;
    int waveednormx = 2;
    int waveednormy = 0;       // default screen height / 2 - 150
    int waveednormwidth = 786; // default max(screen width - 2, 786)
    int waveednormheight = 300;
    std::array<int, 12> listeditorcellwidth = {90, 40, 140, 220, 100, 120, 120, 60, 180, 70, 70, 70};
    bool listeditorwasopeninlastsession = true;
    bool statusbarwasopeninlastsession = true;
    bool keyboardwasopeninlastsession = false;
    int sm_cxscreen = 0;
    int sm_cyscreen = 0;
    int lastnumberofdevices = 0;
    int midiblockwidth = 0;
    int midiblockheight = 0;
    int rulerheight = 0;
    int tempometerkeyrowheight = 0;
    int numberoftracksinaview = 0;
    int miditop = 0;
    int metertop = 0;
    int keytop = 0;
    int midiblocknettoheight = 0;
    int midiblockframestrength = 0;
    int midiblockinnerthirdheight = 0;
    int numberofmidiblocksinaview = 0;
    int arrangerwindowleftedge = 0;
    int arrangerwindowbottomedge = 0;

    bool operator==(const DisplaySettings&) const = default;
};

// One pair of section "MIDI Output devmap": a device name as MIDI files carry it and the
// output port it stands for.
struct DeviceNameMapEntry {
    std::string fileName;
    std::string portName;

    bool operator==(const DeviceNameMapEntry&) const = default;
};

inline constexpr const char* kDeviceNameMapSection = "MIDI Output devmap";
inline constexpr const char* kDeviceNameMapSeparator = "^@^";
inline constexpr int kMaxDeviceNameMapEntries = 998;

struct Settings {
    GeneralSettings general;
    Midi2WavSettings midi2wav;
    PianoRollSettings pianoRoll;
    KeyboardSettings keyboard;
    EventFilterSettings eventFilter;
    EditDialogDefaults editDialogs;
    WaveSettings wave;
    MidiFolderSettings midi;
    MidiInputSettings midiInput;
    MetronomSettings metronom;
    MixerSettings mixer;
    KaraokeSettings karaoke;
    DirectXSettings directX;
    AudioSettings audio;
    DisplaySettings display;
    std::vector<DeviceNameMapEntry> deviceNameMap;

    // The first-run settings. programDirectory holds the "midi" and "igr" folders; the
    // screen size in pixels places the wave editor window.
    static Settings defaults(const std::string& programDirectory, int screenWidth, int screenHeight);

    bool operator==(const Settings&) const = default;
};

// Every setting and every "Display" key; a missing key keeps its default, stored values
// are taken as they are (no range checks). Never fails.
Settings loadSettings(const ProfileStore& store, const std::string& programDirectory, int screenWidth,
                      int screenHeight);

// The exit's write: the device-name mapping (section deleted, entries written anew from
// "entry1"), then "Keyboard", "MIDI2WAV", "General", ... "DirectX" in that order. Leaves
// the arranger layout keys alone (see saveDisplayLayout) and writes
// "pianorollwasopeninlastsession" as "n". Then flushes the store, so that everything
// written before (the layout, the device records) is made durable too. False, with the
// store's reason in error, when that failed: the caller tells the user
// (settingsNotSavedText), who would otherwise find the old settings at the next start.
bool saveSettings(const Settings& settings, ProfileStore& store, std::string* error = nullptr);
std::string settingsNotSavedText(const std::string& reason);

// The "Display" keys that are only written while the main window is maximised: the
// arranger layout, "sm_cyscreen", "sm_cxscreen", "listeditorcellwidth0".."11" and
// "lastnumberofdevices".
void saveDisplayLayout(const Settings& settings, ProfileStore& store);

// At most kMaxDeviceNameMapEntries pairs from "entry1" up to the first missing or empty
// entry. An entry without the separator keeps its whole text as the file's name and an
// empty port name, so nothing the user entered is dropped.
std::vector<DeviceNameMapEntry> readDeviceNameMap(const ProfileStore& store);
// Deletes the section and writes the first kMaxDeviceNameMapEntries pairs from "entry1".
void writeDeviceNameMap(const std::vector<DeviceNameMapEntry>& entries, ProfileStore& store);

// Exactly "y" is true, any other stored text false; defaultValue only when the key is missing.
bool readYesNo(const ProfileStore& store, const std::string& section, const std::string& key, bool defaultValue);
void writeYesNo(ProfileStore& store, const std::string& section, const std::string& key, bool value);

} // namespace velisto
