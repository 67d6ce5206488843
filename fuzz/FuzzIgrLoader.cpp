// libFuzzer target: any bytes as an instrument group file, through the loader and through
// the editor's reader. Samples come from a stand-in reader that accepts or refuses a name
// and picks its key and velocity range from the name's bytes.

#include "sampler/IgrFile.h"
#include "sampler/IgrLoader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>

namespace {

std::optional<velisto::SampleInfo> fakeSample(const std::string& path, std::string& error)
{
    unsigned hash = 2166136261u;
    for (unsigned char c : velisto::fileNamePart(path))
        hash = (hash ^ c) * 16777619u;
    if (hash % 11 == 0) {
        error = "refused";
        return std::nullopt;
    }
    const int key = static_cast<int>(hash % 145) - 2; // none, keys, jokers and beyond
    const int low = static_cast<int>((hash >> 8) % 140) - 5;
    const int high = static_cast<int>((hash >> 16) % 140) - 5;
    return velisto::SampleInfo{key, low, high};
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() / ("velisto-fuzz-igr-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path.string() + "/";
    }();
    const std::string path = folder + "group.igr";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }

    velisto::SampleMap map;
    bool released = false;
    velisto::IgrLoadHooks hooks;
    hooks.releaseChannels = [&] { released = true; };
    const bool loaded = velisto::loadSampleMap(map, path, fakeSample, hooks);
    check(loaded == map.loaded() && !released);
    for (int i = 0; i < velisto::kSampleLists; ++i) {
        for (const velisto::SampleList* list : {&map.program(i), &map.drum(i)}) {
            check(loaded || list->empty());
            check(list->size() <= static_cast<std::size_t>(velisto::kMaxSamplesPerList));
            std::set<std::string> names;
            for (const velisto::SampleEntry& e : *list) {
                check(names.insert(e.name).second && e.name == velisto::lowerCase(e.name) && !e.name.empty());
                check(e.velocityLow >= 1 && e.velocityLow <= e.velocityHigh && e.velocityHigh <= 127);
                check(list == &map.drum(i) ? e.key == i : (e.key >= 0 && e.key <= 139));
            }
        }
    }
    // A second load releases the first one's channels.
    if (loaded) {
        velisto::loadSampleMap(map, path, fakeSample, hooks);
        check(released);
    }

    velisto::IgrLists lists;
    const velisto::IgrReadStatus status = velisto::readIgrFile(path, lists);
    check(status != velisto::IgrReadStatus::CannotOpen);
    // Whatever the loader accepts is a whole group to the editor too.
    check(!loaded || status == velisto::IgrReadStatus::Ok);
    if (status == velisto::IgrReadStatus::Ok) {
        // Written back, it is the input up to its 256th list, lower-cased, and one ';'.
        const std::vector<std::uint8_t> bytes = velisto::encodeIgr(lists);
        check(bytes.size() <= size + 1 && bytes.back() == ';');
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
            const char c = static_cast<char>(data[i]);
            check(static_cast<char>(bytes[i]) == velisto::lowerCase(std::string_view(&c, 1))[0]);
        }
    }
    return 0;
}
