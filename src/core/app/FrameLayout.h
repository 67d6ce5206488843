#pragma once
// How the main window's client area is divided.
//
// Thread contract: pure functions; user-interface thread.

#include <optional>
#include <vector>

namespace velisto {

// The client area's division: the toolbar on top, one strip per open output device below
// it (at most kMaxDeviceStrips) with the toolbar's height, then the track area; a bottom
// editor below the track area; the status bar at the bottom.
inline constexpr int kMaxDeviceStrips = 29;

struct LayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const LayoutRect&) const = default;
};

struct FrameGeometry {
    int clientWidth = 0;
    int clientHeight = 0;
    int openDevices = 0;
    int statusBarHeight = 0; // 0 while the status bar is hidden
    bool bottomEditor = false;
    // With a bottom editor: the track area's height before, which it keeps when it fits.
    int trackAreaHeight = 0;
};

struct FrameLayout {
    LayoutRect toolbar;
    std::vector<LayoutRect> deviceStrips;
    LayoutRect trackArea;
    std::optional<LayoutRect> bottomEditor;
};

FrameLayout frameLayout(const FrameGeometry& geometry);

} // namespace velisto
