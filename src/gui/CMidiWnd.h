#pragma once
// The track area: the per-track control strips, the measure ruler, the tempo row, one row
// of blocks per track, the meter and key rows, the cursor and the selection, with scroll
// bars by measures and tracks. Layout, hit tests, block runs and every cursor or selection
// rule are core functions (TrackAreaLayout, TrackAreaView, TrackBlocks); this window calls
// them, draws, and tells the main window of each change by posting to it.
//
// Thread contract: user-interface thread only; output notices arrive queued there.

#include "CTrackControl.h"
#include "app/TrackAreaLayout.h"
#include "edit/TrackAreaView.h"
#include "midi/OutputNotifier.h"

#include <QHash>
#include <QStaticText>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QScrollBar;

namespace velisto {

class CDeviceNameControl;
class CKnobControl;
class CMidiChannelControl;
class CMidiVolControl;
class CProgramNameControl;
class CSoloMuteControl;
class CTickoffsetControl;
class CTrackName;
class GuiOutputNotifier;
struct FrameState;

// The controls of one visible row, left to right.
struct TrackRowControls {
    CTrackName* name = nullptr;
    CDeviceNameControl* device = nullptr;
    CSoloMuteControl* soloMute = nullptr;
    CMidiChannelControl* channel = nullptr;
    CProgramNameControl* program = nullptr;
    CTickoffsetControl* offset = nullptr;
    CMidiVolControl* volume = nullptr;
    std::array<CKnobControl*, 3> knobs{}; // red, blue, green
};

class CMidiWnd : public QWidget, public OutputNotifier {
public:
    static constexpr int kIdleInterval = 300;     // ms: cursor blink
    static constexpr int kDragScrollInterval = 40; // ms: an edge dragged beyond the grid

    CMidiWnd(Engine& engine, FrameState& state, PlayController& controller, UiNotifier& notifier,
             UserPrompt& prompt, UndoStack& undo, GuiOutputNotifier& notices, QWidget* parent);
    ~CMidiWnd() override;

    // Called once, after the first paint.
    void setFirstPaintHandler(std::function<void()> handler) { firstPaint_ = std::move(handler); }
    // A tempo, meter or key marker was pressed and released on: the editor opens there.
    using MasterMarkerHandler = std::function<void(MasterListKind, std::int32_t tick)>;
    void setMasterMarkerHandler(MasterMarkerHandler handler) { markerHandler_ = std::move(handler); }
    // The mouse tool goes back to "arrow" (a command asked for it).
    void setToolHandler(std::function<void(std::string_view)> handler) { toolHandler_ = std::move(handler); }

    // The start-up has settled the "Display" keys: rows, sizes, controls follow them, and
    // from now on a resize stores the measures in view.
    void applyLayout();
    TrackAreaLayout layout() const;
    const TrackAreaView& view() const { return view_; }
    // Where grid point (0, 0) lies in this widget.
    QPoint gridOrigin() const;
    // The centre of a block in this widget's pixels.
    QPoint blockCentre(int measure, int track) const;

    // A command the main window routes here (arrows, selection, rewind, forward, Tab, Esc).
    // False when it is not the track area's.
    bool command(unsigned id);
    // Playback reached tick (the first of a measure): the cursor follows.
    void followPlay(std::int32_t tick);
    // A run ended: the cursor goes back to the measure it started in (Rewind and Forward
    // use the controller's start and stop-measure ticks).
    void runEnded(std::int32_t cursorTick);
    // Another window moved the frame's cursor or selection.
    void takeFrameCursor();
    // The song was replaced or changed as a whole: names, rows, blocks.
    void refreshSong();

    // The timer's work, callable by tests without waiting for it.
    void timerTick();
    int timerInterval() const { return timer_.interval(); }
    bool blinkPhase() const { return blink_; }

    int rowCount() const { return static_cast<int>(rows_.size()); }
    const TrackRowControls& rowControls(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    QScrollBar* horizontalBar() const { return hbar_; }
    QScrollBar* verticalBar() const { return vbar_; }

    // OutputNotifier, delivered on the user-interface thread.
    void levelMeter(int track, int level) override;
    void channelTracksChanged(int device, int channel) override;
    void programNamesChanged(int device) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    enum class Drag { None, RubberBand, RightEdge, BottomEdge, Marker };

    void apply(const ViewChange& change);
    void relayout();
    void syncScrollBars();
    void rebuildRows();
    void fitHeaders();
    void placeRows();
    void refreshRows();
    void becomeForeground();
    void nextTrackName();
    void escape();
    bool idle() const;
    ViewOrigin origin() const;
    QPoint toGrid(QPoint widgetPoint) const;
    void dragEdgeTo(QPoint grid);
    bool beyondGrid(QPoint grid) const;

    void drawHeaders(QPainter& painter, const TrackAreaLayout& layout) const;
    void drawRuler(QPainter& painter, const TrackAreaLayout& layout) const;
    void drawMarkers(QPainter& painter, const TrackAreaLayout& layout) const;
    void drawTrackRow(QPainter& painter, const TrackAreaLayout& layout, int track) const;
    // The text laid out in the font; with a width, shortened with an ellipsis to fit it.
    const QStaticText& laidOut(const QString& text, const QFont& font, int width = -1) const;
    // An instrument name with its shadow, shortened to the rectangle when it is too long.
    void drawName(QPainter& painter, const QRect& rect, const QString& name, const QColor& shadow) const;
    void drawCursorAndSelection(QPainter& painter, const TrackAreaLayout& layout) const;

    Engine& engine_;
    FrameState& state_;
    PlayController& controller_;
    UiNotifier& notifier_;
    GuiOutputNotifier& notices_;
    TrackRowContext context_;
    TrackAreaView view_;
    std::vector<TrackRowControls> rows_;
    // The column headers as they fit their columns: text (maybe two lines), font size.
    struct Header {
        QString text;
        int pixels = 7;
    };
    std::vector<Header> headers_;
    QScrollBar* hbar_;
    QScrollBar* vbar_;
    QTimer timer_;
    bool blink_ = true;
    bool syncingBars_ = false;
    bool layoutLive_ = false;

    Drag drag_ = Drag::None;
    QPoint pressGrid_;
    QPoint currentGrid_;
    bool beyond_ = false;
    std::optional<MasterMarker> pressedMarker_;
    bool markerHeld_ = false; // the mouse is still over the pressed marker
    int songEndMeasure_ = 0; // where the horizontal scroll bar's range ends, less a margin

    std::function<void()> firstPaint_;
    MasterMarkerHandler markerHandler_;
    std::function<void(std::string_view)> toolHandler_;
    bool painted_ = false;
    // Texts laid out for painting, by font pixel size and text.
    // By font pixel size and width (-1: whole text) in one key.
    mutable QHash<QPair<qint64, QString>, QStaticText> texts_;
};

} // namespace velisto
