#pragma once
// What event output tells the windows about a device it sent through: the virtual
// keyboard, the track level meters, the device window and the track rows. Every method
// does nothing by default; the GUI overrides them to post a message to its own thread.
// Thread contract: called with the device's send lock held, from whichever thread sends;
// an implementation must only post (never touch a window or call back into sending).

#include <string_view>

namespace velisto {

class OutputNotifier {
public:
    virtual ~OutputNotifier() = default;

    // The keyboard showing this device and channel: a key went down (velocity > 0) or up.
    virtual void keyboardKey(int /*device*/, int /*channel*/, int /*key*/, int /*velocity*/) {}
    // Its pitch wheel (-8192..8191) and program (0..127).
    virtual void keyboardPitch(int /*device*/, int /*channel*/, int /*bend*/) {}
    virtual void keyboardProgram(int /*device*/, int /*channel*/, int /*program*/) {}
    // Its volume and pitch display go back to their reset values; channel -1: all.
    virtual void keyboardReset(int /*device*/, int /*channel*/) {}
    // The track's level meter rises to level 1..10 unless it shows more already.
    virtual void levelMeter(int /*track*/, int /*level*/) {}
    // The device window redraws a field: "devicemode", "parts", "lastxgvarigrp", or
    // everything for an empty name.
    virtual void deviceWindowRefresh(int /*device*/, std::string_view /*field*/) {}
    // The tracks of the device on the channel show new program names or knob values.
    virtual void channelTracksChanged(int /*device*/, int /*channel*/) {}
    virtual void knobsChanged(int /*device*/, int /*channel*/) {}
    // Every track row of the device refreshes its program name.
    virtual void programNamesChanged(int /*device*/) {}
};

} // namespace velisto
