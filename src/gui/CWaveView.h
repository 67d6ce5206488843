#pragma once
// The wave editor's view: a flag strip with the loop and cue marks as hat-shaped flags,
// then one lane per channel. Geometry, peaks and hit tests are WaveViewModel's, the
// selection and caret WaveEditEngine's; the widget only turns mouse and keys into their
// calls and draws, in device pixels so that a HiDPI screen gets a column per pixel.
//
// Thread contract: user-interface thread only.

#include <QColor>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QPainter;

namespace velisto {

class WaveEditEngine;
class WaveViewModel;

class CWaveView : public QWidget {
public:
    static constexpr int kFlagStripHeight = 18; // logical pixels above the lanes

    CWaveView(WaveEditEngine& engine, WaveViewModel& model, QWidget* parent);

    // The file changed length (or was opened): the model follows, zoomed to fit if asked.
    void fileChanged(bool fit);
    // Zoom around the middle of the view (menu commands) or around a device-pixel column.
    void zoomBy(double factor);
    void zoomToFit();
    // Moves the view so that frame is visible.
    void showFrame(std::int64_t frame);
    // The column count the model works with: the width in device pixels.
    int deviceWidth() const;
    double deviceX(double logicalX) const { return logicalX * devicePixelRatioF(); }

    // Told after every change of view, selection or caret (scroll bar, menu state).
    void setChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }
    // A flag was dropped at offset (a file offset); snapped when it was moved onto a
    // selection edge.
    void setFlagDroppedHandler(std::function<void(int mark, std::int64_t offset, bool snapped)> handler)
    {
        flagDropped_ = std::move(handler);
    }
    // The context menu of a flag (right button).
    void setFlagMenuHandler(std::function<void(int mark, QPoint globalPos)> handler) { flagMenu_ = std::move(handler); }

    // The frame the selection extends to with Shift (the caret is the other end).
    std::int64_t extent() const { return extent_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::int64_t frameOf(std::int64_t offset) const;
    std::int64_t offsetOf(std::int64_t frame) const;
    std::int64_t frames() const;
    std::int64_t caretFrame() const;
    // Marks as frames for the model: loop start, loop end (-1 without a loop), cues.
    std::int64_t markFrame(int mark) const;
    std::vector<std::int64_t> cueFrames() const;
    int flagUnder(double deviceX) const;
    // Selects from the caret to frame (Shift), or moves the caret there.
    void moveTo(std::int64_t frame, bool extend);
    std::vector<std::int32_t> peaks(int channel, const std::vector<std::uint8_t>& samples) const;
    void drawFlags(QPainter& painter, double ratio) const;
    void drawFlag(QPainter& painter, double x, const QColor& color, const QString& label) const;
    void notify();

    WaveEditEngine& engine_;
    WaveViewModel& model_;
    std::function<void()> changed_;
    std::function<void(int, std::int64_t, bool)> flagDropped_;
    std::function<void(int, QPoint)> flagMenu_;
    std::int64_t extent_ = 0;
    bool selecting_ = false;
    int draggedMark_ = 0;
    std::int64_t dragFrame_ = 0;
    bool dragSnapped_ = false;
};

} // namespace velisto
