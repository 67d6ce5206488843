#pragma once
// What `velisto-cli igr-info FILE [--json]` prints: the instrument group loaded the way the
// sound generator loads it (samples read with the wave reader), as the content listing or
// as one JSON object; when the load fails, the loader's message.
// Thread contract: the program's main thread.

#include "sampler/SampleInfo.h"

#include <string>

namespace velisto {

// A relative path is taken from the current directory. loaded tells whether the group
// loaded (exit status).
std::string igrInfoText(const std::string& path, bool& loaded, const SampleInfoReader& reader = readSampleInfo);
// {"ok":true,"file":"..","programs":[{"program":1,"samples":[{"name":"..","key":60,"keyName":"C5",
// "velocityLow":1,"velocityHigh":127}]}],"drums":[{"key":36,"samples":[{"name":"..",
// "velocityLow":1,"velocityHigh":127}]}]} listing only lists that hold samples, programs
// counted from 1; {"ok":false,"file":"..","error":".."} when the load fails.
std::string igrInfoJson(const std::string& path, bool& loaded, const SampleInfoReader& reader = readSampleInfo);

} // namespace velisto
