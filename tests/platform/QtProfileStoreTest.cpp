#include "settings/QtProfileStore.h"

#include "app/Settings.h"
#include "core/app/SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <QSettings>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace velisto {
namespace {

namespace fs = std::filesystem;
using test::kProgramDirectory;
using test::kScreenHeight;
using test::kScreenWidth;

// Points $XDG_CONFIG_HOME at a folder of this process before any test runs, so no test
// touches the user's own settings.
class ConfigHomeEnvironment : public ::testing::Environment {
  public:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("velisto-config-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(folder); }

    static inline fs::path folder;
};

const auto* const configHome = ::testing::AddGlobalTestEnvironment(new ConfigHomeEnvironment);

class QtProfileStoreTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = ConfigHomeEnvironment::folder / info->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string file(const std::string& name) const { return (folder_ / name).string(); }

    void writeText(const std::string& path, const std::string& text) const { std::ofstream(path) << text; }

    fs::path folder_;
};

TEST_F(QtProfileStoreTest, EverySettingSurvivesTheFile)
{
    const Settings changed = loadSettings(test::changedStore(), kProgramDirectory, kScreenWidth, kScreenHeight);
    const std::string path = file("Velisto.ini");
    {
        QtProfileStore store(path);
        saveSettings(changed, store);
        saveDisplayLayout(changed, store);
        std::string error = "untouched";
        ASSERT_TRUE(store.flush(&error));
        EXPECT_EQ(error, "");
    }
    const QtProfileStore reopened(path);
    EXPECT_EQ(loadSettings(reopened, kProgramDirectory, kScreenWidth, kScreenHeight), changed);
}

TEST_F(QtProfileStoreTest, SectionsBecomeGroupsAndOddKeysAndValuesRoundTrip)
{
    const std::string path = file("odd.ini");
    const std::string oddKey = "a key=with;odd #chars %41 \"ä\"";
    const std::string oddValue = "@starts with at, has commas; \"quotes\" and \\ backslash ";
    {
        QtProfileStore store(path);
        store.writeString("MIDI Output devices\\device3", "devicename", "Synth: port 1");
        store.writeString("General", oddKey, oddValue);
        store.writeString("General", "empty", "");
        store.writeInt("General", "negative", -42);
        ASSERT_TRUE(store.flush(nullptr));
    }
    const QSettings raw(QString::fromStdString(path), QSettings::IniFormat);
    EXPECT_EQ(raw.value("MIDI Output devices/device3/devicename").toString().toStdString(), "Synth: port 1");

    const QtProfileStore store(path);
    EXPECT_EQ(store.getString("MIDI Output devices\\device3", "devicename", ""), "Synth: port 1");
    EXPECT_EQ(store.getString("General", oddKey, "missing"), oddValue);
    EXPECT_TRUE(store.hasKey("General", "empty"));
    EXPECT_EQ(store.getString("General", "empty", "missing"), "");
    EXPECT_EQ(store.getInt("General", "negative", 0), -42);
    EXPECT_FALSE(store.hasKey("General", "absent"));
    EXPECT_EQ(store.getString("General", "absent", "missing"), "missing");
}

TEST_F(QtProfileStoreTest, HandWrittenFileFollowsTheYesNoAndNumberRules)
{
    const std::string path = file("hand.ini");
    writeText(path, "[Karaoke]\n"
                    "openwindow=Y\n"
                    "insertblank=y\n"
                    "textaslyric=yes\n"
                    "songtexttrack= 12 \n"
                    "karaoketakteprozeile=many\n"
                    "[Midi]\n"
                    "Directory=/home/ann/MIDI, old\n");
    const QtProfileStore store(path);
    const Settings loaded = loadSettings(store, kProgramDirectory, kScreenWidth, kScreenHeight);
    EXPECT_FALSE(loaded.karaoke.openwindow);
    EXPECT_TRUE(loaded.karaoke.insertblank);
    EXPECT_FALSE(loaded.karaoke.textaslyric);
    EXPECT_EQ(loaded.karaoke.songtexttrack, 12);
    EXPECT_EQ(loaded.karaoke.karaoketakteprozeile, 2);
    EXPECT_EQ(loaded.midi.Directory, "/home/ann/MIDI, old");
    EXPECT_TRUE(loaded.metronom.yn) << "missing key keeps its default";
}

TEST_F(QtProfileStoreTest, DeleteSectionRemovesSubSectionsOnly)
{
    const std::string path = file("devices.ini");
    {
        QtProfileStore store(path);
        store.writeString("MIDI Output devices\\device2", "devicename", "A");
        store.writeString("MIDI Output devices\\device2\\GM2GPCSlotpathes", "path1", "x\\y\\");
        store.writeString("MIDI Output devices2", "kept", "1");
        store.writeString("MIDI Output devmap", "entry1", "a^@^b");
        ASSERT_TRUE(store.flush(nullptr));

        store.deleteSection("MIDI Output devices");
        store.deleteSection(""); // names nothing, must not empty the file
        ASSERT_TRUE(store.flush(nullptr));
    }
    const QtProfileStore store(path);
    EXPECT_FALSE(store.hasKey("MIDI Output devices\\device2", "devicename"));
    EXPECT_FALSE(store.hasKey("MIDI Output devices\\device2\\GM2GPCSlotpathes", "path1"));
    EXPECT_TRUE(store.hasKey("MIDI Output devices2", "kept"));
    EXPECT_EQ(store.getString("MIDI Output devmap", "entry1", ""), "a^@^b");
}

TEST_F(QtProfileStoreTest, MissingFileGivesTheDefaults)
{
    const QtProfileStore store(file("never-written.ini"));
    EXPECT_EQ(loadSettings(store, kProgramDirectory, kScreenWidth, kScreenHeight), test::defaultSettings());
}

TEST_F(QtProfileStoreTest, UnwritableLocationIsReportedByFlush)
{
    const std::string blocker = file("not-a-folder");
    writeText(blocker, "a file where a folder would have to be");
    const std::string path = blocker + "/Velisto.ini";

    QtProfileStore store(path);
    saveSettings(test::defaultSettings(), store);
    std::string error;
    EXPECT_FALSE(store.flush(&error));
    EXPECT_EQ(error, "Can't write settings file " + path);
}

TEST_F(QtProfileStoreTest, EachFlushReportsItsOwnWrite)
{
    const std::string blocker = file("later-a-folder");
    writeText(blocker, "in the way");
    const std::string path = blocker + "/Velisto.ini";

    QtProfileStore store(path);
    store.writeInt("Keyboard", "octave", 3);
    EXPECT_FALSE(store.flush(nullptr));

    // Once the way is free the unwritten change is still there and goes out with the next.
    fs::remove(blocker);
    store.writeInt("Keyboard", "volume", 90);
    std::string error = "untouched";
    EXPECT_TRUE(store.flush(&error));
    EXPECT_EQ(error, "");

    const QtProfileStore reopened(path);
    EXPECT_EQ(reopened.getInt("Keyboard", "octave", 0), 3);
    EXPECT_EQ(reopened.getInt("Keyboard", "volume", 0), 90);
}

TEST_F(QtProfileStoreTest, MalformedLinesInTheFileAreNoWriteFailure)
{
    const std::string path = file("malformed.ini");
    writeText(path, "[Keyboard]\noctave=4\nthis line has no equals sign\n");

    QtProfileStore store(path);
    EXPECT_EQ(store.getInt("Keyboard", "octave", 0), 4);
    store.writeInt("Keyboard", "volume", 90);
    EXPECT_TRUE(store.flush(nullptr));
    EXPECT_EQ(QtProfileStore(path).getInt("Keyboard", "volume", 0), 90);
}

TEST_F(QtProfileStoreTest, UserStoreLivesUnderTheConfigHome)
{
    QtProfileStore store;
    EXPECT_EQ(store.filePath(), (ConfigHomeEnvironment::folder / "Korvane Software" / "Velisto.ini").string());
    store.writeInt("Keyboard", "octave", 3);
    ASSERT_TRUE(store.flush(nullptr));
    EXPECT_TRUE(fs::exists(store.filePath()));
    EXPECT_EQ(QtProfileStore().getInt("Keyboard", "octave", 5), 3);
}

} // namespace
} // namespace velisto
