#pragma once
// The track area's view, cursor and selection, and the keyboard and transport commands
// that move them: arrows, Shift+arrows, the selection commands, keeping the cursor in
// view, the drag-scroll step and the rewind and forward targets. Everything is in blocks
// (measures and tracks), never pixels; the widget draws from it and reports each change.
//
// Thread contract: user-interface thread only; it reads the song.

#include "edit/Selection.h"

#include <cstdint>
#include <optional>

namespace velisto {

class Song;

struct BlockPosition {
    int measure = 0; // from 0
    int track = 0;   // 0..255
    bool operator==(const BlockPosition&) const = default;
};

// What a command changed, for the redraw and the toolbar's selection text.
struct ViewChange {
    bool cursor = false;
    bool selection = false;
    bool scrolled = false;
    bool toolToArrow = false; // the mouse tool goes back to "arrow"
    bool any() const { return cursor || selection || scrolled || toolToArrow; }
};

enum class Direction { Up, Down, Left, Right };
enum class DragEdge { Right, Bottom };

// Rewind: E when the cursor lies after E, else S; a target not before the cursor is 0.
// start: the last playback's start tick (S); stop: its stop-measure tick (E).
std::int32_t rewindTarget(std::int32_t cursorTick, std::int32_t start, std::int32_t stop);
// Forward: S when the cursor lies before S, else E; a target not after the cursor is the
// start of the song's last measure that holds events. None in an empty song.
std::optional<std::int32_t> forwardTarget(const Song& song, std::int32_t cursorTick, std::int32_t start,
                                          std::int32_t stop);

class TrackAreaView {
public:
    TrackAreaView(int rows, int measuresInView);

    int firstMeasure() const { return firstMeasure_; }
    int firstTrack() const { return firstTrack_; }
    int rows() const { return rows_; }
    int measuresInView() const { return measures_; }
    const BlockPosition& cursor() const { return cursor_; }
    const std::optional<Selection>& selection() const { return selection_; }

    // A resize or a new layout; the first track stays within 0 .. 256 - rows.
    void setViewSize(int rows, int measuresInView);
    // Scroll bars: the first visible measure (>= 0) and track.
    ViewChange scrollTo(int firstMeasure, int firstTrack);
    // A click on a block (tools "arrow" and "pen").
    ViewChange moveCursor(BlockPosition block);
    // A rubber band's result, or none.
    ViewChange setSelection(std::optional<Selection> selection);

    ViewChange arrow(Direction direction);
    ViewChange shiftArrow(Direction direction);
    ViewChange selectAll(const Song& song);
    ViewChange selectToRightEnd(const Song& song);
    ViewChange selectToBottom(const Song& song);
    ViewChange selectNone();

    // One 40 ms step of dragging the selection's right or bottom edge beyond the grid: the
    // view and the dragged edge move one measure right or one track down.
    ViewChange dragScrollStep(DragEdge edge);

    // The cursor to the target's measure; the view starts at it (rewind) or ends at it
    // (forward) when it was out of view.
    ViewChange rewind(const Song& song, std::int32_t start, std::int32_t stop);
    ViewChange forward(const Song& song, std::int32_t start, std::int32_t stop);

    // Playback reached measure: the cursor goes there; when it leaves the view, the view
    // turns a page so that the measure is the first visible one.
    ViewChange followPlay(int measure);

private:
    ViewChange keepCursorVisible();
    bool measureVisible(int measure) const;

    int rows_;
    int measures_;
    int firstMeasure_ = 0;
    int firstTrack_ = 0;
    BlockPosition cursor_;
    std::optional<Selection> selection_;
};

} // namespace velisto
