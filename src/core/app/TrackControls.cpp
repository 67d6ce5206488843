#include "app/TrackControls.h"

#include "app/CommandIds.h"
#include "app/UiNotifier.h"
#include "song/Song.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {

constexpr int kLastDialImage = kDialImages - 1;
// A dial turn of one row height scaled to the dial's drawn size.
constexpr double kDialPixelsPerRowHeight = 86.0 / 125.0;

Track* trackOf(Song& song, int track)
{
    return track >= 0 && track < kTrackCount ? &song.tracks[static_cast<std::size_t>(track)] : nullptr;
}

// Stores value into field and reports the song modified, when it changes anything.
template <typename Field, typename Value> bool storeSetting(Field& field, const Value& value, UiNotifier& notifier)
{
    if (field == value)
        return false;
    field = value;
    notifier.post(kSongModifiedMessage, 0, 0);
    return true;
}

} // namespace

int tickOffsetLimit(int ppq) { return std::max(ppq, 0) / 4; }

int tickOffsetDialImage(int offset, int ppq)
{
    const int limit = tickOffsetLimit(ppq);
    if (limit == 0)
        return kDialImages / 2;
    const double image = (offset + limit) / (2.0 * limit) * kLastDialImage;
    return std::clamp(static_cast<int>(std::lround(image)), 0, kLastDialImage);
}

int draggedTickOffset(int startOffset, int pixels, int ppq, int rowHeight)
{
    const int limit = tickOffsetLimit(ppq);
    if (limit == 0)
        return 0;
    const double dragPixels = std::max(rowHeight, 1) * kDialPixelsPerRowHeight;
    const double perPixel = ppq / 2.0 / dragPixels;
    const double offset = startOffset + pixels * perPixel;
    return std::clamp(static_cast<int>(std::lround(offset)), -limit, limit);
}

TickOffsetCheck checkTickOffset(const std::string& text, int ppq)
{
    const int limit = tickOffsetLimit(ppq);
    const auto value = parseDecimal(trimmed(text));
    if (value && *value >= -limit && *value <= limit)
        return {*value, {}};
    return {0, "Please enter a value between " + numberText(-limit) + " and " + numberText(limit)};
}

bool setTrackName(Song& song, int track, const std::string& name, UiNotifier& notifier)
{
    Track* t = trackOf(song, track);
    return t && storeSetting(t->name, name, notifier);
}

bool setTrackChannel(Song& song, int track, int channel, UiNotifier& notifier)
{
    Track* t = trackOf(song, track);
    return t && channel >= 0 && channel < 16 && storeSetting(t->channel, channel, notifier);
}

bool setTrackTickOffset(Song& song, int track, int offset, UiNotifier& notifier)
{
    Track* t = trackOf(song, track);
    const int limit = tickOffsetLimit(song.ppq);
    return t && storeSetting(t->tickOffset, std::clamp(offset, -limit, limit), notifier);
}

bool setTrackKnob(Song& song, int track, int knob, const KnobAssignment& assignment, UiNotifier& notifier)
{
    Track* t = trackOf(song, track);
    if (!t || knob < 0 || knob >= kKnobCount)
        return false;
    const auto k = static_cast<std::size_t>(knob);
    if (knobAssignment(*t, knob) == assignment)
        return false;
    t->knobKind[k] = assignment.kind;
    t->knobParam[k] = assignment.param;
    t->knobDrumMap[k] = assignment.drumMap;
    t->knobKey[k] = assignment.key;
    notifier.post(kSongModifiedMessage, 0, 0);
    return true;
}

void soloClick(Song& song, int track, bool ctrl)
{
    // The clicked track changes first, so a run playing meanwhile never hears every track
    // for a moment between taking the old solo tracks out and putting the new one in.
    song.setSolo(track, !song.isSolo(track));
    if (ctrl)
        return;
    for (const int other : song.soloList())
        if (other != track)
            song.setSolo(other, false);
}

bool muteClick(Song& song, int track)
{
    if (song.soloActive() || track < 0 || track >= kTrackCount)
        return false;
    auto& muted = song.tracks[static_cast<std::size_t>(track)].muted;
    muted = muted ? 0 : 1;
    return true;
}

int levelMeterTick(int shown, std::optional<int> peak)
{
    if (peak)
        return std::max(*peak, 0);
    return std::max(shown - 1, 0);
}

} // namespace velisto
