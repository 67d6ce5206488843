#include "edit/TrackAreaView.h"

#include "edit/EditFrame.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>

namespace velisto {

namespace {

// Measures are counted in 16 bits by the scroll bar and the cursor.
constexpr int kLastMeasure = 65535;
constexpr int kLastTrack = kTrackCount - 1;

int lastEventMeasure(const Song& song, const Track& track)
{
    return measureOfTick(song, track.event(track.lastIndex()).tick);
}

// The last measure holding an event of the tracks first..last; none when all are empty.
std::optional<int> lastMeasureOfTracks(const Song& song, int first, int last)
{
    std::optional<int> result;
    for (int t = first; t <= last; ++t) {
        const Track& track = song.tracks[static_cast<std::size_t>(t)];
        if (!track.empty())
            result = std::max(result.value_or(0), lastEventMeasure(song, track));
    }
    return result;
}

std::optional<int> lastTrackWithEvents(const Song& song)
{
    for (int t = kLastTrack; t >= 0; --t)
        if (!song.tracks[static_cast<std::size_t>(t)].empty())
            return t;
    return std::nullopt;
}

bool emptySelection(const Selection& s) { return s.lastMeasure < s.firstMeasure || s.lastTrack < s.firstTrack; }

} // namespace

std::int32_t rewindTarget(std::int32_t cursorTick, std::int32_t start, std::int32_t stop)
{
    const std::int32_t target = cursorTick > stop ? stop : start;
    return target >= cursorTick ? 0 : target;
}

std::optional<std::int32_t> forwardTarget(const Song& song, std::int32_t cursorTick, std::int32_t start,
                                          std::int32_t stop)
{
    // An empty song has nowhere to go forward to, whatever the last playback left.
    const auto lastMeasure = lastMeasureOfTracks(song, 0, kLastTrack);
    if (!lastMeasure)
        return std::nullopt;
    const std::int32_t target = cursorTick < start ? start : stop;
    return target > cursorTick ? target : measureStart(song, *lastMeasure);
}

TrackAreaView::TrackAreaView(int rows, int measuresInView) : rows_(1), measures_(1)
{
    setViewSize(rows, measuresInView);
}

void TrackAreaView::setViewSize(int rows, int measuresInView)
{
    rows_ = std::clamp(rows, 1, kTrackCount);
    measures_ = std::max(measuresInView, 1);
    firstTrack_ = std::clamp(firstTrack_, 0, kTrackCount - rows_);
}

ViewChange TrackAreaView::scrollTo(int firstMeasure, int firstTrack)
{
    const int measure = std::clamp(firstMeasure, 0, kLastMeasure);
    const int track = std::clamp(firstTrack, 0, kTrackCount - rows_);
    ViewChange change;
    change.scrolled = measure != firstMeasure_ || track != firstTrack_;
    firstMeasure_ = measure;
    firstTrack_ = track;
    return change;
}

ViewChange TrackAreaView::moveCursor(BlockPosition block)
{
    block.measure = std::clamp(block.measure, 0, kLastMeasure);
    block.track = std::clamp(block.track, 0, kLastTrack);
    ViewChange change;
    change.cursor = block != cursor_;
    cursor_ = block;
    const ViewChange visible = keepCursorVisible();
    change.scrolled = visible.scrolled;
    return change;
}

ViewChange TrackAreaView::setSelection(std::optional<Selection> selection)
{
    if (selection && emptySelection(*selection))
        selection.reset();
    ViewChange change;
    change.selection = selection != selection_;
    selection_ = selection;
    return change;
}

bool TrackAreaView::measureVisible(int measure) const
{
    return measure >= firstMeasure_ && measure < firstMeasure_ + measures_;
}

ViewChange TrackAreaView::keepCursorVisible()
{
    int measure = firstMeasure_;
    int track = firstTrack_;
    if (cursor_.measure < measure)
        measure = cursor_.measure;
    else if (cursor_.measure >= measure + measures_)
        measure = cursor_.measure - measures_ + 1;
    if (cursor_.track < track)
        track = cursor_.track;
    else if (cursor_.track >= track + rows_)
        track = cursor_.track - rows_ + 1;
    return scrollTo(measure, track);
}

ViewChange TrackAreaView::arrow(Direction direction)
{
    BlockPosition target = cursor_;
    ViewChange change;
    if (selection_) {
        // The cursor jumps to the selection's edge in that direction; the selection stays.
        switch (direction) {
        case Direction::Up: target.track = selection_->firstTrack; break;
        case Direction::Down: target.track = selection_->lastTrack; break;
        case Direction::Left: target.measure = selection_->firstMeasure; break;
        case Direction::Right: target.measure = selection_->lastMeasure; break;
        }
        change.toolToArrow = true;
    } else {
        switch (direction) {
        case Direction::Up: --target.track; break;
        case Direction::Down: ++target.track; break;
        case Direction::Left: --target.measure; break;
        case Direction::Right: ++target.measure; break;
        }
    }
    const ViewChange moved = moveCursor(target);
    change.cursor = moved.cursor;
    change.scrolled = moved.scrolled;
    return change;
}

ViewChange TrackAreaView::shiftArrow(Direction direction)
{
    const bool horizontal = direction == Direction::Left || direction == Direction::Right;
    const int step = direction == Direction::Right || direction == Direction::Down ? 1 : -1;
    if (!selection_) {
        BlockPosition neighbour = cursor_;
        (horizontal ? neighbour.measure : neighbour.track) += step;
        if (neighbour.measure < 0 || neighbour.measure > kLastMeasure || neighbour.track < 0 ||
            neighbour.track > kLastTrack)
            return {};
        return setSelection(Selection{neighbour.track, neighbour.track, neighbour.measure, neighbour.measure});
    }

    Selection next = *selection_;
    int& first = horizontal ? next.firstMeasure : next.firstTrack;
    int& last = horizontal ? next.lastMeasure : next.lastTrack;
    const int at = horizontal ? cursor_.measure : cursor_.track;
    // The edge away from the cursor moves; the one nearer it stays put.
    int& moving = at - first <= last - at ? last : first;
    moving += step;
    if (horizontal && next.firstMeasure < 0)
        return setSelection(std::nullopt);
    if (!horizontal && (next.firstTrack < 0 || next.lastTrack > kLastTrack))
        return {};
    if (next.lastMeasure > kLastMeasure)
        return {};
    return setSelection(next); // an empty one is removed
}

ViewChange TrackAreaView::selectAll(const Song& song)
{
    std::optional<Selection> all;
    for (int t = 0; t <= kLastTrack; ++t) {
        const Track& track = song.tracks[static_cast<std::size_t>(t)];
        if (track.empty())
            continue;
        const int firstMeasure = measureOfTick(song, track.event(0).tick);
        const int lastMeasure = lastEventMeasure(song, track);
        if (!all) {
            all = Selection{t, t, firstMeasure, lastMeasure};
            continue;
        }
        all->lastTrack = t;
        all->firstMeasure = std::min(all->firstMeasure, firstMeasure);
        all->lastMeasure = std::max(all->lastMeasure, lastMeasure);
    }
    if (all)
        all->firstMeasure = std::max(all->firstMeasure, 0);
    return setSelection(all);
}

ViewChange TrackAreaView::selectToRightEnd(const Song& song)
{
    if (!selection_)
        return setSelection(automaticSelection(song, cursor_.track, cursor_.measure));
    Selection next = *selection_;
    const auto last = lastMeasureOfTracks(song, next.firstTrack, next.lastTrack);
    if (!last)
        return setSelection(std::nullopt);
    next.lastMeasure = *last;
    return setSelection(next); // removed when the edge is not right of the left one
}

ViewChange TrackAreaView::selectToBottom(const Song& song)
{
    const auto last = lastTrackWithEvents(song);
    Selection next = selection_.value_or(Selection{cursor_.track, cursor_.track, cursor_.measure, cursor_.measure});
    if (!last)
        return setSelection(std::nullopt);
    next.lastTrack = *last;
    return setSelection(next);
}

ViewChange TrackAreaView::selectNone()
{
    ViewChange change = setSelection(std::nullopt);
    change.toolToArrow = true;
    return change;
}

ViewChange TrackAreaView::dragScrollStep(DragEdge edge)
{
    if (!selection_)
        return {};
    Selection next = *selection_;
    ViewChange change;
    if (edge == DragEdge::Right) {
        if (next.lastMeasure >= kLastMeasure)
            return {};
        ++next.lastMeasure;
        change = scrollTo(firstMeasure_ + 1, firstTrack_);
    } else {
        if (next.lastTrack >= kLastTrack)
            return {};
        ++next.lastTrack;
        change = scrollTo(firstMeasure_, firstTrack_ + 1);
    }
    change.selection = setSelection(next).selection;
    return change;
}

ViewChange TrackAreaView::followPlay(int measure)
{
    measure = std::clamp(measure, 0, kLastMeasure);
    ViewChange change;
    change.cursor = measure != cursor_.measure;
    cursor_.measure = measure;
    if (!measureVisible(measure))
        change.scrolled = scrollTo(measure, firstTrack_).scrolled;
    return change;
}

ViewChange TrackAreaView::rewind(const Song& song, std::int32_t start, std::int32_t stop)
{
    const std::int32_t target = rewindTarget(measureStart(song, cursor_.measure), start, stop);
    return followPlay(measureOfTick(song, target));
}

ViewChange TrackAreaView::forward(const Song& song, std::int32_t start, std::int32_t stop)
{
    const auto target = forwardTarget(song, measureStart(song, cursor_.measure), start, stop);
    if (!target)
        return {};
    const int measure = std::clamp(measureOfTick(song, *target), 0, kLastMeasure);
    ViewChange change;
    change.cursor = measure != cursor_.measure;
    cursor_.measure = measure;
    if (!measureVisible(measure))
        change.scrolled = scrollTo(measure - measures_ + 1, firstTrack_).scrolled;
    return change;
}

} // namespace velisto
