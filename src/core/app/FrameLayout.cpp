#include "app/FrameLayout.h"

#include <algorithm>

namespace velisto {

FrameLayout frameLayout(const FrameGeometry& geometry)
{
    const int width = std::max(geometry.clientWidth, 0);
    const int height = std::max(geometry.clientHeight, 0);
    const int barHeight = height / 18;

    FrameLayout layout;
    layout.toolbar = {0, 0, width, barHeight};
    int top = barHeight;
    const int strips = std::clamp(geometry.openDevices, 0, kMaxDeviceStrips);
    for (int i = 0; i < strips; ++i) {
        layout.deviceStrips.push_back({0, top, width, barHeight});
        top += barHeight;
    }

    const int bottom = std::max(height - std::max(geometry.statusBarHeight, 0), top);
    const int space = bottom - top;
    if (!geometry.bottomEditor) {
        layout.trackArea = {0, top, width, space};
        return layout;
    }
    const int trackHeight = std::clamp(geometry.trackAreaHeight, 0, space);
    layout.trackArea = {0, top, width, trackHeight};
    layout.bottomEditor = LayoutRect{0, top + trackHeight, width, space - trackHeight};
    return layout;
}

} // namespace velisto
