#include "app/KeyboardModel.h"

#include <gtest/gtest.h>

#include <vector>

namespace velisto {
namespace {

using Messages = KeyboardMessages;

constexpr int kSynth = 2;
constexpr int kOther = 4;

KeyboardMessage on(int device, int channel, int note, int velocity)
{
    return {device, static_cast<std::uint8_t>(0x90 + channel), static_cast<std::uint8_t>(note),
            static_cast<std::uint8_t>(velocity)};
}
KeyboardMessage off(int device, int channel, int note) { return on(device, channel, note, 0); }

KeyboardModel model(int octave = 5, int channel = 0)
{
    KeyboardSettings settings;
    settings.octave = octave;
    settings.channel = channel;
    return KeyboardModel(settings, kSynth);
}

// Centre of a key's upper rectangle at base size.
struct Point {
    int x;
    int y;
};
Point centreOf(int key)
{
    const SkinRect r = KeyboardLayout::upperKey(key);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}
Point centreOf(KeyboardButton button)
{
    const SkinRect r = KeyboardLayout::button(button);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(KeyboardModel, KeysPlayTheirNoteOnceAndReleaseIt)
{
    KeyboardModel keyboard = model(5, 3);
    EXPECT_EQ(keyboard.keyDown(12), (Messages{on(kSynth, 3, 48, 100)}));
    EXPECT_EQ(keyboard.keyDown(12), Messages{}) << "auto-repeat sends nothing";
    EXPECT_EQ(keyboard.soundingNote(12), 48);
    EXPECT_EQ(keyboard.keyUp(12), (Messages{off(kSynth, 3, 48)}));
    EXPECT_EQ(keyboard.keyUp(12), Messages{});
    EXPECT_EQ(keyboard.keyDown(48), Messages{});
    EXPECT_EQ(keyboard.keyDown(-1), Messages{});

    const struct {
        int octave;
        int key;
        int note;
    } notes[] = {{2, 0, 0}, {2, 47, 47}, {5, 0, 36}, {8, 0, 72}, {8, 47, 119}};
    for (const auto& n : notes) {
        KeyboardModel k = model(n.octave);
        EXPECT_EQ(k.keyDown(n.key), (Messages{on(kSynth, 0, n.note, 100)})) << n.octave << " " << n.key;
    }
}

TEST(KeyboardModel, OctaveAndChannelStopAtTheirLimits)
{
    KeyboardModel keyboard = model(8, 15);
    keyboard.stepOctave(+1);
    keyboard.stepChannel(+1);
    EXPECT_EQ(keyboard.octave(), 8);
    EXPECT_EQ(keyboard.channel(), 15);
    EXPECT_EQ(keyboard.caption(), "3. visible C is C8");
    for (int i = 0; i < 20; ++i) {
        keyboard.stepOctave(-1);
        keyboard.stepChannel(-1);
    }
    EXPECT_EQ(keyboard.octave(), 2);
    EXPECT_EQ(keyboard.channel(), 0);
    EXPECT_EQ(keyboard.caption(), "3. visible C is C2");

    // A damaged profile cannot put the keyboard beyond its limits either.
    KeyboardSettings stored;
    stored.octave = 11;
    stored.channel = 16;
    stored.volume = 0;
    const KeyboardModel damaged(stored, kSynth);
    EXPECT_EQ(damaged.octave(), 8);
    EXPECT_EQ(damaged.channel(), 15);
    EXPECT_EQ(damaged.velocity(), 1);
}

TEST(KeyboardModel, ChangesReleaseSoundingNotesWhereTheySounded)
{
    KeyboardModel keyboard = model(5, 2);
    keyboard.keyDown(12);
    keyboard.keyDown(20);
    EXPECT_EQ(keyboard.stepOctave(+1), (Messages{off(kSynth, 2, 48), off(kSynth, 2, 56)}));
    EXPECT_FALSE(keyboard.isKeyDown(12));
    EXPECT_EQ(keyboard.keyDown(12), (Messages{on(kSynth, 2, 60, 100)}));

    EXPECT_EQ(keyboard.stepChannel(+1), (Messages{off(kSynth, 2, 60)}));
    keyboard.keyDown(13);
    const std::vector<int> open{kSynth, kOther};
    EXPECT_EQ(keyboard.stepDevice(+1, open), (Messages{off(kSynth, 3, 61)}));
    EXPECT_EQ(keyboard.device(), kOther);
    keyboard.keyDown(13);
    EXPECT_EQ(keyboard.setDevice(1), (Messages{off(kOther, 3, 61)})) << "the keyboard's device closed";

    // Focus lost with a mouse key and a computer key down: both end, and the mouse's
    // later release sends nothing more.
    const KeyboardLayout layout;
    const Point c = centreOf(0);
    keyboard.mouseDown(layout, c.x, c.y, {}, open);
    keyboard.keyDown(30);
    EXPECT_EQ(keyboard.releaseAll(), (Messages{off(1, 3, 48), off(1, 3, 78)}));
    EXPECT_EQ(keyboard.mouseUp(), Messages{});
    EXPECT_EQ(keyboard.releaseAll(), Messages{});
}

TEST(KeyboardModel, DeviceStepsWrapOverOpenDevices)
{
    const struct {
        std::vector<int> open;
        int from;
        int direction;
        int to;
    } cases[] = {
        {{1, 2, 5}, 2, +1, 5}, {{1, 2, 5}, 5, +1, 1}, {{1, 2, 5}, 1, -1, 5}, {{1, 2, 5}, 5, -1, 2},
        {{2}, 2, +1, 2},       {{2}, 2, -1, 2},       {{1, 5}, 3, +1, 5},    {{1, 5}, 3, -1, 1},
    };
    for (const auto& c : cases) {
        KeyboardModel keyboard(KeyboardSettings{}, c.from);
        keyboard.stepDevice(c.direction, c.open);
        EXPECT_EQ(keyboard.device(), c.to) << c.from << " " << c.direction;
    }
    EXPECT_EQ(KeyboardModel::chooseDevice(KeyboardSettings::kNoDevice, std::vector<int>{1, 2}, 1), 1);
    EXPECT_EQ(KeyboardModel::chooseDevice(3, std::vector<int>{1, 2}, 1), 1);
    EXPECT_EQ(KeyboardModel::chooseDevice(2, std::vector<int>{1, 2}, 1), 2);
}

TEST(KeyboardModel, PitchRangeStaysWithin0To127)
{
    const KeyboardModel keyboard = model(5, 4);
    ChannelView view;
    view.bendSensitivitySlot = 0;
    const struct {
        int current;
        int direction;
        Messages sent;
    } cases[] = {
        {2, +1, {{kSynth, 0x64, 0, 3}}},
        {2, -1, {{kSynth, 0x64, 0, 1}}},
        {0, -1, {}},
        {0, +1, {{kSynth, 0x64, 0, 1}}},
        {127, +1, {}},
        {127, -1, {{kSynth, 0x64, 0, 126}}},
        {-1, +1, {}}, // the standard does not track it
    };
    for (const auto& c : cases) {
        view.bendSensitivity = c.current;
        EXPECT_EQ(keyboard.stepPitchRange(c.direction, view), c.sent) << c.current << " " << c.direction;
    }
}

TEST(KeyboardModel, MouseOnKeysAndButtons)
{
    KeyboardModel keyboard = model();
    const KeyboardLayout twice(2260, 606);
    const std::vector<int> open{kSynth};
    const Point key = centreOf(24);
    KeyboardPress press = keyboard.mouseDown(twice, key.x * 2, key.y * 2, {}, open);
    EXPECT_EQ(press.messages, (Messages{on(kSynth, 0, 60, 100)}));
    EXPECT_EQ(keyboard.mouseKey(), 24);
    EXPECT_EQ(keyboard.mouseUp(), (Messages{off(kSynth, 0, 60)}));

    const Point plus = centreOf(KeyboardButton::OctavePlus);
    press = keyboard.mouseDown(twice, plus.x * 2, plus.y * 2, {}, open);
    EXPECT_EQ(press.button, KeyboardButton::OctavePlus);
    EXPECT_EQ(keyboard.octave(), 6);
    EXPECT_EQ(keyboard.mouseUp(), Messages{});

    const Point show = centreOf(KeyboardButton::ShowKeys);
    keyboard.mouseDown(twice, show.x * 2, show.y * 2, {}, open);
    EXPECT_FALSE(keyboard.showKeys());
    EXPECT_FALSE(keyboard.settings().showkeys);
    EXPECT_EQ(keyboard.settings().deviceindex, kSynth);

    const Point close = centreOf(KeyboardButton::Close);
    EXPECT_TRUE(keyboard.mouseDown(twice, close.x * 2, close.y * 2, {}, open).close);
    EXPECT_EQ(keyboard.mouseDown(twice, 10, 10, {}, open).drag, KeyboardDrag::Window);
    EXPECT_EQ(keyboard.mouseMove(twice, 50, 50), Messages{});
}

TEST(KeyboardModel, WheelAndVolumeDragsScaleAndClamp)
{
    const std::vector<int> open{kSynth};
    ChannelView view;
    view.mainVolume = 100;
    view.mainVolumeSlot = 4;
    view.pitchBend = 8192;

    // At 2x a full wheel travel is 228 pixels: 57 pixels up is a quarter of 16384.
    const KeyboardLayout twice(2260, 606);
    KeyboardModel keyboard = model(5, 1);
    EXPECT_EQ(keyboard.mouseDown(twice, 160, 400, view, open).drag, KeyboardDrag::PitchWheel);
    EXPECT_EQ(keyboard.mouseMove(twice, 160, 343), (Messages{{kSynth, 0xE1, 0, 96}})); // 12288
    EXPECT_EQ(keyboard.mouseMove(twice, 160, 100), (Messages{{kSynth, 0xE1, 0x7F, 0x7F}}));
    EXPECT_EQ(keyboard.mouseMove(twice, 160, 700), (Messages{{kSynth, 0xE1, 0, 0}}));
    EXPECT_EQ(keyboard.mouseUp(), (Messages{{kSynth, 0xE1, 0, 64}})) << "the wheel springs back";
    EXPECT_EQ(keyboard.mouseMove(twice, 160, 343), Messages{});

    // Volume 100: handle at 186..199 in base pixels, 93..99 here; the travel is 37 pixels.
    const KeyboardLayout half(565, 151);
    EXPECT_EQ(keyboard.mouseDown(half, 20, 95, view, open).drag, KeyboardDrag::Volume);
    EXPECT_EQ(keyboard.mouseMove(half, 20, 95 + 19), (Messages{{kSynth, 0xB1, 4, 34}}));
    EXPECT_EQ(keyboard.mouseMove(half, 20, 0), (Messages{{kSynth, 0xB1, 4, 127}}));
    EXPECT_EQ(keyboard.mouseMove(half, 20, 300), (Messages{{kSynth, 0xB1, 4, 0}}));
    EXPECT_EQ(keyboard.mouseUp(), Messages{});

    // Beside the handle the press drags the window.
    EXPECT_EQ(keyboard.mouseDown(half, 20, 130, view, open).drag, KeyboardDrag::Window);
}

} // namespace
} // namespace velisto
