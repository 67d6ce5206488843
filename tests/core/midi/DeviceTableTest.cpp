#include "midi/DeviceTable.h"

#include "core/midi/DeviceTestSupport.h"
#include "midi/IsgChannelRoute.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "midi/SlotPathDefinition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <numeric>

namespace velisto {
namespace {

using test::RecordingProfileStore;
using test::ScriptedPrompt;

std::string section(int n) { return "MIDI Output devices\\device" + std::to_string(n); }

void storeRecord(MemoryProfileStore& store, int n, const std::map<std::string, std::string>& keys)
{
    for (const auto& [key, value] : keys)
        store.writeString(section(n), key, value);
}

std::vector<int> allTracks()
{
    std::vector<int> tracks(kTrackCount);
    std::iota(tracks.begin(), tracks.end(), 0);
    return tracks;
}

bool allTracksOn(const Song& song, int device)
{
    return std::all_of(song.tracks.begin(), song.tracks.end(), [&](const Track& t) { return t.device == device; });
}

const std::string kGmOn = "long F0 7E 7F 09 01 F7";

TEST(DeviceTable, WithoutPortsHoldsThePlaceholderAndTheGeneratorOnly)
{
    LoopbackMidiPortSystem ports({});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    ASSERT_EQ(table.count(), 2);
    EXPECT_EQ(table.device(0).name, "no MIDI Output device");
    EXPECT_EQ(table.device(1).name, "Velisto's Internal Sound Generator");
    EXPECT_EQ(table.indexOf("Velisto's Internal Sound Generator"), 1);
    EXPECT_EQ(table.indexOf("Synth"), -1);

    const OutputDevice& generator = table.device(1);
    EXPECT_TRUE(generator.gsSupported && generator.gm2Supported);
    EXPECT_FALSE(generator.xgSupported);
    EXPECT_EQ(generator.nonUniversalSysexId, "10");
    EXPECT_EQ(generator.nativeModelId, "7F");
    EXPECT_EQ(generator.powerOnMode, MidiMode::GM2);
    EXPECT_EQ(generator.slotPaths, defaultSlotPaths());
    ASSERT_EQ(generator.generatorEntries.size(), 16u);
    EXPECT_EQ(generator.generatorEntries[0], "0\\\\\\Primary Sounddriver\\");
    EXPECT_EQ(generator.generatorEntries[15], "15\\\\\\Primary Sounddriver\\");
    EXPECT_TRUE(table.device(0).generatorEntries.empty());
    EXPECT_EQ(table.device(0).powerOnMode, MidiMode::GM);

    // A first run starts on the generator.
    ScriptedPrompt prompt;
    auto song = std::make_unique<Song>();
    table.restoreOpenDevices(*song, prompt);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(table.openCount(), 1);
    EXPECT_EQ(table.deviceAtRow(1), 1);
    EXPECT_EQ(table.defaultDevice(), 1);
    EXPECT_EQ(table.device(1).liveModeName(), "GM2");
    EXPECT_TRUE(allTracksOn(*song, 1));
}

TEST(DeviceTable, PortWithoutRecordOpensInGmAndTellsTheReceiver)
{
    LoopbackMidiPortSystem ports({"Synth A", "Synth B"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    ASSERT_EQ(table.count(), 4);
    OutputDevice& b = table.device(3);
    EXPECT_EQ(b.name, "Synth B");
    EXPECT_EQ(b.portId, 1u);
    EXPECT_EQ(b.powerOnMode, MidiMode::GM);
    EXPECT_FALSE(b.useRunningStatus || b.wasOpen);
    EXPECT_EQ(b.universalSysexId, "7F");
    EXPECT_EQ(b.nonUniversalSysexId, "10");
    EXPECT_EQ(b.nativeModelId, "42");
    EXPECT_TRUE(b.generatorEntries.empty() && b.slotPaths.empty());

    EXPECT_EQ(table.open(3), "");
    EXPECT_TRUE(b.isOpen());
    EXPECT_NE(b.port(), nullptr);
    EXPECT_EQ(b.row, 1);
    EXPECT_EQ(b.liveModeName(), "GM");
    EXPECT_EQ(ports.record(1)->texts(), std::vector<std::string>{kGmOn});
    EXPECT_TRUE(ports.record(0)->messages().empty());

    EXPECT_EQ(table.open(3), "The device Synth B has already been opened !");
    EXPECT_EQ(ports.record(1)->openCount(), 1);
    EXPECT_EQ(ports.record(1)->messages().size(), 1u);

    // Neither the placeholder nor the generator has a port to tell.
    EXPECT_EQ(table.open(0), "");
    EXPECT_EQ(table.open(1), "");
    EXPECT_EQ(table.device(0).row, 2);
    EXPECT_EQ(table.device(1).row, 3);
    EXPECT_EQ(table.device(1).port(), nullptr);
    EXPECT_EQ(table.device(1).liveModeName(), "GM2");
    EXPECT_TRUE(ports.record(0)->messages().empty());
}

TEST(DeviceTable, RecordsAreFoundByNameUpToTheFirstEmptyOne)
{
    LoopbackMidiPortSystem ports({"Synth A", "Synth B"});
    MemoryProfileStore store;
    storeRecord(store, 0,
                {{"devicename", "Synth A"},
                 {"initialmidimode", "1"},
                 {"gssupported", "y"},
                 {"nonuniversalsysexdeviceid", "11"},
                 {"userunningstatus", "y"}});
    storeRecord(store, 1, {{"devicename", "Synth A"}, {"initialmidimode", "2"}, {"xgsupported", "y"}});
    storeRecord(store, 2, {{"devicename", ""}});
    storeRecord(store, 3, {{"devicename", "Synth B"}, {"initialmidimode", "3"}});
    DeviceTable table(ports, store);

    const OutputDevice& a = table.device(2);
    EXPECT_EQ(a.powerOnMode, MidiMode::GS) << "the first of two records wins";
    EXPECT_TRUE(a.gsSupported);
    EXPECT_FALSE(a.xgSupported);
    EXPECT_EQ(a.nonUniversalSysexId, "11");
    EXPECT_TRUE(a.useRunningStatus);
    EXPECT_EQ(table.device(3).powerOnMode, MidiMode::GM) << "no record is read behind an empty one";

    ASSERT_EQ(table.open(2), "");
    EXPECT_EQ(a.liveModeName(), "GS");
    EXPECT_EQ(ports.record(0)->texts(), std::vector<std::string>{"long F0 41 11 42 12 40 00 7F 00 41 F7"});
}

TEST(DeviceTable, MissingKeysKeepTheDefaultsAndDamagedOnesAreBounded)
{
    LoopbackMidiPortSystem ports({"Synth"});
    MemoryProfileStore store;
    storeRecord(store, 0,
                {{"devicename", "Velisto's Internal Sound Generator"},
                 {"numberofGM2GPCSlotPathes", "1"},
                 {"numberofInternalSoundGeneratorDevEntries", "2"}});
    store.writeString(section(0) + "\\GM2GPCSlotpathes", "SP0", "0101\\Reverb\\1\\1\\");
    store.writeString(section(0) + "\\InternalSoundGeneratorDevEntries", "DEVENTRY0", "9\\38\\{x}\\USB Audio\\");
    storeRecord(store, 1,
                {{"devicename", "Synth"},
                 {"initialmidimode", "9"},
                 {"sort", "-3"},
                 {"numberofGM2GPCSlotPathes", "2000000000"}});
    DeviceTable table(ports, store);

    const OutputDevice& generator = table.device(1);
    EXPECT_TRUE(generator.gsSupported && generator.gm2Supported);
    EXPECT_EQ(generator.powerOnMode, MidiMode::GM2);
    EXPECT_EQ(generator.nativeModelId, "7F");
    EXPECT_FALSE(generator.wasOpen) << "a record without the key was closed";
    EXPECT_EQ(generator.slotPaths, std::vector<std::string>{"0101\\Reverb\\1\\1\\"});
    EXPECT_EQ(generator.generatorEntries,
              (std::vector<std::string>{"9\\38\\{x}\\USB Audio\\", "1\\\\\\Primary Sounddriver\\"}));

    const OutputDevice& port = table.device(2);
    EXPECT_EQ(port.powerOnMode, MidiMode::GM);
    EXPECT_EQ(port.row, 0);
    EXPECT_TRUE(port.slotPaths.empty());
    EXPECT_TRUE(port.generatorEntries.empty()) << "count -1 means none for a port";
}

TEST(DeviceTable, OpenFailureTellsWhyAndLeavesTheDeviceClosed)
{
    LoopbackMidiPortSystem ports({"Synth"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);

    ports.setOpenFailure(0, MidiOpenError::AlreadyAllocated);
    EXPECT_EQ(table.open(2), "Can't open MIDI Output device.\n"
                             "The specified resource is already allocated.\n\n"
                             "If you have selected an external software-synthesizer\n"
                             "be sure that it uses DirectSound (tm) for sound output.\n\n"
                             "There is a possibility to select between DirectSound on or off\n"
                             "in allmost every software-synth.\n"
                             "Look into it's device settings and come back again.\n\n"
                             "Otherwise check your system's MIDI settings.");
    EXPECT_FALSE(table.device(2).isOpen());
    EXPECT_EQ(table.device(2).row, 0);
    EXPECT_EQ(table.openCount(), 0);

    ports.setOpenFailure(0, MidiOpenError::BadDeviceId);
    EXPECT_EQ(
        table.open(2).rfind("Can't open MIDI Output device.\nThe specified device identifier is out of range.\n\n", 0),
        0u);
    ports.setOpenFailure(0, MidiOpenError::NoMemory);
    EXPECT_EQ(
        table.open(2).rfind("Can't open MIDI Output device.\nThe system is unable to allocate or lock memory.\n\n", 0),
        0u);
    ports.setOpenFailure(0, MidiOpenError::Other);
    EXPECT_EQ(table.open(2).rfind("Can't open MIDI Output device.\n\n\nIf you have", 0), 0u);

    ports.setOpenFailure(0, MidiOpenError::None);
    EXPECT_EQ(table.open(2), "");
    EXPECT_EQ(table.device(2).row, 1);
}

TEST(DeviceTable, ClosingMovesTheRowsUpAndPassesTheDefaultOn)
{
    LoopbackMidiPortSystem ports({"A", "B", "C"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    for (int i : {2, 3, 4})
        ASSERT_EQ(table.open(i), "");
    table.device(2).isDefault = true;

    EXPECT_EQ(table.close(2), "");
    EXPECT_FALSE(ports.record(0)->isOpen());
    EXPECT_EQ(table.device(2).port(), nullptr);
    EXPECT_EQ(table.device(2).row, 0);
    EXPECT_FALSE(table.device(2).isDefault);
    EXPECT_EQ(table.deviceAtRow(1), 3);
    EXPECT_EQ(table.deviceAtRow(2), 4);
    EXPECT_EQ(table.deviceAtRow(3), -1);
    EXPECT_EQ(table.defaultDevice(), 3);
    EXPECT_EQ(table.closedDevices(), (std::vector<int>{0, 1, 2}));

    EXPECT_EQ(table.open(2), "") << "a closed port opens again";
    EXPECT_EQ(table.device(2).row, 3);
    EXPECT_EQ(ports.record(0)->openCount(), 2);
}

TEST(DeviceTable, ClosingFromTheUserInterfaceMovesTheTracksAndKeepsOneDeviceOpen)
{
    LoopbackMidiPortSystem ports({"A", "B", "C"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    auto song = std::make_unique<Song>();
    ScriptedPrompt prompt;

    ASSERT_EQ(table.open(2), "");
    table.device(2).isDefault = true;
    EXPECT_FALSE(table.closeFromUserInterface(2, *song, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "At least one device has to be open, tracks are assigned to it.");
    EXPECT_EQ(prompt.messages[0].title, "Close MIDI Output device");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Error);
    EXPECT_TRUE(table.device(2).isOpen());

    // Rows A 1, B 2, C 3; B is default.
    ASSERT_EQ(table.open(3), "");
    ASSERT_EQ(table.open(4), "");
    table.device(2).isDefault = false;
    table.device(3).isDefault = true;
    song->tracks[0].device = 2;
    song->tracks[1].device = 4;
    song->tracks[2].device = 3;

    EXPECT_TRUE(table.closeFromUserInterface(4, *song, prompt));
    EXPECT_EQ(song->tracks[1].device, 3) << "to the default device";

    // The default at row 2 goes: its tracks move to row 1, which becomes default.
    EXPECT_TRUE(table.closeFromUserInterface(3, *song, prompt));
    EXPECT_EQ(song->tracks[1].device, 2);
    EXPECT_EQ(song->tracks[2].device, 2);
    EXPECT_EQ(table.defaultDevice(), 2);

    // The default at row 1 goes: its tracks move to row 2.
    ASSERT_EQ(table.open(4), "");
    EXPECT_TRUE(table.closeFromUserInterface(2, *song, prompt));
    EXPECT_EQ(song->tracks[0].device, 4);
    EXPECT_EQ(song->tracks[2].device, 4);
    EXPECT_EQ(table.defaultDevice(), 4);
    EXPECT_EQ(table.device(4).row, 1);
    EXPECT_EQ(prompt.messages.size(), 1u);
}

TEST(DeviceTable, AssigningADeviceOpensItAndOffersToCloseTheOneLeftBehind)
{
    LoopbackMidiPortSystem ports({"A", "B", "C"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    auto song = std::make_unique<Song>();
    ScriptedPrompt prompt;
    ASSERT_EQ(table.open(2), "");
    table.device(2).isDefault = true;
    for (Track& t : song->tracks)
        t.device = 2;

    const std::vector<int> one{7};
    EXPECT_EQ(table.assignTracksFromUserInterface(*song, one, 3, prompt), AssignOutcome::Assigned);
    EXPECT_EQ(song->tracks[7].device, 3);
    EXPECT_EQ(table.device(3).row, 2);
    EXPECT_EQ(ports.record(1)->texts(), std::vector<std::string>{kGmOn});
    EXPECT_TRUE(prompt.questions.empty()) << "A still plays the other tracks";

    prompt.answers = {PromptAnswer::Yes};
    const std::vector<int> all = allTracks();
    EXPECT_EQ(table.assignTracksFromUserInterface(*song, all, 3, prompt), AssignOutcome::Assigned);
    EXPECT_TRUE(allTracksOn(*song, 3));
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0].text, "No Track uses A anymore.\n\nClose that device?");
    EXPECT_EQ(prompt.questions[0].title, "MIDI Output device");
    EXPECT_EQ(prompt.questions[0].icon, PromptIcon::Question);
    EXPECT_FALSE(table.device(2).isOpen());
    EXPECT_EQ(table.defaultDevice(), 3) << "the closed default passed its role on";

    // An open failure is shown and nothing moves; the dialog is offered again.
    ports.setOpenFailure(2, MidiOpenError::NoMemory);
    EXPECT_EQ(table.assignTracksFromUserInterface(*song, one, 4, prompt), AssignOutcome::OpenFailed);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, openFailureText(MidiOpenError::NoMemory));
    EXPECT_EQ(prompt.messages[0].title, "Open MIDI Output device");
    EXPECT_EQ(song->tracks[7].device, 3);
    EXPECT_EQ(prompt.questions.size(), 1u);

    // No keeps the device left behind open.
    prompt.answers = {PromptAnswer::No};
    EXPECT_EQ(table.assignTracksFromUserInterface(*song, all, 0, prompt), AssignOutcome::Assigned);
    EXPECT_EQ(prompt.questions.size(), 2u);
    EXPECT_TRUE(table.device(3).isOpen());
}

TEST(DeviceTable, RestoreReopensThePreviousRunInRowOrderAndDropsFailures)
{
    LoopbackMidiPortSystem ports({"A", "B", "C"});
    MemoryProfileStore store;
    storeRecord(store, 0,
                {{"devicename", "A"}, {"wasopeninlastsession", "y"}, {"sort", "3"}, {"isdefaultdevice", "y"}});
    storeRecord(store, 1, {{"devicename", "B"}, {"wasopeninlastsession", "y"}, {"sort", "1"}});
    storeRecord(store, 2,
                {{"devicename", "C"}, {"wasopeninlastsession", "y"}, {"sort", "2"}, {"isdefaultdevice", "y"}});
    storeRecord(store, 3, {{"devicename", "Velisto's Internal Sound Generator"}, {"wasopeninlastsession", "n"}});
    ports.setOpenFailure(2, MidiOpenError::AlreadyAllocated);
    DeviceTable table(ports, store);
    auto song = std::make_unique<Song>();
    ScriptedPrompt prompt;

    table.restoreOpenDevices(*song, prompt);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, openFailureText(MidiOpenError::AlreadyAllocated));
    EXPECT_EQ(prompt.messages[0].title, "MIDI out open");
    EXPECT_EQ(prompt.messages[0].icon, PromptIcon::Error);

    const OutputDevice& c = table.device(4);
    EXPECT_FALSE(c.isOpen() || c.wasOpen || c.isDefault);
    EXPECT_EQ(c.row, 0);
    EXPECT_EQ(table.deviceAtRow(1), 3) << "B";
    EXPECT_EQ(table.deviceAtRow(2), 2) << "A moved up into the failed row";
    EXPECT_EQ(table.openCount(), 2);
    EXPECT_FALSE(table.device(1).isOpen());
    EXPECT_EQ(table.defaultDevice(), 2) << "the stored default that opened";
    EXPECT_FALSE(table.device(3).isDefault);
    EXPECT_TRUE(allTracksOn(*song, 2));
}

TEST(DeviceTable, RestoreFallsBackToThePlaceholderWhenNothingOpens)
{
    LoopbackMidiPortSystem ports({"A"});
    MemoryProfileStore store;
    storeRecord(store, 0, {{"devicename", "Velisto's Internal Sound Generator"}});
    storeRecord(store, 1, {{"devicename", "A"}, {"wasopeninlastsession", "y"}, {"sort", "1"}});
    ports.setOpenFailure(0, MidiOpenError::BadDeviceId);
    DeviceTable table(ports, store);
    auto song = std::make_unique<Song>();
    ScriptedPrompt prompt;

    table.restoreOpenDevices(*song, prompt);
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(table.openCount(), 1);
    EXPECT_EQ(table.deviceAtRow(1), 0);
    EXPECT_EQ(table.defaultDevice(), 0);
    EXPECT_TRUE(table.device(0).wasOpen);
    EXPECT_TRUE(allTracksOn(*song, 0));
    EXPECT_EQ(song->tracks[0].device, 0);
}

TEST(DeviceTable, SaveResetsOldRecordsThenWritesEachDeviceInOrder)
{
    RecordingProfileStore store;
    storeRecord(store, 0,
                {{"devicename", "Gone"}, {"sort", "2"}, {"wasopeninlastsession", "y"}, {"isdefaultdevice", "y"}});
    storeRecord(store, 1, {{"devicename", "A"}, {"numberofGM2GPCSlotPathes", "3"}});
    for (const char* key : {"SP0", "SP1", "SP2"})
        store.writeString(section(1) + "\\GM2GPCSlotpathes", key, "0101\\Old\\1\\1\\");
    LoopbackMidiPortSystem ports({"A"});
    DeviceTable table(ports, store);
    ASSERT_EQ(table.device(2).slotPaths.size(), 3u);
    ASSERT_EQ(table.open(2), "");
    table.device(2).isDefault = true;
    table.device(2).slotPaths = {"0102\\New\\1\\1\\"};
    store.log.clear();

    table.save(store);
    const std::vector<std::string> resets(store.log.begin(), store.log.begin() + 6);
    EXPECT_EQ(resets,
              (std::vector<std::string>{section(0) + "|sort=0", section(0) + "|wasopeninlastsession=n",
                                        section(0) + "|isdefaultdevice=n", section(1) + "|sort=0",
                                        section(1) + "|wasopeninlastsession=n", section(1) + "|isdefaultdevice=n"}));

    const std::string a = section(1);
    const auto start = std::find(store.log.begin(), store.log.end(), a + "|devicename=A");
    ASSERT_NE(start, store.log.end());
    const std::vector<std::string> expected{a + "|devicename=A",
                                            a + "|nonuniversalsysexdeviceid=10",
                                            a + "|nativemodelid=42",
                                            a + "|universalsysexdeviceid=7F",
                                            a + "|initialmidimode=0",
                                            a + "|userunningstatus=n",
                                            a + "|sort=1",
                                            a + "|wasopeninlastsession=y",
                                            a + "|isdefaultdevice=y",
                                            a + "|gssupported=n",
                                            a + "|xgsupported=n",
                                            a + "|gm2supported=n",
                                            a + "|numberofGM2GPCSlotPathes=1",
                                            "delete " + a + "\\GM2GPCSlotpathes",
                                            a + "\\GM2GPCSlotpathes|SP0=0102\\New\\1\\1\\",
                                            a + "|numberofInternalSoundGeneratorDevEntries=0",
                                            "delete " + a + "\\InternalSoundGeneratorDevEntries"};
    ASSERT_GE(store.log.end() - start, static_cast<long>(expected.size()));
    EXPECT_EQ(std::vector<std::string>(start, start + static_cast<long>(expected.size())), expected);
    EXPECT_FALSE(store.hasKey(a + "\\GM2GPCSlotpathes", "SP1")) << "stale slot paths are gone";

    // The placeholder and the generator take the first free records.
    EXPECT_EQ(store.getString(section(2), "devicename", ""), "no MIDI Output device");
    EXPECT_EQ(store.getString(section(3), "devicename", ""), "Velisto's Internal Sound Generator");
    EXPECT_EQ(store.getInt(section(3), "numberofInternalSoundGeneratorDevEntries", 0), 16);
    EXPECT_EQ(store.getString(section(3) + "\\InternalSoundGeneratorDevEntries", "DEVENTRY15", ""),
              "15\\\\\\Primary Sounddriver\\");
    EXPECT_EQ(store.getString(section(0), "wasopeninlastsession", ""), "n");
}

TEST(DeviceTable, SavedRecordsReadBackAsTheSameDevices)
{
    MemoryProfileStore store;
    LoopbackMidiPortSystem ports({"A", "B"});
    DeviceParameters changed;
    {
        DeviceTable table(ports, store);
        changed = DeviceParameters::of(table.device(3));
        changed.powerOnMode = MidiMode::XG;
        changed.xgSupported = true;
        changed.gm2Supported = true;
        changed.nonUniversalSysexId = "3";
        changed.universalSysexId = "10";
        changed.nativeModelId = "4C";
        changed.useRunningStatus = true;
        changed.slotPaths = defaultSlotPaths();
        ASSERT_EQ(table.applyParameters(3, changed), "");
        ASSERT_EQ(table.open(3), "");
        ASSERT_EQ(table.open(1), "");
        table.device(1).isDefault = true;
        table.save(store);
    }
    const MemoryProfileStore::Contents first = store.contents();
    DeviceTable again(ports, store);
    EXPECT_EQ(DeviceParameters::of(again.device(3)), changed);
    EXPECT_TRUE(again.device(3).wasOpen && again.device(1).wasOpen);
    EXPECT_FALSE(again.device(2).wasOpen || again.device(0).wasOpen);
    EXPECT_TRUE(again.device(1).isDefault);
    EXPECT_EQ(again.device(3).row, 1);
    EXPECT_EQ(again.device(1).row, 2);
    SilentPrompt silent;
    auto song = std::make_unique<Song>();
    again.restoreOpenDevices(*song, silent);
    again.save(store);
    EXPECT_EQ(store.contents(), first) << "records are found again, not duplicated";
}

TEST(DeviceTable, WhileARunExistsNothingThePlayThreadUsesIsFreedOrMoved)
{
    LoopbackMidiPortSystem ports({"A", "B", "C"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    auto song = std::make_unique<Song>();
    ScriptedPrompt prompt;
    ASSERT_EQ(table.open(2), "");
    ASSERT_EQ(table.open(3), "");
    table.device(2).isDefault = true;
    song->tracks[0].device = 2;

    table.setRunActive(true);
    EXPECT_EQ(table.close(3), "The device B can't be closed while a song is playing or recording.");
    EXPECT_TRUE(table.device(3).isOpen());
    EXPECT_TRUE(ports.record(1)->isOpen());

    EXPECT_FALSE(table.closeFromUserInterface(2, *song, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "The device A can't be closed while a song is playing or recording.");
    EXPECT_EQ(prompt.messages[0].title, "Close MIDI Output device");
    EXPECT_EQ(song->tracks[0].device, 2);

    DeviceParameters parameters = DeviceParameters::of(table.device(2));
    parameters.gsSupported = true;
    parameters.slotPaths = defaultSlotPaths();
    EXPECT_EQ(table.applyParameters(2, parameters),
              "The parameters of the device A can't be changed while a song is playing or recording.");
    EXPECT_FALSE(table.device(2).gsSupported);
    EXPECT_TRUE(table.device(2).slotPaths.empty());

    const std::vector<int> one{0};
    EXPECT_EQ(table.assignTracks(*song, one, 4),
              "Tracks can't be moved to another device while a song is playing or recording.");
    EXPECT_EQ(table.assignTracksFromUserInterface(*song, one, 3, prompt), AssignOutcome::Refused);
    EXPECT_EQ(prompt.messages.back().text, kMoveTracksDuringRunText);
    EXPECT_EQ(song->tracks[0].device, 2);
    EXPECT_FALSE(table.device(4).isOpen()) << "a refused assignment opens nothing";
    EXPECT_TRUE(prompt.questions.empty());

    EXPECT_EQ(table.open(1), "") << "opening frees nothing a run uses";

    table.setRunActive(false);
    EXPECT_EQ(table.applyParameters(2, parameters), "");
    EXPECT_TRUE(table.device(2).gsSupported);
    EXPECT_EQ(table.assignTracks(*song, one, 4), "");
    EXPECT_EQ(table.close(3), "");
}

TEST(DeviceTable, DefaultDeviceAndNameMapping)
{
    LoopbackMidiPortSystem ports({"A", "B"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    EXPECT_EQ(table.defaultDevice(), -1);
    table.device(3).isDefault = true;
    EXPECT_EQ(table.defaultDevice(), -1) << "a closed device is nobody's default";
    ASSERT_EQ(table.open(3), "");
    EXPECT_EQ(table.defaultDevice(), 3);

    const std::vector<DeviceNameMapEntry> map{{"SC-88", "A"}, {"sc-88", "B"}, {"SC-88", "B"}, {"Empty", ""}};
    EXPECT_EQ(mappedDeviceName(map, "SC-88"), "A") << "the first pair wins";
    EXPECT_EQ(mappedDeviceName(map, "sc-88"), "B") << "names compare exactly";
    EXPECT_EQ(mappedDeviceName(map, "Empty"), "");
    EXPECT_EQ(mappedDeviceName(map, "SC-88 "), std::nullopt);
    EXPECT_EQ(mappedDeviceName({}, "SC-88"), std::nullopt);
}

} // namespace
} // namespace velisto

namespace velisto {
namespace {

TEST(DeviceTable, ClearingTheSongResetsEveryReceiverModelInItsMode)
{
    LoopbackMidiPortSystem ports({"Synth"});
    MemoryProfileStore store;
    store.writeString(section(0), "devicename", "Synth");
    store.writeString(section(0), "xgsupported", "y");
    store.writeInt(section(0), "initialmidimode", MidiMode::XG);
    DeviceTable table(ports, store);
    ASSERT_EQ(table.open(DeviceTable::kFirstPortIndex), "");
    DeviceMidiState& live = table.device(DeviceTable::kFirstPortIndex).liveState;
    const int volumeSlot = slotForSong(ParamKind::Controller, 7);
    ASSERT_TRUE(live.setControllerValue(3, volumeSlot, 5));
    ASSERT_TRUE(live.setPartRhythmValue(1, 3));

    table.resetReceiverModels();
    EXPECT_EQ(live.mode(), MidiMode::XG);
    EXPECT_EQ(live.controllerValue(3, volumeSlot), 100);
    EXPECT_EQ(live.part(1)->rhythmValue, 0);
    EXPECT_EQ(live.part(10)->rhythmValue, 2);
}

} // namespace
} // namespace velisto
