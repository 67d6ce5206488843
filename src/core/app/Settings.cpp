#include "app/Settings.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <variant>

namespace velisto {
namespace {

// One key of a section and the member it fills. The member's type gives the stored kind:
// bool is yes/no, int an integer, std::string a text; an array of ints stands for a run
// of numbered keys ("ch" with firstNumber 1 is "ch1".."ch16").
template <class S> struct Field {
    const char* key;
    std::variant<bool S::*, int S::*, std::string S::*, std::array<int, 12> S::*, std::array<int, 16> S::*> member;
    int firstNumber = 0;
};

template <class T> struct IsIntArray : std::false_type {
};
template <std::size_t N> struct IsIntArray<std::array<int, N>> : std::true_type {
};

// Each table below lists one section's keys, or one run of them where the exit writes a
// section in several places, in the order they are written.

constexpr auto keyboardFields = std::to_array<Field<KeyboardSettings>>({
    {"channel", &KeyboardSettings::channel},
    {"volume", &KeyboardSettings::volume},
    {"octave", &KeyboardSettings::octave},
    {"deviceindex", &KeyboardSettings::deviceindex},
    {"showkeys", &KeyboardSettings::showkeys},
});

constexpr auto midi2WavOptionFields = std::to_array<Field<Midi2WavSettings>>({
    {"taskpriority", &Midi2WavSettings::taskpriority},
    {"96khz", &Midi2WavSettings::khz96},
});

constexpr auto generalFields = std::to_array<Field<GeneralSettings>>({
    {"routeyn", &GeneralSettings::routeyn},
    {"splitkey", &GeneralSettings::splitkey},
    {"splitchannel", &GeneralSettings::splitchannel},
    {"shiftfrontyn", &GeneralSettings::shiftfrontyn},
    {"shiftfrontoct", &GeneralSettings::shiftfrontoct},
    {"shiftbeyondyn", &GeneralSettings::shiftbeyondyn},
    {"shiftbeyondoct", &GeneralSettings::shiftbeyondoct},
    {"midithru", &GeneralSettings::midithru},
    {"detsenddelay", &GeneralSettings::detsenddelay},
    {"determine", &GeneralSettings::determine},
    {"timingclock", &GeneralSettings::timingclock},
});

constexpr auto midi2WavFileFields = std::to_array<Field<Midi2WavSettings>>({
    {"Waveoutfilename", &Midi2WavSettings::Waveoutfilename},
    {"Waveoutpathname", &Midi2WavSettings::Waveoutpathname},
});

constexpr auto midiInputFields = std::to_array<Field<MidiInputSettings>>({
    {"devicenr", &MidiInputSettings::devicenr},
});

constexpr auto karaokeFields = std::to_array<Field<KaraokeSettings>>({
    {"insertblank", &KaraokeSettings::insertblank},
    {"songtexttrack", &KaraokeSettings::songtexttrack},
    {"karaoketakteprozeile", &KaraokeSettings::karaoketakteprozeile},
    {"openwindow", &KaraokeSettings::openwindow},
    {"textaslyric", &KaraokeSettings::textaslyric},
});

constexpr auto waveModeFields = std::to_array<Field<WaveSettings>>({
    {"insertmode", &WaveSettings::insertmode},
});

constexpr auto pianoRollFields = std::to_array<Field<PianoRollSettings>>({
    {"finegrid32", &PianoRollSettings::finegrid32},
});

constexpr auto mixerFields = std::to_array<Field<MixerSettings>>({
    {"setauto", &MixerSettings::setauto},
    {"setknobswhileloadbyinternmeta", &MixerSettings::setknobswhileloadbyinternmeta},
});

constexpr auto metronomSwitchFields = std::to_array<Field<MetronomSettings>>({
    {"yn", &MetronomSettings::yn},
});

constexpr auto eventFilterFields = std::to_array<Field<EventFilterSettings>>({
    {"noteon_bool", &EventFilterSettings::noteon_bool},
    {"chprefix_bool", &EventFilterSettings::chprefix_bool},
    {"contrch_bool", &EventFilterSettings::contrch_bool},
    {"channelpr_bool", &EventFilterSettings::channelpr_bool},
    {"polypress_bool", &EventFilterSettings::polypress_bool},
    {"pitchbend_bool", &EventFilterSettings::pitchbend_bool},
    {"NRPN_bool", &EventFilterSettings::NRPN_bool},
    {"RPN_bool", &EventFilterSettings::RPN_bool},
    {"drumNRPN_bool", &EventFilterSettings::drumNRPN_bool},
    {"songtext_bool", &EventFilterSettings::songtext_bool},
    {"sysex_bool", &EventFilterSettings::sysex_bool},
    {"progch_bool", &EventFilterSettings::progch_bool},
    {"noteon_from", &EventFilterSettings::noteon_from},
    {"noteon_to", &EventFilterSettings::noteon_to},
    {"contrch_from", &EventFilterSettings::contrch_from},
    {"contrch_to", &EventFilterSettings::contrch_to},
    {"progch_from", &EventFilterSettings::progch_from},
    {"progch_to", &EventFilterSettings::progch_to},
    {"polypress_from", &EventFilterSettings::polypress_from},
    {"polypress_to", &EventFilterSettings::polypress_to},
    {"NRPN_from", &EventFilterSettings::NRPN_from},
    {"NRPN_to", &EventFilterSettings::NRPN_to},
    {"RPN_from", &EventFilterSettings::RPN_from},
    {"RPN_to", &EventFilterSettings::RPN_to},
    {"drumNRPN_from", &EventFilterSettings::drumNRPN_from},
    {"drumNRPN_to", &EventFilterSettings::drumNRPN_to},
    {"ch", &EventFilterSettings::ch, 1},
});

constexpr auto editDialogFields = std::to_array<Field<EditDialogDefaults>>({
    {"quant_onlynotes", &EditDialogDefaults::quant_onlynotes},
    {"quant_positions", &EditDialogDefaults::quant_positions},
    {"quant_length", &EditDialogDefaults::quant_length},
    {"quant_posgrid", &EditDialogDefaults::quant_posgrid},
    {"quant_lengrid", &EditDialogDefaults::quant_lengrid},
    {"move_delta", &EditDialogDefaults::move_delta},
    {"notelength", &EditDialogDefaults::notelength},
    {"pitch_single", &EditDialogDefaults::pitch_single},
    {"pitch_semitones", &EditDialogDefaults::pitch_semitones},
    {"pitch_from", &EditDialogDefaults::pitch_from},
    {"pitch_to", &EditDialogDefaults::pitch_to},
    {"chchange_from", &EditDialogDefaults::chchange_from},
    {"chchange_to", &EditDialogDefaults::chchange_to},
    {"valch_target", &EditDialogDefaults::valch_target},
    {"valch_param", &EditDialogDefaults::valch_param},
    {"valch_drumkey", &EditDialogDefaults::valch_drumkey},
    {"valch_percent", &EditDialogDefaults::valch_percent},
    {"valch_curve", &EditDialogDefaults::valch_curve},
    {"valch_signed", &EditDialogDefaults::valch_signed},
    {"valch_value", &EditDialogDefaults::valch_value},
    {"valch_levels", &EditDialogDefaults::valch_levels},
});

constexpr auto midiFolderFields = std::to_array<Field<MidiFolderSettings>>({
    {"Directory", &MidiFolderSettings::Directory},
});

constexpr auto waveFolderFields = std::to_array<Field<WaveSettings>>({
    {"Directory", &WaveSettings::Directory},
    {"DirectorySave", &WaveSettings::DirectorySave},
});

constexpr auto metronomInstrumentFields = std::to_array<Field<MetronomSettings>>({
    {"Instrument", &MetronomSettings::Instrument},
});

constexpr auto displayWindowFields = std::to_array<Field<DisplaySettings>>({
    {"keynormx", &DisplaySettings::keynormx},
    {"keynormy", &DisplaySettings::keynormy},
    {"keyboardnormwidth", &DisplaySettings::keyboardnormwidth},
    {"keyboardnormheight", &DisplaySettings::keyboardnormheight},
    {"waveednormx", &DisplaySettings::waveednormx},
    {"waveednormy", &DisplaySettings::waveednormy},
    {"waveednormwidth", &DisplaySettings::waveednormwidth},
    {"waveednormheight", &DisplaySettings::waveednormheight},
    {"listeditorwasopeninlastsession", &DisplaySettings::listeditorwasopeninlastsession},
    {"statusbarwasopeninlastsession", &DisplaySettings::statusbarwasopeninlastsession},
    {"keyboardwasopeninlastsession", &DisplaySettings::keyboardwasopeninlastsession},
});

constexpr auto directXFields = std::to_array<Field<DirectXSettings>>({
    {"DirectSoundDeviceDialogSoundsGUID", &DirectXSettings::DirectSoundDeviceDialogSoundsGUID},
    {"DirectSoundDeviceDialogSoundsName", &DirectXSettings::DirectSoundDeviceDialogSoundsName},
});

constexpr auto audioFields = std::to_array<Field<AudioSettings>>({
    {"mastergain", &AudioSettings::mastergain},
});

constexpr auto displayLayoutFields = std::to_array<Field<DisplaySettings>>({
    {"midiblockwidth", &DisplaySettings::midiblockwidth},
    {"midiblockheight", &DisplaySettings::midiblockheight},
    {"rulerheight", &DisplaySettings::rulerheight},
    {"tempometerkeyrowheight", &DisplaySettings::tempometerkeyrowheight},
    {"numberoftracksinaview", &DisplaySettings::numberoftracksinaview},
    {"miditop", &DisplaySettings::miditop},
    {"metertop", &DisplaySettings::metertop},
    {"keytop", &DisplaySettings::keytop},
    {"midiblocknettoheight", &DisplaySettings::midiblocknettoheight},
    {"midiblockframestrength", &DisplaySettings::midiblockframestrength},
    {"midiblockinnerthirdheight", &DisplaySettings::midiblockinnerthirdheight},
    {"numberofmidiblocksinaview", &DisplaySettings::numberofmidiblocksinaview},
    {"arrangerwindowleftedge", &DisplaySettings::arrangerwindowleftedge},
    {"arrangerwindowbottomedge", &DisplaySettings::arrangerwindowbottomedge},
    {"sm_cyscreen", &DisplaySettings::sm_cyscreen},
    {"sm_cxscreen", &DisplaySettings::sm_cxscreen},
    {"listeditorcellwidth", &DisplaySettings::listeditorcellwidth, 0},
    {"lastnumberofdevices", &DisplaySettings::lastnumberofdevices},
});

void readValue(const ProfileStore& store, const std::string& section, const std::string& key, bool& value)
{
    value = readYesNo(store, section, key, value);
}

void readValue(const ProfileStore& store, const std::string& section, const std::string& key, int& value)
{
    value = store.getInt(section, key, value);
}

void readValue(const ProfileStore& store, const std::string& section, const std::string& key, std::string& value)
{
    value = store.getString(section, key, value);
}

void writeValue(ProfileStore& store, const std::string& section, const std::string& key, bool value)
{
    writeYesNo(store, section, key, value);
}

void writeValue(ProfileStore& store, const std::string& section, const std::string& key, int value)
{
    store.writeInt(section, key, value);
}

void writeValue(ProfileStore& store, const std::string& section, const std::string& key, const std::string& value)
{
    store.writeString(section, key, value);
}

template <class S> std::string numberedKey(const Field<S>& field, std::size_t index)
{
    return field.key + std::to_string(field.firstNumber + static_cast<int>(index));
}

template <class S, std::size_t N>
void readFields(const ProfileStore& store, const std::string& section, const std::array<Field<S>, N>& fields, S& values)
{
    for (const Field<S>& field : fields) {
        std::visit(
            [&](auto member) {
                auto& value = values.*member;
                if constexpr (IsIntArray<std::remove_cvref_t<decltype(value)>>::value) {
                    for (std::size_t i = 0; i < value.size(); ++i) {
                        readValue(store, section, numberedKey(field, i), value[i]);
                    }
                } else {
                    readValue(store, section, field.key, value);
                }
            },
            field.member);
    }
}

template <class S, std::size_t N>
void writeFields(ProfileStore& store, const std::string& section, const std::array<Field<S>, N>& fields,
                 const S& values)
{
    for (const Field<S>& field : fields) {
        std::visit(
            [&](auto member) {
                const auto& value = values.*member;
                if constexpr (IsIntArray<std::remove_cvref_t<decltype(value)>>::value) {
                    for (std::size_t i = 0; i < value.size(); ++i) {
                        writeValue(store, section, numberedKey(field, i), value[i]);
                    }
                } else {
                    writeValue(store, section, field.key, value);
                }
            },
            field.member);
    }
}

// One step of reading or writing: a section and how its keys reach the settings.
struct Group {
    const char* section;
    void (*read)(const ProfileStore& store, const char* section, Settings& settings); // null: never read
    void (*write)(ProfileStore& store, const char* section, const Settings& settings);
};

template <auto part, const auto& fields> constexpr Group fieldGroup(const char* section)
{
    return {section,
            [](const ProfileStore& store, const char* name, Settings& settings) {
                readFields(store, name, fields, settings.*part);
            },
            [](ProfileStore& store, const char* name, const Settings& settings) {
                writeFields(store, name, fields, settings.*part);
            }};
}

void readDeviceNameMapGroup(const ProfileStore& store, const char*, Settings& settings)
{
    settings.deviceNameMap = readDeviceNameMap(store);
}

void writeDeviceNameMapGroup(ProfileStore& store, const char*, const Settings& settings)
{
    writeDeviceNameMap(settings.deviceNameMap, store);
}

// The piano roll window is never reopened, so its flag is stored closed and not read.
void writePianoRollClosed(ProfileStore& store, const char* section, const Settings&)
{
    writeYesNo(store, section, "pianorollwasopeninlastsession", false);
}

// Everything the exit writes, in the order it writes it.
constexpr std::array exitGroups = {
    Group{kDeviceNameMapSection, readDeviceNameMapGroup, writeDeviceNameMapGroup},
    fieldGroup<&Settings::keyboard, keyboardFields>("Keyboard"),
    fieldGroup<&Settings::midi2wav, midi2WavOptionFields>("MIDI2WAV"),
    fieldGroup<&Settings::general, generalFields>("General"),
    fieldGroup<&Settings::midi2wav, midi2WavFileFields>("MIDI2WAV"),
    fieldGroup<&Settings::midiInput, midiInputFields>("MIDI Input device"),
    fieldGroup<&Settings::karaoke, karaokeFields>("Karaoke"),
    fieldGroup<&Settings::wave, waveModeFields>("Wave"),
    fieldGroup<&Settings::pianoRoll, pianoRollFields>("PianoRoll"),
    fieldGroup<&Settings::mixer, mixerFields>("Mixer"),
    fieldGroup<&Settings::metronom, metronomSwitchFields>("Metronom"),
    fieldGroup<&Settings::eventFilter, eventFilterFields>("Eventfilter"),
    fieldGroup<&Settings::editDialogs, editDialogFields>("Editdialogs"),
    fieldGroup<&Settings::midi, midiFolderFields>("Midi"),
    fieldGroup<&Settings::wave, waveFolderFields>("Wave"),
    fieldGroup<&Settings::metronom, metronomInstrumentFields>("Metronom"),
    fieldGroup<&Settings::display, displayWindowFields>("Display"),
    Group{"Display", nullptr, writePianoRollClosed},
    fieldGroup<&Settings::directX, directXFields>("DirectX"),
    fieldGroup<&Settings::audio, audioFields>("Audio"),
};

constexpr Group displayLayoutGroup = fieldGroup<&Settings::display, displayLayoutFields>("Display");

std::string joinPath(const std::string& directory, const std::string& name)
{
    if (!directory.empty() && directory.back() == '/') {
        return directory + name;
    }
    return directory + "/" + name;
}

} // namespace

Settings Settings::defaults(const std::string& programDirectory, int screenWidth, int screenHeight)
{
    Settings settings;
    const std::string igrFolder = joinPath(programDirectory, "igr");
    settings.midi2wav.Waveoutpathname = igrFolder;
    settings.wave.Directory = igrFolder;
    settings.wave.DirectorySave = igrFolder;
    settings.midi.Directory = joinPath(programDirectory, "midi");
    settings.display.waveednormy = screenHeight / 2 - 150;
    settings.display.waveednormwidth = std::max(screenWidth - 2, 786);
    return settings;
}

Settings loadSettings(const ProfileStore& store, const std::string& programDirectory, int screenWidth, int screenHeight)
{
    Settings settings = Settings::defaults(programDirectory, screenWidth, screenHeight);
    for (const Group& group : exitGroups) {
        if (group.read != nullptr) {
            group.read(store, group.section, settings);
        }
    }
    displayLayoutGroup.read(store, displayLayoutGroup.section, settings);
    return settings;
}

bool saveSettings(const Settings& settings, ProfileStore& store, std::string* error)
{
    for (const Group& group : exitGroups) {
        group.write(store, group.section, settings);
    }
    return store.flush(error);
}

std::string settingsNotSavedText(const std::string& reason)
{
    std::string text = "Velisto's settings could not be saved; the next start uses the previous ones.";
    if (!reason.empty())
        text += "\n\n" + reason;
    return text;
}

void saveDisplayLayout(const Settings& settings, ProfileStore& store)
{
    displayLayoutGroup.write(store, displayLayoutGroup.section, settings);
}

std::vector<DeviceNameMapEntry> readDeviceNameMap(const ProfileStore& store)
{
    const std::string separator = kDeviceNameMapSeparator;
    std::vector<DeviceNameMapEntry> entries;
    for (int number = 1; number <= kMaxDeviceNameMapEntries; ++number) {
        const std::string value = store.getString(kDeviceNameMapSection, "entry" + std::to_string(number), "");
        if (value.empty()) {
            break;
        }
        // Split at the last separator: a device name read from a MIDI file may contain
        // anything, the port names of this machine do not contain it.
        const std::size_t at = value.rfind(separator);
        if (at == std::string::npos) {
            entries.push_back({value, ""});
        } else {
            entries.push_back({value.substr(0, at), value.substr(at + separator.size())});
        }
    }
    return entries;
}

void writeDeviceNameMap(const std::vector<DeviceNameMapEntry>& entries, ProfileStore& store)
{
    store.deleteSection(kDeviceNameMapSection);
    // Entries beyond the limit would never be read again.
    const std::size_t count = std::min(entries.size(), static_cast<std::size_t>(kMaxDeviceNameMapEntries));
    for (std::size_t i = 0; i < count; ++i) {
        store.writeString(kDeviceNameMapSection, "entry" + std::to_string(i + 1),
                          entries[i].fileName + kDeviceNameMapSeparator + entries[i].portName);
    }
}

bool readYesNo(const ProfileStore& store, const std::string& section, const std::string& key, bool defaultValue)
{
    if (!store.hasKey(section, key)) {
        return defaultValue;
    }
    return store.getString(section, key, "") == "y";
}

void writeYesNo(ProfileStore& store, const std::string& section, const std::string& key, bool value)
{
    store.writeString(section, key, value ? "y" : "n");
}

} // namespace velisto
