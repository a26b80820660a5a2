#pragma once
// The main thread's sign of life. The guard that ends a loop stuck for good (a graphics driver
// waiting for ever on a window or a display that is gone) tells such a loop from one that is
// only busy by these beats: work that takes long but moves on (loading a programme's models,
// presenting a large frame) beats as it goes.

#include <atomic>
#include <cstdint>

namespace platform {

inline std::atomic<std::uint64_t> heartbeats{0};

inline void Heartbeat() { heartbeats.fetch_add(1, std::memory_order_relaxed); }
inline std::uint64_t Heartbeats() { return heartbeats.load(std::memory_order_relaxed); }

}  // namespace platform
