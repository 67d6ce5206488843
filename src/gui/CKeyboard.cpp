#include "CKeyboard.h"

#include "GuiOutputNotifier.h"
#include "QtText.h"
#include "engine/Engine.h"
#include "playback/CMidiThread.h"
#include "playback/PlayController.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace velisto {

namespace {

// The skin's colours.
const QColor kPanel(44, 46, 52);
const QColor kKeyBed(24, 25, 28);
const QColor kLabel(215, 218, 224);
const QColor kDim(150, 154, 162);
const QColor kButton(78, 82, 92);
const QColor kButtonPressed(150, 156, 170);
const QColor kWhiteKey(246, 244, 238);
const QColor kBlackKey(30, 30, 32);
const QColor kLit(255, 158, 48);
const QColor kGroove(18, 18, 20);
const QColor kThumb(196, 200, 208);

// The corner that resizes the window, in window pixels.
constexpr int kGripSize = 14;

// Placed by us on the base skin (the keys, buttons and controls come from KeyboardLayout).
constexpr SkinRect kCaption{20, 10, 330, 32};
constexpr SkinRect kDeviceLabel{370, 22, 462, 37};
constexpr SkinRect kDeviceName{456, 36, 720, 53};
constexpr SkinRect kChannelLabel{370, 50, 462, 63};
constexpr SkinRect kChannelValue{456, 61, 720, 78};
constexpr SkinRect kShowLabel{200, 50, 334, 90};
constexpr SkinRect kOctaveLabel{712, 22, 815, 37};
constexpr SkinRect kPitchRangeLabel{700, 50, 827, 63};
constexpr SkinRect kCloseLabel{846, 50, 940, 90};
constexpr SkinRect kVelocityBox{960, 30, 1090, 54};
constexpr SkinRect kVolumeLabel{14, 138, 65, 155};
constexpr SkinRect kPitchLabel{56, 138, 106, 155};
constexpr int kKeyBedLeft = 112;
constexpr int kKeyBedTop = 88;
constexpr int kKeyBedRight = 1104;
constexpr int kKeyBedBottom = 300;

std::vector<int> openDevicesOf(const DeviceTable& table)
{
    std::vector<int> open;
    for (int index = 0; index < table.count(); ++index)
        if (table.device(index).isOpen())
            open.push_back(index);
    return open;
}

QRect rectOf(const KeyboardLayout& layout, const SkinRect& base)
{
    const SkinRect scaled = layout.scaled(base);
    return QRect(QPoint(scaled.left, scaled.top), QPoint(scaled.right - 1, scaled.bottom - 1));
}

QFont skinFont(const KeyboardLayout& layout, int basePixels, bool bold = false)
{
    QFont font;
    font.setPixelSize(std::max(6, layout.scaledY(basePixels)));
    font.setBold(bold);
    return font;
}

bool isStepMinus(KeyboardButton button)
{
    return button == KeyboardButton::DeviceMinus || button == KeyboardButton::ChannelMinus ||
           button == KeyboardButton::OctaveMinus || button == KeyboardButton::PitchRangeMinus;
}

} // namespace

CKeyboard::CKeyboard(Engine& engine, PlayController& controller, GuiOutputNotifier& notices, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), engine_(engine), controller_(controller), notices_(notices),
      model_(engine.settings.keyboard,
             KeyboardModel::chooseDevice(engine.settings.keyboard.deviceindex, openDevicesOf(engine.table),
                                         engine.table.defaultDevice()))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle("Virtual keyboard");
    setMinimumSize(KeyboardLayout::kBaseWidth / 4, KeyboardLayout::kBaseHeight / 4);
    const DisplaySettings& display = engine.settings.display;
    setGeometry(display.keynormx, display.keynormy, display.keyboardnormwidth, display.keyboardnormheight);
    notices_.subscribe(this);
    // A key whose release goes to another program never comes back up.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            releaseAll();
    });
}

CKeyboard::~CKeyboard() { notices_.unsubscribe(this); }

std::optional<int> CKeyboard::pianoKeyOf(const QKeyEvent& event)
{
    // xcb and Wayland give the XKB keycode, the evdev code + 8; the table fixes physical
    // keys, so a QWERTZ or AZERTY layout plays the same notes as a US one.
    const quint32 native = event.nativeScanCode();
    if (native != 0)
        return native >= 8 ? computerKeyOfScanCode(static_cast<int>(native) - 8) : std::nullopt;
    return computerKeyOfUsKey(event.key());
}

void CKeyboard::computerKey(int key, bool down)
{
    followDevice();
    send(down ? model_.keyDown(key) : model_.keyUp(key));
    update();
}

void CKeyboard::storeSettings(Settings& settings) const
{
    settings.keyboard = model_.settings();
    DisplaySettings& display = settings.display;
    display.keynormx = geometry().x();
    display.keynormy = geometry().y();
    display.keyboardnormwidth = width();
    display.keyboardnormheight = height();
}

// ---- output notices ----

void CKeyboard::keyboardKey(int device, int channel, int key, int velocity)
{
    if (device != model_.device() || channel != model_.channel() || key < 0 || key > 127)
        return;
    litNotes_[static_cast<std::size_t>(key)] = velocity > 0;
    update();
}

void CKeyboard::keyboardPitch(int device, int channel, int /*bend*/)
{
    if (device == model_.device() && channel == model_.channel())
        update();
}

void CKeyboard::keyboardReset(int device, int channel)
{
    if (device != model_.device() || (channel >= 0 && channel != model_.channel()))
        return;
    litNotes_.fill(false);
    update();
}

// ---- sending ----

std::vector<int> CKeyboard::openDevices() const { return openDevicesOf(engine_.table); }

void CKeyboard::followDevice()
{
    const int device = model_.device();
    if (engine_.table.validIndex(device) && engine_.table.device(device).isOpen())
        return;
    const int fallback = engine_.table.defaultDevice();
    if (fallback >= 0 && fallback != device) {
        send(model_.setDevice(fallback));
        litNotes_.fill(false);
    }
}

ChannelView CKeyboard::channelView() const
{
    const int device = model_.device();
    if (!engine_.table.validIndex(device) || !engine_.table.device(device).isOpen())
        return {};
    return engine_.output.channelView(engine_.table.device(device), model_.channel());
}

void CKeyboard::send(const KeyboardMessages& messages)
{
    SendOptions options;
    // The play thread is only replaced on this thread, so the pointer stays valid here.
    const CMidiThread* run = controller_.playThread();
    options.record = run && run->recording();
    for (const KeyboardMessage& message : messages) {
        // Note-offs for a device that has closed meanwhile have nowhere to go.
        if (!engine_.table.validIndex(message.device) || !engine_.table.device(message.device).isOpen())
            continue;
        engine_.output.sendEvent(engine_.table.device(message.device), message.status, message.data1, message.data2,
                                 kNoDrumKey, options);
    }
}

void CKeyboard::releaseAll()
{
    send(model_.releaseAll());
    ownDrag_ = OwnDrag::None;
    update();
}

// ---- mouse ----

bool CKeyboard::inResizeCorner(QPoint point) const
{
    return point.x() >= width() - kGripSize && point.y() >= height() - kGripSize;
}

bool CKeyboard::inVelocityBox(QPoint point) const { return rectOf(layout(), kVelocityBox).contains(point); }

void CKeyboard::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    if (inResizeCorner(point)) {
        // On Wayland only the compositor may resize a window.
        if (!windowHandle() || !windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge)) {
            ownDrag_ = OwnDrag::Resize;
            dragOffset_ = QPoint(width(), height()) - point;
        }
        return;
    }
    followDevice();
    const int device = model_.device();
    const int channel = model_.channel();
    const KeyboardPress press = model_.mouseDown(layout(), point.x(), point.y(), channelView(), openDevices());
    send(press.messages);
    if (model_.device() != device || model_.channel() != channel)
        litNotes_.fill(false);
    if (press.button) {
        pressedButton_ = press.button;
        QTimer::singleShot(100, this, [this] {
            pressedButton_.reset();
            update();
        });
    }
    // On Wayland a client cannot place itself; the compositor moves it.
    if (press.drag == KeyboardDrag::Window && (!windowHandle() || !windowHandle()->startSystemMove())) {
        ownDrag_ = OwnDrag::Move;
        dragOffset_ = event->globalPosition().toPoint() - pos();
    }
    update();
    if (press.close)
        close();
}

void CKeyboard::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (ownDrag_ == OwnDrag::Move) {
        move(event->globalPosition().toPoint() - dragOffset_);
        return;
    }
    if (ownDrag_ == OwnDrag::Resize) {
        resize(point.x() + dragOffset_.x(), point.y() + dragOffset_.y());
        return;
    }
    const KeyboardMessages messages = model_.mouseMove(layout(), point.x(), point.y());
    if (!messages.empty()) {
        send(messages);
        update();
    }
}

void CKeyboard::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    ownDrag_ = OwnDrag::None;
    send(model_.mouseUp());
    update();
}

void CKeyboard::wheelEvent(QWheelEvent* event)
{
    if (!inVelocityBox(event->position().toPoint())) {
        event->ignore();
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return;
    // A fine-grained wheel still moves one step per event.
    const int steps = delta / 120 != 0 ? delta / 120 : (delta > 0 ? 1 : -1);
    model_.setVelocity(model_.velocity() + steps);
    update();
}

void CKeyboard::hideEvent(QHideEvent* event)
{
    releaseAll();
    QWidget::hideEvent(event);
}

void CKeyboard::closeEvent(QCloseEvent* event)
{
    releaseAll();
    storeSettings(engine_.settings);
    event->accept();
    if (closedHandler_)
        closedHandler_();
}

// ---- painting ----

void CKeyboard::paintEvent(QPaintEvent* /*event*/)
{
    followDevice();
    const KeyboardLayout skin = layout();
    const ChannelView view = channelView();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), kPanel);
    drawPanel(painter, skin, view);
    drawKeys(painter, skin);

    // The resize grip.
    painter.setPen(QPen(kDim, 1));
    for (int offset = 4; offset < kGripSize; offset += 4)
        painter.drawLine(width() - offset, height() - 2, width() - 2, height() - offset);
}

void CKeyboard::drawPanel(QPainter& painter, const KeyboardLayout& skin, const ChannelView& view) const
{
    const auto text = [&](const SkinRect& where, int flags, const QString& words, const QColor& colour, int size,
                          bool bold = false) {
        painter.setFont(skinFont(skin, size, bold));
        painter.setPen(colour);
        painter.drawText(rectOf(skin, where), flags, words);
    };
    text(kCaption, Qt::AlignLeft | Qt::AlignVCenter, qtext(model_.caption()), kLabel, 15, true);
    text(kDeviceLabel, Qt::AlignCenter, "MIDI device", kLabel, 10);
    const int device = model_.device();
    const QString deviceName =
        engine_.table.validIndex(device) ? qtext(engine_.table.device(device).name) : QString("(no device)");
    text(kDeviceName, Qt::AlignLeft | Qt::AlignVCenter, deviceName, kLabel, 12, true);
    text(kChannelLabel, Qt::AlignCenter, "MIDI channel", kLabel, 10);
    text(kChannelValue, Qt::AlignLeft | Qt::AlignVCenter, QString("Channel %1").arg(model_.channel() + 1), kLabel, 12,
         true);
    text(kShowLabel, Qt::AlignRight | Qt::AlignVCenter, "Show\nPC-keyboard\nkeys", kLabel, 10);
    text(kOctaveLabel, Qt::AlignCenter, QString("Octave %1").arg(model_.octave()), kLabel, 10);
    const QString range =
        view.bendSensitivity >= 0 ? QString("Pitch range %1").arg(view.bendSensitivity) : QString("Pitch range");
    text(kPitchRangeLabel, Qt::AlignCenter, range, kLabel, 10);
    text(kCloseLabel, Qt::AlignLeft | Qt::AlignVCenter, "Close\nkeyboard\nwindow", kLabel, 10);

    // Velocity: the mouse wheel over the box changes it.
    const QRect velocity = rectOf(skin, kVelocityBox);
    painter.setPen(QPen(kDim, 1));
    painter.setBrush(kKeyBed);
    painter.drawRoundedRect(velocity, 3, 3);
    text(kVelocityBox, Qt::AlignCenter, QString("Velocity %1").arg(model_.velocity()), kLabel, 12, true);

    for (int button = 0; button < kKeyboardButtonCount; ++button)
        drawButton(painter, skin, static_cast<KeyboardButton>(button));

    // Main volume slider and pitch wheel.
    text(kVolumeLabel, Qt::AlignCenter, "Volume", kDim, 10);
    text(kPitchLabel, Qt::AlignCenter, "Pitch", kDim, 10);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGroove);
    const QRect slider = rectOf(skin, KeyboardLayout::volumeSlider());
    painter.drawRoundedRect(slider, 3, 3);
    if (view.mainVolume >= 0) {
        painter.setBrush(kThumb);
        painter.drawRoundedRect(rectOf(skin, KeyboardLayout::volumeHandle(view.mainVolume)), 2, 2);
    }
    const QRect wheel = rectOf(skin, KeyboardLayout::pitchWheel());
    painter.setBrush(kGroove);
    painter.drawRoundedRect(wheel, 4, 4);
    // The wheel's ridge sits at its centre for 8192 and at the ends for 16383 and 0.
    const double travel = wheel.height() - skin.scaledY(12);
    const int ridgeTop = wheel.top() + static_cast<int>(std::lround((16383 - view.pitchBend) / 16383.0 * travel));
    painter.setBrush(kThumb);
    painter.drawRoundedRect(QRect(wheel.left() + 2, ridgeTop, wheel.width() - 4, skin.scaledY(12)), 2, 2);
    painter.setPen(QPen(kDim, 1));
    const int centre = wheel.top() + wheel.height() / 2;
    painter.drawLine(wheel.left() - 4, centre, wheel.left() - 1, centre);
}

void CKeyboard::drawButton(QPainter& painter, const KeyboardLayout& skin, KeyboardButton button) const
{
    const QRect where = rectOf(skin, KeyboardLayout::button(button));
    painter.setPen(QPen(kDim, 1));
    painter.setBrush(pressedButton_ == button ? kButtonPressed : kButton);
    painter.drawRoundedRect(where, 2, 2);
    QString glyph;
    if (button == KeyboardButton::ShowKeys)
        glyph = model_.showKeys() ? QString(QChar(0x2713)) : QString();
    else if (button == KeyboardButton::Close)
        glyph = QString(QChar(0x00D7));
    else
        glyph = isStepMinus(button) ? QString(QChar(0x2212)) : QString("+");
    painter.setFont(skinFont(skin, 11, true));
    painter.setPen(kLabel);
    painter.drawText(where, Qt::AlignCenter, glyph);
}

void CKeyboard::drawKeys(QPainter& painter, const KeyboardLayout& skin) const
{
    const QRect bed = rectOf(skin, {kKeyBedLeft, kKeyBedTop, kKeyBedRight, kKeyBedBottom});
    painter.setPen(Qt::NoPen);
    painter.setBrush(kKeyBed);
    painter.drawRoundedRect(bed, 4, 4);

    const int firstNote = (model_.octave() - KeyboardModel::kMinOctave) * KeyboardLayout::kKeysPerBlock;
    const auto lit = [&](int key) {
        const int note = firstNote + key;
        return model_.isKeyDown(key) || (note < 128 && litNotes_[static_cast<std::size_t>(note)]);
    };
    painter.setPen(QPen(kBlackKey, 1));
    for (int key = 0; key < KeyboardLayout::kKeyCount; ++key) {
        if (KeyboardLayout::isBlackKey(key))
            continue;
        // A white key is its wide lower band and the narrow upper band above it.
        const SkinRect lower = KeyboardLayout::lowerKey(key);
        const SkinRect whole{lower.left, KeyboardLayout::upperKey(key).top, lower.right, lower.bottom};
        painter.setBrush(lit(key) ? kLit : kWhiteKey);
        painter.drawRoundedRect(rectOf(skin, whole), 2, 2);
    }
    for (int key = 0; key < KeyboardLayout::kKeyCount; ++key) {
        if (!KeyboardLayout::isBlackKey(key))
            continue;
        painter.setBrush(lit(key) ? kLit : kBlackKey);
        painter.drawRoundedRect(rectOf(skin, KeyboardLayout::upperKey(key)), 2, 2);
    }

    if (!model_.showKeys())
        return;
    painter.setFont(skinFont(skin, 13, true));
    for (const KeyLetter& letter : KeyboardLayout::letters()) {
        const std::optional<int> key = KeyboardLayout::keyOfLetter(letter.letter);
        if (!key)
            continue;
        // The letter's place gives its row (its top); across, it sits in the middle of its
        // key, where a narrow letter placed by its left edge would straddle a black key's side.
        const bool black = KeyboardLayout::isBlackKey(*key);
        const SkinRect band = black ? KeyboardLayout::upperKey(*key) : KeyboardLayout::lowerKey(*key);
        painter.setPen(black && !lit(*key) ? kWhiteKey : kBlackKey);
        const QRect box = rectOf(skin, {band.left, letter.y, band.right, letter.y + 18});
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, QString(QChar(letter.letter)));
    }
}

} // namespace velisto
