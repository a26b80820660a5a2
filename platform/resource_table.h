#pragma once
// The table of resources embedded at build time; generated from resources/resources.txt.

#include <cstdint>
#include <span>

namespace platform {

enum class ResourceType : std::uint8_t { kMESH, kRCDATA, kWAVE, kICON, kDIALOG, kSTRINGTABLE };

struct EmbeddedResource {
    ResourceType type;
    int id;
    const unsigned char* begin;
    const unsigned char* end;
};

std::span<const EmbeddedResource> EmbeddedResources();

}  // namespace platform
