#include "platform/resources.h"

#include "platform/module_resources.h"

namespace platform {
namespace {

ScopedResourceOverride* activeOverride = nullptr;

constexpr unsigned kFirstProgrammeNameId = 199;

}  // namespace

std::optional<ResourceBytes> FindResource(ResourceType type, int id) {
    if (activeOverride) {
        if (auto hit = activeOverride->Lookup(type, id)) return *hit;
    }
    return FindModuleResource(type, id);
}

bool LoadStringResource(unsigned id, std::string& text) { return LoadModuleString(id, text); }

std::string ProgrammeName(int number) {
    std::string name;
    if (number >= 1 && number <= 40) LoadStringResource(kFirstProgrammeNameId + static_cast<unsigned>(number), name);
    return name;
}

ScopedResourceOverride::ScopedResourceOverride() : previous(activeOverride) { activeOverride = this; }

ScopedResourceOverride::~ScopedResourceOverride() { activeOverride = previous; }

void ScopedResourceOverride::Replace(ResourceType type, int id, std::vector<std::uint8_t> bytes) {
    entries[{type, id}] = std::move(bytes);
}

void ScopedResourceOverride::Hide(ResourceType type, int id) { entries[{type, id}] = std::nullopt; }

std::optional<std::optional<ResourceBytes>> ScopedResourceOverride::Lookup(ResourceType type, int id) const {
    const auto it = entries.find({type, id});
    if (it != entries.end()) {
        if (!it->second) return std::optional<ResourceBytes>{};
        return std::optional<ResourceBytes>{ResourceBytes(it->second->data(), it->second->size())};
    }
    return previous ? previous->Lookup(type, id) : std::nullopt;
}

}  // namespace platform
