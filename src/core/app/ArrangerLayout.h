#pragma once
// The track area's grid measured from the main window: rows, row height, the ruler and
// the master rows, block sizes and the measures in view. Computed on a first run, or kept
// from the last run when it was stored for the same screen and the same number of open
// devices and still makes sense. The values live in the "Display" settings.
//
// Thread contract: pure functions; user-interface thread.

namespace velisto {

struct DisplaySettings;

inline constexpr int kArrangerRows = 18;
inline constexpr int kArrangerStartMeasures = 64;
inline constexpr int kArrangerMinRowHeight = 4;
// The per-track control strips are this many row heights wide.
inline constexpr int kControlStripRowHeights = 18;

// What the computation reads from the main window, in pixels.
struct ArrangerMetrics {
    int clientWidth = 0;
    int clientHeight = 0;
    int sizingFrameWidth = 0;
    int sizingFrameHeight = 0;
    int statusBarHeight = 0; // 0 while hidden
    int toolbarHeight = 0;
    int deviceStripsHeight = 0; // all strips together
    int horizontalScrollBarHeight = 0;
    int verticalScrollBarWidth = 0;
    bool bottomEditor = false; // the list editor is to be shown below
};

// Fills the arranger layout keys of display from the metrics.
void computeArrangerLayout(const ArrangerMetrics& metrics, DisplaySettings& display);

// A stored layout is usable when it has whole blocks, rows of at least 4 pixels, 5 to 256
// rows, at least 20 measures, its left edge inside the client width and its bottom below the
// toolbar and the device strips.
bool plausibleArrangerLayout(const DisplaySettings& display, const ArrangerMetrics& metrics);

// Start-up completion: keeps the stored layout when it was stored for this screen size and
// number of open devices and is plausible (true); otherwise resets the stored screen size
// to 0 and computes the layout (false).
bool restoreArrangerLayout(DisplaySettings& display, const ArrangerMetrics& metrics, int screenWidth, int screenHeight,
                           int openDevices);

} // namespace velisto
