#pragma once
// A bare walk over the events of a Standard MIDI File, sharing nothing with the reader:
// tests take reference facts from it, and the load benchmark measures the reader against
// it. No folding, no notes, no report.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace velisto::test {

struct SmfEvent {
    int track = 0;
    std::int64_t tick = 0;
    std::uint8_t status = 0; // running status resolved; 0xFF for meta events
    std::uint8_t metaType = 0;
    std::span<const std::uint8_t> data; // meta and sysex payload, or the channel data bytes
};

// Calls onEvent for every event of every track chunk, then onTrackEnd(track, tick) at each
// track's end. False when the file is cut short or malformed; what came before was passed.
template <typename OnEvent, typename OnTrackEnd>
bool scanSmfEvents(std::span<const std::uint8_t> file, const OnEvent& onEvent, const OnTrackEnd& onTrackEnd)
{
    std::size_t at = 0;
    bool ok = true;
    const auto need = [&](std::size_t bytes, std::size_t end) {
        ok = ok && at + bytes <= end;
        return ok;
    };
    const auto bigEndian = [&](std::size_t bytes) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            value = (value << 8) | file[at++];
        return value;
    };
    const auto number = [&](std::size_t end) {
        std::uint32_t value = 0;
        for (int i = 0; i < 4 && need(1, end); ++i) {
            const std::uint8_t byte = file[at++];
            value = (value << 7) | (byte & 0x7Fu);
            if ((byte & 0x80) == 0)
                return value;
        }
        ok = false;
        return value;
    };
    const auto id = [&] { return std::string_view(reinterpret_cast<const char*>(file.data()) + at, 4); };

    if (!need(8, file.size()) || id() != "MThd")
        return false;
    at += 4;
    const std::size_t headerLength = bigEndian(4);
    at += headerLength;
    int track = 0;
    while (ok && at + 8 <= file.size()) {
        const bool isTrack = id() == "MTrk";
        at += 4;
        const std::size_t length = bigEndian(4);
        if (!need(length, file.size()))
            break;
        const std::size_t end = at + length;
        if (!isTrack) {
            at = end;
            continue;
        }
        std::int64_t tick = 0;
        std::uint8_t running = 0;
        while (ok && at < end) {
            tick += number(end);
            if (!need(1, end))
                break;
            SmfEvent event{track, tick, file[at], 0, {}};
            if (event.status & 0x80)
                ++at;
            else
                event.status = running;
            std::size_t size = 0;
            if (event.status == 0xFF) {
                if (!need(1, end))
                    break;
                event.metaType = file[at++];
                size = number(end);
            } else if (event.status == 0xF0 || event.status == 0xF7) {
                size = number(end);
            } else if (event.status >= 0x80) {
                running = event.status;
                size = (event.status & 0xE0) == 0xC0 ? 1 : 2;
            } else {
                ok = false; // data bytes with no status before them
            }
            if (!need(size, end))
                break;
            event.data = file.subspan(at, size);
            at += size;
            onEvent(event);
            if (event.status == 0xFF && event.metaType == 0x2F)
                break;
        }
        onTrackEnd(track, tick);
        at = end;
        ++track;
    }
    return ok;
}

} // namespace velisto::test
