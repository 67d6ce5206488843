// The karaoke window as a run drives it through the GUI's hooks: opened only for a song
// with text, catching up with the ticks stored meanwhile, drawn with the ball over the
// current line, and closed again.
#include "GuiKaraokeHooks.h"

#include "song/Song.h"

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

TEST(CKaraokeWndText, ValidUtf8IsDecodedAsSuchAndAnythingElseAsLatin1)
{
    EXPECT_EQ(CKaraokeWnd::decodeText("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
    EXPECT_EQ(CKaraokeWnd::decodeText("caf\xE9 "), QString::fromLatin1("caf\xE9 "));
}

} // namespace
} // namespace velisto::test
