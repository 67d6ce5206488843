#include "app/ArrangerLayout.h"

#include "app/Settings.h"
#include "song/Song.h"

#include <algorithm>
#include <cmath>

namespace velisto {
namespace {

int roundHalfAway(double value) { return static_cast<int>(std::lround(value)); }

} // namespace

void computeArrangerLayout(const ArrangerMetrics& metrics, DisplaySettings& display)
{
    const int rows = kArrangerRows;
    int height = metrics.clientHeight - 2 * metrics.sizingFrameHeight - metrics.statusBarHeight -
                 metrics.toolbarHeight - metrics.deviceStripsHeight - metrics.horizontalScrollBarHeight;
    if (metrics.bottomEditor)
        height = roundHalfAway(height / 1.53);
    // Rows of fewer than 4 pixels leave no room for a block's frame and bands; a tiny
    // window scrolls rather than dividing by zero.
    const int rowHeight = std::max(static_cast<int>(height / 19.75), kArrangerMinRowHeight);

    const int ruler = static_cast<int>(rowHeight * 0.25);
    const int masterRow = static_cast<int>(rowHeight * 0.5);
    display.numberoftracksinaview = rows;
    display.midiblockheight = rowHeight;
    display.rulerheight = ruler;
    display.tempometerkeyrowheight = masterRow;
    display.miditop = masterRow + ruler;
    display.metertop = rowHeight * rows + display.miditop;
    display.keytop = display.metertop + masterRow;

    int net = roundHalfAway(rowHeight - rowHeight / 5.0);
    const int frame = std::max(roundHalfAway(net / 10.0), 1);
    const int band = roundHalfAway((net - 2 * frame) / 3.0);
    net = std::min(3 * band + 2 * frame, rowHeight);
    display.midiblocknettoheight = net;
    display.midiblockframestrength = frame;
    display.midiblockinnerthirdheight = band;

    const int controlWidth = rowHeight * kControlStripRowHeights;
    const int gridWidth =
        metrics.clientWidth - 2 * metrics.sizingFrameWidth - metrics.verticalScrollBarWidth - controlWidth - 2 * frame;
    // A window too narrow for 64 one-pixel blocks still gets whole blocks, never a division by 0.
    const int blockWidth = std::max(gridWidth / kArrangerStartMeasures, 1);
    display.midiblockwidth = blockWidth;
    display.numberofmidiblocksinaview = std::max(gridWidth / blockWidth, 1);
    display.arrangerwindowleftedge = controlWidth;
    display.arrangerwindowbottomedge = metrics.toolbarHeight + metrics.deviceStripsHeight + display.keytop + masterRow +
                                       metrics.horizontalScrollBarHeight;
}

bool plausibleArrangerLayout(const DisplaySettings& display, const ArrangerMetrics& metrics)
{
    return display.midiblockwidth >= 1 && display.midiblockheight >= kArrangerMinRowHeight &&
           display.numberoftracksinaview >= 5 && display.numberoftracksinaview <= kTrackCount &&
           display.numberofmidiblocksinaview >= 20 && display.arrangerwindowleftedge >= 0 &&
           display.arrangerwindowleftedge < metrics.clientWidth &&
           display.arrangerwindowbottomedge > metrics.toolbarHeight + metrics.deviceStripsHeight;
}

bool restoreArrangerLayout(DisplaySettings& display, const ArrangerMetrics& metrics, int screenWidth, int screenHeight,
                           int openDevices)
{
    if (display.sm_cxscreen == screenWidth && display.sm_cyscreen == screenHeight &&
        display.lastnumberofdevices == openDevices && plausibleArrangerLayout(display, metrics))
        return true;
    display.sm_cxscreen = 0;
    display.sm_cyscreen = 0;
    computeArrangerLayout(metrics, display);
    return false;
}

} // namespace velisto
