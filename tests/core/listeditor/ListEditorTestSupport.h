#pragma once
// A song with one track for the list editor's tests, an output device of a chosen mode,
// and the context the cells read.

#include "core/midi/SysexTestSupport.h"
#include "listeditor/ListEditorContext.h"
#include "midi/MidiModeDefinition.h"
#include "midi/OutputDevice.h"
#include "midi/SlotPathDefinition.h"
#include "midi/SysexDecoder.h"
#include "song/Song.h"

#include <memory>
#include <string_view>

namespace velisto::test {

inline constexpr int kListTrack = 3;

// A receiver that speaks GS, XG and GM2, with the default slot paths; its live mode is
// set per test.
struct ListDevice : OutputDevice {
    explicit ListDevice(int mode) : OutputDevice(2, "Test synth")
    {
        gsSupported = true;
        xgSupported = true;
        gm2Supported = true;
        slotPaths = defaultSlotPaths();
        liveState.setMode(mode);
        trackMode = mode;
    }
};

class ListEditorFixture {
public:
    ListEditorFixture() : song_(std::make_unique<Song>()) { song_->ppq = 120; }

    Track& track() { return song_->tracks[kListTrack]; }
    int add(const MidiEvent& event) { return track().insertSorted(event); }
    int addSysex(std::int32_t tick, std::string_view hex) { return add(MidiEvent::sysexEvent(tick, stored(hex))); }

    // A context over the fixture's track; device may be null.
    ListEditorContext context(const OutputDevice* device = nullptr)
    {
        decoder_ = std::make_unique<SysexDecoder>(device);
        return listEditorContext(*song_, kListTrack, device, *decoder_);
    }

    std::unique_ptr<Song> song_;
    std::unique_ptr<SysexDecoder> decoder_;
};

} // namespace velisto::test
