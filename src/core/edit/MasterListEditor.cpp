#include "edit/MasterListEditor.h"

#include "app/UserPrompt.h"
#include "edit/UndoStack.h"
#include "song/Positions.h"
#include "song/Song.h"
#include "song/TextFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace velisto {

namespace {

struct KindTexts {
    const char* caption;
    const char* undo;
};

constexpr KindTexts kKindTexts[] = {
    {"Tempo editor", "tempo changes"},
    {"Meter editor", "meter changes"},
    {"Key editor", "key changes"},
};

const KindTexts& textsOf(MasterListKind kind) { return kKindTexts[static_cast<int>(kind)]; }

// A part of a typed position; what is no number reads as 0, which the position check
// then refuses with its minimum text.
int positionPart(std::string_view text) { return parseDecimal(trimmed(text)).value_or(0); }

} // namespace

MasterListEditor::MasterListEditor(MasterListKind kind, Song& song, UndoStack& undo, UserPrompt& prompt,
                                   std::int32_t clickedTick, std::function<void()> songModified)
    : kind_(kind), song_(song), undo_(undo), prompt_(prompt), songModified_(std::move(songModified))
{
    const int count = entries();
    for (int entry = 0; entry < count; ++entry) {
        if (entryTick(entry) >= clickedTick) {
            firstRow_ = entry;
            return;
        }
    }
}

std::string MasterListEditor::caption() const { return textsOf(kind_).caption; }
std::string MasterListEditor::undoDescription() const { return textsOf(kind_).undo; }

int MasterListEditor::entries() const
{
    switch (kind_) {
    case MasterListKind::Tempo: return song_.tempoCount();
    case MasterListKind::Meter: return song_.meterCount();
    case MasterListKind::Key: return song_.keyCount();
    }
    return 0;
}

void MasterListEditor::scrollTo(int firstRow)
{
    firstRow_ = firstRow;
    clampFirstRow();
}

void MasterListEditor::clampFirstRow() { firstRow_ = std::clamp(firstRow_, 0, std::max(entries() - 1, 0)); }

int MasterListEditor::entryOfRow(int row) const
{
    if (row < 0 || row >= kMasterEditorRows)
        return -1;
    const int entry = firstRow_ + row;
    return entry < entries() ? entry : -1;
}

std::int32_t MasterListEditor::entryTick(int entry) const
{
    const auto index = static_cast<std::size_t>(entry);
    switch (kind_) {
    case MasterListKind::Tempo: return song_.tempoList[index].tick;
    case MasterListKind::Meter: return measureStart(song_, song_.meterList[index].measure);
    case MasterListKind::Key: return song_.keyList[index].tick;
    }
    return 0;
}

int MasterListEditor::entryMeasure(int entry) const
{
    if (kind_ == MasterListKind::Meter)
        return song_.meterList[static_cast<std::size_t>(entry)].measure;
    return measureOfTick(song_, entryTick(entry));
}

std::string MasterListEditor::positionText(int entry) const
{
    if (entry < 0 || entry >= entries())
        return {};
    if (kind_ == MasterListKind::Meter)
        return numberText(entryMeasure(entry) + 1);
    return velisto::positionText(song_, entryTick(entry));
}

void MasterListEditor::beforeChange()
{
    if (undoPending_) {
        undo_.record(song_, undoDescription(), prompt_);
        undoPending_ = false;
    }
}

void MasterListEditor::afterChange()
{
    clampFirstRow();
    if (songModified_)
        songModified_();
}

bool MasterListEditor::removeEntry(int entry)
{
    switch (kind_) {
    case MasterListKind::Tempo: return song_.removeTempo(entry);
    case MasterListKind::Meter: return song_.removeMeter(entry);
    case MasterListKind::Key: return song_.removeKey(entry);
    }
    return false;
}

bool MasterListEditor::storeAt(int measure, std::int32_t tick, double bpm, int numerator, int denominator,
                               int sharpsFlats, int major)
{
    MasterListChange change = MasterListChange::Dropped;
    switch (kind_) {
    case MasterListKind::Tempo: change = song_.setTempo(tick, bpm); break;
    case MasterListKind::Meter: change = song_.setMeterAtMeasure(measure, numerator, denominator); break;
    case MasterListKind::Key: change = song_.setKey(tick, sharpsFlats, major); break;
    }
    return change != MasterListChange::Dropped;
}

bool MasterListEditor::editPosition(int entry, std::string_view text)
{
    if (!positionEditable(entry))
        return false;
    PositionCheck check;
    int measure = 0;
    if (kind_ == MasterListKind::Meter) {
        measure = positionPart(text) - 1;
        check = positionToTick(song_, measure, 0, 0);
    } else {
        check = parsePositionText(song_, text);
    }
    if (!check.valid()) {
        prompt_.message(check.message, caption(), PromptIcon::Exclamation);
        return false;
    }
    const bool same = kind_ == MasterListKind::Meter ? measure == entryMeasure(entry) : check.tick == entryTick(entry);
    if (same)
        return false;

    const auto index = static_cast<std::size_t>(entry);
    const TempoEntry tempo = kind_ == MasterListKind::Tempo ? song_.tempoList[index] : TempoEntry{};
    const MeterEntry meter = kind_ == MasterListKind::Meter ? song_.meterList[index] : MeterEntry{};
    const KeyEntry key = kind_ == MasterListKind::Key ? song_.keyList[index] : KeyEntry{};
    beforeChange();
    removeEntry(entry);
    storeAt(measure, check.tick, tempo.bpm, meter.numerator, meter.denominator, key.sharpsFlats, key.major);
    afterChange();
    return true;
}

std::string MasterListEditor::tempoText(int entry) const
{
    if (kind_ != MasterListKind::Tempo || entry < 0 || entry >= entries())
        return {};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", song_.tempoList[static_cast<std::size_t>(entry)].bpm);
    std::string text = buffer;
    // Whole tempos read "120", not "120.00".
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

bool MasterListEditor::editTempo(int entry, std::string_view text)
{
    if (kind_ != MasterListKind::Tempo || entry < 0 || entry >= entries())
        return false;
    const std::string_view number = trimmed(text);
    double bpm = 0.0;
    const auto [stop, error] = std::from_chars(number.data(), number.data() + number.size(), bpm);
    if (number.empty() || error != std::errc{} || stop != number.data() + number.size() || !std::isfinite(bpm))
        return false;
    bpm = std::max(bpm, 1.0);
    auto& stored = song_.tempoList[static_cast<std::size_t>(entry)];
    if (bpm == stored.bpm)
        return false;
    beforeChange();
    stored.bpm = bpm;
    afterChange();
    return true;
}

bool MasterListEditor::editMeter(int entry, int numerator, int denominator)
{
    if (kind_ != MasterListKind::Meter || entry < 0 || entry >= entries())
        return false;
    if (numerator < 1 || numerator > kMeterNumeratorMax || std::ranges::find(kMeterDenominators, denominator) ==
                                                                   std::end(kMeterDenominators))
        return false;
    auto& stored = song_.meterList[static_cast<std::size_t>(entry)];
    if (stored.numerator == numerator && stored.denominator == denominator)
        return false;
    beforeChange();
    stored.numerator = numerator;
    stored.denominator = denominator;
    afterChange();
    return true;
}

int MasterListEditor::meterNumerator(int entry) const
{
    if (kind_ != MasterListKind::Meter || entry < 0 || entry >= entries())
        return 0;
    return song_.meterList[static_cast<std::size_t>(entry)].numerator;
}

int MasterListEditor::meterDenominator(int entry) const
{
    if (kind_ != MasterListKind::Meter || entry < 0 || entry >= entries())
        return 0;
    return song_.meterList[static_cast<std::size_t>(entry)].denominator;
}

bool MasterListEditor::keyMajor(int entry) const
{
    return kind_ == MasterListKind::Key && entry >= 0 && entry < entries() &&
           song_.keyList[static_cast<std::size_t>(entry)].major != 0;
}

int MasterListEditor::keyComboIndex(int entry) const
{
    if (kind_ != MasterListKind::Key || entry < 0 || entry >= entries())
        return -1;
    return song_.keyList[static_cast<std::size_t>(entry)].sharpsFlats + 7;
}

bool MasterListEditor::editKey(int entry, int comboIndex, bool major)
{
    if (kind_ != MasterListKind::Key || entry < 0 || entry >= entries() || comboIndex < 0 || comboIndex > 14)
        return false;
    auto& stored = song_.keyList[static_cast<std::size_t>(entry)];
    const int sharpsFlats = comboIndex - 7;
    const int majorValue = major ? 1 : 0;
    if (stored.sharpsFlats == sharpsFlats && stored.major == majorValue)
        return false;
    beforeChange();
    stored.sharpsFlats = sharpsFlats;
    stored.major = majorValue;
    afterChange();
    return true;
}

bool MasterListEditor::measureHoldsEntry(int measure) const
{
    const int count = entries();
    for (int entry = 0; entry < count; ++entry)
        if (entryMeasure(entry) == measure)
            return true;
    return false;
}

bool MasterListEditor::insertAfter(int entry)
{
    if (entry < 0 || entry >= entries())
        return false;
    int measure = entryMeasure(entry) + 1;
    while (measureHoldsEntry(measure))
        ++measure;
    const auto index = static_cast<std::size_t>(entry);
    const TempoEntry tempo = kind_ == MasterListKind::Tempo ? song_.tempoList[index] : TempoEntry{};
    const MeterEntry meter = kind_ == MasterListKind::Meter ? song_.meterList[index] : MeterEntry{};
    const KeyEntry key = kind_ == MasterListKind::Key ? song_.keyList[index] : KeyEntry{};
    beforeChange();
    const bool stored = storeAt(measure, measureStart(song_, measure), tempo.bpm, meter.numerator, meter.denominator,
                                key.sharpsFlats, key.major);
    afterChange();
    return stored;
}

bool MasterListEditor::remove(int entry)
{
    if (entry <= 0 || entry >= entries())
        return false;
    beforeChange();
    removeEntry(entry);
    afterChange();
    return true;
}

} // namespace velisto
