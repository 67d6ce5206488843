#include "app/KaraokeModel.h"

#include "song/Song.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace velisto {
namespace {

using Texts = std::vector<std::string>;

struct Lyric {
    std::int32_t tick;
    std::string text;
};

// Every character 10 pixels wide.
int width(std::string_view text) { return 10 * static_cast<int>(text.size()); }

// 4/4 at ppq 480: a measure is 1920 ticks.
std::unique_ptr<Song> songOf(const std::vector<Lyric>& lyrics, std::uint8_t kind = EventKind::Lyric)
{
    auto song = std::make_unique<Song>();
    song->ppq = 480;
    for (const Lyric& lyric : lyrics)
        song->tracks[0].append(MidiEvent::textEvent(lyric.tick, kind, lyric.text));
    return song;
}

// The lines in the order they become the current line, played from tick 0 to the end.
Texts linesSung(const std::vector<Lyric>& lyrics, const KaraokeSettings& settings)
{
    const auto song = songOf(lyrics);
    KaraokeModel model(*song, settings, 0, width);
    Texts lines;
    for (std::int32_t tick = 0; tick < lyrics.back().tick + 4000; ++tick) {
        model.advanceTo(tick);
        if (!model.currentText().empty() && (lines.empty() || lines.back() != model.currentText()))
            lines.push_back(model.currentText());
    }
    EXPECT_EQ(model.ballX(), KaraokeModel::kLeadOutX) << "the ball leaves at the end";
    return lines;
}

TEST(KaraokeModel, LinesAreBrokenByMarksTimeAndRoom)
{
    KaraokeSettings plain;
    KaraokeSettings oneMeasure;
    oneMeasure.karaoketakteprozeile = 1;
    KaraokeSettings blanks;
    blanks.insertblank = true;
    const std::vector<Lyric> seventeen = [] {
        std::vector<Lyric> lyrics;
        for (int i = 0; i < 17; ++i)
            lyrics.push_back({60 * i, "x"});
        return lyrics;
    }();

    const struct {
        const char* name;
        std::vector<Lyric> lyrics;
        KaraokeSettings settings;
        Texts lines;
    } cases[] = {
        {"a slash starts a line",
         {{0, "Amazing "}, {240, "grace "}, {480, "/How "}, {720, "sweet"}},
         plain,
         {"Amazing grace ", "How sweet"}},
        {"a backslash on an empty line", {{0, "\\Hel"}, {240, "lo"}}, plain, {"Hello"}},
        {"an @ text is never shown",
         {{0, "@KMIDI KARAOKE FILE"}, {0, "Hel"}, {240, "lo"}, {300, "@Tsong"}},
         plain,
         {"Hello"}},
        {"a line holds one measure and 10 ticks",
         {{0, "a "}, {600, "b "}, {1200, "c "}, {1800, "d "}, {1930, "e "}, {1931, "f "}},
         oneMeasure,
         {"a b c d e ", "f "}},
        {"a third of a measure apart", {{0, "a "}, {640, "b "}, {1281, "c "}}, plain, {"a b ", "c "}},
        {"sixteen syllables to a line", seventeen, plain, {std::string(16, 'x'), "x"}},
        {"blanks inserted", {{0, "la"}, {120, "di "}, {240, "da"}}, blanks, {"la di da "}},
        {"lines end where they would pass x 740",
         {{0, std::string(70, 'a')}, {10, std::string(20, 'b')}, {20, "c"}},
         plain,
         {std::string(70, 'a'), std::string(20, 'b') + "c"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(linesSung(c.lyrics, c.settings), c.lines) << c.name;
}

TEST(KaraokeModel, ASyllableWiderThanALineStillTakesALine)
{
    const std::string wide(160, 'w'); // its ball would stand at x 786
    const Texts lines = linesSung({{0, "a"}, {100, wide}, {200, "b"}}, {});
    EXPECT_EQ(lines, (Texts{"a", wide, "b"}));
}

TEST(KaraokeModel, SongTextTrackHasTextOfTheChosenKind)
{
    const struct {
        std::vector<Lyric> lyrics;
        std::uint8_t kind;
        bool textAsLyric;
        int track;
        bool has;
    } cases[] = {
        {{{0, "la"}}, EventKind::Lyric, false, 1, true},
        {{{0, "la"}}, EventKind::Lyric, true, 1, false},
        {{{0, "la"}}, EventKind::Text, true, 1, true},
        {{{0, "@Ttitle"}, {0, "/"}, {0, ""}}, EventKind::Lyric, false, 1, false},
        {{{0, "la"}}, EventKind::Lyric, false, 2, false},
        {{{0, "la"}}, EventKind::Lyric, false, 0, false},
        {{{0, "la"}}, EventKind::Lyric, false, 257, false},
    };
    for (const auto& c : cases) {
        KaraokeSettings settings;
        settings.textaslyric = c.textAsLyric;
        settings.songtexttrack = c.track;
        EXPECT_EQ(songTextTrackHasText(*songOf(c.lyrics, c.kind), settings), c.has)
            << c.lyrics.front().text << " " << c.track;
    }
}

// "ab" and "cd", 10 pixels each per character, centred in 790: the syllables' x are 385
// and 405; the line comes in half a beat (240 ticks) before its first syllable.
class KaraokeBall : public ::testing::Test {
protected:
    void play(std::int32_t first, std::int32_t second)
    {
        song = songOf({{first, "ab"}, {second, "cd"}});
        model = std::make_unique<KaraokeModel>(*song, KaraokeSettings{}, 0, width);
    }
    std::unique_ptr<Song> song;
    std::unique_ptr<KaraokeModel> model;
};

TEST_F(KaraokeBall, WaypointsAreCentredBetweenLeadInAndLeadOut)
{
    play(1000, 1100);
    model->advanceTo(760);
    EXPECT_EQ(std::vector<KaraokeWaypoint>(model->waypoints().begin(), model->waypoints().end()),
              (std::vector<KaraokeWaypoint>{{760, -80}, {1000, 385}, {1100, 405}, {1340, 900}}));
}

TEST_F(KaraokeBall, StepsFallOnTicksOfEighteenthsOfTheSegment)
{
    play(1000, 1100); // dt 100: step s at 1000 + s x 100 / 18, truncated
    const struct {
        std::int32_t tick;
        int segment;
        int nextStep;
        int x;
        int height;
    } cases[] = {
        {1000, 1, 1, 385, 20},  // the lead-in's last step
        {1004, 1, 1, 385, 20},  // not yet: step 1 is due at 1005
        {1005, 1, 2, 386, 20},  // step 1
        {1049, 1, 9, 393, 3},   // step 8
        {1050, 1, 10, 395, 3},  // step 9: the bottom of the hop
        {1093, 1, 17, 402, 13}, // step 16
        {1094, 1, 18, 403, 16}, // step 17
        {1100, 2, 1, 405, 20},  // step 18 lands at the syllable
    };
    for (const auto& c : cases) {
        model->advanceTo(c.tick);
        EXPECT_EQ(model->segment(), c.segment) << c.tick;
        EXPECT_EQ(model->step(), c.nextStep) << c.tick;
        EXPECT_EQ(model->ballX(), c.x) << c.tick;
        EXPECT_EQ(model->ballHeight(), c.height) << c.tick;
    }
}

TEST_F(KaraokeBall, SyllablesAtOneTickAreCrossedAtOnce)
{
    play(1000, 1000);
    model->advanceTo(999);
    EXPECT_EQ(model->segment(), 0);
    model->advanceTo(1000);
    EXPECT_EQ(model->segment(), 2);
    EXPECT_EQ(model->step(), 1);
    EXPECT_EQ(model->ballX(), 405);
    EXPECT_EQ(model->ballHeight(), 20);
}

TEST_F(KaraokeBall, TheLeadInMovesTheTextUpThenTheLineTakesItsPlace)
{
    play(1000, 1100); // lead-in from 760: step s at 760 + s x 240 / 18
    EXPECT_EQ(model->nextText(), "abcd");
    const struct {
        std::int32_t tick;
        int offset;
        const char* current;
        const char* next;
    } cases[] = {
        {759, 40, "", "abcd"},  // before the lead-in
        {773, 40, "", "abcd"},  // step 1
        {880, 22, "", "abcd"},  // step 9
        {999, 4, "", "abcd"},   // step 17
        {1000, 40, "abcd", ""}, // step 18
    };
    for (const auto& c : cases) {
        model->advanceTo(c.tick);
        EXPECT_EQ(model->textOffset(), c.offset) << c.tick;
        EXPECT_EQ(model->currentText(), c.current) << c.tick;
        EXPECT_EQ(model->nextText(), c.next) << c.tick;
    }
}

TEST_F(KaraokeBall, TheNextLineComesHalfABeatBeforeItsFirstSyllableAndTheBallLeavesAtTheEnd)
{
    song = songOf({{0, "a"}, {3840, "/b"}});
    model = std::make_unique<KaraokeModel>(*song, KaraokeSettings{}, 0, width);
    model->advanceTo(3599);
    EXPECT_EQ(model->currentText(), "a");
    EXPECT_EQ(model->nextText(), "b");
    EXPECT_EQ(model->ballX(), 900) << "the first line's lead-out";
    EXPECT_TRUE(model->advanceTo(3600));
    EXPECT_EQ(model->currentText(), "");
    EXPECT_EQ(model->waypoints().front().tick, 3600);

    model->advanceTo(3840 + 240 - 1);
    EXPECT_EQ(model->currentText(), "b");
    EXPECT_LT(model->ballX(), 900);
    EXPECT_TRUE(model->advanceTo(3840 + 240 + 1));
    EXPECT_EQ(model->ballX(), 900);
    EXPECT_EQ(model->currentText(), "");
    EXPECT_EQ(model->readIndex(), -1);
    EXPECT_FALSE(model->advanceTo(10000));
}

TEST_F(KaraokeBall, ReadingStartsAtTheRunsStartAndNeverBeforeIt)
{
    song = songOf({{0, "old"}, {1000, "new"}, {1500, "er"}});
    song->tracks[0].tickOffset = -60;
    model = std::make_unique<KaraokeModel>(*song, KaraokeSettings{}, 1000, width);
    EXPECT_EQ(model->nextText(), "newer");
    model->advanceTo(1000);
    ASSERT_EQ(model->waypoints().size(), 4u);
    EXPECT_EQ(model->waypoints()[1].tick, 1000) << "moved before the start by the offset";
    EXPECT_EQ(model->waypoints()[2].tick, 1440);
}

} // namespace
} // namespace velisto
