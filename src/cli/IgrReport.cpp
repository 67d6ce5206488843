#include "IgrReport.h"

#include "Json.h"
#include "sampler/IgrContent.h"
#include "sampler/IgrEditorModel.h"
#include "sampler/IgrLoader.h"

#include <filesystem>
#include <memory>
#include <sstream>

namespace velisto {

namespace {

struct IgrLoad {
    std::string path;
    std::unique_ptr<SampleMap> map = std::make_unique<SampleMap>();
    bool loaded = false;
    std::string message; // the loader's last status message
};

IgrLoad loadGroup(const std::string& path, const SampleInfoReader& reader)
{
    IgrLoad load;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    load.path = ec ? path : absolute.string();
    IgrLoadHooks hooks;
    hooks.status = [&](const std::string& text) { load.message = text; };
    load.loaded = loadSampleMap(*load.map, load.path, reader, hooks);
    return load;
}

void writeSamples(std::ostream& out, const SampleList& list, bool withKey)
{
    out << "\"samples\":[";
    for (std::size_t i = 0; i < list.size(); ++i) {
        const SampleEntry& e = list[i];
        out << (i ? "," : "") << "{\"name\":" << jsonString(e.name);
        if (withKey)
            out << ",\"key\":" << e.key << ",\"keyName\":" << jsonString(editorKeyText(e.key));
        out << ",\"velocityLow\":" << e.velocityLow << ",\"velocityHigh\":" << e.velocityHigh << "}";
    }
    out << "]";
}

} // namespace

std::string igrInfoText(const std::string& path, bool& loaded, const SampleInfoReader& reader)
{
    const IgrLoad load = loadGroup(path, reader);
    loaded = load.loaded;
    if (!loaded)
        return load.message + "\n";
    std::string text;
    for (const std::string& line : igrContentLines(*load.map, false, {}))
        text += line + "\n";
    return text;
}

std::string igrInfoJson(const std::string& path, bool& loaded, const SampleInfoReader& reader)
{
    const IgrLoad load = loadGroup(path, reader);
    loaded = load.loaded;
    std::ostringstream out;
    out << "{\"ok\":" << (loaded ? "true" : "false") << ",\"file\":" << jsonString(load.path);
    if (!loaded) {
        out << ",\"error\":" << jsonString(load.message) << "}";
        return out.str();
    }
    for (const bool drums : {false, true}) {
        out << (drums ? ",\"drums\":[" : ",\"programs\":[");
        bool first = true;
        for (int i = 0; i < kSampleLists; ++i) {
            const SampleList& list = drums ? load.map->drum(i) : load.map->program(i);
            if (list.empty())
                continue;
            out << (first ? "" : ",") << (drums ? "{\"key\":" : "{\"program\":") << (drums ? i : i + 1) << ",";
            writeSamples(out, list, !drums);
            out << "}";
            first = false;
        }
        out << "]";
    }
    out << "}";
    return out.str();
}

} // namespace velisto
