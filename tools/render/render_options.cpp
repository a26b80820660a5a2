#include "tools/render/render_options.h"

#include <charconv>
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
    {"--help", nullptr, "show this text",
     [](std::string_view, RenderOptions& options) {
         options.help = true;
         return true;
     }},
};

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
    }
    if (!options.help && options.out.empty()) {
        return std::string("--out FILE.png is required");
    }
    return std::nullopt;
}

std::string RenderUsage() {
    std::string text = "usage: vantaro-render --size WxH --out FILE.png [options]\n"
                       "Draws offscreen (no X server needed) and writes a PNG.\n";
    for (const Option& option : kOptions) {
        std::string left = std::string("  ") + option.name + (option.value ? std::string(" ") + option.value : "");
        left.resize(std::max<std::size_t>(left.size() + 1, 26), ' ');
        text += left + option.help + "\n";
    }
    return text;
}

}  // namespace tools
