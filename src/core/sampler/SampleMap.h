#pragma once
// The samples the internal sound generator plays: for each of the 128 General MIDI
// programs and each of the 128 drum keys, the .wav files of the active instrument group
// with their key and velocity placement. One map per process, shared by every sound
// generator device; IgrLoader fills it.
// Thread contract: loads and releases run one at a time under the sound generator's
// content lock, which the caller holds for the whole load or release; readers (note-on
// lookups) hold the same lock. The map itself does no locking.

#include <array>
#include <string>
#include <vector>

namespace velisto {

inline constexpr int kSampleLists = 128; // programs, and drum keys
inline constexpr int kMaxSamplesPerList = 120;

struct SampleEntry {
    std::string name; // file name, lower case
    // Programs: 0..127 a MIDI key, 128..139 a joker key for a pitch class ("C*".."B*").
    // Drums: the drum key; not used for pitch.
    int key = 0;
    int velocityLow = 1;    // 1..127
    int velocityHigh = 127; // velocityLow..127

    bool operator==(const SampleEntry&) const = default;
};

using SampleList = std::vector<SampleEntry>;
using SampleLists = std::array<SampleList, kSampleLists>;

class SampleMap {
public:
    bool loaded() const { return loaded_; }
    // The .igr file the map was loaded from; empty while not loaded.
    const std::string& igrPath() const { return igrPath_; }
    // Entries in stored order; program and key 0..127.
    const SampleList& program(int program) const { return programs_[static_cast<std::size_t>(program)]; }
    const SampleList& drum(int key) const { return drums_[static_cast<std::size_t>(key)]; }

    // Whether the map lists the .wav file at wavePath: it lies in the folder of igrPath()
    // and its name (case-insensitive) is in a drum list or, after them, a program list.
    bool listsWaveFile(const std::string& wavePath) const;

    // Takes a completely built group and marks the map loaded.
    void install(SampleLists programs, SampleLists drums, std::string igrPath);
    // Frees every entry and clears the loaded flag. The channels playing from the map
    // must have been released first.
    void releaseAll();

private:
    bool loaded_ = false;
    std::string igrPath_;
    SampleLists programs_;
    SampleLists drums_;
};

// The process-wide map the sound generator devices share.
SampleMap& sampleMap();

} // namespace velisto
