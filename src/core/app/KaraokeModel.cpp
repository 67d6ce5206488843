#include "app/KaraokeModel.h"

#include "song/MergedEvents.h"
#include "song/MidiEvent.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velisto {
namespace {

// Half a syllable's width places the ball over it; wide syllables lose 28 pixels first.
constexpr int kWideSyllable = 27;
constexpr int kWideSyllableTrim = 28;
constexpr std::int32_t kLineSlackTicks = 10;

int trackOf(const KaraokeSettings& settings)
{
    const int track = settings.songtexttrack - 1;
    return track >= 0 && track < kTrackCount ? track : -1;
}

std::uint8_t kindOf(const KaraokeSettings& settings)
{
    return settings.textaslyric ? EventKind::Text : EventKind::Lyric;
}

bool isLineMark(char c) { return c == '/' || c == '\\'; }

} // namespace

// A text event of the chosen kind that is not passed over: its text without the line
// mark, possibly empty when the mark stood alone.
struct KaraokeModel::Syllable {
    std::string text;
    std::int32_t tick = 0;
    bool startsLine = false;
};

bool songTextTrackHasText(const Song& song, const KaraokeSettings& settings)
{
    const int track = trackOf(settings);
    if (track < 0)
        return false;
    const std::uint8_t kind = kindOf(settings);
    const auto events = song.tracks[static_cast<std::size_t>(track)].events();
    return std::any_of(events.begin(), events.end(), [kind](const MidiEvent& event) {
        if (event.status != kind || !event.text)
            return false;
        const std::string& text = *event.text;
        const std::size_t first = !text.empty() && isLineMark(text.front()) ? 1 : 0;
        return text.size() > first && text.front() != '@';
    });
}

KaraokeModel::KaraokeModel(const Song& song, const KaraokeSettings& settings, std::int32_t startTick,
                           KaraokeTextWidth width)
    : song_(song), track_(trackOf(settings)), kind_(kindOf(settings)), insertBlank_(settings.insertblank),
      measuresPerLine_(std::max(settings.karaoketakteprozeile, 1)), startTick_(startTick), width_(std::move(width)),
      lastTick_(startTick == std::numeric_limits<std::int32_t>::min() ? startTick : startTick - 1)
{
    if (track_ >= 0) {
        const auto events = song_.tracks[static_cast<std::size_t>(track_)].events();
        const auto first = std::find_if(events.begin(), events.end(),
                                        [startTick](const MidiEvent& event) { return event.tick >= startTick; });
        readIndex_ = first == events.end() ? -1 : static_cast<std::int32_t>(first - events.begin());
    }
    nextText_ = layOut(readIndex_).text;
}

int KaraokeModel::ballHeightAtStep(int step)
{
    const double s = step;
    return static_cast<int>(std::lround(0.2361 * s * s - 4.4861 * s + 24.25));
}

std::optional<KaraokeModel::Syllable> KaraokeModel::syllableAt(std::int32_t index) const
{
    const MidiEvent& event = song_.tracks[static_cast<std::size_t>(track_)].event(index);
    if (event.status != kind_ || !event.text || event.text->empty() || event.text->front() == '@')
        return std::nullopt;
    Syllable syllable;
    syllable.startsLine = isLineMark(event.text->front());
    syllable.text = event.text->substr(syllable.startsLine ? 1 : 0);
    // As in the play order: an event at or after the start never plays before it.
    const std::int32_t offset = song_.tracks[static_cast<std::size_t>(track_)].tickOffset;
    syllable.tick = effectiveTick(event.tick, offset);
    if (event.tick >= startTick_)
        syllable.tick = std::max(syllable.tick, startTick_);
    return syllable;
}

std::optional<std::int32_t> KaraokeModel::nextSyllableTick() const
{
    if (readIndex_ < 0)
        return std::nullopt;
    const std::int32_t last = song_.tracks[static_cast<std::size_t>(track_)].lastIndex();
    for (std::int32_t index = readIndex_; index <= last; ++index) {
        const auto syllable = syllableAt(index);
        if (syllable && !syllable->text.empty())
            return syllable->tick;
    }
    return std::nullopt;
}

bool KaraokeModel::breaksLine(std::int32_t tick, std::int32_t previousTick, std::int32_t lineStartTick) const
{
    const std::int64_t measure = measureLength(song_, tick);
    return 3 * (static_cast<std::int64_t>(tick) - previousTick) > measure ||
           static_cast<std::int64_t>(tick) - lineStartTick > measure * measuresPerLine_ + kLineSlackTicks;
}

KaraokeModel::Line KaraokeModel::layOut(std::int32_t from) const
{
    Line line;
    if (from < 0 || track_ < 0)
        return line;
    const std::int32_t last = song_.tracks[static_cast<std::size_t>(track_)].lastIndex();
    std::int32_t index = from;
    for (; index <= last; ++index) {
        auto syllable = syllableAt(index);
        if (!syllable)
            continue;
        const bool empty = line.waypoints.empty();
        if (syllable->startsLine && !empty)
            break;
        if (syllable->text.empty())
            continue;
        if (!empty && breaksLine(syllable->tick, line.waypoints.back().tick, line.waypoints.front().tick))
            break;
        if (insertBlank_ && syllable->text.back() != ' ')
            syllable->text += ' ';
        int syllableWidth = width_(syllable->text);
        if (syllableWidth > kWideSyllable)
            syllableWidth -= kWideSyllableTrim;
        const int x = width_(line.text) + syllableWidth / 2;
        if (!empty && (x > kMaxX || static_cast<int>(line.waypoints.size()) == kMaxSyllables))
            break;
        line.text += syllable->text;
        line.waypoints.push_back({syllable->tick, x});
    }
    line.readIndex = index > last ? -1 : index;
    if (line.waypoints.empty())
        return line;

    const int shift = (kLineWidth - width_(line.text)) / 2;
    for (KaraokeWaypoint& waypoint : line.waypoints)
        waypoint.x += shift;
    const std::int32_t half = song_.ppq / 2;
    line.waypoints.push_back({line.waypoints.back().tick + half, kLeadOutX});
    line.waypoints.insert(line.waypoints.begin(), {line.waypoints.front().tick - half, kLeadInX});
    return line;
}

bool KaraokeModel::advanceTo(std::int32_t tick)
{
    bool changed = false;
    while (lastTick_ < tick) {
        ++lastTick_;
        changed = playTick(lastTick_) || changed;
    }
    return changed;
}

bool KaraokeModel::playTick(std::int32_t tick)
{
    bool changed = false;
    if (segment_ + 1 >= static_cast<int>(waypoints_.size())) {
        changed = startNextLine(tick);
        if (segment_ + 1 >= static_cast<int>(waypoints_.size()))
            return changed;
    }
    while (segment_ + 1 < static_cast<int>(waypoints_.size())) {
        const KaraokeWaypoint& from = waypoints_[static_cast<std::size_t>(segment_)];
        const KaraokeWaypoint& to = waypoints_[static_cast<std::size_t>(segment_) + 1];
        const std::int64_t due = from.tick + static_cast<std::int64_t>(step_) * (to.tick - from.tick) / kSteps;
        if (tick < due)
            break;
        takeStep();
        changed = true;
    }
    return changed;
}

// The current line is done: the next one takes its place half a beat before its first
// syllable, or the ball leaves when the text is over.
bool KaraokeModel::startNextLine(std::int32_t tick)
{
    const auto next = nextSyllableTick();
    if (!next) {
        if (ended_)
            return false;
        ended_ = true;
        currentText_.clear();
        ballX_ = kLeadOutX;
        return true;
    }
    if (tick < static_cast<std::int64_t>(*next) - song_.ppq / 2)
        return false;
    currentText_.clear();
    Line line = layOut(readIndex_);
    waypoints_ = std::move(line.waypoints);
    readIndex_ = line.readIndex;
    segment_ = 0;
    step_ = 1;
    return true;
}

void KaraokeModel::takeStep()
{
    const KaraokeWaypoint& from = waypoints_[static_cast<std::size_t>(segment_)];
    const KaraokeWaypoint& to = waypoints_[static_cast<std::size_t>(segment_) + 1];
    ballX_ = from.x + step_ * (to.x - from.x) / kSteps;
    ballHeight_ = ballHeightAtStep(step_);
    if (segment_ == 0) {
        // The lead-in moves the text up into place; at its end the line shown below
        // becomes the current one.
        textOffset_ = (kSteps + 1 - step_) * kLineHeight / kSteps;
        if (step_ == kSteps) {
            currentText_ = std::move(nextText_);
            nextText_ = layOut(readIndex_).text;
            textOffset_ = kLineHeight;
        }
    }
    if (++step_ > kSteps) {
        step_ = 1;
        ++segment_;
    }
}

} // namespace velisto
