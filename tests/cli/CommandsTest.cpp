#include "CheckReport.h"
#include "CliPrompt.h"
#include "Commands.h"
#include "DeviceReport.h"
#include "Json.h"
#include "SongReport.h"
#include "app/MemoryProfileStore.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "settings/QtProfileStore.h"
#include "song/MidiFileWriter.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

namespace velisto {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(VELISTO_RESOURCE_DIR) / "demo/demo.mid";

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun run(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int status = runCli(args, out, err);
    return {status, out.str(), err.str()};
}

// A strict little JSON checker: exactly one value, nothing but blanks after it.
class JsonChecker {
public:
    explicit JsonChecker(const std::string& text) : s_(text) {}
    bool valid()
    {
        if (!value())
            return false;
        blanks();
        return i_ == s_.size();
    }

private:
    void blanks()
    {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_])))
            ++i_;
    }
    bool eat(char c)
    {
        blanks();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool value()
    {
        blanks();
        if (i_ >= s_.size())
            return false;
        const char c = s_[i_];
        if (c == '{')
            return object();
        if (c == '[')
            return array();
        if (c == '"')
            return string();
        for (const char* word : {"true", "false", "null"})
            if (s_.compare(i_, std::strlen(word), word) == 0) {
                i_ += std::strlen(word);
                return true;
            }
        return number();
    }
    bool object()
    {
        ++i_;
        if (eat('}'))
            return true;
        do {
            blanks();
            if (!string() || !eat(':') || !value())
                return false;
        } while (eat(','));
        return eat('}');
    }
    bool array()
    {
        ++i_;
        if (eat(']'))
            return true;
        do {
            if (!value())
                return false;
        } while (eat(','));
        return eat(']');
    }
    bool string()
    {
        if (i_ >= s_.size() || s_[i_] != '"')
            return false;
        for (++i_; i_ < s_.size(); ++i_) {
            const auto c = static_cast<unsigned char>(s_[i_]);
            if (c == '"') {
                ++i_;
                return true;
            }
            if (c < 0x20 || c >= 0x80)
                return false; // we promise plain ASCII with escapes
            if (c == '\\') {
                ++i_;
                if (i_ >= s_.size())
                    return false;
                if (s_[i_] == 'u') {
                    for (int k = 0; k < 4; ++k)
                        if (++i_ >= s_.size() || !std::isxdigit(static_cast<unsigned char>(s_[i_])))
                            return false;
                } else if (std::string("\"\\/bfnrt").find(s_[i_]) == std::string::npos) {
                    return false;
                }
            }
        }
        return false;
    }
    bool number()
    {
        const auto start = i_;
        if (i_ < s_.size() && s_[i_] == '-')
            ++i_;
        while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.' ||
                                  s_[i_] == 'e' || s_[i_] == 'E' || s_[i_] == '+' || s_[i_] == '-'))
            ++i_;
        return i_ > start && std::isdigit(static_cast<unsigned char>(s_[i_ - 1]));
    }

    const std::string& s_;
    std::size_t i_ = 0;
};

TEST(JsonTest, StringsEscapeQuotesControlsAndHighBytes)
{
    EXPECT_EQ(jsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(jsonString("line\r\nnext"), R"("line\r\nnext")");
    EXPECT_EQ(jsonString(std::string("\x01\x7F", 2)), R"("\u0001\u007F")");
    EXPECT_EQ(jsonString("caf\xE9"), R"("caf\u00E9")") << "each byte is one character";
    EXPECT_EQ(jsonNumber(119.999), "119.999");
    EXPECT_EQ(jsonNumber(120.0), "120");
    EXPECT_TRUE(JsonChecker(jsonString(std::string("\0\xFF\"x", 4))).valid());
}

TEST(CommandsTest, InfoJsonOnTheDemoSongIsOneValidObject)
{
    const CliRun r = run({"info", kDemo.string(), "--json", "--events"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(JsonChecker(r.out).valid()) << r.out.substr(0, 400);
    EXPECT_EQ(r.out.rfind("{\"ok\":true,\"ppq\":480,", 0), 0u);
    EXPECT_NE(r.out.find("{\"measure\":1,\"numerator\":3,\"denominator\":4}"), std::string::npos);
    EXPECT_NE(r.out.find("{\"tick\":0,\"sharpsFlats\":1,\"major\":1}"), std::string::npos);
    EXPECT_NE(r.out.find("\"name\":\"Melody\""), std::string::npos);
    EXPECT_NE(r.out.find("\"7E 7F 09 03 F7\""), std::string::npos) << "sysex payload without F0";
    EXPECT_EQ(r.out.find("\"events\":[]"), std::string::npos);
}

TEST(CommandsTest, InfoWithoutEventsLeavesThemOutAndPrintsASummary)
{
    const CliRun json = run({"info", kDemo.string(), "--json"});
    ASSERT_EQ(json.status, kExitOk);
    EXPECT_EQ(json.out.find("\"events\""), std::string::npos);
    EXPECT_NE(json.out.find("\"eventCount\":"), std::string::npos);

    const CliRun text = run({"info", kDemo.string()});
    ASSERT_EQ(text.status, kExitOk);
    EXPECT_NE(text.out.find("Ticks per quarter note: 480"), std::string::npos);
    EXPECT_NE(text.out.find("G major"), std::string::npos);
    EXPECT_NE(text.out.find("Drums"), std::string::npos);
}

TEST(CommandsTest, RefusedFilesExitOneWithTheReason)
{
    const fs::path format2 = fs::path(VELISTO_TEST_DATA_DIR) / "corpus/midi/public/jazz-soft/test-2-tracks-type-2.mid";
    const CliRun r = run({"info", format2.string(), "--json"});
    EXPECT_EQ(r.status, kExitRefused);
    EXPECT_EQ(r.out, "{\"ok\":false,\"error\":\"MIDI file format is neither 0 nor 1.\\nThose files are not "
                     "supported.\"}\n");
    const CliRun missing = run({"info", "/nonexistent/song.mid"});
    EXPECT_EQ(missing.status, kExitRefused);
    EXPECT_NE(missing.err.find("Can't open /nonexistent/song.mid"), std::string::npos);
}

TEST(CommandsTest, WrongUsageExitsTwo)
{
    EXPECT_EQ(run({}).status, kExitUsage);
    EXPECT_EQ(run({"info"}).status, kExitUsage);
    EXPECT_EQ(run({"info", "a.mid", "--colour"}).status, kExitUsage);
    EXPECT_EQ(run({"convert", "a.mid"}).status, kExitUsage);
    EXPECT_EQ(run({"dance"}).status, kExitUsage);
    EXPECT_EQ(run({"help"}).status, kExitOk);
}

TEST(CommandsTest, ConvertWritesAFileThatLoadsToTheSameSong)
{
    const fs::path dir = fs::temp_directory_path() / ("velisto-cli-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path out = dir / "demo-copy.mid";
    const CliRun converted = run({"convert", kDemo.string(), out.string()});
    ASSERT_EQ(converted.status, kExitOk) << converted.err;

    const CliRun original = run({"info", kDemo.string(), "--json", "--events"});
    const CliRun copy = run({"info", out.string(), "--json", "--events"});
    ASSERT_EQ(copy.status, kExitOk);
    // Everything but the report, which speaks of the source file.
    const auto songPart = [](const std::string& json) { return json.substr(0, json.find(",\"report\":")); };
    EXPECT_EQ(songPart(copy.out), songPart(original.out));

    EXPECT_EQ(run({"convert", kDemo.string(), dir.string()}).status, kExitRefused) << "a folder is no target";
    fs::remove_all(dir);
}

TEST(CommandsTest, PortsListsTheDeviceTableWithItsStoredParameters)
{
    const fs::path home = fs::temp_directory_path() / ("velisto-cli-ports-" + std::to_string(::getpid()));
    fs::create_directories(home);
    {
        QtProfileStore store((home / "Korvane Software/Velisto.ini").string());
        store.writeString("MIDI Output devices\\device0", "devicename", "Velisto's Internal Sound Generator");
        store.writeString("MIDI Output devices\\device0", "gssupported", "n");
        store.writeInt("MIDI Output devices\\device0", "initialmidimode", 1);
        ASSERT_TRUE(store.flush(nullptr));
    }
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    ::setenv("VELISTO_MIDI_API", "none", 1);

    const CliRun json = run({"ports", "--json"});
    ASSERT_EQ(json.status, kExitOk) << json.err;
    EXPECT_TRUE(JsonChecker(json.out).valid()) << json.out;
    EXPECT_EQ(json.out.rfind("{\"api\":\"none\",\"devices\":[{\"index\":0,\"name\":\"no MIDI Output device\","
                             "\"kind\":\"placeholder\",\"open\":false,",
                             0),
              0u)
        << json.out;
    EXPECT_NE(
        json.out.find("\"kind\":\"generator\",\"open\":false,\"wasOpen\":false,\"row\":0,\"default\":false,"
                      "\"powerOnMode\":\"GS\",\"gsSupported\":false,\"xgSupported\":false,\"gm2Supported\":true,"),
        std::string::npos)
        << json.out;

    const CliRun text = run({"ports"});
    ASSERT_EQ(text.status, kExitOk);
    EXPECT_NE(text.out.find("1  generator  Velisto's Internal Sound Generator\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("power-on mode: GS  standards: GM, GM2"), std::string::npos) << text.out;
    EXPECT_EQ(run({"ports", "--all"}).status, kExitUsage);

    ::unsetenv("VELISTO_MIDI_API");
    ::unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(home);
}

TEST(CommandsTest, PortDevicesAreListedByKindWithTheirNamesEscaped)
{
    LoopbackMidiPortSystem ports({"USB \"MIDI\" 1"});
    MemoryProfileStore store;
    DeviceTable table(ports, store);
    EXPECT_EQ(deviceKind(table.device(2)), "port");
    const std::string json = deviceTableJson(table, ports.apiName());
    EXPECT_TRUE(JsonChecker(json).valid()) << json;
    EXPECT_NE(json.find("{\"index\":2,\"name\":\"USB \\\"MIDI\\\" 1\",\"kind\":\"port\""), std::string::npos) << json;
    EXPECT_NE(deviceTableText(table, "loopback").find("2  port  USB \"MIDI\" 1\n    open: no"), std::string::npos);
}

// ---- check ----

const fs::path kGsDrumPartChange =
    fs::path(VELISTO_TEST_DATA_DIR) / "corpus/midi/public/jazz-soft/test-sysex-gs-40-1x-15-drum-part-change.mid";

TEST(CommandsTest, CheckNamesTheGsMessagesAGmReceiverRefuses)
{
    const CliRun gm = run({"check", kGsDrumPartChange.string()});
    ASSERT_EQ(gm.status, kExitOk) << gm.err;
    EXPECT_NE(gm.out.find("Receiver: power-on mode GM, supports GM\n"), std::string::npos) << gm.out;
    EXPECT_NE(gm.out.find("3 skipped, 0 sent anyhow; mode at the end: GM"), std::string::npos) << gm.out;
    EXPECT_NE(gm.out.find("track 1  0001:01:000  SYSEX F0 41 7F 42 12 40 00 7F 00 41 F7  skipped\n"
                          "      GS-reset has no affect in device which doesn't support GS\n"),
              std::string::npos)
        << gm.out;
    EXPECT_NE(gm.out.find("track 1  0002:03:000  SYSEX F0 41 7F 42 12 40 10 15 00 1B F7  skipped\n"
                          "      GS-SYSEX which is no mode reset has no affect in current MIDI mode GM\n"),
              std::string::npos)
        << gm.out;

    // A receiver that supports GS takes the reset, and then the part messages.
    const CliRun gs = run({"check", kGsDrumPartChange.string(), "--supports", "gs", "--json"});
    ASSERT_EQ(gs.status, kExitOk);
    EXPECT_TRUE(JsonChecker(gs.out).valid()) << gs.out;
    EXPECT_NE(gs.out.find("\"checked\":11,\"skipped\":0,\"sentAnyhow\":0,\"finalMode\":\"GS\",\"findings\":[]"),
              std::string::npos)
        << gs.out;
}

TEST(CommandsTest, CheckTellsSkippedFromSentAnyhowWithTrackPositionAndChannel)
{
    const fs::path dir = fs::temp_directory_path() / ("velisto-cli-check-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "values.mid";
    {
        auto song = std::make_unique<Song>();
        song->ppq = 96;
        const auto cc = [](int number) {
            return static_cast<std::uint8_t>(slotForSong(ParamKind::Controller, number));
        };
        Track& track = song->tracks[2];
        track.name = "Strings";
        track.append(MidiEvent::channelEvent(0, 0xB4, cc(7), 100));  // the reset value: flagged
        track.append(MidiEvent::channelEvent(96, 0xB4, cc(71), 30)); // not in GM: refused
        track.append(MidiEvent::channelEvent(96, 0xB4, cc(7), 90));  // fine
        track.append(MidiEvent::note(384 + 48, 4, 60, 100, 48));     // notes always pass
        CliPrompt prompt(std::cerr, true);
        ASSERT_TRUE(MidiFileWriter::write(file, *song, false, prompt).ok);
    }
    const CliRun r = run({"check", file.string()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("Checked 4 events: 1 skipped, 1 sent anyhow"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("track 3  0001:01:000  ch 5  Controller Main Volume MSB value 100  sent anyhow\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("track 3  0001:02:000  ch 5  Controller "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("not supported in current MIDI mode GM\n"), std::string::npos) << r.out;

    const CliRun xg = run({"check", file.string(), "--mode", "XG", "--json"});
    ASSERT_EQ(xg.status, kExitOk);
    EXPECT_TRUE(JsonChecker(xg.out).valid()) << xg.out;
    EXPECT_NE(xg.out.find("\"receiver\":{\"powerOnMode\":\"XG\",\"gsSupported\":false,\"xgSupported\":true,"),
              std::string::npos)
        << xg.out;
    EXPECT_NE(xg.out.find("\"skipped\":0,\"sentAnyhow\":1,"), std::string::npos) << "XG knows controller 71";
    fs::remove_all(dir);
}

TEST(CommandsTest, CheckRunsOverTheWholeCorpusAndRefusesBadUsage)
{
    const fs::path corpus = fs::path(VELISTO_TEST_DATA_DIR) / "corpus/midi";
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file())
            continue;
        const CliRun r = run({"check", entry.path().string(), "--mode", "GS", "--supports", "XG,GM2", "--json"});
        ASSERT_TRUE(r.status == kExitOk || r.status == kExitRefused) << entry.path();
        EXPECT_TRUE(JsonChecker(r.out).valid()) << entry.path() << r.out.substr(0, 300);
        checked += r.status == kExitOk;
    }
    EXPECT_GT(checked, 40);

    EXPECT_EQ(run({"check"}).status, kExitUsage);
    EXPECT_EQ(run({"check", "a.mid", "--mode"}).status, kExitUsage);
    EXPECT_EQ(run({"check", "a.mid", "--mode", "MT32"}).status, kExitUsage);
    const CliRun badList = run({"check", "a.mid", "--supports", "GS,SC88"});
    EXPECT_EQ(badList.status, kExitUsage);
    EXPECT_NE(badList.err.find("unknown MIDI standard SC88"), std::string::npos);
    EXPECT_EQ(run({"check", "/nonexistent/song.mid"}).status, kExitRefused);
}

TEST(CheckReportTest, ModeAndStandardNamesAreReadInAnyCase)
{
    EXPECT_EQ(parseCheckMode("gm2"), MidiMode::GM2);
    EXPECT_EQ(parseCheckMode(" Xg "), MidiMode::XG);
    EXPECT_FALSE(parseCheckMode("GM3").has_value());
    CheckReceiver receiver;
    EXPECT_EQ(parseCheckSupports("gm, gs ,GM2", receiver), "");
    EXPECT_TRUE(receiver.gsSupported && receiver.gm2Supported);
    EXPECT_FALSE(receiver.xgSupported);
    EXPECT_EQ(parseCheckSupports("XG,,MT32", receiver), "MT32");
}

TEST(CommandsTest, SysexDecodesOneMessageAsTextOrJson)
{
    const CliRun text = run({"sysex", "F0 41 10 42 12 40 00 7F 00 41 F7"});
    EXPECT_EQ(text.status, kExitOk) << text.err;
    EXPECT_NE(text.out.find("family: Roland (GS)\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("description: mode\nvalue bytes: 00\nvalue: reset (on)\n"), std::string::npos);
    EXPECT_NE(text.out.find("GS checksum: 41 ok\n"), std::string::npos);
    EXPECT_NE(text.out.find("mode message: GS 0\n"), std::string::npos);

    const CliRun json = run({"sysex", "--json", "F0", "7E", "7F", "09", "01", "F7"});
    EXPECT_EQ(json.status, kExitOk);
    EXPECT_TRUE(JsonChecker(json.out).valid()) << json.out;
    EXPECT_EQ(json.out.rfind("{\"message\":\"F0 7E 7F 09 01 F7\",\"length\":5,\"family\":\"Universal non-realtime\",", 0),
              0u);
    EXPECT_NE(json.out.find("\"choices\":\"Enter GM\\\\Exit\\\\Enter GM2\\\\\""), std::string::npos);
    EXPECT_NE(json.out.find("\"editKind\":\"combo\""), std::string::npos);
    EXPECT_NE(json.out.find("\"modeMessage\":\"GM\",\"modeValue\":1"), std::string::npos);

    // The default GM2 slot paths translate Global Parameter Control.
    const CliRun gpc = run({"sysex", "F07F7F0405010101010100 04F7"});
    EXPECT_NE(gpc.out.find("value: 'Reverb Type' Large Hall\n"), std::string::npos) << gpc.out;

    const CliRun note = run({"sysex", "--json", "--mode", "GM", "F0 41 10 42 12 40 00 04 64 58 F7"});
    EXPECT_NE(note.out.find("\"unsupportedNote\":\"*unsupported in GM*\""), std::string::npos) << note.out;
}

TEST(CommandsTest, SysexDefectsExitOneAndBadInputTwo)
{
    const CliRun checksum = run({"sysex", "F0 41 10 42 12 40 00 7F 00 42 F7"});
    EXPECT_EQ(checksum.status, kExitRefused);
    EXPECT_NE(checksum.out.find("GS checksum: 42 wrong, expected 41\n"), std::string::npos);
    const CliRun open = run({"sysex", "--json", "F0 7E 7F 09 01"});
    EXPECT_EQ(open.status, kExitRefused) << "a message without F7 still decodes";
    EXPECT_NE(open.out.find("\"error\":\"<wrong total length of sysex byte chain>\",\"wrongTotalLength\":true"),
              std::string::npos)
        << open.out;
    EXPECT_EQ(run({"sysex", "F0 44 10 F7"}).status, kExitRefused) << "<not matched>";

    EXPECT_EQ(run({"sysex"}).status, kExitUsage);
    EXPECT_EQ(run({"sysex", "F0 7G F7"}).status, kExitUsage);
    EXPECT_EQ(run({"sysex", "F0 7E7 F7"}).status, kExitUsage);
    EXPECT_EQ(run({"sysex", "7E 7F 09 01 F7"}).status, kExitUsage) << "no F0";
    EXPECT_EQ(run({"sysex", "--mode", "XX", "F0 7E 7F 09 01 F7"}).status, kExitUsage);
    EXPECT_EQ(run({"sysex", "--mode"}).status, kExitUsage);
    EXPECT_EQ(run({"sysex", "--hex", "F0 F7"}).status, kExitUsage);
}

} // namespace
} // namespace velisto
