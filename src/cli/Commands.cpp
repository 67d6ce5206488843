#include "Commands.h"

#include "CheckReport.h"
#include "CliPrompt.h"
#include "DeviceReport.h"
#include "EditCommand.h"
#include "IgrReport.h"
#include "InstallSounds.h"
#include "PlayCommands.h"
#include "RenderCommand.h"
#include "SongReport.h"
#include "SysexReport.h"
#include "WaveReport.h"
#include "audio/AudioBackend.h"
#include "midi/MidiBackend.h"
#include "midi/MidiModeDefinition.h"
#include "sampler/AudioDeviceList.h"
#include "sampler/WaveFile.h"
#include "settings/QtProfileStore.h"
#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"

#include <memory>
#include <optional>
#include <ostream>

namespace velisto {

namespace {

constexpr const char* kUsage =
    "usage: velisto-cli <command> [arguments]\n"
    "\n"
    "commands:\n"
    "  info FILE [--json] [--events]   load a MIDI file, print its load report and a summary\n"
    "  convert IN OUT                  load IN and save it as OUT (Standard MIDI File, format 1)\n"
    "  ports [--json]                  list the MIDI output devices with their stored parameters\n"
    "  check FILE [--mode GM|GS|XG|GM2] [--supports GS,XG,GM2] [--json]\n"
    "                                  play FILE into a receiver of that power-on mode (default GM)\n"
    "                                  and standards (the mode's own is implied), sending nothing,\n"
    "                                  and list every event it refuses (skipped) or flags (sent anyhow)\n"
    "  sysex [--json] [--mode GM|GS|XG|GM2] HEXBYTES...\n"
    "                                  decode one system exclusive message (F0 ... F7)\n"
    "  play FILE [--port NAME|--device INDEX] [--from MEASURE] [--to MEASURE] [--loop] [--monitor]\n"
    "                                  play FILE through one output device (default: the stored\n"
    "                                  default device) from measure --from (default 1) to the end of\n"
    "                                  measure --to (default: the song's end); --loop repeats that range\n"
    "                                  until Ctrl+C; --monitor prints the output monitor's log\n"
    "  record --in PORT --out FILE [--thru DEVICE] [--seconds N]\n"
    "                                  record MIDI input port PORT into a new song, after a count-in\n"
    "                                  measure, and save it as FILE; stops N seconds after the start\n"
    "                                  (count-in included) or on Ctrl+C; --thru echoes the input to\n"
    "                                  DEVICE (a name or an index), without it nothing is echoed\n"
    "  wav-info FILE [--json]          a wave file's format, lengths, original key, gain, velocity\n"
    "                                  range, loop, cue points and fast view image, or why it is refused\n"
    "  igr-info FILE [--json]          load an instrument group file with its samples and list what\n"
    "                                  each program and drum key plays, or why the load failed\n"
    "  edit FILE -o OUT [--tracks A-B] [--measures M-N] OPERATION [options]\n"
    "                                  one edit function over tracks and measures (from 1): quantize\n"
    "                                  (--grid N, --length-grid N, --notes-only), pitch (--semitones N |\n"
    "                                  --from KEY --to KEY), move (--ticks N), notelength (--ticks N),\n"
    "                                  channel (--from C --to C), value (--kind velocity|controller|nrpn|\n"
    "                                  drumnrpn [--param N] [--key K] --absolute V | --percent V), delete,\n"
    "                                  insert (measures), split-channels (the first track given);\n"
    "                                  filter: --channels 1,2,10 and --exclude notes,controllers,...\n"
    "  audio                           list the sound devices of the Internal Sound Generator with their\n"
    "                                  capabilities; exits 1 when there is no audio output\n"
    "  render FILE -o OUT.wav [--igr GROUP.igr] [--gain DB]\n"
    "                                  render FILE through the Internal Sound Generator into a 44.1 kHz\n"
    "                                  16-bit stereo WAV file, faster than real time (default group:\n"
    "                                  the configured one); --gain sets the master gain (-60 to 24 dB,\n"
    "                                  default: the stored one, -10) before the limiter; reports how\n"
    "                                  much of the song the limiter turned down\n"
    "  install-sounds [--soundfont SF2] [--dest DIR]\n"
    "                                  make the sound library of the Internal Sound Generator from a\n"
    "                                  General MIDI SoundFont (default: the system's) and configure it\n"
    "  help                            this text\n"
    "\n"
    "Port and device names may be given in part when only one name contains the part.\n";

int usage(std::ostream& err, const std::string& problem) { return reportUsage(err, problem); }

// The song is large (256 tracks): keep it off the stack.
std::unique_ptr<Song> newSong() { return std::make_unique<Song>(); }

int runInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string path;
    bool json = false;
    bool events = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json")
            json = true;
        else if (args[i] == "--events")
            events = true;
        else if (args[i].starts_with("--"))
            return usage(err, "unknown option " + args[i]);
        else if (path.empty())
            path = args[i];
        else
            return usage(err, "info takes one file");
    }
    if (path.empty())
        return usage(err, "info needs a file");

    CliPrompt prompt(err, json);
    auto song = newSong();
    const LoadResult result = MidiFileReader::load(path, *song, LoadOptions{}, prompt);
    if (!result.ok) {
        if (json)
            out << refusalJson(result.error) << '\n';
        return kExitRefused;
    }
    if (json) {
        out << songJson(*song, result, events) << '\n';
        return kExitOk;
    }
    out << path << '\n' << songSummaryText(*song);
    return kExitOk;
}

int runConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 3)
        return usage(err, "convert takes an input and an output file");
    CliPrompt prompt(err, false);
    auto song = newSong();
    const LoadResult loaded = MidiFileReader::load(args[1], *song, LoadOptions{}, prompt);
    if (!loaded.ok)
        return kExitRefused;
    const SaveResult saved = MidiFileWriter::write(args[2], *song, false, prompt);
    if (!saved.ok) {
        err << "velisto-cli: " << (saved.error.empty() ? "not saved" : saved.error) << '\n';
        return kExitRefused;
    }
    out << "wrote " << args[2] << '\n';
    return kExitOk;
}

// FILE [--json]: the file and whether JSON is wanted; a usage status when the arguments are wrong.
std::optional<int> parseFileAndJson(const std::vector<std::string>& args, std::string& path, bool& json,
                                    std::ostream& err)
{
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json")
            json = true;
        else if (args[i].starts_with("--"))
            return usage(err, "unknown option " + args[i]);
        else if (path.empty())
            path = args[i];
        else
            return usage(err, args[0] + " takes one file");
    }
    if (path.empty())
        return usage(err, args[0] + " needs a file");
    return std::nullopt;
}

int runWavInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string path;
    bool json = false;
    if (const auto status = parseFileAndJson(args, path, json, err))
        return *status;
    WaveFile wave;
    std::string error;
    WaveOpenOptions options;
    options.wantCuePoints = true;
    options.wantFastView = true; // read-only: built in memory when the file has none, never written
    if (!wave.open(path, options, error)) {
        if (json)
            out << refusalJson(error) << '\n';
        else
            err << error << '\n';
        return kExitRefused;
    }
    out << (json ? waveInfoJson(wave) + "\n" : waveInfoText(wave));
    wave.close(error);
    return kExitOk;
}

int runIgrInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string path;
    bool json = false;
    if (const auto status = parseFileAndJson(args, path, json, err))
        return *status;
    bool loaded = false;
    const std::string text = json ? igrInfoJson(path, loaded) + "\n" : igrInfoText(path, loaded);
    (loaded || json ? out : err) << text;
    return loaded ? kExitOk : kExitRefused;
}

int runAudio(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1)
        return usage(err, "audio takes no arguments");
    const std::unique_ptr<AudioSystem> system = createAudioSystem();
    AudioDeviceList devices(*system);
    CliPrompt prompt(err, false);
    if (!devices.enumerate(prompt))
        return kExitRefused;
    out << "audio system: " << system->apiName() << '\n';
    for (const DirectSoundDevice& device : devices.devices()) {
        out << '\n' << device.description << (device.guidText.empty() ? "" : " [" + device.guidText + "]") << '\n';
        out << device.capabilities;
        if (!device.capabilities.empty() && device.capabilities.back() != '\n')
            out << '\n';
    }
    // Sound that goes nowhere is no audio output.
    return system->apiName() == "null" ? kExitRefused : kExitOk;
}

int runPorts(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    bool json = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] != "--json")
            return usage(err, "ports takes only --json");
        json = true;
    }
    // Listing opens nothing: opening a port would reset the receiver behind it.
    const std::unique_ptr<MidiPortSystem> ports = createMidiPortSystem();
    const QtProfileStore store;
    const DeviceTable table(*ports, store);
    if (json)
        out << deviceTableJson(table, ports->apiName()) << '\n';
    else
        out << deviceTableText(table, ports->apiName());
    return kExitOk;
}

int runCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string path;
    bool json = false;
    CheckReceiver receiver;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--mode" || arg == "--supports") {
            if (i + 1 >= args.size())
                return usage(err, arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--mode") {
                const std::optional<int> mode = parseCheckMode(value);
                if (!mode)
                    return usage(err, "unknown MIDI mode " + value + " (GM, GS, XG or GM2)");
                receiver.powerOnMode = *mode;
            } else if (const std::string unknown = parseCheckSupports(value, receiver); !unknown.empty()) {
                return usage(err, "unknown MIDI standard " + unknown + " (GS, XG or GM2)");
            }
        } else if (arg.starts_with("--")) {
            return usage(err, "unknown option " + arg);
        } else if (path.empty()) {
            path = arg;
        } else {
            return usage(err, "check takes one file");
        }
    }
    if (path.empty())
        return usage(err, "check needs a file");
    // A receiver that powers on in a standard understands it.
    receiver.gsSupported |= receiver.powerOnMode == MidiMode::GS;
    receiver.xgSupported |= receiver.powerOnMode == MidiMode::XG;
    receiver.gm2Supported |= receiver.powerOnMode == MidiMode::GM2;

    CliPrompt prompt(err, json);
    auto song = newSong();
    const LoadResult loaded = MidiFileReader::load(path, *song, LoadOptions{}, prompt);
    if (!loaded.ok) {
        if (json)
            out << refusalJson(loaded.error) << '\n';
        return kExitRefused;
    }
    const CheckResult result = checkSong(*song, receiver);
    if (json)
        out << checkJson(*song, receiver, result) << '\n';
    else
        out << path << '\n' << checkText(*song, receiver, result);
    return kExitOk;
}

} // namespace

int reportUsage(std::ostream& err, const std::string& problem)
{
    if (!problem.empty())
        err << "velisto-cli: " << problem << "\n\n";
    err << kUsage;
    return kExitUsage;
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return usage(err, "");
    const std::string& command = args[0];
    if (command == "info")
        return runInfo(args, out, err);
    if (command == "convert")
        return runConvert(args, out, err);
    if (command == "ports")
        return runPorts(args, out, err);
    if (command == "check")
        return runCheck(args, out, err);
    if (command == "sysex")
        return runSysex(args, out, err);
    if (command == "play")
        return runPlay(args, out, err);
    if (command == "record")
        return runRecord(args, out, err);
    if (command == "wav-info")
        return runWavInfo(args, out, err);
    if (command == "igr-info")
        return runIgrInfo(args, out, err);
    if (command == "edit")
        return runEdit(args, out, err);
    if (command == "audio")
        return runAudio(args, out, err);
    if (command == "render")
        return runRender(args, out, err);
    if (command == "install-sounds")
        return runInstallSounds(args, out, err);
    if (command == "help" || command == "--help" || command == "-h") {
        out << kUsage;
        return kExitOk;
    }
    return usage(err, "unknown command " + command);
}

} // namespace velisto
