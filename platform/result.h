#pragma once
// Result codes of the operations that load or set up: 0 for success, the generic failure code
// otherwise. Most callers ignore them.

#include <cstdint>

namespace platform {

using HResult = std::int32_t;

inline constexpr HResult kOk = 0;
inline constexpr HResult kFail = static_cast<HResult>(0x80004005u);

constexpr bool Succeeded(HResult result) { return result >= 0; }
constexpr bool Failed(HResult result) { return result < 0; }

}  // namespace platform
