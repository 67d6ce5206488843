#include "app/TrackControls.h"

#include "song/Song.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {

constexpr int kLastDialImage = kDialImages - 1;
// A dial turn of one row height scaled to the dial's drawn size.
constexpr double kDialPixelsPerRowHeight = 86.0 / 125.0;

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
