#include "CMainFrame.h"

#include "CDeviceNameDlg.h"
#include "CKeyboard.h"
#include "CMidiWnd.h"
#include "CSettings.h"
#include "MasterListDialogs.h"
#include "CWavedList.h"
#include "QtText.h"
#include "QtUserPrompt.h"
#include "ToolbarIcons.h"
#include "devices/CDeviceParameterDlg.h"
#include "devices/CMidioutDlg.h"
#include "devices/CModeReset.h"
#include "devices/DeviceStripColumn.h"
#include "devices/CDirectXAudioDevice.h"
#include "devices/COutputMonitor.h"
#include "devices/GeneratorActions.h"
#include "edit/CEditCommands.h"
#include "listeditor/CListEditor.h"
#include "app/ArrangerLayout.h"
#include "app/CommandIds.h"
#include "app/ExitWrites.h"
#include "app/FrameLayout.h"
#include "app/SongDocument.h"
#include "audio/AudioBackend.h"
#include "audio/GeneratorAudio.h"
#include "playback/PlayMessages.h"
#include "soundlib/SoundFontInstaller.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <optional>

namespace velisto {

namespace {

// The About box: ours, not part of any command's logic.
constexpr const char* kAboutText =
    "<h3>Velisto</h3><p>MIDI sequencer, event editor and sample player.</p>"
    "<p>Songs are Standard MIDI Files; the Internal Sound Generator plays them with the "
    "samples of its instrument group files.</p>";

} // namespace

CMainFrame::CMainFrame(FrameParts parts)
    : parts_(std::move(parts)), prompt_(*parts_.prompt), files_(*parts_.files)
{
    notifier_.attach(this);
    setWindowTitle(qtext(kApplicationTitle));
    startupFileTimer_.setSingleShot(true);
    startupFileTimer_.setInterval(parts_.startupFileDelay);
    connect(&startupFileTimer_, &QTimer::timeout, this, [this] { startupFileDue(); });
}

CMainFrame::~CMainFrame()
{
    // Nothing a worker posts from now on can reach a half-destroyed window.
    notifier_.detach();
    qApp->removeEventFilter(this);
    // The child windows go after this body, and the focus moves as they go.
    disconnect(focusWatch_);
    // The keyboard sends its last note-offs through the engine, which goes before the
    // child windows would.
    delete keyboard_;
    keyboard_ = nullptr;
    // The monitor window closes the engine's log as it goes: before the engine does.
    if (outputMonitor_) {
        outputMonitor_->setClosedHandler({});
        delete outputMonitor_.data();
    }
    if (controller_ && controller_->runExists())
        controller_->stopAndWait(std::chrono::seconds(5));
    input_.close();
    if (engine_)
        engine_->output.setNotifier(nullptr);
    // The central column's windows unsubscribe from outputNotifier_ as they go, and that
    // member would be gone before QWidget deletes its children.
    delete central_;
    central_ = nullptr;
    deviceStrips_ = nullptr;
    trackArea_ = nullptr;
    listEditor_ = nullptr;
}

bool CMainFrame::create()
{
    const Settings settings = parts_.engine.settings.value_or(Settings{});
    state_.startupFile = parts_.startupFile;
    engine_ = std::make_unique<Engine>(notifier_, std::move(parts_.engine));
    engine_->song->ppq = 120;
    engine_->output.setNotifier(&outputNotifier_);
    engine_->output.setAdjustDelay(engine_->settings.general.detsenddelay);
    router_ = std::make_unique<MidiInputRouter>(*engine_->song, engine_->table, engine_->output, engine_->monitor);
    router_->setRouting(InputRouting::of(engine_->settings.general));

    // The input port: asked for until one opens or the user chooses none; Cancel ends.
    if (!openStartupInput(engine_->settings.midiInput.devicenr, *engine_->ports, input_, *router_, prompt_,
                          parts_.chooseInputPort))
        return false;

    engine_->makeGeneratorAudio(parts_.audio ? std::move(parts_.audio) : createAudioSystem());
    const std::string group = engine_->store->getString(kAudioSection, kIgrPathKey, "");
    if (!engine_->generatorAudio->install(engine_->table, &engine_->monitor, group, prompt_, engine_->store.get()))
        return false;

    sounds_ = std::make_unique<DialogSoundPlayer>(VELISTO_RESOURCE_DIR);
    waveEditors_ = std::make_unique<CWavedList>(this, *engine_, prompt_, files_, *sounds_,
                                                [this](unsigned id) { runCommand(id); });
    karaoke_ = std::make_unique<GuiKaraokeHooks>(this);
    PlayEnvironment environment = engine_->environment(router_.get());
    environment.karaoke = karaoke_.get();
    environment.listEditorFollows = &listEditorFollows_;
    controller_ = std::make_unique<PlayController>(environment, *engine_->song, prompt_);
    controller_->setUndoWriter([this](std::string_view description) {
        undo_.record(*engine_->song, description, prompt_);
    });
    undo_.setChangedHandler([this] { refreshMenuState(); });
    generatorActions_ = std::make_unique<GeneratorActions>(*engine_, *controller_, prompt_, files_);
    document_ = std::make_unique<SongDocument>(*engine_->song, state_, undo_, engine_->table, engine_->settings,
                                               prompt_, files_);

    document_->setChooseDevice([this](int track) {
        return CDeviceNameDlg::chooseForTrack(engine_->table, track,
                                              engine_->song->tracks[static_cast<std::size_t>(track)].device, this);
    });
    // The device strips sit between the toolbar and the track area, one per open device;
    // the bottom editor goes below the track area.
    central_ = new QWidget(this);
    centralLayout_ = new QVBoxLayout(central_);
    centralLayout_->setContentsMargins(0, 0, 0, 0);
    centralLayout_->setSpacing(0);
    deviceStrips_ = new DeviceStripColumn(*engine_, outputNotifier_, central_);
    deviceStrips_->setHandlers({
        // Posted: the strip whose control was clicked is destroyed by the close.
        [this](int device) { notifier_.post(kCloseDeviceMessage, static_cast<std::uintptr_t>(device), 0); },
        [this](int device) { showDeviceParameters(device); },
        [this](int device) { showModeReset(device); },
        GeneratorStripActions{
            [this] { generatorActions_->loadIgrFile(this); },
            [this] { generatorActions_->releaseIgr(); },
            [this] { generatorActions_->showContent(this); },
            [this] { generatorActions_->midiToWave(this); },
        },
    });
    trackArea_ = new CMidiWnd(*engine_, state_, *controller_, notifier_, prompt_, undo_, outputNotifier_, central_);
    centralLayout_->addWidget(deviceStrips_);
    centralLayout_->addWidget(trackArea_, 1);
    setCentralWidget(central_);
    edits_ = std::make_unique<CEditCommands>(EditCommandParts{
        *engine_->song, state_, undo_, clipboard_, *controller_, engine_->settings, engine_->table, prompt_, notifier_,
        [this](int id) { playDialogSound(id); },
        [this] {
            trackArea_->update();
            if (listEditor_)
                listEditor_->showTrack(state_.cursorTrack);
            refreshMenuState();
        },
        this});

    buildMenus();
    buildStatusBar();
    buildToolbar();
    connectHandlers();
    trackArea_->setFirstPaintHandler([this] {
        if (!state_.startupFile.empty())
            notifier_.post(kWmCommand, CommandId::OpenStartupFile, 0);
    });
    trackArea_->setToolHandler([this](std::string_view tool) { setMouseTool(tool); });
    trackArea_->setMasterMarkerHandler([this](MasterListKind kind, std::int32_t tick) {
        // The lists time a run: like every other edit they wait until nothing plays.
        if (controller_->runExists())
            return;
        runMasterListDialog(this, kind, *engine_->song, undo_, prompt_, tick,
                            [this] { notifier_.post(kSongModifiedMessage, 0, 0); });
        // A meter change moves every position the list shows.
        refreshEditors();
    });
    refreshTitle();
    qApp->installEventFilter(this);
    settingsMayBeSaved_ = true;
    return true;
}

// ---- menus, toolbar, status bar ----

void CMainFrame::buildMenus()
{
    std::map<Menu, QMenu*> menus;
    for (const Menu menu : {Menu::File, Menu::Edit, Menu::View, Menu::Extras, Menu::Settings, Menu::Help})
        menus[menu] = menuBar()->addMenu(qtext(menuTitle(menu)));
    for (const CommandInfo& info : commandTable()) {
        auto* action = new QAction(qtext(info.text), this);
        action->setData(info.id);
        QList<QKeySequence> keys;
        for (std::string_view key : info.accelerators)
            if (!key.empty())
                keys << QKeySequence(qtext(key), QKeySequence::PortableText);
        action->setShortcuts(keys);
        // The window's accelerators act wherever the focus is inside the frame.
        action->setShortcutContext(Qt::WindowShortcut);
        action->setStatusTip(qtext(info.status));
        action->setToolTip(qtext(info.tooltip));
        action->setCheckable(info.has(CommandFlag::Checkable));
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, [this, id = info.id] { runCommand(id); });
        if (info.menu == Menu::None) {
            addAction(action); // keyboard only: still part of the window's accelerators
        } else {
            if (info.has(CommandFlag::SeparatorBefore))
                menus[info.menu]->addSeparator();
            menus[info.menu]->addAction(action);
        }
        actions_[info.id] = action;
    }
}

void CMainFrame::buildToolbar()
{
    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName("toolbar");
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
    toolbar_->toggleViewAction()->setEnabled(false);
    toolbar_->setStyleSheet("QToolBar { background: rgb(40, 40, 40); border: none; spacing: 2px; }"
                            "QToolButton { color: rgb(225, 225, 225); }"
                            "QToolButton:checked { background: rgb(80, 80, 80); }");
    addToolBar(Qt::TopToolBarArea, toolbar_);
    auto* tools = new QActionGroup(this);
    tools->setExclusive(true);
    for (const ToolbarButton& button : toolbarButtons()) {
        QAction* action = nullptr;
        if (button.command != 0) {
            action = actions_.at(button.command);
        } else {
            action = new QAction(qtext(button.tool), this);
            action->setCheckable(true);
            action->setToolTip(qtext(button.tool));
            action->setStatusTip(QString("Mouse tool: %1.").arg(qtext(button.tool)));
            action->setActionGroup(tools);
            action->setChecked(button.tool == state_.mouseTool);
            connect(action, &QAction::triggered, this, [this, tool = button.tool] { setMouseTool(tool); });
            toolActions_[button.tool] = action;
        }
        action->setProperty("toolbarName", qtext(button.name));
        toolbar_->addAction(action);
        if (QWidget* widget = toolbar_->widgetForAction(action))
            widget->setFocusPolicy(Qt::NoFocus); // Space stays Play wherever the mouse clicked
    }
    toolbar_->addSeparator();
    selectionLabel_ = new QLabel(qtext(kNoSelectionToolbarText), toolbar_);
    selectionLabel_->setStyleSheet("color: rgb(225, 225, 225); padding-left: 8px;");
    toolbar_->addWidget(selectionLabel_);
    toolbar_->setFocusPolicy(Qt::NoFocus);
    layoutChildren();
}

void CMainFrame::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    const auto indicator = [bar](const char* text) {
        auto* label = new QLabel(text, bar);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(text) + 12);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
        return label;
    };
    capsLabel_ = indicator("CAPS");
    numLabel_ = indicator("NUM");
    rollLabel_ = indicator("ROLL");
    bar->showMessage(qtext(kReadyText));
    // A status tip shown and taken away again leaves "Ready." behind, not an empty pane.
    connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& text) {
        if (text.isEmpty())
            bar->showMessage(qtext(kReadyText));
    });
    if (auto* qtPrompt = dynamic_cast<QtUserPrompt*>(&prompt_))
        qtPrompt->setStatusBar(bar);
}

void CMainFrame::connectHandlers()
{
    handlers_[CommandId::New] = [this](bool) { newSong(); };
    handlers_[CommandId::Open] = [this](bool) { openSong(); };
    handlers_[CommandId::Save] = [this](bool) { saveSong(); };
    handlers_[CommandId::SaveAs] = [this](bool) { saveSongAs(); };
    handlers_[CommandId::Exit] = [this](bool) { close(); };
    handlers_[CommandId::Undo] = [this](bool postedByRun) { undo(postedByRun); };
    handlers_[CommandId::ViewStatus] = [this](bool) { toggleStatusBar(); };
    handlers_[CommandId::Settings] = [this](bool) { showSettings(); };
    handlers_[CommandId::About] = [this](bool) { showAbout(); };
    handlers_[CommandId::Play] = [this](bool) { play(); };
    handlers_[CommandId::PlayLoop] = [this](bool) { playLoop(); };
    handlers_[CommandId::Record] = [this](bool) { record(); };
    handlers_[CommandId::Stop] = [this](bool) { stop(); };
    handlers_[CommandId::RecordMarker] = [this](bool) { recordMarker(); };
    handlers_[CommandId::OpenStartupFile] = [this](bool) { openStartupFile(); };
    handlers_[CommandId::VirtualKeyboard] = [this](bool) { toggleKeyboard(); };
    handlers_[CommandId::WaveEditor] = [this](bool) { waveEditors_->open(); };
    handlers_[CommandId::OpenDevice] = [this](bool) { openDevice(); };
    handlers_[CommandId::OutputMonitor] = [this](bool) { toggleOutputMonitor(); };
    handlers_[CommandId::DumpDeviceStates] = [this](bool) {
        dumpDeviceStates(engine_->table, engine_->output, engine_->monitor);
    };
    handlers_[CommandId::IgrEditor] = [this](bool) { generatorActions_->showIgrEditor(this); };
    handlers_[CommandId::DirectSoundDevice] = [this](bool) {
        CDirectXAudioDevice::chooseDialogSoundsDevice(*engine_, prompt_, this);
    };
    // Reopened at start-up (posted) it opens behind the track area, which keeps the keys.
    handlers_[CommandId::ListEditor] = [this](bool posted) { toggleListEditor(!posted); };
    handlers_[CommandId::SwitchEditor] = [this](bool) { switchEditor(); };
    for (const unsigned id : {CommandId::SelectToRightEnd, CommandId::SelectToBottom, CommandId::SelectNone,
                              CommandId::Rewind, CommandId::Forward, CommandId::NextTrackName, CommandId::Escape})
        handlers_[id] = [this, id](bool) { trackArea_->command(id); };
    for (const unsigned id : {CommandId::CursorDown, CommandId::CursorUp, CommandId::CursorLeft, CommandId::CursorRight,
                              CommandId::ExtendDown, CommandId::ExtendUp, CommandId::ExtendLeft, CommandId::ExtendRight,
                              CommandId::SelectAll})
        handlers_[id] = [this, id](bool) { routeToForeground(id); };
    edits_->registerHandlers(handlers_);
    // Ins and Del act on the rows while the list editor is in front.
    for (const unsigned id : {CommandId::Delete, CommandId::Insert})
        handlers_[id] = [this, id, trackAreaHandler = handlers_.at(id)](bool postedByRun) {
            if (listEditor_ && state_.foreground == ForegroundEditor::ListEditor)
                listEditor_->command(id);
            else
                trackAreaHandler(postedByRun);
        };
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        // The editor the user clicked or tabbed into is the one in front.
        if (!now)
            return;
        if (listEditor_ && (now == listEditor_ || listEditor_->isAncestorOf(now)))
            state_.foreground = ForegroundEditor::ListEditor;
        else if (now == trackArea_ || trackArea_->isAncestorOf(now))
            state_.foreground = ForegroundEditor::TrackArea;
        else
            return;
        refreshMenuState();
    });
    actions_.at(CommandId::ViewStatus)->setCheckable(true);
    actions_.at(CommandId::VirtualKeyboard)->setCheckable(true);
    actions_.at(CommandId::ListEditor)->setCheckable(true);
    refreshMenuState();
}

COutputMonitor* CMainFrame::outputMonitor() const { return outputMonitor_; }

QAction* CMainFrame::action(unsigned id) const
{
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::refreshMenuState()
{
    if (!controller_)
        return;
    if (deviceStrips_)
        deviceStrips_->sync();
    const MenuState menu = menuState(state_, controller_->runExists(), undo_, clipboard_);
    for (const auto& [id, action] : actions_) {
        // A command whose window is not built yet stays grayed.
        action->setEnabled(menu.enabled(id) && handlers_.contains(id));
    }
    actions_.at(CommandId::Undo)->setText(QString::fromStdString(menu.undoText).section('\t', 0, 0));
    actions_.at(CommandId::ViewStatus)->setChecked(statusBar()->isVisible());
    actions_.at(CommandId::VirtualKeyboard)->setChecked(keyboard_ != nullptr);
    actions_.at(CommandId::OutputMonitor)->setChecked(outputMonitor_ != nullptr);
    actions_.at(CommandId::ListEditor)->setChecked(listEditor_ != nullptr);
    for (const auto& [tool, action] : toolActions_)
        action->setEnabled(!controller_->runExists() || tool != kToolPen);
}

void CMainFrame::refreshTitle()
{
    setWindowTitle(QString::fromStdString(velisto::windowTitle(state_)));
}

void CMainFrame::layoutChildren()
{
    if (!toolbar_)
        return;
    FrameGeometry geometry;
    geometry.clientWidth = width();
    geometry.clientHeight = height() - (menuBar()->isVisible() ? menuBar()->height() : 0);
    geometry.openDevices = engine_ ? engine_->table.openCount() : 0;
    geometry.statusBarHeight = statusBar()->isVisible() ? statusBar()->height() : 0;
    const FrameLayout layout = frameLayout(geometry);
    if (deviceStrips_)
        deviceStrips_->setStripHeight(layout.deviceStrips.empty() ? layout.toolbar.height
                                                                  : layout.deviceStrips.front().height);
    // Below a readable size the pictures would be smudges; the layout's height wins above it.
    const int height = std::max(24, layout.toolbar.height);
    const int iconSide = std::max(16, height - 8);
    if (toolbar_->iconSize().height() == iconSide)
        return;
    toolbar_->setIconSize(QSize(iconSide, iconSide));
    toolbar_->setFixedHeight(height);
    const qreal ratio = devicePixelRatioF();
    for (QAction* action : toolbar_->actions()) {
        const QString name = action->property("toolbarName").toString();
        if (!name.isEmpty())
            action->setIcon(toolbarIcon(name.toStdString(), iconSide, ratio));
    }
}

// ---- events ----

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == PostedMessageEvent::eventType()) {
        const auto* posted = static_cast<PostedMessageEvent*>(event);
        if (posted->message() == kPreviewFinishedMessage || posted->message() == kPreviewStepMessage)
            edits_->previewMessage(posted->message(), posted->wparam(), posted->lparam());
        else
            handlePost(posted->message(), posted->wparam());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::handlePost(unsigned message, std::uintptr_t wparam)
{
    if (message == kWmCommand) {
        // A command a run or a window posted is carried out as if chosen, and a run's
        // Undo always goes to the song.
        runCommand(static_cast<unsigned>(wparam), true);
    } else if (message == kWmClose) {
        close();
    } else if (message == kPlayRunEndedMessage) {
        runEnded();
    } else if (message == kSongModifiedMessage) {
        if (markModified(state_))
            refreshTitle();
    } else if (message == kStartupCompletionMessage) {
        completeStartup();
    } else if (message == kToolbarSelectionMessage) {
        selectionLabel_->setText(qtext(selectionToolbarText(state_.selection)));
        // The list editor shows the cursor's track.
        if (listEditor_ && listEditor_->track() != state_.cursorTrack)
            listEditor_->showTrack(state_.cursorTrack);
    } else if (message == kCursorUpdateMessage) {
        trackArea_->takeFrameCursor();
    } else if (message == kTrackAreaRedrawMessage) {
        refreshEditors();
    } else if (message == kPlayMeasureMessage) {
        trackArea_->followPlay(static_cast<std::int32_t>(wparam));
    } else if (message == kCloseDeviceMessage) {
        closeDevice(static_cast<int>(wparam));
    } else if (message == kPlayListPositionMessage) {
        if (listEditor_)
            listEditor_->followPlay(static_cast<std::int32_t>(wparam));
    }
}

bool CMainFrame::runCommand(unsigned id, bool postedByRun)
{
    if (waveEditors_ && waveEditors_->forward(id, postedByRun))
        return true;
    const auto handler = handlers_.find(id);
    if (handler == handlers_.end())
        return false;
    const QAction* action = actions_.count(id) ? actions_.at(id) : nullptr;
    // A grayed command does nothing, except what a run posts for its own end.
    if (action && !action->isEnabled() && !postedByRun)
        return false;
    handler->second(postedByRun);
    return true;
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutChildren();
    placeBottomEditor();
    if (!state_.startupCompletionPosted && controller_) {
        state_.startupCompletionPosted = true;
        notifier_.post(kStartupCompletionMessage, 0, 0);
    }
}

void CMainFrame::keyPressEvent(QKeyEvent* event)
{
    const auto toggle = [](QLabel* label) { label->setEnabled(!label->isEnabled()); };
    switch (event->key()) {
    case Qt::Key_CapsLock:
        toggle(capsLabel_);
        break;
    case Qt::Key_NumLock:
        toggle(numLabel_);
        break;
    case Qt::Key_ScrollLock:
        toggle(rollLabel_);
        break;
    default:
        break;
    }
    QMainWindow::keyPressEvent(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // While a list editor cell is edited no accelerator applies: the key goes to the
    // editor (Space types a blank, Esc cancels, Enter accepts).
    if (state_.listCellEditing && type == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (keyboard_ && (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride) &&
        filterKeyboardKey(watched, *static_cast<QKeyEvent*>(event)))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::filterKeyboardKey(QObject* watched, QKeyEvent& event)
{
    const std::optional<int> key = CKeyboard::pianoKeyOf(event);
    if (!key)
        return false;
    // A key-up always reaches a key that is down, wherever the focus went meanwhile.
    if (event.type() == QEvent::KeyRelease && keyboard_->model().isKeyDown(*key)) {
        if (!event.isAutoRepeat())
            keyboard_->computerKey(*key, false);
        return true;
    }
    // Accelerators keep their modifiers, and a key typed into a text field stays text.
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const auto isTextField = [](const QObject* object) {
        const auto* widget = qobject_cast<const QWidget*>(object);
        return widget && widget->testAttribute(Qt::WA_InputMethodEnabled);
    };
    if (isTextField(watched) || isTextField(QApplication::focusWidget()))
        return false;
    if (event.type() == QEvent::ShortcutOverride) {
        event.accept(); // the key plays; no accelerator takes it
        return true;
    }
    if (event.type() == QEvent::KeyPress && !event.isAutoRepeat())
        keyboard_->computerKey(*key, true);
    return true;
}

void CMainFrame::completeStartup()
{
    Settings& settings = engine_->settings;
    statusBar()->setVisible(settings.display.statusbarwasopeninlastsession);
    layoutChildren();
    engine_->table.restoreOpenDevices(*engine_->song, prompt_);
    deviceStrips_->sync();
    ArrangerMetrics metrics;
    metrics.clientWidth = width();
    metrics.clientHeight = height() - (menuBar()->isVisible() ? menuBar()->height() : 0);
    metrics.statusBarHeight = statusBar()->isVisible() ? statusBar()->height() : 0;
    metrics.toolbarHeight = toolbar_->height();
    metrics.deviceStripsHeight = deviceStrips_->height();
    metrics.horizontalScrollBarHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    metrics.verticalScrollBarWidth = metrics.horizontalScrollBarHeight;
    metrics.bottomEditor = settings.display.listeditorwasopeninlastsession;
    const QSize screenSize = screen() ? screen()->size() : QSize();
    restoreArrangerLayout(settings.display, metrics, screenSize.width(), screenSize.height(),
                          engine_->table.openCount());
    trackArea_->applyLayout();
    refreshMenuState();
    for (const unsigned command : windowsToReopen(settings.display))
        notifier_.post(kWmCommand, command, 0);
    update();
    trackArea_->update();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (state_.closeInProgress || !controller_)
        return;
    if (controller_->runExists()) {
        // The run ends first and closes the window again through its "CLOSE" command.
        controller_->setPendingCommand(kCommandClose);
        notifier_.post(kWmCommand, CommandId::Stop, 0);
        return;
    }
    state_.closeInProgress = true;
    // An instrument group with unsaved changes is asked about like the song.
    if (!generatorActions_->closeWindows() || !document_->saveQuestion()) {
        state_.closeInProgress = false;
        return;
    }
    input_.close();
    waveEditors_->closeAll(); // their places go into the settings written below
    ClosingWindows windows;
    windows.listEditorOpen = listEditor_ != nullptr;
    windows.keyboardOpen = keyboard_ != nullptr;
    if (keyboard_)
        keyboard_->storeSettings(engine_->settings);
    windows.statusBarVisible = statusBar()->isVisible();
    windows.maximised = isMaximized();
    if (screen()) {
        windows.screenWidth = screen()->size().width();
        windows.screenHeight = screen()->size().height();
    }
    // The generator writes its group's path when it closes; it may still be open.
    engine_->generatorAudio->storeIgrPath();
    settingsWritten_ = writeAtExit(windows, engine_->settings, engine_->table, undo_, *engine_->store, prompt_);
    event->accept();
}

// ---- commands ----

void CMainFrame::newSong()
{
    if (document_->newSong())
        refreshTitle();
    refreshEditors();
    refreshMenuState();
}

void CMainFrame::openSong()
{
    const OpenOutcome outcome = document_->open();
    if (outcome.loaded) {
        refreshTitle();
        if (outcome.formatZero)
            notifier_.post(kWmCommand, CommandId::SplitChannels, 0);
    }
    refreshEditors();
    refreshMenuState();
}

void CMainFrame::saveSong()
{
    if (document_->save())
        refreshTitle();
}

void CMainFrame::saveSongAs()
{
    if (document_->saveAs())
        refreshTitle();
}

void CMainFrame::undo(bool postedByRun)
{
    if (state_.listCellEditing && !postedByRun)
        return;
    const UndoOutcome outcome = document_->undo(postedByRun);
    if (outcome == UndoOutcome::Undone)
        playDialogSound(kDialogSoundClick);
    refreshEditors();
    refreshTitle();
    refreshMenuState();
}

void CMainFrame::toggleStatusBar()
{
    statusBar()->setVisible(!statusBar()->isVisible());
    refreshMenuState();
}

void CMainFrame::showSettings()
{
    CSettings dialog(engine_->settings, SettingsInput{*engine_->ports, input_, *router_}, engine_->table,
                     controller_->runExists(), prompt_, this);
    dialog.exec();
    engine_->output.setAdjustDelay(engine_->settings.general.detsenddelay);
    refreshMenuState();
}

void CMainFrame::showAbout()
{
    QMessageBox::about(this, "About Velisto", kAboutText);
}

void CMainFrame::play()
{
    if (state_.listCellEditing)
        return;
    const PlayPosition at = playPosition(state_, *engine_->song);
    trackArea_->takeFrameCursor();
    karaoke_->setSettings(engine_->settings.karaoke);
    controller_->play(at.cursorTick, at.selection, engine_->settings);
    refreshMenuState();
}

void CMainFrame::playLoop()
{
    karaoke_->setSettings(engine_->settings.karaoke);
    controller_->playLoop(playPosition(state_, *engine_->song).selection, engine_->settings);
    refreshMenuState();
}

void CMainFrame::record()
{
    karaoke_->setSettings(engine_->settings.karaoke);
    controller_->record(playPosition(state_, *engine_->song).cursorTick, state_.cursorTrack, engine_->settings);
    refreshMenuState();
}

void CMainFrame::stop()
{
    controller_->stop();
}

void CMainFrame::recordMarker()
{
    if (CMidiThread* run = controller_->playThread(); run && run->recording())
        run->recordEvent(engine_->song->tracks[static_cast<std::size_t>(state_.cursorTrack)].device, 0x70, 0, 0, 27);
}

void CMainFrame::runEnded()
{
    if (const std::optional<RunEnd> end = controller_->finishRun())
        trackArea_->runEnded(end->cursorTick);
    // A recording merged into the track, a test run's undo reloaded the song.
    if (listEditor_)
        listEditor_->refreshRows();
    refreshMenuState();
}

void CMainFrame::openStartupFile()
{
    if (!state_.startupFile.empty())
        startupFileTimer_.start();
}

void CMainFrame::startupFileDue()
{
    const OpenOutcome outcome = document_->openStartupFile();
    refreshEditors();
    refreshTitle();
    refreshMenuState();
    if (outcome.loaded)
        notifier_.post(kWmCommand, CommandId::Play, 0);
}

void CMainFrame::setMouseTool(std::string_view tool)
{
    state_.mouseTool = std::string(tool);
    if (const auto found = toolActions_.find(tool); found != toolActions_.end())
        found->second->setChecked(true);
}

void CMainFrame::playDialogSound(int id)
{
    lastDialogSound_ = id;
    engine_->playDialogSound(*sounds_, id, prompt_);
}

void CMainFrame::toggleKeyboard()
{
    if (keyboard_) {
        keyboard_->close();
    } else {
        keyboard_ = new CKeyboard(*engine_, *controller_, outputNotifier_, this);
        keyboard_->setClosedHandler([this] {
            keyboard_ = nullptr;
            refreshMenuState();
        });
        keyboard_->show();
    }
    refreshMenuState();
}

void CMainFrame::toggleOutputMonitor()
{
    if (outputMonitor_) {
        outputMonitor_->close();
        return;
    }
    outputMonitor_ = new COutputMonitor(engine_->monitor, this);
    outputMonitor_->setClosedHandler([this] {
        outputMonitor_ = nullptr; // the pointer itself clears only after the window's destructor
        refreshMenuState();
    });
    outputMonitor_->show();
    refreshMenuState();
}

} // namespace velisto

namespace velisto {

// ---- output devices ----

void CMainFrame::devicesChanged()
{
    deviceStrips_->sync();
    layoutChildren();
    trackArea_->refreshSong();
    refreshMenuState();
}

void CMainFrame::openDevice()
{
    if (CMidioutDlg::openChosen(engine_->table, prompt_, this))
        devicesChanged();
}

void CMainFrame::closeDevice(int device)
{
    if (engine_->table.validIndex(device) && engine_->table.closeFromUserInterface(device, *engine_->song, prompt_))
        devicesChanged();
}

void CMainFrame::showDeviceParameters(int device)
{
    AudioDeviceList* audio = engine_->generatorAudio ? &engine_->generatorAudio->devices() : nullptr;
    CDeviceParameterDlg dialog(engine_->table, device, *engine_->song, audio, prompt_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (CDeviceWnd* strip = deviceStrips_->strip(device))
        strip->refresh({});
    devicesChanged();
}

void CMainFrame::showModeReset(int device)
{
    CModeReset dialog(engine_->table.device(device), engine_->output, this);
    dialog.exec();
}

} // namespace velisto

namespace velisto {

// ---- the bottom editor ----

void CMainFrame::refreshEditors()
{
    trackArea_->refreshSong();
    if (listEditor_)
        listEditor_->showTrack(state_.cursorTrack);
}

void CMainFrame::routeToForeground(unsigned id)
{
    if (listEditor_ && state_.foreground == ForegroundEditor::ListEditor)
        listEditor_->command(id);
    else
        trackArea_->command(id);
}

void CMainFrame::toggleListEditor(bool takeFront)
{
    if (listEditor_) {
        listEditorFollows_.store(false, std::memory_order_relaxed);
        // Gone from the layout at once; deleted once the events in flight for it are done.
        listEditor_->hide();
        listEditor_->deleteLater();
        listEditor_ = nullptr;
        state_.listCellEditing = false;
        state_.foreground = ForegroundEditor::TrackArea;
        trackArea_->setFocus(Qt::OtherFocusReason);
    } else {
        if (!trackArea_ || !engine_) {
            prompt_.message("Can't create List editor window", "List editor", PromptIcon::Error);
            return;
        }
        listEditor_ = new CListEditor(*engine_, state_, *controller_, undo_, prompt_, central_);
        listEditor_->setChangedHandler([this] {
            notifier_.post(kSongModifiedMessage, 0, 0);
            trackArea_->refreshSong();
            refreshMenuState();
        });
        centralLayout_->addWidget(listEditor_, 1);
        listEditor_->showTrack(state_.cursorTrack);
        listEditor_->show();
        listEditorFollows_.store(true, std::memory_order_relaxed);
        if (takeFront) {
            state_.foreground = ForegroundEditor::ListEditor;
            listEditor_->setFocus(Qt::OtherFocusReason);
        }
    }
    placeBottomEditor();
    refreshMenuState();
}

void CMainFrame::switchEditor()
{
    if (!listEditor_)
        return;
    if (state_.foreground == ForegroundEditor::TrackArea) {
        state_.foreground = ForegroundEditor::ListEditor;
        if (state_.mouseTool == kToolPen)
            setMouseTool(kToolArrow);
        listEditor_->setFocus(Qt::ShortcutFocusReason);
    } else {
        state_.foreground = ForegroundEditor::TrackArea;
        trackArea_->setFocus(Qt::ShortcutFocusReason);
    }
    refreshMenuState();
}

void CMainFrame::placeBottomEditor()
{
    if (!trackArea_)
        return;
    if (!listEditor_) {
        trackArea_->setMinimumHeight(0);
        trackArea_->setMaximumHeight(QWIDGETSIZE_MAX);
        return;
    }
    FrameGeometry geometry;
    geometry.clientWidth = width();
    geometry.clientHeight = height() - (menuBar()->isVisible() ? menuBar()->height() : 0);
    geometry.openDevices = engine_->table.openCount();
    geometry.statusBarHeight = statusBar()->isVisible() ? statusBar()->height() : 0;
    geometry.bottomEditor = true;
    // The track area keeps the height its layout was made for. A layout made without a
    // bottom editor would leave it no room: then the track area takes the share the
    // layout gives it beside one.
    const FrameLayout whole = frameLayout(FrameGeometry{geometry.clientWidth, geometry.clientHeight,
                                                        geometry.openDevices, geometry.statusBarHeight});
    const int top = whole.trackArea.y;
    const int space = whole.trackArea.height;
    int trackHeight = engine_->settings.display.arrangerwindowbottomedge - top;
    if (trackHeight <= 0 || space - trackHeight < space / 4)
        trackHeight = static_cast<int>(space / 1.53);
    geometry.trackAreaHeight = trackHeight;
    const FrameLayout layout = frameLayout(geometry);
    trackArea_->setFixedHeight(layout.trackArea.height);
}

} // namespace velisto
