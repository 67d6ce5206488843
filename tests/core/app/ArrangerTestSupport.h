#pragma once
// The main window's client on a 1024 x 768 screen, as the arranger layout tests measure it.

#include "app/ArrangerLayout.h"

namespace velisto {

// A 1024-pixel-wide client with a status bar, one device strip and scroll bars.
inline ArrangerMetrics metrics1024()
{
    ArrangerMetrics metrics;
    metrics.clientWidth = 1024;
    metrics.clientHeight = 700;
    metrics.statusBarHeight = 20;
    metrics.toolbarHeight = 38;
    metrics.deviceStripsHeight = 38;
    metrics.horizontalScrollBarHeight = 16;
    metrics.verticalScrollBarWidth = 16;
    return metrics;
}

} // namespace velisto
