#pragma once
// Shared by the instrument group tests: a scratch folder, .igr images and a sample reader
// that answers from a table instead of reading .wav files.

#include "sampler/IgrFile.h"
#include "sampler/SampleInfo.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace velisto::test {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag)
        : path_(std::filesystem::temp_directory_path() / ("velisto-" + tag + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }
    // The folder with a trailing '/', the way directories of .igr paths look.
    std::string dir() const { return path_.string() + "/"; }
    std::string file(const std::string& name) const { return dir() + name; }
    void write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(file(name), std::ios::binary) << bytes;
    }

private:
    std::filesystem::path path_;
};

// magic + the lists; lists not given are empty.
inline std::string igrImage(const std::map<int, std::string>& programs, const std::map<int, std::string>& drums = {})
{
    std::string image(kIgrMagic);
    for (const auto* section : {&programs, &drums}) {
        for (int i = 0; i < kIgrListCount; ++i) {
            const auto found = section->find(i);
            image += (found != section->end() ? found->second : std::string()) + ";";
        }
    }
    return image + ";";
}

// Answers by the file name part of the path; names not in the table cannot be read.
struct FakeSamples {
    std::map<std::string, SampleInfo> table;
    std::vector<std::string> asked; // paths, in order

    SampleInfoReader reader()
    {
        return [this](const std::string& path, std::string& error) -> std::optional<SampleInfo> {
            asked.push_back(path);
            const auto found = table.find(fileNamePart(path));
            if (found == table.end()) {
                error = "Can't open " + path;
                return std::nullopt;
            }
            return found->second;
        };
    }
};

inline std::string numberedNames(int count)
{
    std::string list;
    for (int i = 0; i < count; ++i)
        list += (i ? "," : "") + ("s" + std::to_string(i) + ".wav");
    return list;
}

} // namespace velisto::test
