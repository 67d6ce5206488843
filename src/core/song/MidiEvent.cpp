#include "song/MidiEvent.h"

#include <utility>

namespace velisto {

MidiEvent MidiEvent::channelEvent(std::int32_t tick, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                  std::int32_t length)
{
    MidiEvent e;
    e.tick = tick;
    e.status = status;
    e.data1 = data1;
    e.data2 = data2;
    e.length = length;
    return e;
}

MidiEvent MidiEvent::note(std::int32_t tick, int channel, int key, int velocity, std::int32_t length)
{
    return channelEvent(tick, static_cast<std::uint8_t>(EventKind::Note | (channel & 0x0F)),
                        static_cast<std::uint8_t>(key & 0x7F), static_cast<std::uint8_t>(velocity & 0x7F),
                        length < 1 ? 1 : length);
}

MidiEvent MidiEvent::drumNrpn(std::int32_t tick, int channel, int slot, int key, int value)
{
    MidiEvent e = channelEvent(tick, static_cast<std::uint8_t>(EventKind::DrumNrpn | (channel & 0x0F)),
                               static_cast<std::uint8_t>(slot), static_cast<std::uint8_t>(value & 0x7F));
    e.data3 = static_cast<std::uint8_t>(key & 0x7F);
    return e;
}

MidiEvent MidiEvent::textEvent(std::int32_t tick, std::uint8_t kind, std::string text)
{
    MidiEvent e;
    e.tick = tick;
    e.status = kind;
    e.text.reset(std::move(text));
    return e;
}

MidiEvent MidiEvent::sysexEvent(std::int32_t tick, std::vector<std::uint8_t> bytes)
{
    MidiEvent e;
    e.tick = tick;
    e.status = EventKind::Sysex;
    e.sysex.reset(std::move(bytes));
    return e;
}

namespace {
template <typename T>
bool samePayload(const DeepPtr<T>& a, const DeepPtr<T>& b)
{
    if (!a || !b)
        return !a && !b;
    return *a == *b;
}
} // namespace

bool MidiEvent::operator==(const MidiEvent& other) const
{
    return tick == other.tick && status == other.status && data1 == other.data1 && data2 == other.data2 &&
           data3 == other.data3 && length == other.length && samePayload(text, other.text) &&
           samePayload(sysex, other.sysex);
}

} // namespace velisto
