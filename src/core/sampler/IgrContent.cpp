#include "sampler/IgrContent.h"

#include "sampler/IgrEditorModel.h"
#include "sampler/WaveFile.h"

namespace velisto {

namespace {

std::string keyText(int key)
{
    if (key < kFirstJokerKey || key > kLastJokerKey)
        return editorKeyText(key);
    std::string pitchClass = editorKeyText(key);
    pitchClass.pop_back(); // the '*'
    return pitchClass + "* (Joker, like having this sample assigned to all " + pitchClass + " notes)";
}

} // namespace

std::vector<std::string> igrContentLines(const SampleMap& map, bool loading,
                                         const std::vector<MastervoiceUse>& mastervoices)
{
    if (loading)
        return {"Sample map is currently loading, please wait untill its finished."};

    std::vector<std::string> lines{"Sample map:"};
    lines.push_back(map.loaded() ? map.igrPath() : "--- no .igr file loaded ---");
    lines.push_back("Loaded names of instrument .wav files:");
    if (map.loaded()) {
        for (int p = 0; p < kSampleLists; ++p) {
            for (const SampleEntry& e : map.program(p)) {
                lines.push_back("Program " + std::to_string(p + 1) + " " + e.name + " Key " + keyText(e.key) +
                                " - Velocity from " + std::to_string(e.velocityLow) + " to " +
                                std::to_string(e.velocityHigh));
            }
        }
    }
    lines.push_back("Loaded names of drum .wav files:");
    if (map.loaded()) {
        for (int k = 0; k < kSampleLists; ++k) {
            for (const SampleEntry& e : map.drum(k)) {
                lines.push_back("Drum key " + std::to_string(k) + " " + e.name + " Velocity from " +
                                std::to_string(e.velocityLow) + " to " + std::to_string(e.velocityHigh));
            }
        }
    }
    lines.push_back("Mastervoices (loaded sample beginnings caused by active programs for fast play at Note on):");
    for (const MastervoiceUse& voice : mastervoices) {
        std::string line = voice.name + " ch:";
        for (int channel : voice.channels)
            line += " " + std::to_string(channel + 1);
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace velisto
