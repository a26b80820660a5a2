#pragma once
// The six per-user settings and the one table that describes them: each value's name in the
// profile's "Option" section, its type, its default and the range the configuration dialog keeps
// it in. The settings store takes its names and defaults from here, the dialog its ranges, and a
// test holds the manual page and the host's description of the saver to it.

#include <array>
#include <optional>
#include <string_view>

#include "manoeuvres/catalogue.h"
#include "show/play_list.h"

enum class OptionType { kPlayList, kInteger };

struct OptionRange {
    int min, max;
};

struct Option {
    std::string_view name;  // value name in the "Option" section
    OptionType type;
    int defaultValue;       // integers; Volume's default is the output's level at start-up instead
    std::optional<OptionRange> range;  // what the dialog keeps it in; none: stored as chosen
    std::string_view hostWords;  // how the host's description names it; empty: no use in a host's window
};

namespace option {
inline constexpr Option kProgram{"Program", OptionType::kPlayList, 0, OptionRange{1, manoeuvres::kProgrammeCount},
                                 "play list"};
inline constexpr Option kSound{"Sound", OptionType::kInteger, 1, std::nullopt, "sound"};
inline constexpr Option kWidth{"Width", OptionType::kInteger, 800, std::nullopt, {}};
inline constexpr Option kHeight{"Height", OptionType::kInteger, 600, std::nullopt, {}};
inline constexpr Option kVolume{"Volume", OptionType::kInteger, 0, OptionRange{0, 0xFFFF}, "volume"};
inline constexpr Option kSmoke{"Smoke", OptionType::kInteger, 2, OptionRange{1, 3}, "smoke"};
}  // namespace option

// Every setting, in the order they are written.
inline constexpr std::array<const Option*, 6> kOptions{&option::kProgram, &option::kSound, &option::kWidth,
                                                       &option::kHeight, &option::kVolume, &option::kSmoke};

// The default play list: programmes 1, 2, 3, 4, 16, 24 and 27.
inline constexpr show::PlayList kDefaultPlayList{1, 2, 3, 4, 16, 24, 27};

// The six settings. They do not change while the saver runs.
struct Settings {
    show::PlayList program = kDefaultPlayList;  // ends at the first 0
    int sound = option::kSound.defaultValue;    // 0 off, anything else on
    int width = option::kWidth.defaultValue;    // full-screen size in pixels
    int height = option::kHeight.defaultValue;
    int volume = option::kVolume.defaultValue;  // output volume, low 16 bits used for both channels
    int smoke = option::kSmoke.defaultValue;    // from least to most smoke
};

inline constexpr OptionRange kVolumeRange = *option::kVolume.range;
inline constexpr OptionRange kSmokeRange = *option::kSmoke.range;
