// The track area in the main window: clicks, rubber band and edge drags become the core
// selection, the row controls change their track and nothing else, the marker hook gets
// the list and the tick, and an edited name lands in the track it was begun on.
#include "gui/GuiTestSupport.h"

#include "CDeviceNameControl.h"
#include "CDeviceNameDlg.h"
#include "CKnobControl.h"
#include "CKnobDlg.h"
#include "CMidiChannelControl.h"
#include "CMIDIVolDlg.h"
#include "CMidiChannelDlg.h"
#include "CMidiVolControl.h"
#include "CMidiWnd.h"
#include "CProgramNameControl.h"
#include "CProgramNameDlg.h"
#include "CSoloMuteControl.h"
#include "CTickoffsetControl.h"
#include "CTickoffsetDlg.h"
#include "CTrackName.h"
#include "MasterListDialogs.h"
#include "app/CommandIds.h"
#include "app/FrameState.h"
#include "midi/MidiModeDefinition.h"
#include "playback/CMidiThread.h"
#include "playback/PlayMessages.h"
#include "song/Positions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace velisto::test {
namespace {

class CMidiWndTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        store.writeInt("MIDI Input device", "devicenr", 2); // no input port: no question
        run = start();
        ASSERT_TRUE(run.started);
        area = frame().trackArea();
        ASSERT_NE(area, nullptr);
        area->resize(1200, 700);
        settle();
    }
    void TearDown() override
    {
        if (run.app && run.app->frame() && run.app->frame()->isVisible()) {
            prompt.answers = {PromptAnswer::No};
            finish(run);
        }
    }

    CMainFrame& frame() { return run.frame(); }
    Song& song() { return *frame().engine().song; }
    const TrackAreaView& view() const { return area->view(); }

    void note(int track, int measure)
    {
        song().tracks[static_cast<std::size_t>(track)].insertSorted(
            MidiEvent::note(measureStart(song(), measure) + 5, 0, 60, 100, 10));
    }

    static void mouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button, held, modifiers);
        QApplication::sendEvent(&widget, &event);
    }
    static void click(QWidget& widget, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        mouse(widget, QEvent::MouseButtonPress, at, modifiers);
        mouse(widget, QEvent::MouseButtonRelease, at, modifiers);
    }
    static void drag(QWidget& widget, QPoint from, QPoint to)
    {
        mouse(widget, QEvent::MouseButtonPress, from);
        mouse(widget, QEvent::MouseMove, to);
        mouse(widget, QEvent::MouseButtonRelease, to);
    }
    // Answers the next modal dialog of type Dialog with answer, once it is open.
    // Track 1 plays on "Synth A" (port 0), channel 3, its sent bytes recorded from now on.
    void trackOnSynth()
    {
        DeviceTable& table = frame().engine().table;
        const int synth = table.indexOf("Synth A");
        ASSERT_GE(synth, 0);
        if (!table.device(synth).isOpen()) {
            ASSERT_EQ(table.open(synth), "");
        }
        song().tracks[1].device = synth;
        song().tracks[1].channel = 2;
        run.ports->record(0)->clear();
    }
    static QString explanation(QDialog& dialog)
    {
        const auto* label = dialog.findChild<QLabel*>("explanation");
        return label ? label->text() : QString();
    }
    // True when action opened a modal dialog (which is then closed).
    static bool opensADialog(const std::function<void()>& action)
    {
        bool opened = false;
        QTimer::singleShot(0, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = true;
                modal->close();
            }
        });
        action();
        settle();
        return opened;
    }
    // Stops the run and lets the simulated timer run until the frame has finished it.
    void stopRun()
    {
        frame().runCommand(CommandId::Stop);
        runUntilEnded(run);
        EXPECT_FALSE(frame().controller().runExists());
    }
    template <typename Dialog> void answerDialog(std::function<void(Dialog&)> answer)
    {
        QTimer::singleShot(0, [answer] {
            auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            answer(*dialog);
        });
    }
    std::string toolbarText()
    {
        for (const QLabel* label : frame().toolbar()->findChildren<QLabel*>())
            if (!label->text().isEmpty())
                return label->text().toStdString();
        return {};
    }

    GuiRun run;
    CMidiWnd* area = nullptr;
};

TEST_F(CMidiWndTest, ClicksMoveTheCursorAndARubberBandSelectsWholeBlocks)
{
    click(*area, area->blockCentre(5, 2));
    EXPECT_EQ(view().cursor(), (BlockPosition{5, 2}));
    EXPECT_EQ(frame().state().cursorMeasure, 5);
    EXPECT_EQ(frame().state().cursorTrack, 2);

    frame().state().mouseTool = std::string(kToolSelection);
    const QPoint nudge(1, 1); // inside the blocks, however narrow they are
    drag(*area, area->blockCentre(4, 3) + nudge, area->blockCentre(2, 1) - nudge);
    settle();
    ASSERT_TRUE(view().selection());
    EXPECT_EQ(*view().selection(), (Selection{1, 3, 2, 4}));
    EXPECT_EQ(frame().state().selection, view().selection());
    EXPECT_EQ(toolbarText(), "Tracks 2 - 4, measures 3 - 5");

    // A press outside releases it; a band that covers no block leaves none.
    drag(*area, area->blockCentre(10, 8), area->blockCentre(10, 8));
    settle();
    EXPECT_FALSE(view().selection());
    EXPECT_EQ(toolbarText(), "- no Selection -");
}

TEST_F(CMidiWndTest, TheMouseIsIgnoredWhileARunExists)
{
    note(0, 0);
    frame().runCommand(CommandId::Play);
    settle();
    ASSERT_TRUE(frame().controller().runExists());
    click(*area, area->blockCentre(6, 4));
    EXPECT_EQ(view().cursor(), (BlockPosition{0, 0}));
    stopRun();
}

TEST_F(CMidiWndTest, DraggingTheRightEdgeBeyondTheGridScrollsOneMeasurePerFortyMilliseconds)
{
    for (int track = 0; track < 2; ++track)
        note(track, 3);
    frame().runCommand(CommandId::SelectAll);
    ASSERT_EQ(view().selection(), (Selection{0, 1, 3, 3}));
    const TrackAreaLayout layout = area->layout();
    const QPoint edge = area->blockCentre(3, 0) + QPoint(layout.blockWidth() / 2, 0);

    mouse(*area, QEvent::MouseButtonPress, edge);
    // Inside the grid the edge follows the mouse to the nearest block boundary.
    mouse(*area, QEvent::MouseMove, area->blockCentre(6, 0) + QPoint(layout.blockWidth() / 2 - 1, 0));
    EXPECT_EQ(view().selection()->lastMeasure, 6);
    EXPECT_EQ(area->timerInterval(), CMidiWnd::kIdleInterval);

    const QPoint beyond(area->gridOrigin().x() + view().measuresInView() * layout.blockWidth() + 5, edge.y());
    mouse(*area, QEvent::MouseMove, beyond);
    EXPECT_EQ(area->timerInterval(), CMidiWnd::kDragScrollInterval);
    const int lastBefore = view().selection()->lastMeasure;
    area->timerTick();
    area->timerTick();
    EXPECT_EQ(view().firstMeasure(), 2);
    EXPECT_EQ(view().selection()->lastMeasure, lastBefore + 2);
    EXPECT_EQ(area->horizontalBar()->value(), 2);

    mouse(*area, QEvent::MouseMove, edge);
    EXPECT_EQ(area->timerInterval(), CMidiWnd::kIdleInterval);
    mouse(*area, QEvent::MouseButtonRelease, edge);
    area->timerTick(); // idle again: no more scrolling
    EXPECT_EQ(view().firstMeasure(), 2);
}

TEST_F(CMidiWndTest, DraggingTheBottomEdgeLengthensTheSelection)
{
    note(0, 1);
    frame().runCommand(CommandId::SelectAll);
    ASSERT_EQ(view().selection(), (Selection{0, 0, 1, 1}));
    const TrackAreaLayout layout = area->layout();
    const QPoint bottom = area->blockCentre(1, 0) + QPoint(0, layout.rowHeight() / 2);
    drag(*area, bottom, area->blockCentre(1, 4) + QPoint(0, layout.rowHeight() / 2 - 1));
    EXPECT_EQ(view().selection(), (Selection{0, 4, 1, 1}));
    // Dragged above its first track it keeps one row.
    drag(*area, area->blockCentre(1, 4) + QPoint(0, layout.rowHeight() / 2), area->blockCentre(1, 0) - QPoint(0, 8));
    EXPECT_EQ(view().selection(), (Selection{0, 0, 1, 1}));
}

TEST_F(CMidiWndTest, CtrlSoloKeepsEarlierSoloTracksAndMuteWaitsUntilNoneIsSolo)
{
    const auto soloMute = [this](int row) -> QWidget& { return *area->rowControls(row).soloMute; };
    const auto soloHalf = [&](int row) { return QPoint(3, soloMute(row).height() / 2); };
    const auto muteHalf = [&](int row) { return QPoint(soloMute(row).width() - 3, soloMute(row).height() / 2); };

    click(soloMute(0), soloHalf(0));
    click(soloMute(2), soloHalf(2), Qt::ControlModifier);
    EXPECT_EQ(song().soloList(), (std::vector<int>{0, 2}));
    click(soloMute(3), soloHalf(3)); // without Ctrl: the only solo track
    EXPECT_EQ(song().soloList(), (std::vector<int>{3}));

    click(soloMute(1), muteHalf(1));
    EXPECT_EQ(song().tracks[1].muted, 0) << "mute acts only while no track is solo";
    click(soloMute(3), soloHalf(3));
    EXPECT_TRUE(song().soloList().empty());
    click(soloMute(1), muteHalf(1));
    EXPECT_EQ(song().tracks[1].muted, 1);
    EXPECT_TRUE(song().isSilent(1));
}

TEST_F(CMidiWndTest, DialDragTurnsTheTickOffsetWithinASixteenthAndIgnoresPpqOne)
{
    auto& dial = *area->rowControls(1).offset;
    const QPoint centre(dial.width() / 2, dial.height() / 2);
    drag(dial, centre, centre - QPoint(0, 400)); // far up
    EXPECT_EQ(song().tracks[1].tickOffset, 30);   // ppq 120: a sixteenth is 30 ticks
    EXPECT_EQ(dial.image(), 27);
    drag(dial, centre, centre + QPoint(0, 4)); // a little down
    EXPECT_GT(song().tracks[1].tickOffset, 0);
    EXPECT_LT(song().tracks[1].tickOffset, 30);
    EXPECT_EQ(song().tracks[0].tickOffset, 0) << "only the row's own track turns";
    settle();
    EXPECT_TRUE(frame().state().modified);

    song().ppq = 1;
    song().tracks[1].tickOffset = 0;
    drag(dial, centre, centre - QPoint(0, 400));
    EXPECT_EQ(song().tracks[1].tickOffset, 0);
    EXPECT_EQ(dial.image(), 14);
}

TEST_F(CMidiWndTest, TheTickOffsetDialogRefusesAValueOutsideTheRange)
{
    auto& dial = *area->rowControls(0).offset;
    answerDialog<CTickoffsetDlg>([](CTickoffsetDlg& dialog) {
        dialog.field()->setText("31");
        dialog.accept(); // refused: the dialog stays
        dialog.field()->setText("-12");
        dialog.accept();
    });
    click(dial, QPoint(dial.width() / 2, dial.height() / 2));
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text, "Please enter a value between -30 and 30");
    EXPECT_EQ(prompt.messages[0].title, "Wrong value");
    EXPECT_EQ(song().tracks[0].tickOffset, -12);
}

TEST_F(CMidiWndTest, TheChannelDialogAndADragStoreTheChannelInTheRowsTrack)
{
    auto& channel = *area->rowControls(2).channel;
    answerDialog<CMidiChannelDlg>([](CMidiChannelDlg& dialog) {
        dialog.findChild<QSpinBox*>()->setValue(16);
        dialog.accept();
    });
    click(channel, QPoint(channel.width() / 2, channel.height() / 2));
    EXPECT_EQ(song().tracks[2].channel, 15);
    // The dialog's choice blinks the control for 8 ticks, then the timer stops.
    EXPECT_TRUE(channel.flashing());
    EXPECT_TRUE(channel.flashTimerActive());
    for (int tick = 0; tick < 8; ++tick) {
        EXPECT_TRUE(channel.flashing()) << tick;
        channel.flashTick();
    }
    EXPECT_FALSE(channel.flashing());
    EXPECT_FALSE(channel.flashTimerActive());

    drag(channel, QPoint(channel.width() / 2, 40), QPoint(channel.width() / 2, 40 + 8 * 3));
    EXPECT_EQ(song().tracks[2].channel, 12);
    EXPECT_FALSE(channel.flashing()); // the drag shows its value as it goes
    channel.setChannel(16, true); // out of range: ignored
    EXPECT_EQ(song().tracks[2].channel, 12);
    EXPECT_FALSE(channel.flashing());
}

TEST_F(CMidiWndTest, ANameEditedThenScrolledAwayLandsInTheTrackItWasBegunOn)
{
    song().tracks[1].name = "Piano";
    area->refreshSong();
    CTrackName& field = *area->rowControls(0).name;
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(&field, &in);
    EXPECT_EQ(frame().state().nameEditRow, 1);
    field.selectAll();
    QTest::keyClicks(&field, "Bass");

    area->verticalBar()->setValue(1);
    EXPECT_EQ(view().firstTrack(), 1);
    EXPECT_EQ(song().tracks[0].name, "Bass");
    EXPECT_EQ(field.text().toStdString(), "Piano");

    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(&field, &out);
    EXPECT_EQ(song().tracks[1].name, "Piano");
    EXPECT_EQ(frame().state().nameEditRow, 0);
    settle();
    EXPECT_EQ(frame().windowTitle().toStdString(), "Velisto *");
}

TEST_F(CMidiWndTest, TabWalksTheNameFieldsAndEscReturnsToTheGrid)
{
    frame().activateWindow();
    QApplication::setActiveWindow(&frame());
    frame().runCommand(CommandId::NextTrackName);
    EXPECT_TRUE(area->rowControls(0).name->hasFocus());
    EXPECT_EQ(frame().state().nameEditRow, 1);
    frame().runCommand(CommandId::NextTrackName);
    EXPECT_TRUE(area->rowControls(1).name->hasFocus());
    EXPECT_EQ(frame().state().nameEditRow, 2);

    frame().runCommand(CommandId::SelectAll); // nothing to select in an empty song
    frame().runCommand(CommandId::ExtendRight);
    ASSERT_TRUE(view().selection());
    frame().runCommand(CommandId::Escape); // a name is being edited: back to the grid only
    EXPECT_TRUE(area->hasFocus());
    EXPECT_EQ(frame().state().nameEditRow, 0);
    EXPECT_TRUE(view().selection());
    frame().runCommand(CommandId::Escape);
    EXPECT_FALSE(view().selection());
}

TEST_F(CMidiWndTest, AnotherWindowsCursorUpdateMovesTheView)
{
    frame().state().cursorMeasure = 200;
    frame().state().cursorTrack = 100;
    frame().state().selection = Selection{100, 101, 200, 203};
    frame().notifier().post(kCursorUpdateMessage, 0, 0);
    settle();
    EXPECT_EQ(view().cursor(), (BlockPosition{200, 100}));
    EXPECT_EQ(view().selection(), frame().state().selection);
    EXPECT_LE(view().firstTrack(), 100);
    EXPECT_GT(view().firstTrack() + view().rows(), 100) << "the cursor is kept in view";
    EXPECT_EQ(area->verticalBar()->value(), view().firstTrack());
    EXPECT_EQ(area->rowControls(100 - view().firstTrack()).name->track(), 100);
    EXPECT_EQ(toolbarText(), "Tracks 101 - 102, measures 201 - 204");
}

TEST_F(CMidiWndTest, TheDeviceDialogPutsOneTrackOrAllOnTheChosenDevice)
{
    const int synth = frame().engine().table.indexOf("Synth A");
    ASSERT_GE(synth, 0);
    auto& device = *area->rowControls(3).device;
    const auto choose = [synth](bool all, bool insertName = false) {
        return [synth, all, insertName](CDeviceNameDlg& dialog) {
            dialog.devices()->setCurrentIndex(dialog.devices()->findData(synth));
            dialog.allTracksBox()->setChecked(all);
            dialog.insertNameBox()->setChecked(insertName);
            dialog.accept();
        };
    };
    answerDialog<CDeviceNameDlg>(choose(false));
    click(device, QPoint(5, device.height() / 2));
    EXPECT_EQ(song().tracks[3].device, synth);
    EXPECT_NE(song().tracks[2].device, synth);
    EXPECT_TRUE(frame().engine().table.device(synth).isOpen());
    EXPECT_EQ(song().tracks[3].eventCount(), 0) << "the name is inserted only when asked for";

    note(3, 2);
    answerDialog<CDeviceNameDlg>(choose(false, true));
    click(device, QPoint(5, device.height() / 2));
    ASSERT_EQ(song().tracks[3].eventCount(), 2);
    ASSERT_TRUE(song().tracks[3].event(0).text);
    EXPECT_EQ(*song().tracks[3].event(0).text, "Synth A");
    EXPECT_EQ(song().tracks[3].event(0).tick, 0);
    EXPECT_EQ(frame().action(CommandId::Undo)->text().toStdString(), "&Undo Insert META event devicename");

    // After a load the question is for one track: no "all tracks" there.
    answerDialog<CDeviceNameDlg>([synth](CDeviceNameDlg& dialog) {
        EXPECT_TRUE(dialog.allTracksBox()->isHidden());
        EXPECT_TRUE(dialog.insertNameBox()->isHidden());
        dialog.devices()->setCurrentIndex(dialog.devices()->findData(synth));
        dialog.accept();
    });
    EXPECT_EQ(CDeviceNameDlg::chooseForTrack(frame().engine().table, 7, song().tracks[7].device, &frame()), synth);
    answerDialog<CDeviceNameDlg>([](CDeviceNameDlg& dialog) { dialog.reject(); });
    EXPECT_FALSE(CDeviceNameDlg::chooseForTrack(frame().engine().table, 7, song().tracks[7].device, &frame()));

    prompt.answers = {PromptAnswer::No}; // keep the device no track uses any more
    answerDialog<CDeviceNameDlg>(choose(true));
    click(device, QPoint(5, device.height() / 2));
    for (const Track& track : song().tracks)
        ASSERT_EQ(track.device, synth);
}

TEST_F(CMidiWndTest, TheLevelMeterRisesAtOnceAndFallsOneStepPerTick)
{
    CMidiVolControl& volume = *area->rowControls(2).volume;
    frame().outputNotifier().levelMeter(2, 7); // from the sending thread, queued
    EXPECT_EQ(volume.shownLevel(), 0);
    settle();
    EXPECT_EQ(volume.shownLevel(), 7);
    area->levelMeter(2, 5); // lower than shown: it keeps falling from 7
    volume.levelTick();
    EXPECT_EQ(volume.shownLevel(), 6);
    area->levelMeter(2, 10);
    EXPECT_EQ(volume.shownLevel(), 10);
    area->levelMeter(200, 9); // a track out of view has no meter
    for (int row = 0; row < area->rowCount(); ++row)
        if (row != 2) {
            EXPECT_EQ(area->rowControls(row).volume->shownLevel(), 0) << row;
        }
}

TEST_F(CMidiWndTest, AVolumeDragSendsMainVolumeAndTheDialShowsWhatTheReceiverHolds)
{
    trackOnSynth();
    CMidiVolControl& volume = *area->rowControls(1).volume;
    const int before = volume.liveVolume();
    ASSERT_GE(before, 0);

    drag(volume, QPoint(5, 30), QPoint(5, 30 - 10)); // ten pixels up: ten steps louder
    const int after = std::min(before + 10, 127);
    EXPECT_EQ(volume.liveVolume(), after);
    const auto sent = run.ports->record(0)->texts();
    ASSERT_FALSE(sent.empty());
    char expected[16];
    std::snprintf(expected, sizeof expected, "B2 07 %02X", after);
    EXPECT_EQ(sent.back(), expected);
    EXPECT_EQ(song().tracks[1].eventCount(), 0) << "a drag sends; it writes nothing into the song";
}

TEST_F(CMidiWndTest, TheProgramDialogInsertsAtTheCursorMeasureAndSendsBankAndProgram)
{
    trackOnSynth();
    frame().runCommand(CommandId::CursorRight);
    frame().runCommand(CommandId::CursorRight);
    settle();
    CProgramNameControl& program = *area->rowControls(1).program;
    QString title;
    QString text;
    QString name;
    answerDialog<CProgramNameDlg>([&](CProgramNameDlg& dialog) {
        title = dialog.windowTitle();
        text = explanation(dialog);
        const auto spins = dialog.findChildren<QSpinBox*>();
        ASSERT_EQ(spins.size(), 3);
        spins[0]->setValue(8);
        spins[1]->setValue(1);
        spins[2]->setValue(24);
        name = dialog.instrument();
        dialog.accept();
    });
    click(program, QPoint(5, 5));
    settle();
    EXPECT_EQ(title.toStdString(), "Instrument selection track 2");
    EXPECT_EQ(text.toStdString(), "Now you can send those MIDI events to the track's MIDI device\n"
                                  "which are necessary to select the shown instrument.\n\n"
                                  "Current MIDI channel : 3");
    EXPECT_FALSE(name.isEmpty());
    // The receiver's mode decides whether bank select passes; the program change always does.
    const auto sent = run.ports->record(0)->texts();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "C2 18");
    ASSERT_GT(song().tracks[1].eventCount(), 0);
    EXPECT_EQ(song().tracks[1].event(0).tick, measureStart(song(), 2));
    EXPECT_EQ(program.instrument(), name) << "the row shows the inserted instrument";
    EXPECT_EQ(frame().action(CommandId::Undo)->text().toStdString(), "&Undo Insert program/bank message");
}

TEST_F(CMidiWndTest, TheVolumeDialogInsertsMainVolumeAndNeitherDialogOpensWhileARunExists)
{
    trackOnSynth();
    CMidiVolControl& volume = *area->rowControls(1).volume;
    QString title;
    QString text;
    answerDialog<CMIDIVolDlg>([&](CMIDIVolDlg& dialog) {
        title = dialog.windowTitle();
        text = explanation(dialog);
        dialog.findChild<QSpinBox*>()->setValue(90);
        dialog.accept();
    });
    click(volume, QPoint(5, 5));
    settle();
    EXPECT_EQ(title.toStdString(), "Main volume selection track 2");
    EXPECT_EQ(text.toStdString(), "Now you can send a Control change 'Main volume' MIDI event\n"
                                  "to the track's MIDI device which selects the shown volume.\n\n"
                                  "Current MIDI channel : 3");
    EXPECT_EQ(run.ports->record(0)->texts(), std::vector<std::string>{"B2 07 5A"});
    EXPECT_EQ(volume.liveVolume(), 90);
    ASSERT_EQ(song().tracks[1].eventCount(), 1);
    EXPECT_EQ(song().tracks[1].event(0).tick, 0);
    EXPECT_EQ(frame().action(CommandId::Undo)->text().toStdString(), "&Undo Insert Main volume controller");

    note(0, 0);
    frame().runCommand(CommandId::Play);
    settle();
    ASSERT_TRUE(frame().controller().runExists());
    EXPECT_FALSE(opensADialog([&] {
        click(volume, QPoint(5, 5));
        click(*area->rowControls(1).program, QPoint(5, 5));
    })) << "a run plays the track: nothing is inserted meanwhile";
    stopRun();
    EXPECT_EQ(song().tracks[1].eventCount(), 1);
}

TEST_F(CMidiWndTest, AKnobTakesItsAssignmentFromTheDialogAndADragSendsIt)
{
    trackOnSynth();
    CKnobControl& knob = *area->rowControls(1).knobs[1];
    EXPECT_EQ(knob.objectName().toStdString(), "blue");
    // Pan as a controller; NRPNs by their first slot.
    const int panSlot = midiModeDefinition(MidiMode::GM).slotOf(ParamKind::Controller, 10);
    ASSERT_GE(panSlot, 0);
    const auto assign = [&](int kind, int slot) {
        answerDialog<CKnobDlg>([kind, slot](CKnobDlg& dialog) {
            EXPECT_EQ(dialog.windowTitle().toStdString(), "Select knob assignment");
            ASSERT_EQ(dialog.kinds()->count(), 4);
            EXPECT_EQ(dialog.kinds()->itemText(3).toStdString(), "Key-based instr. controller name");
            dialog.kinds()->setCurrentIndex(kind);
            ASSERT_GT(dialog.names()->count(), 0);
            dialog.names()->setCurrentIndex(std::max(dialog.names()->findData(slot), 0));
            dialog.accept();
        });
        click(knob, QPoint(5, 5));
        settle();
    };
    frame().state().modified = false;
    assign(KnobKind::CommonController, panSlot);
    EXPECT_EQ(knobAssignment(song().tracks[1], 1), (KnobAssignment{KnobKind::CommonController, panSlot, 0, 0}));
    EXPECT_TRUE(frame().state().modified) << "the file keeps the assignment";

    const int before = std::max(knob.liveValue(), 0);
    drag(knob, QPoint(5, 40), QPoint(5, 40 - 10));
    const auto sent = run.ports->record(0)->texts();
    ASSERT_FALSE(sent.empty());
    char value[4];
    std::snprintf(value, sizeof value, "%02X", std::min(before + 10, 127));
    EXPECT_EQ(sent.back().substr(0, 6), "B2 0A ");
    EXPECT_EQ(sent.back().substr(6), value);
    EXPECT_EQ(knob.liveValue(), std::min(before + 10, 127)) << "the dial reads the receiver back";
    EXPECT_TRUE(prompt.messages.empty());

    // The receiver's mode has no NRPNs: the drag's steps send nothing and say so once.
    assign(KnobKind::Nrpn, 0);
    run.ports->record(0)->clear();
    mouse(knob, QEvent::MouseButtonPress, QPoint(5, 40));
    for (int step = 1; step <= 3; ++step)
        mouse(knob, QEvent::MouseMove, QPoint(5, 40 - 10 * step));
    mouse(knob, QEvent::MouseButtonRelease, QPoint(5, 10));
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text.rfind("NRPN messages are not supported in current MIDI mode ", 0), 0U)
        << prompt.messages[0].text;
    EXPECT_TRUE(run.ports->record(0)->texts().empty());
}

TEST_F(CMidiWndTest, AReleasedMarkerCallsTheHookWithItsListAndTick)
{
    const std::int32_t tempoTick = measureStart(song(), 3) + 10;
    song().setTempo(tempoTick, 90.0);
    song().setMeterAtMeasure(5, 3, 4);
    std::vector<std::pair<MasterListKind, std::int32_t>> opened;
    area->setMasterMarkerHandler(
        [&opened](MasterListKind list, std::int32_t tick) { opened.emplace_back(list, tick); });
    const TrackAreaLayout layout = area->layout();
    const auto inRow = [&](int measure, int rowTop) {
        return QPoint(area->blockCentre(measure, 0).x(), rowTop + layout.masterRowHeight() / 2);
    };

    click(*area, inRow(3, layout.rulerHeight()));
    click(*area, inRow(5, layout.meterTop()));
    // Pressed, moved off and released elsewhere: nothing opens.
    drag(*area, inRow(3, layout.rulerHeight()), inRow(9, layout.rulerHeight()));
    // No marker in that measure of the key row.
    click(*area, inRow(4, layout.keyTop()));
    ASSERT_EQ(opened.size(), 2U);
    EXPECT_EQ(opened[0], std::make_pair(MasterListKind::Tempo, tempoTick));
    EXPECT_EQ(opened[1], std::make_pair(MasterListKind::Meter, measureStart(song(), 5)));
}

TEST_F(CMidiWndTest, ATempoMarkerOpensTempoAtItsEntryUnlessARunExists)
{
    const std::int32_t tempoTick = measureStart(song(), 3) + 10;
    song().setTempo(tempoTick, 90.0);
    const TrackAreaLayout layout = area->layout();
    const QPoint marker(area->blockCentre(3, 0).x(), layout.rulerHeight() + layout.masterRowHeight() / 2);

    std::string title;
    std::string rowTempo;
    answerDialog<MasterListDialog>([&](MasterListDialog& dialog) {
        title = dialog.windowTitle().toStdString();
        rowTempo = dialog.editor().tempoText(dialog.editor().entryOfRow(0));
        dialog.reject();
    });
    click(*area, marker);
    EXPECT_EQ(title, "Tempo");
    EXPECT_EQ(rowTempo, "90") << "the first row shows the clicked entry";

    frame().runCommand(CommandId::Play);
    settle();
    ASSERT_TRUE(frame().controller().runExists());
    EXPECT_FALSE(opensADialog([&] { click(*area, marker); })) << "the lists are not edited while a run plays them";
    stopRun();
}

TEST_F(CMidiWndTest, KeyboardCommandsPlayMeasuresAndTheRunsEndMoveTheCursor)
{
    note(0, 0);
    note(4, 9);
    frame().runCommand(CommandId::ExtendRight);
    frame().runCommand(CommandId::ExtendDown);
    EXPECT_EQ(view().selection(), (Selection{0, 1, 1, 1}));
    frame().runCommand(CommandId::Escape); // no name being edited: releases the selection
    EXPECT_FALSE(view().selection());
    frame().runCommand(CommandId::SelectAll);
    EXPECT_EQ(view().selection(), (Selection{0, 4, 0, 9}));
    frame().runCommand(CommandId::CursorDown); // with a selection: to its bottom track
    EXPECT_EQ(view().cursor().track, 4);

    // With the selection tool and nothing selected the arrows do nothing.
    frame().runCommand(CommandId::SelectNone);
    frame().state().mouseTool = std::string(kToolSelection);
    frame().runCommand(CommandId::CursorRight);
    EXPECT_EQ(view().cursor(), (BlockPosition{0, 4}));
    frame().state().mouseTool = std::string(kToolArrow);

    const int far = view().measuresInView() + 3;
    frame().notifier().post(kPlayMeasureMessage, static_cast<std::uintptr_t>(measureStart(song(), far)), 0);
    settle();
    EXPECT_EQ(view().cursor().measure, far);
    EXPECT_EQ(view().firstMeasure(), far) << "the view turns a page";
    area->runEnded(measureStart(song(), 0));
    EXPECT_EQ(view().cursor().measure, 0);
    EXPECT_EQ(view().firstMeasure(), 0);
}

} // namespace
} // namespace velisto::test
