// The main window's commands through its actions and keys: the song document with its
// titles and flags, closing with the save question, the transport and the menu state,
// recording and its undo.
#include "gui/GuiTestSupport.h"

#include "app/CommandIds.h"
#include "playback/PlayMessages.h"

#include <QAction>
#include <QApplication>
#include <QToolBar>
#include <QToolButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace velisto::test {
namespace {

using namespace std::chrono_literals;

class CMainFrameTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        quietDemo();
        run = start();
        ASSERT_TRUE(run.started);
    }
    void TearDown() override
    {
        if (run.app && run.app->frame() && run.app->frame()->isVisible()) {
            prompt.answers = {PromptAnswer::No};
            finish(run);
        }
    }

    CMainFrame& frame() { return run.frame(); }
    std::string title() { return frame().windowTitle().toStdString(); }
    bool enabled(unsigned id) { return frame().action(id)->isEnabled(); }
    void trigger(unsigned id)
    {
        frame().action(id)->trigger();
        settle();
    }
    void runUntilEnded() { GuiFixture::runUntilEnded(run); }

    GuiRun run;
};

TEST_F(CMainFrameTest, NewOpenAndSaveThroughTheActionsKeepTitleAndFlags)
{
    files.answers = {folder / "demo.mid"};
    trigger(CommandId::Open);
    ASSERT_EQ(files.asked.size(), 1U);
    EXPECT_EQ(files.asked[0].kind, ScriptedFileChooser::Kind::Open);
    EXPECT_EQ(title(), "Velisto [demo.mid]");
    EXPECT_FALSE(frame().state().modified);

    frame().notifier().post(kSongModifiedMessage, 0, 0);
    settle();
    EXPECT_EQ(title(), "Velisto [demo.mid] *");
    EXPECT_TRUE(frame().state().modified);

    const auto before = std::filesystem::last_write_time(folder / "demo.mid");
    trigger(CommandId::Save);
    EXPECT_EQ(title(), "Velisto [demo.mid]");
    EXPECT_FALSE(frame().state().modified);
    EXPECT_GE(std::filesystem::last_write_time(folder / "demo.mid"), before);

    files.answers = {folder / "copy.mid"};
    trigger(CommandId::SaveAs);
    EXPECT_TRUE(std::filesystem::exists(folder / "copy.mid"));
    EXPECT_EQ(title(), "Velisto [copy.mid]");
    EXPECT_EQ(frame().engine().settings.midi2wav.Waveoutfilename, "copy.wav");

    trigger(CommandId::New); // not modified: no question
    EXPECT_TRUE(prompt.questions.empty());
    EXPECT_EQ(title(), "Velisto");
    EXPECT_TRUE(frame().state().fileName.empty());
}

TEST_F(CMainFrameTest, OpenOnAModifiedSongAsksFirstAndCancelKeepsTheSong)
{
    files.answers = {folder / "demo.mid"};
    trigger(CommandId::Open);
    frame().notifier().post(kSongModifiedMessage, 0, 0);
    settle();
    prompt.answers = {PromptAnswer::Cancel};
    trigger(CommandId::Open);
    ASSERT_EQ(prompt.questions.size(), 1U);
    EXPECT_EQ(prompt.questions[0].text, "Save changes to demo.mid ?");
    EXPECT_EQ(files.asked.size(), 1U); // no second dialog
    EXPECT_EQ(title(), "Velisto [demo.mid] *");
}

TEST_F(CMainFrameTest, CloseWithCancelStaysOpenAndNoClosesWithoutSaving)
{
    files.answers = {folder / "demo.mid"};
    trigger(CommandId::Open);
    frame().notifier().post(kSongModifiedMessage, 0, 0);
    settle();
    prompt.answers = {PromptAnswer::Cancel};
    EXPECT_FALSE(frame().close());
    EXPECT_TRUE(frame().isVisible());
    EXPECT_FALSE(frame().state().closeInProgress);
    EXPECT_TRUE(store.contents().count("Display") == 0 || stored("Display", "sm_cxscreen") == "<missing>");

    prompt.answers = {PromptAnswer::No};
    EXPECT_TRUE(finish(run));
    EXPECT_EQ(prompt.questions.size(), 2U);
    EXPECT_NE(stored("General", "midithru"), "<missing>");
}

TEST_F(CMainFrameTest, SpacePlaysAndStopsAndTheMenuIsGrayedMeanwhile)
{
    files.answers = {folder / "demo.mid"};
    trigger(CommandId::Open);
    ASSERT_TRUE(enabled(CommandId::New));
    frame().activateWindow();
    QApplication::setActiveWindow(&frame());
    // The toolbar's buttons never take the focus, so Space reaches the window's Play.
    for (QAction* action : frame().toolbar()->actions()) {
        if (QWidget* button = frame().toolbar()->widgetForAction(action)) {
            EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
        }
    }

    QTest::keyClick(&frame(), Qt::Key_Space);
    settle();
    ASSERT_TRUE(frame().controller().runExists());
    for (unsigned id : {CommandId::New, CommandId::Open, CommandId::Save, CommandId::Record, CommandId::Settings,
                        CommandId::Undo})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(CommandId::Play));
    EXPECT_TRUE(enabled(CommandId::Stop));

    QTest::keyClick(&frame(), Qt::Key_Space);
    settle();
    runUntilEnded();
    EXPECT_FALSE(frame().controller().runExists());
    for (unsigned id : {CommandId::New, CommandId::Open, CommandId::Save, CommandId::Record, CommandId::Settings})
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_FALSE(enabled(CommandId::Undo)); // nothing to undo
}

TEST_F(CMainFrameTest, RecordWritesItsUndoEntryAndUndoTakesItBack)
{
    EXPECT_EQ(frame().action(CommandId::Undo)->text().toStdString(), "&Undo");
    trigger(CommandId::Record);
    ASSERT_TRUE(frame().controller().runExists());
    EXPECT_FALSE(enabled(CommandId::Undo)); // grayed while the run exists
    EXPECT_EQ(frame().action(CommandId::Undo)->text().toStdString(), "&Undo Record");
    trigger(CommandId::Stop);
    runUntilEnded();
    ASSERT_FALSE(frame().controller().runExists());
    EXPECT_TRUE(enabled(CommandId::Undo));

    trigger(CommandId::Undo);
    EXPECT_EQ(frame().action(CommandId::Undo)->text().toStdString(), "&Undo");
    EXPECT_FALSE(enabled(CommandId::Undo));
    EXPECT_TRUE(frame().state().modified); // an undo of a real edit changes the song
    EXPECT_EQ(title(), "Velisto *");
}

TEST_F(CMainFrameTest, ACloseWhileARunPlaysStopsTheRunFirstAndThenCloses)
{
    trigger(CommandId::Play);
    ASSERT_TRUE(frame().controller().runExists());
    EXPECT_FALSE(frame().close());
    settle(); // the posted Stop
    runUntilEnded();
    settle(); // the run's "CLOSE"
    EXPECT_FALSE(frame().isVisible());
    EXPECT_TRUE(run.app->exitInstance());
    EXPECT_EQ(stored("MIDI Input device", "devicenr"), "2");
}

TEST_F(CMainFrameTest, EveryCommandHasItsActionAndItsAccelerators)
{
    for (const CommandInfo& info : commandTable()) {
        QAction* action = frame().action(info.id);
        ASSERT_NE(action, nullptr) << info.id;
        EXPECT_EQ(action->data().toUInt(), info.id);
    }
    EXPECT_EQ(frame().action(CommandId::SelectToBottom)->shortcuts().value(0), QKeySequence("Ctrl+B"));
    EXPECT_EQ(frame().action(CommandId::SaveAs)->shortcuts().value(0), QKeySequence("Ctrl+Shift+S"));
    EXPECT_EQ(frame().action(CommandId::Properties)->shortcuts().count(QKeySequence("Ctrl+B")), 0);
}

} // namespace
} // namespace velisto::test
