#include "PlayCommands.h"

#include "CliPrompt.h"
#include "Commands.h"
#include "app/QueueUiNotifier.h"
#include "app/Settings.h"
#include "audio/AudioBackend.h"
#include "audio/GeneratorAudio.h"
#include "engine/Engine.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/MidiInputText.h"
#include "playback/MidiInputConnection.h"
#include "playback/MidiInputRouter.h"
#include "playback/OutputMonitor.h"
#include "playback/PlayController.h"
#include "playback/PlayMessages.h"
#include "sampler/SampleMap.h"
#include "sampler/Sampler.h"
#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"
#include "song/Positions.h"
#include "soundlib/SoundFontInstaller.h"

#include <unistd.h>

#include <array>
#include <charconv>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <numeric>
#include <optional>
#include <ostream>
#include <thread>

namespace velisto {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// How often the command looks at the engine's posts and the monitor.
constexpr auto kPollInterval = 5ms;
// How long a run may take to start recording before the input port is opened anyhow.
constexpr auto kRecordStartTimeout = 5s;
// The longest recording --seconds accepts: one day.
constexpr double kMaxRecordSeconds = 24.0 * 3600.0;

// ---- interrupts ----

volatile std::sig_atomic_t interrupts = 0;

extern "C" void onInterrupt(int)
{
    interrupts = interrupts + 1;
    // The first asks for the normal stop; a second means the user does not want to wait.
    if (interrupts >= 2)
        ::_exit(130);
}

// SIGINT and SIGTERM ask for the stop while the command runs; the previous handlers come
// back afterwards (tests run commands inside their own process).
class InterruptScope {
public:
    InterruptScope()
    {
        interrupts = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &previousInt_);
        ::sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~InterruptScope()
    {
        ::sigaction(SIGINT, &previousInt_, nullptr);
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
    }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

    static bool interrupted() { return interrupts > 0; }

private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

// ---- arguments ----

std::optional<int> parseInt(const std::string& text, int min, int max)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<double> parseSeconds(const std::string& text)
{
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !(value > 0.0) || value > kMaxRecordSeconds)
        return std::nullopt;
    return value;
}

bool allDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string quotedList(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += "\n  \"" + name + "\"";
    return text.empty() ? "\n  (none)" : text;
}

// A name as the user typed it: the port with exactly that name, else the one port whose
// name contains it. problem says why none was chosen.
int findPort(const std::vector<std::string>& names, const std::string& wanted, const std::string& what,
             std::string& problem)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted)
            return static_cast<int>(i);
    std::vector<std::string> matches;
    int match = -1;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].find(wanted) != std::string::npos) {
            matches.push_back(names[i]);
            match = static_cast<int>(i);
        }
    if (matches.size() == 1)
        return match;
    if (matches.empty())
        problem = "no " + what + " is named \"" + wanted + "\"; there are:" + quotedList(names);
    else
        problem = "\"" + wanted + "\" names more than one " + what + ":" + quotedList(matches);
    return -1;
}

// A port or device argument that names nothing usable: the reason alone, without the
// whole usage text, which would bury it.
int badChoice(std::ostream& err, const std::string& problem)
{
    err << "velisto-cli: " << problem << '\n';
    return kExitUsage;
}

std::vector<std::string> deviceNames(const DeviceTable& table)
{
    std::vector<std::string> names;
    for (int i = 0; i < table.count(); ++i)
        names.push_back(table.device(i).name);
    return names;
}

// The device of a --port NAME, --device INDEX or --thru NAME|INDEX argument; -1 with the
// problem told (exit status 2).
int chooseDevice(const DeviceTable& table, const std::optional<std::string>& name, const std::optional<int>& index,
                 std::ostream& err)
{
    if (index) {
        if (table.validIndex(*index))
            return *index;
        badChoice(err, "there is no output device " + std::to_string(*index) + " (0.." +
                           std::to_string(table.count() - 1) + ", see velisto-cli ports)");
        return -1;
    }
    if (name) {
        std::string problem;
        const int found = findPort(deviceNames(table), *name, "output device", problem);
        if (found < 0)
            badChoice(err, problem);
        return found;
    }
    // The device the user last played through: default in the stored records and open then.
    for (int i = 0; i < table.count(); ++i)
        if (table.device(i).isDefault && table.device(i).wasOpen)
            return i;
    badChoice(err, "no default output device is stored; choose one with --port NAME or --device INDEX "
                   "(see velisto-cli ports)");
    return -1;
}

std::vector<int> allTracks()
{
    std::vector<int> tracks(kTrackCount);
    std::iota(tracks.begin(), tracks.end(), 0);
    return tracks;
}

std::string deviceLabel(const DeviceTable& table, int index)
{
    return std::to_string(index) + " \"" + table.device(index).name + "\"";
}

// ---- the user-interface side of a run ----

// Prints what the output monitor logged since the last call, its "\r\n" as "\n".
class MonitorPrinter {
public:
    MonitorPrinter(OutputMonitor& monitor, std::ostream& out) : monitor_(monitor), out_(out) {}

    void print()
    {
        std::string text = monitor_.takeRefresh();
        // A run starts by clearing the log: then everything in it is new.
        const std::size_t from = text.starts_with(shown_) ? shown_.size() : 0;
        for (std::size_t i = from; i < text.size(); ++i)
            if (text[i] != '\r')
                out_ << text[i];
        out_.flush();
        shown_ = std::move(text);
    }
    // Prints the rest of this run's log before the next run clears it. What was shown stays
    // remembered: until the next run clears the log, the text is still this run's.
    void finishRun() { print(); }

private:
    OutputMonitor& monitor_;
    std::ostream& out_;
    std::string shown_;
};

struct LoopOutcome {
    std::optional<RunEnd> lastEnd; // the last run's end, finished
};

// Takes the engine's posts until the run has ended and been finished; restart is called
// for each loop restart the engine asks for, and stopAt (if any) stops the run at that time.
template <typename Restart>
LoopOutcome driveRuns(PlayController& controller, QueueUiNotifier& notifier, MonitorPrinter* printer, Restart&& restart,
                      std::optional<std::chrono::steady_clock::time_point> stopAt = std::nullopt)
{
    LoopOutcome outcome;
    bool stopping = false;
    for (;;) {
        if (!stopping && (InterruptScope::interrupted() || (stopAt && std::chrono::steady_clock::now() >= *stopAt))) {
            stopping = true;
            controller.stop();
        }
        bool restarted = false;
        // finishRun posts the pending command at once: take again until nothing is left.
        for (std::vector<QueueUiNotifier::Post> posts = notifier.take(); !posts.empty();
             posts = notifier.take()) {
            for (const QueueUiNotifier::Post& post : posts) {
                if (post.message == kPlayRunEndedMessage) {
                    if (std::optional<RunEnd> end = controller.finishRun())
                        outcome.lastEnd = std::move(end);
                } else if (post.message == kWmCommand && post.wparam == CommandId::PlayLoop && !stopping) {
                    if (printer)
                        printer->finishRun();
                    restarted = restart();
                }
            }
        }
        if (printer)
            printer->print();
        if (!controller.runExists() && !restarted)
            return outcome;
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::string startFailure(StartOutcome outcome)
{
    switch (outcome) {
    case StartOutcome::Refused:
        return "the play engine refused to start";
    case StartOutcome::NotStarted:
        return "the play engine could not start";
    default:
        return "the play engine did not start";
    }
}

// Checked before recording so that a take is not lost to a path that cannot be written.
std::string outputPathProblem(const fs::path& path)
{
    std::error_code error;
    if (fs::is_directory(path, error))
        return path.string() + " is a folder";
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, error))
        return "the folder " + parent.string() + " does not exist";
    if (::access(parent.c_str(), W_OK) != 0)
        return "the folder " + parent.string() + " is not writable";
    return {};
}

} // namespace

int runPlay(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string path;
    std::optional<std::string> portName;
    std::optional<int> deviceIndex;
    std::optional<int> fromMeasure;
    std::optional<int> toMeasure;
    bool loop = false;
    bool monitorWanted = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--loop") {
            loop = true;
        } else if (arg == "--monitor") {
            monitorWanted = true;
        } else if (arg == "--port" || arg == "--device" || arg == "--from" || arg == "--to") {
            if (i + 1 >= args.size())
                return reportUsage(err, arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--port") {
                portName = value;
                continue;
            }
            // Measures are shown from 1; the last one that fits a tick is far below this.
            const std::optional<int> number = parseInt(value, arg == "--device" ? 0 : 1, 9999999);
            if (!number)
                return reportUsage(err, arg + " needs a " + (arg == "--device" ? "device index" : "measure number") +
                                            " (" + (arg == "--device" ? "0" : "1") + " or more), not \"" + value +
                                            "\"");
            (arg == "--device" ? deviceIndex : arg == "--from" ? fromMeasure : toMeasure) = number;
        } else if (arg.starts_with("--")) {
            return reportUsage(err, "unknown option " + arg);
        } else if (path.empty()) {
            path = arg;
        } else {
            return reportUsage(err, "play takes one file");
        }
    }
    if (path.empty())
        return reportUsage(err, "play needs a file");
    if (portName && deviceIndex)
        return reportUsage(err, "give either --port or --device, not both");
    const int from = fromMeasure.value_or(1);
    if (toMeasure && *toMeasure < from)
        return reportUsage(err, "--to " + std::to_string(*toMeasure) + " lies before --from " + std::to_string(from));

    QueueUiNotifier notifier; // outlives the engine, whose timer thread posts to it
    auto engine = std::make_unique<Engine>(notifier);
    CliPrompt prompt(err, false);
    const LoadResult loaded = MidiFileReader::load(path, *engine->song, LoadOptions{}, prompt);
    if (!loaded.ok)
        return kExitRefused;
    Song& song = *engine->song;
    const std::string songName = fs::path(path).filename().string();

    const std::int32_t endOfSong = songEndTick(song);
    const std::int32_t startTick = measureStart(song, from - 1);
    if (from > 1 && startTick >= endOfSong)
        return badChoice(err, "--from " + std::to_string(from) + " lies after the song's end (measure " +
                                  std::to_string(measureOfTick(song, std::max(endOfSong - 1, 0)) + 1) + ")");
    const std::int32_t endTick = toMeasure ? measureStart(song, *toMeasure) : endOfSong;

    const int device = chooseDevice(engine->table, portName, deviceIndex, err);
    if (device < 0)
        return kExitUsage;
    const std::string group = engine->store->getString(kAudioSection, kIgrPathKey, "");
    const bool generator = engine->table.device(device).isGenerator() && !group.empty();
    if (engine->table.device(device).isGenerator() && group.empty())
        err << "velisto-cli: the Internal Sound Generator has no instrument group and plays silently; "
               "velisto-cli install-sounds makes one\n";
    if (generator) {
        engine->makeGeneratorAudio(createAudioSystem());
        if (!engine->generatorAudio->install(engine->table, &engine->monitor, group, prompt))
            return kExitRefused;
        if (engine->generatorAudio->silent())
            err << "velisto-cli: no audio output device: the Internal Sound Generator plays silently "
                   "(velisto-cli render writes its sound to a file)\n";
    }
    const std::vector<int> tracks = allTracks();
    if (std::string problem = engine->table.assignTracks(song, tracks, device); !problem.empty()) {
        err << "velisto-cli: output device " << deviceLabel(engine->table, device) << ": " << problem << '\n';
        return kExitRefused;
    }
    if (generator) {
        if (Sampler* sampler = engine->generatorAudio->sampler()) {
            sampler->waitForContent(); // the group and the first programs, before the first note
            if (!sampleMap().loaded()) {
                err << "velisto-cli: " << sampler->status().text << '\n';
                return kExitRefused;
            }
        }
    }
    engine->output.setAdjustDelay(engine->settings.general.detsenddelay);

    std::optional<MonitorPrinter> printer;
    if (monitorWanted) {
        engine->monitor.open();
        printer.emplace(engine->monitor, out);
    }

    const InterruptScope interruptScope;
    PlayController controller(engine->environment(), song, prompt);
    controller.setSongName(songName);
    const TickRange range{startTick, endTick};
    const auto start = [&]() -> StartOutcome {
        if (loop)
            return controller.playLoop(range, engine->settings);
        return controller.play(startTick, toMeasure ? std::optional<TickRange>(range) : std::nullopt, engine->settings);
    };
    if (const StartOutcome started = start(); started != StartOutcome::Started) {
        err << "velisto-cli: " << startFailure(started) << '\n';
        return kExitRefused;
    }
    bool restartFailed = false;
    const LoopOutcome outcome = driveRuns(controller, notifier, printer ? &*printer : nullptr, [&] {
        if (start() == StartOutcome::Started)
            return true;
        restartFailed = true;
        return false;
    });
    if (restartFailed) {
        err << "velisto-cli: loop play could not start again\n";
        return kExitRefused;
    }
    if (!outcome.lastEnd) {
        err << "velisto-cli: the run ended without finishing\n";
        return kExitRefused;
    }
    return kExitOk;
}

int runRecord(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::optional<std::string> inName;
    std::optional<std::string> thru;
    std::optional<std::string> outPath;
    std::optional<double> seconds;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg != "--in" && arg != "--thru" && arg != "--out" && arg != "--seconds")
            return reportUsage(err, arg.starts_with("--") ? "unknown option " + arg : "record takes no file but --out");
        if (i + 1 >= args.size())
            return reportUsage(err, arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--in") {
            inName = value;
        } else if (arg == "--thru") {
            thru = value;
        } else if (arg == "--out") {
            outPath = value;
        } else {
            seconds = parseSeconds(value);
            if (!seconds)
                return reportUsage(err, "--seconds needs a positive number of seconds, not \"" + value + "\"");
        }
    }
    if (!inName)
        return reportUsage(err, "record needs an input port: --in PORT");
    if (!outPath)
        return reportUsage(err, "record needs a file to save to: --out FILE");
    if (const std::string problem = outputPathProblem(*outPath); !problem.empty()) {
        err << "velisto-cli: can't save the recording to " << *outPath << ": " << problem << '\n';
        return kExitRefused;
    }

    QueueUiNotifier notifier; // outlives the engine, whose timer thread posts to it
    auto engine = std::make_unique<Engine>(notifier);
    CliPrompt prompt(err, false);
    std::string problem;
    const int inputPort = findPort(engine->ports->inputPortNames(), *inName, "MIDI input port", problem);
    if (inputPort < 0)
        return badChoice(err, problem);
    int device = DeviceTable::kPlaceholderIndex;
    if (thru) {
        const std::optional<int> index = allDigits(*thru) ? parseInt(*thru, 0, 1 << 30) : std::nullopt;
        device = chooseDevice(engine->table, index ? std::nullopt : thru, index, err);
        if (device < 0)
            return kExitUsage;
    }

    Song& song = *engine->song;
    song.clear(device);
    const std::vector<int> tracks = allTracks();
    if (std::string refusal = engine->table.assignTracks(song, tracks, device); !refusal.empty()) {
        err << "velisto-cli: output device " << deviceLabel(engine->table, device) << ": " << refusal << '\n';
        return kExitRefused;
    }
    engine->output.setAdjustDelay(engine->settings.general.detsenddelay);

    MidiInputRouter router(song, engine->table, engine->output, engine->monitor);
    InputRouting routing = InputRouting::of(engine->settings.general);
    routing.midithru = thru.has_value();
    router.setRouting(routing);
    router.setCurrentTrack(0);

    const InterruptScope interruptScope;
    PlayController controller(engine->environment(&router), song, prompt);
    controller.setSongName(fs::path(*outPath).filename().string());
    const auto begun = std::chrono::steady_clock::now();
    if (const StartOutcome started = controller.record(0, 0, engine->settings); started != StartOutcome::Started) {
        err << "velisto-cli: " << startFailure(started) << '\n';
        return kExitRefused;
    }
    // The keyboard is connected once the run records, so that nothing it plays first is
    // only echoed instead of recorded.
    const auto startDeadline = begun + kRecordStartTimeout;
    for (CMidiThread* run = controller.playThread();
         run && !run->recording() && !run->ended() && std::chrono::steady_clock::now() < startDeadline;
         run = controller.playThread())
        std::this_thread::sleep_for(1ms);

    MidiInputConnection input;
    if (const MidiOpenError error = input.open(*engine->ports, inputPort, router); error != MidiOpenError::None) {
        err << "velisto-cli: " << midiInputOpenFailureText(error, MidiInputOpenContext::StartUp) << '\n';
        controller.stopAndWait(5s);
        return kExitRefused;
    }
    out << "recording from \"" << engine->ports->inputPortNames()[static_cast<std::size_t>(inputPort)] << "\" to "
        << deviceLabel(engine->table, device)
        << (seconds ? " for " + std::to_string(*seconds) + " s" : std::string(", Ctrl+C stops")) << '\n';
    out.flush();

    std::optional<std::chrono::steady_clock::time_point> stopAt;
    if (seconds)
        stopAt = begun + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                             std::chrono::duration<double>(*seconds));
    const LoopOutcome outcome = driveRuns(
        controller, notifier, nullptr, [] { return false; }, stopAt);
    input.close();
    if (!outcome.lastEnd) {
        err << "velisto-cli: the recording ended without finishing; nothing was saved\n";
        return kExitRefused;
    }
    if (outcome.lastEnd->bufferFull)
        err << "velisto-cli: " << kRecordBufferFullText << '\n';

    SaveResult saved = MidiFileWriter::write(*outPath, song, false, prompt);
    if (!saved.ok) {
        // The take exists only in memory: keep it somewhere rather than lose it.
        const fs::path rescue =
            fs::temp_directory_path() / ("velisto-recording-" + std::to_string(::getpid()) + ".mid");
        err << "velisto-cli: " << (saved.error.empty() ? "not saved" : saved.error) << '\n';
        if (MidiFileWriter::write(rescue, song, false, prompt).ok)
            err << "velisto-cli: the recording was saved to " << rescue.string() << " instead\n";
        return kExitRefused;
    }
    out << "recorded " << outcome.lastEnd->recordedEvents << " events\nwrote " << *outPath << '\n';
    return kExitOk;
}

} // namespace velisto
