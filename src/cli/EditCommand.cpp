#include "EditCommand.h"

#include "CliPrompt.h"
#include "Commands.h"
#include "app/Settings.h"
#include "edit/EventFilter.h"
#include "edit/Selection.h"
#include "edit/StructuralEdits.h"
#include "edit/Transforms.h"
#include "edit/ValueChange.h"
#include "midi/ProgramIndex.h"
#include "song/MidiFileReader.h"
#include "song/MidiFileWriter.h"
#include "song/Positions.h"
#include "song/Song.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>

namespace velisto {

namespace {

std::optional<int> number(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// "A-B" or "A", both from 1 and within 1..limit.
bool range(const std::string& text, int limit, int& first, int& last)
{
    const std::size_t dash = text.find('-');
    const auto a = number(text.substr(0, dash));
    const auto b = dash == std::string::npos ? a : number(text.substr(dash + 1));
    if (!a || !b || *a < 1 || *b < *a || *b > limit)
        return false;
    first = *a - 1;
    last = *b - 1;
    return true;
}

// --channels 1,2,10 and --exclude notes,controllers,...: the event filter of the dialogs.
std::string applyFilterOptions(const std::map<std::string, std::string>& options, EventFilterSettings& filter)
{
    if (const auto found = options.find("--channels"); found != options.end()) {
        filter.ch.fill(0);
        std::size_t at = 0;
        const std::string& list = found->second;
        while (at <= list.size()) {
            const std::size_t comma = std::min(list.find(',', at), list.size());
            const auto channel = number(list.substr(at, comma - at));
            if (!channel || *channel < 1 || *channel > 16)
                return "--channels wants channels 1..16 separated by commas";
            filter.ch[static_cast<std::size_t>(*channel - 1)] = 1;
            at = comma + 1;
        }
    }
    if (const auto found = options.find("--exclude"); found != options.end()) {
        // Excluding over the whole value range takes the kind out entirely.
        const std::map<std::string, std::function<void()>> kinds{
            {"notes", [&] { filter.noteon_bool = 1, filter.noteon_from = 0, filter.noteon_to = 127; }},
            {"prefix", [&] { filter.chprefix_bool = 1; }},
            {"controllers", [&] { filter.contrch_bool = 1, filter.contrch_from = 0, filter.contrch_to = 255; }},
            {"channelpressure", [&] { filter.channelpr_bool = 1; }},
            {"keypressure", [&] { filter.polypress_bool = 1, filter.polypress_from = 0, filter.polypress_to = 127; }},
            {"pitchbend", [&] { filter.pitchbend_bool = 1; }},
            {"nrpn", [&] { filter.NRPN_bool = 1, filter.NRPN_from = 0, filter.NRPN_to = 255; }},
            {"rpn", [&] { filter.RPN_bool = 1, filter.RPN_from = 0, filter.RPN_to = 255; }},
            {"drumnrpn", [&] { filter.drumNRPN_bool = 1, filter.drumNRPN_from = 0, filter.drumNRPN_to = 255; }},
            {"text", [&] { filter.songtext_bool = 1; }},
            {"sysex", [&] { filter.sysex_bool = 1; }},
            {"programs", [&] { filter.progch_bool = 1, filter.progch_from = 0, filter.progch_to = 127; }},
        };
        std::size_t at = 0;
        const std::string& list = found->second;
        while (at <= list.size()) {
            const std::size_t comma = std::min(list.find(',', at), list.size());
            const auto kind = kinds.find(list.substr(at, comma - at));
            if (kind == kinds.end())
                return "--exclude takes notes, prefix, controllers, channelpressure, keypressure, pitchbend, nrpn, "
                       "rpn, drumnrpn, text, sysex, programs";
            kind->second();
            at = comma + 1;
        }
    }
    return {};
}

} // namespace

int parseNoteName(const std::string& text)
{
    static const std::map<char, int> pitchClass{{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    if (text.size() < 2 || !pitchClass.count(static_cast<char>(std::toupper(text[0]))))
        return -1;
    int key = pitchClass.at(static_cast<char>(std::toupper(text[0])));
    std::size_t at = 1;
    if (text[at] == '#' || text[at] == 'b') {
        key += text[at] == '#' ? 1 : -1;
        ++at;
    }
    const auto octave = number(text.substr(at));
    if (!octave)
        return -1;
    // C5 is key 60: octaves are counted from C0 = 0.
    key += *octave * 12;
    return key >= 0 && key <= 127 ? key : -1;
}

int runEdit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string path;
    std::string outPath;
    std::string operation;
    std::string tracks;
    std::string measures;
    std::map<std::string, std::string> options;
    bool notesOnly = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--notes-only") {
            notesOnly = true;
        } else if (arg.starts_with("-")) {
            if (i + 1 >= args.size())
                return reportUsage(err, arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "-o")
                outPath = value;
            else if (arg == "--tracks")
                tracks = value;
            else if (arg == "--measures")
                measures = value;
            else
                options[arg] = value;
        } else if (path.empty()) {
            path = arg;
        } else if (operation.empty()) {
            operation = arg;
        } else {
            return reportUsage(err, "edit takes one operation, not \"" + arg + "\"");
        }
    }
    if (path.empty() || outPath.empty() || operation.empty())
        return reportUsage(err, "edit needs FILE, -o OUT and an operation");

    CliPrompt prompt(err, false);
    auto song = std::make_unique<Song>();
    if (!MidiFileReader::load(path, *song, LoadOptions{}, prompt).ok)
        return kExitRefused;

    Selection selection;
    selection.lastTrack = kTrackCount - 1;
    {
        // Without --measures: every measure that holds an event.
        std::int32_t lastTick = 0;
        for (const Track& track : song->tracks)
            if (!track.empty())
                lastTick = std::max(lastTick, track.event(track.lastIndex()).tick);
        selection.lastMeasure = measureOfTick(*song, lastTick);
    }
    if (!tracks.empty() && !range(tracks, kTrackCount, selection.firstTrack, selection.lastTrack))
        return reportUsage(err, "--tracks wants A-B within 1-256, not \"" + tracks + "\"");
    if (!measures.empty() && !range(measures, 9999, selection.firstMeasure, selection.lastMeasure))
        return reportUsage(err, "--measures wants M-N from 1, not \"" + measures + "\"");

    EventFilterSettings filter; // everything passes unless the options say otherwise
    if (const std::string problem = applyFilterOptions(options, filter); !problem.empty())
        return reportUsage(err, problem);
    const EditScope scope = editScope(*song, selection, filter);
    auto option = [&](const std::string& name) -> std::optional<int> {
        const auto found = options.find(name);
        return found == options.end() ? std::nullopt : number(found->second);
    };
    auto has = [&](const std::string& name) { return options.count(name) != 0; };
    auto bad = [&](const std::string& what) { return reportUsage(err, operation + ": " + what); };

    bool changed = false;
    if (operation == "quantize") {
        QuantizeOptions quantizeOptions;
        quantizeOptions.onlyNotesAndText = notesOnly;
        quantizeOptions.positions = has("--grid");
        quantizeOptions.lengths = has("--length-grid");
        if (!quantizeOptions.positions && !quantizeOptions.lengths)
            return bad("give --grid N and/or --length-grid N");
        if (quantizeOptions.positions) {
            if (const std::string problem = checkPositionGrid(options["--grid"]); !problem.empty())
                return bad(problem);
            quantizeOptions.positionGrid = *leadingTicks(options["--grid"]);
        }
        if (quantizeOptions.lengths) {
            if (const std::string problem = checkLengthGrid(options["--length-grid"]); !problem.empty())
                return bad(problem);
            quantizeOptions.lengthGrid = *leadingTicks(options["--length-grid"]);
        }
        changed = quantize(*song, scope, quantizeOptions);
    } else if (operation == "pitch") {
        PitchOptions pitch;
        if (const auto semitones = option("--semitones")) {
            pitch.semitones = *semitones;
        } else if (has("--from") && has("--to")) {
            pitch.single = true;
            pitch.fromKey = parseNoteName(options["--from"]);
            pitch.toKey = parseNoteName(options["--to"]);
            if (pitch.fromKey < 0 || pitch.toKey < 0)
                return bad("keys are note names such as C5 or Eb4");
        } else {
            return bad("give --semitones N, or --from KEY --to KEY");
        }
        if (pitch.semitones < -127 || pitch.semitones > 127)
            return bad("--semitones lies within -127..127");
        changed = changePitch(*song, scope, pitch);
    } else if (operation == "move") {
        const auto ticks = option("--ticks");
        if (!ticks)
            return bad("give --ticks N (negative to the left)");
        changed = moveEvents(*song, scope, *ticks);
    } else if (operation == "notelength") {
        if (!has("--ticks"))
            return bad("give --ticks N");
        if (const std::string problem = checkNoteLength(options["--ticks"]); !problem.empty())
            return bad(problem);
        changed = setNoteLength(*song, scope, *option("--ticks"));
    } else if (operation == "channel") {
        const auto from = option("--from");
        const auto to = option("--to");
        if (!from || !to || *from < 1 || *from > 16 || *to < 1 || *to > 16)
            return bad("give --from C --to C, channels 1..16");
        changed = changeChannel(*song, scope, *from - 1, *to - 1, false);
    } else if (operation == "value") {
        static const std::map<std::string, ValueTarget> kinds{{"velocity", ValueTarget::Velocity},
                                                              {"controller", ValueTarget::Controller},
                                                              {"nrpn", ValueTarget::Nrpn},
                                                              {"drumnrpn", ValueTarget::DrumNrpn}};
        ValueChangeOptions value;
        const auto kind = kinds.find(has("--kind") ? options["--kind"] : "velocity");
        if (kind == kinds.end())
            return bad("--kind is velocity, controller, nrpn or drumnrpn");
        value.target = kind->second;
        value.parameter = option("--param").value_or(0);
        value.drumKey = option("--key").value_or(0);
        if (const auto absolute = option("--absolute")) {
            value.constant = *absolute;
        } else if (const auto percent = option("--percent")) {
            value.percent = true;
            value.constant = *percent;
        } else {
            return bad("give --absolute V or --percent V");
        }
        if (const std::string problem = checkValueChange(value); !problem.empty())
            return bad(problem);
        changed = changeValues(*song, scope, value);
    } else if (operation == "delete" || operation == "insert") {
        const MeasureRange measureRangeOf =
            measureRange(*song, selection, selection.firstTrack, selection.firstMeasure);
        changed = operation == "delete" ? deleteMeasures(*song, measureRangeOf) : insertMeasures(*song, measureRangeOf);
    } else if (operation == "split-channels") {
        const ProgramIndex programs; // a file alone names no device, so drums keep their key names
        changed = splitChannels(*song, selection.firstTrack, false, programs, MidiMode::GM, SplitOptions{true, false},
                                prompt);
    } else {
        return reportUsage(err, "unknown edit operation " + operation);
    }

    const SaveResult saved = MidiFileWriter::write(outPath, *song, true, prompt);
    if (!saved.ok) {
        err << "velisto-cli: " << (saved.error.empty() ? "not saved" : saved.error) << '\n';
        return kExitRefused;
    }
    out << (changed ? "changed" : "nothing to change") << "; wrote " << outPath << '\n';
    return kExitOk;
}

} // namespace velisto
