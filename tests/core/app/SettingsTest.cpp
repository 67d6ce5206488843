#include "app/Settings.h"

#include "app/MemoryProfileStore.h"
#include "core/app/SettingsTestSupport.h"
#include "edit/ValueChange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velisto {
namespace {

using test::changedStore;
using test::defaultSettings;
using test::kProgramDirectory;
using test::kScreenHeight;
using test::kScreenWidth;

// Every key the program stores with its first-run text, for /opt/velisto on a 1920 x 1080 screen.
MemoryProfileStore::Contents documentedDefaults()
{
    MemoryProfileStore::Contents expected = {
        {"General",
         {{"routeyn", "n"},
          {"splitkey", "64"},
          {"splitchannel", "2"},
          {"shiftfrontyn", "n"},
          {"shiftfrontoct", "0"},
          {"shiftbeyondyn", "n"},
          {"shiftbeyondoct", "0"},
          {"midithru", "y"},
          {"detsenddelay", "5"},
          {"determine", "y"},
          {"timingclock", "n"}}},
        {"MIDI2WAV",
         {{"96khz", "n"},
          {"taskpriority", "1"},
          {"Waveoutfilename", "audiostream.wav"},
          {"Waveoutpathname", "/opt/velisto/igr"}}},
        {"PianoRoll", {{"finegrid32", "n"}}},
        {"Keyboard",
         {{"channel", "0"}, {"volume", "100"}, {"octave", "5"}, {"deviceindex", "9999"}, {"showkeys", "y"}}},
        {"Eventfilter",
         {{"noteon_from", "0"},
          {"noteon_to", "127"},
          {"contrch_from", "0"},
          {"contrch_to", "32"},
          {"progch_from", "0"},
          {"progch_to", "127"},
          {"polypress_from", "0"},
          {"polypress_to", "127"},
          {"NRPN_from", "0"},
          {"NRPN_to", "18"},
          {"RPN_from", "0"},
          {"RPN_to", "2"},
          {"drumNRPN_from", "0"},
          {"drumNRPN_to", "22"}}},
        {"Editdialogs",
         {{"quant_onlynotes", "n"},
          {"quant_positions", "y"},
          {"quant_length", "n"},
          {"quant_posgrid", ""},
          {"quant_lengrid", ""},
          {"move_delta", "0"},
          {"notelength", ""},
          {"pitch_single", "n"},
          {"pitch_semitones", "0"},
          {"pitch_from", "C5"},
          {"pitch_to", "C5"},
          {"chchange_from", "0"},
          {"chchange_to", "0"},
          {"valch_target", "0"},
          {"valch_param", "0"},
          {"valch_drumkey", "36"},
          {"valch_percent", "n"},
          {"valch_curve", "n"},
          {"valch_signed", "n"},
          {"valch_value", "64"},
          {"valch_levels", ""}}},
        {"Wave", {{"insertmode", "0"}, {"Directory", "/opt/velisto/igr"}, {"DirectorySave", "/opt/velisto/igr"}}},
        {"Midi", {{"Directory", "/opt/velisto/midi"}}},
        {"MIDI Input device", {{"devicenr", "-1"}}},
        {"Metronom", {{"yn", "y"}, {"Instrument", "33"}}},
        {"Mixer", {{"setauto", "n"}, {"setknobswhileloadbyinternmeta", "y"}}},
        {"Karaoke",
         {{"insertblank", "n"},
          {"songtexttrack", "1"},
          {"karaoketakteprozeile", "2"},
          {"openwindow", "y"},
          {"textaslyric", "n"}}},
        {"DirectX",
         {{"DirectSoundDeviceDialogSoundsGUID", ""}, {"DirectSoundDeviceDialogSoundsName", "Primary Sounddriver"}}},
        {"Audio", {{"mastergain", "-10"}}},
        {"Display",
         {{"keynormx", "150"},
          {"keynormy", "150"},
          {"keyboardnormwidth", "1130"},
          {"keyboardnormheight", "303"},
          {"waveednormx", "2"},
          {"waveednormy", "390"},
          {"waveednormwidth", "1918"},
          {"waveednormheight", "300"},
          {"listeditorwasopeninlastsession", "y"},
          {"statusbarwasopeninlastsession", "y"},
          {"keyboardwasopeninlastsession", "n"},
          {"pianorollwasopeninlastsession", "n"},
          {"sm_cxscreen", "0"},
          {"sm_cyscreen", "0"},
          {"lastnumberofdevices", "0"}}},
    };
    for (const char* flag :
         {"noteon_bool", "chprefix_bool", "contrch_bool", "channelpr_bool", "polypress_bool", "pitchbend_bool",
          "NRPN_bool", "RPN_bool", "drumNRPN_bool", "songtext_bool", "sysex_bool", "progch_bool"}) {
        expected["Eventfilter"][flag] = "0";
    }
    for (int channel = 1; channel <= 16; ++channel) {
        expected["Eventfilter"]["ch" + std::to_string(channel)] = "1";
    }
    const std::vector<std::string> widths = {"90",  "40", "140", "220", "100", "120",
                                             "120", "60", "180", "70",  "70",  "70"};
    for (std::size_t column = 0; column < widths.size(); ++column) {
        expected["Display"]["listeditorcellwidth" + std::to_string(column)] = widths[column];
    }
    for (const char* layoutKey : {"midiblockwidth", "midiblockheight", "rulerheight", "tempometerkeyrowheight",
                                  "numberoftracksinaview", "miditop", "metertop", "keytop", "midiblocknettoheight",
                                  "midiblockframestrength", "midiblockinnerthirdheight", "numberofmidiblocksinaview",
                                  "arrangerwindowleftedge", "arrangerwindowbottomedge"}) {
        expected["Display"][layoutKey] = "0";
    }
    return expected;
}

MemoryProfileStore savedWithLayout(const Settings& settings)
{
    MemoryProfileStore store;
    saveSettings(settings, store);
    saveDisplayLayout(settings, store);
    return store;
}

TEST(SettingsTest, FirstRunStoresEveryDocumentedKeyWithItsDefault)
{
    const MemoryProfileStore empty;
    const Settings loaded = loadSettings(empty, kProgramDirectory, kScreenWidth, kScreenHeight);

    EXPECT_EQ(savedWithLayout(loaded).contents(), documentedDefaults());
    EXPECT_EQ(loaded, defaultSettings());
    EXPECT_TRUE(loaded.deviceNameMap.empty());
}

TEST(SettingsTest, FirstRunMembersMeanWhatTheirKeysSay)
{
    const Settings loaded = loadSettings(MemoryProfileStore(), kProgramDirectory, kScreenWidth, kScreenHeight);

    EXPECT_TRUE(loaded.general.midithru);
    EXPECT_FALSE(loaded.midi2wav.khz96);
    EXPECT_EQ(loaded.keyboard.deviceindex, KeyboardSettings::kNoDevice);
    EXPECT_EQ(loaded.eventFilter.ch[15], 1);
    EXPECT_EQ(loaded.midiInput.devicenr, MidiInputSettings::kNotChosen);
    EXPECT_EQ(loaded.display.listeditorcellwidth[3], 220);
    EXPECT_FALSE(loaded.display.keyboardwasopeninlastsession);
}

TEST(SettingsTest, ComputedDefaultsFollowTheProgramFolderAndTheScreen)
{
    const Settings small = Settings::defaults("/home/ann/velisto/", 800, 600);
    EXPECT_EQ(small.midi.Directory, "/home/ann/velisto/midi");
    EXPECT_EQ(small.wave.Directory, "/home/ann/velisto/igr");
    EXPECT_EQ(small.wave.DirectorySave, "/home/ann/velisto/igr");
    EXPECT_EQ(small.midi2wav.Waveoutpathname, "/home/ann/velisto/igr");
    EXPECT_EQ(small.display.waveednormy, 150);
    EXPECT_EQ(small.display.waveednormwidth, 798);

    // The wave editor never gets narrower than 786 pixels.
    EXPECT_EQ(Settings::defaults("/v", 700, 500).display.waveednormwidth, 786);
    EXPECT_EQ(Settings::defaults("/v", 788, 500).display.waveednormwidth, 786);
    EXPECT_EQ(Settings::defaults("/v", 789, 500).display.waveednormwidth, 787);
}

TEST(SettingsTest, EveryStoredValueIsReadAndWrittenUnderItsOwnKey)
{
    const MemoryProfileStore changed = changedStore();
    const Settings loaded = loadSettings(changed, kProgramDirectory, kScreenWidth, kScreenHeight);
    const Settings defaults = defaultSettings();

    // Each section took something from the store.
    EXPECT_NE(loaded.general, defaults.general);
    EXPECT_NE(loaded.midi2wav, defaults.midi2wav);
    EXPECT_NE(loaded.pianoRoll, defaults.pianoRoll);
    EXPECT_NE(loaded.keyboard, defaults.keyboard);
    EXPECT_NE(loaded.eventFilter, defaults.eventFilter);
    EXPECT_NE(loaded.editDialogs, defaults.editDialogs);
    EXPECT_NE(loaded.wave, defaults.wave);
    EXPECT_NE(loaded.midi, defaults.midi);
    EXPECT_NE(loaded.midiInput, defaults.midiInput);
    EXPECT_NE(loaded.metronom, defaults.metronom);
    EXPECT_NE(loaded.mixer, defaults.mixer);
    EXPECT_NE(loaded.karaoke, defaults.karaoke);
    EXPECT_NE(loaded.directX, defaults.directX);
    EXPECT_NE(loaded.display, defaults.display);
    EXPECT_EQ(loaded.deviceNameMap.size(), 3U);

    // Writing them back reproduces the store exactly, except the piano roll flag that is
    // always stored closed.
    MemoryProfileStore::Contents expected = changed.contents();
    expected["Display"]["pianorollwasopeninlastsession"] = "n";
    const MemoryProfileStore written = savedWithLayout(loaded);
    EXPECT_EQ(written.contents(), expected);
    EXPECT_EQ(loadSettings(written, "/elsewhere", 640, 480), loaded);
}

TEST(SettingsTest, EditDialogDefaultsComeBackAtTheNextStart)
{
    Settings settings = defaultSettings();
    EditDialogDefaults& dialogs = settings.editDialogs;
    dialogs.quant_onlynotes = true;
    dialogs.quant_posgrid = "120 Sixteen";
    dialogs.quant_lengrid = "7";
    dialogs.move_delta = -96;
    dialogs.notelength = "240 Eight";
    dialogs.pitch_single = true;
    dialogs.pitch_semitones = -12;
    dialogs.pitch_from = "Db5";
    dialogs.pitch_to = "G#10";
    dialogs.chchange_from = 9;
    dialogs.chchange_to = 15;
    dialogs.valch_target = static_cast<int>(ValueTarget::DrumNrpn);
    dialogs.valch_param = 2;
    dialogs.valch_percent = true;
    dialogs.valch_curve = true;
    dialogs.valch_value = -50;
    dialogs.valch_levels = curveLevelsText(curvePreset(CurvePreset::Peak));
    MemoryProfileStore store;
    ASSERT_TRUE(saveSettings(settings, store));
    EXPECT_EQ(store.contents().at("Editdialogs").at("move_delta"), "-96");
    EXPECT_EQ(store.contents().at("Editdialogs").at("pitch_single"), "y");

    const Settings loaded = loadSettings(store, kProgramDirectory, kScreenWidth, kScreenHeight);
    EXPECT_EQ(loaded.editDialogs, dialogs);
    EXPECT_EQ(curveLevelsFromText(loaded.editDialogs.valch_levels), curvePreset(CurvePreset::Peak));
}

TEST(SettingsTest, YesNoIsTrueOnlyForExactlyY)
{
    MemoryProfileStore store;
    for (const char* text : {"Y", "yes", "", "n", " y", "1"}) {
        store.writeString("General", "midithru", text); // default "y"
        store.writeString("General", "routeyn", text);  // default "n"
        const Settings loaded = loadSettings(store, kProgramDirectory, kScreenWidth, kScreenHeight);
        EXPECT_FALSE(loaded.general.midithru) << '"' << text << '"';
        EXPECT_FALSE(loaded.general.routeyn) << '"' << text << '"';
    }

    store.writeString("General", "midithru", "y");
    store.writeString("General", "routeyn", "y");
    Settings loaded = loadSettings(store, kProgramDirectory, kScreenWidth, kScreenHeight);
    EXPECT_TRUE(loaded.general.midithru);
    EXPECT_TRUE(loaded.general.routeyn);

    // Missing values take the default, whichever way it points.
    store.deleteSection("General");
    loaded = loadSettings(store, kProgramDirectory, kScreenWidth, kScreenHeight);
    EXPECT_TRUE(loaded.general.midithru);
    EXPECT_FALSE(loaded.general.routeyn);

    EXPECT_TRUE(readYesNo(store, "MIDI Output devices\\device2", "isdefault", true));
    writeYesNo(store, "MIDI Output devices\\device2", "isdefault", false);
    EXPECT_EQ(store.getString("MIDI Output devices\\device2", "isdefault", ""), "n");
    EXPECT_FALSE(readYesNo(store, "MIDI Output devices\\device2", "isdefault", true));
}

TEST(SettingsTest, NumbersAreTakenAsStoredAndUnreadableOnesKeepTheDefault)
{
    MemoryProfileStore store;
    store.writeInt("Karaoke", "songtexttrack", 999); // out of the page's range, kept as is
    store.writeString("Keyboard", "volume", "loud");
    const Settings loaded = loadSettings(store, kProgramDirectory, kScreenWidth, kScreenHeight);
    EXPECT_EQ(loaded.karaoke.songtexttrack, 999);
    EXPECT_EQ(loaded.keyboard.volume, 100);
}

TEST(SettingsTest, DeviceNameMapReadsUpToTheFirstEmptyEntry)
{
    MemoryProfileStore store;
    store.writeString(kDeviceNameMapSection, "entry1", "SC-88^@^USB MIDI 1");
    store.writeString(kDeviceNameMapSection, "entry2", "a^@^b^@^Synth port");
    store.writeString(kDeviceNameMapSection, "entry3", "no separator");
    store.writeString(kDeviceNameMapSection, "entry4", "");
    store.writeString(kDeviceNameMapSection, "entry5", "after the gap^@^x");

    const std::vector<DeviceNameMapEntry> expected = {
        {"SC-88", "USB MIDI 1"}, {"a^@^b", "Synth port"}, {"no separator", ""}};
    EXPECT_EQ(readDeviceNameMap(store), expected);

    store.deleteSection(kDeviceNameMapSection);
    store.writeString(kDeviceNameMapSection, "entry2", "x^@^y");
    EXPECT_TRUE(readDeviceNameMap(store).empty()) << "entry1 missing ends the list";
}

TEST(SettingsTest, DeviceNameMapHoldsAtMost998Entries)
{
    MemoryProfileStore store;
    for (int number = 1; number <= 1000; ++number) {
        store.writeString(kDeviceNameMapSection, "entry" + std::to_string(number),
                          "name" + std::to_string(number) + "^@^port");
    }
    const std::vector<DeviceNameMapEntry> read = readDeviceNameMap(store);
    ASSERT_EQ(read.size(), 998U);
    EXPECT_EQ(read.back().fileName, "name998");

    std::vector<DeviceNameMapEntry> tooMany(1000, DeviceNameMapEntry{"n", "p"});
    writeDeviceNameMap(tooMany, store);
    EXPECT_TRUE(store.hasKey(kDeviceNameMapSection, "entry998"));
    EXPECT_FALSE(store.hasKey(kDeviceNameMapSection, "entry999"));
}

TEST(SettingsTest, SavingRewritesTheDeviceNameMapFromOne)
{
    MemoryProfileStore store;
    for (int number = 1; number <= 5; ++number) {
        store.writeString(kDeviceNameMapSection, "entry" + std::to_string(number), "old^@^old");
    }
    store.writeString(kDeviceNameMapSection, "stray", "x");

    Settings settings = defaultSettings();
    settings.deviceNameMap = {{"Roland SC-88", "USB MIDI 1"}, {"XG", ""}};
    saveSettings(settings, store);

    const std::map<std::string, std::string> expected = {{"entry1", "Roland SC-88^@^USB MIDI 1"}, {"entry2", "XG^@^"}};
    EXPECT_EQ(store.contents().at(kDeviceNameMapSection), expected);
    EXPECT_EQ(loadSettings(store, kProgramDirectory, kScreenWidth, kScreenHeight).deviceNameMap,
              settings.deviceNameMap);
}

// Records every write and delete in call order.
class RecordingStore : public MemoryProfileStore {
  public:
    void writeInt(const std::string& section, const std::string& key, int value) override
    {
        calls.emplace_back(section, key);
        MemoryProfileStore::writeInt(section, key, value);
    }
    void writeString(const std::string& section, const std::string& key, const std::string& value) override
    {
        calls.emplace_back(section, key);
        MemoryProfileStore::writeString(section, key, value);
    }
    void deleteSection(const std::string& section) override
    {
        calls.emplace_back(section, "<delete>");
        MemoryProfileStore::deleteSection(section);
    }

    // Sections in call order, each run of calls to one section counted once.
    std::vector<std::string> sectionRuns() const
    {
        std::vector<std::string> runs;
        for (const auto& call : calls) {
            if (runs.empty() || runs.back() != call.first) {
                runs.push_back(call.first);
            }
        }
        return runs;
    }
    std::vector<std::pair<std::string, std::string>> calls;
};

TEST(SettingsTest, ExitWritesSectionsInItsFixedOrder)
{
    Settings settings = defaultSettings();
    settings.deviceNameMap = {{"a", "b"}};
    RecordingStore store;
    saveSettings(settings, store);

    const std::vector<std::string> expected = {"MIDI Output devmap",
                                               "Keyboard",
                                               "MIDI2WAV",
                                               "General",
                                               "MIDI2WAV",
                                               "MIDI Input device",
                                               "Karaoke",
                                               "Wave",
                                               "PianoRoll",
                                               "Mixer",
                                               "Metronom",
                                               "Eventfilter",
                                               "Editdialogs",
                                               "Midi",
                                               "Wave",
                                               "Metronom",
                                               "Display",
                                               "DirectX",
                                               "Audio"};
    EXPECT_EQ(store.sectionRuns(), expected);

    // The start of the sequence key by key, up to the second run of "MIDI2WAV".
    std::vector<std::pair<std::string, std::string>> expectedStart = {{"MIDI Output devmap", "<delete>"},
                                                                      {"MIDI Output devmap", "entry1"}};
    const std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
        {"Keyboard", {"channel", "volume", "octave", "deviceindex", "showkeys"}},
        {"MIDI2WAV", {"taskpriority", "96khz"}},
        {"General",
         {"routeyn", "splitkey", "splitchannel", "shiftfrontyn", "shiftfrontoct", "shiftbeyondyn", "shiftbeyondoct",
          "midithru", "detsenddelay", "determine", "timingclock"}},
        {"MIDI2WAV", {"Waveoutfilename", "Waveoutpathname"}},
    };
    for (const auto& [section, keys] : runs) {
        for (const std::string& key : keys) {
            expectedStart.emplace_back(section, key);
        }
    }
    ASSERT_GE(store.calls.size(), expectedStart.size());
    EXPECT_TRUE(std::equal(expectedStart.begin(), expectedStart.end(), store.calls.begin()));
}

TEST(SettingsTest, ArrangerLayoutIsWrittenOnlyBySaveDisplayLayout)
{
    Settings settings = defaultSettings();
    settings.display.sm_cxscreen = 1920;
    settings.display.sm_cyscreen = 1080;
    settings.display.lastnumberofdevices = 3;
    settings.display.miditop = 77;
    settings.display.listeditorcellwidth[11] = 333;
    settings.display.keynormx = 12;

    MemoryProfileStore store;
    store.writeInt("Display", "sm_cxscreen", 1024);
    store.writeInt("Display", "listeditorcellwidth11", 55);
    saveSettings(settings, store);
    EXPECT_EQ(store.getInt("Display", "sm_cxscreen", -1), 1024);
    EXPECT_EQ(store.getInt("Display", "listeditorcellwidth11", -1), 55);
    EXPECT_FALSE(store.hasKey("Display", "miditop"));
    EXPECT_FALSE(store.hasKey("Display", "lastnumberofdevices"));
    EXPECT_EQ(store.getInt("Display", "keynormx", -1), 12);

    RecordingStore layout;
    saveDisplayLayout(settings, layout);
    EXPECT_EQ(layout.sectionRuns(), std::vector<std::string>{"Display"});
    EXPECT_EQ(layout.calls.size(), 14U + 2U + 12U + 1U);
    EXPECT_EQ(layout.calls.back().second, "lastnumberofdevices");
    EXPECT_EQ(layout.getInt("Display", "sm_cxscreen", -1), 1920);
    EXPECT_EQ(layout.getInt("Display", "sm_cyscreen", -1), 1080);
    EXPECT_EQ(layout.getInt("Display", "lastnumberofdevices", -1), 3);
    EXPECT_EQ(layout.getInt("Display", "miditop", -1), 77);
    EXPECT_EQ(layout.getInt("Display", "listeditorcellwidth11", -1), 333);
    EXPECT_FALSE(layout.hasKey("Display", "keynormx"));
}

TEST(SettingsTest, PianoRollIsAlwaysStoredClosedAndNeverRead)
{
    MemoryProfileStore store;
    store.writeString("Display", "pianorollwasopeninlastsession", "y");
    const Settings loaded = loadSettings(store, kProgramDirectory, kScreenWidth, kScreenHeight);
    saveSettings(loaded, store);
    EXPECT_EQ(store.getString("Display", "pianorollwasopeninlastsession", ""), "n");
}

TEST(SettingsTest, SavingFlushesAndReportsAStoreThatCannotBeWritten)
{
    MemoryProfileStore good;
    std::string error = "untouched";
    EXPECT_TRUE(saveSettings(defaultSettings(), good, &error));

    test::UnwritableStore bad;
    EXPECT_FALSE(saveSettings(defaultSettings(), bad, &error));
    EXPECT_EQ(bad.flushes, 1);
    const std::string text = settingsNotSavedText(error);
    EXPECT_NE(text.find("could not be saved"), std::string::npos);
    EXPECT_NE(text.find("permission denied"), std::string::npos);
}

} // namespace
} // namespace velisto
