// The event list editor as the user reaches it: opened by its command below the track
// area, moved by the arrows and Ctrl+Tab, cells edited in place with their checks, rows
// deleted and inserted and taken back, nothing editable while a run plays, the special
// system exclusive dialogs and the sysex browser.
#include "gui/GuiTestSupport.h"

#include "CMidiWnd.h"
#include "app/CommandIds.h"
#include "app/FrameState.h"
#include "listeditor/CListEditor.h"
#include "listeditor/CListEditorGSTonenumber.h"
#include "listeditor/CListEditorGlobalParContrEditor.h"
#include "listeditor/CListEditorKeybInstrContrEditor.h"
#include "listeditor/ListEditorChecks.h"
#include "listeditor/SysexbrowseDlg.h"
#include "midi/SlotPathDefinition.h"
#include "midi/SysexCatalogue.h"
#include "playback/PlayMessages.h"
#include "song/MidiFileWriter.h"
#include "song/Song.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace velisto::test {
namespace {

class ListEditorTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        quietDemo();
        store.writeString("Display", "listeditorwasopeninlastsession", "n");
        run = start();
        ASSERT_TRUE(run.started);
        files.answers = {folder / "demo.mid"};
        frame().action(CommandId::Open)->trigger();
        settle();
        frame().resize(1200, 800);
        settle();
    }
    void TearDown() override
    {
        settle();
        if (run.app && run.app->frame() && run.app->frame()->isVisible()) {
            prompt.answers = {PromptAnswer::No};
            finish(run);
        }
    }

    CMainFrame& frame() { return run.frame(); }
    Song& song() { return *frame().engine().song; }
    Track& track(int t) { return song().tracks[static_cast<std::size_t>(t)]; }
    std::vector<std::uint8_t> bytes() { return MidiFileWriter::encode(song(), true).bytes; }

    // Opens the list editor on track t by its command.
    CListEditor& openOn(int t)
    {
        frame().state().cursorTrack = t;
        frame().trackArea()->takeFrameCursor();
        frame().activateWindow();
        frame().action(CommandId::ListEditor)->trigger();
        settle();
        CListEditor* list = frame().listEditor();
        EXPECT_NE(list, nullptr);
        return *list;
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &frame();
        QTest::keyClick(target, key, modifiers);
        settle();
    }
    QPoint cellCentre(CListEditor& list, int row, ListColumn column)
    {
        const QModelIndex index = list.model().index(row, static_cast<int>(column));
        list.scrollTo(index);
        return list.visualRect(index).center();
    }
    void click(CListEditor& list, int row, ListColumn column, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, cellCentre(list, row, column));
        settle();
    }
    // F2 on the cell: the in-place editor, or null when none opened.
    QWidget* editCell(CListEditor& list, int row, ListColumn column)
    {
        click(list, row, column);
        press(Qt::Key_F2);
        return list.cellEditing() ? QApplication::focusWidget() : nullptr;
    }
    void typeAndAccept(QWidget* editor, const QString& text)
    {
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
    }
    // Appends event to track t and shows the track again; its row.
    int add(CListEditor& list, int t, MidiEvent event)
    {
        const std::int32_t row = track(t).insertSorted(std::move(event));
        list.refreshRows();
        return row;
    }
    // Answers the next modal Dialog once it is up (it may open behind a menu's loop).
    template <typename Dialog> static void answerDialog(std::function<void(Dialog&)> answer, int tries = 100)
    {
        QTimer::singleShot(tries == 100 ? 0 : 10, [answer, tries] {
            if (auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget()))
                answer(*dialog);
            else if (tries > 0)
                answerDialog(answer, tries - 1);
            else
                ADD_FAILURE() << "the dialog did not open";
        });
    }
    static const SysexCatalogueEntry& catalogued(std::string_view area, std::string_view name)
    {
        static const std::vector<SysexCatalogueEntry> entries = sysexCatalogue(nullptr);
        for (const SysexCatalogueEntry& entry : entries)
            if (entry.area == area && (name.empty() || entry.name == name))
                return entry;
        ADD_FAILURE() << area << " " << name;
        return entries.front();
    }

    GuiRun run;
};

TEST_F(ListEditorTest, TheCommandOpensItBelowTheTrackAreaOnTheCursorTrackAndClosesIt)
{
    CListEditor& list = openOn(2);
    EXPECT_TRUE(frame().action(CommandId::ListEditor)->isChecked());
    EXPECT_EQ(list.track(), 2);
    EXPECT_EQ(list.model().rowCount(), track(2).eventCount());
    EXPECT_EQ(frame().state().foreground, ForegroundEditor::ListEditor);
    EXPECT_TRUE(list.isVisible());
    EXPECT_GT(list.geometry().top(), frame().trackArea()->geometry().top());
    EXPECT_GT(list.height(), 100);
    EXPECT_EQ(list.model().data(list.model().index(0, static_cast<int>(ListColumn::Position)), Qt::DisplayRole)
                  .toString()
                  .toStdString(),
              "0001:01:000");
    // With the list in front the track area's own edits are grayed.
    EXPECT_FALSE(frame().action(CommandId::Quantize)->isEnabled());

    // Column widths come from the settings and go back into them; a default width shows
    // the whole header.
    const int positionHeader = list.horizontalHeader()->fontMetrics().horizontalAdvance("Meas:Beat:Tick");
    EXPECT_GT(list.columnWidth(static_cast<int>(ListColumn::Position)), std::max(90, positionHeader));
    list.setColumnWidth(static_cast<int>(ListColumn::Detail), 333);
    EXPECT_EQ(frame().engine().settings.display.listeditorcellwidth[static_cast<std::size_t>(
                  listColumnWidthSlot(ListColumn::Detail))],
              333);
    // A click into the track area brings it to the front.
    QTest::mouseClick(frame().trackArea(), Qt::LeftButton, Qt::NoModifier, frame().trackArea()->blockCentre(2, 3));
    settle();
    EXPECT_EQ(frame().state().foreground, ForegroundEditor::TrackArea);
    EXPECT_TRUE(frame().action(CommandId::Quantize)->isEnabled());

    frame().action(CommandId::ListEditor)->trigger();
    settle();
    EXPECT_EQ(frame().listEditor(), nullptr);
    EXPECT_FALSE(frame().action(CommandId::ListEditor)->isChecked());
    EXPECT_EQ(frame().state().foreground, ForegroundEditor::TrackArea);
    EXPECT_EQ(frame().trackArea()->maximumHeight(), QWIDGETSIZE_MAX);
    // Opened again, the width the user chose is kept as it is.
    frame().action(CommandId::ListEditor)->trigger();
    settle();
    ASSERT_NE(frame().listEditor(), nullptr);
    EXPECT_EQ(frame().listEditor()->columnWidth(static_cast<int>(ListColumn::Detail)), 333);
    frame().action(CommandId::ListEditor)->trigger();
    settle();
    EXPECT_TRUE(prompt.messages.empty());
    prompt.answers = {PromptAnswer::No};
    ASSERT_TRUE(finish(run));
    EXPECT_EQ(stored("Display", "listeditorwasopeninlastsession"), "n");
}

TEST_F(ListEditorTest, AnEditorOpenAtExitComesBackAtTheNextStartBehindTheTrackArea)
{
    openOn(0);
    prompt.answers = {PromptAnswer::No};
    ASSERT_TRUE(finish(run));
    EXPECT_EQ(stored("Display", "listeditorwasopeninlastsession"), "y");

    run = start();
    ASSERT_TRUE(run.started);
    ASSERT_NE(frame().listEditor(), nullptr);
    EXPECT_TRUE(frame().action(CommandId::ListEditor)->isChecked());
    // The keys stay with the track area until the user turns to the list.
    EXPECT_EQ(frame().state().foreground, ForegroundEditor::TrackArea);
}

TEST_F(ListEditorTest, OnlyThePaintedSysexRowsAreDecodedAndAnotherTrackStartsAfresh)
{
    Track& many = track(20);
    const SysexCatalogueEntry& volume = catalogued("System", "master volume");
    for (int i = 0; i < 2000; ++i)
        many.append(MidiEvent::sysexEvent(i * 10, volume.message));
    CListEditor& list = openOn(20);
    QImage image(list.size(), QImage::Format_ARGB32_Premultiplied);
    list.render(&image);
    const int painted = list.model().decodedCount();
    EXPECT_GT(painted, 0);
    EXPECT_LT(painted, 200);
    press(Qt::Key_End, Qt::ControlModifier);
    list.render(&image);
    EXPECT_GT(list.model().decodedCount(), painted);
    EXPECT_LT(list.model().decodedCount(), 400);
    list.showTrack(2);
    EXPECT_EQ(list.model().decodedCount(), 0);
}

TEST_F(ListEditorTest, ArrowsMoveTheRowCtrlTabSwitchesEditorsAndTheListFollowsTheCursorTrack)
{
    CListEditor& list = openOn(1);
    ASSERT_GE(list.model().rowCount(), 10);
    EXPECT_EQ(list.currentRow(), 0);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(list.currentRow(), 2);
    press(Qt::Key_Up);
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(frame().state().cursorTrack, 1); // the track area's cursor stayed

    press(Qt::Key_Down, Qt::ShiftModifier);
    press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(list.selectedRows(), (std::vector<int>{1, 2, 3}));
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(static_cast<int>(list.selectedRows().size()), list.model().rowCount());

    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(frame().state().foreground, ForegroundEditor::TrackArea);
    press(Qt::Key_Down);
    EXPECT_EQ(frame().state().cursorTrack, 2);
    EXPECT_EQ(list.track(), 2);
    EXPECT_EQ(list.model().rowCount(), track(2).eventCount());
    EXPECT_EQ(list.currentRow(), 0);

    frame().state().mouseTool = std::string(kToolPen);
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(frame().state().foreground, ForegroundEditor::ListEditor);
    EXPECT_EQ(frame().state().mouseTool, kToolArrow);
    press(Qt::Key_Down);
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(frame().state().cursorTrack, 2);
}

TEST_F(ListEditorTest, AVelocityEditIsAppliedAndAPitchBendOf8192IsRefusedWithItsMessage)
{
    CListEditor& list = openOn(1);
    int noteRow = -1;
    for (int row = 0; row <= track(1).lastIndex() && noteRow < 0; ++row)
        if (track(1).event(row).kind() == EventKind::Note)
            noteRow = row;
    ASSERT_GE(noteRow, 0);
    QWidget* editor = editCell(list, noteRow, ListColumn::Value);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(frame().state().listCellEditing);
    typeAndAccept(editor, "77");
    EXPECT_FALSE(frame().state().listCellEditing);
    EXPECT_EQ(track(1).event(noteRow).data2, 77);
    EXPECT_EQ(list.currentRow(), noteRow);
    EXPECT_EQ(list.currentIndex().column(), static_cast<int>(ListColumn::Value)); // ready for the next F2
    ASSERT_FALSE(frame().undoStack().empty());
    EXPECT_EQ(frame().undoStack().descriptions().back(), "List editor: noteon velocity");
    EXPECT_EQ(list.model().data(list.model().index(noteRow, static_cast<int>(ListColumn::Value)), Qt::DisplayRole)
                  .toString()
                  .toStdString(),
              "77");

    const int bendRow = add(list, 1, MidiEvent::channelEvent(5, 0xE0, 0, 0x40));
    const MidiEvent before = track(1).event(bendRow);
    const int steps = frame().undoStack().size();
    editor = editCell(list, bendRow, ListColumn::Value);
    ASSERT_NE(editor, nullptr);
    typeAndAccept(editor, "8192");
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text, ListEditorMessage::PitchBend);
    EXPECT_EQ(prompt.messages[0].title, ListEditorMessage::PitchBendTitle);
    EXPECT_EQ(track(1).event(bendRow), before);
    EXPECT_EQ(frame().undoStack().size(), steps);

    editor = editCell(list, bendRow, ListColumn::Value);
    ASSERT_NE(editor, nullptr);
    typeAndAccept(editor, "8191");
    EXPECT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(track(1).event(bendRow).data1, 0x7F);
    EXPECT_EQ(track(1).event(bendRow).data2, 0x7F);
}

TEST_F(ListEditorTest, ListCellsTakeAChosenEntryOrATypedOne)
{
    CListEditor& list = openOn(1);
    const int controllerRow = 2; // Channel Volume
    ASSERT_EQ(track(1).event(controllerRow).kind(), EventKind::Controller);
    auto* status = qobject_cast<QComboBox*>(editCell(list, controllerRow, ListColumn::Status));
    ASSERT_NE(status, nullptr);
    EXPECT_FALSE(status->isEditable());
    const int bend = status->findText("Pitch bend");
    ASSERT_GE(bend, 0);
    status->setCurrentIndex(bend);
    QTest::keyClick(status, Qt::Key_Return);
    settle();
    EXPECT_EQ(track(1).event(controllerRow).kind(), EventKind::PitchBend);
    EXPECT_EQ(frame().undoStack().descriptions().back(), "List editor: Status byte");

    // A note's key is a list of the key mode's names that also takes a typed one.
    const int noteRow = 7;
    ASSERT_EQ(track(1).event(noteRow).kind(), EventKind::Note);
    auto* key = qobject_cast<QComboBox*>(editCell(list, noteRow, ListColumn::Key));
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->isEditable());
    typeAndAccept(key->lineEdit(), "E5");
    EXPECT_EQ(track(1).event(noteRow).data1, 64);
    key = qobject_cast<QComboBox*>(editCell(list, noteRow, ListColumn::Key));
    ASSERT_NE(key, nullptr);
    typeAndAccept(key->lineEdit(), "H5");
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].title, ListEditorMessage::MajorKeysTitle); // the demo is in G major
    EXPECT_EQ(track(1).event(noteRow).data1, 64);
}

TEST_F(ListEditorTest, WhileACellIsEditedNoAcceleratorActsAndEscCancels)
{
    CListEditor& list = openOn(0);
    const int textRow = 3; // the marker "Verse"
    ASSERT_EQ(track(0).event(textRow).kind(), EventKind::Marker);
    QWidget* editor = editCell(list, textRow, ListColumn::Detail);
    if (!editor)
        editor = editCell(list, textRow, ListColumn::Value);
    ASSERT_NE(editor, nullptr);
    const int steps = frame().undoStack().size();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "Fir");
    QTest::keyClick(editor, Qt::Key_Space); // not Play
    QTest::keyClicks(editor, "verse");
    QTest::keyClick(editor, Qt::Key_Down); // not the next row
    settle();
    EXPECT_FALSE(frame().controller().runExists());
    EXPECT_EQ(list.currentRow(), textRow);
    EXPECT_TRUE(list.cellEditing());
    frame().action(CommandId::Undo)->trigger(); // the menu's Undo is declined too
    settle();
    EXPECT_EQ(frame().undoStack().size(), steps);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(*track(0).event(textRow).text, "Fir verse");
    EXPECT_EQ(frame().undoStack().descriptions().back(), "List editor: META text");

    editor = editCell(list, textRow, ListColumn::Position);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "0009");
    QTest::keyClick(editor, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(list.cellEditing());
    EXPECT_EQ(track(0).event(textRow).tick, 3360);
    EXPECT_EQ(frame().undoStack().size(), steps + 1);
}

TEST_F(ListEditorTest, DelOnThreeSelectedRowsInsAndUndo)
{
    CListEditor& list = openOn(2);
    ASSERT_GE(track(2).eventCount(), 12);
    const std::vector<std::uint8_t> original = bytes();
    const MidiEvent follower = track(2).event(10);
    const int count = track(2).eventCount();
    click(list, 4, ListColumn::Status);
    click(list, 5, ListColumn::Status, Qt::ControlModifier);
    click(list, 9, ListColumn::Status, Qt::ControlModifier);
    EXPECT_EQ(list.selectedRows(), (std::vector<int>{4, 5, 9}));
    press(Qt::Key_Delete);
    EXPECT_EQ(track(2).eventCount(), count - 3);
    EXPECT_EQ(list.model().rowCount(), count - 3);
    EXPECT_EQ(list.currentRow(), 7);
    EXPECT_EQ(list.selectedRows(), (std::vector<int>{7}));
    EXPECT_EQ(track(2).event(7), follower);
    EXPECT_EQ(frame().undoStack().descriptions().back(), "List editor: Delete MIDI event");

    const std::vector<std::uint8_t> afterDelete = bytes();
    press(Qt::Key_Insert);
    EXPECT_EQ(track(2).eventCount(), count - 2);
    EXPECT_EQ(list.currentRow(), 8);
    EXPECT_EQ(track(2).event(8), track(2).event(7));
    EXPECT_EQ(frame().undoStack().descriptions().back(), "List editor: Insert MIDI event");

    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(bytes(), afterDelete);
    EXPECT_EQ(list.model().rowCount(), count - 3);
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(bytes(), original);
    EXPECT_EQ(list.model().rowCount(), count);
}

TEST_F(ListEditorTest, WhileARunPlaysCellsAreReadOnlyAndInsDelAreGrayed)
{
    CListEditor& list = openOn(2);
    const std::vector<std::uint8_t> before = bytes();
    click(list, 3, ListColumn::Value);
    frame().runCommand(CommandId::Play);
    settle();
    ASSERT_TRUE(frame().controller().runExists());
    EXPECT_FALSE(list.editable());
    EXPECT_FALSE(frame().action(CommandId::Delete)->isEnabled());
    EXPECT_FALSE(frame().action(CommandId::Insert)->isEnabled());
    press(Qt::Key_F2);
    EXPECT_FALSE(list.cellEditing());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(list, 3, ListColumn::Value));
    settle();
    EXPECT_FALSE(list.cellEditing());
    list.command(CommandId::Delete);
    list.command(CommandId::Insert);
    EXPECT_EQ(bytes(), before);

    // Playback moves the current row, once a frame however many ticks were posted.
    int moves = 0;
    QObject::connect(list.selectionModel(), &QItemSelectionModel::currentRowChanged, [&moves] { ++moves; });
    const std::int32_t tick = track(2).event(20).tick;
    for (std::int32_t t = tick - 30; t <= tick; ++t)
        frame().notifier().post(kPlayListPositionMessage, static_cast<std::uintptr_t>(t), 0);
    settle();
    EXPECT_EQ(moves, 0);
    QTest::qWait(CListEditor::kFollowInterval * 3);
    settle();
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(track(2).event(list.currentRow()).tick, tick);

    frame().runCommand(CommandId::Stop);
    runUntilEnded(run);
    EXPECT_TRUE(list.editable());
    EXPECT_TRUE(frame().action(CommandId::Delete)->isEnabled());
}

TEST_F(ListEditorTest, TheGsToneNumberDialogReencodesBankAndProgram)
{
    CListEditor& list = openOn(0);
    const SysexCatalogueEntry& tone = catalogued("Part parameters", "tone number");
    const int row = add(list, 0, MidiEvent::sysexEvent(10, tone.message));
    click(list, row, ListColumn::Value); // the dialog is answered once F2 opens it
    answerDialog<CListEditorGSTonenumber>([](CListEditorGSTonenumber& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "GS Sysex Part tone number selection");
        dialog.bank()->setCurrentIndex(8);
        dialog.program()->setCurrentIndex(5);
        dialog.accept();
    });
    press(Qt::Key_F2);
    EXPECT_FALSE(list.cellEditing());
    const std::vector<std::uint8_t>& stored = *track(0).event(row).sysex;
    const DecodedSysex decoded = decodeSysex(stored, nullptr);
    EXPECT_EQ(decoded.value, 8 * 128 + 5);
    EXPECT_EQ(decoded.checksum, GsChecksumState::Right);
    EXPECT_EQ(frame().undoStack().descriptions().back(), "List editor: Sysex value");
}

TEST_F(ListEditorTest, TheKeyBasedControllerDialogAddsChangesAndRemovesPairs)
{
    CListEditor& list = openOn(0);
    const SysexCatalogueEntry& keyBased = catalogued("Key-based instr. controller", "");
    const int row = add(list, 0, MidiEvent::sysexEvent(10, keyBased.message));
    const DecodedSysex old = decodeSysex(*track(0).event(row).sysex, nullptr);
    ASSERT_EQ(old.keyBased.pairs.size(), 1U);
    click(list, row, ListColumn::Value); // the dialog is answered once F2 opens it
    answerDialog<CListEditorKeybInstrContrEditor>([this](CListEditorKeybInstrContrEditor& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Keybased instr. contr.");
        EXPECT_FALSE(dialog.removeButton()->isEnabled()); // the last pair stays
        dialog.key()->setCurrentIndex(38);
        dialog.controller()->setCurrentIndex(dialog.controller()->findData(10));
        dialog.value()->setText("128");
        dialog.addButton()->click();
        EXPECT_EQ(prompt.messages.size(), 1U); // "Allowed are 0 to 127"
        EXPECT_EQ(dialog.pairs().size(), 1U);
        dialog.value()->setText("100");
        dialog.addButton()->click();
        ASSERT_EQ(dialog.pairs().size(), 2U);
        dialog.pairList()->setCurrentItem(dialog.pairList()->topLevelItem(0));
        dialog.removeButton()->click();
        dialog.accept();
    });
    press(Qt::Key_F2);
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text, "Allowed are 0 to 127");
    const DecodedSysex decoded = decodeSysex(*track(0).event(row).sysex, nullptr);
    EXPECT_EQ(decoded.keyBased.channel, old.keyBased.channel);
    EXPECT_EQ(decoded.keyBased.key, 38);
    ASSERT_EQ(decoded.keyBased.pairs.size(), 1U);
    EXPECT_EQ(decoded.keyBased.pairs[0].controller, 10);
    EXPECT_EQ(decoded.keyBased.pairs[0].value, 100);
}

TEST_F(ListEditorTest, GlobalParameterControlIsRefusedWithoutGm2OrSlotPathsAndEditsItsGroups)
{
    CListEditor& list = openOn(0);
    const SysexCatalogueEntry& gpc = catalogued("Global parameter control", "");
    const int row = add(list, 0, MidiEvent::sysexEvent(10, gpc.message));
    OutputDevice* device = const_cast<OutputDevice*>(list.model().device());
    ASSERT_NE(device, nullptr);
    const std::vector<std::uint8_t> original = *track(0).event(row).sysex;

    device->gm2Supported = false;
    EXPECT_EQ(editCell(list, row, ListColumn::Value), nullptr);
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].text,
              "Global parameter control only editable if device '" + device->name + "' would support MIDI mode GM2.");
    EXPECT_EQ(prompt.messages[0].title, "List editor");

    device->gm2Supported = true;
    device->slotPaths.clear();
    editCell(list, row, ListColumn::Value);
    ASSERT_EQ(prompt.messages.size(), 2U);
    EXPECT_EQ(prompt.messages[1].text, "No slotpathes defined for device '" + device->name + "'.");
    EXPECT_EQ(*track(0).event(row).sysex, original);

    device->slotPaths = defaultSlotPaths();
    list.refreshRows();
    click(list, row, ListColumn::Value); // the dialog is answered once F2 opens it
    answerDialog<CListEditorGlobalParContrEditor>([](CListEditorGlobalParContrEditor& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Global parameter control");
        ASSERT_GT(dialog.parameter()->count(), 0);
        ASSERT_FALSE(dialog.groups().empty()); // the stored message's group
        const std::size_t groups = dialog.groups().size();
        dialog.parameter()->setCurrentIndex(dialog.parameter()->count() - 1);
        if (dialog.valueChoice()->isVisibleTo(&dialog))
            dialog.valueChoice()->setCurrentIndex(dialog.valueChoice()->count() - 1);
        else
            dialog.valueEdit()->setText("5");
        dialog.addButton()->click();
        EXPECT_EQ(dialog.groups().size(), groups + 1);
        dialog.accept();
    });
    press(Qt::Key_F2);
    EXPECT_EQ(prompt.messages.size(), 2U);
    const DecodedSysex decoded = decodeSysex(*track(0).event(row).sysex, device);
    EXPECT_EQ(decoded.gpc.groups.size(), decodeSysex(original, device).gpc.groups.size() + 1);
    EXPECT_EQ(frame().undoStack().descriptions().back(), "List editor: Sysex value");
}

TEST_F(ListEditorTest, TheBrowseDialogFromShiftF10InsertsBehindTheCurrentRowAtItsTick)
{
    CListEditor& list = openOn(0);
    click(list, 3, ListColumn::Status);
    const std::int32_t tick = track(0).event(3).tick;
    const int count = track(0).eventCount();
    std::vector<std::uint8_t> chosen;
    // The context menu's one entry, then the dialog.
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 1);
        menu->setActiveAction(menu->actions().front());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    answerDialog<SysexbrowseDlg>([&chosen](SysexbrowseDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Browse Sysex message");
        dialog.family()->setCurrentIndex(1); // "Non-universal GS"
        ASSERT_GT(dialog.messages()->count(), 0);
        dialog.messages()->setCurrentRow(dialog.messages()->count() - 1);
        dialog.accept();
        chosen = dialog.message();
    });
    press(Qt::Key_F10, Qt::ShiftModifier);
    settle();
    ASSERT_FALSE(chosen.empty());
    ASSERT_EQ(track(0).eventCount(), count + 1);
    EXPECT_EQ(list.currentRow(), 4);
    EXPECT_EQ(track(0).event(4).tick, tick);
    EXPECT_EQ(*track(0).event(4).sysex, chosen);
    EXPECT_EQ(frame().undoStack().descriptions().back(), "List editor: Insert MIDI event");
}

} // namespace
} // namespace velisto::test
