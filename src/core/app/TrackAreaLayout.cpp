#include "app/TrackAreaLayout.h"

#include "app/ArrangerLayout.h"
#include "app/Settings.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>

namespace velisto {

namespace {

// Column widths in half row heights; together the strip's 18 row heights.
struct ColumnShare {
    std::string_view header;
    int halves;
};
constexpr ColumnShare kColumnShares[kControlColumnCount] = {
    {"TrkName", 6}, {"Device", 6}, {"Mute", 3},     {"Ch#", 2},      {"PrgName", 8},
    {"Offs", 2},    {"Volume", 3}, {"Contr. 1", 2}, {"Contr. 2", 2}, {"Contr. 3", 2},
};
constexpr int kTotalHalves = 2 * kControlStripRowHeights;

// The first entry of a master list that falls in the measure.
template <typename List, typename MeasureOf>
std::optional<int> firstInMeasure(const List& list, int count, int measure, MeasureOf measureOf)
{
    for (int i = 0; i < count; ++i) {
        const auto& entry = list[static_cast<std::size_t>(i)];
        if (measureOf(entry) == measure)
            return i;
    }
    return std::nullopt;
}

} // namespace

TrackAreaLayout::TrackAreaLayout(const DisplaySettings& display)
    : rows_(std::clamp(display.numberoftracksinaview, 1, kTrackCount)),
      rowHeight_(std::max(display.midiblockheight, kArrangerMinRowHeight)),
      blockWidth_(std::max(display.midiblockwidth, 1)),
      measuresInView_(std::max(display.numberofmidiblocksinaview, 1)),
      frameStrength_(std::max(display.midiblockframestrength, 1)), ruler_(std::max(display.rulerheight, 0)),
      masterRow_(std::max(display.tempometerkeyrowheight, 0)), midiTop_(ruler_ + masterRow_),
      meterTop_(midiTop_ + rows_ * rowHeight_), keyTop_(meterTop_ + masterRow_),
      controlWidth_(std::max(display.arrangerwindowleftedge, 0))
{
}

int TrackAreaLayout::visibleRows(int firstTrack) const
{
    return std::clamp(kTrackCount - firstTrack, 0, rows_);
}

int TrackAreaLayout::clampFirstTrack(int firstTrack) const { return std::clamp(firstTrack, 0, kTrackCount - rows_); }

int TrackAreaLayout::measuresFor(int gridWidth) const { return std::max(gridWidth / blockWidth_, 1); }

TrackAreaZone TrackAreaLayout::zoneAt(int y) const
{
    if (y < 0)
        return TrackAreaZone::Outside;
    if (y < ruler_)
        return TrackAreaZone::Ruler;
    if (y < midiTop_)
        return TrackAreaZone::TempoRow;
    if (y < meterTop_)
        return TrackAreaZone::Tracks;
    if (y < keyTop_)
        return TrackAreaZone::MeterRow;
    if (y < keyTop_ + masterRow_)
        return TrackAreaZone::KeyRow;
    return TrackAreaZone::Outside;
}

std::optional<int> TrackAreaLayout::measureAt(int x, const ViewOrigin& origin) const
{
    if (x < 0)
        return std::nullopt;
    return origin.firstMeasure + x / blockWidth_;
}

std::optional<int> TrackAreaLayout::trackAt(int y, const ViewOrigin& origin) const
{
    if (zoneAt(y) != TrackAreaZone::Tracks)
        return std::nullopt;
    const int track = origin.firstTrack + (y - midiTop_) / rowHeight_;
    if (track < 0 || track >= kTrackCount)
        return std::nullopt;
    return track;
}

LayoutRect TrackAreaLayout::blockRect(int measure, int track, const ViewOrigin& origin) const
{
    return {(measure - origin.firstMeasure) * blockWidth_, midiTop_ + (track - origin.firstTrack) * rowHeight_,
            blockWidth_, rowHeight_};
}

LayoutRect TrackAreaLayout::selectionRect(const Selection& selection, const ViewOrigin& origin) const
{
    const LayoutRect first = blockRect(selection.firstMeasure, selection.firstTrack, origin);
    return {first.x, first.y, (selection.lastMeasure - selection.firstMeasure + 1) * blockWidth_,
            (selection.lastTrack - selection.firstTrack + 1) * rowHeight_};
}

SelectionEdge TrackAreaLayout::edgeAt(int x, int y, const Selection& selection, const ViewOrigin& origin) const
{
    const LayoutRect rect = selectionRect(selection, origin);
    const int right = rect.x + rect.width;
    const int bottom = rect.y + rect.height;
    const bool besideRows = y >= rect.y && y < bottom + frameStrength_;
    const bool besideColumns = x >= rect.x && x < right + frameStrength_;
    if (besideRows && x >= right - frameStrength_ && x <= right + frameStrength_)
        return SelectionEdge::Right;
    if (besideColumns && y >= bottom - frameStrength_ && y <= bottom + frameStrength_)
        return SelectionEdge::Bottom;
    if (x >= rect.x && x < right && y >= rect.y && y < bottom)
        return SelectionEdge::Inside;
    return SelectionEdge::None;
}

std::optional<Selection> TrackAreaLayout::rubberBand(int x0, int y0, int x1, int y1, const ViewOrigin& origin) const
{
    // The band is clipped to the grid's track rows; what is left must cover pixels.
    const int left = std::max(std::min(x0, x1), 0);
    const int right = std::max(x0, x1);
    const int rowsBottom = midiTop_ + visibleRows(origin.firstTrack) * rowHeight_;
    const int top = std::max(std::min(y0, y1), midiTop_);
    const int bottom = std::min(std::max(y0, y1), rowsBottom);
    if (right <= left || bottom <= top)
        return std::nullopt;
    Selection selection;
    selection.firstMeasure = origin.firstMeasure + left / blockWidth_;
    selection.lastMeasure = origin.firstMeasure + (right - 1) / blockWidth_;
    selection.firstTrack = origin.firstTrack + (top - midiTop_) / rowHeight_;
    selection.lastTrack = origin.firstTrack + (bottom - 1 - midiTop_) / rowHeight_;
    return selection;
}

std::optional<MasterMarker> TrackAreaLayout::markerAt(const Song& song, int x, int y, const ViewOrigin& origin) const
{
    const auto measure = measureAt(x, origin);
    if (!measure)
        return std::nullopt;
    const auto tickMeasure = [&song](const auto& entry) { return measureOfTick(song, entry.tick); };
    std::optional<int> index;
    MasterMarker marker;
    marker.measure = *measure;
    switch (zoneAt(y)) {
    case TrackAreaZone::TempoRow:
        marker.list = MasterListKind::Tempo;
        index = firstInMeasure(song.tempoList, song.tempoCount(), *measure, tickMeasure);
        if (index)
            marker.tick = song.tempoList[static_cast<std::size_t>(*index)].tick;
        break;
    case TrackAreaZone::MeterRow:
        marker.list = MasterListKind::Meter;
        index = firstInMeasure(song.meterList, song.meterCount(), *measure,
                               [](const MeterEntry& entry) { return entry.measure; });
        marker.tick = measureStart(song, *measure);
        break;
    case TrackAreaZone::KeyRow:
        marker.list = MasterListKind::Key;
        index = firstInMeasure(song.keyList, song.keyCount(), *measure, tickMeasure);
        if (index)
            marker.tick = song.keyList[static_cast<std::size_t>(*index)].tick;
        break;
    default: return std::nullopt;
    }
    if (!index)
        return std::nullopt;
    return marker;
}

std::array<ControlColumn, kControlColumnCount> TrackAreaLayout::controlColumns() const
{
    std::array<ControlColumn, kControlColumnCount> columns{};
    int halves = 0;
    for (int i = 0; i < kControlColumnCount; ++i) {
        const int x = halves * controlWidth_ / kTotalHalves;
        halves += kColumnShares[i].halves;
        const int end = halves * controlWidth_ / kTotalHalves;
        columns[static_cast<std::size_t>(i)] = {kColumnShares[i].header, x, end - x};
    }
    return columns;
}

} // namespace velisto
