#pragma once
// The play timer's period for a tempo: the whole milliseconds of one tick, plus one.
// Playback reads the elapsed time from a clock at every timer call and plays all ticks that
// are due, so the period only sets how often it looks, not the pace of the music.
//
// Thread contract: a pure function, callable from any thread.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <optional>

namespace velisto {

// 1 + floor(60000 / (ppq * bpm)) ms, e.g. 6 ms for PPQ 96 at 120 bpm. Empty when ppq or bpm
// is not positive, or the tick would last longer than a day (no usable tempo).
inline std::optional<std::chrono::milliseconds> timerPeriod(std::int32_t ppq, double bpm)
{
    if (ppq <= 0 || !(bpm > 0.0)) {
        return std::nullopt;
    }
    const double tickMs = std::floor(60000.0 / (static_cast<double>(ppq) * bpm));
    constexpr double kDayMs = 24.0 * 3600.0 * 1000.0;
    if (!(tickMs < kDayMs)) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(1 + static_cast<std::int64_t>(tickMs));
}

} // namespace velisto
