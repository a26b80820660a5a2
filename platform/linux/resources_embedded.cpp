// Resources embedded at build time (the table generated from the manifest), looked up by
// (type, id); the string table is parsed from its UTF-8 source on first use.

#include <string_view>
#include <unordered_map>

#include "platform/module_resources.h"

namespace platform {
namespace {

constexpr int kStringTableResourceId = 1;

// The string table's source is UTF-8 text: "id<TAB>text" per line, '#' lines are comments.
std::unordered_map<unsigned, std::string> ParseStringTable(std::string_view source) {
    std::unordered_map<unsigned, std::string> table;
    while (!source.empty()) {
        const auto eol = source.find('\n');
        std::string_view line = source.substr(0, eol);
        source = eol == std::string_view::npos ? std::string_view{} : source.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto tab = line.find('\t');
        if (line.empty() || line.front() == '#' || tab == std::string_view::npos || tab == 0) continue;
        unsigned id = 0;
        bool numeric = true;
        for (char c : line.substr(0, tab)) {
            numeric = numeric && c >= '0' && c <= '9';
            id = id * 10 + static_cast<unsigned>(c - '0');
        }
        if (numeric) table.emplace(id, std::string(line.substr(tab + 1)));
    }
    return table;
}

const std::unordered_map<unsigned, std::string>& StringTable() {
    static const auto table = [] {
        std::unordered_map<unsigned, std::string> parsed;
        for (const EmbeddedResource& r : EmbeddedResources()) {
            if (r.type == ResourceType::kSTRINGTABLE && r.id == kStringTableResourceId) {
                parsed = ParseStringTable(std::string_view(reinterpret_cast<const char*>(r.begin),
                                                           static_cast<std::size_t>(r.end - r.begin)));
            }
        }
        return parsed;
    }();
    return table;
}

}  // namespace

std::optional<ResourceBytes> FindModuleResource(ResourceType type, int id) {
    for (const EmbeddedResource& r : EmbeddedResources()) {
        if (r.type == type && r.id == id) {
            return ResourceBytes(r.begin, static_cast<std::size_t>(r.end - r.begin));
        }
    }
    return std::nullopt;
}

bool LoadModuleString(unsigned id, std::string& text) {
    const auto& table = StringTable();
    const auto it = table.find(id);
    if (it == table.end()) return false;
    text = it->second;
    return true;
}

}  // namespace platform
