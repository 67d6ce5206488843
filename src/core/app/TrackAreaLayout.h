#pragma once
// Where things lie in the track area, from the arranger layout keys: which zone, measure,
// track, selection edge or master marker a point hits, the rectangles of blocks and of the
// selection, the rubber band snapped to blocks, the measures a grid width holds and the
// columns of the per-track control strips.
//
// Grid coordinates: x 0 is the left edge of the first visible measure (the control strips
// lie at x < 0), y 0 the top of the ruler.
//
// Thread contract: plain values and pure functions; user-interface thread.

#include "app/FrameLayout.h"
#include "edit/MasterListEditor.h"
#include "edit/Selection.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velisto {

struct DisplaySettings;
class Song;

// The top-left block in view.
struct ViewOrigin {
    int firstMeasure = 0; // from 0
    int firstTrack = 0;   // 0 .. 256 - rows
    bool operator==(const ViewOrigin&) const = default;
};

enum class TrackAreaZone { Outside, Ruler, TempoRow, Tracks, MeterRow, KeyRow };
enum class SelectionEdge { None, Inside, Right, Bottom };

// A marker of the tempo, meter or key row: the list, the measure and the position of the
// first entry in it (what the editor opens at).
struct MasterMarker {
    MasterListKind list = MasterListKind::Tempo;
    int measure = 0;
    std::int32_t tick = 0;
};

struct ControlColumn {
    std::string_view header;
    int x = 0;
    int width = 0;
};
inline constexpr int kControlColumnCount = 10;

class TrackAreaLayout {
public:
    // Block width and row height never fall below 1 and 4 pixels, whatever was stored.
    explicit TrackAreaLayout(const DisplaySettings& display);

    int rows() const { return rows_; }
    int rowHeight() const { return rowHeight_; }
    int blockWidth() const { return blockWidth_; }
    int measuresInView() const { return measuresInView_; }
    int frameStrength() const { return frameStrength_; }
    int rulerHeight() const { return ruler_; }
    int masterRowHeight() const { return masterRow_; }
    int midiTop() const { return midiTop_; }
    int meterTop() const { return meterTop_; }
    int keyTop() const { return keyTop_; }
    // The bottom of the key row: where the grid ends.
    int bottom() const { return keyTop_ + masterRow_; }
    // The control strips' width, left of the grid.
    int controlWidth() const { return controlWidth_; }
    // Rows that show a track from this first track: never one past the last track.
    int visibleRows(int firstTrack) const;
    // The first visible track kept within 0 .. 256 - rows.
    int clampFirstTrack(int firstTrack) const;
    // The measures a grid of this width shows (a resize), at least 1.
    int measuresFor(int gridWidth) const;

    TrackAreaZone zoneAt(int y) const;
    // The measure under x; none left of the grid.
    std::optional<int> measureAt(int x, const ViewOrigin& origin) const;
    // The track under y in the track rows; none elsewhere or past the last track.
    std::optional<int> trackAt(int y, const ViewOrigin& origin) const;

    // Rectangles relative to the grid; blocks out of view lie outside it.
    LayoutRect blockRect(int measure, int track, const ViewOrigin& origin) const;
    LayoutRect selectionRect(const Selection& selection, const ViewOrigin& origin) const;
    // The selection's right or bottom edge within the frame strength, else inside or not.
    SelectionEdge edgeAt(int x, int y, const Selection& selection, const ViewOrigin& origin) const;
    // The rubber band from press to release snapped to whole blocks; none when it covers no
    // block of the track rows.
    std::optional<Selection> rubberBand(int x0, int y0, int x1, int y1, const ViewOrigin& origin) const;

    // The marker under the point in a master row: a measure that holds an entry of it.
    std::optional<MasterMarker> markerAt(const Song& song, int x, int y, const ViewOrigin& origin) const;

    // "TrkName" .. "Contr. 3", left to right, filling the control strip's width.
    std::array<ControlColumn, kControlColumnCount> controlColumns() const;

private:
    int rows_;
    int rowHeight_;
    int blockWidth_;
    int measuresInView_;
    int frameStrength_;
    int ruler_;
    int masterRow_;
    int midiTop_;
    int meterTop_;
    int keyTop_;
    int controlWidth_;
};

} // namespace velisto
