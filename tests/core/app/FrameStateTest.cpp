#include "app/FrameState.h"

#include "app/UserPrompt.h"
#include "core/app/AppTestSupport.h"
#include "edit/Clipboard.h"
#include "edit/UndoStack.h"
#include "song/Song.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

namespace velisto {
namespace {

namespace fs = std::filesystem;
using namespace CommandId;

std::set<unsigned> grayedSet(const MenuState& state) { return {state.grayed.begin(), state.grayed.end()}; }

class MenuStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = test::freshTestFolder("velisto-menu-test-");
        undo_ = std::make_unique<UndoStack>(folder_);
        song_->tracks[2].append(MidiEvent::note(0, 0, 60, 100, 60));
    }
    void TearDown() override
    {
        undo_.reset();
        fs::remove_all(folder_);
    }

    void fillClipboard() { ASSERT_TRUE(clipboard_.copy(*song_, {2, 2, 0, 0})); }

    fs::path folder_;
    std::unique_ptr<Song> song_ = std::make_unique<Song>();
    std::unique_ptr<UndoStack> undo_;
    Clipboard clipboard_;
    SilentPrompt prompt_;
    FrameState frame_;
};

TEST_F(MenuStateTest, IdleWithNothingToUndoOrPasteGraysOnlyThoseTwo)
{
    const MenuState state = menuState(frame_, false, *undo_, clipboard_);
    EXPECT_EQ(grayedSet(state), (std::set<unsigned>{Undo, Paste}));
    EXPECT_EQ(state.undoText, "&Undo\tCtrl+Z");
    EXPECT_TRUE(state.enabled(Play));
    EXPECT_TRUE(state.enabled(New));
}

TEST_F(MenuStateTest, UndoNamesTheNewestStepAndIsGrayedOnlyWhileRunning)
{
    ASSERT_TRUE(undo_->record(*song_, "Quantize", prompt_));
    ASSERT_TRUE(undo_->record(*song_, "Insert Track", prompt_));
    MenuState state = menuState(frame_, false, *undo_, clipboard_);
    EXPECT_EQ(state.undoText, "&Undo Insert Track\tCtrl+Z");
    EXPECT_TRUE(state.enabled(Undo));

    state = menuState(frame_, true, *undo_, clipboard_);
    EXPECT_EQ(state.undoText, "&Undo Insert Track\tCtrl+Z");
    EXPECT_FALSE(state.enabled(Undo));

    ASSERT_EQ(undo_->undo(*song_, prompt_), UndoOutcome::Undone);
    EXPECT_EQ(menuState(frame_, false, *undo_, clipboard_).undoText, "&Undo Quantize\tCtrl+Z");
}

TEST_F(MenuStateTest, ARunGraysEveryCommandThatActsOnTheSongButPlay)
{
    fillClipboard();
    ASSERT_TRUE(undo_->record(*song_, "Move", prompt_));
    const std::set<unsigned> whileRunning{
        PlayLoop,   Rewind,           Record,         Undo,          Paste,       New,         Open,
        Save,       SaveAs,           CheckSequence,  Delete,        Insert,      Cut,         Copy,
        SelectAll,  SelectToRightEnd, SelectToBottom, SelectNone,    Quantize,    Pitch,       Move,
        Notelength, Channel,          Velocity,       SplitChannels, InsertTrack, DeleteTrack, CommandId::Settings,
        About,      DirectSoundDevice};
    const MenuState state = menuState(frame_, true, *undo_, clipboard_);
    EXPECT_EQ(grayedSet(state), whileRunning);
    for (unsigned id : {Play, Stop, Forward, ViewStatus, VirtualKeyboard, ListEditor, Exit})
        EXPECT_TRUE(state.enabled(id)) << id;

    EXPECT_TRUE(menuState(frame_, false, *undo_, clipboard_).grayed.empty());
}

TEST_F(MenuStateTest, PasteFollowsTheClipboardAndTheListEditorGraysTrackAreaEdits)
{
    fillClipboard();
    EXPECT_TRUE(menuState(frame_, false, *undo_, clipboard_).enabled(Paste));

    frame_.foreground = ForegroundEditor::ListEditor;
    const std::set<unsigned> inListEditor{Undo,           Paste,    Cut,           Copy,        SelectToRightEnd,
                                          SelectToBottom, Quantize, Pitch,         Move,        Velocity,
                                          Notelength,     Channel,  SplitChannels, InsertTrack, DeleteTrack};
    const MenuState state = menuState(frame_, false, *undo_, clipboard_);
    EXPECT_EQ(grayedSet(state), inListEditor);
    for (unsigned id : {Delete, Insert, SelectAll, SelectNone, Play})
        EXPECT_TRUE(state.enabled(id)) << id;

    clipboard_.clear();
    frame_.foreground = ForegroundEditor::TrackArea;
    EXPECT_FALSE(menuState(frame_, false, *undo_, clipboard_).enabled(Paste));
}

TEST(FrameStateTest, TitleShowsTheFileAndTheFirstModification)
{
    FrameState frame;
    EXPECT_EQ(windowTitle(frame), "Velisto");
    EXPECT_TRUE(markModified(frame));
    EXPECT_EQ(windowTitle(frame), "Velisto *");

    frame.modified = false;
    frame.fileName = "song.mid";
    EXPECT_EQ(windowTitle(frame), "Velisto [song.mid]");
    EXPECT_TRUE(markModified(frame));
    EXPECT_FALSE(markModified(frame));
    EXPECT_EQ(windowTitle(frame), "Velisto [song.mid] *");
}

TEST(FrameStateTest, SelectionTextCountsFromOneAndNamesRangesOnlyWhenWide)
{
    EXPECT_EQ(selectionToolbarText(std::nullopt), "- no Selection -");
    EXPECT_EQ(selectionToolbarText(Selection{2, 2, 4, 4}), "Track 3, measure 5");
    EXPECT_EQ(selectionToolbarText(Selection{0, 3, 1, 8}), "Tracks 1 - 4, measures 2 - 9");
    EXPECT_EQ(selectionToolbarText(Selection{255, 255, 0, 1}), "Track 256, measures 1 - 2");
}

TEST(FrameStateTest, AnActiveWaveEditorTakesItsEditCommandsButNotARunsUndo)
{
    for (unsigned id : {Delete, Cut, Copy, Paste, Undo}) {
        EXPECT_EQ(routeCommand(id, true, false), CommandRoute::WaveEditor) << id;
        EXPECT_EQ(routeCommand(id, false, false), CommandRoute::Frame) << id;
    }
    EXPECT_EQ(routeCommand(Undo, true, true), CommandRoute::Frame);
    EXPECT_EQ(routeCommand(SelectAll, true, false), CommandRoute::Frame);
    EXPECT_EQ(routeCommand(Play, true, false), CommandRoute::Frame);
}

TEST(FrameStateTest, PlayStartsAtTheCursorOrTheSelectionsStart)
{
    auto song = std::make_unique<Song>();
    song->setMeterAtMeasure(2, 3, 4); // measures 0 and 1 of 4/4, then 3/4
    FrameState frame;
    frame.cursorMeasure = 3;
    frame.cursorTrack = 9;
    PlayPosition position = playPosition(frame, *song);
    EXPECT_EQ(position.cursorTick, 2 * 480 + 360);
    EXPECT_FALSE(position.selection);

    frame.selection = Selection{4, 6, 1, 2};
    position = playPosition(frame, *song);
    EXPECT_EQ(frame.cursorTrack, 4);
    EXPECT_EQ(frame.cursorMeasure, 1);
    EXPECT_EQ(position.cursorTick, 480);
    ASSERT_TRUE(position.selection);
    EXPECT_EQ(position.selection->start, 480);
    EXPECT_EQ(position.selection->end, 2 * 480 + 360);
}

} // namespace
} // namespace velisto
