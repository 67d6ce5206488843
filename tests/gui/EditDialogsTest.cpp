// The edit dialogs as the user reaches them: opened by their accelerators, fields refused
// at the prompt, OK with its undo step and result sound, Test taken back by its stop, the
// clipboard and measure commands, and the check and properties windows.
#include "gui/GuiTestSupport.h"

#include "CMidiWnd.h"
#include "app/CommandIds.h"
#include "edit/CCheckSequenceDlg.h"
#include "edit/CChannelDlg.h"
#include "edit/CCurveView.h"
#include "edit/CCutCopyDlg.h"
#include "edit/CEditCommands.h"
#include "edit/CEventFilterDlg.h"
#include "edit/CMIDISequenceProperties.h"
#include "edit/CMoveDlg.h"
#include "edit/CNotelengthDlg.h"
#include "edit/CPitchDlg.h"
#include "edit/CQuantDlg.h"
#include "edit/CSplitChannels.h"
#include "edit/CVolumeDlg.h"
#include "edit/EventFilter.h"
#include "edit/StructuralEdits.h"
#include "listeditor/CListEditor.h"
#include "listeditor/ListEditorModel.h"
#include "midi/SongCheck.h"
#include "playback/PlayMessages.h"
#include "song/MidiFileWriter.h"
#include "song/Song.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace velisto::test {
namespace {

using namespace std::chrono_literals;

class EditDialogsTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        quietDemo();
        run = start();
        ASSERT_TRUE(run.started);
        open(folder / "demo.mid");
    }
    void TearDown() override
    {
        if (CEditDialog* dialog = frame().editCommands().dialog())
            dialog->close();
        settle();
        if (run.app && run.app->frame() && run.app->frame()->isVisible()) {
            prompt.answers = {PromptAnswer::No};
            finish(run);
        }
    }

    CMainFrame& frame() { return run.frame(); }
    Song& song() { return *frame().engine().song; }
    void open(const std::filesystem::path& path)
    {
        files.answers = {path};
        frame().action(CommandId::Open)->trigger();
        settle();
    }
    std::vector<std::uint8_t> bytes() { return MidiFileWriter::encode(song(), true).bytes; }
    // The accelerator as typed into the main window.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        // A closed dialog leaves no active window behind on the offscreen platform.
        frame().activateWindow();
        settle();
        QTest::keyClick(&frame(), key, modifiers);
        settle();
    }
    template <class Dialog>
    Dialog* opened()
    {
        return dynamic_cast<Dialog*>(frame().editCommands().dialog());
    }
    // Enter on the dialog's focused field: its default button, OK.
    static void typeInto(QWidget* field, const QString& text)
    {
        field->setFocus();
        if (auto* box = qobject_cast<QComboBox*>(field))
            field = box->lineEdit();
        else if (auto* spin = qobject_cast<QSpinBox*>(field))
            field = spin->findChild<QLineEdit*>();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
        // The list's inline completion would turn "1" into "120 Sixteen".
        QTest::keyClick(field, Qt::Key_Delete);
    }
    void pressOk(QDialog* dialog)
    {

        QTest::keyClick(dialog, Qt::Key_Return);
        settle();
    }
    void select(int firstTrack, int lastTrack, int firstMeasure, int lastMeasure)
    {
        frame().state().selection = Selection{firstTrack, lastTrack, firstMeasure, lastMeasure};
    }
    // The first track that holds notes.
    int noteTrack()
    {
        for (int t = 0; t < kTrackCount; ++t)
            for (std::int32_t i = 0; i <= song().tracks[static_cast<std::size_t>(t)].lastIndex(); ++i)
                if (song().tracks[static_cast<std::size_t>(t)].event(i).kind() == EventKind::Note)
                    return t;
        return -1;
    }
    void runUntilEnded() { GuiFixture::runUntilEnded(run); }
    // A one-track (format 0) GS song from the corpus: its load offers the split.
    void openGsSong()
    {
        const std::filesystem::path file = folder / "gs.mid";
        std::filesystem::copy_file(VELISTO_TEST_DATA_DIR "/corpus/midi/public/jazz-soft/"
                                                         "test-sysex-gs-40-1x-15-drum-part-change.mid",
                                   file);
        open(file);
        settle();
    }
    void openGsSongWithoutSplit()
    {
        openGsSong();
        if (auto* split = frame().findChild<CSplitChannels*>())
            split->reject();
        settle();
    }

    GuiRun run;
};

TEST_F(EditDialogsTest, EachDialogOpensByItsAcceleratorWithItsTitle)
{
    const int track = noteTrack();
    ASSERT_GE(track, 0);
    const std::vector<std::pair<Qt::Key, std::string>> dialogs = {{Qt::Key_Q, "Quantize"},
                                                                  {Qt::Key_P, "Change pitch"},
                                                                  {Qt::Key_K, "Move midi events"},
                                                                  {Qt::Key_E, "Notelength"},
                                                                  {Qt::Key_G, "Channel change"},
                                                                  {Qt::Key_C, "Copy midi events"},
                                                                  {Qt::Key_X, "Cut"},
                                                                  {Qt::Key_U, "Velocity / controller value / "
                                                                              "keybased instr. contr. value"}};
    for (const auto& [key, title] : dialogs) {
        select(track, track, 0, 1);
        press(key);
        CEditDialog* dialog = frame().editCommands().dialog();
        ASSERT_NE(dialog, nullptr) << title;
        EXPECT_EQ(dialog->windowTitle().toStdString(), title);
        QTest::keyClick(dialog, Qt::Key_Escape);
        settle();
        EXPECT_EQ(frame().editCommands().dialog(), nullptr) << title;
        // The transforms are done with the selection, Cancel or not; copy and cut keep it.
        EXPECT_EQ(frame().state().selection.has_value(), key == Qt::Key_C || key == Qt::Key_X) << title;
    }
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(EditDialogsTest, WithoutSelectionOnAnEmptyTrackTheDialogSaysNoSelection)
{
    frame().state().cursorTrack = 200;
    press(Qt::Key_Q);
    EXPECT_EQ(frame().editCommands().dialog(), nullptr);
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text, "No selection");
}

TEST_F(EditDialogsTest, InvalidFieldsAreRefusedAtThePromptAndTheDialogStays)
{
    const int track = noteTrack();
    const std::vector<std::uint8_t> before = bytes();

    select(track, track, 0, 1);
    press(Qt::Key_Q);
    auto* quantize = opened<CQuantDlg>();
    ASSERT_NE(quantize, nullptr);
    typeInto(quantize->positionGrid(), "1");
    pressOk(quantize);
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages.back().text, "Number of ticks must be at least 2");
    EXPECT_EQ(opened<CQuantDlg>(), quantize);
    quantize->reject();
    settle();

    select(track, track, 0, 1);
    press(Qt::Key_P);
    auto* pitch = opened<CPitchDlg>();
    ASSERT_NE(pitch, nullptr);
    pitch->single()->setChecked(true);
    typeInto(pitch->fromKey(), "H5");
    pressOk(pitch);
    ASSERT_EQ(prompt.messages.size(), 2U);
    EXPECT_NE(prompt.messages.back().text.find("Wrong value 'H5'"), std::string::npos);
    EXPECT_EQ(opened<CPitchDlg>(), pitch);
    pitch->reject();
    settle();

    select(track, track, 0, 1);
    press(Qt::Key_G);
    auto* channel = opened<CChannelDlg>();
    ASSERT_NE(channel, nullptr);
    typeInto(channel->toChannel(), "17");
    pressOk(channel);
    ASSERT_EQ(prompt.messages.size(), 3U);
    EXPECT_EQ(prompt.messages.back().text, "Unknown channel !?!");
    channel->reject();
    settle();

    EXPECT_EQ(bytes(), before);
    EXPECT_TRUE(frame().undoStack().empty());
}

TEST_F(EditDialogsTest, ValueChangeRefusesAPercentBeyondAHundredAndAppliesAKeyDrawnCurve)
{
    const int track = noteTrack();
    select(track, track, 0, 3);
    press(Qt::Key_U);
    auto* values = opened<CVolumeDlg>();
    ASSERT_NE(values, nullptr);
    values->percent()->setChecked(true);
    typeInto(values->constant(), "101");
    pressOk(values);
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text, "Percent expression out of range (-100/+100)");

    // Absolute, from the curve: flat at the bottom but for the first point, raised by keys.
    values->target()->setCurrentIndex(0);
    QTest::mouseClick(values->curveSource(), Qt::LeftButton);
    QTest::mouseClick(values->absolute(), Qt::LeftButton);
    CCurveView* view = values->curveView();
    CurveLevels bottom{};
    view->setCurve(bottom);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Home);
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_EQ(view->curve()[0], kCurveTop);
    EXPECT_EQ(view->curve()[1], 0);
    EXPECT_FALSE(values->options().percent);
    EXPECT_TRUE(values->options().useCurve);

    // The preview's steps move the marker.
    values->previewStep(song().ppq * 8);
    const std::vector<std::uint8_t> before = bytes();
    QTest::keyClick(values->okButton(), Qt::Key_Space);
    settle();
    EXPECT_EQ(frame().editCommands().dialog(), nullptr);
    EXPECT_NE(bytes(), before);
    EXPECT_EQ(frame().undoStack().descriptions().back(), "Value change");
    EXPECT_EQ(frame().lastDialogSound(), 599);
    // Every note but those at the very start now has the floor velocity.
    const SelectionTicks span = selectionTicks(song(), Selection{track, track, 0, 3});
    int inside = 0;
    int floor = 0;
    const Track& notes = song().tracks[static_cast<std::size_t>(track)];
    for (std::int32_t i = 0; i <= notes.lastIndex(); ++i) {
        const MidiEvent& event = notes.event(i);
        if (event.kind() == EventKind::Note && event.tick > span.start + song().ppq && event.tick <= span.end) {
            ++inside;
            floor += event.data2 == 1 ? 1 : 0;
        }
    }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(floor, inside);
    EXPECT_FALSE(frame().engine().settings.editDialogs.valch_levels.empty());
}

TEST_F(EditDialogsTest, DialogValuesReturnInTheNextRunAndARestrictingFilterShowsTheWarning)
{
    const int track = noteTrack();
    select(track, track, 0, 1);
    press(Qt::Key_Q);
    auto* quantize = opened<CQuantDlg>();
    ASSERT_NE(quantize, nullptr);
    const auto warningShown = [](QDialog* dialog) {
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            if (label->text().toStdString() == kFilterWarningText)
                return !label->isHidden();
        return false;
    };
    EXPECT_FALSE(warningShown(quantize));
    typeInto(quantize->positionGrid(), "240");
    pressOk(quantize);
    ASSERT_EQ(frame().editCommands().dialog(), nullptr);

    frame().engine().settings.eventFilter.noteon_bool = 1;
    prompt.answers = {PromptAnswer::No};
    ASSERT_TRUE(finish(run));
    run = start();
    ASSERT_TRUE(run.started);
    open(folder / "demo.mid");
    select(track, track, 0, 1);
    press(Qt::Key_Q);
    quantize = opened<CQuantDlg>();
    ASSERT_NE(quantize, nullptr);
    EXPECT_EQ(quantize->positionGrid()->currentText().toStdString(), "240");
    EXPECT_TRUE(warningShown(quantize));
}

TEST_F(EditDialogsTest, EventFilterRefusesFromAboveToAndKeepsTheStoredFilter)
{
    const EventFilterSettings before = frame().engine().settings.eventFilter;
    CEventFilterDlg dialog(frame().engine().settings.eventFilter, prompt, &frame());
    dialog.fromBox(0)->setCurrentIndex(dialog.fromBox(0)->findData(70));
    dialog.toBox(0)->setCurrentIndex(dialog.toBox(0)->findData(60));
    dialog.accept();
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text, "FROM must not be higher than TO");
    EXPECT_TRUE(frame().engine().settings.eventFilter == before);

    dialog.toBox(0)->setCurrentIndex(dialog.toBox(0)->findData(80));
    dialog.channelBox(9)->setChecked(false);
    dialog.accept();
    EXPECT_EQ(frame().engine().settings.eventFilter.noteon_from, 70);
    EXPECT_EQ(frame().engine().settings.eventFilter.noteon_to, 80);
    EXPECT_EQ(frame().engine().settings.eventFilter.ch[9], 0);
    EXPECT_TRUE(filterRestricts(frame().engine().settings.eventFilter));
}

TEST_F(EditDialogsTest, OkChangesTheSongWithItsStepAndSoundAndANoOpPlays598)
{
    const int track = noteTrack();
    select(track, track, 0, 3);
    press(Qt::Key_P);
    auto* pitch = opened<CPitchDlg>();
    ASSERT_NE(pitch, nullptr);
    EXPECT_FALSE(pitch->testMode().running());
    typeInto(pitch->semitones(), "5");
    const std::vector<std::uint8_t> before = bytes();
    pressOk(pitch);
    EXPECT_EQ(frame().editCommands().dialog(), nullptr);
    EXPECT_NE(bytes(), before);
    EXPECT_EQ(frame().lastDialogSound(), 599);
    ASSERT_FALSE(frame().undoStack().empty());
    EXPECT_EQ(frame().undoStack().descriptions().back(), "pitch");
    EXPECT_TRUE(frame().state().modified);
    // The value is offered at the next opening.
    EXPECT_EQ(frame().engine().settings.editDialogs.pitch_semitones, 5);

    // Notes lengths set to what they are already: a step, nothing changed, 598.
    select(200, 200, 0, 0);
    press(Qt::Key_E);
    auto* length = opened<CNotelengthDlg>();
    ASSERT_NE(length, nullptr);
    const std::vector<std::uint8_t> unchanged = bytes();
    pressOk(length);
    EXPECT_EQ(bytes(), unchanged);
    EXPECT_EQ(frame().lastDialogSound(), 598);

    // A move by 0 closes without a step.
    const std::size_t steps = frame().undoStack().descriptions().size();
    select(track, track, 0, 3);
    press(Qt::Key_K);
    auto* move = opened<CMoveDlg>();
    ASSERT_NE(move, nullptr);
    typeInto(move->delta(), "0");
    pressOk(move);
    EXPECT_EQ(frame().editCommands().dialog(), nullptr);
    EXPECT_EQ(frame().undoStack().descriptions().size(), steps);
}

TEST_F(EditDialogsTest, TestThenStopGivesBackTheSameBytesAndOkWaitsForTheUndo)
{
    const int track = noteTrack();
    select(track, track, 0, 1);
    press(Qt::Key_K);
    auto* move = opened<CMoveDlg>();
    ASSERT_NE(move, nullptr);
    typeInto(move->delta(), "240");
    const std::vector<std::uint8_t> before = bytes();

    QTest::keyClick(move->testButton(), Qt::Key_Space);
    settle();
    ASSERT_TRUE(move->testMode().running());
    EXPECT_TRUE(move->stopButton()->isVisible());
    EXPECT_FALSE(move->testButton()->isVisible());
    EXPECT_NE(bytes(), before);

    // OK during the test is refused with its message.
    QTest::keyClick(move->okButton(), Qt::Key_Space);
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text, "First stop testmode");

    QTest::keyClick(move->stopButton(), Qt::Key_Space);
    EXPECT_FALSE(move->testMode().running());
    // Before the run's Undo has arrived, OK does nothing.
    move->accept();
    EXPECT_EQ(opened<CMoveDlg>(), move);
    runUntilEnded();
    settle();
    EXPECT_TRUE(move->testMode().settled());
    EXPECT_EQ(bytes(), before);
    EXPECT_TRUE(frame().undoStack().empty());
    EXPECT_EQ(frame().lastDialogSound(), 0); // taking a test back makes no sound

    QTest::keyClick(move->okButton(), Qt::Key_Space);
    settle();
    EXPECT_EQ(frame().editCommands().dialog(), nullptr);
    EXPECT_NE(bytes(), before);
    ASSERT_EQ(frame().undoStack().descriptions().size(), 1U);
    EXPECT_EQ(frame().undoStack().descriptions().back(), "Move");
}

TEST_F(EditDialogsTest, WithTheListEditorOpenATestIsTakenBackAndTrackEditsShowInItsRows)
{
    const int track = noteTrack();
    if (!frame().listEditor())
        frame().action(CommandId::ListEditor)->trigger();
    settle();
    CListEditor* list = frame().listEditor();
    ASSERT_NE(list, nullptr);
    // A click on the track's first block: the list follows the cursor's track.
    QTest::mouseClick(frame().trackArea(), Qt::LeftButton, Qt::NoModifier, frame().trackArea()->blockCentre(0, track));
    settle();
    ASSERT_EQ(list->track(), track);
    const int rows = list->model().rowCount();
    const auto rowText = [&](int row) {
        return list->model().data(list->model().index(row, 0), Qt::DisplayRole).toString();
    };
    const QString lastRow = rowText(rows - 1);
    ASSERT_EQ(frame().state().foreground, ForegroundEditor::TrackArea);

    select(track, track, 0, 1);
    press(Qt::Key_K);
    auto* move = opened<CMoveDlg>();
    ASSERT_NE(move, nullptr);
    typeInto(move->delta(), "240");
    const std::vector<std::uint8_t> before = bytes();
    QTest::keyClick(move->testButton(), Qt::Key_Space);
    settle();
    ASSERT_TRUE(move->testMode().running());
    EXPECT_FALSE(list->editable()) << "cells are read-only while the test plays";
    QTest::keyClick(move->stopButton(), Qt::Key_Space);
    runUntilEnded();
    settle();
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(list->model().rowCount(), rows);
    EXPECT_EQ(rowText(rows - 1), lastRow);
    move->reject();
    settle();
    frame().state().selection.reset();

    // Insert Track empties the shown track's place; Delete Track brings its rows back.
    frame().state().cursorTrack = track;
    press(Qt::Key_I);
    EXPECT_EQ(list->track(), track);
    EXPECT_EQ(list->model().rowCount(), 0);
    press(Qt::Key_D);
    EXPECT_EQ(list->model().rowCount(), rows);
    EXPECT_EQ(rowText(rows - 1), lastRow);
}

TEST_F(EditDialogsTest, CancelDuringATestStopsItAndThePreviewEndStopsItToo)
{
    const int track = noteTrack();
    select(track, track, 0, 0);
    press(Qt::Key_Q);
    auto* quantize = opened<CQuantDlg>();
    ASSERT_NE(quantize, nullptr);
    typeInto(quantize->positionGrid(), "480");
    const std::vector<std::uint8_t> before = bytes();
    quantize->testButton()->click();
    settle();
    ASSERT_TRUE(quantize->testMode().running());
    // The end of the previewed range.
    frame().notifier().post(kPreviewFinishedMessage, reinterpret_cast<std::uintptr_t>(quantize), 0);
    settle();
    EXPECT_FALSE(quantize->testMode().running());
    runUntilEnded();
    EXPECT_EQ(bytes(), before);

    quantize->testButton()->click();
    settle();
    ASSERT_TRUE(quantize->testMode().running());
    QTest::keyClick(quantize, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(quantize->testMode().running());
    EXPECT_EQ(opened<CQuantDlg>(), quantize); // the first Cancel only stops the test
    runUntilEnded();
    EXPECT_EQ(bytes(), before);
}

TEST_F(EditDialogsTest, CopyPasteDeleteInsertAndTrackCommandsByKeys)
{
    const int track = noteTrack();
    Track& source = song().tracks[static_cast<std::size_t>(track)];
    const std::int32_t sourceEvents = source.lastIndex() + 1;

    select(track, track, 0, 0);
    press(Qt::Key_C);
    auto* copy = frame().editCommands().dialog();
    ASSERT_NE(copy, nullptr);
    pressOk(copy);
    EXPECT_TRUE(frame().action(CommandId::Paste)->isEnabled());
    EXPECT_EQ(frame().lastDialogSound(), 599);
    EXPECT_TRUE(frame().undoStack().empty()); // a copy changes nothing
    EXPECT_TRUE(frame().state().selection.has_value());
    frame().state().selection.reset();

    frame().state().cursorTrack = 250;
    frame().state().cursorMeasure = 2;
    press(Qt::Key_V);
    EXPECT_FALSE(song().tracks[250].empty());
    EXPECT_EQ(frame().undoStack().descriptions().back(), "Paste");

    // Ins on the pasted track's measure 2 pushes its events a measure on; Del takes it back.
    const std::int32_t firstPasted = song().tracks[250].event(0).tick;
    press(Qt::Key_Insert, Qt::NoModifier);
    EXPECT_GT(song().tracks[250].event(0).tick, firstPasted);
    press(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(song().tracks[250].event(0).tick, firstPasted);

    frame().state().cursorTrack = track;
    press(Qt::Key_I);
    EXPECT_TRUE(song().tracks[static_cast<std::size_t>(track)].empty());
    EXPECT_EQ(song().tracks[static_cast<std::size_t>(track) + 1].lastIndex() + 1, sourceEvents);
    press(Qt::Key_D);
    EXPECT_EQ(song().tracks[static_cast<std::size_t>(track)].lastIndex() + 1, sourceEvents);
    EXPECT_EQ(frame().undoStack().descriptions().back(), "Delete Track");

    // The track commands refuse a selection.
    select(track, track, 0, 0);
    press(Qt::Key_D);
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_NE(prompt.messages.back().text.find("'delete track'"), std::string::npos);
    EXPECT_EQ(song().tracks[static_cast<std::size_t>(track)].lastIndex() + 1, sourceEvents);
}

TEST_F(EditDialogsTest, ATestCutLeavesTheClipboardAndOkFillsIt)
{
    const int track = noteTrack();
    select(track, track, 0, 0);
    press(Qt::Key_C);
    ASSERT_NE(frame().editCommands().dialog(), nullptr);
    pressOk(frame().editCommands().dialog());
    const std::vector<MidiEvent> copied = frame().clipboard().buffer(0);
    ASSERT_FALSE(copied.empty());

    select(track, track, 1, 2);
    press(Qt::Key_X);
    auto* cut = opened<CCutDlg>();
    ASSERT_NE(cut, nullptr);
    const std::vector<std::uint8_t> before = bytes();
    QTest::keyClick(cut->testButton(), Qt::Key_Space);
    settle();
    ASSERT_TRUE(cut->testMode().running());
    EXPECT_NE(bytes(), before);
    EXPECT_EQ(frame().clipboard().buffer(0), copied);

    QTest::keyClick(cut->stopButton(), Qt::Key_Space);
    runUntilEnded();
    settle();
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(frame().clipboard().buffer(0), copied);

    QTest::keyClick(cut->okButton(), Qt::Key_Space);
    settle();
    EXPECT_NE(bytes(), before);
    EXPECT_NE(frame().clipboard().buffer(0), copied);
    EXPECT_FALSE(frame().clipboard().buffer(0).empty());
    EXPECT_EQ(frame().undoStack().descriptions().back(), "Cut");
}

TEST_F(EditDialogsTest, ACurveDrawnByTheMouseLeavesNoGapAlongTheDrag)
{
    const int track = noteTrack();
    select(track, track, 0, 3);
    press(Qt::Key_U);
    auto* values = opened<CVolumeDlg>();
    ASSERT_NE(values, nullptr);
    QTest::mouseClick(values->curveSource(), Qt::LeftButton);
    CCurveView* view = values->curveView();
    view->setCurve(CurveLevels{});
    values->resize(values->sizeHint());
    settle();

    // Top left to bottom right in a few coarse moves: the points between them fall in line.
    const QRect area = view->rect().adjusted(60, 12, -8, -12);
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), view->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, QPoint(0, area.top()), Qt::LeftButton);
    for (int step = 1; step <= 4; ++step)
        send(QEvent::MouseMove, QPoint(view->width() * step / 4 - 1, area.top() + area.height() * step / 4),
             Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(view->width() - 1, area.bottom()), Qt::NoButton);

    const CurveLevels& curve = view->curve();
    EXPECT_GT(curve.front(), curve.back());
    for (std::size_t i = 1; i < curve.size(); ++i)
        EXPECT_LE(curve[i], curve[i - 1]) << "point " << i;
    // A move without the button draws nothing.
    const CurveLevels drawn = curve;
    send(QEvent::MouseMove, QPoint(view->width() / 2, area.top()), Qt::NoButton);
    EXPECT_EQ(view->curve(), drawn);
}

TEST_F(EditDialogsTest, AFormatZeroFileIsOfferedTheSplitAndItsChannelsGetTracks)
{
    openGsSong();
    auto* split = frame().findChild<CSplitChannels*>();
    ASSERT_NE(split, nullptr);
    split->accept();
    settle();
    EXPECT_EQ(frame().undoStack().descriptions().back(), "Split Channels");
    EXPECT_TRUE(song().tracks[0].empty());
    int used = 0;
    for (const Track& track : song().tracks)
        used += track.empty() ? 0 : 1;
    EXPECT_GE(used, 2);
}

TEST_F(EditDialogsTest, ASplitRefusedForWantOfRoomLeavesNoUndoStep)
{
    openGsSongWithoutSplit();
    // Every track behind the source holds an event: the split would push them off the end.
    for (std::size_t track = 1; track < song().tracks.size(); ++track)
        song().tracks[track].append(MidiEvent::note(0, 0, 60, 100, 10));
    frame().state().cursorTrack = 0;
    const std::deque<std::string> steps = frame().undoStack().descriptions();
    const auto before = MidiFileWriter::encode(song(), true).bytes;

    ASSERT_TRUE(frame().runCommand(CommandId::SplitChannels));
    auto* split = frame().findChild<CSplitChannels*>();
    ASSERT_NE(split, nullptr);
    split->accept();
    settle();
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_EQ(prompt.messages.back().text, kSplitNoRoomText);
    EXPECT_EQ(MidiFileWriter::encode(song(), true).bytes, before);
    EXPECT_EQ(frame().undoStack().descriptions(), steps);
}

TEST_F(EditDialogsTest, CheckListsTheFindingsOfEachTracksReceiverAndTheWarningBlinks)
{
    openGsSongWithoutSplit();
    // Every track on a device whose receiver knows GM only.
    DeviceTable& table = frame().engine().table;
    const int synth = table.indexOf("Synth A");
    if (!table.device(synth).isOpen()) {
        ASSERT_EQ(table.open(synth), "");
    }
    for (Track& track : song().tracks)
        track.device = synth;
    const CheckResult expected = checkSong(song(), deviceReceivers(table));
    ASSERT_FALSE(expected.findings.empty());

    frame().engine().settings.eventFilter.ch[15] = 0; // a restriction: the warning shows
    press(Qt::Key_H);
    auto* check = dynamic_cast<CCheckSequenceDlg*>(frame().editCommands().checkDialog());
    ASSERT_NE(check, nullptr);
    EXPECT_FALSE(check->deleteButton()->isEnabled());
    EXPECT_FALSE(check->warning()->isHidden());
    EXPECT_TRUE(check->blinkTimer().isActive());
    EXPECT_EQ(check->blinkTimer().interval(), 600);
    const bool lit = check->warning()->isEnabled();
    QTest::qWait(650);
    EXPECT_NE(check->warning()->isEnabled(), lit);

    check->checkButton()->click();
    std::vector<const CheckFinding*> listed;
    for (const CheckFinding& finding : expected.findings)
        if (listedFinding(finding, song(), frame().engine().settings.eventFilter))
            listed.push_back(&finding);
    ASSERT_EQ(check->findings()->topLevelItemCount(), static_cast<int>(listed.size()));
    ASSERT_FALSE(listed.empty());
    const QTreeWidgetItem* first = check->findings()->topLevelItem(0);
    EXPECT_EQ(first->text(0).toInt(), listed[0]->track + 1);
    EXPECT_EQ(first->text(3).toStdString(), listed[0]->event);
    EXPECT_EQ(first->text(4).toStdString(), listed[0]->skipped ? "skipped" : "sent anyhow");
    EXPECT_FALSE(check->explanation()->toPlainText().isEmpty());
    check->close();
}

TEST_F(EditDialogsTest, PropertiesShowTheSummaryReadOnly)
{
    frame().action(CommandId::Properties)->trigger();
    settle();
    auto* properties = frame().findChild<CMIDISequenceProperties*>();
    ASSERT_NE(properties, nullptr);
    EXPECT_TRUE(properties->text()->isReadOnly());
    const std::string text = properties->text()->toPlainText().toStdString();
    EXPECT_NE(text.find("demo.mid"), std::string::npos);
    EXPECT_NE(text.find("Ticks per quarter:  " + std::to_string(song().ppq)), std::string::npos);
    properties->close();
}

} // namespace
} // namespace velisto::test
