// The virtual keyboard window: mouse and computer keys reach the port as MIDI bytes, keys
// typed into text fields stay text, and its place and settings survive a restart.
#include "gui/GuiTestSupport.h"

#include "CKeyboard.h"
#include "app/CommandIds.h"

#include <QAction>
#include <QImage>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace velisto::test {
namespace {

using Texts = std::vector<std::string>;

class CKeyboardTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        store.writeInt("MIDI Input device", "devicenr", 2); // no input port: no question
        run = start();
        ASSERT_TRUE(run.started);
        synth = frame().engine().table.indexOf("Synth A");
        ASSERT_GE(synth, 0);
        if (!frame().engine().table.device(synth).isOpen()) {
            ASSERT_EQ(frame().engine().table.open(synth), "");
        }
        frame().engine().settings.keyboard.deviceindex = synth;
    }
    void TearDown() override
    {
        if (run.app && run.app->frame() && run.app->frame()->isVisible()) {
            prompt.answers = {PromptAnswer::No};
            finish(run);
        }
    }

    CMainFrame& frame() { return run.frame(); }
    CKeyboard& openKeyboard()
    {
        frame().action(CommandId::VirtualKeyboard)->trigger();
        settle();
        CKeyboard* keyboard = frame().keyboard();
        EXPECT_NE(keyboard, nullptr);
        run.ports->record(0)->clear(); // what opening the device sent
        return *keyboard;
    }
    Texts sent() const { return run.ports->record(0)->texts(); }

    static void mouse(QWidget& widget, QEvent::Type type, QPoint at)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }
    static void wheel(QWidget& widget, QPoint at, int delta)
    {
        QWheelEvent event(QPointF(at), widget.mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&widget, &event);
    }
    // A key as xcb gives it: the XKB keycode is the evdev code + 8.
    static void key(QObject& receiver, QEvent::Type type, int evdevCode, bool autoRepeat = false)
    {
        QKeyEvent event(type, Qt::Key_Q, Qt::NoModifier, static_cast<quint32>(evdevCode + 8), 0, 0, "q", autoRepeat);
        QApplication::sendEvent(&receiver, &event);
    }

    GuiRun run;
    int synth = -1;
};

TEST_F(CKeyboardTest, MenuTogglesTheWindowWithItsCheckMark)
{
    QAction* toggle = frame().action(CommandId::VirtualKeyboard);
    ASSERT_TRUE(toggle->isEnabled());
    CKeyboard& keyboard = openKeyboard();
    EXPECT_TRUE(keyboard.isVisible());
    EXPECT_TRUE(keyboard.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(toggle->isChecked());

    toggle->trigger();
    settle();
    EXPECT_EQ(frame().keyboard(), nullptr);
    EXPECT_FALSE(toggle->isChecked());
}

TEST_F(CKeyboardTest, ClicksAndDragsReachThePortAsMidiBytes)
{
    CKeyboard& keyboard = openKeyboard();
    ASSERT_EQ(keyboard.size(), QSize(1130, 303)); // base size: window pixels are skin pixels

    // Key 0 (lower band of the first C) at octave 5 is note 36; the key lights while held.
    mouse(keyboard, QEvent::MouseButtonPress, {130, 260});
    EXPECT_TRUE(keyboard.model().isKeyDown(0));
    mouse(keyboard, QEvent::MouseButtonRelease, {130, 260});
    EXPECT_EQ(sent(), (Texts{"90 24 64", "90 24 00"}));

    // Channel plus, then a key: the status carries channel 2.
    run.ports->record(0)->clear();
    mouse(keyboard, QEvent::MouseButtonPress, {437, 70});
    mouse(keyboard, QEvent::MouseButtonRelease, {437, 70});
    mouse(keyboard, QEvent::MouseButtonPress, {620, 260}); // key 24, note 60
    mouse(keyboard, QEvent::MouseButtonRelease, {620, 260});
    EXPECT_EQ(sent(), (Texts{"91 3C 64", "91 3C 00"}));

    // The pitch wheel: a quarter of its travel up is 8192 + 4024, beyond half it stops at
    // the top, and let go it springs back to the centre.
    run.ports->record(0)->clear();
    mouse(keyboard, QEvent::MouseButtonPress, {80, 213});
    mouse(keyboard, QEvent::MouseMove, {80, 213 - 28});
    mouse(keyboard, QEvent::MouseMove, {80, 213 - 90});
    mouse(keyboard, QEvent::MouseButtonRelease, {80, 213 - 90});
    EXPECT_EQ(sent(), (Texts{"E1 38 5F", "E1 7F 7F", "E1 00 40"}));
}

TEST_F(CKeyboardTest, VolumeHandleDragSendsMainVolumeClampedAtTheEnds)
{
    CKeyboard& keyboard = openKeyboard();
    // Until the channel's volume is known the slider has no handle, and a press there
    // grabs the window instead.
    OutputDevice& device = frame().engine().table.device(synth);
    const int volumeSlot = frame().engine().output.channelView(device, 0).mainVolumeSlot;
    ASSERT_GE(volumeSlot, 0);
    frame().engine().output.sendEvent(device, EventKind::Controller, volumeSlot, 64, kNoDrumKey, SendOptions{});
    run.ports->record(0)->clear();

    const SkinRect handle = KeyboardLayout::volumeHandle(64);
    const QPoint grip((handle.left + handle.right) / 2, (handle.top + handle.bottom) / 2);
    mouse(keyboard, QEvent::MouseButtonPress, grip);
    mouse(keyboard, QEvent::MouseMove, grip - QPoint(0, 400)); // far above: the top
    mouse(keyboard, QEvent::MouseMove, grip + QPoint(0, 400)); // far below: the bottom
    mouse(keyboard, QEvent::MouseMove, grip);                  // back where it started
    mouse(keyboard, QEvent::MouseButtonRelease, grip);
    EXPECT_EQ(sent(), (Texts{"B0 07 7F", "B0 07 00", "B0 07 40"}));
    EXPECT_EQ(frame().engine().output.channelView(device, 0).mainVolume, 64);
}

TEST_F(CKeyboardTest, WindowDragsAndTheCornerResizesWhereTheSystemDoesNot)
{
    CKeyboard& keyboard = openKeyboard();
    keyboard.move(100, 100);
    settle();
    // The panel beside the caption is no control: pressing there moves the window.
    const QPoint panel(700, 20);
    mouse(keyboard, QEvent::MouseButtonPress, panel);
    mouse(keyboard, QEvent::MouseMove, panel + QPoint(30, 15));
    mouse(keyboard, QEvent::MouseButtonRelease, panel + QPoint(30, 15));
    settle();
    EXPECT_EQ(keyboard.pos(), QPoint(130, 115));
    EXPECT_TRUE(sent().empty());

    // The bottom-right corner resizes, and the skin scales with it: half size, the first
    // C's lower band is at half the place.
    const QPoint corner(keyboard.width() - 2, keyboard.height() - 2);
    mouse(keyboard, QEvent::MouseButtonPress, corner);
    mouse(keyboard, QEvent::MouseMove, QPoint(565 - 2, 151 - 2));
    mouse(keyboard, QEvent::MouseButtonRelease, QPoint(565 - 2, 151 - 2));
    settle();
    EXPECT_EQ(keyboard.size(), QSize(565, 151));
    mouse(keyboard, QEvent::MouseButtonPress, {65, 130});
    mouse(keyboard, QEvent::MouseButtonRelease, {65, 130});
    EXPECT_EQ(sent(), (Texts{"90 24 64", "90 24 00"}));
}

TEST_F(CKeyboardTest, KeysLightWhileTheSongPlaysThemOnTheKeyboardsChannel)
{
    CKeyboard& keyboard = openKeyboard();
    OutputDevice& device = frame().engine().table.device(synth);
    const auto keyColour = [&] {
        QImage image(keyboard.size(), QImage::Format_RGB32);
        keyboard.render(&image);
        return image.pixelColor(620, 270); // key 24, note 60 at octave 5
    };
    const QColor unlit = keyColour();
    EventOutput& output = frame().engine().output;
    output.sendEvent(device, EventKind::Note + 1, 60, 100, kNoDrumKey, SendOptions{}); // another channel
    settle();
    EXPECT_EQ(keyColour(), unlit);
    output.sendEvent(device, EventKind::Note, 60, 100, kNoDrumKey, SendOptions{});
    settle();
    EXPECT_EQ(keyColour(), QColor(255, 158, 48));
    output.sendEvent(device, EventKind::Note, 60, 0, kNoDrumKey, SendOptions{});
    settle();
    EXPECT_EQ(keyColour(), unlit);
}

TEST_F(CKeyboardTest, WheelOverTheVelocityBoxSetsTheVelocityOfTheNotes)
{
    CKeyboard& keyboard = openKeyboard();
    wheel(keyboard, {130, 260}, 120); // over the keys: nothing
    EXPECT_EQ(keyboard.model().velocity(), 100);
    wheel(keyboard, {1000, 40}, 3 * 120);
    wheel(keyboard, {1000, 40}, 30); // a fine-grained wheel still moves one step
    EXPECT_EQ(keyboard.model().velocity(), 104);
    wheel(keyboard, {1000, 40}, 40 * 120);
    EXPECT_EQ(keyboard.model().velocity(), 127);
    mouse(keyboard, QEvent::MouseButtonPress, {130, 260});
    mouse(keyboard, QEvent::MouseButtonRelease, {130, 260});
    EXPECT_EQ(sent(), (Texts{"90 24 7F", "90 24 00"}));
}

TEST_F(CKeyboardTest, KeyboardWhoseDeviceClosesPlaysOnTheDefaultDevice)
{
    CKeyboard& keyboard = openKeyboard();
    ASSERT_EQ(keyboard.model().device(), synth);
    DeviceTable& table = frame().engine().table;
    ASSERT_EQ(table.close(synth), "");
    const int fallback = table.defaultDevice();
    ASSERT_GE(fallback, 0);
    ASSERT_NE(fallback, synth);
    mouse(keyboard, QEvent::MouseButtonPress, {130, 260});
    mouse(keyboard, QEvent::MouseButtonRelease, {130, 260});
    EXPECT_EQ(keyboard.model().device(), fallback);
    EXPECT_TRUE(sent().empty());
}

TEST_F(CKeyboardTest, HeldComputerKeyPlaysOnceAndTextFieldsKeepTheirKeys)
{
    openKeyboard();
    // Q (evdev 16) plays key 12, note 48, however often the key repeats.
    key(frame(), QEvent::KeyPress, 16);
    for (int repeat = 0; repeat < 30; ++repeat) {
        key(frame(), QEvent::KeyRelease, 16, true);
        key(frame(), QEvent::KeyPress, 16, true);
    }
    key(frame(), QEvent::KeyRelease, 16);
    EXPECT_EQ(sent(), (Texts{"90 30 64", "90 30 00"}));

    // The same key typed into a text field is text, and plays nothing.
    run.ports->record(0)->clear();
    QLineEdit field(&frame());
    field.show();
    field.setFocus();
    key(field, QEvent::KeyPress, 16);
    key(field, QEvent::KeyRelease, 16);
    EXPECT_EQ(field.text(), "q");
    EXPECT_TRUE(sent().empty());

    // A key held while the focus moves on into the field still comes up.
    frame().setFocus();
    key(frame(), QEvent::KeyPress, 16);
    field.setFocus();
    key(field, QEvent::KeyRelease, 16);
    EXPECT_EQ(sent(), (Texts{"90 30 64", "90 30 00"}));
    EXPECT_EQ(field.text(), "q");
}

TEST_F(CKeyboardTest, ClosingWhileKeysAreHeldReleasesThem)
{
    CKeyboard& keyboard = openKeyboard();
    key(frame(), QEvent::KeyPress, 16);
    mouse(keyboard, QEvent::MouseButtonPress, {130, 260});
    frame().action(CommandId::VirtualKeyboard)->trigger();
    settle();
    EXPECT_EQ(sent(), (Texts{"90 30 64", "90 24 64", "90 24 00", "90 30 00"}));
}

TEST_F(CKeyboardTest, PlaceAndSettingsSurviveARestart)
{
    CKeyboard& keyboard = openKeyboard();
    keyboard.setGeometry(40, 60, 565, 200);
    settle();
    // Show off, octave down: the scaled skin still finds its buttons.
    const KeyboardLayout skin(565, 200);
    const SkinRect show = skin.scaled(KeyboardLayout::button(KeyboardButton::ShowKeys));
    mouse(keyboard, QEvent::MouseButtonPress, {show.left + 2, show.top + 2});
    mouse(keyboard, QEvent::MouseButtonRelease, {show.left + 2, show.top + 2});
    const SkinRect octaveDown = skin.scaled(KeyboardLayout::button(KeyboardButton::OctaveMinus));
    mouse(keyboard, QEvent::MouseButtonPress, {octaveDown.left + 2, octaveDown.top + 2});
    mouse(keyboard, QEvent::MouseButtonRelease, {octaveDown.left + 2, octaveDown.top + 2});
    ASSERT_FALSE(keyboard.model().showKeys());
    ASSERT_EQ(keyboard.model().octave(), 4);

    prompt.answers = {PromptAnswer::No};
    ASSERT_TRUE(finish(run));
    EXPECT_EQ(stored("Display", "keyboardwasopeninlastsession"), "y");

    run = start();
    ASSERT_TRUE(run.started);
    CKeyboard* again = frame().keyboard();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->geometry(), QRect(40, 60, 565, 200));
    EXPECT_FALSE(again->model().showKeys());
    EXPECT_EQ(again->model().octave(), 4);
    EXPECT_EQ(again->model().device(), synth);
}

} // namespace
} // namespace velisto::test
