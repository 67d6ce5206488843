#include "CWaveView.h"

#include "waveeditor/WaveEditEngine.h"
#include "waveeditor/WaveViewModel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {

constexpr double kWheelZoomStep = 1.25; // per notch of 120
const QColor kBackground(22, 24, 28);
const QColor kLaneLine(70, 74, 82);
const QColor kWaveColour(96, 200, 120);
const QColor kSelectionColour(52, 76, 120);
const QColor kLoopColour(230, 140, 40);
const QColor kCueColour(80, 190, 230);
const QColor kCaretColour(250, 220, 80);

} // namespace

CWaveView::CWaveView(WaveEditEngine& engine, WaveViewModel& model, QWidget* parent)
    : QWidget(parent), engine_(engine), model_(model)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, kFlagStripHeight + 40);
}

int CWaveView::deviceWidth() const { return std::max(1, static_cast<int>(std::lround(width() * devicePixelRatioF()))); }

std::int64_t CWaveView::frames() const { return engine_.isOpen() ? engine_.wave().frames() : 0; }

std::int64_t CWaveView::frameOf(std::int64_t offset) const
{
    const WaveFile& wave = engine_.wave();
    return wave.frameSize() > 0 ? (offset - wave.dataStart()) / wave.frameSize() : 0;
}

std::int64_t CWaveView::offsetOf(std::int64_t frame) const
{
    const WaveFile& wave = engine_.wave();
    return wave.dataStart() + frame * wave.frameSize();
}

std::int64_t CWaveView::caretFrame() const { return frameOf(engine_.caret()); }

void CWaveView::fileChanged(bool fit)
{
    model_.setSize(frames(), deviceWidth());
    if (fit)
        model_.zoomToFit();
    extent_ = std::clamp<std::int64_t>(extent_, 0, frames());
    notify();
}

void CWaveView::zoomBy(double factor)
{
    model_.zoom(factor, deviceWidth() / 2.0);
    notify();
}

void CWaveView::zoomToFit()
{
    model_.zoomToFit();
    notify();
}

void CWaveView::showFrame(std::int64_t frame)
{
    const double x = model_.xOf(frame);
    if (x < 0)
        model_.scrollTo(frame);
    else if (x >= deviceWidth())
        model_.scrollTo(frame - static_cast<std::int64_t>(deviceWidth() * model_.framesPerPixel()) + 1);
}

void CWaveView::notify()
{
    update();
    if (changed_)
        changed_();
}

std::int64_t CWaveView::markFrame(int mark) const
{
    const WaveFile& wave = engine_.wave();
    if (mark == kLoopStartMark || mark == kLoopEndMark) {
        if (!wave.hasLoop())
            return -1;
        return frameOf(mark == kLoopStartMark ? wave.loopStart() : wave.loopEnd());
    }
    const auto index = static_cast<std::size_t>(mark - kFirstCueMark);
    return index < wave.cuePoints().size() ? frameOf(wave.cuePoints()[index]) : -1;
}

std::vector<std::int64_t> CWaveView::cueFrames() const
{
    std::vector<std::int64_t> cues;
    for (const std::int64_t offset : engine_.wave().cuePoints())
        cues.push_back(frameOf(offset));
    return cues;
}

int CWaveView::flagUnder(double x) const
{
    if (!engine_.isOpen())
        return kNoMark;
    const std::vector<std::int64_t> cues = cueFrames();
    return model_.hitFlag(x, markFrame(kLoopStartMark), markFrame(kLoopEndMark), cues, devicePixelRatioF());
}

void CWaveView::moveTo(std::int64_t frame, bool extend)
{
    frame = std::clamp<std::int64_t>(frame, 0, frames());
    extent_ = frame;
    if (extend) {
        engine_.select(engine_.caret(), offsetOf(frame));
    } else {
        engine_.clearSelection();
        engine_.setCaret(offsetOf(frame));
    }
    showFrame(frame);
    notify();
}

// ---- drawing ----

std::vector<std::int32_t> CWaveView::peaks(int channel, const std::vector<std::uint8_t>& samples) const
{
    const WaveFile& wave = engine_.wave();
    if (model_.drawsFastView())
        return model_.fastViewPeaks(wave.fastView(), channel);
    return model_.samplePeaks(samples, wave.bitsPerSample(), wave.channels(), channel);
}

void CWaveView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    if (!engine_.isOpen()) {
        painter.setPen(Qt::lightGray);
        painter.drawText(rect(), Qt::AlignCenter, "No wave file open: File > Open or File > New.");
        return;
    }
    const WaveFile& wave = engine_.wave();
    const double ratio = devicePixelRatioF();
    const int columns = deviceWidth();
    // Device pixels from here on: one column of peaks per physical pixel.
    painter.save();
    painter.scale(1.0 / ratio, 1.0 / ratio);
    const double top = kFlagStripHeight * ratio;
    const double laneHeight = (height() * ratio - top) / std::max(1, wave.channels());

    if (engine_.hasSelection()) {
        const double x0 = std::max(0.0, model_.xOf(frameOf(engine_.selectionStart())));
        const double x1 = std::min<double>(columns, model_.xOf(frameOf(engine_.selectionEnd())));
        painter.fillRect(QRectF(x0, top, std::max(1.0, x1 - x0), height() * ratio - top), kSelectionColour);
    }

    // Zoomed in, the visible frames only are read; zoomed out, the stored image is used.
    std::vector<std::uint8_t> samples;
    if (!model_.drawsFastView()) {
        const std::int64_t first = model_.firstFrame();
        const std::int64_t count =
            std::min(frames() - first, static_cast<std::int64_t>(std::ceil(columns * model_.framesPerPixel())) + 1);
        samples.resize(static_cast<std::size_t>(std::max<std::int64_t>(count, 0) * wave.frameSize()));
        if (!samples.empty() &&
            !wave.readData(offsetOf(first), samples.data(), static_cast<std::int64_t>(samples.size())))
            samples.clear();
    }
    const std::int64_t lastColumn = static_cast<std::int64_t>(std::ceil(model_.xOf(frames())));
    for (int channel = 0; channel < wave.channels(); ++channel) {
        const double middle = top + laneHeight * (channel + 0.5);
        painter.setPen(QPen(kLaneLine, 1));
        painter.drawLine(QPointF(0, top + laneHeight * channel), QPointF(columns, top + laneHeight * channel));
        painter.drawLine(QPointF(0, middle), QPointF(columns, middle));
        painter.setPen(QPen(kWaveColour, 1));
        const std::vector<std::int32_t> values = peaks(channel, samples);
        const double scale = (laneHeight / 2 - 2) / 32768.0;
        for (int x = 0; x < columns && x < lastColumn; ++x) {
            const double h = std::max(0.5, values[static_cast<std::size_t>(x)] * scale);
            painter.drawLine(QPointF(x + 0.5, middle - h), QPointF(x + 0.5, middle + h));
        }
    }

    const double caretX = model_.xOf(caretFrame());
    if (caretX >= 0 && caretX <= columns) {
        painter.setPen(QPen(kCaretColour, std::max(1.0, ratio)));
        painter.drawLine(QPointF(caretX, top), QPointF(caretX, height() * ratio));
    }
    painter.restore();
    drawFlags(painter, ratio);
}

void CWaveView::drawFlags(QPainter& painter, double ratio) const
{
    painter.fillRect(QRect(0, 0, width(), kFlagStripHeight), kBackground.darker(130));
    painter.setRenderHint(QPainter::Antialiasing);
    const auto place = [&](int mark) {
        const std::int64_t frame = draggedMark_ == mark ? dragFrame_ : markFrame(mark);
        return frame < 0 ? -1.0 : model_.xOf(frame) / ratio;
    };
    const auto draw = [&](int mark, const QColor& colour, const QString& label) {
        const double x = place(mark);
        if (x < -kFlagHitPixels || x > width() + kFlagHitPixels)
            return;
        painter.setPen(QPen(colour, 1, Qt::DotLine));
        painter.drawLine(QPointF(x, kFlagStripHeight), QPointF(x, height()));
        drawFlag(painter, x, colour, label);
    };
    if (engine_.wave().hasLoop()) {
        draw(kLoopStartMark, kLoopColour, "L");
        draw(kLoopEndMark, kLoopColour, "E");
    }
    for (std::size_t i = 0; i < engine_.wave().cuePoints().size(); ++i)
        draw(kFirstCueMark + static_cast<int>(i), kCueColour, QString::number(i));
}

void CWaveView::drawFlag(QPainter& painter, double x, const QColor& colour, const QString& label) const
{
    // A hat: a brim at the strip's bottom and a crown above it, the mark's frame at its middle.
    const double half = 8;
    QPainterPath hat;
    hat.moveTo(x - half, kFlagStripHeight - 1);
    hat.lineTo(x + half, kFlagStripHeight - 1);
    hat.lineTo(x + half - 3, kFlagStripHeight - 5);
    hat.lineTo(x + half - 3, 2);
    hat.lineTo(x - half + 3, 2);
    hat.lineTo(x - half + 3, kFlagStripHeight - 5);
    hat.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(hat);
    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRectF(x - half, 1, 2 * half, kFlagStripHeight - 5), Qt::AlignCenter, label);
}

// ---- mouse and keys ----

void CWaveView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const bool fitted =
        model_.firstFrame() == 0 && model_.framesPerPixel() * deviceWidth() >= static_cast<double>(frames());
    model_.setSize(frames(), deviceWidth());
    if (fitted)
        model_.zoomToFit();
    notify();
}

void CWaveView::mousePressEvent(QMouseEvent* event)
{
    if (!engine_.isOpen())
        return;
    setFocus();
    const double x = deviceX(event->position().x());
    const int mark = event->position().y() < kFlagStripHeight ? flagUnder(x) : kNoMark;
    if (mark != kNoMark && event->button() == Qt::RightButton) {
        if (flagMenu_)
            flagMenu_(mark, event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (mark != kNoMark) {
        draggedMark_ = mark;
        dragFrame_ = markFrame(mark);
        dragSnapped_ = false;
        return;
    }
    selecting_ = true;
    moveTo(model_.frameAt(x), event->modifiers() & Qt::ShiftModifier);
}

void CWaveView::mouseMoveEvent(QMouseEvent* event)
{
    const double x = deviceX(event->position().x());
    if (draggedMark_ != kNoMark) {
        dragFrame_ = model_.frameAt(x);
        dragSnapped_ = false;
        // A flag near a selection edge takes the edge's frame exactly.
        if (engine_.hasSelection()) {
            for (const std::int64_t edge : {engine_.selectionStart(), engine_.selectionEnd()}) {
                const std::int64_t frame = frameOf(edge);
                if (std::abs(model_.xOf(frame) - x) <= kFlagHitPixels * devicePixelRatioF()) {
                    dragFrame_ = frame;
                    dragSnapped_ = true;
                }
            }
        }
        update();
        return;
    }
    if (selecting_ && (event->buttons() & Qt::LeftButton)) {
        moveTo(model_.frameAt(x), true);
        return;
    }
    const bool onFlag = event->position().y() < kFlagStripHeight && flagUnder(x) != kNoMark;
    setCursor(onFlag ? Qt::SizeHorCursor : Qt::IBeamCursor);
}

void CWaveView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    selecting_ = false;
    if (draggedMark_ == kNoMark)
        return;
    const int mark = std::exchange(draggedMark_, kNoMark);
    if (flagDropped_)
        flagDropped_(mark, offsetOf(dragFrame_), dragSnapped_);
    notify();
}

void CWaveView::wheelEvent(QWheelEvent* event)
{
    if (!engine_.isOpen())
        return;
    const double notches = event->angleDelta().y() / 120.0;
    if (event->modifiers() & Qt::ControlModifier) {
        model_.zoom(std::pow(kWheelZoomStep, notches), deviceX(event->position().x()));
    } else {
        const double columns = deviceWidth() / 8.0 * -notches;
        model_.scrollTo(model_.firstFrame() + static_cast<std::int64_t>(columns * model_.framesPerPixel()));
    }
    notify();
    event->accept();
}

void CWaveView::keyPressEvent(QKeyEvent* event)
{
    if (!engine_.isOpen()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    // One column, at least one frame.
    const auto step = std::max<std::int64_t>(1, std::llround(model_.framesPerPixel()));
    const std::int64_t from = shift ? extent_ : caretFrame();
    switch (event->key()) {
    case Qt::Key_Left:
        moveTo(from - step, shift);
        break;
    case Qt::Key_Right:
        moveTo(from + step, shift);
        break;
    case Qt::Key_Home:
        moveTo(0, shift);
        break;
    case Qt::Key_End:
        moveTo(frames(), shift);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace velisto
