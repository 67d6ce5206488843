#pragma once
// The short sounds of the user interface (a wave editor mark snapping to the selection,
// ...): 16-bit WAVE files of ours under <resources>/sounds/<id>.wav, played once on the
// device chosen for dialog sounds. Each sound gets its own buffer and a worker that lets
// the buffer go when playback has ended.
//
// Thread contract: play, reap and the destructor on the user-interface thread; the
// workers remove their buffers from the device's mixer on their own threads. The player
// goes before the device list whose mixers it uses.

#include "sampler/AudioDeviceList.h"
#include "sampler/CNotifyThread.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace velisto {

inline constexpr int kDialogSoundClick = 540;
inline constexpr int kDialogSoundRising = 568;
inline constexpr int kDialogSoundNoChange = 598;
inline constexpr int kDialogSoundConfirm = 599;

class DialogSoundPlayer {
public:
    explicit DialogSoundPlayer(std::filesystem::path resourceDir) : resourceDir_(std::move(resourceDir)) {}
    DialogSoundPlayer(const DialogSoundPlayer&) = delete;
    DialogSoundPlayer& operator=(const DialogSoundPlayer&) = delete;
    // Stops the sounds still playing.
    ~DialogSoundPlayer();

    // Starts sound id on the dialog-sounds device (the settings' GUID text and name);
    // false, silently, when there is no such device, no such file, or it is not 16 bit.
    bool play(int id, AudioDeviceList& devices, const std::string& deviceGuid, const std::string& deviceName,
              UserPrompt& prompt);
    // Forgets the workers that have ended; returns how many still play.
    std::size_t reap();

private:
    std::filesystem::path resourceDir_;
    std::vector<std::unique_ptr<CNotifyThread>> workers_;
};

} // namespace velisto
