#pragma once
// The lines of the "Content of loaded .igr file" box: what the sample map holds, and the
// mastervoices (sample beginnings kept loaded for the programs in use) with the channels
// using them.
// Thread contract: the caller holds the sound generator's content lock while the map is read.

#include "sampler/SampleMap.h"

#include <string>
#include <vector>

namespace velisto {

struct MastervoiceUse {
    std::string name;
    std::vector<int> channels; // 0..15
};

// loading: a load is running; the map is then not read.
std::vector<std::string> igrContentLines(const SampleMap& map, bool loading,
                                         const std::vector<MastervoiceUse>& mastervoices);

} // namespace velisto
