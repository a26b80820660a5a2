#include "tools/render/render_options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace tools {

namespace {

bool ParseSize(std::string_view text, RenderOptions& options) {
    auto cross = text.find('x');
    if (cross == std::string_view::npos) {
        return false;
    }
    auto number = [](std::string_view part, unsigned& value) {
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return error == std::errc() && end == part.data() + part.size() && value > 0 && value <= 8192;
    };
    return number(text.substr(0, cross), options.width) && number(text.substr(cross + 1), options.height);
}

bool ParseAngle(std::string_view text, float& angle) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), angle);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseInt(std::string_view text, int& value, int low, int high) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

bool ParseFraction(std::string_view text, float& value) {
    return ParseAngle(text, value) && value >= 0.0f && value <= 1.0f;
}

bool ParseProgramme(std::string_view text, RenderOptions& options) {
    return ParseInt(text, options.programme, 1, 40);
}

// RxC: rows by columns, each 1 to 16.
bool ParseSheet(std::string_view text, RenderOptions& options) {
    const auto cross = text.find('x');
    int rows = 0, columns = 0;
    if (cross == std::string_view::npos || !ParseInt(text.substr(0, cross), rows, 1, 16) ||
        !ParseInt(text.substr(cross + 1), columns, 1, 16)) {
        return false;
    }
    options.rows = static_cast<unsigned>(rows);
    options.columns = static_cast<unsigned>(columns);
    options.task = RenderTask::kSheet;
    return true;
}

struct Option {
    const char* name;
    const char* value;  // shown in the usage; nullptr for a switch
    const char* help;
    bool (*apply)(std::string_view value, RenderOptions& options);
};

constexpr Option kOptions[] = {
    {"--size", "WxH", "size of the picture in pixels (default 640x480)", ParseSize},
    {"--out", "FILE.png", "where to write the picture",
     [](std::string_view value, RenderOptions& options) {
         options.out = value;
         return !value.empty();
     }},
    {"--mesh-file", "FILE.x", "show this text mesh file instead of the test mesh",
     [](std::string_view value, RenderOptions& options) {
         options.meshFile = value;
         return true;
     }},
    {"--texture-file", "FILE", "JPEG or Targa image for the mesh file's textured materials",
     [](std::string_view value, RenderOptions& options) {
         options.textureFile = value;
         return true;
     }},
    {"--yaw", "DEGREES", "camera bearing around the subject (default 35)",
     [](std::string_view value, RenderOptions& options) { return ParseAngle(value, options.yaw); }},
    {"--pitch", "DEGREES", "camera elevation above the subject (default 25)",
     [](std::string_view value, RenderOptions& options) { return ParseAngle(value, options.pitch); }},
    {"--programme", "N", "draw programme N (1 to 40) instead of the test mesh", ParseProgramme},
    {"--progress", "T", "the programme's progress to draw, 0 to 1",
     [](std::string_view value, RenderOptions& options) {
         options.task = RenderTask::kFrame;
         return ParseFraction(value, options.progress);
     }},
    {"--sheet", "RxC", "a contact sheet of R rows by C columns at even progress from 0 to 1", ParseSheet},
    {"--smoke", "1|2|3", "smoke amount (default 2)",
     [](std::string_view value, RenderOptions& options) { return ParseInt(value, options.smoke, 1, 3); }},
    {"--fps", "F", "frames per second of the virtual clock (default 60)",
     [](std::string_view value, RenderOptions& options) {
         return ParseAngle(value, options.fps) && options.fps >= 1.0f && options.fps <= 1000.0f;
     }},
    {"--list", nullptr, "list the programmes: number, name, aircraft, keys, duration, routine, flyable",
     [](std::string_view, RenderOptions& options) {
         options.task = RenderTask::kList;
         return true;
     }},
    {"--dump-track", "N", "programme N's tracks as CSV",
     [](std::string_view value, RenderOptions& options) {
         options.task = RenderTask::kDumpTrack;
         return ParseProgramme(value, options);
     }},
    {"--dump-pose", "N T", "camera and aircraft of programme N at progress T as JSON lines",
     [](std::string_view value, RenderOptions& options) {
         options.task = RenderTask::kDumpPose;
         return ParseProgramme(value, options);
     }},
    {"--help", nullptr, "show this text",
     [](std::string_view, RenderOptions& options) {
         options.help = true;
         return true;
     }},
};

// The largest side of a picture the renderer writes: a contact sheet is put together in memory,
// 4 bytes a pixel, so this bounds it to 1 GiB.
constexpr std::uint64_t kLargestPictureSide = 16384;

std::string SizeText(std::uint64_t width, std::uint64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// A contact sheet that can be made: cells of half the frame's size, at least a pixel, and a
// whole sheet within the largest picture.
std::optional<std::string> CheckSheet(const RenderOptions& options) {
    if (options.width < 2 || options.height < 2) {
        return "--sheet needs --size of at least 2x2: each cell is half a frame, " + SizeText(options.width, options.height) +
               " makes empty cells";
    }
    const std::uint64_t width = std::uint64_t{options.columns} * (options.width / 2);
    const std::uint64_t height = std::uint64_t{options.rows} * (options.height / 2);
    if (width > kLargestPictureSide || height > kLargestPictureSide) {
        const double gib = static_cast<double>(width * height * 4) / (1024.0 * 1024.0 * 1024.0);
        char amount[32];
        std::snprintf(amount, sizeof amount, "%.1f GiB", gib);
        return "--sheet " + SizeText(options.rows, options.columns) + " of --size " +
               SizeText(options.width, options.height) + " frames makes a " + SizeText(width, height) + " picture (" +
               amount + "); at most " + std::to_string(kLargestPictureSide) + " pixels a side";
    }
    return std::nullopt;
}

// The combinations that make sense: pictures need a file, programme pictures a programme.
std::optional<std::string> CheckTask(const RenderOptions& options) {
    if (options.help) return std::nullopt;
    switch (options.task) {
        case RenderTask::kList:
        case RenderTask::kDumpTrack:
        case RenderTask::kDumpPose: return std::nullopt;
        case RenderTask::kFrame:
        case RenderTask::kSheet:
            if (options.programme == 0) return std::string("--progress and --sheet need --programme N");
            if (options.task == RenderTask::kSheet) {
                if (auto problem = CheckSheet(options)) return problem;
            }
            break;
        case RenderTask::kSubject:
            if (options.programme != 0) return std::string("--programme needs --progress T or --sheet RxC");
            break;
    }
    if (options.out.empty()) return std::string("--out FILE.png is required");
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ParseRenderOptions(int argc, char** argv, RenderOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const Option* option = nullptr;
        for (const Option& candidate : kOptions) {
            if (std::strcmp(argv[i], candidate.name) == 0) {
                option = &candidate;
            }
        }
        if (option == nullptr) {
            return std::string("unknown option '") + argv[i] + "'";
        }
        if (option->value != nullptr && i + 1 >= argc) {
            return std::string(option->name) + " needs " + option->value;
        }
        std::string_view value = option->value != nullptr ? std::string_view(argv[++i]) : std::string_view();
        if (!option->apply(value, options)) {
            return std::string("bad value '") + std::string(value) + "' for " + option->name;
        }
        if (options.task == RenderTask::kDumpPose && std::strcmp(option->name, "--dump-pose") == 0) {
            if (i + 1 >= argc || !ParseFraction(argv[i + 1], options.progress)) {
                return std::string("--dump-pose needs N T, T a progress from 0 to 1");
            }
            ++i;
        }
    }
    return CheckTask(options);
}

std::string RenderUsage() {
    std::string text =
        "usage: vantaro-render --size WxH --out FILE.png [options]\n"
        "       vantaro-render --programme N --progress T [--size WxH] [--smoke 1|2|3] [--fps F] --out FILE.png\n"
        "       vantaro-render --programme N --sheet RxC [--size WxH] --out FILE.png\n"
        "       vantaro-render --list | --dump-track N | --dump-pose N T\n"
        "Draws offscreen (no X server needed) on a virtual clock and writes a PNG.\n";
    for (const Option& option : kOptions) {
        std::string left = std::string("  ") + option.name + (option.value ? std::string(" ") + option.value : "");
        left.resize(std::max<std::size_t>(left.size() + 1, 26), ' ');
        text += left + option.help + "\n";
    }
    return text;
}

}  // namespace tools
