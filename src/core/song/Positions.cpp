#include "song/Positions.h"

#include "song/Song.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <span>
#include <vector>

namespace velisto {
namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// Section starts saturate here: far beyond any 32-bit tick, so such a section is never
// reached by a tick, and a start plus one measure length still fits in 64 bits.
constexpr std::int64_t kTickCeiling = std::int64_t{1} << 53;

// Tempos a tick length is computed from, so that sums over 2^32 ticks stay finite.
constexpr double kMinBpm = 0.001;
constexpr double kMaxBpm = 60'000'000.0; // one microsecond per quarter note

std::int32_t saturateToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp(value, kInt32Min, kInt32Max));
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// base + count * length, held within -kTickCeiling..kTickCeiling. length > 0.
std::int64_t saturatingAdvance(std::int64_t base, std::int64_t count, std::int64_t length)
{
    std::int64_t sum = 0;
    if (__builtin_mul_overflow(count, length, &sum) || __builtin_add_overflow(base, sum, &sum))
        return count > 0 ? kTickCeiling : -kTickCeiling;
    return std::clamp(sum, -kTickCeiling, kTickCeiling);
}

int effectivePpq(const Song& song) { return std::max(song.ppq, 1); }

enum class SeekBy { Tick, Measure };

struct Meter {
    std::int64_t measure = 0;
    int numerator = 4;
    int denominator = 4;
};

Meter readMeter(const MeterEntry& entry)
{
    return {std::max<std::int64_t>(entry.measure, 0), std::max(entry.numerator, 1), entry.denominator};
}

// A run of measures under one meter.
struct MeterSection {
    std::int64_t firstMeasure = 0;
    std::int64_t startTick = 0;
    std::int64_t ticksPerMeasure = 1;
    int ticksPerBeat = 1;
    int numerator = 1;
};

MeterSection makeSection(const Meter& meter, std::int64_t firstMeasure, std::int64_t startTick, int ppq)
{
    MeterSection section;
    section.firstMeasure = firstMeasure;
    section.startTick = startTick;
    section.numerator = meter.numerator;
    section.ticksPerBeat = ticksPerBeat(ppq, meter.denominator);
    section.ticksPerMeasure = std::int64_t{meter.numerator} * section.ticksPerBeat;
    return section;
}

// The section holding key (a tick or a measure). meterAt(i) gives the meters 0..count-1
// sorted by measure; the walk stops at the first section that starts beyond the key.
template <typename MeterAt>
MeterSection seekMeter(int count, const MeterAt& meterAt, int ppq, SeekBy by, std::int64_t key)
{
    const Meter first = meterAt(0);
    MeterSection current = makeSection(first, 0, 0, ppq); // also covers what lies before it
    std::int64_t listedMeasure = first.measure;
    for (int i = 1; i < count; ++i) {
        const Meter meter = meterAt(i);
        if (meter.measure == listedMeasure) { // the later entry for a measure counts
            current = makeSection(meter, current.firstMeasure, current.startTick, ppq);
            continue;
        }
        const std::int64_t start =
            saturatingAdvance(current.startTick, meter.measure - current.firstMeasure, current.ticksPerMeasure);
        if (by == SeekBy::Tick ? start > key : meter.measure > key)
            break;
        current = makeSection(meter, meter.measure, start, ppq);
        listedMeasure = meter.measure;
    }
    return current;
}

MeterSection meterSection(const Song& song, SeekBy by, std::int64_t key)
{
    const int ppq = effectivePpq(song);
    const std::span<const MeterEntry> list = usedEntries(song.meterList);
    const int count = static_cast<int>(list.size());
    if (count == 0)
        return makeSection(Meter{}, 0, 0, ppq);
    const bool sorted = std::is_sorted(list.begin(), list.end(), [](const MeterEntry& a, const MeterEntry& b) {
        return readMeter(a).measure < readMeter(b).measure;
    });
    if (sorted)
        return seekMeter(
            count, [&](int i) { return readMeter(list[static_cast<std::size_t>(i)]); }, ppq, by, key);

    std::vector<Meter> meters(list.size());
    std::transform(list.begin(), list.end(), meters.begin(), readMeter);
    std::stable_sort(meters.begin(), meters.end(),
                     [](const Meter& a, const Meter& b) { return a.measure < b.measure; });
    return seekMeter(
        count, [&](int i) { return meters[static_cast<std::size_t>(i)]; }, ppq, by, key);
}

struct MeasureAt {
    MeterSection section;
    std::int64_t measure;
    std::int64_t startTick;
};

MeasureAt measureAt(const Song& song, std::int64_t tick)
{
    const MeterSection section = meterSection(song, SeekBy::Tick, tick);
    const std::int64_t measures = floorDiv(tick - section.startTick, section.ticksPerMeasure);
    return {section, section.firstMeasure + measures, section.startTick + measures * section.ticksPerMeasure};
}

std::int64_t measureStartTick(const Song& song, std::int64_t measure)
{
    const MeterSection section = meterSection(song, SeekBy::Measure, measure);
    return saturatingAdvance(section.startTick, measure - section.firstMeasure, section.ticksPerMeasure);
}

// The last measure whose every tick fits the 32-bit range.
std::int64_t lastWholeMeasure(const Song& song)
{
    const MeterSection section = meterSection(song, SeekBy::Tick, kInt32Max);
    return section.firstMeasure + (kInt32Max - section.startTick + 1) / section.ticksPerMeasure - 1;
}

struct Tempo {
    std::int64_t tick = 0;
    double bpm = 120.0;
};

bool usable(const TempoEntry& entry) { return std::isfinite(entry.bpm) && entry.bpm > 0.0; }

Tempo readTempo(const TempoEntry& entry)
{
    return {std::max<std::int64_t>(entry.tick, 0), std::clamp(entry.bpm, kMinBpm, kMaxBpm)};
}

struct TempoSection {
    std::int64_t tick = 0;
    double startMs = 0.0;
    double ticksPerMinute = 0.0; // ppq x bpm
};

// Ticks times 60000 is exact in a double, so whole tempos give exact milliseconds (tick
// 480 at 120 BPM and ppq 480 is 500 ms, not a hair more). A section's start is computed
// with the same expression from the section before, so the time never decreases.
double msIn(const TempoSection& section, std::int64_t tick)
{
    return section.startMs + static_cast<double>(tick - section.tick) * 60000.0 / section.ticksPerMinute;
}

struct TempoSeek {
    TempoSection section;
    std::int64_t nextTick; // first tick of the following section, kTickCeiling when none
};

// tempoAt(i) gives the tempos 0..count-1 sorted by tick; beyond(tick, startMs) tells
// whether a section starting there lies beyond the key.
template <typename TempoAt, typename Beyond>
TempoSeek seekTempo(int count, const TempoAt& tempoAt, double ppq, const Beyond& beyond)
{
    const Tempo first = tempoAt(0);
    TempoSection current{0, 0.0, ppq * first.bpm}; // also covers what lies before it
    std::int64_t listedTick = first.tick;
    for (int i = 1; i < count; ++i) {
        const Tempo tempo = tempoAt(i);
        if (tempo.tick == listedTick) { // the later entry for a tick counts
            current.ticksPerMinute = ppq * tempo.bpm;
            continue;
        }
        const double startMs = msIn(current, tempo.tick);
        if (beyond(tempo.tick, startMs))
            return {current, tempo.tick};
        current = {tempo.tick, startMs, ppq * tempo.bpm};
        listedTick = tempo.tick;
    }
    return {current, kTickCeiling};
}

template <typename Beyond> TempoSeek tempoSection(const Song& song, const Beyond& beyond)
{
    const double ppq = effectivePpq(song);
    const std::span<const TempoEntry> list = usedEntries(song.tempoList);
    const int count = static_cast<int>(list.size());
    bool plain = true; // sorted, every entry usable
    for (int i = 0; i < count && plain; ++i) {
        const TempoEntry& entry = list[static_cast<std::size_t>(i)];
        plain =
            usable(entry) && (i == 0 || readTempo(entry).tick >= readTempo(list[static_cast<std::size_t>(i - 1)]).tick);
    }
    if (plain && count > 0)
        return seekTempo(
            count, [&](int i) { return readTempo(list[static_cast<std::size_t>(i)]); }, ppq, beyond);

    std::vector<Tempo> tempos;
    for (const TempoEntry& entry : list) {
        if (usable(entry))
            tempos.push_back(readTempo(entry));
    }
    if (tempos.empty())
        tempos.push_back(Tempo{});
    std::stable_sort(tempos.begin(), tempos.end(), [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });
    return seekTempo(
        static_cast<int>(tempos.size()), [&](int i) { return tempos[static_cast<std::size_t>(i)]; }, ppq, beyond);
}

} // namespace

int ticksPerBeat(int ppq, int denominator)
{
    const std::int64_t wholeNote = 4 * std::int64_t{std::max(ppq, 1)};
    const auto noteValue = static_cast<unsigned>(denominator > 0 ? denominator : 4);
    // The usual note values are powers of two; the shift equals the division and is
    // cheaper in walks over hundreds of meters.
    const std::int64_t ticks =
        std::has_single_bit(noteValue) ? wholeNote >> std::countr_zero(noteValue) : wholeNote / noteValue;
    return static_cast<int>(std::clamp<std::int64_t>(ticks, 1, kInt32Max));
}

Position tickToPosition(const Song& song, std::int32_t tick)
{
    const MeasureAt at = measureAt(song, tick);
    const std::int64_t inMeasure = tick - at.startTick;
    Position position;
    position.measure = static_cast<int>(at.measure);
    position.beat = static_cast<int>(inMeasure / at.section.ticksPerBeat);
    position.tick = static_cast<int>(inMeasure % at.section.ticksPerBeat);
    return position;
}

std::string positionText(const Song& song, std::int32_t tick)
{
    const Position position = tickToPosition(song, tick);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld:%02d:%03d", static_cast<long long>(position.measure) + 1,
                  position.beat + 1, position.tick);
    return text;
}

PositionCheck positionToTick(const Song& song, int measure, int beat, int tick)
{
    if (measure < 0)
        return {0, "measure minimum is 1"};
    if (beat < 0)
        return {0, "beat minimum is 1"};
    if (tick < 0)
        return {0, "tick minimum is 0"};

    const MeterSection section = meterSection(song, SeekBy::Measure, measure);
    const std::int64_t start =
        saturatingAdvance(section.startTick, measure - section.firstMeasure, section.ticksPerMeasure);
    if (start + section.ticksPerMeasure - 1 > kInt32Max)
        return {0, "measure maximum is " + std::to_string(lastWholeMeasure(song) + 1)};
    if (beat > section.numerator - 1)
        return {0, "beat maximum is " + std::to_string(section.numerator)};
    if (tick > section.ticksPerBeat - 1)
        return {0, "tick maximum is " + std::to_string(section.ticksPerBeat - 1)};
    return {static_cast<std::int32_t>(start + std::int64_t{beat} * section.ticksPerBeat + tick), {}};
}

PositionCheck parsePositionText(const Song& song, std::string_view text)
{
    const auto part = [](std::string_view digits) { return parseDecimal(trimmed(digits)).value_or(0); };
    const auto first = text.find(':');
    const auto last = text.rfind(':');
    const std::string_view measurePart = text.substr(0, first);
    const std::string_view beatPart =
        first == std::string_view::npos ? std::string_view{} : text.substr(first + 1, last - first - 1);
    const std::string_view tickPart =
        first == std::string_view::npos || last == first ? std::string_view{} : text.substr(last + 1);
    return positionToTick(song, part(measurePart) - 1, part(beatPart) - 1, part(tickPart));
}

std::int32_t measureStart(const Song& song, int measure) { return saturateToInt32(measureStartTick(song, measure)); }

std::int32_t measureOfTick(const Song& song, std::int32_t tick)
{
    return static_cast<std::int32_t>(measureAt(song, tick).measure);
}

std::int32_t measureLength(const Song& song, std::int32_t tick)
{
    return saturateToInt32(meterSection(song, SeekBy::Tick, tick).ticksPerMeasure);
}

int beatsInMeasure(const Song& song, std::int32_t tick) { return meterSection(song, SeekBy::Tick, tick).numerator; }

int beatLength(const Song& song, std::int32_t tick) { return meterSection(song, SeekBy::Tick, tick).ticksPerBeat; }

double tickToMilliseconds(const Song& song, std::int32_t tick)
{
    const TempoSeek seek = tempoSection(song, [tick](std::int64_t start, double) { return start > tick; });
    return msIn(seek.section, tick);
}

std::int32_t millisecondsToTick(const Song& song, double milliseconds)
{
    if (std::isnan(milliseconds))
        return 0;
    const TempoSeek seek =
        tempoSection(song, [milliseconds](std::int64_t, double startMs) { return startMs > milliseconds; });
    const TempoSection& section = seek.section;
    // The answer lies in this section: the next one starts after the time.
    // Only the first section starts at tick 0, and it also covers the time before it.
    const std::int64_t lowest = section.tick == 0 ? kInt32Min : section.tick;
    const std::int64_t highest = std::min(seek.nextTick - 1, kInt32Max);
    const double ticks = static_cast<double>(section.tick) +
                         std::floor((milliseconds - section.startMs) * section.ticksPerMinute / 60000.0);
    std::int64_t tick =
        static_cast<std::int64_t>(std::clamp(ticks, static_cast<double>(lowest), static_cast<double>(highest)));
    // The division may land a hair beside a tick's start; settle against the forward
    // conversion so that the two are exact inverses.
    for (int step = 0; step < 4 && tick < highest && msIn(section, tick + 1) <= milliseconds; ++step)
        ++tick;
    for (int step = 0; step < 4 && tick > lowest && msIn(section, tick) > milliseconds; ++step)
        --tick;
    return static_cast<std::int32_t>(tick);
}

std::string keyModeAtTick(const Song& song, std::int32_t tick)
{
    const KeyEntry* inForce = nullptr;
    for (const KeyEntry& entry : usedEntries(song.keyList)) {
        if (entry.tick <= tick && (inForce == nullptr || entry.tick >= inForce->tick))
            inForce = &entry;
    }
    if (inForce == nullptr)
        return {};
    return inForce->major != 0 ? "dur" : "moll";
}

} // namespace velisto
