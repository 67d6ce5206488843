// The wave editor windows: opened from the main window's menu, edited with the mouse and
// the forwarded accelerators, their dialogs, the ten-window limit, New, and a closed
// window leaving the file as the core wrote it.
#include "gui/GuiTestSupport.h"

#include "CAskFlagPosDlg.h"
#include "CNewWaveDlg.h"
#include "CStereoToMonoDlg.h"
#include "CWaveSetInfo.h"
#include "CWaveView.h"
#include "CWaveVolumeDlg.h"
#include "CWaved.h"
#include "CWavedList.h"
#include "CWorkingDlg.h"
#include "app/CommandIds.h"
#include "audio/GeneratorAudio.h"
#include "core/waveeditor/WaveEditTestSupport.h"
#include "sampler/SampleMap.h"
#include "sampler/Sampler.h"
#include "soundlib/SoundFontInstaller.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace velisto::test {
namespace {

constexpr int kFrames = 4000;

class CWavedTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        store.writeInt("MIDI Input device", "devicenr", 2); // no input port: no question
        run = start();
        ASSERT_TRUE(run.started);
        wave.bits = 16;
        wave.channels = 1;
        wave.data = rampData(kFrames * 2, 3);
        original = wave.build();
        path = folder / "tone.wav";
        writeBytes(path, original);
    }
    void TearDown() override
    {
        if (run.app && run.app->frame() && run.app->frame()->isVisible()) {
            prompt.answers = {PromptAnswer::No};
            finish(run);
        }
    }

    CMainFrame& frame() { return run.frame(); }
    // View > Wave editor, the open dialog answered with file (or cancelled).
    CWaved* openEditor(std::optional<std::filesystem::path> file)
    {
        files.answers.push_back(std::move(file));
        frame().action(CommandId::WaveEditor)->trigger();
        settle();
        CWaved* editor = frame().waveEditors().active();
        if (!editor)
            for (int digit = kMaxWaveEditors - 1; digit >= 0 && !editor; --digit)
                editor = frame().waveEditors().window(digit);
        return editor;
    }
    static void activate(CWaved& editor)
    {
        editor.activateWindow();
        QApplication::setActiveWindow(&editor);
        settle();
    }
    static void mouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::KeyboardModifiers modifiers = {})
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(&widget, &event);
    }
    static void drag(QWidget& widget, double fromX, double toX, double y)
    {
        mouse(widget, QEvent::MouseButtonPress, {fromX, y});
        mouse(widget, QEvent::MouseMove, {(fromX + toX) / 2, y});
        mouse(widget, QEvent::MouseMove, {toX, y});
        mouse(widget, QEvent::MouseButtonRelease, {toX, y});
    }
    static Bytes dataOf(const WaveFile& file)
    {
        Bytes bytes(static_cast<std::size_t>(file.dataLength()));
        EXPECT_TRUE(file.readData(file.dataStart(), bytes.data(), file.dataLength()));
        return bytes;
    }
    // Answers the next modal dialog of type Dialog with fill once it is running.
    template <typename Dialog> static void whenShown(std::function<void(Dialog&)> fill)
    {
        QTimer::singleShot(0, [fill = std::move(fill)] {
            auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            fill(*dialog);
        });
    }
    std::string lastShown() const { return prompt.messages.empty() ? "" : prompt.messages.back().text; }

    GuiRun run;
    EditorWave wave;
    Bytes original;
    std::filesystem::path path;
};

TEST_F(CWavedTest, DragCutUndoThroughTheMainWindowThenCloseGivesTheOriginalFile)
{
    const std::string waveFolder = frame().engine().settings.wave.Directory;
    CWaved* editor = openEditor(path);
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(files.asked.size(), 1U);
    EXPECT_EQ(files.asked[0].request.title, "Open wave file");
    EXPECT_EQ(files.asked[0].request.folder, waveFolder);
    EXPECT_EQ(frame().engine().settings.wave.Directory, path.parent_path().string()); // the next dialog starts there
    EXPECT_EQ(editor->windowTitle().toStdString(), "Wave editor [tone.wav] 44100 Hz 16 bit mono");
    editor->resize(900, 300);
    settle();

    CWaveView& view = *editor->view();
    const WaveViewModel& model = editor->model();
    const double ratio = view.devicePixelRatioF();
    drag(view, 100, 300, 80);
    WaveEditEngine& engine = editor->engine();
    ASSERT_TRUE(engine.hasSelection());
    const std::int64_t first = model.frameAt(100 * ratio);
    const std::int64_t last = model.frameAt(300 * ratio);
    ASSERT_LT(first, last);
    EXPECT_EQ(engine.selectionStart(), engine.wave().dataStart() + first * 2);
    EXPECT_EQ(engine.selectionEnd(), engine.wave().dataStart() + last * 2);

    // The main window's Cut reaches the active wave editor, not the song.
    activate(*editor);
    ASSERT_EQ(frame().waveEditors().active(), editor);
    EXPECT_TRUE(frame().runCommand(CommandId::Cut));
    Bytes expected = wave.data;
    expected.erase(expected.begin() + first * 2, expected.begin() + last * 2);
    EXPECT_EQ(engine.wave().frames(), kFrames - (last - first));
    EXPECT_EQ(dataOf(engine.wave()), expected);
    EXPECT_EQ(frame().waveEditors().copyBuffer().frames(), last - first);
    EXPECT_TRUE(editor->action("paste")->isEnabled());
    const std::filesystem::path undoFile = engine.undoStack().fileFor(engine.undoStack().counter() - 1);
    EXPECT_TRUE(std::filesystem::exists(undoFile));

    // Ctrl+Z as the window's own accelerator.
    activate(*editor);
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_EQ(engine.wave().frames(), kFrames);
    EXPECT_EQ(dataOf(engine.wave()), wave.data);
    EXPECT_FALSE(editor->action("undo")->isEnabled());

    editor->close();
    settle();
    EXPECT_EQ(frame().waveEditors().count(), 0);
    EXPECT_EQ(readBytes(path), original);
    EXPECT_FALSE(std::filesystem::exists(undoFile));
}

TEST_F(CWavedTest, KeysSelectAndEscDropsTheSelection)
{
    CWaved* editor = openEditor(path);
    ASSERT_NE(editor, nullptr);
    WaveEditEngine& engine = editor->engine();
    const std::int64_t start = engine.wave().dataStart();
    CWaveView& view = *editor->view();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Home);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_TRUE(engine.hasSelection());
    EXPECT_EQ(engine.selectionStart(), start);
    const auto step = std::max<std::int64_t>(1, std::llround(editor->model().framesPerPixel()));
    EXPECT_EQ(engine.selectionEnd(), start + 2 * step * 2);
    QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(engine.selectionEnd(), start + kFrames * 2);

    // Shift+click extends from the caret.
    mouse(view, QEvent::MouseButtonPress, {50, 80}, Qt::ShiftModifier);
    mouse(view, QEvent::MouseButtonRelease, {50, 80}, Qt::ShiftModifier);
    EXPECT_EQ(engine.selectionStart(), start);
    EXPECT_EQ(engine.selectionEnd(), start + editor->model().frameAt(50 * view.devicePixelRatioF()) * 2);

    // Ctrl+wheel zooms in around the frame under the mouse, which stays where it was.
    const double mouseX = 333;
    const std::int64_t underMouse = editor->model().frameAt(view.deviceX(mouseX));
    const double before = editor->model().framesPerPixel();
    QWheelEvent wheel(QPointF(mouseX, 80), view.mapToGlobal(QPointF(mouseX, 80)), QPoint(), QPoint(0, 240),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_LT(editor->model().framesPerPixel(), before);
    EXPECT_NEAR(static_cast<double>(editor->model().frameAt(view.deviceX(mouseX))), static_cast<double>(underMouse),
                editor->model().framesPerPixel() + 1);
    EXPECT_GT(editor->model().firstFrame(), 0);

    activate(*editor);
    EXPECT_TRUE(frame().runCommand(CommandId::Escape));
    EXPECT_FALSE(engine.hasSelection());
    editor->action("selectall")->trigger();
    EXPECT_EQ(engine.selectionEnd() - engine.selectionStart(), kFrames * 2);
}

TEST_F(CWavedTest, LoopFlagDraggedAndSnappedToTheSelection)
{
    CWaved* editor = openEditor(path);
    ASSERT_NE(editor, nullptr);
    editor->resize(900, 300);
    settle();
    CWaveView& view = *editor->view();
    WaveEditEngine& engine = editor->engine();
    const WaveViewModel& model = editor->model();
    const double ratio = view.devicePixelRatioF();
    const std::int64_t start = engine.wave().dataStart();
    const double flagX = model.xOf(wave.loopStart) / ratio;
    const double y = CWaveView::kFlagStripHeight / 2.0;

    // Within 10 pixels of the flag takes it; it lands on the frame under the mouse.
    drag(view, flagX + 8, flagX + 30, y);
    const std::int64_t dropped = model.frameAt((flagX + 30) * ratio);
    ASSERT_LT(dropped, wave.loopEnd);
    EXPECT_EQ(engine.wave().loopStart(), start + dropped * 2);
    EXPECT_EQ(engine.wave().loopEnd(), start + wave.loopEnd * 2);

    // Dropped near a selection edge, it takes the edge exactly.
    engine.select(start + 250 * 2, start + 1000 * 2);
    const double edgeX = model.xOf(250) / ratio;
    const double loopX = model.xOf(dropped) / ratio;
    drag(view, loopX, edgeX + 4, y);
    EXPECT_EQ(engine.wave().loopStart(), start + 250 * 2);

    // Past the loop end it is refused with the loop start message, the loop unchanged.
    const double endX = model.xOf(wave.loopEnd) / ratio;
    drag(view, model.xOf(250) / ratio, endX + 40, y);
    EXPECT_EQ(engine.wave().loopStart(), start + 250 * 2);
    EXPECT_EQ(lastShown(), "Loopstart has to be smaller than loopend !");
}

TEST_F(CWavedTest, FlagAndWaveInfoDialogsShowAndCheckTheirFields)
{
    CWaved* editor = openEditor(path);
    ASSERT_NE(editor, nullptr);
    WaveEditEngine& engine = editor->engine();
    const std::int64_t start = engine.wave().dataStart();

    CAskFlagPosDlg flags(engine, prompt, editor);
    EXPECT_EQ(flags.windowTitle(), "Enter flag's position by address");
    const QString lines = flags.positions()->text();
    EXPECT_TRUE(lines.contains(QString("Loopstart %1").arg(start + 200))) << lines.toStdString();
    EXPECT_TRUE(lines.contains(QString("Cue point #1 %1").arg(start + 400))) << lines.toStdString();
    EXPECT_TRUE(lines.contains(QString("Wave end address is %1").arg(start + kFrames * 2))) << lines.toStdString();
    EXPECT_EQ(flags.markField()->count(), 4);                    // loop start, loop end, two cues
    flags.addressField()->setText(QString::number(start + 700)); // behind the loop end
    flags.accept();
    EXPECT_NE(flags.result(), QDialog::Accepted);
    EXPECT_EQ(lastShown(), "Loopstart has to be smaller than loopend !");
    flags.markField()->setCurrentIndex(2);
    flags.addressField()->setText(QString::number(start + 31)); // rounded down to its frame
    flags.accept();
    EXPECT_EQ(flags.result(), QDialog::Accepted);
    EXPECT_EQ(engine.wave().cuePoints()[0], start + 30);

    CopyBufferOptions& options = frame().waveEditors().copyBuffer().options;
    {
        CWaveSetInfo info(engine.wave(), options, 2205, prompt, editor);
        EXPECT_EQ(info.tempoLabel()->text(), "48000.00 BPM"); // 40 quarters in 0.05 s
        EXPECT_EQ(info.keyField()->currentText(), "C5");      // the smpl chunk's key 60
        info.stretchField()->setText("0");
        info.accept();
        EXPECT_NE(info.result(), QDialog::Accepted);
        EXPECT_EQ(lastShown(), "Stretch factor must be greater than 0.");
        EXPECT_EQ(options.stretch, 1.0);
    }
    {
        CWaveSetInfo info(engine.wave(), options, 0, prompt, editor);
        EXPECT_EQ(info.tempoLabel()->text(), ""); // no selection: no tempo
        info.velocityFromField()->setText("");
        info.velocityToField()->setText("90");
        info.replicateField()->setText("3");
        info.insertField()->setChecked(false);
        info.gainField()->setValue(-12);
        info.keyField()->setCurrentIndex(info.keyField()->findText("-1"));
        info.accept();
        EXPECT_EQ(info.result(), QDialog::Accepted);
    }
    EXPECT_EQ(engine.wave().velocityLow(), -1); // an empty field clears the range
    EXPECT_EQ(engine.wave().gain(), -12);
    EXPECT_EQ(engine.wave().originalKey(), kNoOriginalKey);
    EXPECT_EQ(options.replicate, 3);
    EXPECT_FALSE(options.insert);
}

TEST_F(CWavedTest, ReferenceSoundPlaysOnTheDialogSoundsDevice)
{
    CWaved* editor = openEditor(path);
    ASSERT_NE(editor, nullptr);
    std::size_t playing = 0;
    whenShown<CWaveSetInfo>([this, &playing](CWaveSetInfo& dialog) {
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            if (button->text() == "&Reference Sound")
                button->click();
        // The rising sound lasts longer than this takes.
        playing = frame().waveEditors().sounds().reap();
        dialog.reject();
    });
    editor->action("setinfo")->trigger();
    settle();
    EXPECT_EQ(playing, 1U);
}

TEST_F(CWavedTest, TheEleventhWindowIsRefusedAndOneFileHasOneWindow)
{
    std::vector<CWaved*> editors;
    for (int i = 0; i < kMaxWaveEditors; ++i)
        editors.push_back(openEditor(std::nullopt));
    EXPECT_EQ(frame().waveEditors().count(), kMaxWaveEditors);
    EXPECT_EQ(editors[0]->windowTitle(), "Wave editor");
    // Placed at the same stored place, each steps down below the one before.
    EXPECT_EQ(editors[1]->geometry().top(), editors[0]->geometry().top() + 22);
    EXPECT_EQ(editors[2]->geometry().top(), editors[0]->geometry().top() + 44);
    frame().action(CommandId::WaveEditor)->trigger();
    settle();
    EXPECT_EQ(frame().waveEditors().count(), kMaxWaveEditors);
    EXPECT_EQ(lastShown(), "Maximum of 10 Wave-Editor windows open !");

    ASSERT_EQ(editors[3]->openFile(path), editors[3]);
    std::filesystem::create_symlink(path, folder / "link.wav");
    EXPECT_EQ(editors[5]->openFile(folder / "link.wav"), editors[3]);
    EXPECT_FALSE(editors[5]->engine().isOpen());

    const QRect place = editors[4]->normalGeometry();
    editors[4]->close();
    settle();
    EXPECT_EQ(frame().waveEditors().count(), kMaxWaveEditors - 1);
    // The closed window's place is where the next one opens.
    const DisplaySettings& display = frame().engine().settings.display;
    EXPECT_EQ(QRect(display.waveednormx, display.waveednormy, display.waveednormwidth, display.waveednormheight),
              place);
    // The freed slot takes the next window; a file already open brings its window instead.
    files.answers.push_back(path);
    frame().action(CommandId::WaveEditor)->trigger();
    settle();
    EXPECT_EQ(frame().waveEditors().window(4), nullptr);
    EXPECT_EQ(frame().waveEditors().count(), kMaxWaveEditors - 1);
}

TEST_F(CWavedTest, NewFileFromItsDialogAndPasteGrayedWithAnEmptyBuffer)
{
    CWaved* editor = openEditor(std::nullopt);
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->action("paste")->isEnabled());
    EXPECT_FALSE(editor->action("cut")->isEnabled());

    const std::filesystem::path created = folder / "new.wav";
    files.answers.push_back(created);
    whenShown<CNewWaveDlg>([](CNewWaveDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Create new .wav file");
        EXPECT_EQ(dialog.minutesField()->text(), "5");
        EXPECT_EQ(dialog.rateField()->currentText(), "44100");
        EXPECT_TRUE(dialog.stereoField()->isChecked());
        EXPECT_EQ(dialog.bitsField()->currentText(), "16");
        dialog.minutesField()->setText("1");
        dialog.rateField()->setCurrentText("22050");
        dialog.stereoField()->setChecked(false);
        dialog.bitsField()->setCurrentText("8");
        dialog.accept();
    });
    editor->action("new")->trigger();
    settle();
    ASSERT_TRUE(editor->engine().isOpen());
    EXPECT_EQ(editor->windowTitle().toStdString(), "Wave editor [new.wav] 22050 Hz 8 bit mono");
    EXPECT_EQ(editor->engine().wave().frames(), 22050 * 60);
    EXPECT_EQ(files.asked.back().request.title, "Create new .wav file");
    EXPECT_EQ(files.asked.back().request.defaultExtension, ".wav");
    // Open with an empty copy buffer: Paste stays grayed until something is copied.
    EXPECT_FALSE(editor->action("paste")->isEnabled());
    editor->action("selectall")->trigger();
    editor->action("copy")->trigger();
    settle();
    EXPECT_TRUE(editor->action("paste")->isEnabled());

    // A length outside 1..120 minutes is refused and the dialog stays.
    CNewWaveDlg dialog(prompt, editor);
    dialog.minutesField()->setText("121");
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(lastShown(), "Please enter a value between 1 and 120");
}

TEST_F(CWavedTest, StereoIntoMonoAsksOnceAndExportOntoItselfIsRefused)
{
    EditorWave stereo = wave;
    stereo.channels = 2;
    stereo.data = rampData(1000 * 4, 9);
    const std::filesystem::path stereoPath = folder / "stereo.wav";
    writeBytes(stereoPath, stereo.build());
    CWaved* source = openEditor(stereoPath);
    ASSERT_NE(source, nullptr);
    source->action("selectall")->trigger();
    source->action("copy")->trigger();
    ASSERT_EQ(frame().waveEditors().copyBuffer().channels(), 2);

    CWaved* target = openEditor(path);
    ASSERT_NE(target, nullptr);
    ASSERT_NE(target, source);
    frame().waveEditors().copyBuffer().options.insert = true;
    target->refreshActions();
    bool asked = false;
    whenShown<CStereoToMonoDlg>([&asked](CStereoToMonoDlg& dialog) {
        asked = true;
        EXPECT_EQ(dialog.windowTitle(), "Convert stereo to mono");
        for (QRadioButton* button : dialog.findChildren<QRadioButton*>())
            if (button->text() == "Use only &left channel")
                button->click();
        dialog.accept();
    });
    target->action("paste")->trigger();
    settle();
    EXPECT_TRUE(asked);
    EXPECT_EQ(frame().waveEditors().copyBuffer().options.stereoToMono, StereoToMono::Left);
    EXPECT_EQ(target->engine().wave().frames(), kFrames + 1000);
    // The answer is kept: the second paste asks nothing (a dialog would be cancelled here).
    bool askedAgain = false;
    QTimer::singleShot(0, [&askedAgain] {
        if (auto* dialog = dynamic_cast<QDialog*>(QApplication::activeModalWidget())) {
            askedAgain = true;
            dialog->reject();
        }
    });
    target->action("paste")->trigger();
    settle();
    EXPECT_FALSE(askedAgain);
    EXPECT_EQ(target->engine().wave().frames(), kFrames + 2000);

    files.answers.push_back(folder / "link-to-tone.wav");
    std::filesystem::create_symlink(path, folder / "link-to-tone.wav");
    target->action("selectall")->trigger();
    target->action("export")->trigger();
    settle();
    EXPECT_EQ(lastShown(), "Please select another name,\nnot the current wave name !");
    EXPECT_EQ(files.asked.back().request.title, "Export selection");
}

TEST_F(CWavedTest, VolumeDialogRescalesAndUndoRestores)
{
    CWaved* editor = openEditor(path);
    ASSERT_NE(editor, nullptr);
    whenShown<CWaveVolumeDlg>([](CWaveVolumeDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Volume");
        dialog.factorField()->setText("2");
        dialog.accept();
    });
    editor->action("volume")->trigger(); // no selection: all data
    settle();
    const Bytes data = dataOf(editor->engine().wave());
    // The first sample 0x1003 doubled; without a selection the last one changes too.
    EXPECT_EQ(data[0], 0x06);
    EXPECT_EQ(data[1], 0x20);
    EXPECT_NE(Bytes(data.end() - 2, data.end()), Bytes(wave.data.end() - 2, wave.data.end()));
    editor->action("undo")->trigger();
    settle();
    EXPECT_EQ(dataOf(editor->engine().wave()), wave.data);

    CWaveVolumeDlg refused(prompt, editor);
    refused.factorField()->setText("0");
    refused.accept();
    EXPECT_NE(refused.result(), QDialog::Accepted);
    EXPECT_FALSE(lastShown().empty());
}

TEST_F(CWavedTest, CancelInTheWorkingWindowStopsBeforeTheFileIsTouched)
{
    CWaved* editor = openEditor(path);
    ASSERT_NE(editor, nullptr);
    WaveEditEngine& engine = editor->engine();
    const std::int64_t start = engine.wave().dataStart();
    engine.select(start, start + 1000);
    CWorkingDlg& working = *editor->working();
    EXPECT_EQ(working.windowTitle(), "Working...");
    EXPECT_TRUE(working.isModal());
    working.start();
    working.begin(" Changing volume ...            ");
    EXPECT_EQ(working.text(), "Changing volume ...");
    working.cancelButton()->click();
    EXPECT_TRUE(working.cancelled());
    EXPECT_EQ(engine.cut(&working).status, WaveEditStatus::Cancelled);
    working.finish();
    EXPECT_EQ(dataOf(engine.wave()), wave.data);
    EXPECT_FALSE(engine.canUndo());
    // The next operation starts uncancelled.
    working.start();
    EXPECT_FALSE(working.cancelled());
    EXPECT_TRUE(engine.cut(&working).done());
    working.finish();
    EXPECT_EQ(engine.wave().frames(), kFrames - 500);
}

TEST_F(CWavedTest, SpacePlaysAndEscStopsBeforeDroppingTheSelection)
{
    CWaved* editor = openEditor(path);
    ASSERT_NE(editor, nullptr);
    editor->action("selectall")->trigger();
    editor->action("play")->trigger();
    ASSERT_TRUE(editor->playing()) << lastShown();
    editor->action("escape")->trigger();
    EXPECT_FALSE(editor->playing());
    EXPECT_TRUE(editor->engine().hasSelection());
    // A refused command changes nothing and leaves playback alone; a change stops it first.
    editor->action("play")->trigger();
    ASSERT_TRUE(editor->playing());
    editor->action("cut")->trigger();
    settle();
    EXPECT_EQ(lastShown(), "Wave file's audio data length must not be 0");
    EXPECT_TRUE(editor->playing());
    const std::int64_t start = editor->engine().wave().dataStart();
    editor->engine().select(start, start + 200);
    editor->refreshActions();
    editor->action("cut")->trigger();
    settle();
    EXPECT_FALSE(editor->playing());
    EXPECT_EQ(editor->engine().wave().frames(), kFrames - 100);
}

// The instrument group lists the tone: closing its editor reloads the generator's map.
class CWavedSampleMapTest : public CWavedTest {
protected:
    void SetUp() override
    {
        const std::filesystem::path group = folder / "group.igr";
        std::ofstream(group, std::ios::binary) << igrImage({{0, "tone.wav"}});
        store.writeString(kAudioSection, kIgrPathKey, group.string());
        CWavedTest::SetUp();
    }
    static int keyInMap()
    {
        const std::lock_guard lock(sampleMapLock());
        return sampleMap().loaded() && !sampleMap().program(0).empty() ? sampleMap().program(0)[0].key : -100;
    }
};

TEST_F(CWavedSampleMapTest, ClosingTheEditorReloadsTheMapThatListsTheFile)
{
    Engine& engine = frame().engine();
    if (!engine.table.device(1).isOpen()) {
        ASSERT_EQ(engine.table.open(1), "");
    }
    Sampler* sampler = engine.generatorAudio->sampler();
    ASSERT_NE(sampler, nullptr);
    sampler->loadGroup(true);                            // the group was read at start, before the tone was written
    ASSERT_EQ(keyInMap(), 60) << sampler->status().text; // the smpl chunk's key

    CWaved* editor = openEditor(path);
    ASSERT_NE(editor, nullptr);
    editor->engine().wave().setOriginalKey(64);
    EXPECT_EQ(keyInMap(), 60); // nothing reloads before the file is committed
    editor->close();
    settle();
    sampler->waitForContent();
    EXPECT_EQ(keyInMap(), 64);
}

} // namespace
} // namespace velisto::test
