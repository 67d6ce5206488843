#pragma once
// Loads a Standard MIDI File (format 0 or 1, metrical division) into the song: notes get
// their lengths, controller sequences fold into the song's parameter kinds, tempo, meter
// and key events go to the master lists, and "VLX:" text records become track settings.
// Whatever is dropped is described in the load report.
// Thread contract: user-interface thread (it writes the song).

#include "app/UserPrompt.h"
#include "song/Song.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace velisto {

struct LoadOptions {
    // An undo reload: no status text, no question, no report; devices stay; no post-load
    // derivation of knobs and channels.
    bool silent = false;
    // Setting "setknobswhileloadbyinternmeta" (section "Mixer"): apply "VLX:KNOB_" records.
    bool applyKnobRecords = true;
    // Setting "setauto" (section "Mixer"): choose each track's knobs from its most used parameters.
    bool chooseKnobsByUsage = false;
    // What every track's device becomes when the song is cleared (not silent): the default
    // output device, or -1 for none.
    std::int32_t defaultDevice = -1;
};

struct LoadResult {
    bool ok = false;
    // Why the file was refused (the text of the message box); empty when ok.
    std::string error;
    // The load report: entries separated by "\r\n\r\n". Empty when nothing to say.
    std::string report;
    // The text of a "VLX:MESSAGE:" record, shown after loading.
    std::string message;
    // A device-name meta event was read (decides whether unused devices are offered for closing).
    bool deviceNameSeen = false;
    // "VLX:KNOB_" records were read.
    bool knobRecordsSeen = false;
    // The file was format 0: the frame starts Split channels after loading.
    bool formatZero = false;
    // Per track, the number of text (FF 01) and lyric (FF 05) events stored, for the song-text check.
    std::array<int, kTrackCount> textCount{};
    std::array<int, kTrackCount> lyricCount{};
};

// Post-load steps for one track, also taken by tracks that an edit makes from others.
// Each knob takes one of the track's most used controllers or NRPNs (setting "setauto").
void chooseKnobsByUsage(Track& track);
// The channel setting from the track's first channel event; 0 without one.
void deriveChannel(Track& track);

class MidiFileReader {
public:
    // Reads the file at path into song. On a refused file (cannot open, not a MIDI file,
    // format 2, SMPTE division, division 0) the song is unchanged and the prompt shows the error under
    // the title "Open midi file" (unless silent). Not silent: shows "Reading midi file...",
    // then "Ready.", the report in the "MIDI file load" dialog and the "VLX:MESSAGE:" text.
    // afterRead runs after a successful load that is not silent, before the status, the
    // report and the message are shown: the steps that need the device table and the
    // settings (device assignment by device-name events, unused devices, the MIDI standard
    // check) go there.
    using AfterRead = std::function<void(const LoadResult&)>;
    static LoadResult load(const std::filesystem::path& path, Song& song, const LoadOptions& options,
                           UserPrompt& prompt, const AfterRead& afterRead = {});

    // The same on a file image already in memory; shows nothing. The song's waveFileName
    // is left alone (it comes from the path).
    static LoadResult read(std::span<const std::uint8_t> file, Song& song, const LoadOptions& options);
};

} // namespace velisto
