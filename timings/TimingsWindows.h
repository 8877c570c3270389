#pragma once

#include "timings/TimingsWindow.h"

// Makes the timings window known to the main window under "TfrmTimings". `ticks`: the clock
// that times the queries; the platform's tick counter unless a caller supplies one.
void registerTimingsWindows(TfrmTimings::TickCounter ticks = {});
