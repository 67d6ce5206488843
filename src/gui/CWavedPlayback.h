#pragma once
// The wave editor's playback: a 65536-byte 16-bit 44100 Hz sound buffer on the device of
// the dialog sounds, filled by WavePlaybackFeeder, with notifications at both halves. Its
// CNotifyThread only posts the refill to the window; the fill itself runs on the
// user-interface thread, so the file is never read by two threads.
//
// Thread contract: user-interface thread only, except the worker's post.

#include "sampler/CNotifyThread.h"
#include "waveeditor/WavePlaybackFeeder.h"

#include <QObject>

#include <memory>
#include <string>

namespace velisto {

class SoundBuffer;
class SoundMixer;
class WaveFile;

class CWavedPlayback {
public:
    // window receives the posted refills; it must outlive the playback's worker (stop()).
    explicit CWavedPlayback(QObject& window) : window_(window) {}
    ~CWavedPlayback() { stop(); }
    CWavedPlayback(const CWavedPlayback&) = delete;
    CWavedPlayback& operator=(const CWavedPlayback&) = delete;

    // Plays [from, to) of wave's data on mixer, wrapping to wrapTo when loop is set. False,
    // with error set to the text to show, when playback could not start.
    bool start(const WaveFile& wave, std::int64_t from, std::int64_t to, bool loop, std::int64_t wrapTo,
               SoundMixer& mixer, std::string& error);
    // Stops the buffer, ends and joins the worker, and lets the buffer go.
    void stop();
    bool playing() const { return buffer_ != nullptr; }
    // The posted refill: fills the half that has finished playing; stops at the end.
    void refill();

private:
    QObject& window_;
    std::shared_ptr<SoundBuffer> buffer_;
    SoundMixer* mixer_ = nullptr;
    std::unique_ptr<WavePlaybackFeeder> feeder_;
    std::unique_ptr<CNotifyThread> worker_;
    int lastFilledHalf_ = 1;
};

} // namespace velisto
