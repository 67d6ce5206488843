// The karaoke window as a run drives it through the GUI's hooks: opened only for a song
// with text, catching up with the ticks stored meanwhile, drawn with the ball over the
// current line, and closed again; and the same through a real run of the demo song.
#include "GuiKaraokeHooks.h"
#include "gui/GuiTestSupport.h"

#include "app/CommandIds.h"

#include "song/Song.h"

#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace velisto::test {
namespace {

void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// 4/4 at ppq 480; two lines, the second starting two measures later.
std::unique_ptr<Song> lyricSong()
{
    auto song = std::make_unique<Song>();
    song->ppq = 480;
    const std::pair<std::int32_t, std::string> lyrics[] = {
        {0, "/Sing "}, {240, "a "}, {480, "song "}, {3840, "/Next "}, {4080, "line "}};
    for (const auto& [tick, text] : lyrics)
        song->tracks[0].append(MidiEvent::textEvent(tick, EventKind::Lyric, text));
    return song;
}

int countColour(const QImage& image, QRect area, QColor colour)
{
    int count = 0;
    for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y)
        for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right()); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

class CKaraokeWndTest : public ::testing::Test {
protected:
    QWidget frame;
    GuiKaraokeHooks hooks{&frame};
};

TEST_F(CKaraokeWndTest, OpensOnlyForSongTextAndClosesWithTheRun)
{
    Song silent;
    silent.ppq = 480;
    EXPECT_FALSE(hooks.open(silent, 0));
    settle();
    EXPECT_EQ(hooks.window(), nullptr);

    const auto song = lyricSong();
    ASSERT_TRUE(hooks.open(*song, 0));
    settle();
    ASSERT_NE(hooks.window(), nullptr);
    EXPECT_TRUE(hooks.window()->isVisible());
    hooks.close();
    settle();
    EXPECT_EQ(hooks.window(), nullptr);
}

TEST_F(CKaraokeWndTest, CatchesUpWithTheTicksPlayedAndDrawsLinesAndBall)
{
    const auto song = lyricSong();
    ASSERT_TRUE(hooks.open(*song, 0));
    settle();
    CKaraokeWnd* window = hooks.window();
    ASSERT_NE(window, nullptr);

    // Ticks are only stored; the window moves when a refresh reaches it.
    for (std::int32_t tick = 0; tick <= 300; ++tick)
        hooks.advance(tick);
    EXPECT_EQ(window->model().currentText(), "");
    hooks.refresh();
    hooks.refresh(); // a second refresh before the first ran adds nothing
    settle();
    EXPECT_EQ(window->model().currentText(), "Sing a song ");
    EXPECT_EQ(window->model().nextText(), "Next line ");
    // Between "a" (tick 240) and "song" (tick 480) the ball is between their places.
    const auto waypoints = window->model().waypoints();
    ASSERT_GE(waypoints.size(), 4U);
    const int ballX = window->model().ballX();
    EXPECT_GE(ballX, waypoints[2].x);
    EXPECT_LT(ballX, waypoints[3].x);

    QImage image(window->size(), QImage::Format_RGB32);
    window->render(&image);
    const int offset = window->model().textOffset();
    const int ballTop = offset - window->model().ballHeight() - CKaraokeWnd::kBallSize;
    EXPECT_EQ(image.pixelColor(ballX + 6, ballTop + 6), QColor(200, 30, 30));
    EXPECT_EQ(image.pixelColor(2, 2), QColor(192, 192, 192));
    const QRect currentLine(0, offset, KaraokeModel::kLineWidth, KaraokeModel::kLineHeight);
    EXPECT_GT(countColour(image, currentLine, QColor(20, 40, 150)), 50);
    EXPECT_GT(countColour(image, currentLine.translated(0, KaraokeModel::kLineHeight), QColor(142, 142, 142)), 50);

    // At the end the second line is sung and the ball leaves to the right.
    hooks.advance(4000);
    hooks.refresh();
    settle();
    EXPECT_EQ(window->model().currentText(), "Next line ");
    hooks.advance(20000);
    hooks.refresh();
    settle();
    EXPECT_EQ(window->model().ballX(), KaraokeModel::kLeadOutX);
}

// The demo song played on simulated time: its lyrics are in track 2, its pick-up "A" at
// tick 2880 after a 4/4 count-in, then "ma" (3360), "zing " (4320), "grace " (4800),
// "how " (5760). Syllables more than a third of a 3/4 measure (480 ticks) apart start a
// new line, so the lines are "A ma", "zing grace ", "how sweet ".
class CKaraokeRunTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        const std::filesystem::path demo = quietDemo();
        run = start();
        ASSERT_TRUE(run.started);
        files.answers = {demo};
        run.frame().action(CommandId::Open)->trigger();
        settle();
    }
    void TearDown() override
    {
        if (run.app && run.app->frame() && run.app->frame()->isVisible()) {
            prompt.answers = {PromptAnswer::No};
            finish(run);
        }
    }
    // Plays on until the run has passed tick, then lets the window catch up with it.
    std::int32_t playTo(std::int32_t tick)
    {
        CMidiThread* playing = run.frame().controller().playThread();
        EXPECT_NE(playing, nullptr);
        for (int i = 0; i < 5000 && playing && playing->currentTick() < tick; ++i)
            run.timer->advance(std::chrono::milliseconds(5));
        run.frame().karaoke().refresh();
        settle();
        return playing ? playing->currentTick() : -1;
    }
    CKaraokeWnd* window() { return run.frame().karaoke().window(); }

    GuiRun run;
};

TEST_F(CKaraokeRunTest, TheDemoSongsLinesAndBallFollowThePlayedTicks)
{
    run.frame().action(CommandId::Play)->trigger();
    settle();
    ASSERT_NE(run.frame().controller().playThread(), nullptr);
    run.frame().controller().playThread()->joinWorker();
    settle();
    ASSERT_NE(window(), nullptr) << "the song text track has lyrics: the run opens the window";

    // Between "A" and "ma": the first line is sung, the ball between their places.
    const std::int32_t between = playTo(3100);
    ASSERT_GT(between, 2880) << "the run reached the first syllable";
    ASSERT_LT(between, 3360);
    EXPECT_EQ(window()->model().currentText(), "A ma");
    EXPECT_EQ(window()->model().nextText(), "zing grace ");
    const auto first = window()->model().waypoints();
    ASSERT_EQ(first.size(), 4U); // lead-in, two syllables, lead-out
    EXPECT_EQ(first[1].tick, 2880);
    EXPECT_EQ(first[2].tick, 3360);
    EXPECT_GT(window()->model().ballX(), first[1].x);
    EXPECT_LT(window()->model().ballX(), first[2].x);

    QImage image(window()->size(), QImage::Format_RGB32);
    window()->render(&image);
    const int ballTop = window()->model().textOffset() - window()->model().ballHeight() - CKaraokeWnd::kBallSize;
    EXPECT_EQ(image.pixelColor(window()->model().ballX() + 6, ballTop + 6), QColor(200, 30, 30));
    const QRect currentLine(0, window()->model().textOffset(), KaraokeModel::kLineWidth, KaraokeModel::kLineHeight);
    EXPECT_GT(countColour(image, currentLine, QColor(20, 40, 150)), 50);

    // Half a beat before "zing" the next line comes in; once "zing" is sung it is the
    // current line, centred, and the one after it waits below.
    playTo(4500);
    EXPECT_EQ(window()->model().currentText(), "zing grace ");
    EXPECT_EQ(window()->model().nextText(), "how sweet ");
    EXPECT_EQ(window()->model().textOffset(), KaraokeModel::kLineHeight);

    run.frame().action(CommandId::Play)->trigger(); // stops the run
    settle();
    runUntilEnded(run);
    EXPECT_EQ(window(), nullptr) << "the window ends with the run";
}

TEST(CKaraokeWndText, ValidUtf8IsDecodedAsSuchAndAnythingElseAsLatin1)
{
    EXPECT_EQ(CKaraokeWnd::decodeText("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
    EXPECT_EQ(CKaraokeWnd::decodeText("caf\xE9 "), QString::fromLatin1("caf\xE9 "));
}

} // namespace
} // namespace velisto::test
