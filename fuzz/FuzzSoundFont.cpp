// libFuzzer target: any bytes as the SoundFont the sound library is made from. The
// installer must answer with a library or a clear error, never crash or hang, and a
// library it reports must load as an instrument group.
//
// Input: the whole input is the .sf2 file.

#include "sampler/IgrLoader.h"
#include "sampler/SampleInfo.h"
#include "sampler/SampleMap.h"
#include "soundlib/SoundFontInstaller.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path& scratch()
{
    static const fs::path path = fs::temp_directory_path() / ("velisto-fuzz-sf2-" + std::to_string(::getpid()));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fs::remove_all(scratch());
    fs::create_directories(scratch() / "out");
    const fs::path font = scratch() / "in.sf2";
    std::ofstream(font, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    velisto::SoundInstallOptions options;
    options.soundFont = font.string();
    options.destination = (scratch() / "out").string();
    const velisto::SoundInstallResult result = velisto::installSoundFont(options, nullptr);
    if (!result.ok) {
        if (result.error.empty())
            std::abort(); // a refusal must say why
        return 0;
    }
    velisto::SampleMap map;
    if (!velisto::loadSampleMap(map, result.igrPath, velisto::readSampleInfo, {}))
        std::abort();
    return 0;
}
