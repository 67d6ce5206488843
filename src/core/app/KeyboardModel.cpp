#include "app/KeyboardModel.h"

#include "song/MidiEvent.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velisto {
namespace {

constexpr int kMaxNote = 127;
constexpr int kMaxBend = 16383;

// Stored values are taken as they are; a damaged profile must not make the keyboard send
// on a channel above 15 (another status) or notes it cannot release.
KeyboardSettings checked(KeyboardSettings settings)
{
    settings.channel = std::clamp(settings.channel, 0, KeyboardModel::kLastChannel);
    settings.octave = std::clamp(settings.octave, KeyboardModel::kMinOctave, KeyboardModel::kMaxOctave);
    settings.volume = std::clamp(settings.volume, 1, kMaxNote);
    return settings;
}

bool validKey(int key) { return key >= 0 && key < KeyboardLayout::kKeyCount; }

// A drag's value: the start value less the mouse's way down as a share of the full travel.
int dragValue(int start, int deltaY, int travelPixels, int range, int maximum)
{
    const double moved = static_cast<double>(deltaY) / std::max(travelPixels, 1) * range;
    return std::clamp(start - static_cast<int>(std::lround(moved)), 0, maximum);
}

} // namespace

KeyboardModel::KeyboardModel(const KeyboardSettings& settings, int device)
    : settings_(checked(settings)), device_(device)
{
    keyNotes_.fill(-1);
}

int KeyboardModel::chooseDevice(int stored, std::span<const int> open, int defaultDevice)
{
    return std::find(open.begin(), open.end(), stored) != open.end() ? stored : defaultDevice;
}

KeyboardSettings KeyboardModel::settings() const
{
    KeyboardSettings stored = settings_;
    stored.deviceindex = device_;
    return stored;
}

std::string KeyboardModel::caption() const { return "3. visible C is " + noteName(settings_.octave * 12, false); }

int KeyboardModel::soundingNote(int key) const { return validKey(key) ? keyNotes_[static_cast<std::size_t>(key)] : -1; }

KeyboardMessage KeyboardModel::message(int status, int data1, int data2) const
{
    return {device_, static_cast<std::uint8_t>(status + settings_.channel), static_cast<std::uint8_t>(data1),
            static_cast<std::uint8_t>(data2)};
}

KeyboardMessages KeyboardModel::keyDown(int key)
{
    const int note = key + (settings_.octave - kMinOctave) * 12;
    if (!validKey(key) || isKeyDown(key) || note > kMaxNote)
        return {};
    keyNotes_[static_cast<std::size_t>(key)] = note;
    return {message(EventKind::Note, note, settings_.volume)};
}

KeyboardMessages KeyboardModel::keyUp(int key)
{
    if (!isKeyDown(key))
        return {};
    const int note = std::exchange(keyNotes_[static_cast<std::size_t>(key)], -1);
    return {message(EventKind::Note, note, 0)};
}

KeyboardMessages KeyboardModel::releaseAll()
{
    KeyboardMessages messages;
    for (int key = 0; key < KeyboardLayout::kKeyCount; ++key) {
        const KeyboardMessages off = keyUp(key);
        messages.insert(messages.end(), off.begin(), off.end());
    }
    mouseKey_ = -1;
    return messages;
}

KeyboardMessages KeyboardModel::setDevice(int device)
{
    if (device == device_)
        return {};
    KeyboardMessages messages = releaseAll();
    device_ = device;
    return messages;
}

KeyboardMessages KeyboardModel::stepDevice(int direction, std::span<const int> open)
{
    if (open.empty())
        return {};
    int next = direction < 0 ? open.back() : open.front(); // wrapped around
    if (direction < 0) {
        const auto before = std::find_if(open.rbegin(), open.rend(), [this](int d) { return d < device_; });
        if (before != open.rend())
            next = *before;
    } else {
        const auto after = std::find_if(open.begin(), open.end(), [this](int d) { return d > device_; });
        if (after != open.end())
            next = *after;
    }
    return setDevice(next);
}

KeyboardMessages KeyboardModel::stepChannel(int direction)
{
    const int channel = std::clamp(settings_.channel + direction, 0, kLastChannel);
    if (channel == settings_.channel)
        return {};
    KeyboardMessages messages = releaseAll();
    settings_.channel = channel;
    return messages;
}

KeyboardMessages KeyboardModel::stepOctave(int direction)
{
    const int octave = std::clamp(settings_.octave + direction, kMinOctave, kMaxOctave);
    if (octave == settings_.octave)
        return {};
    KeyboardMessages messages = releaseAll();
    settings_.octave = octave;
    return messages;
}

KeyboardMessages KeyboardModel::stepPitchRange(int direction, const ChannelView& view) const
{
    const int value = view.bendSensitivity + direction;
    if (view.bendSensitivity < 0 || view.bendSensitivitySlot < 0 || value < 0 || value > kMaxNote)
        return {};
    return {message(EventKind::Rpn, view.bendSensitivitySlot, value)};
}

void KeyboardModel::setVelocity(int velocity) { settings_.volume = std::clamp(velocity, 1, kMaxNote); }

KeyboardMessages KeyboardModel::buttonDown(KeyboardButton button, const ChannelView& view, std::span<const int> open,
                                           bool& close)
{
    switch (button) {
    case KeyboardButton::DeviceMinus:
        return stepDevice(-1, open);
    case KeyboardButton::DevicePlus:
        return stepDevice(+1, open);
    case KeyboardButton::ShowKeys:
        toggleShowKeys();
        return {};
    case KeyboardButton::ChannelMinus:
        return stepChannel(-1);
    case KeyboardButton::ChannelPlus:
        return stepChannel(+1);
    case KeyboardButton::OctaveMinus:
        return stepOctave(-1);
    case KeyboardButton::OctavePlus:
        return stepOctave(+1);
    case KeyboardButton::PitchRangeMinus:
        return stepPitchRange(-1, view);
    case KeyboardButton::PitchRangePlus:
        return stepPitchRange(+1, view);
    case KeyboardButton::Close:
        close = true;
        return releaseAll();
    }
    return {};
}

KeyboardPress KeyboardModel::mouseDown(const KeyboardLayout& layout, int x, int y, const ChannelView& view,
                                       std::span<const int> open)
{
    KeyboardPress press;
    if (const auto key = layout.keyAt(x, y)) {
        mouseKey_ = *key;
        press.messages = keyDown(*key);
        return press;
    }
    if (const auto button = layout.buttonAt(x, y)) {
        press.button = button;
        press.messages = buttonDown(*button, view, open, press.close);
        return press;
    }
    pressY_ = y;
    if (layout.onPitchWheel(x, y)) {
        drag_ = KeyboardDrag::PitchWheel;
        dragStartValue_ = std::clamp(view.pitchBend, 0, kMaxBend);
    } else if (view.mainVolumeSlot >= 0 && view.mainVolume >= 0 && layout.onVolumeHandle(x, y, view.mainVolume)) {
        drag_ = KeyboardDrag::Volume;
        dragStartValue_ = view.mainVolume;
        dragSlot_ = view.mainVolumeSlot;
    } else {
        drag_ = KeyboardDrag::Window;
    }
    press.drag = drag_;
    return press;
}

KeyboardMessages KeyboardModel::mouseMove(const KeyboardLayout& layout, int /*x*/, int y)
{
    const int deltaY = y - pressY_;
    if (drag_ == KeyboardDrag::PitchWheel) {
        const int value = dragValue(dragStartValue_, deltaY, layout.scaledY(KeyboardLayout::kPitchWheelTravel),
                                    kMaxBend + 1, kMaxBend);
        return {message(EventKind::PitchBend, value & 0x7F, value >> 7)};
    }
    if (drag_ == KeyboardDrag::Volume) {
        const int value =
            dragValue(dragStartValue_, deltaY, layout.scaledY(KeyboardLayout::kVolumeTravel), kMaxNote + 1, kMaxNote);
        return {message(EventKind::Controller, dragSlot_, value)};
    }
    return {};
}

KeyboardMessages KeyboardModel::mouseUp()
{
    KeyboardMessages messages;
    if (mouseKey_ >= 0)
        messages = keyUp(std::exchange(mouseKey_, -1));
    if (drag_ == KeyboardDrag::PitchWheel)
        messages.push_back(message(EventKind::PitchBend, 0, 64));
    drag_ = KeyboardDrag::None;
    return messages;
}

} // namespace velisto
