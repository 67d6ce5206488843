#pragma once
// The model behind the tempo, meter and key dialogs: a scrolling table of nine rows over
// one master list of the song. Every change goes into the song at once; the first change
// while the dialog is open writes one undo step, and every change reports the song as
// modified. Entry 0 stands for the song's start: its position cannot be changed and it
// cannot be deleted, so the timing before the first change never shifts.
//
// Thread contract: user-interface thread only (it writes the song).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velisto {

class Song;
class UndoStack;
class UserPrompt;

enum class MasterListKind { Tempo, Meter, Key };

inline constexpr int kMasterEditorRows = 9;

// The meter dialog's denominators, in combo order.
inline constexpr int kMeterDenominators[] = {1, 2, 4, 8, 16, 32};
inline constexpr int kMeterNumeratorMax = 8;

class MasterListEditor {
public:
    // clickedTick: the position of the marker that opened the dialog; the table starts at
    // the first entry at or after it. songModified is called after every change.
    MasterListEditor(MasterListKind kind, Song& song, UndoStack& undo, UserPrompt& prompt, std::int32_t clickedTick,
                     std::function<void()> songModified);

    MasterListKind kind() const { return kind_; }
    // "Tempo editor", "Meter editor", "Key editor": the caption of its message boxes.
    std::string caption() const;
    // "tempo changes", "meter changes", "key changes".
    std::string undoDescription() const;

    int entries() const;
    // The entry in the top row; the scroll range is 0 .. entries() - 1.
    int firstRow() const { return firstRow_; }
    void scrollTo(int firstRow);
    // The entry shown in row 0..8, or -1 for an empty (disabled) row.
    int entryOfRow(int row) const;

    // "MMMM:BB:TTT" for tempo and key, the measure number from 1 for meter.
    std::string positionText(int entry) const;
    bool positionEditable(int entry) const { return entry > 0 && entry < entries(); }
    // The position field lost the focus with text. An invalid position shows its error
    // text (with the caption) and changes nothing; a new valid one moves the entry, which
    // replaces an entry already at that position. True when the song changed.
    bool editPosition(int entry, std::string_view text);

    // Tempo: the value text, and a typed or selected text. A text that is no number, or
    // one that gives the stored value, changes nothing (the field shows tempoText again);
    // values below 1 are stored as 1.
    std::string tempoText(int entry) const;
    bool editTempo(int entry, std::string_view text);
    // Meter: numerator 1..8, denominator one of kMeterDenominators.
    bool editMeter(int entry, int numerator, int denominator);
    // Meter: the entry's numerator and denominator; 0 for no entry.
    int meterNumerator(int entry) const;
    int meterDenominator(int entry) const;
    // Key: combo index 0..14 (0 = 7 flats, 7 = key of C, 14 = 7 sharps) and major/minor.
    int keyComboIndex(int entry) const;
    bool keyMajor(int entry) const;
    bool editKey(int entry, int comboIndex, bool major);

    // "Ins": a copy of the entry at the start of the next measure after its own that holds
    // no entry of this list. Nothing when the list is full.
    bool insertAfter(int entry);
    // "Del": every entry but entry 0.
    bool remove(int entry);

private:
    // The undo step before the first change, then the song-modified report.
    void beforeChange();
    void afterChange();
    std::int32_t entryTick(int entry) const;
    int entryMeasure(int entry) const;
    bool measureHoldsEntry(int measure) const;
    bool removeEntry(int entry);
    // Stores entry's values (read before it was taken out) at a new position.
    bool storeAt(int measure, std::int32_t tick, double bpm, int numerator, int denominator, int sharpsFlats,
                 int major);
    void clampFirstRow();

    MasterListKind kind_;
    Song& song_;
    UndoStack& undo_;
    UserPrompt& prompt_;
    std::function<void()> songModified_;
    bool undoPending_ = true;
    int firstRow_ = 0;
};

} // namespace velisto
