#pragma once
// The karaoke window without its window: the song text of one track laid out as the line
// being sung and the next one, and the ball hopping over the current line's syllables.
// Everything follows from the ticks played, so the window can catch up on its own thread
// with whatever ticks the run has reached since its last look.
//
// A line is built from the song-text track's events of the chosen kind (lyric 0x70, or
// text 0x73 with "textaslyric"): a text starting with "@" is never shown; one starting
// with "/" or "\" starts a line (the mark is dropped); a line ends before a syllable more
// than a third of a measure after the previous one, more than "karaoketakteprozeile"
// measures and 10 ticks after the line's first, that would reach beyond x 740, or that
// would be the line's seventeenth. The first syllable of a line is always taken, however
// wide (it is drawn cut), so reading always moves on.
//
// Thread contract: user-interface thread; the song must not change while the model lives.

#include "app/Settings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

class Song;

// Pixel width of a text in the window's font.
using KaraokeTextWidth = std::function<int(std::string_view)>;

// Where the ball is at a tick: x in pixels of the 790-pixel line.
struct KaraokeWaypoint {
    std::int32_t tick = 0;
    int x = 0;

    bool operator==(const KaraokeWaypoint&) const = default;
};

// Whether the settings' song-text track holds a syllable that would be shown.
bool songTextTrackHasText(const Song& song, const KaraokeSettings& settings);

class KaraokeModel {
public:
    static constexpr int kLineWidth = 790;
    static constexpr int kMaxX = 740;
    static constexpr int kMaxSyllables = 16;
    static constexpr int kSteps = 18; // ball steps from one waypoint to the next
    static constexpr int kLeadInX = -80;
    static constexpr int kLeadOutX = 900;
    static constexpr int kLineHeight = 40; // the next line is drawn this much lower

    // startTick: the run's start; the text is read from the first event at or after it.
    KaraokeModel(const Song& song, const KaraokeSettings& settings, std::int32_t startTick, KaraokeTextWidth width);

    // Plays every tick after the last one played up to tick (earlier ticks are ignored).
    // True when anything drawn changed.
    bool advanceTo(std::int32_t tick);

    const std::string& currentText() const { return currentText_; }
    const std::string& nextText() const { return nextText_; }
    // Top of the current line's text; the next line is kLineHeight lower.
    int textOffset() const { return textOffset_; }
    int ballX() const { return ballX_; }
    // Pixels above the text.
    int ballHeight() const { return ballHeight_; }

    // The current line's waypoints: lead-in, one per syllable, lead-out.
    std::span<const KaraokeWaypoint> waypoints() const { return waypoints_; }
    int segment() const { return segment_; }
    int step() const { return step_; }
    // The next event of the song-text track to lay out; -1 when the track is read.
    std::int32_t readIndex() const { return readIndex_; }

    // The ball's height after step 1..18 of a segment: a hop from about 24 pixels, down to
    // about 3 in the middle, ending at 20.
    static int ballHeightAtStep(int step);

private:
    struct Syllable;
    struct Line {
        std::string text;
        std::vector<KaraokeWaypoint> waypoints;
        std::int32_t readIndex = -1; // where the line after it starts
    };

    std::optional<Syllable> syllableAt(std::int32_t index) const;
    std::optional<std::int32_t> nextSyllableTick() const;
    bool breaksLine(std::int32_t tick, std::int32_t previousTick, std::int32_t lineStartTick) const;
    Line layOut(std::int32_t from) const;
    bool playTick(std::int32_t tick);
    bool startNextLine(std::int32_t tick);
    void takeStep();

    const Song& song_;
    int track_ = -1; // 0..255, -1 for a setting out of range
    std::uint8_t kind_ = 0;
    bool insertBlank_ = false;
    int measuresPerLine_ = 1;
    std::int32_t startTick_ = 0;
    KaraokeTextWidth width_;

    std::int32_t readIndex_ = -1;
    std::int32_t lastTick_ = 0;
    std::vector<KaraokeWaypoint> waypoints_;
    int segment_ = 0;
    int step_ = 1;
    bool ended_ = false;

    std::string currentText_;
    std::string nextText_;
    int textOffset_ = kLineHeight;
    int ballX_ = kLeadInX;
    int ballHeight_ = 0;
};

} // namespace velisto
