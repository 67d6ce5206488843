#pragma once
// One open output device's strip in the column below the toolbar: its close control, the
// labelled fields (name, default, mode, supported standards, track mode, parts, XG
// variation group), "Parameter", and for the Internal Sound Generator its four buttons, its
// status line and its left/right level bars. Every text is a DeviceWindowFields result;
// a value too wide for its cell is cut with "...". A click on the mode field asks for a
// mode reset.
//
// Thread contract: user-interface thread only; the generator's status and levels are read
// from the sampler, which allows that from any thread.

#include "midi/DeviceWindowFields.h"

#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>

class QAbstractButton;
class QPushButton;
class QToolButton;

namespace velisto {

class Engine;
class Sampler;

// The generator's buttons; an unset one is drawn disabled.
struct GeneratorStripActions {
    std::function<void()> loadIgr;
    std::function<void()> releaseIgr;
    std::function<void()> memoryContent;
    std::function<void()> midiToWave;
};

// What a strip's controls ask of the main window, by device index.
struct DeviceStripHandlers {
    std::function<void(int device)> close;
    std::function<void(int device)> parameter;
    std::function<void(int device)> modeReset;
    GeneratorStripActions generator;
};

class CDeviceWnd : public QWidget {
public:
    // Button keys: "close", "parameter", and the generator's "loadigr", "releaseigr",
    // "contentigr", "midi2wav".
    static constexpr std::string_view kCloseButton = "close";
    static constexpr std::string_view kParameterButton = "parameter";

    CDeviceWnd(Engine& engine, int device, const DeviceStripHandlers& handlers, QWidget* parent);

    int device() const { return device_; }
    // Recomputes one field by its key word ("parts", "devicemode", ...); an empty key: all.
    void refresh(std::string_view field);
    // How many refreshes ran (the coalescing of notices is checked by it).
    int refreshCount() const { return refreshCount_; }

    // The value as drawn (cut to its cell); empty for an unknown key.
    QString shownValue(std::string_view key) const;
    const DeviceWindowParts& parts() const { return parts_; }
    QAbstractButton* button(std::string_view key) const;
    // The generator's status line and levels (0..32) as drawn.
    const GeneratorStatusLine& statusLine() const { return status_; }
    std::array<int, 2> levels() const { return levels_; }
    // The timers' work: the status countdown (250 ms) and the level bars (50 ms).
    void tickStatus();
    void tickLevels();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int refreshCount_ = 0;
    struct Cell {
        std::array<QString, 2> label;
        QString value; // full text; cut when drawn
        QRect rect;
    };

    Sampler* sampler() const;
    void layoutCells();
    void updateStatusLine();
    QString elided(const QString& text, int width) const;
    void paintParts(QPainter& painter, const QRect& rect) const;
    void paintGeneratorState(QPainter& painter) const;

    Engine& engine_;
    int device_;
    bool generator_;
    std::map<std::string_view, Cell> cells_;
    DeviceWindowParts parts_;
    QRect partsRect_;
    QRect statusRect_;
    QRect levelRect_;
    GeneratorStatusLine status_;
    std::array<int, 2> levels_{};
    std::map<std::string_view, QAbstractButton*> buttons_;
    std::function<void(int)> modeReset_;
};

} // namespace velisto
