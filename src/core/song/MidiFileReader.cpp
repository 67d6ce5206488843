#include "song/MidiFileReader.h"

#include "midi/MidiModeDefinition.h"
#include "song/ByteReader.h"
#include "song/Positions.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

namespace velisto {
namespace {

constexpr std::string_view kOpenTitle = "Open midi file";
constexpr std::string_view kReportTitle = "MIDI file load";
constexpr std::string_view kMessageTitle = "Message after loading MIDI file";

constexpr std::string_view kNotMidiText = "This file is not a MIDI file.";
constexpr std::string_view kFormatText = "MIDI file format is neither 0 nor 1.\nThose files are not supported.";
constexpr std::string_view kSmpteText = "MIDI file uses SMTPE delta time units.\nThose files are not supported yet.";
constexpr std::string_view kDivisionZeroText =
    "MIDI file has a time division of 0 ticks per quarter note.\nThose files are not supported.";
constexpr std::string_view kFormatZeroReport =
    "The MIDI file has been created by 'one track format SMF0'."
    "\r\nIf you save this file within Velisto later it will be saved by 'multi track format SMF1'.";

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::uint32_t kHeaderFieldsSize = 6;
constexpr std::uint32_t kSmpteDivision = 0x8000;

constexpr int kChannels = 16;
constexpr int kOpenNoteSlots = 40;
// Texts of this many bytes and more are not stored.
constexpr std::size_t kTextLimit = 4096;
constexpr std::uint8_t kInitialRunningStatus = 0x90;
// Entries the load report shows at most; more are counted in one closing line.
constexpr int kMaxReportEntries = 1000;

// Per-channel parameter address state while folding controller sequences.
constexpr int kModeNone = -1;
constexpr int kModeRpn = 0;
constexpr int kModeNrpn = 1;

namespace Meta {
constexpr std::uint8_t Text = 0x01;
constexpr std::uint8_t TrackName = 0x03;
constexpr std::uint8_t Lyric = 0x05;
constexpr std::uint8_t DeviceName = 0x09;
constexpr std::uint8_t ChannelPrefix = 0x20;
constexpr std::uint8_t EndOfTrack = 0x2F;
constexpr std::uint8_t Tempo = 0x51;
constexpr std::uint8_t TimeSignature = 0x58;
constexpr std::uint8_t KeySignature = 0x59;
} // namespace Meta

std::uint8_t textKindOfMeta(std::uint8_t type)
{
    switch (type) {
    case 0x02:
        return EventKind::Copyright;
    case 0x04:
        return EventKind::InstrumentName;
    case 0x05:
        return EventKind::Lyric;
    case 0x06:
        return EventKind::Marker;
    case 0x07:
        return EventKind::CuePoint;
    case 0x08:
        return EventKind::ProgramName;
    case 0x09:
        return EventKind::DeviceName;
    default:
        return EventKind::Text;
    }
}

// Position of needle in text, comparing ASCII letters without regard to case.
std::size_t findNoCase(std::string_view text, std::string_view needle)
{
    const auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c); };
    if (needle.size() > text.size())
        return std::string_view::npos;
    for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < needle.size() && upper(static_cast<unsigned char>(text[at + i])) == needle[i])
            ++i;
        if (i == needle.size())
            return at;
    }
    return std::string_view::npos;
}

// A whole field as a decimal number, blanks around it allowed.
std::optional<int> decimalField(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return parseDecimal(text);
}

// BPM to three decimals from microseconds per quarter note: thousandths are truncated
// and rounded up only when the rest is above one half. Exact in integers.
double bpmOfMicroseconds(std::uint32_t microseconds)
{
    constexpr std::uint64_t kThousandthsPerMinute = 60'000'000'000ULL;
    std::uint64_t thousandths = kThousandthsPerMinute / microseconds;
    if (2 * (kThousandthsPerMinute % microseconds) > microseconds)
        ++thousandths;
    return static_cast<double>(thousandths) / 1000.0;
}

// The tempo in force at tick: the list is sorted by tick, each tick once.
double tempoAt(const Song& song, std::int32_t tick)
{
    const std::span<const TempoEntry> list = usedEntries(song.tempoList);
    const auto after = std::upper_bound(list.begin(), list.end(), tick,
                                        [](std::int32_t t, const TempoEntry& e) { return t < e.tick; });
    return after == list.begin() ? 0.0 : std::prev(after)->bpm;
}

// The key-based slot of a controller number in the first standard that has one.
int keyBasedSlotForSong(int controllerNumber)
{
    for (int mode = 0; mode < MidiMode::Count; ++mode) {
        const int slot = midiModeDefinition(mode).keyBasedSlotOf(controllerNumber);
        if (slot >= 0)
            return slot;
    }
    return -1;
}

// A note on waiting for its note off. Which slots are in use, and which hold which channel
// and key, is kept in bit masks beside the table (SongLoader), so that pairing a note off
// takes no scan of the table.
struct OpenNote {
    std::int32_t startTick = 0;
    std::int32_t eventIndex = -1;
};

constexpr std::uint64_t kAllOpenNoteSlots = (std::uint64_t{1} << kOpenNoteSlots) - 1;
constexpr std::size_t keyIndex(int channel, std::uint8_t key) { return static_cast<std::size_t>(channel) * 128 + key; }

struct ParameterAddress {
    int mode = kModeNone;
    std::uint8_t rpnMsb = 0;
    std::uint8_t rpnLsb = 0;
    std::uint8_t nrpnMsb = 0;
    std::uint8_t nrpnLsb = 0;
};

// What reading one event left the track in.
enum class Step {
    Continue,
    EndOfTrack,  // FF 2F read
    Stop,        // a defect ends the track; it has been reported
    Interrupted, // a status byte came where a data byte belonged; read it as the next status
};

// The parse of the track chunks into the song. One instance per file; the running status
// carries over from one track to the next.
class SongLoader {
public:
    SongLoader(Song& song, const LoadOptions& options, LoadResult& result)
        : song_(song), options_(options), result_(result)
    {
    }

    // makeText builds the entry only when it is kept: a silent load (the undo reload) keeps
    // none, and a skipped event would otherwise format its position for nothing. A damaged
    // or hostile file can produce an entry for nearly every byte; beyond a readable number
    // the entries are only counted.
    template <typename MakeText> void addReport(const MakeText& makeText)
    {
        if (options_.silent)
            return;
        if (reportEntries_ >= kMaxReportEntries) {
            ++reportEntriesLeftOut_;
            return;
        }
        ++reportEntries_;
        if (!result_.report.empty())
            result_.report += "\r\n\r\n";
        result_.report += makeText();
    }

    void finishReport()
    {
        if (reportEntriesLeftOut_ == 0)
            return;
        result_.report += "\r\n\r\n" + std::to_string(reportEntriesLeftOut_) + " more report entries like these are left out.";
    }

    void readTrack(std::span<const std::uint8_t> data, int trackIndex);

private:
    Track& track() { return song_.tracks[static_cast<std::size_t>(trackIndex_)]; }
    std::string trackNumber() const { return std::to_string(trackIndex_ + 1); }
    // "in track N, position MMMM:BB:TTT" for the current tick.
    std::string place() const { return "in track " + trackNumber() + ", position " + positionText(song_, tick_); }

    Step readEvent();
    Step readStatusAndEvent();
    Step readChannelMessage(std::uint8_t status);
    Step readSysex();
    Step readEscape();
    Step readMeta();

    Step incompleteEvent();
    Step badLength();
    Step lengthBeyondTrack(std::string_view what, std::uint32_t length);

    void storeChannelEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                           std::uint8_t data3 = kNoDrumKey);

    void noteOn(int channel, std::uint8_t key, std::uint8_t velocity);
    void noteOff(int channel, std::uint8_t key);

    void controller(int channel, std::uint8_t number, std::uint8_t value);
    void rpnLsb(int channel, std::uint8_t value);
    void nrpnLsb(int channel, std::uint8_t value);
    void dataEntry(int channel, std::uint8_t value);
    void rpnDataEntry(int channel, std::uint8_t value);
    void nrpnDataEntry(int channel, std::uint8_t value);
    // reason() gives the last line of the entry, built only when the entry is kept.
    template <typename MakeReason> void skipDataEntry(int channel, std::uint8_t value, const MakeReason& reason)
    {
        addReport([&] {
            return "Controller cc #6 Data entry MSB, value " + std::to_string(value) + "\r\n" + place() +
                   ", MIDI channel " + std::to_string(channel + 1) + ".\r\n" + reason();
        });
    }
    void dataEntryLsb(int channel, std::uint8_t value);
    void otherController(int channel, std::uint8_t number, std::uint8_t value);

    void tempo(std::span<const std::uint8_t> payload);
    void keySignature(std::span<const std::uint8_t> payload);
    void timeSignature(std::span<const std::uint8_t> payload);
    void channelPrefix(std::span<const std::uint8_t> payload);
    void text(std::uint8_t type, std::span<const std::uint8_t> payload);
    bool applyRecord(const std::string& content);
    void knobRecord(std::string_view record);
    void unexpectedMetaLength(std::uint8_t type, std::size_t length);

    Song& song_;
    const LoadOptions& options_;
    LoadResult& result_;
    std::uint8_t runningStatus_ = kInitialRunningStatus;
    int reportEntries_ = 0;
    long long reportEntriesLeftOut_ = 0;

    // Per track.
    ByteReader in_;
    int trackIndex_ = 0;
    std::int32_t tick_ = 0;
    std::array<ParameterAddress, kChannels> address_{};
    std::array<OpenNote, kOpenNoteSlots> openNotes_{};
    std::uint64_t usedSlots_ = 0;                             // bit n: slot n holds an open note
    std::array<std::uint64_t, kChannels * 128> slotsOfKey_{}; // the slots of each channel and key
};

void SongLoader::readTrack(std::span<const std::uint8_t> data, int trackIndex)
{
    in_ = ByteReader(data);
    trackIndex_ = trackIndex;
    // An event takes at least three bytes on average (a note is an on and an off):
    // reserving for that many avoids regrowing long tracks.
    track().reserve(track().eventCount() + static_cast<std::int32_t>(data.size() / 3));
    tick_ = 0;
    address_.fill(ParameterAddress{});
    openNotes_.fill(OpenNote{});
    usedSlots_ = 0;
    slotsOfKey_.fill(0);

    for (;;) {
        if (in_.atEnd()) {
            addReport([&] { return "Track " + trackNumber() + " ends without an End of track event."; });
            return;
        }
        const Step step = readEvent();
        if (step == Step::Stop)
            return;
        if (step == Step::EndOfTrack) {
            if (!in_.atEnd())
                addReport([&] {
                    return "Track " + trackNumber() + " holds " + std::to_string(in_.remaining()) +
                           " bytes behind its End of track event.\r\nSkipped.";
                });
            return;
        }
    }
}

Step SongLoader::readEvent()
{
    const auto delta = in_.vlq();
    if (!delta)
        return in_.atEnd() ? incompleteEvent() : badLength();
    if (*delta > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max() - tick_)) {
        addReport([&] {
            return "Delta time leads beyond the last possible position " + place() + ".\r\nRest of the track skipped.";
        });
        return Step::Stop;
    }
    tick_ += static_cast<std::int32_t>(*delta);

    Step step = readStatusAndEvent();
    while (step == Step::Interrupted)
        step = readStatusAndEvent();
    return step;
}

Step SongLoader::readStatusAndEvent()
{
    // System common and real-time bytes have no place in a file: skip them one by one.
    auto byte = in_.peek();
    while (byte && *byte >= 0xF1 && *byte <= 0xFE && *byte != 0xF7) {
        in_.u8();
        byte = in_.peek();
    }
    if (!byte)
        return incompleteEvent();
    if (*byte < 0x80)
        return readChannelMessage(runningStatus_);
    in_.u8();
    switch (*byte) {
    case 0xF0:
        return readSysex();
    case 0xF7:
        return readEscape();
    case 0xFF:
        return readMeta();
    default:
        // Only channel statuses run on: a data byte behind a sysex or meta event continues
        // the last channel message, as tolerant readers do.
        runningStatus_ = *byte;
        return readChannelMessage(*byte);
    }
}

Step SongLoader::readChannelMessage(std::uint8_t status)
{
    const std::uint8_t kind = status & 0xF0;
    const bool twoBytes = kind != EventKind::ProgramChange && kind != EventKind::ChannelPressure;
    std::array<std::uint8_t, 2> data{};
    for (int i = 0; i < (twoBytes ? 2 : 1); ++i) {
        const auto byte = in_.peek();
        if (!byte)
            return incompleteEvent();
        if (*byte >= 0x80) {
            addReport([&] {
                return "Channel message " + hexByte(status) + "h with a missing data byte " + place() + ".\r\nSkipped.";
            });
            return Step::Interrupted;
        }
        data[static_cast<std::size_t>(i)] = *in_.u8();
    }

    const int channel = status & 0x0F;
    switch (kind) {
    case 0x80:
        noteOff(channel, data[0]);
        break;
    case EventKind::Note:
        if (data[1] > 0)
            noteOn(channel, data[0], data[1]);
        else
            noteOff(channel, data[0]);
        break;
    case EventKind::Controller:
        controller(channel, data[0], data[1]);
        break;
    default:
        storeChannelEvent(status, data[0], data[1]);
        break;
    }
    return Step::Continue;
}

Step SongLoader::incompleteEvent()
{
    addReport([&] { return "Incomplete event at the end of the track data " + place() + ".\r\nSkipped."; });
    return Step::Stop;
}

Step SongLoader::badLength()
{
    addReport([&] {
        return "Variable-length number of more than four bytes " + place() + ".\r\nRest of the track skipped.";
    });
    return Step::Stop;
}

Step SongLoader::lengthBeyondTrack(std::string_view what, std::uint32_t length)
{
    addReport([&] {
        return std::string(what) + " with a length of " + std::to_string(length) + " bytes exceeds the track data " +
               place() + ".\r\nRest of the track skipped.";
    });
    return Step::Stop;
}

void SongLoader::storeChannelEvent(std::uint8_t status, std::uint8_t data1, std::uint8_t data2, std::uint8_t data3)
{
    MidiEvent& event = track().appendNew();
    event.tick = tick_;
    event.status = status;
    event.data1 = data1;
    event.data2 = data2;
    event.data3 = data3;
    event.length = kFileChannelEventLength;
}

// --- Notes -----------------------------------------------------------------------------

void SongLoader::noteOn(int channel, std::uint8_t key, std::uint8_t velocity)
{
    const std::uint64_t freeSlots = ~usedSlots_ & kAllOpenNoteSlots;
    if (freeSlots == 0) {
        addReport([&] {
            return "More than 40 open Note on events in track " + trackNumber() + ", position " +
                   positionText(song_, tick_) + "\r\nOne Note on event skipped.";
        });
        return;
    }
    const int slot = std::countr_zero(freeSlots);
    storeChannelEvent(static_cast<std::uint8_t>(EventKind::Note | channel), key, velocity);
    openNotes_[static_cast<std::size_t>(slot)] = OpenNote{tick_, track().lastIndex()};
    const std::uint64_t bit = std::uint64_t{1} << slot;
    usedSlots_ |= bit;
    slotsOfKey_[keyIndex(channel, key)] |= bit;
}

// Ends the open note of this channel and key that started first (the lowest slot among
// equal starts). Without one the note off is ignored.
void SongLoader::noteOff(int channel, std::uint8_t key)
{
    std::uint64_t& slots = slotsOfKey_[keyIndex(channel, key)];
    if (slots == 0)
        return;
    int found = std::countr_zero(slots);
    for (std::uint64_t rest = slots & (slots - 1); rest != 0; rest &= rest - 1) {
        const int slot = std::countr_zero(rest);
        if (openNotes_[static_cast<std::size_t>(slot)].startTick < openNotes_[static_cast<std::size_t>(found)].startTick)
            found = slot;
    }
    const OpenNote& open = openNotes_[static_cast<std::size_t>(found)];
    const std::int32_t length = tick_ - open.startTick;
    track().event(open.eventIndex).length = length > 0 ? length : 1;
    const std::uint64_t bit = std::uint64_t{1} << found;
    slots &= ~bit;
    usedSlots_ &= ~bit;
}

// --- Controllers -----------------------------------------------------------------------

void SongLoader::controller(int channel, std::uint8_t number, std::uint8_t value)
{
    ParameterAddress& address = address_[static_cast<std::size_t>(channel)];
    switch (number) {
    case 101:
        address.mode = kModeRpn;
        address.rpnMsb = value;
        break;
    case 100:
        rpnLsb(channel, value);
        break;
    case 99:
        address.mode = kModeNrpn;
        address.nrpnMsb = value;
        break;
    case 98:
        nrpnLsb(channel, value);
        break;
    case 38:
        dataEntryLsb(channel, value);
        break;
    case 6:
        dataEntry(channel, value);
        break;
    default:
        otherController(channel, number, value);
        break;
    }
}

void SongLoader::rpnLsb(int channel, std::uint8_t value)
{
    ParameterAddress& address = address_[static_cast<std::size_t>(channel)];
    address.mode = kModeRpn;
    address.rpnLsb = value;
    if (value == kNullParameterNumber && address.rpnMsb == kNullParameterNumber) {
        storeChannelEvent(static_cast<std::uint8_t>(EventKind::Rpn | channel), kRpnLockInSlot, 0);
        address.mode = kModeNone;
    }
}

void SongLoader::nrpnLsb(int channel, std::uint8_t value)
{
    ParameterAddress& address = address_[static_cast<std::size_t>(channel)];
    address.mode = kModeNrpn;
    address.nrpnLsb = value;
    if (value == kNullParameterNumber && address.nrpnMsb == kNullParameterNumber) {
        storeChannelEvent(static_cast<std::uint8_t>(EventKind::Nrpn | channel), kNrpnLockInSlot, 0);
        address.mode = kModeNone;
    }
}

// The mode stays as it is, so that several data entries may follow one address.
void SongLoader::dataEntry(int channel, std::uint8_t value)
{
    switch (address_[static_cast<std::size_t>(channel)].mode) {
    case kModeRpn:
        rpnDataEntry(channel, value);
        break;
    case kModeNrpn:
        nrpnDataEntry(channel, value);
        break;
    default:
        skipDataEntry(channel, value, [&] {
            return "No previous (supported) RPN/NRPN found, or it was RPN/NRPN lockin. Event is skipped.";
        });
        break;
    }
}

void SongLoader::rpnDataEntry(int channel, std::uint8_t value)
{
    const ParameterAddress& address = address_[static_cast<std::size_t>(channel)];
    const auto rest = [](std::uint8_t number) {
        return number == kNullParameterNumber ? "RPN lockin. Data entry skipped." : "unsupported. Data entry skipped.";
    };
    if (address.rpnMsb != 0) {
        skipDataEntry(channel, value, [&] {
            return "Last RPN MSB was " + hexByte(address.rpnMsb) + "h, that RPN address is " + rest(address.rpnMsb);
        });
        return;
    }
    if (address.rpnLsb != kNullParameterNumber) {
        const int slot = slotForSong(ParamKind::Rpn, address.rpnLsb);
        if (slot >= 0) {
            storeChannelEvent(static_cast<std::uint8_t>(EventKind::Rpn | channel), static_cast<std::uint8_t>(slot),
                              value);
            return;
        }
    }
    skipDataEntry(channel, value, [&] {
        return "Last RPN LSB was " + hexByte(address.rpnLsb) + "h, that RPN address is " + rest(address.rpnLsb);
    });
}

void SongLoader::nrpnDataEntry(int channel, std::uint8_t value)
{
    const ParameterAddress& address = address_[static_cast<std::size_t>(channel)];
    if (address.nrpnMsb == kNullParameterNumber) {
        skipDataEntry(channel, value, [&] {
            return "Last NRPN MSB was " + hexByte(kNullParameterNumber) +
                   "h, that NRPN address is NRPN lockin. Data entry skipped.";
        });
        return;
    }
    if (address.nrpnLsb == kNullParameterNumber) {
        skipDataEntry(channel, value, [&] {
            return "Last NRPN LSB was " + hexByte(kNullParameterNumber) +
                   "h, that NRPN address is NRPN lockin. Data entry skipped.";
        });
        return;
    }
    if (address.nrpnMsb == kNrpnMsb) {
        const int slot = slotForSong(ParamKind::Nrpn, address.nrpnLsb);
        if (slot >= 0) {
            storeChannelEvent(static_cast<std::uint8_t>(EventKind::Nrpn | channel), static_cast<std::uint8_t>(slot),
                              value);
            return;
        }
    } else {
        // Any other MSB addresses a drum instrument parameter; the LSB is the drum key.
        const int slot = slotForSong(ParamKind::DrumNrpn, address.nrpnMsb);
        if (slot >= 0) {
            storeChannelEvent(static_cast<std::uint8_t>(EventKind::DrumNrpn | channel), static_cast<std::uint8_t>(slot),
                              value, address.nrpnLsb);
            return;
        }
    }
    skipDataEntry(channel, value, [&] {
        return "Last NRPN LSB was " + hexByte(address.nrpnLsb) +
               "h, that NRPN address is unsupported. Data entry skipped.";
    });
}

void SongLoader::dataEntryLsb(int channel, std::uint8_t value)
{
    addReport([&] {
        return "Controller cc #38 Data entry LSB, value " + std::to_string(value) + "\r\n" + place() +
               ", MIDI channel " + std::to_string(channel + 1) + ".\r\n" +
               "Currently no RPN/NRPN parameter with optional Data entry LSB is supported by Velisto.\r\n" +
               "Event skipped.";
    });
}

void SongLoader::otherController(int channel, std::uint8_t number, std::uint8_t value)
{
    const int slot = slotForSong(ParamKind::Controller, number);
    if (slot >= 0) {
        storeChannelEvent(static_cast<std::uint8_t>(EventKind::Controller | channel), static_cast<std::uint8_t>(slot),
                          value);
        return;
    }
    addReport([&] {
        const ParamRow* row = midiModeDefinition(MidiMode::XG).row(ParamKind::Controller, number);
        const std::string name = row ? std::string(row->longName) : std::string();
        return "Controller cc #" + std::to_string(number) + " " + name + ", value " + std::to_string(value) + "\r\n" +
               place() + ", MIDI channel " + std::to_string(channel + 1) + ".\r\n" +
               "Currently not supported by Velisto and skipped.";
    });
}

// --- System exclusive ------------------------------------------------------------------

Step SongLoader::readSysex()
{
    const auto length = in_.vlq();
    if (!length)
        return in_.atEnd() ? incompleteEvent() : badLength();
    if (*length == 0) {
        addReport([&] { return "Lonely F0 (Sysex-beginning) without Sysex-data " + place() + ".\r\nSkipped."; });
        return Step::Continue;
    }
    const auto data = in_.bytes(*length);
    if (!data)
        return lengthBeyondTrack("Sysex event", *length);
    if (data->back() != 0xF7) {
        addReport([&] { return "Sysex data chain doesn't end with F7 h " + place() + ".\r\nSkipped."; });
        return Step::Continue;
    }
    const auto body = data->first(data->size() - 1);
    if (std::any_of(body.begin(), body.end(), [](std::uint8_t b) { return b > 0x7F; })) {
        addReport([&] {
            return "Sysex data chain contains data with most significant bit set (>7F h) " + place() + ".\r\nSkipped.";
        });
        return Step::Continue;
    }
    track().append(MidiEvent::sysexEvent(tick_, std::vector<std::uint8_t>(data->begin(), data->end())));
    return Step::Continue;
}

// F7 events carry the continuation of a sysex split into packets, or bytes to be sent
// as they are. The song has no place for either.
Step SongLoader::readEscape()
{
    const auto length = in_.vlq();
    if (!length)
        return in_.atEnd() ? incompleteEvent() : badLength();
    if (!in_.skip(*length))
        return lengthBeyondTrack("F7 h event", *length);
    addReport([&] {
        return "F7 h event (Sysex continuation or escape sequence) " + place() +
               ".\r\nNot supported by Velisto and skipped.";
    });
    return Step::Continue;
}

// --- Meta events -----------------------------------------------------------------------

Step SongLoader::readMeta()
{
    const auto type = in_.u8();
    if (!type)
        return incompleteEvent();
    if (*type == Meta::DeviceName)
        result_.deviceNameSeen = true;
    const auto length = in_.vlq();
    if (!length)
        return in_.atEnd() ? incompleteEvent() : badLength();
    const auto payload = in_.bytes(*length);
    if (!payload)
        return lengthBeyondTrack("Meta event FF " + hexByte(*type) + "h", *length);

    switch (*type) {
    case Meta::EndOfTrack:
        return Step::EndOfTrack;
    case Meta::Tempo:
        tempo(*payload);
        break;
    case Meta::KeySignature:
        keySignature(*payload);
        break;
    case Meta::TimeSignature:
        timeSignature(*payload);
        break;
    case Meta::ChannelPrefix:
        channelPrefix(*payload);
        break;
    default:
        if (*type >= Meta::Text && *type <= Meta::DeviceName)
            text(*type, *payload);
        break;
    }
    return Step::Continue;
}

void SongLoader::unexpectedMetaLength(std::uint8_t type, std::size_t length)
{
    addReport([&] {
        return "Meta event FF " + hexByte(type) + "h with a length of " + std::to_string(length) + " bytes " + place() +
               ".\r\nSkipped.";
    });
}

void SongLoader::tempo(std::span<const std::uint8_t> payload)
{
    if (payload.size() < 3) {
        unexpectedMetaLength(Meta::Tempo, payload.size());
        return;
    }
    const std::uint32_t microseconds =
        (std::uint32_t(payload[0]) << 16) | (std::uint32_t(payload[1]) << 8) | payload[2];
    if (microseconds == 0) {
        addReport([&] { return "Tempo event with 0 microseconds per quarter note " + place() + ".\r\nSkipped."; });
        return;
    }
    const double bpm = bpmOfMicroseconds(microseconds);
    if (bpm == tempoAt(song_, tick_))
        return;
    song_.setTempo(tick_, bpm);
}

void SongLoader::keySignature(std::span<const std::uint8_t> payload)
{
    if (payload.size() < 2) {
        unexpectedMetaLength(Meta::KeySignature, payload.size());
        return;
    }
    // A signed byte: negative counts are flats.
    const int sharpsFlats = payload[0] >= 0x80 ? payload[0] - 0x100 : payload[0];
    if (sharpsFlats < -7 || sharpsFlats > 7) {
        addReport([&] {
            return "Key signature with " + std::to_string(sharpsFlats) + " sharps/flats " + place() + ".\r\nSkipped.";
        });
        return;
    }
    song_.setKey(tick_, sharpsFlats, payload[1] == 0 ? 1 : 0);
}

void SongLoader::timeSignature(std::span<const std::uint8_t> payload)
{
    if (payload.size() < 2) {
        unexpectedMetaLength(Meta::TimeSignature, payload.size());
        return;
    }
    const int numerator = payload[0];
    const int power = payload[1];
    // The song knows the note values 1 to 32 (2 to the power 0 to 5).
    constexpr int kLargestPower = 5;
    if (numerator == 0 || power > kLargestPower) {
        addReport([&] {
            return "Time signature " + std::to_string(numerator) + "/" +
                   (power > kLargestPower ? "2^" + std::to_string(power) : std::to_string(1 << power)) + " " + place() +
                   ".\r\nSkipped.";
        });
        return;
    }
    song_.setMeter(tick_, numerator, 1 << power);
}

void SongLoader::channelPrefix(std::span<const std::uint8_t> payload)
{
    if (payload.empty()) {
        unexpectedMetaLength(Meta::ChannelPrefix, payload.size());
        return;
    }
    if (payload[0] >= kChannels) {
        addReport([&] {
            return "Channel prefix for channel " + std::to_string(payload[0] + 1) + " " + place() + ".\r\nSkipped.";
        });
        return;
    }
    storeChannelEvent(static_cast<std::uint8_t>(EventKind::ChannelPrefix | payload[0]), 0, 0);
}

void SongLoader::text(std::uint8_t type, std::span<const std::uint8_t> payload)
{
    if (payload.empty())
        return;
    if (payload.size() >= kTextLimit) {
        addReport([&] {
            return "Text of " + std::to_string(payload.size()) + " characters " + place() +
                   ".\r\nTexts of 4096 characters and more are not supported. Skipped.";
        });
        return;
    }
    std::string content(payload.begin(), payload.end());
    if (content == " ")
        return;
    std::replace(content.begin(), content.end(), '\r', '/');
    std::replace(content.begin(), content.end(), '\n', '/');

    if (type == Meta::TrackName) {
        track().name = std::move(content);
        return;
    }
    if (type == Meta::Text && applyRecord(content))
        return;
    track().append(MidiEvent::textEvent(tick_, textKindOfMeta(type), std::move(content)));
    if (type == Meta::Text)
        ++result_.textCount[static_cast<std::size_t>(trackIndex_)];
    else if (type == Meta::Lyric)
        ++result_.lyricCount[static_cast<std::size_t>(trackIndex_)];
}

// Applies a "VLX:" record of our own (any case). True when the text is consumed, false
// when it is to be stored as a text event.
bool SongLoader::applyRecord(const std::string& content)
{
    if (findNoCase(content, "VLX:") == std::string_view::npos)
        return false;
    const std::string_view view = content;
    const auto recordAt = [&](std::string_view name) -> std::optional<std::string_view> {
        const std::size_t at = findNoCase(view, name);
        if (at == std::string_view::npos)
            return std::nullopt;
        return view.substr(at);
    };

    if (const auto record = recordAt("VLX:TICKOFFSET:")) {
        if (const auto offset = decimalField(field(*record, ':', 3)))
            track().tickOffset = *offset;
        return true;
    }
    if (const auto record = recordAt("VLX:KNOB_")) {
        result_.knobRecordsSeen = true;
        if (options_.applyKnobRecords || options_.silent)
            knobRecord(record->substr(std::string_view("VLX:KNOB_").size()));
        return true;
    }
    if (const auto record = recordAt("VLX:MIDICHANNEL:")) {
        const auto channel = decimalField(field(*record, ':', 3));
        if (channel && *channel >= 1 && *channel <= kChannels)
            track().channel = *channel - 1;
        return true;
    }
    if (recordAt("VLX:SOLOTRACK")) {
        song_.setSolo(trackIndex_, true);
        return true;
    }
    if (recordAt("VLX:MUTEDTRACK")) {
        track().muted = 1;
        return true;
    }
    if (const auto record = recordAt("VLX:MESSAGE:"))
        result_.message = std::string(record->substr(std::string_view("VLX:MESSAGE:").size()));
    return false;
}

// record: what follows "VLX:KNOB_", e.g. "0:1/0", "2:5/2/1/38" (drum map 1, key 38) or
// "1:74/3/60" (key 60). A record that names nothing we know is ignored.
void SongLoader::knobRecord(std::string_view record)
{
    if (record.empty() || record[0] < '0' || record[0] >= '0' + kKnobCount)
        return;
    const auto knob = static_cast<std::size_t>(record[0] - '0');
    const std::size_t colon = record.find(':');
    if (colon == std::string_view::npos)
        return;
    const std::string_view fields = record.substr(colon + 1);
    const auto number = decimalField(field(fields, '/', 1));
    const auto kind = decimalField(field(fields, '/', 2));
    if (!number || !kind || *number < 0 || *number > 127)
        return;

    int slot = -1;
    switch (*kind) {
    case KnobKind::CommonController:
        slot = slotForSong(ParamKind::Controller, *number);
        break;
    case KnobKind::Nrpn:
        slot = slotForSong(ParamKind::Nrpn, *number);
        break;
    case KnobKind::DrumNrpn:
        slot = slotForSong(ParamKind::DrumNrpn, *number);
        break;
    case KnobKind::KeyBasedController:
        slot = keyBasedSlotForSong(*number);
        break;
    default:
        return;
    }
    if (slot < 0)
        return;

    // The parameter is what the record is about; a missing or unreadable drum map or key
    // field must not throw it away, so such a field reads as 0.
    const auto smallNumber = [&fields](int n) {
        const std::optional<int> value = decimalField(field(fields, '/', n));
        return value && *value >= 0 && *value <= 127 ? *value : 0;
    };
    int drumMap = 0;
    int key = 0;
    if (*kind == KnobKind::DrumNrpn) {
        drumMap = smallNumber(3);
        key = smallNumber(4);
    } else if (*kind == KnobKind::KeyBasedController) {
        key = smallNumber(3);
    }

    Track& t = track();
    t.knobKind[knob] = *kind;
    t.knobParam[knob] = slot;
    if (*kind == KnobKind::DrumNrpn)
        t.knobDrumMap[knob] = drumMap;
    if (*kind == KnobKind::DrumNrpn || *kind == KnobKind::KeyBasedController)
        t.knobKey[knob] = key;
}

// --- Header and chunks -----------------------------------------------------------------

struct Header {
    std::uint32_t length = 0; // of the header chunk's data
    std::uint16_t format = 0;
    std::uint16_t trackCount = 0;
    std::uint16_t division = 0;
};

// The header, or the text that refuses the file.
std::optional<Header> readHeader(std::span<const std::uint8_t> file, std::string& error)
{
    ByteReader in(file);
    const auto id = in.bytes(4);
    const auto length = in.be32();
    if (!id || std::string_view(reinterpret_cast<const char*>(id->data()), 4) != "MThd" || !length ||
        *length < kHeaderFieldsSize || in.remaining() < kHeaderFieldsSize) {
        error = kNotMidiText;
        return std::nullopt;
    }
    Header header;
    header.length = *length;
    header.format = *in.be16();
    header.trackCount = *in.be16();
    header.division = *in.be16();
    if (header.format > 1)
        error = kFormatText;
    else if (header.division >= kSmpteDivision)
        error = kSmpteText;
    else if (header.division == 0)
        error = kDivisionZeroText;
    if (!error.empty())
        return std::nullopt;
    return header;
}

// Walks the chunks behind the header by their lengths; chunks of other types are skipped.
void readTrackChunks(std::span<const std::uint8_t> file, const Header& header, SongLoader& loader)
{
    ByteReader chunks(file);
    if (!chunks.skip(kChunkHeaderSize) || !chunks.skip(header.length))
        chunks.skipToEnd();

    int found = 0;
    while (chunks.remaining() >= kChunkHeaderSize) {
        const auto id = *chunks.bytes(4);
        const std::uint32_t length = *chunks.be32();
        const std::size_t available = std::min<std::size_t>(length, chunks.remaining());
        const auto body = *chunks.bytes(available);
        if (std::string_view(reinterpret_cast<const char*>(id.data()), 4) != "MTrk")
            continue;
        ++found;
        if (found > kTrackCount)
            continue;
        if (available < length)
            loader.addReport([&] {
                return "The track chunk of track " + std::to_string(found) + " claims " + std::to_string(length) +
                       " bytes, but the file ends after " + std::to_string(available) +
                       " of them.\r\nThe track is read up to the end of the file.";
            });
        loader.readTrack(body, found - 1);
    }

    if (found > kTrackCount)
        loader.addReport([&] {
            return "The file holds " + std::to_string(found) + " tracks. Velisto supports " +
                   std::to_string(kTrackCount) + " tracks.\r\nThe tracks from " + std::to_string(kTrackCount + 1) +
                   " on are skipped.";
        });
    else if (found < header.trackCount)
        loader.addReport([&] {
            return "The file header announces " + std::to_string(header.trackCount) +
                   (header.trackCount == 1 ? " track" : " tracks") + ", but the file holds " + std::to_string(found) +
                   ".";
        });
}

// --- After reading ---------------------------------------------------------------------

void afterReading(Song& song, const LoadOptions& options, const LoadResult& result)
{
    song.clampTickOffsets();
    if (options.silent)
        return;
    for (Track& track : song.tracks) {
        if (options.chooseKnobsByUsage)
            chooseKnobsByUsage(track);
        if (!result.knobRecordsSeen)
            deriveChannel(track);
    }
}

// C stdio rather than streams: reading a folder or a device must fail, never throw.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, std::size_t{64} * 1024> block{};
    std::size_t got = 0;
    while ((got = std::fread(block.data(), 1, block.size(), file)) > 0)
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return std::nullopt;
    return bytes;
}

// Backslash-n pairs in a "VLX:MESSAGE:" text stand for line breaks.
std::string withLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

void chooseKnobsByUsage(Track& track)
{
    std::array<int, kControllerSlotCount> controllerCount{};
    std::array<int, kNrpnSlotCount> nrpnCount{};
    for (const MidiEvent& event : track.events()) {
        if (event.kind() == EventKind::Controller && event.data1 < kControllerSlotCount)
            ++controllerCount[event.data1];
        else if (event.kind() == EventKind::Nrpn && event.data1 < kNrpnSlotCount)
            ++nrpnCount[event.data1];
    }

    struct Choice {
        int kind;
        int param;
        int best;
        bool is(int k, int p) const { return kind == k && param == p; }
    };
    Choice red{KnobKind::CommonController, slotForSong(ParamKind::Controller, Cc::Modulation), 0};
    Choice blue{KnobKind::CommonController, slotForSong(ParamKind::Controller, Cc::Expression), 0};
    Choice green{KnobKind::CommonController, slotForSong(ParamKind::Controller, Cc::Pan), 0};
    const auto consider = [&](int kind, int param, int count) {
        if (count > green.best && !red.is(kind, param) && !blue.is(kind, param))
            green = {kind, param, count};
        if (count > blue.best && !red.is(kind, param) && !green.is(kind, param))
            blue = {kind, param, count};
        if (count > red.best && !blue.is(kind, param) && !green.is(kind, param))
            red = {kind, param, count};
    };

    const MidiModeDefinition& gm = midiModeDefinition(MidiMode::GM);
    for (int slot = 0; slot < kControllerSlotCount; ++slot) {
        const int number = numberForOutput(ParamKind::Controller, slot);
        if (number < 0 || gm.isModeMessage(slot) || number == Cc::BankMsb || number == Cc::BankLsb ||
            number == Cc::Volume)
            continue;
        consider(KnobKind::CommonController, slot, controllerCount[static_cast<std::size_t>(slot)]);
    }
    for (int slot = 0; slot < kNrpnSlotCount; ++slot) {
        if (slot == kNrpnLockInSlot || numberForOutput(ParamKind::Nrpn, slot) < 0)
            continue;
        consider(KnobKind::Nrpn, slot, nrpnCount[static_cast<std::size_t>(slot)]);
    }

    const std::array<const Choice*, kKnobCount> knobs{&red, &blue, &green};
    for (std::size_t k = 0; k < knobs.size(); ++k) {
        track.knobKind[k] = knobs[k]->kind;
        track.knobParam[k] = knobs[k]->param;
    }
}

void deriveChannel(Track& track)
{
    const auto events = track.events();
    const auto first =
        std::find_if(events.begin(), events.end(), [](const MidiEvent& e) { return e.isChannelEvent(); });
    track.channel = first == events.end() ? 0 : first->channel();
}

LoadResult MidiFileReader::read(std::span<const std::uint8_t> file, Song& song, const LoadOptions& options)
{
    LoadResult result;
    const auto header = readHeader(file, result.error);
    if (!header)
        return result;

    song.clear(options.silent ? std::nullopt : std::optional<std::int32_t>(options.defaultDevice));
    song.ppq = header->division;

    SongLoader loader(song, options, result);
    if (header->format == 0) {
        result.formatZero = true;
        loader.addReport([&] { return kFormatZeroReport; });
    }
    readTrackChunks(file, *header, loader);
    loader.finishReport();
    afterReading(song, options, result);
    result.ok = true;
    return result;
}

LoadResult MidiFileReader::load(const std::filesystem::path& path, Song& song, const LoadOptions& options,
                                UserPrompt& prompt, const AfterRead& afterRead)
{
    const auto bytes = readWholeFile(path);
    if (!bytes) {
        LoadResult result;
        result.error = "Can't open " + path.string();
        if (!options.silent)
            prompt.message(result.error, std::string(kOpenTitle), PromptIcon::Error);
        return result;
    }
    if (!options.silent)
        prompt.status("Reading midi file...");

    LoadResult result = read(*bytes, song, options);
    if (!result.ok) {
        if (!options.silent) {
            prompt.message(result.error, std::string(kOpenTitle), PromptIcon::None);
            prompt.status("Ready.");
        }
        return result;
    }
    if (options.silent)
        return result;

    // "song.mid" plays into "song.wav".
    if (std::optional<std::string> wave = waveFileNameFor(path.filename().string()))
        song.waveFileName = std::move(*wave);

    if (afterRead)
        afterRead(result);
    prompt.status("Ready.");
    if (!result.report.empty())
        prompt.showReport(result.report, std::string(kReportTitle));
    if (!result.message.empty())
        prompt.message(withLineBreaks(result.message), std::string(kMessageTitle), PromptIcon::None);
    return result;
}

} // namespace velisto
