#pragma once
// Resources carried inside the executable, looked up by (type, id) as the program's own
// module resources are, and the string table loaded by id.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/resource_table.h"

namespace platform {

using ResourceBytes = std::span<const std::uint8_t>;

// The bytes of resource (type, id), or nothing when the executable carries no such resource.
std::optional<ResourceBytes> FindResource(ResourceType type, int id);

// String-table entry `id` as UTF-8 into `text`; false (and `text` unchanged) when absent.
bool LoadStringResource(unsigned id, std::string& text);

// Name of programme `number` (1 to 40), string 199 + number; empty for any other number.
std::string ProgrammeName(int number);

// For tests: while alive, replaces or hides embedded resources, so that loading code can be
// run against broken or missing data. Overrides nest; the newest wins.
class ScopedResourceOverride {
public:
    ScopedResourceOverride();
    ~ScopedResourceOverride();
    ScopedResourceOverride(const ScopedResourceOverride&) = delete;
    ScopedResourceOverride& operator=(const ScopedResourceOverride&) = delete;

    void Replace(ResourceType type, int id, std::vector<std::uint8_t> bytes);
    void Hide(ResourceType type, int id);

    // nullopt: not overridden here; a value holding nullopt: hidden.
    std::optional<std::optional<ResourceBytes>> Lookup(ResourceType type, int id) const;

private:
    std::map<std::pair<ResourceType, int>, std::optional<std::vector<std::uint8_t>>> entries;
    ScopedResourceOverride* previous;
};

}  // namespace platform
