#include "Commands.h"

#include "app/UserPrompt.h"
#include "core/sampler/WaveTestSupport.h"
#include "settings/QtProfileStore.h"
#include "song/MidiFileWriter.h"
#include "song/Song.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velisto {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun run(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = runCli(args, out, err);
    return {status, out.str(), err.str()};
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A private settings folder, the "none" MIDI system (placeholder and generator only) and a
// short song: two measures of 4/4 in quarter notes at 240 BPM, one second each.
class PlayCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("velisto-play-test-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "Korvane Software");
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        // Qt reads XDG_CONFIG_HOME once per process; the tests after the first one in the
        // same process would otherwise read the settings of a folder already removed.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir_.string()));
        ::setenv("VELISTO_MIDI_API", "none", 1);

        auto song = std::make_unique<Song>();
        song->ppq = 96;
        song->clear(0);
        song->setTempo(0, 240.0);
        for (int beat = 0; beat < 8; ++beat)
            song->tracks[0].append(MidiEvent::note(beat * 96, 0, 60 + beat, 100, 48));
        SilentPrompt prompt;
        ASSERT_TRUE(MidiFileWriter::write(songPath(), *song, false, prompt).ok);
    }
    void TearDown() override
    {
        ::unsetenv("VELISTO_MIDI_API");
        ::unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(dir_);
    }

    std::string songPath() const { return (dir_ / "short.mid").string(); }
    std::string storePath() const { return (dir_ / "Korvane Software/Velisto.ini").string(); }

    fs::path dir_;
};

TEST_F(PlayCommandsTest, WrongArgumentsExitTwoAndSayWhy)
{
    const std::string song = songPath();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"play"}, "play needs a file"},
        {{"play", song, "--colour"}, "unknown option --colour"},
        {{"play", song, "other.mid"}, "play takes one file"},
        {{"play", song, "--from"}, "--from needs a value"},
        {{"play", song, "--from", "0"}, "--from needs a measure number (1 or more), not \"0\""},
        {{"play", song, "--to", "2x"}, "--to needs a measure number"},
        {{"play", song, "--device", "-1"}, "--device needs a device index (0 or more)"},
        {{"play", song, "--from", "3", "--to", "2"}, "--to 2 lies before --from 3"},
        {{"play", song, "--port", "a", "--device", "0"}, "either --port or --device"},
        {{"record", "--out", "x.mid"}, "record needs an input port"},
        {{"record", "--in", "kbd"}, "record needs a file to save to"},
        {{"record", "--in", "kbd", "--out", "x.mid", "--seconds", "0"}, "--seconds needs a positive number"},
        {{"record", "--in", "kbd", "--out", "x.mid", "--seconds", "two"}, "--seconds needs a positive number"},
        {{"record", "--in"}, "--in needs a value"},
        {{"record", "take.mid"}, "record takes no file but --out"},
    };
    for (const auto& [args, reason] : cases) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, kExitUsage) << args.back();
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    }
    EXPECT_NE(run({"help"}).out.find("play FILE [--port NAME|--device INDEX]"), std::string::npos);
}

TEST_F(PlayCommandsTest, DevicesAndPortsThatNameNothingUsableAreRefused)
{
    const std::string song = songPath();
    const CliRun unknown = run({"play", song, "--port", "Synth 9"});
    EXPECT_EQ(unknown.status, kExitUsage);
    EXPECT_NE(unknown.err.find("no output device is named \"Synth 9\"; there are:\n  \"no MIDI Output device\"\n  "
                               "\"Velisto's Internal Sound Generator\""),
              std::string::npos)
        << unknown.err;

    const CliRun ambiguous = run({"play", song, "--port", "e"});
    EXPECT_EQ(ambiguous.status, kExitUsage);
    EXPECT_NE(ambiguous.err.find("\"e\" names more than one output device"), std::string::npos) << ambiguous.err;

    const CliRun outOfRange = run({"play", song, "--device", "2"});
    EXPECT_EQ(outOfRange.status, kExitUsage);
    EXPECT_NE(outOfRange.err.find("there is no output device 2 (0..1"), std::string::npos) << outOfRange.err;

    const CliRun noDefault = run({"play", song});
    EXPECT_EQ(noDefault.status, kExitUsage);
    EXPECT_NE(noDefault.err.find("no default output device is stored"), std::string::npos) << noDefault.err;

    const CliRun afterEnd = run({"play", song, "--device", "0", "--from", "5"});
    EXPECT_EQ(afterEnd.status, kExitUsage);
    EXPECT_NE(afterEnd.err.find("--from 5 lies after the song's end (measure 4)"), std::string::npos)
        << "the last note ends in measure 2, the song 6 quarters later\n"
        << afterEnd.err;

    const CliRun missing = run({"play", (dir_ / "missing.mid").string(), "--device", "0"});
    EXPECT_EQ(missing.status, kExitRefused);

    const CliRun noInput = run({"record", "--in", "Keyboard", "--out", (dir_ / "take.mid").string()});
    EXPECT_EQ(noInput.status, kExitUsage);
    EXPECT_NE(noInput.err.find("no MIDI input port is named \"Keyboard\""), std::string::npos) << noInput.err;
    EXPECT_FALSE(fs::exists(dir_ / "take.mid"));

    const CliRun badFolder = run({"record", "--in", "Keyboard", "--out", (dir_ / "no/such/take.mid").string()});
    EXPECT_EQ(badFolder.status, kExitRefused);
    EXPECT_NE(badFolder.err.find("does not exist"), std::string::npos) << badFolder.err;
}

TEST_F(PlayCommandsTest, PlayRunsInRealTimeToItsEndAndLogsIt)
{
    const auto begun = std::chrono::steady_clock::now();
    const CliRun r = run({"play", songPath(), "--device", "0", "--to", "1", "--monitor"});
    const auto took = std::chrono::steady_clock::now() - begun;
    ASSERT_EQ(r.status, kExitOk) << r.err;
    // One measure of 4/4 at 240 BPM lasts a second; a run that ends at once played nothing.
    EXPECT_GE(took, 950ms);
    EXPECT_LT(took, 5s);

    const std::size_t starting = r.out.find("STARTING short.mid\n");
    const std::size_t stopped = r.out.find("MIDI play thread stopped\n");
    ASSERT_NE(starting, std::string::npos) << r.out;
    ASSERT_NE(stopped, std::string::npos) << r.out;
    EXPECT_LT(starting, stopped);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    // Measure 1 only: its four notes, none of measure 2.
    EXPECT_EQ(occurrences(r.out, "Note on key"), 4u) << r.out;
    EXPECT_NE(r.out.find("0001:04:000"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("0002:01:000"), std::string::npos) << r.out;

    // Without --monitor nothing is printed.
    const CliRun quiet = run({"play", songPath(), "--device", "0", "--from", "2"});
    EXPECT_EQ(quiet.status, kExitOk) << quiet.err;
    EXPECT_EQ(quiet.out, "");
}

TEST_F(PlayCommandsTest, TheStoredDefaultDeviceIsUsedWhenNoneIsNamed)
{
    {
        QtProfileStore store(storePath());
        store.writeString("MIDI Output devices\\device0", "devicename", "Velisto's Internal Sound Generator");
        store.writeString("MIDI Output devices\\device0", "wasopeninlastsession", "y");
        store.writeString("MIDI Output devices\\device0", "isdefaultdevice", "y");
        ASSERT_TRUE(store.flush(nullptr));
    }
    const CliRun r = run({"play", songPath(), "--from", "2", "--monitor"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("midithread: Velisto's Internal Sound Generator"), std::string::npos) << r.out;
    // A part of the name is enough when it names one device.
    const CliRun byPart = run({"play", songPath(), "--port", "Sound Gen", "--from", "2", "--monitor"});
    ASSERT_EQ(byPart.status, kExitOk) << byPart.err;
    EXPECT_NE(byPart.out.find("midithread: Velisto's Internal Sound Generator"), std::string::npos) << byPart.out;
}

TEST_F(PlayCommandsTest, LoopPlayRepeatsUntilInterruptedAndThenStopsNormally)
{
    // Two and a half loops of one second, then Ctrl+C.
    std::thread interrupter([] {
        std::this_thread::sleep_for(2500ms);
        ::kill(::getpid(), SIGINT);
    });
    const auto begun = std::chrono::steady_clock::now();
    const CliRun r = run({"play", songPath(), "--device", "0", "--to", "1", "--loop", "--monitor"});
    const auto took = std::chrono::steady_clock::now() - begun;
    interrupter.join();
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_GE(took, 2500ms);
    EXPECT_LT(took, 4s) << "the interrupt did not stop the loop";
    // A run lasts a second, so no more runs can have begun than seconds have begun; a slow
    // machine (or a sanitizer) may fit fewer. More would mean a log printed twice.
    const std::size_t runs = occurrences(r.out, "STARTING short.mid");
    const auto begunSeconds = std::chrono::ceil<std::chrono::seconds>(took).count();
    EXPECT_GE(runs, 2u) << r.out;
    EXPECT_LE(runs, static_cast<std::size_t>(begunSeconds)) << r.out;
    // Every run, the interrupted one too, stopped normally and closed what was sounding,
    // and nothing of a run's log was lost when the next one cleared it.
    EXPECT_EQ(occurrences(r.out, "MIDI play thread stopped"), runs) << r.out;
    EXPECT_EQ(occurrences(r.out, "Closing Open Note ons"), runs) << r.out;
}

} // namespace
} // namespace velisto

namespace velisto {
namespace {

TEST_F(PlayCommandsTest, TheGeneratorPlaysTheConfiguredGroupOrSaysWhyItIsSilent)
{
    // Without an instrument group the generator plays, silently, and says so.
    const CliRun silent = run({"play", songPath(), "--device", "1", "--from", "2"});
    ASSERT_EQ(silent.status, kExitOk) << silent.err;
    EXPECT_NE(silent.err.find("has no instrument group"), std::string::npos) << silent.err;

    // With one, its samples are loaded before the first note and the voices start.
    test::WavBuilder tone;
    tone.data = test::Bytes(44100 * 2, 0);
    tone.after.push_back({"inst", test::instBody(60, 0, 0, 0, 127, 1, 127)});
    std::ofstream(dir_ / "tone.wav", std::ios::binary) << test::asString(tone.build());
    std::string igr = "vlx:igr|tone.wav;" + std::string(255, ';') + ";";
    std::ofstream(dir_ / "group.igr", std::ios::binary) << igr;
    {
        QtProfileStore store(storePath());
        store.writeString("Audio", "igrfilepathandfilename", (dir_ / "group.igr").string());
        ASSERT_TRUE(store.flush(nullptr));
    }
    ::setenv("VELISTO_AUDIO_API", "null", 1);
    const CliRun played = run({"play", songPath(), "--device", "1", "--from", "2", "--monitor"});
    ::unsetenv("VELISTO_AUDIO_API");
    ASSERT_EQ(played.status, kExitOk) << played.err;
    EXPECT_NE(played.err.find("no audio output device"), std::string::npos) << played.err;
    EXPECT_EQ(played.err.find("has no instrument group"), std::string::npos) << played.err;
    EXPECT_EQ(played.out.find("no (matching) wave file"), std::string::npos) << played.out;
    EXPECT_EQ(played.out.find("No free voices"), std::string::npos) << played.out;
    EXPECT_NE(played.out.find("passed to Velisto's Internal Sound Generator"), std::string::npos) << played.out;
}

} // namespace
} // namespace velisto
