#pragma once
// The common part of the per-track controls left of the track area's grid: which track the
// row shows, what every control reaches (engine, prompt, posts), and the press that is
// either a click (opens the control's dialog) or a vertical drag (changes its value).
//
// Thread contract: user-interface thread only.

#include "edit/TrackEventInsertion.h"

#include <QHash>
#include <QStaticText>
#include <QWidget>

#include <functional>

namespace velisto {

class Engine;
class OutputDevice;
class PlayController;

// What the controls of every row share; owned by the track area.
struct TrackRowContext {
    Engine& engine;
    PlayController& controller;
    UiNotifier& notifier;
    UserPrompt& prompt;
    UndoStack& undo;
    // A control changed something other rows show (solo, device, channel): all redraw.
    std::function<void()> rowsChanged;
    // The track area became the foreground editor and takes the click's consequences.
    std::function<void()> pressed;
    // 1 + the row whose name field has the focus, 0 when none has.
    std::function<void(int)> nameEditRow;
    // The cursor's measure, where the row's dialogs insert.
    std::function<int()> cursorMeasure;
};

class CTrackControl : public QWidget {
public:
    CTrackControl(TrackRowContext& context, QWidget* parent);

    int track() const { return track_; }
    // The row shows another track (scrolling): redraws.
    virtual void setTrack(int track);

protected:
    // A press released without moving: the dialog, the button.
    virtual void clicked(QPoint /*at*/, Qt::KeyboardModifiers /*modifiers*/) {}
    // A drag: pixels moved up since the press (negative: down). first: the drag's first step.
    virtual void dragged(int /*pixels*/, bool /*first*/) {}
    // Controls without a drag (buttons) act on the press itself.
    void setClickOnPress(bool onPress) { clickOnPress_ = onPress; }

    bool runExists() const;
    // The track's output device when it is open, else null.
    OutputDevice* openDevice() const;
    // Where the row's dialogs insert the events they send.
    TrackEventTarget eventTarget() const;
    // The background, a frame, and the row's colours, shared by every control.
    void paintFrame(QPainter& painter) const;
    // The text in the rectangle, in the widget's font (sized to its row).
    void paintText(QPainter& painter, const QRect& rect, const QString& text, const QColor& colour,
                   Qt::Alignment alignment = Qt::AlignCenter) const;
    // A dial in the rectangle turned to fraction 0..1 of its 270 degree sweep.
    static void paintDial(QPainter& painter, const QRectF& rect, double fraction, const QColor& colour);

    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    TrackRowContext& context_;
    int track_ = 0;

private:
    QPoint pressAt_;
    bool pressing_ = false;
    bool dragging_ = false;
    bool clickOnPress_ = false;
    mutable QHash<QString, QStaticText> laidOut_;
    mutable int laidOutFor_ = -1; // the width the texts were shortened to
};

} // namespace velisto
