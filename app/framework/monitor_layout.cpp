#include "app/framework/monitor_layout.h"

#include <algorithm>
#include <iterator>

namespace framework {
namespace {

bool Contains(const Rect& outer, const Rect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

FullScreenLayout PlaceFullScreen(const MonitorList& monitors, const Rect& screen) {
    MonitorList usable;
    std::copy_if(monitors.begin(), monitors.end(), std::back_inserter(usable),
                 [](const Monitor& m) { return m.area.Width() > 0 && m.area.Height() > 0; });
    if (usable.empty()) return FullScreenLayout{screen, {}};
    auto primary = std::find_if(usable.begin(), usable.end(), [](const Monitor& m) { return m.primary; });
    if (primary == usable.end()) {
        primary = std::find_if(usable.begin(), usable.end(),
                               [](const Monitor& m) { return m.area.left == 0 && m.area.top == 0; });
    }
    if (primary == usable.end()) primary = usable.begin();
    FullScreenLayout layout{primary->area, {}};
    for (const Monitor& monitor : usable) {
        const bool shown = Contains(layout.show, monitor.area) ||
                           std::any_of(layout.black.begin(), layout.black.end(),
                                       [&](const Rect& black) { return black == monitor.area; });
        if (!shown) layout.black.push_back(monitor.area);
    }
    return layout;
}

}  // namespace framework
