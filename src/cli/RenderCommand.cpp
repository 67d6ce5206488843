#include "RenderCommand.h"

#include "CliPrompt.h"
#include "Commands.h"

#include "app/Progress.h"
#include "app/Settings.h"
#include "sampler/MidiToWave.h"
#include "settings/QtProfileStore.h"
#include "song/MidiFileReader.h"
#include "song/Song.h"
#include "soundlib/SoundFontInstaller.h"

#include <charconv>
#include <iomanip>
#include <memory>
#include <optional>
#include <ostream>

namespace velisto {

namespace {

// Whole percent steps on one line of err.
class LineProgress final : public Progress {
public:
    explicit LineProgress(std::ostream& err) : err_(err) {}
    void begin(std::string_view text) override { err_ << text << ": " << std::flush; }
    void advance(long long done, long long total) override
    {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
        if (percent / 10 > shown_ / 10) {
            shown_ = percent;
            err_ << percent << "% " << std::flush;
        }
    }
    void end() override { err_ << "done\n"; }

private:
    std::ostream& err_;
    int shown_ = 0;
};

// A gain in dB as --gain takes it: a number from kMinGainDb to kMaxGainDb.
constexpr double kMinGainDb = -60.0;
constexpr double kMaxGainDb = 24.0;

std::optional<double> parseGainDb(const std::string& text)
{
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !(value >= kMinGainDb && value <= kMaxGainDb))
        return std::nullopt;
    return value;
}

} // namespace

int runRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string path;
    std::string igr;
    std::string wav;
    std::optional<double> gainDb;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--gain") {
            if (i + 1 >= args.size())
                return reportUsage(err, "--gain needs a value in dB");
            gainDb = parseGainDb(args[++i]);
            if (!gainDb)
                return reportUsage(err, "--gain needs a number of dB from -60 to 24, not \"" + args[i] + "\"");
        } else if (arg == "--igr" || arg == "-o") {
            if (i + 1 >= args.size())
                return reportUsage(err, arg + " needs a file");
            (arg == "-o" ? wav : igr) = args[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            return reportUsage(err, "unknown option " + arg);
        } else if (path.empty()) {
            path = arg;
        } else {
            return reportUsage(err, "render takes one file");
        }
    }
    if (path.empty())
        return reportUsage(err, "render needs a file");
    if (wav.empty())
        return reportUsage(err, "render needs -o OUT.wav");
    const QtProfileStore store;
    if (igr.empty()) // the group the sound generator plays, as install-sounds configured it
        igr = store.getString(kAudioSection, kIgrPathKey, "");
    if (!gainDb)
        gainDb = loadSettings(store, "", 0, 0).audio.mastergain;
    if (igr.empty()) {
        err << "velisto-cli: no instrument group is configured; run velisto-cli install-sounds, or give "
               "--igr GROUP.igr\n";
        return kExitRefused;
    }

    auto song = std::make_unique<Song>();
    CliPrompt prompt(err, false);
    if (!MidiFileReader::load(path, *song, LoadOptions{}, prompt).ok)
        return kExitRefused;
    LineProgress progress(err);
    RenderOptions options;
    options.igrPath = igr;
    options.progress = &progress;
    options.masterGainDb = *gainDb;
    const RenderResult result = renderSongToWave(*song, options, wav);
    if (!result.warnings.empty())
        err << result.warnings;
    if (!result.ok) {
        err << "velisto-cli: " << result.error << '\n';
        return kExitRefused;
    }
    out << wav << ": " << result.frames << " frames, " << static_cast<double>(result.frames) / kRenderRate << " s\n";
    const double limitedPercent =
        result.frames > 0 ? 100.0 * static_cast<double>(result.limitedFrames) / static_cast<double>(result.frames) : 0.0;
    out << "master gain " << *gainDb << " dB, limiter active in " << std::fixed << std::setprecision(2)
        << limitedPercent << "% of the frames\n";
    return kExitOk;
}

} // namespace velisto
