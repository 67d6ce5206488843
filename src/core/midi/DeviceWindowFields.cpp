#include "midi/DeviceWindowFields.h"

#include "midi/MidiStandardNames.h"

#include <filesystem>
#include <mutex>

namespace velisto {
namespace {

// The variation type an XG System On selects.
constexpr int kXgResetVariationMsb = 0x05;

std::string bracketed(std::string_view name) { return "[" + std::string(name) + "]"; }

std::string twoColumns(int number)
{
    std::string text = std::to_string(number);
    return text.size() < 2 ? " " + text : text;
}

std::string supportedStandards(const OutputDevice& device)
{
    std::string text = "[GM]";
    if (device.gsSupported)
        text += "[GS]";
    if (device.xgSupported)
        text += "[XG]";
    if (device.gm2Supported)
        text += "[GM2]";
    return text;
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

} // namespace

DeviceWindowState DeviceWindowState::of(const DeviceMidiState& state, int lastXgVariationType)
{
    DeviceWindowState view;
    view.mode = state.mode();
    for (int part = 1; part <= DeviceMidiState::kParts; ++part) {
        const std::size_t i = static_cast<std::size_t>(part - 1);
        view.partChannels[i] = state.parts()[i].midiChannel;
        view.rhythmParts[i] = state.isRhythmPart(part);
    }
    view.lastXgVariationType = lastXgVariationType;
    return view;
}

DeviceWindowState DeviceWindowState::of(const OutputDevice& device)
{
    const std::lock_guard lock(device.sendMutex());
    return of(device.liveState, device.lastXgVariationType);
}

DeviceWindowField deviceWindowField(std::string_view key, const OutputDevice& device,
                                    const DeviceWindowState& state)
{
    if (key == DeviceField::DeviceName)
        return {key, {"MIDI output device:", ""}, device.name};
    if (key == DeviceField::IsDefault)
        return {key, {"is", "default:"}, device.isDefault ? "yes" : "no"};
    if (key == DeviceField::DeviceMode)
        return {key, {"MIDI", "mode:"}, bracketed(midiModeName(state.mode))};
    if (key == DeviceField::SupportedStandards)
        return {key, {"Supported", "MIDI standards:"}, supportedStandards(device)};
    if (key == DeviceField::TrackMode)
        return {key, {"MIDI Standard", "used by Trackevents:"}, bracketed(midiModeName(device.trackMode))};
    if (key == DeviceField::LastXgVariationGroup)
        return {key, {"XG variation", "effect group"}, xgVariationGroupText(state)};
    return {key, {"", ""}, {}};
}

std::string DeviceWindowParts::line(const Row& row)
{
    std::string text = row.heading;
    for (const std::string& cell : row.cells)
        text += cell;
    return text;
}

DeviceWindowParts deviceWindowParts(const DeviceWindowState& state)
{
    DeviceWindowParts parts;
    parts.highlighted = state.rhythmParts;
    if (state.mode == MidiMode::GS || state.mode == MidiMode::XG) {
        parts.caption = "Part/MIDI channel assignment";
        DeviceWindowParts::Row numbers{"Part ", {}};
        DeviceWindowParts::Row channels{"Cha.", {}};
        for (std::size_t i = 0; i < numbers.cells.size(); ++i) {
            numbers.cells[i] = twoColumns(static_cast<int>(i) + 1);
            const int channel = state.partChannels[i];
            channels.cells[i] = channel < 0 ? " -" : twoColumns(channel + 1);
        }
        parts.rows = {numbers, channels};
        return parts;
    }
    parts.caption = "Rythm channels";
    DeviceWindowParts::Row channels{"Cha. ", {}};
    for (std::size_t i = 0; i < channels.cells.size(); ++i)
        channels.cells[i] = twoColumns(static_cast<int>(i) + 1);
    parts.rows = {channels};
    return parts;
}

std::string xgVariationGroupText(const DeviceWindowState& state)
{
    if (state.mode != MidiMode::XG)
        return std::string(kNoXgText);
    const int msb = state.lastXgVariationType < 0 ? kXgResetVariationMsb : state.lastXgVariationType / 128;
    return std::string(xgVariationGroupName(xgVariationGroupOf(msb)));
}

std::string elideWithDots(std::string_view text, int width, const std::function<int(std::string_view)>& measure)
{
    if (measure(text) <= width)
        return std::string(text);
    constexpr std::string_view dots = "...";
    // The longest fitting front part, by halving: measure grows with the length.
    std::size_t fits = 0;
    std::size_t tooLong = text.size();
    std::string candidate;
    while (tooLong - fits > 1) {
        std::size_t middle = fits + (tooLong - fits) / 2;
        candidate = std::string(text.substr(0, middle)) + std::string(dots);
        if (measure(candidate) <= width)
            fits = middle;
        else
            tooLong = middle;
    }
    while (fits > 0 && isContinuationByte(text[fits]))
        --fits;
    candidate = std::string(text.substr(0, fits)) + std::string(dots);
    return measure(candidate) <= width ? candidate : std::string();
}

std::string generatorRestingStatus(std::string_view loadedIgrPath)
{
    if (loadedIgrPath.empty())
        return std::string(kNoIgrMapText);
    return std::string(kLoadedIgrText) + " " + std::filesystem::path(loadedIgrPath).filename().string();
}

GeneratorStatusLine generatorStatusLine(std::string_view statusText, bool error, bool busy, int countdown,
                                        std::string_view loadedIgrPath)
{
    if (!busy && countdown <= 0)
        return {generatorRestingStatus(loadedIgrPath), false, false};
    // The sampler pads its text to the widest one so far; the strip draws it whole.
    const std::size_t end = statusText.find_last_not_of(' ');
    return {std::string(statusText.substr(0, end == std::string_view::npos ? 0 : end + 1)), error, busy};
}

} // namespace velisto
