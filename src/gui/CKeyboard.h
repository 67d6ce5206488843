#pragma once
// The virtual keyboard window: a frameless tool window that draws the keyboard skin from
// KeyboardLayout and plays through KeyboardModel, sending every message the model answers
// through the event output. Keys also light while the output reports notes on the
// keyboard's device and channel. The main window hands it the computer keys.
//
// Thread contract: user-interface thread only (the output notices arrive queued there).

#include "app/KeyboardModel.h"
#include "midi/OutputNotifier.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QKeyEvent;

namespace velisto {

class GuiOutputNotifier;
class PlayController;
class Engine;
struct Settings;

class CKeyboard : public QWidget, public OutputNotifier {
public:
    // Placed and sized from settings.display; plays with settings.keyboard.
    CKeyboard(Engine& engine, PlayController& controller, GuiOutputNotifier& notices, QWidget* parent);
    ~CKeyboard() override;

    // The piano key 12..47 a computer key plays: by its scan code, or by its US-layout key
    // where the platform gives no scan code.
    static std::optional<int> pianoKeyOf(const QKeyEvent& event);
    // A computer key went down or up (auto-repeats already dropped by the caller).
    void computerKey(int key, bool down);

    // The window's place and size and the "Keyboard" settings, as they are now.
    void storeSettings(Settings& settings) const;
    const KeyboardModel& model() const { return model_; }
    // Told when the window has closed (it deletes itself afterwards).
    void setClosedHandler(std::function<void()> handler) { closedHandler_ = std::move(handler); }

    // OutputNotifier, delivered on the user-interface thread.
    void keyboardKey(int device, int channel, int key, int velocity) override;
    void keyboardPitch(int device, int channel, int bend) override;
    void keyboardReset(int device, int channel) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    KeyboardLayout layout() const { return KeyboardLayout(width(), height()); }
    std::vector<int> openDevices() const;
    // Moves to the default device when the keyboard's device has closed.
    void followDevice();
    ChannelView channelView() const;
    void send(const KeyboardMessages& messages);
    void releaseAll();
    bool inResizeCorner(QPoint point) const;
    bool inVelocityBox(QPoint point) const;

    void drawPanel(QPainter& painter, const KeyboardLayout& layout, const ChannelView& view) const;
    void drawKeys(QPainter& painter, const KeyboardLayout& layout) const;
    void drawButton(QPainter& painter, const KeyboardLayout& layout, KeyboardButton button) const;

    Engine& engine_;
    PlayController& controller_;
    GuiOutputNotifier& notices_;
    KeyboardModel model_;
    // Notes the output reports sounding on the keyboard's device and channel.
    std::array<bool, 128> litNotes_{};
    std::optional<KeyboardButton> pressedButton_;
    // Where the system cannot move or resize the window, it follows the mouse itself.
    enum class OwnDrag { None, Move, Resize };
    OwnDrag ownDrag_ = OwnDrag::None;
    QPoint dragOffset_;
    std::function<void()> closedHandler_;
};

} // namespace velisto
