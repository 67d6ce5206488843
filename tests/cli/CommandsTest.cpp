#include "Commands.h"
#include "DeviceReport.h"
#include "Json.h"
#include "SongReport.h"
#include "app/MemoryProfileStore.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "settings/QtProfileStore.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>
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

TEST(SongReportTest, KeyNamesFollowTheCircleOfFifths)
{
    EXPECT_EQ(keySignatureName(0, true), "C major");
    EXPECT_EQ(keySignatureName(1, true), "G major");
    EXPECT_EQ(keySignatureName(-3, false), "C minor");
    EXPECT_EQ(keySignatureName(7, true), "C# major");
    EXPECT_EQ(keySignatureName(-7, false), "Ab minor");
    EXPECT_EQ(keySignatureName(9, true), "?");
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
    EXPECT_NE(r.out.find("\"7E 7F 09 01 F7\""), std::string::npos) << "sysex payload without F0";
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
    const fs::path format2 = fs::path(VELISTO_SHARED_DIR) / "corpus/midi/public/jazz-soft/test-2-tracks-type-2.mid";
    if (!fs::exists(format2))
        GTEST_SKIP() << "no shared corpus";
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

} // namespace
} // namespace velisto
