// The executable's own PE resources, compiled by windres from the manifest: found by type and
// id in the program's module, strings from its string table.

#include "platform/win32/windows_api.h"

#include "platform/module_resources.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

// The PE resource type of each of ours; the string table has none (see LoadModuleString).
const wchar_t* PeResourceType(ResourceType type) {
    switch (type) {
        case ResourceType::kMESH: return L"MESH";
        case ResourceType::kRCDATA: return MAKEINTRESOURCEW(10);  // RT_RCDATA
        case ResourceType::kWAVE: return L"WAVE";
        case ResourceType::kICON: return MAKEINTRESOURCEW(14);  // RT_GROUP_ICON
        case ResourceType::kDIALOG: return L"DLGSOURCE";
        case ResourceType::kSTRINGTABLE: return nullptr;
    }
    return nullptr;
}

}  // namespace

std::optional<ResourceBytes> FindModuleResource(ResourceType type, int id) {
    const wchar_t* peType = PeResourceType(type);
    if (peType == nullptr || id < 0 || id > 0xFFFF) return std::nullopt;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), peType);
    if (info == nullptr) return std::nullopt;
    HGLOBAL handle = LoadResource(module, info);
    const void* bytes = handle ? LockResource(handle) : nullptr;
    if (bytes == nullptr) return std::nullopt;
    return ResourceBytes(static_cast<const std::uint8_t*>(bytes), SizeofResource(module, info));
}

bool LoadModuleString(unsigned id, std::string& text) {
    if (id > 0xFFFF) return false;
    // With no buffer, LoadStringW hands out the string where it lies in the resource.
    const wchar_t* where = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&where), 0);
    if (length <= 0 || where == nullptr) return false;
    text = Utf8FromWide(std::wstring_view(where, static_cast<std::size_t>(length)));
    return true;
}

}  // namespace platform
