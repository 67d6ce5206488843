#include "song/MidiFileWriter.h"

#include "app/SafeFileWrite.h"
#include "midi/MidiModeDefinition.h"
#include "song/Positions.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>

namespace velisto {

namespace {

constexpr std::int64_t kMaxVlq = 0x0FFFFFFF; // four 7-bit groups
constexpr std::size_t kMaxNameBytes = 260;
constexpr std::int64_t kBehindEverything = std::numeric_limits<std::int64_t>::max();
constexpr std::uint32_t kMaxTempoMicroseconds = 0xFFFFFF;
constexpr int kChannels = 16;
constexpr int kKeys = 128;
// Bytes an event needs besides its text or sysex data: delta time and the longest
// message (a parameter change with both address controllers).
constexpr std::size_t kEventRoom = 32;

const char* const kSaveTitle = "MIDI file save";
const char* const kOpenFailedText = "Can't open MIDI file for writing";

// The three address controllers of the parameter kinds, and data entry.
constexpr std::uint8_t kCcDataEntry = 6;
constexpr std::uint8_t kCcNrpnLsb = 98;
constexpr std::uint8_t kCcNrpnMsb = 99;
constexpr std::uint8_t kCcRpnLsb = 100;
constexpr std::uint8_t kCcRpnMsb = 101;

namespace AddressMode {
constexpr int None = -1;
constexpr int Rpn = 0;
constexpr int Nrpn = 1;
} // namespace AddressMode

// What each channel's receiver will take a data entry for: the address written last.
struct ParamAddress {
    int mode = AddressMode::None;
    int msb = 0;
    int lsb = 0;
};

struct PendingNoteOff {
    std::int64_t tick = 0;
    int slot = 0;
    std::uint8_t status = 0;
    std::uint8_t key = 0;
};

// Min-heap order: earliest off tick first, the lower slot on equal ticks.
struct LaterNoteOff {
    bool operator()(const PendingNoteOff& a, const PendingNoteOff& b) const
    {
        return a.tick != b.tick ? a.tick > b.tick : a.slot > b.slot;
    }
};

enum class MasterKind { None, Tempo, Key, Meter };

struct MasterPick {
    MasterKind kind = MasterKind::None;
    std::int64_t tick = 0;
};

std::uint8_t dataByte(int value) { return static_cast<std::uint8_t>(value & 0x7F); }

std::uint8_t metaTypeOfText(std::uint8_t kind)
{
    // Indexed by kind - 0x70: lyric, marker, instrument name, text, cue point, copyright,
    // program name, device name.
    static constexpr std::array<std::uint8_t, 8> kTypes{0x05, 0x06, 0x04, 0x01, 0x07, 0x02, 0x08, 0x09};
    return kTypes[static_cast<std::size_t>(kind - EventKind::Lyric)];
}

// Microseconds per quarter note as the three-byte tempo field can hold them: truncated,
// at least 1, and a tempo too slow for the field becomes the slowest it holds.
std::uint32_t tempoMicroseconds(double bpm)
{
    const double us = std::trunc(60000000.0 / bpm);
    if (!(us >= 1.0))
        return 1;
    if (us >= static_cast<double>(kMaxTempoMicroseconds))
        return kMaxTempoMicroseconds;
    return static_cast<std::uint32_t>(us);
}

// Power of two and MIDI clocks per metronome click of a meter denominator.
std::pair<std::uint8_t, std::uint8_t> meterCode(int denominator)
{
    switch (denominator) {
    case 1:
        return {0, 96};
    case 2:
        return {1, 48};
    case 8:
        return {3, 12};
    case 16:
        return {4, 6};
    case 32:
        return {5, 3};
    default:
        return {2, 24};
    }
}

bool usableTempo(const TempoEntry& entry) { return entry.bpm > 0.0 && std::isfinite(entry.bpm); }

// The name cut to its byte limit, backing off so that the cut does not split a UTF-8
// character.
std::string_view cutName(const std::string& name)
{
    if (name.size() <= kMaxNameBytes)
        return name;
    std::size_t end = kMaxNameBytes;
    for (int i = 0; i < 3 && end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80; ++i)
        --end;
    if ((static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        end = kMaxNameBytes; // not UTF-8 after all: plain byte cut
    return std::string_view(name).substr(0, end);
}

// The number a knob record names for its parameter index (see the reader's "VLX:KNOB_").
// -1 for a slot that no definition uses: the reader ignores such a record and the knob
// keeps its default.
int knobNumber(int kind, int slot)
{
    switch (kind) {
    case KnobKind::CommonController:
        return numberForOutput(ParamKind::Controller, slot);
    case KnobKind::Nrpn:
        return numberForOutput(ParamKind::Nrpn, slot);
    case KnobKind::DrumNrpn:
        return numberForOutput(ParamKind::DrumNrpn, slot);
    case KnobKind::KeyBasedController:
        for (int mode = 0; mode < MidiMode::Count; ++mode) {
            const MidiModeDefinition& definition = midiModeDefinition(mode);
            if (definition.isKeyBasedCapable(slot))
                return definition.numberOf(ParamKind::Controller, slot);
        }
        return Cc::Volume;
    default:
        return -1;
    }
}

// The song's master lists read in order, only while writing track 0.
class MasterCursor {
  public:
    explicit MasterCursor(const Song& song)
        : tempos_(usedEntries(song.tempoList)), keys_(usedEntries(song.keyList)), meters_(usedEntries(song.meterList))
    {
        meterTicks_.reserve(meters_.size());
        for (const MeterEntry& meter : meters_)
            meterTicks_.push_back(measureStart(song, meter.measure));
        skipUnusableTempos();
    }

    // The earliest pending master event at or before limit; on equal ticks the tempo wins
    // over the key and the key over the meter.
    MasterPick pick(std::int64_t limit) const
    {
        MasterPick best;
        const auto consider = [&](MasterKind kind, std::int64_t tick) {
            if (tick <= limit && (best.kind == MasterKind::None || tick < best.tick))
                best = {kind, tick};
        };
        if (tempo_ < tempos_.size())
            consider(MasterKind::Tempo, tempos_[tempo_].tick);
        if (key_ < keys_.size())
            consider(MasterKind::Key, keys_[key_].tick);
        if (meter_ < meters_.size())
            consider(MasterKind::Meter, meterTicks_[meter_]);
        return best;
    }

    const TempoEntry& takeTempo()
    {
        const TempoEntry& entry = tempos_[tempo_++];
        skipUnusableTempos();
        return entry;
    }
    const KeyEntry& takeKey() { return keys_[key_++]; }
    const MeterEntry& takeMeter() { return meters_[meter_++]; }

    // Bytes the lists take in a file at most (a meta event of 7 bytes plus its time).
    std::size_t sizeEstimate() const { return 12 * (tempos_.size() + keys_.size() + meters_.size()); }

  private:
    // An entry that is not a positive, finite tempo has no file form; positions skip it too.
    void skipUnusableTempos()
    {
        while (tempo_ < tempos_.size() && !usableTempo(tempos_[tempo_]))
            ++tempo_;
    }

    std::span<const TempoEntry> tempos_;
    std::span<const KeyEntry> keys_;
    std::span<const MeterEntry> meters_;
    std::vector<std::int32_t> meterTicks_;
    std::size_t tempo_ = 0;
    std::size_t key_ = 0;
    std::size_t meter_ = 0;
};

// Builds the whole file in one buffer. State lives for one encode call.
//
// Times never run backwards in the file: an event whose tick lies before the last thing
// written (a negative tick, or an out-of-order master entry) is written at that last
// tick, so events at negative ticks land on tick 0.
class SmfEncoder {
  public:
    SmfEncoder(const Song& song, bool withSoloMute, std::vector<std::uint8_t>& out)
        : song_(song), withSoloMute_(withSoloMute), out_(out), master_(song)
    {
    }

    // Empty on success, else the reason nothing may be written.
    std::string run()
    {
        if (song_.ppq < 1 || song_.ppq > 0x7FFF)
            return "Can't save a resolution of " + numberText(song_.ppq) +
                   " ticks per quarter note in a MIDI file (1 to 32767).";
        // Track 0 always goes out: it carries the tempo, meter and key lists.
        const int trackCount = std::max(song_.lastTrackToSave() + 1, 1);
        out_.resize(estimateSize(trackCount));
        writeHeader(trackCount);
        for (int t = 0; t < trackCount && error_.empty(); ++t)
            writeTrack(t);
        out_.resize(used_);
        return error_;
    }

  private:
    std::size_t estimateSize(int trackCount) const
    {
        std::size_t size = 14 + master_.sizeEstimate();
        for (int t = 0; t < trackCount; ++t)
            size += 200 + song_.tracks[static_cast<std::size_t>(t)].name.size() +
                    9 * static_cast<std::size_t>(song_.tracks[static_cast<std::size_t>(t)].eventCount());
        return size;
    }

    // --- bytes -----------------------------------------------------------------------

    // Appends are unchecked: room() comes first, in timeTo() for every event's fixed part.
    void room(std::size_t bytes)
    {
        if (out_.size() - used_ < bytes)
            out_.resize(std::max(2 * out_.size(), used_ + bytes));
    }
    void put(std::uint8_t b) { out_[used_++] = b; }
    void put(std::uint8_t a, std::uint8_t b, std::uint8_t c)
    {
        out_[used_] = a;
        out_[used_ + 1] = b;
        out_[used_ + 2] = c;
        used_ += 3;
    }
    void putBigEndian(std::uint32_t value, int bytes)
    {
        for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
            put(static_cast<std::uint8_t>(value >> shift));
    }
    void putVlq(std::uint32_t value)
    {
        if (value >= (1u << 21))
            put(static_cast<std::uint8_t>(0x80 | (value >> 21)));
        if (value >= (1u << 14))
            put(static_cast<std::uint8_t>(0x80 | ((value >> 14) & 0x7F)));
        if (value >= (1u << 7))
            put(static_cast<std::uint8_t>(0x80 | ((value >> 7) & 0x7F)));
        put(static_cast<std::uint8_t>(value & 0x7F));
    }
    void putBytes(const void* data, std::size_t size)
    {
        room(size);
        if (size != 0)
            std::memcpy(out_.data() + used_, data, size);
        used_ += size;
    }
    // A length field and the data behind it.
    bool putWithLength(std::int64_t atTick, const void* data, std::size_t size)
    {
        if (size > static_cast<std::size_t>(kMaxVlq))
            return fail("Event data too long for a MIDI file (more than 268435455 bytes)", atTick);
        putVlq(static_cast<std::uint32_t>(size));
        putBytes(data, size);
        return true;
    }

    // Delta time up to the tick; false (and the error set) when the gap has no file form.
    bool timeTo(std::int64_t tick)
    {
        room(kEventRoom);
        const std::int64_t at = std::max(tick, lastTick_);
        const std::int64_t delta = at - lastTick_;
        if (delta > kMaxVlq)
            return fail("Delta time too large for a MIDI file (more than 268435455 ticks)", tick);
        putVlq(static_cast<std::uint32_t>(delta));
        lastTick_ = at;
        return true;
    }

    bool fail(const std::string& what, std::int64_t tick)
    {
        const auto shown = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            tick, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
        error_ = what + " in track " + numberText(track_ + 1) + ", position " + positionText(song_, shown) +
                 ".\nThe file was not saved.";
        return false;
    }

    // --- file and track structure ------------------------------------------------------

    void writeHeader(int trackCount)
    {
        room(14);
        putBytes("MThd", 4);
        putBigEndian(6, 4);
        putBigEndian(1, 2);
        putBigEndian(static_cast<std::uint32_t>(trackCount), 2);
        putBigEndian(static_cast<std::uint32_t>(song_.ppq), 2);
    }

    void writeTrack(int index)
    {
        track_ = index;
        lastTick_ = 0;
        resetTrackState();
        const Track& track = song_.tracks[static_cast<std::size_t>(index)];
        findRepeatedKeys(track);

        room(8);
        putBytes("MTrk", 4);
        const std::size_t lengthAt = used_;
        putBigEndian(0, 4);
        writeStartRecords(index, track);

        const auto events = track.events();
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (!flushBefore(events[i].tick) || !writeEvent(events[i], i))
                return;
        }
        if (!flushBefore(kBehindEverything))
            return;
        room(4);
        put(0x00);
        put(0xFF, 0x2F, 0x00);

        const auto length = static_cast<std::uint32_t>(used_ - lengthAt - 4);
        for (int i = 0; i < 4; ++i)
            out_[lengthAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }

    void resetTrackState()
    {
        noteOffs_.clear();
        freeSlots_.clear();
        nextNewSlot_ = 0;
        addresses_.fill(ParamAddress{});
    }

    // For every note, the index of the next note with the same status byte and key, so
    // that cutting a note where its key starts again costs one backward pass.
    void findRepeatedKeys(const Track& track)
    {
        const auto events = track.events();
        nextSameKey_.assign(events.size(), -1);
        std::array<std::array<std::int32_t, kKeys>, kChannels> next;
        for (auto& channel : next)
            channel.fill(-1);
        for (std::size_t i = events.size(); i-- > 0;) {
            const MidiEvent& e = events[i];
            if (e.kind() != EventKind::Note)
                continue;
            std::int32_t& slot = next[static_cast<std::size_t>(e.channel())][dataByte(e.data1)];
            nextSameKey_[i] = slot;
            slot = static_cast<std::int32_t>(i);
        }
    }

    void writeMetaText(std::uint8_t type, std::string_view text)
    {
        room(8);
        put(0x00);
        put(0xFF);
        put(type);
        // Names are cut and records are short: their length always fits.
        putVlq(static_cast<std::uint32_t>(text.size()));
        putBytes(text.data(), text.size());
    }

    void writeStartRecords(int index, const Track& track)
    {
        writeMetaText(0x03, cutName(track.name));
        if (track.tickOffset != 0)
            writeMetaText(0x01, "VLX:TICKOFFSET:" + numberText(track.tickOffset));
        for (int k = 0; k < kKnobCount; ++k)
            writeMetaText(0x01, knobRecord(track, k));
        writeMetaText(0x01, "VLX:MIDICHANNEL:" + numberText(track.channel + 1));
        if (!withSoloMute_)
            return;
        if (song_.isSolo(index))
            writeMetaText(0x01, "VLX:SOLOTRACK");
        if (track.muted != 0)
            writeMetaText(0x01, "VLX:MUTEDTRACK");
    }

    static std::string knobRecord(const Track& track, int knob)
    {
        const auto at = static_cast<std::size_t>(knob);
        const int kind = track.knobKind[at];
        std::string text = "VLX:KNOB_";
        text.append(numberText(knob)).append(":");
        text.append(numberText(knobNumber(kind, track.knobParam[at]))).append("/").append(numberText(kind));
        if (kind == KnobKind::DrumNrpn)
            text.append("/").append(numberText(track.knobDrumMap[at]));
        if (kind == KnobKind::DrumNrpn || kind == KnobKind::KeyBasedController)
            text.append("/").append(numberText(track.knobKey[at]));
        return text;
    }

    // --- what goes out before an event: due note offs and, in track 0, master events ----

    bool flushBefore(std::int64_t tick)
    {
        for (;;) {
            const MasterPick master = track_ == 0 ? master_.pick(tick) : MasterPick{};
            const std::int64_t compared = master.kind != MasterKind::None ? master.tick : tick;
            if (!noteOffs_.empty() && noteOffs_.front().tick <= compared) {
                if (!writeNoteOff())
                    return false;
                continue;
            }
            if (master.kind == MasterKind::None)
                return true;
            if (!writeMaster(master))
                return false;
        }
    }

    bool writeNoteOff()
    {
        std::pop_heap(noteOffs_.begin(), noteOffs_.end(), LaterNoteOff{});
        const PendingNoteOff off = noteOffs_.back();
        noteOffs_.pop_back();
        freeSlots_.push_back(off.slot);
        std::push_heap(freeSlots_.begin(), freeSlots_.end(), std::greater<>{});
        if (!timeTo(off.tick))
            return false;
        put(off.status, off.key, 0x00);
        return true;
    }

    // The lowest free slot, as a fixed table searched from its start would give it; the
    // table grows when every slot is taken.
    int takeSlot()
    {
        if (freeSlots_.empty())
            return nextNewSlot_++;
        std::pop_heap(freeSlots_.begin(), freeSlots_.end(), std::greater<>{});
        const int slot = freeSlots_.back();
        freeSlots_.pop_back();
        return slot;
    }

    bool writeMaster(const MasterPick& pick)
    {
        if (!timeTo(pick.tick))
            return false;
        switch (pick.kind) {
        case MasterKind::Tempo:
            writeTempo(master_.takeTempo());
            break;
        case MasterKind::Key:
            writeKey(master_.takeKey());
            break;
        case MasterKind::Meter:
            writeMeter(master_.takeMeter());
            break;
        case MasterKind::None:
            break;
        }
        return true;
    }

    void writeTempo(const TempoEntry& entry)
    {
        put(0xFF, 0x51, 0x03);
        putBigEndian(tempoMicroseconds(entry.bpm), 3);
    }

    void writeKey(const KeyEntry& entry)
    {
        put(0xFF, 0x59, 0x02);
        put(static_cast<std::uint8_t>(entry.sharpsFlats));
        put(entry.major != 0 ? 0 : 1);
    }

    void writeMeter(const MeterEntry& entry)
    {
        const auto [power, clocks] = meterCode(entry.denominator);
        put(0xFF, 0x58, 0x04);
        put(static_cast<std::uint8_t>(std::clamp(entry.numerator, 1, 255)));
        put(power, clocks, 8);
    }

    // --- the track's own events ------------------------------------------------------

    bool writeEvent(const MidiEvent& e, std::size_t index)
    {
        if (e.isText())
            return writeText(e);
        if (e.isSysex())
            return writeSysex(e);
        switch (e.kind()) {
        case EventKind::ChannelPrefix:
            return writeChannelPrefix(e);
        case EventKind::DrumNrpn:
            return writeDrumNrpn(e);
        case EventKind::Nrpn:
            return writeNrpn(e);
        case EventKind::Rpn:
            return writeRpn(e);
        case EventKind::Note:
            return writeNote(e, index);
        case EventKind::Controller:
            return writeController(e);
        case EventKind::ProgramChange:
        case EventKind::ChannelPressure:
            return writeTwoByteMessage(e);
        default:
            return writeThreeByteMessage(e);
        }
    }

    bool writeText(const MidiEvent& e)
    {
        if (!timeTo(e.tick))
            return false;
        put(0xFF);
        put(metaTypeOfText(e.status));
        const std::string_view text = e.text ? std::string_view(*e.text) : std::string_view();
        return putWithLength(e.tick, text.data(), text.size());
    }

    bool writeSysex(const MidiEvent& e)
    {
        if (!e.sysex || e.sysex->empty())
            return true;
        const std::vector<std::uint8_t>& stored = *e.sysex;
        const auto f7 = std::find(stored.begin(), stored.end(), std::uint8_t{0xF7});
        const auto size = static_cast<std::size_t>(f7 == stored.end() ? stored.size() : f7 - stored.begin() + 1);
        if (!timeTo(e.tick))
            return false;
        put(0xF0);
        return putWithLength(e.tick, stored.data(), size);
    }

    bool writeChannelPrefix(const MidiEvent& e)
    {
        if (!timeTo(e.tick))
            return false;
        put(0xFF, 0x20, 0x01);
        put(static_cast<std::uint8_t>(e.channel()));
        return true;
    }

    bool writeNote(const MidiEvent& e, std::size_t index)
    {
        if (!timeTo(e.tick))
            return false;
        const std::uint8_t key = dataByte(e.data1);
        put(e.status, key, dataByte(e.data2));

        std::int64_t off = static_cast<std::int64_t>(e.tick) + e.length;
        const std::int32_t repeat = nextSameKey_[index];
        if (repeat >= 0) {
            const std::int32_t repeatTick = song_.tracks[static_cast<std::size_t>(track_)].event(repeat).tick;
            off = std::min<std::int64_t>(off, repeatTick);
        }
        noteOffs_.push_back({off, takeSlot(), e.status, key});
        std::push_heap(noteOffs_.begin(), noteOffs_.end(), LaterNoteOff{});
        return true;
    }

    bool writeController(const MidiEvent& e)
    {
        const int number = numberForOutput(ParamKind::Controller, e.data1);
        if (number < 0)
            return true; // no definition has this slot: nothing to write
        if (!timeTo(e.tick))
            return false;
        put(e.status, static_cast<std::uint8_t>(number), dataByte(e.data2));
        return true;
    }

    bool writeNrpn(const MidiEvent& e)
    {
        const int lsb = numberForOutput(ParamKind::Nrpn, e.data1);
        if (lsb < 0)
            return true;
        if (!timeTo(e.tick))
            return false;
        if (lsb == kNullParameterNumber)
            writeLockIn(e.channel(), kCcNrpnMsb, kCcNrpnLsb);
        else
            writeParameter(e, {AddressMode::Nrpn, kNrpnMsb, lsb});
        return true;
    }

    bool writeDrumNrpn(const MidiEvent& e)
    {
        const int msb = numberForOutput(ParamKind::DrumNrpn, e.data1);
        if (msb < 0)
            return true;
        if (!timeTo(e.tick))
            return false;
        writeParameter(e, {AddressMode::Nrpn, msb, dataByte(e.data3)});
        return true;
    }

    bool writeRpn(const MidiEvent& e)
    {
        const int lsb = numberForOutput(ParamKind::Rpn, e.data1);
        if (lsb < 0)
            return true;
        if (!timeTo(e.tick))
            return false;
        if (lsb == kNullParameterNumber)
            writeLockIn(e.channel(), kCcRpnMsb, kCcRpnLsb);
        else
            writeParameter(e, {AddressMode::Rpn, 0, lsb});
        return true;
    }

    // Address controllers only when the channel's receiver does not hold this address
    // yet, then the data entry. The delta time is already written.
    void writeParameter(const MidiEvent& e, const ParamAddress& needed)
    {
        const auto cc = static_cast<std::uint8_t>(EventKind::Controller | e.channel());
        ParamAddress& held = addresses_[static_cast<std::size_t>(e.channel())];
        if (held.mode != needed.mode || held.msb != needed.msb || held.lsb != needed.lsb) {
            const bool nrpn = needed.mode == AddressMode::Nrpn;
            put(cc, nrpn ? kCcNrpnMsb : kCcRpnMsb, static_cast<std::uint8_t>(needed.msb));
            put(0x00);
            put(cc, nrpn ? kCcNrpnLsb : kCcRpnLsb, static_cast<std::uint8_t>(needed.lsb));
            put(0x00);
            held = needed;
        }
        put(cc, kCcDataEntry, dataByte(e.data2));
    }

    // The null parameter: no data entry, and the next parameter writes its address again.
    void writeLockIn(int channel, std::uint8_t msbController, std::uint8_t lsbController)
    {
        const auto cc = static_cast<std::uint8_t>(EventKind::Controller | channel);
        put(cc, msbController, 0x7F);
        put(0x00);
        put(cc, lsbController, 0x7F);
        addresses_[static_cast<std::size_t>(channel)].mode = AddressMode::None;
    }

    bool writeTwoByteMessage(const MidiEvent& e)
    {
        if (!timeTo(e.tick))
            return false;
        put(e.status);
        put(dataByte(e.data1));
        return true;
    }

    bool writeThreeByteMessage(const MidiEvent& e)
    {
        // A kind the song does not define has no file form, and a status byte below 0x80
        // or from 0xF0 would make a reader misread every event behind it.
        if (e.status < 0x80 || e.status >= 0xF0)
            return true;
        if (!timeTo(e.tick))
            return false;
        put(e.status, dataByte(e.data1), dataByte(e.data2));
        return true;
    }

    const Song& song_;
    const bool withSoloMute_;
    std::vector<std::uint8_t>& out_; // sized ahead; used_ bytes of it are the file
    std::size_t used_ = 0;
    MasterCursor master_;
    std::string error_;

    int track_ = 0;
    std::int64_t lastTick_ = 0;
    std::vector<PendingNoteOff> noteOffs_; // heap, see LaterNoteOff
    std::vector<int> freeSlots_;           // min-heap of slots freed below nextNewSlot_
    int nextNewSlot_ = 0;
    std::vector<std::int32_t> nextSameKey_;
    std::array<ParamAddress, kChannels> addresses_{};
};

SaveResult reportWriteError(const std::filesystem::path& path, const std::string& reason, UserPrompt& prompt)
{
    const std::string text = "Can't write MIDI file " + path.string() + ".\n" + reason;
    prompt.message(text, kSaveTitle, PromptIcon::Error);
    return {false, text};
}

} // namespace

EncodeResult MidiFileWriter::encode(const Song& song, bool withSoloMute)
{
    EncodeResult result;
    result.error = SmfEncoder(song, withSoloMute, result.bytes).run();
    if (!result.error.empty())
        std::vector<std::uint8_t>().swap(result.bytes);
    return result;
}

SaveResult MidiFileWriter::write(const std::filesystem::path& path, const Song& song, bool withSoloMute,
                                 UserPrompt& prompt)
{
    const EncodeResult encoded = encode(song, withSoloMute);
    if (!encoded.error.empty()) {
        prompt.message(encoded.error, kSaveTitle, PromptIcon::Error);
        return {false, encoded.error};
    }

    SafeWriteResult written;
    while ((written = writeFileSafely(path, encoded.bytes)).status == SafeWriteStatus::OpenFailed) {
        if (prompt.askRetryCancel(kOpenFailedText, kSaveTitle, PromptIcon::Exclamation) != PromptAnswer::Retry)
            return {false, kOpenFailedText};
    }
    if (written.status == SafeWriteStatus::WriteFailed)
        return reportWriteError(path, written.reason, prompt);
    return {true, {}};
}

} // namespace velisto
