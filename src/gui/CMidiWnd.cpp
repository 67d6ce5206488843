#include "CMidiWnd.h"

#include "CDeviceNameControl.h"
#include "CKnobControl.h"
#include "CMidiChannelControl.h"
#include "CMidiVolControl.h"
#include "CProgramNameControl.h"
#include "CSoloMuteControl.h"
#include "CTickoffsetControl.h"
#include "CTrackName.h"
#include "GuiOutputNotifier.h"
#include "QtText.h"
#include "app/CommandIds.h"
#include "app/FrameState.h"
#include "app/Settings.h"
#include "app/UiNotifier.h"
#include "engine/Engine.h"
#include "midi/TrackBlocks.h"
#include "playback/PlayController.h"
#include "song/Positions.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {

// Runs that began this many measures left of the view are still recognised as one.
constexpr int kRunLookBehind = 14;
// The scroll bar reaches this far past the song's end, so there is room to write.
constexpr int kMeasuresPastEnd = 16;
constexpr int kWheelTracks = 3;
// Laid-out texts kept for repainting; beyond this many the cache starts again.
constexpr qsizetype kMaxLaidOutTexts = 4096;
// "Contr. 1" .. "Contr. 3" follow the seven columns that have controls.
constexpr std::size_t kFirstKnobColumn = 7;

const QColor kText(255, 255, 255);
const QColor kGridLine(38, 38, 42);
const QColor kBarLine(58, 58, 64);
const QColor kMasterRow(22, 22, 28);

QColor colourOf(RgbColour colour) { return QColor(colour.red, colour.green, colour.blue); }

QColor shadowOf(const QColor& colour)
{
    return QColor(std::max(colour.red() - 50, 0), std::max(colour.green() - 50, 0), std::max(colour.blue() - 50, 0));
}

QColor markerColour(MasterListKind list)
{
    switch (list) {
    case MasterListKind::Tempo: return QColor(240, 150, 40);
    case MasterListKind::Meter: return QColor(60, 190, 230);
    case MasterListKind::Key: return QColor(205, 95, 225);
    }
    return kText;
}

void setPixelFont(QPainter& painter, int pixels)
{
    QFont font = painter.font();
    font.setPixelSize(std::max(pixels, 7));
    painter.setFont(font);
}

} // namespace

CMidiWnd::CMidiWnd(Engine& engine, FrameState& state, PlayController& controller, UiNotifier& notifier,
                   UserPrompt& prompt, UndoStack& undo, GuiOutputNotifier& notices, QWidget* parent)
    : QWidget(parent), engine_(engine), state_(state), controller_(controller), notifier_(notifier),
      notices_(notices), context_{engine, controller, notifier, prompt, undo, {}, {}, {}, {}},
      view_(layout().rows(), layout().measuresInView()), hbar_(new QScrollBar(Qt::Horizontal, this)),
      vbar_(new QScrollBar(Qt::Vertical, this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    context_.rowsChanged = [this] {
        refreshRows();
        update();
    };
    context_.pressed = [this] { becomeForeground(); };
    context_.cursorMeasure = [this] { return view_.cursor().measure; };
    context_.nameEditRow = [this](int row) {
        state_.nameEditRow = row;
        update();
    };
    hbar_->setFocusPolicy(Qt::NoFocus);
    vbar_->setFocusPolicy(Qt::NoFocus);
    connect(hbar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncingBars_)
            apply(view_.scrollTo(value, view_.firstTrack()));
    });
    connect(vbar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncingBars_)
            apply(view_.scrollTo(view_.firstMeasure(), value));
    });
    timer_.setInterval(kIdleInterval);
    connect(&timer_, &QTimer::timeout, this, [this] { timerTick(); });
    timer_.start();
    notices_.subscribe(this);
    state_.cursorMeasure = view_.cursor().measure;
    state_.cursorTrack = view_.cursor().track;
    state_.selection = view_.selection();
    relayout();
}

CMidiWnd::~CMidiWnd() { notices_.unsubscribe(this); }

TrackAreaLayout CMidiWnd::layout() const { return TrackAreaLayout(engine_.settings.display); }

QPoint CMidiWnd::gridOrigin() const
{
    const TrackAreaLayout l = layout();
    return {l.controlWidth() + l.frameStrength(), 0};
}

QPoint CMidiWnd::blockCentre(int measure, int track) const
{
    const LayoutRect block = layout().blockRect(measure, track, origin());
    return gridOrigin() + QPoint(block.x + block.width / 2, block.y + block.height / 2);
}

ViewOrigin CMidiWnd::origin() const { return {view_.firstMeasure(), view_.firstTrack()}; }

QPoint CMidiWnd::toGrid(QPoint widgetPoint) const { return widgetPoint - gridOrigin(); }

bool CMidiWnd::idle() const { return !controller_.runExists(); }

// ---- layout ----

void CMidiWnd::applyLayout()
{
    layoutLive_ = true;
    relayout();
}

void CMidiWnd::relayout()
{
    const TrackAreaLayout l = layout();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int gridWidth = width() - gridOrigin().x() - bar - l.frameStrength();
    const int measures = l.measuresFor(gridWidth);
    // A resize keeps rows and sizes: only the measures in view follow the width. Until the
    // start-up has judged the stored layout, a passing size must not overwrite it.
    if (layoutLive_)
        engine_.settings.display.numberofmidiblocksinaview = measures;
    view_.setViewSize(l.rows(), measures);
    if (rowCount() != l.rows())
        rebuildRows();
    const int gridRight = gridOrigin().x() + measures * l.blockWidth();
    hbar_->setGeometry(gridOrigin().x(), l.bottom() + 1, measures * l.blockWidth(), bar);
    vbar_->setGeometry(gridRight + l.frameStrength(), l.midiTop(), bar, l.rows() * l.rowHeight());
    placeRows();
    fitHeaders();
    syncScrollBars();
    update();
}

void CMidiWnd::fitHeaders()
{
    // Narrow columns get a smaller font, then two lines, before a header is shortened.
    const TrackAreaLayout l = layout();
    headers_.clear();
    for (const ControlColumn& column : l.controlColumns()) {
        QString header = qtext(column.header);
        const int room = column.width - 2;
        const auto fits = [&header, room](int pixels) {
            QFont font;
            font.setPixelSize(std::max(pixels, 7));
            const QFontMetrics metrics(font);
            for (const QString& line : header.split('\n'))
                if (metrics.horizontalAdvance(line) > room)
                    return false;
            return true;
        };
        int pixels = l.midiTop() * 3 / 5;
        while (pixels > 7 && !fits(pixels))
            --pixels;
        if (!fits(pixels) && header.contains(' ')) {
            header.replace(header.lastIndexOf(' '), 1, '\n');
            pixels = std::max(7, (l.midiTop() - 2) / 2);
            while (pixels > 7 && !fits(pixels))
                --pixels;
        }
        QFont font;
        font.setPixelSize(std::max(pixels, 7));
        const QFontMetrics metrics(font);
        QStringList lines = header.split('\n');
        for (QString& line : lines)
            line = metrics.elidedText(line, Qt::ElideRight, room + 1);
        headers_.push_back({lines.join('\n'), std::max(pixels, 7)});
    }
}

void CMidiWnd::rebuildRows()
{
    for (TrackRowControls& row : rows_) {
        delete row.name;
        delete row.device;
        delete row.soloMute;
        delete row.channel;
        delete row.program;
        delete row.offset;
        delete row.volume;
        for (CKnobControl* knob : row.knobs)
            delete knob;
    }
    rows_.clear();
    const int count = layout().rows();
    for (int r = 0; r < count; ++r) {
        TrackRowControls row;
        row.name = new CTrackName(context_, r, this);
        row.device = new CDeviceNameControl(context_, this);
        row.soloMute = new CSoloMuteControl(context_, this);
        row.channel = new CMidiChannelControl(context_, this);
        row.program = new CProgramNameControl(context_, this);
        row.offset = new CTickoffsetControl(context_, this);
        row.volume = new CMidiVolControl(context_, this);
        for (int k = 0; k < static_cast<int>(row.knobs.size()); ++k)
            row.knobs[static_cast<std::size_t>(k)] = new CKnobControl(context_, k, this);
        rows_.push_back(row);
    }
}

void CMidiWnd::placeRows()
{
    const TrackAreaLayout l = layout();
    const auto columns = l.controlColumns();
    const int visible = l.visibleRows(view_.firstTrack());
    for (int r = 0; r < rowCount(); ++r) {
        const TrackRowControls& row = rows_[static_cast<std::size_t>(r)];
        const int y = l.midiTop() + r * l.rowHeight();
        const int track = std::min(view_.firstTrack() + r, kTrackCount - 1);
        QWidget* const widgets[] = {row.name,   row.device,   row.soloMute,  row.channel,  row.program,
                                    row.offset, row.volume, row.knobs[0], row.knobs[1], row.knobs[2]};
        for (std::size_t c = 0; c < std::size(widgets); ++c) {
            QWidget* widget = widgets[c];
            widget->setGeometry(columns[c].x, y, columns[c].width, l.rowHeight());
            // No row shows a track past the last.
            widget->setVisible(r < visible);
        }
        row.name->setTrack(track);
        row.device->setTrack(track);
        row.soloMute->setTrack(track);
        row.channel->setTrack(track);
        row.program->setTrack(track);
        row.program->setMeasure(view_.cursor().measure);
        row.offset->setTrack(track);
        row.volume->setTrack(track);
        for (CKnobControl* knob : row.knobs)
            knob->setTrack(track);
    }
}

void CMidiWnd::refreshRows()
{
    for (const TrackRowControls& row : rows_) {
        row.name->refresh();
        for (QWidget* widget : std::initializer_list<QWidget*>{row.device, row.soloMute, row.channel, row.program,
                                                               row.offset, row.volume, row.knobs[0], row.knobs[1],
                                                               row.knobs[2]})
            widget->update();
    }
}

void CMidiWnd::syncScrollBars()
{
    syncingBars_ = true;
    hbar_->setRange(0, std::max(songEndMeasure_ + kMeasuresPastEnd - view_.measuresInView(), view_.firstMeasure()));
    hbar_->setPageStep(view_.measuresInView());
    hbar_->setValue(view_.firstMeasure());
    vbar_->setRange(0, kTrackCount - view_.rows());
    vbar_->setPageStep(view_.rows());
    vbar_->setValue(view_.firstTrack());
    syncingBars_ = false;
}

// ---- changes ----

void CMidiWnd::apply(const ViewChange& change)
{
    if (!change.any())
        return;
    if (change.scrolled || change.cursor)
        placeRows();
    if (change.scrolled)
        syncScrollBars();
    state_.cursorMeasure = view_.cursor().measure;
    state_.cursorTrack = view_.cursor().track;
    state_.selection = view_.selection();
    if (change.selection)
        notifier_.post(kToolbarSelectionMessage, kToolbarSelectionChanged, 0);
    else if (change.cursor)
        notifier_.post(kToolbarSelectionMessage, kToolbarCursorJumped, 0);
    if (change.toolToArrow && toolHandler_)
        toolHandler_(kToolArrow);
    blink_ = true;
    update();
}

void CMidiWnd::becomeForeground()
{
    state_.foreground = ForegroundEditor::TrackArea;
    setFocus(Qt::MouseFocusReason);
    update();
}

bool CMidiWnd::command(unsigned id)
{
    const Song& song = *engine_.song;
    const auto arrow = [this](Direction direction) {
        // With the selection tool and nothing selected the arrows have nothing to act on.
        if (idle() && !(state_.mouseTool == kToolSelection && !view_.selection()))
            apply(view_.arrow(direction));
    };
    const auto extend = [this](Direction direction) {
        if (idle() && state_.foreground == ForegroundEditor::TrackArea)
            apply(view_.shiftArrow(direction));
    };
    switch (id) {
    case CommandId::CursorDown: arrow(Direction::Down); break;
    case CommandId::CursorUp: arrow(Direction::Up); break;
    case CommandId::CursorLeft: arrow(Direction::Left); break;
    case CommandId::CursorRight: arrow(Direction::Right); break;
    case CommandId::ExtendDown: extend(Direction::Down); break;
    case CommandId::ExtendUp: extend(Direction::Up); break;
    case CommandId::ExtendLeft: extend(Direction::Left); break;
    case CommandId::ExtendRight: extend(Direction::Right); break;
    case CommandId::SelectAll: apply(view_.selectAll(song)); break;
    case CommandId::SelectToRightEnd: apply(view_.selectToRightEnd(song)); break;
    case CommandId::SelectToBottom: apply(view_.selectToBottom(song)); break;
    case CommandId::SelectNone: apply(view_.selectNone()); break;
    case CommandId::Rewind:
        if (idle())
            apply(view_.rewind(song, controller_.lastStartTick(), controller_.lastStopMeasureTick()));
        break;
    case CommandId::Forward:
        if (idle())
            apply(view_.forward(song, controller_.lastStartTick(), controller_.lastStopMeasureTick()));
        break;
    case CommandId::NextTrackName:
        if (idle())
            nextTrackName();
        break;
    case CommandId::Escape: escape(); break;
    default: return false;
    }
    return true;
}

void CMidiWnd::nextTrackName()
{
    const int next = state_.nameEditRow; // the field after the one being edited
    if (next < layout().visibleRows(view_.firstTrack()) && next < rowCount())
        rows_[static_cast<std::size_t>(next)].name->setFocus(Qt::TabFocusReason);
    else
        setFocus(Qt::TabFocusReason);
}

void CMidiWnd::escape()
{
    if (state_.nameEditRow == 0)
        apply(view_.selectNone());
    else
        setFocus(Qt::OtherFocusReason);
}

void CMidiWnd::followPlay(std::int32_t tick) { apply(view_.followPlay(measureOfTick(*engine_.song, tick))); }

void CMidiWnd::runEnded(std::int32_t cursorTick)
{
    apply(view_.followPlay(measureOfTick(*engine_.song, cursorTick)));
}

void CMidiWnd::takeFrameCursor()
{
    ViewChange change = view_.moveCursor({state_.cursorMeasure, state_.cursorTrack});
    const ViewChange selection = view_.setSelection(state_.selection);
    change.selection = change.selection || selection.selection;
    change.scrolled = change.scrolled || selection.scrolled;
    apply(change);
}

void CMidiWnd::refreshSong()
{
    // Walks every event: once per change of the song, never per scroll.
    const Song& song = *engine_.song;
    songEndMeasure_ = measureOfTick(song, songEndTick(song));
    refreshRows();
    syncScrollBars();
    update();
}

void CMidiWnd::timerTick()
{
    if (beyond_ && (drag_ == Drag::RightEdge || drag_ == Drag::BottomEdge)) {
        apply(view_.dragScrollStep(drag_ == Drag::RightEdge ? DragEdge::Right : DragEdge::Bottom));
        return;
    }
    if (!idle() || state_.nameEditRow != 0 || view_.selection())
        return;
    blink_ = !blink_;
    const TrackAreaLayout l = layout();
    const LayoutRect block = l.blockRect(view_.cursor().measure, view_.cursor().track, origin());
    update(QRect(gridOrigin() + QPoint(block.x, block.y), QSize(block.width, block.height)).adjusted(-2, -2, 2, 2));
}

// ---- output notices ----

void CMidiWnd::levelMeter(int track, int level)
{
    const int row = track - view_.firstTrack();
    if (row >= 0 && row < rowCount())
        rows_[static_cast<std::size_t>(row)].volume->levelPeak(level);
}

void CMidiWnd::channelTracksChanged(int, int) { refreshRows(); }

void CMidiWnd::programNamesChanged(int) { refreshRows(); }

// ---- mouse ----

void CMidiWnd::mousePressEvent(QMouseEvent* event)
{
    if (!idle())
        return;
    becomeForeground();
    if (event->button() != Qt::LeftButton)
        return;
    const TrackAreaLayout l = layout();
    const QPoint grid = toGrid(event->position().toPoint());
    const TrackAreaZone zone = l.zoneAt(grid.y());
    if (zone == TrackAreaZone::TempoRow || zone == TrackAreaZone::MeterRow || zone == TrackAreaZone::KeyRow) {
        pressedMarker_ = l.markerAt(*engine_.song, grid.x(), grid.y(), origin());
        if (pressedMarker_) {
            drag_ = Drag::Marker;
            markerHeld_ = true;
            update();
        }
        return;
    }
    if (zone != TrackAreaZone::Tracks)
        return;
    if (const auto& selection = view_.selection()) {
        switch (l.edgeAt(grid.x(), grid.y(), *selection, origin())) {
        case SelectionEdge::Right: drag_ = Drag::RightEdge; return;
        case SelectionEdge::Bottom: drag_ = Drag::BottomEdge; return;
        case SelectionEdge::Inside: return;
        case SelectionEdge::None: apply(view_.setSelection(std::nullopt)); break;
        }
    }
    if (state_.mouseTool == kToolSelection) {
        drag_ = Drag::RubberBand;
        pressGrid_ = currentGrid_ = grid;
        update();
        return;
    }
    const auto measure = l.measureAt(grid.x(), origin());
    const auto track = l.trackAt(grid.y(), origin());
    if (measure && track)
        apply(view_.moveCursor({*measure, *track}));
}

bool CMidiWnd::beyondGrid(QPoint grid) const
{
    const TrackAreaLayout l = layout();
    if (drag_ == Drag::RightEdge)
        return grid.x() >= view_.measuresInView() * l.blockWidth();
    return grid.y() >= l.midiTop() + l.visibleRows(view_.firstTrack()) * l.rowHeight();
}

void CMidiWnd::dragEdgeTo(QPoint grid)
{
    const bool beyond = beyondGrid(grid);
    if (beyond != beyond_) {
        beyond_ = beyond;
        timer_.setInterval(beyond ? kDragScrollInterval : kIdleInterval);
    }
    if (beyond || !view_.selection())
        return;
    // The edge snaps to the block boundary nearest the mouse, never before its first block.
    const TrackAreaLayout l = layout();
    Selection selection = *view_.selection();
    if (drag_ == Drag::RightEdge) {
        const int boundary = (grid.x() + l.blockWidth() / 2) / l.blockWidth();
        selection.lastMeasure = std::max(view_.firstMeasure() + boundary - 1, selection.firstMeasure);
    } else {
        const int boundary = (grid.y() - l.midiTop() + l.rowHeight() / 2) / l.rowHeight();
        selection.lastTrack = std::clamp(view_.firstTrack() + boundary - 1, selection.firstTrack, kTrackCount - 1);
    }
    apply(view_.setSelection(selection));
}

void CMidiWnd::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint grid = toGrid(event->position().toPoint());
    switch (drag_) {
    case Drag::RubberBand:
        currentGrid_ = grid;
        update();
        break;
    case Drag::RightEdge:
    case Drag::BottomEdge: dragEdgeTo(grid); break;
    case Drag::Marker: {
        const auto marker = layout().markerAt(*engine_.song, grid.x(), grid.y(), origin());
        const bool held = marker && marker->list == pressedMarker_->list && marker->measure == pressedMarker_->measure;
        if (held != markerHeld_) {
            markerHeld_ = held;
            update();
        }
        break;
    }
    case Drag::None: break;
    }
}

void CMidiWnd::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const Drag drag = std::exchange(drag_, Drag::None);
    const QPoint grid = toGrid(event->position().toPoint());
    switch (drag) {
    case Drag::RubberBand:
        apply(view_.setSelection(layout().rubberBand(pressGrid_.x(), pressGrid_.y(), grid.x(), grid.y(), origin())));
        update();
        break;
    case Drag::RightEdge:
    case Drag::BottomEdge:
        beyond_ = false;
        timer_.setInterval(kIdleInterval);
        break;
    case Drag::Marker: {
        const std::optional<MasterMarker> marker = std::exchange(pressedMarker_, std::nullopt);
        update();
        if (markerHeld_ && markerHandler_)
            markerHandler_(marker->list, marker->tick);
        markerHeld_ = false;
        break;
    }
    case Drag::None: break;
    }
}

void CMidiWnd::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    const int notches = (delta.y() != 0 ? delta.y() : delta.x()) / 120;
    if (notches == 0)
        return;
    if (delta.y() == 0 || (event->modifiers() & Qt::ShiftModifier))
        apply(view_.scrollTo(std::max(view_.firstMeasure() - notches, 0), view_.firstTrack()));
    else
        apply(view_.scrollTo(view_.firstMeasure(), view_.firstTrack() - notches * kWheelTracks));
    event->accept();
}

void CMidiWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

// ---- drawing ----

void CMidiWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool foreground = state_.foreground == ForegroundEditor::TrackArea;
    painter.fillRect(rect(), foreground ? QColor(0, 0, 0) : QColor(60, 60, 60));
    const TrackAreaLayout l = layout();
    drawHeaders(painter, l);

    painter.save();
    const QPoint grid = gridOrigin();
    painter.setClipRect(QRect(grid.x(), 0, view_.measuresInView() * l.blockWidth() + 1, l.bottom()));
    painter.translate(grid);
    drawRuler(painter, l);
    const int visible = l.visibleRows(view_.firstTrack());
    for (int r = 0; r < visible; ++r)
        drawTrackRow(painter, l, view_.firstTrack() + r);
    drawMarkers(painter, l);
    drawCursorAndSelection(painter, l);
    painter.restore();

    if (!painted_) {
        painted_ = true;
        if (firstPaint_)
            firstPaint_();
    }
}

void CMidiWnd::drawHeaders(QPainter& painter, const TrackAreaLayout& l) const
{
    painter.setPen(kText);
    const auto columns = l.controlColumns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const ControlColumn& column = columns[c];
        const QRect cell(column.x, 0, column.width, l.midiTop());
        if (c < headers_.size()) {
            setPixelFont(painter, headers_[c].pixels);
            painter.drawText(cell, Qt::AlignHCenter | Qt::AlignBottom, headers_[c].text);
        }
        // The knob columns have no controls yet: empty cells keep the strip whole.
        if (c >= kFirstKnobColumn)
            for (int r = 0; r < l.visibleRows(view_.firstTrack()); ++r) {
                const QRect knob(column.x, l.midiTop() + r * l.rowHeight(), column.width, l.rowHeight());
                painter.fillRect(knob, QColor(28, 28, 32));
                painter.fillRect(QRect(knob.left(), knob.bottom(), knob.width(), 1), QColor(70, 70, 78));
                painter.fillRect(QRect(knob.right(), knob.top(), 1, knob.height()), QColor(70, 70, 78));
            }
    }
    // The master rows' label lies left of the meter and key rows.
    const QRect master(0, l.meterTop(), l.controlWidth(), l.bottom() - l.meterTop());
    painter.fillRect(master.adjusted(0, 0, 0, -1), kMasterRow);
    setPixelFont(painter, std::min(master.height() * 3 / 5, l.rowHeight() * 3 / 5));
    painter.setPen(kText);
    painter.drawText(master.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, "Mastertrack");
}

void CMidiWnd::drawRuler(QPainter& painter, const TrackAreaLayout& l) const
{
    const int width = view_.measuresInView() * l.blockWidth();
    painter.fillRect(QRect(0, l.rulerHeight(), width, l.masterRowHeight()), kMasterRow);
    painter.fillRect(QRect(0, l.meterTop(), width, l.bottom() - l.meterTop()), kMasterRow);
    setPixelFont(painter, l.rulerHeight() + l.masterRowHeight() / 3);
    const QFontMetrics metrics = painter.fontMetrics();
    // Numbers only where they fit: every measure, or every 2nd, 4th, 8th ... one.
    const int widest = metrics.horizontalAdvance(QString::number(view_.firstMeasure() + view_.measuresInView())) + 4;
    int step = 1;
    while (step * l.blockWidth() < widest)
        step *= 2;
    painter.setPen(kText);
    for (int i = 0; i < view_.measuresInView(); ++i) {
        const int measure = view_.firstMeasure() + i;
        const int x = i * l.blockWidth();
        painter.fillRect(QRect(x, l.rulerHeight() - 3, 1, 3), kBarLine);
        if (measure % step == 0)
            painter.drawStaticText(x + 2, 0, laidOut(QString::number(measure + 1), painter.font()));
    }
}

void CMidiWnd::drawMarkers(QPainter& painter, const TrackAreaLayout& l) const
{
    const Song& song = *engine_.song;
    const int first = view_.firstMeasure();
    const int last = first + view_.measuresInView() - 1;
    const auto draw = [&](MasterListKind list, int measure, int top) {
        if (measure < first || measure > last)
            return;
        const bool pressed = markerHeld_ && pressedMarker_ && pressedMarker_->list == list &&
                             pressedMarker_->measure == measure;
        const int side = std::max(3, std::min(l.masterRowHeight() - 2, l.blockWidth() - 1));
        QRect marker((measure - first) * l.blockWidth() + 1, top + (l.masterRowHeight() - side) / 2, side, side);
        QColor colour = markerColour(list);
        if (pressed) {
            marker.translate(1, 1);
            colour = colour.darker(160);
        }
        painter.fillRect(marker, colour);
        painter.fillRect(QRect(marker.left(), marker.bottom(), marker.width(), 1), colour.darker(200));
        painter.fillRect(QRect(marker.right(), marker.top(), 1, marker.height()), colour.darker(200));
    };
    for (int i = 0; i < song.tempoCount(); ++i)
        draw(MasterListKind::Tempo, measureOfTick(song, song.tempoList[static_cast<std::size_t>(i)].tick),
             l.rulerHeight());
    for (int i = 0; i < song.meterCount(); ++i)
        draw(MasterListKind::Meter, song.meterList[static_cast<std::size_t>(i)].measure, l.meterTop());
    for (int i = 0; i < song.keyCount(); ++i)
        draw(MasterListKind::Key, measureOfTick(song, song.keyList[static_cast<std::size_t>(i)].tick), l.keyTop());
}

void CMidiWnd::drawTrackRow(QPainter& painter, const TrackAreaLayout& l, int track) const
{
    const DisplaySettings& display = engine_.settings.display;
    const int first = view_.firstMeasure();
    const int measures = view_.measuresInView();
    const int width = measures * l.blockWidth();
    const int top = l.blockRect(first, track, origin()).y;
    painter.fillRect(QRect(0, top + l.rowHeight() - 1, width, 1), kGridLine);
    for (int i = 0; i < measures; ++i)
        painter.fillRect(QRect(i * l.blockWidth(), top, 1, l.rowHeight()),
                         (first + i) % 4 == 0 ? kBarLine : kGridLine);

    const Song& song = *engine_.song;
    const int device = song.tracks[static_cast<std::size_t>(track)].device;
    if (!engine_.table.validIndex(device))
        return;
    const OutputDevice& output = engine_.table.device(device);
    const std::vector<BlockRun> runs =
        trackBlockRuns(song, output.programIndex, track, std::max(first - kRunLookBehind, 0), first + measures);

    const int frame = l.frameStrength();
    const int net = std::clamp(display.midiblocknettoheight, 3, l.rowHeight());
    const int band = std::clamp(display.midiblockinnerthirdheight, 1, std::max((net - 2 * frame) / 3, 1));
    const int barTop = top + (l.rowHeight() - net) / 2;
    setPixelFont(painter, net - 2 * frame);
    for (const BlockRun& run : runs) {
        if (run.kind == BlockKind::Empty || run.lastMeasure < first)
            continue;
        const int left = (std::max(run.firstMeasure, first) - first) * l.blockWidth() + 1;
        const int right = (run.lastMeasure + 1 - first) * l.blockWidth();
        const QRect bar(left, barTop, right - left, net);
        switch (run.kind) {
        case BlockKind::Holding: painter.fillRect(bar, QColor(220, 220, 220)); break;
        case BlockKind::TextOnly: painter.fillRect(bar, QColor(135, 135, 135)); break;
        case BlockKind::NoInstrument: {
            painter.fillRect(bar, QColor(20, 20, 20));
            const QColor bands[3] = {QColor(30, 94, 200), QColor(220, 123, 44), QColor(210, 245, 10)};
            for (int b = 0; b < 3; ++b)
                painter.fillRect(QRect(bar.left() + frame, bar.top() + frame + b * band, bar.width() - 2 * frame, band),
                                 bands[b]);
            break;
        }
        case BlockKind::Instrument: {
            const QColor colour = colourOf(programColour(run.program));
            painter.fillRect(bar, colour.darker(170));
            painter.fillRect(bar.adjusted(frame, frame, -frame, -frame), colour);
            const QRect textRect = bar.adjusted(frame + 2, 0, -frame - 1, 0);
            if (textRect.width() > 4)
                drawName(painter, textRect, qtext(instrumentName(output.trackMode, run.program)), shadowOf(colour));
            break;
        }
        case BlockKind::Empty: break;
        }
    }
}

const QStaticText& CMidiWnd::laidOut(const QString& text, const QFont& font, int width) const
{
    // Texts are laid out once per font size; a scroll only places them again. Shortened
    // names are kept by width too: narrow runs would otherwise be shaped on every frame.
    const auto key = qMakePair((static_cast<qint64>(font.pixelSize()) << 32) | static_cast<quint32>(width), text);
    auto found = texts_.find(key);
    if (found == texts_.end()) {
        if (texts_.size() > kMaxLaidOutTexts)
            texts_.clear();
        QStaticText laid(width < 0 ? text : QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        found = texts_.insert(key, laid);
    }
    return found.value();
}

void CMidiWnd::drawName(QPainter& painter, const QRect& rect, const QString& name, const QColor& shadow) const
{
    const QStaticText* text = &laidOut(name, painter.font());
    if (text->size().width() > rect.width())
        text = &laidOut(name, painter.font(), rect.width());
    const QPointF at(rect.left(), rect.top() + (rect.height() - text->size().height()) / 2.0);
    painter.setPen(shadow);
    painter.drawStaticText(at + QPointF(1, 1), *text);
    painter.setPen(kText);
    painter.drawStaticText(at, *text);
}

void CMidiWnd::drawCursorAndSelection(QPainter& painter, const TrackAreaLayout& l) const
{
    const auto toRect = [](const LayoutRect& r) { return QRect(r.x, r.y, r.width, r.height); };
    const bool steady = !idle() || state_.nameEditRow != 0 || view_.selection();
    const BlockPosition cursor = view_.cursor();
    if ((steady || blink_) && cursor.track >= view_.firstTrack() &&
        cursor.track < view_.firstTrack() + l.visibleRows(view_.firstTrack())) {
        const QRect block = toRect(l.blockRect(cursor.measure, cursor.track, origin()));
        // White inside black: visible on the black grid, the grey blocks and every colour.
        const int pen = std::max(2, l.frameStrength());
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0, 0, 0), 1));
        painter.drawRect(block.adjusted(0, 0, -1, -1));
        painter.setPen(QPen(QColor(255, 255, 255), pen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRectF(block).adjusted(1 + pen / 2.0, 1 + pen / 2.0, -1 - pen / 2.0, -1 - pen / 2.0));
    }
    if (const auto& selection = view_.selection()) {
        const QRect area = toRect(l.selectionRect(*selection, origin()));
        painter.fillRect(area, QColor(255, 255, 255, 45));
        painter.setPen(QPen(QColor(255, 230, 90), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        // Handles on the corners and the middle of each edge; the right and bottom ones drag.
        const int side = std::max(5, l.frameStrength() * 2 + 1);
        const int xs[] = {area.left(), area.center().x(), area.right()};
        const int ys[] = {area.top(), area.center().y(), area.bottom()};
        for (const int x : xs)
            for (const int y : ys)
                if (x != area.center().x() || y != area.center().y())
                    painter.fillRect(QRect(x - side / 2, y - side / 2, side, side), QColor(255, 230, 90));
    }
    if (drag_ == Drag::RubberBand) {
        painter.setPen(QPen(QColor(255, 255, 255), 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(pressGrid_, currentGrid_).normalized());
    }
}

} // namespace velisto
