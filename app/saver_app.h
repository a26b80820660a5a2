#pragma once
// The saver's application object and the settings it holds for the whole run.

#include <array>
#include <cstddef>

#include "app/framework/win_app.h"

inline constexpr std::size_t kPlayListLength = 40;

// The six per-user settings. They do not change while the saver runs.
struct Settings {
    // Programme numbers in play order, ending at the first 0; a full list has none.
    std::array<signed char, kPlayListLength> program{1, 2, 3, 4, 16, 24, 27};
    int sound = 1;  // 0 off, anything else on
    int width = 800;  // full-screen size in pixels
    int height = 600;
    int volume = 0;  // output volume, low 16 bits used for both channels
    int smoke = 2;  // 1 to 3, from least to most smoke
};

class CSaverApp : public framework::CWinApp {
public:
    CSaverApp() = default;

    // Reads the settings from the profile's "Option" section; what is absent or unreadable
    // keeps its default, and the start-up volume is the default of the volume.
    void LoadSettings();
    // Writes all six settings in one replacement of the profile; false when it failed.
    bool SaveSettings();

    Settings settings;
    // The output's left-channel level when the saver started.
    int startupVolume = 0;
};
