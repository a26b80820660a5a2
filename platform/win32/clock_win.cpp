#include "platform/win32/windows_api.h"
#include <mmsystem.h>

#include "platform/clock.h"

namespace platform {

std::uint32_t SystemMilliseconds() { return ::timeGetTime(); }

}  // namespace platform
