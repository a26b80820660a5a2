#pragma once
// The system's side of platform/resources.h: the resources the executable itself carries.
// Only platform/resources.cpp calls these; each system implements them once.

#include <optional>
#include <string>

#include "platform/resources.h"

namespace platform {

std::optional<ResourceBytes> FindModuleResource(ResourceType type, int id);
bool LoadModuleString(unsigned id, std::string& text);

}  // namespace platform
