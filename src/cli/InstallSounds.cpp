#include "InstallSounds.h"

#include "Commands.h"
#include "app/Progress.h"
#include "settings/QtProfileStore.h"
#include "soundlib/SoundFontInstaller.h"

#include <cstdint>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <string_view>

namespace velisto {

namespace {

// One line on err, rewritten whenever the percentage changes.
class PercentProgress : public Progress {
public:
    explicit PercentProgress(std::ostream& err) : err_(err) {}

    void begin(std::string_view text) override
    {
        text_ = text;
        percent_ = -1;
        advance(0, 1);
    }
    void advance(long long done, long long total) override
    {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        if (percent == percent_)
            return;
        percent_ = percent;
        err_ << '\r' << text_ << ": " << std::setw(3) << percent << '%' << std::flush;
    }
    void end() override { err_ << '\n'; }

private:
    std::ostream& err_;
    std::string text_;
    int percent_ = -1;
};

std::string megabytes(std::int64_t bytes)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << static_cast<double>(bytes) / (1024.0 * 1024.0) << " MB";
    return text.str();
}

} // namespace

int runInstallSounds(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    SoundInstallOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg != "--soundfont" && arg != "--dest")
            return reportUsage(err, "install-sounds takes only --soundfont SF2 and --dest DIR, not " + arg);
        if (i + 1 >= args.size() || args[i + 1].empty())
            return reportUsage(err, arg + " needs a value");
        (arg == "--soundfont" ? options.soundFont : options.destination) = args[++i];
    }

    PercentProgress progress(err);
    const SoundInstallResult result = installSoundFont(options, &progress);
    for (const std::string& note : result.notes)
        err << "velisto-cli: note: " << note << '\n';
    if (!result.ok) {
        err << "velisto-cli: " << result.error << '\n';
        return kExitRefused;
    }
    out << "wrote " << result.sampleCount << " samples (" << megabytes(result.totalBytes) << ") from "
        << result.soundFont << " to " << result.folder << '\n'
        << "instrument group: " << result.igrPath << '\n';

    QtProfileStore store;
    std::string error;
    if (!configureInstrumentGroup(store, result.igrPath, error)) {
        err << "velisto-cli: the sounds are installed, but the instrument group could not be made the "
               "configured one: "
            << error << '\n';
        return kExitRefused;
    }
    out << "configured as the instrument group of the sound generator\n";
    return kExitOk;
}

} // namespace velisto
