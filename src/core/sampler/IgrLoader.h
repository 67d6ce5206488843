#pragma once
// Loads an instrument group file into a SampleMap: every named sample is opened to learn
// its original key and velocity range. Progress and every failure are reported only as
// status messages of the sound generator device; a failed load leaves the map empty and
// unloaded.
// Thread contract: runs on the sound generator's worker thread with the content lock held
// for the whole call (see SampleMap); the callbacks are called on that thread.

#include "sampler/SampleInfo.h"
#include "sampler/SampleMap.h"

#include <functional>
#include <string>

namespace velisto {

using StatusCallback = std::function<void(const std::string&)>;

struct IgrLoadHooks {
    StatusCallback status;                 // may be empty
    std::function<void()> releaseChannels; // called before a loaded map is freed; may be empty
};

// Loads igrPath (its samples are looked up in its directory) into map. True when loaded.
bool loadSampleMap(SampleMap& map, const std::string& igrPath, const SampleInfoReader& reader,
                   const IgrLoadHooks& hooks);

} // namespace velisto
