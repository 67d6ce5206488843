#pragma once
// The field rules and texts of the wave editor's dialogs ("Set Wave Info", "Create new
// .wav file", "Enter flag's position by address"), so that the dialogs only show them.
//
// Thread contract: pure functions, any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velisto {

class WaveFile;

// ---- "Set Wave Info"
inline constexpr int kGainSliderMinDb = -48;
inline constexpr int kGainSliderMaxDb = 48;
inline constexpr const char* kTempoLineText =
    "If your selection would cover exactly 10 measures and if meter would be 4/4, then tempo was";

// The velocity range from the "From (1-127)" and "to (1-127)" fields: an empty field
// clears the range, values are limited to 1..127, and "to" below "from" clears it.
// {-1, -1} is no range.
std::pair<int, int> velocityRangeFromFields(std::string_view from, std::string_view to);

// The tempo, in BPM, at which 40 quarter notes last as long as selectionFrames; empty
// without a selection (no frames) or rate.
std::string tempoLine(std::int64_t selectionFrames, std::uint32_t rate);

// Empty when the copy buffer options can be used, else the text to show.
std::string checkCopyBufferOptions(int replicate, double stretch);

// A decimal number typed into a factor field ("Volume factor", "Stretch factor", the
// volume dialog); none when the text is not one.
std::optional<double> factorFromField(std::string_view text);

// ---- the volume dialog
inline constexpr double kVolumeFactorMax = 16.0;
// Empty when factor can rescale the audio (greater than 0, at most kVolumeFactorMax),
// else the text to show.
std::string checkVolumeFactor(std::optional<double> factor);

// ---- "Create new .wav file"
inline constexpr int kNewFileMinMinutes = 1;
inline constexpr int kNewFileMaxMinutes = 120;
inline constexpr const char* kNewFileRates[] = {"11025", "22050", "44100", "96000"};

struct NewWaveFields {
    int minutes = 5;
    std::uint32_t rate = 44100;
    bool stereo = true;
    int bits = 16;
};
// Empty when the fields can be used, else the text to show.
std::string checkNewWaveFields(const NewWaveFields& fields);

// ---- "Enter flag's position by address"
// The dialog's information lines: the loop ("Loopstart", "Loopend" or "No loop set"),
// each "Cue point #" n, and the data's start and end addresses.
std::vector<std::string> flagPositionLines(const WaveFile& wave);

} // namespace velisto
