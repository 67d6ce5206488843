#include "sampler/SampleMap.h"

#include "sampler/IgrFile.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
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

bool SampleMap::listsWaveFile(const std::string& wavePath) const
{
    if (!loaded_)
        return false;
    const auto folderOf = [](const std::filesystem::path& path) {
        return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    };
    const std::filesystem::path wave(wavePath);
    std::error_code ec;
    bool sameFolder = std::filesystem::equivalent(folderOf(wave), folderOf(igrPath_), ec);
    if (ec) // a folder gone since: compare the names
        sameFolder = folderOf(wave).lexically_normal() == folderOf(igrPath_).lexically_normal();
    if (!sameFolder)
        return false;
    const std::string name = lowerCase(wave.filename().string());
    const auto lists = [&](const SampleLists& all) {
        return std::any_of(all.begin(), all.end(), [&](const SampleList& list) {
            return std::any_of(list.begin(), list.end(), [&](const SampleEntry& e) { return e.name == name; });
        });
    };
    return lists(drums_) || lists(programs_);
}

SampleMap& sampleMap()
{
    static SampleMap map;
    return map;
}

} // namespace velisto
