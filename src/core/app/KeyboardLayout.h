#pragma once
// Where things are on the virtual keyboard's skin. Every place is defined on a base skin
// of 1130 x 303 and scaled to the window: scale x = window width / 1130, scale y = window
// height / 303, each coordinate rounded half away from zero. Rectangles are half-open
// (right and bottom edges outside), so neighbouring keys that share an edge never both hit.
// Also the 36 computer keys that play keys 12..47 and the letters drawn on them.
// Thread contract: plain values; any thread.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace velisto {

struct SkinRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const SkinRect&) const = default;
};

// The buttons in hit-test order.
enum class KeyboardButton : int {
    DeviceMinus = 0,
    DevicePlus,
    ShowKeys,
    ChannelMinus,
    ChannelPlus,
    OctaveMinus,
    OctavePlus,
    PitchRangeMinus,
    PitchRangePlus,
    Close,
};
inline constexpr int kKeyboardButtonCount = 10;

// A letter drawn on a piano key while the computer keys are shown; x, y in base pixels.
struct KeyLetter {
    char letter = 0;
    int x = 0;
    int y = 0;
};

class KeyboardLayout {
public:
    static constexpr int kBaseWidth = 1130;
    static constexpr int kBaseHeight = 303;
    static constexpr int kKeyCount = 48;
    static constexpr int kKeysPerBlock = 12;
    static constexpr int kVolumeHandleHeight = 13;
    // Base pixels of a full pitch wheel and volume slider travel.
    static constexpr int kPitchWheelTravel = 114;
    static constexpr int kVolumeTravel = 75;

    // width, height: the window's size in logical pixels (the base size when not positive).
    explicit KeyboardLayout(int width = kBaseWidth, int height = kBaseHeight);

    double scaleX() const { return scaleX_; }
    double scaleY() const { return scaleY_; }
    int scaledX(double x) const;
    int scaledY(double y) const;
    SkinRect scaled(const SkinRect& base) const;

    // Base rectangles. A black key has no lower band: its lowerKey rectangle is empty.
    static SkinRect upperKey(int key);
    static SkinRect lowerKey(int key);
    static SkinRect button(KeyboardButton button);
    static SkinRect pitchWheel();
    // The volume handle's whole travel, 127 at the top.
    static SkinRect volumeSlider();
    // The handle's top for main volume 0..127: 170 + (127 - value) / 127 x 75, rounded.
    static int volumeHandleTop(int value);
    static SkinRect volumeHandle(int value);
    // Semitone 1, 3, 6, 8 or 10.
    static bool isBlackKey(int key);

    // Hit tests in window pixels: for keys 0..47 the upper band, then the lower band;
    // the first hit wins.
    std::optional<int> keyAt(int x, int y) const;
    std::optional<KeyboardButton> buttonAt(int x, int y) const;
    bool onPitchWheel(int x, int y) const;
    bool onVolumeHandle(int x, int y, int value) const;

    // The letters drawn on the keys, with the key each stands on.
    static std::span<const KeyLetter> letters();
    static std::optional<int> keyOfLetter(char letter);

private:
    double scaleX_ = 1.0;
    double scaleY_ = 1.0;
};

// The piano key 12..47 that a computer key plays, by its scan code (the PC set-1 code,
// which is also the Linux evdev key code; an X11 or Wayland keycode is evdev + 8, so the
// caller subtracts 8). nullopt for any other code.
std::optional<int> computerKeyOfScanCode(int scanCode);
// The same by the key's character on a US layout (upper-case letter, digit or one of
// "[,.;/"), for platforms that give no scan code. Qt's key codes for these keys are their
// ASCII codes, so a Qt key can be passed as it is.
std::optional<int> computerKeyOfUsKey(int key);

} // namespace velisto
