#pragma once
// The virtual keyboard without its window: the "Keyboard" settings it plays with, which of
// its 48 keys sound which note, the key held with the mouse and the drag in progress. Every
// operation answers the messages to send, in order, each for EventOutput::sendEvent on the
// message's device; the window sends them and redraws.
//
// Notes sounding are always released before the device, channel or octave changes, so
// each note-off reaches the device and channel of its note-on with the same note number.
//
// Thread contract: user-interface thread.

#include "app/KeyboardLayout.h"
#include "app/Settings.h"
#include "midi/EventOutput.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velisto {

// One message for EventOutput::sendEvent: a channel event, or an RPN (kind 0x60) whose
// data1 is the RPN slot; data3 is always kNoDrumKey.
struct KeyboardMessage {
    int device = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;

    bool operator==(const KeyboardMessage&) const = default;
};
using KeyboardMessages = std::vector<KeyboardMessage>;

enum class KeyboardDrag { None, Window, PitchWheel, Volume };

// What a mouse press did besides sending.
struct KeyboardPress {
    KeyboardMessages messages;
    std::optional<KeyboardButton> button; // drawn pressed for a moment
    KeyboardDrag drag = KeyboardDrag::None;
    bool close = false; // the close button: the window closes
};

class KeyboardModel {
public:
    static constexpr int kMinOctave = 2;
    static constexpr int kMaxOctave = 8;
    static constexpr int kLastChannel = 15;
    static constexpr int kBendCentre = 8192;

    // device: the device table index the keyboard plays on (see chooseDevice).
    KeyboardModel(const KeyboardSettings& settings, int device);

    // The device a keyboard plays on: the stored one when it is open, else the default
    // device ("deviceindex" 9999 was never chosen). open: the open devices in table order.
    static int chooseDevice(int stored, std::span<const int> open, int defaultDevice);

    // The settings to store, "deviceindex" being the device played on.
    KeyboardSettings settings() const;
    int device() const { return device_; }
    int channel() const { return settings_.channel; }
    int octave() const { return settings_.octave; }
    int velocity() const { return settings_.volume; }
    bool showKeys() const { return settings_.showkeys; }
    // "3. visible C is " and the name of the third block's C.
    std::string caption() const;

    // The note key 0..47 sounds, -1 while the key is up.
    int soundingNote(int key) const;
    bool isKeyDown(int key) const { return soundingNote(key) >= 0; }
    int mouseKey() const { return mouseKey_; }
    KeyboardDrag drag() const { return drag_; }

    // A key 0..47 goes down or up (mouse or computer key). A key that is already down,
    // and a key whose note would lie above 127, sends nothing.
    KeyboardMessages keyDown(int key);
    KeyboardMessages keyUp(int key);
    // Every key up, with the note-offs of those that sound: before any change of device,
    // channel or octave, and when the window loses focus, hides or closes (the key-ups of
    // keys held then never arrive).
    KeyboardMessages releaseAll();

    // -1 or +1: the previous or next open device, wrapping around; open in table order.
    KeyboardMessages stepDevice(int direction, std::span<const int> open);
    // Another device (the keyboard's device closed).
    KeyboardMessages setDevice(int device);
    // -1 or +1 within 0..15 and 2..8; nothing happens at the ends.
    KeyboardMessages stepChannel(int direction);
    KeyboardMessages stepOctave(int direction);
    // The channel's bend sensitivity (from the live state) -1 or +1, while within 0..127.
    KeyboardMessages stepPitchRange(int direction, const ChannelView& view) const;
    void toggleShowKeys() { settings_.showkeys = !settings_.showkeys; }
    // Not set by any button: the window offers its own control. Clamped to 1..127.
    void setVelocity(int velocity);

    // The mouse in window pixels. view: the keyboard's channel of its device now.
    KeyboardPress mouseDown(const KeyboardLayout& layout, int x, int y, const ChannelView& view,
                            std::span<const int> open);
    // Wheel and volume drags send their new value; a window drag is the window's business.
    KeyboardMessages mouseMove(const KeyboardLayout& layout, int x, int y);
    // The held key's note-off, and the wheel back to its centre after a wheel drag.
    KeyboardMessages mouseUp();

private:
    KeyboardMessage message(int status, int data1, int data2) const;
    KeyboardMessages buttonDown(KeyboardButton button, const ChannelView& view, std::span<const int> open, bool& close);

    KeyboardSettings settings_;
    int device_ = 0;
    std::array<int, KeyboardLayout::kKeyCount> keyNotes_{};
    int mouseKey_ = -1;
    KeyboardDrag drag_ = KeyboardDrag::None;
    int pressY_ = 0;
    int dragStartValue_ = 0;
    int dragSlot_ = -1; // the volume drag's controller slot
};

} // namespace velisto
