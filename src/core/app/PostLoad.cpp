#include "app/PostLoad.h"

#include <algorithm>
#include <array>

namespace velisto {
namespace {

constexpr int kSongTextThreshold = 40;

// The text of the track's first device-name event; empty when it has none.
std::string firstDeviceName(const Track& track)
{
    for (const MidiEvent& event : track.events())
        if (event.status == EventKind::DeviceName)
            return event.text ? *event.text : std::string();
    return {};
}

// The device name dialog, offered until a device opens or the user keeps the track.
void chooseDeviceFor(int track, Song& song, DeviceTable& devices, UserPrompt& prompt, const ChooseDevice& choose)
{
    while (choose && !devices.runActive()) {
        const std::optional<int> chosen = choose(track);
        if (!chosen)
            return;
        const std::array<int, 1> one{track};
        const std::string error = devices.assignTracks(song, one, *chosen, IndexRebuild::Later);
        if (error.empty())
            return;
        prompt.message(error, std::string(kOpenDeviceCaption), PromptIcon::Error);
    }
}

void assignNamedDevice(int track, int device, Song& song, DeviceTable& devices, UserPrompt& prompt,
                       const ChooseDevice& choose)
{
    const std::array<int, 1> one{track};
    const std::string error = devices.assignTracks(song, one, device, IndexRebuild::Later);
    if (error.empty())
        return;
    prompt.message(error, std::string(kOpenDeviceCaption), PromptIcon::Error);
    chooseDeviceFor(track, song, devices, prompt, choose);
}

void assignByName(int track, const std::string& text, Song& song, DeviceTable& devices,
                  const std::vector<DeviceNameMapEntry>& map, UserPrompt& prompt, const ChooseDevice& choose)
{
    if (const int exact = devices.indexOf(text); exact >= 0)
        return assignNamedDevice(track, exact, song, devices, prompt, choose);
    const std::optional<std::string> mapped = mappedDeviceName(map, text);
    if (mapped) {
        if (const int device = devices.indexOf(*mapped); device >= 0)
            return assignNamedDevice(track, device, song, devices, prompt, choose);
        prompt.message("Devicename " + text + " is mapped to device " + *mapped + ".\n\nBut " + *mapped +
                           " is currently not in your system's device-list.",
                       std::string(kDeviceNameEventTitle), PromptIcon::Exclamation);
    } else {
        prompt.message("Devicename " + text + " not found.", std::string(kDeviceNameEventTitle),
                       PromptIcon::Exclamation);
    }
    chooseDeviceFor(track, song, devices, prompt, choose);
}

bool usedByTrackWithEvents(const Song& song, int device)
{
    return std::any_of(song.tracks.begin(), song.tracks.end(),
                       [device](const Track& track) { return track.device == device && !track.empty(); });
}

bool supportsMode(const OutputDevice& device, int mode)
{
    switch (mode) {
    case MidiMode::GS:
        return device.gsSupported;
    case MidiMode::XG:
        return device.xgSupported;
    case MidiMode::GM2:
        return device.gm2Supported;
    default:
        return true;
    }
}

std::string mismatchText(const OutputDevice& device, bool onlyDevice)
{
    std::string text = onlyDevice ? "Your MIDI sequence uses" : "Tracks with MIDI device '" + device.name + "' use";
    text += " " + std::string(midiModeName(device.trackMode)) + "-MIDI Standard.";
    if (device.isGenerator())
        return text + "\n\nWhereas Velisto's Internal Sound Generator only supports GM, GS and GM2." +
               "\n\nProbably the MIDI file can't be played correctly.";
    return text + "\n\nWhereas the device's parameters say that this MIDI Standard is unsupported." +
           "\n\nMaybe you didn't set the correct device's parameters, yet." +
           "\n\nIf the parameters are correct, and it's true that this device doesn't" +
           "\nsupport this MIDI Standard, the MIDI file probably can't be played correctly.";
}

} // namespace

void assignDevicesByNameEvents(Song& song, DeviceTable& devices, const std::vector<DeviceNameMapEntry>& map,
                               UserPrompt& prompt, const ChooseDevice& choose)
{
    for (int track = 0; track < kTrackCount; ++track) {
        const std::string text = firstDeviceName(song.tracks[static_cast<std::size_t>(track)]);
        if (!text.empty())
            assignByName(track, text, song, devices, map, prompt, choose);
    }
}

void checkSongTextEvents(const LoadResult& loaded, KaraokeSettings& karaoke, UserPrompt& prompt)
{
    if (!karaoke.openwindow)
        return;
    int best = 0;
    int bestTrack = -1;
    bool lyrics = false;
    for (int track = 0; track < kTrackCount; ++track) {
        const auto t = static_cast<std::size_t>(track);
        if (loaded.textCount[t] > best) {
            best = loaded.textCount[t];
            bestTrack = track;
            lyrics = false;
        }
        if (loaded.lyricCount[t] > best) {
            best = loaded.lyricCount[t];
            bestTrack = track;
            lyrics = true;
        }
    }
    if (best <= kSongTextThreshold)
        return;
    const std::string title(kSongTextTitle);
    if (karaoke.songtexttrack != bestTrack + 1) {
        const std::string question =
            "This MIDI file seems to contain song text events in track " + std::to_string(bestTrack + 1) + ".\n" +
            "And not, as specified in Velisto's settings, in track " + std::to_string(karaoke.songtexttrack) + ".\n\n" +
            "Do you want to change the settings to this track?";
        if (prompt.askYesNo(question, title, PromptIcon::Question) != PromptAnswer::Yes)
            return;
        karaoke.songtexttrack = bestTrack + 1;
    }
    if (lyrics && karaoke.textaslyric) {
        const std::string question = std::string("This MIDI file seems to use real lyric events as song text events.") +
                                     "\n\nDo you want to switch Velisto's settings" +
                                     "\n'song text event is text instead of lyric' to OFF?";
        if (prompt.askYesNo(question, title, PromptIcon::Question) == PromptAnswer::Yes)
            karaoke.textaslyric = false;
    } else if (!lyrics && !karaoke.textaslyric) {
        const std::string question =
            std::string("This MIDI file seems to use text events instead of real lyric events.") +
            "\n\nDo you want to switch Velisto's settings to" + "\n'song text event is text instead of lyric'?";
        if (prompt.askYesNo(question, title, PromptIcon::Question) == PromptAnswer::Yes)
            karaoke.textaslyric = true;
    }
}

void offerClosingUnusedDevices(Song& song, DeviceTable& devices, UserPrompt& prompt)
{
    for (int i = 0; i < devices.count() && devices.openCount() > 1; ++i) {
        const OutputDevice& device = devices.device(i);
        if (!device.isOpen() || usedByTrackWithEvents(song, i))
            continue;
        const PromptAnswer answer =
            prompt.askYesNoCancel("No Track which contains events uses " + device.name + ".\n\nClose that device?",
                                  std::string(kDeviceQuestionCaption), PromptIcon::Question);
        if (answer == PromptAnswer::Cancel)
            return;
        if (answer == PromptAnswer::Yes)
            devices.closeFromUserInterface(i, song, prompt);
    }
}

void warnMidiStandardMismatch(const Song& song, const DeviceTable& devices, UserPrompt& prompt)
{
    std::vector<int> used;
    for (int i = 0; i < devices.count(); ++i)
        if (usedByTrackWithEvents(song, i))
            used.push_back(i);
    // Each device's track mode comes from rebuilding its program index after the tracks
    // were assigned; until then it is the GM an open device starts with.
    for (const int i : used) {
        const OutputDevice& device = devices.device(i);
        if (device.trackMode != MidiMode::GM && !supportsMode(device, device.trackMode))
            prompt.message(mismatchText(device, used.size() == 1), std::string(kMidiStandardMismatchTitle),
                           PromptIcon::Exclamation);
    }
}

void runPostLoadSteps(Song& song, DeviceTable& devices, Settings& settings, const LoadResult& loaded,
                      UserPrompt& prompt, const ChooseDevice& choose)
{
    assignDevicesByNameEvents(song, devices, settings.deviceNameMap, prompt, choose);
    checkSongTextEvents(loaded, settings.karaoke, prompt);
    if (loaded.deviceNameSeen)
        offerClosingUnusedDevices(song, devices, prompt);
    // The moves above left the program indexes to this one pass; the check reads the
    // track modes it finds.
    devices.rebuildProgramIndexes(song);
    warnMidiStandardMismatch(song, devices, prompt);
}

} // namespace velisto
