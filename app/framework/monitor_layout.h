#pragma once
// Where the full-screen saver goes on a desk with several monitors: the picture on the primary
// monitor, a black window on every other one. The same rule on every system; each system's
// layer says which monitors there are and which of them is the primary one.

#include <functional>
#include <vector>

#include "app/framework/types.h"

namespace framework {

struct Monitor {
    Rect area;             // in screen coordinates; the primary monitor's origin is usually 0, 0
    bool primary = false;  // as the system marks it; at most one should be
};

using MonitorList = std::vector<Monitor>;
using MonitorSource = std::function<MonitorList()>;

struct FullScreenLayout {
    Rect show;                // the window the picture is drawn in
    std::vector<Rect> black;  // one black window each, none of them inside `show`

    bool operator==(const FullScreenLayout&) const = default;
};

// The picture goes on the monitor marked primary, else on the one whose corner is at the
// origin, else on the first. Every other monitor gets a black window, except one that shows
// only what the picture's monitor shows already (a mirrored pair) or what another black window
// covers. Empty monitors are ignored; with none left the picture fills `screen`.
FullScreenLayout PlaceFullScreen(const MonitorList& monitors, const Rect& screen);

}  // namespace framework
