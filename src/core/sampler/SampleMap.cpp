#include "sampler/SampleMap.h"

#include <utility>

namespace velisto {

void SampleMap::install(SampleLists programs, SampleLists drums, std::string igrPath)
{
    programs_ = std::move(programs);
    drums_ = std::move(drums);
    igrPath_ = std::move(igrPath);
    loaded_ = true;
}

void SampleMap::releaseAll()
{
    // Swapping with empty lists really frees the memory, clear() would keep it.
    for (SampleList& list : programs_)
        SampleList().swap(list);
    for (SampleList& list : drums_)
        SampleList().swap(list);
    std::string().swap(igrPath_);
    loaded_ = false;
}

SampleMap& sampleMap()
{
    static SampleMap map;
    return map;
}

} // namespace velisto
