// Start-up and shutdown of the whole program: what is asked, what is written, and what
// the next start finds.
#include "gui/GuiTestSupport.h"

#include "app/CommandIds.h"

#include <QAction>
#include <QScreen>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace velisto::test {
namespace {

class CVelistoAppTest : public ::testing::Test, public GuiFixture {
};

TEST_F(CVelistoAppTest, FirstStartAsksForThePortWritesDefaultsAndTheSecondStartDoesNot)
{
    inputAnswers = {1};
    GuiRun first = start();
    ASSERT_TRUE(first.started);
    EXPECT_EQ(inputQuestions, 1);
    EXPECT_TRUE(first.ports->isInputOpen(1));
    EXPECT_EQ(first.frame().windowTitle().toStdString(), "Velisto");
    EXPECT_TRUE(first.frame().statusBar()->isVisible()); // the first run's default
    ASSERT_TRUE(finish(first));
    EXPECT_EQ(stored("MIDI Input device", "devicenr"), "1");
    EXPECT_EQ(stored("General", "midithru"), "y");
    EXPECT_EQ(stored("General", "detsenddelay"), "5");
    EXPECT_EQ(stored("Display", "statusbarwasopeninlastsession"), "y");
    EXPECT_EQ(stored("Midi", "Directory"), (folder / "midi").string());

    GuiRun second = start();
    ASSERT_TRUE(second.started);
    EXPECT_EQ(inputQuestions, 1);
    EXPECT_TRUE(second.ports->isInputOpen(1));
    ASSERT_TRUE(finish(second));
}

TEST_F(CVelistoAppTest, CancellingTheInputPortQuestionEndsTheStartWithoutWriting)
{
    GuiRun run = start();
    EXPECT_FALSE(run.started);
    EXPECT_EQ(inputQuestions, 1);
    EXPECT_EQ(run.app->frame(), nullptr);
    EXPECT_TRUE(store.contents().empty());
    EXPECT_TRUE(run.app->exitInstance());
    EXPECT_TRUE(store.contents().empty());
}

TEST_F(CVelistoAppTest, APortThatFailsToOpenIsReportedAndAskedForAgain)
{
    store.writeInt("MIDI Input device", "devicenr", 0);
    preparePorts = [](LoopbackMidiPortSystem& ports) { ports.setInputOpenFailure(0, MidiOpenError::AlreadyAllocated); };
    inputAnswers = {2}; // "Pseudo if none installed"
    GuiRun run = start();
    ASSERT_TRUE(run.started);
    EXPECT_EQ(inputQuestions, 1);
    ASSERT_EQ(prompt.messages.size(), 1U);
    EXPECT_EQ(prompt.messages[0].title, "MIDI in open");
    EXPECT_NE(prompt.messages[0].text.find("Can't open MIDI input device."), std::string::npos);
    EXPECT_FALSE(run.ports->isInputOpen(0));
    EXPECT_FALSE(run.ports->isInputOpen(1));
    ASSERT_TRUE(finish(run));
    EXPECT_EQ(stored("MIDI Input device", "devicenr"), "2"); // the port count: no input
}

TEST_F(CVelistoAppTest, ViewStatusSurvivesARestart)
{
    inputAnswers = {0};
    GuiRun first = start();
    ASSERT_TRUE(first.started);
    QAction* status = first.frame().action(CommandId::ViewStatus);
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(status->isEnabled());
    EXPECT_TRUE(status->isChecked());
    status->trigger();
    EXPECT_FALSE(first.frame().statusBar()->isVisible());
    EXPECT_FALSE(status->isChecked());
    ASSERT_TRUE(finish(first));
    EXPECT_EQ(stored("Display", "statusbarwasopeninlastsession"), "n");

    GuiRun second = start();
    ASSERT_TRUE(second.started);
    EXPECT_FALSE(second.frame().statusBar()->isVisible());
    EXPECT_FALSE(second.frame().action(CommandId::ViewStatus)->isChecked());
    ASSERT_TRUE(finish(second));
}

TEST_F(CVelistoAppTest, OnlyAMaximisedWindowWritesTheLayoutKeys)
{
    store.writeInt("MIDI Input device", "devicenr", 2);
    store.writeInt("Display", "midiblockwidth", 77);
    store.writeInt("Display", "sm_cxscreen", 1);
    store.writeInt("Display", "listeditorcellwidth3", 111);

    GuiRun normal = start();
    ASSERT_TRUE(normal.started);
    EXPECT_TRUE(normal.frame().isMaximized());
    normal.frame().showNormal();
    settle();
    ASSERT_TRUE(finish(normal));
    EXPECT_EQ(stored("Display", "sm_cxscreen"), "1");
    EXPECT_EQ(stored("Display", "midiblockwidth"), "77");
    EXPECT_EQ(stored("Display", "listeditorcellwidth3"), "111");
    EXPECT_EQ(stored("MIDI Input device", "devicenr"), "2"); // the settings themselves are written

    GuiRun maximised = start();
    ASSERT_TRUE(maximised.started);
    const int screenWidth = maximised.frame().screen()->size().width();
    ASSERT_TRUE(finish(maximised));
    EXPECT_EQ(stored("Display", "sm_cxscreen"), std::to_string(screenWidth));
    EXPECT_EQ(stored("Display", "lastnumberofdevices"), "1");
    // Stored for another screen: the start computed the layout anew, and that was written.
    EXPECT_NE(stored("Display", "midiblockwidth"), "77");
    EXPECT_NE(stored("Display", "midiblockwidth"), "0");
}

TEST_F(CVelistoAppTest, TheFileNamedOnTheCommandLineIsOpenedAfterTheFirstPaintAndPlayed)
{
    std::filesystem::copy_file(VELISTO_RESOURCE_DIR "/demo/demo.mid", folder / "demo.mid");
    store.writeInt("MIDI Input device", "devicenr", 2);
    // Without its extension and in quotes, as a desktop launcher may pass it.
    GuiRun run = start({"\"" + (folder / "demo").string() + "\""});
    ASSERT_TRUE(run.started);
    run.frame().repaint();
    settle(); // the first paint posts the start-up file command
    settle(); // its timer (0 ms here) opens the file and posts Play
    settle();
    EXPECT_EQ(run.frame().windowTitle().toStdString(), "Velisto [demo.mid]");
    EXPECT_TRUE(run.frame().controller().runExists());
    EXPECT_TRUE(run.frame().state().startupFile.empty());
    run.frame().controller().playThread()->joinWorker(); // its timer runs once the receivers are adjusted
    run.frame().controller().stop();
    run.timer->advance(std::chrono::milliseconds(50));
    settle();
    EXPECT_FALSE(run.frame().controller().runExists());
    ASSERT_TRUE(finish(run));
}

} // namespace
} // namespace velisto::test
