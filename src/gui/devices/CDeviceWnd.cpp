#include "devices/CDeviceWnd.h"

#include "QtText.h"
#include "audio/GeneratorAudio.h"
#include "engine/Engine.h"
#include "sampler/Sampler.h"

#include <QFontDatabase>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace velisto {
namespace {

const QColor kBackground(48, 48, 54);
const QColor kEdge(28, 28, 30);
const QColor kLabel(150, 150, 162);
const QColor kValue(235, 235, 235);
const QColor kRhythm(214, 150, 40);
const QColor kError(235, 70, 60);
const QColor kBusy(230, 190, 80);
const QColor kLevel(90, 200, 110);

constexpr int kMargin = 3;
constexpr int kGap = 10;
constexpr int kLevelMax = 32;
// A little air between the two-character part columns keeps "910111213" readable.
constexpr int kCellAir = 3;

struct GeneratorButton {
    std::string_view key;
    const char* text;
    std::function<void()> GeneratorStripActions::*action;
};
const std::array<GeneratorButton, 4> kGeneratorButtons{{
    {"loadigr", "Load .igr file", &GeneratorStripActions::loadIgr},
    {"releaseigr", "Release .igr", &GeneratorStripActions::releaseIgr},
    {"contentigr", "Memory content", &GeneratorStripActions::memoryContent},
    {"midi2wav", "MIDI to .wav", &GeneratorStripActions::midiToWave},
}};

// The narrowest a field's value is given, in average characters.
int minimumValueChars(std::string_view key)
{
    if (key == DeviceField::DeviceName)
        return 22;
    if (key == DeviceField::LastXgVariationGroup)
        return 19;
    return 5;
}

QFont stripFont(const QFont& base, int lineHeight)
{
    QFont font = base;
    font.setPixelSize(std::max(8, lineHeight - 3));
    return font;
}

QFont cellFont(const QFont& base, int lineHeight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(stripFont(base, lineHeight).pixelSize());
    return font;
}

} // namespace

CDeviceWnd::CDeviceWnd(Engine& engine, int device, const DeviceStripHandlers& handlers, QWidget* parent)
    : QWidget(parent), engine_(engine), device_(device), generator_(engine.table.device(device).isGenerator())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    const auto addButton = [this](std::string_view key, const QString& text, std::function<void()> action) {
        auto* button = new QPushButton(text, this);
        // Space stays Play wherever the mouse clicked.
        button->setFocusPolicy(Qt::NoFocus);
        button->setEnabled(static_cast<bool>(action));
        if (action)
            connect(button, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
        buttons_[key] = button;
        return button;
    };
    auto* close = new QToolButton(this);
    close->setText(QString::fromUtf8("\u00D7"));
    close->setToolTip("Close this MIDI output device");
    close->setFocusPolicy(Qt::NoFocus);
    close->setAutoRaise(true);
    if (handlers.close)
        connect(close, &QToolButton::clicked, this, [this, h = handlers.close] { h(device_); });
    buttons_[kCloseButton] = close;
    addButton(kParameterButton, "Parameter",
              handlers.parameter ? std::function<void()>([this, h = handlers.parameter] { h(device_); })
                                 : std::function<void()>());
    if (generator_)
        for (const GeneratorButton& entry : kGeneratorButtons)
            addButton(entry.key, entry.text, handlers.generator.*entry.action);
    modeReset_ = handlers.modeReset;
    setStyleSheet("QPushButton { color: rgb(230,230,230); background: rgb(70,70,78); border: 1px solid rgb(30,30,30);"
                  " padding: 0 4px; }"
                  "QPushButton:disabled { color: rgb(120,120,128); }"
                  "QPushButton:pressed { background: rgb(95,95,105); }"
                  "QToolButton { color: rgb(230,230,230); }");
    refresh({});
}

Sampler* CDeviceWnd::sampler() const
{
    return generator_ && engine_.generatorAudio ? engine_.generatorAudio->sampler() : nullptr;
}

void CDeviceWnd::refresh(std::string_view field)
{
    ++refreshCount_;
    const OutputDevice& device = engine_.table.device(device_);
    const DeviceWindowState state = DeviceWindowState::of(device);
    for (const std::string_view key : kDeviceTextFields) {
        if (!field.empty() && field != key)
            continue;
        const DeviceWindowField computed = deviceWindowField(key, device, state);
        Cell& cell = cells_[key];
        cell.label = {qtext(computed.label[0]), qtext(computed.label[1])};
        cell.value = qtext(computed.value);
    }
    if (field.empty() || field == DeviceField::Parts || field == DeviceField::DeviceMode)
        parts_ = deviceWindowParts(state);
    if (generator_)
        updateStatusLine();
    if (field.empty())
        layoutCells();
    update();
}

QString CDeviceWnd::shownValue(std::string_view key) const
{
    const auto found = cells_.find(key);
    return found == cells_.end() ? QString() : elided(found->second.value, found->second.rect.width());
}

QAbstractButton* CDeviceWnd::button(std::string_view key) const
{
    const auto found = buttons_.find(key);
    return found == buttons_.end() ? nullptr : found->second;
}

void CDeviceWnd::updateStatusLine()
{
    const Sampler* generator = sampler();
    GeneratorStatusLine line;
    if (generator) {
        const SamplerStatus status = generator->status();
        line = generatorStatusLine(status.text, status.error, status.busy, status.countdown, generator->loadedIgrPath());
    } else {
        line.text = std::string(kNoIgrMapText);
    }
    if (line.text != status_.text || line.error != status_.error || line.busy != status_.busy) {
        status_ = std::move(line);
        update(statusRect_);
    }
}

void CDeviceWnd::tickStatus()
{
    if (Sampler* generator = sampler())
        generator->tickStatus();
    updateStatusLine();
}

void CDeviceWnd::tickLevels()
{
    std::array<int, 2> levels{};
    if (Sampler* generator = sampler()) {
        const std::array<double, 2> taken = generator->takeLevels();
        for (std::size_t i = 0; i < levels.size(); ++i)
            levels[i] = std::clamp(static_cast<int>(std::lround(taken[i])), 0, kLevelMax);
    }
    if (levels != levels_) {
        levels_ = levels;
        update(levelRect_);
    }
}

// ---- geometry ----

void CDeviceWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutCells();
}

void CDeviceWnd::layoutCells()
{
    const int line = std::max(8, (height() - 2 * kMargin) / 3);
    const QFont font = stripFont(this->font(), line);
    const QFontMetrics metrics(font);
    for (auto& [key, button] : buttons_)
        button->setFont(font);

    int x = kMargin;
    const int closeSide = std::min(line + 4, height() - 2 * kMargin);
    buttons_.at(kCloseButton)->setGeometry(x, kMargin, closeSide, closeSide);
    x += closeSide + kGap / 2;

    const auto placeText = [&](std::string_view key) {
        Cell& cell = cells_[key];
        int width = metrics.averageCharWidth() * minimumValueChars(key);
        for (const QString& label : cell.label)
            width = std::max(width, metrics.horizontalAdvance(label));
        if (key != DeviceField::DeviceName && key != DeviceField::LastXgVariationGroup)
            width = std::max(width, metrics.horizontalAdvance(cell.value));
        cell.rect = QRect(x, kMargin, width, height() - 2 * kMargin);
        x += width + kGap;
    };
    for (const std::string_view key : kDeviceTextFields) {
        if (key == DeviceField::LastXgVariationGroup) {
            const QFontMetrics cellMetrics(cellFont(this->font(), line));
            const int width = cellMetrics.horizontalAdvance("Part ") +
                              DeviceMidiState::kParts * (cellMetrics.horizontalAdvance("00") + kCellAir);
            partsRect_ = QRect(x, kMargin, width, height() - 2 * kMargin);
            x += width + kGap;
        }
        placeText(key);
    }

    const int buttonHeight = std::min(2 * line, height() - 2 * kMargin);
    QAbstractButton* parameter = buttons_.at(kParameterButton);
    const int parameterWidth = metrics.horizontalAdvance(parameter->text()) + 14;
    parameter->setGeometry(x, (height() - buttonHeight) / 2, parameterWidth, buttonHeight);
    x += parameterWidth + kGap;
    if (!generator_)
        return;

    int generatorWidth = 0;
    for (const GeneratorButton& entry : kGeneratorButtons)
        generatorWidth = std::max(generatorWidth, metrics.horizontalAdvance(entry.text) + 12);
    const int half = (height() - 2 * kMargin - 2) / 2;
    for (std::size_t i = 0; i < kGeneratorButtons.size(); ++i) {
        const int column = static_cast<int>(i % 2);
        const int row = static_cast<int>(i / 2);
        buttons_.at(kGeneratorButtons[i].key)
            ->setGeometry(x + column * (generatorWidth + 2), kMargin + row * (half + 2), generatorWidth, half);
    }
    x += 2 * generatorWidth + 2 + kGap;
    levelRect_ = QRect(x, kMargin, metrics.horizontalAdvance("LR") + 12, height() - 2 * kMargin);
    x += levelRect_.width() + kGap;
    statusRect_ = QRect(x, kMargin, std::max(0, width() - x - kMargin), height() - 2 * kMargin);
}

QString CDeviceWnd::elided(const QString& text, int width) const
{
    const int line = std::max(8, (height() - 2 * kMargin) / 3);
    const QFontMetrics metrics(stripFont(font(), line));
    const std::string cut = elideWithDots(text.toStdString(), width, [&metrics](std::string_view part) {
        return metrics.horizontalAdvance(qtext(part));
    });
    return QString::fromStdString(cut);
}

// ---- drawing ----

void CDeviceWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setPen(kEdge);
    painter.drawLine(0, height() - 1, width(), height() - 1);
    const int line = std::max(8, (height() - 2 * kMargin) / 3);
    painter.setFont(stripFont(font(), line));

    for (const auto& [key, cell] : cells_) {
        const bool twoLines = !cell.label[1].isEmpty();
        painter.setPen(kLabel);
        painter.drawText(QRect(cell.rect.x(), cell.rect.y(), cell.rect.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                         cell.label[0]);
        if (twoLines)
            painter.drawText(QRect(cell.rect.x(), cell.rect.y() + line, cell.rect.width(), line),
                             Qt::AlignLeft | Qt::AlignVCenter, cell.label[1]);
        painter.setPen(kValue);
        const QRect valueRect(cell.rect.x(), cell.rect.y() + (twoLines ? 2 : 1) * line, cell.rect.width(), line);
        painter.drawText(valueRect, Qt::AlignLeft | Qt::AlignVCenter, elided(cell.value, cell.rect.width()));
    }
    paintParts(painter, partsRect_);
    if (generator_)
        paintGeneratorState(painter);
}

void CDeviceWnd::paintParts(QPainter& painter, const QRect& area) const
{
    const int line = std::max(8, (height() - 2 * kMargin) / 3);
    painter.setPen(kLabel);
    painter.drawText(QRect(area.x(), area.y(), area.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                     elided(qtext(parts_.caption), area.width()));
    painter.setFont(cellFont(font(), line));
    const QFontMetrics metrics(painter.font());
    const int cellWidth = metrics.horizontalAdvance("00") + kCellAir;
    int y = area.y() + line;
    for (const DeviceWindowParts::Row& row : parts_.rows) {
        int x = area.x();
        painter.setPen(kLabel);
        painter.drawText(QRect(x, y, area.width(), line), Qt::AlignLeft | Qt::AlignVCenter, qtext(row.heading));
        x += metrics.horizontalAdvance(qtext(row.heading));
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            const QRect cell(x, y, cellWidth, line);
            if (parts_.highlighted[i])
                painter.fillRect(cell, kRhythm);
            painter.setPen(parts_.highlighted[i] ? QColor(20, 20, 20) : kValue);
            painter.drawText(cell, Qt::AlignRight | Qt::AlignVCenter, qtext(row.cells[i]));
            x += cellWidth;
        }
        y += line;
    }
    painter.setFont(stripFont(font(), line));
}

void CDeviceWnd::paintGeneratorState(QPainter& painter) const
{
    // Level bars: left and right, 0..32 from the bottom up.
    const int labelHeight = painter.fontMetrics().height();
    const int barWidth = (levelRect_.width() - 4) / 2;
    const int barHeight = levelRect_.height() - labelHeight;
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        const int x = levelRect_.x() + static_cast<int>(i) * (barWidth + 4);
        const QRect bar(x, levelRect_.y(), barWidth, barHeight);
        painter.fillRect(bar, QColor(25, 25, 28));
        const int filled = barHeight * levels_[i] / kLevelMax;
        painter.fillRect(QRect(x, bar.bottom() + 1 - filled, barWidth, filled), kLevel);
        painter.setPen(kLabel);
        painter.drawText(QRect(x, bar.bottom() + 1, barWidth, labelHeight), Qt::AlignCenter, i == 0 ? "L" : "R");
    }

    painter.setPen(status_.error ? kError : (status_.busy ? kBusy : kValue));
    painter.drawText(statusRect_, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, qtext(status_.text));
}

bool CDeviceWnd::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const auto mode = cells_.find(DeviceField::DeviceMode);
        if (mode != cells_.end() && mode->second.rect.contains(help->pos()))
            QToolTip::showText(help->globalPos(), "Click to send a MIDI mode reset", this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void CDeviceWnd::mousePressEvent(QMouseEvent* event)
{
    const auto mode = cells_.find(DeviceField::DeviceMode);
    if (event->button() == Qt::LeftButton && mode != cells_.end() && mode->second.rect.contains(event->pos()) &&
        modeReset_) {
        modeReset_(device_);
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace velisto
