#include "CWaved.h"

#include "CAskFlagPosDlg.h"
#include "CNewWaveDlg.h"
#include "CStereoToMonoDlg.h"
#include "CWaveSetInfo.h"
#include "CWaveView.h"
#include "CWaveVolumeDlg.h"
#include "CWavedList.h"
#include "CWorkingDlg.h"
#include "QtText.h"
#include "app/CommandIds.h"
#include "app/FileChooser.h"
#include "app/UserPrompt.h"
#include "audio/GeneratorAudio.h"
#include "engine/Engine.h"
#include "sampler/DialogSounds.h"
#include "sampler/SampleMap.h"
#include "sampler/Sampler.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>
#include <mutex>

namespace velisto {

namespace {

constexpr double kZoomStep = 2.0;

const std::vector<FileFilter> kOpenFilters{{"Wave files", {"*.wav", "*.WAV"}}};
const std::vector<FileFilter> kSaveFilters{{"Wave files", {"*.wav", "*.WAV"}}, {"All Files", {"*"}}};

QList<QKeySequence> keysOf(unsigned id)
{
    QList<QKeySequence> keys;
    if (const CommandInfo* info = findCommand(id))
        for (std::string_view key : info->accelerators)
            if (!key.empty())
                keys << QKeySequence(qtext(key), QKeySequence::PortableText);
    return keys;
}

// The commands the window carries out itself; the main window's other accelerators are
// passed on to it.
constexpr unsigned kOwnCommands[] = {CommandId::Undo,  CommandId::Delete,    CommandId::Cut,  CommandId::Copy,
                                     CommandId::Paste, CommandId::SelectAll, CommandId::Play, CommandId::Escape};

} // namespace

CWaved::CWaved(int digit, CWavedList& list, QWidget* owner)
    : QMainWindow(owner, Qt::Window), digit_(digit), list_(list), engine_(digit, list.copyBuffer()), playback_(*this)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QString("waveEditor%1").arg(digit));
    engine_.setBeforeChange([this] { playback_.stop(); });
    working_ = new CWorkingDlg(this);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_ = new CWaveView(engine_, model_, central);
    scrollBar_ = new QScrollBar(Qt::Horizontal, central);
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(view_, 1);
    layout->addWidget(scrollBar_);
    setCentralWidget(central);
    view_->setChangedHandler([this] { viewChanged(); });
    view_->setFlagDroppedHandler(
        [this](int mark, std::int64_t offset, bool snapped) { flagDropped(mark, offset, snapped); });
    view_->setFlagMenuHandler([this](int mark, QPoint at) { flagMenu(mark, at); });
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (value == model_.firstFrame())
            return;
        model_.scrollTo(value);
        view_->update();
    });

    buildMenus();
    forwardFrameAccelerators();
    refreshTitle();
    refreshActions();
    view_->setFocus();
}

CWaved::~CWaved()
{
    // Deleted without a close (the main window goes): the file is committed all the same.
    playback_.stop();
    if (!closed_) {
        closeFile();
        list_.closed(*this);
    }
}

QAction* CWaved::action(const std::string& name) const
{
    const auto found = actions_.find(name);
    return found == actions_.end() ? nullptr : found->second;
}

QAction* CWaved::addAction(QMenu* menu, const std::string& name, const QString& text, const QList<QKeySequence>& keys,
                           std::function<void()> handler)
{
    auto* action = new QAction(text, this);
    action->setObjectName(qtext(name));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    if (menu)
        menu->addAction(action);
    else
        QWidget::addAction(action);
    actions_[name] = action;
    return action;
}

void CWaved::buildMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    addAction(file, "open", "&Open ...", {}, [this] { openWithDialog(); });
    addAction(file, "new", "&New ...", {}, [this] { newFile(); });
    addAction(file, "export", "&Export selection ...", {}, [this] { exportSelection(); });
    file->addSeparator();
    addAction(file, "close", "&Close", {}, [this] { close(); });

    QMenu* edit = menuBar()->addMenu("&Edit");
    addAction(edit, "undo", "&Undo", keysOf(CommandId::Undo),
              [this] { run([this](Progress* progress) { return engine_.undo(progress); }); });
    edit->addSeparator();
    addAction(edit, "cut", "Cu&t", keysOf(CommandId::Cut),
              [this] { run([this](Progress* progress) { return engine_.cut(progress); }); });
    addAction(edit, "copy", "&Copy", keysOf(CommandId::Copy),
              [this] { run([this](Progress* progress) { return engine_.copy(progress); }); });
    addAction(edit, "paste", "&Paste", keysOf(CommandId::Paste), [this] { paste(); });
    addAction(edit, "delete", "&Delete", keysOf(CommandId::Delete),
              [this] { run([this](Progress* progress) { return engine_.remove(progress); }); });
    addAction(edit, "selectall", "Select &All", keysOf(CommandId::SelectAll), [this] {
        engine_.selectAll();
        view_->update();
        refreshActions();
    });
    edit->addSeparator();
    addAction(edit, "volume", "&Volume ...", {}, [this] { changeVolume(); });
    edit->addSeparator();
    addAction(edit, "loop", "&Loop from selection", {}, [this] { loopFromSelection(); });
    addAction(edit, "addcue", "Add c&ue point", {}, [this] { addCuePoint(); });
    addAction(edit, "removecue", "&Remove cue point", {}, [this] { removeCueAtCaret(); });
    addAction(edit, "flagpos", "Enter &flag's position by address ...", {}, [this] { askFlagPosition(); });
    edit->addSeparator();
    addAction(edit, "setinfo", "Set Wave &Info ...", {}, [this] { setWaveInfo(); });

    QMenu* viewMenu = menuBar()->addMenu("&View");
    addAction(viewMenu, "zoomin", "Zoom &in", {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::Key_Plus)},
              [this] { view_->zoomBy(kZoomStep); });
    addAction(viewMenu, "zoomout", "Zoom &out", {QKeySequence(Qt::CTRL | Qt::Key_Minus), QKeySequence(Qt::Key_Minus)},
              [this] { view_->zoomBy(1 / kZoomStep); });
    addAction(viewMenu, "zoomfit", "Zoom to &fit", {QKeySequence(Qt::CTRL | Qt::Key_0)},
              [this] { view_->zoomToFit(); });

    QMenu* play = menuBar()->addMenu("&Play");
    addAction(play, "play", "&Play / Stop", keysOf(CommandId::Play), [this] { togglePlay(); });
    play->addSeparator();
    auto* loops = new QActionGroup(this);
    const auto loopChoice = [&](const std::string& name, const QString& text, WaveLoopMode mode) {
        QAction* choice = addAction(play, name, text, {}, [this, mode] { loopMode_ = mode; });
        choice->setCheckable(true);
        choice->setChecked(mode == loopMode_);
        loops->addAction(choice);
    };
    loopChoice("noloop", "&No loop", WaveLoopMode::None);
    loopChoice("loopselection", "Loop over the &selection", WaveLoopMode::Selection);
    loopChoice("loopfile", "Loop over the &file's loop", WaveLoopMode::FileLoop);

    addAction(nullptr, "escape", "Escape", keysOf(CommandId::Escape), [this] { escape(); });
}

void CWaved::forwardFrameAccelerators()
{
    for (const CommandInfo& info : commandTable()) {
        if (std::find(std::begin(kOwnCommands), std::end(kOwnCommands), info.id) != std::end(kOwnCommands))
            continue;
        QList<QKeySequence> keys;
        // Keys without Ctrl or Alt move the caret and selection here.
        for (const QKeySequence& key : keysOf(info.id))
            if (key[0].keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier))
                keys << key;
        if (keys.isEmpty())
            continue;
        addAction(nullptr, "frame" + std::to_string(info.id), qtext(info.text), keys,
                  [this, id = info.id] { list_.runFrameCommand(id); });
    }
}

// ---- state shown ----

void CWaved::refreshTitle() { setWindowTitle(qtext(engine_.title())); }

void CWaved::refreshActions()
{
    const bool open = engine_.isOpen();
    const bool selection = open && engine_.hasSelection();
    const bool idle = !busy_;
    for (const char* name : {"export", "cut", "copy", "delete", "loop"})
        actions_.at(name)->setEnabled(idle && selection);
    for (const char* name :
         {"selectall", "volume", "addcue", "removecue", "flagpos", "setinfo", "play", "zoomin", "zoomout", "zoomfit"})
        actions_.at(name)->setEnabled(idle && open);
    actions_.at("paste")->setEnabled(idle && open && !list_.copyBuffer().empty());
    actions_.at("undo")->setEnabled(idle && open && engine_.canUndo());
    actions_.at("new")->setEnabled(idle);
    actions_.at("open")->setEnabled(idle);
}

void CWaved::viewChanged()
{
    const auto visible = static_cast<std::int64_t>(std::ceil(view_->deviceWidth() * model_.framesPerPixel()));
    const std::int64_t frames = engine_.isOpen() ? engine_.wave().frames() : 0;
    const QSignalBlocker block(scrollBar_);
    scrollBar_->setRange(0, static_cast<int>(std::max<std::int64_t>(frames - visible, 0)));
    scrollBar_->setPageStep(static_cast<int>(std::clamp<std::int64_t>(visible, 1, INT32_MAX)));
    scrollBar_->setSingleStep(static_cast<int>(std::clamp<std::int64_t>(visible / 16, 1, INT32_MAX)));
    scrollBar_->setValue(static_cast<int>(model_.firstFrame()));
    refreshActions();
}

void CWaved::fileChanged(bool fit)
{
    view_->fileChanged(fit);
    refreshTitle();
}

// ---- running commands ----

void CWaved::run(const std::function<WaveEditResult(Progress*)>& command)
{
    if (busy_ || !engine_.isOpen())
        return;
    busy_ = true;
    working_->start();
    const WaveEditResult result = command(working_);
    working_->finish();
    busy_ = false;
    fileChanged(false);
    list_.refreshAll();
    if (result.status == WaveEditStatus::AskStereoToMono) {
        CStereoToMonoDlg dialog(this);
        if (dialog.exec() == QDialog::Accepted) {
            list_.copyBuffer().options.stereoToMono = dialog.choice();
            run(command);
        }
        return;
    }
    report(result);
}

bool CWaved::report(const WaveEditResult& result)
{
    if (result.status == WaveEditStatus::Refused || result.status == WaveEditStatus::Failed)
        list_.prompt().message(result.text, result.caption,
                               result.status == WaveEditStatus::Failed ? PromptIcon::Error : PromptIcon::Exclamation);
    return result.done();
}

bool CWaved::runCommand(unsigned id)
{
    const char* name = nullptr;
    switch (id) {
    case CommandId::Delete:
        name = "delete";
        break;
    case CommandId::Cut:
        name = "cut";
        break;
    case CommandId::Copy:
        name = "copy";
        break;
    case CommandId::Paste:
        name = "paste";
        break;
    case CommandId::Undo:
        name = "undo";
        break;
    case CommandId::Escape:
        name = "escape";
        break;
    default:
        return false;
    }
    QAction* command = actions_.at(name);
    refreshActions();
    if (command->isEnabled())
        command->trigger();
    return true;
}

// ---- files ----

CWaved* CWaved::openWithDialog()
{
    FileDialogRequest request;
    request.title = "Open wave file";
    request.filters = kOpenFilters;
    request.folder = list_.engine().settings.wave.Directory;
    const std::optional<std::filesystem::path> path = list_.files().openFile(request);
    if (!path)
        return nullptr;
    list_.engine().settings.wave.Directory = path->parent_path().string();
    return openFile(*path);
}

CWaved* CWaved::openFile(const std::filesystem::path& path)
{
    if (CWaved* other = list_.windowWithFile(path)) {
        other->show();
        other->raise();
        other->activateWindow();
        return other;
    }
    if (busy_)
        return nullptr;
    closeFile();
    std::string error;
    busy_ = true;
    working_->start();
    const bool opened = engine_.open(path.string(), working_, error);
    working_->finish();
    busy_ = false;
    list_.fileOpened(digit_, engine_.identity());
    fileChanged(true);
    if (!opened) {
        list_.prompt().message(error, {}, PromptIcon::Exclamation);
        return nullptr;
    }
    return this;
}

void CWaved::closeFile()
{
    playback_.stop();
    if (!engine_.isOpen())
        return;
    const std::string path = engine_.wave().path();
    std::string error;
    if (!engine_.close(error))
        list_.prompt().message(error, {}, PromptIcon::Error);
    list_.fileOpened(digit_, std::nullopt);
    bool listed = false;
    {
        const std::lock_guard lock(sampleMapLock());
        listed = sampleMap().listsWaveFile(path);
    }
    // The generator plays the committed file from now on, not what it loaded before.
    if (Sampler* sampler = list_.engine().generatorAudio ? list_.engine().generatorAudio->sampler() : nullptr;
        sampler && listed)
        sampler->loadGroup(true);
}

FileDialogRequest CWaved::saveRequest(const std::string& title) const
{
    FileDialogRequest request;
    request.title = title;
    request.filters = kSaveFilters;
    request.folder = list_.engine().settings.wave.DirectorySave;
    request.defaultExtension = ".wav";
    return request;
}

void CWaved::newFile()
{
    CNewWaveDlg dialog(list_.prompt(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::optional<std::filesystem::path> path = list_.files().saveFile(saveRequest("Create new .wav file"));
    if (!path || busy_)
        return;
    list_.engine().settings.wave.DirectorySave = path->parent_path().string();
    const NewWaveFields fields = dialog.fields();
    busy_ = true;
    working_->start();
    const WaveEditResult result =
        createWaveFile(*path, fields.minutes, fields.rate, fields.stereo, fields.bits, list_.openFiles(), working_);
    working_->finish();
    busy_ = false;
    if (report(result))
        openFile(*path);
}

void CWaved::exportSelection()
{
    const std::optional<std::filesystem::path> path = list_.files().saveFile(saveRequest("Export selection"));
    if (!path)
        return;
    list_.engine().settings.wave.DirectorySave = path->parent_path().string();
    const std::vector<FileIdentity> openFiles = list_.openFiles();
    run([&](Progress* progress) { return engine_.exportSelection(*path, openFiles, progress); });
}

void CWaved::paste()
{
    const bool exact = model_.exactPosition();
    run([this, exact](Progress* progress) { return engine_.paste(exact, progress); });
}

void CWaved::changeVolume()
{
    CWaveVolumeDlg dialog(list_.prompt(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const double factor = dialog.factor();
    run([this, factor](Progress* progress) { return engine_.changeVolume(factor, progress); });
}

// ---- selection, marks ----

void CWaved::escape()
{
    if (playback_.playing()) {
        playback_.stop();
        return;
    }
    engine_.clearSelection();
    view_->update();
    refreshActions();
}

void CWaved::loopFromSelection()
{
    report(engine_.loopFromSelection());
    view_->update();
}

void CWaved::addCuePoint()
{
    engine_.addCuePoint();
    view_->update();
}

void CWaved::removeCueAtCaret()
{
    const WaveFile& wave = engine_.wave();
    std::vector<std::int64_t> cues;
    for (const std::int64_t offset : wave.cuePoints())
        cues.push_back((offset - wave.dataStart()) / wave.frameSize());
    const std::int64_t caret = (engine_.caret() - wave.dataStart()) / wave.frameSize();
    const int mark = model_.hitFlag(model_.xOf(caret), -1, -1, cues, view_->devicePixelRatioF());
    if (mark < kFirstCueMark) {
        list_.prompt().message("There is no cue point at the caret.", {}, PromptIcon::Information);
        return;
    }
    engine_.removeCuePoint(mark - kFirstCueMark);
    view_->update();
}

void CWaved::flagDropped(int mark, std::int64_t offset, bool snapped)
{
    if (report(engine_.setMarkByAddress(mark, offset)) && snapped)
        list_.playDialogSound(kDialogSoundClick);
    view_->update();
}

void CWaved::flagMenu(int mark, QPoint globalPos)
{
    QMenu menu(this);
    if (mark >= kFirstCueMark)
        menu.addAction("Remove cue point", this, [this, mark] {
            engine_.removeCuePoint(mark - kFirstCueMark);
            view_->update();
        });
    menu.addAction(actions_.at("flagpos"));
    menu.exec(globalPos);
}

void CWaved::askFlagPosition()
{
    CAskFlagPosDlg dialog(engine_, list_.prompt(), this);
    dialog.exec();
    view_->update();
}

void CWaved::setWaveInfo()
{
    const std::int64_t selectionFrames =
        engine_.hasSelection() ? (engine_.selectionEnd() - engine_.selectionStart()) / engine_.wave().frameSize() : 0;
    CWaveSetInfo dialog(engine_.wave(), list_.copyBuffer().options, selectionFrames, list_.prompt(), this);
    dialog.setReferenceSoundHandler([this] {
        playback_.stop();
        list_.playDialogSound(kDialogSoundRising);
    });
    dialog.setTestHandler([this] { playWholeFile(); });
    if (dialog.exec() == QDialog::Accepted)
        list_.engine().settings.wave.insertmode = list_.copyBuffer().options.insert ? 1 : 0;
    playback_.stop();
    list_.refreshAll();
}

// ---- playback ----

void CWaved::togglePlay()
{
    if (playback_.playing()) {
        playback_.stop();
        return;
    }
    if (!engine_.isOpen())
        return;
    const WaveFile& wave = engine_.wave();
    const std::int64_t dataEnd = wave.dataStart() + wave.dataLength();
    std::int64_t from = engine_.hasSelection() ? engine_.selectionStart() : engine_.caret();
    const std::int64_t to = engine_.hasSelection() ? engine_.selectionEnd() : dataEnd;
    if (from >= to)
        from = wave.dataStart(); // the caret at the end plays from the start
    if (loopMode_ == WaveLoopMode::Selection && engine_.hasSelection())
        startPlayback(from, to, true, engine_.selectionStart());
    else if (loopMode_ == WaveLoopMode::FileLoop && wave.hasLoop())
        startPlayback(from < wave.loopEnd() ? from : wave.loopStart(), wave.loopEnd(), true, wave.loopStart());
    else
        startPlayback(from, to, false, from);
}

void CWaved::playWholeFile()
{
    playback_.stop();
    if (!engine_.isOpen())
        return;
    const WaveFile& wave = engine_.wave();
    startPlayback(wave.dataStart(), wave.dataStart() + wave.dataLength(), false, wave.dataStart());
}

void CWaved::startPlayback(std::int64_t from, std::int64_t to, bool loop, std::int64_t wrapTo)
{
    Engine& engine = list_.engine();
    const DirectXSettings& device = engine.settings.directX;
    DirectSoundDevice* output = engine.generatorAudio ? engine.generatorAudio->devices().dialogSoundsDevice(
                                                            device.DirectSoundDeviceDialogSoundsGUID,
                                                            device.DirectSoundDeviceDialogSoundsName, list_.prompt())
                                                      : nullptr;
    std::string error = "Unable to get DirectSound buffer !";
    if (output == nullptr || !output->mixer ||
        !playback_.start(engine_.wave(), from, to, loop, wrapTo, *output->mixer, error))
        list_.prompt().message(error, {}, PromptIcon::Exclamation);
}

// ---- closing ----

void CWaved::closeEvent(QCloseEvent* event)
{
    if (busy_) {
        event->ignore();
        return;
    }
    playback_.stop();
    closeFile();
    closed_ = true;
    list_.closed(*this);
    event->accept();
}

} // namespace velisto
