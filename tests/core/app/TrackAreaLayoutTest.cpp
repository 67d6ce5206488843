#include "app/TrackAreaLayout.h"

#include "app/ArrangerLayout.h"
#include "app/Settings.h"
#include "core/app/ArrangerTestSupport.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <gtest/gtest.h>

namespace velisto {
namespace {

// The first run on a 1024 x 768 screen.
DisplaySettings firstRun1024()
{
    DisplaySettings display;
    computeArrangerLayout(metrics1024(), display);
    return display;
}

TEST(TrackAreaLayoutTest, FirstRunOn1024By768HasEighteenRowsOfZones)
{
    const TrackAreaLayout layout(firstRun1024());
    EXPECT_EQ(layout.rows(), 18);
    EXPECT_EQ(layout.rowHeight(), 29);
    EXPECT_EQ(layout.blockWidth(), 7);
    EXPECT_EQ(layout.measuresInView(), 68);
    // Ruler 7, master rows 14: tracks from 21 to 21 + 18 * 29 = 543.
    EXPECT_EQ(layout.zoneAt(-1), TrackAreaZone::Outside);
    EXPECT_EQ(layout.zoneAt(6), TrackAreaZone::Ruler);
    EXPECT_EQ(layout.zoneAt(7), TrackAreaZone::TempoRow);
    EXPECT_EQ(layout.zoneAt(20), TrackAreaZone::TempoRow);
    EXPECT_EQ(layout.zoneAt(21), TrackAreaZone::Tracks);
    EXPECT_EQ(layout.zoneAt(542), TrackAreaZone::Tracks);
    EXPECT_EQ(layout.zoneAt(543), TrackAreaZone::MeterRow);
    EXPECT_EQ(layout.zoneAt(557), TrackAreaZone::KeyRow);
    EXPECT_EQ(layout.zoneAt(571), TrackAreaZone::Outside);
    // A wider window shows more measures of the same width.
    EXPECT_EQ(layout.measuresFor(700), 100);

    // The control columns tile the strip left of the grid, in header order.
    const auto columns = layout.controlColumns();
    EXPECT_EQ(columns.front().header, "TrkName");
    EXPECT_EQ(columns.back().header, "Contr. 3");
    EXPECT_EQ(columns.front().x, 0);
    for (std::size_t i = 1; i < columns.size(); ++i) {
        EXPECT_EQ(columns[i].x, columns[i - 1].x + columns[i - 1].width);
        EXPECT_GT(columns[i].width, 0);
    }
    EXPECT_EQ(columns.back().x + columns.back().width, 18 * 29);
}

TEST(TrackAreaLayoutTest, ATinyClientStillHasBlocksAndRowsToHit)
{
    ArrangerMetrics metrics;
    metrics.clientWidth = 30;
    metrics.clientHeight = 20;
    DisplaySettings display;
    computeArrangerLayout(metrics, display);
    EXPECT_EQ(display.midiblockheight, 4);
    EXPECT_EQ(display.midiblockwidth, 1);

    // Even keys that were never filled give a usable grid.
    const TrackAreaLayout empty{DisplaySettings{}};
    EXPECT_EQ(empty.rowHeight(), 4);
    EXPECT_EQ(empty.blockWidth(), 1);
    EXPECT_EQ(empty.measuresFor(0), 1);
    EXPECT_EQ(empty.trackAt(2, {}), 0);
    EXPECT_EQ(empty.measureAt(5, {}), 5);
}

TEST(TrackAreaLayoutTest, HitsAtBlockEdgesAndLeftOfTheGrid)
{
    const TrackAreaLayout layout(firstRun1024());
    const ViewOrigin origin{10, 5};
    EXPECT_EQ(layout.measureAt(0, origin), 10);
    EXPECT_EQ(layout.measureAt(6, origin), 10);
    EXPECT_EQ(layout.measureAt(7, origin), 11);
    EXPECT_EQ(layout.measureAt(-1, origin), std::nullopt);
    EXPECT_EQ(layout.trackAt(21, origin), 5);
    EXPECT_EQ(layout.trackAt(49, origin), 5);
    EXPECT_EQ(layout.trackAt(50, origin), 6);
    EXPECT_EQ(layout.trackAt(20, origin), std::nullopt);
    EXPECT_EQ(layout.trackAt(543, origin), std::nullopt);
    EXPECT_EQ(layout.blockRect(11, 6, origin), (LayoutRect{7, 50, 7, 29}));

    // Scrolled to the bottom, no row shows a track past the last one.
    EXPECT_EQ(layout.clampFirstTrack(250), 256 - 18);
    EXPECT_EQ(layout.visibleRows(250), 6);
    EXPECT_EQ(layout.trackAt(21 + 6 * 29, {0, 250}), std::nullopt);
    EXPECT_EQ(layout.trackAt(21 + 5 * 29, {0, 250}), 255);
}

TEST(TrackAreaLayoutTest, SelectionEdgesWithinTheFrameStrength)
{
    const TrackAreaLayout layout(firstRun1024());
    const Selection selection{1, 2, 2, 4}; // tracks 1..2, measures 2..4
    const ViewOrigin origin{};
    EXPECT_EQ(layout.selectionRect(selection, origin), (LayoutRect{14, 50, 21, 58}));
    EXPECT_EQ(layout.edgeAt(35, 60, selection, origin), SelectionEdge::Right);
    EXPECT_EQ(layout.edgeAt(33, 60, selection, origin), SelectionEdge::Right);
    EXPECT_EQ(layout.edgeAt(37, 60, selection, origin), SelectionEdge::Right);
    EXPECT_EQ(layout.edgeAt(38, 60, selection, origin), SelectionEdge::None);
    EXPECT_EQ(layout.edgeAt(20, 108, selection, origin), SelectionEdge::Bottom);
    EXPECT_EQ(layout.edgeAt(20, 60, selection, origin), SelectionEdge::Inside);
    EXPECT_EQ(layout.edgeAt(13, 60, selection, origin), SelectionEdge::None);
    EXPECT_EQ(layout.edgeAt(20, 40, selection, origin), SelectionEdge::None);
}

TEST(TrackAreaLayoutTest, RubberBandSnapsToBlocksInEitherDirection)
{
    const TrackAreaLayout layout(firstRun1024());
    const ViewOrigin origin{4, 10};
    const Selection expected{10, 12, 5, 8};
    EXPECT_EQ(layout.rubberBand(10, 30, 30, 90, origin), expected);
    EXPECT_EQ(layout.rubberBand(30, 90, 10, 30, origin), expected);
    // Started over the control strips or the ruler, the band is clipped to the grid.
    EXPECT_EQ(layout.rubberBand(-50, 0, 30, 90, origin), (Selection{10, 12, 4, 8}));
    EXPECT_EQ(layout.rubberBand(10, 30, 10, 90, origin), std::nullopt);
    EXPECT_EQ(layout.rubberBand(10, 0, 30, 15, origin), std::nullopt);
    // Dragged below the last track it stops at track 255.
    EXPECT_EQ(layout.rubberBand(0, 21, 7, 900, {0, 250})->lastTrack, 255);
}

TEST(TrackAreaLayoutTest, MarkersOfEachMasterRow)
{
    Song song;
    song.setTempo(measureStart(song, 3) + 10, 90.0);
    song.setMeterAtMeasure(5, 3, 4);
    song.setKey(measureStart(song, 7), 2, 1);
    const TrackAreaLayout layout(firstRun1024());
    const ViewOrigin origin{2, 0};

    const auto tempo = layout.markerAt(song, 7, 10, origin);
    ASSERT_TRUE(tempo);
    EXPECT_EQ(tempo->list, MasterListKind::Tempo);
    EXPECT_EQ(tempo->measure, 3);
    EXPECT_EQ(tempo->tick, measureStart(song, 3) + 10);
    EXPECT_FALSE(layout.markerAt(song, 0, 10, origin));

    const auto meter = layout.markerAt(song, 3 * 7, 545, origin);
    ASSERT_TRUE(meter);
    EXPECT_EQ(meter->list, MasterListKind::Meter);
    EXPECT_EQ(meter->tick, measureStart(song, 5));
    EXPECT_FALSE(layout.markerAt(song, 4 * 7, 545, origin));

    const auto key = layout.markerAt(song, 5 * 7 + 6, 560, origin);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->list, MasterListKind::Key);
    EXPECT_EQ(key->measure, 7);

    // Not in a master row, or left of the grid: no marker.
    EXPECT_FALSE(layout.markerAt(song, 7, 3, origin));
    EXPECT_FALSE(layout.markerAt(song, 7, 100, origin));
    EXPECT_FALSE(layout.markerAt(song, -1, 10, {3, 0}));
}

} // namespace
} // namespace velisto
