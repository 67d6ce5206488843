#include "app/KeyboardLayout.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace velisto {
namespace {

struct HitCase {
    int x;
    int y;
    std::optional<int> key;
};

TEST(KeyboardLayout, KeysAtBandEdgesAndBlockOverlapsAtBaseSize)
{
    const KeyboardLayout layout;
    const HitCase cases[] = {
        {119, 95, 0},             // top-left corner of the first key
        {119, 94, std::nullopt},  // above the upper band
        {141, 150, 0},            // last pixel of C in the upper band
        {142, 150, 1},            // the shared edge belongs to C#
        {153, 250, std::nullopt}, // the gap between the white keys' lower rectangles
        {150, 227, 1},            // last row of the upper band is C#
        {150, 228, 0},            // first row of the lower band is C's wide part
        {150, 294, 0},
        {150, 295, std::nullopt}, // below the lower band
        {326, 150, 9},            // A and A# overlap at 326: the lower key number wins
        {366, 150, std::nullopt}, // right edge of the first block is outside
        {367, 150, 12},           // second block
        {610, 150, 23},           // the second block's B reaches into the third block
        {610, 250, 23},
        {615, 150, 24},
        {849, 150, 35}, // the fourth block starts under the third block's B
        {856, 150, 36},
        {1094, 150, 47}, // last key: 345 + 730 .. 366 + 730
        {1096, 150, std::nullopt},
    };
    for (const HitCase& c : cases)
        EXPECT_EQ(layout.keyAt(c.x, c.y), c.key) << c.x << "," << c.y;
}

TEST(KeyboardLayout, ScalingRoundsHalfAwayFromZero)
{
    // Half width; 151 high is as near to half as the odd base height allows.
    const KeyboardLayout half(565, 151);
    EXPECT_DOUBLE_EQ(half.scaleX(), 0.5);
    EXPECT_EQ(half.scaledX(119), 60); // 59.5
    EXPECT_EQ(half.scaledX(-119), -60);
    EXPECT_EQ(half.scaled(KeyboardLayout::button(KeyboardButton::DevicePlus)), (SkinRect{215, 19, 224, 25}));

    const KeyboardLayout twice(2260, 606);
    EXPECT_EQ(twice.scaled(KeyboardLayout::upperKey(13)), (SkinRect{2 * 390, 190, 2 * 408, 456}));

    const struct {
        const KeyboardLayout& layout;
        int x;
        int y;
        std::optional<int> key;
    } cases[] = {
        {half, 60, 48, 0}, // 119 -> 59.5 -> 60
        {half, 59, 48, std::nullopt},
        {half, 305, 75, 23}, // 610 at base
        {half, 71, 75, 1},   // 142 -> 71: C# starts where C ends
        {twice, 1220, 300, 23},
        {twice, 1227, 300, 23}, // B's upper range ends at 614 x 2
        {twice, 1228, 300, 24},
        {twice, 2191, 300, 47},
        {twice, 2192, 300, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.layout.keyAt(c.x, c.y), c.key) << c.layout.scaleX() << ": " << c.x << "," << c.y;
}

TEST(KeyboardLayout, ButtonsInHitTestOrder)
{
    const KeyboardLayout layout;
    const struct {
        int x;
        int y;
        std::optional<KeyboardButton> button;
    } cases[] = {
        {385, 38, KeyboardButton::DeviceMinus},
        {404, 38, std::nullopt},
        {446, 50, KeyboardButton::DevicePlus},
        {340, 70, KeyboardButton::ShowKeys},
        {390, 70, KeyboardButton::ChannelMinus},
        {430, 70, KeyboardButton::ChannelPlus},
        {428, 63, std::nullopt}, // channel plus starts a row lower
        {740, 40, KeyboardButton::OctaveMinus},
        {790, 48, KeyboardButton::OctavePlus},
        {740, 70, KeyboardButton::PitchRangeMinus},
        {790, 76, KeyboardButton::PitchRangePlus},
        {830, 70, KeyboardButton::Close},
        {842, 70, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(layout.buttonAt(c.x, c.y), c.button) << c.x << "," << c.y;

    const KeyboardLayout twice(2260, 606);
    EXPECT_EQ(twice.buttonAt(1650, 140), KeyboardButton::Close);
    EXPECT_EQ(twice.buttonAt(830, 70), std::nullopt);
}

TEST(KeyboardLayout, WheelAndVolumeHandle)
{
    const KeyboardLayout layout;
    EXPECT_TRUE(layout.onPitchWheel(65, 157));
    EXPECT_FALSE(layout.onPitchWheel(97, 200));
    EXPECT_FALSE(layout.onPitchWheel(80, 269));

    EXPECT_EQ(KeyboardLayout::volumeHandleTop(127), 170);
    EXPECT_EQ(KeyboardLayout::volumeHandleTop(0), 245);
    EXPECT_EQ(KeyboardLayout::volumeHandleTop(100), 186); // 15.94 rounds up
    EXPECT_EQ(KeyboardLayout::volumeHandleTop(64), 207);  // 37.2 rounds down
    EXPECT_TRUE(layout.onVolumeHandle(30, 186 + 12, 100));
    EXPECT_FALSE(layout.onVolumeHandle(30, 186 + 13, 100));
    EXPECT_FALSE(layout.onVolumeHandle(30, 185, 100));
}

TEST(KeyboardLayout, BlackKeysAndLetters)
{
    int black = 0;
    for (int key = 0; key < KeyboardLayout::kKeyCount; ++key) {
        black += KeyboardLayout::isBlackKey(key) ? 1 : 0;
        // Only white keys reach into the lower band.
        EXPECT_EQ(KeyboardLayout::lowerKey(key) == SkinRect{}, KeyboardLayout::isBlackKey(key)) << key;
    }
    EXPECT_EQ(black, 20);
    EXPECT_TRUE(KeyboardLayout::isBlackKey(13));
    EXPECT_FALSE(KeyboardLayout::isBlackKey(48));

    // Letters on the black keys are in the upper row, the others in the lower row, each
    // drawn inside its own key's block.
    const KeyboardLayout layout;
    for (const KeyLetter& letter : KeyboardLayout::letters()) {
        const auto key = KeyboardLayout::keyOfLetter(letter.letter);
        ASSERT_TRUE(key) << letter.letter;
        EXPECT_EQ(letter.y == 202, KeyboardLayout::isBlackKey(*key)) << letter.letter;
        EXPECT_EQ(layout.keyAt(letter.x, letter.y).value_or(-100) / 12, *key / 12) << letter.letter;
    }
    EXPECT_EQ(KeyboardLayout::keyOfLetter('Q'), 12);
    EXPECT_EQ(KeyboardLayout::keyOfLetter('L'), 44);
}

TEST(KeyboardLayout, TheThirtySixScanCodesPlayKeys12To47)
{
    const int codes[] = {16, 3,  17, 4,  18, 19, 6,  20, 7,  21, 8,  22, 23, 10, 24, 11, 25, 26,
                         30, 44, 31, 45, 32, 46, 47, 34, 48, 35, 49, 50, 37, 51, 38, 52, 39, 53};
    std::set<int> listed;
    for (int i = 0; i < 36; ++i) {
        EXPECT_EQ(computerKeyOfScanCode(codes[i]), 12 + i) << codes[i];
        listed.insert(codes[i]);
    }
    for (int code = -1; code < 256; ++code) {
        if (!listed.contains(code)) {
            EXPECT_EQ(computerKeyOfScanCode(code), std::nullopt) << code;
        }
    }
    // The US layout's characters, for platforms without scan codes.
    EXPECT_EQ(computerKeyOfUsKey('Q'), 12);
    EXPECT_EQ(computerKeyOfUsKey('2'), 13);
    EXPECT_EQ(computerKeyOfUsKey('['), 29);
    EXPECT_EQ(computerKeyOfUsKey('/'), 47);
    EXPECT_EQ(computerKeyOfUsKey('q'), std::nullopt);
    EXPECT_EQ(computerKeyOfUsKey('1'), std::nullopt);
}

} // namespace
} // namespace velisto
