// The output monitor window, the dialog-sounds device dialog, the instrument group editor,
// the content window and the generator's load action, as the user reaches them from the
// main window (loopback ports, null audio, scripted prompt and file dialogs).
#include "gui/GuiTestSupport.h"

#include "app/CommandIds.h"
#include "audio/GeneratorAudio.h"
#include "core/sampler/SamplerTestSupport.h"
#include "devices/CDirectXAudioDevice.h"
#include "devices/CIgrContent.h"
#include "devices/CInstrumentGroupFileEditor.h"
#include "devices/COutputMonitor.h"
#include "devices/GeneratorActions.h"
#include "edit/Selection.h"
#include "midi/DeviceTable.h"
#include "sampler/AudioDeviceList.h"
#include "sampler/Sampler.h"
#include "song/Song.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <thread>

namespace velisto::test {
namespace {

std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class CDevicesDialogsTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        quietDemo();
        run = start();
        ASSERT_TRUE(run.started);
        samples = folder / "samples";
        std::filesystem::create_directories(samples);
        writeSample("a.wav", 60);
        writeSample("b.wav", 72);
    }
    void TearDown() override
    {
        if (run.app && run.app->frame() && run.app->frame()->isVisible()) {
            prompt.answers = {PromptAnswer::No, PromptAnswer::No, PromptAnswer::No};
            finish(run);
        }
    }

    CMainFrame& frame() { return run.frame(); }
    GeneratorActions& actions() { return frame().generatorActions(); }
    void writeSample(const std::string& name, int key)
    {
        std::ofstream(samples / name, std::ios::binary) << sampleFile({sine(2000, 100), 1, key, std::nullopt});
    }
    std::filesystem::path writeGroup(const std::string& name, const std::map<int, std::string>& programs,
                                     const std::map<int, std::string>& drums = {})
    {
        const std::filesystem::path path = samples / name;
        std::ofstream(path, std::ios::binary) << igrImage(programs, drums);
        return path;
    }
    Sampler& generator()
    {
        DeviceTable& table = frame().engine().table;
        if (!table.device(DeviceTable::kGeneratorIndex).isOpen()) {
            EXPECT_EQ(table.open(DeviceTable::kGeneratorIndex), "");
        }
        Sampler* sampler = frame().engine().generatorAudio->sampler();
        EXPECT_NE(sampler, nullptr);
        sampler->waitForContent();
        return *sampler;
    }
    CInstrumentGroupFileEditor& editor()
    {
        frame().runCommand(CommandId::IgrEditor);
        settle();
        CInstrumentGroupFileEditor* editor = actions().igrEditor();
        EXPECT_NE(editor, nullptr);
        return *editor;
    }
    static void click(CInstrumentGroupFileEditor& editor, const char* text)
    {
        QPushButton* button = editor.button(text);
        ASSERT_NE(button, nullptr) << text;
        button->click();
        settle();
    }
    static std::vector<std::string> rows(QListWidget* list)
    {
        std::vector<std::string> out;
        for (int i = 0; i < list->count(); ++i)
            out.push_back(list->item(i)->text().toStdString());
        return out;
    }
    void playToEnd()
    {
        // The first measure of every track.
        frame().state().selection = Selection{0, kTrackCount - 1, 0, 0};
        frame().runCommand(CommandId::Play);
        settle();
        for (int i = 0; i < 5 && frame().controller().runExists(); ++i)
            runUntilEnded(run);
        ASSERT_FALSE(frame().controller().runExists());
    }
    std::vector<std::string> prompted() const
    {
        std::vector<std::string> texts;
        for (const auto* shown : {&prompt.messages, &prompt.questions})
            for (const Shown& one : *shown)
                texts.push_back(one.text);
        return texts;
    }

    GuiRun run;
    std::filesystem::path samples;
};

// ---- output monitor ----

TEST_F(CDevicesDialogsTest, OutputMonitorLogsOnlyWhileOpenAndShowsWhatWasSent)
{
    files.answers = {folder / "demo.mid"};
    frame().runCommand(CommandId::Open);
    settle();
    OutputMonitor& log = frame().engine().monitor;
    const std::uint64_t before = log.composeCount();
    playToEnd();
    EXPECT_EQ(log.composeCount(), before) << "a closed monitor composes nothing";
    EXPECT_FALSE(frame().action(CommandId::OutputMonitor)->isChecked());

    frame().action(CommandId::OutputMonitor)->trigger();
    settle();
    COutputMonitor* window = frame().outputMonitor();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "MIDI output monitor");
    EXPECT_TRUE(frame().action(CommandId::OutputMonitor)->isChecked());
    playToEnd();
    settle();
    const QString shown = window->text();
    EXPECT_TRUE(shown.contains("STARTING ")) << shown.left(400).toStdString();
    EXPECT_GT(shown.count('\n'), 10);
    EXPECT_EQ(shown.toStdString() + "\n", [&] {
        std::string text = log.text();
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }()) << "the window holds exactly the log, appended piece by piece";

    window->clearButton()->click();
    settle();
    EXPECT_EQ(window->text(), "");

    log.addLine(-1, "no position here");
    log.addLine(0, "at the start");
    settle();
    EXPECT_EQ(window->text(), "no position here\n0001:01:000   at the start");

    // Ctrl+M: the state of every open device.
    QApplication::setActiveWindow(&frame());
    settle();
    QTest::keyClick(&frame(), Qt::Key_M, Qt::ControlModifier);
    settle();
    EXPECT_TRUE(window->text().contains("DEVICEMIDISTATES ")) << window->text().toStdString();

    window->close();
    settle();
    EXPECT_EQ(frame().outputMonitor(), nullptr);
    EXPECT_FALSE(log.active());
    EXPECT_FALSE(frame().action(CommandId::OutputMonitor)->isChecked());
}

TEST_F(CDevicesDialogsTest, OutputMonitorFollowsTheLastLineUnlessScrolledUp)
{
    frame().runCommand(CommandId::OutputMonitor);
    COutputMonitor* window = frame().outputMonitor();
    ASSERT_NE(window, nullptr);
    OutputMonitor& log = frame().engine().monitor;
    for (int i = 0; i < 300; ++i)
        log.addLine(-1, "line " + std::to_string(i));
    settle();
    QScrollBar* bar = window->textField()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(10);
    log.addLine(-1, "one more");
    settle();
    EXPECT_EQ(bar->value(), 10) << "a reader who scrolled up keeps his place";
    window->close();
}

// ---- the dialog sounds' device ----

TEST_F(CDevicesDialogsTest, ChoosingThePrimaryDeviceStoresAnEmptyGuid)
{
    Engine& engine = frame().engine();
    const auto answer = [](int index, int gain, bool ok) {
        QTimer::singleShot(0, [=] {
            auto* dialog = dynamic_cast<CDirectXAudioDevice*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->deviceBox()->setCurrentIndex(index);
            EXPECT_TRUE(dialog->capabilitiesField()->toPlainText().contains("Sec. soundbuffers with 16-bit: "));
            dialog->gainSlider()->setValue(gain);
            if (ok)
                dialog->accept();
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
        });
    };
    const std::vector<DirectSoundDevice>& devices = engine.generatorAudio->devices().devices();
    ASSERT_GE(devices.size(), 2U);

    answer(1, -4, true);
    frame().runCommand(CommandId::DirectSoundDevice);
    EXPECT_EQ(engine.settings.directX.DirectSoundDeviceDialogSoundsName, devices[1].description);
    EXPECT_EQ(engine.settings.directX.DirectSoundDeviceDialogSoundsGUID, devices[1].guidText);
    EXPECT_FALSE(devices[1].guidText.empty());
    EXPECT_TRUE(devices[1].open);
    EXPECT_EQ(engine.settings.audio.mastergain, -4);

    answer(0, -6, true);
    frame().runCommand(CommandId::DirectSoundDevice);
    EXPECT_EQ(engine.settings.directX.DirectSoundDeviceDialogSoundsName, "Primary Sounddriver");
    EXPECT_EQ(engine.settings.directX.DirectSoundDeviceDialogSoundsGUID, "");
    EXPECT_DOUBLE_EQ(engine.generatorAudio->devices().masterGainDb(), -6);

    // Cancel takes back the gain the slider let the user hear, and keeps the device.
    answer(1, 3, false);
    frame().runCommand(CommandId::DirectSoundDevice);
    EXPECT_EQ(engine.settings.directX.DirectSoundDeviceDialogSoundsName, "Primary Sounddriver");
    EXPECT_EQ(engine.settings.audio.mastergain, -6);
    EXPECT_DOUBLE_EQ(engine.generatorAudio->devices().masterGainDb(), -6);
}

// ---- instrument group editor ----

TEST_F(CDevicesDialogsTest, EditorAddsRemovesPastesAndSavesBesideItsSamples)
{
    CInstrumentGroupFileEditor& ed = editor();
    EXPECT_EQ(ed.windowTitle(), "Instrument group []");
    files.manyAnswers = {{samples / "a.wav", samples / "b.wav"}};
    click(ed, "Add samples to instrument");
    EXPECT_EQ(rows(ed.list(IgrSection::Programs)),
              (std::vector<std::string>{"a.wav, key C5, velocity 1-127", "b.wav, key C6, velocity 1-127"}));
    EXPECT_EQ(ed.directoryLine()->text().toStdString(), "Directory : " + samples.string() + "/");
    EXPECT_TRUE(ed.windowTitle().endsWith(" *"));
    ASSERT_FALSE(files.asked.empty());
    EXPECT_EQ(files.asked.back().request.filters.front().name, "16 bit uncompressed Wave files");

    ed.list(IgrSection::Programs)->item(0)->setSelected(true);
    click(ed, "Remove");
    EXPECT_EQ(rows(ed.list(IgrSection::Programs)), std::vector<std::string>{"b.wav, key C6, velocity 1-127"});

    QApplication::clipboard()->setText("a.wav;b.wav");
    click(ed, "Paste names from clipboard");
    EXPECT_EQ(ed.model().names(IgrSection::Programs), (std::vector<std::string>{"b.wav", "a.wav"}));
    EXPECT_TRUE(contains(prompted(), "b.wav already included in this instrument."));

    // The drum section has its own selector and list.
    click(ed, "+");
    EXPECT_TRUE(ed.selector(IgrSection::Programs)->text().startsWith("2 of 128 Instruments"));
    ed.model().select(IgrSection::Drums, 35);
    files.manyAnswers = {{samples / "a.wav"}};
    click(ed, "Add sample to instrument");
    EXPECT_EQ(rows(ed.list(IgrSection::Drums)), std::vector<std::string>{"a.wav, velocity 1-127"});

    // Saved elsewhere than the samples: refused, and the dialog comes again.
    std::filesystem::create_directories(folder / "elsewhere");
    files.answers = {folder / "elsewhere" / "g.igr", samples / "g"};
    const std::size_t dialogsBefore = files.asked.size();
    click(ed, "Save .igr file");
    EXPECT_EQ(files.asked.size(), dialogsBefore + 2);
    EXPECT_TRUE(contains(prompted(), ".igr file must be in the directory of the .wav files !"));
    EXPECT_FALSE(std::filesystem::exists(folder / "elsewhere" / "g.igr"));
    EXPECT_EQ(readBytes(samples / "g.igr"), igrImage({{0, "b.wav,a.wav"}}, {{35, "a.wav"}}));
    EXPECT_EQ(ed.windowTitle().toStdString(), "Instrument group [" + (samples / "g.igr").string() + "]");
}

TEST_F(CDevicesDialogsTest, EditorRoundTripsAFileAndAsksBeforeDroppingChanges)
{
    const std::filesystem::path group =
        writeGroup("round.igr", {{0, "a.wav,b.wav"}, {40, "missing.wav"}, {127, "b.wav"}}, {{36, "a.wav"}});
    const std::string original = readBytes(group);
    CInstrumentGroupFileEditor& ed = editor();
    files.answers = {group};
    click(ed, "Open .igr file");
    ed.model().select(IgrSection::Programs, 40);
    ed.step(IgrSection::Programs, 0);
    EXPECT_EQ(rows(ed.list(IgrSection::Programs)), std::vector<std::string>{"missing.wav load err"});
    click(ed, "Save .igr file");
    EXPECT_EQ(readBytes(group), original) << "opened and saved, the file is the same byte for byte";

    // A change, then closing: Cancel keeps the window and the change.
    QApplication::clipboard()->setText("c.wav");
    click(ed, "Paste names from clipboard");
    prompt.answers = {PromptAnswer::Cancel};
    ed.close();
    settle();
    ASSERT_EQ(actions().igrEditor(), &ed);
    EXPECT_TRUE(ed.isVisible());
    EXPECT_TRUE(contains(prompted(), "Save changes ?"));
    EXPECT_TRUE(ed.model().modified());
    EXPECT_EQ(readBytes(group), original);

    // Leaving the program asks too; Cancel keeps both windows.
    prompt.answers = {PromptAnswer::Cancel};
    EXPECT_FALSE(frame().close());
    settle();
    EXPECT_TRUE(ed.isVisible());

    // Yes saves first, then the window goes.
    prompt.answers = {PromptAnswer::Yes};
    ed.close();
    settle();
    EXPECT_EQ(actions().igrEditor(), nullptr);
    EXPECT_NE(readBytes(group).find("missing.wav,c.wav;"), std::string::npos);
}

TEST_F(CDevicesDialogsTest, SavingTheGroupTheGeneratorPlaysReloadsIt)
{
    const std::filesystem::path group = writeGroup("live.igr", {{0, "a.wav"}});
    Sampler& sampler = generator();
    sampler.setIgrPath(group.string());
    sampler.loadGroup(true);
    ASSERT_EQ(sampler.loadedIgrPath(), group.string());
    EXPECT_FALSE(contains(sampler.contentLines(), "Program 1 b.wav Key C6 - Velocity from 1 to 127"));

    CInstrumentGroupFileEditor& ed = editor();
    files.answers = {group};
    click(ed, "Open .igr file");
    files.manyAnswers = {{samples / "b.wav"}};
    click(ed, "Add samples to instrument");
    click(ed, "Save .igr file");
    sampler.waitForContent();
    EXPECT_TRUE(contains(sampler.contentLines(), "Program 1 b.wav Key C6 - Velocity from 1 to 127"));

    // A group the generator does not play is only written.
    const std::filesystem::path other = writeGroup("other.igr", {{0, "b.wav"}});
    files.answers = {other};
    click(ed, "Open .igr file");
    click(ed, "-");
    files.manyAnswers = {{samples / "a.wav"}};
    click(ed, "Add samples to instrument");
    click(ed, "Save .igr file");
    sampler.waitForContent();
    EXPECT_EQ(sampler.loadedIgrPath(), group.string());
    EXPECT_NE(readBytes(other).find("b.wav,a.wav;"), std::string::npos);
}

// ---- the generator's actions ----

TEST_F(CDevicesDialogsTest, ContentWindowShowsTheLoadedGroupAndTheLoadingLine)
{
    const std::filesystem::path group = writeGroup("content.igr", {{0, "a.wav"}});
    Sampler& sampler = generator();
    sampler.setIgrPath(group.string());
    sampler.loadGroup(true);
    actions().showContent(&frame());
    settle();
    CIgrContent* window = actions().contentWindow();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> lines = window->lines();
    ASSERT_GE(lines.size(), 2U);
    EXPECT_EQ(lines[0], "Sample map:");
    EXPECT_EQ(lines[1], group.string());
    EXPECT_TRUE(contains(lines, "Program 1 a.wav Key C5 - Velocity from 1 to 127"));

    // A sample that is a pipe nobody writes to holds the load at its open.
    const std::filesystem::path pipe = samples / "slow.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    sampler.setIgrPath(writeGroup("slow.igr", {{0, "slow.wav"}}).string());
    sampler.loadGroup(false);
    for (int i = 0; i < 500 && !sampler.status().busy; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    QTest::qWait(300);
    EXPECT_EQ(window->lines(),
              std::vector<std::string>{"Sample map is currently loading, please wait untill its finished."});
    { std::ofstream(pipe, std::ios::binary).flush(); }
    sampler.waitForContent();
    QTest::qWait(300);
    lines = window->lines();
    ASSERT_GE(lines.size(), 2U) << "read again when the load ended";
    EXPECT_EQ(lines[1], "--- no .igr file loaded ---");
    window->close();
}

TEST_F(CDevicesDialogsTest, LoadIgrKeepsTheCaseAndComparesWithWhatIsLoaded)
{
    Sampler& sampler = generator();
    const std::filesystem::path group = writeGroup("Mixed Case.igr", {{0, "a.wav"}});
    files.answers = {group};
    actions().loadIgrFile(&frame());
    ASSERT_FALSE(files.asked.empty());
    EXPECT_EQ(files.asked.back().request.filters.front().name, "Instrument group files");
    EXPECT_EQ(sampler.igrPath(), group.string()) << "the letter case names the file on Linux";
    sampler.waitForContent();
    EXPECT_EQ(sampler.loadedIgrPath(), group.string());

    files.answers = {group};
    actions().loadIgrFile(&frame());
    EXPECT_TRUE(sampler.status().text.starts_with(kNothingChangedText));
    EXPECT_EQ(files.asked.back().request.folder, samples.string() + "/");

    // A group that failed to load may be chosen again once it is mended.
    const std::filesystem::path broken = samples / "broken.igr";
    std::ofstream(broken, std::ios::binary) << "vlx:igr!";
    files.answers = {broken};
    actions().loadIgrFile(&frame());
    sampler.waitForContent();
    EXPECT_EQ(sampler.loadedIgrPath(), "");
    std::ofstream(broken, std::ios::binary) << igrImage({{0, "b.wav"}});
    files.answers = {broken};
    actions().loadIgrFile(&frame());
    sampler.waitForContent();
    EXPECT_EQ(sampler.loadedIgrPath(), broken.string());

    actions().releaseIgr();
    sampler.waitForContent();
    EXPECT_EQ(sampler.igrPath(), "");
    EXPECT_EQ(sampler.loadedIgrPath(), "");

    // While a song plays the action does nothing, not even its file dialog.
    files.answers = {folder / "demo.mid"};
    frame().runCommand(CommandId::Open);
    frame().state().selection = Selection{0, kTrackCount - 1, 0, 0};
    frame().runCommand(CommandId::Play);
    settle();
    ASSERT_TRUE(frame().controller().runExists());
    const std::size_t dialogs = files.asked.size();
    files.answers = {group};
    actions().loadIgrFile(&frame());
    EXPECT_EQ(files.asked.size(), dialogs);
    EXPECT_EQ(sampler.igrPath(), "");
    for (int i = 0; i < 5 && frame().controller().runExists(); ++i)
        runUntilEnded(run);

    // The choice outlives the program: the next start loads it.
    files.answers = {group};
    actions().loadIgrFile(&frame());
    sampler.waitForContent();
    prompt.answers = {PromptAnswer::No};
    ASSERT_TRUE(finish(run));
    EXPECT_EQ(stored("Audio", "igrfilepathandfilename"), group.string());
}

TEST_F(CDevicesDialogsTest, MidiToWaveWritesTheSettingsTargetAndWaitsForNoRun)
{
    Sampler& sampler = generator();
    sampler.setIgrPath(writeGroup("render.igr", {{0, "a.wav"}}).string());
    sampler.loadGroup(true);
    files.answers = {folder / "demo.mid"};
    frame().runCommand(CommandId::Open);
    // After the open: a song may name its own .wav file.
    Midi2WavSettings& target = frame().engine().settings.midi2wav;
    target.Waveoutpathname = folder.string();
    target.Waveoutfilename = "render.wav";
    const std::filesystem::path wav = folder / "render.wav";
    frame().state().selection = Selection{0, kTrackCount - 1, 0, 0};
    frame().runCommand(CommandId::Play);
    settle();
    ASSERT_TRUE(frame().controller().runExists());
    EXPECT_FALSE(actions().midiToWave(&frame()));
    EXPECT_TRUE(contains(prompted(), "MIDI to .wav can't start while a song is playing or recording."));
    EXPECT_FALSE(std::filesystem::exists(wav));
    frame().runCommand(CommandId::Stop);
    for (int i = 0; i < 5 && frame().controller().runExists(); ++i)
        runUntilEnded(run);

    ASSERT_TRUE(actions().midiToWave(&frame()));
    ASSERT_TRUE(std::filesystem::exists(wav));
    EXPECT_GT(std::filesystem::file_size(wav), 44U * 1000) << "the demo's notes rendered, not only a header";
    EXPECT_EQ(readBytes(wav).substr(0, 4), "RIFF");
}

} // namespace
} // namespace velisto::test
