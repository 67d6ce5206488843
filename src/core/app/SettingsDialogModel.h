#pragma once
// The settings dialog without its widgets: the six pages and their fields with ranges,
// which controls are enabled, the OK button's checks and the order it stores in. The
// dialog copies the settings into SettingsDialogValues, lets the user edit the copy, and
// hands it back to applySettingsDialog.
//
// Thread contract: user-interface thread only.

#include "app/DeviceNameMapEditor.h"
#include "app/Settings.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velisto {

class MidiInputConnection;
class MidiInputRouter;
class MidiPortSystem;
class UserPrompt;

inline constexpr std::string_view kSettingsTitle = "Settings";

enum class SettingsPage { Play, Record, MidiLoad, PianoRoll, Midi2Wav, Karaoke };

struct SettingsPageInfo {
    SettingsPage page;
    std::string_view comboText; // the "Category" combo's entry
    std::string_view key;       // the page's internal name
};

// The pages in the combo's order; the dialog opens on the first.
std::span<const SettingsPageInfo> settingsPages();
// The order OK checks the pages in.
std::span<const SettingsPage> settingsCheckOrder();

// The dialog's numeric fields.
enum class SettingsField {
    DetSendDelay,   // play: "Delay between each resulting MIDI event in ms"
    MetronomeKey,   // record: drum key combo
    SplitKey,       // record: key combo
    SplitChannel,   // record: "to channel" combo, index 0..15
    ShiftFrontOct,  // record: "Octaves +/-" in front of the split key
    ShiftBeyondOct, // record: octaves beyond the split key
    TaskPriority,   // MIDI to .wav: "highest", "normal", "idle time only"
    SongTextTrack,  // karaoke
    MeasuresPerRow, // karaoke: "karaoketakteprozeile"
};

struct SettingsRange {
    SettingsPage page;
    int min;
    int max;
};
SettingsRange settingsRange(SettingsField field);

// A typed field's text as a number in the field's range; otherwise nullopt after the
// message "Please enter a value between " min " and " max.
std::optional<int> readSettingsField(std::string_view text, SettingsField field, UserPrompt& prompt);

// What the dialog edits, copied from the settings when it opens.
struct SettingsDialogValues {
    GeneralSettings general; // the play page and the record page's routing
    MetronomSettings metronom;
    // The input port; the port count stands for "Pseudo if none installed".
    int inputPort = MidiInputSettings::kNotChosen;
    MixerSettings mixer;
    PianoRollSettings pianoRoll;
    int taskpriority = 1;
    KaraokeSettings karaoke;
    DeviceNameMapEditor deviceNameMap;

    static SettingsDialogValues of(const Settings& settings);
};

// Which controls can be used. While a run exists the play and record pages and the piano
// roll box are disabled, and so are the load page's two boxes and its list editing.
struct SettingsEnabling {
    bool playPage = true;
    bool delayField = true; // with its label: only while "determine" is ticked
    bool recordPage = true;
    bool splitControls = true; // split key, channel and both shifts: only while "routeyn" is ticked
    bool metronomeKey = true;  // only while the metronome is ticked
    bool pianoRoll = true;
    bool loadOptions = true; // the two knob boxes
    bool mappingEditing = true;
    bool operator==(const SettingsEnabling&) const = default;
};
SettingsEnabling settingsEnabling(const SettingsDialogValues& values, bool runExists);

// Where OK reaches the MIDI input.
struct SettingsInput {
    MidiPortSystem& ports;
    MidiInputConnection& connection;
    MidiInputRouter& router;
};

// OK: the pages are checked in settingsCheckOrder; a newly chosen input port is opened
// and closed once as a test. The first page that fails is returned (its message shown)
// and nothing is stored. Otherwise a changed input port replaces the open one, the values
// are stored in the settings, the router gets the new split and shift, and nullopt is
// returned: the dialog closes.
std::optional<SettingsPage> applySettingsDialog(const SettingsDialogValues& values, Settings& settings,
                                                SettingsInput input, UserPrompt& prompt);

} // namespace velisto
