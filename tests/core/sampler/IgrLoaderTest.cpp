#include "sampler/IgrLoader.h"
#include "sampler/IgrContent.h"

#include "core/sampler/IgrTestSupport.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

using test::FakeSamples;
using test::igrImage;
using test::numberedNames;
using test::ScratchFolder;

class IgrLoaderTest : public ::testing::Test {
protected:
    IgrLoaderTest() : folder_("igr-loader")
    {
        for (int i = 0; i < 130; ++i)
            samples_.table["s" + std::to_string(i) + ".wav"] = {60, 1, 127};
    }

    bool load(const std::string& image)
    {
        folder_.write("group.igr", image);
        return loadPath(folder_.file("group.igr"));
    }
    bool loadPath(const std::string& path)
    {
        status_.clear();
        IgrLoadHooks hooks;
        hooks.status = [this](const std::string& text) { status_.push_back(text); };
        hooks.releaseChannels = [this] { ++releases_; };
        return loadSampleMap(map_, path, samples_.reader(), hooks);
    }
    std::string lastStatus() const { return status_.empty() ? std::string() : status_.back(); }
    void expectEmptyAndUnloaded() const
    {
        EXPECT_FALSE(map_.loaded());
        for (int i = 0; i < kSampleLists; ++i) {
            EXPECT_TRUE(map_.program(i).empty());
            EXPECT_TRUE(map_.drum(i).empty());
        }
    }

    ScratchFolder folder_;
    FakeSamples samples_;
    SampleMap map_;
    std::vector<std::string> status_;
    int releases_ = 0;
};

TEST_F(IgrLoaderTest, EmptyGroupLoadsWithEveryListEmpty)
{
    ASSERT_TRUE(load(igrImage({})));
    EXPECT_EQ(status_, std::vector<std::string>{"Loading .igr file"});
    EXPECT_TRUE(map_.loaded());
    EXPECT_EQ(map_.igrPath(), folder_.file("group.igr"));
    for (int i = 0; i < kSampleLists; ++i)
        EXPECT_TRUE(map_.program(i).empty() && map_.drum(i).empty());
}

TEST_F(IgrLoaderTest, RefusesWrongMagicTruncatedFilesAndPathsWithoutDirectory)
{
    const std::string corrupt = "No valid .igr file or file corrupt:\n" + folder_.file("group.igr");
    std::string wrongMagic = igrImage({});
    wrongMagic[7] = '!';
    EXPECT_FALSE(load(wrongMagic));
    EXPECT_EQ(lastStatus(), corrupt);
    EXPECT_FALSE(load("vlx:igr"));
    EXPECT_EQ(lastStatus(), corrupt);

    // Ends inside the drum lists: refused, not read past the end.
    const std::string whole = igrImage({{0, "s1.wav"}});
    EXPECT_FALSE(load(whole.substr(0, whole.size() - 10)));
    EXPECT_EQ(status_, (std::vector<std::string>{"Loading .igr file", corrupt}));
    expectEmptyAndUnloaded();

    EXPECT_FALSE(loadPath("group.igr"));
    EXPECT_EQ(lastStatus(), "No absolute path : \n\ngroup.igr");
    EXPECT_FALSE(loadPath(folder_.file("missing.igr")));
    EXPECT_EQ(lastStatus(), "Can't open instrument group file : \n\n" + folder_.file("missing.igr"));
}

TEST_F(IgrLoaderTest, ReadsEntriesInOrderWithKeysAndAnythingAfterTheLastListIgnored)
{
    samples_.table["joker.wav"] = {130, 10, 20};
    ASSERT_TRUE(load(igrImage({{0, "s1.wav,JOKER.wav"}, {127, "s2.wav"}}, {{36, "s1.wav"}}) + "garbage;;,"));
    ASSERT_EQ(map_.program(0).size(), 2u);
    EXPECT_EQ(map_.program(0)[0], (SampleEntry{"s1.wav", 60, 1, 127}));
    EXPECT_EQ(map_.program(0)[1], (SampleEntry{"joker.wav", 130, 10, 20}));
    EXPECT_EQ(map_.program(127).size(), 1u);
    // A drum entry's key is its drum key, whatever the sample's original key.
    EXPECT_EQ(map_.drum(36), (SampleList{{"s1.wav", 36, 1, 127}}));
}

TEST_F(IgrLoaderTest, AtMost120SamplesPerList)
{
    EXPECT_TRUE(load(igrImage({{5, numberedNames(120)}})));
    EXPECT_EQ(map_.program(5).size(), 120u);

    EXPECT_FALSE(load(igrImage({}, {{7, numberedNames(121)}})));
    EXPECT_EQ(lastStatus(),
              "Drum instrument #7\nIgr-file corrupt, more than 120 samples for one instrument.\ns120.wav");
    EXPECT_EQ(releases_, 1); // the loaded map's channels went first
    expectEmptyAndUnloaded();
}

TEST_F(IgrLoaderTest, DuplicatesFailWithinAListIgnoringCaseButNotAcrossLists)
{
    EXPECT_TRUE(load(igrImage({{0, "s1.wav"}, {1, "s1.wav"}}, {{0, "s1.wav"}})));

    EXPECT_FALSE(load(igrImage({{3, "s1.wav,s2.wav,S1.WAV"}})));
    EXPECT_EQ(lastStatus(), "Program 3\nThis wave file is listed twice.\ns1.wav");
    expectEmptyAndUnloaded();
}

TEST_F(IgrLoaderTest, ProgramSamplesNeedAnOriginalKeyDrumSamplesDoNot)
{
    samples_.table["nokey.wav"] = {kNoOriginalKey, -1, -1};
    samples_.table["badkey.wav"] = {140, -1, -1};
    EXPECT_TRUE(load(igrImage({}, {{40, "nokey.wav"}})));
    EXPECT_EQ(map_.drum(40), (SampleList{{"nokey.wav", 40, 1, 127}}));

    EXPECT_FALSE(load(igrImage({{9, "nokey.wav"}})));
    EXPECT_EQ(lastStatus(), "Program 9 Wave file nokey.wav\nhas either no selected 'original key' or\n"
                            "no instrument and no sampler chunks.\nPlease choose 'original key'\n"
                            "in Velisto's wave editor.");
    EXPECT_FALSE(load(igrImage({{9, "badkey.wav"}})));
    expectEmptyAndUnloaded();
}

TEST_F(IgrLoaderTest, VelocityRangesAreLimitedAndReversedOnesCoverEverything)
{
    samples_.table["reversed.wav"] = {60, 100, 20};
    samples_.table["wide.wav"] = {60, 0, 200};
    samples_.table["narrow.wav"] = {60, 30, 40};
    ASSERT_TRUE(load(igrImage({{0, "reversed.wav,wide.wav,narrow.wav"}})));
    EXPECT_EQ(map_.program(0)[0].velocityLow, 1);
    EXPECT_EQ(map_.program(0)[0].velocityHigh, 127);
    EXPECT_EQ(map_.program(0)[1].velocityLow, 1);
    EXPECT_EQ(map_.program(0)[1].velocityHigh, 127);
    EXPECT_EQ(map_.program(0)[2].velocityLow, 30);
    EXPECT_EQ(map_.program(0)[2].velocityHigh, 40);
}

TEST_F(IgrLoaderTest, UnreadableSampleFailsWithTheReadersText)
{
    EXPECT_FALSE(load(igrImage({{0, "s1.wav"}}, {{12, "gone.wav"}})));
    EXPECT_EQ(lastStatus(), "Drum instrument #12\nCan't open " + folder_.file("gone.wav"));
    expectEmptyAndUnloaded();
}

TEST_F(IgrLoaderTest, FindsSampleFilesWhateverTheirLetterCase)
{
    folder_.write("Piano C4.WAV", "x");
    folder_.write("exact.wav", "x");
    folder_.write("EXACT.wav", "x");
    samples_.table["Piano C4.WAV"] = {48, 1, 127};
    samples_.table["exact.wav"] = {50, 1, 127};
    ASSERT_TRUE(load(igrImage({{0, "piano c4.wav,exact.wav"}})));
    EXPECT_EQ(samples_.asked, (std::vector<std::string>{folder_.file("Piano C4.WAV"), folder_.file("exact.wav")}));
    EXPECT_EQ(map_.program(0)[0].name, "piano c4.wav");
}

TEST_F(IgrLoaderTest, ContentListing)
{
    using Lines = std::vector<std::string>;
    const std::string programs = "Loaded names of instrument .wav files:";
    const std::string drums = "Loaded names of drum .wav files:";
    const std::string voices =
        "Mastervoices (loaded sample beginnings caused by active programs for fast play at Note on):";
    EXPECT_EQ(igrContentLines(map_, false, {}),
              (Lines{"Sample map:", "--- no .igr file loaded ---", programs, drums, voices}));
    EXPECT_EQ(igrContentLines(map_, true, {}),
              Lines{"Sample map is currently loading, please wait untill its finished."});

    samples_.table["joker.wav"] = {137, 1, 127};
    ASSERT_TRUE(load(igrImage({{0, "s1.wav,joker.wav"}}, {{36, "s2.wav"}})));
    EXPECT_EQ(
        igrContentLines(map_, false, {{"s1.wav", {0, 9}}}),
        (Lines{"Sample map:", folder_.file("group.igr"), programs, "Program 1 s1.wav Key C5 - Velocity from 1 to 127",
               "Program 1 joker.wav Key A* (Joker, like having this sample assigned to all A notes) - "
               "Velocity from 1 to 127",
               drums, "Drum key 36 s2.wav Velocity from 1 to 127", voices, "s1.wav ch: 1 10"}));
}

} // namespace
} // namespace velisto
