// Compares what JackMidiCapture --timestamps received while velisto-cli played a song with
// what the song says should arrive:
//
//   JackPlaybackCheck settings INI_FILE
//       writes a settings file with "determine" on, for velisto-cli (XDG_CONFIG_HOME).
//   JackPlaybackCheck settings INI_FILE RECEIVER
//       the same, and the output device RECEIVER (as velisto-cli ports names it) supports
//       GS, XG and GM2.
//   JackPlaybackCheck kitsong MIDI_FILE
//       writes a song with a GS Reset and the Room kit (program 8) on channel 10 in
//       measure 1 and its first notes in measure 3.
//   JackPlaybackCheck kit CAPTURE_FILE
//       checks a play of that song from measure 3: the GS Reset, then channel 10's bank
//       and program 8, arrive before the first note.
//   JackPlaybackCheck play SONG CAPTURE_FILE FROM TO [--adjusted]
//       checks a play of measures FROM..TO (shown from 1) of SONG on a GM receiver:
//       every note on arrives once, in the song's merged order, and is closed by the end;
//       the song's controllers and program changes of the range arrive in order per
//       channel; the note ons follow the song's millisecond schedule within kToleranceMs.
//       --adjusted: the run started mid-song with "determine" on, so before the first note
//       the receiver must have got each channel's program and every controller the
//       beginning of the song leaves away from its power-on value.
//       --timer-tolerance: the note ons must follow the schedule within the player's timer
//       period (of the song's slowest tempo) + 1 ms instead, the bound a JACK output that
//       places each message at its send time within the cycle keeps at any JACK period.
//
// Exits 0 when everything holds, 1 with the reasons on stderr otherwise, 2 on bad usage.

#include "app/Settings.h"
#include "midi/DeviceTable.h"
#include "app/UserPrompt.h"
#include "midi/MidiModeDefinition.h"
#include "playback/TimerPeriod.h"
#include "settings/QtProfileStore.h"
#include "song/MergedEvents.h"
#include "song/MidiFileReader.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace velisto;

// How far a note on may arrive behind the earliest one, measured against the schedule:
// the player's timer period (2 ms at PPQ 480 and 109 BPM) plus 1 ms for its truncation to
// whole milliseconds; a margin of 5 ms for a JACK period (the JACK output places each message
// one period after its send at the same place in the cycle, but a late process cycle
// moves it); and about 11 ms for the wake-up delays of threads without real-time priority
// on a shared, busy machine (seen up to 8 ms).
// Faults in the schedule are far larger: a wrong tempo drifts by tens of milliseconds per
// second, a player that counts timer calls instead of reading the clock falls behind by a
// period's rounding at every tick.
constexpr double kToleranceMs = 20.0;
// The receiver the capture port stands for: a port without a stored record opens in GM.
constexpr int kReceiverMode = MidiMode::GM;

int failures = 0;

void fail(const std::string& what)
{
    std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    ++failures;
}

struct Captured {
    double ms = 0.0;
    std::vector<int> bytes;
};

std::vector<Captured> readCapture(const std::string& path)
{
    std::vector<Captured> messages;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Captured message;
        double seconds = 0.0;
        if (!(fields >> seconds))
            continue;
        message.ms = seconds * 1000.0;
        std::string hex;
        while (fields >> hex)
            message.bytes.push_back(static_cast<int>(std::strtol(hex.c_str(), nullptr, 16)));
        if (!message.bytes.empty())
            messages.push_back(std::move(message));
    }
    return messages;
}

bool isNoteOn(const Captured& m) { return m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0; }
bool isNoteOff(const Captured& m)
{
    return m.bytes.size() == 3 && ((m.bytes[0] & 0xF0) == 0x80 || ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] == 0));
}
bool isControlOrProgram(const Captured& m)
{
    const int kind = m.bytes[0] & 0xF0;
    return (kind == 0xB0 && m.bytes.size() == 3) || (kind == 0xC0 && m.bytes.size() == 2);
}

std::string hexText(const std::vector<int>& bytes)
{
    std::string text;
    for (const int b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, text.empty() ? "%02X" : " %02X", b);
        text += hex;
    }
    return text;
}

// A message the song sends, as bytes on the wire, and the tick it plays at.
struct Expected {
    std::int32_t tick = 0;
    std::vector<int> bytes;
};

// The wire bytes of a controller or program change event; nullopt for other kinds and for
// controllers the receiver's standard does not track (the player skips those).
std::optional<std::vector<int>> controlBytes(const MidiEvent& event)
{
    const int channel = event.channel();
    if (event.kind() == EventKind::ProgramChange)
        return std::vector<int>{0xC0 | channel, event.data1};
    if (event.kind() != EventKind::Controller)
        return std::nullopt;
    const int number = midiModeDefinition(kReceiverMode).numberOf(ParamKind::Controller, event.data1);
    if (number < 0)
        return std::nullopt;
    return std::vector<int>{0xB0 | channel, number, event.data2};
}

struct Plan {
    std::vector<Expected> noteOns;
    std::array<std::vector<std::vector<int>>, 16> controls; // per channel, in order
};

Plan planRange(const Song& song, std::int32_t startTick, std::int32_t endTick)
{
    Plan plan;
    MergedEvents merged(&song);
    merged.seek(startTick);
    // The player's note-off table holds 40 notes per device; a song that needs more at
    // once would legitimately lose notes, which this check does not model.
    std::vector<std::int32_t> sounding;
    for (std::optional<std::int32_t> tick = merged.nextTick(); tick && *tick < endTick; tick = merged.nextTick()) {
        merged.takeDueAt(*tick, [&](const MergedEvent& due) {
            if (song.isSilent(due.track))
                return;
            const MidiEvent& event = *due.event;
            if (event.kind() == EventKind::Note && event.data2 > 0) {
                std::erase_if(sounding, [&](std::int32_t off) { return off <= due.tick; });
                sounding.push_back(due.tick + event.length);
                if (sounding.size() > 40)
                    fail("the song needs more than 40 sounding notes at tick " + std::to_string(due.tick));
                plan.noteOns.push_back({due.tick, {0x90 | event.channel(), event.data1, event.data2}});
            } else if (std::optional<std::vector<int>> bytes = controlBytes(event)) {
                plan.controls[static_cast<std::size_t>(event.channel())].push_back(*bytes);
            }
        });
    }
    return plan;
}

// The player's timer period of the song's slowest tempo + 1 ms.
double timerToleranceMs(const Song& song)
{
    std::chrono::milliseconds longest{1};
    for (const TempoEntry& tempo : song.tempoList)
        if (tempo.used())
            longest = std::max(longest, timerPeriod(song.ppq, tempo.bpm).value_or(longest));
    return static_cast<double>(longest.count()) + 1.0;
}

void checkNotes(const Plan& plan, const std::vector<Captured>& capture, const Song& song, std::int32_t startTick,
                double toleranceMs)
{
    std::vector<const Captured*> ons;
    std::map<std::pair<int, int>, int> open;
    for (const Captured& m : capture) {
        if (isNoteOn(m)) {
            ons.push_back(&m);
            ++open[{m.bytes[0] & 0x0F, m.bytes[1]}];
        } else if (isNoteOff(m)) {
            int& count = open[{m.bytes[0] & 0x0F, m.bytes[1]}];
            count = std::max(count - 1, 0);
        }
    }
    std::fprintf(stderr, "note ons: %zu expected, %zu arrived\n", plan.noteOns.size(), ons.size());
    const std::size_t common = std::min(ons.size(), plan.noteOns.size());
    for (std::size_t i = 0; i < common; ++i)
        if (ons[i]->bytes != plan.noteOns[i].bytes) {
            fail("note on " + std::to_string(i + 1) + " is " + hexText(ons[i]->bytes) + ", the song has " +
                 hexText(plan.noteOns[i].bytes) + " at tick " + std::to_string(plan.noteOns[i].tick));
            return;
        }
    if (ons.size() < plan.noteOns.size())
        fail("lost note ons: the first missing is " + hexText(plan.noteOns[common].bytes) + " at tick " +
             std::to_string(plan.noteOns[common].tick));
    if (ons.size() > plan.noteOns.size())
        fail("note ons beyond the song's: the first is " + hexText(ons[common]->bytes));
    for (const auto& [note, count] : open)
        if (count > 0)
            fail("channel " + std::to_string(note.first + 1) + " key " + std::to_string(note.second) +
                 " is left sounding (" + std::to_string(count) + " note on(s) without note off)");
    if (ons.size() != plan.noteOns.size() || ons.empty())
        return;

    // Timing: each note on against the schedule, relative to the earliest one.
    const double startMs = tickToMilliseconds(song, startTick);
    std::vector<double> offsets;
    for (std::size_t i = 0; i < ons.size(); ++i)
        offsets.push_back(ons[i]->ms - (tickToMilliseconds(song, plan.noteOns[i].tick) - startMs));
    const double earliest = *std::min_element(offsets.begin(), offsets.end());
    std::vector<double> lateness;
    for (const double offset : offsets)
        lateness.push_back(offset - earliest);
    std::vector<double> sorted = lateness;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double p99 = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    std::fprintf(stderr, "note on lateness against the schedule: median %.2f ms, p99 %.2f ms, max %.2f ms\n", median,
                 p99, sorted.back());
    for (std::size_t i = 0; i < lateness.size(); ++i)
        if (lateness[i] > toleranceMs) {
            char text[160];
            std::snprintf(text, sizeof text, "note on %zu (tick %d) is %.2f ms behind the schedule (tolerance %.1f ms)",
                          i + 1, plan.noteOns[i].tick, lateness[i], toleranceMs);
            fail(text);
        }
}

void checkControls(const Plan& plan, const std::vector<Captured>& capture, std::size_t from)
{
    std::array<std::vector<std::vector<int>>, 16> arrived;
    for (std::size_t i = from; i < capture.size(); ++i)
        if (isControlOrProgram(capture[i]))
            arrived[static_cast<std::size_t>(capture[i].bytes[0] & 0x0F)].push_back(capture[i].bytes);
    std::size_t expectedCount = 0;
    for (std::size_t channel = 0; channel < 16; ++channel) {
        const auto& want = plan.controls[channel];
        expectedCount += want.size();
        // In order; the receiver may get more (addresses, adjusting), never fewer.
        std::size_t next = 0;
        for (const auto& message : arrived[channel])
            if (next < want.size() && message == want[next])
                ++next;
        if (next < want.size())
            fail("channel " + std::to_string(channel + 1) + ": controller/program change " + std::to_string(next + 1) +
                 " of " + std::to_string(want.size()) + " (" + hexText(want[next]) + ") did not arrive in order");
    }
    std::fprintf(stderr, "controllers and program changes: %zu expected in order\n", expectedCount);
}

// The state the beginning of the song leaves on each channel, as the messages that bring a
// receiver fresh from its power-on mode there.
void checkAdjusted(const Song& song, const std::vector<Captured>& capture, std::int32_t startTick)
{
    const MidiModeDefinition& definition = midiModeDefinition(kReceiverMode);
    std::map<int, int> program;                    // channel -> program
    std::map<std::pair<int, int>, int> controller; // (channel, number) -> value
    MergedEvents(&song).forEachBefore(startTick, [&](const MergedEvent& due) {
        const MidiEvent& event = *due.event;
        if (event.kind() == EventKind::ProgramChange) {
            program[event.channel()] = event.data1;
        } else if (event.kind() == EventKind::Controller) {
            const int number = definition.numberOf(ParamKind::Controller, event.data1);
            if (number >= 0 && !definition.isCommand(ParamKind::Controller, event.data1))
                controller[{event.channel(), number}] = event.data2;
        }
    });
    const auto firstNote = std::find_if(capture.begin(), capture.end(), isNoteOn);
    if (firstNote == capture.end()) {
        fail("no note arrived");
        return;
    }
    std::map<int, int> programBefore;
    std::map<std::pair<int, int>, int> controllerBefore;
    for (auto it = capture.begin(); it != firstNote; ++it) {
        const std::vector<int>& b = it->bytes;
        if ((b[0] & 0xF0) == 0xC0 && b.size() == 2)
            programBefore[b[0] & 0x0F] = b[1];
        else if ((b[0] & 0xF0) == 0xB0 && b.size() == 3)
            controllerBefore[{b[0] & 0x0F, b[1]}] = b[2];
    }
    int checked = 0;
    for (const auto& [channel, value] : program) {
        ++checked;
        const auto got = programBefore.find(channel);
        if (got == programBefore.end() || got->second != value)
            fail("channel " + std::to_string(channel + 1) + " did not get program " + std::to_string(value) +
                 " before the first note");
    }
    for (const auto& [key, value] : controller) {
        const int slot = definition.slotOf(ParamKind::Controller, key.second);
        if (slot < 0 || value == definition.defaultOf(ParamKind::Controller, slot))
            continue; // the receiver holds it from its power-on already
        ++checked;
        const auto got = controllerBefore.find(key);
        if (got == controllerBefore.end() || got->second != value)
            fail("channel " + std::to_string(key.first + 1) + " did not get controller " + std::to_string(key.second) +
                 " = " + std::to_string(value) + " before the first note");
    }
    std::fprintf(stderr, "adjusting: %d program/controller values checked before the first note\n", checked);
    if (checked == 0)
        fail("the song's beginning sets nothing to adjust; choose a later --from");
}

int writeSettings(const std::string& path, const std::string& receiver)
{
    Settings settings = Settings::defaults("", 0, 0);
    settings.general.determine = true;
    QtProfileStore store(path);
    saveSettings(settings, store);
    if (!receiver.empty()) {
        const std::string section = std::string(kDeviceRecordSection) + "0";
        store.writeString(section, "devicename", receiver);
        for (const char* standard : {"gssupported", "xgsupported", "gm2supported"})
            writeYesNo(store, section, standard, true);
    }
    std::string error;
    if (!store.flush(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

// A GS song that selects the Room kit in measure 1 and plays it from measure 3 (PPQ 480,
// 4/4), as a format 0 Standard MIDI File.
int writeKitSong(const std::string& path)
{
    const std::vector<std::uint8_t> events = {
        0x00, 0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7, // GS Reset
        0x00, 0xC0, 0x05,                                                             // channel 1: program 5
        0x00, 0xC9, 0x08,                                                             // channel 10: Room kit
        0x9E, 0x00, 0x99, 0x24, 0x64, // tick 3840 (measure 3): kick
        0x00, 0x90, 0x3C, 0x64,       // and C4
        0x83, 0x60, 0x89, 0x24, 0x00, // 480 ticks later both end
        0x00, 0x80, 0x3C, 0x00,       //
        0x00, 0xFF, 0x2F, 0x00,       // end of track
    };
    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    for (const int shift : {24, 16, 8, 0})
        file.push_back(static_cast<std::uint8_t>(events.size() >> shift));
    file.insert(file.end(), events.begin(), events.end());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return out ? 0 : 1;
}

int checkKit(const std::vector<Captured>& capture)
{
    // Bounded by the first note message of either kind: on a loaded machine a capture
    // client that misses a process cycle may lose the note on, never what came before.
    const auto firstNote = std::find_if(capture.begin(), capture.end(),
                                        [](const Captured& m) { return isNoteOn(m) || isNoteOff(m); });
    const std::vector<Captured> before(capture.begin(), firstNote);
    std::vector<std::string> texts;
    for (const Captured& message : before)
        texts.push_back(hexText(message.bytes));
    const auto reset = std::find(texts.begin(), texts.end(), "F0 41 10 42 12 40 00 7F 00 41 F7");
    const std::vector<std::string> kit = {"B9 00 00", "B9 20 00", "C9 08"};
    if (firstNote == capture.end())
        fail("no note message arrived");
    else if (reset == texts.end())
        fail("no GS Reset before the first note");
    else if (std::search(reset, texts.end(), kit.begin(), kit.end()) == texts.end())
        fail("channel 10 did not get the Room kit (bank 0, program 8) after the GS Reset");
    for (const std::string& text : texts)
        std::fprintf(stderr, "before the first note: %s\n", text.c_str());
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if ((args.size() == 2 || args.size() == 3) && args[0] == "settings")
        return writeSettings(args[1], args.size() == 3 ? args[2] : std::string());
    if (args.size() == 2 && args[0] == "kitsong")
        return writeKitSong(args[1]);
    if (args.size() == 2 && args[0] == "kit")
        return checkKit(readCapture(args[1]));
    const auto flag = [&](const char* name) { return args.size() > 5 && std::find(args.begin() + 5, args.end(), name) != args.end(); };
    const bool adjusted = flag("--adjusted");
    const bool timerTolerance = flag("--timer-tolerance");
    if (args.empty() || args[0] != "play" || args.size() != 5u + adjusted + timerTolerance) {
        std::fprintf(stderr, "usage: JackPlaybackCheck settings INI_FILE [RECEIVER]\n"
                             "       JackPlaybackCheck kitsong MIDI_FILE\n"
                             "       JackPlaybackCheck kit CAPTURE_FILE\n"
                             "       JackPlaybackCheck play SONG CAPTURE_FILE FROM TO [--adjusted] [--timer-tolerance]\n");
        return 2;
    }
    const int from = std::atoi(args[3].c_str());
    const int to = std::atoi(args[4].c_str());
    if (from < 1 || to < from) {
        std::fprintf(stderr, "JackPlaybackCheck: bad measure range %s..%s\n", args[3].c_str(), args[4].c_str());
        return 2;
    }

    auto song = std::make_unique<Song>();
    SilentPrompt prompt;
    if (!MidiFileReader::load(args[1], *song, LoadOptions{}, prompt).ok) {
        std::fprintf(stderr, "FAIL: cannot load %s\n", args[1].c_str());
        return 1;
    }
    const std::int32_t startTick = measureStart(*song, from - 1);
    const std::int32_t endTick = measureStart(*song, to);
    const std::vector<Captured> capture = readCapture(args[2]);
    std::fprintf(stderr, "%zu messages captured\n", capture.size());

    const Plan plan = planRange(*song, startTick, endTick);
    if (plan.noteOns.empty())
        fail("the range holds no notes; the check would prove nothing");
    checkNotes(plan, capture, *song, startTick, timerTolerance ? timerToleranceMs(*song) : kToleranceMs);
    if (adjusted) {
        checkAdjusted(*song, capture, startTick);
        // The range's own controllers come after the adjusting ones.
        const auto firstNote = std::find_if(capture.begin(), capture.end(), isNoteOn);
        checkControls(plan, capture, static_cast<std::size_t>(firstNote - capture.begin()));
    } else {
        checkControls(plan, capture, 0);
    }
    return failures == 0 ? 0 : 1;
}
