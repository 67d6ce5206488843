#include "Commands.h"

#include "CliPrompt.h"
#include "DeviceReport.h"
#include "SongReport.h"
#include "midi/MidiBackend.h"
#include "settings/QtProfileStore.h"
#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"

#include <memory>
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
    "  help                            this text\n";

int usage(std::ostream& err, const std::string& problem)
{
    if (!problem.empty())
        err << "velisto-cli: " << problem << "\n\n";
    err << kUsage;
    return kExitUsage;
}

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

} // namespace

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
    if (command == "help" || command == "--help" || command == "-h") {
        out << kUsage;
        return kExitOk;
    }
    return usage(err, "unknown command " + command);
}

} // namespace velisto
