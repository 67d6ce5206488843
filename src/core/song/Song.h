#pragma once
// The one song the program edits: 256 tracks, the timebase and the three master lists
// (tempo, meter, key) that stand in for a file's tempo, time and key signature events.
// Thread contract: the user-interface thread is the only writer; the play thread reads.

#include "song/Track.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

inline constexpr int kTrackCount = 256;

struct TempoEntry {
    double bpm = 0.0;       // quarter notes per minute; 0.0 marks the first free entry
    std::int32_t tick = 0;
    bool used() const { return bpm != 0.0; }
};

struct MeterEntry {
    std::int32_t numerator = 0;   // 0 marks the first free entry
    std::int32_t denominator = 4; // the note value itself: 1, 2, 4, 8, 16, 32
    std::int32_t measure = 0;     // first measure (from 0) under this meter
    bool used() const { return numerator != 0; }
};

inline constexpr std::int32_t kKeyListEnd = -8;
struct KeyEntry {
    std::int32_t major = 1;                 // 1 major, 0 minor
    std::int32_t sharpsFlats = kKeyListEnd; // -7..7, negative for flats; -8 marks the end
    std::int32_t tick = 0;
    bool used() const { return sharpsFlats != kKeyListEnd; }
};

// What a set operation on a master list did. Dropped: nothing stored, because the value
// is none the list can hold (it would read as the end marker, or is no meter).
enum class MasterListChange { Inserted, Replaced, Dropped };

// The part of a master list that counts: the entries before the first end marker. The
// lists grow as a song needs (real files hold hundreds of tempo changes); an end marker
// stored by hand still ends the list for every reader.
template <typename Entry> std::span<const Entry> usedEntries(const std::vector<Entry>& list)
{
    std::size_t count = 0;
    while (count < list.size() && list[count].used())
        ++count;
    return {list.data(), count};
}

class Song {
public:
    Song();

    std::array<Track, kTrackCount> tracks;
    std::int32_t ppq = 120;
    // Sorted by tick (meters by measure), each key once; see usedEntries.
    std::vector<TempoEntry> tempoList;
    std::vector<MeterEntry> meterList;
    std::vector<KeyEntry> keyList;
    std::string waveFileName;

    // Back to the default song: one tempo (120 BPM), one meter (4/4), one key (C major),
    // every track empty with default settings, no solo. device: what every track's
    // device becomes; std::nullopt leaves it (a silent load). ppq is left as it is.
    // Resetting the receivers' models is the device table's business.
    void clear(std::optional<std::int32_t> device);

    // Every track's tickOffset into -ppq/4..+ppq/4; call whenever ppq changes.
    void clampTickOffsets();

    MasterListChange setTempo(std::int32_t tick, double bpm);
    MasterListChange setKey(std::int32_t tick, std::int32_t sharpsFlats, std::int32_t major);
    // The tick is converted to the measure that holds it under the current meters.
    MasterListChange setMeter(std::int32_t tick, std::int32_t numerator, std::int32_t denominator);
    MasterListChange setMeterAtMeasure(std::int32_t measure, std::int32_t numerator, std::int32_t denominator);

    // Takes entry index out of its list: the entries behind it move up and the last slot
    // becomes free. False for an index outside the used entries.
    bool removeTempo(int index);
    bool removeMeter(int index);
    bool removeKey(int index);

    int tempoCount() const;
    int meterCount() const;
    int keyCount() const;

    // Solo and mute, live while a run plays them: a fixed flag per track, so the play
    // thread never reads storage that a change reallocates.
    bool isSolo(int track) const;
    void setSolo(int track, bool on);
    bool soloActive() const { return soloCount_.load() > 0; }
    // The solo tracks, ascending.
    std::vector<int> soloList() const;
    // The one rule for the play engine and the track rows: a muted track is silent, also
    // when it is solo (its lit mute button is obeyed); while any track is solo, every
    // track outside the solo list is silent as well.
    bool isSilent(int track) const;

    // No events, no name, not solo, not muted, no tick offset: trailing tracks like this
    // are not written to a file.
    bool isEmptyForSaving(int track) const;
    // Index of the last track that is not empty for saving, -1 when all are.
    int lastTrackToSave() const;

private:
    std::array<LiveSetting<bool>, kTrackCount> solo_{};
    LiveSetting<int> soloCount_{0};
};

// The file name's ".wav" counterpart, what the song renders into: a three-letter extension
// ("song.mid") replaced by "wav"; nullopt for a name without one ("song").
std::optional<std::string> waveFileNameFor(std::string_view fileName);

} // namespace velisto
