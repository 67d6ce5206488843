#pragma once
// Writes the song as a Standard MIDI File of format 1: notes get note-offs from their
// lengths, parameter events unfold into controller sequences, master lists merge into
// track 0, and track settings travel as "VLX:" text records the reader understands.
// Thread contract: user-interface thread; the song is only read.

#include "app/UserPrompt.h"
#include "song/Song.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velisto {

struct SaveResult {
    bool ok = false;
    // Why nothing was written (cancelled, a write error, a song that cannot be encoded).
    std::string error;
};

struct EncodeResult {
    std::vector<std::uint8_t> bytes; // the whole file; empty when error is set
    std::string error;
};

class MidiFileWriter {
  public:
    // The whole file in memory. withSoloMute: also write "VLX:SOLOTRACK" and
    // "VLX:MUTEDTRACK" (the undo file only).
    // - Tracks 0 up to the last one that is not empty for saving are written; track 0
    //   always, since it carries the tempo, meter and key lists.
    // - Time never runs backwards in the file: an event at a negative tick is written at
    //   tick 0 (and anything else behind the last written tick at that tick).
    // - Every note gets its note off, however many overlap.
    // - A tempo slower than the three-byte field holds is written as its slowest
    //   (0xFFFFFF microseconds per quarter), one faster than 1 microsecond as 1; entries
    //   that are not a positive, finite tempo are left out.
    // - Data bytes keep their low seven bits; events of slots that no definition uses and
    //   of kinds the song does not define have no file form and are left out.
    // Errors (nothing is encoded): a ppq outside 1..32767, and a time distance of 2^28
    // ticks or more between two things of a track ("Delta time too large for a MIDI file
    // (more than 268435455 ticks) in track " n ", position " MMMM:BB:TTT ".\nThe file was
    // not saved."; the track counted from 1).
    static EncodeResult encode(const Song& song, bool withSoloMute);

    // Writes to a temporary file beside path (its name starts with "~vlx") and renames it
    // over path only when every byte was written and flushed, so a failed save never
    // destroys the previous file; the previous file's permissions carry over, and a
    // symbolic link keeps pointing to the saved file. An open failure (no writable folder,
    // path is a folder) asks "Can't open MIDI file for writing" (title "MIDI file save")
    // with Retry and Cancel; Cancel gives that text as the error. Encoding errors and write
    // errors ("Can't write MIDI file " path "." and the system's reason on the next line)
    // are shown through the prompt under the same title and returned, with ok false.
    static SaveResult write(const std::filesystem::path& path, const Song& song, bool withSoloMute, UserPrompt& prompt);
};

} // namespace velisto
