#include "sampler/IgrLoader.h"

#include "sampler/IgrFile.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace velisto {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Builds one list; a message in error means the load fails.
class ListBuilder {
public:
    ListBuilder(SampleDirectory& directory, const SampleInfoReader& reader, bool drums, int number)
        : directory_(directory), reader_(reader), drums_(drums), number_(number)
    {
    }

    bool add(const std::string& name, SampleList& list, std::string& error)
    {
        std::string readerError;
        const std::optional<SampleInfo> info = reader_(directory_.resolve(name), readerError);
        if (!info) {
            error = prefix() + readerError;
            return false;
        }
        SampleEntry entry{name, number_, 1, 127};
        if (!drums_) {
            // A key beyond the joker keys is no playable placement either.
            if (info->originalKey < 0 || info->originalKey > kLastJokerKey) {
                error = "Program " + std::to_string(number_) + " Wave file " + name +
                        "\nhas either no selected 'original key' or\nno instrument and no sampler chunks.\n"
                        "Please choose 'original key'\nin Velisto's wave editor.";
                return false;
            }
            entry.key = info->originalKey;
        }
        entry.velocityLow = std::max(info->velocityLow, 1);
        entry.velocityHigh = std::min(info->velocityHigh, 127);
        if (entry.velocityHigh < entry.velocityLow) {
            entry.velocityLow = 1;
            entry.velocityHigh = 127;
        }
        if (list.size() >= static_cast<std::size_t>(kMaxSamplesPerList)) {
            error = prefix() + "Igr-file corrupt, more than 120 samples for one instrument.\n" + name;
            return false;
        }
        const auto same = [&](const SampleEntry& e) { return e.name == name; };
        if (std::any_of(list.begin(), list.end(), same)) {
            error = prefix() + "This wave file is listed twice.\n" + name;
            return false;
        }
        list.push_back(std::move(entry));
        return true;
    }

private:
    std::string prefix() const { return (drums_ ? "Drum instrument #" : "Program ") + std::to_string(number_) + "\n"; }

    SampleDirectory& directory_;
    const SampleInfoReader& reader_;
    bool drums_;
    int number_;
};

} // namespace

bool loadSampleMap(SampleMap& map, const std::string& igrPath, const SampleInfoReader& reader,
                   const IgrLoadHooks& hooks)
{
    const auto post = [&](const std::string& text) {
        if (hooks.status)
            hooks.status(text);
    };
    if (map.loaded() && hooks.releaseChannels)
        hooks.releaseChannels();
    map.releaseAll();

    const std::string directory = directoryPart(igrPath);
    if (directory.empty()) {
        post("No absolute path : \n\n" + igrPath);
        return false;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(igrPath.c_str(), "rb"));
    if (!file) {
        post("Can't open instrument group file : \n\n" + igrPath);
        return false;
    }
    const std::string corrupt = "No valid .igr file or file corrupt:\n" + igrPath;
    if (!readIgrMagic(file.get())) {
        post(corrupt);
        return false;
    }
    post("Loading .igr file");

    // Built aside and installed whole, so a failure leaves nothing behind.
    SampleLists programs;
    SampleLists drums;
    SampleDirectory samples(directory);
    std::string text;
    std::string error;
    for (SampleLists* section : {&programs, &drums}) {
        const bool isDrums = section == &drums;
        for (int number = 0; number < kSampleLists; ++number) {
            if (!readIgrList(file.get(), text)) {
                post(corrupt);
                return false;
            }
            ListBuilder builder(samples, reader, isDrums, number);
            SampleList& list = (*section)[static_cast<std::size_t>(number)];
            for (const std::string& name : splitNames(text)) {
                if (!builder.add(lowerCase(name), list, error)) {
                    post(error);
                    return false;
                }
            }
        }
    }
    map.install(std::move(programs), std::move(drums), igrPath);
    return true;
}

} // namespace velisto
