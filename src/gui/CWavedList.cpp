#include "CWavedList.h"

#include "CWaved.h"
#include "app/CommandIds.h"
#include "app/FrameState.h"
#include "app/UserPrompt.h"
#include "audio/GeneratorAudio.h"
#include "engine/Engine.h"
#include "sampler/DialogSounds.h"

#include <QApplication>

namespace velisto {

CWavedList::CWavedList(QWidget* owner, Engine& engine, UserPrompt& prompt, FileChooser& files,
                       DialogSoundPlayer& sounds, std::function<void(unsigned)> frameCommand)
    : owner_(owner), engine_(engine), prompt_(prompt), files_(files), sounds_(sounds),
      frameCommand_(std::move(frameCommand))
{
    copyBuffer_.options.insert = engine.settings.wave.insertmode != 0;
}

CWavedList::~CWavedList()
{
    for (CWaved* window : windows_)
        delete window; // commits its file and frees its slot
}

CWaved* CWavedList::open()
{
    const std::optional<int> digit = slots_.acquire();
    if (!digit) {
        prompt_.message(kTooManyWaveEditorsText, {}, PromptIcon::Exclamation);
        return nullptr;
    }
    const DisplaySettings& display = engine_.settings.display;
    std::vector<std::pair<int, int>> taken;
    for (const CWaved* other : windows_)
        if (other)
            taken.emplace_back(other->geometry().top(), other->geometry().top() + other->geometry().height());
    auto* window = new CWaved(*digit, *this, owner_);
    windows_[static_cast<std::size_t>(*digit)] = window;
    window->setGeometry(display.waveednormx, cascadedTop(display.waveednormy, display.waveednormheight, taken),
                        display.waveednormwidth, display.waveednormheight);
    window->show();
    window->activateWindow();
    CWaved* shown = window->openWithDialog();
    if (shown && shown != window) {
        // The file was open already: its window comes forward, the new one goes.
        window->close();
        return shown;
    }
    return window;
}

CWaved* CWavedList::active() const
{
    for (CWaved* window : windows_)
        if (window && window == QApplication::activeWindow())
            return window;
    return nullptr;
}

bool CWavedList::forward(unsigned id, bool postedByRun)
{
    CWaved* editor = active();
    if (!editor)
        return false;
    // Esc is the editor's too: it stops playback or drops the selection.
    if (id != CommandId::Escape && routeCommand(id, true, postedByRun) != CommandRoute::WaveEditor)
        return false;
    return editor->runCommand(id);
}

void CWavedList::closeAll()
{
    for (CWaved* window : windows_)
        if (window)
            window->close();
}

CWaved* CWavedList::windowWithFile(const std::filesystem::path& path) const
{
    const std::optional<int> digit = slots_.windowWithFile(path);
    return digit ? windows_[static_cast<std::size_t>(*digit)] : nullptr;
}

std::vector<FileIdentity> CWavedList::openFiles() const
{
    std::vector<FileIdentity> files;
    for (CWaved* window : windows_)
        if (window && window->engine().identity())
            files.push_back(*window->engine().identity());
    return files;
}

void CWavedList::closed(CWaved& window)
{
    const int digit = window.digit();
    if (windows_[static_cast<std::size_t>(digit)] != &window)
        return;
    windows_[static_cast<std::size_t>(digit)] = nullptr;
    slots_.release(digit);
    const QRect place = window.normalGeometry();
    DisplaySettings& display = engine_.settings.display;
    display.waveednormx = place.x();
    display.waveednormy = place.y();
    display.waveednormwidth = place.width();
    display.waveednormheight = place.height();
}

void CWavedList::refreshAll()
{
    for (CWaved* window : windows_)
        if (window)
            window->refreshActions();
}

void CWavedList::playDialogSound(int id)
{
    engine_.playDialogSound(sounds_, id, prompt_);
}

} // namespace velisto
