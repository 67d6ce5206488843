#include "app/PostLoad.h"

#include "core/midi/DeviceTestSupport.h"
#include "midi/LoopbackMidiPortSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>

namespace velisto {
namespace {

using test::ScriptedPrompt;

constexpr int kGenerator = DeviceTable::kGeneratorIndex;
constexpr int kSc88 = 2;
constexpr int kUsb = 3;

// Two ports, the generator open as default (a first run), every track on it.
struct Rig {
    LoopbackMidiPortSystem ports{{"Roland SC-88", "USB MIDI 1"}};
    MemoryProfileStore store;
    DeviceTable devices{ports, store};
    std::unique_ptr<Song> song = std::make_unique<Song>();
    ScriptedPrompt prompt;
    std::vector<int> asked; // tracks the device name dialog was shown for
    std::deque<std::optional<int>> choices;

    Rig() { devices.restoreOpenDevices(*song, prompt); }

    ChooseDevice chooser()
    {
        return [this](int track) -> std::optional<int> {
            asked.push_back(track);
            if (choices.empty())
                return std::nullopt;
            const auto choice = choices.front();
            choices.pop_front();
            return choice;
        };
    }
    void name(int track, const std::string& text)
    {
        song->tracks[static_cast<std::size_t>(track)].append(MidiEvent::textEvent(0, EventKind::DeviceName, text));
    }
};

TEST(PostLoad, DeviceNameEventsAssignByExactNameThenByMapping)
{
    Rig rig;
    rig.name(0, "Roland SC-88");
    rig.name(1, "SC-88");
    rig.name(2, "Roland SC-88");
    rig.name(2, "USB MIDI 1"); // only the first device-name event counts
    const std::vector<DeviceNameMapEntry> map{{"SC-88", "USB MIDI 1"}};

    assignDevicesByNameEvents(*rig.song, rig.devices, map, rig.prompt, rig.chooser());
    EXPECT_EQ(rig.song->tracks[0].device, kSc88);
    EXPECT_EQ(rig.song->tracks[1].device, kUsb);
    EXPECT_EQ(rig.song->tracks[2].device, kSc88);
    EXPECT_EQ(rig.song->tracks[3].device, kGenerator);
    EXPECT_TRUE(rig.devices.device(kSc88).isOpen());
    EXPECT_EQ(rig.devices.device(kSc88).row, 2);
    EXPECT_EQ(rig.devices.device(kUsb).row, 3);
    EXPECT_TRUE(rig.prompt.messages.empty());
    EXPECT_TRUE(rig.asked.empty());
}

TEST(PostLoad, UnknownNamesAreReportedAndTheUserChooses)
{
    Rig rig;
    rig.name(4, "Unknown synth");
    rig.name(5, "SC-55");
    const std::vector<DeviceNameMapEntry> map{{"SC-55", "Missing port"}};
    rig.choices = {std::nullopt, kUsb};

    assignDevicesByNameEvents(*rig.song, rig.devices, map, rig.prompt, rig.chooser());
    ASSERT_EQ(rig.prompt.messages.size(), 2u);
    EXPECT_EQ(rig.prompt.messages[0].text, "Devicename Unknown synth not found.");
    EXPECT_EQ(rig.prompt.messages[0].title, "META event Devicename");
    EXPECT_EQ(rig.prompt.messages[1].text, "Devicename SC-55 is mapped to device Missing port.\n\n"
                                           "But Missing port is currently not in your system's device-list.");
    EXPECT_EQ(rig.prompt.messages[1].title, "META event Devicename");
    EXPECT_EQ(rig.asked, (std::vector<int>{4, 5}));
    EXPECT_EQ(rig.song->tracks[4].device, kGenerator) << "kept on the default device";
    EXPECT_EQ(rig.song->tracks[5].device, kUsb);
    EXPECT_TRUE(rig.devices.device(kUsb).isOpen());

    // Without a dialog (velisto-cli) the track stays on the default device as well.
    Rig headless;
    headless.name(0, "Unknown synth");
    assignDevicesByNameEvents(*headless.song, headless.devices, {}, headless.prompt, nullptr);
    EXPECT_EQ(headless.song->tracks[0].device, kGenerator);
    EXPECT_EQ(headless.prompt.messages.size(), 1u);
}

TEST(PostLoad, ANamedDeviceThatFailsToOpenOffersTheDialogUntilOneOpens)
{
    Rig rig;
    rig.ports.setOpenFailure(0, MidiOpenError::AlreadyAllocated);
    rig.name(0, "Roland SC-88");
    rig.choices = {kSc88, kUsb};

    assignDevicesByNameEvents(*rig.song, rig.devices, {}, rig.prompt, rig.chooser());
    ASSERT_EQ(rig.prompt.messages.size(), 2u);
    for (const auto& shown : rig.prompt.messages) {
        EXPECT_EQ(shown.text, openFailureText(MidiOpenError::AlreadyAllocated));
        EXPECT_EQ(shown.title, "Open MIDI Output device");
    }
    EXPECT_EQ(rig.asked, (std::vector<int>{0, 0}));
    EXPECT_EQ(rig.song->tracks[0].device, kUsb);
    EXPECT_FALSE(rig.devices.device(kSc88).isOpen());
}

TEST(PostLoad, UnusedDevicesAreOfferedForClosingAfterAFileNamedADevice)
{
    Settings settings;
    LoadResult loaded;
    loaded.deviceNameSeen = true;
    {
        Rig rig;
        rig.name(0, "Roland SC-88");
        rig.prompt.answers = {PromptAnswer::Yes};
        runPostLoadSteps(*rig.song, rig.devices, settings, loaded, rig.prompt, rig.chooser());
        ASSERT_EQ(rig.prompt.questions.size(), 1u);
        EXPECT_EQ(rig.prompt.questions[0].text,
                  "No Track which contains events uses Velisto's Internal Sound Generator.\n\nClose that device?");
        EXPECT_EQ(rig.prompt.questions[0].title, "MIDI Output device");
        EXPECT_FALSE(rig.devices.device(kGenerator).isOpen());
        EXPECT_EQ(rig.devices.defaultDevice(), kSc88);
        EXPECT_TRUE(std::all_of(rig.song->tracks.begin(), rig.song->tracks.end(), [](const Track& t) {
            return t.device == kSc88;
        })) << "the empty tracks followed the closed default";
    }
    {
        Rig rig; // No keeps it
        rig.name(0, "Roland SC-88");
        rig.prompt.answers = {PromptAnswer::No};
        runPostLoadSteps(*rig.song, rig.devices, settings, loaded, rig.prompt, rig.chooser());
        EXPECT_EQ(rig.prompt.questions.size(), 1u);
        EXPECT_TRUE(rig.devices.device(kGenerator).isOpen());
    }
    {
        Rig rig; // nothing asked without a device-name event in the file
        ASSERT_EQ(rig.devices.open(kSc88), "");
        rig.song->tracks[0].append(MidiEvent::textEvent(0, EventKind::Text, "hello"));
        runPostLoadSteps(*rig.song, rig.devices, settings, LoadResult{}, rig.prompt, rig.chooser());
        EXPECT_TRUE(rig.prompt.questions.empty());
    }
    {
        Rig rig; // nor with one device open, even when nothing uses it
        offerClosingUnusedDevices(*rig.song, rig.devices, rig.prompt);
        EXPECT_TRUE(rig.prompt.questions.empty());
    }
}

TEST(PostLoad, MidiStandardMismatchIsExplained)
{
    Rig rig;
    rig.name(0, "Roland SC-88");
    assignDevicesByNameEvents(*rig.song, rig.devices, {}, rig.prompt, nullptr);
    OutputDevice& sc88 = rig.devices.device(kSc88);
    // The track modes come from the program index; set here as it would find them.
    sc88.trackMode = MidiMode::GS;
    rig.devices.device(kUsb).trackMode = MidiMode::XG; // used by no track: not checked

    warnMidiStandardMismatch(*rig.song, rig.devices, rig.prompt);
    ASSERT_EQ(rig.prompt.messages.size(), 1u);
    EXPECT_EQ(rig.prompt.messages[0].text,
              "Your MIDI sequence uses GS-MIDI Standard."
              "\n\nWhereas the device's parameters say that this MIDI Standard is unsupported."
              "\n\nMaybe you didn't set the correct device's parameters, yet."
              "\n\nIf the parameters are correct, and it's true that this device doesn't"
              "\nsupport this MIDI Standard, the MIDI file probably can't be played correctly.");
    EXPECT_EQ(rig.prompt.messages[0].title, "MIDI Standard mismatch");
    EXPECT_EQ(rig.prompt.messages[0].icon, PromptIcon::Exclamation);

    sc88.gsSupported = true;
    rig.song->tracks[1].append(MidiEvent::textEvent(0, EventKind::Text, "melody"));
    rig.devices.device(kGenerator).trackMode = MidiMode::XG;
    rig.prompt.messages.clear();
    warnMidiStandardMismatch(*rig.song, rig.devices, rig.prompt);
    ASSERT_EQ(rig.prompt.messages.size(), 1u);
    EXPECT_EQ(rig.prompt.messages[0].text,
              "Tracks with MIDI device 'Velisto's Internal Sound Generator' use XG-MIDI Standard."
              "\n\nWhereas Velisto's Internal Sound Generator only supports GM, GS and GM2."
              "\n\nProbably the MIDI file can't be played correctly.");

    rig.devices.device(kGenerator).trackMode = MidiMode::GM2;
    rig.prompt.messages.clear();
    warnMidiStandardMismatch(*rig.song, rig.devices, rig.prompt);
    EXPECT_TRUE(rig.prompt.messages.empty());
}

TEST(PostLoad, SongTextTrackAndKindFollowTheFileWhenTheUserAgrees)
{
    LoadResult loaded;
    loaded.lyricCount[3] = 41;
    KaraokeSettings karaoke;
    karaoke.songtexttrack = 1;
    karaoke.textaslyric = true;
    ScriptedPrompt prompt;
    prompt.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    checkSongTextEvents(loaded, karaoke, prompt);
    ASSERT_EQ(prompt.questions.size(), 2u);
    EXPECT_EQ(prompt.questions[0].text, "This MIDI file seems to contain song text events in track 4.\n"
                                        "And not, as specified in Velisto's settings, in track 1.\n\n"
                                        "Do you want to change the settings to this track?");
    EXPECT_EQ(prompt.questions[0].title, "Song text events");
    EXPECT_EQ(prompt.questions[1].text, "This MIDI file seems to use real lyric events as song text events."
                                        "\n\nDo you want to switch Velisto's settings"
                                        "\n'song text event is text instead of lyric' to OFF?");
    EXPECT_EQ(karaoke.songtexttrack, 4);
    EXPECT_FALSE(karaoke.textaslyric);

    // No to the track ends the step.
    karaoke = KaraokeSettings{};
    karaoke.textaslyric = true;
    ScriptedPrompt no;
    no.answers = {PromptAnswer::No};
    checkSongTextEvents(loaded, karaoke, no);
    EXPECT_EQ(no.questions.size(), 1u);
    EXPECT_EQ(karaoke, (KaraokeSettings{.songtexttrack = 1, .textaslyric = true}));

    // A tie between text and lyric counts goes to the text events; 40 is not enough.
    LoadResult texts;
    texts.textCount[2] = 50;
    texts.lyricCount[2] = 50;
    texts.lyricCount[9] = 40;
    karaoke = KaraokeSettings{.songtexttrack = 3, .textaslyric = false};
    ScriptedPrompt yes;
    yes.answers = {PromptAnswer::Yes};
    checkSongTextEvents(texts, karaoke, yes);
    ASSERT_EQ(yes.questions.size(), 1u);
    EXPECT_EQ(yes.questions[0].text, "This MIDI file seems to use text events instead of real lyric events."
                                     "\n\nDo you want to switch Velisto's settings to"
                                     "\n'song text event is text instead of lyric'?");
    EXPECT_TRUE(karaoke.textaslyric);

    LoadResult few;
    few.lyricCount[9] = 40;
    ScriptedPrompt quiet;
    checkSongTextEvents(few, karaoke, quiet);
    karaoke.openwindow = false;
    checkSongTextEvents(loaded, karaoke, quiet);
    EXPECT_TRUE(quiet.questions.empty());
}

} // namespace
} // namespace velisto

#include "song/MidiFileReader.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace velisto {
namespace {

// Remembers what the user saw, in order, including the report dialog.
class OrderedPrompt : public ScriptedPrompt {
public:
    std::vector<std::string> seen;
    void message(const std::string& text, const std::string& title, PromptIcon icon) override
    {
        seen.push_back(title);
        ScriptedPrompt::message(text, title, icon);
    }
    void showReport(const std::string&, const std::string& title) override { seen.push_back(title); }
};

TEST(PostLoad, DeviceStepsRunBetweenReadingAndTheReport)
{
    Rig rig;
    // One track: device name "Unknown synth", then a data entry LSB that the report lists.
    const std::string name = "Unknown synth";
    std::string track = std::string("\x00\xFF\x09", 3) + char(name.size()) + name + std::string("\x00\xB0\x26\x05", 4) +
                        std::string("\x00\xFF\x2F\x00", 4);
    std::string file = std::string("MThd\x00\x00\x00\x06\x00\x01\x00\x01\x00\x60", 14) + "MTrk" +
                       std::string("\x00\x00\x00", 3) + char(track.size()) + track;
    const auto path = std::filesystem::temp_directory_path() / "velisto-postload-test.mid";
    std::ofstream(path, std::ios::binary) << file;

    OrderedPrompt prompt;
    Settings settings;
    const LoadResult loaded = MidiFileReader::load(path, *rig.song, LoadOptions{}, prompt, [&](const LoadResult& r) {
        runPostLoadSteps(*rig.song, rig.devices, settings, r, prompt, rig.chooser());
    });
    std::filesystem::remove(path);

    ASSERT_TRUE(loaded.ok);
    ASSERT_EQ(prompt.seen.size(), 2u);
    EXPECT_EQ(prompt.seen[0], "META event Devicename");
    EXPECT_EQ(prompt.seen[1], "MIDI file load");
    EXPECT_EQ(prompt.messages[0].text, "Devicename Unknown synth not found.");
    EXPECT_EQ(rig.asked, std::vector<int>{0});
}

} // namespace
} // namespace velisto
