#pragma once
// The arithmetic and click rules of the per-track controls: the tick offset's range, dial
// image, drag step and typed-value check; the solo and mute buttons; the level meter's
// fall. Tick offsets are reckoned in floating point, so a song of 1 tick per quarter (no
// offset at all) shows the middle image and ignores drags instead of dividing by zero.
//
// Thread contract: user-interface thread only (they write the song); solo, mute and the
// tick offset may change while a run plays the song.

#include "midi/KnobSupport.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velisto {

class Song;
class UiNotifier;

inline constexpr int kDialImages = 28;
inline constexpr const char* kWrongValueCaption = "Wrong value";

// The offset lies in -limit..+limit: a sixteenth note, ppq / 4 whole ticks.
int tickOffsetLimit(int ppq);
// Image 0..27 of the tick offset dial.
int tickOffsetDialImage(int offset, int ppq);
// The offset after dragging by pixels (up or right positive) from startOffset.
int draggedTickOffset(int startOffset, int pixels, int ppq, int rowHeight);

// A typed tick offset: the value, or the text to show with the caption "Wrong value".
struct TickOffsetCheck {
    int offset = 0;
    std::string message;
    bool valid() const { return message.empty(); }
};
TickOffsetCheck checkTickOffset(const std::string& text, int ppq);

// The settings a track row changes that the file keeps: each stores the value and, when it
// differs from the track's, posts kSongModifiedMessage so that closing asks to save. True
// when the track changed.
bool setTrackName(Song& song, int track, const std::string& name, UiNotifier& notifier);
// Channel 0..15; another value is ignored.
bool setTrackChannel(Song& song, int track, int channel, UiNotifier& notifier);
// Clamped to -tickOffsetLimit .. +tickOffsetLimit of the song's ppq.
bool setTrackTickOffset(Song& song, int track, int offset, UiNotifier& notifier);
// Knob 0..2.
bool setTrackKnob(Song& song, int track, int knob, const KnobAssignment& assignment, UiNotifier& notifier);

// The solo half: without Ctrl the track becomes the only solo track (or none when it was
// solo); with Ctrl it is added to or taken out of the solo list.
void soloClick(Song& song, int track, bool ctrl);
// The mute half: ignored while any track is solo. True when the mute state changed.
bool muteClick(Song& song, int track);

// One 100 ms tick of the level display: a new peak shows at once, else the level falls by
// one step towards 0.
int levelMeterTick(int shown, std::optional<int> peak);

} // namespace velisto
