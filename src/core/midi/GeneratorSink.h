#pragma once
// The Internal Sound Generator's voice operations, as event output drives them: what a
// port would receive as bytes, the generator receives as these calls. The sampler
// implements it; without a sink the generator device stays silent.
// Thread contract: called by event output with the device's send lock held (from the
// user-interface thread, the play timer callback or the MIDI input callback), so an
// implementation may read the device's live state; it must not block for long.

#include <vector>

namespace velisto {

class GeneratorSink {
public:
    virtual ~GeneratorSink() = default;

    // channel 0..15, key and velocity 0..127.
    virtual void startVoice(int channel, int key, int velocity) = 0;
    // Every sounding voice of that key on that channel goes into its release.
    virtual void releaseVoices(int channel, int key) = 0;
    // Hi-hat choke: the sounding voices of key 46 (open hi-hat) on the channel stop.
    virtual void stopOpenHiHat(int channel) = 0;
    // Every sounding voice of the channel follows the channel's pitch bend in the live
    // state. Returns the keys whose rate would exceed the generator's limit; those voices
    // keep their rate.
    virtual std::vector<int> retuneChannel(int channel) = 0;
    // Controller 7, 10 or 11 changed on the channel (or the master volume, given as 7):
    // its voices follow volume, pan or expression of the live state.
    virtual void updateChannelMix(int channel, int controllerNumber) = 0;
    // All sounds off / all notes off: every voice of the channel is released.
    virtual void releaseChannel(int channel) = 0;
    // A mode reset: every voice of the device is released.
    virtual void releaseAll() = 0;
    // Programs, banks or part assignments changed: load the samples they need (in the
    // background).
    virtual void reloadSamples() = 0;
};

} // namespace velisto
