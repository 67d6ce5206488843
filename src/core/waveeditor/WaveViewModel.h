#pragma once
// The geometry of the wave editor's view without the drawing: which frame a column
// shows, zooming around a point, the peak of each column (from the fast view image while
// a pixel spans kFastViewFrames frames or more, else from the samples), which mark flag
// the mouse is on, and whether the view is zoomed in enough for an exact paste position.
//
// Thread contract: user-interface thread only.

#include <cstdint>
#include <span>
#include <vector>

namespace velisto {

struct FastViewImage;

inline constexpr int kFlagHitPixels = 10;

// The marks' codes while the mouse is on them or drags them.
inline constexpr int kNoMark = 0;
inline constexpr int kLoopStartMark = 2;
inline constexpr int kLoopEndMark = 3;
inline constexpr int kFirstCueMark = 4; // cue point n is kFirstCueMark + n

class WaveViewModel {
public:
    // frames of the file, width of the wave area in pixels.
    void setSize(std::int64_t frames, int width);
    double framesPerPixel() const { return framesPerPixel_; }
    std::int64_t firstFrame() const { return firstFrame_; }

    // The frame under column x (x may lie outside the area), limited to 0..frames.
    std::int64_t frameAt(double x) const;
    double xOf(std::int64_t frame) const;

    // The whole file in the width.
    void zoomToFit();
    // Zooms by factor (> 1 zooms in) keeping the frame under anchorX where it is.
    void zoom(double factor, double anchorX);
    // Shows from frame on, limited so that the view stays inside the file.
    void scrollTo(std::int64_t frame);
    // A paste position is exact to the frame only while the samples themselves are drawn.
    bool exactPosition() const { return framesPerPixel_ < kSamplesPerPixelLimit; }
    bool drawsFastView() const { return !exactPosition(); }

    // Per column, the largest fast view value of the runs the column covers (channel 0
    // left, 1 right).
    std::vector<std::int32_t> fastViewPeaks(const FastViewImage& image, int channel) const;
    // Per column, the largest absolute sample (16-bit scale) of frames [firstFrame, ...)
    // handed in as PCM bytes of the file's format.
    std::vector<std::int32_t> samplePeaks(std::span<const std::uint8_t> frames, int bitsPerSample, int channels,
                                          int channel) const;

    // The mark whose flag is within kFlagHitPixels of x, the nearest when several are;
    // marks are frames, -1 for none (loop start, loop end, then the cue points). The reach
    // is the user's 10 pixels: with columns of device pixels, ratio is device pixels per
    // logical one.
    int hitFlag(double x, std::int64_t loopStart, std::int64_t loopEnd, std::span<const std::int64_t> cues,
                double ratio = 1.0) const;

    static constexpr double kSamplesPerPixelLimit = 300.0;

private:
    std::int64_t frames_ = 0;
    int width_ = 1;
    double framesPerPixel_ = 1.0;
    std::int64_t firstFrame_ = 0;
};

} // namespace velisto
