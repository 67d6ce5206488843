// libFuzzer target: any bytes through the MIDI file reader into a song.

#include "song/MidiFileReader.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A song holds 256 tracks: build it once; every load clears it anyway.
    static velisto::Song song;
    // The input's size picks the options, so that the post-load steps get their share
    // without taking bytes away from the file image.
    velisto::LoadOptions options;
    options.silent = (size & 1u) != 0;
    options.chooseKnobsByUsage = (size & 2u) != 0;
    options.applyKnobRecords = (size & 4u) != 0;
    velisto::MidiFileReader::read(std::span<const std::uint8_t>(data, size), song, options);
    return 0;
}
