#pragma once
// The sound devices of the program: one record per output the audio system lists, the
// system's default output first as "Primary Sounddriver", each named by its description.
// A record is opened by that name on first use (its mixer and stream then run for the
// rest of the program); the Internal Sound Generator's channel routes pick the device of
// a note, and dialog sounds play on the device chosen for them.
//
// Thread contract: built, opened and searched on the user-interface thread; the records
// are written only there. A record's mixer is shared with the audio thread (see
// SoundMixer) and with the voices' workers, which only add and remove buffers.

#include "app/Settings.h"
#include "app/UserPrompt.h"
#include "midi/IsgChannelRoute.h"
#include "sampler/AudioSystem.h"
#include "sampler/SoundMixer.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

struct DirectSoundDevice {
    bool primary = false;
    std::string description;  // at most 80 characters kept
    std::string driver;       // the API's name, at most 80 characters kept
    std::string capabilities; // five lines, shown by the device choice dialog
    std::string guidText;     // the backend's device id; empty for the primary device
    AudioDeviceInfo info;
    bool open = false;
    std::unique_ptr<SoundMixer> mixer; // once open
    std::unique_ptr<AudioStream> stream;
};

class AudioDeviceList {
public:
    static constexpr std::string_view kPrimaryName = "Primary Sounddriver";
    static constexpr std::size_t kMaxTextLength = 80;

    explicit AudioDeviceList(AudioSystem& system) : system_(system) {}
    AudioDeviceList(const AudioDeviceList&) = delete;
    AudioDeviceList& operator=(const AudioDeviceList&) = delete;
    // Stops every open stream before the mixers go.
    ~AudioDeviceList();

    // Start-up: lists the devices. A failed listing or no device at all is fatal: the
    // message is shown (caption "Fatal error") and the result is false.
    bool enumerate(UserPrompt& prompt);
    // Start-up: opens every device the routes name; one warning per name that cannot be
    // found or opened.
    void openRoutedDevices(const std::vector<IsgChannelRoute>& routes, UserPrompt& prompt);

    const std::vector<DirectSoundDevice>& devices() const { return devices_; }
    DirectSoundDevice* find(std::string_view description);
    // True when the record of that description is open (now or already).
    bool open(std::string_view description, bool showErrors, UserPrompt& prompt);

    // The open record a note of (channel, key) plays on: the route of that channel and
    // that drum key, else the channel's route without drum key. Null when neither exists
    // or the chosen route's device is not open.
    DirectSoundDevice* findRouted(const std::vector<IsgChannelRoute>& routes, int channel, int key);
    // The device for dialog sounds and the wave editor: the record whose GUID text is
    // guidText, else (ids of a previous run may differ) the one named name; opened quietly
    // when it is not open yet. Null when there is none or it cannot be opened.
    DirectSoundDevice* dialogSoundsDevice(const std::string& guidText, const std::string& name, UserPrompt& prompt);

    // The master gain (dB) of every device's mix bus, open now or opened later.
    void setMasterGainDb(double db);
    double masterGainDb() const { return masterGainDb_; }

    // The capabilities text of a device as the device choice dialog shows it.
    static std::string capabilitiesText(const AudioDeviceInfo& info);

private:
    AudioSystem& system_;
    std::vector<DirectSoundDevice> devices_;
    double masterGainDb_ = AudioSettings{}.mastergain;
};

} // namespace velisto
