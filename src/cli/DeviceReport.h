#pragma once
// What `velisto-cli ports` prints: the output device table with each device's stored
// parameters, as readable text or as one JSON object.

#include "midi/DeviceTable.h"

#include <string>

namespace velisto {

// "placeholder", "generator" or "port".
std::string deviceKind(const OutputDevice& device);

// One block per device: index, kind, name, then its state and parameters.
std::string deviceTableText(const DeviceTable& table, const std::string& midiApi);

// {"api":"..","devices":[{"index":0,"name":"..","kind":"placeholder","open":false,...},..]}
std::string deviceTableJson(const DeviceTable& table, const std::string& midiApi);

} // namespace velisto
